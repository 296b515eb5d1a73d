#pragma once
// The reconditioning-cost grid ngFrevo of a used vehicle: loads the cost
// lines of the record shown, keeps one pending statement per line as cells
// are edited, saves a changed cell at once, adds a line from the template
// and deletes one by its image (each followed by a reload), shows the cost
// totals, and gives a save its pending line and the fixed-cost line.

#include "grids/FrevoLines.h"
#include "grids/GridStatements.h"
#include "grids/LineGrid.h"

#include <functional>
#include <vector>

namespace stanor::grids {

// What the cost grid asks of the form besides the record view and the
// editing handlers.
struct FrevoGridHost {
    // The form's save; true when it may go on.
    std::function<bool()> SaveChanges;
    // Loads the record again (its grid included).
    std::function<void()> JvXPBtnActualizeClick;
    // VAT and margins, run between the plain and the month-end totals.
    std::function<void()> UpdateTVAetMarges;
    // Saves until nothing is pending; false when something stays (the warning says why).
    std::function<bool()> SaveAll;
};

// The page whose sheet holds the grid; its description names the costs table.
inline constexpr int kFrevoPage = 5;

class FrevoGrid : public LineGrid {
    Q_OBJECT
public:
    FrevoGrid(toolkit::Grid* grid, pages::RecordViewState& state, pages::RecordViewForm& form,
              const pages::RecordViewHost& view, const pages::EditingHost& editing, pages::PageUpdates& updates,
              FrevoGridHost host, QObject* parent = nullptr);

    // Binds the grid's handlers by their names and its other events directly.
    void install(pages::PageHandlers& handlers);
    FrevoGridHost& host() { return host_; }

    // Fills the grid from the record answer.
    void LoadInfoFrevo();
    // Builds the pending statement of line (1-based; negative: its deletion);
    // true when there is one.
    bool TestFrevoUpdate(int line);
    // The ten totals, FrevoValue, then VAT and margins.
    void UpdateCumulFrevo();

    // ---- saving
    // The first line with a pending statement, 0 when none.
    int pendingLine() const;
    // The end of a line's request: when it was stored, the values sent count
    // as loaded; the line's statement is built again in both cases.
    void lineSent(int line, bool stored);
    // A line's update met a colleague's change: whose values win is asked;
    // whether the line may go again.
    bool lineConflict(int line, const records::ConflictAnswer& conflict);
    // Forgets what the lines have pending: their values as loaded come back.
    void discardLines();
    // The Insert of the site's file-handling fee as a fixed-cost line, when
    // a used vehicle for private buyers has none yet; "" otherwise.
    QString TestFraisFixes() const;
    // What the user is told when that line is added ("Frais de dossier de
    // 150,00 € ajoutés au véhicule"); "" when none is due.
    QString FixedCostNotice() const;

    // ---- grid events
    void ngFrevoEdit(int col, const QString& value, int row);
    bool ngFrevoEditAccept(int col, const QString& value, int row);
    void ngFrevoChange(int col, int row);
    bool ngFrevoBeforeSelect(int row);
    void ngFrevoCellClick(int col, int row);
    void ngFrevoCellFormating(int col, int row, toolkit::GridCellFormat& format);

    // ---- state
    std::vector<TsLine> FrevoRows;  // element 0: the column descriptions
    bool NewFrevoRow = false;       // the last statement built was the template's insert
    bool RightCompta = false;
    QString FrevoAddTag;
    const std::vector<FrevoLineLook>& looks() const { return looks_; }
    bool isTemplateLine(int line) const;

private:
    FixedCostInput fixedCostInput() const;
    void setUpColumns();
    std::vector<FrevoElement> answerElements(const QStringList& names) const;
    void showLine(int row);
    QString costTable() const;
    void followSaveButton(bool linePending);
    // Runs a line insertion or deletion under the hourglass; nothing while
    // one is already running.
    void saveAndReload(int line, bool deletion);

    FrevoGridHost host_;
    std::vector<FrevoLineLook> looks_;
    bool busy_ = false;
};

}  // namespace stanor::grids
