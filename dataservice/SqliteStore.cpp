#include "SqliteStore.h"

#include "DealershipScope.h"
#include "History.h"
#include "Reminders.h"

#include "TextCodec.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace stanor::dataservice {

namespace {

std::string Lower(std::string s) { return LowerAscii(std::move(s)); }

std::string Upper(const char* s) {
    std::string out = s ? s : "";
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

void ReadRows(sqlite3_stmt* stmt, ResultSet& out, size_t maxRows, size_t maxBytes) {
    size_t bytes = 0;
    const int n = sqlite3_column_count(stmt);
    std::vector<std::string> types(n);
    out.columns.clear();
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        out.columns.emplace_back(name ? name : "");
        types[i] = Upper(sqlite3_column_decltype(stmt, i));
    }
    while (out.rows.size() < maxRows) {
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) break;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) throw DatabaseBusy(sqlite3_errmsg(sqlite3_db_handle(stmt)));
        if (rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(stmt)));
        std::vector<std::string> row(n);
        for (int i = 0; i < n; ++i) {
            const int t = sqlite3_column_type(stmt, i);
            if (t == SQLITE_NULL) continue;
            const std::string& decl = types[i];
            if (decl == "BOOLEAN") {
                row[i] = sqlite3_column_int64(stmt, i) != 0 ? "True" : "False";
            } else if (decl.rfind("DECIMAL", 0) == 0 && (t == SQLITE_INTEGER || t == SQLITE_FLOAT)) {
                row[i] = FormatNumber(sqlite3_column_double(stmt, i), true);
            } else if (t == SQLITE_INTEGER) {
                row[i] = std::to_string(sqlite3_column_int64(stmt, i));
            } else if (t == SQLITE_FLOAT) {
                row[i] = FormatNumber(sqlite3_column_double(stmt, i), false);
            } else if (t == SQLITE_TEXT) {
                std::string text(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                 sqlite3_column_bytes(stmt, i));
                row[i] = (decl == "DATE" || decl == "DATETIME") ? IsoToFrenchDate(text) : std::move(text);
            }
        }
        bytes += RowBytes(out.columns, row);
        if (bytes > maxBytes) throw AnswerTooLarge(messages::AnswerTooLarge(maxBytes));
        out.rows.push_back(std::move(row));
    }
}

// ---- write turns -----------------------------------------------------------

bool WriteTurns::take(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t mine = next_++;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (serving_ != mine) {
        if (moved_.wait_until(lock, until) == std::cv_status::timeout && serving_ != mine) {
            leftQueue_.insert(mine);
            return false;
        }
    }
    return true;
}

void WriteTurns::giveBack() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++serving_;
        while (leftQueue_.erase(serving_)) ++serving_;
    }
    moved_.notify_all();
}

// ---- guard ---------------------------------------------------------------

struct SqliteSession::Guard {
    bool active = false;
    bool allowWrite = false;
    std::string denied;  // what the last refusal was about
    StatementDeadline deadline;
    std::optional<std::string> dealership;  // the one the client's statements see (none: no record)
};

// The dealership a connection acts for, as the views of the dealership's records read it.
static void ActingDealership(sqlite3_context* context, int, sqlite3_value**) {
    auto* g = static_cast<SqliteSession::Guard*>(sqlite3_user_data(context));
    if (g->dealership) sqlite3_result_text(context, g->dealership->c_str(), -1, SQLITE_TRANSIENT);
    else sqlite3_result_null(context);
}

