#pragma once
// The customer's vehicles as their grid lists them: one row per "TVeh"
// element of the customer's answer, with its identifier, registration and
// vehicle text, and the image that deletes it for a user with ";PROFID;".

#include "grids/LineSources.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace stanor::grids {

// Grid columns; 0 is the row's image.
enum CustomerVehicleColumn { CvNxImage = 0, CvIdVehicle, CvInfoImmat, CvInfoVehicle, CvInfoVersion };

inline const QString kVehicleDeleteHint = QStringLiteral("pour supprimer ce véhicule");

struct CustomerVehicleRow {
    QString id;            // idtVO
    QString registration;  // Immatriculation
    QString vehicle;       // mark, model and version
    int icon = 2;          // 0 may be deleted, 2 may not
    QString hint;
};

// The children of a "TVeh" element the grid reads.
QStringList customerVehicleFields();

// The vehicle as the grid names it: mark, model and version separated by one
// space, the empty ones left out, the model left out when the version begins
// with it.
QString customerVehicleText(const QString& mark, const QString& model, const QString& version);

// One row per vehicle, in the answer's order, however many there are.
std::vector<CustomerVehicleRow> customerVehicleRows(const std::vector<AnswerElement>& elements, bool rightProfid);

// The row of the vehicle with that identifier, -1 when none (or no identifier).
int rowOfVehicle(const std::vector<CustomerVehicleRow>& rows, const QString& id);

}  // namespace stanor::grids
