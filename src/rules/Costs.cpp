#include "rules/Costs.h"

namespace stanor::rules {

CostKind costKind(const QString& type)
{
    const QString t = type.toUpper();
    if (t == QLatin1String("FIXE"))
        return CostKind::Fixed;
    if (t == QLatin1String("INTERNE"))
        return CostKind::Internal;
    if (t == QLatin1String("EXTERNE"))
        return CostKind::External;
    return CostKind::Estimate;
}

void CostTotals::add(CostKind kind, Cents amount)
{
    all += amount;
    switch (kind) {
    case CostKind::Fixed: fixed += amount; break;
    case CostKind::Internal: internal += amount; break;
    case CostKind::External: external += amount; break;
    case CostKind::Estimate: estimate += amount; break;
    }
}

QDate monthEndLimit(const QString& deliveryDate, const QDate& today)
{
    QDate from = readDate(deliveryDate);
    if (!from.isValid())
        from = today;
    if (!from.isValid())
        return {};
    return QDate(from.year(), from.month(), 1).addMonths(1);
}

CostSummary UpdateCumulFrevo(const std::vector<CostLine>& lines, const QString& deliveryDate,
                             const QDate& today)
{
    CostSummary s;
    s.limit = monthEndLimit(deliveryDate, today);
    for (const CostLine& line : lines) {
        const CostKind kind = costKind(line.type);
        const Cents amount = amountOrZero(line.amount);
        QDate date = readDate(line.date);
        if (!date.isValid())
            date = today;
        s.total.add(kind, amount);
        if (date.isValid() && s.limit.isValid() && date < s.limit)
            s.monthEnd.add(kind, amount);
    }
    return s;
}

std::vector<std::pair<QString, QString>> costTotalTexts(const CostSummary& s)
{
    const auto row = [](const char* control, Cents total) {
        return std::pair<QString, QString>(QString::fromLatin1(control), showAmountOrEmpty(total));
    };
    return {
        row("cFrevoPrevision", s.total.estimate), row("cFrevoFixe", s.total.fixed),
        row("cFrevoInterne", s.total.internal),   row("cFrevoExterne", s.total.external),
        row("cFrevo", s.total.all),               row("cFrevoPrevFDM", s.monthEnd.estimate),
        row("cFrevoFixeFDM", s.monthEnd.fixed),   row("cFrevoIntFDM", s.monthEnd.internal),
        row("cFrevoExtFDM", s.monthEnd.external), row("cFrevoTotFDM", s.monthEnd.all),
    };
}

QString FrevoValue(const CostSummary& s) { return showAmountOrEmpty(s.total.all); }

bool fixedCostDue(const QString& destination, bool hasFixedCostLine, Cents fee)
{
    return destination.toUpper() == QLatin1String("PARTICULIERS") && !hasFixedCostLine && fee != 0;
}

}  // namespace stanor::rules
