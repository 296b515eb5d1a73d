// The main form signed in to the data service: unattended from the netrc
// file, or through the dialog; a cancelled sign-in leaves the form visibly
// not loaded until a reload asks again; a save that meets an ended session
// keeps every edit, asks, and stores them once; no secret is written down.
#include "SavingFixture.h"

#include <QDirIterator>
#include <atomic>

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const QString kAdminPassword = QStringLiteral("martin-admin-demo");

class IdentityE2e : public SavingE2e {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        const auto fixed = serverDate()();
        service = std::make_unique<RunningService>(
            tmp.path(),
            [this](const std::string& line) {
                std::lock_guard lock(logMutex);
                log.push_back(line);
            },
            [this, fixed] { return fixed + std::chrono::seconds(shift.load()); });
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
    }
    // The password must now be typed: the netrc file names none.
    void withoutNetrc() { run->set("ServiceNetrcFile", tmp.filePath(QStringLiteral("aucun-netrc"))); }

    std::atomic<long long> shift{0};
};

}  // namespace

TEST_F(IdentityE2e, AnUnattendedStartSignsInFromTheNetrcFileAndWritesNoSecretDown)
{
    auto& f = openVehicle("1", 1);
    EXPECT_TRUE(f.RecordShown());
    EXPECT_TRUE(run->dialogs.passwordPrompts.empty());
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    activate();
    type("cKMS", QStringLiteral("91000"));
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 1"), QStringLiteral("91000"));

    // The trace, the answer files and the service's log hold neither the
    // password nor the session.
    QDirIterator files(run->traceDir, QDir::Files, QDirIterator::Subdirectories);
    int read = 0;
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (const char* secret : {"martin-admin-demo", "<Token>", "Bearer"})
            EXPECT_FALSE(bytes.contains(secret)) << file.fileName().toStdString() << " holds " << secret;
        ++read;
    }
    EXPECT_GE(read, 4);
    std::lock_guard lock(logMutex);
    for (const std::string& line : log)
        EXPECT_EQ(line.find("martin-admin-demo"), std::string::npos) << line;
}

TEST_F(IdentityE2e, ACancelledSignInLeavesTheFormNotLoadedAndTheNextReloadAsksAgain)
{
    withoutNetrc();
    auto& f = openVehicle("1", 1);
    ASSERT_EQ(run->dialogs.passwordPrompts.size(), 1u) << "one question for the whole start";
    EXPECT_EQ(run->dialogs.passwordPrompts[0].caption, QStringLiteral("Connexion au service de données"));
    EXPECT_EQ(run->dialogs.passwordPrompts[0].user, QStringLiteral("utilisateur n° 1"));
    EXPECT_FALSE(f.RecordShown());
    EXPECT_FALSE(f.Tabs->isVisibleTo(&f));
    EXPECT_FALSE(f.PanelWarning->isHidden());
    EXPECT_EQ(f.LbWarning->text().section(u'\n', 0, 0),
              QStringLiteral("Connexion au service de données annulée (aucun mot de passe donné) : "
                             "la fiche demandée n'a pas pu être chargée"));

    // A wrong password, then the right one: the dialog says why it asks again.
    run->dialogs.passwords = {QStringLiteral("martin-admin-dem0"), kAdminPassword};
    run->reload({});
    ASSERT_EQ(run->dialogs.passwordPrompts.size(), 3u);
    EXPECT_EQ(run->dialogs.passwordPrompts[2].message, QStringLiteral("Identifiant ou mot de passe incorrect"));
    EXPECT_TRUE(f.RecordShown());
    EXPECT_TRUE(f.PanelWarning->isHidden());
    EXPECT_EQ(text("cNVO"), QStringLiteral("1201"));
}

TEST_F(IdentityE2e, ASaveThatMeetsAnEndedSessionKeepsEveryEditAsksAndStoresThemOnce)
{
    auto& f = openVehicle("1", 1);
    ASSERT_TRUE(f.RecordShown());
    run->set("idTVO", QString());
    run->set("idClient", QStringLiteral("1"));
    f.OnMsgActualize();
    activate();
    const int customers = count("SELECT count(*) FROM tClients");
    f.JvXPBtnNewVOClick();
    ASSERT_EQ(f.LbIDCustomer->text(), QStringLiteral("-1"));
    pickFirst(get<toolkit::ComboBox>(QStringLiteral("aSite")));
    pickFirst(get<toolkit::ComboBox>(QStringLiteral("aidCom")));
    type("aCliNom", QStringLiteral("Le Gall"));
    type("aCliPrenom", QStringLiteral("Yann"));
    withoutNetrc();
    shift += std::chrono::seconds(2h + 1min).count();  // two hours unused: the session has ended
    writes();

    // Cancelled: nothing stored, every edit still there and still pending.
    EXPECT_FALSE(f.SaveChanges());
    ASSERT_EQ(run->dialogs.passwordPrompts.size(), 1u);
    EXPECT_EQ(run->dialogs.passwordPrompts[0].user, QStringLiteral("Martin Admin (utilisateur n° 1)"));
    EXPECT_EQ(count("SELECT count(*) FROM tClients"), customers);
    EXPECT_EQ(f.LbIDCustomer->text(), QStringLiteral("-1"));
    EXPECT_EQ(text("aCliNom"), QStringLiteral("LE GALL"));
    EXPECT_EQ(text("aCliPrenom"), QStringLiteral("YANN"));
    EXPECT_TRUE(f.JvXPBtnSave->isEnabled());
    EXPECT_TRUE(f.LbDebugInfo0->text().contains(QStringLiteral("Connexion au service de données annulée")))
        << f.LbDebugInfo0->text().toStdString();

    // The next command asks again (the timer's refresh of today's reminders
    // may be the first), and the save sends the same statement, stored once.
    run->dialogs.passwords = {kAdminPassword};
    f.Timer1Timer();
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(run->dialogs.passwordPrompts.size(), 2u);
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_EQ(count("SELECT count(*) FROM tClients"), customers + 1);
    const QString id = f.LbIDCustomer->text();
    EXPECT_NE(id, QStringLiteral("-1"));
    EXPECT_EQ(row("SELECT CliNom, CliPrenom FROM tClients WHERE idClient = " + id), QStringLiteral("LE GALL|YANN"));
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
}
