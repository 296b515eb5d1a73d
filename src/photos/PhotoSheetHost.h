#pragma once
// What the photo page asks of the main form: its platform services, run
// parameters, the data-service requests, the vehicle id, the record reload
// and the application's error box. Each may be replaced by a test.

#include "images/FtpTransfer.h"
#include "service/DataServiceClient.h"
#include "service/RequestCatalogue.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class QHttpMultiPart;
class QWidget;

namespace stanor::platform {
class Dialogs;
class SettingsStore;
}  // namespace stanor::platform
namespace stanor::images {
class TFrmBlur;
}

namespace stanor::photos {

struct PhotoSheetHost {
    platform::Dialogs* dialogs = nullptr;
    platform::SettingsStore* settings = nullptr;  // the FTP settings of the deployment
    QWidget* owner = nullptr;                     // the main form: parent of the blurring window

    std::function<QDateTime()> now;
    std::function<QString()> traceDir;
    std::function<QString()> urlImages;  // the web address of the photos, ending with "/"
    std::function<service::RequestCatalogue()> requests;
    std::function<void(const QString& url, const QString& file)> httpExecute;
    std::function<void(const QString& url, const QString& file, std::unique_ptr<QHttpMultiPart> form)> httpPost;
    // A photo downloaded for display (the second HTTP client).
    std::function<service::HttpResult(const QString& url)> downloadPhoto;
    // The error of the last request (LbDebugInfo0): empty means it went well.
    std::function<QString()> requestError;
    // The vehicle id of the record answer; with report, a missing one is told.
    std::function<QString(bool report)> getIdVO;
    std::function<void(bool reload)> updateView;
    // Whether a save of the record is under way: the photo commands wait for its end.
    std::function<bool()> saveUnderWay;
    // Stores what is pending on the record before it is loaded again; false
    // when something could not be stored (the warning says why).
    std::function<bool()> saveBeforeReload;
    // Whether the user goes through a proxy (the FTP server is then reached at its internal address).
    std::function<bool()> proxyInUse;
    // The application's error box, for what no handler catches (a photo that
    // cannot be read or reduced, a failed FTP transfer).
    std::function<void(const QString& message)> showError;
    std::function<void(const QString& text)> trace;

    // The program's blurring window, made with the main form; nullptr when
    // there is none (a window is then made for the photo).
    std::function<images::TFrmBlur*()> blurForm;
    // Shows the blurring window modally; its SaveRequested says what the user chose.
    std::function<void(images::TFrmBlur& form)> showBlurForm;
    // Time limits of the FTP connection.
    images::FtpOptions ftp;
};

}  // namespace stanor::photos
