// The pure parts of the side commands: the sheet each print command asks
// for, the browser an open command names, the text message's bytes and the
// gateway's settings and answers.
#include "commands/Reports.h"
#include "commands/TextMessage.h"
#include "platform/MemorySettingsStore.h"
#include "platform/RegFileStore.h"
#include "service/RequestCatalogue.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <unistd.h>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace stanor;
using namespace stanor::commands;
using platform::StoredValue;
using platform::ValueType;

TEST(CommandsSheets, SheetByCommandKindAndCtrl) {
    const ShownRecord vo{"tVO", "VO", "_TVO"}, vd{"tVO", "VD", "_TVD"}, vn{"tVO", "VN", "_TVN"},
        cl{"TVC", "CL", "_TCL"};
    // A customer loaded after a vehicle: the customer's element decides.
    const ShownRecord clAfterVd{"TVC", "CL", "_TCL"};
    struct Case {
        PrintCommand command;
        const ShownRecord* shown;
        bool ctrl;
        const char* selection;  // for the identifier 7
        const char* name;
    } cases[] = {
        {PrintCommand::RecordSheet, &vo, false, "idVO=7", "VO - Fiche Commerciale"},
        {PrintCommand::RecordSheet, &vo, true, "idVO=7", "VO - Fiche Commerciale"},  // Ctrl changes nothing on a VO
        {PrintCommand::RecordSheet, &vd, false, "idVO=7", "VD - Fiche Commerciale"},
        {PrintCommand::RecordSheet, &vd, true, "idVO=7", "VD - Fiche Commerciale2"},
        {PrintCommand::RecordSheet, &vn, true, "idVO=7", "VN - Fiche Commerciale"},
        {PrintCommand::RecordSheet, &cl, false, "idClient=7", "Fiche Profid"},
        {PrintCommand::RecordSheet, &clAfterVd, true, "idClient=7", "Fiche Profid"},
        {PrintCommand::MarginSheet, &vo, true, "idVO=7", "VO - Feuille de Marge"},
        {PrintCommand::MarginSheet, &vd, true, "idVO=7", "VO - Feuille de Marge"},  // never a "2"
    };
    for (const Case& c : cases) {
        const SheetChoice sheet = ChooseSheet(c.command, *c.shown, c.ctrl);
        const QString what = c.shown->kindCaption + (c.ctrl ? " Ctrl" : "");
        EXPECT_EQ(SheetSelection(sheet, "7"), QLatin1String(c.selection)) << what.toStdString();
        EXPECT_EQ(sheet.reportName, QLatin1String(c.name)) << what.toStdString();
    }
    // The address keeps the blanks of the name: the browser encodes them.
    const service::RequestCatalogue catalogue({"http://127.0.0.1:8080/", "ALV", "1", "1", "/tmp"});
    const SheetChoice vd2 = ChooseSheet(PrintCommand::RecordSheet, vd, true);
    EXPECT_EQ(catalogue.reportUrl(SheetSelection(vd2, "1004"), vd2.reportName),
              "http://127.0.0.1:8080/ReportPDF?UserID=1&rptSelect=idVO=1004&rptName=VD - Fiche Commerciale2");
}

