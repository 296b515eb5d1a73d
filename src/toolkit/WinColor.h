#pragma once
// Windows colour values as the tab descriptions and the form use them: a
// decimal COLORREF ($00BBGGRR) or a system colour ($FF0000nn, nn the index of
// the system colour), mapped to Qt colours in this one place.

#include <QColor>
#include <QtGlobal>

namespace stanor::toolkit {

namespace WinColor {
inline constexpr qint32 clScrollBar = qint32(0xFF000000);
inline constexpr qint32 clBackground = qint32(0xFF000001);
inline constexpr qint32 clHighlight = qint32(0xFF00000D);
inline constexpr qint32 clHighlightText = qint32(0xFF00000E);
inline constexpr qint32 clWindow = qint32(0xFF000005);
inline constexpr qint32 clWindowText = qint32(0xFF000008);
inline constexpr qint32 clInactiveBorder = qint32(0xFF00000B);
inline constexpr qint32 clBtnFace = qint32(0xFF00000F);
inline constexpr qint32 clGrayText = qint32(0xFF000011);
inline constexpr qint32 clBtnText = qint32(0xFF000012);
inline constexpr qint32 clInfoBk = qint32(0xFF000018);
// "No colour" values of the form (default colour of the control).
inline constexpr qint32 clNone = qint32(0x1FFFFFFF);
inline constexpr qint32 clDefault = qint32(0x20000000);
inline constexpr qint32 clBlack = 0;
}  // namespace WinColor

// Whether the value names a system colour.
bool isSystemColor(qint32 value);
// The Qt colour of a Windows colour value; invalid for "no colour" values
// (-1, clNone, clDefault, unknown system colours), so that the control keeps
// the colour of its style.
QColor toQColor(qint32 value);
// A Qt colour as a COLORREF value.
qint32 fromQColor(const QColor& c);

}  // namespace stanor::toolkit
