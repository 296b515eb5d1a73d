#include "ConsoleDialogs.h"

#include <cstdio>

namespace stanor::platform {

MsgResult ConsoleDialogs::messageBox(const QString& caption, const QString& text, MsgIcon, MsgButtons buttons) {
    std::fprintf(stderr, "[%s] %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    std::fflush(stderr);
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
}

QString ConsoleDialogs::pickFolder(const QString&, const QString&) { return {}; }
QString ConsoleDialogs::openFile(const QString&, const QString&, const QString&) { return {}; }

}  // namespace stanor::platform
