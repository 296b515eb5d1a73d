#include "grids/GridStatements.h"
#include "grids/LineStatement.h"

#include <gtest/gtest.h>

using namespace stanor::grids;

namespace {

// A stored cost line of the demo vehicle 1001, columns as the cost grid's descriptions give them.
TsLine costLine() {
    const struct {
        const char* name;
        int type;
        const char* value;
    } cells[] = {
        {"idFrevo", 4, "3"}, {"DateFrevo", 1, "06/10/2026"}, {"LibelleFrevo", 2, "Nettoyage"}, {"NComptable", 2, ""},
        {"NomFournisseur", 2, ""}, {"NFacture", 2, ""}, {"TypeFrevo", 2, "interne"}, {"MontantHT", 5, "95.00"},
    };
    TsLine line;
    int k = 1;
    for (const auto& c : cells) {
        auto& d = line.cell(k++);
        d.FieldName = QLatin1String(c.name);
        d.DataType = c.type;
        d.LoadedValue = d.CurrentValue = QString::fromUtf8(c.value);
    }
    return line;
}

// The new-line template: loaded values emptied, today and "interne" shown.
TsLine templateLine() {
    TsLine line = costLine();
    for (auto& d : line.Cells) d.LoadedValue.clear(), d.CurrentValue.clear();
    line.cell(2).CurrentValue = QStringLiteral("09/12/2026");
    line.cell(7).CurrentValue = QStringLiteral("interne");
    return line;
}

LineRequest costs(bool deletion = false, bool newLine = false) {
    LineRequest r;
    r.Deletion = deletion;
    r.NewLine = newLine;
    r.Table = QStringLiteral("tVO - Frevo");
    r.RecordId = QStringLiteral("1001");
    return r;
}

}  // namespace

TEST(GridsCostLine, StatementOfEachEdit) {
    struct Case {
        const char* what;
        TsLine line;
        LineRequest request;
        const char* statement;
        bool built = true;
    };
    TsLine amount = costLine();
    amount.cell(8).CurrentValue = QStringLiteral("12,5");
    TsLine two = costLine();
    two.cell(3).CurrentValue = QStringLiteral("Lavage d'été");
    two.cell(2).CurrentValue = QString();
    TsLine accounting = costLine();
    accounting.cell(4).CurrentValue = QStringLiteral("411");
    TsLine deleted = costLine();
    deleted.cell(8).CurrentValue = QStringLiteral("0");
    TsLine filled = templateLine();
    filled.cell(3).CurrentValue = QStringLiteral("Lavage");
    filled.cell(8).CurrentValue = QStringLiteral("35.00");
    LineRequest filling = costs();
    filling.PageFilling = true;
    LineRequest unsaved = costs();
    unsaved.RecordId.clear();
    TsLine noKey = costLine();
    for (auto& d : noKey.Cells) d.CurrentValue += u'x';
    const Case cases[] = {
        {"nothing changed", costLine(), costs(), ""},
        {"amount, its loaded value compared", amount, costs(),
         "Update [tVO - Frevo] set MontantHT=12.5 where (idFrevo=3) and (MontantHT=95.00)"},
        {"two cells, one emptied", two, costs(),
         "Update [tVO - Frevo] set DateFrevo=NULL,LibelleFrevo='Lavage d''été' where (idFrevo=3) and "
         "(DateFrevo=#10/06/2026#) and (LibelleFrevo='Nettoyage')"},
        {"an empty text compared as empty or NULL", accounting, costs(),
         "Update [tVO - Frevo] set NComptable='411' where (idFrevo=3) and (isNull(NComptable) or NComptable='')"},
        {"deletion", deleted, costs(true), "Delete * from [tVO - Frevo] where (idFrevo=3)"},
        {"template", filled, costs(false, true),
         "Insert into [tVO - Frevo] (DateFrevo,LibelleFrevo,TypeFrevo,MontantHT, idVO, idFrevo ) "
         "Values (#12/09/2026#,'Lavage','interne',35.00, 1001, :NewID)"},
        {"while the grid is filled", amount, filling, "", false},
        {"vehicle not stored yet", amount, unsaved, "", false},
        {"every cell changed: no key to name the line", noKey, costs(), ""},
    };
    for (const Case& c : cases) {
        TsLine line = c.line;
        line.PendingStatement = QStringLiteral("(before)");
        const LineStatement s = TestFrevoUpdate(line, c.request);
        EXPECT_EQ(s.Statement.toStdString(), c.statement) << c.what;
        EXPECT_EQ(s.Built, c.built) << c.what;
        EXPECT_EQ(line.PendingStatement.toStdString(), c.built ? c.statement : "(before)") << c.what;
        EXPECT_EQ(s.NewRow, c.built && c.request.NewLine) << c.what;
    }
    TsLine line = noKey;
    EXPECT_FALSE(TestFrevoUpdate(line, costs()).Reason.isEmpty());
    LineRequest injected = costs(true);
    injected.RecordId = QStringLiteral("1 or 1=1");
    EXPECT_FALSE(TestFrevoUpdate(line, injected).Built);
}

