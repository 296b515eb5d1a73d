// Search and duplicate-count statements executed by the real data service on
// the demo database.
#include "ClientService.h"
#include "SearchCases.h"

#include "search/DuplicateCheck.h"
#include "search/SearchSql.h"

using namespace stanor::search;
using stanor::statements::test::ClientServiceTest;

class SearchService : public ClientServiceTest {
protected:
    static void SetUpTestSuite() {
        ClientServiceTest::SetUpTestSuite();
        // Customers whose names a statement could spoil (9, 10 and 11, after the demo's eight).
        for (const char* values : {"'O''NEIL', 'Mary', 'NORD'", "'R%26D 50%25%2B%3F', 'Zoé', 'SUD'",
                                   "'LEFÈVRE', 'Hélène', 'NORD'"})
            Write("AxInsert", QStringLiteral("Insert into tClients (CliNom, CliPrenom, Site) Values (") +
                                  QString::fromUtf8(values) + u')');
    }
    // The VO_ID of every row a search finds, in the answer's order.
    static QString Found(const SearchInput& in) {
        const SearchStatement s = BuildSearchSql(in);
        EXPECT_TRUE(s.ok()) << s.Reason.toStdString();
        return Rows(s.Sql, QStringLiteral("VO_ID")).join(u',');
    }
    static QString Count(const char* kind, const char* value, const char* firstName = "") {
        return Rows(DuplicateCountSql(QLatin1String(kind), QString::fromUtf8(value), QString::fromUtf8(firstName)),
                    QStringLiteral("cpt"))
            .join(u',');
    }
};

TEST_F(SearchService, EachModeFindsItsRecords) {
    struct Case {
        SearchInput in;
        const char* ids;
    } cases[] = {
        {input("1", "ab1"), "1"},
        {input("1", ""), "1,2,3,4,5"},  // every vehicle with a registration
        {input("1", "", "NORD", 1), "1,3"},
        {input("1", "", "L'ISLE"), ""},
        {input("2", "dupont"), "6"},
        {input("3", "1202"), "2,3,4,5,6,7"},
        {input("3", "0", "", 3), "4,5"},
        {input("3", "0", "", 2), "6,7"},
        {input("3", "12A"), ""},
        {input("4", "cc2"), "1"},  // opens the owning customer
        {input("5", "dup"), "1"},
        {input("5", "dupont", "", -1, false, true, "je"), "1"},
        {input("5", "dupont", "", -1, false, true, "Paul"), ""},
        {input("5", "o'neil"), "9"},
        {input("5", "o'neil", "", -1, true, true, "mary"), "9"},
        {input("5", "DUP", "", -1, true), ""},
        {input("5", "dupont", "", -1, true), "1"},
        {input("5", "R&D 50%+?", "", -1, true), "10"},
        {input("5", "d 50%+"), "10"},
        {input("6", "0612"), "1"},
        {input("6", ""), ""},
        {input("7", "0320"), "1,4,6,3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Found(c.in).toStdString(), c.ids) << c.in.Mode.toStdString() << " " << c.in.Text.toStdString();
}

TEST_F(SearchService, DuplicateCountsOfACustomerTypedTwice) {
    EXPECT_EQ(Count("Nom", "dupont"), QStringLiteral("1"));
    EXPECT_EQ(Count("Nom", "o'neil"), QStringLiteral("1"));
    EXPECT_EQ(Count("Ident", "O'Neil", "mary"), QStringLiteral("1"));
    EXPECT_EQ(Count("Mobile", "0612345678"), QStringLiteral("1"));
    EXPECT_EQ(Count("TelDom", "0000000000"), QString());
    Write("AxInsert", QStringLiteral("Insert into tClients (CliNom, CliPrenom, CliMobile) Values ('DUPONT', 'Jean', "
                                     "'0612345678')"));
    EXPECT_EQ(Count("Nom", "dupont"), QStringLiteral("2"));
    EXPECT_EQ(Count("Ident", "dupont", "jean"), QStringLiteral("2"));
    EXPECT_EQ(Count("Ident", "dupont", "paul"), QString());
    EXPECT_EQ(Count("Mobile", "0612345678"), QStringLiteral("2"));
}

TEST_F(SearchService, AccentedNamesAreFoundWhateverTheirCase) {
    EXPECT_EQ(Found(input("5", "lefè")), QStringLiteral("11"));
    EXPECT_EQ(Found(input("5", "LEFÈ")), QStringLiteral("11"));
    EXPECT_EQ(Found(input("5", "lefèvre", "", -1, true)), QStringLiteral("11"));
    EXPECT_EQ(Count("Ident", "Lefèvre", "hélène"), QStringLiteral("1"));
}
