// The statement dialect, query-string decoding and answer escaping, without a server.
#include "SqlDialect.h"
#include "TextCodec.h"
#include "TextFold.h"
#include "XmlAnswer.h"

#include <gtest/gtest.h>

using namespace stanor::dataservice;

struct DialectCase {
    const char* client;
    const char* sqlite;
};

TEST(DataServiceDialect, TranslatesTheDesktopFormsOutsideLiterals) {
    const DialectCase cases[] = {
        {"Delete * From [tVO - Frevo] where idVO=12", "Delete  From \"tVO - Frevo\" where idVO=12"},
        {"DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null));",
         "DELETE  FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null))"},
        {"Update tVehicles set DateEntree=#03/15/2009# where (idTVO=1)",
         "Update tVehicles set DateEntree='2009-03-15' where (idTVO=1)"},
        {"select 1 where (isNull(StatutVD)) and (not isnull(Site))",
         "select 1 where (((StatutVD) IS NULL)) and (not ((Site) IS NULL))"},
        {"select 1 where FlagVendu=True or FlagNonDiffuse=false", "select 1 where FlagVendu=1 or FlagNonDiffuse=0"},
        {"select 1 where (false)", "select 1 where (0)"},
        // Nothing inside a text literal is touched, doubled quotes included.
        {"Update t set a='#01/02/2003# isNull(x) True [y] '' ; -- x' where (b=1)",
         "Update t set a='#01/02/2003# isNull(x) True [y] '' ; -- x' where (b=1)"},
        {"select \"d'accord\"", "select 'd''accord'"},
        {"Insert into t (a, idVO, idFrevo ) Values ('x', 12, :NewID)",
         "Insert into t (a, idVO, idFrevo ) Values ('x', 12, :NewID)"},
    };
    for (const auto& c : cases) {
        TranslatedSql t = TranslateSql(c.client);
        ASSERT_TRUE(t.ok()) << c.client << " : " << t.error;
        // Spacing inside isNull is an artefact of the rewrite; compare without it.
        std::string got = t.sql, want = c.sqlite;
        auto squeeze = [](std::string s) {
            std::string o;
            for (char ch : s) if (ch != ' ') o.push_back(ch);
            return o;
        };
        EXPECT_EQ(squeeze(got), squeeze(want)) << c.client;
    }
}

TEST(DataServiceDialect, FindsTheColumnsOfTheNewKeys) {
    TranslatedSql t = TranslateSql(
        "Insert into tVehicles (NVO,Site, idTVO, TypeVO, idVO, idOwner, Concession) Values (12,'NORD', :NewID, 1, "
        ":NewIDbis,3, 'ALV')");
    ASSERT_TRUE(t.ok()) << t.error;
    EXPECT_EQ(t.kind, StatementKind::Insert);
    EXPECT_EQ(t.insertTable, "tVehicles");
    EXPECT_EQ(t.newIdColumn, "idTVO");
    EXPECT_EQ(t.newIdBisColumn, "idVO");

    TranslatedSql photo = TranslateSql(
        "INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) VALUES (:NewID, 7, 1, "
        "'V0000007-01', '2026-12-09 10:00:00')");
    ASSERT_TRUE(photo.ok()) << photo.error;
    EXPECT_EQ(photo.insertTable, "tVO - Liens Images");
    EXPECT_EQ(photo.newIdColumn, "idImage");
}

TEST(DataServiceDialect, RefusesWhatIsNotOneStatementOfTheFourKinds) {
    const char* refused[] = {
        "",
        "   ;",
        "PRAGMA journal_mode=DELETE",
        "ATTACH DATABASE '/tmp/x.db' AS x",
        "DROP TABLE tVehicles",
        "CREATE TABLE x (a)",
        "WITH q AS (SELECT 1) SELECT * FROM q",
        "Delete * From tClients; Delete * From tVehicles",
        "Update tVehicles set KMS=0 -- where idTVO=1",
        "Update tVehicles set KMS=0 /* where idTVO=1 */",
        "Update tVehicles set DateEntree=#02/31/2009# where idTVO=1",
        "Update tVehicles set Site='NORD where idTVO=1",
        "select [unterminated from t",
        "Update tVehicles set NVO=:NewID where idTVO=1",
        "Insert into t (a) Values (:Other)",
        "Insert into t (a, b) Values (1, :NewID + 1)",
    };
    for (const char* text : refused) {
        TranslatedSql t = TranslateSql(text);
        EXPECT_FALSE(t.ok()) << "accepted: " << text;
        EXPECT_FALSE(t.error.empty());
    }
}

