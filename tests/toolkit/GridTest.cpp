// The editable grid driven as a user drives it: mouse and keys on the real
// widget, offscreen. Each case records the grid's events in order.
#include "toolkit/Controls.h"
#include "toolkit/Grid.h"
#include "toolkit/WordCompletion.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace stanor::toolkit;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

enum Col { Icon, Id, DateCol, LabelCol, Account, Type, Amount, Note };

// A grid shaped like the cost grid: two stored lines.
struct CostGrid {
    QWidget window;
    Grid grid{&window};
    QLineEdit other{&window};  // the rest of the sheet
    QStringList log;
    std::function<bool(int row, int col, const QString& value)> acceptIf = [](int, int, const QString&) { return true; };
    std::function<bool(int row, int col)> moveIf = [](int, int) { return true; };
    std::function<void(int row, int col)> onClick = [](int, int) {};

    CostGrid() {
        grid.setColumns({
            {.name = "IconColumn", .kind = ColumnKind::Image, .width = 22},
            {.name = "idFrevo", .readOnly = true},
            {.name = "DateFrevo", .kind = ColumnKind::Date},
            {.name = "LibelleFrevo", .kind = ColumnKind::ComboText, .maxLength = 50,
             .words = {"Lavage", "Lustrage", "Pneus avant"}},
            {.name = "NComptable", .maxLength = 10},
            {.name = "TypeFrevo", .kind = ColumnKind::Combo, .items = {"interne", "externe", "fixe"}},
            {.name = "MontantHT", .kind = ColumnKind::Number, .displayFormat = "#,##0.00"},
            {.name = "Note", .kind = ColumnKind::Memo},
        });
        const char* lines[2][8] = {{"", "11", "05/01/2026", "Lavage", "", "interne", "35.00", ""},
                                   {"", "12", "06/01/2026", "Pneus", "F-778", "ancien", "1234.50", ""}};
        for (int r = 0; r < 2; ++r) {
            for (int c = Id; c <= Note; ++c) grid.setCell(r, c, QString::fromUtf8(lines[r][c]));
            grid.setImage(r, Icon, 0, QStringLiteral("pour supprimer ce Frevo"));
        }
        QObject::connect(&grid, &Grid::cellEdit, [this](int r, int c, const QString& v) { add("edit", r, c, v); });
        QObject::connect(&grid, &Grid::editAccept, [this](int r, int c, const QString& v, bool& accept) {
            accept = acceptIf(r, c, v);
            add(accept ? "accept" : "refuse", r, c, v);
        });
        QObject::connect(&grid, &Grid::cellChange, [this](int r, int c) { add("change", r, c, grid.cell(r, c)); });
        QObject::connect(&grid, &Grid::afterEdit, [this](int r, int c) { add("after", r, c); });
        QObject::connect(&grid, &Grid::beforeSelect, [this](int r, int c, bool& allow) {
            allow = moveIf(r, c);
            add(allow ? "leave" : "stay", r, c);
        });
        QObject::connect(&grid, &Grid::selectCell, [this](int r, int c) { add("select", r, c); });
        QObject::connect(&grid, &Grid::cellClick, [this](int r, int c) {
            add("click", r, c);
            onClick(r, c);
        });
        window.resize(720, 240);
        grid.setGeometry(0, 0, 700, 200);
        other.setGeometry(0, 210, 100, 20);
        window.show();
        window.activateWindow();
        grid.setFocus();
        QCoreApplication::processEvents();
        grid.setCurrentCell(0, DateCol);
        log.clear();
    }

