#pragma once
// The accounting follow-up of a new vehicle on order: the customer's balance,
// the treasury and settlement due dates, the invoice and purchase date
// mirror, the order change stamp and the week label of the manufacturing date.

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace stanor::rules {

// cVNSolde: sale price less the amount financed, the trade-in price and the
// deposit, as "0.00"; fields that are not numbers count as 0.
QString UpdateSoldeVN(const QString& salePrice, const QString& financed, const QString& tradeInPrice,
                      const QString& deposit);

// One entry of the reference list "Pars", in list order.
struct ParsEntry {
    QString type;
    QString text;
};

// Days between the treasury and the settlement due date for a financing
// type, from the "TypeFinancementDelai" entries ("<type> : <days>"): the
// matching entry's days (10 when they are no number); without a match the
// first entry's bare number (30 when it is none); 0 with no financing type
// or no such entries.
int financingDelay(const QString& financingType, const std::vector<ParsEntry>& pars);

// The date texts of the new-vehicle page that the due dates follow.
struct DueDateInputs {
    QString delivery;           // cVNDateLivraison
    QString availability;       // cVNDateDisponibilite, when there is no delivery date
    QString declaredDelivered;  // cVNDateDeclareLivre
    QString purchase;           // cVNDateAchat
    QString supplierDue;        // cVNDateEcheance
    QString financingType;      // cVNTypeFinancement
};

struct DueDates {
    QString treasury;    // cVNDateEchTresorerie
    QString settlement;  // cVNDateEchReglement
};

// Treasury date: without a purchase date, the delivery (or availability)
// date; with one, five days after the later of delivery and declared
// delivery when the vehicle is declared delivered, else five days after
// delivery but no later than the supplier's due date. Settlement date: the
// treasury date plus the financing delay. Both empty without a treasury date.
DueDates UpdateDateEcheanceTresorerie(const DueDateInputs& in, const std::vector<ParsEntry>& pars);

// The invoice and purchase dates follow each other: the new text of the
// other field when the changed one holds a valid date that differs from it.
std::optional<QString> mirroredDate(const QString& changedText, const QString& otherText);

// cVNDateUpdateCde after a change of an order field: the server's date when
// the field's value differs from the one loaded; nothing when it does not,
// or when the server's date is unknown.
std::optional<QString> orderChangeStamp(const QString& currentValue, const QString& loadedValue,
                                        const QDate& serverNow);

// LbDateFabrication: year + "s" + two-digit week, weeks starting on Sundays
// and the days before the year's first Sunday in week 00; "" for a text
// that holds no valid date.
QString weekLabel(const QString& dateText);

}  // namespace stanor::rules
