#pragma once
// The store the tests run against, and fresh copies of the demo database in
// it: SQLite, or, when STANOR_TEST_PG names the state file of the server that
// scripts/pg-test-server started, PostgreSQL (CTest starts that server before
// the first test that needs it and stops it after the last).

#include "DataService.h"
#include "DemoLoader.h"
#include "PgStore.h"
#include "SqliteStore.h"
#include "Store.h"

#include <httplib.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace stanor::dataservice::test {

// Whether the tests run against the PostgreSQL store.
bool OnPostgres();

// A fresh, empty temporary folder (removed by the caller).
std::string MakeTempDir();

// The SQLite demo database built once per test process from the repository's text files.
const std::string& TemplateDatabase();

// A fresh copy of the demo database in the store under test, removed with it.
class DemoCopy {
public:
    // `dir` receives the SQLite file.
    explicit DemoCopy(const std::string& dir);
    ~DemoCopy();
    DemoCopy(const DemoCopy&) = delete;
    DemoCopy& operator=(const DemoCopy&) = delete;

    // Points a service at the copy (on PostgreSQL, as the service's role).
    void configure(ServiceOptions& options) const;
    // The program's options that name the copy: --db FILE or --pg CONNINFO.
    std::vector<std::string> programArguments() const;
    // The copy with every right (on PostgreSQL, its owner's), for the checks of the tests.
    std::unique_ptr<Store> open(DatabaseOptions options = {}) const;

    const std::string& path() const { return path_; }          // SQLite
    const std::string& serviceConninfo() const { return service_; }  // PostgreSQL
    const std::string& ownerConninfo() const { return owner_; }
    const std::string& pgDatabase() const { return name_; }

private:
    std::string path_, name_, service_, owner_;
};

// An empty PostgreSQL database of the test server, owned by the owner role,
// dropped with it.
class EmptyPgDatabase {
public:
    EmptyPgDatabase();
    ~EmptyPgDatabase();
    const std::string& ownerConninfo() const { return owner_; }
    const std::string& serviceConninfo() const { return service_; }

private:
    std::string name_, owner_, service_;
};

// The write lock of a whole database, held by another connection until
// released, as another program holding a long transaction would.
class OtherWriter {
public:
    explicit OtherWriter(const DemoCopy& copy);
    ~OtherWriter();
    void release();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Ends every connection of the services' role to the copy's database, as a
// restart of the server would, and returns once they are gone.
void EndServiceConnections(const DemoCopy& copy);

// The password of a demo user ("1", "2", "3" or "9999"), as the demo database
// has it; "" for any other user.
std::string DemoPassword(const std::string& idUser);

// Signs a user in at the service on 127.0.0.1:`port` with that password (a
// demo user's when none is given); the session token, "" when refused.
// `answer`, when given, receives the whole answer.
std::string SignIn(int port, const std::string& idUser, std::optional<std::string> password = std::nullopt,
                   std::string* answer = nullptr);

// Writes a netrc file (mode 0600) holding every demo user's password for the
// host 127.0.0.1, as an unattended workstation keeps it.
void WriteDemoNetrc(const std::string& path);

// Every row of every table of the application and of the service, sorted,
// one line a table: to prove that a refused request changed nothing.
std::string Snapshot(Store& store);

// ---- definitions: header only, so that every user of the end-to-end fixture
// needs the service library alone ----

namespace detail {

struct PgServer {
    std::string dir, admin;
};

inline const PgServer& Server() {
    static const PgServer server = [] {
        const char* file = std::getenv("STANOR_TEST_PG");
        if (!file) throw std::runtime_error("STANOR_TEST_PG manque : le serveur de test se lance par CTest");
        std::ifstream in(file);
        if (!in) throw std::runtime_error(std::string("serveur PostgreSQL de test absent (") + file + ")");
        PgServer s;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("dir=", 0) == 0) s.dir = line.substr(4);
            if (line.rfind("admin=", 0) == 0) s.admin = line.substr(6);
        }
        return s;
    }();
    return server;
}

