// The statements written out for PostgreSQL, without a server: names as the
// schema spells them, LIKE over case foldings, the keys' sequences, and what
// is refused because PostgreSQL would read it otherwise than the checks did.
#include "PgDialect.h"
#include "SqlDialect.h"

#include <gtest/gtest.h>

using namespace stanor::dataservice;

namespace {

PgNames Schema() {
    PgNames n;
    for (const char* t : {"tVehicles", "tVO - Frevo", "tClients"}) n.addTable(t);
    for (const char* c : {"idTVO", "idVO", "TypeVO", "StatutVD", "Immatriculation", "Site", "FlagVendu", "DateEntree",
                          "KMS", "NVO", "Vendeur", "Solde"})
        n.addColumn("tVehicles", c);
    for (const char* c : {"idFrevo", "idVO", "MontantHT"}) n.addColumn("tVO - Frevo", c);
    for (const char* c : {"idClient", "CliNom", "CliPrenom", "Site"}) n.addColumn("tClients", c);
    for (const char* s : {"tVehicles_idTVO_seq", "tVehicles_idVO_seq", "tVO - Frevo_idFrevo_seq"}) n.addSequence(s);
    return n;
}

PgStatement Client(const char* sql) {
    const TranslatedSql t = TranslateSql(sql);
    EXPECT_TRUE(t.ok()) << sql << " : " << t.error;
    return RenderClientSql(t, Schema());
}

}  // namespace

TEST(DataServicePgDialect, NamesKeyWordsAndLiteralsAreWrittenAsPostgresqlReadsThem) {
    struct Case {
        const char* client;
        const char* pg;
    } cases[] = {
        // Names in any case find the schema's spelling; an alias keeps the case it was typed in.
        {"SELECT idtvo as VO_ID, [immatriculation] FROM TVehicles WHERE (SITE='NORD')",
         "SELECT \"idTVO\" as \"VO_ID\", \"Immatriculation\" FROM \"tVehicles\" WHERE (\"Site\"='NORD')"},
        // A number a write compares or gives is read in its column's type (a salesperson's code is a text).
        {"Delete * From [tVO - Frevo] where idVO=12", "Delete  From \"tVO - Frevo\" where \"idVO\"='12'"},
        {"Update tVehicles set Vendeur=7 where (idTVO=1) and (Vendeur=2) and (Solde=-5)",
         "Update \"tVehicles\" set \"Vendeur\"='7' where (\"idTVO\"='1') and (\"Vendeur\"='2') and (\"Solde\"=-5)"},
        // Booleans stay booleans: "WHERE (0)" is no condition for PostgreSQL.
        {"select idTVO from tVehicles where (false) or FlagVendu=True", "select \"idTVO\" from \"tVehicles\" where (FALSE) or \"FlagVendu\"=TRUE"},
        {"select 1 where (isNull(StatutVD))", "select 1 where (((\"StatutVD\") IS NULL))"},
        {"Update tVehicles set DateEntree=#03/15/2009# where (idTVO=1)",
         "Update \"tVehicles\" set \"DateEntree\"='2009-03-15' where (\"idTVO\"='1')"},
        {"select CAST(KMS AS DECIMAL), count(*) AS n, upper(Site) from tVehicles",
         "select CAST(\"KMS\" AS DECIMAL), count(*) AS \"n\", upper(\"Site\") from \"tVehicles\""},
        {"select KMS * 1e3 from tVehicles", "select \"KMS\" * 1e3 from \"tVehicles\""},
        {"select KMS::text from tVehicles", "select \"KMS\"::text from \"tVehicles\""},
        {"select CliNom from tClients order by CliNom COLLATE NOCASE",
         "select \"CliNom\" from \"tClients\" order by \"CliNom\" COLLATE nocase"},
        // A text glued to a word is never read as an escape (E'..') or Unicode (U&'..') text.
        {"select E'\\x41' as a", "select \"E\" '\\x41' as \"a\""},
        {"select U&'\\0041' as a", "select \"U\"& '\\0041' as \"a\""},
    };
    for (const Case& c : cases) {
        const PgStatement pg = Client(c.client);
        ASSERT_TRUE(pg.ok()) << c.client << " : " << pg.error;
        EXPECT_EQ(pg.sql, c.pg) << c.client;
    }
}

