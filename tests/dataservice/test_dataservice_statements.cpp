// Every form of statement that the client writes, sent as the client sends it,
// with its effect checked in the database.
#include "DemoPhotos.h"
#include "ServiceFixture.h"

#include <filesystem>
#include <fstream>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

namespace {

struct StatementCase {
    const char* what;
    const char* endpoint;
    const char* statement;  // as built by the client (spaces and "#" are escaped on sending)
    const char* check;      // a query on the database after the request
    const char* expected;
};

}  // namespace

class DataServiceStatements : public ServiceTest {};

TEST_F(DataServiceStatements, EveryClientFormHasItsIntendedEffect) {
    const StatementCase cases[] = {
        // Reference-list edits.
        {"add a rubric", "AxUpdate",
         "Insert into ListRubrics (RubricType, RubricIndex, RubricItem, RubricText) Values ('InfoCouleur', 0, '..' ,'Jaune')",
         "SELECT count(*) FROM ListRubrics WHERE RubricType='InfoCouleur' AND RubricText='Jaune'", "1"},
        {"delete a rubric", "AxUpdate",
         "Delete * From ListRubrics where RubricType='InfoCouleur' and RubricText='Jaune'",
         "SELECT count(*) FROM ListRubrics WHERE RubricText='Jaune'", "0"},
        {"add a model, mark with an apostrophe", "AxUpdate",
         "Insert into ListModels (VMarque, VModele) Values ('L''ATELIER', 'R%26D')",
         "SELECT VModele FROM ListModels WHERE VMarque='L''ATELIER'", "R&D"},
        {"delete that model", "AxUpdate", "Delete * From ListModels where VMarque='L''ATELIER' and VModele='R%26D'",
         "SELECT count(*) FROM ListModels WHERE VMarque='L''ATELIER'", "0"},
        {"add a version type", "AxUpdate",
         "Insert into ListVersions (VMarque, VModele, VVersion, VConcession) Values ('VW', 'POLO', '1.0 TSI 80', 'ALV')",
         "SELECT count(*) FROM ListVersions WHERE VVersion='1.0 TSI 80'", "1"},
        {"delete it", "AxUpdate",
         "Delete * From ListVersions where VMarque='VW' and VModele='POLO' and VVersion='1.0 TSI 80' and VConcession='ALV'",
         "SELECT count(*) FROM ListVersions WHERE VVersion='1.0 TSI 80'", "0"},
        // Page updates: dates, decimals, texts with escapes, NULL, key forms.
        {"update a used vehicle", "AxUpdate",
         "Update tVehicles set PrixVente=13250.5,DateEntree=#10/02/2026#,Commentaires='l''auto %22propre%22%0D%0A2 cl%C3%A9s' where (idTVO=1)",
         "SELECT PrixVente || '|' || DateEntree || '|' || Commentaires FROM tVehicles WHERE idTVO=1",
         "13250.5|2026-10-02|l'auto \"propre\"\r\n2 clés"},
        {"empty a field", "AxUpdate", "Update tVehicles set Vendeur=NULL,MEC=NULL where (idTVO=2)",
         "SELECT count(*) FROM tVehicles WHERE idTVO=2 AND Vendeur IS NULL AND MEC IS NULL", "1"},
        {"key terms in parentheses, isNull key", "AxUpdate",
         "Update tVehicles set KMS=42100 where (idTVO=2) and (isNull(StatutVD))",
         "SELECT KMS FROM tVehicles WHERE idTVO=2", "42100"},
        {"key in quoted form", "AxUpdate", "Update tVehicles set CV=6 where (idTVO='2')",
         "SELECT CV FROM tVehicles WHERE idTVO=2", "6"},
        {"boolean written True", "AxUpdate", "Update tVehicles set FlagVendu=True where (idTVO=3)",
         "SELECT FlagVendu FROM tVehicles WHERE idTVO=3", "True"},
        // Cost lines.
        {"fixed cost line", "AxInsert",
         "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) Values (#12/09/2026#,'fixe', 150.00, 1001, :NewID) ",
         "SELECT count(*) FROM \"tVO - Frevo\" WHERE idVO=1001 AND TypeFrevo='fixe' AND DateFrevo='2026-12-09'", "1"},
        {"cost amount edited", "AxUpdate", "Update [tVO - Frevo] set MontantHT=12.50 where (idFrevo=3)",
         "SELECT MontantHT FROM \"tVO - Frevo\" WHERE idFrevo=3", "12.50"},
        {"cost line from the template", "AxInsert",
         "Insert into [tVO - Frevo] (DateFrevo,LibelleFrevo,TypeFrevo,MontantHT, idVO, idFrevo ) Values (#12/09/2026#,'Lavage','interne',35.00, 1002, :NewID)",
         "SELECT count(*) FROM \"tVO - Frevo\" WHERE idVO=1002", "2"},
        {"cost line deleted", "AxUpdate", "Delete * from [tVO - Frevo] where (idFrevo=4)",
         "SELECT count(*) FROM \"tVO - Frevo\" WHERE idFrevo=4", "0"},
        // Actions.
        {"new action", "AxInsert",
         "Insert into tActions (DateAction,idCom,TypeAction,SujetAction,CommentaireAction,DateRelance,idComRelance,SujetRelance,PrioriteRelance, idClient, idAction ) Values (#12/09/2026#,2,1,2,'Rappel demand%C3%A9',#01/15/2027#,2,3,2, 2, :NewID)",
         "SELECT DateRelance FROM tActions WHERE idClient=2 AND DateAction='2026-12-09'", "15/01/2027"},
        {"action comment emptied", "AxUpdate", "Update tActions set CommentaireAction=NULL where (idAction=1)",
         "SELECT count(*) FROM tActions WHERE idAction=1 AND CommentaireAction IS NULL", "1"},
        {"action deleted", "AxUpdate", "Delete * from tActions where (idAction=2)",
         "SELECT count(*) FROM tActions WHERE idAction=2", "0"},
        // Photos.
        {"default photo", "AxUpdate", "Update tVehicles set NomImage='V0001002-01' where idVO=1002",
         "SELECT NomImage FROM tVehicles WHERE idVO=1002", "V0001002-01"},
        {"no default photo", "AxUpdate", "Update tVehicles set NomImage=NULL where idVO=1002",
         "SELECT count(*) FROM tVehicles WHERE idVO=1002 AND NomImage IS NULL", "1"},
        {"photo link removed", "AxUpdate", "Delete * From [tVO - Liens Images] where idVO=1001 and NomImage='V0001001-02'",
         "SELECT count(*) FROM \"tVO - Liens Images\" WHERE idVO=1001", "1"},
        // Customer vehicle removed, sweep of cancelled orders without buyer.
        {"customer vehicle removed", "AxUpdate", "Delete * From tVehiclesProfid where idTVo=3",
         "SELECT count(*) FROM tVehiclesProfid WHERE idTVO=3", "0"},
        {"cost line of the cancelled order", "AxInsert",
         "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) Values (#09/01/2026#,'interne', 10.00, 1007, :NewID)",
         "SELECT count(*) FROM \"tVO - Frevo\" WHERE idVO=1007", "1"},
        {"sweep", "AxUpdate",
         "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null));",
         "SELECT count(*) || ' ' || min(idTVO) || '-' || max(idTVO) || ' ' || "
         "(SELECT count(*) FROM \"tVO - Frevo\" WHERE idVO=1007) FROM tVehicles WHERE TypeVO=2",
         "3 4-6 0"},
        // Record deletion chain of a vehicle, then of a customer.
        {"vehicle photos", "AxUpdate", "Delete * From [tVO - Liens Images] where idVO=1003",
         "SELECT count(*) FROM tVehicles WHERE idVO=1003", "1"},
        {"vehicle costs", "AxUpdate", "Delete * From [tVO - Frevo] where idVO=1003",
         "SELECT count(*) FROM \"tVO - Frevo\" WHERE idVO=1003", "0"},
        {"vehicle", "AxUpdate", "Delete * From [tVehicles] where idVO=1003", "SELECT count(*) FROM tVehicles WHERE idVO=1003",
         "0"},
        {"customer, with its actions and vehicles", "AxUpdate", "Delete * From [tClients] where idClient=3",
         "SELECT (SELECT count(*) FROM tClients WHERE idClient=3) + (SELECT count(*) FROM tActions WHERE idClient=3) + "
         "(SELECT count(*) FROM tVehiclesProfid WHERE idClient=3)", "0"},
    };
    for (const StatementCase& c : cases) {
        const std::string body = Send(c.endpoint, c.statement);
        EXPECT_EQ(LogItems(body), "") << c.what;
        EXPECT_EQ(Scalar(c.check), c.expected) << c.what;
    }
}

