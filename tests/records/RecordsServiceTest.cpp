// The page, list and record-command statements executed by the real data
// service on the demo database, and the stored rows read back.
#include "ClientService.h"

#include "records/InsertAttempts.h"
#include "records/ListEditing.h"
#include "records/PageStatement.h"
#include "records/RecordCommands.h"
#include "records/SaveRules.h"
#include "records/SqlLiterals.h"

#include <thread>

using namespace stanor::records;
using stanor::statements::test::ClientServiceTest;

namespace {

PageField key(const char* name, const char* loaded) {
    return {QString::fromUtf8(name), {}, {}, SqlType::Integer, QString::fromUtf8(loaded),
            QString::fromUtf8(loaded), false};
}

PageField edit(const char* name, int type, const char* loaded, const QString& current) {
    return {QString::fromUtf8(name), {}, {}, type, QString::fromUtf8(loaded), current, true};
}

RecordState record(const char* table, const char* kind) {
    RecordState r;
    r.RecordTable = QLatin1String(table);
    r.Kind = QLatin1String(kind);
    r.IdUser = QStringLiteral("1");
    r.UserConcession = QStringLiteral("ALV");
    r.Today = QDate(2026, 12, 9);
    return r;
}

// Every character a user can type on a French keyboard that a query string
// or a quoted literal could spoil.
const QString kAwkward = QString::fromUtf8(
    "l'auto \"propre\" à 50% + a+b = c & d ; Pourquoi ? <R&D> #1 \\ é è ç ù µ § \r\n2e ligne : fin");

}  // namespace

class RecordsService : public ClientServiceTest {};

TEST_F(RecordsService, PageUpdatesStoreWhatWasTyped) {
    const QString& awkward = kAwkward;
    const PageStatement s = TestPageUpdate(
        1,
        {key("idTVO", "1"),
         edit("Commentaires", SqlType::Text, "Entretien à jour\r\nDeux propriétaires",
              QStringLiteral("  ") + awkward + u' '),
         edit("PrixVente", SqlType::Decimal, "12500.00", QStringLiteral("13 250,5")),
         edit("MEC", SqlType::Date, "12/05/2019", QStringLiteral("15/03/2019")),
         edit("KMS", SqlType::Integer, "84500", {}), edit("Vendeur", 0, "2", QStringLiteral("3"))},
        record("tVehicles", "VO"));
    ASSERT_TRUE(s.pending()) << s.Reason.toStdString();
    Write("AxUpdate", s.Statement);
    EXPECT_EQ(Stored("SELECT Commentaires FROM tVehicles WHERE idTVO=1"), awkward);
    EXPECT_EQ(Stored("SELECT PrixVente || '|' || MEC || '|' || coalesce(KMS, 'NULL') || '|' || Vendeur "
                     "FROM tVehicles WHERE idTVO=1"),
              QStringLiteral("13250.5|2019-03-15|NULL|3"));

    // Keys of several terms, one of them on an empty loaded value.
    const PageStatement keyed = TestPageUpdate(
        1,
        {key("idTVO", "2"), key("StatutVD", ""),
         edit("Commentaires", SqlType::Text, "Première main, factures d'entretien", QStringLiteral("100%"))},
        record("tVehicles", "VO"));
    Write("AxUpdate", keyed.Statement);
    EXPECT_EQ(Stored("SELECT Commentaires FROM tVehicles WHERE idTVO=2"), QStringLiteral("100%"));
}

