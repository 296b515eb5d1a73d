#include "toolkit/Grid.h"

#include "toolkit/Controls.h"

#include <QHeaderView>
#include <QRegularExpression>

#include <cmath>

namespace stanor::toolkit {

QString formatNumber(const QString& text, const QString& format) {
    if (format.isEmpty() || text.trimmed().isEmpty()) return text;
    QString plain = text;
    plain.remove(u' ');
    bool ok = false;
    const double v = plain.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return text;

    const int dot = format.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : static_cast<int>(format.size()) - dot - 1;
    const QString intPart = dot < 0 ? format : format.left(dot);
    QChar group;
    if (intPart.contains(u' ')) group = u' ';
    else if (intPart.contains(u',')) group = u',';

    QString s = QString::number(std::fabs(v), 'f', decimals);
    const bool negative = v < 0 && s.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (!group.isNull()) {
        const int intEnd = decimals > 0 ? static_cast<int>(s.indexOf(u'.')) : static_cast<int>(s.size());
        for (int i = intEnd - 3; i > 0; i -= 3) s.insert(i, group);
    }
    return negative ? u'-' + s : s;
}

Grid::Grid(QWidget* parent) : QTableWidget(parent), FieldControl(this) {
    setItemDelegate(new GridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(20);
    connect(this, &QTableWidget::cellClicked, this, &Grid::cellClick);
    connect(this, &QTableWidget::cellChanged, this, &Grid::cellChange);
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col, int prevRow, int prevCol) {
        if (moving_ || row < 0) return;
        bool allow = true;
        emit beforeSelect(row, col, allow);
        if (!allow && prevRow >= 0) {
            moving_ = true;
            setCurrentCell(prevRow, prevCol);
            moving_ = false;
            return;
        }
        emit selectCell(row, col);
    });
}

void Grid::setColumns(std::vector<GridColumn> columns) {
    columns_ = std::move(columns);
    QTableWidget::setColumnCount(columnCount());
    QStringList headers;
    for (int c = 0; c < columnCount(); ++c) {
        headers << columns_[c].header;
        setColumnWidth(c, columns_[c].width);
    }
    setHorizontalHeaderLabels(headers);
}

GridColumn* Grid::columnByName(const QString& name) {
    const int c = columnIndex(name);
    return c < 0 ? nullptr : &columns_[c];
}

int Grid::columnIndex(const QString& name) const {
    for (int c = 0; c < columnCount(); ++c)
        if (columns_[c].name == name) return c;
    return -1;
}

QString Grid::cell(int row, int col) const {
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void Grid::setCell(int row, int col, const QString& text) {
    if (row < 0 || col < 0 || col >= columnCount()) return;
    if (row >= rowCount()) setRowCount(row + 1);
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, col, it);
    }
    it->setText(text);
    if (columns_[col].readOnly || columns_[col].kind == ColumnKind::Image)
        it->setFlags(it->flags() & ~Qt::ItemIsEditable);
}

void Grid::setCellImage(int row, int col, const QPixmap& picture, const QString& text) {
    setCell(row, col, text);
    if (QTableWidgetItem* it = item(row, col)) it->setData(Qt::DecorationRole, picture);
}

QString Grid::text() const { return cell(currentRow(), currentColumn()); }

void Grid::setText(const QString& t) { setCell(currentRow(), currentColumn(), t); }

void Grid::acceptEdit(int row, int col, const QString& value) {
    emit editAccept(row, col, value);
    emit events()->changed();
}

// ---- delegate ---------------------------------------------------------------

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() >= grid_->columnCount()) return;
    const GridColumn& col = grid_->column(index.column());
    if (col.kind == ColumnKind::Number) {
        option->text = formatNumber(option->text, col.displayFormat);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    } else if (col.kind == ColumnKind::Memo) {
        option->text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    } else if (col.kind == ColumnKind::Image) {
        option->text.clear();
    }
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    if (index.column() >= grid_->columnCount()) return QStyledItemDelegate::createEditor(parent, option, index);
    const GridColumn& col = grid_->column(index.column());
    if (col.readOnly) return nullptr;
    FieldControl* editor = nullptr;
    switch (col.kind) {
    case ColumnKind::Date: editor = new DatePicker(parent); break;
    case ColumnKind::Number: editor = new NumberEdit(parent); break;
    case ColumnKind::Combo: {
        auto* combo = new ComboBox(true, parent);
        combo->addItems(col.items);
        editor = combo;
        break;
    }
    case ColumnKind::Memo: editor = new Memo(parent); break;
    case ColumnKind::Image: return nullptr;
    case ColumnKind::Text: editor = new Edit(parent); break;
    }
    editor->setMaxLength(col.maxLength);
    editor->widget()->setAutoFillBackground(true);
    return editor->widget();
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (FieldControl* f = asFieldControl(editor)) f->setText(index.data(Qt::EditRole).toString());
    else QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    FieldControl* f = asFieldControl(editor);
    if (!f) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    QString value = f->text();
    if (qobject_cast<DatePicker*>(editor) && value == DatePicker::kEmptyMask) value.clear();
    if (model->data(index, Qt::EditRole).toString() == value) return;
    model->setData(index, value, Qt::EditRole);
    grid_->acceptEdit(index.row(), index.column(), value);
}

}  // namespace stanor::toolkit
