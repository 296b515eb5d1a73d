#include "photos/ListViewSort.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

namespace stanor::photos {

TListViewSort::TListViewSort(QTreeWidget* view, QList<int> types, int thisYear, QObject* parent)
    : QObject(parent), view_(view), types_(std::move(types)), thisYear_(thisYear) {
    if (!view_) return;
    view_->header()->setSectionsClickable(true);
    click_ = connect(view_->header(), &QHeaderView::sectionClicked, this, &TListViewSort::ColumnClick);
}

TListViewSort::~TListViewSort() { disconnect(click_); }

int TListViewSort::Compare(const QTreeWidgetItem* a, const QTreeWidgetItem* b, int column, bool ascending) const {
    if (!a) return -1;
    if (!b) return 1;
    // Column 0 is the caption, the others the sub-items; a line without that
    // sub-item gives the empty text.
    const ColumnType type = columnTypeOf(column >= 0 && column < types_.size() ? types_[column] : 0);
    const int r = compareAs(type, a->text(column), b->text(column), thisYear_);
    return ascending ? r : -r;
}

void TListViewSort::sortBy(int column, bool ascending) {
    if (!view_) return;
    QTreeWidgetItem* current = view_->currentItem();
    const QList<QTreeWidgetItem*> selected = view_->selectedItems();
    QList<QTreeWidgetItem*> items;
    const bool blocked = view_->blockSignals(true);  // the lines move, the selection stays
    while (view_->topLevelItemCount() > 0) items.push_back(view_->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return Compare(a, b, column, ascending) < 0;
    });
    view_->addTopLevelItems(items);
    if (current) view_->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* s : selected) s->setSelected(true);
    view_->blockSignals(blocked);
    view_->viewport()->update();
}

void TListViewSort::ColumnClick(int column) {
    Ascending = column == SortColumn ? !Ascending : true;
    sortBy(column, Ascending);
    SortColumn = column;
}

void TListViewSort::Sort() {
    if (view_ && SortColumn >= 0 && SortColumn < view_->columnCount()) sortBy(SortColumn, Ascending);
}

}  // namespace stanor::photos
