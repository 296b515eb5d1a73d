#pragma once
// What saving and the record commands ask of the main form beyond what the
// record view and the editing handlers already ask: dropping the HTTP
// connection, and the pieces of the subsystems that come later (the grid
// lines a save sends first, the fixed-cost line, the loading of a sheet's
// grids). Every hook may stay empty until its subsystem fills it.

#include "records/UpdateConflict.h"

#include <QString>
#include <functional>

namespace stanor::records {

// The pending line of the cost grid or of the action grid that a save sends.
struct PendingLine {
    int Line = 0;             // 1-based; 0 when no line has a statement
    QString Statement;
    bool Insert = false;      // NewFrevoRow / NewActionRow
    int MandatoryColumn = 0;  // action lines: the first empty mandatory column, 0 when none
    QString MandatoryCaption;  // its caption in the grid (its field name when it has none)
    QString Problem;           // why that cell holds the line back, when it is not empty (a date against its rules)
};

struct SaveHooks {
    // The first cost line with a pending statement, and the end of its
    // request: stored says whether it went well; the grid then takes the
    // values sent as loaded (when stored) and builds the line's statement again.
    std::function<PendingLine()> pendingCostLine;
    std::function<void(int line, bool stored)> costLineSent;
    // A line's update met a colleague's change (or the line is gone): the
    // grid asks whose values win; true when the line may be sent again.
    std::function<bool(int line, const ConflictAnswer& conflict)> costLineConflict;
    // The same for the customer's action lines; a line with an empty
    // mandatory column is not sent: its cell is selected instead.
    std::function<PendingLine()> pendingActionLine;
    std::function<void(int line, int column)> selectActionCell;
    // A new action stored under the key the service allocated, told before
    // the end of its request, so that the line is no longer inserted again.
    std::function<void(int line, const QString& newId)> actionLineKeyed;
    std::function<void(int line, bool stored)> actionLineSent;
    std::function<bool(int line, const ConflictAnswer& conflict)> actionLineConflict;
    // The fixed-cost line of a used vehicle, empty when none is due, and
    // what the user is told when it is added.
    std::function<QString()> testFraisFixes;
    std::function<QString()> fixedCostNotice;
    // Forgets the lines' pending statements (the record was deleted, or the
    // user chose not to save).
    std::function<void()> discardLines;
};

// The loading of a sheet's grids and photo list on its first display.
struct GridLoaders {
    std::function<void()> loadInfoFrevo;
    std::function<void()> loadInfoAction;
    std::function<void()> loadInfoVehicle;
    std::function<void()> loadInfoCliche;
    std::function<void()> getDataImages;
};

struct PersistenceHost {
    // Closes the HTTP connection so that the next request opens a fresh one.
    std::function<void()> httpDisconnect;
    // The record kind the next load shows a vehicle as (the run parameter
    // idTypeVO: 1 VO, 2 VN, 3 VD).
    std::function<int()> idTypeVO;
    std::function<void(int kind)> setIdTypeVO;
    SaveHooks save;
    GridLoaders grids;
    // Asked once the checks of a save passed, before anything is sent
    // (whether the record would duplicate a stored one); false stops the
    // save, which then sends nothing and leaves everything pending.
    std::function<bool()> confirmSave;
    // Told at the end of a save that stored something.
    std::function<void()> afterSave;
    // Tells the user of something done on their behalf that is no error (the
    // status line and the warning panel show it until the next error, notice
    // or record shown); an empty text puts it away.
    std::function<void(const QString& text)> notice;
};

}  // namespace stanor::records
