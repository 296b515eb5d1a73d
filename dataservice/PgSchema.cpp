#include "PgSchema.h"

#include "DealershipScope.h"
#include "DemoLoader.h"
#include "PgDialect.h"
#include "PgStore.h"
#include "Store.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace stanor::dataservice {

namespace {

// The columns that the client searches by a part of their text (its search
// modes), served by trigram indexes over their case foldings. The indexes take
// each new row at once (no pending list, which every search would read).
const std::pair<const char*, const char*> kSearchedColumns[] = {
    {"tVehicles", "Immatriculation"}, {"tVehicles", "Acheteur"},  {"tVehiclesProfid", "Immatriculation"},
    {"tClients", "CliNom"},           {"tClients", "CliPrenom"},  {"tClients", "CliMobile"},
    {"tClients", "CliTelDom"}};

// The deletions that cascade, and the marks of the reminders followed up, by
// the name of the SQLite trigger that keeps them.
struct Cascade {
    const char* trigger;
    const char* table;
    const char* body;
    const char* events = "DELETE";
};
// Marks again the reminders of a customer's actions (whose customer is `who`).
#define STANOR_MARK_REMINDERS(who)                                                                           \
    "UPDATE \"tActions\" AS a SET \"RelanceSuivie\" = EXISTS (SELECT 1 FROM \"tActions\" AS f"                \
    " WHERE f.\"idClient\" = a.\"idClient\" AND f.\"DateAction\" >= a.\"DateRelance\""                       \
    " AND f.\"idAction\" <> a.\"idAction\") WHERE a.\"idClient\" " who " AND a.\"DateRelance\" IS NOT NULL;"
const Cascade kCascades[] = {
    {"tVehicles_Delete", "tVehicles",
     "DELETE FROM \"tVO - Frevo\" WHERE \"idVO\" = OLD.\"idVO\"; "
     "DELETE FROM \"tVO - Liens Images\" WHERE \"idVO\" = OLD.\"idVO\";"},
    {"tClients_Delete", "tClients",
     "DELETE FROM \"tActions\" WHERE \"idClient\" = OLD.\"idClient\"; "
     "DELETE FROM \"tVehiclesProfid\" WHERE \"idClient\" = OLD.\"idClient\";"},
    {"tActions_Suivi_Insert", "tActions", STANOR_MARK_REMINDERS("= NEW.\"idClient\""), "INSERT"},
    {"tActions_Suivi_Update", "tActions", STANOR_MARK_REMINDERS("IN (OLD.\"idClient\", NEW.\"idClient\")"),
     "UPDATE OF \"idClient\", \"DateAction\", \"DateRelance\""},
    {"tActions_Suivi_Delete", "tActions", STANOR_MARK_REMINDERS("= OLD.\"idClient\""), "DELETE"},
};

// The reserved tables, each read through one function of the service's role.
const char* const kReservedFunctions =
    "CREATE FUNCTION stanor_user(p_id text) RETURNS SETOF \"tUsers\" LANGUAGE sql STABLE SECURITY DEFINER"
    " SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT * FROM \"tUsers\" WHERE \"idUser\" = p_id::bigint $$;"
    "CREATE FUNCTION stanor_user_groups(p_id text) RETURNS SETOF \"tUserGroups\" LANGUAGE sql STABLE"
    " SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT * FROM \"tUserGroups\" WHERE \"idUser\" = p_id::bigint ORDER BY ctid $$;"
    "CREATE FUNCTION stanor_option_dates(p_concession text) RETURNS SETOF \"tOptDates\" LANGUAGE sql STABLE"
    " SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT * FROM \"tOptDates\" WHERE \"Concession\" = p_concession $$;"
    "CREATE FUNCTION stanor_tab_descriptions(p_concession text) RETURNS SETOF \"sysTabDesc\" LANGUAGE sql STABLE"
    " SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT * FROM \"sysTabDesc\" WHERE \"Concession\" = p_concession OR \"Concession\" = '*' $$;"
    "CREATE FUNCTION stanor_log_text_message(p_to text, p_text text) RETURNS void LANGUAGE sql VOLATILE"
    " SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ INSERT INTO \"sysSmsLog\" (\"Received\", \"Destinataire\", \"Texte\")"
    " VALUES (localtimestamp(0), p_to, p_text) $$;"
    "CREATE FUNCTION stanor_insert_key(p_key text) RETURNS SETOF \"sysInsertKeys\" LANGUAGE sql STABLE"
    " SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT * FROM \"sysInsertKeys\" WHERE \"InsertKey\" = p_key $$;"
    // True when recorded; nothing when an insert that committed first holds the key
    // (a concurrent one waits for it to end).
    "CREATE FUNCTION stanor_remember_insert_key(p_key text, p_id text, p_bis text, p_rows text, p_now text)"
    " RETURNS boolean LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ DELETE FROM \"sysInsertKeys\" WHERE \"Stored\" <"
    " to_char(p_now::timestamp - interval '31 days', 'YYYY-MM-DD HH24:MI:SS');"
    " INSERT INTO \"sysInsertKeys\" (\"InsertKey\", \"NewID\", \"NewIDbis\", \"RowsAffected\", \"Stored\")"
    " VALUES (p_key, nullif(p_id, '')::bigint, nullif(p_bis, '')::bigint, p_rows::bigint, p_now)"
    " ON CONFLICT (\"InsertKey\") DO NOTHING RETURNING true $$;"
    // The sign-in: one user's password hash and whether the user's access
    // ended (nothing for an unknown user); a session opened for a user whose
    // access goes on (true), ended sessions forgotten; an open session of a
    // user whose access goes on; a use of a session. Times are UTC texts.
    "CREATE FUNCTION stanor_credentials(p_id text) RETURNS TABLE(\"PwHash\" text, \"Disabled\" boolean)"
    " LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT p.\"PwHash\", coalesce(p.\"Disabled\", false) FROM \"tUsers\" u"
    " LEFT JOIN \"sysUserPasswords\" p ON p.\"idUser\" = u.\"idUser\" WHERE u.\"idUser\" = p_id::bigint $$;"
    "CREATE FUNCTION stanor_open_session(p_digest text, p_id text, p_now text, p_address text,"
    " p_created_after text, p_used_after text) RETURNS boolean LANGUAGE sql VOLATILE SECURITY DEFINER"
    " SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ DELETE FROM \"sysSessions\" WHERE \"Created\" < p_created_after OR \"LastUsed\" < p_used_after;"
    " INSERT INTO \"sysSessions\" (\"TokenHash\", \"idUser\", \"Created\", \"LastUsed\", \"Address\")"
    " SELECT p_digest, \"idUser\", p_now, p_now, p_address FROM \"sysUserPasswords\""
    " WHERE \"idUser\" = p_id::bigint AND NOT \"Disabled\" RETURNING true $$;"
    "CREATE FUNCTION stanor_session(p_digest text, p_created_after text, p_used_after text)"
    " RETURNS TABLE(\"idUser\" bigint, \"Created\" text, \"LastUsed\" text) LANGUAGE sql STABLE"
    " SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT s.\"idUser\", s.\"Created\", s.\"LastUsed\" FROM \"sysSessions\" s"
    " JOIN \"sysUserPasswords\" p ON p.\"idUser\" = s.\"idUser\" WHERE s.\"TokenHash\" = p_digest"
    " AND s.\"Created\" >= p_created_after AND s.\"LastUsed\" >= p_used_after AND NOT p.\"Disabled\" $$;"
    "CREATE FUNCTION stanor_touch_session(p_digest text, p_now text) RETURNS void LANGUAGE sql VOLATILE"
    " SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ UPDATE \"sysSessions\" SET \"LastUsed\" = p_now WHERE \"TokenHash\" = p_digest"
    " AND \"LastUsed\" < p_now $$;"
    // The history of changes: the role adds rows and reads a record's, and
    // holds no right on the table itself, so that no request can change them.
    "CREATE FUNCTION stanor_add_history(p_changed text, p_user text, p_table text, p_key text,"
    " p_record_table text, p_record_key text, p_column text, p_old text, p_new text) RETURNS void"
    " LANGUAGE sql VOLATILE SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ INSERT INTO \"sysHistory\" (\"Changed\", \"idUser\", \"TableName\", \"KeyValue\","
    " \"RecordTable\", \"RecordKey\", \"ColumnName\", \"OldValue\", \"NewValue\")"
    " VALUES (p_changed, nullif(p_user, '')::bigint, p_table, p_key, p_record_table, p_record_key, p_column,"
    " p_old, p_new) $$;"
    "CREATE FUNCTION stanor_history(p_table text, p_key text) RETURNS TABLE(\"When\" text, \"UserID\" text,"
    " \"UserName\" text, \"TableName\" text, \"KeyValue\" text, \"Column\" text, \"OldValue\" text,"
    " \"NewValue\" text) LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, @SCHEMA@"
    " AS $$ SELECT h.\"Changed\", coalesce(h.\"idUser\"::text, ''), coalesce(u.\"Name_\"::text, ''),"
    " h.\"TableName\", coalesce(h.\"KeyValue\", ''), h.\"ColumnName\", coalesce(h.\"OldValue\", ''),"
    " coalesce(h.\"NewValue\", '') FROM \"sysHistory\" h LEFT JOIN \"tUsers\" u ON u.\"idUser\" = h.\"idUser\""
    " WHERE (h.\"RecordTable\" = p_table AND h.\"RecordKey\" = p_key)"
    " OR (h.\"TableName\" = p_table AND h.\"KeyValue\" = p_key) ORDER BY h.\"idHistory\" DESC $$;";
const char* const kReservedNames[] = {"stanor_user(text)", "stanor_user_groups(text)", "stanor_option_dates(text)",
                                      "stanor_tab_descriptions(text)", "stanor_log_text_message(text, text)",
                                      "stanor_insert_key(text)",
                                      "stanor_remember_insert_key(text, text, text, text, text)",
                                      "stanor_credentials(text)",
                                      "stanor_open_session(text, text, text, text, text, text)",
                                      "stanor_session(text, text, text)", "stanor_touch_session(text, text)",
                                      "stanor_add_history(text, text, text, text, text, text, text, text, text)",
                                      "stanor_history(text, text)"};

struct Column {
    std::string name, pgType;
    bool notNull = false, nocase = false, integerKey = false;
    std::string defaultValue;
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::string> primaryKey;
    bool withoutRowid = false;
    bool inFile = true;  // false for a table the file lacks and the service needs
};

// The service's own tables that files made by earlier versions lack.
std::vector<Table> ServiceTables() {
    auto column = [](const char* name, const char* type, bool notNull) {
        Column c;
        c.name = name;
        c.pgType = type;
        c.notNull = notNull;
        return c;
    };
    auto key = [&](const char* name) {
        Column c = column(name, "bigint", true);
        c.integerKey = true;
        return c;
    };
    return {
        {"sysInsertKeys",
         {column("InsertKey", "text", false), column("NewID", "bigint", false), column("NewIDbis", "bigint", false),
          column("RowsAffected", "bigint", false), column("Stored", "text", false)},
         {"InsertKey"}, false, false},
        {"sysUserPasswords",
         {column("idUser", "bigint", false), column("PwHash", "text", false), column("Disabled", "boolean", true),
          column("Changed", "text", false)},
         {"idUser"}, false, false},
        {"sysSessions",
         {column("TokenHash", "text", false), column("idUser", "bigint", true), column("Created", "text", true),
          column("LastUsed", "text", true), column("Address", "text", false)},
         {"TokenHash"}, false, false},
        {"sysHistory",
         {key("idHistory"), column("Changed", "text", true), column("idUser", "bigint", false),
          column("TableName", "text", true), column("KeyValue", "text", false), column("RecordTable", "text", false),
          column("RecordKey", "text", false), column("ColumnName", "text", true), column("OldValue", "text", false),
          column("NewValue", "text", false)},
         {"idHistory"}, false, false},
    };
}

std::string Upper(std::string s) { return UpperWord(s); }

std::string PgType(const std::string& declared) {
    std::string t = Upper(declared);
    const size_t cut = t.find_first_of(" (");
    if (cut != std::string::npos) t.resize(cut);
    if (t == "INT" || t == "INTEGER" || t == "BIGINT" || t == "SMALLINT" || t == "TINYINT" || t == "MEDIUMINT")
        return "bigint";
    if (t == "DATE") return "date";
    if (t == "DATETIME" || t == "TIMESTAMP") return "timestamp(0)";
    if (t == "DECIMAL" || t == "NUMERIC" || t == "MONEY") return "numeric";
    if (t == "BOOLEAN" || t == "BOOL") return "boolean";
    if (t == "REAL" || t == "FLOAT" || t == "DOUBLE") return "double precision";
    if (t == "BLOB") return "bytea";
    return "text";
}

// A default value kept only when it is a plain number or text.
std::string PlainDefault(const std::string& value, const std::string& pgType) {
    if (value.empty()) return {};
    // A flag's 0 or 1 (SQLite keeps booleans as numbers) is PostgreSQL's false or true.
    if (pgType == "boolean") {
        const std::string v = LowerAscii(value);
        return v == "0" || v == "false" ? "false" : v == "1" || v == "true" ? "true" : std::string();
    }
    const bool number = value.find_first_not_of("+-.0123456789") == std::string::npos;
    const bool text = value.size() >= 2 && value.front() == '\'' && value.back() == '\'';
    return number || text ? value : std::string();
}

class SqliteFile {
public:
    explicit SqliteFile(const std::string& path) {
        if (!fs::exists(path)) throw std::runtime_error("fichier introuvable : " + path);
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            throw std::runtime_error("ouverture de " + path + " impossible : " + sqlite3_errmsg(db_));
        sqlite3_busy_timeout(db_, 5000);
        rows("SELECT count(*) FROM sqlite_master", [](sqlite3_stmt*) {});
    }
    ~SqliteFile() { sqlite3_close_v2(db_); }