inline std::string Conninfo(const std::string& database, const std::string& user) {
    return "host=" + Server().dir + " dbname=" + database + " user=" + user;
}

// Runs a statement as the cluster's administrator; a template still in use
// by a copy being made beside is waited for.
inline void AdminRun(const std::string& sql) {
    for (int attempt = 0;; ++attempt) {
        PGconn* conn = ConnectPg(Server().admin + " dbname=postgres");
        PGresult* r = PQexec(conn, sql.c_str());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        const std::string why = ok ? "" : PQresultErrorMessage(r);
        const bool retry = !ok && state && std::string(state) == "55006" && attempt < 50;
        PQclear(r);
        PQfinish(conn);
        if (ok) return;
        if (!retry) throw std::runtime_error(why + " - " + sql);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

inline std::string NewDatabaseName() {
    static std::atomic<int> counter{0};
    return "stanor_t_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
}

}  // namespace detail

inline bool OnPostgres() {
    const char* state = std::getenv("STANOR_TEST_PG");
    return state && *state;
}

inline std::string MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "stanor-ds-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    return pattern;
}

inline const std::string& TemplateDatabase() {
    // Kept on the heap so that it outlives the function statics when the
    // clean-up below runs at exit.
    static const std::string* path = [] {
        auto* db = new std::string(MakeTempDir() + "/template.db");
        CreateDemoDatabase(*db, STANOR_DEMO_DIR);
        std::atexit([] { std::filesystem::remove_all(std::filesystem::path(TemplateDatabase()).parent_path()); });
        return db;
    }();
    return *path;
}

inline DemoCopy::DemoCopy(const std::string& dir) {
    if (OnPostgres()) {
        name_ = detail::NewDatabaseName();
        detail::AdminRun("CREATE DATABASE " + name_ + " OWNER stanor_owner TEMPLATE stanor_demo");
        service_ = detail::Conninfo(name_, "stanor_service");
        owner_ = detail::Conninfo(name_, "stanor_owner");
    } else {
        std::filesystem::create_directories(dir);
        path_ = dir + "/demo.db";
        std::filesystem::copy_file(TemplateDatabase(), path_, std::filesystem::copy_options::overwrite_existing);
    }
}

