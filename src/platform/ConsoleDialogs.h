#pragma once
// Dialogs for runs without anyone at the screen (PROJSTANOR_DIALOGS=console):
// every box is written to standard error as "[caption] text" and answered with
// its default (OK, or Yes for a question); pickers answer "cancelled". A
// password is read as one line of standard input ("[caption] user" asked on
// standard error); its end answers Cancel.

#include "Dialogs.h"

namespace stanor::platform {

class ConsoleDialogs final : public Dialogs {
public:
    MsgResult messageBox(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons) override;
    QString pickFolder(const QString& caption, const QString& start) override;
    QString openFile(const QString& caption, const QString& start, const QString& filter) override;
    std::optional<QString> askPassword(const QString& caption, const QString& user, const QString& message) override;
};

}  // namespace stanor::platform
