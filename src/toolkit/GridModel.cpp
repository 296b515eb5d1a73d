#include "toolkit/GridModel.h"

#include <QBrush>
#include <QPalette>
#include <QRegularExpression>

#include <cmath>

namespace stanor::toolkit {

QString normalizeNumber(const QString& typed) {
    QString s = typed;
    s.remove(u' ');
    s.remove(QChar(0x00A0));  // no-break spaces of pasted amounts
    s.remove(QChar(0x202F));
    // As French users type numbers: with both marks the last one is the
    // decimal mark and the other groups thousands ("1.500,00", "1,500.00");
    // one mark alone is the decimal mark unless it is repeated ("1.234.567").
    const qsizetype dot = s.lastIndexOf(u'.'), comma = s.lastIndexOf(u',');
    QChar decimal;
    if (dot >= 0 && comma >= 0) decimal = dot > comma ? u'.' : u',';
    else if (dot >= 0 && s.count(u'.') == 1) decimal = u'.';
    else if (comma >= 0 && s.count(u',') == 1) decimal = u',';
    // Thousands groups hold three digits each: "1,5,0" is no number.
    const qsizetype decimalAt = decimal.isNull() ? s.size() : s.lastIndexOf(decimal);
    const QStringList groups = s.left(decimalAt).split(QRegularExpression(QStringLiteral("[.,]")));
    for (qsizetype i = 1; i < groups.size(); ++i)
        if (groups[i].size() != 3) return typed;
    const QChar grouping = decimal == u'.' ? u',' : u'.';
    if (!decimal.isNull()) {
        s.remove(grouping);
        s.replace(decimal, u'.');
    } else {
        s.remove(u'.');
        s.remove(u',');
    }
    bool ok = false;
    const double v = s.toDouble(&ok);
    return ok && std::isfinite(v) ? s : typed;
}

QString formatNumber(const QString& text, const QString& format) {
    if (format.isEmpty() || text.trimmed().isEmpty()) return text;
    bool ok = false;
    const double v = normalizeNumber(text).toDouble(&ok);
    if (!ok || !std::isfinite(v)) return text;

    const int dot = format.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : static_cast<int>(format.size()) - dot - 1;
    const QString intPart = dot < 0 ? format : format.left(dot);
    QChar group;
    if (intPart.contains(u' ')) group = u' ';
    else if (intPart.contains(u',')) group = u',';

    QString s = QString::number(std::fabs(v), 'f', decimals);
    static const QRegularExpression nonZero(QStringLiteral("[1-9]"));
    const bool negative = v < 0 && s.contains(nonZero);
    if (!group.isNull()) {
        const int intEnd = decimals > 0 ? static_cast<int>(s.indexOf(u'.')) : static_cast<int>(s.size());
        for (int i = intEnd - 3; i > 0; i -= 3) s.insert(i, group);
    }
    return negative ? u'-' + s : s;
}

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setColumns(std::vector<GridColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    for (auto& row : rows_) row.resize(columns_.size());
    endResetModel();
}

void GridModel::columnChanged(int c) {
    if (c < 0 || c >= columnCount()) return;
    emit headerDataChanged(Qt::Horizontal, c, c);
    if (!rows_.empty()) emit dataChanged(index(0, c), index(lineCount() - 1, c));
}

void GridModel::setLineCount(int n) {
    n = std::max(n, 0);
    const int now = lineCount();
    if (n > now) {
        beginInsertRows({}, now, n - 1);
        rows_.resize(size_t(n), std::vector<GridCell>(columns_.size()));
        endInsertRows();
    } else if (n < now) {
        beginRemoveRows({}, n, now - 1);
        rows_.resize(size_t(n));
        endRemoveRows();
    }
}

void GridModel::insertLine(int at) {
    at = std::clamp(at, 0, lineCount());
    beginInsertRows({}, at, at);
    rows_.insert(rows_.begin() + at, std::vector<GridCell>(columns_.size()));
    endInsertRows();
}

void GridModel::removeLine(int at) { removeRows(at, 1); }

bool GridModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count < 1 || count > lineCount() - row) return false;
    beginRemoveRows({}, row, row + count - 1);
    rows_.erase(rows_.begin() + row, rows_.begin() + row + count);
    endRemoveRows();
    return true;
}

bool GridModel::contains(int row, int col) const {
    return row >= 0 && row < lineCount() && col >= 0 && col < columnCount();
}

const GridCell& GridModel::cell(int row, int col) const {
    static const GridCell none;
    return contains(row, col) ? rows_[size_t(row)][size_t(col)] : none;
}

void GridModel::setCell(int row, int col, const GridCell& c) {
    update(row, col, [&](GridCell& target) { target = c; });
}

bool GridModel::isEditable(int row, int col) const {
    if (!contains(row, col)) return false;
    const GridColumn& column = columns_[size_t(col)];
    const GridCell& c = rows_[size_t(row)][size_t(col)];
    return !column.readOnly && column.kind != ColumnKind::Image && c.enabled && !c.empty;
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : lineCount(); }

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!contains(index.row(), index.column())) return {};
    const GridColumn& column = columns_[size_t(index.column())];
    const GridCell& c = rows_[size_t(index.row())][size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        if (column.kind == ColumnKind::Image) return QString();
        if (column.kind == ColumnKind::Number) return formatNumber(c.text, column.displayFormat);
        if (column.kind == ColumnKind::Memo) {
            QString shown = c.text;
            return shown.replace(QStringLiteral("\r\n"), column.wordWrap ? QStringLiteral("\n") : QStringLiteral(" "));
        }
        return c.text;
    case Qt::EditRole: return c.text;
    case Qt::ToolTipRole: return c.hint.isEmpty() ? QVariant() : QVariant(c.hint);
    case Qt::DecorationRole:
        if (column.kind == ColumnKind::Image && c.image >= 0 && c.image < images_.size()) return images_[c.image];
        return {};
    case ImageRole: return c.image;
    case Qt::BackgroundRole: return c.background.isValid() ? QVariant(QBrush(c.background)) : QVariant();
    case Qt::ForegroundRole: {
        if (c.empty) return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        const QColor color = c.textColor.isValid() ? c.textColor : column.textColor;
        return color.isValid() ? QVariant(QBrush(color)) : QVariant();
    }
    case Qt::TextAlignmentRole: {
        if (column.align) return QVariant::fromValue(column.align | Qt::AlignVCenter);
        if (column.kind == ColumnKind::Number) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (column.kind == ColumnKind::Image) return QVariant::fromValue(Qt::AlignCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default: return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !contains(index.row(), index.column())) return false;
    update(index.row(), index.column(), [&](GridCell& c) { c.text = value.toString(); });
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section >= 0 && section < columnCount() ? QVariant(columns_[size_t(section)].header) : QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!contains(index.row(), index.column())) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (isEditable(index.row(), index.column())) f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace stanor::toolkit
