#include "Paths.h"

#include <QDir>
#include <QStandardPaths>

namespace stanor::platform {

QString localPath(const QString& windowsPath) {
    QString p = windowsPath;
    p.replace(u'\\', u'/');
    if (p.isEmpty()) return p;
    return QDir::cleanPath(p);
}

QString filePathIn(const QString& folder, const QString& name) {
    return localPath(folder + u'\\' + name);
}

QString stateDir() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/ProjStanor");
}

QString runtimeDir() {
    const QString env = qEnvironmentVariable("PROJSTANOR_RUNTIME_DIR");
    if (!env.isEmpty()) return env;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

}  // namespace stanor::platform