TEST(DataServicePgDialect, LikeComparesTheCaseFoldingsOfItsWholeOperands) {
    const std::string fold = "stanor_fold(";
    struct Case {
        const char* client;
        const char* pg;
    } cases[] = {
        {"select 1 from tClients where (CliNom like '%mar%')",
         "select 1 from \"tClients\" where (stanor_fold(\"CliNom\") COLLATE \"C\" LIKE stanor_fold('%mar%') COLLATE \"C\")"},
        {"select 1 from tClients where CliNom not like 'a%' and CliPrenom ilike 'b%'",
         "select 1 from \"tClients\" where stanor_fold(\"CliNom\") COLLATE \"C\" not LIKE stanor_fold('a%') COLLATE \"C\" "
         "and stanor_fold(\"CliPrenom\") COLLATE \"C\" LIKE stanor_fold('b%') COLLATE \"C\""},
        // The concatenation binds more tightly than LIKE, on both sides.
        {"select 1 from tClients where CliNom || CliPrenom like 'a' || '%'",
         "select 1 from \"tClients\" where stanor_fold(\"CliNom\" || \"CliPrenom\") COLLATE \"C\" LIKE "
         "stanor_fold('a' || '%') COLLATE \"C\""},
        {"select 1 from tClients where upper(CliNom) like 'A!%%' escape '!'",
         "select 1 from \"tClients\" where stanor_fold(upper(\"CliNom\")) COLLATE \"C\" LIKE stanor_fold('A!%%') COLLATE \"C\" "
         "escape stanor_fold('!')"},
        {"select 1 from tClients where (not isNull(CliNom)) and (CliNom like '%a%')",
         "select 1 from \"tClients\" where (not ((\"CliNom\") IS NULL)) and (stanor_fold(\"CliNom\") COLLATE \"C\" LIKE "
         "stanor_fold('%a%') COLLATE \"C\")"},
    };
    for (const Case& c : cases) {
        const PgStatement pg = Client(c.client);
        ASSERT_TRUE(pg.ok()) << c.client << " : " << pg.error;
        EXPECT_EQ(pg.sql, c.pg) << c.client;
    }
    EXPECT_FALSE(Client("select 1 from tClients where like 'a'").ok());
}

TEST(DataServicePgDialect, NewKeysComeFromTheColumnsSequencesAndAreGivenBack) {
    PgStatement pg = Client("Insert into tVehicles (NVO, idTVO, TypeVO, idvo) Values (12, :NewID, 1, :NewIDbis)");
    ASSERT_TRUE(pg.ok()) << pg.error;
    EXPECT_EQ(pg.sql,
              "Insert into \"tVehicles\" (\"NVO\", \"idTVO\", \"TypeVO\", \"idVO\") Values (12, "
              "nextval('\"tVehicles_idTVO_seq\"'), 1, nextval('\"tVehicles_idVO_seq\"')) RETURNING \"idTVO\", \"idVO\"");
    pg = Client("Insert into [tVO - Frevo] (idVO, idFrevo) Values (1001, :NewID)");
    ASSERT_TRUE(pg.ok()) << pg.error;
    EXPECT_NE(pg.sql.find("nextval('\"tVO - Frevo_idFrevo_seq\"')"), std::string::npos) << pg.sql;
    EXPECT_EQ(pg.newIdColumn, "idFrevo");
    // A column without a sequence, or that does not exist, is said.
    EXPECT_NE(Client("Insert into tVehicles (KMS) Values (:NewID)").error.find("ne reçoit pas de clé"), std::string::npos);
    EXPECT_NE(Client("Insert into tVehicles (NoSuchKey) Values (:NewID)").error.find("n'existe pas"), std::string::npos);
}

