// Cost-line, action-line, fixed-cost and customer-vehicle statements executed
// by the real data service on the demo database.
#include "ClientService.h"

#include "grids/GridStatements.h"
#include "grids/LineStatement.h"
#include "records/PageStatement.h"

using namespace stanor::grids;
using stanor::statements::test::ClientServiceTest;

namespace {

struct Column {
    const char* name;
    int type;
};

// A line with the given columns, loaded with `loaded` (empty for a new line).
TsLine line(std::initializer_list<Column> columns, std::initializer_list<const char*> loaded) {
    TsLine l;
    int k = 1;
    for (const Column& c : columns) {
        l.cell(k).FieldName = QLatin1String(c.name);
        l.cell(k).DataType = c.type;
        ++k;
    }
    k = 1;
    for (const char* v : loaded) {
        l.cell(k).LoadedValue = l.cell(k).CurrentValue = QString::fromUtf8(v);
        ++k;
    }
    return l;
}

const std::initializer_list<Column> kCostColumns = {
    {"idFrevo", 4},   {"DateFrevo", 1}, {"LibelleFrevo", 2}, {"NComptable", 2},
    {"NomFournisseur", 2}, {"NFacture", 2}, {"TypeFrevo", 2}, {"MontantHT", 5},
};

const std::initializer_list<Column> kActionColumns = {
    {"idAction", 4}, {"DateAction", 1},   {"idCom", 4},        {"TypeAction", 4},    {"SujetAction", 4},
    {"CommentaireAction", 2}, {"DateRelance", 1}, {"idComRelance", 4}, {"SujetRelance", 4}, {"PrioriteRelance", 4},
};

LineRequest request(const char* record, bool newLine = false, bool deletion = false) {
    LineRequest r;
    r.Table = QStringLiteral("tVO - Frevo");
    r.RecordId = QLatin1String(record);
    r.NewLine = newLine;
    r.Deletion = deletion;
    return r;
}

}  // namespace

class GridsService : public ClientServiceTest {};

TEST_F(GridsService, CostLineEditedInsertedAndDeleted) {
    TsLine stored = line(kCostColumns, {"3", "06/10/2026", "Nettoyage", "", "", "", "interne", "95.00"});
    stored.cell(8).CurrentValue = QStringLiteral("12,5");
    stored.cell(5).CurrentValue = QStringLiteral("L'Atelier & Fils +");
    Write("AxUpdate", TestFrevoUpdate(stored, request("1001")).Statement);
    EXPECT_EQ(Stored("SELECT MontantHT || '|' || NomFournisseur FROM \"tVO - Frevo\" WHERE idFrevo=3"),
              QStringLiteral("12.5|L'Atelier & Fils +"));

    TsLine fresh = line(kCostColumns, {});
    fresh.cell(2).CurrentValue = QStringLiteral("09/12/2026");
    fresh.cell(3).CurrentValue = QStringLiteral("Lavage 100% ?");
    fresh.cell(7).CurrentValue = QStringLiteral("interne");
    fresh.cell(8).CurrentValue = QStringLiteral("35.00");
    const std::string id = NewId(Write("AxInsert", TestFrevoUpdate(fresh, request("1002", true)).Statement));
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(Stored("SELECT idVO || '|' || DateFrevo || '|' || LibelleFrevo || '|' || TypeFrevo || '|' || MontantHT "
                     "FROM \"tVO - Frevo\" WHERE idFrevo=" + id),
              QStringLiteral("1002|2026-12-09|Lavage 100% ?|interne|35"));

    TsLine gone = line(kCostColumns, {id.c_str(), "09/12/2026", "Lavage 100% ?", "", "", "", "interne", "35.00"});
    gone.cell(8).CurrentValue = QStringLiteral("0");
    Write("AxUpdate", TestFrevoUpdate(gone, request("1002", false, true)).Statement);
    EXPECT_EQ(Count("tVO - Frevo", "idFrevo=" + id), 0);
    EXPECT_EQ(Count("tVO - Frevo", "idVO=1002"), 1);
}