TEST_F(DataServiceStatements, InsertsGetNewKeysThatAreNeverReused) {
    // A new used vehicle saved from page 1: :NewID fills idTVO, :NewIDbis fills idVO.
    std::string body = Send("AxInsert",
        "Insert into tVehicles (NVO,Site,InfoMarque,DateEntree, idTVO, TypeVO, idVO, idOwner, Concession) Values "
        "(1300,'NORD','VW',#12/01/2026#, :NewID, 1, :NewIDbis,1, 'ALV')");
    ASSERT_EQ(LogItems(body), "");
    const std::string id = NewId(body);
    EXPECT_EQ(id, "9");
    EXPECT_EQ(Scalar("SELECT idVO || ' ' || TypeVO || ' ' || DateEntree FROM tVehicles WHERE idTVO=" + id),
              "1009 1 2026-12-01");
    // Deleting the newest record does not hand its keys out again.
    ASSERT_EQ(LogItems(Send("AxUpdate", "Delete * From [tVehicles] where idVO=1009")), "");
    body = Send("AxInsert", "Insert into tVehicles (NVO, idTVO, TypeVO, idVO, idOwner, Concession) Values "
                            "(1301, :NewID, 1, :NewIDbis,1, 'ALV')");
    EXPECT_EQ(NewId(body), "10");
    EXPECT_EQ(Scalar("SELECT idVO FROM tVehicles WHERE idTVO=10"), "1010");

    // A new customer from page 7, then one of their vehicles from page 8.
    body = Send("AxInsert", "Insert into tClients (CliNom,Site,idCom,idClient, DateCreation, idOwner, Concession) Values "
                            "('DURAND','NORD',2,:NewID, #12/09/2026#,1, 'ALV')");
    const std::string customer = NewId(body);
    EXPECT_EQ(customer, "10");  // after the demo's nine customers
    EXPECT_EQ(Scalar("SELECT DateCreation FROM tClients WHERE idClient=10"), "09/12/2026");
    body = Send("AxInsert",
                "Insert into TVehiclesProfid (Immatriculation,InfoMarque,InfoModele,idClient, idTVO, NVO, idOwner, Concession) "
                "Values ('HH555JJ','VW','GOLF',10, :NewID, :NewIDbis,1, 'ALV')");
    EXPECT_EQ(NewId(body), "6");
    EXPECT_EQ(Scalar("SELECT NVO FROM tVehiclesProfid WHERE idTVO=6"), "6");
    // The new customer answers like any other.
    stanor::service::TXml xml = Scan(GetAs(TokenFor("2"), "AxInfoCL?XMLC_OutputFormat=XML&UserID=2&idClient=10"));
    stanor::service::XmlFind(xml, "TVeh");
    QString plate;
    stanor::service::XmlGet(xml, "Immatriculation", plate);
    EXPECT_EQ(plate, "HH555JJ");
}