inline DemoCopy::~DemoCopy() {
    try {
        if (!name_.empty()) detail::AdminRun("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    } catch (const std::exception&) {
        // The server stops after the tests and takes its databases with it.
    }
}

inline void DemoCopy::configure(ServiceOptions& options) const {
    options.dbPath = path_;
    options.pgConninfo = service_;
}

inline std::vector<std::string> DemoCopy::programArguments() const {
    if (!service_.empty()) return {"--pg", service_};
    return {"--db", path_};
}

inline std::unique_ptr<Store> DemoCopy::open(DatabaseOptions options) const {
    if (!owner_.empty()) return std::make_unique<PgStore>(owner_, options);
    return std::make_unique<SqliteStore>(path_, options);
}

inline EmptyPgDatabase::EmptyPgDatabase() : name_(detail::NewDatabaseName()) {
    detail::AdminRun("CREATE DATABASE " + name_ + " OWNER stanor_owner ENCODING 'UTF8' LOCALE 'C.UTF-8' TEMPLATE template0");
    owner_ = detail::Conninfo(name_, "stanor_owner");
    service_ = detail::Conninfo(name_, "stanor_service");
}

inline EmptyPgDatabase::~EmptyPgDatabase() {
    try {
        detail::AdminRun("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    } catch (const std::exception&) {
    }
}

struct OtherWriter::Impl {
    sqlite3* sqlite = nullptr;
    PGconn* pg = nullptr;
};

inline OtherWriter::OtherWriter(const DemoCopy& copy) : impl_(std::make_unique<Impl>()) {
    if (!copy.ownerConninfo().empty()) {
        impl_->pg = ConnectPg(copy.ownerConninfo());
        const char* lockAll =
            "BEGIN; DO $$ DECLARE t record; BEGIN FOR t IN SELECT tablename FROM pg_tables"
            " WHERE schemaname = current_schema() LOOP"
            " EXECUTE format('LOCK TABLE %I IN EXCLUSIVE MODE', t.tablename); END LOOP; END $$";
        PGresult* r = PQexec(impl_->pg, lockAll);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok) throw std::runtime_error(PQerrorMessage(impl_->pg));
    } else {
        if (sqlite3_open(copy.path().c_str(), &impl_->sqlite) != SQLITE_OK ||
            sqlite3_exec(impl_->sqlite, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error("verrou d'écriture SQLite impossible");
    }
}

inline void OtherWriter::release() {
    if (impl_->pg) {
        PQclear(PQexec(impl_->pg, "ROLLBACK"));
        PQfinish(impl_->pg);
        impl_->pg = nullptr;
    }
    if (impl_->sqlite) {
        sqlite3_exec(impl_->sqlite, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(impl_->sqlite);
        impl_->sqlite = nullptr;
    }
}

inline OtherWriter::~OtherWriter() { release(); }

inline void EndServiceConnections(const DemoCopy& copy) {
    PGconn* conn = ConnectPg(detail::Server().admin + " dbname=postgres");
    const std::string which = " FROM pg_stat_activity WHERE datname = '" + copy.pgDatabase() +
                              "' AND usename = 'stanor_service'";
    PQclear(PQexec(conn, ("SELECT pg_terminate_backend(pid)" + which).c_str()));
    for (int i = 0; i < 500; ++i) {
        PGresult* r = PQexec(conn, ("SELECT count(*)" + which).c_str());
        const bool gone = PQresultStatus(r) == PGRES_TUPLES_OK && std::string(PQgetvalue(r, 0, 0)) == "0";
        PQclear(r);
        if (gone) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    PQfinish(conn);
}

inline std::string DemoPassword(const std::string& idUser) {
    static const std::map<std::string, std::string> passwords = {
        {"1", "martin-admin-demo"}, {"2", "paul-durand-demo"}, {"3", "claire-lefevre-demo"}, {"9999", "tom-testeur-demo"},
        {"5", "julie-garnier-demo"}};
    const auto found = passwords.find(idUser);
    return found == passwords.end() ? std::string() : found->second;
}

inline std::string SignIn(int port, const std::string& idUser, std::optional<std::string> password,
                          std::string* answer) {
    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(20, 0);
    auto res = c.Post("/AxLogin", httplib::Params{{"UserID", idUser}, {"Password", password.value_or(DemoPassword(idUser))}});
    const std::string body = res ? res->body : "(pas de réponse)";
    if (answer) *answer = body;
    const size_t at = body.find("<Token>"), end = body.find("</Token>");
    return at == std::string::npos || end == std::string::npos ? std::string() : body.substr(at + 7, end - at - 7);
}

inline void WriteDemoNetrc(const std::string& path) {
    {
        std::ofstream out(path, std::ios::trunc);
        for (const char* id : {"1", "2", "3", "9999", "5"})
            out << "machine 127.0.0.1 login " << id << " password " << DemoPassword(id) << "\n";
    }
    ::chmod(path.c_str(), 0600);
}

inline std::string Snapshot(Store& store) {
    auto s = store.acquire();
    std::string out;
    for (const char* table : {"tVehicles", "tVO - Frevo", "tVO - Liens Images", "tClients", "tActions",
                              "tVehiclesProfid", "ListRubrics", "ListPars", "ListModels", "ListVersions",
                              "ListOptions", "tSites", "tCommerciaux", "tUsers", "tUserGroups", "tOptDates",
                              "sysTabDesc", "sysSmsLog"}) {
        const ResultSet rows = s->query("SELECT * FROM " + QuoteIdentifier(table));
        std::vector<std::string> lines;
        for (const auto& r : rows.rows) {
            std::string line;
            for (const auto& v : r) line += v + "|";
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        out += std::string(table) + ":";
        for (const auto& line : lines) out += line + "\n";
    }
    return out;
}

}  // namespace stanor::dataservice::test