TEST_F(GridsService, FixedCostLineOfAVehicleForPrivateBuyers) {
    FixedCostInput in;
    in.Kind = QStringLiteral("VO");
    in.IdVO = QStringLiteral("1001");  // of the site NORD
    in.Destination = QStringLiteral("PARTICULIERS");
    in.SiteFee = QString::fromStdString(Scalar("SELECT MontantFraisDossier FROM tSites WHERE Site='NORD'"));
    in.Today = QDate(2026, 12, 9);
    Write("AxInsert", TestFraisFixes(in));
    EXPECT_EQ(Stored("SELECT DateFrevo || '|' || MontantHT FROM \"tVO - Frevo\" WHERE idVO=1001 AND TypeFrevo='fixe'"),
              QStringLiteral("2026-12-09|150"));
}

TEST_F(GridsService, ActionLineInsertedUpdatedAndDeleted) {
    TsLine fresh = line(kActionColumns, {});
    const char* values[] = {"", "09/12/2026", "2", "1", "2", "Rappel demandé : « 2e essai » ?", "15/01/2027", "2", "3", "2"};
    for (int k = 1; k <= kLineCells; ++k) fresh.cell(k).CurrentValue = QString::fromUtf8(values[k - 1]);
    LineRequest r;
    r.RecordId = QStringLiteral("2");
    r.NewLine = true;
    const std::string id = NewId(Write("AxInsert", TestActionUpdate(fresh, r).Statement));
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(Stored("SELECT idClient || '|' || DateRelance || '|' || CommentaireAction FROM tActions WHERE idAction=" + id),
              QString::fromUtf8("2|2027-01-15|Rappel demandé : « 2e essai » ?"));

    TsLine stored = line(kActionColumns, {"1", "02/11/2026", "2", "2", "2", "Essai de la Golf, très intéressé", "10/01/2027", "2", "3", "2"});
    stored.cell(6).CurrentValue.clear();
    stored.cell(10).CurrentValue = QStringLiteral("3");
    r.NewLine = false;
    Write("AxUpdate", TestActionUpdate(stored, r).Statement);
    EXPECT_EQ(Stored("SELECT coalesce(CommentaireAction, 'NULL') || '|' || PrioriteRelance FROM tActions WHERE idAction=1"),
              QStringLiteral("NULL|3"));

    r.Deletion = true;
    Write("AxUpdate", TestActionUpdate(stored, r).Statement);
    EXPECT_EQ(Count("tActions", "idAction=1"), 0);
}

TEST_F(GridsService, CustomerVehicleInsertedAndDeleted) {
    stanor::records::RecordState r;
    r.RecordTable = QStringLiteral("tClients");
    r.Kind = QStringLiteral("CL");
    r.NewVehicle = true;
    r.IdUser = QStringLiteral("1");
    r.UserConcession = QStringLiteral("ALV");
    r.CustomerId = QStringLiteral("3");
    const std::vector<stanor::records::PageField> fields = {
        {QStringLiteral("idTVO"), {}, {}, 4, {}, {}, false},
        {QStringLiteral("InfoMarque"), {}, {}, 2, {}, QStringLiteral("RENAULT"), true},
        {QStringLiteral("InfoModele"), {}, {}, 2, {}, QStringLiteral("KANGOO"), true},
        {QStringLiteral("MEC"), {}, {}, 1, {}, QStringLiteral("01/06/2023"), true},
    };
    const auto s = stanor::records::TestPageUpdate(8, fields, r);
    const std::string id = NewId(Write("AxInsert", s.Statement));
    ASSERT_FALSE(id.empty()) << s.Reason.toStdString();
    EXPECT_EQ(Stored("SELECT idClient || '|' || InfoModele || '|' || MEC FROM tVehiclesProfid WHERE idTVO=" + id),
              QStringLiteral("3|KANGOO|2023-06-01"));

    for (const QString& d : CustomerVehicleDeleteStatements(QString::fromStdString(id)).Statements)
        Write("AxUpdate", d);
    EXPECT_EQ(Count("tVehiclesProfid", "idTVO=" + id), 0);
    EXPECT_EQ(Count("tVehiclesProfid", "idClient=3"), 1);
}
