#pragma once
// The dealership database as the service sees it, whatever engine keeps it:
// a pool of connections (sessions) that run the service's own queries and the
// client's statements. Two stores implement it: SqliteStore (one file, the
// default) and PgStore (a PostgreSQL database shared by several services).
//
// The service's own queries are written once, in the common part of both
// engines' SQL: "?" for parameters, names as the schema spells them (a name
// with spaces in double quotes), "rowid" for the order in which the rows of a
// reference list were written. The data that the client may not reach (users,
// their groups, date options, tab descriptions, the text-message log) is read
// and written through the session's own methods, never by the client's SQL.

#include "SqlDialect.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace stanor::dataservice {

struct HistoryEntry;  // History.h

// Raised when the database stayed busy beyond the wait allowed; answered with
// the WAIT_TIMEOUT mark the client retries on.
struct DatabaseBusy : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Raised when the rows of an answer would pass its size limit.
struct AnswerTooLarge : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The bytes that a row adds to an answer: its values and, around each, its column's name twice.
size_t RowBytes(const std::vector<std::string>& columns, const std::vector<std::string>& row);

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
    bool limit = false;         // stopped by one of the service's limits (time, answer size)

    bool ok() const { return status == Status::Ok; }
};

struct DatabaseOptions {
    int busyTimeoutMs = 2000;      // waiting for a connection of the pool, or for a lock held by another program
    // The limits of the client's statements (their figures come from ServiceLimits):
    int statementTimeMs = 2000;    // a statement running longer is interrupted
    int writeLockMs = 1000;        // a write holding the write lock (its rows) longer is interrupted
    int writeWaitMs = 3000;        // a writer waits its turn this long, then WAIT_TIMEOUT
    size_t maxRows = 1000;         // upper bound of any answer, whatever MaxRows asks
    size_t answerBytes = 16u << 20;  // the rows of an answer, in bytes of their values and names
    size_t maxSessions = 0;        // connections open at once (0: as many as requests)
    bool backgroundCheckpoints = false;  // set when a checkpoint thread runs (the service's)
};

// The French messages shared by both stores.
namespace messages {
inline const char* kBusy = "WAIT_TIMEOUT : la base de données est occupée, la requête peut être répétée";
inline const char* kInterrupted = "Instruction interrompue : elle dépassait le temps d'exécution admis";
// "Instruction interrompue : elle a tenu le verrou d'écriture plus de 1000 ms, ..."
std::string WriteLockHeld(int ms);
// "Réponse trop volumineuse : ..."
std::string AnswerTooLarge(size_t bytes);
inline const char* kOneStatement = "Une seule instruction SQL est admise par requête";
inline const char* kSelectOnly = "Instruction refusée : cette requête n'admet que SELECT";
inline const char* kReadOnly = "Instruction refusée : cette requête n'admet que la lecture";
inline const char* kWritesOnly = "Instruction refusée : cette requête n'admet que INSERT, UPDATE et DELETE";
// "Instruction refusée : <what> n'est pas accessible aux requêtes du client"
std::string NotReachable(const std::string& what);
}  // namespace messages

// The rules both stores apply before running a statement of the client: the
// kinds each address admits, the forms of a write (WriteRules.h), and new
// keys only in the tables the client may write. The refusal, when there is one.
std::optional<Outcome> RefuseClientSelect(const TranslatedSql& statement);
std::optional<Outcome> RefuseClientWrite(const TranslatedSql& statement);

// Runs a step of a client's write inside its transaction (the history, an
// insert's key, a photo's files): the reason it gives to roll the write back,
// or the failure it raised; "" when it went well.
std::string RunWriteStep(const std::function<std::string()>& step);

// One connection. The service's own queries are trusted; the client's
// statements go through runClient*, which keep them to the application's tables.
class Session {
public:
    virtual ~Session() = default;

    // The service's own queries, with text parameters bound to "?" in order.
    // Throw DatabaseBusy when the database stayed busy, std::runtime_error on failure.
    virtual ResultSet query(const std::string& sql, const std::vector<std::string>& binds = {}) = 0;
    virtual void exec(const std::string& sql) = 0;

    // A SELECT of the client, at most maxRows rows, that can change nothing.
    virtual Outcome runClientSelect(const TranslatedSql& statement, size_t maxRows) = 0;
    // An INSERT, UPDATE or DELETE of the client, with new keys for :NewID and
    // :NewIDbis. `beforeCommit`, when given, runs inside the statement's
    // transaction, on this session and with the outcome so far; returning a
    // non-empty text rolls it back with that message.
    using BeforeCommit = std::function<std::string(Session&, const Outcome&)>;
    // `beforeStatement`, when given, runs inside the transaction before the
    // statement (to check the user's rights on the rows it names, to read the
    // rows it is about to change); a non-empty text rolls it back with that
    // message, and nothing of the statement is applied.
    using BeforeStatement = std::function<std::string(Session&)>;
    virtual Outcome runClientWrite(const TranslatedSql& statement, const BeforeCommit& beforeCommit = {},
                                   const BeforeStatement& beforeStatement = {}) = 0;
    // A SELECT that the service built from a client's write (History.h), run
    // inside that write's transaction under the rules of the client's reads;
    // the rows it reads are locked until the transaction ends.
    virtual Outcome readForWrite(const TranslatedSql& select) = 0;
    // What a SELECT of the service's own ends with to lock its rows until the
    // transaction ends, on engines that lock rows (SQLite's writer holds the database).
    virtual std::string rowLock() const { return {}; }