    void rows(const std::string& sql, const std::function<void(sqlite3_stmt*)>& each) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error("lecture de la base SQLite impossible : " + std::string(sqlite3_errmsg(db_)));
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> holder(stmt, sqlite3_finalize);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) each(stmt);
        if (rc != SQLITE_DONE)
            throw std::runtime_error("lecture de la base SQLite impossible : " + std::string(sqlite3_errmsg(db_)));
    }

    static std::string Text(sqlite3_stmt* s, int i) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(s, i))) : std::string();
    }

    std::vector<Table> tables() {
        std::vector<Table> out;
        rows("SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"
             " AND lower(name) <> 'syskeys' ORDER BY rowid",
             [&](sqlite3_stmt* s) {
                 Table t;
                 t.name = Text(s, 0);
                 t.withoutRowid = Upper(Text(s, 1)).find("WITHOUT ROWID") != std::string::npos;
                 out.push_back(std::move(t));
             });
        for (Table& t : out) {
            std::map<int, std::string> key;
            rows("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(" + QuoteLiteral(t.name) + ")",
                 [&](sqlite3_stmt* s) {
                     Column c;
                     c.name = Text(s, 0);
                     c.pgType = PgType(Text(s, 1));
                     c.notNull = sqlite3_column_int(s, 2) != 0;
                     c.defaultValue = PlainDefault(Text(s, 3), c.pgType);
                     if (sqlite3_column_int(s, 4) > 0) key[sqlite3_column_int(s, 4)] = c.name;
                     const char* collation = nullptr;
                     sqlite3_table_column_metadata(db_, nullptr, t.name.c_str(), c.name.c_str(), nullptr, &collation,
                                                   nullptr, nullptr, nullptr);
                     c.nocase = c.pgType == "text" && collation && Upper(collation) == "NOCASE";
                     t.columns.push_back(std::move(c));
                 });
            for (const auto& [position, name] : key) t.primaryKey.push_back(name);
            if (t.primaryKey.size() == 1)
                for (Column& c : t.columns)
                    if (c.name == t.primaryKey[0] && c.pgType == "bigint") c.integerKey = true;
        }
        return out;
    }

    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class PgConnection {
public:
    explicit PgConnection(const std::string& conninfo) : conn_(ConnectPg(conninfo)) {
        exec("SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD'; SET standard_conforming_strings = on;"
             " SET client_min_messages = warning");
    }
    ~PgConnection() { PQfinish(conn_); }

    // Runs statements; throws with PostgreSQL's reason and where it arose.
    PGresult* exec(const std::string& sql, const std::vector<std::string>& params = {}) {
        std::vector<const char*> values;
        for (const auto& p : params) values.push_back(p.c_str());
        PGresult* r = params.empty() ? PQexec(conn_, sql.c_str())
                                     : PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                                    values.data(), nullptr, nullptr, 0);
        check(r, sql);
        return r;
    }
    void run(const std::string& sql, const std::vector<std::string>& params = {}) { PQclear(exec(sql, params)); }
    std::string scalar(const std::string& sql, const std::vector<std::string>& params = {}) {
        PGresult* r = exec(sql, params);
        std::string v = PQntuples(r) > 0 && !PQgetisnull(r, 0, 0) ? PQgetvalue(r, 0, 0) : "";
        PQclear(r);
        return v;
    }

    void check(PGresult* r, const std::string& what) {
        const auto status = PQresultStatus(r);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN) return;
        std::string why = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY)
                                                                         : PQerrorMessage(conn_);
        if (const char* where = PQresultErrorField(r, PG_DIAG_CONTEXT)) why += " (" + std::string(where) + ")";
        PQclear(r);
        throw std::runtime_error(why + " - " + what.substr(0, 160));
    }

    PGconn* handle() const { return conn_; }