static int Authorize(void* user, int action, const char* a1, const char* a2, const char*, const char* a4) {
    auto* g = static_cast<SqliteSession::Guard*>(user);
    if (!g->active) return SQLITE_OK;
    auto table = [&](const char* name) { return Lower(name ? name : ""); };
    switch (action) {
        case SQLITE_SELECT:
            return SQLITE_OK;
        case SQLITE_READ:
            // A dealership's records are read through the views that keep its
            // rows (a4 names the view), never straight from their tables.
            // (A write reads its own table's rows, whose rights the service checked.)
            if (Store::ReadableTables().count(table(a1)) && (a4 || g->allowWrite || !IsScopedTable(table(a1))))
                return SQLITE_OK;
            if (IsScopedView(table(a1))) return SQLITE_OK;
            g->denied = std::string("la table ") + (a1 ? a1 : "?");
            return SQLITE_DENY;
        case SQLITE_INSERT:
        case SQLITE_UPDATE:
        case SQLITE_DELETE:
            if (g->allowWrite && Store::WritableTables().count(table(a1))) return SQLITE_OK;
            g->denied = std::string("l'écriture dans la table ") + (a1 ? a1 : "?");
            return SQLITE_DENY;
        case SQLITE_FUNCTION:
            if (ClientFunctions().count(Lower(a2 ? a2 : ""))) return SQLITE_OK;
            if (a4 && Lower(a2 ? a2 : "") == kActingDealershipFunction) return SQLITE_OK;
            g->denied = std::string("la fonction ") + (a2 ? a2 : "?");
            return SQLITE_DENY;
        default:
            g->denied = "cette opération";
            return SQLITE_DENY;
    }
}

static int Progress(void* user) {
    auto* g = static_cast<SqliteSession::Guard*>(user);
    return g->deadline.armed && std::chrono::steady_clock::now() > g->deadline.at ? 1 : 0;
}

// ---- database ------------------------------------------------------------

SqliteStore::SqliteStore(std::string path, DatabaseOptions options)
    : Store(options), path_(std::move(path)) {}

std::unique_ptr<Session> SqliteStore::open() {
    return std::make_unique<SqliteSession>(path_, options(), &writeTurns_);
}

bool SqliteStore::upgradeTextIndexes() {
    auto session = acquire();
    return UpgradeTextIndexes(static_cast<SqliteSession&>(*session).handle());
}

bool SqliteStore::ensureReminderBookkeeping() {
    auto session = acquire();
    bool changed = false;
    // A file without actions (no database of the service) is left to whoever refuses it.
    if (session->query("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'tActions'").rows.empty())
        return false;
    const bool marked =
        !session->query("SELECT name FROM pragma_table_info('tActions') WHERE name = 'RelanceSuivie'").rows.empty();
    const bool complete =
        marked && session->query("SELECT name FROM sqlite_master WHERE name IN ('tActions_Suivi_Insert',"
                                 " 'tActions_Suivi_Update', 'tActions_Suivi_Delete', 'tActions_Relance',"
                                 " 'tActions_idClient_DateAction')").rows.size() == 5;
    if (complete) return false;
    session->exec("BEGIN IMMEDIATE");
    try {
        if (!marked) session->exec("ALTER TABLE tActions ADD COLUMN RelanceSuivie BOOLEAN NOT NULL DEFAULT FALSE");
        for (const std::string& sql : ReminderBookkeepingSql()) session->exec(sql);
        session->exec(ReminderMarksSql());
        session->exec("COMMIT");
        changed = true;
    } catch (...) {
        session->exec("ROLLBACK");
        throw;
    }
    return changed;
}

void SqliteStore::checkpoint() { acquire()->exec("PRAGMA wal_checkpoint(PASSIVE)"); }

// ---- session -------------------------------------------------------------

