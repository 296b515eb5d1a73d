#include "grids/CustomerFollowUp.h"

#include "pages/DesignedPages.h"
#include "pages/RecordEditing.h"
#include "pages/RecordView.h"
#include "records/PersistenceHost.h"
#include "records/SaveRules.h"

namespace stanor::grids {

namespace {
constexpr char kObjectName[] = "stanorCustomerFollowUp";
}

CustomerFollowUp::CustomerFollowUp(pages::RecordView& view) : QObject(&view) {
    setObjectName(QLatin1String(kObjectName));
}

CustomerFollowUp* CustomerFollowUp::install(pages::DesignedPages& pages, pages::RecordView& view,
                                            pages::RecordEditing& editing, FollowUpHost host) {
    if (CustomerFollowUp* existing = of(&view)) return existing;
    auto* m = new CustomerFollowUp(view);
    if (auto* grid = pages.sheets().as<toolkit::Grid>(QStringLiteral("ngAction"))) {
        m->actions_ = new ActionGrid(grid, view.state(), view.form(), view.host(), editing.host(), editing.updates(),
                                     host, m);
        m->actions_->install(pages.handlers());
        // The save button also follows the action lines.
        ActionGrid* a = m->actions_;
        view.host().gridLinePending = [a, before = view.host().gridLinePending] {
            return a->pendingLine() != 0 || (before && before());
        };
    }
    if (auto* grid = pages.sheets().as<toolkit::Grid>(QStringLiteral("ngVehicles"))) {
        m->vehicles_ = new VehicleGrid(grid, view, editing.host(), editing.updates(), std::move(host), m);
        m->vehicles_->install(pages.handlers());
    }
    return m;
}

CustomerFollowUp* CustomerFollowUp::of(const pages::RecordView* view) {
    return view ? view->findChild<CustomerFollowUp*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly)
                : nullptr;
}

void CustomerFollowUp::connectSaving(records::PersistenceHost& host) {
    if (ActionGrid* a = actions_) {
        host.save.pendingActionLine = [a] {
            records::PendingLine p;
            p.Line = a->pendingLine();
            if (p.Line > 0) {
                const TsLine& line = a->ActionRows[size_t(p.Line)];
                p.Statement = line.PendingStatement;
                p.Insert = a->isNewLine(p.Line);
                p.MandatoryColumn = line.MissingColumn;
                p.MandatoryCaption = a->columnCaption(line.MissingColumn);
                // Every empty mandatory column is named at once.
                QStringList empty;
                for (int k = 1; k <= kActionColumns; ++k)
                    if (isMandatoryActionColumn(k) && !line.cell(k).FieldName.isEmpty() && line.cell(k).CurrentValue.isEmpty())
                        empty << a->columnCaption(k);
                if (p.MandatoryColumn != 0) p.Problem = records::ActionColumnsFaultText(p.Line, empty);
                // A date against its rules holds the line back as an empty column does.
                if (const auto [column, message] = a->dateFault(p.Line); p.MandatoryColumn == 0 && column != 0) {
                    p.MandatoryColumn = column;
                    p.MandatoryCaption = a->columnCaption(column);
                    p.Problem = message;
                }
            }
            return p;
        };
        host.save.selectActionCell = [a](int line, int column) { a->selectCell(line, column); };
        host.save.actionLineKeyed = [a](int line, const QString& newId) { a->lineKeyed(line, newId); };
        host.save.actionLineSent = [a](int line, bool stored) { a->lineSent(line, stored); };
        host.save.actionLineConflict = [a](int line, const records::ConflictAnswer& c) { return a->lineConflict(line, c); };
        host.save.discardLines = [a, before = host.save.discardLines] {
            if (before) before();
            a->discardLines();
        };
        host.grids.loadInfoAction = [a] { a->LoadInfoAction(); };
    }
    if (VehicleGrid* v = vehicles_) host.grids.loadInfoVehicle = [v] { v->LoadInfoVehicle(); };
}

}  // namespace stanor::grids
