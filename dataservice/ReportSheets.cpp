#include "ReportSheets.h"

#include "rules/Costs.h"
#include "rules/Margins.h"
#include "rules/NewVehicleDates.h"
#include "rules/Values.h"

#include <QString>

#include <algorithm>

namespace stanor::dataservice::sheets {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The columns of a one-row record by name.
struct Record {
    const ResultSet& rows;
    size_t row = 0;
    std::string operator()(const std::string& column) const { return rows.value(row, column); }
};

// The settlement delay as the order stores it, an entry of the financing
// delays ("LOA : 60"), read as "délai de règlement 60 jours" since the
// financing type is already printed beside it; nothing for no delay. Another
// text stays as stored.
std::string SettlementDelay(const std::string& stored) {
    const auto colon = stored.rfind(" : ");
    if (colon == std::string::npos) return stored;
    const std::string days = stored.substr(colon + 3);
    if (days.empty() || days.find_first_not_of("0123456789") != std::string::npos) return stored;
    const std::string count = days.substr(std::min(days.find_first_not_of('0'), days.size() - 1));
    if (count == "0") return {};
    return "délai de règlement " + count + (count == "1" ? " jour" : " jours");
}

std::vector<std::string> Issuer(const Record& r, const Lookups& lists) {
    std::vector<std::string> lines;
    if (!r("Concession").empty()) lines.push_back("Concession " + r("Concession"));
    if (!r("Site").empty()) lines.push_back("Site " + r("Site"));
    if (!lists.marks(r("Site")).empty()) lines.push_back(lists.marks(r("Site")));
    return lines;
}

Sheet Frame(const Record& r, const Lookups& lists, const SheetContext& ctx, std::string kind, std::string title) {
    Sheet s;
    s.documentTitle = ctx.reportName;
    s.kind = std::move(kind);
    s.title = std::move(title);
    s.issuer = Issuer(r, lists);
    s.printed = "Édité le " + ctx.today;
    s.footer = ctx.reportName + " \u2014 " + ctx.selection;
    return s;
}

// The model and its version, the model named once when the version starts with it.
std::string ModelAndVersion(const std::string& model, const std::string& version) {
    if (!model.empty() && Q(version).startsWith(Q(model), Qt::CaseInsensitive)) return version;
    return Join({model, version});
}

const char* KindLabel(VehicleKind kind) {
    switch (kind) {
        case VehicleKind::VO: return "Véhicule d'occasion";
        case VehicleKind::VD: return "Véhicule de démonstration";
        case VehicleKind::VN: return "Véhicule neuf";
    }
    return "";
}

// Heading, version and the badges every vehicle sheet starts with.
void VehicleIdentity(Sheet& s, const Record& v, VehicleKind kind, const Lookups& lists) {
    s.heading = Join({v("InfoMarque"), v("InfoModele")});
    if (s.heading.empty()) s.heading = KindLabel(kind);
    s.subheading = v("InfoVersion");
    if (!v("NVO").empty()) s.badges.push_back(std::string("N° ") + KindCode(kind) + " " + v("NVO"));
    if (!v("Immatriculation").empty()) s.badges.push_back(v("Immatriculation"));
    if (kind == VehicleKind::VD && !lists.text("StatutVD", v("StatutVD")).empty())
        s.badges.push_back("Statut " + v("StatutVD"));
    if (kind == VehicleKind::VN && !v("StatutVN").empty()) s.badges.push_back(v("StatutVN"));
    if (kind != VehicleKind::VN && !v("KMS").empty()) s.badges.push_back(Number(v("KMS"), "km"));
    if (!v("MEC").empty()) s.badges.push_back("MEC " + Day(v("MEC")));
    if (!lists.text("Energie", v("Energie")).empty()) s.badges.push_back(lists.text("Energie", v("Energie")));
}

Sheet VehicleFrame(const VehicleData& d, VehicleKind kind, const Lookups& lists, const SheetContext& ctx,
                   std::string title) {
    const Record v{d.vehicle};
    Sheet s = Frame(v, lists, ctx, KindLabel(kind), std::move(title));
    VehicleIdentity(s, v, kind, lists);
    s.photoJpeg = d.photoJpeg;
    return s;
}

FieldGroup Characteristics(const Record& v, VehicleKind kind, const Lookups& lists, std::string title) {
    // The mark and model head the sheet; the group starts with the version.
    FieldGroup g{std::move(title), {}, 2};
    g.fields = {
        {"Version", v("InfoVersion")},
        {"Type version", kind == VehicleKind::VO ? std::string() : v("InfoTypeVersion")},
        {"Couleur", lists.text("InfoCouleur", v("InfoCouleur"))},
        {"Sellerie", v("InfoCouleurInt")},
        {"Carrosserie", lists.text("Carrosserie", v("Carrosserie"))},
        {"Énergie", lists.text("Energie", v("Energie"))},
        {"Boîte de vitesses", lists.text("BoiteVitesse", v("BoiteVitesse"))},
        {"Portes", v("NbPortes")},
        {"Places", v("NbPlaces")},
        {"Puissance fiscale", Number(v("CV"), "CV")},
    };
    if (kind != VehicleKind::VN || !v("MEC").empty()) {
        g.fields.push_back({"Kilométrage", Number(v("KMS"), "km")});
        g.fields.push_back({"1re mise en circulation", Day(v("MEC"))});
    }
    g.fields.push_back({"Immatriculation", v("Immatriculation")});
    g.fields.push_back({"N° de châssis", v("Chassis")});
    return g;
}

FieldGroup Equipment(const Record& v, const Lookups& lists, bool withOptions) {
    FieldGroup g{withOptions ? "Options et équipements" : "Équipements", {}, 1};
    if (withOptions) g.fields.push_back({"Options", lists.options("OptVehicule", v("InfoOptions")), true});
    g.fields.push_back({"Intérieur", lists.options("OptEquiInt", v("InfoEquiInterieur")), true});
    g.fields.push_back({"Extérieur", lists.options("OptEquiExt", v("InfoEquiExterieur")), true});
    g.fields.push_back({"Sécurité", lists.options("OptEquiSec", v("InfoEquiSecurite")), true});
    g.fields.push_back({"Complément", lists.options("OptComplement", v("InfoComplement")), true});
    return g;
}

// Catalogue price, the saving on it and the sale price.
Figures Prices(const Record& v, const std::string& title) {
    Figures f{title, {}, {}};
    const auto catalogue = rules::readAmount(Q(v("PrixCatalogue")));
    const auto sale = rules::readAmount(Q(v("PrixVente")));
    if (catalogue && *catalogue != 0) f.items.push_back({"Prix catalogue", MoneyCents(*catalogue)});
    if (catalogue && sale && *catalogue > *sale) f.items.push_back({"Remise", MoneyCents(*catalogue - *sale)});
    f.items.push_back({"Prix de vente TTC", sale ? MoneyCents(*sale) : "sur demande", true});
    return f;
}

std::string Warranty(const Record& v, const Lookups& lists) {
    return Join({lists.text("TypeGarantie", v("TypeGarantie")), v("DureeGarantie")}, " \u00B7 ");
}

Sheet UsedSales(const Record& v, const Lookups& lists, Sheet s) {
    Figures price = Prices(v, "Prix");
    if (!Warranty(v, lists).empty()) price.items.insert(price.items.begin(), {"Garantie", Warranty(v, lists)});
    if (!v("DateDisponibilite").empty())
        price.items.insert(price.items.begin(), {"Disponible le", Day(v("DateDisponibilite"))});
    s.blocks.push_back(price);
    s.blocks.push_back(Characteristics(v, VehicleKind::VO, lists, "Caractéristiques"));
    s.blocks.push_back(Equipment(v, lists, false));
    s.blocks.push_back(FieldGroup{"Vente", {
        {"Site", v("Site")},
        {"Vendeur", lists.salesperson(v("Vendeur"))},
        {"Entrée en stock", Day(v("DateEntree"))},
        {"Disponibilité", Day(v("DateDisponibilite"))},
        {"Destination", lists.text("Destination", v("Destination"))},
        {"Acheteur", v("Acheteur")},
        {"Date de commande", Day(v("DateOrdre"))},
        {"Livraison", Day(v("DateLivraison"))},
        {"Garantie", Warranty(v, lists)},
        {"Financement", Join({v("TypeFinancement"), v("Financeur")}, " \u00B7 ")},
        {"Montant financé", Money(v("VFinancement"))},
    }});
    s.blocks.push_back(Paragraph{"Commentaires", Lines(v("Commentaires"))});
    return s;
}

Sheet DemonstratorSales(const Record& v, const Lookups& lists, Sheet s) {
    s.blocks.push_back(Prices(v, "Prix"));
    s.blocks.push_back(Characteristics(v, VehicleKind::VD, lists, "Caractéristiques"));
    s.blocks.push_back(Equipment(v, lists, true));
    s.blocks.push_back(FieldGroup{"Suivi du démonstrateur", {
        {"Statut", lists.text("StatutVD", v("StatutVD"))},
        {"Utilisateur", v("Utilisateur")},
        {"Site", v("Site")},
        {"Vendeur", lists.salesperson(v("Vendeur"))},
        {"Entrée", Day(v("DateEntree"))},
        {"Vendu", YesNo(v("FlagVendu"))},
    }});
    s.blocks.push_back(Paragraph{"Commentaires", Lines(v("Commentaires"))});
    return s;
}

Sheet NewSales(const Record& v, const Lookups& lists, Sheet s) {
    if (!v("DateAnnulation").empty()) s.banner = "Commande annulée le " + Day(v("DateAnnulation"));
    s.blocks.push_back(Prices(v, "Prix et règlement"));
    // What is left to pay, by the same rule as the order page's balance.
    Figures pay{"", {}, {}};
    for (const auto& [label, column] : {std::pair{"Financement", "VFinancement"}, {"Reprise", "ReprPrix"},
                                        {"Acompte versé", "MontantAcompte"}})
        if (!Money(v(column)).empty()) pay.items.push_back({label, Money(v(column))});
    pay.items.push_back({"Solde à régler", Money(S(rules::UpdateSoldeVN(Q(v("PrixVente")), Q(v("VFinancement")),
                                                                         Q(v("ReprPrix")), Q(v("MontantAcompte"))))),
                         true});
    const std::string financing = Join({v("TypeFinancement"), v("Financeur"), SettlementDelay(v("TypeFinancementDelai"))}, " \u00B7 ");
    if (!financing.empty()) pay.note = "Financement : " + financing;
    s.blocks.push_back(pay);
    s.blocks.push_back(Characteristics(v, VehicleKind::VN, lists, "Configuration commandée"));
    s.blocks.push_back(Equipment(v, lists, true));
    s.blocks.push_back(FieldGroup{"Client et livraison", {
        {"Acheteur", v("Acheteur")},
        {"Code postal", v("CP")},
        {"Destination", lists.text("Destination", v("Destination"))},
        {"Éligible", lists.text("FlagEligible", v("FlagEligible"))},
        {"Site", v("Site")},
        {"Vendeur", lists.salesperson(v("Vendeur"))},
    }});
    s.blocks.push_back(FieldGroup{"Commande", {
        {"Commande", Day(v("DateOrdre"))},
        {"Cde usine", Day(v("DateCdeVW"))},
        {"Mise à jour", Day(v("DateUpdateCde"))},
        {"Fabrication", Day(v("DateFabrication"))},
        {"Disponibilité", Day(v("DateDisponibilite"))},
        {"Livraison", Day(v("DateLivraison"))},
        {"Déclaré livré", Day(v("DateDeclareLivre"))},
        {"Facture", Day(v("DateFacture"))},
        {"Début garantie", Day(v("DateDebutGarantie"))},
        {"Annulation", Day(v("DateAnnulation"))},
    }, 3});
    s.blocks.push_back(FieldGroup{"Reprise", {
        {"Marque", v("ReprMarque")},
        {"Modèle", v("ReprModele")},
        {"N° VO", v("ReprNVO")},
        {"Prix", Money(v("ReprPrix"))},
    }, 4});
    s.blocks.push_back(FieldGroup{"Remarques", {
        {"Mémo", Lines(v("CFMemo")), true},
        {"Commentaires", Lines(v("Commentaires")), true},
    }, 1});
    return s;
}

// The stored VAT mode as the page's list reads it: 0 or a text that is no
// number means the first mode.
std::string VatModePosition(const std::string& stored) {
    bool number = false;
    const int position = Q(stored).trimmed().toInt(&number);
    return !number || position == 0 ? std::string("1") : std::to_string(position);
}

}  // namespace

