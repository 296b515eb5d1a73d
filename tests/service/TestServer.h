#pragma once
// A real HTTP server on a free loopback port, run on its own thread, that
// answers from a script and records every request it receives; HTTPS when
// given a certificate and its key.

#include <httplib.h>

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace stanor::service::test {

struct SeenRequest {
    std::string method;
    std::string target;      // as sent: path and query, still escaped
    httplib::Headers headers;
    int remotePort = 0;      // tells one connection from another
    std::string body;
    std::vector<std::string> formFields;  // names of the multipart parts
};

class TestServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    explicit TestServer(const std::string& certFile = {}, const std::string& keyFile = {})
        : secure_(!certFile.empty())
    {
        if (secure_)
            server_ = std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str());
        else
            server_ = std::make_unique<httplib::Server>();
        auto route = [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); };
        server_->Get(".*", route);
        server_->Post(".*", route);
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
        while (!server_->is_running())
            std::this_thread::yield();
    }
    ~TestServer()
    {
        release();
        server_->stop();
        thread_.join();
    }

    int port() const { return port_; }
    QString base() const
    {
        return QStringLiteral("%1://127.0.0.1:%2/").arg(secure_ ? QStringLiteral("https") : QStringLiteral("http")).arg(port_);
    }

    // Answers given in turn; the last one is repeated.
    void answers(std::vector<std::string> bodies)
    {
        std::lock_guard lock(mutex_);
        answers_.assign(bodies.begin(), bodies.end());
    }
    // A handler of the test's own, in place of the scripted answers.
    void handle(Handler h)
    {
        std::lock_guard lock(mutex_);
        handler_ = std::move(h);
    }
    std::vector<SeenRequest> seen() const
    {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    // For handlers that hold their answer back until the test lets it go.
    void waitForRelease()
    {
        std::unique_lock lock(gateMutex_);
        gate_.wait(lock, [this] { return released_; });
    }
    void release()
    {
        {
            std::lock_guard lock(gateMutex_);
            released_ = true;
        }
        gate_.notify_all();
    }

private:
    void serve(const httplib::Request& req, httplib::Response& res)
    {
        Handler handler;
        std::string body;
        {
            std::lock_guard lock(mutex_);
            SeenRequest s{req.method, req.target, req.headers, req.remote_port, req.body, {}};
            for (const auto& f : req.files)
                s.formFields.push_back(f.first);
            seen_.push_back(std::move(s));
            handler = handler_;
            if (!answers_.empty()) {
                body = answers_.front();
                if (answers_.size() > 1)
                    answers_.pop_front();
            }
        }
        if (handler)
            handler(req, res);
        else
            res.set_content(body, "text/xml");
    }

    bool secure_ = false;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::deque<std::string> answers_;
    Handler handler_;
    std::vector<SeenRequest> seen_;
    std::mutex gateMutex_;
    std::condition_variable gate_;
    bool released_ = false;
};

}  // namespace stanor::service::test