TEST(DataServiceDialect, WritesMustNameTheirRows) {
    struct Case {
        const char* statement;
        bool accepted;
    } cases[] = {
        {"Delete * From tVehicles", false},
        {"DELETE FROM tClients;", false},
        {"Update tClients set CliNom='X'", false},
        {"Update tVehicles set KMS=(select max(KMS) from tVehicles where idTVO=1)", false},  // WHERE of a sub-query
        {"Update tVehicles set KMS=1 from tClients", false},
        {"Insert or Replace into tClients (idClient, CliNom) Values (1, 'X')", false},
        {"INSERT OR IGNORE INTO tClients (idClient) VALUES (1)", false},
        {"Update or Replace tClients set idClient=2 where idClient=1", false},
        {"Insert into tClients (idClient, CliNom) Values (1, 'X') on conflict (idClient) do update set CliNom='Y'", false},
        {"Insert into tClients (idClient, CliNom) Values (1, 'X') ON  CONFLICT DO NOTHING", false},
        // The client's own forms, and the words inside texts or names.
        {"Delete * From tActions where (idAction=2)", true},
        {"DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null));", true},
        {"Update tVehicles set KMS=(select 1) where (idTVO=1)", true},
        {"Update tClients set CliObservations='no where, or replace, on conflict' where (idClient=1)", true},
        {"Insert into tClients (CliNom, idClient) Values ('OR', :NewID)", true},
        {"select * from tClients", true},
    };
    for (const Case& c : cases) {
        const TranslatedSql t = TranslateSql(c.statement);
        EXPECT_EQ(t.ok(), c.accepted) << c.statement << " : " << t.error;
        if (!c.accepted) EXPECT_NE(t.error.find("refusée"), std::string::npos) << c.statement;
    }
}

TEST(DataServiceTextFold, EveryLetterComparesWithoutRegardToCase) {
    struct Case {
        const char* a;
        const char* b;
        int order;  // of a against b
    } cases[] = {
        {"LEFÈVRE", "lefèvre", 0},
        {"HÉLÈNE", "hélène", 0},
        {"ÇÀÙÎÔÛÄËÏÖÜÑÆØÅÞÐ", "çàùîôûäëïöüñæøåþð", 0},
        {"STRASSE", "straße", 0},  // as the client upper-cases "ß"
        {"E", "É", -1},            // accents stay
        {"LEFEVRE", "LEFÈVRE", -1},
        {"Zoé", "ZOÉ", 0},
        {"abc", "ABD", -1},
        {"ab", "ABc", -1},
        {"", "a", -1},
        {"aÿ", "Aÿ", 0},  // bytes that are not UTF-8 compare as they are
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareWithoutCase(c.a, c.b), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(CompareWithoutCase(c.b, c.a), -c.order) << c.b << " / " << c.a;
    }
}

TEST(DataServiceTextFold, LikeMatchesEveryLetterWithoutRegardToCase) {
    struct Case {
        const char* pattern;
        const char* text;
        const char* escape;
        bool match;
    } cases[] = {
        {"%lefè%", "M. LEFÈVRE", "", true},
        {"%LEFÈ%", "lefèvre", "", true},
        {"H_L_NE", "hélène", "", true},
        {"%LEFE%", "LEFÈVRE", "", false},
        {"%", "", "", true},
        {"_", "", "", false},
        {"a%b%c", "aXbYc", "", true},
        {"a%b%c", "aXbY", "", false},
        {"%ab%", "aab", "", true},
        {"%ab", "abXAB", "", true},
        {"%a_c", "abxaBC", "", true},
        {"%abc", "ababab", "", false},
        {"50!%", "50%", "!", true},
        {"50!%", "500", "!", false},
        {"É!_", "é_", "!", true},
        {"%!%%", "taux 5%", "!", true},
    };
    for (const Case& c : cases) {
        const auto m = LikeWithoutCase(c.pattern, c.text, c.escape);
        ASSERT_TRUE(m.has_value()) << c.pattern;
        EXPECT_EQ(*m, c.match) << c.text << " LIKE " << c.pattern;
    }
    EXPECT_FALSE(LikeWithoutCase("a", "a", "ab").has_value());  // an escape is one character
}

TEST(DataServiceQueryString, DecodesOnceAndKeepsPlusAndStrayPercent) {
    QueryParams p = ParseQuery("XMLC_OutputFormat=XML&SQL=select%20'a+b'%20where%20x%20like%20'%25AB%25'"
                               "&T=50%%20off&Empty=&&idClient=");
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.get("SQL"), "select 'a+b' where x like '%AB%'");
    EXPECT_EQ(p.get("T"), "50% off");
    EXPECT_EQ(p.get("Empty"), "");
    EXPECT_TRUE(p.has("idClient"));
    // A Windows-1252 "é" and a UTF-8 one both arrive as UTF-8; so do "€" and "œ".
    EXPECT_EQ(ParseQuery("a=caf%E9").get("a"), "caf\xC3\xA9");
    EXPECT_EQ(ParseQuery("a=caf%C3%A9").get("a"), "caf\xC3\xA9");
    EXPECT_EQ(ParseQuery("a=5%20%80%20s%9Cur").get("a"), "5 \xE2\x82\xAC s\xC5\x93ur");
    EXPECT_EQ(ParseQuery("a=5%20%E2%82%AC").get("a"), "5 \xE2\x82\xAC");
}

