#include "grids/VehicleMoney.h"

#include "pages/DesignedPages.h"
#include "pages/RecordEditing.h"
#include "pages/RecordView.h"

#include <QTabWidget>

namespace stanor::grids {

namespace {
constexpr char kObjectName[] = "stanorVehicleMoney";
}

VehicleMoney::VehicleMoney(pages::DesignedPages& pages, pages::RecordView& view)
    : QObject(&view),
      view_(view),
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
        if (!host.SaveChanges)
            host.SaveChanges = [money] { return money->frevo_->SaveFrevoLine().ok; };
        if (!host.JvXPBtnActualizeClick) {
            pages::EditingHost* h = &editing.host();
            host.JvXPBtnActualizeClick = [h] {
                if (h->updateView) h->updateView(false);
            };
        }
        money->frevo_ = new FrevoGrid(grid, view.state(), view.form(), view.host(), editing.host(),
                                      editing.updates(), std::move(host), money);
        money->frevo_->install(pages.handlers());
        // Until the form's tab change loads the grids of a sheet, the cost
        // grid loads itself when its sheet is shown.
        if (!view.host().tabsChange) {
            view.host().tabsChange = [money] { money->loadShownGrid(); };
            if (QTabWidget* tabs = view.form().tabs())
                connect(tabs, &QTabWidget::currentChanged, money, [money] { money->loadShownGrid(); });
        }
    }
    return money;
}

VehicleMoney* VehicleMoney::of(const pages::RecordView* view) {
    return view ? view->findChild<VehicleMoney*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

void VehicleMoney::loadShownGrid() {
    pages::TsPage& page = view_.state().pages[kFrevoPage];
    QTabWidget* tabs = view_.form().tabs();
    if (!frevo_ || page.GridLoaded || !tabs || !page.Sheet || tabs->currentWidget() != page.Sheet) return;
    page.GridLoaded = true;
    frevo_->LoadInfoFrevo();
}

}  // namespace stanor::grids