private:
    PGconn* conn_;
};

// One value in COPY's text form, for a column of type `pgType`; nothing for NULL.
bool CopyValue(sqlite3_stmt* s, int i, const std::string& pgType, std::string& out) {
    const int type = sqlite3_column_type(s, i);
    if (type == SQLITE_NULL) return false;
    if (pgType == "bytea" || type == SQLITE_BLOB) {
        static const char* hex = "0123456789abcdef";
        const auto* b = static_cast<const unsigned char*>(sqlite3_column_blob(s, i));
        out += "\\\\x";
        for (int k = 0; k < sqlite3_column_bytes(s, i); ++k) {
            out.push_back(hex[b[k] >> 4]);
            out.push_back(hex[b[k] & 15]);
        }
        return true;
    }
    if (pgType == "boolean" && (type == SQLITE_INTEGER || type == SQLITE_FLOAT)) {
        out += sqlite3_column_double(s, i) != 0 ? "t" : "f";
        return true;
    }
    const std::string text = SqliteFile::Text(s, i);
    // An empty text in a column of dates or numbers is answered as an empty
    // value, as NULL is: it is copied as NULL.
    if (text.empty() && pgType != "text") return false;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out.push_back(c);
        }
    }
    return true;
}

void CopyRows(SqliteFile& file, PgConnection& pg, const Table& t) {
    std::string columns;
    for (const Column& c : t.columns) columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(c.name);
    pg.run("COPY " + QuoteIdentifier(t.name) + " (" + columns + ") FROM STDIN");
    std::string buffer;
    auto flush = [&] {
        if (PQputCopyData(pg.handle(), buffer.data(), static_cast<int>(buffer.size())) != 1)
            throw std::runtime_error("copie de la table " + t.name + " interrompue : " + PQerrorMessage(pg.handle()));
        buffer.clear();
    };
    std::string select = "SELECT ";
    for (size_t i = 0; i < t.columns.size(); ++i) select += (i ? ", " : "") + QuoteIdentifier(t.columns[i].name);
    select += " FROM " + QuoteIdentifier(t.name) + (t.withoutRowid ? "" : " ORDER BY rowid");
    try {
        file.rows(select, [&](sqlite3_stmt* s) {
            for (size_t i = 0; i < t.columns.size(); ++i) {
                if (i) buffer.push_back('\t');
                if (!CopyValue(s, static_cast<int>(i), t.columns[i].pgType, buffer)) buffer += "\\N";
            }
            buffer.push_back('\n');
            if (buffer.size() > (1 << 20)) flush();
        });
        flush();
    } catch (const std::exception& e) {
        PQputCopyEnd(pg.handle(), e.what());
        while (PGresult* r = PQgetResult(pg.handle())) PQclear(r);
        throw;
    }
    if (PQputCopyEnd(pg.handle(), nullptr) != 1)
        throw std::runtime_error("copie de la table " + t.name + " interrompue : " + PQerrorMessage(pg.handle()));
    while (PGresult* r = PQgetResult(pg.handle())) pg.check(r, "table " + t.name), PQclear(r);
}

