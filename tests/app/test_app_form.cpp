// The main form with scripted services: run parameters, error boxes, the
// timer's countdowns and start-up sequence, the reload message, TAB and hints.
#include "app/TAxStanor.h"
#include "app/FocusOrder.h"

#include "pages/DesignedPages.h"
#include "platform/FileVersion.h"
#include "platform/MemorySettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "TraceEntries.h"
#include <memory>

using namespace stanor;
using platform::kStanorKey;

namespace {

// Records the calls to the work that later layers fill in.
class WatchedForm : public app::TAxStanor {
public:
    using TAxStanor::TAxStanor;
    QStringList calls;
    void UpdateParams() override { calls << "UpdateParams"; }
    void UpdateView(bool reload) override { calls << (reload ? "UpdateView(true)" : "UpdateView(false)"); }
    void HttpGetDblInfo() override { calls << "HttpGetDblInfo"; }
    void HttpGetSearchInfo() override { calls << "HttpGetSearchInfo"; }
    void SetProxy() override { calls << "SetProxy"; }
    void HttpDisconnect() override { calls << "HttpDisconnect"; }
};

void writeVersioned(const QString& path, const QByteArray& version) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x7f" "ELF...") + STANOR_FILE_VERSION_MARKER + version + '\0');
}

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        env.vars["Windir"] = tmp.filePath(QStringLiteral("Windows"));
        env.vars["ProgramFiles"] = tmp.filePath(QStringLiteral("Programs"));
        QDir().mkpath(env.vars["Windir"] + QStringLiteral("/TEMP"));
        traceDir = tmp.filePath(QStringLiteral("trace"));
        QDir().mkpath(traceDir);
    }
    void set(const char* name, const QString& value) { store.writeString(kStanorKey, QString::fromLatin1(name), value); }
    void traceOn() {
        set("Trace", QStringLiteral("1"));
        set("TraceRepTemp", traceDir);
        QFile f(logPath());  // the log exists, so every entry is written
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString logPath() const { return traceDir + QStringLiteral("/TAXStanor.log"); }
    // The entry texts of the log, without their date.
    QStringList logEntries() const { return traceEntries(logPath()); }
    WatchedForm& make() {
        form = std::make_unique<WatchedForm>(app::AppContext{store, clock, dialogs, keyboard, env, false});
        return *form;
    }
    int boxesWith(const QString& text) const {
        int n = 0;
        for (const auto& b : dialogs.shown) n += b.text.contains(text);
        return n;
    }

    QTemporaryDir tmp;
    QString traceDir;
    platform::MemorySettingsStore store;
    platform::ManualClock clock;
    platform::ScriptedDialogs dialogs;
    platform::ScriptedKeyboard keyboard;
    platform::ScriptedEnvironment env;
    std::unique_ptr<WatchedForm> form;
};

const QString kReadError = QStringLiteral("Une erreur est survenue lors de la lecture dans la base de registres.");

}  // namespace

