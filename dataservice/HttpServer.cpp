#include "HttpServer.h"

#include "ListenPolicy.h"
#include "XmlAnswer.h"

#include <openssl/err.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace stanor::dataservice {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Threads for the connections: one per open connection, created when every
// thread is busy (up to a ceiling) and ended after a while without work, down
// to a floor kept for the next burst.
class WorkerPool final : public httplib::TaskQueue {
public:
    WorkerPool(size_t minThreads, size_t maxThreads)
        : min_(std::max<size_t>(1, minThreads)), max_(std::max(min_, maxThreads)) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < min_; ++i) spawn();
    }
    ~WorkerPool() override { shutdown(); }

    void enqueue(std::function<void()> fn) override {
        std::list<std::thread> ended;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended.splice(ended.end(), retired_);
            jobs_.push_back(std::move(fn));
            if (jobs_.size() > idle_ && threads_.size() < max_) spawn();
        }
        wake_.notify_one();
        for (auto& t : ended) t.join();
    }

    void shutdown() override {
        std::list<std::thread> all;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            all.splice(all.end(), threads_);
            all.splice(all.end(), retired_);
        }
        wake_.notify_all();
        for (auto& t : all)
            if (t.joinable()) t.join();
    }

private:
    // Called with the mutex held; the new thread waits for it before it looks at its own entry.
    void spawn() {
        threads_.emplace_back();
        auto self = std::prev(threads_.end());
        *self = std::thread([this, self] { work(self); });
    }

    void work(std::list<std::thread>::iterator self) {
        // A client that leaves while TLS writes to it must end that write, not
        // the process: TLS writes through the socket without MSG_NOSIGNAL.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ++idle_;
            const bool woken = wake_.wait_for(lock, kLinger, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (!jobs_.empty()) {
                auto job = std::move(jobs_.front());
                jobs_.pop_front();
                lock.unlock();
                job();
                lock.lock();
                continue;
            }
            if (stopping_) return;
            if (!woken && threads_.size() > min_) {
                // Joined by the next enqueue (or by shutdown); this thread takes the lock no more.
                retired_.splice(retired_.end(), threads_, self);
                return;
            }
        }
    }

    static constexpr std::chrono::seconds kLinger{30};
    const size_t min_, max_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::list<std::function<void()>> jobs_;
    std::list<std::thread> threads_, retired_;
    size_t idle_ = 0;
    bool stopping_ = false;
};

