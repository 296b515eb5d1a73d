#pragma once
// The follow-up action grid ngAction of a customer: loads the actions of the
// customer shown, keeps one pending statement per line as cells are edited
// (salespeople and list entries stored as identifiers and positions), adds
// a new action at the top with the values remembered from the last one
// saved, checks its dates, stores a line when the user moves to another one,
// clicks its image or saves, and deletes an action by its image.

#include "grids/ActionLines.h"
#include "grids/FollowUpHost.h"
#include "grids/LineGrid.h"

#include <vector>

namespace stanor::grids {

class ActionGrid : public LineGrid {
    Q_OBJECT
public:
    ActionGrid(toolkit::Grid* grid, pages::RecordViewState& state, pages::RecordViewForm& form,
               const pages::RecordViewHost& view, const pages::EditingHost& editing, pages::PageUpdates& updates,
               FollowUpHost host, QObject* parent = nullptr);

    // Binds the grid's handlers and the new-action button by their names,
    // the grid's other events directly.
    void install(pages::PageHandlers& handlers);

    // Fills the grid from the customer's answer.
    void LoadInfoAction();
    // Builds the pending statement of line (1-based; negative: its deletion);
    // true when there is one.
    bool TestActionUpdate(int line);
    void JvXPBtnNewActionClick();
    // The name of the salesperson with that identifier, "" when none.
    QString ngActionGetInfoCom(const QString& id) const;

    // ---- grid events
    void ngActionEdit(int col, const QString& value, int row);
    bool ngActionEditAccept(int col, const QString& value, int row);
    void ngActionChange(int col, int row);
    bool ngActionBeforeSelect(int row);
    void ngActionCellClick(int col, int row);
    void ngActionCellFormating(int col, int row, toolkit::GridCellFormat& format);

    // ---- saving
    // The first line with a pending statement, 0 when none.
    int pendingLine() const;
    // Whether the line is a new action, not stored yet.
    bool isNewLine(int line) const;
    // The caption of a column as its description gives it, else its field name.
    QString columnCaption(int column) const;
    // Selects the cell of a line (the save found its column empty).
    void selectCell(int line, int column);
    // A changed date of the line that breaks its rules (the action's date
    // between the follow-up's lowest date and the server's date, the reminder
    // not before the server's date): its column and the warning; {0, ""}
    // when the line may be stored.
    std::pair<int, QString> dateFault(int line) const;
    // A new action was stored under that identifier: from now on it is
    // changed and deleted as any stored action.
    void lineKeyed(int line, const QString& newId);
    // The end of a line's request: when it was stored, the values sent are
    // remembered for the next new action and count as loaded; the line's
    // statement is built again in both cases.
    void lineSent(int line, bool stored);
    // A line's update met a colleague's change: whose values win is asked;
    // whether the line may go again.
    bool lineConflict(int line, const records::ConflictAnswer& conflict);
    // Forgets what the lines have pending: stored actions show their values
    // as loaded again, new ones leave the grid.
    void discardLines();

    // ---- state
    std::vector<TsLine> ActionRows;  // element 0: the column descriptions
    bool NewActionRow = false;       // the last statement built was a new action's insert
    bool RightProfid = false;
    const std::vector<ActionLineLook>& looks() const { return looks_; }
    const ActionLists& lists() const { return lists_; }

private:
    void setUpColumns();
    ActionLists readLists() const;
    void showLine(int row);
    void cellEdited(int col, const QString& text, int row);
    QString customerId() const;
    void followSaveButton(bool linePending);
    // Stores (or deletes) a line by its image and reloads the record.
    void storeByImage(int line, bool deletion);

    FollowUpHost host_;
    LineColumns columns_;
    ActionLists lists_;
    std::vector<ActionLineLook> looks_;
    bool busy_ = false;
};

}  // namespace stanor::grids
