// The photo page end to end: the main form against the real data service and the real FTP
// server (scripts/ftp-server), whose "www/voimages" is the service's images folder, with a
// folder holding a real phone photo. Writes go through a proxy that can fail them.
#include "FaultProxyFixture.h"
#include "FtpServerProcess.h"

#include "images/Jpeg.h"
#include "images/UnitBlur.h"
#include "photos/IniFile.h"
#include "photos/PhotoPictures.h"
#include "photos/PhotoRules.h"
#include "photos/PhotoSheet.h"

#include <QFile>
#include <QTimer>
#include <QTreeWidget>

using namespace e2e;

namespace {

constexpr int kPhotosTab = 5;
const QString kRealPhoto = QStringLiteral("chiens.jpg");

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class PhotosE2e : public FaultProxyE2e {
protected:
    void SetUp() override
    {
        FaultProxyE2e::SetUp();
        images = tmp.path() + QStringLiteral("/images");  // the service's images folder
        ftp = std::make_unique<test::FtpServerProcess>(STANOR_FTP_SERVER, images.toStdString());
        ASSERT_TRUE(ftp->running()) << "scripts/ftp-server did not start (python3-pyftpdlib missing?)";
        run->set("FtpPublicHost", QString::fromStdString(ftp->host()));
        run->set("FtpAccount", QStringLiteral("stanor"));
        run->set("FtpNetrcFile", QString::fromStdString(ftp->netrcFile()));
        run->set("TlsAuthorityFile", QString::fromStdString(ftp->authorityFile()));  // FTP over TLS
        folder = tmp.path() + QStringLiteral("/clichés");
        QDir().mkpath(folder + QStringLiteral("/rangement.jpg"));  // a folder: never listed
        QFile::copy(QStringLiteral(STANOR_TEST_PHOTOS "/msg_1024x768.jpg"), folder + u'/' + kRealPhoto);
        QFile older(folder + QStringLiteral("/ancienne.jpg"));
        older.open(QIODevice::WriteOnly);
        older.write(fileBytes(folder + u'/' + kRealPhoto));
        older.flush();  // written before its time is set, so that closing it changes nothing
        older.setFileTime(QDateTime(QDate(2020, 5, 1), QTime(8, 0)), QFileDevice::FileModificationTime);
    }
    // The vehicle opened on its photo page, the folder chosen in the folder picker.
    photos::PhotoSheet& openPhotos(const char* idTVO, int kind)
    {
        openVehicle(idTVO, kind);
        clickTab(kPhotosTab);
        photos::PhotoSheet& s = sheet();
        run->dialogs.folders.push_back(folder);
        QTest::mouseClick(s.czCmdSelPathListImage, Qt::LeftButton);
        return s;
    }
    photos::PhotoSheet& sheet() { return *photos::PhotoSheet::of(&view()); }

    static void select(QTreeWidget* list, const QString& caption)
    {
        const QList<QTreeWidgetItem*> found = list->findItems(caption, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << caption.toStdString();
        list->setCurrentItem(found.front());
    }
    // Selects a file of the folder and presses one of the association buttons.
    void associate(const QString& file, bool blur = false)
    {
        photos::PhotoSheet& s = sheet();
        select(s.cListImageSource, file);
        QTest::mouseClick(blur ? s.czCmdAssociateImageBlur : s.czCmdAssociateImage, Qt::LeftButton);
    }
    // The linked photos as the list shows them: "name" or "name ***".
    QStringList linked()
    {
        QStringList out;
        QTreeWidget* list = sheet().cListImageVO;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << (list->topLevelItem(i)->text(0) + (list->topLevelItem(i)->text(2).isEmpty() ? QString()
                                                                                                 : QStringLiteral(" ***")));
        return out;
    }
    QString defaultOf(int idVO) { return row(QStringLiteral("SELECT NomImage FROM tVehicles WHERE idVO = %1").arg(idVO)); }
    QString links(int idVO)
    {
        return row(QStringLiteral("SELECT group_concat(NomImage, ',') FROM (SELECT NomImage FROM \"tVO - Liens Images\" "
                                  "WHERE idVO = %1 ORDER BY NomImage) AS links").arg(idVO));
    }
    QString traced(const QString& name) const { return run->traceDir + u'/' + name; }
    QString served(const QString& name) const { return images + u'/' + name; }
    QString memo() { return sheet().Memo->toPlainText(); }
    // The text of the last error box, or empty.
    QString errorBox()
    {
        for (auto it = run->dialogs.shown.rbegin(); it != run->dialogs.shown.rend(); ++it)
            if (it->icon == platform::MsgIcon::Error) return it->text;
        return {};
    }

    QString images, folder;
    std::unique_ptr<test::FtpServerProcess> ftp;
};

}  // namespace

TEST_F(PhotosE2e, APhotoOfTheFolderLinkedAsTheDefaultDownloadedBackThenUnlinked)
{
    photos::PhotoSheet& s = openPhotos("4", 3);  // a demonstrator without photos
    // The folder, newest first, kept in the settings file of the trace folder.
    EXPECT_EQ(text("cTxtPathImage"), folder);
    ASSERT_EQ(s.cListImageSource->topLevelItemCount(), 2);
    EXPECT_EQ(s.cListImageSource->topLevelItem(0)->text(0), kRealPhoto);
    EXPECT_EQ(s.cListImageSource->topLevelItem(1)->text(1), QStringLiteral("01/05/20 08:00:00"));
    EXPECT_EQ(photos::IniRead(photos::PhotoSettingsFile(run->traceDir), "Options", "PathImages"), folder);
    EXPECT_EQ(linked(), QStringList());
    EXPECT_FALSE(s.czCmdAssociateImage->isEnabled());

    select(s.cListImageSource, kRealPhoto);
    EXPECT_FALSE(photos::showsPlaceholder(s.ImageSelection));
    EXPECT_TRUE(s.czCmdAssociateImage->isEnabled());
    associate(kRealPhoto);
    EXPECT_EQ(errorBox(), QString());
    EXPECT_EQ(form().LbDebugInfo0->text(), QString());

    // Sent by FTP and by HTTP into the service's images folder, linked, and the default.
    const QString name = QStringLiteral("V0001004-01");
    EXPECT_EQ(linked(), QStringList{name + QStringLiteral(" ***")});
    EXPECT_EQ(links(1004), name);
    EXPECT_EQ(defaultOf(1004), name);
    EXPECT_EQ(text("cVDNomImage"), name);
    EXPECT_EQ(memo(), QStringLiteral("Réduction & Transferts de : %1/%2 vers : V0001004-01.jpg\nLecture de : %1/%2\n...\n"
                                     "...Transfert Terminé.").arg(folder, kRealPhoto));
    EXPECT_EQ(images::readJpegFile(served(name + QStringLiteral(".jpg")).toStdString()).width(), 640);
    EXPECT_EQ(images::readJpegFile(served(name + QStringLiteral("m.jpg")).toStdString()).height(), 90);
    EXPECT_EQ(photos::shownPicture(s.VOImage).size(), QSize(640, 480));

    // Downloaded back from the web images address, and shown when chosen in the list.
    const service::HttpResult back =
        form().Http().DownloadPhoto(form().Requests().photo(form().URLImages, name + QStringLiteral(".jpg")));
    ASSERT_TRUE(back.ok) << back.error.toStdString();
    EXPECT_EQ(back.body, fileBytes(traced(name + QStringLiteral(".jpg"))));
    select(s.cListImageVO, name);
    EXPECT_EQ(photos::shownPicture(s.ImageVO).size(), QSize(640, 480));
    EXPECT_EQ(photos::shownPicture(s.ImageMini).size(), QSize(640, 480));

    // Its link deleted after its question (No keeps it): no default is left;
    // the files stay on the server.
    run->dialogs.shown.clear();
    run->dialogs.answers = {platform::MsgResult::No};
    QTest::mouseClick(s.czCmdDeleteImageVO, Qt::LeftButton);
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QStringLiteral("Confirmation de Suppression"));
    EXPECT_EQ(run->dialogs.shown[0].text, QString::fromUtf8("Veuillez confirmer la suppression du cliché ") + name);
    EXPECT_EQ(links(1004), name);
    QTest::mouseClick(s.czCmdDeleteImageVO, Qt::LeftButton);
    EXPECT_EQ(form().LbDebugInfo0->text(), QString());
    EXPECT_EQ(linked(), QStringList());
    EXPECT_EQ(links(1004), QString());
    EXPECT_EQ(defaultOf(1004), QString());  // a demonstrator's default is not in cNomImage: still cleared
    EXPECT_TRUE(QFile::exists(served(name + QStringLiteral(".jpg"))));
    EXPECT_TRUE(photos::showsPlaceholder(s.ImageVO));
}

