#pragma once
// The accounting follow-up of a new vehicle on the form: the balance and the
// two computed due dates follow the prices, dates and financing type; the
// invoice and purchase dates follow each other; a change of the order is
// stamped with the server's date; the manufacturing date shows its week;
// the accounting panel folds. The computations are those of NewVehicleDates.

#include "pages/EventBindings.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"
#include "rules/NewVehicleDates.h"

#include <vector>

class QWidget;

namespace stanor::pages {
class FieldHooks;
}

namespace stanor::rules {

class NewVehicleHandlers {
public:
    NewVehicleHandlers(pages::FieldHooks& hooks, pages::RecordViewState& state, pages::RecordViewForm& form)
        : hooks_(hooks), s_(state), f_(form) {}

    // Installs the change handlers of the new-vehicle page and the panel's click.
    void install(pages::PageHandlers& handlers);

    // cVNSolde from the prices, the trade-in and the deposit.
    void UpdateSoldeVN();
    // cVNDateEchTresorerie and cVNDateEchReglement from the dates and the
    // financing delays of the reference lists.
    void UpdateDateEcheanceTresorerie();
    // Records an order field and stamps cVNDateUpdateCde when it differs
    // from its loaded value.
    void cVNControlChange(QWidget* sender);
    // Records a date or the financing type, then the due dates follow.
    void cVNDateEch(QWidget* sender);
    // Folds PanelCompta to its title, or unfolds it.
    void LbPanelComptaClick();

    // The "TypeFinancementDelai" entries of the reference lists, in order.
    std::vector<ParsEntry> financingDelays() const;

private:
    // The value of a field control: EditChange for edits and dates,
    // CBoxChange for lists (whose value may be a position).
    void record(QWidget* sender);
    // The other date takes the changed one's text when it is a new valid date.
    void mirror(const char* changed, const char* other);
    void showWeekLabel();
    QString text(const char* name);
    void setText(const char* name, const QString& value);

    pages::FieldHooks& hooks_;
    pages::RecordViewState& s_;
    pages::RecordViewForm& f_;
    int unfoldedHeight_ = 0;
};

}  // namespace stanor::rules
