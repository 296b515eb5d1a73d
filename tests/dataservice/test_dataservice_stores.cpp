// What the PostgreSQL store adds for groups: several services on one database
// never hand out one key twice (on SQLite too), a site's SQLite file moves
// without losing a row or a key, contains searches and duplicate counts are
// served by indexes, and the service's role reaches the application's tables
// only, whatever statement slips past the checks.
#include "DemoLoader.h"
#include "PgDialect.h"
#include "PgSchema.h"
#include "PgStore.h"
#include "ServiceFixture.h"
#include "SqliteStore.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

namespace {

// Every row of a table in wire form, sorted.
std::vector<std::string> Rows(Store& store, const std::string& table, std::vector<std::string>* columns = nullptr) {
    const ResultSet r = store.acquire()->query("SELECT * FROM " + QuoteIdentifier(table));
    if (columns) *columns = r.columns;
    std::vector<std::string> out;
    for (const auto& row : r.rows) {
        std::string line;
        for (const auto& v : row) line += v + "|";
        out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
}

struct RunningService {
    std::unique_ptr<DataService> service;
    std::thread thread;
    int port = 0;
    RunningService(const DemoCopy& copy, const std::string& images) {
        ServiceOptions o;
        copy.configure(o);
        o.imagesDir = images;
        o.port = 0;
        o.logRequests = false;
        service = std::make_unique<DataService>(o);
        port = service->start();
        thread = std::thread([this] { service->run(); });
    }
    ~RunningService() {
        service->stop();
        thread.join();
    }
};

}  // namespace

TEST(DataServiceStores, TwoServicesOnOneDatabaseNeverHandOutTheSameKey) {
    const std::string dir = MakeTempDir();
    {
        DemoCopy copy(dir);
        RunningService first(copy, dir + "/images"), second(copy, dir + "/images");
        // One sign-in serves both: the session lives in the database they share.
        const std::string token = SignIn(first.port, "1");
        constexpr int kThreads = 8, kEach = 30;
        std::atomic<int> failures{0};
        std::vector<std::set<long long>> keys(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                httplib::Client c("127.0.0.1", t % 2 ? first.port : second.port);
                c.set_url_encode(false);
                c.set_bearer_token_auth(token);
                c.set_read_timeout(10, 0);
                for (int i = 0; i < kEach; ++i) {
                    auto r = c.Get("/AxInsert?XMLC_OutputFormat=XML&UserID=1&SQLExecute=Insert%20into%20tActions%20"
                                   "(idClient,%20CommentaireAction,%20idAction)%20Values%20(2,%20'cle',%20:NewID)");
                    const std::string body = r ? r->body : "";
                    const size_t at = body.find("<NewID>");
                    if (!r || body.find("<LogItem>") != std::string::npos || at == std::string::npos) {
                        ++failures;
                        continue;
                    }
                    keys[t].insert(std::atoll(body.c_str() + at + 7));
                }
            });
        for (auto& th : threads) th.join();
        EXPECT_EQ(failures.load(), 0);
        std::set<long long> all;
        size_t given = 0;
        for (const auto& k : keys) {
            given += k.size();
            all.insert(k.begin(), k.end());
        }
        EXPECT_EQ(all.size(), given) << "a key was handed out twice";
        auto checks = copy.open();
        const ResultSet stored = checks->acquire()->query(
            "SELECT count(*), count(DISTINCT idAction) FROM tActions WHERE CommentaireAction = 'cle'");
        EXPECT_EQ(stored.rows.at(0).at(0), std::to_string(kThreads * kEach));
        EXPECT_EQ(stored.rows.at(0).at(1), std::to_string(kThreads * kEach));
    }
    fs::remove_all(dir);
}

