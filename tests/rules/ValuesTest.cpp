// Amounts and dates as the pages show them and as users type them.
#include "rules/Values.h"

#include "RulesPrint.h"

#include <gtest/gtest.h>

using namespace stanor::rules;

TEST(RulesValues, AmountsReadAsShownAndAsTyped)
{
    struct Row { const char* text; std::optional<Cents> cents; };
    const Row rows[] = {
        {"12.5", 1250}, {"12,5", 1250}, {" 1 234,50 ", 123450}, {"1\u00a0234.5", 123450},
        {"1,234.50", 123450},   // grid display with grouping
        {"1.234,50", 123450},   // grouping with dots, decimal comma
        {"1.234.567", 123456700}, {"-3", -300}, {"+0.5", 50}, {".5", 50}, {"0", 0}, {"-0.00", 0},
        {"2.345", 235}, {"-2.345", -235}, {"2.3449", 234},   // to the cent, halves away from zero
        {"", std::nullopt}, {"abc", std::nullopt}, {"1e3", std::nullopt}, {"12.3,4,5", std::nullopt},
        {"12,5,", std::nullopt}, {"1,23.50", std::nullopt}, {",5.0", std::nullopt},
        {".", std::nullopt}, {"-", std::nullopt}, {"--1", std::nullopt},
        {"99999999999999", std::nullopt},   // too large to be an amount
    };
    for (const Row& r : rows)
        EXPECT_EQ(readAmount(QString::fromUtf8(r.text)), r.cents) << r.text;
}

TEST(RulesValues, DatesReadOnlyInTheirShortForm)
{
    struct Row { const char* text; QDate date; };
    const Row rows[] = {
        {"15/03/2009", QDate(2009, 3, 15)}, {" 1/4/2009 ", QDate(2009, 4, 1)},
        {"29/02/2008", QDate(2008, 2, 29)}, {"29/02/2009", {}}, {"31/04/2009", {}},
        {"__/__/____", {}}, {"15/11/____", {}}, {"2009-03-15", {}}, {"15/03/09", {}}, {"", {}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(readDate(QString::fromLatin1(r.text)), r.date) << r.text;
    EXPECT_TRUE(isBlankDate(" __/__/____"));
    EXPECT_FALSE(isBlankDate("15/11/____"));
}
