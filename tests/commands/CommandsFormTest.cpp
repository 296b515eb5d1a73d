// The print buttons, the margin sheet and the test text message on the main
// form, against the data service on loopback: the address each button opens
// (and the sheet it answers), the save that comes first, the browser the
// settings name, and the message the gateway stand-in stores.
#include "EditingFixture.h"

#include "commands/Reports.h"
#include "commands/SideCommands.h"
#include "commands/TextMessage.h"
#include "platform/Shell.h"
#include "service/DataServiceClient.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QTcpServer>
#include <QUrl>

using namespace e2e;
using platform::StoredValue;
using platform::ValueType;

namespace {

const QString kBrowser = QStringLiteral("/opt/navigateur/web");

class CommandsForm : public EditingE2e {
protected:
    void SetUp() override
    {
        EditingE2e::SetUp();
        setOpenCommand(QLatin1Char('"') + kBrowser + QStringLiteral("\" -nohome %1"));
    }

    // Starts the form on a record, with the scripted shell and a pause that
    // only notes what the data service holds when it starts.
    app::TAxStanor& show(const char* idTVO, int idTypeVO, const char* idClient = "")
    {
        run->set("idTVO", QString::fromLatin1(idTVO));
        run->set("idClient", QString::fromLatin1(idClient));
        run->set("idTypeVO", QString::number(idTypeVO));
        run->form.reset();
        run->form = std::make_unique<app::TAxStanor>(
            app::AppContext{run->store, run->clock, run->dialogs, run->keyboard, run->env, false, &shell});
        run->form->resize(825, 623);
        for (int i = 0; i < 3; ++i)
            run->form->Timer1Timer();
        form().SideCommands().host().pause = [this](int ms) {
            pauses.push_back({ms, shell.started.size() + shell.opened.size(), kmsStored()});
        };
        return form();
    }

    void setOpenCommand(const QString& command)
    {
        run->store.setValue(commands::kHtmlOpenCommandKey, QString(), {ValueType::String, command, 0});
    }

    QString kmsStored() { return service ? row("SELECT KMS FROM tVehicles WHERE idTVO = 1") : QString(); }

    QString sheetAddress(const QString& selection, const QString& name)
    {
        return service->baseHRef() + QStringLiteral("ReportPDF?UserID=1&rptSelect=") + selection +
               QStringLiteral("&rptName=") + name;
    }

    // The one address the last command gave the browser, "" when none.
    QString opened()
    {
        if (shell.started.size() != 1 || !shell.opened.isEmpty())
            return QStringLiteral("<%1 programme(s), %2 adresse(s) du bureau>")
                .arg(shell.started.size())
                .arg(shell.opened.size());
        EXPECT_EQ(shell.started.front().program, kBrowser);
        return shell.started.front().arguments.join(u'|');
    }

    bool nothingOpened() const { return shell.started.empty() && shell.opened.empty(); }