    void add(const char* what, int r, int c) { log << QStringLiteral("%1 %2,%3").arg(QLatin1String(what)).arg(r).arg(c); }
    void add(const char* what, int r, int c, const QString& v) {
        add(what, r, c);
        log.last() += u' ' + v;
    }
    QPoint at(int r, int c) const { return grid.visualRect(grid.model()->index(r, c)).center(); }
    void click(int r, int c) { QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at(r, c)); }
    // As the window system sends a double click: press, release, press, double click, release.
    void doubleClick(int r, int c) {
        static quint64 time = 1'000'000;
        time += 10'000;
        const QPoint pos = at(r, c);
        const QPoint global = grid.viewport()->mapToGlobal(pos);
        int step = 0;
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent e(type, pos, global, Qt::LeftButton, held, {});
            e.setTimestamp(time + quint64(step++));
            QApplication::sendEvent(grid.viewport(), &e);
        }
    }
    // Keys go where the user's keyboard sends them: the open editor, else the grid.
    QWidget* keyTarget() { return grid.inplaceEditor() ? grid.inplaceEditor() : static_cast<QWidget*>(&grid); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(keyTarget(), k, m); }
    void type(const QString& text) {
        for (QChar ch : text) QTest::keyClick(keyTarget(), ch.toLatin1());
    }
    QString shown(int r, int c) const { return grid.model()->index(r, c).data(Qt::DisplayRole).toString(); }
};

}  // namespace

// How an edit begins, what is typed, how it ends, and what the handler
// answers: the cell's text, whether the editor is still open and the events.
TEST(Grid, EditsEndAsTheKeysAndTheHandlerSay) {
    enum End { Enter, Escape, Tab, Down, ClickElsewhere, LeaveGrid };
    struct Case {
        const char* name;
        int col;
        std::function<void(CostGrid&)> start;
        const char* typed;
        End end;
        bool refuse;
        const char* cell;      // row 0 afterwards
        bool stillEditing;
        const char* events;    // from the edit on
    };
    auto f2 = [](CostGrid& g) { g.key(Qt::Key_F2); };
    auto enter = [](CostGrid& g) { g.key(Qt::Key_Return); };
    auto none = [](CostGrid&) {};  // typing starts the edit
    const Case cases[] = {
        {"amount with a decimal comma", Amount, f2, "\b\b\b\b\b12,5", Enter, false, "12.5", false,
         "edit 0,6 35.00|accept 0,6 12.5|change 0,6 12.5|after 0,6"},
        {"typing replaces the amount", Amount, none, "1 234,5", Enter, false, "1234.5", false,
         "edit 0,6 35.00|accept 0,6 1234.5|change 0,6 1234.5|after 0,6"},
        {"refused date stays in edit", DateCol, none, "01012019", Enter, true, "05/01/2026", true,
         "edit 0,2 05/01/2026|refuse 0,2 01/01/2019"},
        {"refused date, then Escape restores", DateCol, none, "01012019", Escape, true, "05/01/2026", false,
         "edit 0,2 05/01/2026|refuse 0,2 01/01/2019|after 0,2"},
        {"Escape keeps the value", Account, enter, "X99", Escape, false, "", false, "edit 0,4 |after 0,4"},
        {"same text: accepted, no change", LabelCol, f2, "", Enter, false, "Lavage", false,
         "edit 0,3 Lavage|accept 0,3 Lavage|after 0,3"},
        {"account number cut at its length", Account, f2, "ABCDEFGHIJKLM", Enter, false, "ABCDEFGHIJ", false,
         "edit 0,4 |accept 0,4 ABCDEFGHIJ|change 0,4 ABCDEFGHIJ|after 0,4"},
        {"date emptied", DateCol, f2, "\b\b\b\b\b\b\b\b\b\b", Enter, false, "", false,
         "edit 0,2 05/01/2026|accept 0,2 |change 0,2 |after 0,2"},
        {"Tab accepts and edits the next cell", LabelCol, f2, "Jantes", Tab, false, "Jantes", true,
         "edit 0,3 Lavage|accept 0,3 Jantes|change 0,3 Jantes|after 0,3|leave 0,4|select 0,4|edit 0,4 "},
        {"Down accepts and moves down", DateCol, f2, "", Down, false, "05/01/2026", false,
         "edit 0,2 05/01/2026|accept 0,2 05/01/2026|after 0,2|leave 1,2|select 1,2"},
        {"a click elsewhere accepts first", Amount, none, "7", ClickElsewhere, false, "7", false,
         "edit 0,6 35.00|accept 0,6 7|change 0,6 7|after 0,6|leave 1,3|select 1,3|click 1,3"},
        {"a refused click elsewhere stays in edit", Amount, none, "7", ClickElsewhere, true, "35.00", true,
         "edit 0,6 35.00|refuse 0,6 7"},
        {"leaving the grid accepts", Account, none, "F-9", LeaveGrid, false, "F-9", false,
         "edit 0,4 |accept 0,4 F-9|change 0,4 F-9|after 0,4"},
        {"leaving the grid refused keeps the edit", Account, none, "F-9", LeaveGrid, true, "", true,
         "edit 0,4 |refuse 0,4 F-9"},
    };
    for (const Case& c : cases) {
        CostGrid g;
        g.acceptIf = [&](int, int, const QString&) { return !c.refuse; };
        g.grid.setCurrentCell(0, c.col);
        c.start(g);
        for (QChar ch : QString::fromUtf8(c.typed))
            ch == u'\b' ? g.key(Qt::Key_Backspace) : g.type(QString(ch));
        switch (c.end) {
        case Enter: g.key(Qt::Key_Return); break;
        case Escape:
            if (c.refuse) g.key(Qt::Key_Return);
            g.key(Qt::Key_Escape);
            break;
        case Tab: g.key(Qt::Key_Tab); break;
        case Down: g.key(Qt::Key_Down); break;
        case ClickElsewhere: g.click(1, LabelCol); break;
        case LeaveGrid: g.other.setFocus(); break;
        }
        EXPECT_EQ(g.grid.cell(0, c.col), QString::fromUtf8(c.cell)) << c.name;
        EXPECT_EQ(g.grid.isEditing(), c.stillEditing) << c.name;
        EXPECT_EQ(g.log.join(u'|').toStdString(), c.events) << c.name;
    }
}