TEST(DataServiceStores, AnImportedSiteKeepsEveryRowAndNeverReusesAKey) {
    if (!OnPostgres()) GTEST_SKIP() << "an import into PostgreSQL";
    const std::string dir = MakeTempDir();
    // The site's file: the demo database, whose customer key 41 was handed out
    // (and that customer since deleted) before the move, made before insert keys existed.
    const std::string file = dir + "/site.db";
    fs::copy_file(TemplateDatabase(), file);
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "INSERT INTO sysKeys (TableName, ColumnName, LastValue) VALUES ('tclients', "
                                    "'idclient', 41); DROP TABLE sysInsertKeys", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    {
        EmptyPgDatabase target;
        PgCopyOptions options;
        ImportSqliteIntoPg(file, target.ownerConninfo(), options);
        SqliteStore source(file);
        PgStore copied(target.ownerConninfo());
        for (const char* table : {"tVehicles", "tVO - Frevo", "tVO - Liens Images", "tClients", "tActions",
                                  "tVehiclesProfid", "ListRubrics", "ListPars", "ListModels", "ListVersions",
                                  "ListOptions", "tSites", "tCommerciaux", "tUsers", "tUserGroups", "tOptDates",
                                  "sysTabDesc", "sysSmsLog"}) {
            std::vector<std::string> sourceColumns, copiedColumns;
            const auto before = Rows(source, table, &sourceColumns);
            const auto after = Rows(copied, table, &copiedColumns);
            EXPECT_EQ(copiedColumns, sourceColumns) << table;
            EXPECT_EQ(after, before) << table;
        }
        // Keys go on after the highest of the column and of the file's record.
        auto s = copied.acquire();
        const auto next = [&](const char* insert) {
            const Outcome o = s->runClientWrite(TranslateSql(insert));
            EXPECT_TRUE(o.ok()) << o.message;
            return o.newId;
        };
        EXPECT_EQ(next("Insert into tClients (CliNom, idClient) Values ('APRES', :NewID)"), 42);
        EXPECT_EQ(next("Insert into tVehicles (NVO, idTVO) Values (1, :NewID)"), 9);
        // Inserts sent with a client's key are kept although the file had no table for them.
        Outcome done;
        done.changes = 1;
        EXPECT_TRUE(s->rememberInsertKey("cle-de-la-saisie-01", done, "2026-12-09 12:00:00"));
        EXPECT_EQ(s->insertKey("cle-de-la-saisie-01").rows.size(), 1u);
        // Importing again into a database that is no longer empty changes nothing.
        EXPECT_THROW(ImportSqliteIntoPg(file, target.ownerConninfo(), options), std::runtime_error);
        EXPECT_EQ(s->query("SELECT count(*) FROM tClients").rows.at(0).at(0), "10");  // the demo's nine and "APRES"
    }
    fs::remove_all(dir);
}

