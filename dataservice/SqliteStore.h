#pragma once
// The SQLite store: one database file in WAL mode, one connection per serving
// thread (taken from the pool), a busy time-out for writers, and an authorizer
// that lets the client's statements touch the application's tables only.

#include "SqliteTextRules.h"
#include "Store.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace stanor::dataservice {

// The writers of one store, served in the order they came, so that a write
// waits for the writes before it and no other; a writer that waited its whole
// time leaves its place.
class WriteTurns {
public:
    // Whether the turn came within `wait`; the turn must then be given back.
    bool take(std::chrono::milliseconds wait);
    void giveBack();

private:
    std::mutex mutex_;
    std::condition_variable moved_;
    uint64_t next_ = 0, serving_ = 0;
    std::set<uint64_t> leftQueue_;
};

class SqliteStore : public Store {
public:
    SqliteStore(std::string path, DatabaseOptions options = {});

    // Rebuilds the text indexes once when the file was made under other text
    // rules (see SqliteTextRules.h); returns whether it did. Throws on failure.
    bool upgradeTextIndexes();
    // Gives a file made before them the reminders' bookkeeping (the mark of
    // the reminders followed up, its triggers and indexes), the marks set
    // from the actions stored; returns whether it did. Throws on failure.
    bool ensureReminderBookkeeping();

    const std::string& path() const { return path_; }

    bool wantsCheckpoints() const override { return true; }
    void checkpoint() override;

protected:
    std::unique_ptr<Session> open() override;

private:
    std::string path_;
    WriteTurns writeTurns_;
};

class SqliteSession : public Session {
public:
    // `writeTurns` orders the writers of one store; turns of its own when null.
    SqliteSession(const std::string& path, const DatabaseOptions& options, WriteTurns* writeTurns = nullptr);
    ~SqliteSession() override;
    SqliteSession(const SqliteSession&) = delete;
    SqliteSession& operator=(const SqliteSession&) = delete;

    ResultSet query(const std::string& sql, const std::vector<std::string>& binds = {}) override;
    void exec(const std::string& sql) override;
    Outcome runClientSelect(const TranslatedSql& statement, size_t maxRows) override;
    Outcome runClientWrite(const TranslatedSql& statement, const BeforeCommit& beforeCommit = {},
                           const BeforeStatement& beforeStatement = {}) override;
    Outcome readForWrite(const TranslatedSql& select) override;
    void addHistory(const std::vector<HistoryEntry>& entries) override;
    ResultSet history(const std::string& table, const std::string& key) override;
    void actFor(const std::string& userId) override;

    ResultSet user(const std::string& idUser) override;
    ResultSet userGroups(const std::string& idUser) override;
    ResultSet optionDates(const std::string& concession) override;
    ResultSet tabDescriptions(const std::string& concession) override;
    void logTextMessage(const std::string& to, const std::string& text) override;
    ResultSet insertKey(const std::string& key) override;
    bool rememberInsertKey(const std::string& key, const Outcome& done, const std::string& now) override;
    ResultSet credentials(const std::string& idUser) override;
    bool openSession(const std::string& digest, const std::string& idUser, const std::string& now,
                     const std::string& address, const std::string& createdAfter,
                     const std::string& usedAfter) override;
    ResultSet session(const std::string& digest, const std::string& createdAfter,
                      const std::string& usedAfter) override;
    void touchSession(const std::string& digest, const std::string& now) override;

    sqlite3* handle() const { return db_; }

    struct Guard;  // what the authorizer and the progress handler look at

private:
    Outcome classify(int rc, const std::string& context, bool write = false);
    long long allocateKey(const std::string& table, const std::string& column);
    sqlite3_stmt* prepareClient(const TranslatedSql& statement, bool write, Outcome& outcome);
    void armDeadline(int ms);
    void ensureInsertKeys();
    void ensureSignInTables();
    void ensureHistory();

    sqlite3* db_ = nullptr;
    DatabaseOptions options_;
    std::unique_ptr<Guard> guard_;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;        // the service's own statements
    std::unordered_map<std::string, sqlite3_stmt*> selectCache_;  // the client's searches
    WriteTurns ownTurns_;
    WriteTurns* writeTurns_;
    bool insertKeysChecked_ = false;
    bool signInTablesChecked_ = false;
    bool historyChecked_ = false;
};

// Reads every row of a prepared statement into wire form (at most maxRows);
// throws AnswerTooLarge beyond `maxBytes` of values and column names.
void ReadRows(sqlite3_stmt* stmt, ResultSet& out, size_t maxRows, size_t maxBytes = SIZE_MAX);

}  // namespace stanor::dataservice
