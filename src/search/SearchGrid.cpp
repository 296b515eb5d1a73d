#include "search/SearchGrid.h"

#include "service/TXml.h"
#include "service/TextTools.h"

#include <algorithm>
#include <cmath>

namespace stanor::search {

QString ModeFromButtons(bool customerPage, const std::array<bool, kModePairCount>& chosen) {
    auto on = [&](ModePair p) { return chosen[size_t(p)]; };
    if (!customerPage) {
        if (on(ModePair::NVO)) return QStringLiteral("3");
        if (on(ModePair::Immat)) return QStringLiteral("1");
        return QStringLiteral("2");
    }
    if (on(ModePair::Immat)) return QStringLiteral("4");
    if (on(ModePair::Client)) return QStringLiteral("5");
    if (on(ModePair::Mobile)) return QStringLiteral("6");
    return QStringLiteral("7");
}

std::optional<ModePair> PairOfMode(bool customerPage, const QString& mode) {
    if (!customerPage) {
        if (mode == QLatin1String("1")) return ModePair::Immat;
        if (mode == QLatin1String("2")) return ModePair::Client;
        if (mode == QLatin1String("3")) return ModePair::NVO;
        return std::nullopt;
    }
    if (mode == QLatin1String("4")) return ModePair::Immat;
    if (mode == QLatin1String("5")) return ModePair::Client;
    if (mode == QLatin1String("6")) return ModePair::Mobile;
    if (mode == QLatin1String("7")) return ModePair::Telephone;
    return std::nullopt;
}

ModePair DefaultPair(bool customerPage) { return customerPage ? ModePair::Client : ModePair::Immat; }

QString FoundText(int rows, bool more) {
    if (more) return QStringLiteral("Plus de %1 fiches correspondent : précisez la recherche").arg(kSearchRowsShown);
    if (rows == 0) return QStringLiteral("Aucune fiche trouvée");
    return rows == 1 ? QStringLiteral("1 fiche trouvée") : QStringLiteral("%1 fiches trouvées").arg(rows);
}

std::array<int, kModePairCount> PairLefts(bool customerPage) {
    // NVO, Immat, Client, Telephone, Mobile
    if (customerPage) return {0, 10, 82, 226, 154};
    return {10, 82, 154, 0, 0};
}

int PanelTop(int buttonTop, int buttonHeight) {
    return buttonTop + int(std::nearbyint(buttonHeight * 2.0 / 3.0));
}

SearchGridLayout GridLayoutOf(int mode) {
    SearchGridLayout l;
    const bool customers = mode >= 5;
    l.Captions = customers ? QStringList{QStringLiteral("Réf."), QStringLiteral("Tél.Dom."), QStringLiteral("Mobile"),
                                         QStringLiteral("Adresse"), QStringLiteral("Client")}
                           : QStringList{QStringLiteral("N°VO"), QStringLiteral("D.Ordre"), QStringLiteral("Immat."),
                                         QStringLiteral("Véhicule"), QStringLiteral("Client")};
    l.Info2AsDates = !customers;
    // The column of the searched value, by which the service sorts the rows.
    switch (mode) {
    case 3: l.SortedColumn = ngsInfo1; break;     // stock number
    case 7: l.SortedColumn = ngsInfo2; break;     // home phone
    case 2: case 5: l.SortedColumn = ngsInfo5; break;  // buyer, name
    default: l.SortedColumn = ngsInfo3; break;    // registration (1, 4), mobile (6)
    }
    return l;
}

bool IsOwnSite(const QString& userSite, const QString& site) {
    if (userSite == QLatin1String("#")) return true;
    return !site.isEmpty() && userSite.toUpper().contains(site.toUpper());
}

namespace {

QString field(const service::TXml& xml, const char* name) {
    QString v;
    service::XmlGet(xml, QLatin1String(name), v);
    // A value shown on one line of the grid.
    return service::DecodeXmlText(v, service::CrDecoding::Keep);
}

// "Nd-1234": the site's first letter, its last one in lower case, the number.
QString reference(const QString& site, const QString& number) {
    return site.left(1) + site.right(1).toLower() + u'-' + number;
}

// 1 VO, 2 VN, 3 VD: a kind 2 with a demonstrator status, or any other kind, is a VD.
int vehicleKind(const QString& typeVO, const QString& statutVD) {
    const QString kind = statutVD.isEmpty() ? typeVO : QStringLiteral("3");
    if (kind == QLatin1String("1")) return 1;
    if (kind == QLatin1String("2")) return 2;
    return 3;
}

QString kindPrefix(int kind) {
    return kind == 1 ? QStringLiteral("VO-") : kind == 2 ? QStringLiteral("VN-") : QStringLiteral("VD-");
}

// "59000 LILLE - 12 rue des Lilas - Bâtiment B".
QString address(const service::TXml& xml) {
    QString s = field(xml, "CliCP") + u' ' + field(xml, "CliVille");
    for (const char* line : {"CliAdresse1", "CliAdresse2"}) {
        const QString v = field(xml, line);
        if (!v.isEmpty()) s += QStringLiteral(" - ") + v;
    }
    return s;
}

}  // namespace

std::vector<SearchRow> ReadSearchRows(const QString& answer, int mode, const QString& userSite) {
    std::vector<SearchRow> rows;
    service::TXml xml;
    xml.Text = answer;
    service::XmlFind(xml, QStringLiteral("AXQueryS"));
    const bool customers = mode >= 5;
    while (service::XmlNext(xml, QStringLiteral("AXQuery"))) {
        SearchRow r;
        r.Id = field(xml, "VO_ID");
        const QString site = field(xml, "VO_SITE");
        r.Image = IsOwnSite(userSite, site) ? kOwnSiteImage : kOtherSiteImage;
        r.Info[0] = reference(site, field(xml, "VO_NO"));
        if (mode <= 3) {
            r.Kind = vehicleKind(field(xml, "TypeVO"), field(xml, "StatutVD"));
            r.Info[0].prepend(kindPrefix(r.Kind));
        }
        r.Info[1] = customers ? field(xml, "CliTelDom") : field(xml, "VO_ORDRE");
        r.Info[2] = customers ? field(xml, "CliMobile") : field(xml, "VO_IMMAT");
        r.Info[3] = customers ? address(xml) : (field(xml, "InfoMarque") + u' ' + field(xml, "InfoModele")).trimmed();
        r.Info[4] = field(xml, "VO_BUYER").toUpper();
        if (r.Info[4].isEmpty())
            r.Info[4] = (field(xml, "CliNom") + u' ' + field(xml, "CliPrenom")).trimmed().toUpper();
        rows.push_back(std::move(r));
    }
    return rows;
}

namespace {

// "dd/mm/yyyy" as "yyyymmdd"; other texts (no date) before every date.
QString dateKey(const QString& text) {
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/') return {};
    return text.mid(6, 4) + text.mid(3, 2) + text.left(2);
}

}  // namespace

void SortSearchRows(std::vector<SearchRow>& rows, int column, bool ascending, bool datesInInfo2) {
    if (column < ngsInfo1 || column >= kSearchColumns) return;
    const size_t i = size_t(column - ngsInfo1);
    const bool dates = datesInInfo2 && column == ngsInfo2;
    auto key = [&](const SearchRow& r) { return dates ? dateKey(r.Info[i]) : r.Info[i]; };
    std::stable_sort(rows.begin(), rows.end(), [&](const SearchRow& a, const SearchRow& b) {
        const int c = QString::compare(key(a), key(b), Qt::CaseInsensitive);
        return ascending ? c < 0 : c > 0;
    });
}

}  // namespace stanor::search
