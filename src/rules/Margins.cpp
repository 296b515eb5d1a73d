#include "rules/Margins.h"

#include "rules/Values.h"

namespace stanor::rules {

std::optional<qint64> vatRateHundredths(const QString& percent)
{
    const std::optional<Cents> rate = readAmount(percent);
    if (!rate || *rate < 0)
        return std::nullopt;
    return *rate;
}

MarginTexts UpdateTVAetMarges(const MarginInputs& in)
{
    MarginTexts out;
    QString costText = in.FrevoValue;
    costText.remove(u' ');
    const Cents costs = amountOrZero(costText);
    out.cTotFrevo = showAmount(costs);
    if (in.vatModeCount <= 0)
        return out;
    const std::optional<qint64> rate = vatRateHundredths(in.vatRate);
    if (!rate) {
        out.rateMissing = true;
        return out;
    }
    out.computed = true;
    constexpr qint64 kWhole = 10000;  // 100 % in hundredths of a percent
    const qint64 taxIncluded = kWhole + *rate;

    const bool marginScheme = in.vatModeIndex == 1;
    const Cents difference = amountOrZero(in.cPrixVente) - amountOrZero(in.cPrixReprise);
    const Cents vat = marginScheme ? 0 : divideRounded(difference * *rate, taxIncluded);
    out.ccTVA = showAmount(vat);

    // The gross margin takes the VAT as shown, rounded to the cent. In the
    // margin scheme it is a tax-included figure brought back without tax,
    // kept as the fraction gross / den until the net margin is rounded.
    const Cents gross = amountOrZero(in.cTPVO) + difference - vat;
    const qint64 den = marginScheme ? taxIncluded : 1;
    const qint64 grossScaled = marginScheme ? gross * kWhole : gross;  // gross / (1 + rate)
    out.cMBrute = showAmount(divideRounded(grossScaled, den));
    const qint64 net = grossScaled - (costs + amountOrZero(in.cPrixGarantie)) * den;
    out.cMNette = showAmount(divideRounded(net, den));
    return out;
}

}  // namespace stanor::rules
