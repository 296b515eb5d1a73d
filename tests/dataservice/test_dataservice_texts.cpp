// Texts as users type them: stored and found again intact through the client's
// own literal and address forms, compared without regard to the case of any
// letter, and refused (not altered) when the answers could not carry them.
#include "ServiceFixture.h"

#include "DemoLoader.h"
#include "SqliteStore.h"
#include "records/SqlLiterals.h"
#include "service/HttpRules.h"
#include "service/TextTools.h"

#include <sqlite3.h>

#include <QString>

#include <filesystem>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

namespace {

// Every key of a French keyboard, with and without Shift and AltGr, the dead
// keys' letters and a line break ("€" and the e-mail typography have their own test).
const char* const kTyped =
    "²&é\"'(-è_çà)=~#{[|`\\^@]}azertyuiop$qsdfghjklmù*<wxcvbn,;:!"
    "AZERTYUIOP¨£QSDFGHJKLM%µ>WXCVBN?./§°+1234567890 ¤"
    "âêîôûäëïöüÿÂÊÎÔÛÄËÏÖÜñÑãõÃÕÀÉÈÇÙ«»\r\n"
    "Pourquoi ? 50 % + 2 & #3 <b> -- /* */ ; l'été \"cité\" \\n";

class DataServiceTexts : public ServiceTest {
protected:
    // The answer to a statement sent exactly as the client sends it.
    static std::string Execute(const char* endpoint, const QString& statement) {
        const QString param = QLatin1String(endpoint) == QLatin1String("AxQuery") ? QStringLiteral("SQL")
                                                                                   : QStringLiteral("SQLExecute");
        const QString url = u'/' + QLatin1String(endpoint) + QStringLiteral("?XMLC_OutputFormat=XML&UserID=1&") + param +
                            u'=' + statement;
        auto res = Client()->Get(stanor::service::WireUrl(stanor::service::FinishGetUrl(url, QString())).toStdString());
        return res ? res->body : std::string("(pas de réponse)");
    }

    // The values of one column of a query's rows, decoded as the client decodes fields.
    static QStringList Column(const QString& select, const char* column) {
        const std::string body = Execute("AxQuery", select);
        EXPECT_EQ(LogItems(body), "") << select.toStdString();
        auto xml = Scan(body);
        stanor::service::XmlFind(xml, "AXQueryS");
        QStringList out;
        while (stanor::service::XmlNext(xml, "AXQuery")) {
            QString v;
            stanor::service::XmlGet(xml, column, v);
            out << stanor::service::DecodeXmlText(v);
        }
        return out;
    }
};

}  // namespace

TEST_F(DataServiceTexts, EveryTypedCharacterIsStoredAndFoundAgainIntact) {
    const QString typed = QString::fromUtf8(kTyped);
    const QString literal = stanor::records::SqlQuote(typed);
    ASSERT_EQ(LogItems(Execute("AxUpdate", "Update tClients set CliObservations=" + literal + " where (idClient=1)")), "");
    const std::string inserted =
        Execute("AxInsert", "Insert into tActions (CommentaireAction, idClient, idAction ) Values (" + literal +
                                ", 1, :NewID)");
    ASSERT_EQ(LogItems(inserted), "");
    EXPECT_EQ(Column("SELECT CliObservations FROM tClients WHERE idClient=1", "CliObservations"), QStringList{typed});
    EXPECT_EQ(Column("SELECT CommentaireAction FROM tActions WHERE idAction=" + QString::fromStdString(NewId(inserted)),
                     "CommentaireAction"),
              QStringList{typed});
    // Found by the whole text and by a part of it holding "?", as a search sends it.
    EXPECT_EQ(Column("SELECT idClient FROM tClients WHERE CliObservations=" + literal, "idClient"), QStringList{"1"});
    const QString part = stanor::records::EscapeQueryText(QStringLiteral("Pourquoi ? 50"));
    EXPECT_EQ(Column("SELECT idAction FROM tActions WHERE CommentaireAction like '%25" + part + "%25'", "idAction"),
              QStringList{QString::fromStdString(NewId(inserted))});
}

