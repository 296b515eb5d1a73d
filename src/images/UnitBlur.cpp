#include "images/UnitBlur.h"

#include "images/GBlur.h"

#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cstring>

namespace stanor::images {

Bitmap bitmapFromImage(const QImage& image) {
    Bitmap bmp;
    if (image.isNull()) {
        bmp.setBitsPerPixel(0);
        return bmp;
    }
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    bmp.resizeUninitialized(bgr.width(), bgr.height());
    for (int y = 0; y < bgr.height(); ++y) std::memcpy(bmp.scanLine(y), bgr.constScanLine(y), bmp.stride());
    return bmp;
}

QImage imageFromBitmap(const Bitmap& bmp) {
    if (bmp.empty()) return {};
    QImage img(bmp.width(), bmp.height(), QImage::Format_BGR888);
    for (int y = 0; y < bmp.height(); ++y) std::memcpy(img.scanLine(y), bmp.scanLine(y), bmp.stride());
    return img;
}

// ---- ImageBox ----

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {}

void ImageBox::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void ImageBox::setFocusRect(const QRect& r) {
    focus_ = r;
    update();
}

void ImageBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!picture_.isNull()) p.drawImage(0, 0, picture_);
    if (!focus_.isEmpty()) {
        // Drawn by exclusive-or, so that it shows on light and dark parts of the photo alike.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.drawRect(focus_.adjusted(0, 0, -1, -1));
    }
}

void ImageBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit mouseDown(e->position().toPoint());
}
void ImageBox::mouseMoveEvent(QMouseEvent* e) { emit mouseMove(e->position().toPoint()); }
void ImageBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit mouseUp(e->position().toPoint());
}

// ---- TFrmBlur ----

namespace {
// The track bars' positions as designed (and as the constructor sets them): the
// blur radius and the band's thickness.
constexpr int kDesignRadius = 5;
constexpr int kDesignThickness = 30;

const char* const kInstructions[] = {
    "Pour le Floutage ",
    "en 1 Cliquez-Relachez...",
    "",
    "Procédez comme suit :",
    "----------------------------",
    "",
    "->1<- cliquez en sélectionnant le coin ",
    "supérieur de la plaque,",
    "",
    "->2 <- relachez la souris au dessus du coin ",
    "inférieur...",
    "",
    "C'est Fait !!!",
    "",
    "",
    "Ajustez ensuite éventuellement ",
    "le facteur de floutage ",
    "& la taille de la zone...",
};

template <class W>
W* named(W* w, const char* name, QRect geometry) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}
}  // namespace

TFrmBlur::TFrmBlur(platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), dialogs_(dialogs) {
    setObjectName(QStringLiteral("FrmBlur"));

    Image1 = named(new ImageBox(this), "Image1", {0, 0, 640, 480});
    Image2 = named(new ImageBox(this), "Image2", {650, 8, 156, 105});
    Image3 = named(new ImageBox(this), "Image3", {650, 120, 156, 97});
    Label1 = named(new QLabel(QStringLiteral("Facteur de Floutage :"), this), "Label1", {});
    TrackBar1 = named(new QSlider(Qt::Horizontal, this), "TrackBar1", {});
    TrackBar1->setRange(2, 10);
    TrackBar1->setValue(5);
    Label2 = named(new QLabel(QStringLiteral("Taille Maximale de de la Zone :"), this), "Label2", {});
    TrackBar2 = named(new QSlider(Qt::Vertical, this), "TrackBar2", {});
    TrackBar2->setRange(1, 100);
    TrackBar2->setValue(30);
    TrackBar2->setSingleStep(5);
    TrackBar2->setTickInterval(5);
    TrackBar2->setTickPosition(QSlider::TicksRight);
    TrackBar2->setInvertedAppearance(true);  // the minimum at the top
    BtnInversion = named(new QPushButton(QStringLiteral("Inverser la Zone de Floutage"), this), "BtnInversion", {});
    BtnInversion->setEnabled(false);
    BtnLoadImage = named(new QPushButton(QStringLiteral("Charger une Image"), this), "BtnLoadImage", {});
    BtnLoadImage->setVisible(false);
    BtnSave = named(new QPushButton(QStringLiteral("Sauver et Transférer l'Image"), this), "BtnSave", {});
    BtnQuit = named(new QPushButton(QStringLiteral("Quitter"), this), "BtnQuit", {});
    layOutCommands();

    JvMemo1 = named(new QPlainTextEdit(this), "JvMemo1", {20, 20, 300, 300});
    QStringList lines;
    for (const char* l : kInstructions) lines << QString::fromUtf8(l);
    JvMemo1->setPlainText(lines.join(QLatin1Char('\n')));
    JvMemo1->installEventFilter(this);

    connect(Image1, &ImageBox::mouseDown, this, &TFrmBlur::Image1MouseDown);
    connect(Image1, &ImageBox::mouseMove, this, &TFrmBlur::Image1MouseMove);
    connect(Image1, &ImageBox::mouseUp, this, &TFrmBlur::Image1MouseUp);
    connect(TrackBar1, &QSlider::valueChanged, this, &TFrmBlur::TrackBar1Change);
    connect(TrackBar2, &QSlider::valueChanged, this, &TFrmBlur::TrackBar2Change);
    connect(BtnInversion, &QPushButton::clicked, this, &TFrmBlur::BtnInversionClick);
    connect(BtnSave, &QPushButton::clicked, this, &TFrmBlur::BtnSaveClick);
    connect(BtnQuit, &QPushButton::clicked, this, &TFrmBlur::BtnQuitClick);
    connect(BtnLoadImage, &QPushButton::clicked, this, &TFrmBlur::BtnLoadImageClick);

    // Image2 starts as an empty 10 x 10 picture of 24 bits per pixel.
    unblurred_.resize(10, 10);
    Image2->setPicture(imageFromBitmap(unblurred_));
}

