// The rules of a write beyond its dialect (keys, plain values, lengths), the
// functions a statement may call, and the limits that need no server: texts
// cut on the sheets, photos decoded whole.
#include "DemoPhotos.h"
#include "FieldLengths.h"
#include "PhotoFiles.h"
#include "SheetLayout.h"
#include "SqlDialect.h"
#include "WriteRules.h"

#include <gtest/gtest.h>

using namespace stanor::dataservice;

namespace {

// The refusal of a client's write, from the translator or the write rules; "" when accepted.
std::string Refusal(const std::string& sql) {
    const TranslatedSql t = TranslateSql(sql);
    return t.ok() ? WriteRefusal(t) : t.error;
}

}  // namespace

TEST(DataServiceWriteRules, UpdatesAndDeletesNameTheirRowsByAKey) {
    struct Case {
        const char* sql;
        bool accepted;
    } cases[] = {
        // Conditions that name every row, or none by its key.
        {"DELETE FROM tVehicles WHERE 1=1", false},
        {"Delete * From tVehicles WHERE 1", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO=1 OR (SELECT 1 WHERE 1)", false},
        {"UPDATE tVehicles SET KMS=0 WHERE (idTVO=1 OR 1=1) AND KMS>0", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO<>1", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO>=1", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO==1", false},
        {"UPDATE tVehicles SET KMS=0 WHERE NOT idTVO=1", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO NOT IN (1)", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO=idVO", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO=(SELECT max(idTVO) FROM tVehicles)", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO IN (SELECT idTVO FROM tVehicles)", false},
        {"UPDATE tVehicles SET KMS=0 WHERE idTVO IN (1, KMS)", false},
        {"UPDATE tVehicles SET KMS=0 WHERE (isNull(idTVO))", false},
        {"UPDATE tClients SET CliNom='X' WHERE idAction=1", false},  // the key of another table
        {"Delete * From ListRubrics where RubricType='InfoCouleur'", false},  // half a list entry's key
        // The sweep names no key: only the service may limit it.
        {"DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null));",
         false},
        {"DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null)) "
         "AND (Concession='AUTRE')", false},
        // What the client builds, and conditions that only narrow a key.
        {"Update tVehicles set KMS=1,Site='NORD' where (idTVO=1)", true},
        {"Update TVehiclesProfid set Immatriculation='AB-123-CD' where (idTVO=5) and (idClient=2)", true},
        {"Update [tVO - Frevo] set MontantHT=-12.50 where (idFrevo=3)", true},
        {"Update tVehicles set NomImage=NULL where idVO=1001", true},
        {"Delete * From [tVO - Liens Images] where idVO=1001 and NomImage='V0001001-02'", true},
        {"Delete * From ListVersions where VMarque='VW' and VModele='POLO' and VVersion='1.0 TSI 80' and "
         "VConcession='ALV'", true},
        {"Delete * From tVehiclesProfid where idTVo=3", true},
        {"DELETE FROM tActions WHERE ((idAction)=2)", true},
        {"DELETE FROM tVehicles WHERE idTVO IN (1, 2, 3)", true},
        {"UPDATE tVehicles SET KMS=0 WHERE '1'=idTVO AND (SELECT count(*) FROM ListPars a, ListPars b) > 0", true},
    };
    for (const Case& c : cases) {
        const std::string why = Refusal(c.sql);
        EXPECT_EQ(why.empty(), c.accepted) << c.sql << " : " << why;
    }
}

TEST(DataServiceWriteRules, WritesGiveTheirRowsAsPlainValues) {
    struct Case {
        const char* sql;
        bool accepted;
    } cases[] = {
        {"INSERT INTO tActions (idClient, CommentaireAction) SELECT idClient, CliNom FROM tClients", false},
        {"INSERT INTO tActions (idClient) VALUES ((SELECT max(idClient) FROM tClients))", false},
        {"INSERT INTO tActions DEFAULT VALUES", false},
        {"INSERT INTO tActions (idClient, idAction) VALUES (2)", false},
        {"Insert into tActions (idClient, idAction) Values (2, :NewID) RETURNING idAction", false},
        {"UPDATE tClients SET CliNom=CliPrenom WHERE idClient=1", false},
        {"UPDATE tClients SET CliNom='A' || 'B' WHERE idClient=1", false},
        {"UPDATE tClients SET CliNom=upper('x') WHERE idClient=1", false},
        {"UPDATE tClients SET CliNom=(SELECT group_concat(CliNom) FROM tClients) WHERE idClient=1", false},
        {"Insert into [tVO - Frevo] (DateFrevo,LibelleFrevo,TypeFrevo,MontantHT, idVO, idFrevo ) Values "
         "(#12/09/2026#,'Lavage','interne',-35.00, 1002, :NewID)", true},
        {"Insert into tVehicles (NVO, idTVO, TypeVO, idvo) Values (12, :NewID, 1, :NewIDbis)", true},
        {"INSERT INTO tClients (CliNom, CliPrenom) VALUES ('DUPONT', 'Paul'), ('DURAND', NULL)", true},
        {"Update tVehicles set FlagVendu=True, PrixVente=NULL, DateEntree=#03/15/2009# where (idTVO=1)", true},
    };
    for (const Case& c : cases) {
        const std::string why = Refusal(c.sql);
        EXPECT_EQ(why.empty(), c.accepted) << c.sql << " : " << why;
    }
}

TEST(DataServiceWriteRules, TheSweepIsTheClientsAndIsLimitedToOneDealership) {
    const TranslatedSql client = TranslateSql(
        "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null));");
    EXPECT_TRUE(IsCancelledVehicleSweep(client));
    for (const char* other : {"DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null))",
                              "DELETE * FROM tClients WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND "
                              "((DateAnnulation) Is Not Null))",
                              "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND "
                              "((DateAnnulation) Is Not Null)) OR 1=1"})
        EXPECT_FALSE(IsCancelledVehicleSweep(TranslateSql(other))) << other;
    const TranslatedSql scoped = CancelledVehicleSweepOf("L'ALV");
    ASSERT_TRUE(scoped.ok()) << scoped.error;
    EXPECT_EQ(WriteRefusal(scoped), "");
    EXPECT_NE(scoped.sql.find("Concession='L''ALV'"), std::string::npos) << scoped.sql;
}

TEST(DataServiceWriteRules, TextsStayWithinTheirFieldsLength) {
    ResultSet descriptions;
    descriptions.columns = {"txtInfo", "vInfo", "length"};
    descriptions.rows = {{"Nom", "CliNom", "40"},
                         {"Immatriculation", "Immatriculation", "10"},
                         {"Immat. du véhicule", "Immatriculation", "12"},  // two fields: the larger length
                         {"Site", "Site", "0"}};                            // no length given
    const FieldLengthMap lengths = ReadFieldLengths(descriptions);
    struct Case {
        std::string sql;
        const char* says;  // "" when accepted
    } cases[] = {
        {"UPDATE tClients SET CliNom='" + std::string(40, 'N') + "' WHERE idClient=1", ""},
        {"UPDATE tClients SET CliNom='" + std::string(41, 'N') + "' WHERE idClient=1", "« Nom » (CliNom) : 41 caractères, au plus 40"},
        {"UPDATE tClients SET cliNOM='" + std::string(41, 'N') + "' WHERE idClient=1", "au plus 40"},
        {"UPDATE tClients SET CliNom='" + std::string(39, 'N') + "''' WHERE idClient=1", ""},  // a quote is one character
        {"UPDATE tClients SET CliNom='" + std::string(20, 'N') + [] {
             std::string e;
             for (int i = 0; i < 20; ++i) e += "É";
             return e;
         }() + "' WHERE idClient=1", ""},  // characters, not bytes
        {"UPDATE tVehicles SET Immatriculation='AB-123-CDEFG' WHERE idTVO=1", ""},
        {"UPDATE tVehicles SET Immatriculation='AB-123-CDEFGH' WHERE idTVO=1", "au plus 12"},
        {"INSERT INTO tClients (CliNom, Site) VALUES ('DUPONT', '" + std::string(1000, 'S') + "')", ""},
        {"INSERT INTO tClients (CliNom, Site) VALUES ('DUPONT', '" + std::string(1025, 'S') + "')", "1025 octets, au plus 1024"},
        {"INSERT INTO tClients (CliNom, CliPrenom) VALUES ('DUPONT', 'x'), ('" + std::string(41, 'N') + "', 'y')",
         "au plus 40"},
    };
    for (const Case& c : cases) {
        const TranslatedSql t = TranslateSql(c.sql);
        ASSERT_TRUE(t.ok()) << t.error;
        const std::string why = TextTooLong(ReadWriteShape(t), lengths, 1024);
        if (!*c.says) EXPECT_EQ(why, "") << c.sql.substr(0, 80);
        else EXPECT_NE(why.find(c.says), std::string::npos) << c.sql.substr(0, 80) << " : " << why;
    }
}

TEST(DataServiceWriteRules, AFunctionIsKnownByItsNameHoweverItIsWritten) {
    struct Case {
        const char* sql;
        bool accepted;
    } cases[] = {
        {"SELECT [set_config]('statement_timeout','0',false) AS v", false},
        {"SELECT [pg_sleep](30) AS z", false},
        {"SELECT PG_SLEEP (30) AS z", false},
        {"SELECT pg_sleep\f(30) AS z", false},
        {"SELECT pg_sleep\v(30) AS z", false},
        {"SELECT pg_sleep/**/(30) AS z", false},
        {"SELECT pg_catalog.[pg_sleep](30) AS z", false},
        {"SELECT pg_catalog.count(*) AS n FROM tClients", false},
        {"SELECT [pg_terminate_backend](pid) FROM pg_stat_activity", false},
        {"SELECT count(*) FROM [pg_roles]", false},
        {"SELECT * FROM pg_settings", false},
        {"SELECT * FROM information_schema.tables", false},
        {"SELECT [query_to_xml]('select 1', true, true, '') AS x", false},
        {"SELECT [lo_from_bytea](0, 'x') AS o", false},
        {"SELECT replace(CliNom, 'A', 'AAAA') FROM tClients", false},
        {"SELECT name FROM sqlite_master", false},
        {"SELECT * FROM [pragma_table_info]('tUsers')", false},
        {"SELECT * FROM tClients WHERE idClient IN (SELECT [randomblob](10))", false},
        {"UPDATE tVehicles SET KMS=[pg_sleep](1) WHERE idTVO=1", false},
        // The client's calls, and the words before "(" that are no calls.
        {"select count(idClient) as cpt from tClients group by CliNom having (CliNom='X')", true},
        {"SELECT [count](*) AS n, Max (KMS) AS m FROM tVehicles WHERE (isNull(StatutVD)) AND idTVO IN (1, 2)", true},
        {"SELECT group_concat(CliNom, ', ') AS g FROM (SELECT CliNom FROM tClients) AS c WHERE EXISTS (SELECT 1)", true},
        {"Insert into [tVO - Frevo] (idVO, idFrevo) Values (1001, :NewID)", true},
        {"SELECT CAST(KMS AS TEXT) AS k FROM tVehicles WHERE (KMS BETWEEN (1) AND (2)) OR NOT (KMS IS NULL)", true},
    };
    for (const Case& c : cases) {
        const TranslatedSql t = TranslateSql(c.sql);
        EXPECT_EQ(t.ok(), c.accepted) << c.sql << " : " << t.error;
    }
}

TEST(DataServiceSheetTexts, LongTextsAreCutWithAnEllipsis) {
    struct Case {
        std::string text;
        size_t characters, lines;
        std::string expected;
    } cases[] = {
        {"court", 10, 3, "court"},
        {"exactement", 10, 3, "exactement"},
        {"un peu plus long", 10, 3, "un peu plu\u2026"},
        {"ÉÉÉÉÉÉ", 3, 3, "ÉÉÉ\u2026"},  // never inside a character
        {"a\nb\nc\nd", 100, 2, "a\nb\u2026"},
        {"a\r\nb\r\n\r\nc", 100, 2, "a\r\nb\u2026"},
        {"", 0, 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(sheets::CutText(c.text, c.characters, c.lines), c.expected) << c.text;
}

TEST(DataServicePhotoCheck, OnlyJpegPicturesThatDecodeWholeAreKept) {
    const auto jpeg = [](int w, int h) {
        const std::vector<unsigned char> b = DrawCarJpeg(w, h, 7);
        return std::string(b.begin(), b.end());
    };
    const std::string photo = jpeg(64, 48);
    std::string announcing = photo;  // a frame header that announces 8000 x 8000 pixels
    const size_t sof = announcing.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    announcing.replace(sof + 5, 4, std::string("\x1F\x40\x1F\x40", 4));
    struct Case {
        const char* what;
        std::string bytes;
        const char* says;  // "" when kept
    } cases[] = {
        {"a photo", photo, ""},
        {"a photo at the pixel limit", jpeg(64, 50), ""},
        {"a photo one row beyond", jpeg(64, 51), "Photo trop grande"},
        {"a page dressed as a photo", "\xFF\xD8\xFF\xE0<html><script>alert(1)</script></html>", "n'est pas une photo JPEG"},
        {"a photo cut in its data", photo.substr(0, photo.size() / 2), "n'est pas une photo JPEG"},
        {"8000 x 8000 pixels announced", announcing, "Photo trop grande : 8000 x 8000"},
        {"nothing", "", "n'est pas une photo JPEG"},
    };
    for (const Case& c : cases) {
        const std::string why = PhotoRefusal(c.bytes, 64 * 50);
        if (!*c.says) EXPECT_EQ(why, "") << c.what;
        else EXPECT_NE(why.find(c.says), std::string::npos) << c.what << " : " << why;
    }
}
