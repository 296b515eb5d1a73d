// The main form's saving and record commands, as the form publishes them;
// the work is done by the record persistence installed on its record view.
#include "TAxStanor.h"

#include "records/RecordPersistence.h"
#include "service/DataServiceClient.h"

#include <QCloseEvent>

namespace stanor::app {

bool TAxStanor::SaveChanges() { return persistence_->saving().SaveChanges(); }
void TAxStanor::JvXPBtnNewVOClick() { persistence_->commands().JvXPBtnNewVOClick(); }
void TAxStanor::JvXPBtnSaveClick() { persistence_->commands().JvXPBtnSaveClick(); }
void TAxStanor::JvXPBtnActualizeClick() { persistence_->commands().JvXPBtnActualizeClick(); }
void TAxStanor::JvXPBtnSupprClick() { persistence_->commands().JvXPBtnSupprClick(); }
void TAxStanor::JvXPNextClick() { persistence_->commands().JvXPNextClick(); }
void TAxStanor::JvXPPrevClick() { persistence_->commands().JvXPPrevClick(); }
void TAxStanor::JvXPBtnSweepClick() { persistence_->commands().JvXPBtnSweepClick(); }
void TAxStanor::TabsChanging(bool& allowChange) { persistence_->commands().TabsChanging(allowChange); }
void TAxStanor::TabsChange() { persistence_->commands().TabsChange(); }
QString TAxStanor::GetIdVO(bool report) { return persistence_->commands().GetIdVO(report); }
QString TAxStanor::GetIdClient(bool report) { return persistence_->commands().GetIdClient(report); }
bool TAxStanor::SaveUnderWay() const { return persistence_ && persistence_->saving().saving(); }
bool TAxStanor::SaveBeforeLeaving() { return !persistence_ || persistence_->saveBeforeLeaving(); }

void TAxStanor::closeEvent(QCloseEvent* e) {
    SaveWindowGeometry();
    if (!persistence_->commands().askToSave()) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

void TAxStanor::SetHttpOptions(const service::ClientOptions& options) {
    service::ClientOptions o = options;
    if (!o.clock) o.clock = &ctx_.clock;
    auto replaced = std::move(http_);
    http_ = std::make_unique<service::DataServiceClient>(*this, o);
    if (replaced) http_->TakeSessionFrom(*replaced);
}

}  // namespace stanor::app