// The numeric address and port of either end of a connection.
void Address(int sock, bool remote, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    auto* a = reinterpret_cast<sockaddr*>(&address);
    if ((remote ? ::getpeername(sock, a, &length) : ::getsockname(sock, a, &length)) != 0) return;
    char host[NI_MAXHOST], service[NI_MAXSERV];
    if (::getnameinfo(a, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
        ip = host;
        port = std::atoi(service);
    }
}

// One connection's bytes, read through a buffer that outlives each request (a
// client may send its next request before the answer), in clear or through
// TLS. Every wait is bounded: see HttpLimits.
class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(int sock, int wake, const HttpLimits& limits, SSL* tls)
        : sock_(sock), wake_(wake), limits_(limits), tls_(tls), buffer_(16384) {}

    // The TLS handshake, within the header time-out from now; true at once in clear.
    bool open() {
        if (!tls_) return true;
        const auto deadline = SteadyClock::now() + limits_.headerTimeout;
        for (;;) {
            ERR_clear_error();
            const int rc = SSL_accept(tls_);
            if (rc == 1) return true;
            short want = 0;
            if (!TlsWants(SSL_get_error(tls_, rc), want)) {
                broken_ = true;
                return false;
            }
            if (wait(want, Left(deadline), true) != Wait::Ready) return false;
        }
    }

    // Sends the TLS end of the conversation when it can go at once (never
    // after a failure of TLS itself, as OpenSSL requires).
    void close() {
        if (tls_ && !broken_) {
            ERR_clear_error();
            SSL_shutdown(tls_);
        }
    }

    // Whether a request begins within the idle time-out (false when the service stops).
    bool awaitRequest() { return buffered() || wait(POLLIN, limits_.idleTimeout, true) == Wait::Ready; }

    void beginRequest() {
        part_ = Part::RequestLine;
        sawQuery_ = false;
        lineLength_ = 0;
        headerBytes_ = bodyBytes_ = 0;
        line_.clear();
        announced_ = 0;
        bodyRefused_ = false;
        headerDeadline_ = SteadyClock::now() + limits_.headerTimeout;
    }

    // The request announced a body longer than the limit, which was not read.
    bool bodyRefused() const { return bodyRefused_; }
    unsigned long long announcedBody() const { return announced_; }

    bool is_readable() const override {
        if (part_ == Part::Body && bodyRefused_) return true;  // read() says the body ended
        return buffered() || pendingHex_ > 0 || wait(POLLIN, limits_.readTimeout, true) == Wait::Ready;
    }
    bool is_writable() const override { return wait(POLLOUT, limits_.writeTimeout, false) == Wait::Ready; }

    ssize_t read(char* out, size_t size) override {
        size_t n = 0;
        while (n < size) {
            // A body announced too long reads as ended: the library answers 413 without reading it.
            if (part_ == Part::Body && bodyRefused_) break;
            if (pendingHex_ > 0) {
                out[n++] = pendingHex_-- == 2 ? '3' : 'F';
                continue;
            }
            if (pos_ == length_) {
                if (n > 0) break;
                const ssize_t got = fill();
                if (got <= 0) return got;
            }
            if (part_ == Part::Body) {
                const size_t take = std::min(size - n, length_ - pos_);
                bodyBytes_ += take;
                if (bodyBytes_ > limits_.maxBodyBytes) return -1;  // a body in chunks, past the limit
                std::memcpy(out + n, buffer_.data() + pos_, take);
                pos_ += take;
                n += take;
                continue;
            }
            out[n++] = scan(buffer_[pos_++]);
            if (++headerBytes_ > kMaxHeaderBytes) return -1;
        }
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* data, size_t size) override {
        size_t sent = 0;
        short want = POLLOUT;
        while (sent < size) {
            if (wait(want, limits_.writeTimeout, false) != Wait::Ready) return -1;
            ssize_t n;
            if (tls_) {
                // After a retry the same bytes are offered again, as TLS requires.
                ERR_clear_error();
                const int rc = SSL_write(tls_, data + sent, static_cast<int>(std::min<size_t>(size - sent, INT_MAX)));
                if (rc <= 0 && TlsWants(SSL_get_error(tls_, rc), want)) continue;
                broken_ = broken_ || rc <= 0;
                n = rc;
            } else {
                n = ::send(sock_, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            }
            if (n <= 0) return -1;
            sent += static_cast<size_t>(n);
            want = POLLOUT;
        }
        return static_cast<ssize_t>(sent);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(sock_, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { Address(sock_, false, ip, port); }
    socket_t socket() const override { return sock_; }

private:
    enum class Part { RequestLine, Headers, Body };
    enum class Wait { Ready, TimedOut, Stopped, Failed };

    // What a TLS call that did not complete waits for (POLLIN or POLLOUT);
    // false when it failed for good (a broken or closed connection).
    static bool TlsWants(int error, short& want) {
        if (error == SSL_ERROR_WANT_READ) want = POLLIN;
        else if (error == SSL_ERROR_WANT_WRITE) want = POLLOUT;
        else return false;
        return true;
    }

    static std::chrono::milliseconds Left(SteadyClock::time_point deadline) {
        return std::max(std::chrono::milliseconds(0),
                        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()));
    }

    // Bytes ready without waiting: in the buffer, or decrypted and kept by TLS.
    bool buffered() const { return pos_ < length_ || (tls_ && SSL_pending(tls_) > 0); }

    // Follows the request line and the headers as they are handed out: a "?"
    // after the first one in the request line goes out as "%3F"; the empty
    // line that ends the headers ends the header time-out.
    char scan(char c) {
        if (part_ == Part::RequestLine) {
            if (c == '?') {
                if (sawQuery_) {
                    pendingHex_ = 2;
                    return '%';
                }
                sawQuery_ = true;
            } else if (c == '\n') {
                part_ = Part::Headers;
                lineLength_ = 0;
            }
            return c;
        }
        if (c == '\n') {
            if (lineLength_ == 0) part_ = Part::Body;
            else headerLine();
            lineLength_ = 0;
            line_.clear();
        } else if (c != '\r') {
            ++lineLength_;
            if (line_.size() < 64) line_.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
        return c;
    }

    // A header line ended: a Content-Length beyond the limit refuses the body.
    void headerLine() {
        static const std::string name = "content-length:";
        if (line_.compare(0, name.size(), name) != 0) return;
        unsigned long long value = 0;
        for (size_t i = name.size(); i < line_.size(); ++i) {
            const char c = line_[i];
            if (c == ' ' || c == '\t') continue;
            if (c < '0' || c > '9') return;
            value = value > 1'000'000'000'000ULL ? value : value * 10 + static_cast<unsigned>(c - '0');
        }
        announced_ = value;
        if (value > limits_.maxBodyBytes) bodyRefused_ = true;
    }

    ssize_t fill() {
        auto deadline = SteadyClock::now() + limits_.readTimeout;
        if (part_ != Part::Body) {
            if (headerDeadline_ <= SteadyClock::now()) return -1;
            deadline = std::min(deadline, headerDeadline_);
        }
        short want = POLLIN;
        for (;;) {
            if (!buffered() && wait(want, Left(deadline), true) != Wait::Ready) return -1;
            ssize_t n;
            if (tls_) {
                ERR_clear_error();
                const int rc = SSL_read(tls_, buffer_.data(), static_cast<int>(buffer_.size()));
                if (rc <= 0) {
                    const int error = SSL_get_error(tls_, rc);
                    if (TlsWants(error, want)) continue;  // a partial record, or TLS's own messages
                    if (error == SSL_ERROR_ZERO_RETURN) return 0;
                    broken_ = true;
                    return -1;
                }
                n = rc;
            } else {
                n = ::recv(sock_, buffer_.data(), buffer_.size(), 0);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) return n < 0 ? -1 : 0;
            }
            pos_ = 0;
            length_ = static_cast<size_t>(n);
            return n;
        }
    }

    // Waits for `events` on the socket; a wait for data also ends when the service stops.
    Wait wait(short events, std::chrono::milliseconds timeout, bool stoppable) const {
        const auto until = SteadyClock::now() + timeout;
        for (;;) {
            pollfd fds[2] = {{sock_, events, 0}, {wake_, POLLIN, 0}};
            const int rc = ::poll(fds, stoppable && wake_ >= 0 ? 2 : 1, static_cast<int>(Left(until).count()));
            if (rc < 0 && errno == EINTR) continue;
            if (rc < 0) return Wait::Failed;
            if (rc == 0) return Wait::TimedOut;
            if (stoppable && (fds[1].revents & POLLIN)) return Wait::Stopped;
            return Wait::Ready;  // readable includes the end of the stream and errors, which recv reports
        }
    }

    const int sock_, wake_;
    const HttpLimits& limits_;
    SSL* const tls_;
    bool broken_ = false;  // TLS failed: no orderly close may follow
    std::vector<char> buffer_;
    size_t pos_ = 0, length_ = 0;
    Part part_ = Part::Body;
    static constexpr size_t kMaxHeaderBytes = 64 * 1024;  // request line and headers
    bool sawQuery_ = false;
    size_t lineLength_ = 0;
    int pendingHex_ = 0;
    std::string line_;  // the start of the header line being read, in lower case
    size_t headerBytes_ = 0, bodyBytes_ = 0;
    unsigned long long announced_ = 0;
    bool bodyRefused_ = false;
    SteadyClock::time_point headerDeadline_{};
};

// OpenSSL's reason for a failed handshake (the client refused the
// certificate, spoke no TLS...), for the log line; empty when it gave none.
std::string TlsFailure() {
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0) return {};
    const char* reason = ERR_reason_error_string(code);
    return reason ? std::string(" (") + reason + ")" : std::string();
}

// Why `host`:`port` cannot be bound, found by trying it again.
std::string BindFailure(const std::string& host, int port) {
    const std::string where = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return "adresse d'écoute inconnue : " + host;
    int error = 0;
    const int sock = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (sock < 0) {
        error = errno;
    } else {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(sock, found->ai_addr, found->ai_addrlen) != 0) error = errno;
        ::close(sock);
    }
    ::freeaddrinfo(found);
    switch (error) {
        case EADDRINUSE:
            return "le port " + std::to_string(port) + " est déjà pris sur " + host +
                   " (un autre service de données y écoute-t-il ?) : arrêtez-le ou choisissez un autre port avec --port";
        case EACCES:
            return "le port " + std::to_string(port) + " est réservé : les ports sous 1024 demandent des droits d'administrateur";
        case EADDRNOTAVAIL:
            return "l'adresse " + host + " n'appartient pas à cette machine";
        case 0:
            return "impossible d'écouter sur " + where;
        default:
            return "impossible d'écouter sur " + where + " : " + std::strerror(error);
    }
}

}  // namespace