TEST(DataServicePgDialect, WhatCouldEscapeTheChecksIsRefused) {
    const char* refused[] = {
        "select pg_sleep(10)",                                      // holds a connection
        "select set_config('statement_timeout', '0', false)",       // lifts the time limit
        "select pg_terminate_backend(1234)",                        // ends the other services' connections
        "select * from pg_catalog.pg_ls_dir('.')",
        "select left(CliNom, 2) from tClients",                     // a key word that is also a function
        "select nextval('tVehicles_idTVO_seq')",                    // keys are the service's
        "Update tClients set CliNom=$$x$$ where idClient=1",        // dollar quoting hides text from the checks
        "Update tClients set CliNom=$1 where idClient=1",
    };
    for (const char* sql : refused) {
        const TranslatedSql t = TranslateSql(sql);
        if (!t.ok()) continue;  // refused already by the dialect
        const PgStatement pg = RenderClientSql(t, Schema());
        EXPECT_FALSE(pg.ok()) << sql << " -> " << pg.sql;
        EXPECT_TRUE(pg.refused) << sql << " : " << pg.error;
    }
    for (const char* allowed : {"select count(*), max(KMS), coalesce(Site, '') from tVehicles",
                                "select substr(CliNom, 1, 2) from tClients where trim(CliNom) = 'A'"})
        EXPECT_TRUE(Client(allowed).ok()) << allowed;
}

TEST(DataServicePgDialect, TheServicesOwnSqlTakesNumberedParametersAndTheRowsPlace) {
    const PgStatement pg =
        RenderServiceSql("SELECT * FROM \"tVO - Frevo\" WHERE idVO = ? AND MontantHT > ? ORDER BY rowid", Schema());
    ASSERT_TRUE(pg.ok()) << pg.error;
    EXPECT_EQ(pg.sql, "SELECT * FROM \"tVO - Frevo\" WHERE \"idVO\" = $1 AND \"MontantHT\" > $2 ORDER BY ctid");
    // The service's own SQL may call any function (the fold of LIKE, the reserved data).
    EXPECT_TRUE(RenderServiceSql("SELECT * FROM stanor_user(?)", Schema()).ok());
    EXPECT_EQ(RenderServiceSql("SELECT count(*) FROM tClients WHERE CliNom LIKE ?", Schema()).sql,
              "SELECT count(*) FROM \"tClients\" WHERE stanor_fold(\"CliNom\") COLLATE \"C\" LIKE stanor_fold($1) COLLATE \"C\"");
}

TEST(DataServicePgDialect, SearchesSayHowTheirRowsAreBestFound) {
    struct Case {
        const char* sql;
        bool trigrams;  // a contains search that its trigram index finds
        bool limits;    // the statement limits its rows itself: no LIMIT may follow
    } cases[] = {
        {"select 1 from tClients where CliNom like '%dup%'", true, false},
        {"select 1 from tClients where (CliNom like '%du%') and (CliPrenom like 'j%')", false, false},
        {"select 1 from tClients where CliNom like '%d_p%'", false, false},
        {"select 1 from tClients where CliNom like '%%'", false, false},
        {"select 1 from tClients where CliNom = 'DUPONT'", false, false},
        {"select 1 from tClients where CliNom like upper('%dup%')", false, false},
        {"select 1 from tClients order by CliNom limit 5", false, true},
        {"select 1 from tClients where idClient in (select idClient from tClients limit 3)", false, false},
        {"select CliNom from tClients where idClient = 1 for update", false, true},
    };
    for (const Case& c : cases) {
        const PgStatement pg = Client(c.sql);
        ASSERT_TRUE(pg.ok()) << c.sql << " : " << pg.error;
        EXPECT_EQ(pg.searchesByTrigrams, c.trigrams) << c.sql;
        EXPECT_EQ(pg.limitsItself, c.limits) << c.sql;
    }
}