    // The sheet a browser was given, "name - selection": the browser holds no
    // session, so it gets a file of the user's alone, downloaded with the session.
    static QString sheetOf(const QString& opened)
    {
        const QUrl url(opened);
        if (!url.isLocalFile())
            return QStringLiteral("<pas un fichier : %1>").arg(opened);
        const QFileInfo file(url.toLocalFile());
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther |
                            QFile::ExeGroup | QFile::ExeOther;
        EXPECT_EQ(file.permissions() & others, 0) << opened.toStdString();
        EXPECT_EQ(QFileInfo(file.path()).permissions() & others, 0) << file.path().toStdString();
        QFile pdf(file.filePath());
        EXPECT_TRUE(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-") << opened.toStdString();
        const QString name = file.fileName();
        return name.left(name.lastIndexOf(QStringLiteral(" - ")));
    }

    void click(const char* button) { get<QAbstractButton>(QString::fromLatin1(button))->click(); }

    struct Pause {
        int ms;
        size_t openedBefore;
        QString kmsStored;
    };
    platform::ScriptedShell shell;
    std::vector<Pause> pauses;
};

TEST_F(CommandsForm, EachButtonOpensTheSheetOfItsRecord)
{
    struct Case {
        const char* idTVO;
        int idTypeVO;
        const char* idClient;
        bool ctrl;
        const char* button;  // JvXPBtnPrint or czFeuilleMarge
        const char* selection;
        const char* name;
    } cases[] = {
        {"1", 1, "", false, "JvXPBtnPrint", "idVO=1001", "VO - Fiche Commerciale"},
        {"1", 1, "", true, "JvXPBtnPrint", "idVO=1001", "VO - Fiche Commerciale"},
        {"1", 1, "", true, "czFeuilleMarge", "idVO=1001", "VO - Feuille de Marge"},
        {"4", 3, "", false, "JvXPBtnPrint", "idVO=1004", "VD - Fiche Commerciale"},
        {"4", 3, "", true, "JvXPBtnPrint", "idVO=1004", "VD - Fiche Commerciale2"},
        {"6", 2, "", true, "", "idVO=1006", "VN - Fiche Commerciale"},  // no button for a VN: the handler itself
        {"", 1, "1", true, "JvXPBtnPrint", "idClient=1", "Fiche Profid"},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.name) + (c.ctrl ? " Ctrl" : "");
        auto& f = show(c.idTVO, c.idTypeVO, c.idClient);
        run->keyboard.ctrl = c.ctrl;
        shell.started.clear();
        pauses.clear();
        // A new vehicle's due dates and balance are computed on loading: stored first.
        const bool pending = f.JvXPBtnSave->isEnabled();
        if (*c.button)
            click(c.button);
        else
            f.JvXPBtnPrintClick();
        const QString address = sheetAddress(QLatin1String(c.selection), QLatin1String(c.name));
        EXPECT_EQ(sheetOf(opened()), QLatin1String(c.name) + QStringLiteral(" - ") + QLatin1String(c.selection)) << what;
        EXPECT_EQ(pauses.size(), pending ? 1u : 0u) << what << ": a wait only after a save";
        EXPECT_EQ(f.LbDebugInfo0->text(), QString()) << what;
        // The address answers the sheet to the user's session.
        const service::HttpResult sheet = f.Http().DownloadSheet(address);
        EXPECT_TRUE(sheet.ok) << what << ": " << sheet.error.toStdString();
        EXPECT_TRUE(sheet.body.startsWith("%PDF-")) << what << ": " << sheet.body.left(200).toStdString();
    }
}

TEST_F(CommandsForm, PendingChangesAreStoredBeforeTheSheetOpens)
{
    auto& f = show("1", 1);
    type("cKMS", "90000");
    ASSERT_TRUE(f.JvXPBtnSave->isEnabled());
    click("JvXPBtnPrint");
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].ms, 300);
    EXPECT_EQ(pauses[0].kmsStored, QStringLiteral("90000")) << "stored before the wait";
    EXPECT_EQ(pauses[0].openedBefore, 0u) << "opened after the wait";
    EXPECT_EQ(sheetOf(opened()), QStringLiteral("VO - Fiche Commerciale - idVO=1001"));
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());

    // Saved already: the margin sheet opens at once.
    shell.started.clear();
    click("czFeuilleMarge");
    EXPECT_EQ(pauses.size(), 1u);
    EXPECT_EQ(sheetOf(opened()), QStringLiteral("VO - Feuille de Marge - idVO=1001"));
}

TEST_F(CommandsForm, NothingOpensWhenTheChangesCannotBeStored)
{
    // A mandatory field emptied: the save is refused, the user is told why.
    auto& f = show("1", 1);
    type("cNVO", "");
    click("JvXPBtnPrint");
    click("czFeuilleMarge");
    EXPECT_TRUE(nothingOpened());
    EXPECT_TRUE(pauses.empty());
    EXPECT_TRUE(f.LbDebugInfo0->text().startsWith(QStringLiteral("Modifications non enregistrées"))) <<
        f.LbDebugInfo0->text().toStdString();

    // The data service gone: the save fails, and the change stays pending.
    show("1", 1);
    type("cKMS", "91000");
    service.reset();
    click("JvXPBtnPrint");
    EXPECT_TRUE(nothingOpened());
    EXPECT_TRUE(pauses.empty());
    EXPECT_TRUE(form().JvXPBtnSave->isEnabled());
    EXPECT_FALSE(form().PanelWarning->isHidden());
}

TEST_F(CommandsForm, RecordBeingCreatedOpensNoSheet)
{
    // The vehicle shown before is still the answer at hand: its sheet must not
    // open for the one being created, stored or not.
    auto& f = show("1", 1);
    f.JvXPBtnNewVOClick();
    ASSERT_TRUE(state().FlagNewEnreg);
    run->dialogs.shown.clear();
    f.JvXPBtnPrintClick();
    type("cKMS", "12000");  // refused: the mandatory fields are empty
    f.czFeuilleMargeClick();
    EXPECT_TRUE(nothingOpened());
    ASSERT_EQ(run->dialogs.shown.size(), 2u);
    for (const auto& box : run->dialogs.shown) {
        EXPECT_EQ(box.caption, QStringLiteral("Action Annulée"));
        EXPECT_EQ(box.text, QStringLiteral("L'identifiant du véhicule demandé n'a pas pu être restitué... "));
    }

    // A customer being created, likewise.
    auto& g = show("", 1, "1");
    g.JvXPBtnNewVOClick();
    ASSERT_TRUE(state().FlagNewEnreg);
    run->dialogs.shown.clear();
    click("JvXPBtnPrint");
    EXPECT_TRUE(nothingOpened());
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].text, QStringLiteral("L'identifiant du client demandé n'a pas pu être restitué... "));
}