TEST(GridsActionLine, InsertAndTheFirstEmptyMandatoryColumn) {
    const char* names[] = {"idAction", "DateAction", "idCom", "TypeAction", "SujetAction", "CommentaireAction",
                           "DateRelance", "idComRelance", "SujetRelance", "PrioriteRelance"};
    const int types[] = {4, 1, 4, 4, 4, 2, 1, 4, 4, 4};
    const char* values[] = {"", "09/12/2026", "2", "1", "2", "", "15/01/2027", "2", "3", "2"};
    TsLine line;
    for (int k = 1; k <= kLineCells; ++k) {
        line.cell(k).FieldName = QLatin1String(names[k - 1]);
        line.cell(k).DataType = types[k - 1];
        line.cell(k).CurrentValue = QLatin1String(values[k - 1]);
    }
    LineRequest r;
    r.NewLine = true;
    r.RecordId = QStringLiteral("2");
    LineStatement s = TestActionUpdate(line, r);
    EXPECT_EQ(line.MissingColumn, 6);  // the comment
    line.cell(6).CurrentValue = QStringLiteral("Rappel demandé");
    s = TestActionUpdate(line, r);
    EXPECT_EQ(line.MissingColumn, 0);
    EXPECT_EQ(s.Statement.toStdString(),
              "Insert into tActions (DateAction,idCom,TypeAction,SujetAction,CommentaireAction,DateRelance,"
              "idComRelance,SujetRelance,PrioriteRelance, idClient, idAction ) Values (#12/09/2026#,2,1,2,"
              "'Rappel demandé',#01/15/2027#,2,3,2, 2, :NewID)");
    EXPECT_EQ(s.SentCells.size(), 9u);

    // Stored, then the reminder date emptied: an action without reminder.
    for (auto& d : line.Cells) d.LoadedValue = d.CurrentValue;
    line.cell(1).LoadedValue = line.cell(1).CurrentValue = QStringLiteral("5");
    line.cell(7).CurrentValue.clear();
    r.NewLine = false;
    s = TestActionUpdate(line, r);
    EXPECT_EQ(s.Statement.toStdString(),
              "Update tActions set DateRelance=NULL where (idAction=5) and (DateRelance=#01/15/2027#)");
    EXPECT_EQ(line.MissingColumn, 0);
    // The priority emptied: the column is missing.
    line.cell(10).CurrentValue.clear();
    s = TestActionUpdate(line, r);
    EXPECT_EQ(line.MissingColumn, 10);
    // Its deletion is not held back by the empty column.
    r.Deletion = true;
    s = TestActionUpdate(line, r);
    EXPECT_EQ(s.Statement, QStringLiteral("Delete * from tActions where (idAction=5)"));
    EXPECT_EQ(line.MissingColumn, 0);
}

TEST(GridsCellValue, WhatACellCanStore) {
    struct Case {
        int type;
        const char* typed;
        const char* message;  // "" accepted
    } cases[] = {
        {5, "1 500,00", ""}, {5, "1.500,00", ""}, {5, "1500,5", ""}, {5, "-12", ""}, {5, "", ""},
        {5, "1-50", "La valeur du champ \"MontantHT\" n'est pas un montant (par exemple 1 500,00)"},
        {5, "1,5,0", "La valeur du champ \"MontantHT\" n'est pas un montant (par exemple 1 500,00)"},
        {2, "Lustrage “intérieur” €", ""},
        {2, "Kraków ā", "Le champ \"MontantHT\" ne peut pas être enregistré : contient le caractère « ā » (U+0101) "
                        "que le service ne peut pas enregistrer"},
        {1, "31/02/2026", ""},  // dates have their own rules
    };
    for (const Case& c : cases) {
        const CellValueDecision d = acceptCellValue(c.type, QString::fromUtf8(c.typed), "MontantHT", "Contrôle");
        EXPECT_EQ(d.refused, *c.message != 0) << c.typed;
        EXPECT_EQ(d.message, QString::fromUtf8(c.message)) << c.typed;
    }
}

