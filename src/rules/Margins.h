#pragma once
// VAT due on the sale of a used vehicle, its gross and net margins.

#include <QString>

#include <optional>

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
    QString vatRate;        // the dealership's VAT rate in percent ("20.00", "19.6")
};

struct MarginTexts {
    QString cTotFrevo;
    // False when the VAT-mode list has no items: the three results below are
    // then not computed and their controls keep their text.
    bool computed = false;
    // The dealership's VAT rate is unknown (empty, unreadable or negative):
    // nothing is computed, and the three results are shown empty rather
    // than figures at some rate that is not the dealership's.
    bool rateMissing = false;
    QString ccTVA;
    QString cMBrute;
    QString cMNette;
};

// A VAT rate in hundredths of a percent (20.00 % is 2000), as the fraction
// of a tax-included price that is tax (rate / (10000 + rate)) and the
// tax-excluded share of it (10000 / (10000 + rate)); nothing when the text
// is no rate.
std::optional<qint64> vatRateHundredths(const QString& percent);

// VAT: the tax contained in sale minus purchase price, or none in the
// second mode. Gross margin: cTPVO + sale - purchase - the VAT as shown;
// in the second mode taken without tax. Net margin: the gross margin at
// full precision less the costs and the warranty. Prices that are not
// numbers count as 0; results are "0.00" texts.
MarginTexts UpdateTVAetMarges(const MarginInputs& in);

}  // namespace stanor::rules