TEST(DataServiceQueryString, RefusesMalformedOrInvalidText) {
    // A byte Windows-1252 leaves undefined, and characters it cannot hold, in UTF-8 or raw.
    for (const char* q : {"SQL", "=x", "a=1&a=2", "a=%00", "a=%81", "a=%9D", "a=x%01y", "a=Krak%C3%B3w%20%C4%81",
                          "a=\xC4\x81"}) {
        QueryParams p = ParseQuery(q);
        EXPECT_FALSE(p.error.empty()) << q;
    }
}

TEST(DataServiceAnswer, EscapesTextsAndKeepsTheDeclarationTheWorkstationsRead) {
    EXPECT_EQ(XmlAnswer::Escape("a&b<c>d\r\ne\nf"), "a&amp;b&lt;c&gt;d&cr;e&cr;f");
    EXPECT_EQ(XmlAnswer::ElementName("count(idClient)"), "count_idClient_");
    XmlAnswer a("Answer request=\"AxQuery\"");
    a.element("CliNom", "L\xC3\xA9on \xE2\x82\xAC \xC4\x81");  // é and € in Windows-1252, ā beyond it
    a.logItem("erreur");
    std::string body = a.finish();
    EXPECT_NE(body.find("encoding=\"ISO-8859-1\""), std::string::npos);
    EXPECT_NE(body.find("<CliNom>L\xE9on \x80 ?</CliNom>"), std::string::npos);
    EXPECT_NE(body.find("<LogItems><LogItem>erreur</LogItem></LogItems>"), std::string::npos);
    EXPECT_NE(body.find("</Answer>"), std::string::npos);
}

TEST(DataServiceDates, IsoAnswersAsFrenchDates) {
    EXPECT_EQ(IsoToFrenchDate("2009-03-15"), "15/03/2009");
    EXPECT_EQ(IsoToFrenchDate("2026-12-09 10:15:00"), "09/12/2026 10:15:00");
    EXPECT_EQ(IsoToFrenchDate("n'importe"), "n'importe");
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
}

// The demo data files: the full tab descriptions replace the minimal set when
// present, and a malformed file is refused with its name and line.
#include "DemoLoader.h"
#include "SqliteStore.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace fs = std::filesystem;

TEST(DataServiceDemoData, FullTabDescriptionsReplaceTheMinimalSet) {
    std::string dir = (fs::temp_directory_path() / "stanor-demo-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(dir.data()));
    fs::copy(STANOR_DEMO_DIR, dir + "/demo", fs::copy_options::recursive);
    {
        std::ofstream full(dir + "/demo/tabdesc_full.tsv");
        full << "# test\n"
                "Concession\tdescInfo\tidNum\ttxtInfo\tvInfo\ttag\tdefval\ttInfo\ttControl\twidth\tleft\ttop\theight\t"
                "length\tcolor\tnotNull\tenabled\tfieldInfo\n"
                "ALV\t_TVO\t0\tPrix & remise\tpVO0\ttVehicles\tc\n"
                "\t_TCL\t0\tClient\tpCL0\ttClients\ta\t\t\t\t\t\t\t\t\t\t\t\n";
    }
    CreateDemoDatabase(dir + "/demo.db", dir + "/demo");
    SqliteStore db(dir + "/demo.db");
    ResultSet rows = db.acquire()->query("SELECT Concession, txtInfo, tInfo FROM sysTabDesc ORDER BY RowOrder");
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[0][0], "ALV");
    EXPECT_EQ(rows.rows[0][1], "Prix & remise");
    EXPECT_EQ(rows.rows[0][2], "");   // a missing trailing cell is an empty text
    EXPECT_EQ(rows.rows[1][0], "*");  // an empty dealership means every dealership

    std::ofstream(dir + "/bad.tsv") << "descInfo\tidNum\n_TVO\t0\textra\n";
    try {
        ReadTsv(dir + "/bad.tsv", "x");
        ADD_FAILURE() << "a line with more cells than the header was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("ligne 2"), std::string::npos) << e.what();
    }
    std::ofstream(dir + "/unknown.tsv") << "descInfo\tnotAnElement\n";
    EXPECT_THROW(LoadTabDescriptions(dir + "/demo.db", dir + "/unknown.tsv"), std::runtime_error);
    EXPECT_EQ(db.acquire()->query("SELECT count(*) FROM sysTabDesc").rows[0][0], "2");  // left as it was
    fs::remove_all(dir);
}

