#pragma once
// The HTTP side of the data service: routes, limits, logging, and the rule that
// every failure reaches the client as "LogItem" text rather than a bare HTTP error.

#include "Store.h"
#include "Endpoints.h"
#include "HttpServer.h"
#include "Sessions.h"
#include "Limits.h"
#include "TlsIdentity.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <functional>
#include <memory>
#include <string>

namespace stanor::dataservice {

struct ServiceOptions {
    std::string dbPath;                  // the SQLite store's file
    std::string pgConninfo;              // or a PostgreSQL store, when not empty (see PgStore.h)
    std::string imagesDir;
    std::string demoDir;                 // demo data used when dbPath does not exist yet
    std::string bindAddress = "127.0.0.1";
    int port = 8080;                     // 0 = any free port
    bool logRequests = true;
    std::function<void(const std::string&)> log;  // one line per request; stderr when unset
    Clock clock;                         // the service's "now"; the system clock when unset
    DatabaseOptions database;            // its limits are set from `limits`
    HttpLimits http;                     // time-outs, threads and backlog; its limits are set from `limits`
    ServiceLimits limits;                // what one request may take (Limits.h)
    SessionRules sessions;               // how long a sign-in lasts
    // HTTPS: the service's certificate chain and its private key (PEM files).
    std::string tlsCert, tlsKey;
    // The address of the group's TLS proxy in front of the service: when set,
    // connections from it alone are taken (see ListenPolicy.h).
    std::string tlsProxy;
};

class DataService {
public:
    explicit DataService(ServiceOptions options);
    ~DataService();

    // Creates the database from the demo data when needed, draws missing demo
    // photos and binds the socket. Returns the port bound. Throws on failure.
    int start();
    // Serves until stop() is called (from any thread or a signal watcher); a
    // stop() that comes before run() makes run() return at once.
    void run();
    void stop();

    int port() const { return port_; }
    // "https" when the service speaks TLS, "http" otherwise.
    const char* scheme() const { return tls_ ? "https" : "http"; }
    Store& database() { return *db_; }

private:
    void routes();
    // The answer to "AxLogin": a session token, or why none is given.
    std::string signIn(const httplib::Request& req);
    void writeLog(const std::string& line);
    void logLine(const std::string& line);
    void limitLine(const std::string& why);

    ServiceOptions options_;
    std::unique_ptr<Store> db_;
    std::unique_ptr<Endpoints> endpoints_;
    std::unique_ptr<Sessions> sessions_;
    TlsContext tls_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
    void checkpoints();

    std::atomic<bool> stopRequested_{false};
    std::thread checkpointer_;
    std::mutex checkpointMutex_;
    std::condition_variable checkpointWake_;
    std::atomic<bool> running_{false};
};

}  // namespace stanor::dataservice
