#include "toolkit/Grid.h"

#include "toolkit/GridDelegates.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QStyle>

namespace stanor::toolkit {

Grid::Grid(QWidget* parent) : QTableView(parent), FieldControl(this), model_(new GridModel(this)) {
    delegates_[ColumnKind::Text] = new TextDelegate(this);
    delegates_[ColumnKind::Number] = new NumberDelegate(this);
    delegates_[ColumnKind::Date] = new DateDelegate(this);
    delegates_[ColumnKind::Combo] = new ListDelegate(this);
    delegates_[ColumnKind::ComboText] = new ComboTextDelegate(this);
    delegates_[ColumnKind::Memo] = new MemoDelegate(this);
    delegates_[ColumnKind::Image] = new ImageDelegate(this);
    setModel(model_);
    setItemDelegate(delegates_[ColumnKind::Text]);
    model_->setImages(standardImages());
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(DoubleClicked | SelectedClicked | EditKeyPressed | AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->hide();
    // A header click would select a whole column past beforeSelect.
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
}

// An editor still open is destroyed with the viewport, after this part of
// the grid: its loss of focus must not reach the grid any more.
Grid::~Grid() {
    for (auto& [kind, delegate] : delegates_) delegate->detach();
}

QList<QIcon> Grid::standardImages() {
    QStyle* style = QApplication::style();
    const QIcon trash = style->standardIcon(QStyle::SP_TrashIcon);
    const QIcon save = style->standardIcon(QStyle::SP_DialogSaveButton);
    // A line that may not be deleted shows the bin greyed out.
    const QIcon locked(trash.pixmap(QSize(16, 16), QIcon::Disabled));
    return {trash, save, locked};
}

GridDelegate* Grid::delegateFor(ColumnKind kind) const { return delegates_.at(kind); }

// ---- columns ----------------------------------------------------------------

void Grid::setColumns(std::vector<GridColumn> columns) {
    if (isEditing()) cancelEdit();
    model_->setColumns(std::move(columns));
    for (int c = 0; c < columnCount(); ++c) {
        setItemDelegateForColumn(c, delegateFor(column(c).kind));
        setColumnWidth(c, column(c).width);
        setColumnHidden(c, false);
    }
}

GridColumn* Grid::columnByName(const QString& name) {
    const int c = columnIndex(name);
    return c < 0 ? nullptr : &model_->column(c);
}

int Grid::columnIndex(const QString& name) const {
    for (int c = 0; c < columnCount(); ++c)
        if (column(c).name == name) return c;
    return -1;
}

void Grid::describeColumn(int col, const QString& caption, int width) {
    if (col < 0 || col >= columnCount()) return;
    model_->column(col).header = caption;
    model_->columnChanged(col);
    setColumnHidden(col, width == 0);
    if (width != 0) setColumnWidth(col, width);
}

void Grid::clearLines() {
    if (isEditing()) cancelEdit();
    model_->removeRows(0, rowCount());
}

bool Grid::isColumnEnabled(int col) const { return col >= 0 && col < columnCount() && !column(col).readOnly; }

void Grid::setColumnEnabled(int col, bool on) {
    if (col < 0 || col >= columnCount()) return;
    model_->column(col).readOnly = !on;
    model_->columnChanged(col);
}

void Grid::setColumnTextColor(int col, const QColor& color) {
    if (col < 0 || col >= columnCount()) return;
    model_->column(col).textColor = color;
    model_->columnChanged(col);
}

// ---- cells ------------------------------------------------------------------

void Grid::setCell(int row, int col, const QString& text) {
    model_->update(row, col, [&](GridCell& c) { c.text = text; });
}

void Grid::setImage(int row, int col, int image, const QString& hint) {
    model_->update(row, col, [&](GridCell& c) {
        c.image = image;
        c.hint = hint;
    });
}

void Grid::setHint(int row, int col, const QString& hint) {
    model_->update(row, col, [&](GridCell& c) { c.hint = hint; });
}

void Grid::setCellColor(int row, int col, const QColor& background) {
    model_->update(row, col, [&](GridCell& c) { c.background = background; });
}

void Grid::setCellTextColor(int row, int col, const QColor& color) {
    model_->update(row, col, [&](GridCell& c) { c.textColor = color; });
}

void Grid::setCellEnabled(int row, int col, bool on) {
    model_->update(row, col, [&](GridCell& c) { c.enabled = on; });
}

void Grid::setCellEmpty(int row, int col, bool on) {
    model_->update(row, col, [&](GridCell& c) { c.empty = on; });
}

QString Grid::text() const { return cell(currentRow(), currentColumn()); }

void Grid::setText(const QString& t) { setCell(currentRow(), currentColumn(), t); }

// ---- selection --------------------------------------------------------------

void Grid::setCurrentCell(int row, int col) {
    QScopedValueRollback<bool> byCode(userMove_, false);
    if (isEditing() && !finishEdit()) cancelEdit();
    const QModelIndex ix = model_->index(row, col);
    if (!ix.isValid()) return;
    selectionModel()->setCurrentIndex(ix, QItemSelectionModel::ClearAndSelect);
    scrollTo(ix);
}

bool Grid::allowMove(int row, int col) {
    bool allow = true;
    emit beforeSelect(row, col, allow);
    return allow;
}

QModelIndex Grid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    // Qt also asks for a first cell when the grid gets the focus: no user move.
    if (!userMove_ || !next.isValid() || next == currentIndex()) return next;
    const int row = next.row(), col = next.column();
    if (!allowMove(row, col)) {
        moveRefused_ = true;
        return currentIndex();
    }
    return model_->index(row, col);  // the handler may have refilled the grid
}

void Grid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // A move made while a cell is in edit ends that edit first.
    if (isEditing() && current != editIndex_ && !finishing_ && !finishEdit()) cancelEdit();
    QTableView::currentChanged(current, previous);
    if (userMove_ && current.isValid()) emit selectCell(current.row(), current.column());
}

