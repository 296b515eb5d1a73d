#include "service/DataServiceClient.h"

#include "platform/Clock.h"
#include "service/MultipartForm.h"
#include "service/Netrc.h"
#include "service/TXml.h"
#include "service/TextTools.h"

#include <QAuthenticator>
#include <QCryptographicHash>
#include <QDir>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QSslError>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace stanor::service {

namespace {

const QByteArray kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
const QByteArray kAccept = "text/html, */*";
const QString kTransferFailed = QStringLiteral(" - Erreur de transfert sur le serveur ");
constexpr int kIdleLimitSeconds = 300;
constexpr qint64 kCacheAgeSeconds = 12 * 3600;
constexpr int kSignInTimeoutMs = 15000;
const QString kSignInDeclined = QStringLiteral("Connexion au service de données annulée (aucun mot de passe donné)");

// Waits with a local event loop: timers, repaints and clicks keep running.
void EventLoopPause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::unique_ptr<QNetworkAccessManager> MakeManager()
{
    auto manager = std::make_unique<QNetworkAccessManager>();
    manager->setProxy(QNetworkProxy::NoProxy);  // none until the start-up sequence sets one
    manager->setCookieJar(new QNetworkCookieJar(manager.get()));
    manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    return manager;
}

// The network library's own text of a failed transfer (the status line for
// an HTTP error status), kept for support on the message's second line.
QString TechnicalError(QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400) {
        return QStringLiteral("HTTP/1.1 %1 %2")
            .arg(status.toInt())
            .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    return reply.errorString();
}

QString StatusMeaning(int status)
{
    switch (status) {
    case 400: return QStringLiteral("requête incorrecte");
    case 401: return QStringLiteral("authentification demandée");
    case 403: return QStringLiteral("accès refusé");
    case 404: return QStringLiteral("adresse introuvable");
    case 408: return QStringLiteral("délai dépassé");
    case 500: return QStringLiteral("erreur interne du service");
    case 502: return QStringLiteral("passerelle en erreur");
    case 503: return QStringLiteral("service indisponible");
    case 504: return QStringLiteral("délai de la passerelle dépassé");
    default: return {};
    }
}

// Counts a request as pending for as long as it runs, whatever way it ends.
class PendingGuard {
public:
    explicit PendingGuard(int& counter) : counter_(counter) { ++counter_; }
    ~PendingGuard() { --counter_; }
    PendingGuard(const PendingGuard&) = delete;
    PendingGuard& operator=(const PendingGuard&) = delete;
private:
    int& counter_;
};

}  // namespace

QString DescribeTransferFailure(QNetworkReply::NetworkError code, int status, const QString& host)
{
    if (status >= 400) {
        const QString meaning = StatusMeaning(status);
        return meaning.isEmpty()
                   ? QStringLiteral("Le service de données a répondu par l'erreur HTTP %1").arg(status)
                   : QStringLiteral("Le service de données a répondu par l'erreur HTTP %1 (%2)").arg(status).arg(meaning);
    }
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Le service de données ne répond pas (connexion refusée)");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Le service de données a fermé la connexion sans répondre");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Le service de données est introuvable (hôte « %1 » inconnu)").arg(host);
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Le service de données ne répond pas (délai de connexion dépassé)");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("Requête interrompue");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("La connexion sécurisée à « %1 » a échoué (le serveur parle-t-il TLS à cette adresse ?)")
            .arg(host);
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("Le réseau est indisponible");
    case QNetworkReply::ProxyConnectionRefusedError:
        return QStringLiteral("Le proxy ne répond pas (connexion refusée)");
    case QNetworkReply::ProxyConnectionClosedError:
        return QStringLiteral("Le proxy a fermé la connexion sans répondre");
    case QNetworkReply::ProxyNotFoundError:
        return QStringLiteral("Le proxy est introuvable");
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("Le proxy ne répond pas (délai dépassé)");
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("Le proxy demande une authentification");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("L'adresse du service de données n'est pas valide (« %1 »)").arg(host);
    default:
        return QStringLiteral("La requête au service de données a échoué");
    }
}

