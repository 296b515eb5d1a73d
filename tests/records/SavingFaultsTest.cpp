// No edit is lost when a save fails: the main form against the real data
// service behind a proxy that fails the writes the way networks and services
// do. A failed save keeps the values, the statement, the creation state and
// the warning; the next save sends it again; an insert whose answer was
// lost after it was stored is not stored twice; the tab bar, the refresh
// message and closing the window do not leave changes behind.
#include "FaultProxyFixture.h"

#include "service/DataServiceClient.h"

#include <QCloseEvent>

using namespace e2e;
using platform::MsgButtons;
using platform::MsgResult;

namespace {

// The value of a field of a page, as loaded.
QString loadedOf(const pages::RecordViewState& s, int page, const char* name)
{
    for (const pages::TsDesc& d : s.pages[page].Fields)
        if (d.FieldName == QLatin1String(name))
            return d.LoadedValue;
    return QStringLiteral("<absent>");
}

}  // namespace

class SavingFaults : public FaultProxyE2e {
protected:

    app::TAxStanor& start(app::TAxStanor& f)
    {
        service::ClientOptions o;
        o.readTimeoutMs = 300;  // a service that never answers fails quickly
        o.pause = [](int) {};
        f.SetHttpOptions(o);
        activate();
        return f;
    }

    // Fails the next save as the fault says; Stopped points the form at a
    // port where nothing listens for the length of the save.
    bool saveWith(std::initializer_list<Fault> faults, bool stopped = false)
    {
        proxy->script(faults);
        const QString base = form().BaseHRef;
        if (stopped)
            form().BaseHRef = closedServiceAddress();
        const bool saved = form().SaveChanges();
        form().BaseHRef = base;
        proxy->script({});
        return saved;
    }

    // The warning panel shows an error and the save button still offers the change.
    void expectKept(const char* what)
    {
        EXPECT_NE(form().LbDebugInfo0->text(), QString()) << what;
        EXPECT_FALSE(form().PanelWarning->isHidden()) << what;
        EXPECT_TRUE(form().JvXPBtnSave->isEnabled()) << what;
    }
};

struct FaultCase {
    const char* what;
    std::initializer_list<Fault> faults;
    bool stopped;
    bool saved;   // the first save's result
    bool stored;  // the change reached the database on the first save
};

const FaultCase kFaults[] = {
    {"service arrêté", {}, true, false, false},
    {"HTTP 500", {Fault::Http500}, false, false, false},
    {"service sans réponse", {Fault::Silent}, false, false, false},
    {"LogItem", {Fault::LogItem}, false, false, false},
    {"WAIT_TIMEOUT cinq fois",
     {Fault::WaitTimeout, Fault::WaitTimeout, Fault::WaitTimeout, Fault::WaitTimeout, Fault::WaitTimeout}, false,
     false, false},
    {"WAIT_TIMEOUT quatre fois puis succès",
     {Fault::WaitTimeout, Fault::WaitTimeout, Fault::WaitTimeout, Fault::WaitTimeout}, false, true, true},
    {"réponse perdue après l'écriture", {Fault::LostAfterCommit}, false, false, true},
    {"réponse jamais rendue après l'écriture", {Fault::SilentAfterCommit}, false, false, true},
};

TEST_F(SavingFaults, UpdateKeptUntilStored)
{
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.what);
        auto& f = start(openVehicle("1", 1));
        const QString loaded = loadedOf(state(), 1, "KMS");
        type("cKMS", "77777");
        type("cCommentaires", QString::fromUtf8("à revoir"));
        EXPECT_EQ(saveWith(c.faults, c.stopped), c.saved);
        EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 1"), c.stored ? QStringLiteral("77777") : loaded);
        if (!c.saved) {
            expectKept(c.what);
            EXPECT_EQ(text("cKMS"), QStringLiteral("77777"));
            EXPECT_EQ(loadedOf(state(), 1, "KMS"), loaded);
            EXPECT_TRUE(pending(1).Statement.contains(QLatin1String("KMS=77777")));
            // Sent again by the next save.
            EXPECT_TRUE(f.SaveChanges());
        }
        EXPECT_EQ(row("SELECT KMS, Commentaires FROM tVehicles WHERE idTVO = 1"), QString::fromUtf8("77777|à revoir"));
        EXPECT_EQ(f.LbDebugInfo0->text(), QString());
        EXPECT_TRUE(f.PanelWarning->isHidden());
        EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
        EXPECT_FALSE(pending(1).pending());
        // Back as it was for the next case.
        type("cKMS", loaded);
        type("cCommentaires", QString());
        EXPECT_TRUE(f.SaveChanges());
        run->form.reset();
    }
}

