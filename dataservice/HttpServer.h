#pragma once
// The HTTP server of the data service: the library's request parsing and
// routing, with the connections handled here so that
// - a connection that sends nothing (an idle keep-alive one) is closed after
//   `idleTimeout`, one whose request line and headers are not complete within
//   `headerTimeout` of their first byte (a half-sent request) is closed too,
//   and a body must progress at least every `readTimeout`;
// - each open connection holds one thread of a pool that grows with the open
//   connections (up to `maxThreads`), so stalled connections never keep a real
//   request waiting for a free thread;
// - one address holds at most `connectionsPerAddress` connections at once (the
//   group's TLS proxy excepted, through which every workstation comes): the
//   ones beyond are answered 503 at once and closed, so that one host cannot
//   take the threads that every other host shares;
// - a body announced longer than `maxBodyBytes` (Content-Length) is refused
//   from its headers, before any of it is read; a body sent in chunks is cut
//   at that length; the headers of a request take at most 64 KB;
// - a raw "?" inside the query string is taken as a character of it, as "%3F"
//   (the library would answer 400 to a request line holding two);
// - the port is bound for this service alone (a second service started on it
//   fails at once) and the listen backlog takes bursts of connections;
// - with a TLS context, every connection is TLS, its handshake bounded by
//   `headerTimeout` from the connection's start (a client that never ends it
//   holds no thread longer than a half-sent request would), and the rules
//   above apply to the decrypted bytes;
// - with an admitted address (the group's TLS proxy), connections from any
//   other address are closed at once, before a byte is read.

#include <httplib.h>

#include <openssl/ssl.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace stanor::dataservice {

struct HttpLimits {
    std::chrono::milliseconds idleTimeout{5000};     // waiting for a request on an open connection
    std::chrono::milliseconds headerTimeout{5000};   // request line and headers, from their first byte
    std::chrono::milliseconds readTimeout{10000};    // between two pieces of a body
    std::chrono::milliseconds writeTimeout{10000};   // between two pieces of an answer
    size_t minThreads = 8;                           // kept even when idle
    size_t maxThreads = 512;                         // open connections served at once
    int backlog = 512;                               // connections waiting to be accepted
    // Set from the service's limits (Limits.h):
    size_t maxBodyBytes = 12u << 20;                 // the body of one request
    size_t connectionsPerAddress = 64;               // open at once from one address
    std::vector<std::string> unlimitedAddresses;     // the group's TLS proxy
    std::function<void(const std::string&)> limitReached;  // told of every connection or body refused
};

class HttpServer : public httplib::Server {
public:
    explicit HttpServer(HttpLimits limits);
    ~HttpServer() override;

    // Binds `host`:`port` (0 = a free port) and returns the port bound. Throws
    // std::runtime_error with a French reason (port taken, address unknown...).
    int bindExclusive(const std::string& host, int port);

    // Every connection speaks TLS with this context (kept by the caller for
    // as long as the server runs).
    void useTls(SSL_CTX* context) { tls_ = context; }
    // Only connections from `address` (numeric) are taken; the others are
    // closed at once.
    void admitOnly(std::string address) { admitted_ = std::move(address); }
    // Connections refused or whose TLS handshake failed, told in French.
    void onConnectionFailure(std::function<void(const std::string&)> log) { failure_ = std::move(log); }

    // Stops listening and wakes the connections that wait for a request, so
    // that the service ends without waiting for their time-outs.
    void shutdown();

    // Connections open now from an address (its numeric form).
    size_t connectionsFrom(const std::string& address);

    // Called while answering a request that failed to be read (a body cut or
    // refused, headers too long): the connection closes after this answer, since
    // what is left of the request would be read as the next one.
    static void CloseAfterThisAnswer();

private:
    bool process_and_close_socket(socket_t sock) override;
    // Counts a new connection of `address`; false when it is one too many.
    bool admit(const std::string& address);
    void leave(const std::string& address);

    HttpLimits limits_;
    int wake_ = -1;  // readable once shutdown() ran
    std::mutex addressesMutex_;
    std::unordered_map<std::string, size_t> openByAddress_;
    SSL_CTX* tls_ = nullptr;
    std::string admitted_;
    std::function<void(const std::string&)> failure_;
};

}  // namespace stanor::dataservice