TEST(Grid, AmountsAreShownWithTheirFormat) {
    struct Case { const char* typed; const char* stored; } numbers[] = {
        {"12,5", "12.5"},         {"1 234,50", "1234.50"}, {"1,234.5", "1234.5"},
        {"-0,5", "-0.5"},         {"abc", "abc"},          {"", ""},
        {"1\u00a0000,25", "1000.25"},
        // French typing: the last mark is the decimal one.
        {"1.500,00", "1500.00"},  {"1500,5", "1500.5"},    {"1500.50", "1500.50"},
        {"1.234.567", "1234567"}, {"1-50", "1-50"},       {"1,5,0", "1,5,0"},
    };
    for (auto n : numbers)
        EXPECT_EQ(normalizeNumber(QString::fromUtf8(n.typed)), QString::fromUtf8(n.stored)) << n.typed;

    CostGrid g;
    EXPECT_EQ(g.shown(1, Amount), QStringLiteral("1,234.50"));
    g.grid.setCell(0, Amount, QStringLiteral("-1234567.456"));
    EXPECT_EQ(g.shown(0, Amount), QStringLiteral("-1,234,567.46"));
    EXPECT_EQ(g.shown(0, Icon), QString());  // an image cell shows no text
}

// Every user move asks first; a refusal keeps the current cell and makes no click.
TEST(Grid, BeforeSelectGuardsEveryUserMove) {
    struct Case {
        const char* name;
        bool allow;
        std::function<void(CostGrid&)> move;
        int row, col;  // current cell afterwards
        const char* events;
    };
    const Case cases[] = {
        {"click", true, [](CostGrid& g) { g.click(1, LabelCol); }, 1, LabelCol, "leave 1,3|select 1,3|click 1,3"},
        {"refused click", false, [](CostGrid& g) { g.click(1, LabelCol); }, 0, DateCol, "stay 1,3"},
        {"refused double click", false, [](CostGrid& g) { g.doubleClick(1, LabelCol); }, 0, DateCol, "stay 1,3"},
        {"arrow down", true, [](CostGrid& g) { g.key(Qt::Key_Down); }, 1, DateCol, "leave 1,2|select 1,2"},
        {"refused arrow", false, [](CostGrid& g) { g.key(Qt::Key_Down); }, 0, DateCol, "stay 1,2"},
        {"refused Tab stays in the grid", false, [](CostGrid& g) { g.key(Qt::Key_Tab); }, 0, DateCol, "stay 0,3"},
        {"click on the current cell", false, [](CostGrid& g) { g.click(0, DateCol); }, 0, DateCol, "click 0,2"},
        {"moved by code", false, [](CostGrid& g) { g.grid.setCurrentCell(1, Note); }, 1, Note, ""},
        {"drag to another cell", true,
         [](CostGrid& g) {
             QTest::mousePress(g.grid.viewport(), Qt::LeftButton, {}, g.at(0, DateCol));
             QTest::mouseMove(g.grid.viewport(), g.at(1, DateCol));
             QTest::mouseRelease(g.grid.viewport(), Qt::LeftButton, {}, g.at(1, DateCol));
         },
         0, DateCol, ""},
        {"typing on a cell without editor searches nothing", true,
         [](CostGrid& g) {
             g.grid.setCurrentCell(0, Id);
             g.type(QStringLiteral("12"));
         },
         0, Id, ""},
    };
    for (const Case& c : cases) {
        CostGrid g;
        g.moveIf = [&](int, int) { return c.allow; };
        c.move(g);
        EXPECT_EQ(g.grid.currentRow(), c.row) << c.name;
        EXPECT_EQ(g.grid.currentColumn(), c.col) << c.name;
        EXPECT_EQ(g.log.join(u'|').toStdString(), c.events) << c.name;
        EXPECT_FALSE(g.grid.isEditing()) << c.name;
    }

    // A handler that refuses and selects the cell to fill first (an action
    // line left incomplete) has the last word.
    CostGrid g;
    g.moveIf = [&](int, int) {
        g.grid.setCurrentCell(1, Note);
        return false;
    };
    g.click(0, Amount);
    g.grid.setCurrentCell(0, DateCol);
    g.key(Qt::Key_Right);
    EXPECT_EQ(g.log.join(u'|').toStdString(), "stay 0,6|stay 0,3");
    EXPECT_EQ(g.grid.currentRow(), 1);
    EXPECT_EQ(g.grid.currentColumn(), Note);
}

