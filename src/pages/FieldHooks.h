#pragma once
// The generic field events: a change in a claimed control stores what the
// control shows as its field's CurrentValue (in the value form of its
// kind) and asks for the page to be examined again. Field-specific handlers
// call these first.

#include "pages/TabModel.h"

#include <functional>

class QWidget;

namespace stanor::pages {

class ReferenceLists;

class FieldHooks {
public:
    FieldHooks(ReferenceLists& lists, TraceFn trace) : lists_(lists), trace_(std::move(trace)) {}

    void setPages(Pages* pages) { pages_ = pages; }
    // Examines the page for pending changes (does nothing while loading).
    std::function<void(int page)> testPageUpdate;
    // Caption of LbInfoOptions for the option lists.
    std::function<void(const QString&)> setInfoOptions;

    // Edits: the text ("__/__/____" counts as empty for dates).
    void EditChange(QWidget* sender);
    // Combo boxes: the item's text before " : ", or its position (booleans
    // "True"/"False", salespeople their identifier).
    void CBoxChange(QWidget* sender);
    // List boxes: ";"-enclosed keys of the selected items.
    void LBoxChange(QWidget* sender);

    // The field row of a claimed control and its page; nullptr otherwise.
    TsDesc* rowOf(const QWidget* control, int* page = nullptr) const;

private:
    void changed(int page);
    ReferenceLists& lists_;
    TraceFn trace_;
    Pages* pages_ = nullptr;
};

}  // namespace stanor::pages