TEST_F(PhotosE2e, ThePhotosOfAVehicleAreChangedOnlyWithItsRightsAndSeenByAll)
{
    const struct {
        const char* idUser;
        const char* site;
        const char* idTVO;
        bool may;
        const char* what;
    } cases[] = {
        {"1", "#", "1", true, "super-administrator"},
        {"2", "NORD", "1", true, "salesperson of the vehicle's site"},
        {"2", "NORD", "2", false, "salesperson of another site"},
        {"3", "NORD;SUD", "1", false, "accounting user"},
        {"9999", "#", "2", true, "test user"},
    };
    for (const auto& c : cases) {
        run->set("idUser", QString::fromLatin1(c.idUser));
        run->set("UserSite", QString::fromLatin1(c.site));
        photos::PhotoSheet& s = openPhotos(c.idTVO, 1);
        EXPECT_EQ(s.mayChangePhotos(), c.may) << c.what;
        select(s.cListImageSource, kRealPhoto);
        EXPECT_EQ(s.czCmdAssociateImage->isEnabled(), c.may) << c.what;
        EXPECT_EQ(s.czCmdAssociateImageBlur->isEnabled(), c.may) << c.what;
        EXPECT_EQ(s.czCmdDefaultImageVO->isEnabled(), c.may) << c.what;
        EXPECT_EQ(s.czCmdDeleteImageVO->isEnabled(), c.may) << c.what;
        // Everyone sees the vehicle's photos.
        ASSERT_GT(s.cListImageVO->topLevelItemCount(), 0) << c.what;
        s.cListImageVO->setCurrentItem(s.cListImageVO->topLevelItem(0));
        EXPECT_FALSE(photos::showsPlaceholder(s.ImageVO)) << c.what;
        if (!c.may) {
            const QString before = links(c.idTVO == QLatin1String("1") ? 1001 : 1002);
            s.czCmdDeleteImageVOClick();
            s.czCmdAssociateImageClick();
            EXPECT_EQ(links(c.idTVO == QLatin1String("1") ? 1001 : 1002), before) << c.what;
        }
    }
}

