#include "SearchCases.h"
#include "search/DuplicateCheck.h"
#include "search/SearchSql.h"

#include <gtest/gtest.h>

using namespace stanor::search;

TEST(SearchSql, ConditionOfEachModeAndFilter) {
    struct Case {
        SearchInput in;
        const char* condition;
        int highlight;
    } cases[] = {
        {input("1", "AB", "NORD", 2), "(TypeVO=2) and (isnull(StatutVD)) and (SITE='NORD') and (Immatriculation like '%AB%')", 4},
        {input("1", ""), "(Immatriculation like '%%')", 4},
        {input("2", "o'neil", "", 1), "(TypeVO=1) and (Acheteur like '%o''neil%')", 6},
        {input("2", "X", "", 5), "(TypeVO=2) and (not isnull(StatutVD)) and (Acheteur like '%X%')", 6},
        {input("3", "1200", "", 0), "(NVO>=1200)", 2},
        {input("3", "12A"), "(false)", 2},
        {input("3", ""), "(false)", 2},
        {input("4", "AA1", "NORD", 2), "(Immatriculation like '%AA1%')", 4},
        {input("5", "DUP", "NORD", 2), "(CliNom like '%DUP%')", 6},
        {input("5", ""), "(false)", 6},
        {input("6", "06\r\n12\t"), "(CliMobile like '%0612%')", 4},
        {input("7", ""), "(false)", 3},
        // The first-name refinement, only with a surname.
        {input("5", "DUPONT", "", -1, false, true, "Jean"), "(CliNom like '%DUPONT%') and (CliPreNom like '%Jean%')", 6},
        {input("5", "", "", -1, false, true, "Jean"), "(false)", 6},
        {input("6", "06", "", -1, false, true, "Jean"), "(CliMobile like '%06%')", 4},
        // Quotes of the site and first name are doubled too.
        {input("1", "A", "L'ISLE"), "(SITE='L''ISLE') and (Immatriculation like '%A%')", 4},
        {input("5", "O'NEIL", "", -1, false, true, "Ma'ry"), "(CliNom like '%O''NEIL%') and (CliPreNom like '%Ma''ry%')", 6},
        // Exact search compares the texts as typed: a "like" or "%" of the user's own stays.
        {input("5", "X", "", -1, true, true, "Y"), "(CliNom = 'X') and (CliPreNom = 'Y')", 6},
        {input("2", "like 50%", "like", 1, true), "(TypeVO=1) and (SITE='like') and (Acheteur = 'like 50%')", 6},
        {input("3", "15", "", -1, true), "(NVO>=15)", 2},
        {input("1", "", "", -1, true), "(Immatriculation = '')", 4},
    };
    for (const Case& c : cases) {
        const SearchStatement s = BuildSearchSql(c.in);
        EXPECT_EQ(s.Condition.toStdString(), c.condition) << c.in.Mode.toStdString() << " " << c.in.Text.toStdString();
        EXPECT_EQ(s.SearchHighlightCol, c.highlight) << c.in.Mode.toStdString();
        EXPECT_FALSE(s.SearchWithFirstName);
    }
}

