// The search panel's choices and the rows of its result grid, from answers
// shaped as the data service writes them.
#include "search/DuplicateCheck.h"
#include "search/SearchGrid.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace stanor::search;

namespace {

// An AxQuery answer with one item per row, each row "name=value|name=value".
QString answer(std::initializer_list<const char*> rows) {
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><AxQuery><AXQueryS>");
    for (const char* row : rows) {
        xml += QStringLiteral("<AXQuery>");
        for (const QString& pair : QString::fromUtf8(row).split(u'|', Qt::SkipEmptyParts)) {
            const QString name = pair.section(u'=', 0, 0), value = pair.section(u'=', 1);
            xml += u'<' + name + u'>' + value + QStringLiteral("</") + name + u'>';
        }
        xml += QStringLiteral("</AXQuery>\r\n");
    }
    return xml + QStringLiteral("</AXQueryS></AxQuery>");
}

QString cells(const SearchRow& r) {
    QStringList out{r.Id, QString::number(r.Kind), QString::number(r.Image)};
    for (const QString& c : r.Info) out << c;
    return out.join(u'|');
}

}  // namespace

TEST(SearchPanelModes, ButtonsAndRememberedModes) {
    using P = ModePair;
    // NVO, Immat, Client, Telephone, Mobile enabled.
    const struct {
        bool customers;
        std::array<bool, kModePairCount> enabled;
        const char* mode;
    } cases[] = {
        {false, {true, false, false, false, false}, "3"},
        {false, {false, true, false, false, false}, "1"},
        {false, {false, false, true, false, false}, "2"},
        {false, {false, false, false, false, false}, "2"},  // nothing chosen yet: the buyer
        {false, {false, false, false, true, false}, "2"},   // a customer pair counts for nothing here
        {true, {false, true, false, false, false}, "4"},
        {true, {false, false, true, false, false}, "5"},
        {true, {false, false, false, false, true}, "6"},
        {true, {false, false, false, true, false}, "7"},
        {true, {false, false, false, false, false}, "7"},  // first opening on a customer: home phone
        {true, {true, false, false, false, false}, "7"},   // the vehicle-number pair is not offered
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModeFromButtons(c.customers, c.enabled), QLatin1String(c.mode)) << c.mode;

    // A remembered mode activates its pair on its own kind of page only.
    EXPECT_EQ(PairOfMode(false, QStringLiteral("3")), P::NVO);
    EXPECT_EQ(PairOfMode(false, QStringLiteral("2")), P::Client);
    EXPECT_EQ(PairOfMode(true, QStringLiteral("4")), P::Immat);
    EXPECT_EQ(PairOfMode(true, QStringLiteral("6")), P::Mobile);
    EXPECT_EQ(PairOfMode(true, QStringLiteral("7")), P::Telephone);
    for (const char* other : {"", "0", "8", "1 ", "4"}) EXPECT_FALSE(PairOfMode(false, QLatin1String(other))) << other;
    for (const char* other : {"1", "3", "77"}) EXPECT_FALSE(PairOfMode(true, QLatin1String(other))) << other;
    // Every pair a mode of its page reads back as that mode.
    for (bool customers : {false, true})
        for (int m = 1; m <= 7; ++m) {
            const auto pair = PairOfMode(customers, QString::number(m));
            if (!pair) continue;
            std::array<bool, kModePairCount> enabled{};
            enabled[size_t(*pair)] = true;
            EXPECT_EQ(ModeFromButtons(customers, enabled), QString::number(m));
        }
}

TEST(SearchPanelModes, FirstUseAndWhatThePanelSaysOfTheRows) {
    EXPECT_EQ(DefaultPair(false), ModePair::Immat);
    EXPECT_EQ(DefaultPair(true), ModePair::Client);
    const std::tuple<int, bool, const char*> cases[] = {
        {0, false, "Aucune fiche trouvée"}, {1, false, "1 fiche trouvée"}, {50, false, "50 fiches trouvées"},
        {50, true, "Plus de 50 fiches correspondent : précisez la recherche"}};
    for (const auto& [rows, more, text] : cases) EXPECT_EQ(FoundText(rows, more), QString::fromUtf8(text)) << rows;
}

