#include "records/PageStatement.h"

#include <gtest/gtest.h>

using namespace stanor::records;

namespace {

PageField key(const char* name, const char* loaded, int type = 4) {
    return {QString::fromUtf8(name), {}, {}, type, QString::fromUtf8(loaded), QString::fromUtf8(loaded), false};
}

PageField field(const char* name, int type, const char* loaded, const char* current, const char* tags = ";SVO;",
                const char* valueElement = "") {
    return {QString::fromUtf8(name), QString::fromUtf8(valueElement), QString::fromUtf8(tags), type,
            QString::fromUtf8(loaded), QString::fromUtf8(current), true};
}

RecordState vehicle() {
    RecordState r;
    r.RecordTable = QStringLiteral("tVehicles");
    r.Kind = QStringLiteral("VO");
    r.TypeVO = QStringLiteral("1");
    r.IdUser = QStringLiteral("7");
    r.UserConcession = QStringLiteral("ALV");
    r.CustomerId = QStringLiteral("2");
    r.Today = QDate(2026, 12, 9);
    return r;
}

RecordState customer() {
    RecordState r = vehicle();
    r.RecordTable = QStringLiteral("tClients");
    r.Kind = QStringLiteral("CL");
    r.TypeVO.clear();
    return r;
}

struct Case {
    const char* what;
    int page;
    std::vector<PageField> fields;
    RecordState record;
    const char* statement;
    bool reason = false;  // nothing built although fields changed, with a reason
};

}  // namespace

TEST(RecordsPageStatement, UpdatesOfAPage) {
    const RecordState vo = vehicle();
    RecordState frevo = vo;
    frevo.RecordTable = QStringLiteral("tVO - Frevo");
    const Case cases[] = {
        {"nothing changed", 1, {key("idTVO", "1"), field("KMS", 4, "84500", "84500")}, vo, ""},
        {"changes, in field order, types written by their forms; a date that is no date left out", 1,
         {key("idTVO", "1"), field("Commentaires", 2, "", "l'auto\r\n"), field("PrixVente", 5, "0.00", "1234,5"),
          field("MEC", 1, "01/02/2019", "31/02/2019"), field("KMS", 4, "84500", "")},
         vo,
         "Update tVehicles set Commentaires='l''auto',PrixVente=1234.5,KMS=NULL where (idTVO=1) and "
         "(isNull(Commentaires) or Commentaires='') and (isNull(PrixVente) or PrixVente=0) and (KMS=84500)"},
        {"skipped: FDM total, Frevo total emptied, read-only, value of another element", 1,
         {key("idTVO", "1"), field("FrevoTotFDM", 5, "0.00", "12.00"), field("FrevoFixe", 5, "0.00", ""),
          field("Site", 2, "NORD", "SUD", ";READONLY;"), field("MBrute", 5, "0.00", "9.00", ";CALCUL;", "MBrute")},
         vo, ""},
        {"a Frevo total that really changed is written", 1,
         {key("idTVO", "1"), field("FrevoFixe", 5, "0.00", "150.00")}, vo,
         "Update tVehicles set FrevoFixe=150.00 where (idTVO=1)"},  // a sum of lines: not compared
        {"keys: each term in parentheses, empty one isNull, text quoted, later ones ignored", 1,
         {key("idTVO", "2"), key("StatutVD", ""), key("Immatriculation", "EF456GH", 2), field("CV", 4, "5", "6"),
          key("idVO", "1002")},
         vo,
         "Update tVehicles set CV=6 where (idTVO=2) and (isNull(StatutVD)) and (Immatriculation='EF456GH') and "
         "(CV=5)"},
        {"an empty loaded date or number is compared as NULL; an unreadable one, a text of lines not at all", 1,
         {key("idTVO", "1"), field("DateLivraison", 1, "", "05/01/2027"), field("KMS", 4, "", "10"),
          field("MEC", 1, "2019-02-01", "01/02/2019"), field("Commentaires", 2, "a\r\nb", "a")},
         vo,
         "Update tVehicles set DateLivraison=#01/05/2027#,KMS=10,MEC=#02/01/2019#,Commentaires='a' where (idTVO=1) and "
         "isNull(DateLivraison) and isNull(KMS)"},
        {"a table name with a space is bracketed", 5, {key("idFrevo", "3"), field("MontantHT", 5, "95.00", "12.5")},
         frevo, "Update [tVO - Frevo] set MontantHT=12.5 where (idFrevo=3) and (MontantHT=95.00)"},
        {"the customer-vehicle page writes TVehiclesProfid", 8,
         {key("idTVO", "1"), field("KMS", 4, "152000", "153000")}, customer(),
         "Update TVehiclesProfid set KMS=153000 where (idTVO=1) and (KMS=152000)"},
        // Never an Update that names no row, or every row.
        {"no key before the first value field", 1, {field("KMS", 4, "1", "2"), key("idTVO", "1")}, vo, "", true},
        {"a key date that cannot be read", 1, {key("DateEntree", "2026-10-02", 1), field("KMS", 4, "1", "2")}, vo,
         "", true},
    };
    for (const Case& c : cases) {
        const PageStatement s = TestPageUpdate(c.page, c.fields, c.record);
        EXPECT_EQ(s.Statement.toStdString(), c.statement) << c.what;
        EXPECT_EQ(!s.Reason.isEmpty(), c.reason) << c.what << ": " << s.Reason.toStdString();
        EXPECT_FALSE(s.Insert) << c.what;
    }
}