TEST_F(DataServiceStatements, SearchStatementsOfEveryMode) {
    struct SearchCase {
        const char* what;
        const char* sql;  // as sent: the builder has already written "%" as "%25"
        const char* maxRows;
        int rows;
        const char* firstId;
    };
    const char* vehicles = "SELECT TypeVO, idTVO as VO_ID, StatutVD, NVO as VO_NO, Immatriculation AS VO_IMMAT, [InfoMarque], "
                           "[InfoModele], InfoVersion AS VO_VERSION, Acheteur AS VO_BUYER, DateOrdre AS VO_ORDRE, ";
    const std::string v = vehicles;
    const std::string customers = "SELECT -1 AS TypeVO, idClient AS VO_ID, idClient AS VO_NO, CliMobile, [CliCP], [CliVille], "
                                  "[CliAdresse1], [CliAdresse2], [CliNom], [CliPrenom], CliTelDom, Site AS VO_SITE, Concession, "
                                  "idOwner FROM TClients WHERE ";
    const std::string m1 = v + "Immatriculation AS VO_Result, Site as VO_SITE, Concession, idOwner FROM TVehicles WHERE ";
    const std::string s1 = m1 + "(Immatriculation like '%25AB%25') ORDER BY Immatriculation, DateOrdre desc";
    const std::string s1f = m1 + "(TypeVO=1) and (SITE='NORD') and (Immatriculation like '%25%25') "
                                 "ORDER BY Immatriculation, DateOrdre desc";
    const std::string s1d = m1 + "(TypeVO=2) and (not isnull(StatutVD)) and (Immatriculation like '%25%25') "
                                 "ORDER BY Immatriculation, DateOrdre desc";
    const std::string s3 = v + "NVO AS VO_Result, Site as VO_SITE, Concession, idOwner FROM TVehicles WHERE (NVO>=1202) "
                               "ORDER BY NVO, DateOrdre desc";
    const std::string s3f = v + "NVO AS VO_Result, Site as VO_SITE, Concession, idOwner FROM TVehicles WHERE (false) "
                                "ORDER BY NVO, DateOrdre desc";
    const std::string s4 = "SELECT TypeVO, idClient as VO_ID, NVO as VO_NO, Immatriculation AS VO_IMMAT, [InfoMarque], "
                           "[InfoModele], InfoVersion AS VO_VERSION, Acheteur AS VO_BUYER, DateOrdre AS VO_ORDRE, "
                           "Immatriculation AS VO_Result, Site as VO_SITE, Concession, idOwner FROM TVehiclesProFid WHERE "
                           "(Immatriculation like '%25EE3%25') ORDER BY Immatriculation, DateOrdre desc";
    const std::string s5 = customers + "(CliNom = 'DUPONT') and (CliPreNom = 'JEAN') ORDER BY CliNom, CliPreNom, idClient desc";
    const std::string s5c = customers + "(CliNom like '%25mar%25') ORDER BY CliNom, CliPreNom, idClient desc";
    const std::string s6 = customers + "(false) ORDER BY CliMobile, idClient desc";
    const SearchCase cases[] = {
        {"registration contains AB", s1.c_str(), "50", 1, "1"},
        {"used vehicles of site NORD", s1f.c_str(), "50", 2, "1"},
        {"demonstrators", s1d.c_str(), "50", 2, "4"},
        {"capped by MaxRows", s1d.c_str(), "1", 1, "4"},
        {"vehicle number and after", s3.c_str(), "50", 6, "2"},
        {"vehicle number not digits", s3f.c_str(), "50", 0, ""},
        {"customer vehicle opens its owner", s4.c_str(), "50", 1, "2"},
        {"exact name and first name, any case", s5.c_str(), "50", 1, "1"},
        {"name containing, any case", s5c.c_str(), "50", 1, "2"},
        {"empty mobile search", s6.c_str(), "50", 0, ""},
    };
    for (const SearchCase& c : cases) {
        const std::string body = Get(std::string("AxQuery?XMLC_OutputFormat=XML&SQL=") + c.sql + "&MaxRows=" + c.maxRows +
                                     "&idClient=");
        ASSERT_EQ(LogItems(body), "") << c.what;
        stanor::service::TXml xml = Scan(body);
        stanor::service::XmlFind(xml, "AXQueryS");
        int n = 0;
        QString first;
        while (stanor::service::XmlNext(xml, "AXQuery"))
            if (n++ == 0) stanor::service::XmlGet(xml, "VO_ID", first);
        EXPECT_EQ(n, c.rows) << c.what;
        EXPECT_EQ(first.toStdString(), c.firstId) << c.what;
    }
}

