// The main form's side commands: the printable sheets opened in the browser
// and the test text message, installed on its record view.
#include "TAxStanor.h"

#include "commands/SideCommands.h"
#include "pages/DesignedPages.h"
#include "pages/RecordView.h"
#include "pages/RecordViewHostOf.h"
#include "platform/DesktopShell.h"
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
    h.settings = &ctx_.settings;
    h.shell = shell;
    h.dialogs = &ctx_.dialogs;
    auto* view = pages::RecordView::of(this, [this] { return pages::recordViewHostOf(*this); });
    sideCommands_ = commands::SideCommands::install(*pages::DesignedPages::of(Tabs), *view, std::move(h));
}

void TAxStanor::JvXPBtnPrintClick() { sideCommands_->JvXPBtnPrintClick(); }
void TAxStanor::czFeuilleMargeClick() { sideCommands_->czFeuilleMargeClick(); }
void TAxStanor::JvXPBtnSMSClick() { sideCommands_->JvXPBtnSMSClick(); }
bool TAxStanor::OpenInBrowser(const QString& url) { return sideCommands_->OpenInBrowser(url); }

}  // namespace stanor::app