DataServiceClient::DataServiceClient(ServiceHost& host, ClientOptions options, QObject* parent)
    : QObject(parent), host_(host), options_(std::move(options)), http1_(MakeManager()),
      http2_(MakeManager())
{
    if (!options_.pause)
        options_.pause = EventLoopPause;
    if (options_.attempts < 1)
        options_.attempts = 1;

    connect(http1_.get(), &QNetworkAccessManager::authenticationRequired, this,
            [this](QNetworkReply*, QAuthenticator*) {
                IdHTTP1SelectAuthorization();
                IdHTTP1Authorization();
            });
    connect(http1_.get(), &QNetworkAccessManager::proxyAuthenticationRequired, this,
            [this](const QNetworkProxy&, QAuthenticator*) {
                IdHTTP1SelectProxyAuthorization();
                IdHTTP1ProxyAuthorization();
            });
}

DataServiceClient::~DataServiceClient() = default;

QNetworkRequest DataServiceClient::baseRequest(const QString& finishedUrl) const
{
    QNetworkRequest request(QUrl::fromEncoded(WireUrl(finishedUrl), QUrl::TolerantMode));
    request.setRawHeader("Accept", kAccept);
    request.setRawHeader("User-Agent", kUserAgent);
    // Answers travel as they are, as the service's other clients get them:
    // offered brotli, the service spends some 5 ms compressing each small
    // answer, ten times the time it takes to produce it.
    request.setRawHeader("Accept-Encoding", "identity");
    if (request.url().scheme() == QStringLiteral("https"))
        request.setSslConfiguration(trust_.configuration());
    return request;
}

DataServiceClient::Transfer DataServiceClient::transfer(QNetworkAccessManager& manager,
                                                        QNetworkRequest request, Verb verb,
                                                        QHttpMultiPart* form, int timeoutMs,
                                                        bool traced, const QByteArray& bytes)
{
    const PendingGuard guard(pending_);
    const bool secure = request.url().scheme() == QStringLiteral("https");
    if (secure && !trust_.error().isEmpty())
        return Transfer{false, {},
                        QStringLiteral("Connexion sécurisée à « %1 » impossible : ").arg(request.url().host()) +
                            trust_.error()};
    QNetworkReply* reply = verb == Verb::Post        ? manager.post(request, form)
                           : verb == Verb::PostBytes ? manager.post(request, bytes)
                                                     : manager.get(request);
    QEventLoop loop;
    QTimer readTimer;
    bool timedOut = false;
    readTimer.setSingleShot(true);
    connect(&readTimer, &QTimer::timeout, &loop, [&] {
        if (reply->isFinished())
            return;  // finished while a nested request was running
        timedOut = true;
        reply->abort();
    });
    auto progress = [&] {
        if (timeoutMs > 0)
            readTimer.start(timeoutMs);
    };
    connect(reply, &QNetworkReply::downloadProgress, &loop, progress);
    connect(reply, &QNetworkReply::uploadProgress, &loop, progress);
    if (traced) {
        // Status entries are written from inside the event loop, where an
        // error must not escape: a trace that cannot be written is skipped.
        auto status = [this](const QString& text) {
            try {
                IdHTTP1Status(text);
            } catch (...) {
            }
        };
        connect(reply, &QNetworkReply::socketStartedConnecting, &loop,
                [status, host = request.url().host()] { status(QStringLiteral("Connexion à ") + host); });
        connect(reply, &QNetworkReply::requestSent, &loop,
                [status] { status(QStringLiteral("Requête envoyée")); });
    }
    // A certificate refused is told as such; the request is never let through.
    QList<QSslError> certificateErrors;
    if (secure)
        connect(reply, &QNetworkReply::sslErrors, &loop,
                [&certificateErrors](const QList<QSslError>& errors) { certificateErrors = errors; });
    connect(reply, &QNetworkReply::finished, &readTimer, &QTimer::stop);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    progress();
    if (!reply->isFinished())
        loop.exec();
    readTimer.stop();
    // The loop also ends when the application quits: an unfinished reply is
    // a failed request, never a short answer.
    bool interrupted = false;
    if (!reply->isFinished()) {
        interrupted = true;
        reply->abort();
    }

    // The user reads the first line; the network library's text follows.
    Transfer result;
    if (!interrupted && !timedOut)
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (interrupted) {
        result.error = QStringLiteral("Requête interrompue");
    } else if (timedOut) {
        result.error = QStringLiteral("Le service de données ne répond pas (aucune réponse en %1 ms)").arg(timeoutMs);
    } else if (reply->error() != QNetworkReply::NoError && !certificateErrors.isEmpty()) {
        result.error = DescribeCertificateFailure(certificateErrors, request.url().host()) + u'\n' +
                       TechnicalError(*reply);
    } else if (reply->error() != QNetworkReply::NoError) {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.error = DescribeTransferFailure(reply->error(), status.isValid() ? status.toInt() : 0,
                                               request.url().host()) +
                       u'\n' + TechnicalError(*reply);
    } else {
        result.ok = true;
        result.body = reply->readAll();
    }
    delete reply;  // finished or aborted, and outside its own signals
    return result;
}

