#include "PgStore.h"

#include "DealershipScope.h"
#include "History.h"

#include "TextCodec.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace stanor::dataservice {

namespace {

// Type identifiers of PostgreSQL's built-in types.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kDate = 1082,
              kTimestamp = 1114, kNumeric = 1700;

struct ResultHolder {
    PGresult* r;
    ~ResultHolder() { PQclear(r); }
};

std::string State(const PGresult* r) {
    const char* s = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return s ? s : "";
}

std::string Message(const PGresult* r, PGconn* conn) {
    const char* m = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (m) return m;
    std::string text = conn ? PQerrorMessage(conn) : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// Lock waits beyond lock_timeout, deadlocks, serialization failures, too many
// connections, a server starting or stopping: the request may be repeated.
bool IsBusy(const std::string& state) {
    return state == "55P03" || state == "40P01" || state == "40001" || state == "53300" || state == "57P03";
}

bool Succeeded(const PGresult* r) {
    const auto s = PQresultStatus(r);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

// "permission denied for table tUsers" -> "tUsers", with its kind.
std::string DeniedObject(const std::string& message, StatementKind kind) {
    const std::string prefix = "permission denied for ";
    if (message.rfind(prefix, 0) != 0) return "cet objet";
    const std::string rest = message.substr(prefix.size());
    const size_t blank = rest.find(' ');
    const std::string what = rest.substr(0, blank), name = blank == std::string::npos ? "" : rest.substr(blank + 1);
    if (what == "table" || what == "view")
        return (kind == StatementKind::Select ? "la table " : "l'écriture dans la table ") + name;
    if (what == "sequence") return "la séquence " + name;
    if (what == "function") return "la fonction " + name;
    if (what == "schema") return "le schéma " + name;
    return what + " " + name;
}

// A statement that could not be written out for PostgreSQL.
Outcome NotWritten(const PgStatement& pg) {
    Outcome o;
    o.status = pg.refused ? Outcome::Status::Refused : Outcome::Status::Failed;
    o.message = pg.error;
    return o;
}

}  // namespace

PGconn* ConnectPg(const std::string& conninfo) {
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* values[] = {"5", "stanor-dataservice", conninfo.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        std::string why = conn ? Message(nullptr, conn) : "mémoire insuffisante";
        PQfinish(conn);
        throw std::runtime_error("connexion à la base PostgreSQL impossible : " + why);
    }
    // The server's notices (a table analysed, a name truncated) are not the client's business.
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    return conn;
}

std::shared_ptr<PgNames> ReadPgNames(PGconn* conn) {
    ResultHolder r{PQexec(conn,
                          "SELECT c.relname, c.relkind, a.attname FROM pg_class c"
                          " JOIN pg_namespace n ON n.oid = c.relnamespace"
                          " LEFT JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped"
                          "  AND c.relkind IN ('r', 'p', 'v')"
                          " WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'v', 'S')"
                          " ORDER BY c.relname, a.attnum")};
    if (PQresultStatus(r.r) != PGRES_TUPLES_OK)
        throw std::runtime_error("lecture du schéma PostgreSQL impossible : " + Message(r.r, conn));
    auto names = std::make_shared<PgNames>();
    for (int i = 0; i < PQntuples(r.r); ++i) {
        const std::string table = PQgetvalue(r.r, i, 0), kind = PQgetvalue(r.r, i, 1);
        if (kind == "S") {
            names->addSequence(table);
            continue;
        }
        names->addTable(table);
        if (!PQgetisnull(r.r, i, 2)) names->addColumn(table, PQgetvalue(r.r, i, 2));
    }
    return names;
}

void ReadRows(PGresult* result, ResultSet& out, size_t maxRows, bool typedEverywhere) {
    const int n = PQnfields(result);
    out.columns.clear();
    std::vector<Oid> types(n);
    std::vector<bool> direct(n);
    for (int i = 0; i < n; ++i) {
        out.columns.emplace_back(PQfname(result, i));
        types[i] = PQftype(result, i);
        // As SQLite answers a column's declared type only for the columns of a
        // table, so are dates, decimals and booleans of expressions left as they come.
        direct[i] = typedEverywhere || PQftable(result, i) != InvalidOid;
    }
    const size_t rows = std::min(static_cast<size_t>(PQntuples(result)), maxRows);
    for (size_t r = 0; r < rows; ++r) {
        std::vector<std::string> row(n);
        for (int i = 0; i < n; ++i) {
            const int ri = static_cast<int>(r);
            if (PQgetisnull(result, ri, i)) continue;
            std::string v(PQgetvalue(result, ri, i), static_cast<size_t>(PQgetlength(result, ri, i)));
            switch (types[i]) {
                case kBool:
                    row[i] = v == "t" ? (direct[i] ? "True" : "1") : (direct[i] ? "False" : "0");
                    break;
                case kDate:
                case kTimestamp:
                    row[i] = direct[i] ? IsoToFrenchDate(v) : v;
                    break;
                case kNumeric:
                case kFloat4:
                case kFloat8:
                    row[i] = FormatNumber(std::strtod(v.c_str(), nullptr), direct[i] && types[i] == kNumeric);
                    break;
                case kInt2:
                case kInt4:
                case kInt8:
                default:
                    row[i] = std::move(v);
            }
        }
        out.rows.push_back(std::move(row));
    }
}

// ---- store ----------------------------------------------------------------

PgStore::PgStore(std::string conninfo, DatabaseOptions options)
    : Store(options), conninfo_(std::move(conninfo)) {
    PGconn* conn = ConnectPg(conninfo_);
    try {
        names_ = ReadPgNames(conn);
    } catch (...) {
        PQfinish(conn);
        throw;
    }
    PQfinish(conn);
}

std::unique_ptr<Session> PgStore::open() { return std::make_unique<PgSession>(conninfo_, options(), names_); }

std::vector<std::string> PgStore::excessRights() {
    auto lease = acquire();
    PGconn* conn = static_cast<PgSession&>(*lease).handle();
    ResultHolder r{PQexec(conn,
                          "SELECT c.relname, p.priv FROM pg_class c"
                          " JOIN pg_namespace n ON n.oid = c.relnamespace"
                          " CROSS JOIN (VALUES ('SELECT'), ('INSERT'), ('UPDATE'), ('DELETE'), ('TRUNCATE'),"
                          "  ('REFERENCES'), ('TRIGGER')) p(priv)"
                          " WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'v', 'm', 'f')"
                          "  AND has_table_privilege(c.oid, p.priv)"
                          " UNION ALL SELECT c.relname, 'UPDATE' FROM pg_class c"
                          " JOIN pg_namespace n ON n.oid = c.relnamespace"
                          " WHERE n.nspname = current_schema()"
                          "  AND CASE WHEN c.relkind = 'S' THEN has_sequence_privilege(c.oid, 'UPDATE') END"
                          " UNION ALL SELECT rolname, 'SUPERUSER' FROM pg_roles WHERE rolname = current_user"
                          "  AND (rolsuper OR rolbypassrls OR rolcreaterole)"
                          // The server's functions and catalogue withdrawn by SecurePgDatabase.
                          " UNION ALL SELECT f, 'EXECUTE' FROM unnest(ARRAY['pg_sleep(double precision)',"
                          "  'set_config(text,text,boolean)', 'pg_terminate_backend(integer,bigint)',"
                          "  'pg_cancel_backend(integer)', 'pg_advisory_lock(bigint)', 'lo_from_bytea(oid,bytea)',"
                          "  'query_to_xml(text,boolean,boolean,text)', 'pg_stat_get_activity(integer)']) f"
                          "  WHERE has_function_privilege(to_regprocedure(f), 'EXECUTE')"
                          " UNION ALL SELECT v, 'CATALOGUE' FROM unnest(ARRAY['pg_settings', 'pg_stat_activity',"
                          "  'pg_proc', 'pg_database']) v WHERE has_table_privilege('pg_catalog.' || v, 'SELECT')"
                          " ORDER BY 1, 2")};
    if (PQresultStatus(r.r) != PGRES_TUPLES_OK)
        throw std::runtime_error("lecture des droits du rôle impossible : " + Message(r.r, conn));
    // What the role may read comes first, the passwords and sessions before all: it says the most.
    std::vector<std::string> excess, reads, signIn;
    for (int i = 0; i < PQntuples(r.r); ++i) {
        const std::string name = PQgetvalue(r.r, i, 0), priv = PQgetvalue(r.r, i, 1);
        const std::string lower = LowerAscii(name);
        if (priv == "SUPERUSER") reads.push_back("le rôle " + name + " est superutilisateur ou administre des rôles");
        else if (priv == "EXECUTE") excess.push_back("exécution de la fonction " + name.substr(0, name.find('(')));
        else if (priv == "CATALOGUE") excess.push_back("lecture du catalogue " + name);
        else if (priv == "SELECT" && ReadableTables().count(lower)) continue;
        else if ((priv == "INSERT" || priv == "UPDATE" || priv == "DELETE") && WritableTables().count(lower))
            continue;
        else if (priv == "SELECT" && (lower == "sysuserpasswords" || lower == "syssessions"))
            signIn.push_back("lecture de la table " + name);
        else if (priv == "SELECT") reads.push_back("lecture de la table " + name);
        else excess.push_back(priv + " sur " + name);
    }
    signIn.insert(signIn.end(), reads.begin(), reads.end());
    signIn.insert(signIn.end(), excess.begin(), excess.end());
    return signIn;
}

std::vector<std::string> PgStore::tablesWithoutWall() {
    auto lease = acquire();
    PGconn* conn = static_cast<PgSession&>(*lease).handle();
    ResultHolder r{PQexec(conn,
                          "SELECT c.relname, c.relrowsecurity FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
                          " WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p')")};
    if (PQresultStatus(r.r) != PGRES_TUPLES_OK)
        throw std::runtime_error("lecture des tables impossible : " + Message(r.r, conn));
    std::vector<std::string> missing;
    for (int i = 0; i < PQntuples(r.r); ++i)
        if (IsScopedTable(PQgetvalue(r.r, i, 0)) && std::string(PQgetvalue(r.r, i, 1)) != "t")
            missing.push_back(PQgetvalue(r.r, i, 0));
    return missing;
}

// ---- session --------------------------------------------------------------

PgSession::PgSession(const std::string& conninfo, const DatabaseOptions& options,
                     std::shared_ptr<const PgNames> names)
    : conn_(ConnectPg(conninfo)), options_(options), names_(std::move(names)) {
    const std::string setup =
        "SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD'; SET standard_conforming_strings = on;"
        " SET statement_timeout = " + std::to_string(options_.statementTimeMs) +
        "; SET lock_timeout = " + std::to_string(options_.busyTimeoutMs) +
        "; SET idle_in_transaction_session_timeout = 60000";
    ResultHolder r{PQexec(conn_, setup.c_str())};
    if (!Succeeded(r.r)) {
        const std::string why = Message(r.r, conn_);
        PQfinish(conn_);
        throw std::runtime_error("réglage de la connexion PostgreSQL impossible : " + why);
    }
}

PgSession::~PgSession() { PQfinish(conn_); }

bool PgSession::reusable() {
    if (broken_) return false;
    if (PQstatus(conn_) != CONNECTION_OK || PQtransactionStatus(conn_) != PQTRANS_IDLE) return false;
    pollfd p{PQsocket(conn_), POLLIN, 0};
    // An idle connection receives nothing but the server's farewell (a restart,
    // a connection ended by an administrator): one with anything to read is let go.
    return ::poll(&p, 1, 0) == 0;
}

void PgSession::rollback() {
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE && PQstatus(conn_) == CONNECTION_OK)
        PQclear(PQexec(conn_, "ROLLBACK"));
}

ResultSet PgSession::run(const std::string& sql, const std::vector<std::string>& binds, bool typedEverywhere) {
    auto found = prepared_.find(sql);
    if (found == prepared_.end()) {
        const PgStatement statement = RenderServiceSql(sql, *names_);
        if (!statement.ok()) throw std::runtime_error(statement.error);
        if (prepared_.size() >= 200) {
            PQclear(PQexec(conn_, "DEALLOCATE ALL"));
            prepared_.clear();
        }
        const std::string name = "s" + std::to_string(prepared_.size() + 1);
        ResultHolder p{PQprepare(conn_, name.c_str(), statement.sql.c_str(), 0, nullptr)};
        if (!Succeeded(p.r)) {
            const std::string why = Message(p.r, conn_);
            if (IsBusy(State(p.r)) || PQstatus(conn_) != CONNECTION_OK) throw DatabaseBusy(why);
            throw std::runtime_error(why);
        }
        found = prepared_.emplace(sql, name).first;
    }
    std::vector<const char*> values;
    for (const std::string& b : binds) values.push_back(b.c_str());
    ResultHolder r{PQexecPrepared(conn_, found->second.c_str(), static_cast<int>(values.size()), values.data(),
                                  nullptr, nullptr, 0)};
    if (!Succeeded(r.r)) {
        const std::string why = Message(r.r, conn_);
        if (IsBusy(State(r.r)) || PQstatus(conn_) != CONNECTION_OK) throw DatabaseBusy(why);
        throw std::runtime_error(why);
    }
    ResultSet out;
    ReadRows(r.r, out, static_cast<size_t>(-1), typedEverywhere);
    return out;
}

ResultSet PgSession::query(const std::string& sql, const std::vector<std::string>& binds) {
    return run(sql, binds, false);
}

void PgSession::exec(const std::string& sql) {
    // The words of a transaction go as they are; the rest is written out for PostgreSQL.
    PgStatement statement;
    if (sql == "BEGIN" || sql == "COMMIT" || sql == "ROLLBACK") statement.sql = sql;
    else statement = RenderServiceSql(sql, *names_);
    if (!statement.ok()) throw std::runtime_error(statement.error);
    ResultHolder r{PQexec(conn_, statement.sql.c_str())};
    if (!Succeeded(r.r)) {
        const std::string why = Message(r.r, conn_);
        if (IsBusy(State(r.r))) throw DatabaseBusy(why);
        throw std::runtime_error(why);
    }
}

Outcome PgSession::failure(PGresult* result, StatementKind kind) {
    Outcome o;
    const std::string state = State(result), message = Message(result, conn_);
    if (IsBusy(state) || (PQstatus(conn_) != CONNECTION_OK && kind == StatementKind::Select)) {
        o.status = Outcome::Status::Busy;
        o.message = messages::kBusy;
    } else if (state == "57014") {
        o.status = Outcome::Status::Failed;
        o.message = messages::kInterrupted;
        o.limit = true;
    } else if (state == "42501" && message.find("row-level security") != std::string::npos) {
        o.status = Outcome::Status::Refused;
        o.message = "Écriture refusée : l'enregistrement n'est pas de la concession de l'utilisateur";
    } else if (state == "42501") {
        o.status = Outcome::Status::Refused;
        o.message = messages::NotReachable(DeniedObject(message, kind));
    } else if (state == "25006") {
        o.status = Outcome::Status::Refused;
        o.message = messages::kReadOnly;
    } else if (PQstatus(conn_) != CONNECTION_OK) {
        o.status = Outcome::Status::Failed;
        o.message = "Connexion à la base perdue pendant l'instruction : " + message;
    } else {
        o.status = Outcome::Status::Failed;
        o.message = "Erreur SQL : " + message;
    }
    return o;
}

std::string PgSession::actingBegin(int statementMs, int lockMs) const {
    return "BEGIN; SET LOCAL statement_timeout = " + std::to_string(statementMs) +
           "; SET LOCAL lock_timeout = " + std::to_string(lockMs) + "; SELECT FROM stanor_act_as(" +
           QuoteLiteral(acting_) + "); ";
}

void PgSession::actFor(const std::string& userId) {
    const bool number = !userId.empty() && userId.size() <= 18 &&
                        userId.find_first_not_of("0123456789") == std::string::npos;
    acting_ = number ? userId : std::string();
}

ResultSet PgSession::queryRowsToWrite(const std::string& sql, const std::vector<std::string>& binds) {
    return run(sql + " FOR UPDATE", binds, false);
}

// Sends the statements of one transaction and reads their results, one row at
// a time: the rows of the statement that returns them (at most `maxRows`, and
// `maxBytes` of values), the first failure. The server interrupts a statement
// past its time limit (statement_timeout, set in the transaction itself);
// should it not answer, the service cancels the statement a second later.
Outcome PgSession::exchange(const std::string& text, StatementKind kind, int limitMs, size_t maxRows, size_t maxBytes) {
    Outcome outcome;
    if (!PQsendQuery(conn_, text.c_str())) return failure(nullptr, kind);
    PQsetSingleRowMode(conn_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs + 1000);
    bool cancelled = false, failed = false, tooLarge = false;
    size_t bytes = 0;
    for (;;) {
        // Waits for the next result, past the deadline once more after a cancel.
        while (PQisBusy(conn_)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{PQsocket(conn_), POLLIN, 0};
            const int rc = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count()) + (cancelled ? 5000 : 0)));
            if (rc == 0 && !cancelled) {
                cancel();
                cancelled = true;
                continue;
            }
            if (rc == 0 || (rc < 0 && errno != EINTR) || !PQconsumeInput(conn_)) {
                broken_ = true;  // a server that answers nothing: the connection is let go
                outcome.status = Outcome::Status::Failed;
                outcome.message = "Connexion à la base perdue pendant l'instruction : le serveur ne répond plus";
                return outcome;
            }
        }
        PGresult* r = PQgetResult(conn_);
        if (!r) break;
        ResultHolder holder{r};
        if (failed || tooLarge) continue;
        const auto status = PQresultStatus(r);
        // The service's own steps of the transaction (the user it acts for) return no column.
        if ((status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) && PQnfields(r) == 0) continue;
        if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
            if (PQntuples(r) == 0 && outcome.rows.columns.empty()) ReadRows(r, outcome.rows, 0);
            for (int i = 0; i < PQntuples(r) && outcome.rows.rows.size() < maxRows; ++i) {
                ResultSet one;
                ReadRows(r, one, 1);
                bytes += RowBytes(one.columns, one.rows[0]);
                if (bytes > maxBytes) {
                    tooLarge = true;
                    cancel();
                    break;
                }
                outcome.rows.columns = std::move(one.columns);
                outcome.rows.rows.push_back(std::move(one.rows[0]));
            }
            if (status == PGRES_TUPLES_OK && *PQcmdTuples(r)) outcome.changes = std::atoll(PQcmdTuples(r));
        } else if (status == PGRES_COMMAND_OK) {
            // BEGIN, SET and COMMIT count no row; INSERT, UPDATE and DELETE do.
            if (*PQcmdTuples(r)) outcome.changes = std::atoll(PQcmdTuples(r));
        } else {
            outcome = failure(r, kind);
            failed = true;
        }
    }
    if (tooLarge) {
        outcome = Outcome{};
        outcome.status = Outcome::Status::Refused;
        outcome.message = messages::AnswerTooLarge(maxBytes);
        outcome.limit = true;
    }
    if (!outcome.ok() && outcome.message == messages::kInterrupted && kind != StatementKind::Select)
        outcome.message = messages::WriteLockHeld(limitMs);
    if (!outcome.ok()) rollback();
    return outcome;
}

