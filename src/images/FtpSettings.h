#pragma once
// The deployment's FTP settings, read from the settings store (the program's key). The password
// is not among them: it lives in the netrc file they name (~/.netrc by default).

#include "images/FtpTransfer.h"
#include "platform/SettingsStore.h"

namespace stanor::images {

// Value names under the program's key.
inline const QString kFtpInternalAddress = QStringLiteral("FtpInternalAddress");
inline const QString kFtpPublicHost = QStringLiteral("FtpPublicHost");
inline const QString kFtpAccount = QStringLiteral("FtpAccount");
inline const QString kFtpAccountDomain = QStringLiteral("FtpAccountDomain");
inline const QString kFtpNetrcFile = QStringLiteral("FtpNetrcFile");
// "1": plain FTP allowed when the server is at an internal (private or loopback) address.
inline const QString kFtpPlainInternal = QStringLiteral("FtpPlainInternal");

// Missing values read as empty (chooseFtpEndpoint then names the one it needs); a value of
// another type than a string raises platform::SettingsError. A netrc path starting with "~/"
// is taken from the home folder, as the group's certification authority (platform::kTlsAuthorityFile).
FtpDeployment readFtpDeployment(platform::SettingsStore& store,
                                const QString& key = platform::kStanorKey);

}  // namespace stanor::images
