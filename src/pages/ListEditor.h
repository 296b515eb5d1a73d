#pragma once
// Adding the text shown in an editable reference list to its table, or
// deleting it, from the combo box in list-editing mode: the question, the
// statement, the request, then the lists and the record loaded again so that
// every combo box offers the list as stored.

#include "pages/EditingHost.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

class QWidget;

namespace stanor::pages {

class FieldHooks;

class ListEditor {
public:
    ListEditor(FieldHooks& hooks, RecordViewForm& form, const RecordViewHost& view, const EditingHost& host)
        : hooks_(hooks), f_(form), v_(view), h_(host) {}

    // mode -1 deletes the combo box's text from its list, 0 adds it; any other
    // mode, or a control that no field claims, does nothing.
    void ActionInfoRubrique(QWidget* control, int mode);

private:
    void trace(const QString& text) const;
    bool requestFailed() const;

    FieldHooks& hooks_;
    RecordViewForm& f_;
    const RecordViewHost& v_;
    const EditingHost& h_;
};

}  // namespace stanor::pages
