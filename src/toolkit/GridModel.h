#pragma once
// The data behind an editable grid: its typed columns and a plain store of
// lines, each cell holding its text and how it is shown (image, hint,
// colours, enabled). The table model only adapts that store to Qt's item
// views; the grid's handlers keep their own line store of loaded and current
// values and copy what they show into these cells.

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QList>
#include <QStringList>

#include <vector>

namespace stanor::toolkit {

enum class ColumnKind {
    Text,       // single line, at most maxLength characters
    Date,       // "dd/mm/yyyy" with the date picker; "" when no date
    Number,     // right-aligned, shown with displayFormat ("#,##0.00")
    Combo,      // drop-down list: only one of the column's items
    Memo,       // several lines (CR LF breaks)
    Image,      // an index into the grid's images, with a hint per cell; clickable
    ComboText,  // typed text, offering the column's items and completing its words
};

struct GridColumn {
    QString name{};    // looked up by the code ("idCom", "DateAction")
    QString header{};  // shown caption
    ColumnKind kind = ColumnKind::Text;
    int width = 80;
    QString displayFormat{};  // numbers: "0", "0.00", "#,##0.00"
    QStringList items{};      // combo columns: the choices
    bool readOnly = false;    // no cell of the column can be edited
    int maxLength = 0;        // 0 = no limit
    QStringList words{};      // typed combo columns: words completed while typing
    QColor textColor{};       // text of the whole column; invalid = the grid's
    Qt::Alignment align{};    // empty = left (numbers: right)
    bool wordWrap = false;    // memo columns: wrap long texts instead of one line
};

struct GridCell {
    QString text{};
    int image = -1;     // image columns: index into the grid's images, -1 = none
    QString hint{};     // shown when the mouse rests on the cell
    QColor background{};  // invalid = the grid's
    QColor textColor{};   // invalid = the column's
    bool enabled = true;  // the cell may be edited (its column permitting)
    // An empty cell (of a column the user has no right to) cannot be edited;
    // its text shows greyed, as in a disabled field, so that a line is never
    // taken for a blank one.
    bool empty = false;
};

// Writes a number with a display format made of "#", "0", "." and an optional
// thousands group " " or ","; a text that is no number is shown as it is.
QString formatNumber(const QString& text, const QString& format);

// A number as typed in a grid cell, in the form the program stores: spaces
// removed, a decimal comma read as a point ("12,5" -> "12.5"); with both
// marks the last one is the decimal mark and the other groups thousands
// ("1.500,00" and "1,500.00" -> "1500.00"), a repeated mark alone groups
// thousands ("1.234.567"). A text that is still no number is returned as
// typed.
QString normalizeNumber(const QString& typed);

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The image index of an image cell, under Qt::UserRole.
    static constexpr int ImageRole = Qt::UserRole;

    explicit GridModel(QObject* parent = nullptr);

    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return columns_; }
    const GridColumn& column(int c) const { return columns_.at(size_t(c)); }
    // For changes of captions, items, words, colours and enabling.
    GridColumn& column(int c) { return columns_.at(size_t(c)); }
    // Tells the views that column c's look or enabling changed.
    void columnChanged(int c);

    void setImages(QList<QIcon> images) { images_ = std::move(images); }
    const QList<QIcon>& images() const { return images_; }

    int lineCount() const { return static_cast<int>(rows_.size()); }
    void setLineCount(int n);
    void insertLine(int at);
    void removeLine(int at);
    // Removes count lines from row on, for the views and for any caller of
    // Qt's item model; false, removing nothing, unless they all are lines.
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    bool contains(int row, int col) const;
    // Cell (row, col); an empty cell outside the grid.
    const GridCell& cell(int row, int col) const;
    // Replaces a cell; rows are added up to row when needed.
    void setCell(int row, int col, const GridCell& cell);
    // Changes one cell in place; rows are added up to row when needed.
    template <class F>
    void update(int row, int col, F&& change) {
        if (col < 0 || col >= columnCount() || row < 0) return;
        if (row >= lineCount()) setLineCount(row + 1);
        change(rows_[size_t(row)][size_t(col)]);
        const QModelIndex ix = index(row, col);
        emit dataChanged(ix, ix);
    }
    // Whether the user may open an editor on the cell.
    bool isEditable(int row, int col) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<GridColumn> columns_;
    std::vector<std::vector<GridCell>> rows_;
    QList<QIcon> images_;
};

}  // namespace stanor::toolkit