TEST(SearchPanelModes, LayoutAndPlace) {
    EXPECT_EQ(PairLefts(false), (std::array<int, kModePairCount>{10, 82, 154, 0, 0}));
    EXPECT_EQ(PairLefts(true), (std::array<int, kModePairCount>{0, 10, 82, 226, 154}));
    // Two thirds of the button's height, to the nearest pixel.
    EXPECT_EQ(PanelTop(27, 22), 42);
    EXPECT_EQ(PanelTop(0, 25), 17);
    EXPECT_EQ(PanelTop(10, 3), 12);
    EXPECT_EQ(PanelTop(5, 0), 5);
}

TEST(SearchGridRows, VehicleAndCustomerRows) {
    const QString vehicles = answer({
        "TypeVO=1|VO_ID=1|StatutVD=|VO_NO=1234|VO_IMMAT=AB123CD|InfoMarque=RENAULT|InfoModele=CLIO|"
        "VO_BUYER=martin sa|VO_ORDRE=20/11/2026|VO_SITE=NORD",
        "TypeVO=2|VO_ID=4|StatutVD=DEMO|VO_NO=2101|VO_IMMAT=MN012OP|InfoMarque=VW|InfoModele=GOLF|VO_SITE=Nord",
        "TypeVO=2|VO_ID=6|VO_NO=3101|InfoMarque=VW|InfoModele=POLO|VO_BUYER=DUPONT &amp; FILS|VO_SITE=SUD",
        "TypeVO=|VO_ID=9|VO_NO=7|VO_SITE=",
    });
    struct Case {
        int mode;
        const char* userSite;
        const char* rows;
    } cases[] = {
        {1, "NORD",
         "1|1|4|VO-Nd-1234|20/11/2026|AB123CD|RENAULT CLIO|MARTIN SA;"
         "4|3|4|VD-Nd-2101||MN012OP|VW GOLF|;"  // kind 2 with a status is a demonstrator; site compared in upper case
         "6|2|3|VN-Sd-3101|||VW POLO|DUPONT & FILS;"
         "9|3|3|VD--7||||"},  // no site: another site's mark, no letters; no kind: VD
        {2, "#", "1|1|4|VO-Nd-1234;4|3|4|VD-Nd-2101;6|2|4|VN-Sd-3101;9|3|4|VD--7"},
        {4, "nord;sud", "1|0|4|Nd-1234;4|0|4|Nd-2101;6|0|4|Sd-3101;9|0|3|-7"},  // customer vehicles: no kind
    };
    for (const Case& c : cases) {
        QStringList got;
        const bool full = QString::fromLatin1(c.rows).count(u'|') > 12;
        for (const SearchRow& r : ReadSearchRows(vehicles, c.mode, QLatin1String(c.userSite)))
            got << (full ? cells(r) : cells(r).section(u'|', 0, 3));
        EXPECT_EQ(got.join(u';'), QLatin1String(c.rows)) << c.mode << " " << c.userSite;
    }

    const QString customers = answer({
        "TypeVO=-1|VO_ID=1|VO_NO=1|CliMobile=0612345678|CliCP=59000|CliVille=LILLE|CliAdresse1=12 rue des Lilas|"
        "CliAdresse2=|CliNom=Dupont|CliPrenom=Jean|CliTelDom=0320123456|VO_SITE=NORD",
        "TypeVO=-1|VO_ID=2|VO_NO=2|CliCP=13001|CliVille=MARSEILLE|CliAdresse2=Bâtiment B|CliNom=MARTIN|VO_SITE=SUD",
    });
    QStringList got;
    for (const SearchRow& r : ReadSearchRows(customers, 5, QStringLiteral("NORD"))) got << cells(r);
    EXPECT_EQ(got.join(u';'), QStringLiteral("1|0|4|Nd-1|0320123456|0612345678|59000 LILLE - 12 rue des Lilas|DUPONT JEAN;"
                                             "2|0|3|Sd-2|||13001 MARSEILLE - Bâtiment B|MARTIN"));

    // No rows, or no answer at all, empties the grid.
    EXPECT_TRUE(ReadSearchRows(answer({}), 1, QStringLiteral("#")).empty());
    EXPECT_TRUE(ReadSearchRows(QStringLiteral("<LogItems><LogItem>erreur</LogItem></LogItems>"), 1, {}).empty());
}