TEST_F(CommandsForm, BrowserNamedByTheOpenCommandOfWebPages)
{
    auto& f = show("1", 1);
    const QString sheet = QStringLiteral("VO - Fiche Commerciale - idVO=1001");
    const QString notOpened = QStringLiteral("Fiche non ouverte : ");
    struct Case {
        const char* what;
        std::optional<StoredValue> command;  // nothing: no key
        bool programsStart, desktopOpens;
        const char* program;                 // started with the address, "" when none
        bool desktop;                        // the desktop's browser asked
        const char* warningHolds;            // "" when the sheet opened
    } cases[] = {
        {"without quotes", StoredValue{ValueType::String, "/usr/bin/firefox %1", 0}, true, true, "", false,
         "/usr/bin/firefox %1"},
        {"quoted", StoredValue{ValueType::String, "\"/usr/bin/firefox\" %1", 0}, true, true, "/usr/bin/firefox",
         false, ""},
        {"no key", std::nullopt, true, true, "", true, ""},
        {"program missing", StoredValue{ValueType::String, "\"C:\\Program Files\\web.exe\"", 0}, false, true,
         "C:\\Program Files\\web.exe", false, "n'a pas pu être lancé"},
        {"no browser on the desktop", std::nullopt, true, false, "", true, "aucun navigateur"},
    };
    for (const Case& c : cases) {
        run->store.removeValue(commands::kHtmlOpenCommandKey, QString());
        if (c.command)
            run->store.setValue(commands::kHtmlOpenCommandKey, QString(), *c.command);
        shell = platform::ScriptedShell();
        shell.programsStart = c.programsStart;
        shell.desktopOpens = c.desktopOpens;
        f.JvXPBtnPrintClick();
        if (*c.program) {
            ASSERT_EQ(shell.started.size(), 1u) << c.what;
            EXPECT_EQ(shell.started[0].program, QString::fromUtf8(c.program)) << c.what;
            ASSERT_EQ(shell.started[0].arguments.size(), 1) << c.what;
            EXPECT_EQ(sheetOf(shell.started[0].arguments[0]), sheet) << c.what;
        } else {
            EXPECT_TRUE(shell.started.empty()) << c.what;
        }
        ASSERT_EQ(shell.opened.size(), c.desktop ? 1 : 0) << c.what;
        if (c.desktop) {
            EXPECT_EQ(sheetOf(shell.opened[0]), sheet) << c.what;
        }
        const QString warning = f.LbDebugInfo0->text();
        if (*c.warningHolds) {
            EXPECT_TRUE(warning.startsWith(notOpened) && warning.contains(QString::fromUtf8(c.warningHolds)))
                << c.what << ": " << warning.toStdString();
            EXPECT_FALSE(f.PanelWarning->isHidden()) << c.what;
        } else {
            EXPECT_EQ(warning, QString()) << c.what << ": a sheet that opens clears the warning of one that did not";
        }
    }
    // The warning of a sheet no browser opened says where the downloaded sheet
    // is and saves it where the user chooses.
    ASSERT_EQ(shell.opened.size(), 1);
    const QString downloaded = QDir::toNativeSeparators(QUrl(shell.opened[0]).toLocalFile());
    ASSERT_TRUE(f.LbDebugInfo0->text().contains(QStringLiteral("Adresse de la fiche : ") + downloaded))
        << f.LbDebugInfo0->text().toStdString();
    const struct {
        const char* what;
        QString file;  // chosen, "" when cancelled
        bool saved;
    } saves[] = {
        {"cancelled", QString(), false},
        {"a folder that does not exist", tmp.path() + QStringLiteral("/absent/fiche.pdf"), false},
        {"chosen", tmp.path() + QStringLiteral("/fiche.pdf"), true},
    };
    for (const auto& s : saves) {
        ASSERT_TRUE(f.BtnWarningAction->isVisibleTo(&f)) << s.what;  // offered again until saved
        run->dialogs.savedFiles.push_back(s.file);
        f.BtnWarningAction->click();
        QFile saved(s.file);
        EXPECT_EQ(saved.exists(), s.saved) << s.what;
        if (s.saved) {
            ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
            EXPECT_TRUE(saved.readAll().startsWith("%PDF")) << s.what;
            EXPECT_EQ(f.LbInfo->text(), QStringLiteral("Fiche enregistrée dans ") + QDir::toNativeSeparators(s.file));
            EXPECT_EQ(f.LbDebugInfo0->text(), QString()) << s.what;
        } else if (!s.file.isEmpty()) {
            EXPECT_TRUE(f.LbDebugInfo0->text().startsWith(QStringLiteral("Fiche non enregistrée : "))) << s.what;
        }
    }
    EXPECT_EQ(commands::SheetFileName(sheetAddress(QStringLiteral("idVO=1001"), QStringLiteral("VO - Fiche Commerciale"))),
              QStringLiteral("VO - Fiche Commerciale idVO=1001.pdf"));

    // A request's error is not the sheet's to clear.
    f.setRequestError(QStringLiteral("Exception : connexion refusée"));
    run->store.removeValue(commands::kHtmlOpenCommandKey, QString());
    shell = platform::ScriptedShell();
    f.JvXPBtnPrintClick();
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(sheetOf(shell.opened[0]), sheet);
    EXPECT_EQ(f.LbDebugInfo0->text(), QStringLiteral("Exception : connexion refusée"));
}

