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
    auto path = [&](const QString& name) {
        QString file = store.readString(key, name).trimmed();
        if (file.startsWith(QStringLiteral("~/"))) file = QDir::homePath() + file.mid(1);
        return file.toStdString();
    };
    d.netrcFile = path(kFtpNetrcFile);
    d.authorityFile = path(platform::kTlsAuthorityFile);
    d.plainInternal = store.readString(key, kFtpPlainInternal).trimmed().toInt() != 0;
    return d;
}

}  // namespace stanor::images