TEST_F(SavingFaults, InsertStoredOnceWhateverTheFault)
{
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.what);
        auto& f = start(openCustomer("1"));
        const int before = count("SELECT count(*) FROM tClients");
        f.JvXPBtnNewVOClick();
        for (const char* list : {"aSite", "aidCom"})
            pickFirst(get<toolkit::ComboBox>(QString::fromLatin1(list)));
        const QString name = QStringLiteral("PANNE %1").arg(int(&c - kFaults));
        type("aCliNom", name);
        const bool saved = saveWith(c.faults, c.stopped);
        EXPECT_EQ(saved, c.saved);
        EXPECT_EQ(count("SELECT count(*) FROM tClients"), before + (c.stored ? 1 : 0));
        if (!saved) {
            expectKept(c.what);
            EXPECT_EQ(f.LbIDCustomer->text(), QStringLiteral("-1"));
            EXPECT_TRUE(state().FlagNewEnreg);
            EXPECT_TRUE(pending(7).Insert);
            EXPECT_EQ(text("aCliNom"), name);
            EXPECT_TRUE(f.SaveChanges());
        }
        // One record, whatever reached the database before.
        EXPECT_EQ(count("SELECT count(*) FROM tClients"), before + 1);
        const QString id = f.LbIDCustomer->text();
        EXPECT_EQ(row("SELECT idClient FROM tClients WHERE CliNom = '" + name + u'\''), id);
        EXPECT_FALSE(state().FlagNewEnreg);
        EXPECT_EQ(text("aCliNom"), name);
        EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
        run->form.reset();
    }
}

TEST_F(SavingFaults, ValuesTypedAfterALostAnswerReachTheStoredRecord)
{
    auto& f = start(openVehicle("1", 1));
    const int before = count("SELECT count(*) FROM tVehicles");
    f.JvXPBtnNewVOClick();
    type("cNVO", "1777");
    pickFirst(get<toolkit::ComboBox>("cSite"));
    pickFirst(get<toolkit::ComboBox>("cInfoMarque"));
    EXPECT_FALSE(saveWith({Fault::LostAfterCommit}));
    EXPECT_EQ(count("SELECT count(*) FROM tVehicles"), before + 1);
    // The user goes on typing, then saves again: the insert is not stored a
    // second time, and what was typed since reaches the record stored first.
    type("cKMS", "12345");
    type("cImmatriculation", "ab-123-cd");
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(count("SELECT count(*) FROM tVehicles"), before + 1);
    const QString id = f.LbIdTVO->text();
    EXPECT_EQ(row("SELECT NVO, KMS, Immatriculation FROM tVehicles WHERE idTVO = " + id),
              QStringLiteral("1777|12345|AB123CD"));
    EXPECT_EQ(text("cKMS"), QStringLiteral("12345"));
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
}