TEST(DataServiceStores, ContainsSearchesAndDuplicateCountsAreServedByIndexes) {
    if (!OnPostgres()) GTEST_SKIP() << "the plans of PostgreSQL";
    const std::string dir = MakeTempDir();
    {
        DemoCopy copy(dir);
        PgStore store(copy.ownerConninfo());
        PGconn* conn = ConnectPg(copy.ownerConninfo());
        // Enough records for the plans of a dealership group.
        PGresult* filled = PQexec(conn,
            "INSERT INTO \"tClients\" (\"idClient\", \"CliNom\", \"CliPrenom\", \"CliMobile\", \"CliTelDom\")"
            " SELECT 1000 + i, 'NOM' || i, 'PRENOM' || (i % 300), '06' || lpad(i::text, 8, '0'),"
            " '03' || lpad((i * 7)::text, 8, '0') FROM generate_series(1, 20000) i;"
            "INSERT INTO \"tVehicles\" (\"idTVO\", \"idVO\", \"TypeVO\", \"Immatriculation\", \"Acheteur\","
            " \"DateOrdre\") SELECT 1000 + i, 100000 + i, 1 + i % 2, chr(65 + i % 26) || chr(65 + (i / 26) % 26) ||"
            " lpad((i % 1000)::text, 3, '0') || chr(65 + (i / 676) % 26) || chr(65 + (i * 7) % 26),"
            " 'ACHETEUR ' || i, date '2024-01-01' + i % 700 FROM generate_series(1, 20000) i;"
            "INSERT INTO \"tVehiclesProfid\" (\"idTVO\", \"idClient\", \"Immatriculation\")"
            " SELECT 1000 + i, 1000 + i, 'P' || lpad(i::text, 6, '0') FROM generate_series(1, 20000) i;"
            "ANALYZE");
        ASSERT_EQ(PQresultStatus(filled), PGRES_COMMAND_OK) << PQresultErrorMessage(filled);
        PQclear(filled);
        const std::string vehicles = "SELECT TypeVO, idTVO as VO_ID, Immatriculation AS VO_IMMAT FROM TVehicles WHERE ";
        const std::string customers = "SELECT -1 AS TypeVO, idClient AS VO_ID, [CliNom], [CliPrenom] FROM TClients WHERE ";
        struct Case {
            std::string sql;
            const char* index;  // a part of the name of the index the plan must use
        } cases[] = {
            {vehicles + "(TypeVO=1) and (Immatriculation like '%AB1%') ORDER BY Immatriculation, DateOrdre desc",
             "tVehicles_Immatriculation_trgm"},
            {vehicles + "(Acheteur like '%MART%') ORDER BY Acheteur, DateOrdre desc", "tVehicles_Acheteur_trgm"},
            {"SELECT idClient as VO_ID FROM TVehiclesProFid WHERE (Immatriculation like '%EE3%') ORDER BY "
             "Immatriculation", "tVehiclesProfid_Immatriculation_trgm"},
            {customers + "(CliNom like '%dup%') and (CliPreNom like '%jea%') ORDER BY CliNom, CliPreNom, idClient desc",
             "_trgm"},
            {customers + "(CliMobile like '%0612%') ORDER BY CliMobile, idClient desc", "tClients_CliMobile_trgm"},
            {customers + "(CliTelDom like '%0320%') ORDER BY CliTelDom, idClient desc", "tClients_CliTelDom_trgm"},
            {"select count(idClient) as cpt from tClients group by CliNom, CliPrenom having (CliNom='DUPONT') and "
             "(CliPreNom='JEAN')", "tClients_CliNom"},
            {"select count(idClient) as cpt from tClients group by CliMobile having (CliMobile='0612345678')",
             "tClients_CliMobile"},
            {"select count(idClient) as cpt from tClients group by CliTelDom having (CliTelDom='0320000000')",
             "tClients_CliTelDom"},
        };
        for (const Case& c : cases) {
            const PgStatement pg = RenderClientSql(TranslateSql(c.sql), store.names());
            ASSERT_TRUE(pg.ok()) << pg.error;
            // As the service runs it: only the rows of one answer.
            PGresult* r = PQexec(conn, ("EXPLAIN " + pg.sql + " LIMIT 50").c_str());
            ASSERT_EQ(PQresultStatus(r), PGRES_TUPLES_OK) << PQresultErrorMessage(r);
            std::string plan;
            for (int i = 0; i < PQntuples(r); ++i) plan += std::string(PQgetvalue(r, i, 0)) + "\n";
            PQclear(r);
            EXPECT_EQ(plan.find("Seq Scan"), std::string::npos) << c.sql << "\n" << plan;
            EXPECT_NE(plan.find(c.index), std::string::npos) << c.sql << "\n" << plan;
        }
        PQfinish(conn);
    }
    fs::remove_all(dir);
}