class TextMessageForm : public CommandsForm {
protected:
    void SetUp() override
    {
        CommandsForm::SetUp();
        run->set("idUser", QStringLiteral("9999"));  // the test user
        gateway = QStringLiteral("http://127.0.0.1:%1").arg(service->port);
        run->set("SmsGateway", gateway);
        run->set("SmsRecipient", QStringLiteral("+33612345678"));
    }
    QString gateway;
};

TEST_F(TextMessageForm, MessageStoredByTheGateway)
{
    auto& f = show("", 1, "1");
    EXPECT_FALSE(get("JvXPBtnSMS")->isHidden()) << "shown to the test user";
    EXPECT_EQ(get("JvXPBtnSMS")->toolTip(), QStringLiteral("envoi d'un SMS pour test"));
    type("aCliPrenom", QStringLiteral("hélène"));
    ASSERT_EQ(text("xcIdentity"), QStringLiteral("M. DUPONT Hélène"));
    ASSERT_EQ(text("aSite"), QStringLiteral("NORD"));
    f.IdleSeconds = 400;
    const auto requestsBefore = QDir(run->traceDir).entryList(QDir::Files);

    click("JvXPBtnSMS");
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_TRUE(f.PanelWarning->isHidden());
    EXPECT_EQ(f.LbInfo->text(), QStringLiteral("SMS envoyé au +33612345678"));  // confirmed in the status line
    EXPECT_EQ(f.IdleSeconds, 0);
    const QString hex = row("SELECT hex(Texte) FROM sysSmsLog");
    EXPECT_EQ(row("SELECT Destinataire, Texte FROM sysSmsLog"),
              QStringLiteral("+33612345678|de Alvenne NORD,\r\n\r\npour un test d'envoi à M. DUPONT Hélène"));
    EXPECT_TRUE(hex.contains(QStringLiteral("48C3A96CC3A86E65"))) << "Hélène in UTF-8: " << hex.toStdString();
    EXPECT_TRUE(hex.contains(QStringLiteral("0D0A0D0A")));
    EXPECT_EQ(QDir(run->traceDir).entryList(QDir::Files), requestsBefore) << "no answer file";
    EXPECT_TRUE(f.JvXPBtnSave->isEnabled()) << "sending saves nothing";
}

TEST_F(TextMessageForm, FailuresAreShownInTheWarning)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString unreachable = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    struct Case {
        const char* what;
        QString gateway, recipient;
        QString warningStart, warningHolds;
    } cases[] = {
        {"gateway unreachable", unreachable, "+33612345678", " - Erreur de transfert sur le serveur \n", "refus"},
        {"answer without the marker", gateway + "/ailleurs", "+33612345678", "<?xml", "smssend.php5"},
        {"no gateway", "", "+33612345678", "SMS non envoyé : ", "SmsGateway"},
        {"no recipient", gateway, "", "SMS non envoyé : ", "SmsRecipient"},
    };
    auto& f = show("", 1, "1");
    for (const Case& c : cases) {
        run->set("SmsGateway", c.gateway);
        run->set("SmsRecipient", c.recipient);
        click("JvXPBtnSMS");
        const QString warning = f.LbDebugInfo0->text();
        EXPECT_TRUE(warning.startsWith(c.warningStart)) << c.what << ": " << warning.toStdString();
        EXPECT_TRUE(warning.contains(c.warningHolds, Qt::CaseInsensitive)) << c.what << ": " << warning.toStdString();
        EXPECT_FALSE(f.PanelWarning->isHidden()) << c.what;
    }
    EXPECT_EQ(row("SELECT count(*) FROM sysSmsLog"), QStringLiteral("0"));

    // Sent at last: the warning goes.
    run->set("SmsGateway", gateway + "/");
    run->set("SmsRecipient", "+33612345678");
    click("JvXPBtnSMS");
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_TRUE(f.PanelWarning->isHidden());
    EXPECT_EQ(row("SELECT count(*) FROM sysSmsLog"), QStringLiteral("1"));
}

}  // namespace
