#pragma once
// Keyboard entry through a sheet: TAB and Shift+TAB go from control to
// control in reading order, top to bottom and, on one line, left to right,
// skipping what is hidden, disabled or takes no focus.

#include <QList>
#include <QRect>

class QWidget;

namespace stanor::app {

// The order in which rectangles are read: by line (tops closer than half a
// control's height share a line), then from left to right. Indices into rects.
QList<int> readingOrder(const QList<QRect>& rects);

// The controls of container that TAB stops at, in reading order: shown,
// enabled, taking focus by TAB; the parts of a composite control (the edit
// inside a combo box, a list's viewport) count as their control.
QList<QWidget*> tabStops(QWidget* container);

// The stop after (or before) the one holding current, wrapping round; the
// first (or last) stop when current is none of them; nullptr when there is none.
QWidget* nextTabStop(QWidget* container, QWidget* current, bool forward);

}  // namespace stanor::app
