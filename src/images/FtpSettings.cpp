#include "images/FtpSettings.h"

#include <QDir>

namespace stanor::images {

FtpDeployment readFtpDeployment(platform::SettingsStore& store, const QString& key) {
    auto text = [&](const QString& name) { return store.readString(key, name).trimmed().toStdString(); };
    FtpDeployment d;
    d.internalAddress = text(kFtpInternalAddress);
    d.publicHost = text(kFtpPublicHost);
    d.account = text(kFtpAccount);
    d.domain = text(kFtpAccountDomain);
    QString netrc = store.readString(key, kFtpNetrcFile).trimmed();
    if (netrc.startsWith(QStringLiteral("~/"))) netrc = QDir::homePath() + netrc.mid(1);
    d.netrcFile = netrc.toStdString();
    return d;
}

}  // namespace stanor::images
