#pragma once
// One delegate per column kind of the editable grid: each creates the editor
// of its kind (the toolkit's own controls), hands the edited value back in
// the form the cell stores, and lets the grid's drawing handler colour the
// cell. Keys and focus of the open editor go to the grid, which decides
// whether the edit is accepted.

#include "toolkit/GridModel.h"

#include <QStyledItemDelegate>

namespace stanor::toolkit {

class Grid;

class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(Grid* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // The value an open editor holds, in the form the cell stores.
    virtual QString editorValue(QWidget* editor) const;
    // The grid is going: an editor destroyed with it ends nothing.
    void detach() { grid_ = nullptr; }

protected:
    virtual QWidget* makeEditor(QWidget* parent, const GridColumn& column) const = 0;
    // Whether Up and Down end the edit and move (single-line editors) or
    // belong to the editor (lists, memos).
    virtual bool arrowsLeave(QWidget*) const { return true; }
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;

    Grid* grid_;
};

class TextDelegate : public GridDelegate {
    Q_OBJECT
public:
    using GridDelegate::GridDelegate;

protected:
    QWidget* makeEditor(QWidget* parent, const GridColumn& column) const override;
};

// Amounts: typed "12,5" or "1 234,50" is stored "12.5" / "1234.50".
class NumberDelegate : public GridDelegate {
    Q_OBJECT
public:
    using GridDelegate::GridDelegate;
    QString editorValue(QWidget* editor) const override;

protected:
    QWidget* makeEditor(QWidget* parent, const GridColumn& column) const override;
};

// The date picker; its empty mask is stored as "".
class DateDelegate : public GridDelegate {
    Q_OBJECT
public:
    using GridDelegate::GridDelegate;
    QString editorValue(QWidget* editor) const override;

protected:
    QWidget* makeEditor(QWidget* parent, const GridColumn& column) const override;
};

// A list-only drop-down of the column's items; a cell whose text is no item
// keeps it unless another item is chosen.
class ListDelegate : public GridDelegate {
    Q_OBJECT
public:
    using GridDelegate::GridDelegate;
    QString editorValue(QWidget* editor) const override;

protected:
    QWidget* makeEditor(QWidget* parent, const GridColumn& column) const override;
    bool arrowsLeave(QWidget*) const override { return false; }
};

// Typed text with the column's items to choose from, completing the
// column's words (its items when it has no words) while typing.
class ComboTextDelegate : public GridDelegate {
    Q_OBJECT
public:
    using GridDelegate::GridDelegate;
    QString editorValue(QWidget* editor) const override;

protected:
    QWidget* makeEditor(QWidget* parent, const GridColumn& column) const override;
    bool arrowsLeave(QWidget* editor) const override;
};

// Several lines: Enter ends the edit, Shift+Enter or Ctrl+Enter breaks the line.
class MemoDelegate : public GridDelegate {
    Q_OBJECT
public:
    using GridDelegate::GridDelegate;

protected:
    QWidget* makeEditor(QWidget* parent, const GridColumn& column) const override;
    bool arrowsLeave(QWidget*) const override { return false; }

public:
    // A few lines high, whatever the row's height.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};

// The cell's image from the grid's images, centred; no editor.
class ImageDelegate : public GridDelegate {
    Q_OBJECT
public:
    using GridDelegate::GridDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QWidget* makeEditor(QWidget*, const GridColumn&) const override { return nullptr; }
};

}  // namespace stanor::toolkit
