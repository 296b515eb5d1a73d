#pragma once
// The money of a vehicle on the main form, installed in one go: the cost
// grid with its totals, VAT and margins, and the new-vehicle balance and due
// dates, their handlers bound by name to every control of their tables.

#include "grids/FrevoGrid.h"
#include "rules/NewVehicleHandlers.h"
#include "rules/PriceHandlers.h"

#include <QObject>

#include <memory>

namespace stanor::pages {
class DesignedPages;
class RecordEditing;
class RecordView;
}  // namespace stanor::pages

namespace stanor::records {
struct PersistenceHost;
}

namespace stanor::grids {

class VehicleMoney : public QObject {
    Q_OBJECT
public:
    // Installs the handlers on the form's pages and record view (once; owned
    // by the record view). The cost grid saves and reloads through the host.
    static VehicleMoney* install(pages::DesignedPages& pages, pages::RecordView& view, pages::RecordEditing& editing,
                                 FrevoGridHost host);
    // The module of the form's record view, or nullptr.
    static VehicleMoney* of(const pages::RecordView* view);

    rules::PriceHandlers& prices() { return prices_; }
    rules::NewVehicleHandlers& newVehicle() { return newVehicle_; }
    // nullptr when the form has no cost grid.
    FrevoGrid* frevo() const { return frevo_; }

    // Gives the save its cost line, the end of its request, the fixed-cost
    // line and the discarding of the lines, and the sheet's change the
    // loading of the grid.
    void connectSaving(records::PersistenceHost& host);

private:
    VehicleMoney(pages::DesignedPages& pages, pages::RecordView& view);

    rules::NewVehicleHandlers newVehicle_;
    rules::PriceHandlers prices_;
    FrevoGrid* frevo_ = nullptr;
};

}  // namespace stanor::grids