void PgSession::cancel() {
    if (PGcancel* c = PQgetCancel(conn_)) {
        char why[256];
        PQcancel(c, why, sizeof why);
        PQfreeCancel(c);
    }
}

Outcome PgSession::runClientSelect(const TranslatedSql& statement, size_t maxRows) {
    if (auto refused = RefuseClientSelect(statement)) return *refused;
    const PgStatement pg = RenderClientSql(statement, *names_);
    if (!pg.ok()) return NotWritten(pg);
    // One exchange: a transaction with its own time limit, which nothing the
    // client sends can lift, that acts for the request's user (the dealership
    // wall), then read only (nothing it calls may write, lock rows or take a
    // key), that reads only as many rows as the answer takes, with a plan that
    // aims at them: a LIMIT, or a cursor when the statement limits itself.
    const size_t rows = std::min(maxRows, options_.maxRows);
    std::string begin = actingBegin(options_.statementTimeMs, options_.busyTimeoutMs) + "SET TRANSACTION READ ONLY; ";
    if (pg.searchesByTrigrams) begin += "SET LOCAL enable_indexscan = off; ";
    const std::string text =
        pg.limitsItself ? begin + "DECLARE stanor_rows NO SCROLL CURSOR FOR " + pg.sql + "; FETCH FORWARD " +
                              std::to_string(rows) + " FROM stanor_rows; COMMIT"
                        : begin + pg.sql + " LIMIT " + std::to_string(rows) + "; COMMIT";
    Outcome o = exchange(text, statement.kind, options_.statementTimeMs, rows, options_.answerBytes);
    o.changes = 0;
    return o;
}