QString DataServiceClient::sessionOwner() const
{
    const ServiceParams p = host_.params();
    const QUrl base(p.baseHRef);
    return p.idUser.trimmed() + u'@' + base.scheme().toLower() + QStringLiteral("://") + base.host().toLower() +
           u':' + QString::number(base.port(-1));
}

bool DataServiceClient::isServiceAddress(const QUrl& url) const
{
    const QUrl base(host_.params().baseHRef);
    auto defaultPort = [](const QUrl& u) { return u.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80; };
    const bool web = base.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
                     base.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    return web && !base.host().isEmpty() && url.scheme().compare(base.scheme(), Qt::CaseInsensitive) == 0 &&
           url.host().compare(base.host(), Qt::CaseInsensitive) == 0 &&
           url.port(defaultPort(url)) == base.port(defaultPort(base));
}

DataServiceClient::Transfer DataServiceClient::send(QNetworkAccessManager& manager, QNetworkRequest request,
                                                    Verb verb, QHttpMultiPart* form, int timeoutMs, bool traced)
{
    // A session is its user's, at its service: it goes with no request of
    // another user or to another service (the launcher changed them), which
    // signs in afresh when asked.
    const bool service = isServiceAddress(request.url()) && tokenOwner_ == sessionOwner();
    if (service && !token_.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token_);
    Transfer t = transfer(manager, request, verb, form, timeoutMs, traced);
    if (!isServiceAddress(request.url()) || t.status != 401)
        return t;
    // No session, or one that ended (12 hours old, 2 hours unused, the
    // user's access ended): the service did nothing. Signed in again, the
    // same request goes once more.
    token_.clear();
    std::unique_ptr<QHttpMultiPart> again = verb == Verb::Post ? CopyForm(*form) : nullptr;
    QString why;
    if (!signIn(why)) {
        t.error = why;
        return t;
    }
    if (verb == Verb::Post && !again) {
        t.error = QStringLiteral("Session du service de données rouverte : l'envoi est à refaire");
        return t;
    }
    request.setRawHeader("Authorization", "Bearer " + token_);
    return transfer(manager, request, verb, again ? again.get() : form, timeoutMs, traced);
}

void DataServiceClient::AllowSignInAgain()
{
    signInDeclined_ = false;
}

