#include "records/TabsGuard.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>

namespace stanor::records {

TabsGuard::TabsGuard(QTabWidget* tabs, std::function<bool()> changing, std::function<void()> changed)
    : QObject(tabs), tabs_(tabs), changing_(std::move(changing)), changed_(std::move(changed)) {
    tabs_->installEventFilter(this);
    tabs_->tabBar()->installEventFilter(this);
}

int TabsGuard::step(int delta, bool wrap) const {
    const QTabBar* bar = tabs_->tabBar();
    const int n = bar->count();
    int i = tabs_->currentIndex();
    for (int k = 0; k < n; ++k) {
        i += delta;
        if (i < 0 || i >= n) {
            if (!wrap) return -1;
            i = (i + n) % n;
        }
        if (bar->isTabVisible(i) && bar->isTabEnabled(i)) return i == tabs_->currentIndex() ? -1 : i;
    }
    return -1;
}

bool TabsGuard::requestSwitch(int index) {
    const QTabBar* bar = tabs_->tabBar();
    if (asking_ || index < 0 || index >= bar->count() || index == tabs_->currentIndex() || !bar->isTabVisible(index) ||
        !bar->isTabEnabled(index))
        return false;
    QScopedValueRollback<bool> asking(asking_, true);
    if (changing_ && !changing_()) return false;
    // The save may have reloaded the record, and with it the sheets shown.
    if (!bar->isTabVisible(index) || index == tabs_->currentIndex()) return false;
    tabs_->setCurrentIndex(index);
    if (changed_) changed_();
    return true;
}

bool TabsGuard::eventFilter(QObject* watched, QEvent* event) {
    QTabBar* bar = tabs_->tabBar();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (watched == bar) {
            auto* m = static_cast<QMouseEvent*>(event);
            const int index = bar->tabAt(m->position().toPoint());
            if (m->button() == Qt::LeftButton && index >= 0 && index != tabs_->currentIndex()) {
                requestSwitch(index);
                return true;
            }
        }
        break;
    case QEvent::Wheel:
        if (watched == bar) {
            const QPoint d = static_cast<QWheelEvent*>(event)->angleDelta();
            const int delta = (d.y() != 0 ? d.y() : d.x()) > 0 ? -1 : 1;
            requestSwitch(step(delta, false));
            return true;
        }
        break;
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool ctrl = k->modifiers() & Qt::ControlModifier;
        int delta = 0;
        bool wrap = false;
        if (watched == bar && !ctrl) {
            if (k->key() == Qt::Key_Left || k->key() == Qt::Key_Up) delta = -1;
            if (k->key() == Qt::Key_Right || k->key() == Qt::Key_Down) delta = 1;
        } else if (ctrl) {
            wrap = true;
            if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_PageDown) delta = 1;
            if (k->key() == Qt::Key_Backtab || k->key() == Qt::Key_PageUp) delta = -1;
        }
        if (delta != 0) {
            requestSwitch(step(delta, wrap));
            return true;
        }
        break;
    }
    case QEvent::Shortcut:
        // Mnemonics of tab captions would switch without asking.
        if (watched == bar) return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace stanor::records
