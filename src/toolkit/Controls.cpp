#include "toolkit/Controls.h"

#include <QMimeData>

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>

namespace stanor::toolkit {

// ---- Edit, NumberEdit -------------------------------------------------------

namespace {

// The limit applies to typing: a longer value set by code is shown whole
// (and may be shortened by the user), never cut on loading.
void fitLimit(QLineEdit* e, int limit, qsizetype incoming) {
    const int cap = limit == 0 ? 32767 : limit;
    e->setMaxLength(static_cast<int>(std::max<qsizetype>(cap, incoming)));
}

}  // namespace


Edit::Edit(QWidget* parent) : QLineEdit(parent), FieldControl(this) {
    QLineEdit::setMaxLength(32767);
    events()->setClickOnRelease(true);
    connect(this, &QLineEdit::textChanged, events(), &FieldEvents::changed);
    connect(this, &QLineEdit::textEdited, this, [this] {
        fitLimit(this, maxLength(), QLineEdit::text().size());
        filterInput();
    });
}

// A paste or a drop is filtered as the keys typed are; the cursor stays
// after what was put in.
void Edit::filterInput() {
    if (!inputFilter()) return;
    const QString t = QLineEdit::text();
    const QString kept = inputFilter()(t);
    if (kept == t) return;
    const int cursor = static_cast<int>(inputFilter()(t.left(cursorPosition())).size());
    QLineEdit::setText(kept);
    setCursorPosition(cursor);
}

void Edit::setText(const QString& t) {
    fitLimit(this, maxLength(), t.size());
    QLineEdit::setText(t);
    // A value longer than the edit shows its beginning (a chassis number
    // would otherwise lose its first characters); typing keeps its cursor.
    if (!hasFocus()) setCursorPosition(0);
}

void Edit::setMaxLength(int n) {
    FieldControl::setMaxLength(n);
    // Qt puts the text back with the cursor at its end: the beginning shows again.
    fitLimit(this, maxLength(), QLineEdit::text().size());
    if (!hasFocus()) setCursorPosition(0);
}

NumberEdit::NumberEdit(QWidget* parent) : Edit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+0-9., ]*")), this));
}

// ---- DatePicker -------------------------------------------------------------

DatePicker::DatePicker(QWidget* parent) : QLineEdit(parent), FieldControl(this) {
    setInputMask(QStringLiteral("99/99/9999;_"));
    // The calendar of the icon theme when there is one, else the style's arrow.
    const QIcon picture = QIcon::fromTheme(QStringLiteral("x-office-calendar"), style()->standardIcon(QStyle::SP_ArrowDown));
    QAction* drop = addAction(picture, QLineEdit::TrailingPosition);
    drop->setObjectName(QStringLiteral("dropDown"));
    drop->setToolTip(QStringLiteral("Calendrier"));
    connect(drop, &QAction::triggered, this, &DatePicker::showCalendar);
    connect(this, &QLineEdit::textChanged, events(), &FieldEvents::changed);
}

QString DatePicker::text() const { return displayText(); }

void DatePicker::setText(const QString& t) {
    if (t == kEmptyMask) QLineEdit::setText(QString());
    else QLineEdit::setText(t);
    toFirstBlank();
}

void DatePicker::toFirstBlank() {
    if (isEmptyDate()) setCursorPosition(0);
}

void DatePicker::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    toFirstBlank();
}

void DatePicker::mouseReleaseEvent(QMouseEvent* e) {
    QLineEdit::mouseReleaseEvent(e);
    toFirstBlank();
}

QDate DatePicker::date() const { return QDate::fromString(text(), QStringLiteral("dd/MM/yyyy")); }

void DatePicker::setDate(const QDate& d) {
    setText(d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString());
}

void DatePicker::keyPressEvent(QKeyEvent* e) {
    const QString typed = e->text();
    if (typed.size() == 1 && typed[0].isDigit() && !hasSelectedText()) {
        const qsizetype firstBlank = displayText().indexOf(u'_');
        if (firstBlank >= 0 && firstBlank < cursorPosition()) setCursorPosition(static_cast<int>(firstBlank));
    }
    QLineEdit::keyPressEvent(e);
}

void DatePicker::showCalendar() {
    if (!popup_) {
        popup_ = new QWidget(this, Qt::Popup);
        auto* lay = new QVBoxLayout(popup_);
        lay->setContentsMargins(0, 0, 0, 0);
        calendar_ = new QCalendarWidget(popup_);
        calendar_->setGridVisible(true);
        // Month and day names in French, weeks from Monday, whatever the system says.
        calendar_->setLocale(QLocale(QLocale::French, QLocale::France));
        calendar_->setFirstDayOfWeek(Qt::Monday);
        lay->addWidget(calendar_);
        connect(calendar_, &QCalendarWidget::clicked, this, &DatePicker::pick);
        connect(calendar_, &QCalendarWidget::activated, this, &DatePicker::pick);
    }
    calendar_->setSelectedDate(date().isValid() ? date() : QDate::currentDate());
    popup_->move(mapToGlobal(QPoint(0, height())));
    popup_->show();
    calendar_->setFocus();
}

void DatePicker::pick(const QDate& d) {
    setDate(d);
    if (popup_) popup_->hide();
    setFocus();
}

