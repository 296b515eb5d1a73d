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
        const char* except = "";  // the customer being edited
    } cases[] = {
        {"Nom", "dupont", "", "select count(idClient) as cpt from tClients group by CliNom having (CliNom='DUPONT')"},
        // A stored customer is no duplicate of itself; a new one ("-1") excludes nobody.
        {"Nom", "dupont", "", "select count(idClient) as cpt from tClients where idClient<>1 group by CliNom having (CliNom='DUPONT')", "1"},
        {"Mobile", "06", "", "select count(idClient) as cpt from tClients group by CliMobile having (CliMobile='06')", "-1"},
        {"Mobile", "06", "", "select count(idClient) as cpt from tClients group by CliMobile having (CliMobile='06')", "1 or 1=1"},
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
        EXPECT_EQ(DuplicateCountSql(QLatin1String(c.kind), QString::fromUtf8(c.value), QString::fromUtf8(c.firstName),
                                    QLatin1String(c.except))
                      .toStdString(),
                  c.sql)
            << c.kind << " " << c.value;
    ASSERT_NE(FindDuplicateCheck(QStringLiteral("Mobile")), nullptr);
    EXPECT_STREQ(FindDuplicateCheck(QStringLiteral("Mobile"))->SearchMode, "6");
    EXPECT_EQ(FindDuplicateCheck(QStringLiteral("Ident"))->SearchWithFirstName, true);
    EXPECT_FALSE(FindDuplicateCheck(QStringLiteral("TelDom"))->SearchWithFirstName.has_value());
}

TEST(SearchDuplicates, StatementsOfTheQuestionBeforeASave) {
    struct Case {
        std::string sql, expected;
    } cases[] = {
        {VehicleDuplicatesSql("1201", "ab123cd", "4", "ALV").toStdString(),
         "SELECT TypeVO, idTVO, StatutVD, NVO, Immatriculation, InfoMarque, InfoModele, Site FROM tVehicles WHERE "
         "((NVO=1201) OR (Immatriculation='AB123CD')) AND (idTVO<>4) AND (Concession='ALV') ORDER BY idTVO"},
        // A vehicle being created excludes nobody; a stock number that is no number is not compared.
        {VehicleDuplicatesSql("12A", "AB1", "", "ALV").toStdString(),
         "SELECT TypeVO, idTVO, StatutVD, NVO, Immatriculation, InfoMarque, InfoModele, Site FROM tVehicles WHERE "
         "((Immatriculation='AB1')) AND (Concession='ALV') ORDER BY idTVO"},
        {VehicleDuplicatesSql("", " ", "4", "ALV").toStdString(), ""},
        {CustomerDuplicatesSql("dupont", "Jean", "0612345678", "", "ALV").toStdString(),
         "SELECT idClient, CliNom, CliPrenom, CliVille, CliMobile, CliTelDom FROM tClients WHERE (((CliNom='DUPONT') "
         "AND (CliPrenom='JEAN')) OR (CliMobile='0612345678')) AND (Concession='ALV') ORDER BY CliNom, CliPrenom, idClient"},
        // A company has no first name: the surname alone, among those without one.
        {CustomerDuplicatesSql("Transports l'Est", "", "", "0320", "A'B").toStdString(),
         "SELECT idClient, CliNom, CliPrenom, CliVille, CliMobile, CliTelDom FROM tClients WHERE (((CliNom='TRANSPORTS "
         "L''EST') AND (CliPrenom IS NULL OR CliPrenom='')) OR (CliTelDom='0320')) AND (Concession='A''B') ORDER BY "
         "CliNom, CliPrenom, idClient"},
        {CustomerDuplicatesSql("", "Jean", "", "", "ALV").toStdString(), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.sql, c.expected);

    const QString vehicles = QStringLiteral(
        "<AXQueryS><AXQuery><TypeVO>1</TypeVO><idTVO>1</idTVO><StatutVD></StatutVD><NVO>1201</NVO>"
        "<Immatriculation>AB123CD</Immatriculation><InfoMarque>RENAULT</InfoMarque><InfoModele>CLIO</InfoModele>"
        "<Site>NORD</Site></AXQuery><AXQuery><TypeVO>2</TypeVO><idTVO>4</idTVO><StatutVD>DEMO</StatutVD><NVO>2101</NVO>"
        "<Immatriculation>ZZ1</Immatriculation><InfoMarque>VW</InfoMarque><InfoModele></InfoModele><Site></Site>"
        "</AXQuery></AXQueryS>");
    const auto v = ReadVehicleDuplicates(vehicles, QStringLiteral("1201"), QStringLiteral("zz1"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].text, QString::fromUtf8("VO-Nd-1201 · AB123CD · RENAULT CLIO · site NORD (même n° de stock)"));
    EXPECT_EQ(v[0].kind, 1);
    EXPECT_EQ(v[1].text, QString::fromUtf8("VD-2101 · ZZ1 · VW (même immatriculation)"));
    EXPECT_EQ(v[1].kind, 3);
    const auto c = ReadCustomerDuplicates(QStringLiteral(
        "<AXQueryS><AXQuery><idClient>1</idClient><CliNom>dupont</CliNom><CliPrenom>Jean</CliPrenom>"
        "<CliVille>LILLE</CliVille><CliMobile></CliMobile><CliTelDom>0320123456</CliTelDom></AXQuery></AXQueryS>"));
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].id, "1");
    EXPECT_EQ(c[0].text, QString::fromUtf8("DUPONT Jean · LILLE · 03.20.12.34.56"));
    // The count that makes an indicator stand out.
    for (const auto& [count, found] : {std::pair{"0", false}, std::pair{"", false}, std::pair{"??", false},
                                       std::pair{"1", true}, std::pair{" 12", true}})
        EXPECT_EQ(DuplicateFound(QString::fromUtf8(count)), found) << count;
}
