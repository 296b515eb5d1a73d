#pragma once
// The real shell: programs started detached from the client (closing the
// client leaves the browser open), addresses opened by the desktop.

#include "Shell.h"

namespace stanor::platform {

class DesktopShell final : public Shell {
public:
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool openAddress(const QString& address) override;
};

}  // namespace stanor::platform
