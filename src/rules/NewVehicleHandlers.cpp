#include "rules/NewVehicleHandlers.h"

#include "pages/FieldHooks.h"
#include "pages/RefLists.h"
#include "toolkit/Controls.h"

namespace stanor::rules {

namespace {

constexpr int kFoldedHeight = 25;

}  // namespace

QString NewVehicleHandlers::text(const char* name) { return f_.text(QLatin1String(name)); }

void NewVehicleHandlers::setText(const char* name, const QString& value)
{
    // Only a change of the text raises the control's change event.
    if (f_.text(QLatin1String(name)) != value)
        f_.setCaption(QLatin1String(name), value);
}

void NewVehicleHandlers::record(QWidget* sender)
{
    if (qobject_cast<toolkit::ComboBox*>(sender))
        hooks_.CBoxChange(sender);
    else
        hooks_.EditChange(sender);
}

void NewVehicleHandlers::UpdateSoldeVN()
{
    // The values being loaded are shown as stored; the balance follows the
    // user's changes and the recomputation that ends the loading.
    if (s_.PageFilling)
        return;
    setText("cVNSolde", rules::UpdateSoldeVN(text("cVNPrixVente"), text("cVNVFinancement"), text("cVNReprPrix"),
                                             text("cVNMontantAcompte")));
}

std::vector<ParsEntry> NewVehicleHandlers::financingDelays() const
{
    const QString type = QStringLiteral("TypeFinancementDelai");
    std::vector<ParsEntry> out;
    if (const auto items = pages::RefLists(s_.EquipXml).parsItems(type))
        for (const QString& t : *items)
            out.push_back({type, t});
    return out;
}

void NewVehicleHandlers::UpdateDateEcheanceTresorerie()
{
    if (s_.PageFilling)
        return;
    const DueDates d = rules::UpdateDateEcheanceTresorerie(
        {text("cVNDateLivraison"), text("cVNDateDisponibilite"), text("cVNDateDeclareLivre"), text("cVNDateAchat"),
         text("cVNDateEcheance"), text("cVNTypeFinancement")},
        financingDelays());
    setText("cVNDateEchTresorerie", d.treasury);
    setText("cVNDateEchReglement", d.settlement);
}

void NewVehicleHandlers::cVNDateEch(QWidget* sender)
{
    record(sender);
    UpdateDateEcheanceTresorerie();
}

void NewVehicleHandlers::cVNControlChange(QWidget* sender)
{
    const pages::TsDesc* d = hooks_.rowOf(sender);
    if (d && d->ControlType == pages::ControlType::Edit)
        hooks_.EditChange(sender);
    else
        hooks_.CBoxChange(sender);
    // Loading a record is no change of its order.
    if (!d || s_.PageFilling)
        return;
    if (const auto stamp = orderChangeStamp(d->CurrentValue, d->LoadedValue, s_.dates.ServerNow))
        setText("cVNDateUpdateCde", *stamp);
}

void NewVehicleHandlers::mirror(const char* changed, const char* other)
{
    if (s_.PageFilling)
        return;
    if (const auto text = mirroredDate(f_.text(QLatin1String(changed)), f_.text(QLatin1String(other))))
        setText(other, *text);
}

void NewVehicleHandlers::showWeekLabel()
{
    f_.setVisible(QStringLiteral("LbDateFabrication"), true);
    f_.setCaption(QStringLiteral("LbDateFabrication"), weekLabel(text("cVNDateFabrication")));
}

void NewVehicleHandlers::LbPanelComptaClick()
{
    QWidget* panel = f_.widget(QStringLiteral("PanelCompta"));
    if (!panel)
        return;
    QRect r = panel->geometry();
    if (r.height() != kFoldedHeight) {
        // Folded to its title line, which takes the place of its bottom.
        unfoldedHeight_ = r.height();
        r.translate(0, unfoldedHeight_ - kFoldedHeight);
        r.setHeight(kFoldedHeight);
    } else if (unfoldedHeight_ > kFoldedHeight) {
        r.translate(0, kFoldedHeight - unfoldedHeight_);
        r.setHeight(unfoldedHeight_);
    }
    panel->setGeometry(r);
    panel->raise();
}

void NewVehicleHandlers::install(pages::PageHandlers& handlers)
{
    using pages::EventArgs;
    handlers.set(QStringLiteral("cVNMontantAchatChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        UpdateSoldeVN();
    });
    for (const char* name : {"cVNDateEcheanceChange", "cVNDateDeclareLivreChange", "cVNDateDisponibiliteChange",
                             "cVNDateLivraisonChange", "cVNTypeFinancementChange"})
        handlers.set(QLatin1String(name), [this](EventArgs& a) { cVNDateEch(a.sender); });
    handlers.set(QStringLiteral("cVNDateAchatChange"), [this](EventArgs& a) {
        cVNDateEch(a.sender);
        mirror("cVNDateAchat", "cVNDateFacture");
    });
    handlers.set(QStringLiteral("cVNSituationAchatChange"), [this](EventArgs& a) {
        hooks_.CBoxChange(a.sender);
        UpdateDateEcheanceTresorerie();
    });
    // The delay chosen is stored like any list field; it moves no date.
    handlers.set(QStringLiteral("cVNTypeFinancementDelaiChange"), [this](EventArgs& a) { hooks_.CBoxChange(a.sender); });
    for (const char* name : {"cVNStatutVNChange", "cVNDateCdeVWChange", "cVNDateDebutGarantieChange"})
        handlers.set(QLatin1String(name), [this](EventArgs& a) { cVNControlChange(a.sender); });
    handlers.set(QStringLiteral("cVNDateFactureChange"), [this](EventArgs& a) {
        cVNControlChange(a.sender);
        UpdateDateEcheanceTresorerie();
        mirror("cVNDateFacture", "cVNDateAchat");
    });
    handlers.set(QStringLiteral("cVNDateFabricationChange"), [this](EventArgs& a) {
        cVNControlChange(a.sender);
        showWeekLabel();
    });
    handlers.set(QStringLiteral("LbPanelComptaClick"), [this](EventArgs&) { LbPanelComptaClick(); });
}

}  // namespace stanor::rules
