#pragma once
// The editable grid of the sheets (costs, actions, a customer's vehicles):
// a table view over GridModel with one delegate per column kind. It raises
// the events that the form's grid handlers bind, in this order:
//
//   a user move of the current cell   beforeSelect (may refuse), selectCell
//   a click (press and release)       cellClick, after the move it made
//   an editor opens (F2, Enter,
//     typing, double click)           cellEdit, with the cell's text
//   the edit ends (Enter, Tab, Up/Down
//     in one-line editors, a click
//     elsewhere, leaving the grid)    editAccept (may refuse: the editor stays
//                                     open with the typed text), then the cell
//                                     takes the value, cellChange when it
//                                     differs, afterEdit
//   Escape                            the editor closes, the cell keeps its
//                                     value, afterEdit
//   every cell drawn                  cellFormating
//
// Moves made by code (setCurrentCell) raise neither beforeSelect nor selectCell.

#include "toolkit/FieldControl.h"
#include "toolkit/GridModel.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

#include <map>
#include <vector>

namespace stanor::toolkit {

class GridDelegate;

// What the drawing handler may change in one cell.
struct GridCellFormat {
    bool selected = false;  // the cell is drawn as the selection (read only)
    QColor textColor{};     // invalid = the grid's
    QColor background{};    // invalid = the grid's
    bool bold = false;
};

class Grid : public QTableView, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    // Where the current cell goes once an edit is accepted.
    enum class Move { Stay, Next, Previous, Up, Down };

    explicit Grid(QWidget* parent = nullptr);
    ~Grid() override;

    GridModel* gridModel() const { return model_; }

    // ---- columns
    void setColumns(std::vector<GridColumn> columns);
    int columnCount() const { return model_->columnCount(); }
    const GridColumn& column(int c) const { return model_->column(c); }
    // Items, words and limits changed through it apply to the next edit.
    GridColumn* columnByName(const QString& name);
    int columnIndex(const QString& name) const;
    // A column as its tab description gives it: its caption and its width,
    // a width of 0 hiding it.
    void describeColumn(int col, const QString& caption, int width);
    bool isColumnEnabled(int col) const;
    void setColumnEnabled(int col, bool on);
    void setColumnTextColor(int col, const QColor& color);

    // ---- lines
    int rowCount() const { return model_->lineCount(); }
    void setRowCount(int n) { model_->setLineCount(n); }
    void insertRow(int at) { model_->insertLine(at); }
    void removeRow(int at) { model_->removeLine(at); }
    // Empties the grid: an open edit is abandoned as Escape does, then every line goes.
    void clearLines();

    // ---- cells (rows are added up to the one written)
    QString cell(int row, int col) const { return model_->cell(row, col).text; }
    void setCell(int row, int col, const QString& text);
    const GridCell& cellData(int row, int col) const { return model_->cell(row, col); }
    int image(int row, int col) const { return model_->cell(row, col).image; }
    void setImage(int row, int col, int image, const QString& hint = {});
    void setHint(int row, int col, const QString& hint);
    void setCellColor(int row, int col, const QColor& background);
    void setCellTextColor(int row, int col, const QColor& color);
    bool isCellEnabled(int row, int col) const { return model_->cell(row, col).enabled; }
    void setCellEnabled(int row, int col, bool on);
    void setCellEmpty(int row, int col, bool on);

    // The pictures of image cells; by default standardImages().
    void setImages(QList<QIcon> images) { model_->setImages(std::move(images)); }
    // 0 = delete the line, 1 = store the new line, 2 = the line may not be deleted.
    static QList<QIcon> standardImages();

    // ---- selection
    int currentRow() const { return currentIndex().row(); }
    int currentColumn() const { return currentIndex().column(); }
    // Moves the current cell by code; an open edit is ended first, and
    // abandoned when its value is refused.
    void setCurrentCell(int row, int col);
    // Shows the first line and the first column (a grid loaded again opens
    // at its start, whatever cell was current before).
    void scrollToStart();

    // ---- editing
    // Opens the editor on a cell, as F2 does there; false when the cell may not be edited.
    bool editCell(int row, int col);
    bool isEditing() const;
    // The open editor (an Edit, NumberEdit, DatePicker, ComboBox or Memo), or nullptr.
    QWidget* inplaceEditor() const { return isEditing() ? editor_.data() : nullptr; }
    // Ends the open edit as Enter does, then moves; false when the value was
    // refused (the editor stays open) or the call came from inside the ending.
    bool finishEdit(Move move = Move::Stay);
    // Closes the editor and keeps the cell's value, as Escape does.
    void cancelEdit();

    // The grid's text is the text of the current cell.
    QString text() const override;
    void setText(const QString& t) override;

signals:
    void cellEdit(int row, int col, const QString& value);
    void editAccept(int row, int col, const QString& value, bool& accept);
    void cellChange(int row, int col);
    void afterEdit(int row, int col);
    void beforeSelect(int row, int col, bool& allow);
    void selectCell(int row, int col);
    void cellClick(int row, int col);
    void cellFormating(int row, int col, stanor::toolkit::GridCellFormat& format);

protected:
    friend class GridDelegate;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // No type-ahead search: it would move the current cell past beforeSelect.
    void keyboardSearch(const QString&) override { }
    void keyPressEvent(QKeyEvent* e) override;

private:
    GridDelegate* delegateFor(ColumnKind kind) const;
    bool allowMove(int row, int col);
    void closeOpenEditor(QAbstractItemDelegate::EndEditHint hint);
    void moveAfterEdit(Move move);
    void refusePress(QMouseEvent* e);

    GridModel* model_;
    std::map<ColumnKind, GridDelegate*> delegates_;
    QPointer<QWidget> editor_;
    QPersistentModelIndex editIndex_;
    QPersistentModelIndex pressed_;  // the cell a left press was accepted on, until its release
    bool finishing_ = false;
    bool closingOwn_ = false;
    bool userMove_ = false;     // the current cell moves by mouse or keys
    bool moveRefused_ = false;  // beforeSelect refused the last key move
    bool pressRefused_ = false;
    // The last press, to know the second press of a double click.
    bool pressedBefore_ = false;
    quint64 lastPressTime_ = 0;
    QPoint lastPressPos_;
};

}  // namespace stanor::toolkit