TEST_F(RecordsService, InsertsOfEachRecordKindGetTheirKeys) {
    struct Case {
        const char* what;
        int page;
        const char* table;
        const char* kind;
        int idTypeVO;
        const char* column;
        const char* check;  // columns of the new row, read with its key
        const char* expected;
    } cases[] = {
        {"used vehicle", 1, "tVehicles", "VO", 1, "NVO",
         "TypeVO || '|' || (idVO > 0) || '|' || idOwner || '|' || Concession FROM tVehicles WHERE idTVO=",
         "1|1|1|ALV"},
        {"demonstrator", 2, "tVehicles", "VD", 3, "NVO", "TypeVO FROM tVehicles WHERE idTVO=", "2"},
        {"customer", 7, "tClients", "CL", 0, "CliNom", "DateCreation || '|' || CliNom FROM tClients WHERE idClient=",
         "2026-12-09|O'NEIL"},
        {"customer from the purchase plans", 9, "tClients", "CL", 0, "CliNom",
         "DateCreation || '|' || CliNom FROM tClients WHERE idClient=", "2026-12-09|O'NEIL"},
        {"customer vehicle", 8, "tClients", "CL", 0, "InfoMarque",
         "idClient || '|' || (NVO > 0) || '|' || InfoMarque FROM tVehiclesProfid WHERE idTVO=", "2|1|O'NEIL"},
    };
    for (const Case& c : cases) {
        RecordState r = record(c.table, c.kind);
        r.FlagNewEnreg = c.page != 8;
        r.NewVehicle = c.page == 8;
        r.IdTypeVO = c.idTypeVO;
        r.CustomerId = QStringLiteral("2");
        const QString value = QLatin1String(c.column) == QLatin1String("NVO") ? QStringLiteral("4242")
                                                                               : QStringLiteral("O'NEIL");
        const int type = QLatin1String(c.column) == QLatin1String("NVO") ? SqlType::Integer : SqlType::Text;
        const PageStatement s = TestPageUpdate(c.page, {key("idTVO", ""), edit(c.column, type, "", value)}, r);
        ASSERT_TRUE(s.pending()) << c.what << ": " << s.Reason.toStdString();
        const std::string id = NewId(Write("AxInsert", s.Statement));
        ASSERT_FALSE(id.empty()) << c.what;
        EXPECT_EQ(Stored("SELECT " + std::string(c.check) + id).toStdString(), c.expected) << c.what;
    }
}

TEST_F(RecordsService, ListEditsAddAndDeleteTheText) {
    ListEditTexts rubric;
    rubric.ListTable = QStringLiteral("ListRubrics");
    rubric.ListKey = QStringLiteral("InfoCouleur");
    rubric.Text = QStringLiteral("Gris \"perle\" 50% l'été");
    ListEditTexts model;
    model.ListTable = QStringLiteral("ListModels");
    model.Marque = QStringLiteral("L'ATELIER");
    model.Modele = QStringLiteral("R&D+");
    ListEditTexts version = model;
    version.ListTable = QStringLiteral("ListVersions");
    version.TypeVersion = QStringLiteral("1.0 TSI ?");
    version.UserConcession = QStringLiteral("ALV");
    struct Case {
        const ListEditTexts* texts;
        const char* count;
    } cases[] = {
        {&rubric, "SELECT count(*) FROM ListRubrics WHERE RubricText='Gris \"perle\" 50% l''été'"},
        {&model, "SELECT count(*) FROM ListModels WHERE VMarque='L''ATELIER' AND VModele='R&D+'"},
        {&version, "SELECT count(*) FROM ListVersions WHERE VVersion='1.0 TSI ?' AND VModele='R&D+'"},
    };
    for (const Case& c : cases) {
        Write("AxUpdate", ActionInfoRubrique(ListEditMode::Add, *c.texts));
        EXPECT_EQ(Stored(c.count), QStringLiteral("1")) << c.count;
        Write("AxUpdate", ActionInfoRubrique(ListEditMode::Delete, *c.texts));
        EXPECT_EQ(Stored(c.count), QStringLiteral("0")) << c.count;
    }
}

TEST_F(RecordsService, DeletesAndTheSweepRemoveTheirRows) {
    for (const QString& s : VehicleDeleteStatements(QStringLiteral("1003")).Statements) Write("AxUpdate", s);
    EXPECT_EQ(Count("tVehicles", "idVO=1003"), 0);
    EXPECT_EQ(Count("tVO - Frevo", "idVO=1003"), 0);
    EXPECT_EQ(Count("tVO - Frevo", "idVO=1001"), 3);

    const long long customers = Count("tClients");  // other tests of the group may have added some
    for (const QString& s : CustomerDeleteStatements(QStringLiteral("3")).Statements) Write("AxUpdate", s);
    EXPECT_EQ(Count("tClients", "idClient=3"), 0);
    EXPECT_EQ(Count("tClients"), customers - 1);

    const long long vehicles = Count("tVehicles");
    const char* cancelled = "TypeVO=2 AND Acheteur IS NULL AND DateAnnulation IS NOT NULL";
    const long long swept = Count("tVehicles", cancelled);
    ASSERT_GT(swept, 0);
    Write("AxUpdate", SweepStatement());
    EXPECT_EQ(Count("tVehicles", cancelled), 0);
    EXPECT_EQ(Count("tVehicles"), vehicles - swept);
}

