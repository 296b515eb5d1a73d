// The wall between dealerships and the photos' own rules, on the running
// service over HTTP, on each store: a user of the demo dealership ALV and the
// user of BRE each read and change only their own records, whichever way the
// request reaches them; photos are numbered by the service and never replaced.
#include "DemoPhotos.h"
#include "ServiceFixture.h"

#include <libpq-fe.h>

#include <filesystem>
#include <fstream>
#include <future>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

class DataServiceWalls : public ServiceTest {
protected:
    // The values of a column of a query's rows, joined by ",".
    static std::string Column(const std::string& body, const char* column) {
        stanor::service::TXml xml = Scan(body);
        stanor::service::XmlFind(xml, "AXQueryS");
        std::string out;
        while (stanor::service::XmlNext(xml, "AXQuery")) {
            QString v;
            stanor::service::XmlGet(xml, column, v);
            out += (out.empty() ? "" : ",") + v.toStdString();
        }
        return out;
    }
    // A request with the session of a demo user.
    static std::string As(const char* user, const std::string& request) { return GetAs(TokenFor(user), request); }
    static std::string Query(const char* user, const std::string& sql) {
        return As(user, "AxQuery?XMLC_OutputFormat=XML&SQL=" + sql);
    }
    // A real photo (the service decodes it whole), one picture per seed.
    static std::string Jpeg(unsigned seed) {
        const std::vector<unsigned char> bytes = DrawCarJpeg(64, 48, seed);
        return std::string(bytes.begin(), bytes.end());
    }
    static std::string Upload(const char* user, const std::string& stem, long long number, unsigned seed) {
        const std::string idVO = std::to_string(std::stoll(stem.substr(1, stem.find('-') - 1)));
        const std::string sql = "INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) "
                                "VALUES (:NewID, " + idVO + ", " + std::to_string(number) + ", '" + stem +
                                "', '2026-12-09 10:00:00')";
        auto res = Client(TokenFor(user))->Post("/AxInsert",
                                  httplib::MultipartFormDataItems{{"NFImage", stem + ".jpg", "", ""},
                                                                  {"SQLExecute", sql, "", ""},
                                                                  {"File", Jpeg(seed), stem + ".jpg", "file"},
                                                                  {"NFImageMini", stem + "m.jpg", "", ""},
                                                                  {"File", Jpeg(seed + 100), stem + "m.jpg", "file"}});
        return res ? res->body : std::string("(pas de réponse)");
    }
    static std::string Read(const std::string& file) {
        std::ifstream in(images_ + "/" + file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(DataServiceWalls, EachDealershipReadsItsOwnRecordsOnly) {
    const struct {
        const char* what;
        std::string request;
        const char* column;   // of the query's rows, or nullptr for the whole answer
        const char* alv;      // what user 1 (ALV) gets: the column's values, or a part of the answer
        const char* bre;      // what user 5 (BRE) gets
    } cases[] = {
        {"a search by name", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT idClient FROM tClients WHERE CliNom LIKE 'dup%'"
         " ORDER BY idClient", "idClient", "1", "9"},
        {"a duplicate count", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT count(*) AS n FROM TClients WHERE "
         "CliNom='DUPONT'", "n", "1", "1"},
        {"the cost lines through their vehicles", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT count(*) AS n FROM "
         "[tVO - Frevo]", "n", "6", "1"},
        {"actions joined to customers", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT count(*) AS n FROM tActions a JOIN "
         "tClients c ON c.idClient = a.idClient", "n", "12", "1"},
        {"a sub-query", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT count(*) AS n FROM tVehicles WHERE idVO IN "
         "(SELECT idVO FROM [tVO - Liens Images])", "n", "2", "1"},
        {"the sites", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT Site FROM tSites ORDER BY Site", "Site", "NORD,SUD",
         "OUEST"},
        {"a vehicle's record", "AxInfoVO?XMLC_OutputFormat=XML&idTVO=8&idClient=", nullptr, "n'existe pas",
         "<Immatriculation>BR808WZ</Immatriculation>"},
        {"a customer's record", "AxInfoCL?XMLC_OutputFormat=XML&idClient=9", nullptr, "n'existe pas",
         "<CliPrenom>Anne</CliPrenom>"},
        {"the lists", "AxInfoEquip?XMLC_OutputFormat=XML&UserConcession=ALV", nullptr, "<Site>NORD</Site>",
         "<Site>OUEST</Site>"},
        {"a printable sheet", "ReportPDF?rptSelect=idVO=1008&rptName=VO%20-%20Fiche%20Commerciale", nullptr,
         "n'existe pas", "%PDF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [user, expected] : {std::pair{"1", c.alv}, std::pair{"5", c.bre}}) {
            const std::string body = As(user, c.request);
            if (c.column) EXPECT_EQ(Column(body, c.column), expected) << "user " << user << ": " << LogItems(body);
            else EXPECT_NE(body.find(expected), std::string::npos) << "user " << user << ": " << body.substr(0, 300);
        }
    }
    EXPECT_EQ(As("1", "AxInfoEquip?XMLC_OutputFormat=XML&UserConcession=BRE").find("OUEST"), std::string::npos);
    // The tables themselves, named past the wall, are out of reach.
    EXPECT_NE(LogItems(Query("1", "SELECT count(*) AS n FROM main.tVehicles")), "");
    // A photo is served to its dealership only.
    auto photo = [&](const char* user) { return Client(TokenFor(user))->Get("/images/V0001008-01.jpg")->status; };
    EXPECT_EQ(photo("1"), 404);
    EXPECT_EQ(photo("5"), 200);
}

TEST_F(DataServiceWalls, NoRecordOfAnotherDealershipIsChanged) {
    const std::string before = Snapshot(*checks_);
    for (const char* sql : {"Update tVehicles set KMS=1 where (idTVO=8)",
                            "Update tClients set CliNom='X' where (idClient=9)",
                            "Delete * From [tVO - Frevo] where idVO=1008",
                            "Insert into tActions (DateAction, CommentaireAction, idClient, idAction) Values "
                            "(#12/01/2026#, 'x', 9, :NewID)",
                            "Insert into tClients (CliNom, idClient, DateCreation, idOwner, Concession) Values ('X', "
                            ":NewID, #12/01/2026#, 1, 'BRE')"}) {
        // Refused by the service's check, or (on PostgreSQL) not even seen: the rows are not the user's.
        const std::string body = As("1", "AxUpdate?XMLC_OutputFormat=XML&SQLExecute=" + std::string(sql));
        EXPECT_TRUE(LogItems(body).find("refusée") != std::string::npos ||
                    body.find("<RowsAffected>0</RowsAffected>") != std::string::npos)
            << sql << ": " << body;
    }
    EXPECT_EQ(Snapshot(*checks_), before);
    // Their own dealership's user changes them.
    EXPECT_EQ(LogItems(As("5", "AxUpdate?XMLC_OutputFormat=XML&SQLExecute=Update tVehicles set KMS=41500 where "
                               "(idTVO=8)")), "");
    EXPECT_EQ(Scalar("SELECT KMS FROM tVehicles WHERE idTVO = 8"), "41500");
    // The history of that change is read by its dealership only.
    const std::string history = "AxHistory?XMLC_OutputFormat=XML&Table=tVehicles&Key=8";
    EXPECT_NE(As("5", history).find("<NewValue>41500</NewValue>"), std::string::npos) << As("5", history);
    EXPECT_EQ(As("1", history).find("41500"), std::string::npos);
}

// What a statement that fooled the translator would meet on PostgreSQL: the
// database itself keeps the transaction to the dealership of the user the
// service named, and the user cannot be named twice.
TEST_F(DataServiceWalls, PostgresKeepsAFooledStatementToItsDealership) {
    if (!OnPostgres()) GTEST_SKIP() << "PostgreSQL only";
    PGconn* conn = ConnectPg(copy_->serviceConninfo());
    auto scalar = [&](const char* sql) {
        PGresult* r = PQexec(conn, sql);
        std::string out = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) ? PQgetvalue(r, 0, 0)
                          : PQresultStatus(r) == PGRES_COMMAND_OK               ? PQcmdTuples(r)
                                                                                : "erreur";
        PQclear(r);
        return out;
    };
    PQclear(PQexec(conn, "BEGIN; SELECT FROM stanor_act_as('1')"));
    EXPECT_EQ(scalar("SELECT count(*) FROM \"tVehicles\""), "7");
    EXPECT_EQ(scalar("SELECT count(*) FROM \"tVO - Frevo\""), "6");
    EXPECT_EQ(scalar("UPDATE \"tVehicles\" SET \"KMS\" = 1 WHERE \"idTVO\" = 8"), "0");
    EXPECT_EQ(scalar("SELECT FROM stanor_act_as('5')"), "erreur");
    PQclear(PQexec(conn, "ROLLBACK; BEGIN; SELECT FROM stanor_act_as('1')"));
    EXPECT_EQ(scalar("INSERT INTO \"tClients\" (\"idClient\", \"Concession\") VALUES (99, 'BRE')"), "erreur");
    PQclear(PQexec(conn, "ROLLBACK; BEGIN; SELECT FROM stanor_act_as('77')"));
    EXPECT_EQ(scalar("SELECT count(*) FROM \"tClients\""), "0");
    PQclear(PQexec(conn, "ROLLBACK"));
    PQfinish(conn);
    EXPECT_EQ(Scalar("SELECT KMS FROM tVehicles WHERE idTVO = 8"), "41000");
}

TEST_F(DataServiceWalls, PhotosAreNumberedByTheServiceAndNeverReplaced) {
    // Two users add a photo to one vehicle at once, both asking for number 1: two photos.
    auto first = std::async(std::launch::async, [] { return Upload("1", "V0001003-01", 1, 1); });
    auto second = std::async(std::launch::async, [] { return Upload("2", "V0001003-01", 1, 2); });
    const std::string a = first.get(), b = second.get();
    EXPECT_EQ(LogItems(a), "");
    EXPECT_EQ(LogItems(b), "");
    EXPECT_EQ(Count("tVO - Liens Images", "idVO = 1003"), 2);
    const std::string one = Read("V0001003-01.jpg"), two = Read("V0001003-02.jpg");
    EXPECT_NE(one, two);
    EXPECT_TRUE(one + two == Jpeg(1) + Jpeg(2) || one + two == Jpeg(2) + Jpeg(1));
    // The answer names the photo as stored.
    EXPECT_TRUE(a.find("<NomImage>V0001003-02</NomImage>") != std::string::npos ||
                b.find("<NomImage>V0001003-02</NomImage>") != std::string::npos);
    // A linked photo asked for again keeps its file: the new one takes the next number.
    const std::string linked = Read("V0001001-01.jpg");
    const std::string again = Upload("1", "V0001001-01", 1, 3);
    EXPECT_NE(again.find("<NomImage>V0001001-03</NomImage>"), std::string::npos) << again;
    EXPECT_EQ(Read("V0001001-01.jpg"), linked);
    EXPECT_EQ(Read("V0001001-03.jpg"), Jpeg(3));

    const struct {
        const char* what;
        const char* user;
        const char* stem;
    } refused[] = {
        {"a vehicle that does not exist", "1", "V0000999-01"},
        {"a user without the photo rights", "3", "V0001002-05"},
        {"a vehicle of another site", "2", "V0001002-05"},
        {"a vehicle of another dealership", "1", "V0001008-02"},
    };
    const long long links = Count("tVO - Liens Images");
    for (const auto& c : refused)
        EXPECT_NE(LogItems(Upload(c.user, c.stem, std::stoll(std::string(c.stem).substr(9)), 4)), "")
            << c.what;
    EXPECT_EQ(Count("tVO - Liens Images"), links);
    EXPECT_FALSE(std::filesystem::exists(images_ + "/V0001002-05.jpg"));
}
