// The main form as a desktop program: keyboard entry with TAB, Qt's own texts
// in French, the toolbar's pictures, the print button, the window's place
// and size, numbers read strictly from the store, an unreadable store.
#include "app/DesktopSetup.h"
#include "app/FocusOrder.h"
#include "app/TAxStanor.h"

#include "platform/MemorySettingsStore.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "TraceEntries.h"
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace stanor;
using platform::kStanorKey;

namespace {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        env.vars["Windir"] = tmp.filePath(QStringLiteral("Windows"));
        traceDir = tmp.filePath(QStringLiteral("trace"));
        QDir().mkpath(traceDir);
    }
    void set(const char* name, const QString& value) { store.writeString(kStanorKey, QString::fromLatin1(name), value); }
    app::TAxStanor& make() {
        form = std::make_unique<app::TAxStanor>(app::AppContext{store, clock, dialogs, keyboard, env, false});
        return *form;
    }
    QLineEdit* edit(QWidget* parent, const char* name, QRect at) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(at);
        return e;
    }
    // TAB as the window system delivers it: to the control that has the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(to, key, mods);
    }
    QString focused() const {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QStringLiteral("<none>");
    }

    QTemporaryDir tmp;
    QString traceDir;
    platform::MemorySettingsStore store;
    platform::ManualClock clock;
    platform::ScriptedDialogs dialogs;
    platform::ScriptedKeyboard keyboard;
    platform::ScriptedEnvironment env;
    std::unique_ptr<app::TAxStanor> form;
};

}  // namespace

TEST(FocusOrder, ControlsAreReadByLineThenFromLeftToRight) {
    const struct {
        const char* name;
        QList<QRect> rects;
        QList<int> order;
    } cases[] = {
        // Two columns: reading goes across them, line by line.
        {"columns", {{300, 10, 90, 20}, {10, 10, 90, 20}, {10, 40, 90, 20}, {300, 42, 90, 20}}, {1, 0, 2, 3}},
        // A control a few pixels lower still belongs to its line.
        {"ragged line", {{200, 14, 50, 20}, {10, 10, 50, 20}, {100, 18, 50, 20}}, {1, 2, 0}},
        // A tall memo starts a line; what is beside its lower half comes after.
        {"tall control", {{10, 10, 90, 80}, {200, 60, 90, 20}, {200, 10, 90, 20}}, {0, 2, 1}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(app::readingOrder(c.rects), c.order) << c.name;
}

TEST_F(DesktopTest, TabMovesThroughTheSheetInReadingOrderWithoutABox) {
    set("Trace", QStringLiteral("1"));
    set("TraceRepTemp", traceDir);
    QFile(traceDir + QStringLiteral("/TAXStanor.log")).open(QIODevice::WriteOnly);
    auto& f = make();
    QWidget* sheet = f.Sheet(1);
    for (QWidget* designed : sheet->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) designed->hide();
    edit(sheet, "right", {300, 10, 90, 20});
    edit(sheet, "left", {10, 10, 90, 20});
    edit(sheet, "below", {10, 40, 90, 20});
    edit(sheet, "off", {150, 40, 90, 20})->setEnabled(false);
    edit(sheet, "hidden", {200, 40, 90, 20})->hide();
    edit(sheet, "last", {300, 42, 90, 20});
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    sheet->findChild<QLineEdit*>(QStringLiteral("left"))->setFocus();
    ASSERT_EQ(focused(), QStringLiteral("left"));

    QStringList forward;
    for (int i = 0; i < 4; ++i) {
        press(Qt::Key_Tab);
        forward << focused();
    }
    EXPECT_EQ(forward, (QStringList{"right", "below", "last", "left"}));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), QStringLiteral("last"));
    // Typing goes on in the control reached.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
    EXPECT_EQ(sheet->findChild<QLineEdit*>(QStringLiteral("last"))->text(), QStringLiteral("abc"));
    EXPECT_TRUE(dialogs.shown.empty()) << "no box while a control has the focus";
    EXPECT_EQ(traceEntries(traceDir + QStringLiteral("/TAXStanor.log")).count(QStringLiteral("CMWantSpecialKey : Key TAB détecté")),
              5);
}