TEST(DataServiceStores, TheServicesRoleReachesTheApplicationsTablesOnly) {
    if (!OnPostgres()) GTEST_SKIP() << "the roles of PostgreSQL";
    const std::string dir = MakeTempDir();
    {
        DemoCopy copy(dir);
        // Statements that would have slipped past every check of the service,
        // sent as they stand on the service's own connection.
        PGconn* conn = ConnectPg(copy.serviceConninfo());
        struct Case {
            const char* sql;
            bool allowed;
        } cases[] = {
            {"SELECT count(*) FROM \"tVehicles\"", true},
            {"UPDATE \"ListRubrics\" SET \"RubricText\" = 'x' WHERE false", true},
            {"SELECT \"Name_\" FROM stanor_user('1')", true},
            {"SELECT * FROM \"tUsers\"", false},
            {"UPDATE \"tUserGroups\" SET \"GName\" = 'USER_SUPERADMINS'", false},
            {"INSERT INTO \"tUserGroups\" (\"idUser\", \"GName\") VALUES (1, 'USER_SUPERADMINS')", false},
            {"SELECT * FROM \"tOptDates\"", false},
            {"DELETE FROM \"sysTabDesc\"", false},
            {"SELECT * FROM \"sysSmsLog\"", false},
            {"UPDATE \"ListPars\" SET \"ParText\" = 'x'", false},
            {"SELECT setval('\"tVehicles_idTVO_seq\"', 1)", false},
            {"SELECT nextval('\"tUsers_idUser_seq\"')", false},
            {"TRUNCATE \"tClients\"", false},
            {"CREATE TABLE intrus (x int)", false},
            {"DROP TABLE \"tActions\"", false},
            {"ALTER TABLE \"tVehicles\" DROP COLUMN \"KMS\"", false},
            {"SET ROLE stanor_owner", false},
            {"SELECT set_config('role', 'stanor_owner', false)", false},
            // The passwords and the sessions: through the role's functions only, one user, one session at a time.
            {"SELECT \"PwHash\" FROM stanor_credentials('1')", true},
            {"SELECT * FROM stanor_session('x', '', '')", true},
            {"SELECT * FROM \"sysUserPasswords\"", false},
            {"UPDATE \"sysUserPasswords\" SET \"Disabled\" = false", false},
            {"SELECT * FROM \"sysSessions\"", false},
            {"INSERT INTO \"sysSessions\" VALUES ('x', 1, '', '', '')", false},
            {"DELETE FROM \"sysSessions\"", false},
            // The server's functions that wait, reach other sessions, change the
            // session's time limits or leave the application's tables, and its catalogue.
            {"SELECT pg_sleep(0)", false},
            {"SELECT set_config('statement_timeout', '0', false)", false},
            {"SELECT current_setting('statement_timeout')", false},
            {"SELECT pg_terminate_backend(pg_backend_pid())", false},
            {"SELECT pg_cancel_backend(0)", false},
            {"SELECT pg_advisory_lock(1)", false},
            {"SELECT lo_from_bytea(0, 'x')", false},
            {"SELECT query_to_xml('select 1', true, true, '')", false},
            {"SELECT count(*) FROM pg_settings", false},
            {"SELECT count(*) FROM pg_stat_activity", false},
            {"SELECT count(*) FROM pg_proc", false},
            {"SELECT count(*) FROM information_schema.tables", false},
            {"SELECT count(*) FROM pg_class", true},  // the names of the schema, which the service reads
        };
        for (const Case& c : cases) {
            PGresult* r = PQexec(conn, c.sql);
            const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
            EXPECT_EQ(ok, c.allowed) << c.sql << " : " << PQresultErrorMessage(r);
            PQclear(r);
        }
        PQfinish(conn);

        // The service refuses to serve as a role that could reach more: its owner.
        ServiceOptions o;
        o.pgConninfo = copy.ownerConninfo();
        o.imagesDir = dir + "/images";
        o.port = 0;
        o.logRequests = false;
        DataService owner(o);
        try {
            owner.start();
            ADD_FAILURE() << "the service served as the owner of the database";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("sysUserPasswords"), std::string::npos) << e.what();
        }
    }
    fs::remove_all(dir);
}