// The column right of the photo, one control under the other, as wide as its
// longest text needs in the desktop's font (never cut off), the window around it.
void TFrmBlur::layOutCommands() {
    constexpr int x = 650, gap = 4, buttonH = 28;
    int width = Image2->width() + 20;
    for (QLabel* l : {Label1, Label2}) width = std::max(width, l->sizeHint().width());
    for (QPushButton* b : {BtnInversion, BtnLoadImage, BtnSave, BtnQuit}) width = std::max(width, b->sizeHint().width());
    const int labelH = Label1->sizeHint().height();
    int y = Image3->geometry().bottom() + 1 + 2 * gap;
    Label1->setGeometry(x, y, width, labelH);
    y += labelH;
    TrackBar1->setGeometry(x, y, width, 24);
    y += 24 + gap;
    Label2->setGeometry(x, y, width, labelH);
    y += labelH;
    // The buttons from the foot of the photo upwards; the thickness track bar
    // takes what is left between them and its caption.
    const int foot = Image1->geometry().bottom() + 1;
    BtnQuit->setGeometry(x, foot - buttonH, width, buttonH);
    BtnSave->setGeometry(x, foot - 2 * buttonH - gap, width, buttonH);
    BtnInversion->setGeometry(x, foot - 3 * buttonH - 2 * gap, width, buttonH);
    BtnLoadImage->setGeometry(x, foot - 4 * buttonH - 3 * gap, width, buttonH);  // hidden
    TrackBar2->setGeometry(x, y, 28, BtnInversion->y() - gap - y);
    setFixedSize(x + width + 6, foot + 10);
}

void TFrmBlur::setPicture(const QImage& picture) {
    photoIsBitmap_ = false;
    photo_ = Bitmap();
    Image1->setPicture(picture);
}

bool TFrmBlur::loadPicture(const QString& path) {
    QImage img;
    if (!img.load(path)) return false;
    setPicture(img);
    return true;
}

QImage TFrmBlur::picture() const { return Image1->picture(); }

Bitmap TFrmBlur::pictureBitmap() const {
    return photoIsBitmap_ ? photo_ : bitmapFromImage(Image1->picture());
}

QRect TFrmBlur::spannedZone() const {
    QRect r(QPoint(std::min(StartPoint.x(), EndPoint.x()), std::min(StartPoint.y(), EndPoint.y())),
            QPoint(std::max(StartPoint.x(), EndPoint.x()), std::max(StartPoint.y(), EndPoint.y())));
    // The right and bottom coordinates are exclusive: a click without movement spans nothing.
    r = QRect(r.left(), r.top(), r.right() - r.left(), r.bottom() - r.top());
    const QSize shown = Image1->picture().size().boundedTo(Image1->size());
    return r.intersected(QRect(QPoint(0, 0), shown));
}

void TFrmBlur::drawFocus(bool on) {
    drawn_ = on ? spannedZone() : QRect();
    Image1->setFocusRect(drawn_);
}

void TFrmBlur::Image1MouseDown(QPoint pos) {
    if (Selecting) drawFocus(false);
    StartPoint = EndPoint = pos;
    Dragging = Selecting = true;
    drawFocus(true);
}