TEST_F(DesktopTest, CtrlTabGoesOnlyToTheSheetsShown) {
    auto& f = make();
    for (int i = 0; i < 9; ++i) f.Tabs->setTabVisible(i, i == 0 || i == 3 || i == 5);
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.Tabs->setCurrentIndex(0);
    QList<int> seen;
    for (int i = 0; i < 3; ++i) {
        press(Qt::Key_Tab, Qt::ControlModifier);
        seen << f.Tabs->currentIndex();
    }
    EXPECT_EQ(seen, (QList<int>{3, 5, 0}));
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.Tabs->currentIndex(), 5);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DesktopTest, QtsOwnTextsAreFrench) {
    ASSERT_TRUE(app::installFrenchTranslations(*QCoreApplication::instance()))
        << "Qt's French translations (qt6-translations-l10n)";
    const struct {
        const char* context;
        const char* source;
        const char* french;
    } cases[] = {
        {"QPlatformTheme", "&Yes", "&Oui"},   {"QPlatformTheme", "&No", "&Non"},
        {"QPlatformTheme", "Cancel", "Annuler"}, {"QLineEdit", "&Copy", "Cop&ier"},
        {"QLineEdit", "&Paste", "Co&ller"},   {"QLineEdit", "&Undo", "&Annuler"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QCoreApplication::translate(c.context, c.source), QString::fromUtf8(c.french)) << c.source;
    // The form's widgets take French names of months and days.
    auto& f = make();
    EXPECT_EQ(f.locale().language(), QLocale::French);
    EXPECT_EQ(QLocale().decimalPoint(), QStringLiteral(".")) << "values are still converted with a point";
}

TEST_F(DesktopTest, ToolbarButtonsHavePicturesAndThePrintButtonItsHint) {
    ASSERT_FALSE(app::chooseIconTheme().isEmpty()) << "an icon theme (tango-icon-theme)";
    auto& f = make();
    for (const char* name : {"JvXPBtnNewVO", "JvXPBtnSave", "JvXPBtnActualize", "JvXPBtnSuppr", "JvXPBtnPrint",
                             "JvXPBtnHistory", "JvXPPrev", "JvXPNext", "JvXPBtnSweep", "JvXPBtnRelances",
                             "JvXPBtnSearch"}) {
        auto* b = f.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_FALSE(b->icon().isNull()) << name;
        EXPECT_GE(b->width(), b->sizeHint().width()) << name << ": caption cut";
        EXPECT_LE(b->geometry().right(), 825) << name << ": beyond the window's edge";
    }
    EXPECT_EQ(f.JvXPBtnPrint->toolTip(), QStringLiteral("impression de la fiche du véhicule"));
    // The options label starts after the sweep button, shown or not.
    EXPECT_GT(f.LbInfoOptions->x(), f.JvXPBtnSweep->geometry().right());
    EXPECT_EQ(f.minimumSize(), QSize(825, 623)) << "shrinking would cut controls off";
}

TEST_F(DesktopTest, TheWindowComesBackWhereItWasLeft) {
    auto& f = make();
    f.resize(900, 700);
    f.move(40, 30);
    f.SaveWindowGeometry();
    const QString saved = store.readString(kStanorKey, QStringLiteral("WindowGeometry"));
    EXPECT_EQ(saved, QStringLiteral("40;30;900;700"));
    const struct {
        const char* stored;
        QSize size;
    } cases[] = {
        {"40;30;900;700", {900, 700}},
        {"40;30;300;200", {825, 623}},        // never below the designed size
        {"40;x;900;700", {825, 623}},         // spoilt by hand: ignored
        {"90000;90000;900;700", {825, 623}},  // on no screen any more: ignored
    };
    for (const auto& c : cases) {
        store.writeString(kStanorKey, QStringLiteral("WindowGeometry"), QString::fromLatin1(c.stored));
        auto& g = make();
        g.RestoreWindowGeometry();
        EXPECT_EQ(g.size(), c.size) << c.stored;
    }
}

TEST_F(DesktopTest, NumbersReadFromTheStoreRefuseBlanks) {
    const char* kReadError = "Une erreur est survenue lors de la lecture dans la base de registres.";
    const struct {
        const char* trace;
        const char* type;
        bool traceOn;
        int typeVO;
        bool error;
    } cases[] = {
        {"", "3 ", false, 0, true}, {"", " 3", false, 0, true}, {"", "+3", false, 0, true},
        {"", "3", false, 3, false}, {" 1", "", false, 0, false}, {"1 ", "", false, 0, false},
        {"1", "", true, 0, false},
    };
    for (const auto& c : cases) {
        store = {};
        dialogs.shown.clear();
        set("Trace", QString::fromLatin1(c.trace));
        set("TraceRepTemp", traceDir);
        set("idTypeVO", QString::fromLatin1(c.type));
        auto& f = make();
        const std::string label = std::string("Trace=\"") + c.trace + "\" idTypeVO=\"" + c.type + "\"";
        EXPECT_EQ(f.TraceOn, c.traceOn) << label;
        EXPECT_EQ(f.IdTypeVO, c.typeVO) << label;
        EXPECT_EQ(!dialogs.shown.empty() && dialogs.shown[0].text.startsWith(QString::fromUtf8(kReadError)), c.error)
            << label;
        EXPECT_EQ(f.ParamCount, c.error ? 0 : 12) << label;
    }
}

TEST_F(DesktopTest, WithoutTraceFolderTheAnswersGoToWindirTemp) {
    // The usual setting at a dealership: trace off, no "TraceRepTemp".
    auto& f = make();
    EXPECT_EQ(f.TraceDir, env.vars["Windir"] + QStringLiteral("\\TEMP"));
    EXPECT_EQ(f.Requests().answerPath(QStringLiteral("XmlVO.xml")),
              env.vars["Windir"] + QStringLiteral("/TEMP/XmlVO.xml"));
    // A folder written the Windows way is a path here too.
    set("TraceRepTemp", traceDir + QStringLiteral("\\sub\\"));
    auto& g = make();
    EXPECT_EQ(g.Requests().infoVO().answerFile, traceDir + QStringLiteral("/sub/XmlVO.xml"));
}

TEST_F(DesktopTest, OnlyAStoreThatCannotBeReadEndsTheProgram) {
    store.failReads = QStringLiteral("registry.reg, ligne 4 : guillemet fermant manquant");
    EXPECT_TRUE(make().SettingsUnreadable());
    store = {};
    store.writeDword(kStanorKey, QStringLiteral("Trace"), 1);  // one value of the wrong type
    EXPECT_FALSE(make().SettingsUnreadable());
    store = {};
    set("idTypeVO", QStringLiteral("x"));
    EXPECT_FALSE(make().SettingsUnreadable());
}

TEST(CommandLine, HelpAndVersionAreAnsweredBeforeAnyWindow) {
    using app::CommandLine;
    const struct {
        QStringList args;
        CommandLine expected;
    } cases[] = {
        {{}, CommandLine::Run},
        {{"--help"}, CommandLine::Help},
        {{"-platform", "offscreen", "-h"}, CommandLine::Help},
        {{"--version"}, CommandLine::Version},
        {{"/REGSERVER"}, CommandLine::Run},
    };
    for (const auto& c : cases) EXPECT_EQ(app::readCommandLine(c.args), c.expected) << c.args.join(u' ').toStdString();
    EXPECT_TRUE(app::helpText().contains(QStringLiteral("--version")));
    EXPECT_EQ(app::versionText(QStringLiteral("1.0.0.5")), QStringLiteral("ProjStanor 1.0.0.5\n"));
}

TEST(FolderPicker, ChoosesAFolderWithoutMakingRenamingOrDeletingAny) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Photos atelier")));
    platform::QtDialogs dialogs(nullptr);
    bool readOnly = false, dirsOnly = false, newFolderShown = true;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        readOnly = d->testOption(QFileDialog::ReadOnly);
        dirsOnly = d->testOption(QFileDialog::ShowDirsOnly);
        auto* newFolder = d->findChild<QWidget*>(QStringLiteral("newFolderButton"));
        newFolderShown = newFolder && newFolder->isVisibleTo(d);
        d->selectFile(dir.filePath(QStringLiteral("Photos atelier")));
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dialogs.pickFolder(QStringLiteral("Sélection du répertoire des Clichés"), dir.path()),
              dir.filePath(QStringLiteral("Photos atelier")));
    EXPECT_TRUE(readOnly);
    EXPECT_TRUE(dirsOnly);
    EXPECT_FALSE(newFolderShown);
}

TEST_F(DesktopTest, TabPassesTheDuplicateCountsBesideTheNamesAndPhones) {
    auto& f = make();
    f.Tabs->show();
    f.Tabs->setCurrentIndex(6);
    QWidget* sheet = f.Sheet(7);
    QStringList counts{"DblNom", "DblIdent", "DblTelDom", "DblMobile"};
    for (const QString& dbl : counts)  // shown for a customer being created
        sheet->findChild<QWidget*>(dbl)->show();
    QStringList stops;
    for (QWidget* w : app::tabStops(sheet)) stops << w->objectName();
    EXPECT_TRUE(stops.contains(QStringLiteral("aCliNom")));
    for (const QString& dbl : counts) EXPECT_FALSE(stops.contains(dbl)) << dbl.toStdString();
}