TEST_F(DataServiceStatements, DuplicateCountReadsAsTheClientReadsIt) {
    const std::string body = Send("AxQuery", "select count(idClient) as cpt from tClients group by CliNom, CliPrenom "
                                             "having (CliNom='DUPONT') and (CliPreNom='JEAN')");
    stanor::service::TXml xml = Scan(body);
    stanor::service::XmlFind(xml, "AXQuery");  // the first row, through the section's prefix
    QString count;
    stanor::service::XmlGet(xml, "cpt", count);
    EXPECT_EQ(count, "1");
}

namespace {

// A real JPEG picture, as the service stores only photos that decode.
std::string Photo(int width, int height, unsigned seed) {
    const std::vector<unsigned char> bytes = DrawCarJpeg(width, height, seed);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST_F(DataServiceStatements, PhotoUploadStoresBothFilesThenLinksThem) {
    const std::string jpeg = Photo(160, 120, 1);
    const std::string mini = Photo(40, 30, 2);
    auto form = [&](const std::string& sql, const std::string& name) {
        return httplib::MultipartFormDataItems{
            {"NFImage", name + ".jpg", "", ""},
            {"XMLC_OutputFormat", "XML", "", ""},
            {"SQLExecute", sql, "", ""},
            {"MAX_FILE_SIZE", "4096000", "", ""},
            {"File", jpeg, name + ".jpg", "file"},
            {"NFImageMini", name + "m.jpg", "", ""},
            {"File", mini, name + "m.jpg", "file"}};
    };
    auto res = Client()->Post("/AxInsert?UserID=1", form("INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) "
                                                "VALUES (:NewID, 1002, 2, 'V0001002-02', '2026-12-09 10:00:00')",
                                                "V0001002-02"));
    ASSERT_TRUE(res);
    EXPECT_EQ(LogItems(res->body), "");
    EXPECT_EQ(Count("tVO - Liens Images", "NomImage='V0001002-02' AND idVO=1002"), 1);
    std::ifstream big(images_ + "/V0001002-02.jpg", std::ios::binary), small(images_ + "/V0001002-02m.jpg", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(big), {}), jpeg);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(small), {}), mini);
    auto served = Client()->Get("/images/V0001002-02m.jpg?UserID=1");
    ASSERT_TRUE(served);
    EXPECT_EQ(served->body, mini);

    // A statement that fails leaves neither a row nor a file behind.
    res = Client()->Post("/AxInsert?UserID=1", form("INSERT INTO [tVO - Liens Images] (idImage, NoSuchColumn) VALUES (:NewID, 1)",
                                           "V0001002-03"));
    ASSERT_TRUE(res);
    EXPECT_NE(LogItems(res->body), "");
    EXPECT_FALSE(std::filesystem::exists(images_ + "/V0001002-03.jpg"));
    // A name that is a path, or a file that is no JPEG, is refused before anything is written.
    res = Client()->Post("/AxInsert?UserID=1", form("INSERT INTO [tVO - Liens Images] (idImage, idVO) VALUES (:NewID, 1)", "../evil"));
    EXPECT_NE(LogItems(res->body), "");
    auto notJpeg = form("INSERT INTO [tVO - Liens Images] (idImage, idVO) VALUES (:NewID, 1)", "V0001002-04");
    notJpeg[4].content = "GIF89a";
    res = Client()->Post("/AxInsert?UserID=1", notJpeg);
    EXPECT_NE(LogItems(res->body), "");
    EXPECT_EQ(Count("tVO - Liens Images", "idVO=1"), 0);
}

