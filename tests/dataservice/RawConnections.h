#pragma once
// Connections and programs driven by hand: raw sockets on the loopback
// address, and the service's program run with chosen arguments.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace stanor::dataservice::test {

// A connection to `port` on 127.0.0.1, from `from` (another loopback address) when given.
inline int Connect(int port, const char* from = nullptr) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (from) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &local.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            ::close(fd);
            return -1;
        }
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline void SendRaw(int fd, const std::string& bytes) { ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }

// Whether the service closed the connection within `ms`; what it sent meanwhile goes to `answer`.
inline bool ClosedWithin(int fd, int ms, std::string* answer = nullptr) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) return false;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return true;
        if (answer) answer->append(buf, static_cast<size_t>(n));
    }
}

// The program run with `args`: its exit status and what it wrote on stderr,
// or -1 when it was still running after 20 seconds (then ended).
inline int RunProgram(const std::vector<std::string>& args, std::string& err) {
    int pipeFd[2];
    if (::pipe(pipeFd) != 0) return -2;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFd[1], 2);
        ::close(pipeFd[0]);
        std::vector<char*> argv{const_cast<char*>(STANOR_DATASERVICE_EXE)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(STANOR_DATASERVICE_EXE, argv.data());
        ::_exit(127);
    }
    ::close(pipeFd[1]);
    const bool ended = ClosedWithin(pipeFd[0], 20000, &err);
    ::close(pipeFd[0]);
    if (!ended) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace stanor::dataservice::test