SqliteSession::SqliteSession(const std::string& path, const DatabaseOptions& options, WriteTurns* writeTurns)
    : options_(options), guard_(std::make_unique<Guard>()), writeTurns_(writeTurns ? writeTurns : &ownTurns_) {
    int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string why = db_ ? sqlite3_errmsg(db_) : "mémoire insuffisante";
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("ouverture de la base " + path + " impossible : " + why);
    }
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_timeout(db_, options_.busyTimeoutMs);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, 4 * 1024 * 1024);
    sqlite3_limit(db_, SQLITE_LIMIT_SQL_LENGTH, 256 * 1024);
    sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db_, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 2000);
    InstallTextRules(db_, &guard_->deadline);
    sqlite3_create_function(db_, kActingDealershipFunction, 0, SQLITE_UTF8, guard_.get(), ActingDealership, nullptr,
                            nullptr);
    sqlite3_set_authorizer(db_, Authorize, guard_.get());
    sqlite3_progress_handler(db_, 2000, Progress, guard_.get());
    exec("PRAGMA journal_mode=WAL");
    // In WAL mode NORMAL syncs at checkpoints, not at every commit: a committed
    // change survives the process being killed (it is in the log the system
    // holds); only a power cut could take back the last commits, never corrupt.
    exec("PRAGMA synchronous=NORMAL");
    // Checkpoints (the only moments that sync) run on the service's checkpoint
    // thread, not inside a request that happens to commit the 1000th page.
    if (options_.backgroundCheckpoints) exec("PRAGMA wal_autocheckpoint=0");
    // A file that is not a database fails here rather than on the first request.
    std::vector<std::string> tables;
    for (const auto& row : query("SELECT lower(name) FROM sqlite_master WHERE type = 'table'").rows)
        tables.push_back(row[0]);
    for (const std::string& view : SqliteScopeViews(tables)) exec(view);
}

void SqliteSession::actFor(const std::string& userId) {
    guard_->dealership.reset();
    if (userId.empty() || userId.size() > 18 || userId.find_first_not_of("0123456789") != std::string::npos) return;
    const ResultSet u = user(userId);
    if (!u.rows.empty()) guard_->dealership = u.value(0, "UserConcession");
}

SqliteSession::~SqliteSession() {
    for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
    for (auto& [sql, stmt] : selectCache_) sqlite3_finalize(stmt);
    sqlite3_close_v2(db_);
}

void SqliteSession::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string why = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw std::runtime_error(why);
    }
}

ResultSet SqliteSession::query(const std::string& sql, const std::vector<std::string>& binds) {
    // The service's own statements repeat with every request: each is prepared
    // once per connection and reset after use.
    sqlite3_stmt*& cached = cache_[sql];
    if (!cached) {
        int rc = sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &cached, nullptr);
        if (rc != SQLITE_OK) {
            std::string why = sqlite3_errmsg(db_);
            cached = nullptr;
            cache_.erase(sql);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) throw DatabaseBusy(why);
            throw std::runtime_error(why);
        }
    }
    sqlite3_stmt* stmt = cached;
    struct Reset {
        sqlite3_stmt* s;
        ~Reset() { sqlite3_reset(s); sqlite3_clear_bindings(s); }
    } reset{stmt};
    for (size_t i = 0; i < binds.size(); ++i)
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), binds[i].c_str(), -1, SQLITE_TRANSIENT);
    ResultSet out;
    ReadRows(stmt, out, static_cast<size_t>(-1));
    return out;
}

void SqliteSession::armDeadline(int ms) {
    guard_->deadline.at = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    guard_->deadline.armed = true;
}

Outcome SqliteSession::classify(int rc, const std::string& context, bool write) {
    Outcome o;
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        o.status = Outcome::Status::Busy;
        o.message = messages::kBusy;
    } else if (rc == SQLITE_INTERRUPT) {
        o.status = Outcome::Status::Failed;
        o.message = write ? messages::WriteLockHeld(options_.writeLockMs) : messages::kInterrupted;
        o.limit = true;
    } else if (rc == SQLITE_AUTH) {
        o.status = Outcome::Status::Refused;
        o.message = messages::NotReachable(guard_->denied);
    } else {
        o.status = Outcome::Status::Failed;
        o.message = "Erreur SQL : " + std::string(sqlite3_errmsg(db_)) + (context.empty() ? "" : " - " + context);
    }
    return o;
}

