#pragma once
// The date fields checked when the user leaves them: a date outside its
// range (the server's date, the record's lower limit, another date of the
// record, 18 years before today) or a text that is no date is refused with a
// message, the loaded value comes back and the focus returns to the field.

#include "pages/EditingHost.h"
#include "pages/EventBindings.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"
#include "rules/DateChecks.h"

class QWidget;

namespace stanor::pages {

class FieldHooks;

// A date a save may not store, and why.
struct DateFault {
    QWidget* control = nullptr;
    QString message;
};

class DateExits {
public:
    DateExits(FieldHooks& hooks, RecordViewState& state, RecordViewForm& form, const RecordViewHost& view,
              const EditingHost& host)
        : hooks_(hooks), s_(state), f_(form), v_(view), h_(host) {}

    // Installs the exit handler of every checked date control.
    void install(PageHandlers& handlers);

    // Checks the sender's date against the range; true when it was refused.
    bool TestDateChange(QWidget* sender, const rules::DateRange& range);
    // The range of a control's exit check today, or none when it checks nothing.
    std::optional<rules::DateRange> rangeOf(const rules::DateExitRule& rule);
    // The first changed date of the record that a save may not store: out of
    // the range its exit check gives it, or no date at all, whichever way the
    // focus left the field (a tab clicked, Ctrl+Tab, the wheel on the tabs,
    // or no exit check at all). Nothing when every date holds.
    std::optional<DateFault> firstRefusedDate();

private:
    FieldHooks& hooks_;
    RecordViewState& s_;
    RecordViewForm& f_;
    const RecordViewHost& v_;
    const EditingHost& h_;
};

}  // namespace stanor::pages
