// Date checks on leaving a date field and on accepting a grid date.
#include "rules/DateChecks.h"

#include "RulesPrint.h"

#include <gtest/gtest.h>

using namespace stanor::rules;

namespace {
const QDate kServer(2026, 11, 15);
const QDate kDeb(2026, 1, 1);
}  // namespace

TEST(RulesDateChecks, LeavingADateField)
{
    const DateRange both{kDeb, kServer}, low{kServer, {}}, high{{}, kServer};
    const QString unreadable = "La valeur du champ \"Date d'entrée\" n'est pas une date valide (jj/mm/aaaa)";
    struct Row {
        const char* text; const char* loaded; const char* caption; DateRange range;
        const char* message; const char* kept;   // no message: accepted as typed; "*": no date
    };
    const Row rows[] = {
        {"15/11/2026", "", "Mise en circulation :", high, "", "15/11/2026"},
        {"16/11/2026", "", "Mise en circulation :", high,
         "La valeur du champ \"Mise en circulation\" doit être inférieure au \"15/11/2026\"", ""},
        {"01/01/2026", "", "Date d'entrée", both, "", "01/01/2026"},
        {"31/12/2025", "02/02/2026", "Date d'entrée", both,
         "La valeur du champ \"Date d'entrée\" doit être comprise entre le \"01/01/2026\" et le \"15/11/2026\"",
         "02/02/2026"},
        {"14/11/2026", "", "Disponible le", low,
         "La valeur du champ \"Disponible le\" doit être supérieure au \"15/11/2026\"", ""},
        {"01/01/2000", "01/01/2000", "Date d'entrée", both, "", "01/01/2000"},   // as loaded
        {"14/11/2026", "", ":", low,   // no caption: the column names the field
         "La valeur du champ \"DateChamp\" doit être supérieure au \"15/11/2026\"", ""},
        {"31/12/2025", "", "Date d'entrée", {}, "", "31/12/2025"},   // no limits
        // A text that is no date is refused aloud and stays, to be corrected.
        {"15/13/2026", "02/02/2026", "Date d'entrée", both, "*", "15/13/2026"},
        {"31/02/2024", "02/02/2026", "Date d'entrée", {}, "*", "31/02/2024"},
        {"15/11/____", "", "Date d'entrée", {}, "*", "15/11/____"},
        {"__/__/____", "02/02/2026", "Date d'entrée", both, "", "__/__/____"},   // emptied
    };
    for (const Row& r : rows) {
        const DateFieldDecision d =
            TestDateChange({QString::fromUtf8(r.text), r.loaded, QString::fromUtf8(r.caption), "DateChamp"}, r.range);
        const bool refused = *r.message != 0;
        EXPECT_EQ(d.refused, refused) << r.text;
        EXPECT_EQ(d.message, QString(r.message) == "*" ? unreadable : QString::fromUtf8(r.message)) << r.text;
        EXPECT_EQ(d.text, r.kept) << r.text;
        EXPECT_EQ(d.caption, refused ? kDateCheckCaption : QString()) << r.text;
    }
}

