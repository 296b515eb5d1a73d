#pragma once
// The PostgreSQL store, for dealership groups whose sites share one database
// served by several service instances. The service connects as a role that
// holds rights on the application's tables only (see PgSchema.h): the users,
// the tab descriptions and the text-message log are reached through the
// schema's functions that return one user's or one dealership's rows, and the
// keys come from sequences, which hand every value once whatever the number
// of instances. The client's statements are written out by PgDialect.

#include "PgDialect.h"
#include "Store.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

namespace stanor::dataservice {

// libpq's connection string of a PostgreSQL store's first argument, e.g.
// "host=/run/postgresql dbname=stanor user=stanor_service".
class PgStore : public Store {
public:
    // Connects once and reads the names of the schema; throws
    // std::runtime_error with a French reason when it cannot.
    explicit PgStore(std::string conninfo, DatabaseOptions options = {});

    const PgNames& names() const { return *names_; }
    const std::string& conninfo() const { return conninfo_; }

    // The rights that the connected role holds beyond those the client's
    // statements need, one French line each ("lecture de la table tUsers",
    // "exécution de la fonction pg_sleep": see SecurePgDatabase).
    std::vector<std::string> excessRights();
    // The tables of dealerships' records that lack their wall (a database
    // made before it, see DealershipScope.h), one name each.
    std::vector<std::string> tablesWithoutWall();

protected:
    std::unique_ptr<Session> open() override;

private:
    std::string conninfo_;
    std::shared_ptr<const PgNames> names_;
};

class PgSession : public Session {
public:
    PgSession(const std::string& conninfo, const DatabaseOptions& options, std::shared_ptr<const PgNames> names);
    ~PgSession() override;
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    ResultSet query(const std::string& sql, const std::vector<std::string>& binds = {}) override;
    void exec(const std::string& sql) override;
    Outcome runClientSelect(const TranslatedSql& statement, size_t maxRows) override;
    Outcome runClientWrite(const TranslatedSql& statement, const BeforeCommit& beforeCommit = {},
                           const BeforeStatement& beforeStatement = {}) override;
    Outcome readForWrite(const TranslatedSql& select) override;
    std::string rowLock() const override { return " FOR UPDATE"; }
    void addHistory(const std::vector<HistoryEntry>& entries) override;
    ResultSet history(const std::string& table, const std::string& key) override;
    ResultSet queryRowsToWrite(const std::string& sql, const std::vector<std::string>& binds) override;
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

    bool reusable() override;

    pg_conn* handle() const { return conn_; }

private:
    // Runs the service's own SQL, prepared once per connection. With
    // `typedEverywhere`, dates and decimals are answered in their wire form
    // even when they do not come straight from a table column.
    ResultSet run(const std::string& sql, const std::vector<std::string>& binds, bool typedEverywhere);
    Outcome failure(pg_result* result, StatementKind kind);
    void rollback();
    // The start of a client statement's transaction: BEGIN, its time limits,
    // and the user it acts for.
    std::string actingBegin(int statementMs, int lockMs) const;
    // The statements of one transaction of the client, sent at once (see PgStore.cpp).
    Outcome exchange(const std::string& text, StatementKind kind, int limitMs, size_t maxRows, size_t maxBytes);
    // Asks the server to stop the statement running on this connection.
    void cancel();

    pg_conn* conn_ = nullptr;
    DatabaseOptions options_;
    std::shared_ptr<const PgNames> names_;
    std::unordered_map<std::string, std::string> prepared_;  // the service's SQL -> statement name
    std::string acting_;  // idUser the client's statements act for; "" for nobody
    bool broken_ = false;  // a server that stopped answering: not given to another request
};

// Reads every row of a query's result into wire form (at most maxRows).
void ReadRows(pg_result* result, ResultSet& out, size_t maxRows, bool typedEverywhere = false);

// Opens a connection (connect time-out 5 s unless the string says otherwise);
// throws std::runtime_error with libpq's reason.
pg_conn* ConnectPg(const std::string& conninfo);

// The names of the tables, columns and sequences of the connection's schema.
std::shared_ptr<PgNames> ReadPgNames(pg_conn* conn);

}  // namespace stanor::dataservice