// ---- ComboBox ---------------------------------------------------------------

ComboBox::ComboBox(bool listOnly, QWidget* parent) : QComboBox(parent), FieldControl(this) {
    setEditable(!listOnly);
    setInsertPolicy(QComboBox::NoInsert);
    hookLineEdit();
    connect(this, &QComboBox::currentTextChanged, events(), &FieldEvents::changed);
}

void ComboBox::hookLineEdit() {
    if (QLineEdit* le = lineEdit()) {
        events()->watch(le);
        fitLimit(le, maxLength(), le->text().size());
        if (!le->property("limitHooked").toBool()) {
            le->setProperty("limitHooked", true);
            connect(le, &QLineEdit::textEdited, this, [this, le] { fitLimit(le, maxLength(), le->text().size()); });
        }
    }
}

void ComboBox::setText(const QString& t) {
    if (QLineEdit* le = lineEdit()) {
        fitLimit(le, maxLength(), t.size());
        setEditText(t);
        return;
    }
    setCurrentIndex(findText(t, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void ComboBox::setMaxLength(int n) {
    FieldControl::setMaxLength(n);
    if (QLineEdit* le = lineEdit()) fitLimit(le, maxLength(), le->text().size());
}

void ComboBox::setListOnly(bool listOnly) {
    if (listOnly == isListOnly()) return;
    const QString keep = currentText();
    setEditable(!listOnly);
    hookLineEdit();
    setText(keep);
}

void ComboBox::clearAll() {
    clear();
    if (isEditable()) clearEditText();
}

bool ComboBox::textIsItem() const {
    return findText(currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

// ---- Memo -------------------------------------------------------------------

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent), FieldControl(this) {
    setTabChangesFocus(true);
    events()->watch(viewport());
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        enforceLimit();
        if (!trimming_) emit events()->changed();
    });
}

QString Memo::text() const {
    QString t = toPlainText();
    t.replace(u'\n', QStringLiteral("\r\n"));
    return t;
}

void Memo::setText(const QString& t) {
    QString plain = t;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    loaded_ = t.size();
    loading_ = true;
    setPlainText(plain);
    loading_ = false;
}

bool Memo::canInsertFromMimeData(const QMimeData* source) const {
    return inputFilter() ? source->hasText() : QPlainTextEdit::canInsertFromMimeData(source);
}

// A paste or a drop is filtered as the keys typed are.
void Memo::insertFromMimeData(const QMimeData* source) {
    if (!inputFilter()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    if (source->hasText()) insertPlainText(inputFilter()(source->text()));
}

void Memo::setMaxLength(int n) {
    FieldControl::setMaxLength(n);
    loaded_ = text().size();
}

// Typed characters past the limit are dropped, counting a line break as CR
// LF; a longer value set by code stays whole.
void Memo::enforceLimit() {
    if (trimming_ || loading_ || maxLength() == 0) return;
    const QString t = text();
    const qsizetype cap = std::max<qsizetype>(maxLength(), loaded_);
    if (t.size() <= cap) return;
    QString cut = t.left(cap);
    if (cut.endsWith(u'\r')) cut.chop(1);
    trimming_ = true;
    QTextCursor c = textCursor();
    const int pos = c.position();
    QString plain = cut;
    setPlainText(plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    c = textCursor();
    c.setPosition(std::min(pos, static_cast<int>(toPlainText().size())));
    setTextCursor(c);
    trimming_ = false;
    emit events()->changed();
}

// ---- ListBox ----------------------------------------------------------------

ListBox::ListBox(QWidget* parent) : QListWidget(parent), FieldControl(this) {
    setSelectionMode(QAbstractItemView::MultiSelection);
    connect(this, &QListWidget::itemClicked, events(), &FieldEvents::clicked);
    connect(this, &QListWidget::itemSelectionChanged, events(), &FieldEvents::changed);
}

QString ListBox::text() const { return selectedTexts().join(QStringLiteral(" - ")); }

bool ListBox::isSelected(int i) const {
    const QListWidgetItem* it = item(i);
    return it && it->isSelected();
}

void ListBox::setSelected(int i, bool on) {
    if (QListWidgetItem* it = item(i)) it->setSelected(on);
}

QStringList ListBox::selectedTexts() const {
    QStringList out;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected()) out << item(i)->text();
    return out;
}

// ---- FlatButton, Label ------------------------------------------------------

FlatButton::FlatButton(const QString& caption, const QString& hint, QWidget* parent)
    : QToolButton(parent), FieldControl(this) {
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setFocusPolicy(Qt::StrongFocus);
    QToolButton::setText(caption);
    setToolTip(hint);
    connect(this, &QToolButton::clicked, events(), &FieldEvents::clicked);
}

void FlatButton::setPicture(const QIcon& icon) { setIcon(icon); }

Label::Label(const QString& caption, QWidget* parent) : QLabel(caption, parent), FieldControl(this) {}

void Label::setUnderlined(bool on) {
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
}

void Label::mousePressEvent(QMouseEvent* e) {
    QLabel::mousePressEvent(e);
    emit events()->clicked();
}

}  // namespace stanor::toolkit
