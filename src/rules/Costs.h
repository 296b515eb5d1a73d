#pragma once
// Reconditioning-cost totals of a used vehicle and the rule of the
// file-handling fee added as a fixed-cost line.

#include "rules/Values.h"

#include <QDate>
#include <QString>

#include <utility>
#include <vector>

namespace stanor::rules {

// Cost types, compared in upper case; every other type, empty included, is
// an estimate.
enum class CostKind { Fixed, Internal, External, Estimate };
CostKind costKind(const QString& type);

// The current values of the cells DateFrevo, TypeFrevo and MontantHT of one
// cost line.
struct CostLine {
    QString date;
    QString type;
    QString amount;
};

struct CostTotals {
    Cents all = 0;
    Cents fixed = 0;
    Cents internal = 0;
    Cents external = 0;
    Cents estimate = 0;
    void add(CostKind kind, Cents amount);
};

struct CostSummary {
    CostTotals total;     // every line
    CostTotals monthEnd;  // lines dated before `limit`
    QDate limit;          // first day of the month after the delivery date
};

// The first day of the month after the delivery date, or after today when
// the delivery date is no date.
QDate monthEndLimit(const QString& deliveryDate, const QDate& today);

// Sums the lines by type, and by type again over the lines dated before the
// month-end limit. An unreadable amount adds 0; an undated line counts as
// dated today.
CostSummary UpdateCumulFrevo(const std::vector<CostLine>& lines, const QString& deliveryDate,
                             const QDate& today);

// The texts of the ten total controls, named, in the order they are shown:
// the plain totals, then the month-end totals. A zero total shows "".
std::vector<std::pair<QString, QString>> costTotalTexts(const CostSummary& summary);

// The text FrevoValue takes: the overall total as cFrevo shows it.
QString FrevoValue(const CostSummary& summary);

// Whether saving the vehicle adds the site's file-handling fee as a
// fixed-cost line: destined to private buyers, no fixed cost yet, and a fee
// that is not zero.
bool fixedCostDue(const QString& destination, bool hasFixedCostLine, Cents fee);

}  // namespace stanor::rules