    // The history of changes (History.h), which no statement of the client reaches.
    virtual void addHistory(const std::vector<HistoryEntry>& entries) = 0;
    // When (UTC "yyyy-mm-dd hh:mm:ss"), UserID, UserName, TableName, KeyValue,
    // Column, OldValue, NewValue of the changes of a record and of its rows
    // (RecordTable/RecordKey), or of one row (TableName/KeyValue), newest first.
    virtual ResultSet history(const std::string& table, const std::string& key) = 0;

    // The service's own SELECT of rows that the statement of the current
    // transaction is about to change; on engines that lock rows, they stay
    // locked until the transaction ends.
    virtual ResultSet queryRowsToWrite(const std::string& sql, const std::vector<std::string>& binds) {
        return query(sql, binds);
    }

    // The user whose dealership the client's statements see and change: the
    // records of other dealerships are out of their reach (see
    // DealershipScope.h). Until it is called, and for a user who is not
    // known, the client's statements reach no record at all.
    virtual void actFor(const std::string& userId) = 0;

    // Data reserved to the service.
    // UserConcession, UserSite, Name_, US1 of a user (no row when unknown).
    virtual ResultSet user(const std::string& idUser) = 0;
    // GName of each group of a user, in the order they were given.
    virtual ResultSet userGroups(const std::string& idUser) = 0;
    // Opt_LimiteDateDeb, Opt_LimiteDateDebFrevo, Opt_LimiteDateDebProFid and the VAT
    // rate Opt_TauxTVA (percent) of a dealership.
    virtual ResultSet optionDates(const std::string& concession) = 0;
    // The seventeen elements of the tab descriptions of a dealership and of
    // every dealership ("*"), in answer order.
    virtual ResultSet tabDescriptions(const std::string& concession) = 0;
    // Records a text message received by the gateway's stand-in.
    virtual void logTextMessage(const std::string& to, const std::string& text) = 0;
    // The insert sent with a client's key (see InsertKeys.h): NewID, NewIDbis
    // and RowsAffected of the insert that committed with `key` (no row when none).
    virtual ResultSet insertKey(const std::string& key) = 0;
    // Records the key with its insert's outcome, inside that insert's
    // transaction, and forgets keys stored 31 days before `now` (UTC,
    // "yyyy-mm-dd hh:mm:ss"); false when an insert that committed first holds
    // the key. Throws on failure.
    virtual bool rememberInsertKey(const std::string& key, const Outcome& done, const std::string& now) = 0;

    // Sign-in data (on PostgreSQL through the role's functions). Times are
    // UTC "yyyy-mm-dd hh:mm:ss".
    // PwHash and Disabled of a user; no row when the user is unknown.
    virtual ResultSet credentials(const std::string& idUser) = 0;
    // Opens the session of `digest` for a user whose access has not ended,
    // and forgets the sessions that ended (created before `createdAfter` or
    // unused since `usedAfter`). False when the user may not sign in.
    virtual bool openSession(const std::string& digest, const std::string& idUser, const std::string& now,
                             const std::string& address, const std::string& createdAfter,
                             const std::string& usedAfter) = 0;
    // idUser, Created and LastUsed of the session of `digest`, when it is
    // still open and its user's access has not ended (no row otherwise).
    virtual ResultSet session(const std::string& digest, const std::string& createdAfter,
                              const std::string& usedAfter) = 0;
    // Records a use of the session.
    virtual void touchSession(const std::string& digest, const std::string& now) = 0;

    // Whether the connection can serve another request (a broken one cannot).
    virtual bool reusable() { return true; }
};

class Store {
public:
    explicit Store(DatabaseOptions options);
    virtual ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    struct Lease {
        Store* owner = nullptr;
        std::unique_ptr<Session> session;
        Lease(Store* o, std::unique_ptr<Session> s);
        Lease(Lease&&) noexcept;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        Session* operator->() const { return session.get(); }
        Session& operator*() const { return *session; }
    };

    // A session of the pool, opened when none is free. With a limit on the
    // sessions, waits up to the busy time-out for one to come back, then
    // throws DatabaseBusy; throws std::runtime_error when none can be opened.
    Lease acquire();

    const DatabaseOptions& options() const { return options_; }

    // Moves committed changes from the engine's log into the database, for
    // engines that leave that to their user (SQLite's write-ahead log).
    virtual bool wantsCheckpoints() const { return false; }
    virtual void checkpoint() {}

    // The tables that the client may read, and those it may also write (lower case).
    static const std::set<std::string>& ReadableTables();
    static const std::set<std::string>& WritableTables();

protected:
    virtual std::unique_ptr<Session> open() = 0;

private:
    void release(std::unique_ptr<Session> session);

    DatabaseOptions options_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<Session>> idle_;
    size_t open_ = 0;  // sessions in use or idle
};

// Double-quoted SQL identifier.
std::string QuoteIdentifier(const std::string& name);

// ASCII lower case.
std::string LowerAscii(std::string s);

// A number in its wire form: two decimals for a decimal column, else the
// shortest form that gives the value back ("%.15g").
std::string FormatNumber(double v, bool twoDecimals);

}  // namespace stanor::dataservice
