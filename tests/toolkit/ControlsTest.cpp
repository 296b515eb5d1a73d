#include "toolkit/Controls.h"
#include "toolkit/Grid.h"
#include "toolkit/WinColor.h"
#include "toolkit/WordCompletion.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace stanor::toolkit;

TEST(WinColors, DecimalAndSystemValues) {
    EXPECT_EQ(toQColor(255), QColor(255, 0, 0));            // COLORREF is BGR
    EXPECT_EQ(toQColor(15745088), QColor(0x40, 0x40, 0xF0));
    EXPECT_EQ(toQColor(7756236), QColor(0xCC, 0x59, 0x76));
    EXPECT_EQ(fromQColor(QColor(0x40, 0x40, 0xF0)), 15745088);
    EXPECT_TRUE(isSystemColor(WinColor::clInactiveBorder));
    EXPECT_TRUE(toQColor(WinColor::clInactiveBorder).isValid());
    EXPECT_EQ(toQColor(WinColor::clWindow), QApplication::palette().color(QPalette::Base));
    // "No colour" values leave the style's colour.
    for (qint32 none : {qint32(-1), WinColor::clNone, WinColor::clDefault, qint32(0xFF0000F0)})
        EXPECT_FALSE(toQColor(none).isValid()) << none;
}

TEST(Controls, SharedInterfaceAcrossKinds) {
    QWidget sheet;
    std::vector<FieldControl*> all = {new Edit(&sheet),       new NumberEdit(&sheet), new DatePicker(&sheet),
                                      new ComboBox(true, &sheet), new ComboBox(false, &sheet), new Memo(&sheet),
                                      new ListBox(&sheet),    new FlatButton(QStringLiteral("Options"), {}, &sheet),
                                      new Label(QStringLiteral("x"), &sheet), new Grid(&sheet)};
    for (FieldControl* f : all) {
        EXPECT_EQ(asFieldControl(f->widget()), f);
        EXPECT_FALSE(f->claimed());
        f->setTag(0);  // the first row of page 1
        EXPECT_TRUE(f->claimed());
        f->setBackColor(WinColor::clInactiveBorder);
        f->setFontColor(255);
        EXPECT_EQ(f->backColor(), WinColor::clInactiveBorder);
        f->setEnabled(false);
        EXPECT_FALSE(f->isEnabled());
        f->setShown(false);
        EXPECT_FALSE(f->isShown());
    }
    EXPECT_EQ(asFieldControl(static_cast<QWidget*>(&sheet)), nullptr);
}

TEST(Controls, DatePickerMaskCalendarAndEvents) {
    DatePicker d;
    QSignalSpy changed(d.events(), &FieldEvents::changed);
    EXPECT_EQ(d.text(), DatePicker::kEmptyMask);
    d.setText(QStringLiteral("09/03/2026"));
    EXPECT_EQ(d.text(), QStringLiteral("09/03/2026"));
    EXPECT_EQ(d.date(), QDate(2026, 3, 9));
    d.setText(DatePicker::kEmptyMask);
    EXPECT_TRUE(d.isEmptyDate());
    EXPECT_FALSE(d.date().isValid());
    EXPECT_EQ(changed.count(), 2);

    d.setMaxLength(8);  // the mask keeps the full date
    d.showCalendar();
    ASSERT_NE(d.calendar(), nullptr);
    emit d.calendar()->clicked(QDate(2025, 12, 24));
    EXPECT_EQ(d.text(), QStringLiteral("24/12/2025"));

    QSignalSpy exited(d.events(), &FieldEvents::exited);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&d, &out);
    EXPECT_EQ(exited.count(), 1);
}

TEST(Controls, WhatAUserSeesAndTypesInEditsAndDates) {
    QWidget sheet;
    auto* chassis = new Edit(&sheet);
    chassis->setGeometry(0, 0, 60, 20);
    sheet.show();
    // A value wider than its edit shows its first characters.
    chassis->setText(QStringLiteral("VWZZZAWZSU056231"));
    EXPECT_EQ(chassis->cursorPosition(), 0);
    chassis->setMaxLength(25);  // as a description sets it after the value
    EXPECT_EQ(chassis->cursorPosition(), 0);
    // An empty date clicked anywhere takes the digits from its first one.
    auto* date = new DatePicker(&sheet);
    date->setGeometry(0, 30, 120, 20);
    QTest::mouseClick(date, Qt::LeftButton, {}, QPoint(110, 10));
    QTest::keyClicks(date, QStringLiteral("01022026"));
    EXPECT_EQ(date->text(), QStringLiteral("01/02/2026"));
    // The calendar speaks French and starts its weeks on Monday.
    date->showCalendar();
    ASSERT_NE(date->calendar(), nullptr);
    EXPECT_EQ(date->calendar()->firstDayOfWeek(), Qt::Monday);
    EXPECT_EQ(date->calendar()->locale().monthName(2), QStringLiteral("février"));
    EXPECT_EQ(date->calendar()->locale().dayName(1, QLocale::ShortFormat), QStringLiteral("lun."));
}