std::string CreateTable(const Table& t) {
    std::string sql = "CREATE TABLE " + QuoteIdentifier(t.name) + " (";
    for (size_t i = 0; i < t.columns.size(); ++i) {
        const Column& c = t.columns[i];
        sql += (i ? ", " : "") + QuoteIdentifier(c.name) + " " + c.pgType;
        if (c.nocase) sql += " COLLATE nocase";
        if (c.notNull) sql += " NOT NULL";
        // A key column left out of an insert takes the next key, as SQLite gives the next rowid.
        if (c.integerKey)
            sql += " DEFAULT nextval(" + QuoteLiteral(QuoteIdentifier(KeySequence(t.name, c.name))) + ")";
        else if (!c.defaultValue.empty())
            sql += " DEFAULT " + c.defaultValue;
    }
    if (!t.primaryKey.empty()) {
        sql += ", PRIMARY KEY (";
        for (size_t i = 0; i < t.primaryKey.size(); ++i) sql += (i ? ", " : "") + QuoteIdentifier(t.primaryKey[i]);
        sql += ")";
    }
    return sql + ")";
}

// The indexes of a table other than its primary key, as SQLite declares them.
std::vector<std::string> CreateIndexes(SqliteFile& file, const Table& t, const PgCopyOptions& options) {
    std::vector<std::string> out;
    std::vector<std::tuple<std::string, bool, std::string>> indexes;  // name, unique, origin
    file.rows("SELECT name, \"unique\", origin FROM pragma_index_list(" + QuoteLiteral(t.name) + ") ORDER BY seq",
              [&](sqlite3_stmt* s) {
                  indexes.emplace_back(SqliteFile::Text(s, 0), sqlite3_column_int(s, 1) != 0, SqliteFile::Text(s, 2));
              });
    for (const auto& [name, unique, origin] : indexes) {
        if (origin == "pk") continue;
        std::string columns;
        bool plain = true;
        file.rows("SELECT name FROM pragma_index_info(" + QuoteLiteral(name) + ") ORDER BY seqno", [&](sqlite3_stmt* s) {
            if (sqlite3_column_type(s, 0) == SQLITE_NULL) plain = false;
            else columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(SqliteFile::Text(s, 0));
        });
        if (!plain || columns.empty()) {
            if (options.say) options.say("index " + name + " non repris : il porte sur une expression");
            continue;
        }
        const std::string pgName = origin == "u" ? t.name + "_" + std::to_string(out.size() + 1) + "_key" : name;
        out.push_back(std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + QuoteIdentifier(pgName) +
                      " ON " + QuoteIdentifier(t.name) + " (" + columns + ")");
    }
    return out;
}

}  // namespace