TEST_F(RecordsService, AnInsertSentAgainWithItsKeyIsStoredOnce) {
    const QString insert = QStringLiteral(
        "Insert into tClients (CliNom, idClient, DateCreation, idOwner, Concession) "
        "Values ('CLEF', :NewID, #12/09/2026#,1, 'ALV')");
    auto keyed = [](const QString& key, const QString& statement) {
        return Execute("AxInsert", statement + InsertAttempts::urlParameter(key));
    };
    auto stored = [] { return Count("tClients", "CliNom='CLEF'"); };
    const long long before = stored();

    const QString key = InsertAttempts::newKey();
    const std::string first = keyed(key, insert);
    const std::string again = keyed(key, insert);
    EXPECT_EQ(LogItems(first), "");
    EXPECT_EQ(LogItems(again), "");
    EXPECT_EQ(stored(), before + 1);
    EXPECT_FALSE(NewId(first).empty());
    EXPECT_EQ(NewId(again), NewId(first));
    EXPECT_FALSE(ReadInsertAnswer(QString::fromStdString(first)).Replayed);
    EXPECT_TRUE(ReadInsertAnswer(QString::fromStdString(again)).Replayed);

    // Another key is another insert.
    const std::string other = keyed(InsertAttempts::newKey(), insert);
    EXPECT_EQ(stored(), before + 2);
    EXPECT_NE(NewId(other), NewId(first));

    // A statement that failed took no key: the key then serves the corrected one.
    const QString key2 = InsertAttempts::newKey();
    EXPECT_NE(LogItems(keyed(key2, QStringLiteral("Insert into tClients (NoSuchColumn, idClient) Values (1, :NewID)"))),
              "");
    const std::string corrected = keyed(key2, insert);
    EXPECT_EQ(LogItems(corrected), "");
    EXPECT_FALSE(ReadInsertAnswer(QString::fromStdString(corrected)).Replayed);
    EXPECT_EQ(stored(), before + 3);

    // Keys the service refuses, and keys on other statements: nothing stored.
    struct Refused {
        const char* key;
        const char* statement;
    } refused[] = {
        {"court", nullptr},
        {"0123456789abcdef'or'1'='1", nullptr},
        {"0123456789abcdef0123456789abcdef", "Update tClients set CliNom='CLEF' where (idClient=1)"},
    };
    for (const Refused& r : refused) {
        const QString statement = r.statement ? QLatin1String(r.statement) : insert;
        EXPECT_NE(LogItems(keyed(QLatin1String(r.key), statement)), "") << r.key;
    }
    EXPECT_EQ(stored(), before + 3);
    EXPECT_EQ(Stored("SELECT CliNom FROM tClients WHERE idClient=1"), QStringLiteral("DUPONT"));
}

TEST_F(RecordsService, TwoAttemptsOfOneInsertAtOnceStoreOneRow) {
    const QString insert = QStringLiteral(
        "Insert into tClients (CliNom, idClient, DateCreation, idOwner, Concession) "
        "Values ('ENSEMBLE', :NewID, #12/09/2026#,1, 'ALV')");
    for (int round = 0; round < 5; ++round) {
        const QString key = InsertAttempts::newKey();
        std::string answers[4];
        std::vector<std::thread> senders;
        for (std::string& a : answers)
            senders.emplace_back([&a, &key, &insert] { a = Execute("AxInsert", insert + InsertAttempts::urlParameter(key)); });
        for (std::thread& t : senders) t.join();
        for (const std::string& a : answers) {
            EXPECT_EQ(LogItems(a), "") << round;
            EXPECT_EQ(NewId(a), NewId(answers[0])) << round;
        }
        EXPECT_EQ(Count("tClients", "CliNom='ENSEMBLE'"), round + 1);
    }
}
