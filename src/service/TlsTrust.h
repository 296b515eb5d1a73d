#pragma once
// Which servers the client believes. The certificate of an "https://" address
// must be signed by one of the system's authorities or by the group's own
// (the file that the setting "TlsAuthorityFile" names), be valid today and be
// made out to the host asked. A failed check ends the request with a French
// message naming the host: nothing is ever sent past it, and nothing falls
// back to plain HTTP.

#include <QDateTime>
#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

#include "platform/SettingsStore.h"

namespace stanor::service {

using platform::kTlsAuthorityFile;

class TlsTrust {
public:
    // The system's authorities, and those of `authorityFile` when given ("~/"
    // is the home folder). A file that cannot be read or holds no certificate
    // leaves the trust unusable: error() says why. Nothing is loaded before
    // the first TLS request asks (a client that speaks plain HTTP only never
    // loads the TLS library).
    explicit TlsTrust(const QString& authorityFile = {});

    // The configuration of every "https://" request.
    const QSslConfiguration& configuration() const;
    // Why no TLS request can be made, in French (to follow "impossible : "); empty when they can.
    const QString& error() const;
    // Whether this trust was made from the same file, unchanged since.
    bool sameSource(const QString& authorityFile) const;

private:
    void load() const;

    QString file_;          // as the setting gave it
    QDateTime fileStamp_;   // its modification time when the setting was read
    mutable bool loaded_ = false;
    mutable QSslConfiguration configuration_;
    mutable QString error_;
};

// What a user reads when the certificate of `host` was refused: one French
// line saying why (another host's certificate, expired, not yet valid, signed
// by an unknown authority...).
QString DescribeCertificateFailure(const QList<QSslError>& errors, const QString& host);

}  // namespace stanor::service