Outcome PgSession::runClientWrite(const TranslatedSql& statement, const BeforeCommit& beforeCommit,
                                  const BeforeStatement& beforeStatement) {
    if (auto refused = RefuseClientWrite(statement)) return *refused;
    const PgStatement pg = RenderClientSql(statement, *names_);
    if (!pg.ok()) return NotWritten(pg);
    // The statement holds the rows it writes no longer than the write limit,
    // set in its own transaction, which acts for the request's user (the
    // dealership wall); a row another write holds is waited for half
    // of it, then the request may be repeated (WAIT_TIMEOUT). Alone, the
    // statement commits in the same exchange; with a step before the
    // statement (the rights of the user on the rows it names, the rows it
    // replaces, read and locked) or before the commit,
    // those steps run inside its transaction, under the same limits.
    const bool steps = beforeCommit || beforeStatement;
    const std::string begin = actingBegin(options_.writeLockMs, std::max(1, options_.writeLockMs / 2));
    Outcome outcome;
    if (beforeStatement) {
        outcome = exchange(begin, statement.kind, options_.writeLockMs, 1, SIZE_MAX);
        if (!outcome.ok()) return outcome;
        if (std::string why = RunWriteStep([&] { return beforeStatement(*this); }); !why.empty()) {
            rollback();
            outcome.status = Outcome::Status::Failed;
            outcome.message = why;
            return outcome;
        }
        outcome = exchange(pg.sql, statement.kind, options_.writeLockMs, 1, SIZE_MAX);
    } else {
        outcome = exchange(begin + pg.sql + (steps ? "" : "; COMMIT"), statement.kind, options_.writeLockMs, 1,
                           SIZE_MAX);
    }
    if (!outcome.ok()) return outcome;
    // The keys given to :NewID and :NewIDbis come back as the one row of the insert (RETURNING).
    const ResultSet keys = std::move(outcome.rows);
    outcome.rows = {};
    if (!keys.rows.empty() && keys.rows[0].size() >= 2) {
        if (!pg.newIdColumn.empty()) {
            outcome.newId = std::atoll(keys.rows[0][0].c_str());
            outcome.hasNewId = true;
        }
        if (!pg.newIdBisColumn.empty()) {
            outcome.newIdBis = std::atoll(keys.rows[0][1].c_str());
            outcome.hasNewIdBis = true;
        }
    }
    if (!steps) return outcome;
    if (std::string why = beforeCommit ? RunWriteStep([&] { return beforeCommit(*this, outcome); }) : std::string();
        !why.empty()) {
        rollback();
        outcome.status = Outcome::Status::Failed;
        outcome.message = why;
        return outcome;
    }
    ResultHolder commit{PQexec(conn_, "COMMIT")};
    if (!Succeeded(commit.r)) {
        Outcome failed = failure(commit.r, statement.kind);
        rollback();
        return failed;
    }
    return outcome;
}