// A connection whose time limits were lifted (by whatever slipped past the
// checks) still stops a statement at the service's limit: the limits are set
// again in the transaction of every statement of the client.
TEST(DataServiceStores, TimeLimitsLiftedOnAConnectionHoldAllTheSame) {
    if (!OnPostgres()) GTEST_SKIP() << "the time limits of PostgreSQL";
    const std::string dir = MakeTempDir();
    {
        DemoCopy copy(dir);
        DatabaseOptions quick;
        quick.statementTimeMs = quick.writeLockMs = 300;
        PgStore store(copy.serviceConninfo(), quick);
        auto s = store.acquire();
        PQclear(PQexec(static_cast<PgSession&>(*s).handle(), "SET statement_timeout = 0; SET lock_timeout = 0"));
        const std::string slow = "(SELECT count(*) FROM ListPars a, ListPars b, ListPars c, ListPars d, ListPars e) > 0";
        const Outcome read = s->runClientSelect(TranslateSql("SELECT 1 AS x FROM tVehicles WHERE " + slow), 10);
        EXPECT_TRUE(read.limit) << read.message;
        EXPECT_EQ(read.message, messages::kInterrupted);
        const Outcome write = s->runClientWrite(TranslateSql("UPDATE tVehicles SET KMS=0 WHERE idTVO=1 AND " + slow));
        EXPECT_TRUE(write.limit) << write.message;
        EXPECT_EQ(write.message, messages::WriteLockHeld(300));
        EXPECT_EQ(s->query("SELECT KMS FROM tVehicles WHERE idTVO = 1").rows.at(0).at(0), "84500");
    }
    fs::remove_all(dir);
}

TEST(DataServiceStores, ConnectionsThatTheServerClosedAreOpenedAgain) {
    if (!OnPostgres()) GTEST_SKIP() << "a PostgreSQL server that restarts";
    const std::string dir = MakeTempDir();
    {
        DemoCopy copy(dir);
        RunningService running(copy, dir + "/images");
        httplib::Client c("127.0.0.1", running.port);
        c.set_url_encode(false);
        c.set_bearer_token_auth(SignIn(running.port, "1"));
        const auto read = [&] {
            auto r = c.Get("/AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1&idClient=");
            return r ? r->body : std::string("(pas de réponse)");
        };
        ASSERT_EQ(read().find("<LogItem>"), std::string::npos);
        // The server ends the service's connections (a restart, a fail-over).
        EndServiceConnections(copy);
        const std::string body = read();
        EXPECT_EQ(body.find("<LogItem>"), std::string::npos) << body;
        auto w = c.Get("/AxUpdate?XMLC_OutputFormat=XML&UserID=1&SQLExecute=Update%20tVehicles%20set%20KMS=5%20where%20(idTVO=1)");
        ASSERT_TRUE(w);
        EXPECT_EQ(w->body.find("<LogItem>"), std::string::npos) << w->body;
    }
    fs::remove_all(dir);
}

TEST(DataServiceStores, TabDescriptionsAreReplacedOnPostgresqlAsOnSqlite) {
    if (!OnPostgres()) GTEST_SKIP() << "the tab descriptions of a PostgreSQL database";
    const std::string dir = MakeTempDir();
    {
        DemoCopy copy(dir);
        const std::string file = std::string(STANOR_DEMO_DIR) + "/tabdesc_minimal.tsv";
        LoadPgTabDescriptions(copy.ownerConninfo(), file);
        auto store = copy.open();
        auto s = store->acquire();
        EXPECT_EQ(s->query("SELECT count(*) FROM sysTabDesc").rows.at(0).at(0),
                  std::to_string(ReadTabDescriptions(file).rows.size()));
        // In the file's order, as the answers give them.
        EXPECT_EQ(s->tabDescriptions("ALV").rows.at(0).at(0), ReadTabDescriptions(file).rows.at(0).at(0));
        // A file that cannot be read leaves the descriptions as they were.
        EXPECT_THROW(LoadPgTabDescriptions(copy.ownerConninfo(), dir + "/absent.tsv"), std::runtime_error);
        EXPECT_EQ(s->query("SELECT count(*) FROM sysTabDesc").rows.at(0).at(0),
                  std::to_string(ReadTabDescriptions(file).rows.size()));
    }
    fs::remove_all(dir);
}
