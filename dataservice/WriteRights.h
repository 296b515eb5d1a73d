#pragma once
// Whether a user may carry out one write of the client: the rights that the
// client applies to its sheets and grids, applied again by the service to
// the statement it receives, so that a careless or malicious client cannot
// write what the sheets would not let its user change.
//
// The rules come from the tab descriptions of the user's dealership, read as
// the client reads them (pages::readFieldRow, pages::UserRights): a column
// may be set when one of its descriptions, on a page of the record's kind
// that writes to its table, is not hidden (visibility code 3) and names one
// of the user's groups in its rights tag, on a record of the user's
// dealership and, for a record tied to a site, of one of the user's sites.
// The grids add their own: a cost line with an accounting number is locked
// for users without COMPTA, and only they delete one with an invoice number;
// actions and the customer's vehicles need PROFID; reference lists are
// edited by super-administrators. The columns that the client writes on its
// own, without a field of the sheets (keys, owner, dealership, totals, the
// default photo, the fixed cost line ...), are listed once, in WriteRights.cpp,
// each with the rule that governs it.
//
// Everything here is plain values in, a French refusal (or nothing) out; the
// rows a statement touches are read beforehand by the caller (WriteGate).

#include "WriteStatement.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace stanor::dataservice {

// The user a write acts for.
struct WriteUser {
    std::string id;          // idUser; empty when unknown
    std::string dealership;  // UserConcession
    std::string sites;       // UserSite: "#" for every site, else a list
    std::vector<std::string> groups;  // the GName texts, in order
    bool known() const { return !id.empty(); }
};

// One description of a column on a page (or a grid) that writes to its table.
struct ColumnDescription {
    std::string caption;     // "txtInfo", decoded; the column's name when empty
    std::string rightsTags;  // ";" + upper-cased tag + ";"
    int visibility = 0;  // the "enabled" code
    bool neverSent = false;  // the client never writes it (READONLY, value element, FDM)
};

// The tab descriptions of one dealership, as the rights read them.
class WriteDescriptions {
public:
    // From the seventeen elements of the rows, in answer order.
    static WriteDescriptions Read(const std::vector<std::map<std::string, std::string>>& rows);

    // The descriptions of a column of a table on the pages of the record kinds
    // ("_TVO", "_TVD", "_TVN", "_TCL"); table and column in any case.
    std::vector<ColumnDescription> column(const std::vector<std::string>& kinds, const std::string& table,
                                          const std::string& column) const;
    // The column of a grid ("gFrev" for the cost lines, "gAct" for the actions).
    std::optional<ColumnDescription> gridColumn(const std::string& grid, const std::string& column) const;
    // The rights needed to add a line to a grid: its first non-empty tag.
    std::string gridAddTags(const std::string& grid) const;
    // The rights tags of the photo list of a kind's photo page; nothing when the
    // kind describes none (its photos are then everyone's).
    std::optional<std::string> photoTags(const std::string& kind) const;

private:
    // kind -> table (lower case) -> column (lower case) -> descriptions
    std::map<std::string, std::map<std::string, std::map<std::string, std::vector<ColumnDescription>>>> pages_;
    std::map<std::string, std::map<std::string, ColumnDescription>> grids_;  // grid -> column (lower case)
    std::map<std::string, std::string> gridAdd_;
    std::map<std::string, std::string> photos_;
};

// A stored row, column (lower case) -> value in wire form ("" for NULL).
using StoredRow = std::map<std::string, std::string>;

// What the service read about the rows a write touches, before the check.
struct WriteFacts {
    std::vector<StoredRow> rows;                  // UPDATE, DELETE: the rows its conditions name
    bool tooManyRows = false;                      // more than WriteFacts::kMaxRows of them
    std::map<std::string, StoredRow> vehicles;     // by idVO: the vehicles of cost lines, photos, defaults
    std::map<std::string, StoredRow> customers;    // by idClient: the customers of actions and vehicles
    std::map<std::string, std::set<std::string>> linkedPhotos;  // idVO -> upper-cased names linked to it
    std::set<std::string> vehiclesWithFixedCost;  // idVO of vehicles with a cost line of type FIXE
    std::map<std::string, std::string> siteFees;  // upper-cased site of the user's dealership -> fee

    static constexpr size_t kMaxRows = 1000;
};

// The columns of the stored rows the check reads, per table (lower case), and
// the parent a line refers to.
struct TableFacts {
    std::vector<std::string> columns;  // to select from the rows a write names
    enum class Parent { None, Vehicle, Customer } parent = Parent::None;
    std::string parentColumn;          // idVO or idClient
};
std::optional<TableFacts> FactsOf(const std::string& table);

// The refusal of a write, in French, or nothing when the user may carry it
// out. `uploading` is set for the link row of a photo sent with its files.
std::optional<std::string> CheckWrite(const WriteUser& user, const WriteDescriptions& descriptions,
                                      const WriteStatement& write, const WriteFacts& facts, bool uploading = false);

// The kinds of record a vehicle row shows as: "_TVO" for TypeVO 1, "_TVD"
// and "_TVN" for a demonstrator (TypeVO 2 with a status), "_TVN" otherwise.
std::vector<std::string> VehicleKinds(const std::string& typeVO, const std::string& statutVD);

// The photo of a vehicle by its number: "V0001001-03".
std::string PhotoStem(const std::string& idVO, long long number);

}  // namespace stanor::dataservice