TEST_F(DataServiceTexts, ARawQuestionMarkInTheQueryIsPartOfTheText) {
    // Another client that leaves "?" as it is: the text keeps it.
    auto res = Client()->Get("/AxQuery?XMLC_OutputFormat=XML&SQL=select%20'Pourquoi%20?'%20as%20q,%20'??'%20as%20r&idClient=");
    ASSERT_TRUE(res);
    ASSERT_EQ(LogItems(res->body), "") << res->body;
    auto xml = Scan(res->body);
    stanor::service::XmlFind(xml, "AXQuery");
    QString q, r;
    stanor::service::XmlGet(xml, "q", q);
    stanor::service::XmlGet(xml, "r", r);
    EXPECT_EQ(q, "Pourquoi ?");
    EXPECT_EQ(r, "??");
}

TEST_F(DataServiceTexts, AccentedLettersCompareWithoutRegardToCase) {
    ASSERT_EQ(LogItems(Execute("AxInsert", QString::fromUtf8("Insert into tClients (CliNom, CliPrenom, idClient, "
                                                             "idOwner, Concession) Values ('LEFèVRE', 'hélène', "
                                                             ":NewID, 1, 'ALV')"))),
              "");
    const QString customers = "SELECT idClient FROM tClients WHERE ";
    struct Case {
        const char* what;
        const char* sql;  // as the client writes it (the address form is applied on sending)
        int count;
    } cases[] = {
        {"name containing, upper case", "(CliNom like '%25LEFÈ%25')", 1},
        {"name containing, lower case", "(CliNom like '%25lefè%25')", 1},
        {"exact name, upper case", "(CliNom = 'LEFÈVRE')", 1},
        {"accents are kept: E is not È", "(CliNom like '%25LEFE%25')", 0},
        {"one letter for _", "(CliPrenom like 'H_L_NE')", 1},
        {"first name in upper case", "(CliNom = 'LEFÈVRE') and (CliPreNom = 'HÉLÈNE')", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Column(customers + QString::fromUtf8(c.sql), "idClient").size(), c.count) << c.what;
    // The "Ident" duplicate statement counts the customer typed as the client upper-cases it.
    const QStringList count =
        Column(QString::fromUtf8("select count(idClient) as cpt from tClients group by CliNom, CliPrenom "
                                 "having (CliNom='LEFÈVRE') and (CliPreNom='HÉLÈNE')"),
               "cpt");
    EXPECT_EQ(count, QStringList{"1"});
}

TEST_F(DataServiceTexts, FrenchTypographyIsStoredAndWhatTheCodePageCannotHoldIsRefused) {
    const long long clients = Count("tClients");
    struct Case {
        const char* what;
        const char* text;     // UTF-8, sent as the client sends it
        const char* refused;  // the code named by the refusal; nullptr: stored and answered intact
    } cases[] = {
        {"euro sign", "Reprise 15 000 €", nullptr},
        {"ligatures and quotes of an e-mail", "Œuvre de ma sœur : “bien” … l’été – fin", nullptr},
        {"a letter beyond the code page", "Kraków ā", "U+0101"},
        {"a character beyond the basic plane", "\xF0\x9F\x9A\x97", "U+1F697"},
    };
    for (const Case& c : cases) {
        const QString typed = QString::fromUtf8(c.text);
        const QString literal = stanor::records::SqlQuote(typed);
        const std::string before = Scalar("SELECT coalesce(CliObservations, '') FROM tClients WHERE idClient=2");
        const std::string update = Execute("AxUpdate", "Update tClients set CliObservations=" + literal + " where (idClient=2)");
        const std::string insert = Execute("AxInsert", "Insert into tClients (CliNom, Concession, idClient) Values (" + literal +
                                                               ", 'ALV', :NewID)");
        if (!c.refused) {
            ASSERT_EQ(LogItems(update) + LogItems(insert), "") << c.what;
            EXPECT_EQ(Column("SELECT CliObservations FROM tClients WHERE idClient=2", "CliObservations"),
                      QStringList{typed}) << c.what;
            // Found again by a search holding the same characters.
            EXPECT_EQ(Column("SELECT CliNom FROM tClients WHERE CliNom like '%25" + literal.mid(1, literal.size() - 2) + "%25'",
                             "CliNom"),
                      QStringList{typed}) << c.what;
            continue;
        }
        for (const std::string& body : {update, insert}) {
            EXPECT_NE(LogItems(body).find(c.refused), std::string::npos) << c.what << ": " << body;
            EXPECT_NE(LogItems(body).find("Windows-1252"), std::string::npos) << c.what;
            EXPECT_EQ(body.find("RowsAffected"), std::string::npos) << c.what;
        }
        EXPECT_EQ(Scalar("SELECT coalesce(CliObservations, '') FROM tClients WHERE idClient=2"), before) << c.what;
    }
    EXPECT_EQ(Count("tClients"), clients + 2);
}

TEST(DataServiceTextCodec, RequestsInTheWorkstationsCodePage) {
    struct Case {
        const char* bytes;  // as a workstation sends them, percent escapes decoded
        const char* utf8;   // nullptr: refused
    } cases[] = {
        {"15 000 \x80", "15 000 €"},        {"s\x9Cur \x92\x85", "sœur ’…"},
        {"\xE9t\xE9", "été"},               {"\xC3\xA9t\xC3\xA9", "été"},  // UTF-8 stays UTF-8
        {"a\x81" "b", nullptr},              {"\x9D", nullptr},                 // undefined in the code page
        {"a\x01" "b", nullptr},              {"\xC4\x81", nullptr},            // "ā": valid UTF-8, beyond the page
    };
    for (const Case& c : cases) {
        const ClientText t = ReadClientText(c.bytes, "Le texte");
        EXPECT_EQ(t.ok(), c.utf8 != nullptr) << c.bytes << " " << t.error;
        if (c.utf8) {
            EXPECT_EQ(t.utf8, c.utf8);
            EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(t.utf8)).value_or("?"), t.utf8);  // answered as it came
        }
    }
    EXPECT_EQ(Utf8ToAnsi("Œ € ā"), "\x8C \x80 ?");
}

