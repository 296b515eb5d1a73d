#include "pages/EventBindings.h"

#include "pages/DesignedControls.h"
#include "toolkit/FieldControl.h"
#include "toolkit/Grid.h"

#include <QTreeWidget>

namespace stanor::pages {

namespace {

using E = EventKind;
constexpr char kBoundProperty[] = "designedEvents";

void many(std::vector<EventBinding>& t, E event, const char* handler, std::initializer_list<const char*> controls) {
    for (const char* c : controls) t.push_back({c, event, handler});
}

std::vector<EventBinding> build() {
    std::vector<EventBinding> t;

    // Handlers shared by several controls.
    many(t, E::KeyDown, "CBoxKeyDown",
         {"cVDInfoMarque", "cVDInfoModele", "cVDCarrosserie", "cVDBoiteVitesse", "cVDNbPortes", "cVDEnergie",
          "cVDInfoCouleur", "cVDStatutVD", "cVDInfoTypeVersion", "cVDInfoCouleurInt", "cVNInfoMarque",
          "cVNInfoModele", "cVNVendeur", "cVNAcheteur", "cVNTypeFinancement", "cVNReprMarque",
          "cVNInfoTypeVersion", "cVNStatutVN", "cVNInfoCouleurInt", "cVNInfoCouleur", "cVNStatutVD",
          "cVNSituationAchat", "cVNTypeFinancementDelai", "vInfoMarque", "vInfoModele", "vTypeFinancement",
          "vSatisfVehicle", "vSatisfSAV", "cPAPAModele1", "cPAPAMarque1", "cPAPAMarque2", "cPAPAModele2"});
    many(t, E::Change, "cTPVOChange",
         {"cTPVO", "cVFinancement", "cMontantReprise", "cMtComIntermediaire", "cMtComVendeur", "cComFinPrevue",
          "cComFinRecue", "cVDPrixVente", "cVDPrixCatalogue", "cVNVFinancement", "cVNComFinPrevue",
          "cVNComFinRecue", "cVNPrixCatalogue"});
    many(t, E::Change, "cCVKMSChange", {"cCV", "cKMS", "cVDCV", "cVDKMS", "cVNCV", "aCliNbEnfants", "vKMS"});
    many(t, E::Change, "cVNMontantAchatChange", {"cVNReprPrix", "cVNPrixVente", "cVNMontantAchat", "cVNMontantAcompte"});
    many(t, E::Change, "cNVOChange", {"cNVO", "cVDNVO", "cVNNVO"});
    many(t, E::Change, "cSiteChange", {"cSite", "cVDSite", "cVNSite"});
    many(t, E::Change, "cInfoCouleurChange", {"cInfoCouleur", "cVDInfoCouleur", "cVNInfoCouleur"});
    many(t, E::Change, "cDateEntreeChange", {"cDateEntree", "cDateOrdre"});
    many(t, E::Change, "cDestinationChange", {"cDestination", "cVNDestination"});
    many(t, E::Change, "cModeTVAChange", {"cModeTVA", "vTypeVO"});
    many(t, E::Change, "cInfoVesionChange", {"cInfoVersion", "vInfoTypeVersion"});
    many(t, E::Change, "cVNDateEcheanceChange", {"cVNDateEcheance", "cVNDateRecFinancement"});

    // Handlers named after their control.
    for (const char* c :
         {"aCliCivilite", "aCliEmail", "aCliMobile", "aCliNom", "aCliPrenom", "aCliTelDom", "aSite", "cInfoMarque",
          "cInfoModele", "cPrixGarantie", "cPrixReprise", "cPrixVente", "cVDInfoMarque", "cVDInfoModele",
          "cVDInfoTypeVersion", "cVNDateAchat", "cVNDateCdeVW", "cVNDateDebutGarantie", "cVNDateDeclareLivre",
          "cVNDateDisponibilite", "cVNDateFabrication", "cVNDateFacture", "cVNDateLivraison", "cVNInfoMarque",
          "cVNInfoModele", "cVNInfoTypeVersion", "cVNInfoVersion", "cVNSituationAchat", "cVNStatutVN",
          "cVNTypeFinancement", "cVNTypeFinancementDelai", "vInfoMarque", "vInfoModele", "cPAPAMarque1",
          "cPAPAMarque2"})
        t.push_back({c, E::Change, nullptr});
    for (const char* c :
         {"aCliDateNaissance", "cDateDisponibilite", "cDateEntree", "cDateLivraison", "cDateOrdre", "cDatePaiement",
          "cDatePresFinancement", "cDateValidationGarantie", "cMEC", "cVDMEC", "cVNDateAnnulation",
          "cVNDateDisponibilite", "cVNDateLivraison", "cVNDateOrdre", "cVNDatePaiement", "cVNDatePresFinancement",
          "cVNMEC", "vDateFinFinancement", "vDateFinGarantie", "vDateLastSAV", "vDateNextSAV", "vDateOrdre", "vMEC",
          "cVDInfoOptions", "cVNInfoOptions"})
        t.push_back({c, E::Exit, nullptr});
    for (const char* c : {"cVDInfoOptions", "cVNInfoOptions"}) t.push_back({c, E::Enter, nullptr});
    for (const char* c : {"aCliMobile", "aCliNom", "aCliPrenom", "aCliTelBur", "aCliTelDom", "aCliVille",
                          "aCliAdresse1", "aCliAdresse2", "cImmatriculation", "cVDImmatriculation",
                          "cVNImmatriculation", "vImmatriculation", "vInfoTypeVersion", "vInfoVersion"})
        t.push_back({c, E::KeyPress, nullptr});
    for (const char* c : {"aCliMobile", "aCliNom", "aCliPrenom", "aCliTelDom"}) t.push_back({c, E::DblClick, nullptr});
    for (const char* c : {"czCmdSelPathListImage", "czCmdRefreshListImage", "czCmdAssociateImage",
                          "czCmdAssociateImageBlur", "czCmdDefaultImageVO", "czCmdDeleteImageVO", "czFeuilleMarge",
                          "czVDOptions", "czVNOptions", "JvXPBtnNewAction", "JvXPBtnNewVehicle", "JvXPBtnSMS",
                          "LbPanelCompta", "DblIdent", "DblMobile", "DblNom", "DblTelDom"})
        t.push_back({c, E::Click, nullptr});
    for (const char* c : {"cListImageSource", "cListImageVO"}) t.push_back({c, E::SelectItem, nullptr});
    for (const char* g : {"ngFrevo", "ngAction"}) {
        t.push_back({g, E::EditAccept, nullptr});
        t.push_back({g, E::CellChange, nullptr});
        t.push_back({g, E::BeforeSelect, nullptr});
        t.push_back({g, E::CellClick, nullptr});
    }
    t.push_back({"ngVehicles", E::BeforeSelect, nullptr});
    t.push_back({"ngVehicles", E::SelectCell, nullptr});
    return t;
}

const char* suffix(E e) {
    switch (e) {
    case E::Change: case E::CellChange: return "Change";
    case E::Enter: return "Enter";
    case E::Exit: return "Exit";
    case E::Click: return "Click";
    case E::DblClick: return "DblClick";
    case E::KeyDown: return "KeyDown";
    case E::KeyUp: return "KeyUp";
    case E::KeyPress: return "KeyPress";
    case E::EditAccept: return "EditAccept";
    case E::BeforeSelect: return "BeforeSelect";
    case E::SelectCell: return "SelectCell";
    case E::CellClick: return "CellClick";
    case E::SelectItem: return "SelectItem";
    }
    return "";
}

}  // namespace

const std::vector<EventBinding>& eventBindings() {
    static const std::vector<EventBinding> table = [] {
        std::vector<EventBinding> t = build();
        // A handler named after its control: control name + event.
        static std::vector<QByteArray> names;
        names.reserve(t.size());
        for (EventBinding& b : t)
            if (!b.handler) {
                names.push_back(QByteArray(b.control) + suffix(b.event));
                b.handler = names.back().constData();
            }
        return t;
    }();
    return table;
}

void PageHandlers::dispatch(const QString& name, EventArgs& args) const {
    if (stopped_) return;
    auto it = handlers_.constFind(name);
    if (it != handlers_.cend()) (*it)(args);
    else if (fallback) fallback(name, args);
}

void bindEvent(QWidget* control, EventKind event, const QString& handler, PageHandlers& handlers) {
    if (!control) return;
    PageHandlers* h = &handlers;
    auto run = [h, handler, control, event](EventArgs a) {
        a.sender = control;
        a.event = event;
        h->dispatch(handler, a);
    };
    if (auto* grid = qobject_cast<toolkit::Grid*>(control)) {
        switch (event) {
        case E::EditAccept:
            QObject::connect(grid, &toolkit::Grid::editAccept, grid, [run](int r, int c, const QString& v, bool& accept) {
                EventArgs a;
                a.row = r, a.col = c, a.value = v, a.allow = &accept;
                run(a);
            });
            return;
        case E::BeforeSelect:
            QObject::connect(grid, &toolkit::Grid::beforeSelect, grid, [run](int r, int c, bool& allow) {
                EventArgs a;
                a.row = r, a.col = c, a.allow = &allow;
                run(a);
            });
            return;
        case E::SelectCell:
        case E::CellClick:
        case E::CellChange: {
            auto sig = event == E::SelectCell ? &toolkit::Grid::selectCell
                       : event == E::CellClick ? &toolkit::Grid::cellClick
                                               : &toolkit::Grid::cellChange;
            QObject::connect(grid, sig, grid, [run](int r, int c) {
                EventArgs a;
                a.row = r, a.col = c;
                run(a);
            });
            return;
        }
        default: break;
        }
    }
    if (auto* tree = qobject_cast<QTreeWidget*>(control); tree && event == E::SelectItem) {
        QObject::connect(tree, &QTreeWidget::itemSelectionChanged, tree, [run] { run({}); });
        return;
    }
    toolkit::FieldControl* f = toolkit::asFieldControl(control);
    if (!f) return;
    toolkit::FieldEvents* ev = f->events();
    switch (event) {
    case E::Change: QObject::connect(ev, &toolkit::FieldEvents::changed, ev, [run] { run({}); }); break;
    case E::Enter: QObject::connect(ev, &toolkit::FieldEvents::entered, ev, [run] { run({}); }); break;
    case E::Exit: QObject::connect(ev, &toolkit::FieldEvents::exited, ev, [run] { run({}); }); break;
    case E::Click: QObject::connect(ev, &toolkit::FieldEvents::clicked, ev, [run] { run({}); }); break;
    case E::DblClick: QObject::connect(ev, &toolkit::FieldEvents::doubleClicked, ev, [run] { run({}); }); break;
    case E::KeyDown:
    case E::KeyUp: {
        auto sig = event == E::KeyDown ? &toolkit::FieldEvents::keyDown : &toolkit::FieldEvents::keyUp;
        QObject::connect(ev, sig, ev, [run](int& key, Qt::KeyboardModifiers shift) {
            EventArgs a;
            a.key = &key, a.shift = static_cast<int>(shift);
            run(a);
        });
        break;
    }
    case E::KeyPress:
        QObject::connect(ev, &toolkit::FieldEvents::keyPress, ev, [run](QChar& ch) {
            EventArgs a;
            a.keyChar = &ch;
            run(a);
        });
        break;
    default: break;
    }
}

bool hasDesignedHandler(const QWidget* control, EventKind event) {
    return control && (control->property(kBoundProperty).toInt() & (1 << static_cast<int>(event)));
}

QStringList bindDesignedEvents(const DesignedSheets& sheets, PageHandlers& handlers) {
    QStringList missing;
    for (const EventBinding& b : eventBindings()) {
        QWidget* w = sheets.control(QString::fromLatin1(b.control));
        if (!w) {
            missing << QString::fromLatin1(b.control);
            continue;
        }
        bindEvent(w, b.event, QString::fromLatin1(b.handler), handlers);
        w->setProperty(kBoundProperty, w->property(kBoundProperty).toInt() | (1 << static_cast<int>(b.event)));
    }
    return missing;
}

}  // namespace stanor::pages