VehicleKind KindOf(const ResultSet& vehicle) {
    const Record v{vehicle};
    if (v("TypeVO") != "2") return VehicleKind::VO;
    const std::string status = v("StatutVD");
    return status.find_first_not_of(" .") == std::string::npos ? VehicleKind::VN : VehicleKind::VD;
}

const char* KindCode(VehicleKind kind) {
    switch (kind) {
        case VehicleKind::VO: return "VO";
        case VehicleKind::VD: return "VD";
        case VehicleKind::VN: return "VN";
    }
    return "";
}

Sheet SalesSheet(const VehicleData& d, VehicleKind kind, const Lookups& lists, const SheetContext& ctx) {
    const Record v{d.vehicle};
    Sheet s = VehicleFrame(d, kind, lists, ctx, "Fiche commerciale");
    if (YesNo(v("FlagVendu")) == "Oui" && kind != VehicleKind::VN) s.banner = "Véhicule vendu";
    switch (kind) {
        case VehicleKind::VO: return UsedSales(v, lists, std::move(s));
        case VehicleKind::VD: return DemonstratorSales(v, lists, std::move(s));
        case VehicleKind::VN: return NewSales(v, lists, std::move(s));
    }
    return s;
}

Sheet ShowroomSheet(const VehicleData& d, const Lookups& lists, const SheetContext& ctx) {
    const Record v{d.vehicle};
    Sheet s = VehicleFrame(d, VehicleKind::VD, lists, ctx, "Offre démonstrateur");
    s.largePhoto = true;
    Figures price = Prices(v, "");
    for (Figure& f : price.items)
        if (f.label == "Remise") f.label = "Votre économie";
    s.blocks.push_back(price);
    s.blocks.push_back(Equipment(v, lists, true));
    s.blocks.push_back(FieldGroup{"Caractéristiques", {
        {"Couleur", lists.text("InfoCouleur", v("InfoCouleur"))},
        {"Sellerie", v("InfoCouleurInt")},
        {"Carrosserie", lists.text("Carrosserie", v("Carrosserie"))},
        {"Boîte de vitesses", lists.text("BoiteVitesse", v("BoiteVitesse"))},
        {"Portes", v("NbPortes")},
        {"Places", v("NbPlaces")},
        {"Puissance fiscale", Number(v("CV"), "CV")},
        {"Kilométrage", Number(v("KMS"), "km")},
    }, 2});
    const std::string seller = lists.salesperson(v("Vendeur"));
    if (!seller.empty())
        s.blocks.push_back(Paragraph{"Votre conseiller", seller + (v("Site").empty() ? "" : ", site " + v("Site"))});
    return s;
}

