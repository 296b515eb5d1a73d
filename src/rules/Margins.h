#pragma once
// VAT due on the sale of a used vehicle, its gross and net margins.

#include <QString>

namespace stanor::rules {

// The texts of the used-vehicle page's price controls, the cost total
// (FrevoValue) and the VAT-mode list.
struct MarginInputs {
    QString cPrixVente;     // sale price, tax included
    QString cPrixReprise;   // purchase (trade-in) price
    QString cTPVO;          // added to the gross margin
    QString cPrixGarantie;  // warranty, deducted from the net margin
    QString FrevoValue;     // reconditioning cost total
    int vatModeCount = 0;   // items of cModeTVA
    int vatModeIndex = -1;  // its selected item; 1 selects the margin-scheme mode
};

struct MarginTexts {
    QString cTotFrevo;
    // False when the VAT-mode list has no items: the three results below are
    // then not computed and their controls keep their text.
    bool computed = false;
    QString ccTVA;
    QString cMBrute;
    QString cMNette;
};

// The VAT rate, 19.6 %, as the fraction of a tax-included price that is tax
// (0.196 / 1.196) and the tax-excluded share of it (1 / 1.196).
inline constexpr int kVatRateNumerator = 196;
inline constexpr int kVatRateTaxIncluded = 1196;

// VAT: the tax contained in sale minus purchase price, or none in the
// second mode. Gross margin: cTPVO + sale - purchase - the VAT as shown;
// in the second mode taken without tax. Net margin: the gross margin at
// full precision less the costs and the warranty. Prices that are not
// numbers count as 0; results are "0.00" texts.
MarginTexts UpdateTVAetMarges(const MarginInputs& in);

}  // namespace stanor::rules
