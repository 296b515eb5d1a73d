#pragma once
// An editable grid with typed columns (text, date, number with a display
// format, combo, memo, image). Cells hold text; each column's kind chooses its
// editor and how the text is shown.

#include "toolkit/FieldControl.h"

#include <QStyledItemDelegate>
#include <QTableWidget>

#include <vector>

namespace stanor::toolkit {

enum class ColumnKind { Text, Date, Number, Combo, Memo, Image };

struct GridColumn {
    QString name{};    // looked up by the code ("idCom", "DateAction")
    QString header{};  // shown caption
    ColumnKind kind = ColumnKind::Text;
    int width = 80;
    QString displayFormat{};  // numbers: "0", "0.00", "# ##0.00"
    QStringList items{};      // combo columns: the choices
    bool readOnly = false;
    int maxLength = 0;
};

// Writes a number with a display format made of "#", "0", "." and an optional
// thousands group " " or ","; a text that is no number is shown as it is.
QString formatNumber(const QString& text, const QString& format);

class Grid : public QTableWidget, public FieldControl {
    Q_OBJECT
    STANOR_FIELD_CONTROL
public:
    explicit Grid(QWidget* parent = nullptr);

    void setColumns(std::vector<GridColumn> columns);
    int columnCount() const { return static_cast<int>(columns_.size()); }
    const GridColumn& column(int c) const { return columns_.at(c); }
    GridColumn* columnByName(const QString& name);
    int columnIndex(const QString& name) const;

    QString cell(int row, int col) const;
    void setCell(int row, int col, const QString& text);
    // Image cells show the picture; their text is the image's file name.
    void setCellImage(int row, int col, const QPixmap& picture, const QString& text = {});

    // The grid's text is the text of the current cell.
    QString text() const override;
    void setText(const QString& t) override;

signals:
    // An edit of a cell was accepted (the new text is in the cell).
    void editAccept(int row, int col, const QString& value);
    // The current cell is about to move; a handler may refuse by clearing allow.
    void beforeSelect(int row, int col, bool& allow);
    void selectCell(int row, int col);
    void cellClick(int row, int col);
    // The text of a cell changed (by an edit or by code).
    void cellChange(int row, int col);

private:
    friend class GridDelegate;
    void acceptEdit(int row, int col, const QString& value);
    std::vector<GridColumn> columns_;
    bool moving_ = false;
};

// Editors and display per column kind.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(Grid* grid) : QStyledItemDelegate(grid), grid_(grid) {}
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    Grid* grid_;
};

}  // namespace stanor::toolkit
