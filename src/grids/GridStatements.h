#pragma once
// The other statements of the sub-record grids: the automatic fixed-cost
// line of a used vehicle sold to private buyers, and the deletion of a
// customer's vehicle.

#include "records/RecordCommands.h"

#include <QDate>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QList>

namespace stanor::grids {

// What the fixed-cost rule reads of the vehicle shown.
struct FixedCostInput {
    QString Kind;         // record kind; only a used vehicle ("VO") gets the line
    QString IdVO;         // the vehicle's idVO; empty while it is not stored
    QString Destination;  // text of the destination field
    QString SiteFee;      // MontantFraisDossier of the vehicle's site, as answered; empty when none
    bool HasFixedCost = false;  // the vehicle already has a cost line of type FIXE
    QDate Today;
};

// The Insert of the fixed-cost line, or an empty text when none is due:
// "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) "
// "Values (#mm/dd/yyyy#,'fixe', 150.00, 1001, :NewID) " for a used vehicle
// destined for "PARTICULIERS" (any case) without fixed cost yet, at a site
// whose fee is not 0.
QString TestFraisFixes(const FixedCostInput& input);

// Whether one of the cost types is FIXE (any case).
bool HasFixedCost(const QStringList& costTypes);

// The fee of a site among (Site, MontantFraisDossier) pairs, sites compared
// in upper case; empty when the site is not listed.
QString SiteFee(const QList<QPair<QString, QString>>& sites, const QString& site);

// "Delete * From tVehiclesProfid where idTVo=" + the vehicle's identifier
// (column 1 of the customer vehicles grid); none, with the reason, when it
// is not a number.
records::StatementChain CustomerVehicleDeleteStatements(const QString& idTVO);

// "Veuillez confirmer la suppression de "AA111BB" - "PEUGEOT 308 ..."".
QString CustomerVehicleDeleteQuestion(const QString& registration, const QString& vehicle);

// "Veuillez confirmer la suppression du frais "Lustrage" du 02/10/2026 (150.00)";
// the parts left empty are left out.
QString CostLineDeleteQuestion(const QString& label, const QString& date, const QString& amount);

// "Veuillez confirmer la suppression de l'action du 02/10/2026 "Appel"";
// the parts left empty are left out.
QString ActionDeleteQuestion(const QString& date, const QString& subject);

}  // namespace stanor::grids