TEST(SearchGridRows, CaptionsAndSortSettingsOfEachMode) {
    const struct {
        int mode;
        const char* captions;
        bool dates;
        int sorted;
    } cases[] = {
        // The marker stands on the column the service sorted the rows by.
        {1, "N°VO|D.Ordre|Immat.|Véhicule|Client", true, ngsInfo3},
        {2, "N°VO|D.Ordre|Immat.|Véhicule|Client", true, ngsInfo5},
        {3, "N°VO|D.Ordre|Immat.|Véhicule|Client", true, ngsInfo1},
        {4, "N°VO|D.Ordre|Immat.|Véhicule|Client", true, ngsInfo3},
        {5, "Réf.|Tél.Dom.|Mobile|Adresse|Client", false, ngsInfo5},
        {6, "Réf.|Tél.Dom.|Mobile|Adresse|Client", false, ngsInfo3},
        {7, "Réf.|Tél.Dom.|Mobile|Adresse|Client", false, ngsInfo2},
    };
    for (const auto& c : cases) {
        const SearchGridLayout l = GridLayoutOf(c.mode);
        EXPECT_EQ(l.Captions.join(u'|'), QString::fromUtf8(c.captions)) << c.mode;
        EXPECT_EQ(l.Info2AsDates, c.dates) << c.mode;
        EXPECT_EQ(l.SortedColumn, c.sorted) << c.mode;
    }
}

TEST(SearchGridRows, SortingByAColumn) {
    auto rows = [](std::initializer_list<std::pair<const char*, const char*>> values) {
        std::vector<SearchRow> out;
        for (const auto& [id, v] : values) {
            SearchRow r;
            r.Id = QLatin1String(id);
            r.Info[1] = r.Info[4] = QString::fromUtf8(v);
            out.push_back(r);
        }
        return out;
    };
    auto ids = [](const std::vector<SearchRow>& rs) {
        QString s;
        for (const SearchRow& r : rs) s += r.Id;
        return s;
    };
    const auto dated = rows({{"a", "02/01/2026"}, {"b", "15/12/2025"}, {"c", ""}, {"d", "01/02/2026"}, {"e", "15/12/2025"}});
    // As dates, not as the texts "02/01" < "15/12"; equal dates keep their order; no date first.
    auto r = dated;
    SortSearchRows(r, ngsInfo2, true, true);
    EXPECT_EQ(ids(r), QStringLiteral("cbead"));
    r = dated;
    SortSearchRows(r, ngsInfo2, false, true);
    EXPECT_EQ(ids(r), QStringLiteral("dabec"));
    // Customer modes sort that column as text.
    r = dated;
    SortSearchRows(r, ngsInfo2, true, false);
    EXPECT_EQ(ids(r), QStringLiteral("cdabe"));
    // Names without regard to case.
    r = rows({{"1", "martin"}, {"2", "DUPONT"}, {"3", "Lefèvre"}});
    SortSearchRows(r, ngsInfo5, true, true);
    EXPECT_EQ(ids(r), QStringLiteral("231"));
    // The id and image columns are no sort keys.
    SortSearchRows(r, ngsIndex, false, true);
    EXPECT_EQ(ids(r), QStringLiteral("231"));
}

TEST(SearchDuplicates, CountFromTheAnswer) {
    EXPECT_EQ(DuplicateCountOf(answer({"cpt=2"})), QStringLiteral("2"));
    EXPECT_EQ(DuplicateCountOf(answer({"cpt=3", "cpt=1"})), QStringLiteral("3"));
    EXPECT_EQ(DuplicateCountOf(answer({})), QString());  // nobody carries it yet
    EXPECT_EQ(DuplicateCountOf(QString()), QString());
}
