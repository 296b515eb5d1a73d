#include "toolkit/WinColor.h"

#include <QApplication>
#include <QPalette>

namespace stanor::toolkit {

namespace {

// The system colours by index, taken from the application palette where it
// has a matching role and from the classic Windows scheme otherwise.
QColor systemColor(int index) {
    const QPalette pal = QApplication::palette();
    switch (index) {
    case 0: return pal.color(QPalette::Mid);                   // scroll bar
    case 1: return pal.color(QPalette::Window);                // desktop
    case 2: return pal.color(QPalette::Highlight);             // active caption
    case 3: return pal.color(QPalette::Inactive, QPalette::Highlight);
    case 4: return pal.color(QPalette::Window);                // menu
    case 5: return pal.color(QPalette::Base);                  // window
    case 6: return pal.color(QPalette::Shadow);                // window frame
    case 7: return pal.color(QPalette::WindowText);            // menu text
    case 8: return pal.color(QPalette::Text);                  // window text
    case 9: return pal.color(QPalette::HighlightedText);       // caption text
    case 10: return pal.color(QPalette::Mid);                  // active border
    case 11: return QColor(0xD4, 0xD0, 0xC8);                  // inactive border
    case 12: return pal.color(QPalette::Dark);                 // application workspace
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);               // button face
    case 16: return pal.color(QPalette::Dark);                 // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);  // grey text
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Inactive, QPalette::WindowText);
    case 20: return pal.color(QPalette::Light);                // button highlight
    case 21: return pal.color(QPalette::Shadow);               // 3D dark shadow
    case 22: return pal.color(QPalette::Midlight);             // 3D light
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    default: return {};
    }
}

}  // namespace

bool isSystemColor(qint32 value) {
    return (static_cast<quint32>(value) & 0xFF000000u) == 0xFF000000u;
}

QColor toQColor(qint32 value) {
    const quint32 v = static_cast<quint32>(value);
    if (isSystemColor(value)) return systemColor(static_cast<int>(v & 0xFFu));
    if (v > 0x00FFFFFFu) return {};  // clNone, clDefault and other special values
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

qint32 fromQColor(const QColor& c) {
    if (!c.isValid()) return WinColor::clNone;
    return qint32(c.red() | (c.green() << 8) | (c.blue() << 16));
}

}  // namespace stanor::toolkit
