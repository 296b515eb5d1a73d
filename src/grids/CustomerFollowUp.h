#pragma once
// The follow-up of a customer on the main form, installed in one go: the
// action grid of the customer sheet and the grid of the customer's
// vehicles, their handlers bound by name, their lines given to the save and
// their loading to the sheet's first display.

#include "grids/ActionGrid.h"
#include "grids/VehicleGrid.h"

#include <QObject>

namespace stanor::pages {
class DesignedPages;
class RecordEditing;
class RecordView;
}  // namespace stanor::pages

namespace stanor::records {
struct PersistenceHost;
}

namespace stanor::grids {

class CustomerFollowUp : public QObject {
    Q_OBJECT
public:
    // Installs the grids found on the form's sheets (once; owned by the
    // record view). They save and reload through the host.
    static CustomerFollowUp* install(pages::DesignedPages& pages, pages::RecordView& view,
                                     pages::RecordEditing& editing, FollowUpHost host);
    // The module of the form's record view, or nullptr.
    static CustomerFollowUp* of(const pages::RecordView* view);

    // nullptr when the form has no such grid.
    ActionGrid* actions() const { return actions_; }
    VehicleGrid* vehicles() const { return vehicles_; }

    // Gives the save the pending action line, the selection of its empty
    // cell, its new identifier and the end of its request, adds the action
    // lines to what is discarded, and the sheets' first display the loading
    // of the grids.
    void connectSaving(records::PersistenceHost& host);

private:
    explicit CustomerFollowUp(pages::RecordView& view);

    ActionGrid* actions_ = nullptr;
    VehicleGrid* vehicles_ = nullptr;
};

}  // namespace stanor::grids
