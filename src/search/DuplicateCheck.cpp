#include "search/DuplicateCheck.h"

#include "records/SqlLiterals.h"
#include "search/SearchSql.h"
#include "service/TXml.h"
#include "service/TextTools.h"

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

// A record key as it may stand in a statement: a number above 0, else nothing.
QString keyOf(const QString& id) {
    bool ok = false;
    const qlonglong n = id.trimmed().toLongLong(&ok);
    return ok && n > 0 ? QString::number(n) : QString();
}

}  // namespace

const DuplicateCheck* FindDuplicateCheck(const QString& kind) {
    for (const DuplicateCheck& c : kChecks)
        if (kind == QLatin1String(c.Kind)) return &c;
    return nullptr;
}

QString DuplicateCountSql(const QString& kind, const QString& value, const QString& firstName,
                          const QString& exceptIdClient) {
    const DuplicateCheck* check = FindDuplicateCheck(kind);
    const QString v = literalBody(value);
    if (!check || v.isEmpty()) return {};
    const QString col = QLatin1String(check->Column);
    const bool ident = kind == QLatin1String("Ident");
    const QString except = keyOf(exceptIdClient);
    QString sql = QStringLiteral("select count(idClient) as cpt from tClients ") +
                  (except.isEmpty() ? QString() : QStringLiteral("where idClient<>") + except + u' ') +
                  QStringLiteral("group by ") +
                  (ident ? QStringLiteral("CliNom, CliPrenom") : col) + QStringLiteral(" having (") + col +
                  QStringLiteral("='") + v + QStringLiteral("')");
    if (ident) sql += QStringLiteral(" and (CliPreNom='") + literalBody(firstName) + QStringLiteral("')");
    return sql;
}

bool DuplicateFound(const QString& count) {
    bool ok = false;
    return count.trimmed().toInt(&ok) > 0 && ok;
}

namespace {

QString field(const service::TXml& xml, const char* name) {
    QString v;
    service::XmlGet(xml, QLatin1String(name), v);
    return service::DecodeXmlText(v, service::CrDecoding::Keep).trimmed();
}

// One record of each "AXQuery" item of an answer.
template <typename Make>
std::vector<DuplicateRecord> records(const QString& answer, Make make) {
    std::vector<DuplicateRecord> out;
    service::TXml xml;
    xml.Text = answer;
    service::XmlFind(xml, QStringLiteral("AXQueryS"));
    while (service::XmlNext(xml, QStringLiteral("AXQuery"))) out.push_back(make(xml));
    return out;
}

QString joined(const QStringList& parts) {
    QStringList kept;
    for (const QString& p : parts)
        if (!p.trimmed().isEmpty()) kept << p.trimmed();
    return kept.join(QStringLiteral(" · "));
}

}  // namespace

QString VehicleDuplicatesSql(const QString& stockNumber, const QString& registration, const QString& exceptIdTVO,
                             const QString& concession) {
    QStringList shared;
    if (IsAllDigits(stockNumber.trimmed())) shared << QStringLiteral("(NVO=") + stockNumber.trimmed() + u')';
    const QString plate = literalBody(registration);
    if (!plate.isEmpty()) shared << QStringLiteral("(Immatriculation='") + plate + QStringLiteral("')");
    if (shared.isEmpty()) return {};
    QString sql = QStringLiteral("SELECT TypeVO, idTVO, StatutVD, NVO, Immatriculation, InfoMarque, InfoModele, Site "
                                 "FROM tVehicles WHERE (") +
                  shared.join(QStringLiteral(" OR ")) + u')';
    if (const QString except = keyOf(exceptIdTVO); !except.isEmpty()) sql += QStringLiteral(" AND (idTVO<>") + except + u')';
    if (const QString c = literalBody(concession); !c.isEmpty()) sql += QStringLiteral(" AND (Concession='") + c + QStringLiteral("')");
    return sql + QStringLiteral(" ORDER BY idTVO");
}

std::vector<DuplicateRecord> ReadVehicleDuplicates(const QString& answer, const QString& stockNumber,
                                                   const QString& registration) {
    return records(answer, [&](const service::TXml& xml) {
        DuplicateRecord r;
        r.id = field(xml, "idTVO");
        const QString status = field(xml, "StatutVD"), type = field(xml, "TypeVO");
        r.kind = !status.isEmpty() ? 3 : type == QLatin1String("1") ? 1 : type == QLatin1String("2") ? 2 : 3;
        const QString site = field(xml, "Site"), number = field(xml, "NVO"), plate = field(xml, "Immatriculation");
        const QString prefix = r.kind == 1 ? QStringLiteral("VO-") : r.kind == 2 ? QStringLiteral("VN-") : QStringLiteral("VD-");
        QStringList same;
        if (!number.isEmpty() && number == stockNumber.trimmed()) same << QStringLiteral("même n° de stock");
        if (!plate.isEmpty() && plate.compare(registration.trimmed(), Qt::CaseInsensitive) == 0)
            same << QStringLiteral("même immatriculation");
        const QString reference = site.isEmpty() ? number : site.left(1) + site.right(1).toLower() + u'-' + number;
        r.text = joined({prefix + reference, plate,
                         field(xml, "InfoMarque") + u' ' + field(xml, "InfoModele"),
                         site.isEmpty() ? QString() : QStringLiteral("site ") + site}) +
                 (same.isEmpty() ? QString() : QStringLiteral(" (") + same.join(QStringLiteral(", ")) + u')');
        return r;
    });
}

QString CustomerDuplicatesSql(const QString& surname, const QString& firstName, const QString& mobile,
                              const QString& homePhone, const QString& concession) {
    QStringList shared;
    if (const QString name = literalBody(surname); !name.isEmpty()) {
        const QString first = literalBody(firstName);
        shared << QStringLiteral("((CliNom='") + name + QStringLiteral("') AND ") +
                      (first.isEmpty() ? QStringLiteral("(CliPrenom IS NULL OR CliPrenom=''))")
                                       : QStringLiteral("(CliPrenom='") + first + QStringLiteral("'))"));
    }
    if (const QString m = literalBody(mobile); !m.isEmpty()) shared << QStringLiteral("(CliMobile='") + m + QStringLiteral("')");
    if (const QString t = literalBody(homePhone); !t.isEmpty()) shared << QStringLiteral("(CliTelDom='") + t + QStringLiteral("')");
    if (shared.isEmpty()) return {};
    QString sql = QStringLiteral("SELECT idClient, CliNom, CliPrenom, CliVille, CliMobile, CliTelDom FROM tClients WHERE (") +
                  shared.join(QStringLiteral(" OR ")) + u')';
    if (const QString c = literalBody(concession); !c.isEmpty()) sql += QStringLiteral(" AND (Concession='") + c + QStringLiteral("')");
    return sql + QStringLiteral(" ORDER BY CliNom, CliPrenom, idClient");
}

std::vector<DuplicateRecord> ReadCustomerDuplicates(const QString& answer) {
    return records(answer, [](const service::TXml& xml) {
        DuplicateRecord r;
        r.id = field(xml, "idClient");
        const QString phone = !field(xml, "CliMobile").isEmpty() ? field(xml, "CliMobile") : field(xml, "CliTelDom");
        r.text = joined({field(xml, "CliNom").toUpper() + u' ' + field(xml, "CliPrenom"), field(xml, "CliVille"),
                         phone.isEmpty() ? QString() : service::FormatPhoneNumber(phone)});
        return r;
    });
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
