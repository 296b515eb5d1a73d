#pragma once
// The checks and choices of saving a record and of the record commands, as
// plain functions over the texts of the form's controls: the mandatory
// fields of each kind, the used-vehicle dates, the sheet and site a new
// record starts on, and what an insert answer gives back.

#include <QDate>
#include <QString>
#include <QList>
#include <QStringList>

#include <functional>

namespace stanor::records {

// The text of a control of the form by its name.
using ControlText = std::function<QString(const QString& name)>;

// A date field holds a date: neither empty nor the empty mask "__/__/____".
bool IsFilledDate(const QString& text);

// The stock number must be a whole number other than zero.
bool IsStockNumber(const QString& text);

// The mandatory controls of a vehicle ("VO", "VD", "VN") that fail, in the
// order the form checks them: the stock number, the site and the make, and
// for a new vehicle also the model and the version type. Empty when all hold
// (or for another kind).
QStringList MissingVehicleFields(const QString& kind, const ControlText& text);

// The used-vehicle check: an order date needs a destination (cDestination),
// and a first registration (cMEC) may not come after the entry date
// (cDateEntree); a date that cannot be read counts as today. The control
// that fails, or empty.
QString UsedVehicleDatesFault(const ControlText& text, const QDate& today);

// The customer checks that fail, in their order. On the customer page (7),
// and whatever the sheet while the customer is being created (the record
// is created from any sheet), the site, the salesperson and the surname; on
// the vehicles page (8), when the customer has vehicles, the make and the
// model.
QStringList MissingCustomerFields(int page, bool hasVehicleRows, bool creating, const ControlText& text);

// Why a save was refused on that control, for the warning shown when the
// record is left: caption is the field's caption on its page.
QString CheckFaultText(const QString& control, const QString& caption);

// Why a save was refused for mandatory fields left empty: every one of them
// named by its caption (its control's name when it has none), in their order.
struct MissingField {
    QString control;
    QString caption;
};
QString MissingFieldsText(const QList<MissingField>& fields);

// Why a save was refused on an action line (1-based) whose mandatory column
// is empty: caption is the column's caption in the grid, else its field name.
QString ActionColumnFaultText(int line, const QString& caption);
// The same for every empty mandatory column of the line, all named.
QString ActionColumnsFaultText(int line, const QStringList& captions);

// The 0-based sheet a new record of the kind starts on (-1 for a kind that
// has none).
int NewRecordSheet(const QString& kind);

// The site combo box of a new record of the kind.
QString SiteControl(const QString& kind);

// The site item preselected for a new record, -1 for none: the user's own
// site when known (any case); otherwise the item found earliest in the
// user's sites (UserSite), none when those are "#" (every site).
int PreselectSite(const QStringList& items, const QString& userUS1, const QString& userSite);

// What an insert answer gives back.
struct InsertAnswer {
    QString NewId;          // the key given to ":NewID", empty when missing
    bool Replayed = false;  // the insert was stored by an earlier attempt
};
InsertAnswer ReadInsertAnswer(const QString& answerText);

// A value read from an element of a record answer ("tVO"/"idVO",
// "TVC"/"idClient"), empty when missing.
QString RecordAnswerValue(const QString& answerText, const QString& element, const QString& name);

}  // namespace stanor::records
