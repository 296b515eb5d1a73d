#include "toolkit/FieldControl.h"

#include "toolkit/WinColor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace stanor::toolkit {

FieldEvents::FieldEvents(QWidget* control) : QObject(control), control_(control) {
    control->installEventFilter(this);
}

void FieldEvents::watch(QObject* part) {
    if (part) part->installEventFilter(this);
}

int FieldEvents::virtualKey(const QKeyEvent* e) {
    const int k = e->key();
    const bool keypad = e->modifiers().testFlag(Qt::KeypadModifier);
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return keypad ? 96 + (k - Qt::Key_0) : '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 112 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Asterisk: if (keypad) return 106; break;
    case Qt::Key_Plus: if (keypad) return 107; break;
    case Qt::Key_Minus: if (keypad) return 109; break;
    case Qt::Key_Period: if (keypad) return 110; break;
    case Qt::Key_Slash: if (keypad) return 111; break;
    default: break;
    }
    return 0;
}

bool FieldEvents::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (resending_) break;
        auto* ke = static_cast<QKeyEvent*>(event);
        int key = virtualKey(ke);
        const int before = key;
        if (key) emit keyDown(key, ke->modifiers());
        if (before && !key) return true;
        if (!ke->text().isEmpty()) {
            const QChar typed = ke->text().at(0);
            QChar ch = typed;
            emit keyPress(ch);
            if (ch.isNull()) return true;
            if (ch != typed) {
                // A handler changed the character (a name typed in capitals):
                // the control receives the changed one instead.
                QKeyEvent changed(QEvent::KeyPress, ke->key(), ke->modifiers(), QString(ch), ke->isAutoRepeat());
                resending_ = true;
                QCoreApplication::sendEvent(watched, &changed);
                resending_ = false;
                return true;
            }
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(event);
        int key = virtualKey(ke);
        if (key) {
            emit keyUp(key, ke->modifiers());
            if (!key) return true;
        }
        break;
    }
    // A combo box's line edit passes focus on to its combo: report once. A
    // drop-down (calendar, item list) taking the focus is no exit.
    case QEvent::FocusIn:
        if (watched == control_ && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            emit entered();
        break;
    case QEvent::FocusOut:
        if (watched == control_ && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            emit exited();
        break;
    case QEvent::MouseButtonRelease:
        if (clickOnRelease_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) emit clicked();
        break;
    case QEvent::MouseButtonDblClick:
        emit doubleClicked();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

FieldControl::FieldControl(QWidget* self)
    : self_(self), events_(new FieldEvents(self)), back_(WinColor::clWindow), font_(WinColor::clWindowText) {}

void FieldControl::setBackColor(qint32 winColor) {
    back_ = winColor;
    applyColors();
}

void FieldControl::setFontColor(qint32 winColor) {
    font_ = winColor;
    applyColors();
}

void FieldControl::applyColors() {
    QPalette pal = self_->palette();
    const QColor back = toQColor(back_);
    const QColor font = toQColor(font_);
    if (back.isValid()) {
        pal.setColor(backRole(), back);
        // Disabled display fields keep their background too.
        pal.setColor(QPalette::Disabled, backRole(), back);
    }
    if (font.isValid()) pal.setColor(textRole(), font);
    self_->setPalette(pal);
}

FieldControl* asFieldControl(QWidget* w) { return dynamic_cast<FieldControl*>(w); }
FieldControl* asFieldControl(QObject* o) { return dynamic_cast<FieldControl*>(o); }

}  // namespace stanor::toolkit
