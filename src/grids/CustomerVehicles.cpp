#include "grids/CustomerVehicles.h"

#include "service/TextTools.h"

namespace stanor::grids {

QStringList customerVehicleFields() {
    return {QStringLiteral("idtVO"), QStringLiteral("Immatriculation"), QStringLiteral("InfoMarque"),
            QStringLiteral("InfoModele"), QStringLiteral("InfoVersion")};
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
        r.vehicle = text("InfoMarque") + u' ' + text("InfoModele") + u' ' + text("InfoVersion");
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
