#include "rules/NewVehicleDates.h"

#include "rules/Values.h"

namespace stanor::rules {

QString UpdateSoldeVN(const QString& salePrice, const QString& financed, const QString& tradeInPrice,
                      const QString& deposit)
{
    return showAmount(amountOrZero(salePrice) - amountOrZero(financed) - amountOrZero(tradeInPrice) -
                      amountOrZero(deposit));
}

namespace {

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

constexpr int kDaysAfterDelivery = 5;
constexpr int kDelayWithoutMatch = 30;
constexpr int kDelayUnreadable = 10;
constexpr int kDelayTextMax = 99;

}  // namespace

int financingDelay(const QString& financingType, const std::vector<ParsEntry>& pars)
{
    if (financingType.isEmpty())
        return 0;
    const QString prefix = financingType.toUpper() + QStringLiteral(" : ");
    const auto isDelay = [](const ParsEntry& e) {
        return e.type.toUpper() == QLatin1String("TYPEFINANCEMENTDELAI");
    };
    auto it = pars.begin();
    while (it != pars.end() && !isDelay(*it))
        ++it;
    int days = 0;
    for (; it != pars.end() && isDelay(*it); ++it) {
        const QString text = it->text.toUpper();
        if (days == 0)
            days = wholeNumber(text).value_or(kDelayWithoutMatch);
        if (text.startsWith(prefix))
            return wholeNumber(text.mid(prefix.size(), kDelayTextMax)).value_or(kDelayUnreadable);
    }
    return days;
}

DueDates UpdateDateEcheanceTresorerie(const DueDateInputs& in, const std::vector<ParsEntry>& pars)
{
    QDate delivery = readDate(in.delivery);
    if (!delivery.isValid())
        delivery = readDate(in.availability);
    const QDate supplierDue = readDate(in.supplierDue);
    const QDate declared = readDate(in.declaredDelivered);
    const bool purchased = readDate(in.purchase).isValid();

    QDate treasury;
    if (!purchased) {
        treasury = delivery;
    } else if (declared.isValid()) {
        const QDate later = delivery.isValid() && delivery > declared ? delivery : declared;
        treasury = later.addDays(kDaysAfterDelivery);
    } else if (!delivery.isValid()) {
        treasury = supplierDue;
    } else {
        // Five days after delivery, no later than the supplier's due date;
        // with no supplier due date, five days after delivery.
        const QDate afterDelivery = delivery.addDays(kDaysAfterDelivery);
        treasury = supplierDue.isValid() && afterDelivery > supplierDue ? supplierDue : afterDelivery;
    }
    if (!treasury.isValid())
        return {};
    return {showDate(treasury), showDate(treasury.addDays(financingDelay(in.financingType, pars)))};
}

std::optional<QString> mirroredDate(const QString& changedText, const QString& otherText)
{
    if (changedText == otherText || !readDate(changedText).isValid())
        return std::nullopt;
    return changedText;
}

std::optional<QString> orderChangeStamp(const QString& currentValue, const QString& loadedValue,
                                        const QDate& serverNow)
{
    if (currentValue == loadedValue || !serverNow.isValid())
        return std::nullopt;
    return showDate(serverNow);
}

QString weekLabel(const QString& dateText)
{
    const QDate date = readDate(dateText);
    if (!date.isValid())
        return {};
    const QDate firstDay(date.year(), 1, 1);
    const int sundayBased = firstDay.dayOfWeek() % 7 + 1;  // 1 = Sunday ... 7 = Saturday
    const qint64 week = (firstDay.daysTo(date) + sundayBased - 1) / 7;
    return QString::number(date.year()) + u's' + QString::number(week).rightJustified(2, u'0');
}

}  // namespace stanor::rules
