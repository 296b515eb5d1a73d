#pragma once
// The photo page of a vehicle (Sheet06): the JPEG files of a folder of the
// local disk, the photos linked to the vehicle, their previews, and the
// commands that reduce a photo (optionally blurring its plate first), send it
// to the web server by FTP and HTTP and link it, make a photo the vehicle's
// default and remove a link. Installed once on the main form; its handlers
// are bound to the designed controls by name.

#include "photos/ListViewSort.h"
#include "photos/PhotoRules.h"
#include "photos/PhotoSheetHost.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

class QAbstractButton;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace stanor::images {
class Bitmap;
}
namespace stanor::pages {
class DesignedPages;
class RecordView;
}  // namespace stanor::pages
namespace stanor::records {
class RecordPersistence;
}
namespace stanor::toolkit {
class Edit;
class Memo;
}  // namespace stanor::toolkit

namespace stanor::photos {

class PhotoSheet : public QObject {
    Q_OBJECT
public:
    // Binds the page's handlers, and the loading of its lists when the page is
    // shown and after each record load. Owned by the record view.
    static PhotoSheet* install(pages::DesignedPages& pages, pages::RecordView& view,
                               records::RecordPersistence& persistence, PhotoSheetHost host);
    static PhotoSheet* of(const pages::RecordView* view);

    PhotoSheetHost& host() { return host_; }

    // ---- Form fields ----
    QString PathImages;    // the source folder
    int LastNumImage = 0;  // the highest photo number of the vehicle, grown by every association attempt

    // ---- Controls of the page (nullptr when the design lacks one) ----
    toolkit::Edit* cTxtPathImage = nullptr;
    QTreeWidget* cListImageSource = nullptr;
    QLabel* ImageSelection = nullptr;
    QTreeWidget* cListImageVO = nullptr;
    QLabel* ImageVO = nullptr;
    QLabel* ImageMini = nullptr;
    QLabel* VOImage = nullptr;
    QLabel* ImageNoPhoto = nullptr;
    toolkit::Memo* Memo = nullptr;
    QAbstractButton* czCmdSelPathListImage = nullptr;
    QAbstractButton* czCmdRefreshListImage = nullptr;
    QAbstractButton* czCmdAssociateImage = nullptr;
    QAbstractButton* czCmdAssociateImageBlur = nullptr;
    QAbstractButton* czCmdDefaultImageVO = nullptr;
    QAbstractButton* czCmdDeleteImageVO = nullptr;

    // ---- Operations ----
    // Prepares both lists once and lists the folder kept in the settings file.
    void LoadInfoCliche();
    // Lists the JPEG files of a folder, newest first.
    void ShowListeImages(const QString& folder);
    // Rebuilds the linked photos from the record answer, and LastNumImage.
    void GetDataImages();
    // Reduces the selected file of the folder, blurs its plate when asked,
    // sends it and links it to the vehicle.
    void ProcAssociateImage(bool blur);
    // Makes a photo the vehicle's default (none when the name is empty).
    // True when the statement was sent and stored.
    bool SetDefaultImageVO(const QString& name);
    // The desktop's folder picker; empty on cancel or for what is no folder.
    QString BrowseForFolder(const QString& title, const QString& initialFolder, bool allowNewFolder);

    // ---- Handlers ----
    void czCmdSelPathListImageClick();
    void czCmdRefreshListImageClick();
    void cListImageSourceSelectItem();
    void cListImageVOSelectItem();
    void czCmdAssociateImageClick() { ProcAssociateImage(false); }
    void czCmdAssociateImageBlurClick() { ProcAssociateImage(true); }
    void czCmdDefaultImageVOClick();
    void czCmdDeleteImageVOClick();

    // Whether the user may send, link, make default or delete the photos of
    // the vehicle shown; viewing them and choosing the folder are open to all.
    bool mayChangePhotos() const;

    // The sorter of the folder's list (nullptr while the list is empty).
    TListViewSort* sorter() const { return sorter_; }
    // The default photo named by the record answer last read.
    const QString& defaultPhoto() const { return defaultName_; }
    const QImage& placeholder() const { return placeholder_; }

private:
    PhotoSheet(pages::DesignedPages& pages, pages::RecordView& view, records::RecordPersistence& persistence,
               PhotoSheetHost host);
    void findControls();
    // The commands that change the vehicle's photos follow the user's rights.
    void followRights();
    void bindHandlers();
    // Fills cListImageVO from the record answer; returns the highest photo number.
    int fillLinkedList();
    void showPlaceholder(QLabel* label);
    void setStatement(const QString& sql);
    QString requestError() const;
    QString tracePath(const QString& name) const;
    // The FTP server and account of the deployment; raises what is missing.
    images::FtpEndpoint ftpEndpoint() const;
    // Reduces to TraceDir, on a worker thread; the memo follows. Raises what failed.
    void reduce(const QString& source, const images::Bitmap* blurred, const QString& name);
    // Sends both reduced files by FTP, on a worker thread. Raises what failed.
    void transfer(const images::FtpEndpoint& endpoint, const QString& name);
    void renameReduced(const QString& from, const QString& to);
    std::string traceFolder() const;
    std::function<void(const std::string&)> memoLines();
    // The blurring window for the reduced photo; true when the user saved,
    // with the picture in `blurred`.
    bool blurPlate(const QString& name, images::Bitmap& blurred);
    // Sends both files and the link row; true when the service stored them,
    // with the name and number it gave the photo in `linked`.
    bool upload(const QString& idVO, int number, const QString& name, const QString& dateText, UploadedPhoto& linked);
    // The link stored (at `dateText`): the list and the default follow, for
    // the vehicle the photo was sent for (`linkedBefore` photos it had then),
    // whichever record is shown now.
    void afterLink(const QString& idVO, int number, const QString& name, const QString& dateText, int linkedBefore);
    // Sends the default photo's statement; true when it was stored.
    bool sendDefault(const QString& idVO, const QString& name);
    // True, with a trace line, while a save of the record is under way.
    bool saveUnderWay() const;
    // Loads the record again, after storing what is pending on it.
    void reloadRecord();

    pages::DesignedPages& pages_;
    pages::RecordView& view_;
    PhotoSheetHost host_;
    QPointer<TListViewSort> sorter_;
    QString defaultName_;
    QString vehicle_;  // the idVO whose photos the page shows
    QImage placeholder_;
    bool busy_ = false;  // an association, a default or a deletion is under way
};

}  // namespace stanor::photos