Outcome PgSession::readForWrite(const TranslatedSql& select) {
    const PgStatement pg = RenderClientSql(select, *names_);
    if (!pg.ok()) return NotWritten(pg);
    // The rows are locked until the write's transaction ends: a service
    // changing them meanwhile waits, so that the values read are the ones replaced.
    Outcome outcome;
    ResultHolder r{PQexec(conn_, (pg.sql + " FOR UPDATE").c_str())};
    if (!Succeeded(r.r)) {
        // Under the write's time limit: a condition too slow to read is the write's.
        Outcome failed = failure(r.r, StatementKind::Select);
        if (failed.message == messages::kInterrupted) failed.message = messages::WriteLockHeld(options_.writeLockMs);
        return failed;
    }
    ReadRows(r.r, outcome.rows, static_cast<size_t>(-1));
    return outcome;
}

void PgSession::addHistory(const std::vector<HistoryEntry>& entries) {
    for (const HistoryEntry& e : entries)
        run("SELECT stanor_add_history(?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {e.when, e.userId, e.table, e.key, e.recordTable, e.recordKey, e.column, e.oldValue, e.newValue}, true);
}

ResultSet PgSession::history(const std::string& table, const std::string& key) {
    return run("SELECT \"When\", UserID, UserName, TableName, KeyValue, \"Column\", OldValue, NewValue"
               " FROM stanor_history(?, ?)", {table, key}, true);
}

// ---- data reserved to the service -----------------------------------------

ResultSet PgSession::user(const std::string& idUser) {
    return run("SELECT UserConcession, UserSite, Name_, US1 FROM stanor_user(?)", {idUser}, true);
}

ResultSet PgSession::userGroups(const std::string& idUser) {
    return run("SELECT GName FROM stanor_user_groups(?)", {idUser}, true);
}

ResultSet PgSession::optionDates(const std::string& concession) {
    return run("SELECT Opt_LimiteDateDeb, Opt_LimiteDateDebFrevo, Opt_LimiteDateDebProFid, Opt_TauxTVA"
               " FROM stanor_option_dates(?)", {concession}, true);
}

ResultSet PgSession::tabDescriptions(const std::string& concession) {
    return run("SELECT descInfo, idNum, txtInfo, vInfo, tag, defval, tInfo, tControl, width, \"left\", top,"
               " height, length, color, \"notNull\", enabled, fieldInfo FROM stanor_tab_descriptions(?)"
               " ORDER BY RowOrder", {concession}, true);
}

void PgSession::logTextMessage(const std::string& to, const std::string& text) {
    run("SELECT stanor_log_text_message(?, ?)", {to, text}, true);
}

ResultSet PgSession::insertKey(const std::string& key) {
    return run("SELECT coalesce(CAST(NewID AS TEXT), ''), coalesce(CAST(NewIDbis AS TEXT), ''), RowsAffected"
               " FROM stanor_insert_key(?)", {key}, true);
}

bool PgSession::rememberInsertKey(const std::string& key, const Outcome& done, const std::string& now) {
    const ResultSet r = run("SELECT stanor_remember_insert_key(?, ?, ?, ?, ?)",
                            {key, done.hasNewId ? std::to_string(done.newId) : std::string(),
                             done.hasNewIdBis ? std::to_string(done.newIdBis) : std::string(),
                             std::to_string(done.changes), now},
                            false);
    return !r.rows.empty() && r.rows[0][0] == "1";  // NULL: the key was taken
}

ResultSet PgSession::credentials(const std::string& idUser) {
    return run("SELECT PwHash, Disabled FROM stanor_credentials(?)", {idUser}, true);
}

bool PgSession::openSession(const std::string& digest, const std::string& idUser, const std::string& now,
                            const std::string& address, const std::string& createdAfter,
                            const std::string& usedAfter) {
    const ResultSet r = run("SELECT stanor_open_session(?, ?, ?, ?, ?, ?)",
                            {digest, idUser, now, address, createdAfter, usedAfter}, false);
    return !r.rows.empty() && r.rows[0][0] == "1";  // NULL: the user may not sign in
}

ResultSet PgSession::session(const std::string& digest, const std::string& createdAfter,
                             const std::string& usedAfter) {
    return run("SELECT idUser, Created, LastUsed FROM stanor_session(?, ?, ?)", {digest, createdAfter, usedAfter},
               true);
}

void PgSession::touchSession(const std::string& digest, const std::string& now) {
    run("SELECT stanor_touch_session(?, ?)", {digest, now}, true);
}

}  // namespace stanor::dataservice