TEST_F(SavingFaults, TabBarDoesNotSwitchWhenTheSaveFails)
{
    auto& f = start(openVehicle("1", 1));
    clickTab(0);
    type("cKMS", "65432");
    proxy->script({Fault::LogItem});
    clickTab(3);
    EXPECT_EQ(f.Tabs->currentIndex(), 0);
    expectKept("onglet");
    for (int key : {Qt::Key_Right, Qt::Key_Left}) {
        proxy->script({Fault::Http500});
        f.Tabs->tabBar()->setFocus();
        QTest::keyClick(f.Tabs->tabBar(), Qt::Key(key));
        EXPECT_EQ(f.Tabs->currentIndex(), 0) << key;
    }
    proxy->script({Fault::Http500});
    QTest::keyClick(f.Tabs, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(f.Tabs->currentIndex(), 0);
    EXPECT_EQ(text("cKMS"), QStringLiteral("65432"));

    proxy->script({});
    clickTab(3);
    EXPECT_EQ(f.Tabs->currentIndex(), 3);
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 1"), QStringLiteral("65432"));
}

TEST_F(SavingFaults, RefreshMessageSavesFirstAndKeepsTheRecordOnFailure)
{
    auto& f = start(openVehicle("1", 1));
    type("cKMS", "11111");
    run->set("idTVO", QStringLiteral("2"));  // the launcher asks for another vehicle
    proxy->script({Fault::Http500});
    f.OnMsgActualize();
    EXPECT_EQ(f.LbIdTVO->text(), QStringLiteral("1"));
    EXPECT_EQ(text("cKMS"), QStringLiteral("11111"));
    expectKept("rechargement");
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 1"), QStringLiteral("84500"));

    proxy->script({});
    f.OnMsgActualize();
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 1"), QStringLiteral("11111"));
    EXPECT_EQ(f.LbIdTVO->text(), QStringLiteral("2"));
    EXPECT_EQ(text("cNVO"), QStringLiteral("1202"));
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());

    // A new record that misses a mandatory field is not left either.
    f.JvXPBtnNewVOClick();
    type("cKMS", "5");
    run->set("idTVO", QStringLiteral("3"));
    f.OnMsgActualize();
    EXPECT_TRUE(state().FlagNewEnreg);
    EXPECT_EQ(text("cKMS"), QStringLiteral("5"));
    EXPECT_TRUE(f.LbDebugInfo0->text().startsWith(QString::fromUtf8("Modifications non enregistrées : les champs « N° VO »")))
        << f.LbDebugInfo0->text().toStdString();
    // Its defaults alone are no change of the user's: the record is left without a word.
    type("cKMS", QString());
    f.OnMsgActualize();
    EXPECT_EQ(f.LbIdTVO->text(), QStringLiteral("3"));
    EXPECT_FALSE(state().FlagNewEnreg);
    EXPECT_EQ(text("cNVO"), QStringLiteral("1203"));
}

TEST_F(SavingFaults, ClosingTheWindowOffersToSave)
{
    struct Case {
        const char* what;
        MsgResult answer;
        std::initializer_list<Fault> faults;
        bool closed;
        const char* stored;
    } cases[] = {
        {"annuler", MsgResult::Cancel, {}, false, "84500"},
        {"oui, en panne", MsgResult::Yes, {Fault::Http500}, false, "84500"},
        {"non", MsgResult::No, {}, true, "84500"},
        {"oui", MsgResult::Yes, {}, true, "22222"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& f = start(openVehicle("1", 1));
        type("cKMS", "22222");
        run->dialogs.shown.clear();
        run->dialogs.answers = {c.answer};
        proxy->script(c.faults);
        EXPECT_EQ(f.close(), c.closed);
        ASSERT_EQ(run->dialogs.shown.size(), 1u);
        EXPECT_EQ(run->dialogs.shown[0].text, QStringLiteral("Enregistrer les modifications ?"));
        EXPECT_EQ(run->dialogs.shown[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 1"), QString::fromLatin1(c.stored));
        if (!c.closed) {
            EXPECT_TRUE(f.isVisible());
            EXPECT_EQ(text("cKMS"), QStringLiteral("22222"));
            EXPECT_TRUE(f.JvXPBtnSave->isEnabled());
        }
        run->form.reset();
    }
    // Nothing typed: no question, also on a new record holding its defaults only.
    auto& f = start(openVehicle("2", 1));
    f.JvXPBtnNewVOClick();
    EXPECT_TRUE(f.JvXPBtnSave->isEnabled());
    run->dialogs.shown.clear();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(run->dialogs.shown.empty());
}