TEST(RecordsPageStatement, InsertsOfEachRecordKind) {
    const auto newRecord = [](RecordState r, const char* typeVO = "1", int idTypeVO = 0) {
        r.FlagNewEnreg = true;
        r.TypeVO = QString::fromUtf8(typeVO);
        r.IdTypeVO = idTypeVO;
        return r;
    };
    const std::vector<PageField> vo = {key("idTVO", ""), field("NVO", 4, "", "1299"), field("Site", 2, "", "NORD"),
                                       field("KMS", 4, "", "")};
    RecordState newVehicle = customer();
    newVehicle.NewVehicle = true;
    RecordState unsaved = newVehicle;
    unsaved.CustomerId = QStringLiteral("-1");
    RecordState quoted = newRecord(vehicle());
    quoted.UserConcession = QStringLiteral("L'A");
    RecordState noUser = newRecord(vehicle());
    noUser.IdUser.clear();
    const std::vector<PageField> name = {key("idClient", ""), field("CliNom", 2, "", "O'NEIL")};
    const Case cases[] = {
        {"used vehicle", 1, vo, newRecord(vehicle()),
         "Insert into tVehicles (NVO,Site, idTVO, TypeVO, idVO, idOwner, Concession) "
         "Values (1299,'NORD', :NewID, 1, :NewIDbis,7, 'ALV')"},
        {"TypeVO unknown: the start-up kind, 1 for none", 1, vo, newRecord(vehicle(), "", 0),
         "Insert into tVehicles (NVO,Site, idTVO, TypeVO, idVO, idOwner, Concession) "
         "Values (1299,'NORD', :NewID, 1, :NewIDbis,7, 'ALV')"},
        {"a demonstrator asked at start-up is a TypeVO 2", 2, vo, newRecord(vehicle(), "", 3),
         "Insert into tVehicles (NVO,Site, idTVO, TypeVO, idVO, idOwner, Concession) "
         "Values (1299,'NORD', :NewID, 2, :NewIDbis,7, 'ALV')"},
        {"customer", 7, name, newRecord(customer(), ""),
         "Insert into tClients (CliNom, idClient, DateCreation, idOwner, Concession) "
         "Values ('O''NEIL', :NewID, #12/09/2026#,7, 'ALV')"},
        {"customer created from the purchase plans", 9, name, newRecord(customer(), ""),
         "Insert into tClients (CliNom, idClient, DateCreation, idOwner, Concession) "
         "Values ('O''NEIL', :NewID, #12/09/2026#,7, 'ALV')"},
        {"customer vehicle", 8, {key("idTVO", ""), field("InfoMarque", 2, "", "VW")}, newVehicle,
         "Insert into TVehiclesProfid (InfoMarque, idClient, idTVO, NVO, idOwner, Concession) "
         "Values ('VW',2, :NewID, :NewIDbis,7, 'ALV')"},
        {"concession quoted", 1, {key("idTVO", ""), field("NVO", 4, "", "5")}, quoted,
         "Insert into tVehicles (NVO, idTVO, TypeVO, idVO, idOwner, Concession) "
         "Values (5, :NewID, 1, :NewIDbis,7, 'L''A')"},
        {"a vehicle of a customer not stored yet", 8, {field("InfoMarque", 2, "", "VW")}, unsaved, "", true},
        {"no user identifier", 1, vo, noUser, "", true},
    };
    for (const Case& c : cases) {
        const PageStatement s = TestPageUpdate(c.page, c.fields, c.record);
        EXPECT_EQ(s.Statement.toStdString(), c.statement) << c.what;
        EXPECT_EQ(!s.Reason.isEmpty(), c.reason) << c.what << ": " << s.Reason.toStdString();
        EXPECT_TRUE(s.Insert) << c.what;
    }
}

TEST(RecordsPageStatement, RefusedFieldsStayPendingAndOnlySentFieldsAreListed) {
    const std::vector<PageField> fields = {key("idTVO", "1"), field("PrixVente", 5, "100.00", "12,3,4"),
                                           field("KMS", 4, "1", "2"), field("CV", 4, "5", "5")};
    const PageStatement s = TestPageUpdate(1, fields, vehicle());
    EXPECT_EQ(s.Statement, QStringLiteral("Update tVehicles set KMS=2 where (idTVO=1) and (KMS=1)"));
    EXPECT_EQ(s.SentFields, std::vector<int>{2});
    ASSERT_EQ(s.Refused.size(), 1u);
    EXPECT_EQ(s.Refused[0].Index, 1);
    const QStringList trace = s.traceLines(1);
    ASSERT_EQ(trace.size(), 1);
    EXPECT_TRUE(trace[0].contains(QLatin1String("PrixVente"))) << trace[0].toStdString();

    // Only a refused field: nothing to send, the refusal still said.
    const PageStatement only = TestPageUpdate(1, {fields[0], fields[1]}, vehicle());
    EXPECT_FALSE(only.pending());
    EXPECT_TRUE(only.SentFields.empty());
    EXPECT_EQ(only.traceLines(1).size(), 1);

    // A record being created is not sent without one of its values.
    RecordState creating = vehicle();
    creating.FlagNewEnreg = true;
    const PageStatement insert = TestPageUpdate(1, {field("NVO", 4, "", "1299"), field("Commentaires", 2, "", "ā")},
                                                creating);
    EXPECT_FALSE(insert.pending());
    EXPECT_TRUE(insert.changed());
    EXPECT_TRUE(insert.SentFields.empty());
    ASSERT_EQ(insert.Refused.size(), 1u);
    EXPECT_EQ(insert.Refused[0].FieldName, QStringLiteral("Commentaires"));
}
