#pragma once
// The FTP server of the scripts (scripts/ftp-server, python3-pyftpdlib) on a free loopback
// port: the account "stanor" with a password of the server's own choosing, written into a
// netrc file, serving a folder as "www/voimages". It speaks FTP over TLS with a certificate
// for 127.0.0.1 from an authority of the test's own (authorityFile(), the file a client is
// told to trust), or plain FTP only when asked. Stopped by the destructor.

#include "TestCertificates.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace stanor::test {

class FtpServerProcess {
public:
    // `served`: the folder seen as www/voimages (a scratch folder of its own when empty).
    explicit FtpServerProcess(const std::string& script, std::filesystem::path served = {}, bool tls = true) {
        std::random_device rd;
        home_ = std::filesystem::temp_directory_path() / ("stanor-ftp-test-" + std::to_string(rd()));
        std::filesystem::create_directories(home_);
        served_ = served.empty() ? home_ / "served" : std::move(served);
        std::filesystem::create_directories(served_);
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> args{script, served_.string(), "--user", "stanor", "--netrc", netrcFile()};
        if (tls) {
            authority_ = std::make_unique<TestAuthority>((home_ / "tls").string());
            const CertificateFiles files = authority_->issue("ftp", {"127.0.0.1"});
            args.insert(args.end(), {"--tls-cert", files.cert, "--tls-key", files.key});
        }
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, script.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        // The server prints its port once it listens.
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~FtpServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }
    FtpServerProcess(const FtpServerProcess&) = delete;
    FtpServerProcess& operator=(const FtpServerProcess&) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string netrcFile() const { return (home_ / "netrc").string(); }
    // The authority that signed the server's certificate; empty for a plain FTP server.
    std::string authorityFile() const { return authority_ ? authority_->certFile() : std::string(); }
    std::string remote(const std::string& name) const { return (served_ / name).string(); }
    const std::filesystem::path& served() const { return served_; }
    // A netrc file naming the account with another password than the server's.
    std::string wrongNetrcFile() const {
        const std::string path = (home_ / "wrong.netrc").string();
        FILE* f = std::fopen(path.c_str(), "w");
        if (f) {
            std::fputs("machine 127.0.0.1 login stanor password not-the-one\n", f);
            std::fclose(f);
        }
        return path;
    }
    void empty() {
        for (const auto& e : std::filesystem::directory_iterator(served_)) std::filesystem::remove_all(e.path());
    }

private:
    std::filesystem::path home_, served_;
    std::unique_ptr<TestAuthority> authority_;
    pid_t pid_ = 0;
    int port_ = 0;
};

}  // namespace stanor::test
