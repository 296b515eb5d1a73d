#include "search/DuplicateCheck.h"

#include "records/SqlLiterals.h"
#include "service/TXml.h"

#include <array>

namespace stanor::search {

namespace {

constexpr std::array<DuplicateCheck, 4> kChecks = {{
    {"Nom", "DblNom", "aCliNom", "CliNom", "5", false},
    {"Ident", "DblIdent", "aCliNom", "CliNom", "5", true},
    {"Mobile", "DblMobile", "aCliMobile", "CliMobile", "6", std::nullopt},
    {"TelDom", "DblTelDom", "aCliTelDom", "CliTelDom", "7", std::nullopt},
}};

// A field's text as it is compared: stored texts are trimmed on saving.
QString literalBody(const QString& text) {
    return records::DoubleQuotes(records::EscapeQueryText(text.trimmed().toUpper()));
}

}  // namespace

const DuplicateCheck* FindDuplicateCheck(const QString& kind) {
    for (const DuplicateCheck& c : kChecks)
        if (kind == QLatin1String(c.Kind)) return &c;
    return nullptr;
}

QString DuplicateCountSql(const QString& kind, const QString& value, const QString& firstName) {
    const DuplicateCheck* check = FindDuplicateCheck(kind);
    const QString v = literalBody(value);
    if (!check || v.isEmpty()) return {};
    const QString col = QLatin1String(check->Column);
    const bool ident = kind == QLatin1String("Ident");
    QString sql = QStringLiteral("select count(idClient) as cpt from tClients group by ") +
                  (ident ? QStringLiteral("CliNom, CliPrenom") : col) + QStringLiteral(" having (") + col +
                  QStringLiteral("='") + v + QStringLiteral("')");
    if (ident) sql += QStringLiteral(" and (CliPreNom='") + literalBody(firstName) + QStringLiteral("')");
    return sql;
}

QString DuplicateCountOf(const QString& answer) {
    service::TXml xml;
    xml.Text = answer;
    service::XmlFind(xml, QStringLiteral("AXQueryS"));
    if (!service::XmlNext(xml, QStringLiteral("AXQuery"))) return {};
    QString count;
    service::XmlGet(xml, QStringLiteral("cpt"), count);
    return count;
}

}  // namespace stanor::search
