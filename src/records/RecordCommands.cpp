#include "records/RecordCommands.h"

#include "records/SqlLiterals.h"

namespace stanor::records {

namespace {

// An identifier read from the record answer goes into a Delete as it
// stands: anything but digits could widen the condition.
StatementChain chainFor(const QString& id, const QString& what, std::initializer_list<const char*> tables,
                        const char* column) {
    StatementChain out;
    if (!IsIdentifier(id)) {
        out.Reason = QStringLiteral("l'identifiant %1 « %2 » n'est pas un nombre, rien n'est supprimé").arg(what, id);
        return out;
    }
    for (const char* t : tables)
        out.Statements << QStringLiteral("Delete * From %1 where %2=%3")
                              .arg(QLatin1String(t), QLatin1String(column), id);
    return out;
}

}  // namespace

QString DeleteQuestionCaption() { return QStringLiteral("Confirmation de Suppression"); }
QString DeleteDoneText() { return QStringLiteral("Suppression terminée"); }
QString DeleteDoneCaption() { return QStringLiteral("Fin de Suppression"); }

QString VehicleDeleteQuestion(const QString& kind, const QString& stockNumber) {
    return QStringLiteral("Veuillez confirmer la suppression du ") + kind + QStringLiteral(" n°") + stockNumber;
}

QString CustomerDeleteQuestion(const QString& surname, const QString& firstName) {
    return QStringLiteral("Veuillez confirmer la suppression du client \"") + surname + u' ' + firstName + u'"';
}

StatementChain VehicleDeleteStatements(const QString& idVO) {
    return chainFor(idVO, QStringLiteral("du véhicule"),
                    {"[tVO - Liens Images]", "[tVO - Frevo]", "[tVehicles]"}, "idVO");
}

StatementChain CustomerDeleteStatements(const QString& idClient) {
    return chainFor(idClient, QStringLiteral("du client"), {"[tClients]"}, "idClient");
}

QString SweepQuestion() {
    return QStringLiteral("Veuillez confirmer la suppression des VN annulés sans CTM  ");
}

QString SweepStatement() {
    return QStringLiteral(
        "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null));");
}

QString MissingVehicleIdText() {
    return QStringLiteral("L'identifiant du véhicule demandé n'a pas pu être restitué... ");
}

QString MissingCustomerIdText() {
    return QStringLiteral("L'identifiant du client demandé n'a pas pu être restitué... ");
}

QString MissingIdCaption() { return QStringLiteral("Action Annulée"); }

}  // namespace stanor::records