TEST(CommandsBrowser, ProgramOfTheOpenCommand) {
    struct Case {
        const char* command;
        const char* program;
    } cases[] = {
        {"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome", "C:\\Program Files\\Internet Explorer\\iexplore.exe"},
        {"\"/usr/bin/firefox\" \"%1\"", "/usr/bin/firefox"},  // the second quote ends it
        {"start \"/opt/web/navigateur\" %1", "/opt/web/navigateur"},
        {"/usr/bin/firefox %1", ""},  // no quotes: no program
        {"\"/usr/bin/firefox %1", ""},  // one quote
        {"\"\" %1", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BrowserProgram(QString::fromUtf8(c.command)), QString::fromUtf8(c.program)) << c.command;
}

TEST(CommandsBrowser, ChoiceFromTheSettings) {
    using How = BrowserChoice::How;
    struct Case {
        const char* what;
        std::optional<StoredValue> value;  // nothing: no key at all
        How how;
        const char* program;
        const char* problemHolds;
    } cases[] = {
        {"no key", std::nullopt, How::Desktop, "", ""},
        {"empty command", StoredValue{ValueType::String, "", 0}, How::Desktop, "", ""},
        {"blank command", StoredValue{ValueType::String, "   ", 0}, How::Desktop, "", ""},
        {"quoted program", StoredValue{ValueType::String, "\"/usr/bin/web\" %1", 0}, How::Program, "/usr/bin/web", ""},
        {"expand string, kept as it is", StoredValue{ValueType::ExpandString, "\"%ProgramFiles%\\web.exe\"", 0},
         How::Program, "%ProgramFiles%\\web.exe", ""},
        {"unquoted", StoredValue{ValueType::String, "/usr/bin/web %1", 0}, How::Nothing, "", "/usr/bin/web %1"},
        {"a number", StoredValue{ValueType::DWord, "", 1}, How::Nothing, "", "n'est pas un texte"},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore store;
        if (c.value) store.setValue(kHtmlOpenCommandKey, QString(), *c.value);
        const BrowserChoice b = ChooseBrowser(store);
        EXPECT_EQ(b.how, c.how) << c.what;
        EXPECT_EQ(b.program, QString::fromUtf8(c.program)) << c.what;
        EXPECT_TRUE(b.problem.contains(QString::fromUtf8(c.problemHolds))) << c.what << ": " << b.problem.toStdString();
        EXPECT_EQ(b.problem.isEmpty(), c.how != How::Nothing) << c.what;
        if (!c.value) {
            EXPECT_FALSE(store.keyExists(kHtmlOpenCommandKey)) << "reading creates no key";
        }
    }
}

TEST(CommandsBrowser, SpoiltSettingsFileOpensNothing) {
    QTemporaryDir dir;
    QFile f(dir.filePath("ProjStanor.reg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]\n@=\"web\n");
    f.close();
    platform::RegFileStore spoilt(f.fileName());
    const BrowserChoice b = ChooseBrowser(spoilt);
    EXPECT_EQ(b.how, BrowserChoice::How::Nothing);
    EXPECT_FALSE(b.problem.isEmpty());
}

TEST(CommandsTextMessage, MessageTravelsInUtf8) {
    const QString text = SmsText(QString::fromUtf8("Le Mée"), QStringLiteral("M. DUPONT Jean"));
    EXPECT_EQ(text, QString::fromUtf8("de Alvenne Le Mée,\r\n\r\npour un test d'envoi à M. DUPONT Jean"));
    const std::vector<FormField> fields = SmsFormFields(QStringLiteral(" +33612345678 "), text);
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].name, "destinataire");
    EXPECT_EQ(fields[0].value, QByteArray("+33612345678"));
    EXPECT_EQ(fields[1].name, "texte");
    EXPECT_EQ(fields[1].value, QByteArray("de Alvenne Le M\xC3\xA9" "e,\r\n\r\npour un test d'envoi \xC3\xA0 M. DUPONT Jean"));

    struct Case {
        const char* text;  // as the form shows it
        QByteArray sent;
    } cases[] = {
        {"abc 123,\r\n", "abc 123,\r\n"},               // below 128: as it stands
        {"é", "\xC3\xA9"}, {"ÿ", "\xC3\xBF"}, {"\xC2\xA0", "\xC2\xA0"},  // Latin-1: two bytes
        {"Cœur", "C\xC5\x93ur"}, {"5 €", "5 \xE2\x82\xAC"},  // beyond Latin-1: their own UTF-8 form
    };
    for (const Case& c : cases)
        EXPECT_EQ(SmsFormFields("1", QString::fromUtf8(c.text))[1].value, c.sent) << c.text;
    // A long message is sent whole, not emptied.
    const QString identity(1500, u'é');
    EXPECT_EQ(SmsFormFields("1", SmsText("NORD", identity))[1].value.size(), SmsText("NORD", QString()).toUtf8().size() + 3000);
}

