// The sorter of a photo list: header clicks, column types, and a sorter replaced by another.
#include "photos/ListViewSort.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeWidget>

#include <gtest/gtest.h>

using stanor::photos::TListViewSort;

namespace {

QTreeWidget* listOf(const std::vector<QStringList>& rows) {
    auto* view = new QTreeWidget;
    view->setColumnCount(3);
    for (const QStringList& r : rows) new QTreeWidgetItem(view, r);
    return view;
}

QStringList column(const QTreeWidget* view, int c) {
    QStringList out;
    for (int i = 0; i < view->topLevelItemCount(); ++i) out << view->topLevelItem(i)->text(c);
    return out;
}

}  // namespace

TEST(ListViewSort, AClickSortsAscendingTheSameColumnAgainTurnsTheOrderRound) {
    std::unique_ptr<QTreeWidget> view(listOf({{"b.jpg", "10"}, {"a.jpg", "9"}, {"c.jpg", "100"}}));
    TListViewSort sorter(view.get(), {0, 1}, 2026);
    EXPECT_EQ(sorter.SortColumn, -1);
    EXPECT_TRUE(sorter.Ascending);
    sorter.Sort();  // no sort column yet: nothing moves
    EXPECT_EQ(column(view.get(), 0), (QStringList{"b.jpg", "a.jpg", "c.jpg"}));

    emit view->header()->sectionClicked(1);
    EXPECT_EQ(column(view.get(), 1), (QStringList{"9", "10", "100"}));  // as numbers, not "10" < "100" < "9"
    emit view->header()->sectionClicked(1);
    EXPECT_EQ(column(view.get(), 1), (QStringList{"100", "10", "9"}));
    EXPECT_FALSE(sorter.Ascending);
    emit view->header()->sectionClicked(0);  // another column: ascending again
    EXPECT_EQ(column(view.get(), 0), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(sorter.SortColumn, 0);
    EXPECT_TRUE(sorter.Ascending);
}

TEST(ListViewSort, LinesWithoutTheirSubItemAndMissingLines) {
    // A line without the sub-item sorts as the empty text; a missing line comes first.
    std::unique_ptr<QTreeWidget> view(listOf({{"b", "x"}, {"a"}}));
    TListViewSort sorter(view.get(), {0, 0}, 2026);
    emit view->header()->sectionClicked(1);
    EXPECT_EQ(column(view.get(), 0), (QStringList{"a", "b"}));
    EXPECT_LT(sorter.Compare(nullptr, view->topLevelItem(0), 0, true), 0);
    EXPECT_GT(sorter.Compare(view->topLevelItem(0), nullptr, 0, false), 0);
}

TEST(ListViewSort, ASorterDestroyedNoLongerSortsAndTheSelectionStays) {
    std::unique_ptr<QTreeWidget> view(listOf({{"b"}, {"c"}, {"a"}}));
    view->topLevelItem(1)->setSelected(true);  // "c"
    int selectionSignals = 0;
    QObject::connect(view.get(), &QTreeWidget::itemSelectionChanged, [&] { ++selectionSignals; });
    {
        TListViewSort first(view.get(), {0}, 2026);
        emit view->header()->sectionClicked(0);
        EXPECT_EQ(column(view.get(), 0), (QStringList{"a", "b", "c"}));
        ASSERT_EQ(view->selectedItems().size(), 1);
        EXPECT_EQ(view->selectedItems().front()->text(0), "c");
        EXPECT_EQ(selectionSignals, 0);  // moving lines is no new choice of the user
    }
    TListViewSort second(view.get(), {0}, 2026);
    emit view->header()->sectionClicked(0);  // only the second one answers: ascending, nothing toggled twice
    EXPECT_EQ(column(view.get(), 0), (QStringList{"a", "b", "c"}));
    emit view->header()->sectionClicked(0);
    EXPECT_EQ(column(view.get(), 0), (QStringList{"c", "b", "a"}));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
