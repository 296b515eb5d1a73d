#include "grids/CustomerVehicles.h"

#include "service/TextTools.h"

namespace stanor::grids {

QStringList customerVehicleFields() {
    return {QStringLiteral("idtVO"), QStringLiteral("Immatriculation"), QStringLiteral("InfoMarque"),
            QStringLiteral("InfoModele"), QStringLiteral("InfoVersion")};
}

QString customerVehicleText(const QString& mark, const QString& model, const QString& version) {
    // Versions are usually stored with their model in front ("308 1.6 HDI 110"):
    // the model is then not written twice.
    const QString m = model.trimmed(), v = version.trimmed();
    const bool versionNamesModel =
        !m.isEmpty() && v.startsWith(m, Qt::CaseInsensitive) && (v.size() == m.size() || v.at(m.size()) == u' ');
    QStringList parts;
    for (const QString& part : {mark.trimmed(), versionNamesModel ? QString() : m, v})
        if (!part.isEmpty()) parts << part;
    return parts.join(u' ');
}

std::vector<CustomerVehicleRow> customerVehicleRows(const std::vector<AnswerElement>& elements, bool rightProfid) {
    std::vector<CustomerVehicleRow> rows;
    rows.reserve(elements.size());
    for (const AnswerElement& e : elements) {
        const auto text = [&e](const char* name) {
            return service::DecodeXmlText(e.value(QLatin1String(name)), service::CrDecoding::Keep);
        };
        CustomerVehicleRow r;
        r.id = text("idtVO");
        r.registration = text("Immatriculation");
        r.vehicle = customerVehicleText(text("InfoMarque"), text("InfoModele"), text("InfoVersion"));
        r.icon = rightProfid ? 0 : 2;
        r.hint = rightProfid ? kVehicleDeleteHint : QString();
        rows.push_back(std::move(r));
    }
    return rows;
}

int rowOfVehicle(const std::vector<CustomerVehicleRow>& rows, const QString& id) {
    if (id.isEmpty()) return -1;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].id == id) return int(i);
    return -1;
}

}  // namespace stanor::grids
