#include "FocusOrder.h"

#include "toolkit/FieldControl.h"

#include <QAbstractItemView>
#include <QWidget>
#include <algorithm>
#include <numeric>

namespace stanor::app {

namespace {

constexpr int kSameLine = 10;  // pixels: half a one-line control

// The control a widget belongs to, below container: the outermost field
// control or item view holding it (the edit of a combo box belongs to the
// combo box), else the widget itself.
QWidget* owningControl(QWidget* w, QWidget* container) {
    QWidget* owner = w;
    for (QWidget* p = w->parentWidget(); p && p != container; p = p->parentWidget())
        if (toolkit::asFieldControl(p) || qobject_cast<QAbstractItemView*>(p)) owner = p;
    return owner;
}

}  // namespace

QList<int> readingOrder(const QList<QRect>& rects) {
    QList<int> byTop(rects.size());
    std::iota(byTop.begin(), byTop.end(), 0);
    std::stable_sort(byTop.begin(), byTop.end(), [&](int a, int b) { return rects[a].top() < rects[b].top(); });
    QList<int> out;
    qsizetype i = 0;
    while (i < byTop.size()) {
        // One line: every rectangle whose top is near the line's first one.
        const int lineTop = rects[byTop[i]].top();
        qsizetype j = i;
        while (j < byTop.size() && rects[byTop[j]].top() - lineTop < kSameLine) ++j;
        QList<int> line(byTop.begin() + i, byTop.begin() + j);
        std::stable_sort(line.begin(), line.end(), [&](int a, int b) { return rects[a].left() < rects[b].left(); });
        out += line;
        i = j;
    }
    return out;
}

QList<QWidget*> tabStops(QWidget* container) {
    QList<QWidget*> stops;
    if (!container) return stops;
    for (QWidget* w : container->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(container) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        if (w->isWindow() || w->focusProxy()) continue;
        QWidget* control = owningControl(w, container);
        if (control != w && stops.contains(control)) continue;
        if (control != w && (!control->isEnabled() || !control->isVisibleTo(container))) continue;
        if (!stops.contains(control)) stops << control;
    }
    QList<QRect> rects;
    for (QWidget* w : stops) rects << QRect(w->mapTo(container, QPoint(0, 0)), w->size());
    QList<QWidget*> ordered;
    for (int i : readingOrder(rects)) ordered << stops[i];
    return ordered;
}

QWidget* nextTabStop(QWidget* container, QWidget* current, bool forward) {
    const QList<QWidget*> stops = tabStops(container);
    if (stops.isEmpty()) return nullptr;
    qsizetype at = -1;
    for (qsizetype i = 0; i < stops.size() && at < 0; ++i)
        if (current && (stops[i] == current || stops[i]->isAncestorOf(current))) at = i;
    if (at < 0) return forward ? stops.first() : stops.last();
    const qsizetype n = stops.size();
    return stops[(at + (forward ? 1 : n - 1)) % n];
}

}  // namespace stanor::app