Sheet MarginSheet(const VehicleData& d, const Lookups& lists, const SheetContext& ctx) {
    const Record v{d.vehicle};
    Sheet s = VehicleFrame(d, VehicleKind::VO, lists, ctx, "Feuille de marge");

    // Costs and margins by the rules of the used-vehicle page.
    std::vector<rules::CostLine> lines;
    Table costs{"Frais de remise en état",
                {{"Date", 1.05}, {"Libellé", 2.1}, {"Fournisseur", 1.8}, {"N° facture", 1.15}, {"N° compta", 1.0},
                 {"Type", 0.9}, {"Montant HT", 1.25, Align::Right}},
                {}, {}, "Aucun frais enregistré"};
    for (size_t r = 0; r < d.costs.rows.size(); ++r) {
        const Record c{d.costs, r};
        lines.push_back({Q(c("DateFrevo")), Q(c("TypeFrevo")), Q(c("MontantHT"))});
        costs.rows.push_back({Day(c("DateFrevo")), c("LibelleFrevo"), c("NomFournisseur"), c("NFacture"),
                              c("NComptable"), c("TypeFrevo"), Money(c("MontantHT"))});
    }
    QDate today = rules::readDate(Q(ctx.today));
    if (!today.isValid()) today = QDate::currentDate();
    const rules::CostSummary sum = rules::UpdateCumulFrevo(lines, Q(v("DateLivraison")), today);
    rules::MarginInputs in;
    in.cPrixVente = Q(v("PrixVente"));
    in.cPrixReprise = Q(v("PrixReprise"));
    in.cTPVO = Q(v("TPVO"));
    in.cPrixGarantie = Q(v("PrixGarantie"));
    in.FrevoValue = rules::FrevoValue(sum);
    in.vatModeCount = lists.count("ModeTVA");
    in.vatModeIndex = lists.index("ModeTVA", VatModePosition(v("ModeTVA")));
    in.vatRate = Q(lists.vatRate());
    const rules::MarginTexts m = rules::UpdateTVAetMarges(in);

    const std::string mode = lists.item("ModeTVA", VatModePosition(v("ModeTVA")));
    Figures result{"Résultat", {}, {}};
    if (m.computed) {
        result.items = {{"TVA due", Money(S(m.ccTVA))},
                        {"Marge brute", Money(S(m.cMBrute))},
                        {"Marge nette", Money(S(m.cMNette)), true}};
        result.note = "TVA à " + Percent(lists.vatRate()) + (mode.empty() ? std::string() : ", mode « " + mode + " »") +
                      " ; marge nette = marge brute \u2212 frais de remise en état \u2212 garantie.";
    } else if (m.rateMissing) {
        result.items = {{"Frais de remise en état", Money(S(m.cTotFrevo))}};
        result.note = "Le taux de TVA de la concession n'est pas défini : TVA et marges non calculées.";
    } else {
        result.items = {{"Frais de remise en état", Money(S(m.cTotFrevo))}};
        result.note = "Aucun mode de TVA n'est défini : TVA et marges non calculées.";
    }
    s.blocks.push_back(result);

    s.blocks.push_back(FieldGroup{"Prix et commissions", {
        {"Prix de vente TTC", Money(v("PrixVente"))},
        {"Prix de reprise", Money(v("PrixReprise"))},
        {"TPVO", Money(v("TPVO"))},
        {"Prix de la garantie", Money(v("PrixGarantie"))},
        {"Mode TVA", mode},
        {"Frais de remise en état", Money(S(m.cTotFrevo))},
        {"Montant de reprise", Money(v("MontantReprise"))},
        {"Commission vendeur", Money(v("MtComVendeur"))},
        {"Intermédiaire", v("Intermediaire")},
        {"Com. intermédiaire", Money(v("MtComIntermediaire"))},
        {"Com. financement prévue", Money(v("ComFinPrevue"))},
        {"Com. financement reçue", Money(v("ComFinRecue"))},
    }});
    s.blocks.push_back(FieldGroup{"Dossier", {
        {"Site", v("Site")},
        {"Vendeur", lists.salesperson(v("Vendeur"))},
        {"Acheteur", v("Acheteur")},
        {"Destination", lists.text("Destination", v("Destination"))},
        {"Origine", Join({v("Origine"), v("OrigineVendeur")}, " \u00B7 ")},
        {"Entrée en stock", Day(v("DateEntree"))},
        {"Date d'ordre", Day(v("DateOrdre"))},
        {"Livraison", Day(v("DateLivraison"))},
        {"Paiement", Day(v("DatePaiement"))},
        {"Garantie", Warranty(v, lists)},
        {"Validation garantie", Day(v("DateValidationGarantie"))},
        {"Financement", Join({v("TypeFinancement"), v("Financeur"), Money(v("VFinancement"))}, " \u00B7 ")},
    }});

    if (!costs.rows.empty()) costs.totals.push_back({"Total", "", "", "", "", "", MoneyCents(sum.total.all)});
    s.blocks.push_back(costs);

    const QDate lastDay = sum.limit.addDays(-1);
    Table kinds{"Frais par nature",
                {{"Nature", 2}, {"Total", 1.4, Align::Right},
                 {"Jusqu'au " + S(rules::showDate(lastDay)) + " (fin du mois de livraison)", 2.6, Align::Right}},
                {}, {}, ""};
    const std::pair<const char*, rules::Cents rules::CostTotals::*> byKind[] = {
        {"Prévision", &rules::CostTotals::estimate},
        {"Fixe", &rules::CostTotals::fixed},
        {"Interne", &rules::CostTotals::internal},
        {"Externe", &rules::CostTotals::external},
    };
    for (const auto& [label, member] : byKind)
        kinds.rows.push_back({label, MoneyCents(sum.total.*member), MoneyCents(sum.monthEnd.*member)});
    kinds.totals.push_back({"Total", MoneyCents(sum.total.all), MoneyCents(sum.monthEnd.all)});
    s.blocks.push_back(kinds);
    return s;
}

