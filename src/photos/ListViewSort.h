#pragma once
// TListViewSort: sorts the lines of a list view by one column, by the
// column's type, and sorts again on a click on a column header (the same
// column again turns the order round). Created for one list view; destroying
// it takes its header click away.

#include "photos/SortKeys.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QTreeWidget;
class QTreeWidgetItem;

namespace stanor::photos {

class TListViewSort : public QObject {
    Q_OBJECT
public:
    // `types`: one code per column (0 text, 1 integer, 2 decimal, 3 date, 4
    // time, 5 date and time); `thisYear` places two-digit years.
    TListViewSort(QTreeWidget* view, QList<int> types, int thisYear, QObject* parent = nullptr);
    ~TListViewSort() override;

    int SortColumn = -1;
    bool Ascending = true;

    // A header click: the same column toggles the order, another one sorts
    // ascending; that column becomes the sort column.
    void ColumnClick(int column);
    // Sorts by the sort column in the current order, when it is one of the view's columns.
    void Sort();

    // Negative, zero or positive as `a` comes before, with or after `b` for
    // that column and order (a missing line comes first).
    int Compare(const QTreeWidgetItem* a, const QTreeWidgetItem* b, int column, bool ascending) const;

private:
    void sortBy(int column, bool ascending);

    QPointer<QTreeWidget> view_;
    QList<int> types_;
    int thisYear_;
    QMetaObject::Connection click_;
};

}  // namespace stanor::photos
