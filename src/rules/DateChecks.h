#pragma once
// Date checks: the range of each date field of the vehicle, new-vehicle,
// customer-vehicle and customer pages, checked when the user leaves the
// field, and the dates of the cost and action grids, checked when an edit
// is accepted.

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace stanor::rules {

inline const QString kDateCheckCaption = QStringLiteral("Contrôle de la date saisie");
inline const QString kCostDateCaption = QStringLiteral("Contrôle de la date Frevo");
inline const QString kActionDateCaption = QStringLiteral("Contrôle de la date Action");
inline const QString kReminderDateCaption = QStringLiteral("Contrôle de la date Relance");

// Allowed dates, both ends included; an invalid date is no bound.
struct DateRange {
    QDate lowest;
    QDate highest;
};

// How a field is named in the messages: its caption without ":", or its
// column name when the caption leaves nothing.
QString dateFieldLabel(const QString& caption, const QString& fieldName);

// "La valeur du champ "<label>" doit être ..." for the bounds that are set;
// "" when there is none.
QString dateRangeMessage(const QString& label, const DateRange& range);

// "La valeur du champ "<label>" n'est pas une date valide (jj/mm/aaaa)".
QString unreadableDateMessage(const QString& label);

// A date field the user is leaving.
struct DateFieldExit {
    QString text;         // the control's text
    QString loadedValue;  // the field's value as loaded
    QString caption;      // txtInfo of the field
    QString fieldName;    // its column
};

struct DateFieldDecision {
    bool refused = false;  // the focus goes back to the field
    QString caption;       // of the warning box, when there is a message
    QString message;       // "" when nothing is to be shown
    QString text;          // the text the control keeps, and the field's current value
};

// The loaded value is always accepted, even out of range, and so is an
// emptied field. A date out of range is refused with a message and the
// loaded value put back; a text that is no date is refused with a message
// and kept, to be corrected.
DateFieldDecision TestDateChange(const DateFieldExit& exit, const DateRange& range);

// Where the bounds of a date field come from.
enum class DateBound {
    None,
    ServerNow,      // the server's current date
    LimiteDateDeb,  // lowest date of the dated acts of a vehicle
    LimiteDateFin,  // highest date of them (the server's date)
    VehicleStart,   // the customer vehicle's order date, else its first registration
    AdultBirth,     // the local date 18 years ago
};

// One exit handler of a date control and its bounds.
struct DateExitRule {
    const char* handler;
    const char* control;
    DateBound lowest;
    DateBound highest;
};

// Every date control checked on exit, in the order of the form.
const std::vector<DateExitRule>& dateExitRules();

// The rule of a control, or null when the control is not checked on exit.
const DateExitRule* dateExitRule(const QString& control);

// What the bounds are made of, for one record. Invalid dates are no limit.
struct DateLimits {
    QDate serverNow;
    QDate limiteDateDeb;
    QDate limiteDateFin;
    QDate localToday;
    QString vDateOrdre;  // text of the customer vehicle's order date
    QString vMEC;        // text of its first registration date
};

// The latest birth date of an adult: the same day 18 years ago; on
// 29 February, when that year has none, 28 February.
QDate adultBirthLimit(const QDate& today);

// The range a rule checks, or nothing when the handler checks nothing (a
// bound taken from the customer vehicle's dates when it holds neither).
std::optional<DateRange> exitRange(const DateExitRule& rule, const DateLimits& limits);

// The decision on a date typed into a grid cell.
struct GridDateDecision {
    bool refused = false;
    QString caption;
    QString message;
};

// DateFrevo of a cost line, between LimiteDateDebFrevo and LimiteDateFin.
// A date unchanged from the loaded one is accepted even out of range; a text
// that is no date counts as today, except a non-empty text that was typed,
// which is refused.
GridDateDecision acceptCostDate(const QString& edited, const QString& loaded, const QString& column,
                                const DateRange& range, const QDate& today);

// DateAction of an action line, between LimiteDateDebProFid and LimiteDateFin.
GridDateDecision acceptActionDate(const QString& edited, const QString& loaded, const QString& column,
                                  const DateRange& range, const QDate& today);

// DateRelance of an action line: not before the server's date.
GridDateDecision acceptReminderDate(const QString& edited, const QString& loaded, const QString& column,
                                    const QDate& serverNow, const QDate& today);

}  // namespace stanor::rules