void TFrmBlur::Image1MouseMove(QPoint pos) {
    if (!Dragging) return;
    EndPoint = pos;
    drawFocus(true);
}

void TFrmBlur::Image1MouseUp(QPoint pos) {
    if (Selecting) {
        drawFocus(false);
        EndPoint = pos;
        const QRect zone = spannedZone();
        // A click without movement or a zone outside the picture leaves everything as it is.
        if (!zone.isEmpty()) {
            LeftToRight = StartPoint.x() < EndPoint.x();
            Zone = zone;
            JvMemo1->setVisible(false);
            takeZone();
            BtnInversion->setEnabled(true);
        }
    }
    Dragging = Selecting = false;
}

void TFrmBlur::takeZone() {
    try {
        if (!photoIsBitmap_) {
            Bitmap bmp = bitmapFromImage(Image1->picture());
            if (bmp.bitsPerPixel() != 24 || bmp.empty()) throw ImageError("GBlur only works for 24-bit bitmaps");
            photo_ = std::move(bmp);
            photoIsBitmap_ = true;
        }
        unblurred_ = photo_.copyRect(Zone.x(), Zone.y(), Zone.width(), Zone.height());
        Image2->setPicture(imageFromBitmap(unblurred_));
        hasBlurred_ = true;
        applyBlur();
    } catch (const std::exception& e) {
        dialogs_.messageBox(windowTitle(), QString::fromUtf8(e.what()), platform::MsgIcon::Error,
                            platform::MsgButtons::Ok);
    }
}

void TFrmBlur::applyBlur() {
    if (!hasBlurred_ || !photoIsBitmap_) return;
    try {
        Bitmap zone = unblurred_;
        BlurBand(unblurred_, zone, LeftToRight, TrackBar2->value(), TrackBar1->value());
        blurred_ = std::move(zone);
        Image3->setPicture(imageFromBitmap(blurred_));
        photo_.paste(blurred_, Zone.x(), Zone.y());
        Image1->setPicture(imageFromBitmap(photo_));
    } catch (const std::exception& e) {
        dialogs_.messageBox(windowTitle(), QString::fromUtf8(e.what()), platform::MsgIcon::Error,
                            platform::MsgButtons::Ok);
    }
}

void TFrmBlur::TrackBar1Change() { applyBlur(); }
void TFrmBlur::TrackBar2Change() { applyBlur(); }

void TFrmBlur::BtnInversionClick() {
    LeftToRight = !LeftToRight;
    applyBlur();
}

void TFrmBlur::BtnSaveClick() {
    SaveRequested = true;
    accept();
}

void TFrmBlur::BtnQuitClick() {
    SaveRequested = false;
    reject();
}

void TFrmBlur::startOver() {
    StartPoint = EndPoint = QPoint(-1, -1);
    Selecting = Dragging = false;
    Zone = QRect();
    LeftToRight = true;
    SaveRequested = false;
    drawFocus(false);
    // No zone to blur again while the track bars go back to their design.
    hasBlurred_ = false;
    TrackBar1->setValue(kDesignRadius);
    TrackBar2->setValue(kDesignThickness);
    BtnInversion->setEnabled(false);
    JvMemo1->setVisible(true);
    JvMemo1->setEnabled(true);
    JvMemo1->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    if (QWidget* focused = focusWidget()) focused->clearFocus();
    setPicture(QImage());
    // Image2 starts as an empty 10 x 10 picture of 24 bits per pixel.
    unblurred_ = Bitmap();
    unblurred_.resize(10, 10);
    Image2->setPicture(imageFromBitmap(unblurred_));
    blurred_ = Bitmap();
    Image3->setPicture(QImage());
}

void TFrmBlur::BtnLoadImageClick() {
    QString path = dialogs_.openFile(QStringLiteral("Charger une Image"), QString(),
                                     QStringLiteral("Images JPEG (*.jpg *.jpeg);;Tous les fichiers (*)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".jpg");
    if (!loadPicture(path))
        dialogs_.messageBox(windowTitle(), QStringLiteral("Impossible de lire l'image ") + path,
                            platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

void TFrmBlur::JvMemo1Enter() {
    JvMemo1->setEnabled(false);
    // The instructions lie over the photo: once they cannot be edited, a press over them
    // reaches the photo below (a plate under them can be chosen).
    JvMemo1->setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool TFrmBlur::eventFilter(QObject* watched, QEvent* event) {
    if (watched == JvMemo1 && event->type() == QEvent::FocusIn) JvMemo1Enter();
    return QDialog::eventFilter(watched, event);
}

}  // namespace stanor::images