bool DataServiceClient::signIn(QString& why)
{
    if (signInDeclined_) {
        why = kSignInDeclined;
        return false;
    }
    // A request sent from a timer tick while the dialog is open waits for no second dialog.
    if (signingIn_) {
        why = QStringLiteral("Connexion au service de données en cours");
        return false;
    }
    const ServiceParams p = host_.params();
    if (p.idUser.trimmed().isEmpty()) {
        why = QStringLiteral("Aucun utilisateur (paramètre idUser) : connexion au service de données impossible");
        return false;
    }
    signingIn_ = true;
    const PendingGuard guard(pending_);
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{signingIn_};

    QString message;
    // An unattended workstation keeps the password in the user's netrc
    // file; one the service refused is not offered again.
    if (const QString netrc = host_.netrcFile(); !netrc.isEmpty()) {
        const NetrcLookup found = ReadNetrcPassword(netrc, QUrl(p.baseHRef).host(), p.idUser.trimmed());
        if (!found.problem.isEmpty()) {
            host_.writeTrace(QStringLiteral("Connexion au service de données : ") + found.problem);
            message = found.problem;
            message[0] = message[0].toUpper();
        }
        if (found.password) {
            const QByteArray digest = QCryptographicHash::hash(found.password->toUtf8(), QCryptographicHash::Sha256);
            if (digest != refusedNetrc_) {
                switch (postSignIn(*found.password, why)) {
                case SignInOutcome::SignedIn: return true;
                case SignInOutcome::Failed: return false;
                case SignInOutcome::Refused:
                    refusedNetrc_ = digest;
                    message = QStringLiteral("Le mot de passe du fichier netrc est refusé (%1)").arg(why);
                    break;
                }
            }
        }
    }
    const QString name = host_.userName().trimmed();
    const QString user = name.isEmpty() ? QStringLiteral("utilisateur n° %1").arg(p.idUser.trimmed())
                                        : QStringLiteral("%1 (utilisateur n° %2)").arg(name, p.idUser.trimmed());
    for (;;) {
        std::optional<QString> password = host_.askPassword(user, message);
        if (!password) {
            signInDeclined_ = true;
            host_.writeTrace(kSignInDeclined);
            why = kSignInDeclined;
            return false;
        }
        const SignInOutcome outcome = postSignIn(*password, why);
        password->fill(u' ');
        if (outcome != SignInOutcome::Refused)
            return outcome == SignInOutcome::SignedIn;
        message = why;
    }
}

