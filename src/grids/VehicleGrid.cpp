#include "grids/VehicleGrid.h"

#include "grids/GridStatements.h"
#include "pages/EditingHost.h"
#include "pages/PageUpdates.h"
#include "pages/RecordView.h"
#include "platform/Dialogs.h"

#include <QItemSelectionModel>
#include <QScopedValueRollback>

namespace stanor::grids {

using toolkit::ColumnKind;

namespace {

const QString kDeleteCaption = QStringLiteral("Confirmation de Suppression");

}  // namespace

VehicleGrid::VehicleGrid(toolkit::Grid* grid, pages::RecordView& view, const pages::EditingHost& editing,
                         pages::PageUpdates& updates, FollowUpHost host, QObject* parent)
    : QObject(parent),
      grid_(grid),
      view_(view),
      s_(view.state()),
      f_(view.form()),
      editing_(editing),
      updates_(updates),
      host_(std::move(host)) {
    grid_->setColumns({
        {.name = "cvNxImage", .header = "", .kind = ColumnKind::Image, .width = 20},
        {.name = "cvidVehicle", .header = QStringLiteral("N°"), .kind = ColumnKind::Text, .width = 8,
         .readOnly = true},
        {.name = "cvInfoImmat", .header = QStringLiteral("Immat."), .kind = ColumnKind::Text, .width = 90,
         .readOnly = true, .align = Qt::AlignHCenter},
        {.name = "cvInfoVehicle", .header = QStringLiteral("Véhicule"), .kind = ColumnKind::Text, .width = 220,
         .readOnly = true},
        // Never filled (the vehicle text holds the version): no heading, so that
        // it does not read as a version missing from every vehicle.
        {.name = "cvInfoVersion", .header = QString(), .kind = ColumnKind::Text, .readOnly = true},
    });
    // One vehicle per row: the whole row shows which one the page holds.
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void VehicleGrid::install(pages::PageHandlers& handlers) {
    using pages::EventArgs;
    handlers.set(QStringLiteral("ngVehiclesBeforeSelect"), [this](EventArgs& a) {
        const bool ok = ngVehiclesBeforeSelect(a.row);
        if (a.allow) *a.allow = ok;
    });
    handlers.set(QStringLiteral("ngVehiclesSelectCell"), [this](EventArgs& a) { ngVehiclesSelectCell(a.row); });
    handlers.set(QStringLiteral("JvXPBtnNewVehicleClick"), [this](EventArgs&) { JvXPBtnNewVehicleClick(); });
    connect(grid_, &toolkit::Grid::cellClick, this, [this](int row, int col) { ngVehiclesCellClick(col, row); });
}

void VehicleGrid::trace(const QString& text) const {
    if (view_.host().trace) view_.host().trace(text);
}

int VehicleGrid::shownRow() const { return s_.SelectedVehicle >= 0 ? s_.SelectedVehicle : 0; }

// The current cell moves to the row by code, and the whole row shows as chosen.
void VehicleGrid::selectRow(int row, int col) {
    grid_->setCurrentCell(row, col);
    const QModelIndex ix = grid_->model()->index(row, col);
    if (ix.isValid())
        grid_->selectionModel()->select(ix, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void VehicleGrid::applyPage() {
    try {
        view_.UpdateTabDesc(false, false);
    } catch (const std::exception& e) {
        trace(QStringLiteral("ngVehicles : ") + QString::fromLocal8Bit(e.what()));
    }
}

// The identifier of the vehicle the page holds, as loaded.
QString VehicleGrid::pageVehicleId() {
    for (const pages::TsDesc& d : s_.pages[pages::kVehiclePage].Fields)
        if (d.FieldName.compare(QLatin1String("idTVO"), Qt::CaseInsensitive) == 0) return d.LoadedValue;
    return {};
}

bool VehicleGrid::pageHasChanges() const {
    return s_.NewVehicle || updates_.pending(pages::kVehiclePage).changed();
}

bool VehicleGrid::saveEnabled() {
    const QWidget* save = f_.widget(QStringLiteral("JvXPBtnSave"));
    return save && save->isEnabled();
}

// ---------------------------------------------------------------- loading

void VehicleGrid::LoadInfoVehicle() {
    ++loads_;
    const bool right = s_.rights.RightProfid;
    f_.setVisible(QStringLiteral("JvXPBtnNewVehicle"), true);
    // A customer being created gets vehicles once it is stored.
    f_.setEnabled(QStringLiteral("JvXPBtnNewVehicle"), right && !s_.FlagNewEnreg);
    trace(QStringLiteral("TVehS : ") + answerListText(s_.CustomerXml.Text, QStringLiteral("TVehS")));
    const std::vector<AnswerElement> elements =
        s_.FlagNewEnreg ? std::vector<AnswerElement>{}
                        : answerElements(s_.CustomerXml.Text, QStringLiteral("TVehS"), QStringLiteral("TVeh"),
                                         customerVehicleFields());
    rows_ = customerVehicleRows(elements, right);
    {
        QScopedValueRollback<bool> filling(s_.PageFilling, true);
        grid_->setRowCount(0);
        for (int r = 0; r < int(rows_.size()); ++r) {
            const CustomerVehicleRow& v = rows_[size_t(r)];
            grid_->setImage(r, CvNxImage, v.icon, v.hint);
            grid_->setCell(r, CvIdVehicle, v.id);
            grid_->setCell(r, CvInfoImmat, v.registration);
            grid_->setCell(r, CvInfoVehicle, v.vehicle);
        }
    }

    // A vehicle just entered on the page and stored is the one shown.
    const QString customer = f_.caption(QStringLiteral("LbIDCustomer"));
    QStringList ids;
    for (const CustomerVehicleRow& v : rows_) ids << v.id;
    if (enteringNew_ && customer == loadedCustomer_)
        for (int r = 0; r < int(rows_.size()); ++r)
            if (!loadedIds_.contains(rows_[size_t(r)].id)) {
                s_.SelectedVehicle = r;
                break;
            }
    enteringNew_ = false;
    loadedCustomer_ = customer;
    loadedIds_ = ids;
    if (rows_.empty()) return;
    if (s_.SelectedVehicle < 0 || s_.SelectedVehicle >= int(rows_.size())) s_.SelectedVehicle = 0;
    // The page shows the vehicle the grid selects, whichever it showed before.
    if (s_.pages[pages::kVehiclePage].Described && pageVehicleId() != rows_[size_t(s_.SelectedVehicle)].id)
        applyPage();
    selectRow(s_.SelectedVehicle, CvInfoImmat);
    grid_->viewport()->update();
}

// ---------------------------------------------------------------- choosing

bool VehicleGrid::ngVehiclesBeforeSelect(int row) {
    // Moves inside the row shown, and leaving a vehicle with nothing to
    // store, need no mark and model.
    if (row == grid_->currentRow() || !pageHasChanges()) return true;
    for (const char* name : {"vInfoMarque", "vInfoModele"}) {
        QWidget* w = f_.widget(QLatin1String(name));
        if (w && !w->isHidden() && f_.text(QLatin1String(name)).trimmed().isEmpty()) {
            w->setFocus();
            return false;
        }
    }
    return true;
}

void VehicleGrid::ngVehiclesSelectCell(int row) {
    if (row < 0 || row >= grid_->rowCount() || row == shownRow()) return;
    const QString chosen = grid_->cell(row, CvIdVehicle);
    const int before = loads_;
    if (saveEnabled() && host_.SaveChanges) {
        if (!host_.SaveChanges()) {
            selectRow(shownRow(), grid_->currentColumn());
            return;
        }
        // The answer still holds the values as loaded: it is read again so
        // that the vehicle just stored shows what was stored when chosen again.
        if (loads_ == before && host_.JvXPBtnActualizeClick) {
            s_.SelectedVehicle = 0;
            host_.JvXPBtnActualizeClick();
        }
    }
    int target = row;
    if (loads_ != before) {
        target = std::max(0, rowOfVehicle(rows_, chosen));
    } else if (s_.NewVehicle) {
        // The new vehicle was left without anything typed: it goes.
        s_.NewVehicle = false;
        grid_->removeRow(0);
        target = rowOfVehicle(rows_, chosen);
    }
    if (target < 0 || target >= int(rows_.size())) return;
    if (target != s_.SelectedVehicle) {
        s_.SelectedVehicle = target;
        applyPage();
    }
    selectRow(target, std::max(grid_->currentColumn(), int(CvIdVehicle)));
}

// ---------------------------------------------------------------- new and delete

bool VehicleGrid::saveUnderWay() const {
    if (!editing_.saveUnderWay || !editing_.saveUnderWay()) return false;
    trace(QStringLiteral("ngVehicles : commande ignorée, un enregistrement est en cours"));
    return true;
}

void VehicleGrid::JvXPBtnNewVehicleClick() {
    if (!s_.rights.RightProfid || s_.FlagNewEnreg || saveUnderWay()) return;
    // What the vehicle shown has pending is stored first, or nothing happens.
    if (saveEnabled() && host_.SaveChanges && !host_.SaveChanges()) return;
    if (!s_.NewVehicle) {
        s_.NewVehicle = true;
        enteringNew_ = true;
        grid_->insertRow(0);
        s_.SelectedVehicle = -1;
        applyPage();
    }
    selectRow(0, CvInfoImmat);
    grid_->viewport()->update();
    if (QWidget* first = f_.widget(QStringLiteral("vImmatriculation"))) first->setFocus();
}

void VehicleGrid::ngVehiclesCellClick(int col, int row) {
    if (col != CvNxImage || row < 0 || row >= grid_->rowCount() || grid_->image(row, CvNxImage) != 0) return;
    if (!editing_.dialogs || saveUnderWay()) return;
    const QString question =
        CustomerVehicleDeleteQuestion(grid_->cell(row, CvInfoImmat), grid_->cell(row, CvInfoVehicle));
    if (editing_.dialogs->messageBox(kDeleteCaption, question, platform::MsgIcon::Question,
                                     platform::MsgButtons::YesNo) != platform::MsgResult::Yes)
        return;
    const records::StatementChain chain = CustomerVehicleDeleteStatements(grid_->cell(row, CvIdVehicle));
    if (chain.empty()) {
        trace(QStringLiteral("ngVehiclesCellClick : ") + chain.Reason);
        return;
    }
    // The customer is loaded again afterwards: what is pending is stored first.
    if (editing_.saveBeforeReload && !editing_.saveBeforeReload()) return;
    const QString& statement = chain.Statements.front();
    f_.setCaption(QStringLiteral("LbDebugInfo2"), statement);
    const service::ServiceRequest r =
        editing_.requests ? editing_.requests().remove(statement) : service::ServiceRequest{};
    if (r.url.isEmpty() || !view_.host().httpExecute) return;
    view_.host().httpExecute(r.url, r.answerFile);
    const QString error = editing_.requestError ? editing_.requestError() : f_.caption(QStringLiteral("LbDebugInfo0"));
    if (!error.isEmpty()) return;
    f_.setCaption(QStringLiteral("LbDebugInfo2"), QString());
    // The list is read again from its start: the place of the vehicle shown may be gone.
    s_.SelectedVehicle = 0;
    s_.NewVehicle = false;
    if (editing_.updateView) editing_.updateView(false);
}

}  // namespace stanor::grids
