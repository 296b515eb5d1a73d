#pragma once
// The handlers of particular fields: after the generic field event they keep
// the record header in step (stock number, colour, power and mileage, entry
// date, the customer's identity, phones and e-mail), remember the site chosen
// for the next new record, arm the duplicate-customer check, show the option
// lists of demonstrators and new vehicles, and filter the keys typed into
// numeric, phone, registration and name fields.

#include "pages/EditingHost.h"
#include "pages/EventBindings.h"
#include "pages/HeaderStrip.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

namespace stanor::pages {

class FieldHooks;

class FieldRules {
public:
    FieldRules(FieldHooks& hooks, RecordViewState& state, RecordViewForm& form, const RecordViewHost& view,
               const EditingHost& host)
        : hooks_(hooks), s_(state), f_(form), v_(view), h_(host) {}

    // Installs every handler of this class by its name.
    void install(PageHandlers& handlers);

    // The keyboard filters of numeric edits (bound by no designed control):
    // a refused key is discarded with the warning sound.
    void EditNumKeyPress(EventArgs& a);
    void EditRealKeyPress(EventArgs& a);

private:
    HeaderStrip header() { return HeaderStrip(s_, f_); }
    void dblChange(const char* kind);
    void toggleOptions(const char* prefix);
    void optionsEntered(const char* prefix);
    void optionsLeft(const char* prefix);
    void setInfoOptions(const QString& text);
    void installKeyFilters(PageHandlers& handlers);

    FieldHooks& hooks_;
    RecordViewState& s_;
    RecordViewForm& f_;
    const RecordViewHost& v_;
    const EditingHost& h_;
};

}  // namespace stanor::pages