TEST(SearchSql, WholeStatementsAndTheirEffects) {
    const SearchStatement vo = BuildSearchSql(input("1", "AB", "NORD", 2));
    EXPECT_EQ(vo.Sql.toStdString(),
              "SELECT TypeVO, idTVO as VO_ID, StatutVD, NVO as VO_NO, Immatriculation AS VO_IMMAT, [InfoMarque], "
              "[InfoModele], InfoVersion AS VO_VERSION, Acheteur AS VO_BUYER, DateOrdre AS VO_ORDRE, Immatriculation "
              "AS VO_Result, Site as VO_SITE, Concession, idOwner FROM TVehicles WHERE (TypeVO=2) and "
              "(isnull(StatutVD)) and (SITE='NORD') and (Immatriculation like '%25AB%25') ORDER BY Immatriculation, "
              "DateOrdre desc");
    EXPECT_EQ(vo.Caption, QStringLiteral("à rechercher :"));
    const SearchStatement owner = BuildSearchSql(input("4", "CC2"));
    EXPECT_TRUE(owner.Sql.startsWith(QLatin1String("SELECT TypeVO, idClient as VO_ID, NVO as VO_NO,")));
    EXPECT_TRUE(owner.Sql.endsWith(QLatin1String(" FROM TVehiclesProFid WHERE (Immatriculation like '%25CC2%25') "
                                                 "ORDER BY Immatriculation, DateOrdre desc")));
    const SearchStatement names = BuildSearchSql(input("5", "R&D+?", "", -1, true));
    EXPECT_TRUE(names.Sql.startsWith(QLatin1String("SELECT -1 AS TypeVO, idClient AS VO_ID, idClient AS VO_NO,")));
    EXPECT_TRUE(names.Sql.endsWith(QLatin1String("FROM TClients WHERE (CliNom = 'R%26D%2B%3F') "
                                                 "ORDER BY CliNom, CliPreNom, idClient desc")));
    EXPECT_EQ(names.Caption, QStringLiteral("recherche exacte :"));
    EXPECT_TRUE(BuildSearchSql(input("7", "03")).Sql.endsWith(QLatin1String("ORDER BY CliTelDom, idClient desc")));
    EXPECT_TRUE(BuildSearchSql(input("3", "9")).Sql.contains(QLatin1String("(NVO%3E=9)")));

    for (const char* mode : {"", "0", "8", "12", "A", "-1"}) {
        const SearchStatement s = BuildSearchSql(input(mode, "X", "", -1, false, true));
        EXPECT_FALSE(s.ok()) << mode;
        EXPECT_FALSE(s.Reason.isEmpty()) << mode;
        EXPECT_FALSE(s.SearchWithFirstName) << mode;
    }
}

TEST(SearchSql, AllDigits) {
    for (const char* t : {"0", "1200", "007"}) EXPECT_TRUE(IsAllDigits(QLatin1String(t))) << t;
    for (const char* t : {"", "12A", " 12", "-1", "1.5"}) EXPECT_FALSE(IsAllDigits(QLatin1String(t))) << t;
    EXPECT_FALSE(IsAllDigits(QString::fromUtf8("١٢")));  // digits of another script
}

TEST(SearchDuplicates, CountStatementsOfTheFourChecks) {
    struct Case {
        const char* kind;
        const char* value;
        const char* firstName;
        const char* sql;
    } cases[] = {
        {"Nom", "dupont", "", "select count(idClient) as cpt from tClients group by CliNom having (CliNom='DUPONT')"},
        {"Ident", "dupont", "Jean",
         "select count(idClient) as cpt from tClients group by CliNom, CliPrenom having (CliNom='DUPONT') and "
         "(CliPreNom='JEAN')"},
        {"Ident", " o'neil ", "hélène",
         "select count(idClient) as cpt from tClients group by CliNom, CliPrenom having (CliNom='O''NEIL') and "
         "(CliPreNom='HÉLÈNE')"},
        {"Mobile", "0612345678", "", "select count(idClient) as cpt from tClients group by CliMobile having (CliMobile='0612345678')"},
        {"TelDom", "03&20", "", "select count(idClient) as cpt from tClients group by CliTelDom having (CliTelDom='03%2620')"},
        {"Ident", "", "Jean", ""},
        {"Nom", "  ", "", ""},
        {"Adresse", "X", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DuplicateCountSql(QLatin1String(c.kind), QString::fromUtf8(c.value), QString::fromUtf8(c.firstName))
                      .toStdString(),
                  c.sql)
            << c.kind << " " << c.value;
    ASSERT_NE(FindDuplicateCheck(QStringLiteral("Mobile")), nullptr);
    EXPECT_STREQ(FindDuplicateCheck(QStringLiteral("Mobile"))->SearchMode, "6");
    EXPECT_EQ(FindDuplicateCheck(QStringLiteral("Ident"))->SearchWithFirstName, true);
    EXPECT_FALSE(FindDuplicateCheck(QStringLiteral("TelDom"))->SearchWithFirstName.has_value());
}
