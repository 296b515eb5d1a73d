#pragma once
// A real HTTP server on a free loopback port, run on its own thread, that
// answers from a script and records every request it receives; HTTPS when
// given a certificate and its key. Asked to (requireSession), it also asks for
// a session as the data service does: "AxLogin" with the right password
// answers a token, any other request without it is answered 401.

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
    // From now on, requests need the session that "AxLogin" gives for `password`.
    void requireSession(const std::string& password)
    {
        std::lock_guard lock(mutex_);
        password_ = password;
    }
    // Ends the session given so far: the next request is answered 401.
    void endSession()
    {
        std::lock_guard lock(mutex_);
        ++sessions_;
    }
    std::string token() const
    {
        std::lock_guard lock(mutex_);
        return currentToken();
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
            if (!password_.empty() && req.path.size() >= 8 && req.path.substr(req.path.size() - 8) == "/AxLogin") {
                res.set_content(req.get_param_value("Password") == password_
                                    ? "<Answer><Token>" + currentToken() + "</Token><Expires>x</Expires></Answer>"
                                    : "<Answer><LogItems><LogItem>Identifiant ou mot de passe incorrect</LogItem>"
                                      "</LogItems></Answer>",
                                "text/xml");
                return;
            }
            if (!password_.empty() && req.get_header_value("Authorization") != "Bearer " + currentToken()) {
                res.status = 401;
                res.set_content("<Answer><LogItems><LogItem>Session absente ou expirée : veuillez vous identifier"
                                "</LogItem></LogItems></Answer>",
                                "text/xml");
                return;
            }
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

    std::string currentToken() const { return "jeton-de-session-de-test-" + std::to_string(sessions_); }

    bool secure_ = false;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::string password_;
    int sessions_ = 1;
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
