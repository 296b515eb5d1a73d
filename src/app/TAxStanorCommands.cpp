// The main form's side commands, installed on its record view: the printable
// sheets opened in the browser and the test text message, the question
// before a duplicate is saved, and today's reminders.
#include "TAxStanor.h"

#include "commands/SideCommands.h"
#include "pages/DesignedPages.h"
#include "pages/RecordView.h"
#include "pages/RecordViewHostOf.h"
#include "platform/DesktopShell.h"
#include "records/RecordPersistence.h"
#include "records/TabsGuard.h"
#include "reminders/RemindersPanel.h"
#include "search/DuplicateQuestion.h"
#include "service/DataServiceClient.h"

#include <QHttpMultiPart>
#include <QTabWidget>

namespace stanor::app {

void TAxStanor::installSideCommands() {
    platform::Shell* shell = ctx_.shell;
    if (!shell) {
        desktopShell_ = std::make_unique<platform::DesktopShell>();
        shell = desktopShell_.get();
    }
    commands::SideCommandsHost h;
    h.saveChanges = [this] { return SaveChanges(); };
    h.getIdVO = [this](bool report) { return GetIdVO(report); };
    h.getIdClient = [this](bool report) { return GetIdClient(report); };
    h.ctrlHeld = [this] { return ctrlHeld(); };
    h.reportUrl = [this](const QString& selection, const QString& name) {
        return Requests().reportUrl(selection, name);
    };
    h.downloadSheet = [this](const QString& url) { return Http().DownloadSheet(url); };
    h.postForm = [this](const QString& url, std::unique_ptr<QHttpMultiPart> form) {
        return Http().PostForm(url, std::move(form));
    };
    h.setRequestError = [this](const QString& text) { setRequestError(text); };
    h.requestError = [this] { return requestError(); };
    h.offerWarningAction = [this](const QString& caption, std::function<void()> action) {
        offerWarningAction(caption, std::move(action));
    };
    h.status = [this](const QString& text) { showNotice(text, false); };
    h.download = [this](const QString& url) { return Http().DownloadPhoto(url); };
    h.settings = &ctx_.settings;
    h.shell = shell;
    h.dialogs = &ctx_.dialogs;
    auto* view = pages::RecordView::of(this, [this] { return pages::recordViewHostOf(*this); });
    sideCommands_ = commands::SideCommands::install(*pages::DesignedPages::of(Tabs), *view, std::move(h));
}

// Before a save stores a duplicate of a vehicle or customer, the user is asked.
void TAxStanor::installDuplicateQuestion() {
    search::DuplicateQuestionHost h;
    h.requests = [this] { return Requests(); };
    h.fetch = [this](const QString& url, const QString& file) { return Http().Fetch(url, file).error; };
    h.dialogs = &ctx_.dialogs;
    h.userConcession = [this] { return UserConcession; };
    h.trace = [this](const QString& text) { WriteTrace(text); };
    h.discardPending = [this] { persistence_->saving().discardPending(); };
    h.openRecord = [this](const QString& id, bool customer, int kind) {
        return persistence_->commands().openRecord(id, customer, kind);
    };
    auto* view = pages::RecordView::of(this, [this] { return pages::recordViewHostOf(*this); });
    auto* question = search::DuplicateQuestion::install(*view, std::move(h));
    persistence_->host().confirmSave = [question] { return question->confirmSave(); };
}

// Today's reminders: the toolbar command with its count, and the list.
void TAxStanor::installReminders() {
    reminders::RemindersHost h;
    h.requests = [this] { return Requests(); };
    h.fetch = [this](const QString& url, const QString& file) { return Http().Fetch(url, file).error; };
    h.trace = [this](const QString& text) { WriteTrace(text); };
    h.busy = [this] { return Http().pendingRequests() > 0 || persistence_->saving().saving() || !RecordShown(); };
    h.openCustomer = [this](const QString& idClient) {
        if (!persistence_->commands().openRecord(idClient, true)) return false;
        // The customer's follow-up: the sheet of the action grid.
        for (int i = 0; i < Tabs->count(); ++i)
            if (Tabs->widget(i)->findChild<QWidget*>(QStringLiteral("ngAction"))) {
                if (i != Tabs->currentIndex() && persistence_->tabsGuard()) persistence_->tabsGuard()->requestSwitch(i);
                break;
            }
        return true;
    };
    auto* view = pages::RecordView::of(this, [this] { return pages::recordViewHostOf(*this); });
    reminders_ = reminders::RemindersPanel::install(PanelRelances, JvXPBtnRelances, *view, std::move(h));
    persistence_->host().afterSave = [this] { reminders_->afterSave(); };
}

void TAxStanor::JvXPBtnPrintClick() { sideCommands_->JvXPBtnPrintClick(); }
void TAxStanor::czFeuilleMargeClick() { sideCommands_->czFeuilleMargeClick(); }
void TAxStanor::JvXPBtnSMSClick() { sideCommands_->JvXPBtnSMSClick(); }
bool TAxStanor::OpenInBrowser(const QString& url) { return sideCommands_->OpenInBrowser(url); }

}  // namespace stanor::app