sqlite3_stmt* SqliteSession::prepareClient(const TranslatedSql& statement, bool write, Outcome& outcome) {
    guard_->active = true;
    guard_->allowWrite = write;
    guard_->denied.clear();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, statement.sql.c_str(), static_cast<int>(statement.sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
        outcome = classify(rc, statement.sql.substr(0, 200));
        sqlite3_finalize(stmt);
        guard_->active = false;
        return nullptr;
    }
    if (!stmt || (tail && *tail)) {
        sqlite3_finalize(stmt);
        outcome.status = Outcome::Status::Refused;
        outcome.message = messages::kOneStatement;
        guard_->active = false;
        return nullptr;
    }
    return stmt;
}

Outcome SqliteSession::runClientSelect(const TranslatedSql& statement, size_t maxRows) {
    if (auto refused = RefuseClientSelect(statement)) return *refused;
    Outcome outcome;
    // Searches repeat: a read statement already prepared (and authorized, in
    // read mode) on this connection is reused; the guard stays on while it runs.
    sqlite3_stmt* stmt = nullptr;
    TranslatedSql scoped = statement;
    scoped.sql = ScopedSelectText(statement);
    auto found = selectCache_.find(scoped.sql);
    if (found != selectCache_.end()) {
        stmt = found->second;
        guard_->active = true;
        guard_->allowWrite = false;
        guard_->denied.clear();
    } else {
        stmt = prepareClient(scoped, false, outcome);
        if (!stmt) return outcome;
        if (!sqlite3_stmt_readonly(stmt)) {
            sqlite3_finalize(stmt);
            guard_->active = false;
            outcome.status = Outcome::Status::Refused;
            outcome.message = messages::kReadOnly;
            return outcome;
        }
        if (selectCache_.size() >= 32) {
            for (auto& [sql, old] : selectCache_) sqlite3_finalize(old);
            selectCache_.clear();
        }
        selectCache_.emplace(scoped.sql, stmt);
    }
    armDeadline(options_.statementTimeMs);
    try {
        ReadRows(stmt, outcome.rows, std::min(maxRows, options_.maxRows), options_.answerBytes);
    } catch (const AnswerTooLarge& e) {
        outcome = Outcome{};
        outcome.status = Outcome::Status::Refused;
        outcome.message = e.what();
        outcome.limit = true;
    } catch (const std::exception&) {
        int rc = sqlite3_errcode(db_);
        outcome = classify(rc, "");
    }
    sqlite3_reset(stmt);
    guard_->deadline.armed = false;
    guard_->active = false;
    return outcome;
}

long long SqliteSession::allocateKey(const std::string& table, const std::string& column) {
    ResultSet cols = query("SELECT name FROM pragma_table_info(?) WHERE lower(name) = lower(?)", {table, column});
    if (cols.rows.empty())
        throw std::invalid_argument("la colonne " + column + " n'existe pas dans la table " + table);
    const std::string realColumn = cols.rows[0][0];
    ResultSet last = query("SELECT LastValue FROM sysKeys WHERE TableName = ? AND ColumnName = ?",
                           {Lower(table), Lower(realColumn)});
    ResultSet top = query("SELECT max(CAST(" + QuoteIdentifier(realColumn) + " AS INTEGER)) FROM " +
                          QuoteIdentifier(table));
    long long next = 0;
    if (!last.rows.empty()) next = std::stoll(last.rows[0][0]);
    if (!top.rows.empty() && !top.rows[0][0].empty()) next = std::max(next, std::stoll(top.rows[0][0]));
    ++next;
    query("INSERT INTO sysKeys (TableName, ColumnName, LastValue) VALUES (?, ?, ?) "
          "ON CONFLICT (TableName, ColumnName) DO UPDATE SET LastValue = excluded.LastValue",
          {Lower(table), Lower(realColumn), std::to_string(next)});
    return next;
}