TEST(CommandsTextMessage, GatewayAddressFromTheSetting) {
    struct Case {
        const char* setting;
        const char* url;
    } cases[] = {
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080/tools/smssend/smssend.php5"},
        {"http://127.0.0.1:8080/", "http://127.0.0.1:8080/tools/smssend/smssend.php5"},
        {" sms.exemple.fr ", "http://sms.exemple.fr/tools/smssend/smssend.php5"},
        {"https://sms.exemple.fr/tools/smssend/smssend.php5", "https://sms.exemple.fr/tools/smssend/smssend.php5"},
        {"", ""},
        {"  ", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SmsGatewayUrl(QString::fromUtf8(c.setting)), QString::fromUtf8(c.url)) << c.setting;
}

TEST(CommandsTextMessage, SettingsMissingOrWrongAreNamed) {
    const QString key = platform::kStanorKey;
    struct Case {
        const char* what;
        std::optional<StoredValue> gateway, recipient;
        const char* problemHolds;  // "" when the settings are complete
    } cases[] = {
        {"complete", StoredValue{ValueType::String, "http://h:1", 0}, StoredValue{ValueType::String, "+33600000001", 0}, ""},
        {"no gateway", std::nullopt, StoredValue{ValueType::String, "+33600000001", 0}, "SmsGateway"},
        {"no recipient", StoredValue{ValueType::String, "http://h:1", 0}, std::nullopt, "SmsRecipient"},
        {"blank recipient", StoredValue{ValueType::String, "http://h:1", 0}, StoredValue{ValueType::String, " ", 0},
         "SmsRecipient"},
        {"recipient as a number", StoredValue{ValueType::String, "http://h:1", 0}, StoredValue{ValueType::DWord, "", 33},
         "illisibles"},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore store;
        if (c.gateway) store.setValue(key, kSmsGatewaySetting, *c.gateway);
        if (c.recipient) store.setValue(key, kSmsRecipientSetting, *c.recipient);
        const SmsSettings s = ReadSmsSettings(store);
        if (*c.problemHolds == 0) {
            EXPECT_EQ(s.problem, QString()) << c.what;
            EXPECT_EQ(s.url, "http://h:1/tools/smssend/smssend.php5");
            EXPECT_EQ(s.recipient, "+33600000001");
        } else {
            EXPECT_TRUE(s.problem.contains(QLatin1String(c.problemHolds))) << c.what << ": " << s.problem.toStdString();
        }
    }
}

TEST(CommandsTextMessage, WhatTheUserIsToldOfTheAnswer) {
    struct Case {
        QByteArray answer;
        const char* error;
    } cases[] = {
        {"telephonySmsSend successfull", ""},
        {"OK\ntelephonySmsSend successfull (id 42)", ""},
        {"Erreur : les champs destinataire et texte sont attendus", "Erreur : les champs destinataire et texte sont attendus"},
        {"telephonySmsSend failed", "telephonySmsSend failed"},
        {"", " - Réponse vide de la passerelle SMS : envoi non confirmé "},  // confirms nothing
        {"\r\n", " - Réponse vide de la passerelle SMS : envoi non confirmé "},
        {"Num\xC3\xA9ro refus\xC3\xA9", "Numéro refusé"},     // UTF-8
        {"Num\xE9ro refus\xE9", "Numéro refusé"},             // one byte per character
    };
    for (const Case& c : cases)
        EXPECT_EQ(SmsErrorText(SmsAnswerText(c.answer)), QString::fromUtf8(c.error)) << c.answer.toStdString();
    EXPECT_EQ(SmsErrorText(kSmsTransferFailed), kSmsTransferFailed);

    // A failed transfer names the gateway, not the data service of the
    // client's own wording, and keeps the network's words.
    const QString url = QStringLiteral("http://sms:1/tools/smssend/smssend.php5");
    EXPECT_EQ(SmsTransferFailure(url, QStringLiteral("Le service de données ne répond pas (connexion refusée)\nConnection refused")),
              QStringLiteral(" - Erreur de transfert sur le serveur \nPasserelle SMS ") + url + QStringLiteral(" : Connection refused"));
    EXPECT_EQ(SmsTransferFailure(url, QStringLiteral("Le service de données ne répond pas (aucune réponse en 5000 ms)")),
              QStringLiteral(" - Erreur de transfert sur le serveur \nPasserelle SMS ") + url + QStringLiteral(" : pas de réponse"));
    EXPECT_EQ(SmsErrorText(SmsTransferFailure(url, QString())).left(kSmsTransferFailed.size()), kSmsTransferFailed);
}

TEST(CommandsSheets, ADownloadedSheetIsKeptWhereOnlyTheUserReadsIt) {
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("projstanor-fiches-%1").arg(::getuid()));
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    QString why;
    // A sheet a day and more old goes; the one just written stays and opens for the user alone.
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile old(folder + QStringLiteral("/ancienne.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("%PDF-1.4");
    old.close();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    old.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime);
    old.close();
    const QString path = StorePrivateSheet("%PDF-1.4 fiche", QStringLiteral("VO - Fiche Commerciale"),
                                           QStringLiteral("idVO=1001"), why, tmp.path());
    ASSERT_FALSE(path.isEmpty()) << why.toStdString();
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("VO - Fiche Commerciale - idVO=1001 - ")));
    EXPECT_EQ(QFileInfo(path).permissions() & others, 0);
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "%PDF-1.4 fiche");
    EXPECT_FALSE(QFile::exists(old.fileName()));
    // A folder others may enter (made by someone else before) is not used.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                      QFile::ExeOther);
    EXPECT_TRUE(StorePrivateSheet("%PDF-", QStringLiteral("Fiche Profid"), QStringLiteral("idClient=1"), why,
                                  tmp.path()).isEmpty());
    EXPECT_TRUE(why.contains(QStringLiteral("n'est pas un dossier privé"))) << why.toStdString();
}
