#include "ConsoleDialogs.h"

#include <cstdio>
#include <string>

namespace stanor::platform {

MsgResult ConsoleDialogs::messageBox(const QString& caption, const QString& text, MsgIcon, MsgButtons buttons) {
    std::fprintf(stderr, "[%s] %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    std::fflush(stderr);
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
}

QString ConsoleDialogs::pickFolder(const QString&, const QString&) { return {}; }
QString ConsoleDialogs::openFile(const QString&, const QString&, const QString&) { return {}; }

std::optional<QString> ConsoleDialogs::askPassword(const QString& caption, const QString& user,
                                                   const QString& message) {
    std::fprintf(stderr, "[%s] %s%s%s : mot de passe ?\n", caption.toLocal8Bit().constData(),
                 user.toLocal8Bit().constData(), message.isEmpty() ? "" : " - ", message.toLocal8Bit().constData());
    std::fflush(stderr);
    std::string line;
    for (int c; (c = std::fgetc(stdin)) != EOF;) {
        if (c == '\n') return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
        line.push_back(static_cast<char>(c));
    }
    return std::nullopt;
}

}  // namespace stanor::platform
