#pragma once
// The statements and questions of the record commands: deleting the vehicle
// or customer shown, and sweeping away the cancelled new-vehicle orders.

#include <QString>
#include <QStringList>

namespace stanor::records {

// Statements to send one after the other, each only when the previous one
// succeeded; none, with the reason, when the identifier cannot be written.
struct StatementChain {
    QStringList Statements;
    QString Reason;

    bool empty() const { return Statements.isEmpty(); }
};

// Caption of every deletion question.
QString DeleteQuestionCaption();  // "Confirmation de Suppression"
// "Suppression terminée" under the caption "Fin de Suppression".
QString DeleteDoneText();
QString DeleteDoneCaption();

// "Veuillez confirmer la suppression du VO n°1201".
QString VehicleDeleteQuestion(const QString& kind, const QString& stockNumber);
// "Veuillez confirmer la suppression du client "DUPONT Jean"".
QString CustomerDeleteQuestion(const QString& surname, const QString& firstName);

// A vehicle's photo links, cost lines and the vehicle itself, by its idVO.
StatementChain VehicleDeleteStatements(const QString& idVO);
// A customer, by its idClient (the database takes its actions and vehicles with it).
StatementChain CustomerDeleteStatements(const QString& idClient);

// The sweep of cancelled new-vehicle orders without buyer.
QString SweepQuestion();
QString SweepStatement();

// The warning texts of the identifier lookups (caption "Action Annulée").
QString MissingVehicleIdText();
QString MissingCustomerIdText();
QString MissingIdCaption();

}  // namespace stanor::records
