#include "grids/VehicleMoney.h"

#include "pages/DesignedPages.h"
#include "pages/RecordEditing.h"
#include "pages/RecordView.h"
#include "records/PersistenceHost.h"

namespace stanor::grids {

namespace {
constexpr char kObjectName[] = "stanorVehicleMoney";
}

VehicleMoney::VehicleMoney(pages::DesignedPages& pages, pages::RecordView& view)
    : QObject(&view),
      newVehicle_(pages.hooks(), view.state(), view.form()),
      prices_(pages.hooks(), view.state(), view.form(), newVehicle_) {
    setObjectName(QLatin1String(kObjectName));
}

VehicleMoney* VehicleMoney::install(pages::DesignedPages& pages, pages::RecordView& view,
                                    pages::RecordEditing& editing, FrevoGridHost host) {
    if (VehicleMoney* existing = of(&view)) return existing;
    auto* money = new VehicleMoney(pages, view);
    money->newVehicle_.install(pages.handlers());
    money->prices_.install(pages.handlers());
    view.host().updateTVAetMarges = [money] { money->prices_.UpdateTVAetMarges(); };

    if (auto* grid = pages.sheets().as<toolkit::Grid>(QStringLiteral("ngFrevo"))) {
        if (!host.UpdateTVAetMarges) host.UpdateTVAetMarges = [money] { money->prices_.UpdateTVAetMarges(); };
        money->frevo_ = new FrevoGrid(grid, view.state(), view.form(), view.host(), editing.host(),
                                      editing.updates(), std::move(host), money);
        money->frevo_->install(pages.handlers());
    }
    return money;
}

VehicleMoney* VehicleMoney::of(const pages::RecordView* view) {
    return view ? view->findChild<VehicleMoney*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

void VehicleMoney::connectSaving(records::PersistenceHost& host) {
    FrevoGrid* g = frevo_;
    if (!g) return;
    host.save.pendingCostLine = [g] {
        records::PendingLine p;
        p.Line = g->pendingLine();
        if (p.Line > 0) {
            p.Statement = g->FrevoRows[size_t(p.Line)].PendingStatement;
            p.Insert = g->isTemplateLine(p.Line);
        }
        return p;
    };
    host.save.costLineSent = [g](int line, bool stored) { g->lineSent(line, stored); };
    host.save.costLineConflict = [g](int line, const records::ConflictAnswer& c) { return g->lineConflict(line, c); };
    host.save.testFraisFixes = [g] { return g->TestFraisFixes(); };
    host.save.fixedCostNotice = [g] { return g->FixedCostNotice(); };
    host.save.discardLines = [g] { g->discardLines(); };
    host.grids.loadInfoFrevo = [g] { g->LoadInfoFrevo(); };
}

}  // namespace stanor::grids
