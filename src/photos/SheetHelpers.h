#pragma once
// Small helpers shared by the photo page's handlers.

#include <QApplication>
#include <QList>
#include <QTreeWidget>

namespace stanor::photos {

// The hourglass while the page works or waits for a request.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Marks the page busy for one command; another command meanwhile is ignored
// (the requests keep the window's events going, clicks included).
struct Busy {
    explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
    ~Busy() { flag_ = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    bool& flag_;
};

inline QTreeWidgetItem* selectedItem(QTreeWidget* list) {
    if (!list) return nullptr;
    const QList<QTreeWidgetItem*> s = list->selectedItems();
    return s.isEmpty() ? nullptr : s.front();
}

}  // namespace stanor::photos