void ImportSqliteIntoPg(const std::string& sqlitePath, const std::string& conninfo, const PgCopyOptions& options) {
    auto say = [&](const std::string& line) { if (options.say) options.say(line); };
    SqliteFile file(sqlitePath);
    PgConnection pg(conninfo);
    const std::string filled = pg.scalar(
        "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
        " WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'v', 'm', 'f', 'S')");
    if (filled != "0")
        throw std::runtime_error("la base PostgreSQL n'est pas vide (" + filled +
                                 " tables ou séquences dans son schéma) : l'import demande une base vide");
    if (pg.scalar("SELECT count(*) FROM pg_roles WHERE rolname = $1", {options.serviceRole}) != "1")
        throw std::runtime_error("le rôle " + options.serviceRole + " n'existe pas : le créer (CREATE ROLE " +
                                 options.serviceRole + " LOGIN PASSWORD '...') avant l'import");
    const std::string schema = pg.scalar("SELECT quote_ident(current_schema())");
    const std::string role = QuoteIdentifier(options.serviceRole);

    std::vector<Table> tables = file.tables();
    // A file made before insert keys or passwords existed: the tables the service keeps them in.
    for (const Table& needed : ServiceTables())
        if (std::none_of(tables.begin(), tables.end(),
                         [&](const Table& t) { return LowerAscii(t.name) == LowerAscii(needed.name); }))
            tables.push_back(needed);
    std::map<std::string, const Table*> byName;
    for (const Table& t : tables) byName[LowerAscii(t.name)] = &t;
    for (const char* needed : {"tUsers", "tUserGroups", "tOptDates", "sysTabDesc", "sysSmsLog"})
        if (!byName.count(LowerAscii(needed)))
            throw std::runtime_error(std::string("la table ") + needed + " manque dans " + sqlitePath);

    pg.run("BEGIN");
    pg.run("CREATE EXTENSION IF NOT EXISTS pg_trgm");
    pg.run("CREATE COLLATION nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false)");
    // The case folding of a text as the SQLite store compares them: lower case
    // for every letter, "ß" as "ss" and the micro sign as the Greek letter mu.
    pg.run("CREATE FUNCTION stanor_fold(t text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE"
           " AS $$ SELECT replace(replace(lower(t COLLATE \"und-x-icu\"), 'ß', 'ss'), 'µ', 'μ') $$");
    // SQLite's group_concat (the values that are not NULL, joined by "," or the
    // separator given) and ifnull, which the client's statements may call there.
    pg.run("CREATE FUNCTION stanor_concat(joined text, v anyelement, separator text) RETURNS text LANGUAGE sql"
           " IMMUTABLE AS $$ SELECT CASE WHEN v IS NULL THEN joined WHEN joined IS NULL THEN v::text"
           " ELSE joined || separator || v::text END $$;"
           "CREATE FUNCTION stanor_concat(joined text, v anyelement) RETURNS text LANGUAGE sql IMMUTABLE"
           " AS $$ SELECT stanor_concat(joined, v, ',') $$;"
           "CREATE AGGREGATE group_concat(anyelement, text) (SFUNC = stanor_concat, STYPE = text);"
           "CREATE AGGREGATE group_concat(anyelement) (SFUNC = stanor_concat, STYPE = text);"
           "CREATE FUNCTION ifnull(a anyelement, b anyelement) RETURNS anyelement LANGUAGE sql IMMUTABLE"
           " AS $$ SELECT coalesce(a, b) $$");

    // A sequence for every integer column that may receive a key.
    std::vector<std::pair<const Table*, std::string>> keyed;
    for (const Table& t : tables)
        for (const Column& c : t.columns)
            if (c.integerKey || (c.pgType == "bigint" && Store::WritableTables().count(LowerAscii(t.name)))) {
                keyed.emplace_back(&t, c.name);
                pg.run("CREATE SEQUENCE " + QuoteIdentifier(KeySequence(t.name, c.name)));
            }
    for (const Table& t : tables) {
        pg.run(CreateTable(t));
        if (t.inFile) CopyRows(file, pg, t);
        say("table " + t.name + " : " + pg.scalar("SELECT count(*) FROM " + QuoteIdentifier(t.name)) + " lignes");
    }
    for (const Table& t : tables)
        if (t.inFile)
            for (const std::string& sql : CreateIndexes(file, t, options)) pg.run(sql);
    // A record's history is read by its record and by its rows.
    pg.run("CREATE INDEX IF NOT EXISTS \"sysHistory_Record\" ON \"sysHistory\" (\"RecordTable\", \"RecordKey\");"
           "CREATE INDEX IF NOT EXISTS \"sysHistory_Row\" ON \"sysHistory\" (\"TableName\", \"KeyValue\")");
    for (const auto& [table, column] : kSearchedColumns) {
        const auto found = byName.find(LowerAscii(table));
        if (found == byName.end()) continue;
        for (const Column& c : found->second->columns)
            if (LowerAscii(c.name) == LowerAscii(column))
                pg.run("CREATE INDEX " + QuoteIdentifier(found->second->name + "_" + c.name + "_trgm") + " ON " +
                       QuoteIdentifier(found->second->name) + " USING gin ((stanor_fold(" + QuoteIdentifier(c.name) +
                       ") COLLATE \"C\") gin_trgm_ops) WITH (fastupdate = off)");
    }

    std::vector<std::string> triggers;
    file.rows("SELECT name FROM sqlite_master WHERE type = 'trigger' ORDER BY rowid",
              [&](sqlite3_stmt* s) { triggers.push_back(SqliteFile::Text(s, 0)); });
    for (const std::string& name : triggers) {
        const Cascade* cascade = nullptr;
        for (const Cascade& c : kCascades)
            if (LowerAscii(c.trigger) == LowerAscii(name) && byName.count(LowerAscii(c.table))) cascade = &c;
        if (!cascade) {
            say("déclencheur " + name + " non repris : il est propre à SQLite");
            continue;
        }
        // Run as the owner: the lines of a record go with it whatever the
        // dealership wall lets the deleting statement see.
        pg.run("CREATE FUNCTION " + QuoteIdentifier(cascade->trigger) + "() RETURNS trigger LANGUAGE plpgsql"
               " SECURITY DEFINER SET search_path = pg_catalog, " + schema +
               " AS $$ BEGIN " + std::string(cascade->body) + " RETURN NULL; END $$");
        pg.run("CREATE TRIGGER " + QuoteIdentifier(cascade->trigger) + " AFTER " + cascade->events + " ON " +
               QuoteIdentifier(cascade->table) + " FOR EACH ROW EXECUTE FUNCTION " +
               QuoteIdentifier(cascade->trigger) + "()");
    }

    // Keys go on after the highest ever handed out: the column's and the file's record of it.
    std::map<std::string, long long> handedOut;
    bool hasKeys = false;
    file.rows("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND lower(name) = 'syskeys'",
              [&](sqlite3_stmt* s) { hasKeys = sqlite3_column_int(s, 0) > 0; });
    if (hasKeys)
        file.rows("SELECT lower(TableName), lower(ColumnName), LastValue FROM sysKeys", [&](sqlite3_stmt* s) {
            handedOut[SqliteFile::Text(s, 0) + "\n" + SqliteFile::Text(s, 1)] = sqlite3_column_int64(s, 2);
        });
    for (const auto& [table, column] : keyed) {
        const std::string top = pg.scalar("SELECT max(" + QuoteIdentifier(column) + ") FROM " +
                                          QuoteIdentifier(table->name));
        long long last = top.empty() ? 0 : std::atoll(top.c_str());
        const auto recorded = handedOut.find(LowerAscii(table->name) + "\n" + LowerAscii(column));
        if (recorded != handedOut.end()) last = std::max(last, recorded->second);
        const std::string sequence = QuoteLiteral(QuoteIdentifier(KeySequence(table->name, column)));
        pg.run(last >= 1 ? "SELECT setval(" + sequence + ", " + std::to_string(last) + ", true)"
                         : "SELECT setval(" + sequence + ", 1, false)");
    }

    // The service's role: the application's tables, their keys, the reserved functions.
    std::string functions = kReservedFunctions;
    for (size_t at; (at = functions.find("@SCHEMA@")) != std::string::npos;) functions.replace(at, 8, schema);
    pg.run(functions);
    pg.run("GRANT USAGE ON SCHEMA " + schema + " TO " + role);
    for (const Table& t : tables) {
        const std::string lower = LowerAscii(t.name);
        if (Store::WritableTables().count(lower))
            pg.run("GRANT SELECT, INSERT, UPDATE, DELETE ON " + QuoteIdentifier(t.name) + " TO " + role);
        else if (Store::ReadableTables().count(lower))
            pg.run("GRANT SELECT ON " + QuoteIdentifier(t.name) + " TO " + role);
    }
    for (const auto& [table, column] : keyed)
        if (Store::WritableTables().count(LowerAscii(table->name)))
            pg.run("GRANT USAGE ON SEQUENCE " + QuoteIdentifier(KeySequence(table->name, column)) + " TO " + role);
    for (const char* f : kReservedNames) {
        pg.run(std::string("REVOKE ALL ON FUNCTION ") + f + " FROM PUBLIC");
        pg.run(std::string("GRANT EXECUTE ON FUNCTION ") + f + " TO " + role);
    }
    // The wall between dealerships (DealershipScope.h).
    std::string scope = PgScopeSql(role);
    for (size_t at; (at = scope.find("@SCHEMA@")) != std::string::npos;) scope.replace(at, 8, schema);
    pg.run(scope);
    for (const ScopedTable& t : ScopedTables())
        if (byName.count(LowerAscii(t.table))) pg.run(PgScopePolicy(t));
    pg.run("COMMIT");
    std::string analyzed;
    for (const Table& t : tables) analyzed += (analyzed.empty() ? "" : ", ") + QuoteIdentifier(t.name);
    pg.run("ANALYZE " + analyzed);
    say("base PostgreSQL prête : " + std::to_string(tables.size()) + " tables, rôle du service " + options.serviceRole);
    if (pg.scalar("SELECT current_setting('is_superuser')") == "on")
        SecurePgDatabase(conninfo, options.serviceRole, ServiceLimits{}, options.say);
    else
        say("reste à la protéger, en superutilisateur : stanor-dataservice --pg CONNEXION --secure (le service "
            "refuse de servir une base qui ne l'a pas reçu)");
}

