#pragma once
// The grid ngVehicles of a customer's vehicles: lists them, chooses the one
// the vehicle page shows (storing what that page has pending first), starts
// a new vehicle entered on the page, and deletes a vehicle by its image
// after the user's confirmation.

#include "grids/CustomerVehicles.h"
#include "grids/FollowUpHost.h"
#include "pages/EventBindings.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"
#include "toolkit/Grid.h"

#include <QObject>
#include <QStringList>

#include <vector>

namespace stanor::pages {
struct EditingHost;
class PageUpdates;
class RecordView;
}  // namespace stanor::pages

namespace stanor::grids {

class VehicleGrid : public QObject {
    Q_OBJECT
public:
    VehicleGrid(toolkit::Grid* grid, pages::RecordView& view, const pages::EditingHost& editing,
                pages::PageUpdates& updates, FollowUpHost host, QObject* parent = nullptr);

    // Binds the grid's handlers and the new-vehicle button by their names,
    // the click on the grid directly.
    void install(pages::PageHandlers& handlers);
    toolkit::Grid* grid() const { return grid_; }

    // Fills the grid from the customer's answer; the page shows the vehicle
    // at SelectedVehicle.
    void LoadInfoVehicle();
    void ngVehiclesSelectCell(int row);
    bool ngVehiclesBeforeSelect(int row);
    void ngVehiclesCellClick(int col, int row);
    void JvXPBtnNewVehicleClick();

    const std::vector<CustomerVehicleRow>& rows() const { return rows_; }

private:
    // True, with a trace line, while a save of the record is under way.
    bool saveUnderWay() const;
    // The grid row of the vehicle the page shows (the blank row of a new one).
    int shownRow() const;
    void selectRow(int row, int col);
    // Applies the page descriptions again, which shows the vehicle at
    // SelectedVehicle (or prepares a new one).
    void applyPage();
    QString pageVehicleId();
    bool pageHasChanges() const;
    bool saveEnabled();
    void trace(const QString& text) const;

    toolkit::Grid* grid_;
    pages::RecordView& view_;
    pages::RecordViewState& s_;
    pages::RecordViewForm& f_;
    const pages::EditingHost& editing_;
    pages::PageUpdates& updates_;
    FollowUpHost host_;
    std::vector<CustomerVehicleRow> rows_;
    int loads_ = 0;           // fillings of the grid, to know that a save reloaded it
    bool enteringNew_ = false;  // a new vehicle was started since the last filling
    QString loadedCustomer_;
    QStringList loadedIds_;
};

}  // namespace stanor::grids
