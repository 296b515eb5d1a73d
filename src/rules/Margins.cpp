#include "rules/Margins.h"

#include "rules/Values.h"

namespace stanor::rules {

MarginTexts UpdateTVAetMarges(const MarginInputs& in)
{
    MarginTexts out;
    QString costText = in.FrevoValue;
    costText.remove(u' ');
    const Cents costs = amountOrZero(costText);
    out.cTotFrevo = showAmount(costs);
    if (in.vatModeCount <= 0)
        return out;
    out.computed = true;

    const bool marginScheme = in.vatModeIndex == 1;
    const Cents difference = amountOrZero(in.cPrixVente) - amountOrZero(in.cPrixReprise);
    const Cents vat = marginScheme ? 0 : divideRounded(difference * kVatRateNumerator, kVatRateTaxIncluded);
    out.ccTVA = showAmount(vat);

    // The gross margin takes the VAT as shown, rounded to the cent. In the
    // margin scheme it is a tax-included figure brought back without tax,
    // kept as the fraction gross / den until the net margin is rounded.
    const Cents gross = amountOrZero(in.cTPVO) + difference - vat;
    const qint64 den = marginScheme ? kVatRateTaxIncluded : 1;
    const qint64 grossScaled = marginScheme ? gross * 1000 : gross;  // gross / 1.196 = gross * 1000 / 1196
    out.cMBrute = showAmount(divideRounded(grossScaled, den));
    const qint64 net = grossScaled - (costs + amountOrZero(in.cPrixGarantie)) * den;
    out.cMNette = showAmount(divideRounded(net, den));
    return out;
}

}  // namespace stanor::rules