TEST(RulesDateChecks, ExitHandlersAndTheirBounds)
{
    EXPECT_EQ(dateExitRules().size(), 23u);
    DateLimits limits{kServer, kDeb, kServer, QDate(2026, 11, 14), "", ""};
    struct Row { const char* control; QDate lowest, highest; };
    const Row rows[] = {
        {"cMEC", {}, kServer},
        {"cVNDateAnnulation", kDeb, kServer},
        {"cVNDateDisponibilite", kServer, {}},
        {"vDateNextSAV", kServer, {}},
        {"aCliDateNaissance", {}, QDate(2008, 11, 14)},   // the local date, not the server's
    };
    for (const Row& r : rows) {
        const DateExitRule* rule = dateExitRule(r.control);
        ASSERT_NE(rule, nullptr) << r.control;
        const auto range = exitRange(*rule, limits);
        ASSERT_TRUE(range.has_value()) << r.control;
        EXPECT_EQ(range->lowest, r.lowest) << r.control;
        EXPECT_EQ(range->highest, r.highest) << r.control;
    }
    EXPECT_EQ(dateExitRule("cPrixVente"), nullptr);

    // End of warranty and of financing: after the order date, else the first registration; no check without.
    const DateExitRule& warranty = *dateExitRule("vDateFinGarantie");
    EXPECT_FALSE(exitRange(warranty, limits).has_value());
    limits.vMEC = "10/05/2020";
    EXPECT_EQ(exitRange(warranty, limits)->lowest, QDate(2020, 5, 10));
    limits.vDateOrdre = "01/06/2020";
    EXPECT_EQ(exitRange(*dateExitRule("vDateFinFinancement"), limits)->lowest, QDate(2020, 6, 1));

    // 18 years before 29 February of a leap year: 28 February, whose child has turned 18.
    EXPECT_EQ(adultBirthLimit(QDate(2008, 2, 29)), QDate(1990, 2, 28));
    EXPECT_EQ(adultBirthLimit(QDate(2024, 2, 29)), QDate(2006, 2, 28));
    const DateRange adult{{}, adultBirthLimit(QDate(2026, 11, 14))};
    EXPECT_FALSE(TestDateChange({"14/11/2008", "", "Né le", ""}, adult).refused);   // 18 today
    EXPECT_TRUE(TestDateChange({"15/11/2008", "", "Né le", ""}, adult).refused);    // 17
}

TEST(RulesDateChecks, GridDates)
{
    const QDate today(2026, 11, 14);
    const QString between = "doit être comprise entre le \"01/01/2026\" et le \"15/11/2026\"";
    enum Kind { Cost, CostFromOnly, Action, Reminder };
    struct Row { Kind kind; const char* edited; const char* loaded; const char* message; };   // "": accepted
    const Row rows[] = {
        {Cost, "15/11/2026", "", ""},
        {Cost, "16/11/2026", "", "La valeur du champ \"DateFrevo\" "},
        {Cost, "31/12/2020", "31/12/2020", ""},   // the stored date, even out of range
        {Cost, "", "", ""},                       // no date counts as today
        {Cost, "12/13/2026", "01/02/2026", "La valeur du champ \"DateFrevo\" n'est pas une date valide (jj/mm/aaaa)"},
        {Cost, "30/12/1899", "", "La valeur du champ \"DateFrevo\" "},
        {CostFromOnly, "01/01/2020", "", "La valeur du champ \"DateFrevo\" doit être supérieure au \"01/01/2026\""},
        {Action, "31/12/2025", "", "La valeur du champ \"DateAction\" "},
        {Reminder, "10/11/2026", "", "La valeur du champ \"DateRelance\" doit être supérieure au \"15/11/2026\""},
        {Reminder, "15/11/2026", "", ""},
        {Reminder, "01/01/2026", "01/01/2026", ""},
    };
    for (const Row& r : rows) {
        const GridDateDecision d =
            r.kind == Cost           ? acceptCostDate(r.edited, r.loaded, "DateFrevo", {kDeb, kServer}, today)
            : r.kind == CostFromOnly ? acceptCostDate(r.edited, r.loaded, "DateFrevo", {kDeb, {}}, today)
            : r.kind == Action       ? acceptActionDate(r.edited, r.loaded, "DateAction", {kDeb, kServer}, today)
                                     : acceptReminderDate(r.edited, r.loaded, "DateRelance", kServer, today);
        QString expected = QString::fromUtf8(r.message);
        if (expected.endsWith(u' '))
            expected += between;
        EXPECT_EQ(d.message, expected) << r.edited;
        EXPECT_EQ(d.refused, !expected.isEmpty()) << r.edited;
        const QString caption = r.kind == Action ? kActionDateCaption : r.kind == Reminder ? kReminderDateCaption
                                                                                            : kCostDateCaption;
        EXPECT_EQ(d.caption, d.refused ? caption : QString()) << r.edited;
    }
    EXPECT_FALSE(acceptReminderDate("01/01/2020", "", "DateRelance", {}, today).refused);   // no server date
}