Outcome SqliteSession::runClientWrite(const TranslatedSql& statement, const BeforeCommit& beforeCommit,
                                      const BeforeStatement& beforeStatement) {
    if (auto refused = RefuseClientWrite(statement)) return *refused;
    Outcome outcome;
    // Writers of this process wait their turn, in the order they came, instead
    // of polling SQLite's lock; the busy time-out is left for writers of other
    // programs. The write lock is then taken first, so that the keys handed out
    // and the row written belong to one transaction, and held no longer than
    // the write lock's limit: a slow write is interrupted and the next one goes.
    if (!writeTurns_->take(std::chrono::milliseconds(options_.writeWaitMs))) return classify(SQLITE_BUSY, "");
    struct Turn {
        WriteTurns* turns;
        ~Turn() { turns->giveBack(); }
    } turn{writeTurns_};
    int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return classify(rc, "");
    armDeadline(options_.writeLockMs);
    // Nothing may interrupt the rollback: it gives the write lock back.
    auto rollback = [&] {
        guard_->deadline.armed = false;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    };
    try {
        if (statement.usesNewId()) {
            outcome.newId = allocateKey(statement.insertTable, statement.newIdColumn);
            outcome.hasNewId = true;
        }
        if (statement.usesNewIdBis()) {
            outcome.newIdBis = allocateKey(statement.insertTable, statement.newIdBisColumn);
            outcome.hasNewIdBis = true;
        }
    } catch (const std::invalid_argument& e) {
        rollback();
        outcome.status = Outcome::Status::Failed;
        outcome.message = std::string("Erreur SQL : ") + e.what();
        return outcome;
    } catch (const std::exception&) {
        Outcome failed = classify(sqlite3_errcode(db_), "", true);
        rollback();
        return failed;
    }
    if (beforeStatement) {
        if (std::string why = RunWriteStep([&] { return beforeStatement(*this); }); !why.empty()) {
            rollback();
            outcome.status = Outcome::Status::Failed;
            outcome.message = why;
            return outcome;
        }
    }
    sqlite3_stmt* stmt = prepareClient(statement, true, outcome);
    if (!stmt) {
        rollback();
        return outcome;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> holder(stmt, sqlite3_finalize);
    if (outcome.hasNewId) sqlite3_bind_int64(stmt, sqlite3_bind_parameter_index(stmt, ":NewID"), outcome.newId);
    if (outcome.hasNewIdBis)
        sqlite3_bind_int64(stmt, sqlite3_bind_parameter_index(stmt, ":NewIDbis"), outcome.newIdBis);
    rc = sqlite3_step(stmt);
    guard_->deadline.armed = false;
    guard_->active = false;
    if (rc != SQLITE_DONE) {
        Outcome failed = classify(rc, "", true);
        holder.reset();
        rollback();
        return failed;
    }
    outcome.changes = sqlite3_changes(db_);
    if (beforeCommit) {
        holder.reset();
        if (std::string why = RunWriteStep([&] { return beforeCommit(*this, outcome); }); !why.empty()) {
            holder.reset();
            rollback();
            outcome.status = Outcome::Status::Failed;
            outcome.message = why;
            return outcome;
        }
    }
    holder.reset();
    rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        Outcome failed = classify(rc, "");
        rollback();
        return failed;
    }
    return outcome;
}

Outcome SqliteSession::readForWrite(const TranslatedSql& select) {
    // Inside the write's transaction, which holds the write lock: nobody else
    // changes the rows between this read and the write. The write's time limit,
    // armed when it took the lock, covers this read too.
    Outcome outcome;
    // The rows of the write's own table, which its rights check already
    // covered: read straight from the table, as the write itself does.
    sqlite3_stmt* stmt = prepareClient(select, true, outcome);
    if (!stmt) return outcome;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> holder(stmt, sqlite3_finalize);
    try {
        ReadRows(stmt, outcome.rows, static_cast<size_t>(-1));
    } catch (const std::exception&) {
        outcome = classify(sqlite3_errcode(db_), "", true);
    }
    guard_->active = false;
    return outcome;
}

// ---- history of changes ----------------------------------------------------