TEST_F(PhotosE2e, ThePlateBlurredBeforeTheTransfer)
{
    photos::PhotoSheet& s = openPhotos("3", 1);
    QString caption;
    s.host().showBlurForm = [&](images::TFrmBlur& f) {
        caption = f.windowTitle();
        EXPECT_EQ(f.picture().size(), QSize(640, 480));
        f.Image1MouseDown(QPoint(200, 300));
        f.Image1MouseMove(QPoint(300, 340));
        f.Image1MouseUp(QPoint(400, 380));
        f.BtnSaveClick();
    };
    associate(kRealPhoto, true);
    EXPECT_EQ(errorBox(), QString());
    EXPECT_EQ(caption, QStringLiteral("Formulaire de Floutage pour la plaque minéralogique du VO N°1203"));
    EXPECT_EQ(linked(), QStringList{QStringLiteral("V0001003-01 ***")});
    EXPECT_EQ(memo(), QStringLiteral("Réduction & Transferts de : \"image floutée\" vers : V0001003-01.jpg\n"
                                     "Lecture de : \"image floutée\"\n...\n...Transfert Terminé."));
    // The zone differs from the photo reduced without blurring; the rest is the same picture.
    const images::Bitmap sent = images::readJpegFile(served(QStringLiteral("V0001003-01.jpg")).toStdString());
    images::ReductionOptions plain;
    plain.dir = tmp.path().toStdString();
    images::ReductionJPG((folder + u'/' + kRealPhoto).toStdString(), nullptr, "plain.jpg", plain);
    const images::Bitmap unblurred = images::readJpegFile(tmp.path().toStdString() + "/plain.jpg");
    auto difference = [&](int x0, int y0, int x1, int y1) {
        long sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c) sum += std::abs(sent.scanLine(y)[3 * x + c] - unblurred.scanLine(y)[3 * x + c]);
        return double(sum) / ((x1 - x0) * (y1 - y0) * 3);
    };
    EXPECT_GT(difference(280, 320, 320, 360), 4.0);  // on the band's diagonal
    EXPECT_LT(difference(0, 0, 100, 100), 2.0);      // far from the zone: only the JPEG rounding
}

