#include "DesktopShell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace stanor::platform {

bool DesktopShell::startProgram(const QString& program, const QStringList& arguments) {
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, arguments);
}

bool DesktopShell::openAddress(const QString& address) {
    // Blanks and other characters an address may not hold are encoded here,
    // as a browser does with what is typed into it.
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.isValid()) return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace stanor::platform
