#pragma once
// The pages layer of the main form in one object: the designed controls of
// the nine sheets, their event bindings, the generic field events, the
// reference lists and the cascades between mark, model and version lists.
// Built once by the form; owned by the page control it was built on.

#include "pages/DesignedControls.h"
#include "pages/EventBindings.h"
#include "pages/FieldHooks.h"
#include "pages/ReferenceLists.h"

#include <QObject>

class QTabWidget;

namespace stanor::pages {

class DesignedPages : public QObject {
    Q_OBJECT
public:
    // Builds the designed controls on the sheets of tabs and binds their events.
    static DesignedPages* build(QTabWidget* tabs, TraceFn trace = {});
    // The pages layer built on tabs (nullptr when none).
    static DesignedPages* of(QTabWidget* tabs);

    const DesignedSheets& sheets() const { return sheets_; }
    PageHandlers& handlers() { return handlers_; }
    ReferenceLists& lists() { return lists_; }
    FieldHooks& hooks() { return hooks_; }

    // Points the lists and the field events at the form's record state.
    void connectState(const ListSources& sources);
    // Examines a page for pending changes after a field event.
    void setTestPageUpdate(std::function<void(int page)> fn) { hooks_.testPageUpdate = std::move(fn); }
    // Header refresh run by the mark, version and version-type handlers.
    std::function<void()> setInfoTitre;

    // The generic events that applying a description attaches to a claimed
    // control: change (unless the design binds one), key down, and for combo
    // boxes with a list enter, exit and key up. Attached once per control.
    void attachEvents(QWidget* control, int controlType, const TsDesc& d);

    // Faults met while building (missing sheets, bindings naming no control).
    const QStringList& faults() const { return faults_; }

private:
    explicit DesignedPages(QTabWidget* tabs, TraceFn trace);
    void installGenericHandlers();
    void installCascades();
    void trace(const QString& line) const;

    TraceFn trace_;
    DesignedSheets sheets_;
    PageHandlers handlers_;
    ReferenceLists lists_;
    FieldHooks hooks_;
    QStringList faults_;
};

}  // namespace stanor::pages
