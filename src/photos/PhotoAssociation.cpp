// Associating a photo of the folder with the vehicle: reduction to the two
// sizes of the web site in the trace folder, the plate blurred on request,
// the upload of both files with the link row (the service may hand out
// another number than the one asked for, when another user's photo took it
// meanwhile), the FTP transfer to the web server under the name the service
// gave, and the first photo of a vehicle made its default.
#include "photos/PhotoSheet.h"

#include "images/BackgroundWork.h"
#include "images/FtpSettings.h"
#include "images/UnitBlur.h"
#include "pages/RecordView.h"
#include "photos/ListViewSort.h"
#include "photos/PhotoPictures.h"
#include "photos/PhotoRules.h"
#include "photos/SheetHelpers.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "service/MultipartForm.h"
#include "toolkit/Controls.h"

#include <QFile>
#include <QHttpMultiPart>
#include <QLabel>
#include <QTextCursor>
#include <QTreeWidget>

#include <optional>

namespace stanor::photos {

void PhotoSheet::ProcAssociateImage(bool blur) {
    QTreeWidgetItem* source = selectedItem(cListImageSource);
    if (!source || busy_ || !mayChangePhotos() || saveUnderWay()) return;
    Busy busy(busy_);
    // The number is taken even when the attempt stops early, so that it is
    // not used twice before the list is read again from the record answer.
    ++LastNumImage;
    const QString idVO = host_.getIdVO(true);
    if (idVO.isEmpty()) return;
    const int number = LastNumImage;
    const int linkedBefore = cListImageVO ? cListImageVO->topLevelItemCount() : 0;
    const QString name = PhotoName(idVO, number);
    const QString dateText = LinkDateText(host_.now());
    if (host_.trace) host_.trace(QStringLiteral("ProcAssociateImage : ") + source->text(0) + QStringLiteral(" -> ") + name);

    std::optional<WaitCursor> wait(std::in_place);
    images::FtpEndpoint endpoint;
    try {
        reduce(platform::filePathIn(PathImages, source->text(0)), nullptr, name);
        if (blur) {
            images::Bitmap blurred;
            wait.reset();  // the user works in the blurring window meanwhile
            if (!blurPlate(name, blurred)) return;  // closed without saving: nothing is sent, the files stay
            wait.emplace();
            reduce(QString(), &blurred, name);
        }
        // The server and account before the upload: a fault in them links nothing.
        endpoint = ftpEndpoint();
    } catch (const std::exception& e) {
        // What was reduced stays in the trace folder; the memo shows how far it went.
        wait.reset();
        if (host_.showError) host_.showError(QString::fromUtf8(e.what()));
        return;
    }
    UploadedPhoto linked{name, number};
    if (!upload(idVO, number, name, dateText, linked)) return;
    LastNumImage = std::max(LastNumImage, linked.number);
    try {
        if (linked.name != name) renameReduced(name, linked.name);
        transfer(endpoint, linked.name);
    } catch (const std::exception& e) {
        // Not on the web server: the link goes too, so that the photo is sent again.
        wait.reset();
        const QString sql = PhotoLinkDelete(idVO, linked.name);
        const service::ServiceRequest r = host_.requests().remove(sql);
        host_.httpExecute(r.url, r.answerFile);
        if (host_.showError) host_.showError(QString::fromUtf8(e.what()));
        return;
    }
    afterLink(idVO, linked.number, linked.name, dateText, linkedBefore);
}

images::FtpEndpoint PhotoSheet::ftpEndpoint() const {
    if (!host_.settings) throw images::FtpError("Réglages FTP indisponibles");
    return images::chooseFtpEndpoint(images::readFtpDeployment(*host_.settings), host_.proxyInUse && host_.proxyInUse());
}

void PhotoSheet::reduce(const QString& source, const images::Bitmap* blurred, const QString& name) {
    if (Memo) Memo->clear();
    const std::string target = (name + QStringLiteral(".jpg")).toStdString();
    images::ReductionOptions options;
    options.dir = traceFolder();
    options.memo = memoLines();
    const QString saved = tracePath(name + QStringLiteral(".jpg"));
    const auto showSaved = images::memoOnThreadOf(VOImage, [this, saved](const QString&) {
        showPicture(VOImage, QImage(saved), placeholder_);
    });
    images::runKeepingEventsProcessed([&] {
        images::ReductionJPG(source.toStdString(), blurred, target, options);
        showSaved({});
    });
}

void PhotoSheet::transfer(const images::FtpEndpoint& endpoint, const QString& name) {
    const std::string target = (name + QStringLiteral(".jpg")).toStdString();
    const std::string dir = traceFolder();
    const auto memo = memoLines();
    images::FtpOptions ftp = host_.ftp;
    if (host_.trace)
        ftp.trace = images::memoOnThreadOf(this, [this](const QString& line) { host_.trace(QStringLiteral("FTP ") + line); });
    images::runKeepingEventsProcessed([&] { images::transferPhotoFiles(endpoint, dir, target, memo, ftp); });
}

// The reduced files take the name the service gave the photo.
void PhotoSheet::renameReduced(const QString& from, const QString& to) {
    for (const QString& end : {QStringLiteral(".jpg"), QStringLiteral("m.jpg")}) {
        QFile::remove(tracePath(to + end));
        if (!QFile::rename(tracePath(from + end), tracePath(to + end)))
            throw images::ImageError(("Impossible de renommer " + tracePath(from + end) + " en " + to + end).toStdString());
    }
}

std::string PhotoSheet::traceFolder() const {
    return platform::localPath(host_.traceDir ? host_.traceDir() : QString()).toStdString();
}

std::function<void(const std::string&)> PhotoSheet::memoLines() {
    return images::memoOnThreadOf(Memo, [this](const QString& line) {
        if (!Memo) return;
        Memo->appendPlainText(line);
        Memo->moveCursor(QTextCursor::End);  // the last step in sight
        Memo->ensureCursorVisible();
    });
}

bool PhotoSheet::blurPlate(const QString& name, images::Bitmap& blurred) {
    if (!host_.dialogs) throw images::ImageError("Floutage impossible : pas de boîtes de dialogue");
    // The program's window, as it was just made; one of its own for this photo when there is none.
    std::optional<images::TFrmBlur> own;
    images::TFrmBlur* shared = host_.blurForm ? host_.blurForm() : nullptr;
    images::TFrmBlur& form = shared ? *shared : own.emplace(*host_.dialogs, host_.owner);
    form.startOver();
    pages::RecordViewForm& f = view_.form();
    form.setWindowTitle(QStringLiteral("Formulaire de Floutage pour la plaque minéralogique du ") +
                        f.caption(QStringLiteral("JvXPBtnNewVO")) + QStringLiteral(" N°") +
                        f.text(QStringLiteral("xcInfoNVO")));
    const QString file = tracePath(name + QStringLiteral(".jpg"));
    if (!form.loadPicture(file)) throw images::ImageError(("Impossible de lire l'image " + file).toStdString());
    if (host_.showBlurForm) host_.showBlurForm(form);
    if (!form.SaveRequested) return false;
    blurred = form.pictureBitmap();
    return true;
}

bool PhotoSheet::upload(const QString& idVO, int number, const QString& name, const QString& dateText,
                        UploadedPhoto& linked) {
    const QString statement = PhotoLinkInsert(idVO, number, name, dateText);
    setStatement(statement);
    const QString photo = name + QStringLiteral(".jpg");
    const QString mini = QString::fromStdString(images::miniatureName(photo.toStdString()));
    service::MultipartForm form;
    form.addText(QStringLiteral("NFImage"), photo);
    form.addText(QStringLiteral("XMLC_OutputFormat"), QStringLiteral("XML"));
    form.addText(QStringLiteral("SQLExecute"), statement);
    form.addText(QStringLiteral("MAX_FILE_SIZE"), QStringLiteral("4096000"));
    bool read = form.addFile(QStringLiteral("File"), tracePath(photo));
    form.addText(QStringLiteral("NFImageMini"), mini);
    read = form.addFile(QStringLiteral("File"), tracePath(mini)) && read;
    if (!read) {
        if (host_.showError)
            host_.showError(QStringLiteral("Impossible de lire les clichés réduits ") + photo + QStringLiteral(" et ") + mini +
                            QStringLiteral(" dans ") + (host_.traceDir ? host_.traceDir() : QString()));
        return false;
    }
    WaitCursor wait;
    const service::ServiceRequest r = host_.requests().photoUpload();
    host_.httpPost(r.url, r.answerFile, form.release());
    if (!requestError().isEmpty()) return false;
    QFile answer(r.answerFile);
    if (answer.open(QIODevice::ReadOnly)) linked = ReadUploadedPhoto(QString::fromLatin1(answer.readAll()), linked);
    return true;
}

void PhotoSheet::afterLink(const QString& idVO, int number, const QString& name, const QString& dateText,
                           int linkedBefore) {
    // Another record may have been opened while the photo was on its way:
    // the photo stays the vehicle's it was sent for, never that record's.
    const bool shown = vehicle_ == idVO && !view_.state().FlagNewEnreg;
    if (!shown && host_.trace)
        host_.trace(QStringLiteral("Cliché %1 lié au véhicule %2, qui n'est plus affiché").arg(name, idVO));
    // The time stored with the link, as the list shows the others.
    QTreeWidgetItem* item =
        shown && cListImageVO ? new QTreeWidgetItem(cListImageVO, {name, ShownLinkDate(dateText)}) : nullptr;
    // LastNumImage keeps its value: set back to 1 it would give the next
    // photo a number already linked, and that photo's files would be replaced.
    if (!BecomesDefault(linkedBefore + 1, number)) return;
    WaitCursor wait;
    if (!sendDefault(idVO, name) || !shown) return;
    if (item) item->setText(2, kDefaultPhotoMark);
    defaultName_ = name;
    reloadRecord();
}

}  // namespace stanor::photos