// The blurring window the program makes with the main form serves every photo, each
// time as a window just made; the window is left for the next photo.
TEST_F(PhotosE2e, TheProgramsBlurringWindowServesEveryPhoto)
{
    photos::PhotoSheet& s = openPhotos("3", 1);
    auto* window = new images::TFrmBlur(run->dialogs, &form());  // as the program entry makes it
    std::vector<images::TFrmBlur*> shown;
    s.host().showBlurForm = [&](images::TFrmBlur& f) {
        shown.push_back(&f);
        EXPECT_EQ(f.StartPoint, QPoint(-1, -1));
        EXPECT_FALSE(f.SaveRequested);
        EXPECT_EQ(f.TrackBar1->value(), 5);
        EXPECT_FALSE(f.BtnInversion->isEnabled());
        EXPECT_FALSE(f.JvMemo1->isHidden());
        EXPECT_EQ(f.picture().size(), QSize(640, 480));
        f.TrackBar1->setValue(9);
        f.Image1MouseDown(QPoint(200, 300));
        f.Image1MouseUp(QPoint(400, 380));
        f.BtnSaveClick();
    };
    associate(kRealPhoto, true);
    associate(QStringLiteral("ancienne.jpg"), true);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], window);
    EXPECT_EQ(shown[1], window);
    EXPECT_EQ(errorBox(), QString());
    EXPECT_EQ(linked(), (QStringList{QStringLiteral("V0001003-01 ***"), QStringLiteral("V0001003-02")}));
    EXPECT_EQ(form().findChildren<images::TFrmBlur*>(), QList<images::TFrmBlur*>{window});
}

// Blurring closed without saving sends nothing and keeps the reduced files; the photo number
// it took is not given again, not even when the next photo, the vehicle's first, cannot be
// made the default (the list then holds one photo: setting the number back to 1 would name
// the photo after it like the one just linked, and replace its files).
TEST_F(PhotosE2e, BlurringCancelledSendsNothingAndItsNumberIsNotUsedAgain)
{
    photos::PhotoSheet& s = openPhotos("3", 1);
    s.host().showBlurForm = [](images::TFrmBlur& f) { f.BtnQuitClick(); };
    associate(kRealPhoto, true);
    EXPECT_EQ(proxy->writes(), 0);
    EXPECT_EQ(linked(), QStringList());
    EXPECT_TRUE(QFile::exists(traced(QStringLiteral("V0001003-01.jpg"))));
    EXPECT_TRUE(QFile::exists(traced(QStringLiteral("V0001003-01m.jpg"))));
    EXPECT_FALSE(QFile::exists(served(QStringLiteral("V0001003-01.jpg"))));

    proxy->script({Fault::Pass, Fault::Http500});  // linked, then the default refused
    associate(kRealPhoto);
    EXPECT_EQ(linked(), QStringList{QStringLiteral("V0001003-02")});
    EXPECT_NE(form().LbDebugInfo0->text(), QString());
    const QByteArray first = fileBytes(served(QStringLiteral("V0001003-02.jpg")));

    proxy->script({});
    associate(QStringLiteral("ancienne.jpg"));
    EXPECT_EQ(links(1003), QStringLiteral("V0001003-02,V0001003-03"));
    EXPECT_EQ(fileBytes(served(QStringLiteral("V0001003-02.jpg"))), first);
}