// ---- editing ----------------------------------------------------------------

bool Grid::isEditing() const { return editor_ && state() == EditingState; }

bool Grid::editCell(int row, int col) {
    setCurrentCell(row, col);
    const QModelIndex ix = model_->index(row, col);
    return ix.isValid() && edit(ix, AllEditTriggers, nullptr) && isEditing();
}

bool Grid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (isEditing()) return QTableView::edit(index, trigger, event);
    const QString before = cell(index.row(), index.column());
    if (!QTableView::edit(index, trigger, event)) return false;
    if (state() != EditingState) return true;
    editor_ = indexWidget(index);
    editIndex_ = index;
    emit cellEdit(index.row(), index.column(), before);
    return true;
}

bool Grid::finishEdit(Move move) {
    if (!isEditing()) return true;
    if (finishing_) return false;
    QScopedValueRollback<bool> guard(finishing_, true);
    QWidget* editor = editor_;
    const int row = editIndex_.row(), col = editIndex_.column();
    const QString value = delegateFor(column(col).kind)->editorValue(editor);
    bool accept = true;
    emit editAccept(row, col, value, accept);
    if (!isEditing() || editor_ != editor) return true;  // the handler ended the edit or refilled the grid
    if (!accept) {
        editor->setFocus();
        return false;
    }
    closeOpenEditor(QAbstractItemDelegate::NoHint);
    if (model_->contains(row, col) && cell(row, col) != value) {
        setCell(row, col, value);
        emit cellChange(row, col);
        emit events()->changed();
    }
    emit afterEdit(row, col);
    if (move != Move::Stay) moveAfterEdit(move);
    return true;
}

void Grid::cancelEdit() {
    if (!isEditing()) return;
    const int row = editIndex_.row(), col = editIndex_.column();
    closeOpenEditor(QAbstractItemDelegate::RevertModelCache);
    emit afterEdit(row, col);
}

void Grid::closeOpenEditor(QAbstractItemDelegate::EndEditHint hint) {
    QWidget* editor = editor_;
    editor_ = nullptr;
    editIndex_ = QPersistentModelIndex();
    QScopedValueRollback<bool> own(closingOwn_, true);
    QTableView::closeEditor(editor, hint);
}

void Grid::moveAfterEdit(Move move) {
    const CursorAction action = move == Move::Next       ? MoveNext
                                : move == Move::Previous ? MovePrevious
                                : move == Move::Up       ? MoveUp
                                                         : MoveDown;
    QScopedValueRollback<bool> user(userMove_, true);
    const QModelIndex next = moveCursor(action, Qt::NoModifier);
    if (!next.isValid() || next == currentIndex()) return;
    selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
    // Tab goes on editing, as in a form.
    if (move == Move::Next || move == Move::Previous) edit(currentIndex(), AllEditTriggers, nullptr);
}