TEST(Grid, ImageColumnClicksOnceAndShowsItsHint) {
    CostGrid g;
    g.grid.setImage(1, Icon, 2);
    EXPECT_EQ(g.grid.model()->index(0, Icon).data(Qt::ToolTipRole).toString(), QStringLiteral("pour supprimer ce Frevo"));
    EXPECT_FALSE(g.grid.model()->index(1, Icon).data(Qt::ToolTipRole).isValid());
    EXPECT_FALSE(g.grid.model()->index(1, Icon).data(Qt::DecorationRole).isNull());

    // The handler deletes the line and reloads the grid, as a deletion does.
    g.onClick = [&](int r, int c) {
        if (c != Icon) return;
        g.grid.setRowCount(0);
        g.grid.setCell(0, Id, QString::number(r + 100));
    };
    g.doubleClick(1, Icon);
    EXPECT_EQ(g.log.join(u'|').toStdString(), std::string("leave 1,0|select 1,0|click 1,0"));
    EXPECT_EQ(g.grid.rowCount(), 1);
    EXPECT_FALSE(g.grid.isEditing());

    g.log.clear();
    g.grid.setCurrentCell(0, Icon);
    g.key(Qt::Key_Space);  // the keyboard's click
    g.key(Qt::Key_Return);  // no editor on an image
    EXPECT_EQ(g.log.join(u'|').toStdString(), std::string("click 0,0"));
    EXPECT_FALSE(g.grid.isEditing());
}

