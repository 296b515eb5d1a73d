#include "records/SqlLiterals.h"

#include <gtest/gtest.h>

using namespace stanor::records;

namespace {

struct Case {
    int type;
    const char* value;
    const char* sql;  // nullptr: refused
};

}  // namespace

TEST(RecordsLiterals, ValueFormByDataType) {
    const Case cases[] = {
        // Empty is NULL whatever the type; a number of blanks only too.
        {SqlType::Date, "", "NULL"}, {SqlType::Text, "", "NULL"}, {SqlType::Decimal, "", "NULL"},
        {SqlType::Integer, "", "NULL"}, {0, "", "NULL"}, {SqlType::Decimal, "  ", "NULL"},
        {SqlType::Integer, " ", "NULL"},
        // Dates month first; the empty mask and day 0 are NULL; a text that
        // is no date is refused rather than written NULL over a stored date.
        {SqlType::Date, "15/03/2009", "#03/15/2009#"}, {SqlType::Date, "1/2/2009", "#02/01/2009#"},
        {SqlType::Date, "31/02/2024", nullptr}, {SqlType::Date, "15/03/20__", nullptr},
        {SqlType::Date, "__/__/____", "NULL"}, {SqlType::Date, "hier", nullptr},
        {SqlType::Date, "30/12/1899", "NULL"}, {SqlType::Date, "29/02/2024", "#02/29/2024#"},
        // Texts: trimmed, quotes doubled, what a query string would cut escaped.
        {SqlType::Text, "l'auto", "'l''auto'"}, {SqlType::Text, " \t propre \r\n", "'propre'"},
        {SqlType::Text, "a\r\nb", "'a%0D%0Ab'"}, {SqlType::Text, "a\nb\rc", "'a%0Ab%0Dc'"},
        {SqlType::Text, "50%", "'50%25'"}, {SqlType::Text, "a+b", "'a%2Bb'"},
        {SqlType::Text, "Pourquoi ?", "'Pourquoi %3F'"},
        {SqlType::Text, "\"R&D\" <x>", "'%22R%26D%22 %3Cx%3E'"},
        {SqlType::Text, "code %22", "'code %2522'"},  // a typed escape stays text
        {SqlType::Text, "clé #3; a\\b", "'clé #3; a\\b'"},
        // The system's code page holds the French typography; not beyond it.
        {SqlType::Text, "Reprise 15 000 €", "'Reprise 15 000 €'"},
        {SqlType::Text, "Œuvre “sœur” … l’été – fin", "'Œuvre “sœur” … l’été – fin'"},
        {SqlType::Text, "Kraków ā", nullptr}, {SqlType::Text, "\u2603", nullptr},
        // Decimals: "," and blanks; not a number is refused.
        {SqlType::Decimal, "1234,5", "1234.5"}, {SqlType::Decimal, " 12.50 ", "12.50"},
        {SqlType::Decimal, "1 234,50", "1234.50"}, {SqlType::Decimal, "-3", "-3"},
        {SqlType::Decimal, ",5", ".5"}, {SqlType::Decimal, "abc", nullptr},
        {SqlType::Decimal, "1,2,3", nullptr}, {SqlType::Decimal, "12 or 1=1", nullptr},
        // Integers as typed; not a whole number is refused.
        {SqlType::Integer, "42", "42"}, {SqlType::Integer, "84 500", "84500"},
        {SqlType::Integer, "12,5", nullptr}, {SqlType::Integer, "1 or 1=1", nullptr},
        // Yes/no: True, False or a whole number, nothing else.
        {3, "True", "True"}, {3, "false", "False"}, {3, "-1", "-1"}, {3, "True,PrixVente=0", nullptr},
        // Any other type: a plain number as it stands, any other text quoted,
        // so that it can never reach another column.
        {0, "12", "12"}, {0, "V0001002-01", "'V0001002-01'"}, {0, "1,PrixVente=0", "'1,PrixVente=0'"},
        {9, "0 or 1=1", "'0 or 1=1'"},
    };
    for (const Case& c : cases) {
        const SqlLiteral v = SqlValue(c.type, QString::fromUtf8(c.value));
        if (c.sql) {
            EXPECT_TRUE(v.ok()) << c.value << " " << v.refusal.toStdString();
            EXPECT_EQ(v.sql.toStdString(), c.sql) << c.type << " " << c.value;
        } else {
            EXPECT_FALSE(v.ok()) << c.value << " gave " << v.sql.toStdString();
        }
    }
}

TEST(RecordsLiterals, TableNamesAndIdentifiers) {
    EXPECT_EQ(SqlTableName(QStringLiteral("tVO - Frevo")), QStringLiteral("[tVO - Frevo]"));
    EXPECT_EQ(SqlTableName(QStringLiteral("[tVO - Frevo]")), QStringLiteral("[tVO - Frevo]"));
    EXPECT_EQ(SqlTableName(QStringLiteral("tVehicles")), QStringLiteral("tVehicles"));
    for (const char* id : {"0", "1001"}) EXPECT_TRUE(IsIdentifier(QLatin1String(id))) << id;
    for (const char* id : {"", "-1", "12 ", "1 or 1=1", "1e3"}) EXPECT_FALSE(IsIdentifier(QLatin1String(id))) << id;
}
