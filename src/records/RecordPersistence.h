#pragma once
// Saving and the record commands of one main form: SaveChanges, the toolbar
// buttons, the tab control's guard and the loading of a sheet's grids,
// installed on the form's record view and bound to its controls by name.

#include "records/PersistenceHost.h"
#include "records/RecordCommandsForm.h"
#include "records/RecordSaving.h"

#include <QObject>

namespace stanor::pages {
class RecordEditing;
class RecordView;
}  // namespace stanor::pages

namespace stanor::records {

class TabsGuard;

class RecordPersistence : public QObject {
    Q_OBJECT
public:
    // Installs saving and the commands on the form of view (once); owned by
    // the record view.
    static RecordPersistence* install(pages::RecordView& view, pages::RecordEditing& editing, PersistenceHost host);
    static RecordPersistence* of(const pages::RecordView* view);

    PersistenceHost& host() { return host_; }
    RecordSaving& saving() { return saving_; }
    RecordCommandsForm& commands() { return commands_; }
    TabsGuard* tabsGuard() const { return guard_; }

    // The refresh message or another record asked for from outside: what is
    // pending is saved first. False when it could not be: the record stays
    // on screen with its changes, and the warning says why.
    bool saveBeforeLeaving();

private:
    RecordPersistence(pages::RecordView& view, pages::RecordEditing& editing, PersistenceHost host);
    void bindButtons();

    pages::RecordView& view_;
    PersistenceHost host_;
    RecordSaving saving_;
    RecordCommandsForm commands_;
    TabsGuard* guard_ = nullptr;
};

}  // namespace stanor::records
