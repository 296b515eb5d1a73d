#pragma once
// The plate-blurring window: the user drags a rectangle over the licence plate of the photo in
// Image1; a slanted band of that zone is blurred, with the strength (TrackBar1), the band's
// thickness (TrackBar2) and its slant (BtnInversion) adjustable afterwards.

#include "images/Bitmap.h"
#include "platform/Dialogs.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace stanor::images {

// Bitmap <-> QImage, both 24 bits per pixel. A null picture gives a bitmap of depth 0, which
// the blur refuses.
Bitmap bitmapFromImage(const QImage& image);
QImage imageFromBitmap(const Bitmap& bmp);

// A picture shown at its natural size from the top left corner; reports mouse events.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    bool hasPicture() const { return !picture_.isNull(); }
    // A dotted rectangle drawn over the picture (in this widget's coordinates); empty for none.
    void setFocusRect(const QRect& r);

signals:
    void mouseDown(QPoint pos);
    void mouseMove(QPoint pos);
    void mouseUp(QPoint pos);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QImage picture_;
    QRect focus_;
};

class TFrmBlur : public QDialog {
    Q_OBJECT
public:
    explicit TFrmBlur(platform::Dialogs& dialogs, QWidget* parent = nullptr);

    // Back to the state of a window just made, for the next photo: no zone,
    // the instructions shown, the inversion disabled, the track bars as
    // designed, nothing to save and no photo.
    void startOver();
    // The caller's side: the photo to edit, and the edited picture after a save.
    void setPicture(const QImage& picture);
    bool loadPicture(const QString& path);
    QImage picture() const;
    Bitmap pictureBitmap() const;

    ImageBox* Image1;
    ImageBox* Image2;
    ImageBox* Image3;
    QLabel* Label1;
    QSlider* TrackBar1;
    QLabel* Label2;
    QSlider* TrackBar2;
    QPushButton* BtnLoadImage;
    QPushButton* BtnSave;
    QPushButton* BtnQuit;
    QPushButton* BtnInversion;
    QPlainTextEdit* JvMemo1;

    QPoint StartPoint{-1, -1};
    QPoint EndPoint{-1, -1};
    bool Selecting = false;
    bool Dragging = false;
    QRect Zone;
    bool LeftToRight = true;
    bool SaveRequested = false;

    // The focus rectangle as drawn on the form (empty when none is drawn).
    QRect focusRect() const { return Selecting ? drawn_.translated(Image1->pos()) : QRect(); }

public slots:
    void Image1MouseDown(QPoint pos);
    void Image1MouseMove(QPoint pos);
    void Image1MouseUp(QPoint pos);
    void TrackBar1Change();
    void TrackBar2Change();
    void BtnInversionClick();
    void BtnSaveClick();
    void BtnQuitClick();
    void BtnLoadImageClick();
    void JvMemo1Enter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOutCommands();
    // The rectangle spanned by the two points, clipped to the picture shown in Image1.
    QRect spannedZone() const;
    void drawFocus(bool on);
    void takeZone();
    void applyBlur();

    platform::Dialogs& dialogs_;
    Bitmap photo_;          // Image1's picture once it has been made a bitmap
    bool photoIsBitmap_ = false;
    Bitmap unblurred_;      // Image2: the zone as it was
    Bitmap blurred_;        // Image3: the zone after blurring
    bool hasBlurred_ = false;
    QRect drawn_;
};

}  // namespace stanor::images