// Another user linked the number this photo asks for while the page was open:
// the service gives it the next one, which the page shows, sends by FTP and
// makes the default; the other user's photo is left as it was.
TEST_F(PhotosE2e, ANumberTakenMeanwhileGivesThePhotoTheNextOne)
{
    photos::PhotoSheet& s = openPhotos("3", 1);  // a used vehicle without photos
    const QByteArray theirs("\xFF\xD8\xFF their photo");
    for (const char* file : {"V0001003-01.jpg", "V0001003-01m.jpg"}) {
        QFile f(served(QLatin1String(file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(theirs);
    }
    service->service->database().acquire()->exec(
        "INSERT INTO \"tVO - Liens Images\" (idImage, idVO, NumImage, NomImage, DateImage) "
        "VALUES (50, 1003, 1, 'V0001003-01', '2026-12-09 09:00:00')");
    associate(kRealPhoto);
    EXPECT_EQ(errorBox(), QString());
    EXPECT_EQ(form().LbDebugInfo0->text(), QString());
    EXPECT_EQ(links(1003), QStringLiteral("V0001003-01,V0001003-02"));
    EXPECT_EQ(defaultOf(1003), QStringLiteral("V0001003-02"));
    EXPECT_EQ(fileBytes(served(QStringLiteral("V0001003-01.jpg"))), theirs);
    EXPECT_EQ(images::readJpegFile(served(QStringLiteral("V0001003-02.jpg")).toStdString()).width(), 640);
    EXPECT_TRUE(QFile::exists(traced(QStringLiteral("V0001003-02m.jpg"))));
    EXPECT_GE(s.LastNumImage, 2);
}

TEST_F(PhotosE2e, AFailedTransferEndsInTheErrorBoxKeepsTheFilesAndLinksNothing)
{
    // The account's netrc file and the authority go with the server when it stops: copies stay.
    const QString host = QString::fromStdString(ftp->host()), netrc = tmp.path() + QStringLiteral("/netrc");
    const QString authority = tmp.path() + QStringLiteral("/authority.crt");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(ftp->netrcFile()), netrc));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(ftp->authorityFile()), authority));
    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString message;
        bool reduced;  // the files made in the trace folder
        int writes;    // the requests that write: the link sent, then taken back when the transfer failed
    } cases[] = {
        {"wrong password", [this] { run->set("FtpNetrcFile", QString::fromStdString(ftp->wrongNetrcFile())); },
         QStringLiteral("Connexion refusée par le serveur FTP 127.0.0.1:"), true, 2},
        {"no FTP server set", [this] { run->set("FtpPublicHost", QString()); }, QStringLiteral("FtpPublicHost"),
         true, 0},
        {"server stopped",
         [&] {
             run->set("FtpPublicHost", host);
             run->set("FtpNetrcFile", netrc);
             run->set("TlsAuthorityFile", authority);
             ftp.reset();
         },
         QStringLiteral("Connexion impossible au serveur FTP"), true, 2},
        {"photo cut short", [this] { QFile::resize(folder + u'/' + kRealPhoto, 300); }, kRealPhoto, false, 0},
    };
    photos::PhotoSheet& s = openPhotos("3", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        run->dialogs.shown.clear();
        c.arrange();
        const int before = proxy->writes();
        associate(kRealPhoto);
        EXPECT_TRUE(errorBox().contains(c.message)) << errorBox().toStdString();
        EXPECT_EQ(proxy->writes() - before, c.writes);
        EXPECT_EQ(linked(), QStringList());
        EXPECT_EQ(links(1003), QString());
        const QString name = photos::PhotoName(QStringLiteral("1003"), s.LastNumImage);
        EXPECT_EQ(QFile::exists(traced(name + QStringLiteral("m.jpg"))), c.reduced) << name.toStdString();
        EXPECT_TRUE(memo().startsWith(QStringLiteral("Réduction & Transferts de : ")));
        EXPECT_FALSE(memo().contains(QStringLiteral("...")));  // nothing sent
        EXPECT_FALSE(QApplication::overrideCursor());
    }
    EXPECT_EQ(s.LastNumImage, 4);  // every attempt took its number
}

