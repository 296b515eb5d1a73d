#include "grids/LineGrid.h"

#include "pages/EditingHost.h"
#include "platform/Dialogs.h"
#include "records/RecordCommands.h"
#include "rules/DateChecks.h"

namespace stanor::grids {

LineGrid::LineGrid(toolkit::Grid* grid, pages::RecordViewState& state, pages::RecordViewForm& form,
                   const pages::RecordViewHost& view, const pages::EditingHost& editing, pages::PageUpdates& updates,
                   QObject* parent)
    : QObject(parent), grid_(grid), s_(state), f_(form), view_(view), editing_(editing), updates_(updates) {}

void LineGrid::bindEvents(pages::PageHandlers& handlers, const QString& name, LineGridEvents events) {
    using pages::EventArgs;
    handlers.set(name + QStringLiteral("EditAccept"), [accept = events.editAccept](EventArgs& a) {
        const bool ok = accept(a.col, a.value, a.row);
        if (a.allow) *a.allow = ok;
    });
    handlers.set(name + QStringLiteral("Change"), [change = events.change](EventArgs& a) { change(a.col, a.row); });
    handlers.set(name + QStringLiteral("BeforeSelect"), [before = events.beforeSelect](EventArgs& a) {
        const bool ok = before(a.row);
        if (a.allow) *a.allow = ok;
    });
    handlers.set(name + QStringLiteral("CellClick"), [click = events.cellClick](EventArgs& a) { click(a.col, a.row); });
    connect(grid_, &toolkit::Grid::cellEdit, this,
            [edit = events.edit](int row, int col, const QString& value) { edit(col, value, row); });
    connect(grid_, &toolkit::Grid::cellFormating, this,
            [format = events.cellFormating](int row, int col, toolkit::GridCellFormat& f) { format(col, row, f); });
}

void LineGrid::trace(const QString& text) const {
    if (view_.trace) view_.trace(text);
}

void LineGrid::traceStatement(const QString& builder, int line, const LineStatement& st) const {
    for (const CellRefusal& r : st.Refused)
        trace(QStringLiteral("%1 : ligne %2, %3 non enregistré : %4").arg(builder).arg(line).arg(r.FieldName, r.Reason));
    if (!st.Reason.isEmpty()) trace(QStringLiteral("%1 : ligne %2 : %3").arg(builder).arg(line).arg(st.Reason));
}

QDate LineGrid::today() const { return view_.today ? view_.today() : QDate::currentDate(); }

bool LineGrid::refuseValue(const pages::TsDesc& cell, const QString& value) const {
    const CellValueDecision d = acceptCellValue(cell.DataType, value, cell.FieldName, kValueCheckCaption);
    if (d.refused && editing_.dialogs)
        editing_.dialogs->messageBox(d.caption, d.message, platform::MsgIcon::Warning, platform::MsgButtons::Ok);
    return d.refused;
}

bool LineGrid::confirmDeletion(const QString& question) const {
    return editing_.dialogs && editing_.dialogs->messageBox(records::DeleteQuestionCaption(), question,
                                                            platform::MsgIcon::Question,
                                                            platform::MsgButtons::YesNo) == platform::MsgResult::Yes;
}

bool LineGrid::saveUnderWay() const {
    if (!editing_.saveUnderWay || !editing_.saveUnderWay()) return false;
    trace(QStringLiteral("%1 : commande ignorée, un enregistrement est en cours").arg(grid_->objectName()));
    return true;
}

bool LineGrid::settleConflict(TsLine& line, const records::ConflictAnswer& conflict,
                              const std::function<QString(const pages::TsDesc&, const QString&)>& shown) const {
    if (conflict.Deleted) {
        for (pages::TsDesc& d : line.Cells) d.LoadedValue = d.CurrentValue;
        return false;
    }
    if (!editing_.dialogs) return false;  // nobody to ask: the line stays pending as typed
    for (pages::TsDesc& d : line.Cells) {
        if (d.FieldName.isEmpty() || d.CurrentValue == d.LoadedValue) continue;
        const records::ConflictAnswer::Field* stored = conflict.field(d.FieldName);
        if (!stored) continue;
        const QString theirs = shown(d, stored->Value);
        if (records::SameValue(d.DataType, theirs, d.LoadedValue)) continue;
        // Stored already (an answer lost after the write): nothing to ask.
        if (!records::SameValue(d.DataType, theirs, d.CurrentValue)) {
            trace(QStringLiteral("%1 : %2 changé entre-temps par %3 (%4)")
                      .arg(grid_->objectName(), d.FieldName, stored->UserName, theirs));
            const bool keepMine =
                editing_.dialogs->messageBox(records::ConflictCaption(),
                                             records::ConflictQuestion(d.Caption.isEmpty() ? d.FieldName : d.Caption,
                                                                       *stored, d.CurrentValue),
                                             platform::MsgIcon::Question,
                                             platform::MsgButtons::YesNo) == platform::MsgResult::Yes;
            if (!keepMine) d.CurrentValue = theirs;
        }
        d.LoadedValue = theirs;
    }
    return true;
}

bool LineGrid::refuseDate(const rules::GridDateDecision& d) const {
    if (d.refused && editing_.dialogs)
        editing_.dialogs->messageBox(d.caption, d.message, platform::MsgIcon::Warning, platform::MsgButtons::Ok);
    return d.refused;
}

}  // namespace stanor::grids
