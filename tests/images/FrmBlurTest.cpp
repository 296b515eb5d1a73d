#include "TestImages.h"
#include "images/GBlur.h"
#include "images/Jpeg.h"
#include "images/UnitBlur.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

#include <functional>

using namespace stanor::images;
using namespace stanor::images::test;
using stanor::platform::ScriptedDialogs;

namespace {

void send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses at `from`, moves through `to` and releases there, as a user's drag.
void drag(QWidget* w, QPoint from, QPoint to) {
    send(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    send(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

Bitmap shown(const ImageBox* box) { return bitmapFromImage(box->picture()); }

class FrmBlur : public ::testing::Test {
protected:
    FrmBlur() : form(dialogs) {
        photo = randomBitmap(640, 480, 21);
        form.setPicture(imageFromBitmap(photo));
    }
    ScriptedDialogs dialogs;
    TFrmBlur form;
    Bitmap photo;
};

}  // namespace

TEST_F(FrmBlur, ControlsAsDesigned) {
    EXPECT_EQ(form.Image1->geometry(), QRect(0, 0, 640, 480));
    EXPECT_EQ(form.Image2->size(), QSize(156, 105));
    EXPECT_EQ(form.Image3->size(), QSize(156, 97));
    EXPECT_EQ(form.Label1->text(), QString::fromUtf8("Facteur de Floutage :"));
    EXPECT_EQ(form.Label2->text(), QString::fromUtf8("Taille Maximale de de la Zone :"));
    EXPECT_EQ(form.TrackBar1->minimum(), 2);
    EXPECT_EQ(form.TrackBar1->maximum(), 10);
    EXPECT_EQ(form.TrackBar1->value(), 5);
    EXPECT_EQ(form.TrackBar2->orientation(), Qt::Vertical);
    EXPECT_EQ(form.TrackBar2->minimum(), 1);
    EXPECT_EQ(form.TrackBar2->maximum(), 100);
    EXPECT_EQ(form.TrackBar2->value(), 30);
    EXPECT_EQ(form.TrackBar2->singleStep(), 5);
    EXPECT_EQ(form.TrackBar2->tickInterval(), 5);
    EXPECT_EQ(form.BtnLoadImage->text(), QString::fromUtf8("Charger une Image"));
    EXPECT_TRUE(form.BtnLoadImage->isHidden());
    EXPECT_EQ(form.BtnSave->text(), QString::fromUtf8("Sauver et Transférer l'Image"));
    EXPECT_EQ(form.BtnQuit->text(), QString::fromUtf8("Quitter"));
    EXPECT_EQ(form.BtnInversion->text(), QString::fromUtf8("Inverser la Zone de Floutage"));
    EXPECT_FALSE(form.BtnInversion->isEnabled());
    const QStringList memo = form.JvMemo1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(memo.size(), 18);
    EXPECT_EQ(memo[0], QString::fromUtf8("Pour le Floutage "));
    EXPECT_EQ(memo[2], QString());
    EXPECT_EQ(memo[17], QString::fromUtf8("& la taille de la zone..."));
    EXPECT_EQ(form.StartPoint, QPoint(-1, -1));
    EXPECT_EQ(form.Image2->picture().size(), QSize(10, 10));
    EXPECT_FALSE(form.Image1->findChild<QWidget*>());
    EXPECT_EQ(form.findChild<QSlider*>(QStringLiteral("TrackBar2")), form.TrackBar2);
}

TEST_F(FrmBlur, EveryTextShowsWholeAndNothingCoversAnotherControl) {
    form.show();
    std::vector<QWidget*> shown;
    for (QWidget* w : form.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && w != form.JvMemo1) shown.push_back(w);  // the instructions lie over the photo
    for (QWidget* w : shown) {
        const std::string name = w->objectName().toStdString();
        EXPECT_TRUE(form.rect().contains(w->geometry())) << name;
        for (QWidget* o : shown)
            if (o != w && w->geometry().intersects(o->geometry()))
                ADD_FAILURE() << name << " overlaps " << o->objectName().toStdString();
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty())
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width()) << name;
        if (auto* b = qobject_cast<QPushButton*>(w))
            EXPECT_LE(b->sizeHint().width(), b->width()) << name;
    }
    EXPECT_GE(form.TrackBar2->height(), 60) << "room to set the thickness";
}

TEST_F(FrmBlur, DraggingOverThePlateBlursAFallingBand) {
    drag(form.Image1, {100, 200}, {300, 260});
    EXPECT_EQ(form.Zone, QRect(100, 200, 200, 60));
    EXPECT_TRUE(form.LeftToRight);
    EXPECT_FALSE(form.JvMemo1->isVisibleTo(&form));
    EXPECT_TRUE(form.BtnInversion->isEnabled());
    EXPECT_FALSE(form.Dragging);
    EXPECT_FALSE(form.Selecting);

    const Bitmap zone = photo.copyRect(100, 200, 200, 60);
    EXPECT_TRUE(shown(form.Image2) == zone);
    Bitmap want = zone;
    BlurBand(zone, want, true, 30, 5);
    EXPECT_TRUE(shown(form.Image3) == want);
    Bitmap expected = photo;
    expected.paste(want, 100, 200);
    EXPECT_TRUE(shown(form.Image1) == expected);
    EXPECT_TRUE(form.pictureBitmap() == expected);

    // Dragging right to left gives the rising band.
    form.setPicture(imageFromBitmap(photo));
    drag(form.Image1, {300, 200}, {100, 260});
    EXPECT_FALSE(form.LeftToRight);
    BlurBand(zone, want = zone, false, 30, 5);
    EXPECT_TRUE(shown(form.Image3) == want);
}

TEST_F(FrmBlur, TrackBarsAndInversionReblurFromTheUnblurredCopy) {
    drag(form.Image1, {50, 50}, {130, 90});
    const Bitmap first = shown(form.Image1);
    form.TrackBar1->setValue(10);
    const Bitmap zone = photo.copyRect(50, 50, 80, 40);
    Bitmap want = zone;
    BlurBand(zone, want, true, 30, 10);
    EXPECT_TRUE(shown(form.Image3) == want);
    form.TrackBar1->setValue(5);
    EXPECT_TRUE(shown(form.Image1) == first);  // no blur accumulates

    form.TrackBar2->setValue(100);
    GBlur(want = zone, 5);
    EXPECT_TRUE(shown(form.Image3) == want);  // the whole zone

    form.TrackBar2->setValue(30);
    form.BtnInversion->click();
    EXPECT_FALSE(form.LeftToRight);
    BlurBand(zone, want = zone, false, 30, 5);
    EXPECT_TRUE(shown(form.Image3) == want);

    // A second zone starts from the photo with the first one blurred.
    const Bitmap withFirst = shown(form.Image1);
    drag(form.Image1, {400, 300}, {460, 340});
    EXPECT_TRUE(shown(form.Image2) == withFirst.copyRect(400, 300, 60, 40));
    EXPECT_TRUE(shown(form.Image1).copyRect(50, 50, 80, 40) == withFirst.copyRect(50, 50, 80, 40));
}

TEST_F(FrmBlur, KeysOnTheTrackBarsMoveThemByTheirSteps) {
    drag(form.Image1, {50, 50}, {130, 90});
    auto key = [](QWidget* w, int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    };
    key(form.TrackBar1, Qt::Key_Right);
    EXPECT_EQ(form.TrackBar1->value(), 6);
    key(form.TrackBar2, Qt::Key_Up);
    EXPECT_EQ(form.TrackBar2->value(), 35);  // line size 5
    const Bitmap zone = photo.copyRect(50, 50, 80, 40);
    Bitmap want = zone;
    BlurBand(zone, want, true, 35, 6);
    EXPECT_TRUE(shown(form.Image3) == want);
    for (int i = 0; i < 10; ++i) key(form.TrackBar1, Qt::Key_Right);
    EXPECT_EQ(form.TrackBar1->value(), 10);  // the maximum holds
}

TEST_F(FrmBlur, TrackBarsDoNothingBeforeAZone) {
    form.TrackBar1->setValue(8);
    form.BtnInversion->setEnabled(true);
    form.BtnInversion->click();
    EXPECT_TRUE(shown(form.Image1) == photo);
    EXPECT_TRUE(form.Image3->picture().isNull());
}

TEST_F(FrmBlur, TheDragIsClippedToThePicture) {
    send(form.Image1, QEvent::MouseButtonPress, {600, 450}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(form.Dragging);
    send(form.Image1, QEvent::MouseMove, {700, 530}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(form.focusRect(), QRect(600, 450, 40, 30));
    send(form.Image1, QEvent::MouseButtonRelease, {710, 540}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(form.Zone, QRect(600, 450, 40, 30));
    EXPECT_TRUE(form.focusRect().isEmpty());

    // A smaller picture: the zone stops at its edge, not at Image1's.
    form.setPicture(imageFromBitmap(randomBitmap(320, 240, 5)));
    drag(form.Image1, {-20, 200}, {500, 400});
    EXPECT_EQ(form.Zone, QRect(0, 200, 320, 40));
}

TEST_F(FrmBlur, AnEmptyZoneDoesNothing) {
    drag(form.Image1, {200, 200}, {200, 200});  // a click
    drag(form.Image1, {200, 200}, {260, 200});  // no height
    form.setPicture(imageFromBitmap(randomBitmap(320, 240, 5)));
    drag(form.Image1, {400, 300}, {500, 400});  // beside the picture
    EXPECT_TRUE(form.Zone.isNull());
    EXPECT_TRUE(form.JvMemo1->isVisibleTo(&form));
    EXPECT_FALSE(form.BtnInversion->isEnabled());
    EXPECT_TRUE(form.Image3->picture().isNull());
    EXPECT_FALSE(form.Selecting);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FrmBlur, WithoutAPictureNothingIsSelectedAndOtherFormatsAreConverted) {
    form.setPicture(QImage());
    form.show();
    send(form.Image1, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(form.focusRect().isEmpty());  // nothing to select on
    send(form.Image1, QEvent::MouseButtonRelease, {50, 50}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(dialogs.shown.empty());

    // A 32-bit picture is brought to 24 bits when the zone is taken.
    QImage odd(8, 8, QImage::Format_RGB32);
    odd.fill(Qt::gray);
    form.setPicture(odd);
    drag(form.Image1, {1, 1}, {6, 6});
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(form.Image3->picture().size(), QSize(5, 5));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(FrmBlur, SaveQuitMemoAndLoading) {
    form.BtnQuit->click();
    EXPECT_FALSE(form.SaveRequested);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    form.BtnSave->click();
    EXPECT_TRUE(form.SaveRequested);
    EXPECT_EQ(form.result(), QDialog::Accepted);

    const QPoint overMemo = form.JvMemo1->geometry().center();
    EXPECT_NE(form.childAt(overMemo), form.Image1);
    form.JvMemo1Enter();
    EXPECT_FALSE(form.JvMemo1->isEnabled());
    EXPECT_EQ(form.childAt(overMemo), form.Image1);  // a plate under the instructions can be chosen

    ScratchDir dir;
    writeJpegFile(photoLike(64, 48), dir.file("plaque.jpg"));
    dialogs.files.push_back(QString::fromStdString(dir.file("plaque")));  // the extension is added
    form.BtnLoadImageClick();
    EXPECT_EQ(form.picture().size(), QSize(64, 48));
    dialogs.files.push_back(QString::fromStdString(dir.file("absent.jpg")));
    form.BtnLoadImageClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(QStringLiteral("Impossible de lire l'image")));
    form.BtnLoadImageClick();  // cancelled: nothing
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

// A window used for one photo starts the next one as a window just made: nothing of
// the last zone, blur, choices or picture stays (the last photo, blurred, would
// otherwise be the picture a save sends).
TEST_F(FrmBlur, StartingOverGivesTheNextPhotoAWindowJustMade) {
    form.show();
    form.JvMemo1Enter();
    form.TrackBar1->setValue(9);
    form.TrackBar2->setValue(80);
    drag(form.Image1, {300, 200}, {100, 260});
    form.BtnInversionClick();
    form.BtnSave->click();
    ASSERT_TRUE(form.SaveRequested);

    const Bitmap next = randomBitmap(640, 480, 22);
    form.startOver();
    form.setPicture(imageFromBitmap(next));
    ScriptedDialogs freshDialogs;
    TFrmBlur fresh(freshDialogs);
    fresh.setPicture(imageFromBitmap(next));
    const struct {
        const char* what;
        std::function<QVariant(const TFrmBlur&)> of;
    } looks[] = {
        {"start point", [](const TFrmBlur& f) { return QVariant(f.StartPoint); }},
        {"end point", [](const TFrmBlur& f) { return QVariant(f.EndPoint); }},
        {"zone", [](const TFrmBlur& f) { return QVariant(f.Zone); }},
        {"slant", [](const TFrmBlur& f) { return QVariant(f.LeftToRight); }},
        {"save", [](const TFrmBlur& f) { return QVariant(f.SaveRequested); }},
        {"dragging", [](const TFrmBlur& f) { return QVariant(f.Dragging || f.Selecting); }},
        {"focus rectangle", [](const TFrmBlur& f) { return QVariant(f.focusRect()); }},
        {"radius", [](const TFrmBlur& f) { return QVariant(f.TrackBar1->value()); }},
        {"thickness", [](const TFrmBlur& f) { return QVariant(f.TrackBar2->value()); }},
        {"inversion", [](const TFrmBlur& f) { return QVariant(f.BtnInversion->isEnabled()); }},
        {"instructions shown", [](const TFrmBlur& f) { return QVariant(f.JvMemo1->isHidden()); }},
        {"instructions enabled", [](const TFrmBlur& f) { return QVariant(f.JvMemo1->isEnabled()); }},
        {"instructions take the mouse",
         [](const TFrmBlur& f) { return QVariant(f.JvMemo1->testAttribute(Qt::WA_TransparentForMouseEvents)); }},
        {"zone before", [](const TFrmBlur& f) { return QVariant(f.Image2->picture()); }},
        {"zone after", [](const TFrmBlur& f) { return QVariant(f.Image3->picture()); }},
        {"photo", [](const TFrmBlur& f) { return QVariant(imageFromBitmap(f.pictureBitmap())); }},
    };
    for (const auto& l : looks) EXPECT_EQ(l.of(form), l.of(fresh)) << l.what;
    // Blurring the new photo leaves the last zone as the photo has it.
    drag(form.Image1, {400, 100}, {500, 140});
    EXPECT_TRUE(form.pictureBitmap().copyRect(100, 200, 200, 60) == next.copyRect(100, 200, 200, 60));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
