#pragma once
// VAT and margins of a used vehicle on the form: every change of a price,
// of the VAT mode or of the cost total recomputes the VAT due, the gross and
// the net margin (as Margins computes them), after the new-vehicle balance
// and due dates.

#include "pages/EventBindings.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

namespace stanor::pages {
class FieldHooks;
}

namespace stanor::rules {

class NewVehicleHandlers;

class PriceHandlers {
public:
    PriceHandlers(pages::FieldHooks& hooks, pages::RecordViewState& state, pages::RecordViewForm& form,
                  NewVehicleHandlers& newVehicle)
        : hooks_(hooks), s_(state), f_(form), newVehicle_(newVehicle) {}

    // Installs cModeTVAChange, cPrixVenteChange, cPrixRepriseChange,
    // cPrixGarantieChange and cTPVOChange.
    void install(pages::PageHandlers& handlers);

    // The single recomputation of the pricing rules; nothing while a record
    // is being loaded.
    void UpdateTVAetMarges();

private:
    pages::FieldHooks& hooks_;
    pages::RecordViewState& s_;
    pages::RecordViewForm& f_;
    NewVehicleHandlers& newVehicle_;
};

}  // namespace stanor::rules
