#pragma once
// The HTTP requests to the data service: a GET whose answer is saved to a
// file and scanned for error items (HttpExecute), its cached form
// (HttpExecuteCached), the multipart POST (HttpPost), and the photo download
// for display (the second client, without read time-out).
//
// A call blocks its caller while the Qt event loop keeps running, so the
// window repaints and the form's timer keeps ticking. A timer tick or a
// click may therefore start another request while one is pending; every
// call keeps its own reply, body and error text on its own stack frame, the
// answer file is replaced whole by an atomic rename, and the status labels
// are set once, at the end of the call, so each caller finds its own result
// in LbDebugInfo0 when its call returns.
//
// Every request to the data service's own address (scheme, host and port of
// BaseHRef) carries the session token; no other address ever gets it. When
// the service answers 401 (no session, or one that ended), the client signs
// in (the password from the user's netrc file, else from the dialog) and
// sends the same request once more, so a save keeps its statements and its
// insert keys. The token lives in this object only: never in a file, a trace
// line or an answer file.

#include "service/HttpRules.h"
#include "service/ServiceHost.h"
#include "service/TlsTrust.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <utility>

class QHttpMultiPart;
class QNetworkAccessManager;
class QNetworkRequest;
class QUrl;

namespace stanor::platform {
class Clock;
}

namespace stanor::service {

struct ClientOptions {
    int readTimeoutMs = 5000;   // no data for this long fails the request
    int retryPauseMs = 250;     // pause before each new attempt on a time-out mark
    int attempts = 5;
    // Waits the retry pause; by default a local event loop runs for that long
    // (the window stays responsive). Tests pass one that returns at once.
    std::function<void(int ms)> pause;
    // "Now" for the age of cached answers; the system clock when null.
    const platform::Clock* clock = nullptr;
};

// Result of a download or of a form posted outside the data service.
struct HttpResult {
    bool ok = false;
    QByteArray body;
    QString error;
};

// What a user reads when a transfer failed: one French line saying what went
// wrong (refused, no answer, unknown host, an HTTP error status...). `status`
// is the HTTP status when one came back (0 otherwise), `host` the host asked.
QString DescribeTransferFailure(QNetworkReply::NetworkError code, int status, const QString& host);

class DataServiceClient : public QObject {
    Q_OBJECT
public:
    explicit DataServiceClient(ServiceHost& host, ClientOptions options = {},
                               QObject* parent = nullptr);
    ~DataServiceClient() override;

    // GET `url` (without the customer id) and store the answer in `fileName`;
    // the error text lands in LbDebugInfo0 (empty on success).
    void HttpExecute(const QString& url, const QString& fileName);
    // Same, unless Ctrl is up and `fileName` is younger than 12 hours.
    void HttpExecuteCached(const QString& url, const QString& fileName);
    // POST a multipart form built by the caller; the form is released here in
    // every case.
    void HttpPost(const QString& url, const QString& fileName, std::unique_ptr<QHttpMultiPart> form);
    // GET a photo into memory with the second client (no read time-out).
    HttpResult DownloadPhoto(const QString& url);
    // GET a printable sheet into memory with the first client (the token
    // goes with it; the read time-out applies).
    HttpResult DownloadSheet(const QString& url);
    // POST a form with the first client (idle rule and read time-out apply)
    // and give back the answer or the error, leaving the status labels alone:
    // for senders that handle their answer themselves (the text-message gateway).
    HttpResult PostForm(const QString& url, std::unique_ptr<QHttpMultiPart> form);

    // The proxy of both clients (set once by the start-up sequence). A host
    // for which `direct` answers true is reached without it.
    using ProxyBypass = std::function<bool(const QString& host, int port)>;
    void SetProxy(const ProxyAddress& proxy, ProxyBypass direct = {});
    // The group's own certification authority, believed with the system's for
    // every "https://" address (empty: the system's alone). Kept connections
    // are dropped when it changes; an unreadable file makes every TLS request
    // fail with its reason.
    void SetTlsAuthority(const QString& authorityFile);
    const TlsTrust& tlsTrust() const { return trust_; }
    // Whether a proxy was set (the photo transfer then takes the internal FTP address).
    bool ProxyInUse() const { return proxyInUse_; }
    // Drops the kept connection; the next request opens a fresh one. Does
    // nothing while a request is pending (its connection is not idle).
    void Disconnect();
    // Number of requests in progress (more than one when nested).
    int pendingRequests() const { return pending_; }

    // Whether a session is open (a token is held).
    bool SignedIn() const { return !token_.isEmpty(); }
    // Forgets the session: the next request signs in again.
    void SignOut() { token_.clear(); }
    // Takes over the session of a client this one replaces (new settings).
    void TakeSessionFrom(DataServiceClient& other)
    {
        token_ = std::exchange(other.token_, {});
        tokenOwner_ = other.tokenOwner_;
    }
    // After a cancelled sign-in, the requests that follow fail without asking
    // again; a new command of the user (a reload, a timer tick with nothing
    // pending) lets the next one ask.
    void AllowSignInAgain();

    // Events of the data-service client: each only writes its trace entry;
    // no credentials are ever supplied, so a request asking for them fails.
    void IdHTTP1Status(const QString& statusText);
    void IdHTTP1Authorization();
    void IdHTTP1ProxyAuthorization();
    void IdHTTP1SelectAuthorization();
    void IdHTTP1SelectProxyAuthorization();

private:
    struct Transfer {
        bool ok = false;
        QByteArray body;
        QString error;
        int status = 0;  // the HTTP status, when an answer came
    };
    enum class Verb { Get, Post, PostBytes };

    Transfer transfer(QNetworkAccessManager& manager, QNetworkRequest request, Verb verb,
                      QHttpMultiPart* form, int timeoutMs, bool traced, const QByteArray& bytes = {});
    // transfer(), with the session token on requests to the data service,
    // and a new sign-in and one more attempt when the service asks for it.
    Transfer send(QNetworkAccessManager& manager, QNetworkRequest request, Verb verb, QHttpMultiPart* form,
                  int timeoutMs, bool traced);
    bool isServiceAddress(const QUrl& url) const;
    QString sessionOwner() const;
    // Opens a session; false, with the French reason, when none could be.
    bool signIn(QString& why);
    enum class SignInOutcome { SignedIn, Refused, Failed };
    SignInOutcome postSignIn(const QString& password, QString& why);
    QNetworkRequest baseRequest(const QString& finishedUrl) const;
    void applyIdleRule();
    // Stores the answer whole, then sets the error text from `leadText` and
    // the answer's error items; a file that cannot be written is an error too.
    void storeAnswer(const QString& body, const QString& fileName, QString leadText);
    void pauseBeforeRetry();

    ServiceHost& host_;
    ClientOptions options_;
    std::unique_ptr<QNetworkAccessManager> http1_;  // data-service traffic
    std::unique_ptr<QNetworkAccessManager> http2_;  // photo display downloads
    int pending_ = 0;
    bool proxyInUse_ = false;
    QByteArray token_;            // the session, in memory only
    QString tokenOwner_;          // the user and service address it was opened for
    bool signInDeclined_ = false;
    bool signingIn_ = false;
    QByteArray refusedNetrc_;     // digest of a netrc password the service refused
    TlsTrust trust_;
};

}  // namespace stanor::service
