#pragma once
// Editing a record on the main form: the change detection and pending
// statement of each page, the keyboard and focus events of the fields, the
// rules of particular fields, the date checks and the editing of reference
// lists, installed into the form's handler table by their names.

#include "pages/ComboEvents.h"
#include "pages/DateExits.h"
#include "pages/EditingHost.h"
#include "pages/FieldRules.h"
#include "pages/ListEditor.h"
#include "pages/PageUpdates.h"

#include <QObject>

namespace stanor::pages {

class DesignedPages;
class RecordView;

class RecordEditing : public QObject {
    Q_OBJECT
public:
    // Installs the handlers on the pages layer and the record view of one
    // form; owned by the record view.
    static RecordEditing* install(DesignedPages& pages, RecordView& view, EditingHost host);
    // The editing of the form's record view, or nullptr.
    static RecordEditing* of(const RecordView* view);

    EditingHost& host() { return host_; }
    PageUpdates& updates() { return updates_; }
    ComboEvents& combos() { return combos_; }
    ListEditor& listEditor() { return listEditor_; }
    FieldRules& rules() { return rules_; }
    DateExits& dates() { return dates_; }

    bool TestPageUpdate(int page) { return updates_.TestPageUpdate(page); }
    void ActionInfoRubrique(QWidget* control, int mode) { listEditor_.ActionInfoRubrique(control, mode); }

private:
    RecordEditing(DesignedPages& pages, RecordView& view, EditingHost host);
    void installGenericEvents(PageHandlers& handlers);

    EditingHost host_;
    PageUpdates updates_;
    ListEditor listEditor_;
    ComboEvents combos_;
    FieldRules rules_;
    DateExits dates_;
};

}  // namespace stanor::pages