Sheet CustomerSheet(const CustomerData& d, const Lookups& lists, const SheetContext& ctx) {
    const Record c{d.customer};
    Sheet s = Frame(c, lists, ctx, "Client", "Fiche client");
    s.heading = Join({c("CliCivilite"), c("CliNom"), c("CliPrenom")});
    s.subheading = Join({c("CliAdresse1"), c("CliAdresse2"), Join({c("CliCP"), c("CliVille")})}, ", ");
    s.badges.push_back("Client n° " + c("idClient"));
    if (!c("DateCreation").empty()) s.badges.push_back("Client depuis le " + Day(c("DateCreation")));

    s.blocks.push_back(FieldGroup{"Coordonnées", {
        {"Adresse", Join({c("CliAdresse1"), c("CliAdresse2"), Join({c("CliCP"), c("CliVille")}), c("CliPays")}, "\n")},
        {"E-mail", c("CliEmail")},
        {"Tél. domicile", c("CliTelDom")},
        {"Mobile", c("CliMobile")},
        {"Tél. bureau", c("CliTelBur")},
    }});
    s.blocks.push_back(FieldGroup{"Profil", {
        {"Naissance", Day(c("CliDateNaissance"))},
        {"Situation", c("CliSituationFamille")},
        {"Enfants", c("CliNbEnfants")},
        {"Profession", c("CliProfession")},
        {"Employeur", c("CliEmployeur")},
        {"Origine", lists.text("CliOrigine", c("CliOrigine"))},
        {"Site", c("Site")},
        {"Vendeur", lists.salesperson(c("idCom"))},
    }});
    s.blocks.push_back(Paragraph{"Observations", Lines(c("CliObservations"))});
    const auto models = [](const std::string& keys) {
        std::string out = keys;
        for (char& ch : out)
            if (ch == ';') ch = ' ';
        return Join({out}, "");
    };
    s.blocks.push_back(FieldGroup{"Projet d'achat", {
        {"Prochain achat", Day(c("CliDateProchainAchat"))},
        {"Date Spirit", Day(c("PADateSpirit"))},
        {"1er choix", Join({c("PAMarque1"), c("PAModele1")})},
        {"2e choix", Join({c("PAMarque2"), c("PAModele2")})},
        {"Type", lists.options("OptTypeVO", c("PATypeVO"))},
        {"Segment", lists.options("OptSegment", c("PASegment"))},
        {"Carrosserie", lists.options("OptCarrosserie", c("PACarrosserie"))},
        {"Énergie", lists.options("OptEnergie", c("PAEnergie"))},
        {"Modèles du site", Join({models(c("PAChoix1")), models(c("PAChoix2"))}, " ")},
    }});

    Table actions{"Actions",
                  {{"Date", 1.05}, {"Type", 0.75}, {"Sujet", 1.05}, {"Vendeur", 1.2}, {"Commentaire", 2.05},
                   {"Relance", 1.85}, {"Priorité", 0.75}},
                  {}, {}, "Aucune action enregistrée"};
    for (size_t r = 0; r < d.actions.rows.size(); ++r) {
        const Record a{d.actions, r};
        const std::string follow =
            Join({Join({Day(a("DateRelance")), lists.item("SujetAction", a("SujetRelance"))}, " \u00B7 "),
                  lists.salesperson(a("idComRelance"))}, "\n");
        actions.rows.push_back({Day(a("DateAction")), lists.item("TypeAction", a("TypeAction")),
                                lists.item("SujetAction", a("SujetAction")), lists.salesperson(a("idCom")),
                                Lines(a("CommentaireAction")), follow, lists.item("PrioriteRelance", a("PrioriteRelance"))});
    }
    s.blocks.push_back(actions);

    Table vehicles{"Véhicules du client",
                   {{"Immat.", 1.05}, {"Véhicule", 2.3}, {"Type", 0.55}, {"MEC", 1.15}, {"Kms", 0.9, Align::Right},
                    {"Financement", 1.4}, {"Fin gar.", 1.15}, {"Prochain SAV", 1.25}},
                   {}, {}, "Aucun véhicule enregistré"};
    for (size_t r = 0; r < d.vehicles.rows.size(); ++r) {
        const Record o{d.vehicles, r};
        const std::string financing =
            Join({o("TypeFinancement"), o("MensualiteFinancement").empty() ? "" : Money(o("MensualiteFinancement")) + "/mois"},
                 "\n");
        vehicles.rows.push_back({o("Immatriculation"), Join({o("InfoMarque"), ModelAndVersion(o("InfoModele"), o("InfoVersion"))}),
                                 lists.item("TypeVO", o("TypeVO")), Day(o("MEC")), Number(o("KMS")), financing,
                                 Day(o("DateFinGarantie")), Join({Day(o("DateNextSAV")), Number(o("KmNextSAV"), "km")}, "\n")});
    }
    s.blocks.push_back(vehicles);
    return s;
}

}  // namespace stanor::dataservice::sheets