// The tab descriptions in use (the full set when present) against the demo
// schema and lists: every field the client may write names a column of its
// page's table, and every list a field draws from is in the reference lists.
TEST(DataServiceDemoData, TabDescriptionsMatchTheSchemaAndTheLists) {
    std::string dir = (fs::temp_directory_path() / "stanor-demo-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(dir.data()));
    CreateDemoDatabase(dir + "/demo.db", STANOR_DEMO_DIR);
    SqliteStore db(dir + "/demo.db");
    auto s = db.acquire();
    auto upper = [](std::string t) {
        for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return t;
    };
    auto columns = [&](const std::string& table) {
        std::set<std::string> names;
        for (const auto& r : s->query("SELECT name FROM pragma_table_info(?)", {table}).rows) names.insert(upper(r[0]));
        return names;
    };
    std::set<std::string> lists;
    for (const auto& r : s->query("SELECT ParType FROM ListPars UNION SELECT RubricType FROM ListRubrics").rows)
        lists.insert(upper(r[0]));
    std::set<std::string> options;
    for (const auto& r : s->query("SELECT DISTINCT OptList FROM ListOptions").rows) options.insert(r[0]);

    // Page key -> (kind, page number).
    std::map<std::string, std::pair<std::string, std::string>> pages;
    for (const auto& r : s->query("SELECT vInfo, descInfo, idNum FROM sysTabDesc WHERE descInfo IN "
                                  "('_TVO', '_TVD', '_TVN', '_TCL')").rows)
        pages[r[0]] = {r[1], r[2]};
    const auto vehicle = columns("tVehicles"), customer = columns("tClients"), owned = columns("tVehiclesProfid"),
               costs = columns("tVO - Frevo"), actions = columns("tActions");
    int fields = 0;
    for (const auto& r : s->query("SELECT descInfo, vInfo, tag, tInfo, tControl, fieldInfo FROM sysTabDesc").rows) {
        const std::string& page = r[0];
        const std::string name = r[1].substr(0, r[1].find(';'));
        const bool ownElement = r[1].find(';') != std::string::npos;
        const std::string& control = r[4];
        const std::set<std::string>* table = nullptr;
        if (page == "gFrev") table = &costs;
        else if (page == "gAct") table = &actions;
        else if (pages.count(page))
            table = pages[page].first != "_TCL" ? &vehicle : pages[page].second == "8" ? &owned : &customer;
        else continue;
        ++fields;
        const bool written = control != "104" && control != "120" && !ownElement &&
                             upper(name).find("FDM") == std::string::npos && upper(r[2]).find("READONLY") == std::string::npos;
        if (written) {
            EXPECT_TRUE(table->count(upper(name))) << page << " writes " << name << ", which is no column";
        }
        // The list of a combo or list box.
        std::string key = name, info = r[5];
        if (info.find(';') != std::string::npos) key = info.substr(info.find(';') + 1);
        const std::string k = upper(key);
        if (control == "110" && k != "PACHOIX1" && k != "PACHOIX2") {
            EXPECT_TRUE(options.count(key)) << page << " " << name << " lists options " << key << ", which do not exist";
        }
        if ((control == "111" || control == "112") && !(r[3] == "3" && control != "112") &&
            k != "INFOTYPEVERSION" && k != "INFOMODELE" && k != "INFOMARQUE" && k != "IDCOM") {
            EXPECT_TRUE(lists.count(k)) << page << " " << name << " draws from the list " << key << ", which does not exist";
        }
    }
    EXPECT_GT(fields, 40);
    fs::remove_all(dir);
}

// Arbitrary bytes never crash the translator or the query-string reader, and a
// text the translator accepts is one statement of the four kinds.
#include <random>

TEST(DataServiceDialect, ArbitraryTextIsRefusedOrTranslatedNeverMishandled) {
    std::mt19937 rng(20261209);
    const std::string alphabet = "SELECTINSERTUPDATEDELETEFROMWHERE isNull(xTrue)False[]#'\";:-/*%&=+01239 \r\n\t\x80\xC3\xA9";
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int len = static_cast<int>(rng() % 60);
        for (int k = 0; k < len; ++k) text.push_back(alphabet[rng() % alphabet.size()]);
        if (i % 3 == 0) text = "Update t set a=" + text;
        TranslatedSql t = TranslateSql(text);
        if (t.ok()) {
            EXPECT_NE(t.kind, StatementKind::Other) << text;
        } else {
            EXPECT_FALSE(t.error.empty()) << text;
        }
        ParseQuery(text);
    }
}