TEST(Controls, ComboBoxListOnlyAndEditable) {
    ComboBox list(true);
    list.addItems({QStringLiteral("ES : Essence"), QStringLiteral("GO : Gazole")});
    list.setText(QStringLiteral("GO : Gazole"));
    EXPECT_EQ(list.currentIndex(), 1);
    list.setText(QStringLiteral("Hybride"));  // not an item: no selection
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_EQ(list.text(), QString());

    ComboBox edit(false);
    edit.setMaxLength(5);
    edit.addItems({QStringLiteral("Rouge")});
    edit.setText(QStringLiteral("Bleu"));
    EXPECT_EQ(edit.text(), QStringLiteral("Bleu"));
    EXPECT_FALSE(edit.textIsItem());
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("nuit"));
    EXPECT_EQ(edit.text().size(), 5);

    list.addItem(QStringLiteral("Autre"));
    list.setText(QStringLiteral("Autre"));
    list.setListOnly(false);  // list editing accepts typed text
    EXPECT_FALSE(list.isListOnly());
    EXPECT_EQ(list.text(), QStringLiteral("Autre"));
    list.clearAll();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.text(), QString());
}

TEST(Controls, LimitsApplyToTypingNotToLoadedValues) {
    Memo m;
    m.setMaxLength(8);
    m.setText(QStringLiteral("ligne 1\r\nligne 2"));  // a stored value is never cut
    EXPECT_EQ(m.text(), QStringLiteral("ligne 1\r\nligne 2"));
    Memo typed;
    typed.setMaxLength(8);
    QTest::keyClicks(&typed, QStringLiteral("ligne 1"));
    QTest::keyClick(&typed, Qt::Key_Return);
    EXPECT_EQ(typed.text(), QStringLiteral("ligne 1"));  // the cut never leaves half a CR LF
    QTest::keyClicks(&typed, QStringLiteral("xyz"));
    EXPECT_EQ(typed.text(), QStringLiteral("ligne 1x"));

    Edit e;
    e.setMaxLength(5);
    e.setText(QStringLiteral("Marseille"));
    EXPECT_EQ(e.text(), QStringLiteral("Marseille"));
    e.setCursorPosition(9);
    QTest::keyClick(&e, Qt::Key_Backspace);
    QTest::keyClicks(&e, QStringLiteral("ab"));  // shortened by the user, it may not grow again
    EXPECT_EQ(e.text(), QStringLiteral("Marseill"));
    Edit fresh;
    fresh.setMaxLength(5);
    QTest::keyClicks(&fresh, QStringLiteral("Marseille"));
    EXPECT_EQ(fresh.text(), QStringLiteral("Marse"));
}

TEST(Controls, ListBoxSelection) {
    ListBox lb;
    for (const char* t : {"Radio", "GPS", "Toit ouvrant"}) lb.addItemText(QString::fromUtf8(t));
    lb.setSelected(0, true);
    lb.setSelected(2, true);
    EXPECT_EQ(lb.text(), QStringLiteral("Radio - Toit ouvrant"));
    EXPECT_TRUE(lb.isSelected(2));
    EXPECT_FALSE(lb.isSelected(7));
}

TEST(Controls, KeysReachHandlersAndCanBeSwallowed) {
    Edit e;
    std::vector<int> seen;
    QObject::connect(e.events(), &FieldEvents::keyDown, [&](int& key, Qt::KeyboardModifiers) {
        seen.push_back(key);
        if (key == 46) key = 0;
    });
    QObject::connect(e.events(), &FieldEvents::keyPress, [&](QChar& ch) {
        if (ch == u'a') ch = QChar();
    });
    QTest::keyClicks(&e, QStringLiteral("bab"));
    EXPECT_EQ(e.text(), QStringLiteral("bb"));
    e.setCursorPosition(0);
    QTest::keyClick(&e, Qt::Key_Delete);  // swallowed
    EXPECT_EQ(e.text(), QStringLiteral("bb"));
    QTest::keyClick(&e, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(seen.back(), 109);
    EXPECT_EQ(seen.front(), 'B');
}

TEST(Grid, NumberFormats) {
    struct Case { const char* text; const char* format; const char* shown; } cases[] = {
        {"1234.5", "0.00", "1234.50"}, {"1234.5", "# ##0.00", "1 234.50"}, {"-1234567", "#,##0", "-1,234,567"},
        {"abc", "0.00", "abc"},        {"", "0.00", ""},                   {"-0.001", "0.00", "0.00"},
        {"2.5", "0", "3"},             {"12", "", "12"},
    };
    for (auto c : cases)
        EXPECT_EQ(formatNumber(QString::fromUtf8(c.text), QString::fromUtf8(c.format)), QString::fromUtf8(c.shown))
            << c.text << " " << c.format;
}

TEST(Controls, WordCompletionOffersTheAttachedWords) {
    WordCompletion words;
    words.setWords({QStringLiteral("Rouge"), QStringLiteral("Rose"), QStringLiteral("Bleu")});
    EXPECT_EQ(words.complete(QStringLiteral("ro")), QStringLiteral("Rouge"));
    EXPECT_EQ(words.complete(QStringLiteral("x")), QString());
    EXPECT_EQ(words.complete(QString()), QString());

    ComboBox first(false), second(false);
    words.attach(&first);
    EXPECT_NE(first.lineEdit()->completer(), nullptr);
    words.attach(&second);  // one combo box at a time
    EXPECT_EQ(first.lineEdit()->completer(), nullptr);
    EXPECT_NE(second.lineEdit()->completer(), nullptr);
    words.setEnabled(false);
    EXPECT_EQ(second.lineEdit()->completer(), nullptr);
    ComboBox listOnly(true);
    words.attach(&listOnly);  // list-only boxes search their items themselves
    EXPECT_EQ(words.attached(), &listOnly);
}
