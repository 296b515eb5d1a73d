#pragma once
// What each printable sheet holds, composed from the record's rows: the sales
// sheets of a used vehicle, a demonstrator (and its showroom variant) and a new
// vehicle on order, the margin sheet of a used vehicle and the customer sheet.

#include "Store.h"
#include "SheetLayout.h"
#include "SheetValues.h"

#include <string>

namespace stanor::dataservice::sheets {

enum class VehicleKind { VO, VD, VN };

// The kind of a vehicle row: TypeVO 1 is used; TypeVO 2 is a demonstrator when
// it carries a demonstrator status, a new vehicle otherwise.
VehicleKind KindOf(const ResultSet& vehicle);
const char* KindCode(VehicleKind kind);

struct SheetContext {
    std::string reportName;  // as asked, kept in the footer and the PDF's properties
    std::string selection;   // "idVO=1001"
    std::string today;       // "dd/mm/yyyy", the service's date
};

struct VehicleData {
    ResultSet vehicle;      // one row of tVehicles
    ResultSet costs;        // its cost lines
    std::string photoJpeg;  // the default photo, empty when none
};

struct CustomerData {
    ResultSet customer;  // one row of tClients
    ResultSet actions;   // newest first
    ResultSet vehicles;  // owned vehicles
};

// The sheet a salesman hands to a customer: identity, price, characteristics,
// equipment and, by kind, the sale, the order and its financing.
Sheet SalesSheet(const VehicleData& d, VehicleKind kind, const Lookups& lists, const SheetContext& ctx);
// A demonstrator for the showroom: large photo, price and saving, equipment.
Sheet ShowroomSheet(const VehicleData& d, const Lookups& lists, const SheetContext& ctx);
// The accountant's sheet of a used vehicle: prices, the cost lines, the costs
// by kind up to the end of the delivery month, the VAT and the margins.
Sheet MarginSheet(const VehicleData& d, const Lookups& lists, const SheetContext& ctx);
// The customer's file: identity, contact, profile, purchase plans, follow-up
// actions and owned vehicles.
Sheet CustomerSheet(const CustomerData& d, const Lookups& lists, const SheetContext& ctx);

}  // namespace stanor::dataservice::sheets
