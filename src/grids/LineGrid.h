#pragma once
// What the cost grid and the action grid share on the form: the grid and the
// record view they serve, the binding of the grid's events to the handlers
// the form names after the grid, the trace, the day and the warning of a date
// refused in a cell.

#include "grids/LineStatement.h"
#include "records/UpdateConflict.h"
#include "pages/EventBindings.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"
#include "toolkit/Grid.h"

#include <QDate>
#include <QObject>

#include <functional>

namespace stanor::pages {
struct EditingHost;
class PageUpdates;
}  // namespace stanor::pages

namespace stanor::rules {
struct GridDateDecision;
}

namespace stanor::grids {

inline const QString kValueCheckCaption = QStringLiteral("Contrôle de la saisie");

// The handlers of a line grid, by what they answer.
struct LineGridEvents {
    std::function<void(int col, const QString& value, int row)> edit;
    std::function<bool(int col, const QString& value, int row)> editAccept;  // false refuses the value
    std::function<void(int col, int row)> change;
    std::function<bool(int row)> beforeSelect;  // false refuses the move
    std::function<void(int col, int row)> cellClick;
    std::function<void(int col, int row, toolkit::GridCellFormat& format)> cellFormating;
};

class LineGrid : public QObject {
    Q_OBJECT
public:
    toolkit::Grid* grid() const { return grid_; }

protected:
    LineGrid(toolkit::Grid* grid, pages::RecordViewState& state, pages::RecordViewForm& form,
             const pages::RecordViewHost& view, const pages::EditingHost& editing, pages::PageUpdates& updates,
             QObject* parent);

    // Binds name + "EditAccept", "Change", "BeforeSelect" and "CellClick" by
    // their names (as the form's grid "ngFrevo" or "ngAction" raises them),
    // the grid's edit and drawing events directly.
    void bindEvents(pages::PageHandlers& handlers, const QString& name, LineGridEvents events);

    void trace(const QString& text) const;
    // Traces, under the name of the builder, what a line's statement left out and why.
    void traceStatement(const QString& builder, int line, const LineStatement& st) const;
    QDate today() const;
    // The warning box of a date refused in a cell; whether it was refused.
    bool refuseDate(const rules::GridDateDecision& decision) const;
    // The warning box of a value that a cell cannot store (an amount that is
    // no amount, a character the service cannot hold); whether it was
    // refused, the editor then keeping what was typed.
    bool refuseValue(const pages::TsDesc& cell, const QString& value) const;
    // Asks the deletion question in its box captioned "Confirmation de
    // Suppression"; true on Yes.
    bool confirmDeletion(const QString& question) const;
    // A save of the record is under way: a line is neither added nor deleted
    // in the middle of it.
    bool saveUnderWay() const;
    // A line's update met a colleague's change: asks, cell by cell, whether
    // the user's value or the colleague's wins. Either way the cell's loaded
    // value becomes the stored one (in the form `shown` gives it), so that the
    // line's next update compares with it; the colleague's value is shown when
    // it wins. A line deleted meanwhile is no longer sent: its values stay
    // shown until the record is read again. Whether the line may go again.
    bool settleConflict(TsLine& line, const records::ConflictAnswer& conflict,
                        const std::function<QString(const pages::TsDesc&, const QString&)>& shown) const;

    toolkit::Grid* grid_;
    pages::RecordViewState& s_;
    pages::RecordViewForm& f_;
    const pages::RecordViewHost& view_;
    const pages::EditingHost& editing_;
    pages::PageUpdates& updates_;
};

}  // namespace stanor::grids