TEST_F(DataServiceStatements, PhotoUploadsAreWholeAndWriteOnlyTheirVehiclesPhotos) {
    namespace fs = std::filesystem;
    auto write = [&](const std::string& name, const std::string& bytes) {
        fs::create_directories(images_);
        std::ofstream(images_ + "/" + name, std::ios::binary) << bytes;
    };
    auto read = [&](const std::string& name) {
        std::ifstream in(images_ + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string jpeg = Photo(160, 120, 3), mini = Photo(40, 30, 4);
    const std::string other = Photo(32, 24, 5), own = Photo(32, 24, 6);
    write("V0001001-01.jpg", other);
    write("V0001001-01m.jpg", other);
    write("V0001002-05.jpg", own);
    write("V0001002-05m.jpg", own);
    write("V0001002-07.jpg", own);
    fs::create_directories(images_ + "/V0001002-07m.jpg");  // the miniature cannot take its name
    auto link = [](const char* idVO, const char* name) {
        return std::string("INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) VALUES (:NewID, ") +
               idVO + ", 5, '" + name + "', '2026-12-09 10:00:00')";
    };
    auto upload = [&](const std::string& sql, const std::string& photo, const std::string& miniature) {
        auto res = Client()->Post("/AxInsert?UserID=1", httplib::MultipartFormDataItems{
                                                   {"NFImage", photo, "", ""},
                                                   {"XMLC_OutputFormat", "XML", "", ""},
                                                   {"SQLExecute", sql, "", ""},
                                                   {"MAX_FILE_SIZE", "4096000", "", ""},
                                                   {"File", jpeg, photo, "file"},
                                                   {"NFImageMini", miniature, "", ""},
                                                   {"File", mini, miniature, "file"}});
        return res ? res->body : std::string("(pas de réponse)");
    };
    const long long links = Count("tVO - Liens Images");
    struct Case {
        const char* what;
        std::string sql, photo, miniature;
    } refused[] = {
        {"the photo of another vehicle", link("1002", "V0001001-01"), "V0001001-01.jpg", "V0001001-01m.jpg"},
        {"a link naming another photo", link("1002", "V0001002-09"), "V0001002-05.jpg", "V0001002-05m.jpg"},
        {"both files under one name", link("1002", "V0001002-05"), "V0001002-05.jpg", "V0001002-05.jpg"},
        {"the miniature of another photo", link("1002", "V0001002-05"), "V0001002-05.jpg", "V0001002-06m.jpg"},
        {"a vehicle number on fewer digits", link("1002", "V1002-05"), "V1002-05.jpg", "V1002-05m.jpg"},
        {"a statement on another table", "Insert into tActions (idClient, idAction) Values (2, :NewID)",
         "V0001002-05.jpg", "V0001002-05m.jpg"},
        {"a statement that fails", "INSERT INTO [tVO - Liens Images] (idImage, NoSuchColumn) VALUES (:NewID, 1)",
         "V0001002-05.jpg", "V0001002-05m.jpg"},
        {"a miniature that cannot be written", link("1002", "V0001002-07"), "V0001002-07.jpg", "V0001002-07m.jpg"},
    };
    for (const Case& c : refused) EXPECT_NE(LogItems(upload(c.sql, c.photo, c.miniature)), "") << c.what;
    EXPECT_EQ(Count("tVO - Liens Images"), links);
    EXPECT_EQ(read("V0001001-01.jpg"), other);
    EXPECT_EQ(read("V0001001-01m.jpg"), other);
    EXPECT_EQ(read("V0001002-05.jpg"), own);
    EXPECT_EQ(read("V0001002-05m.jpg"), own);
    EXPECT_EQ(read("V0001002-07.jpg"), own);  // the first file was put back

    // The vehicle's own photo sent again replaces both files, with its link.
    EXPECT_EQ(LogItems(upload(link("1002", "V0001002-05"), "V0001002-05.jpg", "V0001002-05m.jpg")), "");
    EXPECT_EQ(read("V0001002-05.jpg"), jpeg);
    EXPECT_EQ(read("V0001002-05m.jpg"), mini);
    EXPECT_EQ(Count("tVO - Liens Images", "idVO=1002 AND NomImage='V0001002-05'"), 1);
    // Nothing temporary is left in the folder.
    for (const auto& entry : fs::directory_iterator(images_))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST_F(DataServiceStatements, AggregatesThatTheClientMayCallOnBothStores) {
    struct Case {
        const char* sql;
        const char* column;
        const char* expected;
    } cases[] = {
        {"SELECT group_concat(Immatriculation, ', ') AS plates FROM (SELECT Immatriculation FROM tVehicles "
         "WHERE idTVO IN (1, 2) ORDER BY Immatriculation) AS p", "plates", "AB123CD, EF456GH"},
        {"SELECT group_concat(StatutVD) AS statuses FROM tVehicles WHERE idTVO IN (1, 2)", "statuses", ""},
        {"SELECT ifnull(StatutVD, 'aucun') AS status FROM tVehicles WHERE idTVO = 1", "status", "aucun"},
    };
    for (const Case& c : cases) {
        const std::string body = Send("AxQuery", c.sql);
        ASSERT_EQ(LogItems(body), "") << c.sql;
        stanor::service::TXml xml = Scan(body);
        stanor::service::XmlFind(xml, "AXQuery");
        QString value;
        stanor::service::XmlGet(xml, c.column, value);
        EXPECT_EQ(value.toStdString(), c.expected) << c.sql;
    }
}
