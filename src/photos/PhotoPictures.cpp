#include "photos/PhotoPictures.h"

#include <QEvent>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace stanor::photos {

namespace {

constexpr char kPicture[] = "stanorPicture";
constexpr char kPlaceholder[] = "stanorPlaceholder";
constexpr char kFitName[] = "stanorPictureFit";

// Scales the label's picture again when the label changes size.
class PictureFit : public QObject {
public:
    explicit PictureFit(QLabel* label) : QObject(label), label_(label) {
        setObjectName(QLatin1String(kFitName));
        label->installEventFilter(this);
    }
    void fit() {
        const QImage image = label_->property(kPicture).value<QImage>();
        const QSize room = label_->contentsRect().size();
        if (image.isNull() || room.isEmpty()) {
            label_->setPixmap(QPixmap());
            return;
        }
        const QSize size = image.size().scaled(room, Qt::KeepAspectRatio);
        label_->setPixmap(QPixmap::fromImage(image.size() == size ? image
                                                                  : image.scaled(size, Qt::KeepAspectRatio,
                                                                                 Qt::SmoothTransformation)));
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize) fit();
        return false;
    }

private:
    QLabel* label_;
};

PictureFit* fitterOf(QLabel* label) {
    // Found by name: the class has no meta-object of its own to be told apart by.
    if (QObject* f = label->findChild<QObject*>(QLatin1String(kFitName), Qt::FindDirectChildrenOnly))
        return static_cast<PictureFit*>(f);
    return new PictureFit(label);
}

}  // namespace

QImage placeholderPicture(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(0xEE, 0xEE, 0xEE));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = size.width(), h = size.height();
    // A camera outline above the words.
    p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), std::max(2, w / 80)));
    const QRectF body(w * 0.34, h * 0.26, w * 0.32, h * 0.30);
    p.drawRoundedRect(body, w * 0.02, w * 0.02);
    p.drawEllipse(body.center(), body.height() * 0.30, body.height() * 0.30);
    p.drawRect(QRectF(body.left() + body.width() * 0.12, body.top() - h * 0.05, body.width() * 0.22, h * 0.05));
    QFont f = p.font();
    f.setPixelSize(std::max(9, h / 12));
    p.setFont(f);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawText(QRectF(0, h * 0.62, w, h * 0.2), Qt::AlignCenter, QStringLiteral("Pas de photo"));
    return img;
}

void showPicture(QLabel* label, const QImage& picture, const QImage& placeholder) {
    if (!label) return;
    label->setProperty(kPlaceholder, picture.isNull());
    label->setProperty(kPicture, picture.isNull() ? placeholder : picture);
    fitterOf(label)->fit();
}

bool showsPlaceholder(const QLabel* label) {
    return !label || label->property(kPlaceholder).toBool() || label->property(kPicture).value<QImage>().isNull();
}

QImage shownPicture(const QLabel* label) {
    return showsPlaceholder(label) ? QImage() : label->property(kPicture).value<QImage>();
}

QImage readPreview(const QString& path, QSize box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    // The JPEG reader decodes straight at a smaller scale when asked for one.
    if (full.isValid() && box.isValid() && (full.width() > 2 * box.width() || full.height() > 2 * box.height()))
        reader.setScaledSize(full.scaled(box * 2, Qt::KeepAspectRatio));
    QImage img = reader.read();
    return img;
}

}  // namespace stanor::photos
