#include "rules/PriceHandlers.h"

#include "pages/FieldHooks.h"
#include "rules/Margins.h"
#include "rules/NewVehicleHandlers.h"
#include "toolkit/Controls.h"

namespace stanor::rules {

void PriceHandlers::UpdateTVAetMarges()
{
    if (s_.PageFilling)
        return;
    newVehicle_.UpdateSoldeVN();
    newVehicle_.UpdateDateEcheanceTresorerie();

    const auto* mode = f_.get<toolkit::ComboBox>(QStringLiteral("cModeTVA"));
    MarginInputs in;
    in.cPrixVente = f_.text(QStringLiteral("cPrixVente"));
    in.cPrixReprise = f_.text(QStringLiteral("cPrixReprise"));
    in.cTPVO = f_.text(QStringLiteral("cTPVO"));
    in.cPrixGarantie = f_.text(QStringLiteral("cPrixGarantie"));
    // A vehicle being created has no costs yet; the answer still at hand is
    // the one of the vehicle shown before it.
    in.FrevoValue = s_.FlagNewEnreg ? QString() : s_.FrevoValue;
    in.vatModeCount = mode ? mode->count() : 0;
    in.vatModeIndex = mode ? mode->currentIndex() : -1;
    in.vatRate = s_.VatRate;
    const MarginTexts out = rules::UpdateTVAetMarges(in);
    f_.setCaption(QStringLiteral("cTotFrevo"), out.cTotFrevo);
    if (out.rateMissing) {
        // No figures at a rate that is not the dealership's.
        for (const char* name : {"ccTVA", "cMBrute", "cMNette"})
            f_.setCaption(QLatin1String(name), QString());
        return;
    }
    if (!out.computed)
        return;
    f_.setCaption(QStringLiteral("ccTVA"), out.ccTVA);
    f_.setCaption(QStringLiteral("cMBrute"), out.cMBrute);
    f_.setCaption(QStringLiteral("cMNette"), out.cMNette);
}

void PriceHandlers::install(pages::PageHandlers& handlers)
{
    using pages::EventArgs;
    handlers.set(QStringLiteral("cModeTVAChange"), [this](EventArgs& a) {
        hooks_.CBoxChange(a.sender);
        UpdateTVAetMarges();
    });
    for (const char* name : {"cPrixVenteChange", "cPrixRepriseChange", "cPrixGarantieChange", "cTPVOChange"})
        handlers.set(QLatin1String(name), [this](EventArgs& a) {
            hooks_.EditChange(a.sender);
            UpdateTVAetMarges();
        });
}

}  // namespace stanor::rules
