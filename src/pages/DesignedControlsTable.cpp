// The inventory of the designed controls, sheet by sheet and group by group.
// Names, kinds, limits and designed states are the contract with the tab
// descriptions of the data service; captions are the labels shown beside the
// controls until a description gives its own.

#include "pages/DesignedControls.h"

#include <utility>

namespace stanor::pages {

namespace {

using K = DesignedKind;
constexpr int H = Designed::Hidden;
constexpr int D = Designed::Disabled;
constexpr int RO = Designed::ReadOnly;
constexpr int P = Designed::OnPanel;
constexpr int B = Designed::Beside;
constexpr int O = Designed::Overlay;

class Inventory {
public:
    Inventory& sheet(int n) { sheet_ = n; return *this; }
    Inventory& group(const char* g) { group_ = g; return *this; }
    Inventory& add(const char* name, K kind, const char* caption, int maxLength = 0, int flags = 0,
                   int rows = 1, const char* hint = "") {
        list.push_back({sheet_, name, kind, maxLength, flags, caption, group_, rows, hint});
        return *this;
    }
    std::vector<DesignedControl> list;

private:
    int sheet_ = 1;
    const char* group_ = "";
};

std::vector<DesignedControl> build() {
    Inventory t;

    // ---- Sheet 1: used vehicle ---------------------------------------------
    t.sheet(1).group("Véhicule")
        .add("cNVO", K::Number, "N° VO")
        .add("cImmatriculation", K::Edit, "Immatriculation")
        .add("cChassis", K::Edit, "Châssis", 25)
        .add("cInfoMarque", K::ComboList, "Marque")
        .add("cInfoModele", K::ComboList, "Modèle")
        .add("cInfoVersion", K::Memo, "Version", 50, 0, 2)
        .add("cCarrosserie", K::ComboList, "Carrosserie")
        .add("cEnergie", K::ComboList, "Énergie")
        .add("cBoiteVitesse", K::ComboList, "Boîte")
        .add("cNbPortes", K::ComboList, "Portes")
        .add("cNbPlaces", K::Number, "Places")
        .add("cCV", K::Number, "Puissance (cv)")
        .add("cKMS", K::Number, "Kilométrage")
        .add("cMEC", K::Date, "Mise en circ.")
        .add("cInfoCouleur", K::ComboEdit, "Couleur", 20)
        .add("cNomImage", K::Edit, "Photo");
    t.group("Entrée et stock")
        .add("cDateEntree", K::Date, "Date d'entrée")
        .add("cOrigine", K::ComboList, "Origine")
        .add("cOrigineVendeur", K::ComboList, "Vendeur origine")
        .add("cSite", K::ComboList, "Site")
        .add("cLieuStockage", K::ComboList, "Lieu de stockage")
        .add("cDestination", K::ComboList, "Destination")
        .add("cFlagPrepaEsthetique", K::ComboList, "Prépa esthét.")
        .add("cFlagPrepaCarrosserie", K::ComboList, "Prépa carross.")
        .add("cFlagPrepaMecanique", K::ComboList, "Prépa méca.")
        .add("cFlagEligible", K::ComboList, "Éligible");
    t.group("Vente")
        .add("cDateOrdre", K::Date, "Commande")
        .add("cVendeur", K::ComboList, "Vendeur")
        .add("cAcheteur", K::ComboEdit, "Acheteur", 20)
        .add("cCP", K::Edit, "Code postal", 5)
        .add("cPrixVente", K::Number, "Prix de vente")
        .add("cModeTVA", K::ComboList, "Mode TVA")
        .add("cDateDisponibilite", K::Date, "Disponibilité")
        .add("cDateLivraison", K::Date, "Livraison")
        .add("cDatePaiement", K::Date, "Paiement");
    t.group("Garantie")
        .add("cTypeGarantie", K::ComboList, "Type")
        .add("cDureeGarantie", K::ComboList, "Durée")
        .add("cPrixGarantie", K::Number, "Prix")
        .add("cDateValidationGarantie", K::Date, "Validation");
    t.group("Reprise et intermédiaire")
        .add("cPrixReprise", K::Number, "Prix de reprise")
        .add("cMontantReprise", K::Number, "Mt reprise")
        .add("cCommentaireReprise", K::Edit, "Commentaire", 20)
        .add("cIntermediaire", K::Edit, "Intermédiaire", 20)
        .add("cMtComIntermediaire", K::Number, "Com. interm.")
        .add("cMtComVendeur", K::Number, "Com. vendeur");
    t.group("Financement")
        .add("cTypeFinancement", K::ComboList, "Type")
        .add("cFinanceur", K::ComboList, "Financeur")
        .add("cVFinancement", K::Number, "Montant")
        .add("cDatePresFinancement", K::Date, "Présentation")
        .add("cComFinPrevue", K::Number, "Com. prévue")
        .add("cComFinRecue", K::Number, "Com. reçue");
    t.group("Marges")
        .add("cTPVO", K::Number, "Frais TPVO")
        .add("ccTVA", K::Edit, "TVA", 0, D)
        .add("cMBrute", K::Edit, "Marge brute:", 0, D)
        .add("cTotFrevo", K::Edit, "Totel Frevo:", 0, D)
        .add("cMNette", K::Edit, "Marge nette:", 0, D)
        .add("czFeuilleMarge", K::Button, "Feuille de Marge", 0, 0, 1, "impression de la feuille de marge");
    t.group("Commentaires")
        .add("cCommentaires", K::Memo, "Commentaires", 250, 0, 3);

    // ---- Sheet 2: demonstrator ---------------------------------------------
    t.sheet(2).group("Véhicule")
        .add("cVDNVO", K::Number, "N° VD")
        .add("cVDImmatriculation", K::Edit, "Immatriculation")
        .add("cVDChassis", K::Edit, "Châssis")
        .add("cVDInfoMarque", K::ComboList, "Marque")
        .add("cVDInfoModele", K::ComboList, "Modèle")
        .add("cVDInfoTypeVersion", K::ComboList, "Type de version")
        .add("cVDInfoVersion", K::Memo, "Version", 50, 0, 2)
        .add("cVDCarrosserie", K::ComboList, "Carrosserie")
        .add("cVDEnergie", K::ComboList, "Énergie")
        .add("cVDBoiteVitesse", K::ComboList, "Boîte")
        .add("cVDNbPortes", K::ComboList, "Portes")
        .add("cVDNbPlaces", K::Number, "Places")
        .add("cVDCV", K::Number, "Puissance (cv)")
        .add("cVDKMS", K::Number, "Kilométrage")
        .add("cVDMEC", K::Date, "Mise en circ.", 8);
    t.group("Présentation")
        .add("cVDInfoCouleur", K::ComboEdit, "Couleur")
        .add("cVDInfoCouleurInt", K::ComboEdit, "Couleur int.")
        .add("cVDStatutVD", K::ComboEdit, "Statut VD")
        .add("cVDSite", K::ComboList, "Site")
        .add("cVDFlagVendu", K::ComboList, "Vendu")
        .add("cVDFlagNonDiffuse", K::ComboList, "Non diffusé")
        .add("cVDCodeRemise", K::Edit, "Code remise")
        .add("cVDNomImage", K::Edit, "Photo")
        .add("czVDOptions", K::Button, "Options", 0, 0, 1, "sélection des options")
        .add("cVDInfoOptions", K::ListBox, "", 0, H | O, 8);
    t.group("Prix")
        .add("cVDPrixCatalogue", K::Number, "Prix catalogue")
        .add("cVDPrixVente", K::Number, "Prix de vente");
    t.group("Suivi")
        .add("cVDUtilisateur", K::Memo, "Utilisateur", 250, 0, 3)
        .add("cVDCommentaires", K::Memo, "Commentaires", 250, 0, 4);

    // ---- Sheet 3: new vehicle ----------------------------------------------
    t.sheet(3).group("Véhicule")
        .add("cVNNVO", K::Number, "N° VN")
        .add("cVNImmatriculation", K::Edit, "Immatriculation")
        .add("cVNChassis", K::Edit, "Châssis", 25)
        .add("cVNInfoMarque", K::ComboList, "Marque")
        .add("cVNInfoModele", K::ComboList, "Modèle")
        .add("cVNInfoTypeVersion", K::ComboList, "Type de version")
        .add("cVNInfoVersion", K::Memo, "Version", 50, 0, 2)
        .add("cVNCarrosserie", K::ComboList, "Carrosserie")
        .add("cVNEnergie", K::ComboList, "Énergie")
        .add("cVNBoiteVitesse", K::ComboList, "Boîte")
        .add("cVNNbPortes", K::ComboList, "Portes")
        .add("cVNNbPlaces", K::Number, "Places")
        .add("cVNCV", K::Number, "Puissance (cv)")
        .add("cVNInfoCouleur", K::ComboEdit, "Couleur")
        .add("cVNInfoCouleurInt", K::ComboEdit, "Couleur int.")
        .add("cVNMEC", K::Date, "Mise en circ.")
        .add("czVNOptions", K::Button, "Options", 0, 0, 1, "sélection des options")
        .add("cVNInfoOptions", K::ListBox, "", 0, H | O, 8);
    t.group("Commande")
        .add("cVNDateOrdre", K::Date, "Commande", 8)
        .add("cVNVendeur", K::ComboList, "Vendeur")
        .add("cVNAcheteur", K::ComboEdit, "Acheteur")
        .add("cVNCP", K::Edit, "Code postal")
        .add("cVNSite", K::ComboList, "Site")
        .add("cVNStatutVN", K::ComboEdit, "Statut VN")
        .add("cVNStatutVD", K::ComboEdit, "Statut VD")
        .add("cVNDestination", K::ComboList, "Destination")
        .add("cVNFlagEligible", K::ComboList, "Éligible")
        .add("cVNFlagNonDiffuse", K::ComboList, "Non diffusé", 0, H)
        .add("cVNPrixCatalogue", K::Number, "Prix catalogue")
        .add("cVNPrixVente", K::Number, "Prix de vente")
        .add("cVNCodeRemise", K::Edit, "Code remise", 0, H);
    t.group("Comptabilité")
        .add("PanelCompta", K::Panel, "")
        .add("LbPanelCompta", K::Label, "Suivi Comptabilité", 0, P)
        .add("cVNDateAchat", K::Date, "Achat", 8, P)
        .add("cVNMontantAchat", K::Number, "Montant achat", 0, P)
        .add("cVNMontantAcompte", K::Number, "Acompte", 0, P)
        .add("cVNSolde", K::Number, "Solde", 0, P)
        .add("cVNSituationAchat", K::ComboList, "Situation", 0, P)
        .add("cVNDateEcheance", K::Date, "Échéance", 8, P)
        .add("cVNDateEchTresorerie", K::Date, "Éch. trésorerie", 8, P)
        .add("cVNDateEchReglement", K::Date, "Éch. règlement", 8, P)
        .add("cVNDateRecFinancement", K::Date, "Réception fin.", 8, P);
    t.group("Dates")
        .add("cVNDateCdeVW", K::Date, "Cde constructeur", 8)
        .add("cVNDateUpdateCde", K::Date, "Mise à jour cde", 8)
        .add("cVNDateFacture", K::Date, "Facture", 8)
        .add("cVNDateDisponibilite", K::Date, "Disponibilité", 8)
        .add("cVNDateLivraison", K::Date, "Livraison", 8)
        .add("cVNDateDeclareLivre", K::Date, "Déclaré livré", 8)
        .add("cVNDatePaiement", K::Date, "Paiement", 8)
        .add("cVNDateDebutGarantie", K::Date, "Début garantie", 8)
        .add("cVNDateAnnulation", K::Date, "Annulation", 8)
        // Last of its group: the week under it leaves no gap between dates while hidden.
        .add("cVNDateFabrication", K::Date, "Fabrication", 8)
        .add("LbDateFabrication", K::Label, "", 0, H | Designed::Below);
    t.group("Financement")
        .add("cVNTypeFinancement", K::ComboList, "Type")
        .add("cVNTypeFinancementDelai", K::ComboList, "Délai")
        .add("cVNFinanceur", K::ComboList, "Financeur")
        .add("cVNVFinancement", K::Number, "Montant")
        .add("cVNDatePresFinancement", K::Date, "Présentation", 8)
        .add("cVNComFinPrevue", K::Number, "Com. prévue")
        .add("cVNComFinRecue", K::Number, "Com. reçue");
    t.group("Reprise")
        .add("cVNReprMarque", K::ComboList, "Marque")
        .add("cVNReprModele", K::Memo, "Modèle")
        .add("cVNReprNVO", K::Number, "N° VO")
        .add("cVNReprPrix", K::Number, "Prix");
    t.group("Notes")
        .add("cVNCFMemo", K::Memo, "Mémo", 0, 0, 3)
        .add("cVNCommentaires", K::Memo, "Commentaires", 250, 0, 3);

    // ---- Sheet 4: equipment ------------------------------------------------
    t.sheet(4).group("Équipements")
        .add("cInfoEquiInterieur", K::ListBox, "Intérieur", 0, 0, 20)
        .add("czCmdEquiInt", K::Button, "Intérieur", 0, H | D);
    t.group("Extérieur")
        .add("cInfoEquiExterieur", K::ListBox, "Extérieur", 0, 0, 20)
        .add("czCmdEquiExt", K::Button, "Extérieur", 0, H | D);
    t.group("Sécurité")
        .add("cInfoEquiSecurite", K::ListBox, "Sécurité", 0, 0, 20)
        .add("czCmdEquiSec", K::Button, "Sécurité", 0, H | D);
    t.group("Complément")
        .add("cInfoComplement", K::ListBox, "Complément", 0, 0, 20)
        .add("czCmdEquiInf", K::Button, "Complément", 0, H | D);

    // ---- Sheet 5: reconditioning costs -------------------------------------
    t.sheet(5).group("")
        .add("ngFrevo", K::Grid, "Frais de remise en état", 0, 0, 13)
        .add("aNxDatePickerGrid", K::Date, "", 0, H);
    t.group("Frevo FDM")
        .add("cFrevoInfo", K::Label, "Frevo FDM et Totaux")
        .add("cFrevoPrevFDM", K::Number, "Prévision FDM", 0, D)
        .add("cFrevoFixeFDM", K::Number, "Fixe FDM", 0, D)
        .add("cFrevoIntFDM", K::Number, "Interne FDM", 0, D)
        .add("cFrevoExtFDM", K::Number, "Externe FDM", 0, D)
        .add("cFrevoTotFDM", K::Number, "Total FDM", 0, D);
    t.group("Totaux")
        .add("cFrevoPrevision", K::Number, "Prévision", 0, D)
        .add("cFrevoFixe", K::Number, "Fixe", 0, D)
        .add("cFrevoInterne", K::Number, "Interne", 0, D)
        .add("cFrevoExterne", K::Number, "Externe", 0, D)
        .add("cFrevo", K::Number, "Total Frevo", 0, D);

    // ---- Sheet 6: photos ---------------------------------------------------
    t.sheet(6).group("Clichés du dossier")
        .add("cTxtPathImage", K::Edit, "Dossier")
        .add("czCmdSelPathListImage", K::Button, "Choisir le dossier", 0, 0, 1,
             "définir le chemin de recherche des clichés")
        .add("czCmdRefreshListImage", K::Button, "Actualiser", 0, 0, 1, "actualisation de la liste des clichés")
        .add("cListImageSource", K::ListView, "Clichés", 0, 0, 8)
        .add("ImageSelection", K::Image, "Aperçu", 0, 0, 9);
    t.group("Clichés du véhicule")
        .add("czCmdAssociateImage", K::Button, "Transférer", 0, 0, 1, "transfert du cliché sélectionné")
        .add("czCmdAssociateImageBlur", K::Button, "Flouter et transférer", 0, 0, 1, "floutage avant transfert")
        .add("cListImageVO", K::ListView, "Clichés liés", 0, 0, 8)
        .add("czCmdDefaultImageVO", K::Button, "Cliché par défaut", 0, 0, 1, "cliché par défaut du véhicule")
        .add("czCmdDeleteImageVO", K::Button, "Supprimer", 0, 0, 1, "suppression du cliché sélectionné")
        .add("Memo", K::Memo, "Transferts", 0, RO | Designed::CaptionAbove, 5);
    t.group("Photo du véhicule")
        .add("ImageVO", K::Image, "Photo", 0, 0, 9)
        .add("ImageMini", K::Image, "Miniature", 0, 0, 5)
        .add("VOImage", K::Image, "Dernière réduction", 0, D, 5)
        .add("ImageNoPhoto", K::Image, "", 0, H, 5);

    // ---- Sheet 7: customer -------------------------------------------------
    t.sheet(7).group("Identité")
        .add("aCliCivilite", K::ComboList, "Civilité")
        .add("aCliNom", K::Memo, "Nom")
        .add("DblNom", K::Edit, "", 0, H | B)  // duplicate count, beside its field
        .add("aCliPrenom", K::Memo, "Prénom")
        .add("DblIdent", K::Edit, "", 0, H | B)  // duplicate count, beside its field
        .add("aCliDateNaissance", K::Date, "Naissance")
        .add("aCliSituationFamille", K::ComboList, "Situation")
        .add("aCliNbEnfants", K::Number, "Enfants")
        .add("aCliOrigine", K::ComboList, "Origine");
    t.group("Adresse")
        .add("aCliAdresse1", K::Memo, "Adresse")
        .add("aCliAdresse2", K::Memo, "Complément")
        .add("aCliCP", K::Edit, "Code postal", 5)
        .add("aCliVille", K::Edit, "Ville", 5)
        .add("aCliPays", K::ComboList, "Pays")
        .add("aCliProfession", K::Memo, "Profession")
        .add("aCliEmployeur", K::Memo, "Employeur");
    t.group("Contact")
        .add("aCliTelDom", K::Memo, "Tél. domicile")
        .add("DblTelDom", K::Edit, "", 0, H | B)  // duplicate count, beside its field
        .add("aCliMobile", K::Memo, "Mobile")
        .add("DblMobile", K::Edit, "", 0, H | B)  // duplicate count, beside its field
        .add("aCliTelBur", K::Memo, "Tél. bureau")
        .add("aCliEmail", K::Memo, "E-mail")
        .add("aCliObservations", K::Memo, "Observations", 0, 0, 2);
    t.group("Actions")
        .add("aSite", K::ComboList, "Site")
        .add("aidCom", K::ComboList, "Vendeur")
        .add("JvXPBtnNewAction", K::Button, "Nouvelle action", 0, H, 1, "ajout d'un nouveau enregistrement suivi ")
        .add("JvXPBtnSMS", K::Button, "SMS", 0, 0, 1, "envoi d'un SMS pour test");

    t.group("")
        .add("ngAction", K::Grid, "Actions", 0, 0, 7);
    // ---- Sheet 8: customer vehicles ----------------------------------------
    t.sheet(8).group("")
        .add("ngVehicles", K::Grid, "Véhicules du client", 0, 0, 6);
    t.group("Véhicule")
        .add("vImmatriculation", K::Edit, "Immatriculation")
        .add("vInfoMarque", K::ComboList, "Marque")
        .add("vInfoModele", K::ComboList, "Modèle")
        .add("vInfoVersion", K::Memo, "Version", 50)
        .add("vInfoTypeVersion", K::Memo, "Type de version", 50)
        .add("vTypeVO", K::ComboList, "Type")
        .add("vMEC", K::Date, "Mise en circ.")
        .add("vKMS", K::Number, "Kilométrage");
    t.group("Achat et financement")
        .add("vDateOrdre", K::Date, "Date d'achat")
        .add("vSite", K::ComboEdit, "Site")
        .add("vTypeFinancement", K::ComboList, "Financement")
        .add("vAbbrFinancement", K::ComboList, "Organisme")
        .add("vMensualiteFinancement", K::Number, "Mensualité")
        .add("vDateFinFinancement", K::Date, "Fin financement")
        .add("vDateFinGarantie", K::Date, "Fin garantie");
    t.group("Entretien")
        .add("vLieuEntretien1", K::Memo, "Lieu d'entretien", 50)
        .add("vLieuEntretien2", K::Memo, "Autre lieu", 50)
        .add("vDateLastSAV", K::Date, "Dernier SAV")
        .add("vKmLastSAV", K::Number, "Km dernier SAV")
        .add("zLbKmLastSAV", K::Label, "km", 0, B)
        .add("vDateNextSAV", K::Date, "Prochain SAV")
        .add("vKmNextSAV", K::Number, "Km prochain SAV")
        .add("zLbKmNextSAV", K::Label, "km", 0, B)
        .add("vSatisfVehicle", K::ComboList, "Satisf. véhicule")
        .add("vSatisfSAV", K::ComboList, "Satisf. SAV")
        .add("JvXPBtnNewVehicle", K::Button, "Nouveau véhicule", 0, H, 1, "ajout d'un nouveau véhicule");

    // ---- Sheet 9: purchase plans -------------------------------------------
    t.sheet(9).group("Projet")
        .add("cPACliDateProchainAchat", K::Date, "Prochain achat")
        .add("cPAPADateSpirit", K::Date, "Date Spirit", 8)
        .add("cPAPATypeVO", K::ListBox, "Type de véhicule", 0, 0, 5)
        .add("cPAPAEnergie", K::ListBox, "Énergie", 0, H, 4);
    t.group("Segment et carrosserie")
        .add("cPAPASegment", K::ListBox, "Segment", 0, 0, 6)
        .add("cPAPACarrosserie", K::ListBox, "Carrosserie", 0, 0, 6);
    t.group("Marques et modèles")
        .add("cPAPAMarque1", K::ComboList, "Marque 1")
        .add("cPAPAModele1", K::ComboList, "Modèle 1")
        .add("cPAPAMarque2", K::ComboList, "Marque 2")
        .add("cPAPAModele2", K::ComboList, "Modèle 2")
        .add("cPAPAChoix1", K::ListBox, "Modèles du site", 0, 0, 6)
        .add("zLbPAAutresModeles", K::Label, "Autres Modèles:")
        .add("cPAPAChoix2", K::ListBox, "", 0, 0, 6);

    return std::move(t.list);
}

}  // namespace

const std::vector<DesignedControl>& designedControls() {
    static const std::vector<DesignedControl> table = build();
    return table;
}

const char* buttonPicture(const char* name) {
    static const std::pair<const char*, const char*> pictures[] = {
        {"czFeuilleMarge", "document-print"},
        {"czVDOptions", "document-properties"},
        {"czVNOptions", "document-properties"},
        {"czCmdSelPathListImage", "document-open"},
        {"czCmdRefreshListImage", "view-refresh"},
        {"czCmdAssociateImage", "mail-send-receive"},
        {"czCmdAssociateImageBlur", "applications-graphics"},
        {"czCmdDefaultImageVO", "emblem-favorite"},
        {"czCmdDeleteImageVO", "edit-delete"},
        {"JvXPBtnNewAction", "appointment-new"},
        {"JvXPBtnSMS", "mail-message-new"},
        {"JvXPBtnNewVehicle", "document-new"},
    };
    for (const auto& [button, picture] : pictures)
        if (QLatin1String(button) == QLatin1String(name)) return picture;
    return nullptr;
}

const DesignedControl* findDesigned(const QString& name) {
    for (const DesignedControl& c : designedControls())
        if (QLatin1String(c.name) == name) return &c;
    return nullptr;
}

}  // namespace stanor::pages
