#pragma once
// The lines of the editable sub-record grids (reconditioning costs of a
// vehicle, follow-up actions of a customer) and the one statement per line
// that brings the stored line to what the grid shows: Update, Insert into
// or Delete * from.

#include "pages/TabModel.h"

#include <QString>

#include <array>
#include <vector>

namespace stanor::grids {

inline constexpr int kLineCells = 10;

// One grid line: ten cells, each a field description with its loaded and
// current value; element 0 of a line table holds the column descriptions.
struct TsLine {
    std::array<pages::TsDesc, kLineCells> Cells;
    bool Locked = false;    // the user may not edit the line (cost lines with an accounting number)
    int MissingColumn = 0;  // action lines: first mandatory column left empty, 0 when none
    QString PendingStatement;

    // Cell k, 1 to 10.
    pages::TsDesc& cell(int k) { return Cells[size_t(k - 1)]; }
    const pages::TsDesc& cell(int k) const { return Cells[size_t(k - 1)]; }
};

// What a statement build needs besides the line.
struct LineRequest {
    bool Deletion = false;  // build the deletion of the line
    bool NewLine = false;   // the line's image column holds 1: the line is inserted
    QString Table;          // cost lines: the table of the cost page's description
    QString RecordId;       // idVO of the vehicle (costs), idClient of the customer (actions)
    bool PageFilling = false;
};

// A changed cell left out of the statement, and why.
struct CellRefusal {
    int Cell = 0;
    QString FieldName;
    QString Reason;
};

struct LineStatement {
    // False: nothing was built and the line's stored statement was left as
    // it was (the grid is being filled, or the record is not stored yet).
    bool Built = false;
    QString Statement;  // the line's new pending statement; empty when nothing is to be sent
    bool NewRow = false;  // NewFrevoRow / NewActionRow: the statement is an insert
    // Changed cells the statement stores (1-based): after a successful
    // request these take their current value as loaded value.
    std::vector<int> SentCells;
    std::vector<CellRefusal> Refused;
    QString Reason;  // why nothing was built although asked (no key, a bad identifier)

    bool pending() const { return !Statement.isEmpty(); }
};

// The statement of a cost line; stores it as the line's pending statement
// when built. Cells whose current value differs from the loaded one are
// written in the literal form of their data type; the first unchanged cell
// is the key, "(idFrevo=N)" in practice. A new line gives
// "Insert into T (names, idVO, idFrevo ) Values (values, idVO, :NewID)".
LineStatement TestFrevoUpdate(TsLine& line, const LineRequest& request);

// The same for an action line, on the table tActions with idClient and
// idAction; it also sets the line's MissingColumn to the first mandatory
// column whose current value is empty (0 for a deletion).
LineStatement TestActionUpdate(TsLine& line, const LineRequest& request);

// Whether a value typed into a cell can be stored, and the warning when it
// cannot: an amount (data type 5) must read as French users type amounts
// ("1 500,00", "1.500,00", "1500,5", "1500.50"), a number must be one, a text
// must hold only characters the service can store. Dates are checked by
// their own rules; a blank value is always accepted.
struct CellValueDecision {
    bool refused = false;
    QString caption;
    QString message;
};
CellValueDecision acceptCellValue(int dataType, const QString& value, const QString& column,
                                  const QString& caption);

// The first line (1-based) of a line table with a pending statement, 0 when none.
int firstPendingLine(const std::vector<TsLine>& rows);
// Whether a line other than except has a pending statement.
bool otherLinePending(const std::vector<TsLine>& rows, int except);

}  // namespace stanor::grids