// A cell disabled by rights or by its column opens no editor, however the edit starts.
TEST(Grid, DisabledCellsOpenNoEditor) {
    struct Case { const char* name; std::function<void(Grid&)> disable; int col; int stillEditable; } cases[] = {
        {"cell", [](Grid& g) { g.setCellEnabled(0, Amount, false); }, Amount, Amount},
        {"column", [](Grid& g) { g.setColumnEnabled(Type, false); }, Type, DateCol},
        {"empty cell", [](Grid& g) { g.setCellEmpty(0, Account, true); }, Account, Account},
        {"read-only column", [](Grid&) {}, Id, DateCol},
    };
    for (const Case& c : cases) {
        CostGrid g;
        g.grid.setCell(0, Account, QStringLiteral("F-1"));
        c.disable(g.grid);
        g.grid.setCurrentCell(0, c.col);
        g.key(Qt::Key_F2);
        g.key(Qt::Key_Return);
        g.type(QStringLiteral("9"));
        g.doubleClick(0, c.col);
        EXPECT_FALSE(g.grid.isEditing()) << c.name;
        EXPECT_FALSE(g.grid.editCell(0, c.col)) << c.name;
        EXPECT_TRUE(g.grid.editCell(1, c.stillEditable)) << c.name << ": the rest stays editable";
    }
    CostGrid g;
    g.grid.setCellEmpty(0, Account, true);
    g.grid.setCell(0, Account, QStringLiteral("F-1"));
    EXPECT_EQ(g.shown(0, Account), QStringLiteral("F-1"));  // greyed, never taken for a blank line
    EXPECT_EQ(g.grid.model()->index(0, Account).data(Qt::ForegroundRole).value<QBrush>().color(),
              QPalette().color(QPalette::Disabled, QPalette::Text));
    EXPECT_EQ(g.grid.cell(0, Account), QStringLiteral("F-1"));
}

TEST(Grid, EditorsOfEachKind) {
    CostGrid g;
    // A label completes from the column's words; the edit handler sees the editor.
    QWidget* seen = nullptr;
    QObject::connect(&g.grid, &Grid::cellEdit, [&] { seen = g.grid.inplaceEditor(); });
    g.grid.setCurrentCell(1, LabelCol);
    g.type(QStringLiteral("lu"));
    ASSERT_NE(qobject_cast<ComboBox*>(seen), nullptr);
    EXPECT_EQ(static_cast<ComboBox*>(seen)->text().toLower(), QStringLiteral("lustrage"));  // completed while typing
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.grid.cell(1, LabelCol), QStringLiteral("Lustrage"));

    // A completion attached by the handler replaces the column's words.
    WordCompletion suppliers;
    suppliers.setWords({QStringLiteral("Garage Martin")});
    QObject::connect(&g.grid, &Grid::cellEdit, [&] { suppliers.attach(qobject_cast<QComboBox*>(g.grid.inplaceEditor())); });
    g.grid.setCurrentCell(0, LabelCol);
    g.type(QStringLiteral("ga"));
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.grid.cell(0, LabelCol), QStringLiteral("Garage Martin"));

    // A list keeps a text that is none of its items unless another is chosen;
    // items loaded into the column after its creation are offered.
    g.grid.columnByName(QStringLiteral("TypeFrevo"))->items << QStringLiteral("garantie");
    g.grid.editCell(1, Type);
    ASSERT_NE(qobject_cast<ComboBox*>(g.grid.inplaceEditor()), nullptr);
    EXPECT_TRUE(static_cast<ComboBox*>(g.grid.inplaceEditor())->isListOnly());
    EXPECT_EQ(static_cast<ComboBox*>(g.grid.inplaceEditor())->count(), 4);
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.grid.cell(1, Type), QStringLiteral("ancien"));
    g.grid.editCell(0, Type);
    g.key(Qt::Key_Down);  // within the list, not out of the cell
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.grid.cell(0, Type), QStringLiteral("externe"));

    // The date picker, its calendar, and a memo whose Shift+Enter breaks the line.
    g.grid.editCell(0, DateCol);
    auto* date = qobject_cast<DatePicker*>(g.grid.inplaceEditor());
    ASSERT_NE(date, nullptr);
    date->showCalendar();
    QCoreApplication::processEvents();
    EXPECT_TRUE(g.grid.isEditing());  // the calendar taking the focus ends nothing
    date->calendar()->setSelectedDate(QDate(2026, 2, 14));
    emit date->calendar()->activated(QDate(2026, 2, 14));
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.grid.cell(0, DateCol), QStringLiteral("14/02/2026"));

    g.grid.setCurrentCell(0, Note);
    g.type(QStringLiteral("a"));
    g.key(Qt::Key_Return, Qt::ShiftModifier);
    g.type(QStringLiteral("b"));
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.grid.cell(0, Note), QStringLiteral("a\r\nb"));
    EXPECT_EQ(g.shown(0, Note), QStringLiteral("a b"));
}

