#pragma once
// The commands that leave the record editor: the printable sheet of the
// record and the margin sheet, opened in the browser once pending changes
// are stored, and the test text message sent through the gateway. A browser
// holds no session: the sheet is downloaded with the user's session into a
// file only the user can read, and the browser opens that file. Installed
// on the form's record view and bound to its buttons by name.

#include "commands/Reports.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QHttpMultiPart;

namespace stanor::pages {
class DesignedPages;
class RecordView;
}  // namespace stanor::pages
namespace stanor::platform {
class Dialogs;
class SettingsStore;
class Shell;
}  // namespace stanor::platform
namespace stanor::service {
struct HttpResult;
}

namespace stanor::commands {

// What the commands ask of the main form.
struct SideCommandsHost {
    // Stores what is pending; false when it was refused or failed.
    std::function<bool()> saveChanges;
    // The identifiers of the record shown; with report, a missing one is told in a box.
    std::function<QString(bool report)> getIdVO;
    std::function<QString(bool report)> getIdClient;
    std::function<bool()> ctrlHeld;
    // Waits that long; by default a local event loop runs meanwhile, so the
    // window stays responsive (tests pass one that returns at once).
    std::function<void(int ms)> pause;
    // The address of a sheet: the data service's base address, selection and name.
    std::function<QString(const QString& selection, const QString& reportName)> reportUrl;
    // Downloads a sheet with the data-service client (the session goes with
    // it). Unset: the browser is given the sheet's address.
    std::function<service::HttpResult(const QString& url)> downloadSheet;
    // Posts a form with the data-service client (idle rule applied) and
    // gives its answer back, leaving the status labels alone.
    std::function<service::HttpResult(const QString& url, std::unique_ptr<QHttpMultiPart> form)> postForm;
    // LbDebugInfo0 and the warning panel.
    std::function<void(const QString& text)> setRequestError;
    std::function<QString()> requestError;
    platform::SettingsStore* settings = nullptr;
    platform::Shell* shell = nullptr;
    platform::Dialogs* dialogs = nullptr;
};

class SideCommands : public QObject {
    Q_OBJECT
public:
    // Time left to the data service to commit a save before a sheet reads it.
    static constexpr int kSavePauseMs = 300;

    // Installs the commands on the form of view (once); owned by the record view.
    static SideCommands* install(pages::DesignedPages& pages, pages::RecordView& view, SideCommandsHost host);
    static SideCommands* of(const pages::RecordView* view);

    SideCommandsHost& host() { return host_; }

    void JvXPBtnPrintClick();
    void czFeuilleMargeClick();
    void JvXPBtnSMSClick();
    // Opens the address with the browser the settings name (the open command
    // of HTML files), or the desktop's when they name none. False when
    // nothing could open it; the warning then says why.
    bool OpenInBrowser(const QString& url);

private:
    SideCommands(pages::RecordView& view, SideCommandsHost host);
    void print(PrintCommand command);
    void pause(int ms);
    void trace(const QString& text) const;
    void warnNotOpened(const QString& why);

    pages::RecordView& view_;
    SideCommandsHost host_;
};

}  // namespace stanor::commands
