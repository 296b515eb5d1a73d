#include "HttpServer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

// One connection's bytes, read through a buffer that outlives each request (a
// client may send its next request before the answer). Every wait is bounded:
// see HttpLimits.
class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(int sock, int wake, const HttpLimits& limits)
        : sock_(sock), wake_(wake), limits_(limits), buffer_(16384) {}

    // Whether a request begins within the idle time-out (false when the service stops).
    bool awaitRequest() { return pos_ < length_ || wait(POLLIN, limits_.idleTimeout, true) == Wait::Ready; }

    void beginRequest() {
        part_ = Part::RequestLine;
        sawQuery_ = false;
        lineLength_ = 0;
        headerDeadline_ = SteadyClock::now() + limits_.headerTimeout;
    }

    bool is_readable() const override {
        return pos_ < length_ || pendingHex_ > 0 || wait(POLLIN, limits_.readTimeout, true) == Wait::Ready;
    }
    bool is_writable() const override { return wait(POLLOUT, limits_.writeTimeout, false) == Wait::Ready; }

    ssize_t read(char* out, size_t size) override {
        size_t n = 0;
        while (n < size) {
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
                std::memcpy(out + n, buffer_.data() + pos_, take);
                pos_ += take;
                n += take;
                continue;
            }
            out[n++] = scan(buffer_[pos_++]);
        }
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* data, size_t size) override {
        size_t sent = 0;
        while (sent < size) {
            if (wait(POLLOUT, limits_.writeTimeout, false) != Wait::Ready) return -1;
            const ssize_t n = ::send(sock_, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            if (n <= 0) return -1;
            sent += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(sent);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { Address(false, ip, port); }
    socket_t socket() const override { return sock_; }

private:
    enum class Part { RequestLine, Headers, Body };
    enum class Wait { Ready, TimedOut, Stopped, Failed };

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
            lineLength_ = 0;
        } else if (c != '\r') {
            ++lineLength_;
        }
        return c;
    }

    ssize_t fill() {
        auto timeout = limits_.readTimeout;
        if (part_ != Part::Body) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(headerDeadline_ - SteadyClock::now());
            if (left.count() <= 0) return -1;
            timeout = std::min(timeout, left);
        }
        if (wait(POLLIN, timeout, true) != Wait::Ready) return -1;
        for (;;) {
            const ssize_t n = ::recv(sock_, buffer_.data(), buffer_.size(), 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n < 0 ? -1 : 0;
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
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - SteadyClock::now());
            const int rc = ::poll(fds, stoppable && wake_ >= 0 ? 2 : 1, static_cast<int>(std::max<long long>(0, left.count())));
            if (rc < 0 && errno == EINTR) continue;
            if (rc < 0) return Wait::Failed;
            if (rc == 0) return Wait::TimedOut;
            if (stoppable && (fds[1].revents & POLLIN)) return Wait::Stopped;
            return Wait::Ready;  // readable includes the end of the stream and errors, which recv reports
        }
    }

    void Address(bool remote, std::string& ip, int& port) const {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        auto* a = reinterpret_cast<sockaddr*>(&address);
        if ((remote ? ::getpeername(sock_, a, &length) : ::getsockname(sock_, a, &length)) != 0) return;
        char host[NI_MAXHOST], service[NI_MAXSERV];
        if (::getnameinfo(a, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
            ip = host;
            port = std::atoi(service);
        }
    }

    const int sock_, wake_;
    const HttpLimits& limits_;
    std::vector<char> buffer_;
    size_t pos_ = 0, length_ = 0;
    Part part_ = Part::Body;
    bool sawQuery_ = false;
    size_t lineLength_ = 0;
    int pendingHex_ = 0;
    SteadyClock::time_point headerDeadline_{};
};

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

bool HttpServer::process_and_close_socket(socket_t sock) {
    const int yes = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);  // small answers go out at once
    bool ok = false;
    {
        ConnectionStream stream(sock, wake_, limits_);
        for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET && stream.awaitRequest(); --left) {
            stream.beginRequest();
            bool closed = false;
            ok = process_request(stream, left == 1, closed, {});
            if (!ok || closed) break;
        }
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

}  // namespace stanor::dataservice
