#include "photos/PhotoSheet.h"

#include <QSignalBlocker>

#include "pages/DesignedPages.h"
#include "pages/RecordView.h"
#include "photos/IniFile.h"
#include "photos/ListViewSort.h"
#include "photos/PhotoPictures.h"
#include "photos/PhotoRules.h"
#include "photos/SheetHelpers.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "records/RecordCommands.h"
#include "records/RecordPersistence.h"
#include "toolkit/Controls.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

namespace stanor::photos {

namespace {

constexpr char kObjectName[] = "stanorPhotoSheet";
constexpr int kPhotoPage = 6;  // the page of Sheet06
const QString kOptions = QStringLiteral("Options");
const QString kPathImages = QStringLiteral("PathImages");

void setColumns(QTreeWidget* list, const QStringList& captions, const QList<int>& widths) {
    list->setColumnCount(int(captions.size()));
    list->setHeaderLabels(captions);
    for (int i = 0; i < widths.size(); ++i) list->setColumnWidth(i, widths[i]);
    list->setHeaderHidden(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
}

}  // namespace

PhotoSheet::PhotoSheet(pages::DesignedPages& pages, pages::RecordView& view, records::RecordPersistence&,
                       PhotoSheetHost host)
    : QObject(&view), pages_(pages), view_(view), host_(std::move(host)) {
    setObjectName(QLatin1String(kObjectName));
    findControls();
    placeholder_ = placeholderPicture(QSize(287, 215));
    if (ImageNoPhoto) showPicture(ImageNoPhoto, QImage(), placeholder_);
    for (QLabel* l : {ImageSelection, ImageVO, ImageMini, VOImage}) showPlaceholder(l);
}

PhotoSheet* PhotoSheet::install(pages::DesignedPages& pages, pages::RecordView& view,
                                records::RecordPersistence& persistence, PhotoSheetHost host) {
    if (PhotoSheet* existing = of(&view)) return existing;
    auto* sheet = new PhotoSheet(pages, view, persistence, std::move(host));
    sheet->bindHandlers();
    records::GridLoaders& loaders = persistence.host().grids;
    loaders.loadInfoCliche = [sheet] { sheet->LoadInfoCliche(); };
    loaders.getDataImages = [sheet] { sheet->GetDataImages(); };
    view.host().getDataImages = [sheet] { sheet->GetDataImages(); };
    return sheet;
}

PhotoSheet* PhotoSheet::of(const pages::RecordView* view) {
    return view ? view->findChild<PhotoSheet*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

void PhotoSheet::findControls() {
    const pages::DesignedSheets& s = pages_.sheets();
    auto button = [&s](const char* name) { return s.as<QAbstractButton>(QLatin1String(name)); };
    cTxtPathImage = s.as<toolkit::Edit>(QStringLiteral("cTxtPathImage"));
    cListImageSource = s.as<QTreeWidget>(QStringLiteral("cListImageSource"));
    ImageSelection = s.as<QLabel>(QStringLiteral("ImageSelection"));
    cListImageVO = s.as<QTreeWidget>(QStringLiteral("cListImageVO"));
    ImageVO = s.as<QLabel>(QStringLiteral("ImageVO"));
    ImageMini = s.as<QLabel>(QStringLiteral("ImageMini"));
    VOImage = s.as<QLabel>(QStringLiteral("VOImage"));
    ImageNoPhoto = s.as<QLabel>(QStringLiteral("ImageNoPhoto"));
    Memo = s.as<toolkit::Memo>(QStringLiteral("Memo"));
    czCmdSelPathListImage = button("czCmdSelPathListImage");
    czCmdRefreshListImage = button("czCmdRefreshListImage");
    czCmdAssociateImage = button("czCmdAssociateImage");
    czCmdAssociateImageBlur = button("czCmdAssociateImageBlur");
    czCmdDefaultImageVO = button("czCmdDefaultImageVO");
    czCmdDeleteImageVO = button("czCmdDeleteImageVO");
    if (Memo) Memo->setReadOnly(true);
    // A picture is shown greyed in a disabled label; this one only shows.
    if (VOImage) VOImage->setEnabled(true);
    for (QAbstractButton* b : {czCmdAssociateImage, czCmdAssociateImageBlur})
        if (b) b->setEnabled(false);  // until a file of the folder is selected
}

void PhotoSheet::bindHandlers() {
    pages::PageHandlers& h = pages_.handlers();
    const std::pair<const char*, void (PhotoSheet::*)()> handlers[] = {
        {"czCmdSelPathListImageClick", &PhotoSheet::czCmdSelPathListImageClick},
        {"czCmdRefreshListImageClick", &PhotoSheet::czCmdRefreshListImageClick},
        {"cListImageSourceSelectItem", &PhotoSheet::cListImageSourceSelectItem},
        {"cListImageVOSelectItem", &PhotoSheet::cListImageVOSelectItem},
        {"czCmdAssociateImageClick", &PhotoSheet::czCmdAssociateImageClick},
        {"czCmdAssociateImageBlurClick", &PhotoSheet::czCmdAssociateImageBlurClick},
        {"czCmdDefaultImageVOClick", &PhotoSheet::czCmdDefaultImageVOClick},
        {"czCmdDeleteImageVOClick", &PhotoSheet::czCmdDeleteImageVOClick},
    };
    for (const auto& [name, handler] : handlers) {
        auto run = handler;
        h.set(QLatin1String(name), [this, run](pages::EventArgs&) {
            try {
                (this->*run)();
            } catch (const std::exception& e) {
                if (host_.showError) host_.showError(QString::fromUtf8(e.what()));
            }
        });
    }
}

// ---------------------------------------------------------------- helpers

void PhotoSheet::showPlaceholder(QLabel* label) { showPicture(label, QImage(), placeholder_); }

void PhotoSheet::setStatement(const QString& sql) { view_.form().setCaption(QStringLiteral("LbDebugInfo2"), sql); }

QString PhotoSheet::requestError() const { return host_.requestError ? host_.requestError() : QString(); }

QString PhotoSheet::tracePath(const QString& name) const {
    return platform::filePathIn(host_.traceDir ? host_.traceDir() : QString(), name);
}

// ---------------------------------------------------------------- the folder's photos

void PhotoSheet::LoadInfoCliche() {
    if (!cListImageSource || !cListImageVO || cListImageSource->columnCount() >= 2) return;
    setColumns(cListImageSource, {QStringLiteral("Nom du Cliché"), QStringLiteral("Date")}, {125, 125});
    setColumns(cListImageVO, {QStringLiteral("Nom du Cliché"), QStringLiteral("Date"), kDefaultPhotoMark}, {110, 125, 40});
    ShowListeImages(IniRead(PhotoSettingsFile(host_.traceDir ? host_.traceDir() : QString()), kOptions, kPathImages));
}

void PhotoSheet::ShowListeImages(const QString& folder) {
    PathImages = folder;
    if (cTxtPathImage) cTxtPathImage->setText(folder);
    showPlaceholder(ImageSelection);
    for (QAbstractButton* b : {czCmdAssociateImage, czCmdAssociateImageBlur})
        if (b) b->setEnabled(false);
    if (!cListImageSource) return;
    delete sorter_.data();  // its header click goes with it
    cListImageSource->clear();
    const QList<SourcePhoto> files = JpegFilesIn(platform::localPath(folder));
    QList<QTreeWidgetItem*> items;
    for (const SourcePhoto& f : files) items.push_back(new QTreeWidgetItem({f.name, ShownStamp(f.modified)}));
    cListImageSource->addTopLevelItems(items);
    if (items.isEmpty()) return;
    const int thisYear = host_.now ? host_.now().date().year() : QDate::currentDate().year();
    sorter_ = new TListViewSort(cListImageSource, {int(ColumnType::Text), int(ColumnType::DateTime)}, thisYear, this);
    sorter_->SortColumn = 1;
    sorter_->Ascending = false;
    sorter_->Sort();
}

void PhotoSheet::cListImageSourceSelectItem() {
    QTreeWidgetItem* item = selectedItem(cListImageSource);
    if (!item) return;
    const QSize box = ImageSelection ? ImageSelection->contentsRect().size() : QSize(287, 215);
    const QImage preview = readPreview(platform::filePathIn(PathImages, item->text(0)), box);
    showPicture(ImageSelection, preview, placeholder_);
    for (QAbstractButton* b : {czCmdAssociateImage, czCmdAssociateImageBlur})
        if (b) b->setEnabled(mayChangePhotos());
}

QString PhotoSheet::BrowseForFolder(const QString& title, const QString& initialFolder, bool) {
    // The desktop's folder picker shows folders only and makes none: it has
    // no new-folder button to give.
    if (!host_.dialogs) return {};
    const QString folder = host_.dialogs->pickFolder(title, initialFolder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return {};
    return QDir::toNativeSeparators(folder);
}

void PhotoSheet::czCmdSelPathListImageClick() {
    const QString folder = BrowseForFolder(QStringLiteral("Sélection du répertoire des Clichés"), PathImages, false);
    if (folder.isEmpty()) return;
    ShowListeImages(folder);
    const QString file = PhotoSettingsFile(host_.traceDir ? host_.traceDir() : QString());
    if (!IniWrite(file, kOptions, kPathImages, folder) && host_.trace)
        host_.trace(QStringLiteral("Dossier des clichés non enregistré dans ") + file);
}

void PhotoSheet::czCmdRefreshListImageClick() {
    if (busy_) return;
    ShowListeImages(cTxtPathImage ? cTxtPathImage->text() : PathImages);
    fillLinkedList();
}

// ---------------------------------------------------------------- the vehicle's photos

int PhotoSheet::fillLinkedList() {
    const pages::RecordViewState& s = view_.state();
    // A vehicle being created has no photos yet: the answer at hand is the
    // one of the vehicle shown before it.
    const LinkedPhotos linked = s.FlagNewEnreg ? LinkedPhotos{} : ReadLinkedPhotos(s.RecordXml.Text, s.RecordElement);
    defaultName_ = linked.defaultName;
    if (linked.idVO != vehicle_) {
        // Another vehicle: the last reduction and its progress were the other one's.
        vehicle_ = linked.idVO;
        if (Memo) Memo->clear();
        showPlaceholder(VOImage);
        if (cListImageVO) cListImageVO->clearSelection();
        if (Memo && s.FlagNewEnreg)
            Memo->appendPlainText(QStringLiteral("Les clichés se lient au véhicule une fois celui-ci enregistré."));
    }
    if (!cListImageVO) return linked.lastNumber;
    // The photo chosen in the list stays chosen, with its preview, when the
    // same vehicle's list is read again (after the default changed).
    const QTreeWidgetItem* was = selectedItem(cListImageVO);
    const QString chosen = was ? was->text(0) : QString();
    const QSignalBlocker quiet(cListImageVO);
    cListImageVO->clear();
    QList<QTreeWidgetItem*> items;
    QTreeWidgetItem* again = nullptr;
    for (const LinkedPhoto& p : linked.photos) {
        QStringList texts{p.name, ShownLinkDate(p.date)};
        if (p.name == linked.defaultName) texts << kDefaultPhotoMark;
        items.push_back(new QTreeWidgetItem(texts));
        if (!chosen.isEmpty() && p.name == chosen) again = items.back();
    }
    cListImageVO->addTopLevelItems(items);
    if (again) {
        cListImageVO->setCurrentItem(again);
        return linked.lastNumber;
    }
    // The previews belonged to a line of the list as it was.
    showPlaceholder(ImageVO);
    showPlaceholder(ImageMini);
    return linked.lastNumber;
}

void PhotoSheet::GetDataImages() {
    LastNumImage = 0;
    LastNumImage = fillLinkedList();
    followRights();
}

bool PhotoSheet::saveUnderWay() const {
    if (!host_.saveUnderWay || !host_.saveUnderWay()) return false;
    if (host_.trace) host_.trace(QStringLiteral("Clichés : commande ignorée, un enregistrement est en cours"));
    return true;
}

void PhotoSheet::reloadRecord() {
    // What the user typed meanwhile is stored first; when it cannot be, the
    // record stays as shown (the list is already up to date).
    if (host_.saveBeforeReload && !host_.saveBeforeReload()) return;
    host_.updateView(false);
}

bool PhotoSheet::mayChangePhotos() const {
    // A vehicle being created takes photos once it is stored.
    if (view_.state().FlagNewEnreg) return false;
    // The photos of a vehicle are edited by those who hold the rights of the
    // page's row of the vehicle's photos (its groups, on a record of one of
    // the user's sites); a page whose descriptions name no such row leaves
    // them to every user.
    const pages::TsPage& page = view_.state().pages[kPhotoPage];
    if (!page.Described) return true;
    for (const pages::TsDesc& d : page.Fields)
        if (d.FieldName == QLatin1String("ListImageVO")) return d.Rights;
    return true;
}

void PhotoSheet::followRights() {
    const bool may = mayChangePhotos();
    for (QAbstractButton* b : {czCmdDefaultImageVO, czCmdDeleteImageVO})
        if (b) b->setEnabled(may);
    for (QAbstractButton* b : {czCmdAssociateImage, czCmdAssociateImageBlur})
        if (b) b->setEnabled(may && selectedItem(cListImageSource));
}

void PhotoSheet::cListImageVOSelectItem() {
    QTreeWidgetItem* item = selectedItem(cListImageVO);
    if (!item) return;
    const QString name = item->text(0);
    if (name.isEmpty()) {
        showPlaceholder(ImageVO);
        showPlaceholder(ImageMini);
        return;
    }
    QImage photo;
    {
        WaitCursor wait;
        const service::HttpResult r =
            host_.downloadPhoto ? host_.downloadPhoto(host_.requests().photo(host_.urlImages(), name + QStringLiteral(".jpg")))
                                : service::HttpResult{};
        if (r.ok) photo.loadFromData(r.body, "JPG");
        else if (host_.trace) host_.trace(QStringLiteral("Photo ") + name + QStringLiteral(" non chargée : ") + r.error);
    }
    // Another line chosen while this photo came: that one's download shows it.
    QTreeWidgetItem* now = selectedItem(cListImageVO);
    if (!now || now->text(0) != name) return;
    showPicture(ImageVO, photo, placeholder_);
    showPicture(ImageMini, photo, placeholder_);
}

bool PhotoSheet::SetDefaultImageVO(const QString& name) {
    const QString idVO = host_.getIdVO(true);
    return !idVO.isEmpty() && sendDefault(idVO, name);
}

bool PhotoSheet::sendDefault(const QString& idVO, const QString& name) {
    const QString sql = DefaultPhotoStatement(idVO, name);
    setStatement(sql);
    const service::ServiceRequest r = host_.requests().photoLinkUpdate(sql);
    host_.httpExecute(r.url, r.answerFile);
    return requestError().isEmpty();
}

void PhotoSheet::czCmdDefaultImageVOClick() {
    QTreeWidgetItem* item = selectedItem(cListImageVO);
    if (!item || busy_ || !mayChangePhotos() || saveUnderWay()) return;
    Busy busy(busy_);
    WaitCursor wait;
    if (SetDefaultImageVO(item->text(0))) reloadRecord();
}

void PhotoSheet::czCmdDeleteImageVOClick() {
    QTreeWidgetItem* item = selectedItem(cListImageVO);
    if (!item || busy_ || !mayChangePhotos() || saveUnderWay()) return;
    Busy busy(busy_);
    const QString idVO = host_.getIdVO(true);
    if (idVO.isEmpty()) return;
    const QString name = item->text(0);
    if (!host_.dialogs ||
        host_.dialogs->messageBox(records::DeleteQuestionCaption(), PhotoLinkDeleteQuestion(name),
                                  platform::MsgIcon::Question, platform::MsgButtons::YesNo) != platform::MsgResult::Yes)
        return;
    QStringList names;
    for (int i = 0; i < cListImageVO->topLevelItemCount(); ++i) names << cListImageVO->topLevelItem(i)->text(0);
    WaitCursor wait;
    const QString sql = PhotoLinkDelete(idVO, name);
    setStatement(sql);
    const service::ServiceRequest r = host_.requests().remove(sql);
    host_.httpExecute(r.url, r.answerFile);
    if (!requestError().isEmpty()) return;
    // The vehicle's default as stored (the record answer's, whatever sheet
    // shows it): when it was this photo, the next one takes its place.
    if (name == defaultName_ && !SetDefaultImageVO(DefaultAfterDelete(names, name))) return;
    reloadRecord();
}

}  // namespace stanor::photos