namespace {

// Functions of the server that the application never calls and that could
// stall it (waits, locks held until the session ends), reach other sessions
// (end or cancel them, read what they run), change a setting of the session
// (its time limits), or leave the application's tables (large objects,
// files, queries run as XML, other databases).
const char* const kWithdrawnFunctions =
    "^(pg_sleep.*|set_config|current_setting|pg_terminate_backend|pg_cancel_backend|pg_advisory.*|"
    "pg_try_advisory.*|pg_notify|pg_listening_channels|lo_.*|loread|lowrite|.*_to_xml.*|.*_to_xmlschema|"
    "dblink.*|pg_read_.*|pg_ls_.*|pg_stat_file|pg_file_.*|pg_logical_.*|pg_replication_.*|pg_create_.*_slot|"
    "pg_drop_replication_slot|pg_export_snapshot|pg_stat_get_activity|pg_stat_get_backend_.*|"
    "pg_stat_get_progress_info|pg_show_all_settings|pg_show_all_file_settings|pg_blocking_pids|"
    "pg_safe_snapshot_blocking_pids|pg_reload_conf|pg_current_logfile|pg_get_backend_memory_contexts)$";

// The catalogue the service's own statements read (names of the schema, the
// rights of its role); every other table and view of the catalogue is withdrawn.
const char* const kKeptCatalogue[] = {"pg_class", "pg_namespace", "pg_attribute", "pg_roles"};

}  // namespace

