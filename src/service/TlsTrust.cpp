#include "service/TlsTrust.h"

#include <QDir>
#include <QFileInfo>
#include <QSslCertificate>
#include <QSslSocket>

namespace stanor::service {

namespace {

QString ExpandHome(const QString& path)
{
    return path.startsWith(QStringLiteral("~/")) ? QDir::homePath() + path.mid(1) : path;
}

bool UnknownAuthority(QSslError::SslError e)
{
    switch (e) {
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
    case QSslError::InvalidCaCertificate:
        return true;
    default:
        return false;
    }
}

// The names a certificate is made out to, for the message of a wrong host.
QString CertificateNames(const QSslCertificate& cert)
{
    QStringList names;
    const auto alternates = cert.subjectAlternativeNames();
    for (auto it = alternates.cbegin(); it != alternates.cend(); ++it)
        names << it.value();
    if (names.isEmpty())
        names = cert.subjectInfo(QSslCertificate::CommonName);
    return names.join(QStringLiteral(", "));
}

}  // namespace

TlsTrust::TlsTrust(const QString& authorityFile) : file_(authorityFile.trimmed())
{
    if (!file_.isEmpty())
        fileStamp_ = QFileInfo(ExpandHome(file_)).lastModified();
}

const QSslConfiguration& TlsTrust::configuration() const
{
    load();
    return configuration_;
}

const QString& TlsTrust::error() const
{
    load();
    return error_;
}

void TlsTrust::load() const
{
    if (loaded_)
        return;
    loaded_ = true;
    if (!QSslSocket::supportsSsl()) {
        error_ = QStringLiteral("la bibliothèque OpenSSL des connexions sécurisées (TLS) est introuvable sur ce "
                                "poste");
        return;
    }
    configuration_ = QSslConfiguration::defaultConfiguration();
    if (file_.isEmpty())
        return;
    const QString path = ExpandHome(file_);
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        error_ = QStringLiteral("le fichier de l'autorité de certification du groupe « %1 » (%2) est introuvable "
                                "ou illisible")
                     .arg(file_, kTlsAuthorityFile);
        return;
    }
    const QList<QSslCertificate> own = QSslCertificate::fromPath(path, QSsl::Pem);
    if (own.isEmpty()) {
        error_ = QStringLiteral("le fichier « %1 » (%2) ne contient aucun certificat d'autorité au format PEM")
                     .arg(file_, kTlsAuthorityFile);
        return;
    }
    // The system's authorities are listed with the group's own, so that both are believed.
    configuration_.setCaCertificates(QSslConfiguration::systemCaCertificates() + own);
}

bool TlsTrust::sameSource(const QString& authorityFile) const
{
    const QString file = authorityFile.trimmed();
    if (file != file_)
        return false;
    return file.isEmpty() || QFileInfo(ExpandHome(file)).lastModified() == fileStamp_;
}

QString DescribeCertificateFailure(const QList<QSslError>& errors, const QString& host)
{
    const QSslError* authority = nullptr;
    const QSslError* dates = nullptr;
    const QSslError* name = nullptr;
    for (const QSslError& e : errors) {
        if (UnknownAuthority(e.error()) && !authority)
            authority = &e;
        else if ((e.error() == QSslError::CertificateExpired || e.error() == QSslError::CertificateNotYetValid) && !dates)
            dates = &e;
        else if (e.error() == QSslError::HostNameMismatch && !name)
            name = &e;
    }
    const QString lead = QStringLiteral("Connexion sécurisée à « %1 » refusée : ").arg(host);
    if (authority)
        return lead + QStringLiteral("son certificat n'est signé par aucune autorité reconnue (celles du système, "
                                     "ou celle du groupe que nomme %1)")
                          .arg(kTlsAuthorityFile);
    if (dates) {
        const QSslCertificate cert = dates->certificate();
        return dates->error() == QSslError::CertificateExpired
                   ? lead + QStringLiteral("son certificat a expiré le %1")
                                .arg(cert.expiryDate().toLocalTime().toString(QStringLiteral("dd/MM/yyyy")))
                   : lead + QStringLiteral("son certificat n'est valable qu'à partir du %1")
                                .arg(cert.effectiveDate().toLocalTime().toString(QStringLiteral("dd/MM/yyyy")));
    }
    if (name)
        return lead + QStringLiteral("son certificat est établi pour un autre nom (%1)")
                          .arg(CertificateNames(name->certificate()));
    if (!errors.isEmpty() && errors.first().error() == QSslError::CertificateRevoked)
        return lead + QStringLiteral("son certificat est révoqué");
    return lead + QStringLiteral("son certificat n'a pas pu être vérifié");
}

}  // namespace stanor::service
