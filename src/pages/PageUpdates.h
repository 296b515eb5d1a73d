#pragma once
// The form's change detection: after every field event (and after a page is
// filled) the page's pending statement is built again from its fields, shown
// in LbDebugInfo2, and the save and new-record buttons follow whether
// anything is pending on the record.

#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"
#include "records/PageStatement.h"

#include <array>

namespace stanor::pages {

class PageUpdates {
public:
    PageUpdates(RecordViewState& state, RecordViewForm& form, const RecordViewHost& host)
        : s_(state), f_(form), h_(host) {}

    // Builds the page's pending statement (nothing while pages are being
    // filled). Returns whether a field of the page is changed.
    bool TestPageUpdate(int page);

    // The last result for the page: the statement, whether it inserts, the
    // fields it stores and those it cannot. Pages of another record kind
    // hold nothing.
    const records::PageStatement& pending(int page) const;
    // Whether a described page of the record has changes.
    bool anyChanged() const;

private:
    records::RecordState recordState() const;
    void forgetUndescribedPages();

    RecordViewState& s_;
    RecordViewForm& f_;
    const RecordViewHost& h_;
    std::array<records::PageStatement, kPageCount> last_{};
};

}  // namespace stanor::pages