TEST_F(PhotosE2e, AFailedUploadLinksNothing)
{
    photos::PhotoSheet& s = openPhotos("3", 1);
    service::ClientOptions o;
    o.readTimeoutMs = 1500;  // the silent proxy below
    o.attempts = 1;
    o.pause = [](int) {};
    form().SetHttpOptions(o);
    for (Fault fault : {Fault::Http500, Fault::LogItem, Fault::Silent}) {
        SCOPED_TRACE(faultName(fault));
        proxy->script({fault});
        associate(kRealPhoto);
        EXPECT_NE(form().LbDebugInfo0->text(), QString());
        EXPECT_EQ(errorBox(), QString());  // the warning panel says it, no box
        EXPECT_EQ(linked(), QStringList());
        EXPECT_EQ(links(1003), QString());
        EXPECT_EQ(defaultOf(1003), QString());
        EXPECT_EQ(proxy->passed(), 0);
        // Nothing sent by FTP either: the transfer follows the upload, under the name the service gave.
        EXPECT_FALSE(QFile::exists(served(photos::PhotoName(QStringLiteral("1003"), s.LastNumImage) +
                                          QStringLiteral(".jpg"))));
    }
}

TEST_F(PhotosE2e, TheDefaultChosenThenDeletedMovesToTheFirstPhotoLeft)
{
    photos::PhotoSheet& s = openPhotos("1", 1);  // V0001001-01 (the default) and -02
    EXPECT_EQ(linked(), (QStringList{"V0001001-01 ***", "V0001001-02"}));
    EXPECT_EQ(s.LastNumImage, 2);

    select(s.cListImageVO, QStringLiteral("V0001001-02"));
    QTest::mouseClick(s.czCmdDefaultImageVO, Qt::LeftButton);
    EXPECT_EQ(defaultOf(1001), QStringLiteral("V0001001-02"));
    EXPECT_EQ(linked(), (QStringList{"V0001001-01", "V0001001-02 ***"}));

    associate(kRealPhoto);  // a third photo: not the default
    EXPECT_EQ(linked(), (QStringList{"V0001001-01", "V0001001-02 ***", "V0001001-03"}));

    select(s.cListImageVO, QStringLiteral("V0001001-01"));  // not the default: it stays
    QTest::mouseClick(s.czCmdDeleteImageVO, Qt::LeftButton);
    EXPECT_EQ(defaultOf(1001), QStringLiteral("V0001001-02"));
    select(s.cListImageVO, QStringLiteral("V0001001-02"));
    QTest::mouseClick(s.czCmdDeleteImageVO, Qt::LeftButton);
    EXPECT_EQ(defaultOf(1001), QStringLiteral("V0001001-03"));
    EXPECT_EQ(linked(), QStringList{QStringLiteral("V0001001-03 ***")});
    EXPECT_EQ(text("cNomImage"), QStringLiteral("V0001001-03"));

    // Another vehicle asked for by the launcher: its photos, and no trace of the last one's work.
    EXPECT_FALSE(memo().isEmpty());
    run->set("idTVO", QStringLiteral("4"));
    run->set("idTypeVO", QStringLiteral("3"));
    form().OnMsgActualize();
    EXPECT_EQ(linked(), QStringList());
    EXPECT_EQ(s.LastNumImage, 0);
    EXPECT_EQ(memo(), QString());
    EXPECT_TRUE(photos::showsPlaceholder(s.VOImage));
}

TEST_F(PhotosE2e, PreviewsShowThePlaceholderForWhatCannotBeRead)
{
    QFile::remove(images + QStringLiteral("/V0001001-02.jpg"));  // linked, but gone from the server
    QFile broken(folder + QStringLiteral("/abimee.jpg"));
    broken.open(QIODevice::WriteOnly);
    broken.write("pas une photo");
    broken.close();
    photos::PhotoSheet& s = openPhotos("1", 1);
    select(s.cListImageVO, QStringLiteral("V0001001-01"));
    EXPECT_FALSE(photos::showsPlaceholder(s.ImageVO));
    select(s.cListImageVO, QStringLiteral("V0001001-02"));
    EXPECT_TRUE(photos::showsPlaceholder(s.ImageVO));
    EXPECT_TRUE(photos::showsPlaceholder(s.ImageMini));
    select(s.cListImageSource, QStringLiteral("abimee.jpg"));
    EXPECT_TRUE(photos::showsPlaceholder(s.ImageSelection));
    EXPECT_TRUE(s.czCmdAssociateImage->isEnabled());
    EXPECT_TRUE(photos::showsPlaceholder(s.ImageNoPhoto));  // the hidden picture the others borrow
    EXPECT_EQ(s.placeholder().size(), QSize(287, 215));
}