TEST_F(FormTest, DesignedControlsCarryTheirNamesCaptionsAndHints) {
    auto& f = make();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Stanor "));
    EXPECT_EQ(f.size(), QSize(825, 623));
    ASSERT_EQ(f.Tabs->count(), 9);
    for (int i = 1; i <= 9; ++i) {
        const QString name = QStringLiteral("Sheet%1").arg(i, 2, 10, QChar(u'0'));
        EXPECT_EQ(f.findChild<QWidget*>(name), f.Sheet(i));
        EXPECT_EQ(f.Tabs->widget(i - 1), f.Sheet(i));
    }
    for (const char* name : {"Tabs", "LbDebugInfo0", "LbDebugInfo1", "LbDebugInfo2", "LbDebugInfo3", "LbHttpRoot",
                             "LbBaseHRef", "LbVersion", "LbIdTVO", "LbIDCustomer", "PanelWarning", "PanelSplash",
                             "LbSplash", "Panel1", "Shape1", "Timer1"})
        EXPECT_NE(f.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    const struct {
        const char* name;
        QString caption, hint;
    } buttons[] = {
        {"JvXPBtnNewVO", "VO", "nouveau véhicule"},
        {"JvXPBtnSave", "Enreg.", "enregistrement des modifications"},
        {"JvXPBtnActualize", "Actualiser", "rechargement des informations du véhicule"},
        {"JvXPBtnSuppr", "Suppr.", "suppression de l'enregistrement"},
        {"JvXPNext", ">> Enrg.Suiv.", "enregistrement suivant"},
        {"JvXPPrev", "<< Enrg.Préc.", "enregistrement précédent"},
        {"JvXPBtnSweep", "Purge VN", "suppression des enregistrements VN annulés"},
        {"JvXPBtnSearch", "Rechercher", "recherche d'un client ou d'un véhicule"},
    };
    for (const auto& b : buttons) {
        auto* w = f.findChild<QPushButton*>(QString::fromLatin1(b.name));
        ASSERT_NE(w, nullptr) << b.name;
        EXPECT_EQ(w->text(), b.caption) << b.name;
        EXPECT_EQ(w->toolTip(), b.hint) << b.name;
    }
    EXPECT_FALSE(f.JvXPNext->isEnabled());
    EXPECT_FALSE(f.JvXPPrev->isEnabled());
    EXPECT_TRUE(f.JvXPBtnSweep->isHidden());
    EXPECT_EQ(f.Timer1->interval(), 250);
    EXPECT_FALSE(f.PanelSplash->isHidden());
    EXPECT_TRUE(f.PanelSearch->isHidden());
    EXPECT_TRUE(f.PanelWarning->isHidden());
}

TEST_F(FormTest, EmptyKeyGivesEmptyParametersAndTwelveSetterCalls) {
    auto& f = make();
    EXPECT_TRUE(store.keyExists(kStanorKey)) << "the key is created";
    EXPECT_EQ(f.ParamCount, 12);
    EXPECT_FALSE(f.TraceOn);
    EXPECT_EQ(f.TraceDir, env.vars["Windir"] + QStringLiteral("\\TEMP"));
    EXPECT_EQ(f.IdTypeVO, 0);
    EXPECT_EQ(f.IdTVO(), QString());
    EXPECT_EQ(f.BaseHRef, QString());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(QFile::exists(logPath()));
}

TEST_F(FormTest, SettersKeepEachParameterWhereItIsRead) {
    const char* names[] = {"HttpRoot", "BaseHRef", "idTVO", "OCXName", "OCXVersion", "URLImages",
                           "idUser", "UserConcession", "UserSite", "WhereClause", "OrderClause", "idClient"};
    for (const char* n : names) set(n, QStringLiteral("v-") + QString::fromLatin1(n));
    set("UserSite", QStringLiteral("NORD;SUD é 中"));
    auto& f = make();
    EXPECT_EQ(f.HttpRoot(), "v-HttpRoot");
    EXPECT_EQ(f.LbHttpRoot->text(), "v-HttpRoot");
    EXPECT_EQ(f.BaseHRef, "v-BaseHRef");
    EXPECT_EQ(f.LbBaseHRef->text(), "v-BaseHRef");
    EXPECT_EQ(f.LbIdTVO->text(), "v-idTVO");
    EXPECT_EQ(f.OCXName, "v-OCXName");
    EXPECT_EQ(f.OCXVersion, "v-OCXVersion");
    EXPECT_EQ(f.URLImages, "v-URLImages");
    EXPECT_EQ(f.IdUser, "v-idUser");
    EXPECT_EQ(f.UserConcession, "v-UserConcession");
    EXPECT_EQ(f.UserSite, QStringLiteral("NORD;SUD é ?")) << "kept as single-byte text";
    EXPECT_EQ(f.WhereClause, "v-WhereClause");
    EXPECT_EQ(f.OrderClause, "v-OrderClause");
    EXPECT_EQ(f.LbIDCustomer->text(), "v-idClient");
    EXPECT_EQ(f.idClient(), "v-idClient");
    EXPECT_EQ(f.idtvo(QStringLiteral("77")), 0);
    EXPECT_EQ(f.IdTVO(), "77");
    EXPECT_EQ(f.ParamCount, 13);
}

TEST_F(FormTest, TraceAndTypeValuesFollowTheirConversionRules) {
    const struct {
        const char* trace;
        const char* type;
        bool traceOn;
        int typeVO;
        bool error;
        int paramCount;
    } cases[] = {
        {"1", "3", true, 3, false, 12},   {"yes", "", false, 0, false, 12}, {"0", "2", false, 2, false, 12},
        {"", "1", false, 1, false, 12},   {"12", "", true, 0, false, 12},   {"-1", "", false, 0, false, 12},
        {"", "x", false, 0, true, 0},     {"", "-3", false, 0, true, 0},
    };
    for (const auto& c : cases) {
        store = {};
        dialogs.shown.clear();
        set("Trace", QString::fromLatin1(c.trace));
        set("TraceRepTemp", traceDir);
        set("idTypeVO", QString::fromLatin1(c.type));
        set("idTVO", QStringLiteral("55"));
        auto& f = make();
        const std::string label = std::string("Trace=") + c.trace + " idTypeVO=" + c.type;
        EXPECT_EQ(f.TraceOn, c.traceOn) << label;
        EXPECT_EQ(f.IdTypeVO, c.typeVO) << label;
        EXPECT_EQ(f.ParamCount, c.paramCount) << label;
        EXPECT_EQ(boxesWith(kReadError), c.error ? 1 : 0) << label;
        EXPECT_EQ(f.IdTVO(), c.error ? QString() : QStringLiteral("55")) << "no value after the fault is read";
    }
}

TEST_F(FormTest, AValueOfAnotherTypeStopsTheReadingWithTheErrorBox) {
    store.writeDword(kStanorKey, QStringLiteral("Trace"), 1);
    auto& f = make();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(kReadError));
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("\"Trace\""))) << "the box names the fault";
    EXPECT_EQ(dialogs.shown[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(f.ParamCount, 0);
    EXPECT_FALSE(f.TraceOn) << "a DWORD is an error, not 0";

    // A fault in the last value: eleven setters ran, the start-up never comes.
    store = {};
    dialogs.shown.clear();
    store.writeDword(kStanorKey, QStringLiteral("idClient"), 5);
    auto& g = make();
    EXPECT_EQ(g.ParamCount, 11);
    EXPECT_EQ(boxesWith(kReadError), 1);
    g.Timer1Timer();
    EXPECT_EQ(g.StartCount, 0);
    EXPECT_TRUE(g.calls.isEmpty());

    // An unreadable store is named the same way.
    store = {};
    dialogs.shown.clear();
    store.failReads = QStringLiteral("registry.reg, ligne 3 : valeur invalide");
    auto& h = make();
    EXPECT_EQ(h.ParamCount, 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("ligne 3")));
}