void SecurePgDatabase(const std::string& conninfo, const std::string& serviceRole, const ServiceLimits& limits,
                      const std::function<void(const std::string&)>& say) {
    PgConnection pg(conninfo);
    if (pg.scalar("SELECT current_setting('is_superuser')") != "on")
        throw std::runtime_error("--secure demande un superutilisateur : les fonctions et le catalogue du serveur "
                                 "lui appartiennent (se connecter en superutilisateur, par exemple postgres)");
    if (pg.scalar("SELECT count(*) FROM pg_roles WHERE rolname = $1", {serviceRole}) != "1")
        throw std::runtime_error("le rôle " + serviceRole + " n'existe pas");
    const std::string owner =
        pg.scalar("SELECT quote_ident(pg_get_userbyid(datdba)) FROM pg_database WHERE datname = current_database()");
    const std::string role = QuoteIdentifier(serviceRole);
    pg.run("BEGIN");
    const std::string withdrawn = pg.scalar(
        "SELECT count(*) FROM pg_proc WHERE proname ~ $1 AND pronamespace IN"
        " (SELECT oid FROM pg_namespace WHERE nspname NOT LIKE 'pg\\_toast%')", {kWithdrawnFunctions});
    pg.run("DO $$ DECLARE f regprocedure; BEGIN FOR f IN SELECT oid FROM pg_proc WHERE proname ~ " +
           QuoteLiteral(kWithdrawnFunctions) +
           " LOOP EXECUTE format('REVOKE EXECUTE ON FUNCTION %s FROM PUBLIC', f); END LOOP; END $$");
    // The catalogue: the owner keeps it for the tools the administrators use.
    pg.run("REVOKE SELECT ON ALL TABLES IN SCHEMA pg_catalog, information_schema FROM PUBLIC");
    pg.run("GRANT SELECT ON ALL TABLES IN SCHEMA pg_catalog, information_schema TO " + owner);
    for (const char* kept : kKeptCatalogue) pg.run(std::string("GRANT SELECT ON pg_catalog.") + kept + " TO PUBLIC");
    // The role's own time limits, for any connection it opens; the service
    // also sets them in every transaction of the client's statements.
    const std::string database = pg.scalar("SELECT quote_ident(current_database())");
    for (const auto& [setting, value] :
         {std::pair{"statement_timeout", std::to_string(limits.statementMs)},
          std::pair{"lock_timeout", std::to_string(limits.writeWaitMs)},
          std::pair{"idle_in_transaction_session_timeout", std::string("60000")}})
        pg.run("ALTER ROLE " + role + " IN DATABASE " + database + " SET " + setting + " = " + value);
    pg.run("COMMIT");
    if (say)
        say("base protégée : " + withdrawn + " fonctions du serveur retirées à tous (le superutilisateur excepté), "
            "catalogue réservé au propriétaire hormis " + std::to_string(std::size(kKeptCatalogue)) +
            " tables, limites de temps du rôle " + serviceRole + " fixées");
}