DataServiceClient::SignInOutcome DataServiceClient::postSignIn(const QString& password, QString& why)
{
    const ServiceParams p = host_.params();
    QNetworkRequest request = baseRequest(EscapeBlanksAndHashes(p.baseHRef + QStringLiteral("AxLogin")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    QByteArray body = "UserID=" + QUrl::toPercentEncoding(p.idUser.trimmed()) +
                      "&Password=" + QUrl::toPercentEncoding(password);
    host_.writeTrace(QStringLiteral("Connexion au service de données : utilisateur ") + p.idUser.trimmed());
    // The service hashes the password on purpose slowly: the sign-in waits longer than a request.
    const Transfer t = transfer(*http1_, request, Verb::PostBytes, nullptr,
                                std::max(options_.readTimeoutMs, kSignInTimeoutMs), true, body);
    body.fill('\0');
    if (!t.ok) {
        why = t.error;
        host_.writeTrace(QStringLiteral("Connexion au service de données impossible : ") + t.error);
        return SignInOutcome::Failed;
    }
    const QString answer = FromAnsi(t.body);
    QString items = LogItemsText(answer).trimmed();
    if (items.endsWith(QLatin1String(" -")))
        items.chop(2);
    TXml xml;
    xml.Text = answer;
    XmlFind(xml, QStringLiteral("Answer"));
    QString token;
    XmlGet(xml, QStringLiteral("Token"), token);
    if (!items.isEmpty() || token.isEmpty()) {
        why = items.isEmpty() ? QStringLiteral("Réponse de connexion illisible") : items;
        host_.writeTrace(QStringLiteral("Connexion au service de données refusée : ") + why);
        return items.isEmpty() ? SignInOutcome::Failed : SignInOutcome::Refused;
    }
    token_ = token.toLatin1();
    tokenOwner_ = sessionOwner();
    host_.writeTrace(QStringLiteral("Connexion au service de données : session ouverte"));
    return SignInOutcome::SignedIn;
}

void DataServiceClient::IdHTTP1Status(const QString& statusText)
{
    host_.writeTrace(QStringLiteral("Status : ") + statusText);
}

void DataServiceClient::IdHTTP1Authorization()
{
    host_.writeTrace(QStringLiteral("on IdHTTP1Authorization"));
}

void DataServiceClient::IdHTTP1ProxyAuthorization()
{
    host_.writeTrace(QStringLiteral("on IdHTTP1ProxyAuthorization"));
}

void DataServiceClient::IdHTTP1SelectAuthorization()
{
    host_.writeTrace(QStringLiteral("on IdHTTP1SelectAuthorization"));
}

void DataServiceClient::IdHTTP1SelectProxyAuthorization()
{
    host_.writeTrace(QStringLiteral("on IdHTTP1SelectProxyAuthorization"));
}

void DataServiceClient::applyIdleRule()
{
    if (host_.idleSeconds() > kIdleLimitSeconds)
        Disconnect();
    host_.resetIdleSeconds();
}

void DataServiceClient::Disconnect()
{
    if (pending_ == 0)
        http1_->clearConnectionCache();
}

void DataServiceClient::SetTlsAuthority(const QString& authorityFile)
{
    if (trust_.sameSource(authorityFile))
        return;
    trust_ = TlsTrust(authorityFile);
    // Connections kept open were checked against the former authorities.
    Disconnect();
    if (pending_ == 0)
        http2_->clearConnectionCache();
}

void DataServiceClient::pauseBeforeRetry()
{
    options_.pause(options_.retryPauseMs);
}

void DataServiceClient::storeAnswer(const QString& body, const QString& fileName, QString leadText)
{
    const QString stored = NormalizeDeclaredCharset(body);
    // The trace folder is made when it is missing, so that no answer is lost to it.
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(ToAnsi(stored)) < 0 || !file.commit()) {
        // A lost answer is a failure: the caller must not read the old file as this answer.
        const QString error = QStringLiteral("Exception : La réponse du service de données n'a pas pu être "
                                             "enregistrée dans %1\n%2")
                                  .arg(fileName, file.errorString());
        host_.setRequestError(error);  // before the trace, which may fail in turn
        host_.writeTrace(error);
        return;
    }
    host_.setRequestError(leadText + LogItemsText(body));
}

void DataServiceClient::HttpExecute(const QString& url, const QString& fileName)
{
    const QString finished = FinishGetUrl(url, host_.idClient());
    applyIdleRule();
    host_.writeTrace(QStringLiteral("HttpExecute : ") + finished + QStringLiteral(" -> ") + fileName);

    QNetworkRequest request = baseRequest(finished);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/html"));

    QString body;
    QString mark;
    for (int attempt = 1; attempt <= options_.attempts; ++attempt) {
        if (attempt > 1)
            pauseBeforeRetry();
        const Transfer t = send(*http1_, request, Verb::Get, nullptr, options_.readTimeoutMs, true);
        if (!t.ok) {
            host_.setRequestError(QStringLiteral("Exception : ") + t.error);
            host_.writeTrace(QStringLiteral("HttpExecute Exception : ") + t.error);
            return;  // the answer file of an earlier call stays as it was
        }
        body = FromAnsi(t.body);
        mark = TimeoutMark(body);
        if (mark.isEmpty())
            break;
    }
    // Still a time-out mark after the last attempt: the whole answer is the
    // error. A normal last answer is a success, however many attempts it took.
    storeAnswer(body, fileName, mark.isEmpty() ? QString() : body);
}

void DataServiceClient::HttpExecuteCached(const QString& url, const QString& fileName)
{
    if (!host_.ctrlHeld()) {
        const QFileInfo info(fileName);
        const QDateTime now = options_.clock ? options_.clock->now() : QDateTime::currentDateTime();
        if (info.exists() && info.lastModified() > now.addSecs(-kCacheAgeSeconds))
            return;
    }
    HttpExecute(url, fileName);
}

void DataServiceClient::HttpPost(const QString& url, const QString& fileName,
                                 std::unique_ptr<QHttpMultiPart> form)
{
    const QString finished = EscapeBlanksAndHashes(url);
    host_.writeTrace(QStringLiteral("HttpPost : ") + finished + QStringLiteral(" -> ") + fileName);
    const HttpResult posted = PostForm(finished, std::move(form));
    QString body;
    QString lead;
    if (posted.ok) {
        body = FromAnsi(posted.body);
    } else {
        // A failed transfer is reported as a failure, not only written to the file.
        body = kTransferFailed;
        const qsizetype br = posted.error.indexOf(u'\n');
        lead = QStringLiteral("Exception : ") + posted.error.left(br < 0 ? posted.error.size() : br) +
               kTransferFailed + (br < 0 ? QString() : posted.error.mid(br));
    }
    storeAnswer(body, fileName, lead);
    if (!posted.ok)
        host_.writeTrace(QStringLiteral("HttpPost Exception : ") + posted.error);
}

HttpResult DataServiceClient::PostForm(const QString& url, std::unique_ptr<QHttpMultiPart> form)
{
    applyIdleRule();
    if (!form)
        return HttpResult{false, {}, QStringLiteral("formulaire absent")};
    // The form must outlive the reply; it is released when this call ends.
    const Transfer t = send(*http1_, baseRequest(EscapeBlanksAndHashes(url)), Verb::Post, form.get(),
                            options_.readTimeoutMs, true);
    return HttpResult{t.ok, t.body, t.error};
}

HttpResult DataServiceClient::DownloadPhoto(const QString& url)
{
    const Transfer t = send(*http2_, baseRequest(EscapeBlanksAndHashes(url)), Verb::Get, nullptr, 0, false);
    return HttpResult{t.ok, t.body, t.error};
}

HttpResult DataServiceClient::DownloadSheet(const QString& url)
{
    applyIdleRule();
    host_.writeTrace(QStringLiteral("DownloadSheet : ") + EscapeBlanksAndHashes(url));
    const Transfer t = send(*http1_, baseRequest(EscapeBlanksAndHashes(url)), Verb::Get, nullptr,
                            options_.readTimeoutMs, true);
    return HttpResult{t.ok, t.body, t.error};
}

namespace {

// The proxy for every request but those whose host goes direct.
class ChosenProxy : public QNetworkProxyFactory {
public:
    ChosenProxy(QNetworkProxy proxy, DataServiceClient::ProxyBypass direct)
        : proxy_(std::move(proxy)), direct_(std::move(direct))
    {
    }
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        if (direct_ && direct_(query.peerHostName(), query.peerPort()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return {proxy_};
    }

private:
    QNetworkProxy proxy_;
    DataServiceClient::ProxyBypass direct_;
};

}  // namespace

void DataServiceClient::SetProxy(const ProxyAddress& proxy, ProxyBypass direct)
{
    const QNetworkProxy p(QNetworkProxy::HttpProxy, proxy.host,
                          static_cast<quint16>(qBound(0, proxy.port, 65535)));
    proxyInUse_ = true;
    if (!direct) {
        http1_->setProxy(p);
        http2_->setProxy(p);
        return;
    }
    // Each manager owns its factory.
    http1_->setProxyFactory(new ChosenProxy(p, direct));
    http2_->setProxyFactory(new ChosenProxy(p, direct));
}

}  // namespace stanor::service