TEST_F(FormTest, SetterNamesAreTracedAndOnStartTwiceAddsTwelveMore) {
    traceOn();
    auto& f = make();
    EXPECT_EQ(logEntries(), kSetterNames);
    f.OnMsgActualize();
    EXPECT_EQ(f.ParamCount, 24);
    EXPECT_EQ(logEntries(), kSetterNames + kSetterNames);
    EXPECT_EQ(f.calls, (QStringList{"HttpDisconnect", "UpdateParams", "UpdateView(true)"}));
}

TEST_F(FormTest, SetterFailingToTraceStopsTheReading) {
    set("Trace", QStringLiteral("1"));
    set("TraceRepTemp", tmp.filePath(QStringLiteral("no-such-folder")));
    auto& f = make();
    EXPECT_EQ(f.ParamCount, 1) << "the first setter counted itself, then its trace failed";
    ASSERT_EQ(boxesWith(kReadError), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("HttpRoot")));
}

TEST_F(FormTest, FirstTickAfterTheParametersRunsTheStartupSequenceOnce) {
    traceOn();
    set("HttpRoot", QStringLiteral("http://h/"));
    set("BaseHRef", QStringLiteral("http://h/app/"));
    set("idTVO", QStringLiteral("42"));
    set("URLImages", QStringLiteral("http://h/img/"));
    set("OCXName", QStringLiteral("Stanor.ocx"));
    set("OCXVersion", QStringLiteral("1,0,0,5"));
    writeVersioned(env.vars["Windir"] + QStringLiteral("/Downloaded Program Files/Stanor.ocx"), "1.0.0.5");
    writeVersioned(env.vars["ProgramFiles"] + QStringLiteral("/Stanor/ProjStanor.exe"), "2.0.0.1");
    auto& f = make();
    EXPECT_EQ(f.LbSplash->text(), QStringLiteral("Stanor - Version 2,0,0,1")) << "version of the installed program";
    EXPECT_EQ(f.LbDebugInfo1->text(), QStringLiteral("Démarrage de AxStanor..."));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    f.Timer1Timer();
    EXPECT_EQ(f.calls, (QStringList{"SetProxy", "UpdateParams", "UpdateView(true)"}));
    EXPECT_EQ(logEntries().mid(12), QStringList{"on TimerOK : "});
    EXPECT_EQ(f.LbVersion->text(), QStringLiteral("TAxStanor-1,0,0,5-"));
    EXPECT_FALSE(f.LbVersionIsRed());
    EXPECT_EQ(f.LbSplash->text(), QString());
    EXPECT_TRUE(f.PanelSplash->isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(f.LbDebugInfo3->text(), QStringLiteral("[12]http://h/ - http://h/app/ - 42 - http://h/img/"));

    for (int i = 0; i < 10; ++i) f.Timer1Timer();
    EXPECT_EQ(f.calls.size(), 3) << "the start-up sequence runs once per process";
    EXPECT_EQ(f.StartCount, 11);

    // The refresh message re-reads the store even when nothing changed.
    set("OCXVersion", QStringLiteral("1.0.0.5"));
    f.OnMsgActualize();
    EXPECT_EQ(f.OCXVersion, QStringLiteral("1.0.0.5"));
    EXPECT_EQ(f.calls.mid(3), (QStringList{"HttpDisconnect", "UpdateParams", "UpdateView(true)"}));
    EXPECT_TRUE(f.PanelSplash->isHidden());
}

TEST_F(FormTest, VersionDifferentFromTheExpectedOneTurnsRed) {
    set("OCXName", QStringLiteral("Stanor.ocx"));
    set("OCXVersion", QStringLiteral("1.0.0.5"));  // dots, not commas
    writeVersioned(env.vars["Windir"] + QStringLiteral("/Downloaded Program Files/Stanor.ocx"), "1.0.0.5");
    auto& f = make();
    f.Timer1Timer();
    EXPECT_TRUE(f.LbVersionIsRed());
    EXPECT_EQ(f.LbVersion->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

TEST_F(FormTest, StartupWaitsUntilAReloadCompletesTheParameters) {
    set("idTypeVO", QStringLiteral("x"));
    auto& f = make();
    f.Timer1Timer();
    EXPECT_TRUE(f.calls.isEmpty());
    EXPECT_FALSE(f.PanelSplash->isHidden()) << "the splash stays up";
    set("idTypeVO", QStringLiteral("1"));
    f.OnMsgActualize();
    EXPECT_EQ(f.ParamCount, 12);
    f.calls.clear();
    f.Timer1Timer();
    EXPECT_EQ(f.calls, (QStringList{"SetProxy", "UpdateParams", "UpdateView(true)"}));
}

TEST_F(FormTest, TicksCountIdleSecondsCountdownsAndBlinking) {
    auto& f = make();
    f.calls.clear();
    f.StartCount = 1;  // past the start-up sequence
    f.DblDelay = 2;
    f.SearchDelay = 1;
    f.Blinking = true;
    std::vector<bool> shapeShown;
    for (int tick = 1; tick <= 8; ++tick) {
        f.Timer1Timer();
        shapeShown.push_back(!f.Shape1->isHidden());
        if (tick == 1) { EXPECT_EQ(f.calls, QStringList{"HttpGetSearchInfo"}); }
        if (tick == 2) { EXPECT_EQ(f.calls, (QStringList{"HttpGetSearchInfo", "HttpGetDblInfo"})); }
    }
    EXPECT_EQ(f.calls.size(), 2) << "each countdown fires once, on its 1 to 0 step";
    EXPECT_EQ(f.DblDelay, 0);
    EXPECT_EQ(f.IdleSeconds, 2);
    EXPECT_EQ(f.TimerTicks, 0);
    // Toggled on blink ticks 1, 4 and 7.
    EXPECT_EQ(shapeShown, (std::vector<bool>{true, true, true, false, false, false, true, true}));

    f.IdleSeconds = 0;
    f.Timer1Timer();
    EXPECT_EQ(f.IdleSeconds, 0);
    EXPECT_EQ(f.TimerTicks, 1);
}

TEST_F(FormTest, TabIsInterceptedAndOtherKeysPass) {
    traceOn();
    auto& f = make();
    auto* edit = new QLineEdit(f.Sheet(1));
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(edit, &tab);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Tab intercepté!"));
    EXPECT_EQ(logEntries().last(), QStringLiteral("CMWantSpecialKey : Key TAB détecté"));
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(edit, &a);
    EXPECT_EQ(edit->text(), QStringLiteral("a"));
    EXPECT_EQ(f.CMWantSpecialKey(13), 0);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(FormTest, HintsShowTheirLongPart) {
    auto& f = make();
    const struct {
        const char* hint;
        const char* shown;
    } cases[] = {{"court|long texte", "long texte"}, {"sans barre", "sans barre"}, {"|", ""}, {"", ""}};
    for (const auto& c : cases) {
        f.GestionHints(QString::fromUtf8(c.hint));
        EXPECT_EQ(f.LbDebugInfo3->text(), QString::fromUtf8(c.shown)) << c.hint;
    }
}

TEST_F(FormTest, RememberedChoicesNeverReportErrors) {
    auto& f = make();
    f.SetTagRegistry(QStringLiteral("svText1"), QStringLiteral("Dupont"));
    EXPECT_EQ(f.GetTagRegistry(QStringLiteral("svText1")), QStringLiteral("Dupont"));
    EXPECT_EQ(f.GetTagRegistry(QStringLiteral("sAct2")), QString());
    store.writeDword(kStanorKey, QStringLiteral("sAct3"), 4);
    EXPECT_EQ(f.GetTagRegistry(QStringLiteral("sAct3")), QString());
    store.failWrites = QStringLiteral("lecture seule");
    EXPECT_NO_THROW(f.SetTagRegistry(QStringLiteral("svText2"), QStringLiteral("x")));
    store.failReads = QStringLiteral("illisible");
    EXPECT_EQ(f.GetTagRegistry(QStringLiteral("svText1")), QString());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FormTest, SuperAdministratorsSeeTheDebugLabels) {
    auto& f = make();
    QLabel* debug[] = {f.LbDebugInfo1, f.LbDebugInfo2, f.LbDebugInfo3, f.LbHttpRoot, f.LbBaseHRef};
    for (QLabel* l : debug) EXPECT_TRUE(l->isHidden()) << l->objectName().toStdString();
    EXPECT_FALSE(f.LbDebugInfo0->isHidden());
    f.SetSuperAdminDisplay(true);
    for (QLabel* l : debug) {
        EXPECT_FALSE(l->isHidden()) << l->objectName().toStdString();
        EXPECT_LE(l->geometry().bottom(), f.height()) << "inside the stretched form";
    }
    EXPECT_EQ(f.height(), f.JvXPNext->y() + f.JvXPNext->height() + 75);
    f.SetSuperAdminDisplay(false);
    EXPECT_EQ(f.height(), 623);
    EXPECT_TRUE(f.LbDebugInfo2->isHidden());
}

TEST_F(FormTest, TabAfterABoxLeftNoWindowActiveMovesOnWithoutTheBox) {
    auto& f = make();
    f.Tabs->show();
    auto* edit = new QLineEdit(f.Sheet(1));
    edit->setGeometry(10, 10, 80, 20);
    f.show();
    QApplication::setActiveWindow(&f);
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QWidget* next = app::nextTabStop(f.Sheet(1), edit, true);
    ASSERT_NE(next, nullptr);
    // A box took the activation and, closed without a window manager, gave it to no window.
    {
        QWidget box;
        box.show();
        QApplication::setActiveWindow(&box);
    }
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QApplication::focusWidget(), nullptr);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(edit, &tab);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text.toStdString();
    EXPECT_EQ(f.focusWidget(), next);
}

TEST_F(FormTest, AWarningOfThreeLinesShowsUnderTheHeaderAndCanBePutAway) {
    auto& f = make();
    f.show();
    const QString error = QStringLiteral("Le service de données ne répond pas (connexion refusée) : la fiche demandée "
                                         "n'a pas pu être chargée\nConnexion refusée\nhttp://127.0.0.1:1/AxInfoVO");
    f.setRequestError(error);
    EXPECT_FALSE(f.PanelWarning->isHidden());
    EXPECT_EQ(f.PanelWarning->geometry(), QRect(0, 0, 825, 81));
    // Every line readable: inside the panel, below the header edits in front of it.
    const QRect text = f.LbWarning->geometry().translated(f.PanelWarning->pos());
    EXPECT_GE(f.LbWarning->height(), 3 * f.LbWarning->fontMetrics().lineSpacing());
    EXPECT_LE(text.bottom(), f.PanelWarning->geometry().bottom());
    for (QWidget* w : f.findChildren<QWidget*>()) {
        if (!w->objectName().startsWith(QLatin1String("xcInfo")) && w->objectName() != QLatin1String("xcIdentity"))
            continue;
        EXPECT_FALSE(QRect(w->mapTo(&f, QPoint(0, 0)), w->size()).intersects(text)) << w->objectName().toStdString();
    }
    // Put away, the tab bar and the search button are within reach again; the
    // status line keeps the error, and the next error shows the panel again.
    f.BtnWarningClose->click();
    EXPECT_TRUE(f.PanelWarning->isHidden());
    EXPECT_EQ(f.LbDebugInfo0->text(), error);
    f.setRequestError(QStringLiteral("Exception : autre erreur"));
    EXPECT_FALSE(f.PanelWarning->isHidden());
    f.setRequestError(QString());
    EXPECT_TRUE(f.PanelWarning->isHidden());
}

TEST_F(FormTest, DestroyingTheFormWithTheFocusInAFieldRunsNoHandler) {
    auto& f = make();
    auto* layer = pages::DesignedPages::of(f.Tabs);
    ASSERT_NE(layer, nullptr);
    int calls = 0;
    layer->handlers().set(QStringLiteral("cDateEntreeExit"), [&](pages::EventArgs&) { ++calls; });
    layer->handlers().set(QStringLiteral("cDateEntreeChange"), [&](pages::EventArgs&) { ++calls; });
    f.Tabs->show();
    f.show();
    QApplication::setActiveWindow(&f);
    QWidget* date = f.findChild<QWidget*>(QStringLiteral("cDateEntree"));
    ASSERT_NE(date, nullptr);
    date->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), date);
    calls = 0;
    form.reset();  // the date loses its focus while the form's state is already gone
    EXPECT_EQ(calls, 0);
}