TEST(GridsLineTable, WhichLinesWait) {
    // The pending statements of lines 1 to 3 (element 0 holds the column descriptions).
    const struct {
        const char* what;
        std::vector<const char*> pending;
        int except;     // the line the user moves to
        int first;      // the line a save sends
        bool another;   // a line other than that one waits
    } cases[] = {
        {"nothing waits", {"", "", ""}, 1, 0, false},
        {"only the line moved to waits", {"", "Update a", ""}, 2, 2, false},
        {"the line left waits", {"Update a", "", ""}, 2, 1, true},
        {"the lowest of two is sent first", {"", "Update b", "Update c"}, 3, 2, true},
        {"no line shown", {}, 1, 0, false},
        // Element 0 is no line, whatever it holds.
        {"the descriptions are no line", {}, 0, 0, false},
    };
    for (const auto& c : cases) {
        std::vector<TsLine> rows(1 + c.pending.size());
        rows[0].PendingStatement = QStringLiteral("Update descriptions");
        for (size_t i = 0; i < c.pending.size(); ++i) rows[i + 1].PendingStatement = QLatin1String(c.pending[i]);
        EXPECT_EQ(firstPendingLine(rows), c.first) << c.what;
        EXPECT_EQ(otherLinePending(rows, c.except), c.another) << c.what;
    }
}

TEST(GridsFixedCost, LineDueOnlyForPrivateBuyersAtASiteWithAFee) {
    FixedCostInput due;
    due.Kind = QStringLiteral("VO");
    due.IdVO = QStringLiteral("1001");
    due.Destination = QStringLiteral("Particuliers");
    due.SiteFee = QStringLiteral("150");
    due.Today = QDate(2026, 12, 9);
    EXPECT_EQ(TestFraisFixes(due).toStdString(),
              "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) "
              "Values (#12/09/2026#,'fixe', 150.00, 1001, :NewID) ");
    const auto with = [&](auto change) {
        FixedCostInput in = due;
        change(in);
        return TestFraisFixes(in);
    };
    EXPECT_TRUE(with([](auto& in) { in.SiteFee = QStringLiteral("99,5"); }).contains(QLatin1String(" 99.50, ")));
    EXPECT_TRUE(with([](auto& in) { in.HasFixedCost = true; }).isEmpty());
    EXPECT_TRUE(with([](auto& in) { in.Destination = QStringLiteral("MARCHANDS"); }).isEmpty());
    EXPECT_TRUE(with([](auto& in) { in.SiteFee = QStringLiteral("0"); }).isEmpty());
    EXPECT_TRUE(with([](auto& in) { in.SiteFee.clear(); }).isEmpty());
    EXPECT_TRUE(with([](auto& in) { in.SiteFee = QStringLiteral("abc"); }).isEmpty());
    EXPECT_TRUE(with([](auto& in) { in.Kind = QStringLiteral("VD"); }).isEmpty());
    EXPECT_TRUE(with([](auto& in) { in.IdVO.clear(); }).isEmpty());

    EXPECT_TRUE(HasFixedCost({QStringLiteral("interne"), QStringLiteral("Fixe")}));
    EXPECT_FALSE(HasFixedCost({QStringLiteral("externe")}));
    const QList<QPair<QString, QString>> sites = {{QStringLiteral("NORD"), QStringLiteral("150")},
                                                  {QStringLiteral("SUD"), QStringLiteral("0")}};
    EXPECT_EQ(SiteFee(sites, QStringLiteral("nord")), QStringLiteral("150"));
    EXPECT_EQ(SiteFee(sites, QStringLiteral("EST")), QString());
}

TEST(GridsCustomerVehicle, DeleteNamesOneVehicle) {
    EXPECT_EQ(CustomerVehicleDeleteStatements(QStringLiteral("4")).Statements,
              QStringList{QStringLiteral("Delete * From tVehiclesProfid where idTVo=4")});
    EXPECT_TRUE(CustomerVehicleDeleteStatements(QString()).empty());
    EXPECT_TRUE(CustomerVehicleDeleteStatements(QStringLiteral("4 or 1=1")).empty());
    EXPECT_EQ(CustomerVehicleDeleteQuestion(QStringLiteral("AA111BB"), QStringLiteral("PEUGEOT 308")),
              QStringLiteral("Veuillez confirmer la suppression de \"AA111BB\" - \"PEUGEOT 308\""));
}
