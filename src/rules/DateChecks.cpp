#include "rules/DateChecks.h"

#include "rules/Values.h"

#include <algorithm>

namespace stanor::rules {

namespace {

QString quoted(const QString& text) { return u'"' + text + u'"'; }

QString fieldIntro(const QString& label) { return QStringLiteral("La valeur du champ ") + quoted(label) + u' '; }

// Day 0 of the day numbers dates are stored as: a date typed as that day is
// no date.
const QDate kZeroDate(1899, 12, 30);

bool outOfRange(const QDate& d, const DateRange& range)
{
    return (range.lowest.isValid() && d < range.lowest) || (range.highest.isValid() && d > range.highest);
}

}  // namespace

QString dateFieldLabel(const QString& caption, const QString& fieldName)
{
    QString label = caption;
    label.remove(u':');
    label = label.trimmed();
    return label.isEmpty() ? fieldName : label;
}

QString dateRangeMessage(const QString& label, const DateRange& range)
{
    const QString low = quoted(showDate(range.lowest)), high = quoted(showDate(range.highest));
    if (range.lowest.isValid() && range.highest.isValid())
        return fieldIntro(label) + QStringLiteral("doit être comprise entre le ") + low + QStringLiteral(" et le ") +
               high;
    if (range.lowest.isValid())
        return fieldIntro(label) + QStringLiteral("doit être supérieure au ") + low;
    if (range.highest.isValid())
        return fieldIntro(label) + QStringLiteral("doit être inférieure au ") + high;
    return {};
}

QString unreadableDateMessage(const QString& label)
{
    return fieldIntro(label) + QStringLiteral("n'est pas une date valide (jj/mm/aaaa)");
}

DateFieldDecision TestDateChange(const DateFieldExit& exit, const DateRange& range)
{
    DateFieldDecision decision;
    decision.text = exit.text;
    if (exit.text == exit.loadedValue || isBlankDate(exit.text))
        return decision;
    const QString label = dateFieldLabel(exit.caption, exit.fieldName);
    const QDate d = readDate(exit.text);
    decision.refused = true;
    decision.caption = kDateCheckCaption;
    if (!d.isValid()) {
        // What was typed stays, to be corrected.
        decision.message = unreadableDateMessage(label);
        return decision;
    }
    if (!outOfRange(d, range))
        return {false, {}, {}, exit.text};
    decision.message = dateRangeMessage(label, range);
    decision.text = exit.loadedValue;
    return decision;
}

const std::vector<DateExitRule>& dateExitRules()
{
    using B = DateBound;
    static const std::vector<DateExitRule> rules = {
        {"cMECExit", "cMEC", B::None, B::ServerNow},
        {"cVDMECExit", "cVDMEC", B::None, B::ServerNow},
        {"cVNMECExit", "cVNMEC", B::None, B::ServerNow},
        {"cDateEntreeExit", "cDateEntree", B::LimiteDateDeb, B::LimiteDateFin},
        {"cDateOrdreExit", "cDateOrdre", B::LimiteDateDeb, B::LimiteDateFin},
        {"cVNDateOrdreExit", "cVNDateOrdre", B::LimiteDateDeb, B::LimiteDateFin},
        {"cDateValidationGarantieExit", "cDateValidationGarantie", B::LimiteDateDeb, B::LimiteDateFin},
        {"cDateLivraisonExit", "cDateLivraison", B::LimiteDateDeb, B::LimiteDateFin},
        {"cVNDateLivraisonExit", "cVNDateLivraison", B::LimiteDateDeb, B::LimiteDateFin},
        {"cDatePresFinancementExit", "cDatePresFinancement", B::LimiteDateDeb, B::LimiteDateFin},
        {"cVNDatePresFinancementExit", "cVNDatePresFinancement", B::LimiteDateDeb, B::LimiteDateFin},
        {"cDatePaiementExit", "cDatePaiement", B::LimiteDateDeb, B::LimiteDateFin},
        {"cVNDatePaiementExit", "cVNDatePaiement", B::LimiteDateDeb, B::LimiteDateFin},
        {"cVNDateAnnulationExit", "cVNDateAnnulation", B::LimiteDateDeb, B::LimiteDateFin},
        {"cDateDisponibiliteExit", "cDateDisponibilite", B::ServerNow, B::None},
        {"cVNDateDisponibiliteExit", "cVNDateDisponibilite", B::ServerNow, B::None},
        {"vMECExit", "vMEC", B::None, B::ServerNow},
        {"vDateOrdreExit", "vDateOrdre", B::None, B::ServerNow},
        {"vDateLastSAVExit", "vDateLastSAV", B::None, B::ServerNow},
        {"vDateNextSAVExit", "vDateNextSAV", B::ServerNow, B::None},
        {"vDateFinGarantieExit", "vDateFinGarantie", B::VehicleStart, B::None},
        {"vDateFinFinancementExit", "vDateFinFinancement", B::VehicleStart, B::None},
        {"aCliDateNaissanceExit", "aCliDateNaissance", B::None, B::AdultBirth},
    };
    return rules;
}

const DateExitRule* dateExitRule(const QString& control)
{
    const auto& rules = dateExitRules();
    const auto it = std::find_if(rules.begin(), rules.end(),
                                 [&](const DateExitRule& r) { return control == QLatin1String(r.control); });
    return it == rules.end() ? nullptr : &*it;
}

QDate adultBirthLimit(const QDate& today) { return today.addYears(-18); }

std::optional<DateRange> exitRange(const DateExitRule& rule, const DateLimits& limits)
{
    QDate vehicleStart = readDate(limits.vDateOrdre);
    if (!vehicleStart.isValid())
        vehicleStart = readDate(limits.vMEC);
    const auto bound = [&](DateBound b) -> QDate {
        switch (b) {
        case DateBound::None: return {};
        case DateBound::ServerNow: return limits.serverNow;
        case DateBound::LimiteDateDeb: return limits.limiteDateDeb;
        case DateBound::LimiteDateFin: return limits.limiteDateFin;
        case DateBound::VehicleStart: return vehicleStart;
        case DateBound::AdultBirth: return adultBirthLimit(limits.localToday);
        }
        return {};
    };
    if ((rule.lowest == DateBound::VehicleStart || rule.highest == DateBound::VehicleStart) &&
        !vehicleStart.isValid())
        return std::nullopt;
    return DateRange{bound(rule.lowest), bound(rule.highest)};
}

namespace {

// A grid date: the edited and loaded texts read as dates, today when they
// are none; refused when wrong and changed. A typed text that is no date
// would be stored as no date at all, so it is refused too.
GridDateDecision gridDate(const QString& edited, const QString& loaded, const QString& column,
                          const DateRange& range, const QDate& today, const QString& caption)
{
    GridDateDecision decision;
    QDate newDate = readDate(edited);
    if (!newDate.isValid() && !isBlankDate(edited) && edited != loaded) {
        decision = {true, caption, unreadableDateMessage(column)};
        return decision;
    }
    if (!newDate.isValid())
        newDate = today;
    QDate oldDate = readDate(loaded);
    if (!oldDate.isValid())
        oldDate = today;
    const bool wrong = newDate == kZeroDate || outOfRange(newDate, range);
    if (!wrong || newDate == oldDate)
        return decision;
    QString message = dateRangeMessage(column, range);
    if (message.isEmpty())
        message = unreadableDateMessage(column);
    return {true, caption, message};
}

}  // namespace

GridDateDecision acceptCostDate(const QString& edited, const QString& loaded, const QString& column,
                                const DateRange& range, const QDate& today)
{
    return gridDate(edited, loaded, column, range, today, kCostDateCaption);
}

GridDateDecision acceptActionDate(const QString& edited, const QString& loaded, const QString& column,
                                  const DateRange& range, const QDate& today)
{
    return gridDate(edited, loaded, column, range, today, kActionDateCaption);
}

GridDateDecision acceptReminderDate(const QString& edited, const QString& loaded, const QString& column,
                                    const QDate& serverNow, const QDate& today)
{
    return gridDate(edited, loaded, column, DateRange{serverNow, {}}, today, kReminderDateCaption);
}

}  // namespace stanor::rules