void CreatePgDemoDatabase(const std::string& conninfo, const std::string& demoDir, const PgCopyOptions& options) {
    std::string pattern = (fs::temp_directory_path() / "stanor-demo-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("dossier temporaire impossible à créer");
    const fs::path dir = pattern;
    try {
        CreateDemoDatabase((dir / "demo.db").string(), demoDir);
        ImportSqliteIntoPg((dir / "demo.db").string(), conninfo, options);
    } catch (...) {
        fs::remove_all(dir);
        throw;
    }
    fs::remove_all(dir);
}

void LoadPgTabDescriptions(const std::string& conninfo, const std::string& tsvPath) {
    const TsvTable t = ReadTabDescriptions(tsvPath);
    PgConnection pg(conninfo);
    std::string columns = "\"RowOrder\"", marks = "$1";
    for (size_t i = 0; i < t.columns.size(); ++i) {
        columns += ", " + QuoteIdentifier(t.columns[i]);
        marks += ", $" + std::to_string(i + 2);
    }
    pg.run("BEGIN");
    try {
        pg.run("DELETE FROM \"sysTabDesc\"");
        const std::string sql = "INSERT INTO \"sysTabDesc\" (" + columns + ") VALUES (" + marks + ")";
        for (size_t r = 0; r < t.rows.size(); ++r) {
            std::vector<std::string> values{std::to_string(r + 1)};
            values.insert(values.end(), t.rows[r].begin(), t.rows[r].end());
            pg.run(sql, values);
        }
        pg.run("COMMIT");
    } catch (...) {
        PQclear(PQexec(pg.handle(), "ROLLBACK"));
        throw;
    }
}

}  // namespace stanor::dataservice