// Handlers that refill the grid while it is in edit (a save followed by a
// reload) leave it usable.
TEST(Grid, HandlersMayRefillTheGrid) {
    CostGrid g;
    QObject::connect(&g.grid, &Grid::cellChange, [&] {
        g.grid.setRowCount(0);
        g.grid.setCell(2, Id, QStringLiteral("13"));
    });
    g.grid.setCurrentCell(0, Amount);
    g.type(QStringLiteral("5"));
    g.click(1, LabelCol);
    EXPECT_FALSE(g.grid.isEditing());
    EXPECT_EQ(g.grid.rowCount(), 3);
    EXPECT_TRUE(g.log.contains(QStringLiteral("change 0,6 5")));
    EXPECT_TRUE(g.grid.editCell(2, Amount));
}

TEST(Grid, LinesRemovedThroughTheItemModel) {
    // Three lines "11", "12", "13"; what stays after removeRows(row, count).
    const struct {
        int row, count;
        bool removed;
        const char* left;
    } cases[] = {
        {0, 3, true, ""},           // the whole grid, as a new record empties it
        {1, 1, true, "11,13"},
        {1, 2, true, "11"},         // up to the last line
        {0, 0, false, "11,12,13"},  // nothing asked
        {2, 2, false, "11,12,13"},  // past the last line: none goes rather than some
        {-1, 1, false, "11,12,13"},
        {3, 1, false, "11,12,13"},
    };
    for (const auto& c : cases) {
        GridModel model;
        model.setColumns({{.name = "id"}});
        for (int r = 0; r < 3; ++r) model.setCell(r, 0, {.text = QString::number(11 + r)});
        EXPECT_EQ(model.removeRows(c.row, c.count), c.removed) << c.row << "+" << c.count;
        QStringList left;
        for (int r = 0; r < model.lineCount(); ++r) left << model.cell(r, 0).text;
        EXPECT_EQ(left.join(u','), QLatin1String(c.left)) << c.row << "+" << c.count;
        EXPECT_EQ(model.rowCount(), model.lineCount());
    }
    GridModel model;
    model.setColumns({{.name = "id"}});
    model.setLineCount(2);
    EXPECT_FALSE(model.removeRows(0, 1, model.index(0, 0)));  // lines have no children
    EXPECT_EQ(model.lineCount(), 2);
}

TEST(Grid, EmptiedWithAnEditorOpen) {
    CostGrid g;
    g.grid.setCurrentCell(1, LabelCol);
    g.key(Qt::Key_F2);
    ASSERT_TRUE(g.grid.isEditing());
    g.type(QStringLiteral("x"));
    g.grid.clearLines();
    // The edit is abandoned, not stored into a line that is gone.
    EXPECT_FALSE(g.grid.isEditing());
    EXPECT_EQ(g.grid.inplaceEditor(), nullptr);
    EXPECT_EQ(g.grid.rowCount(), 0);
    EXPECT_FALSE(g.log.join(u' ').contains(QLatin1String("change")));
    // Filled again, it edits as before.
    g.grid.setCell(0, LabelCol, QStringLiteral("Lavage"));
    EXPECT_TRUE(g.grid.editCell(0, LabelCol));
}

TEST(Grid, DrawingHandlerSeesSelectionAndColours) {
    CostGrid g;
    g.grid.setColumnTextColor(Account, Qt::red);
    g.grid.setCellColor(1, DateCol, Qt::lightGray);
    std::map<std::pair<int, int>, GridCellFormat> seen;
    auto at = [](auto& m, std::pair<int, int> k) { return m[k]; };
    QObject::connect(&g.grid, &Grid::cellFormating, [&](int r, int c, GridCellFormat& f) {
        seen[{r, c}] = f;
        if (!f.selected) f.textColor = Qt::blue;
    });
    g.grid.grab();
    EXPECT_TRUE(at(seen, {0, DateCol}).selected);
    EXPECT_FALSE(at(seen, {1, DateCol}).selected);
    EXPECT_EQ(at(seen, {0, Account}).textColor, QColor(Qt::red));
    EXPECT_EQ(at(seen, {1, DateCol}).background, QColor(Qt::lightGray));
    EXPECT_FALSE(at(seen, {0, LabelCol}).textColor.isValid());
}
