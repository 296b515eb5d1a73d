#pragma once
// The real dialogs: Qt message boxes and file pickers, parented to a window
// when one is given.

#include "Dialogs.h"
#include "Keyboard.h"

class QWidget;

namespace stanor::platform {

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    MsgResult messageBox(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons) override;
    QString pickFolder(const QString& caption, const QString& start) override;
    QString openFile(const QString& caption, const QString& start, const QString& filter) override;
    std::optional<QString> askPassword(const QString& caption, const QString& user, const QString& message) override;

private:
    QWidget* parent_;
};

// Ctrl as the window system reports it at the moment of the question.
class QtKeyboard final : public Keyboard {
public:
    bool ctrlHeld() const override;
};

}  // namespace stanor::platform
