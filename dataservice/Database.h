#pragma once
// The dealership database: SQLite in WAL mode, one connection per serving
// thread (taken from a pool), a busy time-out for writers, and a guard that lets
// the client's statements touch the application's tables only.

#include "SqlDialect.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace stanor::dataservice {

// Raised by the service's own queries when the database stayed locked beyond
// the busy time-out; answered with the WAIT_TIMEOUT mark the client retries on.
struct DatabaseBusy : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Rows of a query, every value already in its wire form (dates "dd/mm/yyyy",
// decimals with "." and two decimals, booleans "True"/"False", NULL as "").
struct ResultSet {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;

    // Value of a column of a row by name ("" when there is no such column).
    std::string value(size_t row, const std::string& column) const;
};

// How a statement of the client ended.
struct Outcome {
    enum class Status { Ok, Refused, Busy, Failed };
    Status status = Status::Ok;
    std::string message;        // French, for the LogItem
    ResultSet rows;             // SELECT
    long long changes = 0;      // INSERT, UPDATE, DELETE
    long long newId = 0;        // value given to :NewID, when used
    long long newIdBis = 0;     // value given to :NewIDbis, when used
    bool hasNewId = false;
    bool hasNewIdBis = false;

    bool ok() const { return status == Status::Ok; }
};

struct DatabaseOptions {
    int busyTimeoutMs = 2000;      // a writer waits this long for the lock, then WAIT_TIMEOUT
    int statementTimeMs = 4000;    // a statement running longer is interrupted
    size_t maxRows = 5000;         // upper bound of any answer, whatever MaxRows asks
    bool backgroundCheckpoints = false;  // set when a checkpoint thread runs (the service's)
};

class Session;

class Database {
public:
    Database(std::string path, DatabaseOptions options = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (and on first use sets up) a connection; throws std::runtime_error
    // when the file cannot be opened as a database.
    struct Lease;
    Lease acquire();

    // Rebuilds the text indexes once when the file was made under other text
    // rules (see SqliteTextRules.h); returns whether it did. Throws on failure.
    bool upgradeTextIndexes();

    const std::string& path() const { return path_; }
    const DatabaseOptions& options() const { return options_; }

    // The tables that the client may read, and those it may also write.
    static const std::set<std::string>& ReadableTables();
    static const std::set<std::string>& WritableTables();

    struct Lease {
        Database* owner = nullptr;
        std::unique_ptr<Session> session;
        Lease(Database* o, std::unique_ptr<Session> s);
        Lease(Lease&&) noexcept;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        Session* operator->() const { return session.get(); }
        Session& operator*() const { return *session; }
    };

private:
    friend struct Lease;
    void release(std::unique_ptr<Session> session);

    std::string path_;
    DatabaseOptions options_;
    std::mutex mutex_;
    std::timed_mutex writeQueue_;
    std::vector<std::unique_ptr<Session>> idle_;
};

// One connection. Internal queries (the service's own) are unguarded; the
// client's statements go through runClient*, which apply the guard.
class Session {
public:
    // `writeQueue` orders the writers of one Database; a session of its own when null.
    Session(const std::string& path, const DatabaseOptions& options, std::timed_mutex* writeQueue = nullptr);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The service's own queries, with text parameters bound to "?" in order.
    // Throw std::runtime_error on failure.
    ResultSet query(const std::string& sql, const std::vector<std::string>& binds = {});
    void exec(const std::string& sql);

    // A SELECT of the client, at most maxRows rows.
    Outcome runClientSelect(const TranslatedSql& statement, size_t maxRows);
    // An INSERT, UPDATE or DELETE of the client, with new keys for :NewID and
    // :NewIDbis, in one transaction. `beforeCommit`, when given, runs inside the
    // transaction after the statement, on this session and with the outcome so
    // far; returning a non-empty text rolls it back with that message.
    using BeforeCommit = std::function<std::string(Session&, const Outcome&)>;
    Outcome runClientWrite(const TranslatedSql& statement, const BeforeCommit& beforeCommit = {});

    sqlite3* handle() const { return db_; }

    struct Guard;  // what the authorizer and the progress handler look at

private:
    Outcome classify(int rc, const std::string& context);
    long long allocateKey(const std::string& table, const std::string& column);
    sqlite3_stmt* prepareClient(const TranslatedSql& statement, bool write, Outcome& outcome);
    void armDeadline();

    sqlite3* db_ = nullptr;
    DatabaseOptions options_;
    std::unique_ptr<Guard> guard_;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;        // the service's own statements
    std::unordered_map<std::string, sqlite3_stmt*> selectCache_;  // the client's searches
    std::timed_mutex ownQueue_;
    std::timed_mutex* writeQueue_;
};

// Reads every row of a prepared statement into wire form (at most maxRows).
void ReadRows(sqlite3_stmt* stmt, ResultSet& out, size_t maxRows);

// Double-quoted SQL identifier.
std::string QuoteIdentifier(const std::string& name);

}  // namespace stanor::dataservice
