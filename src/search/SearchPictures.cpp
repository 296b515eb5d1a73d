#include "search/SearchPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace stanor::search {

namespace {

constexpr int kSize = 32;  // drawn large, shown at 16 or 20 pixels

const QColor kInk(40, 60, 110);
const QColor kPaper(250, 250, 245);

template <typename Draw>
QIcon draw(Draw&& paint) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return QIcon(pm);
}

void text(QPainter& p, const QRect& r, const QString& t, int pixels) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(true);
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, t);
}

}  // namespace

QIcon ModePicture(ModePair pair) {
    switch (pair) {
    case ModePair::NVO:  // a stock number
        return draw([](QPainter& p) {
            p.setPen(QPen(kInk, 2));
            p.setBrush(kPaper);
            p.drawRoundedRect(QRectF(2, 6, 28, 20), 4, 4);
            p.setPen(kInk);
            text(p, QRect(2, 6, 28, 20), QStringLiteral("N°"), 14);
        });
    case ModePair::Immat:  // a number plate with its blue band
        return draw([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1.5));
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(1, 9, 30, 14), 2, 2);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 60, 170));
            p.drawRect(QRectF(2, 10, 5, 12));
            p.setPen(Qt::black);
            text(p, QRect(7, 9, 24, 14), QStringLiteral("AB"), 11);
        });
    case ModePair::Client:  // a person
        return draw([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QRectF(10, 3, 12, 12));
            QPainterPath body;
            body.moveTo(4, 30);
            body.cubicTo(4, 18, 28, 18, 28, 30);
            body.closeSubpath();
            p.drawPath(body);
        });
    case ModePair::Telephone:  // a telephone handset
        return draw([](QPainter& p) {
            QPen pen(kInk, 6, Qt::SolidLine, Qt::RoundCap);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            // The handle, curved, and the ear and mouth pieces at its ends.
            p.drawArc(QRectF(6, 8, 20, 22), 20 * 16, 140 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawRoundedRect(QRectF(1, 14, 10, 8), 3, 3);
            p.drawRoundedRect(QRectF(21, 14, 10, 8), 3, 3);
        });
    case ModePair::Mobile:  // a mobile telephone
        return draw([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawRoundedRect(QRectF(9, 2, 14, 28), 3, 3);
            p.setBrush(kPaper);
            p.drawRect(QRectF(11, 5, 10, 17));
            p.drawEllipse(QRectF(14, 24, 4, 4));
        });
    }
    return {};
}

QList<QIcon> SearchGridImages(const QList<QIcon>& standard) {
    QList<QIcon> images = standard;
    while (images.size() < kOwnSiteImage + 1) images << QIcon();
    auto dot = [](const QColor& fill) {
        return draw([fill](QPainter& p) {
            p.setPen(QPen(fill.darker(140), 2));
            p.setBrush(fill);
            p.drawEllipse(QRectF(8, 8, 16, 16));
        });
    };
    images[kOtherSiteImage] = dot(QColor(200, 200, 200));
    images[kOwnSiteImage] = dot(QColor(60, 170, 80));
    return images;
}

}  // namespace stanor::search