TEST_F(PhotosE2e, TheFolderComesBackFromTheSettingsFileAndACancelledPickerChangesNothing)
{
    ASSERT_TRUE(photos::IniWrite(photos::PhotoSettingsFile(run->traceDir), "Options", "PathImages", folder));
    openVehicle("1", 1);
    clickTab(kPhotosTab);
    photos::PhotoSheet& s = sheet();
    EXPECT_EQ(s.PathImages, folder);
    EXPECT_EQ(s.cListImageSource->topLevelItemCount(), 2);
    EXPECT_EQ(s.cListImageSource->headerItem()->text(1), QStringLiteral("Date"));
    EXPECT_EQ(s.cListImageVO->headerItem()->text(2), QStringLiteral("***"));

    QTest::mouseClick(s.czCmdSelPathListImage, Qt::LeftButton);  // the picker answers nothing
    EXPECT_EQ(s.PathImages, folder);
    EXPECT_EQ(s.cListImageSource->topLevelItemCount(), 2);

    // A folder typed by hand is taken by the refresh button; the settings file keeps the chosen one.
    QFile::copy(folder + u'/' + kRealPhoto, folder + QStringLiteral("/rangement.jpg/dedans.jpg"));
    get<toolkit::Edit>(QStringLiteral("cTxtPathImage"))->setText(folder + QStringLiteral("/rangement.jpg"));
    QTest::mouseClick(s.czCmdRefreshListImage, Qt::LeftButton);
    ASSERT_EQ(s.cListImageSource->topLevelItemCount(), 1);
    EXPECT_EQ(s.cListImageSource->topLevelItem(0)->text(0), QStringLiteral("dedans.jpg"));
    EXPECT_EQ(photos::IniRead(photos::PhotoSettingsFile(run->traceDir), "Options", "PathImages"), folder);
    EXPECT_FALSE(form().JvXPBtnSave->isEnabled());  // the folder is no field of the vehicle
}

TEST_F(PhotosE2e, PhotosWaitForAVehicleBeingCreatedAndStayWithTheVehicleTheyWereSentFor)
{
    photos::PhotoSheet& s = openPhotos("1", 1);
    ASSERT_FALSE(linked().isEmpty());
    // A vehicle being created: not the photos of the one shown before, and none sent to it.
    form().JvXPBtnNewVOClick();
    clickTab(kPhotosTab);
    ASSERT_EQ(form().Tabs->currentIndex(), kPhotosTab);
    EXPECT_EQ(linked(), QStringList());
    select(s.cListImageSource, kRealPhoto);
    EXPECT_FALSE(s.czCmdAssociateImage->isEnabled());
    EXPECT_FALSE(s.czCmdDeleteImageVO->isEnabled());

    // The demonstrator's photo on its way when the used vehicle is opened:
    // linked to the demonstrator, never shown as the used vehicle's.
    openPhotos("4", 3);
    const QString usedVehicleLinks = links(1001);
    QTimer::singleShot(0, &form(), [this] { run->reload({{"idTVO", QStringLiteral("1")}, {"idTypeVO", QStringLiteral("1")}}); });
    associate(kRealPhoto);
    EXPECT_EQ(links(1004), QStringLiteral("V0001004-01"));
    EXPECT_EQ(defaultOf(1004), QStringLiteral("V0001004-01"));
    EXPECT_EQ(links(1001), usedVehicleLinks);
    EXPECT_EQ(text("cNVO"), QStringLiteral("1201"));
    EXPECT_FALSE(linked().join(u',').contains(QStringLiteral("V0001004")));
}
