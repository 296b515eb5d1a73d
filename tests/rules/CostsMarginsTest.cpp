// Cost totals of a used vehicle, the fixed-cost fee, VAT and margins.
#include "rules/Costs.h"
#include "rules/Margins.h"

#include "RulesPrint.h"

#include <gtest/gtest.h>

using namespace stanor::rules;

namespace {

// The ten totals in the order they are shown, FDM totals last.
QStringList totals(const std::vector<CostLine>& lines, const char* delivery, QDate today)
{
    QStringList shown;
    for (const auto& [control, text] : costTotalTexts(UpdateCumulFrevo(lines, QString::fromLatin1(delivery), today)))
        shown << control + u'=' + text;
    return shown;
}

}  // namespace

TEST(RulesCosts, TotalsByTypeAndUpToTheEndOfTheDeliveryMonth)
{
    const QDate today(2009, 5, 20);
    const std::vector<CostLine> lines = {
        {"31/03/2009", "Interne", "100.00"}, {"01/04/2009", "interne", "10.00"},
        {"15/03/2009", "EXTERNE", "20,5"},   {"10/03/2009", "fixe", "150.00"},
        {"10/03/2009", "PNEUS", "1.00"},     {"10/03/2009", "", "2.00"},
        {"", "externe", "4.00"},             // undated: counts as today, after the limit
        {"10/03/2009", "interne", "abc"},    // unreadable amount adds nothing
    };
    EXPECT_EQ(totals(lines, "15/03/2009", today),
              QStringList({"cFrevoPrevision=3.00", "cFrevoFixe=150.00", "cFrevoInterne=110.00",
                           "cFrevoExterne=24.50", "cFrevo=287.50", "cFrevoPrevFDM=3.00", "cFrevoFixeFDM=150.00",
                           "cFrevoIntFDM=100.00", "cFrevoExtFDM=20.50", "cFrevoTotFDM=273.50"}));
    // Without a delivery date the limit follows today: the undated line counts.
    EXPECT_EQ(totals(lines, "", today).last(), "cFrevoTotFDM=287.50");
    EXPECT_EQ(monthEndLimit("31/12/2009", today), QDate(2010, 1, 1));

    // Totals that cancel out show nothing (0.1 + 0.2 - 0.3 is not 0 in floating point).
    const std::vector<CostLine> cancel = {{"", "interne", "0.10"}, {"", "interne", "0.20"}, {"", "interne", "-0.30"},
                                          {"", "externe", "100"},  {"", "externe", "-100"}};
    EXPECT_EQ(totals(cancel, "", today).join(u' '), totals({}, "", today).join(u' '));
    EXPECT_FALSE(totals({}, "", today).join(u' ').contains(u'0'));
    EXPECT_EQ(FrevoValue(UpdateCumulFrevo(cancel, "", today)), "");
}

TEST(RulesCosts, FixedCostDueOnlyForPrivateBuyersWithAFee)
{
    EXPECT_TRUE(fixedCostDue("particuliers", false, 15000));
    EXPECT_FALSE(fixedCostDue("PARTICULIERS", true, 15000));   // already has its line
    EXPECT_FALSE(fixedCostDue("MARCHANDS", false, 15000));
    EXPECT_FALSE(fixedCostDue("PARTICULIERS", false, 0));
}

TEST(RulesMargins, WorkedExamplesAndEdges)
{
    struct Row {
        const char *sale, *purchase, *tpvo, *warranty, *costs; int mode;
        const char* rate;      // the dealership's, in percent
        const char *results;   // VAT, gross margin, net margin
    };
    const Row rows[] = {
        {"11960.00", "8000.00", "0", "100.00", "500.00", 0, "19.6", "648.96 3311.04 2711.04"},
        {"11960.00", "8000.00", "0", "100.00", "500.00", 1, "19.6", "0.00 3311.04 2711.04"},
        {"1196.00", "", "", "", "", 0, "19.6", "196.00 1000.00 1000.00"},     // empty prices count as 0
        {"1196,00", "abc", "", "", "", -1, "19.60", "196.00 1000.00 1000.00"}, // no selection: first mode
        {"8000.00", "11960.00", "0", "0", "0", 0, "19.6", "-648.96 -3311.04 -3311.04"},   // nothing clamped
        {"1000.00", "0", "50.00", "0", "1 000.00", 2, "19.6", "163.88 886.12 -113.88"},
        {"5000", "3000", "100", "50", "200", 1, "19.6", "0.00 1755.85 1505.85"},
        {"2.00", "2.00", "0", "0", "0", 0, "19.6", "0.00 0.00 0.00"},
        // The same arithmetic at the rate of the dealership.
        {"12000.00", "9000.00", "350.00", "290.00", "529.40", 0, "20", "500.00 2850.00 2030.60"},
        {"12000.00", "9000.00", "350.00", "290.00", "529.40", 1, "20,00", "0.00 2791.67 1972.27"},
        {"1055.00", "0", "0", "0", "0", 0, "5.5", "55.00 1000.00 1000.00"},
        {"1000.00", "0", "0", "0", "0", 0, "0", "0.00 1000.00 1000.00"},  // a sale without VAT
    };
    for (const Row& r : rows) {
        const MarginTexts m = UpdateTVAetMarges({QString::fromUtf8(r.sale), QString::fromUtf8(r.purchase),
                                                 QString::fromUtf8(r.tpvo), QString::fromUtf8(r.warranty),
                                                 QString::fromUtf8(r.costs), 2, r.mode, QString::fromUtf8(r.rate)});
        EXPECT_TRUE(m.computed);
        EXPECT_EQ(QStringList({m.ccTVA, m.cMBrute, m.cMNette}).join(u' '), r.results) << r.sale << " " << r.mode;
    }
    const MarginTexts noModes = UpdateTVAetMarges({"1196", "", "", "", "500.00", 0, 0, "20"});
    EXPECT_FALSE(noModes.computed);
    EXPECT_EQ(noModes.cTotFrevo, "500.00");
    // A dealership without a readable rate gets no figures at all, never figures at some other rate.
    for (const char* rate : {"", "vingt", "-20"}) {
        const MarginTexts m = UpdateTVAetMarges({"1196", "", "", "", "500.00", 2, 0, QString::fromUtf8(rate)});
        EXPECT_FALSE(m.computed) << rate;
        EXPECT_TRUE(m.rateMissing) << rate;
        EXPECT_EQ(m.cTotFrevo, "500.00") << rate;
    }
}
