// Balance, due dates, date mirror, order stamp and week label of a new vehicle.
#include "rules/NewVehicleDates.h"

#include "RulesPrint.h"

#include <gtest/gtest.h>

using namespace stanor::rules;

TEST(RulesNewVehicle, Balance)
{
    EXPECT_EQ(UpdateSoldeVN("20000", "12000", "3000", "1000"), "4000.00");
    EXPECT_EQ(UpdateSoldeVN("100,10", "", "abc", "100.20"), "-0.10");
    EXPECT_EQ(UpdateSoldeVN("0.3", "0.1", "0.2", ""), "0.00");
}

TEST(RulesNewVehicle, TreasuryAndSettlementDates)
{
    const std::vector<ParsEntry> pars = {
        {"Couleur", "12"},
        {"TypeFinancementDelai", "CREDIT : 45"}, {"typefinancementdelai", "LOA : 60"},
        {"TypeFinancementDelai", "LLD : soixante"},
        {"Autre", "BAIL : 5"},   // past the run of delay entries
    };
    struct Row {
        const char *delivery, *availability, *declared, *purchase, *supplierDue, *financing;
        const char *treasury, *settlement;
    };
    const Row rows[] = {
        {"10/03/2009", "", "12/03/2009", "01/02/2009", "", "", "17/03/2009", "17/03/2009"},
        {"10/03/2009", "", "", "01/02/2009", "12/03/2009", "", "12/03/2009", "12/03/2009"},
        {"10/03/2009", "", "", "01/02/2009", "20/03/2009", "", "15/03/2009", "15/03/2009"},
        // No supplier due date: five days after delivery, not an emptied date.
        {"10/03/2009", "", "", "01/02/2009", "", "", "15/03/2009", "15/03/2009"},
        {"20/03/2009", "", "12/03/2009", "01/02/2009", "", "", "25/03/2009", "25/03/2009"},
        {"", "", "12/03/2009", "01/02/2009", "", "", "17/03/2009", "17/03/2009"},
        {"10/03/2009", "", "", "", "", "", "10/03/2009", "10/03/2009"},
        {"", "05/03/2009", "", "", "", "", "05/03/2009", "05/03/2009"},
        {"", "", "", "", "12/03/2009", "", "", ""},
        {"", "", "", "01/02/2009", "12/03/2009", "", "12/03/2009", "12/03/2009"},
        {"", "", "", "01/02/2009", "", "", "", ""},
        {"10/03/2009", "", "", "", "", "loa", "10/03/2009", "09/05/2009"},
        {"10/03/2009", "", "", "", "", "CREDIT", "10/03/2009", "24/04/2009"},
        {"10/03/2009", "", "", "", "", "LLD", "10/03/2009", "20/03/2009"},   // unreadable days: 10
        {"10/03/2009", "", "", "", "", "BAIL", "10/03/2009", "09/04/2009"},  // no match: 30
    };
    for (const Row& r : rows) {
        const DueDates d = UpdateDateEcheanceTresorerie(
            {r.delivery, r.availability, r.declared, r.purchase, r.supplierDue, r.financing}, pars);
        EXPECT_EQ(d.treasury, r.treasury) << r.delivery << "|" << r.declared << "|" << r.supplierDue;
        EXPECT_EQ(d.settlement, r.settlement) << r.financing;
    }
    // The first entry of the run is a bare number: it is the delay without a match.
    EXPECT_EQ(financingDelay("BAIL", {{"TypeFinancementDelai", "21"}, {"TypeFinancementDelai", "LOA : 60"}}), 21);
    EXPECT_EQ(financingDelay("LOA", {}), 0);
}

TEST(RulesNewVehicle, MirrorStampAndWeekLabel)
{
    EXPECT_EQ(mirroredDate("12/03/2009", "01/03/2009"), QString("12/03/2009"));
    EXPECT_EQ(mirroredDate("12/03/2009", "12/03/2009"), std::nullopt);
    EXPECT_EQ(mirroredDate("12/03/____", "01/03/2009"), std::nullopt);
    EXPECT_EQ(mirroredDate("", "01/03/2009"), std::nullopt);

    const QDate server(2026, 11, 15);
    EXPECT_EQ(orderChangeStamp("LIVRE", "COMMANDE", server), QString("15/11/2026"));
    EXPECT_EQ(orderChangeStamp("COMMANDE", "COMMANDE", server), std::nullopt);
    EXPECT_EQ(orderChangeStamp("LIVRE", "COMMANDE", QDate()), std::nullopt);   // never a made-up date

    struct Row { const char *date, *label; };
    const Row rows[] = {
        {"01/01/2009", "2009s00"}, {"03/01/2009", "2009s00"}, {"04/01/2009", "2009s01"},
        {"01/01/2012", "2012s00"}, {"08/01/2012", "2012s01"},   // a year that starts on a Sunday
        {"31/12/2000", "2000s53"}, {"", ""}, {"__/__/____", ""}, {"31/02/2009", ""}, {"abc", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(weekLabel(r.date), r.label) << r.date;
}