// A database made before changes were recorded gets the history table.
void SqliteSession::ensureHistory() {
    if (historyChecked_) return;
    if (query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'sysHistory'").rows.empty())
        exec("CREATE TABLE IF NOT EXISTS sysHistory (idHistory INTEGER PRIMARY KEY, Changed TEXT NOT NULL, "
             "idUser INTEGER, TableName TEXT NOT NULL, KeyValue TEXT, RecordTable TEXT, RecordKey TEXT, "
             "ColumnName TEXT NOT NULL, OldValue TEXT, NewValue TEXT);"
             "CREATE INDEX IF NOT EXISTS sysHistory_Record ON sysHistory (RecordTable, RecordKey);"
             "CREATE INDEX IF NOT EXISTS sysHistory_Row ON sysHistory (TableName, KeyValue)");
    historyChecked_ = true;
}

void SqliteSession::addHistory(const std::vector<HistoryEntry>& entries) {
    ensureHistory();
    for (const HistoryEntry& e : entries)
        query("INSERT INTO sysHistory (Changed, idUser, TableName, KeyValue, RecordTable, RecordKey, ColumnName, "
              "OldValue, NewValue) VALUES (?, nullif(?, ''), ?, ?, ?, ?, ?, ?, ?)",
              {e.when, e.userId, e.table, e.key, e.recordTable, e.recordKey, e.column, e.oldValue, e.newValue});
}

ResultSet SqliteSession::history(const std::string& table, const std::string& key) {
    ensureHistory();
    return query("SELECT h.Changed AS \"When\", coalesce(h.idUser, '') AS UserID, coalesce(u.Name_, '') AS UserName,"
                 " h.TableName AS TableName, coalesce(h.KeyValue, '') AS KeyValue, h.ColumnName AS \"Column\","
                 " coalesce(h.OldValue, '') AS OldValue, coalesce(h.NewValue, '') AS NewValue"
                 " FROM sysHistory h LEFT JOIN tUsers u ON u.idUser = h.idUser"
                 " WHERE (h.RecordTable = ? AND h.RecordKey = ?) OR (h.TableName = ? AND h.KeyValue = ?)"
                 " ORDER BY h.idHistory DESC", {table, key, table, key});
}

// ---- data reserved to the service ---------------------------------------

ResultSet SqliteSession::user(const std::string& idUser) {
    return query("SELECT UserConcession, UserSite, Name_, US1 FROM tUsers WHERE idUser = ?", {idUser});
}

ResultSet SqliteSession::userGroups(const std::string& idUser) {
    return query("SELECT GName FROM tUserGroups WHERE idUser = ? ORDER BY rowid", {idUser});
}

ResultSet SqliteSession::optionDates(const std::string& concession) {
    return query("SELECT Opt_LimiteDateDeb, Opt_LimiteDateDebFrevo, Opt_LimiteDateDebProFid, Opt_TauxTVA "
                 "FROM tOptDates WHERE Concession = ?", {concession});
}

ResultSet SqliteSession::tabDescriptions(const std::string& concession) {
    return query("SELECT descInfo, idNum, txtInfo, vInfo, tag, defval, tInfo, tControl, width, \"left\", top,"
                 " height, length, color, \"notNull\", enabled, fieldInfo FROM sysTabDesc"
                 " WHERE Concession = ? OR Concession = '*' ORDER BY RowOrder", {concession});
}

void SqliteSession::logTextMessage(const std::string& to, const std::string& text) {
    query("INSERT INTO sysSmsLog (Received, Destinataire, Texte) VALUES (datetime('now', 'localtime'), ?, ?)",
          {to, text});
}

// A database made before insert keys existed gets their table.
void SqliteSession::ensureInsertKeys() {
    if (insertKeysChecked_) return;
    if (query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'sysInsertKeys'").rows.empty())
        exec("CREATE TABLE IF NOT EXISTS sysInsertKeys (InsertKey TEXT PRIMARY KEY, NewID INTEGER, "
             "NewIDbis INTEGER, RowsAffected INTEGER NOT NULL, Stored TEXT NOT NULL)");
    insertKeysChecked_ = true;
}

ResultSet SqliteSession::insertKey(const std::string& key) {
    ensureInsertKeys();
    return query("SELECT coalesce(NewID, ''), coalesce(NewIDbis, ''), RowsAffected FROM sysInsertKeys "
                 "WHERE InsertKey = ?", {key});
}

bool SqliteSession::rememberInsertKey(const std::string& key, const Outcome& done, const std::string& now) {
    ensureInsertKeys();
    if (!query("SELECT 1 FROM sysInsertKeys WHERE InsertKey = ?", {key}).rows.empty()) return false;
    // Keys older than a month are of no use to any client still retrying.
    query("DELETE FROM sysInsertKeys WHERE Stored < datetime(?, '-31 days')", {now});
    query("INSERT INTO sysInsertKeys (InsertKey, NewID, NewIDbis, RowsAffected, Stored) "
          "VALUES (?, nullif(?, ''), nullif(?, ''), ?, ?)",
          {key, done.hasNewId ? std::to_string(done.newId) : std::string(),
           done.hasNewIdBis ? std::to_string(done.newIdBis) : std::string(), std::to_string(done.changes), now});
    return true;
}

// ---- sign-in data ----------------------------------------------------------

// A database made before users had passwords gets the tables of the sign-in.
void SqliteSession::ensureSignInTables() {
    if (signInTablesChecked_) return;
    if (query("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('sysUserPasswords', 'sysSessions')")
            .rows[0][0] != "2")
        exec("CREATE TABLE IF NOT EXISTS sysUserPasswords (idUser INTEGER PRIMARY KEY, PwHash TEXT, "
             "Disabled BOOLEAN NOT NULL, Changed TEXT);"
             "CREATE TABLE IF NOT EXISTS sysSessions (TokenHash TEXT PRIMARY KEY, idUser INTEGER NOT NULL, "
             "Created TEXT NOT NULL, LastUsed TEXT NOT NULL, Address TEXT);"
             "CREATE INDEX IF NOT EXISTS sysSessions_User ON sysSessions (idUser)");
    signInTablesChecked_ = true;
}

ResultSet SqliteSession::credentials(const std::string& idUser) {
    ensureSignInTables();
    return query("SELECT p.PwHash AS PwHash, coalesce(p.Disabled, 0) AS Disabled FROM tUsers u"
                 " LEFT JOIN sysUserPasswords p ON p.idUser = u.idUser WHERE u.idUser = ?", {idUser});
}

bool SqliteSession::openSession(const std::string& digest, const std::string& idUser, const std::string& now,
                                const std::string& address, const std::string& createdAfter,
                                const std::string& usedAfter) {
    ensureSignInTables();
    query("DELETE FROM sysSessions WHERE Created < ? OR LastUsed < ?", {createdAfter, usedAfter});
    return !query("INSERT INTO sysSessions (TokenHash, idUser, Created, LastUsed, Address)"
                  " SELECT ?, idUser, ?, ?, ? FROM sysUserPasswords WHERE idUser = ? AND NOT Disabled"
                  " RETURNING idUser", {digest, now, now, address, idUser})
                .rows.empty();
}

ResultSet SqliteSession::session(const std::string& digest, const std::string& createdAfter,
                                 const std::string& usedAfter) {
    ensureSignInTables();
    return query("SELECT s.idUser AS idUser, s.Created AS Created, s.LastUsed AS LastUsed FROM sysSessions s"
                 " JOIN sysUserPasswords p ON p.idUser = s.idUser"
                 " WHERE s.TokenHash = ? AND s.Created >= ? AND s.LastUsed >= ? AND NOT p.Disabled",
                 {digest, createdAfter, usedAfter});
}

void SqliteSession::touchSession(const std::string& digest, const std::string& now) {
    ensureSignInTables();
    query("UPDATE sysSessions SET LastUsed = ? WHERE TokenHash = ? AND LastUsed < ?", {now, digest, now});
}

}  // namespace stanor::dataservice