// The grid ends its edits itself; Qt's own commits would bypass editAccept.
void Grid::commitData(QWidget* editor) {
    if (editor && editor == editor_) return;
    QTableView::commitData(editor);
}

void Grid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (!closingOwn_ && editor && editor == editor_) {
        cancelEdit();
        return;
    }
    QTableView::closeEditor(editor, hint);
}

// ---- mouse and keys ---------------------------------------------------------

void Grid::refusePress(QMouseEvent* e) {
    pressRefused_ = true;
    pressed_ = QPersistentModelIndex();
    e->accept();
}

// A double click sends two presses: the second one neither asks again nor
// clicks again (a double click on a bin deletes one line, not two), it only
// opens the editor.
void Grid::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const bool second = pressedBefore_ && e->timestamp() >= lastPressTime_ &&
                        e->timestamp() - lastPressTime_ < quint64(QApplication::doubleClickInterval()) &&
                        (pos - lastPressPos_).manhattanLength() <= QApplication::startDragDistance();
    pressedBefore_ = true;
    lastPressTime_ = e->timestamp();
    lastPressPos_ = pos;
    pressed_ = QPersistentModelIndex();
    if (second && pressRefused_) return refusePress(e);
    pressRefused_ = false;
    if (isEditing() && !finishEdit()) return refusePress(e);
    const QModelIndex target = indexAt(pos);
    const int imageBefore = target.isValid() ? image(target.row(), target.column()) : -1;
    if (target.isValid() && target != currentIndex() && !allowMove(target.row(), target.column()))
        return refusePress(e);
    // The handlers may have refilled the grid: look again. When they changed
    // the image under the mouse (the line was stored by the move: its "store"
    // image became the bin), the release is no click on the new image.
    if (e->button() == Qt::LeftButton && !second) {
        pressed_ = indexAt(pos);
        if (pressed_.isValid() && image(pressed_.row(), pressed_.column()) != imageBefore)
            pressed_ = QPersistentModelIndex();
    }
    QScopedValueRollback<bool> user(userMove_, true);
    QTableView::mousePressEvent(e);
}

void Grid::mouseReleaseEvent(QMouseEvent* e) {
    if (pressRefused_) {
        e->accept();
        return;
    }
    const QPersistentModelIndex pressed = pressed_;
    pressed_ = QPersistentModelIndex();
    const bool click = e->button() == Qt::LeftButton && pressed.isValid() && indexAt(e->position().toPoint()) == pressed;
    QTableView::mouseReleaseEvent(e);
    if (click && pressed.isValid()) emit cellClick(pressed.row(), pressed.column());
}

void Grid::mouseDoubleClickEvent(QMouseEvent* e) {
    if (pressRefused_ || indexAt(e->position().toPoint()) != currentIndex()) {
        e->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(e);
}

// Dragging over the cells selects nothing: it would move the current cell
// past beforeSelect.
void Grid::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() != Qt::NoButton) {
        e->accept();
        return;
    }
    QTableView::mouseMoveEvent(e);
}

void Grid::keyPressEvent(QKeyEvent* e) {
    if (isEditing()) {
        // A key the editor left passes up to the grid: it moves nothing.
        // A key the grid got while its editor is open (code gave the grid
        // the focus) belongs to the editor.
        QWidget* editor = editor_;
        if (QApplication::focusWidget() != this) return e->ignore();
        editor->setFocus();
        QCoreApplication::sendEvent(editor, e);
        return;
    }
    const QModelIndex cur = currentIndex();
    const bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
    if (cur.isValid() && plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        edit(cur, EditKeyPressed, e);
        e->accept();
        return;
    }
    if (cur.isValid() && plain && e->key() == Qt::Key_Space && column(cur.column()).kind == ColumnKind::Image) {
        emit cellClick(cur.row(), cur.column());
        e->accept();
        return;
    }
    moveRefused_ = false;
    QScopedValueRollback<bool> user(userMove_, true);
    QTableView::keyPressEvent(e);
    if (moveRefused_) e->accept();  // a refused Tab stays in the grid
}

}  // namespace stanor::toolkit
