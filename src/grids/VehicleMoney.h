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

namespace stanor::grids {

class VehicleMoney : public QObject {
    Q_OBJECT
public:
    // Installs the handlers on the form's pages and record view (once; owned
    // by the record view). Host functions left empty fall back on what this
    // module can do alone: a save sends the pending cost line, a reload shows
    // the record again.
    static VehicleMoney* install(pages::DesignedPages& pages, pages::RecordView& view, pages::RecordEditing& editing,
                                 FrevoGridHost host = {});
    // The module of the form's record view, or nullptr.
    static VehicleMoney* of(const pages::RecordView* view);

    rules::PriceHandlers& prices() { return prices_; }
    rules::NewVehicleHandlers& newVehicle() { return newVehicle_; }
    // nullptr when the form has no cost grid.
    FrevoGrid* frevo() const { return frevo_; }

    // Loads the cost grid the first time its sheet is shown after a record
    // was loaded.
    void loadShownGrid();

private:
    VehicleMoney(pages::DesignedPages& pages, pages::RecordView& view);

    pages::RecordView& view_;
    rules::NewVehicleHandlers newVehicle_;
    rules::PriceHandlers prices_;
    FrevoGrid* frevo_ = nullptr;
};

}  // namespace stanor::grids