// A database whose text indexes were ordered by SQLite's own NOCASE (made by an
// earlier service, or written by another tool) is put in order once.
TEST(DataServiceTextIndexes, IndexesOrderedByTheFormerRulesAreRebuiltOnce) {
    if (OnPostgres()) GTEST_SKIP() << "the indexes of an SQLite file";
    const std::string dir = MakeTempDir();
    const std::string path = dir + "/old.db";
    std::filesystem::copy_file(TemplateDatabase(), path);
    {
        sqlite3* raw = nullptr;  // SQLite's own rules, as any other tool has them
        ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw,
                               "INSERT INTO tClients (idClient, CliNom) VALUES (50, 'LEFÉBURE'), (51, 'lefèvre'), "
                               "(52, 'LEFÈVRE'), (53, 'Lefébure'), (54, 'LEFEVRE'); PRAGMA user_version = 0",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    SqliteStore db(path);
    EXPECT_NE(db.acquire()->query("PRAGMA integrity_check").rows.at(0).at(0), "ok");
    EXPECT_TRUE(db.upgradeTextIndexes());
    EXPECT_FALSE(db.upgradeTextIndexes());
    auto s = db.acquire();
    EXPECT_EQ(s->query("PRAGMA integrity_check").rows.at(0).at(0), "ok");
    EXPECT_EQ(s->query("SELECT group_concat(idClient) FROM (SELECT idClient FROM tClients INDEXED BY tClients_CliNom "
                       "WHERE CliNom = 'LEFÈVRE' ORDER BY idClient)")
                  .rows.at(0).at(0),
              "51,52");
    std::filesystem::remove_all(dir);
}
