#include "toolkit/GridDelegates.h"

#include "toolkit/Controls.h"
#include "toolkit/Grid.h"
#include "toolkit/WordCompletion.h"

#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPainter>

namespace stanor::toolkit {

namespace {

// The cell's text when its editor opened, kept for list editors.
constexpr char kOpeningText[] = "gridOpeningText";

}  // namespace

GridDelegate::GridDelegate(Grid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    const GridModel* model = grid_->gridModel();
    if (!model->isEditable(index.row(), index.column())) return nullptr;
    const GridColumn& column = model->column(index.column());
    QWidget* editor = makeEditor(parent, column);
    if (!editor) return nullptr;
    if (FieldControl* f = asFieldControl(editor)) f->setMaxLength(column.maxLength);
    editor->setAutoFillBackground(true);
    return editor;
}

// Loaded once: a cell redrawn while it is in edit (a colour set by a
// handler) must not wipe what the user typed.
void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (editor->property(kOpeningText).isValid()) return;
    const QString text = index.data(Qt::EditRole).toString();
    editor->setProperty(kOpeningText, text);
    if (FieldControl* f = asFieldControl(editor)) f->setText(text);
    // Typing that starts the edit replaces the text, as in the other editors.
    if (auto* combo = qobject_cast<QComboBox*>(editor); combo && combo->lineEdit()) combo->lineEdit()->selectAll();
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    model->setData(index, editorValue(editor), Qt::EditRole);
}

QString GridDelegate::editorValue(QWidget* editor) const {
    const FieldControl* f = asFieldControl(editor);
    return f ? f->text() : QString();
}

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!grid_) return;
    GridCellFormat format;
    format.selected = option->state.testFlag(QStyle::State_Selected);
    if (index.data(Qt::ForegroundRole).isValid()) format.textColor = option->palette.color(QPalette::Text);
    if (index.data(Qt::BackgroundRole).isValid()) format.background = option->backgroundBrush.color();
    emit grid_->cellFormating(index.row(), index.column(), format);
    if (format.textColor.isValid()) option->palette.setColor(QPalette::Text, format.textColor);
    if (format.background.isValid()) option->backgroundBrush = format.background;
    if (format.bold) option->font.setBold(true);
}

// Keys and focus of the open editor: the grid ends or abandons the edit.
bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (!editor || !grid_ || editor != grid_->inplaceEditor()) return false;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool shifted = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
        switch (key->key()) {
        case Qt::Key_Escape: grid_->cancelEdit(); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (shifted && qobject_cast<Memo*>(editor)) return false;  // a line break
            grid_->finishEdit();
            return true;
        case Qt::Key_Tab: grid_->finishEdit(Grid::Move::Next); return true;
        case Qt::Key_Backtab: grid_->finishEdit(Grid::Move::Previous); return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!arrowsLeave(editor)) return false;
            grid_->finishEdit(key->key() == Qt::Key_Up ? Grid::Move::Up : Grid::Move::Down);
            return true;
        default: return false;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // A drop-down or another window taking the focus ends nothing.
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
        QWidget* now = QApplication::focusWidget();
        // The editor's own parts, its calendar window included.
        for (QWidget* w = now; w; w = w->parentWidget())
            if (w == editor) return false;
        // A click on another cell: the grid ends the edit before it moves.
        if (now && (now == grid_ || now == grid_->viewport())) return false;
        grid_->finishEdit();
    }
    return false;
}

// ---- the kinds --------------------------------------------------------------

QWidget* TextDelegate::makeEditor(QWidget* parent, const GridColumn&) const { return new Edit(parent); }

QWidget* NumberDelegate::makeEditor(QWidget* parent, const GridColumn&) const { return new NumberEdit(parent); }

QString NumberDelegate::editorValue(QWidget* editor) const {
    return normalizeNumber(GridDelegate::editorValue(editor).trimmed());
}

QWidget* DateDelegate::makeEditor(QWidget* parent, const GridColumn&) const { return new DatePicker(parent); }

QString DateDelegate::editorValue(QWidget* editor) const {
    const QString text = GridDelegate::editorValue(editor);
    return text == DatePicker::kEmptyMask ? QString() : text;
}

QWidget* ListDelegate::makeEditor(QWidget* parent, const GridColumn& column) const {
    auto* combo = new ComboBox(true, parent);
    combo->addItems(column.items);
    return combo;
}

QString ListDelegate::editorValue(QWidget* editor) const {
    auto* combo = qobject_cast<ComboBox*>(editor);
    if (combo && combo->currentIndex() < 0) return editor->property(kOpeningText).toString();
    return GridDelegate::editorValue(editor);
}

QWidget* ComboTextDelegate::makeEditor(QWidget* parent, const GridColumn& column) const {
    auto* combo = new ComboBox(false, parent);
    combo->addItems(column.items);
    auto* words = new WordCompletion(combo);
    words->setWords(column.words.isEmpty() ? column.items : column.words);
    words->attach(combo);
    return combo;
}

// A completed word takes the spelling of the list ("lu" completed to
// "lustrage" is stored "Lustrage"); other texts stay as typed.
QString ComboTextDelegate::editorValue(QWidget* editor) const {
    const QString text = GridDelegate::editorValue(editor);
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (!combo) return text;
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
    if (QCompleter* completer = combo->lineEdit() ? combo->lineEdit()->completer() : nullptr) {
        const QAbstractItemModel* words = completer->model();
        for (int i = 0; words && i < words->rowCount(); ++i) entries << words->index(i, 0).data().toString();
    }
    for (const QString& e : entries)
        if (e.compare(text, Qt::CaseInsensitive) == 0) return e;
    return text;
}

bool ComboTextDelegate::arrowsLeave(QWidget* editor) const {
    auto* combo = qobject_cast<QComboBox*>(editor);
    return !combo || combo->count() == 0;
}

QWidget* MemoDelegate::makeEditor(QWidget* parent, const GridColumn&) const { return new Memo(parent); }

void MemoDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
    QRect r = option.rect;
    r.setHeight(std::max(r.height(), 4 * option.fontMetrics.height()));
    editor->setGeometry(r);
}

void ImageDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QIcon icon = opt.icon;
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (!icon.isNull()) icon.paint(painter, option.rect.adjusted(1, 1, -1, -1), Qt::AlignCenter);
}

}  // namespace stanor::toolkit
