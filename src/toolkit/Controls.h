#pragma once
// The field controls of the sheets: date picker, combo box, memo, number
// edit, edit, multi-select list box, flat command button and label. Each is a
// thin Qt widget with the shared FieldControl interface.

#include "toolkit/FieldControl.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>

class QCalendarWidget;

namespace stanor::toolkit {

// A single-line edit (also the base of number edits).
class Edit : public QLineEdit, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    explicit Edit(QWidget* parent = nullptr);
    QString text() const override { return QLineEdit::text(); }
    // Shows the value whole, even past the typing limit.
    void setText(const QString& t) override;
    void setMaxLength(int n) override;

private:
    void filterInput();
};

// A numeric edit showing its value as text, right-aligned; typing is limited
// to digits, signs, separators and spaces (values set by code are kept as given).
class NumberEdit : public Edit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget* parent = nullptr);
};

// A date edit with a drop-down calendar. Its text is "dd/mm/yyyy", or the
// empty mask "__/__/____" when no date is entered.
class DatePicker : public QLineEdit, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    static inline const QString kEmptyMask = QStringLiteral("__/__/____");

    explicit DatePicker(QWidget* parent = nullptr);
    QString text() const override;
    // A "dd/mm/yyyy" text, or "" / the mask for no date.
    void setText(const QString& t) override;
    // The date shown; invalid when the text is no date.
    QDate date() const;
    void setDate(const QDate& d);
    bool isEmptyDate() const { return text() == kEmptyMask; }
    // The limit is kept for the descriptions; the mask fixes the text's shape.
    void setMaxLength(int n) override { FieldControl::setMaxLength(n); }

    // Opens the calendar under the edit (the drop-down button does the same).
    void showCalendar();
    QCalendarWidget* calendar() const { return calendar_; }

protected:
    // Digits typed in a row fill the date from its first empty place, wherever
    // the click that gave the focus left the cursor.
    void keyPressEvent(QKeyEvent* e) override;
    // Typing into an empty date starts at its first digit, wherever the
    // click or the focus put the cursor.
    void focusInEvent(QFocusEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void pick(const QDate& d);
    void toFirstBlank();
    QWidget* popup_ = nullptr;
    QCalendarWidget* calendar_ = nullptr;
};

// A drop-down list: list-only (takes only one of its items) or editable.
class ComboBox : public QComboBox, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    explicit ComboBox(bool listOnly, QWidget* parent = nullptr);
    QString text() const override { return currentText(); }
    // Editable: the text as given. List-only: the item equal to it, or none.
    void setText(const QString& t) override;
    void setMaxLength(int n) override;

    bool isListOnly() const { return !isEditable(); }
    // Switches between list-only and typed text (keeps items and text).
    void setListOnly(bool listOnly);
    // Empties items and text.
    void clearAll();
    // Whether the text equals an item exactly.
    bool textIsItem() const;

protected:
    QPalette::ColorRole backRole() const override { return QPalette::Base; }

private:
    void hookLineEdit();
};

// A multi-line edit (also used for single-line names and phone numbers).
// Its text uses CR LF line breaks, as the values of the data service do.
class Memo : public QPlainTextEdit, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    explicit Memo(QWidget* parent = nullptr);
    QString text() const override;
    void setText(const QString& t) override;
    void setMaxLength(int n) override;

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void enforceLimit();
    bool trimming_ = false;
    bool loading_ = false;
    qsizetype loaded_ = 0;  // length of the value last set by code
};

// A multi-select list; items carry their text only (keys live in the field's ListKeys).
class ListBox : public QListWidget, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    explicit ListBox(QWidget* parent = nullptr);
    // The texts of the selected items, joined by " - ".
    QString text() const override;
    // A list box takes its value from its selection; setting a text does nothing.
    void setText(const QString&) override {}

    void clearItems() { clear(); }
    void addItemText(const QString& t) { addItem(t); }
    bool isSelected(int i) const;
    void setSelected(int i, bool on);
    QStringList selectedTexts() const;
};

// A flat command button with caption, hint and picture.
class FlatButton : public QToolButton, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    explicit FlatButton(const QString& caption = {}, const QString& hint = {}, QWidget* parent = nullptr);
    QString text() const override { return QToolButton::text(); }
    void setText(const QString& t) override { QToolButton::setText(t); }
    QString hint() const { return toolTip(); }
    void setHint(const QString& h) { setToolTip(h); }
    void setPicture(const QIcon& icon);

protected:
    QPalette::ColorRole backRole() const override { return QPalette::Button; }
    QPalette::ColorRole textRole() const override { return QPalette::ButtonText; }
};

// A caption label; clickable labels report clicks through events().
class Label : public QLabel, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    explicit Label(const QString& caption = {}, QWidget* parent = nullptr);
    QString text() const override { return QLabel::text(); }
    void setText(const QString& t) override { QLabel::setText(t); }
    void setUnderlined(bool on);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    QPalette::ColorRole backRole() const override { return QPalette::Window; }
    QPalette::ColorRole textRole() const override { return QPalette::WindowText; }
};

}  // namespace stanor::toolkit
