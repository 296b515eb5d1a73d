#include "search/SearchSql.h"

#include "records/SqlLiterals.h"

#include <array>

namespace stanor::search {

namespace {

enum class Columns { Vehicles, CustomerVehicles, Customers };

struct Mode {
    const char* table;
    const char* column;
    const char* orderTail;  // after the searched column
    int highlight;
    Columns columns;
    bool vehicleFilters;  // site and record-kind filters apply
    bool emptyFindsNone;  // an empty text gives (false)
};

// Modes "1" to "7".
constexpr std::array<Mode, 7> kModes = {{
    {"TVehicles", "Immatriculation", ", DateOrdre desc", 4, Columns::Vehicles, true, false},
    {"TVehicles", "Acheteur", ", DateOrdre desc", 6, Columns::Vehicles, true, false},
    {"TVehicles", "NVO", ", DateOrdre desc", 2, Columns::Vehicles, true, true},
    {"TVehiclesProFid", "Immatriculation", ", DateOrdre desc", 4, Columns::CustomerVehicles, false, false},
    {"TClients", "CliNom", ", CliPreNom, idClient desc", 6, Columns::Customers, false, true},
    {"TClients", "CliMobile", ", idClient desc", 4, Columns::Customers, false, true},
    {"TClients", "CliTelDom", ", idClient desc", 3, Columns::Customers, false, true},
}};

QString columnList(Columns kind, const QString& col) {
    switch (kind) {
    case Columns::Vehicles:
        return QStringLiteral("TypeVO, idTVO as VO_ID, StatutVD, NVO as VO_NO, Immatriculation AS VO_IMMAT, "
                              "[InfoMarque], [InfoModele], InfoVersion AS VO_VERSION, Acheteur AS VO_BUYER, "
                              "DateOrdre AS VO_ORDRE, ") +
               col + QStringLiteral(" AS VO_Result, Site as VO_SITE, Concession, idOwner");
    case Columns::CustomerVehicles:
        return QStringLiteral("TypeVO, idClient as VO_ID, NVO as VO_NO, Immatriculation AS VO_IMMAT, "
                              "[InfoMarque], [InfoModele], InfoVersion AS VO_VERSION, Acheteur AS VO_BUYER, "
                              "DateOrdre AS VO_ORDRE, ") +
               col + QStringLiteral(" AS VO_Result, Site as VO_SITE, Concession, idOwner");
    case Columns::Customers:
        break;
    }
    return QStringLiteral("-1 AS TypeVO, idClient AS VO_ID, idClient AS VO_NO, CliMobile, [CliCP], [CliVille], "
                          "[CliAdresse1], [CliAdresse2], [CliNom], [CliPrenom], CliTelDom, Site AS VO_SITE, "
                          "Concession, idOwner");
}

QString typeFilter(int typeIndex) {
    if (typeIndex == 1) return QStringLiteral("(TypeVO=1) and ");
    if (typeIndex == 2) return QStringLiteral("(TypeVO=2) and (isnull(StatutVD)) and ");
    if (typeIndex >= 3) return QStringLiteral("(TypeVO=2) and (not isnull(StatutVD)) and ");
    return {};
}

// "(COL like '%T%')", or "(COL = 'T')" in exact mode.
QString textMatch(const QString& column, const QString& prepared, bool exact) {
    if (exact) return u'(' + column + QStringLiteral(" = '") + prepared + QStringLiteral("')");
    return u'(' + column + QStringLiteral(" like '%") + prepared + QStringLiteral("%')");
}

QString modeCondition(const Mode& m, const SearchInput& in) {
    const QString col = QLatin1String(m.column);
    const QString text = PrepareSearchText(in.Text);
    if (col == QLatin1String("NVO"))
        return IsAllDigits(text) ? QStringLiteral("(NVO>=%1)").arg(text) : QStringLiteral("(false)");
    if (text.isEmpty() && m.emptyFindsNone) return QStringLiteral("(false)");
    QString cond = textMatch(col, text, in.ExactSearch);
    if (col == QLatin1String("CliNom") && in.SearchWithFirstName && !text.isEmpty())
        cond += QStringLiteral(" and ") +
                textMatch(QStringLiteral("CliPreNom"), PrepareSearchText(in.FirstName), in.ExactSearch);
    return cond;
}

}  // namespace

bool IsAllDigits(const QString& text) {
    return records::IsIdentifier(text);
}

QString PrepareSearchText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != u'\r' && c != u'\n' && c != u'\t') out += c;
    return records::DoubleQuotes(out);
}

SearchStatement BuildSearchSql(const SearchInput& in) {
    SearchStatement out;
    out.Caption = in.ExactSearch ? QStringLiteral("recherche exacte :") : QStringLiteral("à rechercher :");
    const int n = in.Mode.size() == 1 ? in.Mode[0].unicode() - u'0' : 0;
    if (n < 1 || n > int(kModes.size())) {
        out.Reason = QStringLiteral("mode de recherche inconnu « %1 »").arg(in.Mode);
        return out;
    }
    const Mode& m = kModes[size_t(n - 1)];
    out.SearchHighlightCol = m.highlight;
    out.Condition = modeCondition(m, in);
    if (m.vehicleFilters) {
        if (!in.Site.isEmpty())
            out.Condition = QStringLiteral("(SITE='") + PrepareSearchText(in.Site) + QStringLiteral("') and ") +
                            out.Condition;
        out.Condition = typeFilter(in.TypeIndex) + out.Condition;
    }
    const QString col = QLatin1String(m.column);
    const QString sql = QStringLiteral("SELECT ") + columnList(m.columns, col) + QStringLiteral(" FROM ") +
                        QLatin1String(m.table) + QStringLiteral(" WHERE ") + out.Condition +
                        QStringLiteral(" ORDER BY ") + col + QLatin1String(m.orderTail);
    out.Sql = records::EscapeQueryText(sql);
    return out;
}

}  // namespace stanor::search