HttpServer::HttpServer(HttpLimits limits) : limits_(limits) {
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const size_t minThreads = limits_.minThreads, maxThreads = limits_.maxThreads;
    new_task_queue = [minThreads, maxThreads] { return new WorkerPool(minThreads, maxThreads); };
    // Without SO_REUSEPORT (the library's default), a second server cannot bind
    // a port that one already listens on; SO_REUSEADDR still lets a restarted
    // service take its port back at once.
    set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

HttpServer::~HttpServer() {
    if (wake_ >= 0) ::close(wake_);
    // A server stopped before it listened still holds the socket it bound:
    // the port is freed for the next service (the library closes it only
    // when it stops listening).
    const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
    if (sock != INVALID_SOCKET) ::close(sock);
}

int HttpServer::bindExclusive(const std::string& host, int port) {
    if (port < 0 || port > 65535) throw std::runtime_error("port invalide : " + std::to_string(port));
    const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
    if (bound <= 0) throw std::runtime_error(BindFailure(host, port));
    // The library listens with a backlog of 5; a listening socket takes a new one.
    ::listen(svr_sock_, limits_.backlog);
    return bound;
}

void HttpServer::shutdown() {
    if (wake_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
    }
    if (is_running()) stop();
}

namespace {
thread_local bool closeAfterAnswer = false;
}  // namespace

void HttpServer::CloseAfterThisAnswer() { closeAfterAnswer = true; }

size_t HttpServer::connectionsFrom(const std::string& address) {
    std::lock_guard<std::mutex> lock(addressesMutex_);
    const auto found = openByAddress_.find(address);
    return found == openByAddress_.end() ? 0 : found->second;
}

bool HttpServer::admit(const std::string& address) {
    std::lock_guard<std::mutex> lock(addressesMutex_);
    size_t& open = openByAddress_[address];
    if (open >= limits_.connectionsPerAddress) return false;
    ++open;
    return true;
}

void HttpServer::leave(const std::string& address) {
    std::lock_guard<std::mutex> lock(addressesMutex_);
    const auto found = openByAddress_.find(address);
    if (found != openByAddress_.end() && --found->second == 0) openByAddress_.erase(found);
}

namespace {

// The numeric address of a connection's peer ("" when unknown), an IPv4 address
// reached over IPv6 written as IPv4.
std::string PeerAddress(int sock) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    char host[NI_MAXHOST];
    if (::getpeername(sock, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0)
        return {};
    std::string out = host;
    if (out.rfind("::ffff:", 0) == 0 && out.find('.') != std::string::npos) out = out.substr(7);
    return out;
}

// Answers a connection refused before any request: 503 with the reason as a
// LogItem, then what the peer already sent is let go with the connection.
void RefuseConnection(int sock, const std::string& why) {
    const std::string body = XmlAnswer::Failure("Answer", {why});
    const std::string answer = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/xml; charset=ISO-8859-1\r\n"
                               "Connection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    [[maybe_unused]] const ssize_t sent = ::send(sock, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    char drain[4096];
    for (int i = 0; i < 16 && ::recv(sock, drain, sizeof drain, MSG_DONTWAIT) > 0; ++i) {
    }
}

}  // namespace

bool HttpServer::process_and_close_socket(socket_t sock) {
    const int yes = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);  // small answers go out at once
    const std::string peer = PeerAddress(sock);
    const bool counted = std::find(limits_.unlimitedAddresses.begin(), limits_.unlimitedAddresses.end(), peer) ==
                         limits_.unlimitedAddresses.end();
    if (counted && !admit(peer)) {
        const std::string why = "Trop de connexions ouvertes depuis l'adresse " + peer + " (au plus " +
                                std::to_string(limits_.connectionsPerAddress) + ") : connexion refusée";
        if (limits_.limitReached) limits_.limitReached(why);
        RefuseConnection(sock, why);
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return false;
    }
    bool ok = false;
    if (!PeerAdmitted(peer, admitted_)) {
        if (failure_) failure_("connexion refusée de " + peer + " : seul le proxy TLS " + admitted_ + " est admis");
    } else {
        std::unique_ptr<SSL, void (*)(SSL*)> tls(nullptr, SSL_free);
        if (tls_) {
            // TLS waits on the socket itself: its calls must never block.
            ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK);
            tls.reset(SSL_new(tls_));
            if (tls) SSL_set_fd(tls.get(), sock);
        }
        ConnectionStream stream(sock, wake_, limits_, tls.get());
        if (tls_ && (!tls || !stream.open())) {
            if (failure_) failure_("connexion TLS de " + peer + " interrompue avant la fin de la négociation" + TlsFailure());
        } else {
            for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET && stream.awaitRequest(); --left) {
                stream.beginRequest();
                bool closed = false;
                closeAfterAnswer = false;
                ok = process_request(stream, left == 1, closed, {});
                if (closeAfterAnswer) break;
                // The body of a refused request is still on its way: the connection cannot carry another.
                if (stream.bodyRefused()) {
                    if (limits_.limitReached)
                        limits_.limitReached("Corps de requête refusé depuis " + peer + " : " +
                                             std::to_string(stream.announcedBody()) + " octets annoncés (au plus " +
                                             std::to_string(limits_.maxBodyBytes) + ")");
                    break;
                }
                if (!ok || closed) break;
            }
            stream.close();
        }
    }
    if (counted) leave(peer);
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

}  // namespace stanor::dataservice
