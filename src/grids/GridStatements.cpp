#include "grids/GridStatements.h"

#include "records/SqlLiterals.h"
#include "rules/Costs.h"

namespace stanor::grids {

QString TestFraisFixes(const FixedCostInput& in) {
    if (in.Kind != QLatin1String("VO") || !records::IsIdentifier(in.IdVO)) return {};
    const rules::Cents fee = rules::amountOrZero(in.SiteFee);
    if (!rules::fixedCostDue(in.Destination, in.HasFixedCost, fee)) return {};
    return QStringLiteral("Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) ") +
           QStringLiteral("Values (#") + in.Today.toString(QStringLiteral("MM/dd/yyyy")) +
           QStringLiteral("#,'fixe', ") + rules::showAmount(fee) + QStringLiteral(", ") + in.IdVO +
           QStringLiteral(", :NewID) ");
}

bool HasFixedCost(const QStringList& costTypes) {
    for (const QString& t : costTypes)
        if (t.toUpper() == QLatin1String("FIXE")) return true;
    return false;
}

QString SiteFee(const QList<QPair<QString, QString>>& sites, const QString& site) {
    const QString wanted = site.toUpper();
    for (const auto& [name, fee] : sites)
        if (name.toUpper() == wanted) return fee;
    return {};
}

records::StatementChain CustomerVehicleDeleteStatements(const QString& idTVO) {
    records::StatementChain out;
    if (!records::IsIdentifier(idTVO))
        out.Reason = QStringLiteral("l'identifiant du véhicule « %1 » n'est pas un nombre, rien n'est supprimé").arg(idTVO);
    else
        out.Statements << QStringLiteral("Delete * From tVehiclesProfid where idTVo=") + idTVO;
    return out;
}

QString CustomerVehicleDeleteQuestion(const QString& registration, const QString& vehicle) {
    return QStringLiteral("Veuillez confirmer la suppression de \"") + registration + QStringLiteral("\" - \"") +
           vehicle + u'"';
}

QString CostLineDeleteQuestion(const QString& label, const QString& date, const QString& amount) {
    QString q = QStringLiteral("Veuillez confirmer la suppression du frais");
    if (!label.trimmed().isEmpty()) q += QStringLiteral(" \"") + label.trimmed() + u'"';
    if (!date.trimmed().isEmpty()) q += QStringLiteral(" du ") + date.trimmed();
    if (!amount.trimmed().isEmpty()) q += QStringLiteral(" (") + amount.trimmed() + u')';
    return q;
}

QString ActionDeleteQuestion(const QString& date, const QString& subject) {
    QString q = QStringLiteral("Veuillez confirmer la suppression de l'action");
    if (!date.trimmed().isEmpty()) q += QStringLiteral(" du ") + date.trimmed();
    if (!subject.trimmed().isEmpty()) q += QStringLiteral(" \"") + subject.trimmed() + u'"';
    return q;
}

}  // namespace stanor::grids
