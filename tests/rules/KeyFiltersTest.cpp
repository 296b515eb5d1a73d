// Keyboard filters of the edits.
#include "rules/KeyFilters.h"

#include "RulesPrint.h"

#include <gtest/gtest.h>

using namespace stanor::rules;

TEST(RulesKeyFilters, NumericEdits)
{
    for (QChar c : QStringLiteral("0159+-\b\t\r"))
        EXPECT_EQ(EditNumKeyPress(c).key, c) << int(c.unicode());
    for (QChar c : QStringLiteral(".,a \x01")) {
        EXPECT_FALSE(EditNumKeyPress(c).accepted()) << int(c.unicode());
        EXPECT_TRUE(EditNumKeyPress(c).beep);
    }

    struct Row { const char* text; char key; qsizetype selStart, selLength; char result; };
    const Row rows[] = {
        {"12", '.', 0, 0, '.'}, {"12.", '5', 0, 0, '5'}, {"12.5", '.', 0, 0, 0}, {"12.5", 'a', 0, 0, 0},
        {"12", ',', 0, 0, '.'},   // a comma typed is the separator
        {"12.5", ',', 0, 0, 0},
        {"12.5", '.', 2, 2, '.'},  // the selected ".5" is replaced
        {"1-2", '+', 0, 0, '+'}, {"", '\x03', 0, 0, '\x03'},   // control characters pass (copy)
    };
    for (const Row& r : rows) {
        const KeyDecision d = EditRealKeyPress(r.text, QChar(r.key), u'.', r.selStart, r.selLength);
        EXPECT_EQ(d.key, QChar(r.result)) << r.text << " + " << r.key;
        EXPECT_EQ(d.beep, r.result == 0) << r.text << " + " << r.key;
    }
    EXPECT_EQ(EditRealKeyPress("12", u'.', u',').key, u',');
}

TEST(RulesKeyFilters, CustomerAndRegistrationFields)
{
    struct Row { const char* control; const char* typed; const char* kept; };
    const Row rows[] = {
        {"aCliMobile", "06 12-34.56a", "06123456"},
        {"cVNImmatriculation", "ab-12 cdé", "AB12CD"},
        {"aCliNom", "dupont-élie ", "DUPONT-éLIE "},
        {"vInfoTypeVersion", "gti 1.8", "GTI 1.8"},
        {"cPrixVente", "ab", "ab"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(filterText(keyFilterOf(r.control), QString::fromUtf8(r.typed)), QString::fromUtf8(r.kept))
            << r.control;
    EXPECT_EQ(filterKey(KeyFilter::PhoneNumber, kBackspace), kBackspace);
    EXPECT_EQ(filterKey(KeyFilter::Registration, kBackspace), kBackspace);
    EXPECT_TRUE(filterKey(KeyFilter::PhoneNumber, u'\t').isNull());
}
