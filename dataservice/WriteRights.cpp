#include "WriteRights.h"

#include "Store.h"
#include "pages/TabModel.h"
#include "records/PageStatement.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace stanor::dataservice {

namespace {

using pages::UserRights;

const char* const kVO = "_TVO";
const char* const kVD = "_TVD";
const char* const kVN = "_TVN";
const char* const kCL = "_TCL";
const char* const kCostGrid = "gFrev";
const char* const kActionGrid = "gAct";
constexpr int kPhotoPage = 6;
constexpr int kVehiclePage = 8;

std::string Lower(const std::string& s) { return LowerAscii(s); }
std::string Upper(const std::string& s) { return UpperWord(s); }
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// ---- the columns that the client writes on its own ---------------------------

// How the service judges a column that no field of the sheets shows.
enum class Own {
    NewKey,          // a key: ":NewID" in an insert, never changed
    NewSecondKey,    // the second key of an insert: ":NewIDbis", never changed
    VehicleKind,     // TypeVO of a new vehicle: 1 (used) or 2 (new or demonstrator), never changed
    Owner,           // idOwner: the user who creates the record, never changed
    Dealership,      // the user's dealership, given by an insert, never changed
    CreationDate,    // DateCreation of a new customer: a date, never changed
    ParentVehicle,   // idVO of a line or photo: a vehicle the user may write, never changed
    ParentCustomer,  // idClient of an action or customer vehicle: a customer the user may write, never changed
    CostTotal,       // totals of the cost lines, computed by the client: a number, by whoever may write the vehicle
    DefaultPhoto,    // NomImage of a vehicle: one of its linked photos (or none), with the photo rights
    PhotoNumber,     // NumImage of a link: a positive number
    PhotoName,       // NomImage of a link: the vehicle's photo of that number, "V0001001-03"
    PhotoDate,       // DateImage of a link: when it was linked
    // Fields of the sheets that the client also computes from other fields:
    // held by their own rights, or else written as computed.
    Balance,         // Solde of a new vehicle: sale price - financed - trade-in - deposit
    DueDate,         // a due date computed from the vehicle's dates and financing: a date or none
    MirrorOf,        // a date that follows another one: set to the same value as it, by its rights
};

struct ClientColumn {
    const char* table;
    const char* column;
    Own rule;
    const char* partner = nullptr;  // MirrorOf: the date it follows
};

// The columns the client writes without a field of the sheets, in one place.
const ClientColumn kClientColumns[] = {
    {"tVehicles", "idTVO", Own::NewKey},
    {"tVehicles", "idVO", Own::NewSecondKey},
    {"tVehicles", "TypeVO", Own::VehicleKind},
    {"tVehicles", "idOwner", Own::Owner},
    {"tVehicles", "Concession", Own::Dealership},
    {"tVehicles", "NomImage", Own::DefaultPhoto},
    {"tVehicles", "Frevo", Own::CostTotal},
    {"tVehicles", "FrevoFixe", Own::CostTotal},
    {"tVehicles", "FrevoInterne", Own::CostTotal},
    {"tVehicles", "FrevoExterne", Own::CostTotal},
    {"tVehicles", "FrevoPrevision", Own::CostTotal},
    {"tClients", "idClient", Own::NewKey},
    {"tClients", "DateCreation", Own::CreationDate},
    {"tClients", "idOwner", Own::Owner},
    {"tClients", "Concession", Own::Dealership},
    {"tVehiclesProfid", "idTVO", Own::NewKey},
    {"tVehiclesProfid", "NVO", Own::NewSecondKey},
    {"tVehiclesProfid", "idClient", Own::ParentCustomer},
    {"tVehiclesProfid", "idOwner", Own::Owner},
    {"tVehiclesProfid", "Concession", Own::Dealership},
    {"tVO - Frevo", "idFrevo", Own::NewKey},
    {"tVO - Frevo", "idVO", Own::ParentVehicle},
    {"tActions", "idAction", Own::NewKey},
    {"tActions", "idClient", Own::ParentCustomer},
    {"tVO - Liens Images", "idImage", Own::NewKey},
    {"tVO - Liens Images", "idVO", Own::ParentVehicle},
    {"tVO - Liens Images", "NumImage", Own::PhotoNumber},
    {"tVO - Liens Images", "NomImage", Own::PhotoName},
    {"tVO - Liens Images", "DateImage", Own::PhotoDate},
    {"tVehicles", "Solde", Own::Balance},
    {"tVehicles", "DateEchTresorerie", Own::DueDate},
    {"tVehicles", "DateEchReglement", Own::DueDate},
    {"tVehicles", "DateAchat", Own::MirrorOf, "DateFacture"},
    {"tVehicles", "DateFacture", Own::MirrorOf, "DateAchat"},
};

bool ComputedByTheClient(Own rule) { return rule == Own::Balance || rule == Own::DueDate || rule == Own::MirrorOf; }

// Fields hidden on the sheet (visibility code 3) that the user edits through
// a list the sheet shows on demand (its "Options" button).
const std::pair<const char*, const char*> kShownOnDemand[] = {{"tVehicles", "InfoOptions"}};

// The guarantee fields of a used vehicle: editable by accounting users, and
// by the used-vehicle groups until the guarantee is validated.
const char* const kGuaranteeColumns[] = {"TypeGarantie", "DureeGarantie", "PrixGarantie", "MtComIntermediaire"};

// The site and salesperson of a customer: chosen once, changed by super-administrators.
const char* const kCustomerChosenOnce[] = {"Site", "idCom"};

const ClientColumn* ClientColumnOf(const std::string& table, const std::string& column) {
    for (const ClientColumn& c : kClientColumns)
        if (Lower(c.table) == Lower(table) && Lower(c.column) == Lower(column)) return &c;
    return nullptr;
}

template <size_t N>
bool InList(const std::string& column, const char* const (&list)[N]) {
    for (const char* c : list)
        if (Lower(c) == Lower(column)) return true;
    return false;
}

bool ShownOnDemand(const std::string& table, const std::string& column) {
    for (const auto& [t, c] : kShownOnDemand)
        if (Lower(t) == Lower(table) && Lower(c) == Lower(column)) return true;
    return false;
}

// ---- tables ------------------------------------------------------------------

enum class Table { Vehicles, Customers, CustomerVehicles, CostLines, Actions, PhotoLinks, Lists, Other };

Table TableOf(const std::string& name) {
    const std::string t = Lower(name);
    if (t == "tvehicles") return Table::Vehicles;
    if (t == "tclients") return Table::Customers;
    if (t == "tvehiclesprofid") return Table::CustomerVehicles;
    if (t == "tvo - frevo") return Table::CostLines;
    if (t == "tactions") return Table::Actions;
    if (t == "tvo - liens images") return Table::PhotoLinks;
    if (t == "listrubrics" || t == "listmodels" || t == "listversions") return Table::Lists;
    return Table::Other;
}

// ---- messages ----------------------------------------------------------------

std::optional<std::string> Refused(const std::string& why) { return "Écriture refusée : " + why; }

// "COMPTA, SUPERADMINS" from ";COMPTA;SUPERADMINS;".
std::string GroupsOf(const std::string& tags) {
    QStringList groups = Q(tags).split(u';', Qt::SkipEmptyParts);
    return groups.isEmpty() ? std::string("aucun groupe") : groups.join(QStringLiteral(", ")).toStdString();
}

std::string FieldName(const ColumnDescription* d, const std::string& column) {
    const QString caption = d ? Q(d->caption).trimmed() : QString();
    if (caption.isEmpty()) return "le champ " + column;
    return "le champ « " + S(caption) + " » (" + column + ")";
}

std::string RecordName(Table t, const StoredRow& row) {
    auto v = [&](const char* c) {
        auto f = row.find(Lower(c));
        return f == row.end() ? std::string() : f->second;
    };
    switch (t) {
        case Table::Vehicles: return "le véhicule " + v("idTVO");
        case Table::Customers: return "le client " + v("idClient");
        case Table::CustomerVehicles: return "le véhicule " + v("idTVO") + " du client " + v("idClient");
        case Table::CostLines: return "la ligne de frais " + v("idFrevo");
        case Table::Actions: return "l'action " + v("idAction");
        case Table::PhotoLinks: return "la photo " + v("NomImage");
        default: return "l'enregistrement";
    }
}

std::string ValueOf(const StoredRow& row, const std::string& column) {
    auto f = row.find(Lower(column));
    return f == row.end() ? std::string() : f->second;
}

bool SameText(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

bool SameNumber(const std::string& a, const std::string& b) {
    char* endA = nullptr;
    char* endB = nullptr;
    const long long x = std::strtoll(a.c_str(), &endA, 10), y = std::strtoll(b.c_str(), &endB, 10);
    return !a.empty() && !b.empty() && *endA == 0 && *endB == 0 && x == y;
}

// ---- the check -----------------------------------------------------------------

class Check {
public:
    Check(const WriteUser& user, const WriteDescriptions& d, const WriteStatement& w, const WriteFacts& f,
          bool uploading)
        : user_(user), d_(d), w_(w), f_(f), uploading_(uploading), table_(TableOf(w.table)) {}

    std::optional<std::string> run() {
        if (!user_.known()) return Refused("l'utilisateur n'est pas connu du service");
        if (f_.tooManyRows)
            return Refused("l'instruction toucherait plus de " + std::to_string(WriteFacts::kMaxRows) +
                           " enregistrements");
        switch (table_) {
            case Table::Vehicles:
            case Table::Customers: return record();
            case Table::CustomerVehicles:
            case Table::CostLines:
            case Table::Actions:
            case Table::PhotoLinks: return lines();
            case Table::Lists: return lists();
            case Table::Other: break;
        }
        return Refused("la table " + w_.table + " n'est pas modifiable depuis le poste");
    }

private:
    UserRights rightsOn(const std::string& site, bool newRecord) const {
        UserRights r;
        QStringList groups;
        for (const std::string& g : user_.groups) groups << Q(g);
        r.setGroups(groups);
        r.computeFlags(Q(user_.sites), Q(site), newRecord);
        return r;
    }

    bool ofDealership(const StoredRow& row) const {
        return !user_.dealership.empty() && SameText(ValueOf(row, "Concession"), user_.dealership);
    }

    // The dealership and site of a stored record; its rights when it is the user's.
    std::optional<std::string> access(Table t, const StoredRow& row, UserRights& rights) const {
        if (!ofDealership(row)) return Refused(RecordName(t, row) + " n'existe pas (ou plus)");
        rights = rightsOn(ValueOf(row, "Site"), false);
        if (!rights.SiteAllowed)
            return Refused(RecordName(t, row) + " est du site " + ValueOf(row, "Site") +
                           ", qui n'est pas l'un de vos sites (" + user_.sites + ")");
        return std::nullopt;
    }

    // A site given to a record must be one of the user's.
    std::optional<std::string> siteGiven(const SqlLiteralValue* site) const {
        if (!site || site->text.empty() || UserRights::siteAllowed(Q(user_.sites), Q(site->text), false))
            return std::nullopt;
        return Refused("le site " + site->text + " n'est pas l'un de vos sites (" + user_.sites + ")");
    }

    // ---- records: vehicles and customers ----

    std::optional<std::string> record() {
        if (w_.kind == StatementKind::Insert) {
            const SqlLiteralValue* concession = w_.valueOf("Concession");
            if (!concession || !SameText(concession->text, user_.dealership))
                return Refused("un nouvel enregistrement est de votre concession (" + user_.dealership + ")");
            if (auto refused = siteGiven(w_.valueOf("Site"))) return refused;
            const UserRights rights = rightsOn("", true);
            StoredRow none;
            return columns(recordKinds(nullptr), rights, none, nullptr);
        }
        for (const StoredRow& row : f_.rows) {
            UserRights rights;
            if (auto refused = access(table_, row, rights)) return refused;
            if (w_.kind == StatementKind::Delete) {
                const bool may = table_ == Table::Vehicles ? rights.RightSuperAdmin
                                                           : rights.GetDataRights(QStringLiteral(";PROFID;SUPERADMINS;"));
                if (!may)
                    return Refused(RecordName(table_, row) + " ne peut être supprimé que par les groupes " +
                                   (table_ == Table::Vehicles ? "SUPERADMINS" : "PROFID, SUPERADMINS"));
                continue;
            }
            if (auto refused = siteGiven(w_.valueOf("Site"))) return refused;
            if (auto refused = columns(recordKinds(&row), rights, row, &row)) return refused;
        }
        return std::nullopt;
    }

    std::vector<std::string> recordKinds(const StoredRow* row) const {
        if (table_ == Table::Customers || table_ == Table::CustomerVehicles) return {kCL};
        if (row) return VehicleKinds(ValueOf(*row, "TypeVO"), ValueOf(*row, "StatutVD"));
        const SqlLiteralValue* type = w_.valueOf("TypeVO");
        const SqlLiteralValue* status = w_.valueOf("StatutVD");
        return VehicleKinds(type ? type->text : std::string(), status ? status->text : std::string());
    }

    // Every column the statement sets, on a record of these kinds; `stored` is
    // the row before an update (empty for an insert).
    std::optional<std::string> columns(const std::vector<std::string>& kinds, const UserRights& rights,
                                       const StoredRow& stored, const StoredRow* vehicle) {
        for (const auto& [column, value] : w_.values) {
            const ClientColumn* own = ClientColumnOf(w_.table, column);
            if (own && !ComputedByTheClient(own->rule)) {
                if (auto refused = ownColumn(*own, column, value, rights, vehicle)) return refused;
                continue;
            }
            auto refused = described(kinds, column, rights, stored);
            if (refused && own && computedAsTheClientDoes(*own, value, kinds, rights, stored)) refused.reset();
            if (refused) return refused;
        }
        return std::nullopt;
    }

    // A field that the client computes, written as it computes it.
    bool computedAsTheClientDoes(const ClientColumn& own, const SqlLiteralValue& v, const std::vector<std::string>& kinds,
                                 const UserRights& rights, const StoredRow& stored) const {
        using K = SqlLiteralValue::Kind;
        auto amount = [&](const char* column) {
            const SqlLiteralValue* given = w_.valueOf(column);
            return std::atof(given ? given->text.c_str() : ValueOf(stored, column).c_str());
        };
        switch (own.rule) {
            case Own::Balance:
                return v.kind == K::Number &&
                       std::abs(std::atof(v.text.c_str()) - (amount("PrixVente") - amount("VFinancement") -
                                                             amount("ReprPrix") - amount("MontantAcompte"))) < 0.005;
            case Own::DueDate: return v.kind == K::Date || v.kind == K::Null;
            case Own::MirrorOf: {
                const SqlLiteralValue* partner = w_.valueOf(own.partner);
                return partner && partner->kind == v.kind && partner->text == v.text &&
                       !described(kinds, own.partner, rights, stored);
            }
            default: return false;
        }
    }

    // A column that a field of the sheets shows.
    std::optional<std::string> described(const std::vector<std::string>& kinds, const std::string& column,
                                         const UserRights& rights, const StoredRow& stored) const {
        const std::vector<ColumnDescription> all = d_.column(kinds, w_.table, column);
        std::vector<const ColumnDescription*> usable;
        for (const ColumnDescription& d : all)
            if (!d.neverSent && (d.visibility != pages::Visibility::Hidden || ShownOnDemand(w_.table, column)))
                usable.push_back(&d);
        if (all.empty()) return Refused(FieldName(nullptr, column) + " n'est sur aucune fiche de cet enregistrement");
        if (usable.empty())
            return Refused(FieldName(&all.front(), column) + " n'est jamais modifié depuis le poste (masqué ou en "
                                                             "lecture seule)");
        if (table_ == Table::Vehicles && InList(column, kGuaranteeColumns)) {
            bool allowed = rights.RightCompta;
            if (!allowed && rights.GetDataRights(QStringLiteral(";SVO;RVO;")))
                allowed = ValueOf(stored, "DateValidationGarantie").empty();
            if (allowed) return std::nullopt;
            return Refused(FieldName(usable.front(), column) +
                           " est réservé au groupe COMPTA, et aux groupes SVO, RVO tant que la garantie n'est pas "
                           "validée");
        }
        if (table_ == Table::Customers && InList(column, kCustomerChosenOnce)) {
            if (ValueOf(stored, column).empty() || rights.RightSuperAdmin) return std::nullopt;
            return Refused(FieldName(usable.front(), column) +
                           " une fois choisi n'est changé que par le groupe SUPERADMINS");
        }
        for (const ColumnDescription* d : usable)
            if (rights.GetDataRights(Q(d->rightsTags))) return std::nullopt;
        return Refused(FieldName(usable.front(), column) + " est réservé aux groupes " +
                       GroupsOf(usable.front()->rightsTags));
    }

    std::optional<std::string> ownColumn(const ClientColumn& own, const std::string& column,
                                         const SqlLiteralValue& v, const UserRights& rights,
                                         const StoredRow* vehicle) const {
        using K = SqlLiteralValue::Kind;
        const bool insert = w_.kind == StatementKind::Insert;
        const std::string name = FieldName(nullptr, column);
        auto onlyOnInsert = [&]() -> std::optional<std::string> {
            if (insert) return std::nullopt;
            return Refused(name + " ne change pas une fois l'enregistrement créé");
        };
        switch (own.rule) {
            case Own::NewKey:
                if (auto r = onlyOnInsert()) return r;
                if (v.kind != K::NewId) return Refused(name + " est une clé attribuée par le service (:NewID)");
                return std::nullopt;
            case Own::NewSecondKey:
                if (auto r = onlyOnInsert()) return r;
                if (v.kind != K::NewIdBis) return Refused(name + " est une clé attribuée par le service (:NewIDbis)");
                return std::nullopt;
            case Own::VehicleKind:
                if (auto r = onlyOnInsert()) return r;
                if (v.text != "1" && v.text != "2") return Refused(name + " vaut 1 (VO) ou 2 (VN, VD)");
                return std::nullopt;
            case Own::Owner:
                if (auto r = onlyOnInsert()) return r;
                if (!SameNumber(v.text, user_.id)) return Refused(name + " est l'utilisateur qui crée l'enregistrement");
                return std::nullopt;
            case Own::Dealership:
                if (auto r = onlyOnInsert()) return r;
                if (!SameText(v.text, user_.dealership))
                    return Refused(name + " est votre concession (" + user_.dealership + ")");
                return std::nullopt;
            case Own::CreationDate:
                if (auto r = onlyOnInsert()) return r;
                if (v.kind != K::Date) return Refused(name + " est une date");
                return std::nullopt;
            case Own::ParentVehicle:
            case Own::ParentCustomer:
                // The line rules look the record up and check it.
                return onlyOnInsert();
            case Own::CostTotal:
                if (v.kind != K::Number && v.kind != K::Null) return Refused(name + " est un montant");
                return std::nullopt;
            case Own::DefaultPhoto: {
                if (v.isNull() || v.text.empty()) return insert ? std::nullopt : photoRights(rights, vehicle);
                if (insert || !vehicle) return Refused(name + " nomme une photo liée au véhicule");
                if (auto refused = photoRights(rights, vehicle)) return refused;
                const auto linked = f_.linkedPhotos.find(ValueOf(*vehicle, "idVO"));
                if (linked == f_.linkedPhotos.end() || !linked->second.count(Upper(v.text)))
                    return Refused("la photo " + v.text + " n'est pas liée au véhicule " + ValueOf(*vehicle, "idTVO"));
                return std::nullopt;
            }
            case Own::PhotoNumber:
            case Own::PhotoName:
            case Own::PhotoDate:
                return onlyOnInsert();
            case Own::Balance:
            case Own::DueDate:
            case Own::MirrorOf:
                break;  // fields of the sheets: see computedAsTheClientDoes
        }
        return std::nullopt;
    }

    // The photo rights of a vehicle: the rights of its photo page's list, for
    // each kind it shows as; a kind without that list leaves them to everyone.
    std::optional<std::string> photoRights(const UserRights& rights, const StoredRow* vehicle) const {
        if (!vehicle) return Refused("la photo n'est liée à aucun véhicule");
        std::string needed;
        for (const std::string& kind : VehicleKinds(ValueOf(*vehicle, "TypeVO"), ValueOf(*vehicle, "StatutVD"))) {
            const std::optional<std::string> tags = d_.photoTags(kind);
            if (!tags || rights.GetDataRights(Q(*tags))) return rights.SiteAllowed ? std::nullopt
                                                                                : Refused("photos hors de vos sites");
            needed = *tags;
        }
        return Refused("les photos du véhicule " + ValueOf(*vehicle, "idTVO") + " sont réservées aux groupes " +
                       GroupsOf(needed));
    }

    // ---- lines: cost lines, photos, actions, customer vehicles ----

    std::optional<std::string> lines() {
        if (w_.kind == StatementKind::Insert) {
            const std::string parentColumn = FactsOf(w_.table)->parentColumn;
            const SqlLiteralValue* id = w_.valueOf(parentColumn);
            if (!id || id->kind != SqlLiteralValue::Kind::Number)
                return Refused("la ligne nomme son enregistrement (" + parentColumn + ")");
            return line(nullptr, id->text);
        }
        if (w_.kind == StatementKind::Update && (table_ == Table::PhotoLinks))
            return Refused("un lien de photo ne se modifie pas : il se supprime et la photo s'envoie de nouveau");
        for (const StoredRow& row : f_.rows)
            if (auto refused = line(&row, ValueOf(row, FactsOf(w_.table)->parentColumn))) return refused;
        return std::nullopt;
    }

    std::optional<std::string> line(const StoredRow* row, const std::string& parentId) {
        const bool vehicleLine = table_ == Table::CostLines || table_ == Table::PhotoLinks;
        const auto& parents = vehicleLine ? f_.vehicles : f_.customers;
        const auto found = parents.find(parentId);
        const Table parentTable = vehicleLine ? Table::Vehicles : Table::Customers;
        if (found == parents.end() || !ofDealership(found->second))
            return Refused((vehicleLine ? "le véhicule " : "le client ") + parentId + " n'existe pas (ou plus)");
        const StoredRow& parent = found->second;
        UserRights rights;
        if (auto refused = access(parentTable, parent, rights)) return refused;
        if (row && table_ == Table::CustomerVehicles && !ValueOf(*row, "Concession").empty() && !ofDealership(*row))
            return Refused(RecordName(table_, *row) + " n'existe pas (ou plus)");
        switch (table_) {
            case Table::CostLines: return costLine(row, parent, rights);
            case Table::PhotoLinks: return photoLink(row, parent, rights);
            case Table::Actions:
            case Table::CustomerVehicles: {
                if (!rights.RightProfid)
                    return Refused(table_ == Table::Actions ? "les actions du client sont réservées au groupe PROFID"
                                                            : "les véhicules du client sont réservés au groupe PROFID");
                if (w_.kind == StatementKind::Delete) return std::nullopt;
                if (table_ == Table::CustomerVehicles) {
                    if (w_.kind == StatementKind::Insert) {
                        const SqlLiteralValue* concession = w_.valueOf("Concession");
                        if (!concession || !SameText(concession->text, user_.dealership))
                            return Refused("un nouveau véhicule du client est de votre concession (" +
                                           user_.dealership + ")");
                    }
                    return columns({kCL}, rights, row ? *row : StoredRow{}, nullptr);
                }
                return gridColumns(kActionGrid, rights);
            }
            default: return std::nullopt;
        }
    }

    std::optional<std::string> gridColumns(const char* grid, const UserRights& rights) const {
        for (const auto& [column, value] : w_.values) {
            if (const ClientColumn* own = ClientColumnOf(w_.table, column)) {
                if (auto refused = ownColumn(*own, column, value, rights, nullptr)) return refused;
                continue;
            }
            const std::optional<ColumnDescription> d = d_.gridColumn(grid, column);
            if (!d || d->neverSent) return Refused(FieldName(nullptr, column) + " n'est pas une colonne de la grille");
            if (d->rightsTags.empty() || !rights.GetDataRights(Q(d->rightsTags)))
                return Refused(FieldName(&*d, column) + " est réservé aux groupes " + GroupsOf(d->rightsTags));
        }
        return std::nullopt;
    }

    // The fixed file-handling cost that the client adds to a used vehicle for
    // private buyers: one line of type "fixe" of its site's fee, once.
    bool isFixedCost() const {
        const SqlLiteralValue* type = w_.valueOf("TypeFrevo");
        if (w_.kind != StatementKind::Insert || !type || !SameText(type->text, "fixe") || w_.values.size() != 5)
            return false;
        for (const char* c : {"DateFrevo", "TypeFrevo", "MontantHT", "idVO", "idFrevo"})
            if (!w_.valueOf(c)) return false;
        return true;
    }

    std::optional<std::string> fixedCost(const StoredRow& vehicle) const {
        const std::string idVO = ValueOf(vehicle, "idVO");
        if (ValueOf(vehicle, "TypeVO") != "1") return Refused("les frais fixes ne s'ajoutent qu'aux véhicules d'occasion");
        if (f_.vehiclesWithFixedCost.count(idVO))
            return Refused("le véhicule " + ValueOf(vehicle, "idTVO") + " a déjà sa ligne de frais fixes");
        const auto fee = f_.siteFees.find(Upper(ValueOf(vehicle, "Site")));
        const double due = fee == f_.siteFees.end() ? 0.0 : std::atof(fee->second.c_str());
        const SqlLiteralValue* amount = w_.valueOf("MontantHT");
        const SqlLiteralValue* date = w_.valueOf("DateFrevo");
        if (due <= 0.0 || amount->kind != SqlLiteralValue::Kind::Number ||
            std::abs(std::atof(amount->text.c_str()) - due) > 0.005)
            return Refused("les frais fixes du véhicule " + ValueOf(vehicle, "idTVO") +
                           " sont les frais de dossier de son site");
        if (date->kind != SqlLiteralValue::Kind::Date || w_.valueOf("idFrevo")->kind != SqlLiteralValue::Kind::NewId)
            return Refused("la ligne de frais fixes porte une date et la clé :NewID");
        return std::nullopt;
    }

    std::optional<std::string> costLine(const StoredRow* row, const StoredRow& vehicle, const UserRights& rights) {
        const std::string addTags = d_.gridAddTags(kCostGrid);
        const bool mayAdd = !addTags.empty() && rights.GetDataRights(Q(addTags));
        if (!row) {
            if (isFixedCost()) return fixedCost(vehicle);
            if (!mayAdd) return Refused("l'ajout de frais est réservé aux groupes " + GroupsOf(addTags));
            return gridColumns(kCostGrid, rights);
        }
        const bool accounted = !ValueOf(*row, "NComptable").empty();
        const bool invoiced = !ValueOf(*row, "NFacture").empty();
        if (w_.kind == StatementKind::Delete) {
            if ((accounted || invoiced) && !rights.RightCompta)
                return Refused(RecordName(table_, *row) + (accounted ? " est comptabilisée" : " est facturée") +
                               " : seul le groupe COMPTA la supprime");
            if (!mayAdd && !rights.RightCompta)
                return Refused("la suppression de frais est réservée aux groupes " + GroupsOf(addTags) + ", COMPTA");
            return std::nullopt;
        }
        if (accounted && !rights.RightCompta)
            return Refused(RecordName(table_, *row) + " est comptabilisée : seul le groupe COMPTA la modifie");
        return gridColumns(kCostGrid, rights);
    }

    std::optional<std::string> photoLink(const StoredRow* row, const StoredRow& vehicle, const UserRights& rights) {
        if (auto refused = photoRights(rights, &vehicle)) return refused;
        if (row) return std::nullopt;  // a deletion
        for (const auto& [column, value] : w_.values) {
            const ClientColumn* own = ClientColumnOf(w_.table, column);
            if (!own) return Refused(FieldName(nullptr, column) + " n'est pas une colonne d'un lien de photo");
            if (auto refused = ownColumn(*own, column, value, rights, &vehicle)) return refused;
        }
        const SqlLiteralValue* number = w_.valueOf("NumImage");
        const SqlLiteralValue* name = w_.valueOf("NomImage");
        const long long n = number ? std::atoll(number->text.c_str()) : 0;
        const std::string stem = PhotoStem(ValueOf(vehicle, "idVO"), n);
        if (!number || number->kind != SqlLiteralValue::Kind::Number || n < 1 || !name || !SameText(name->text, stem))
            return Refused("le lien nomme la photo de son numéro, " + PhotoStem(ValueOf(vehicle, "idVO"), std::max(n, 1LL)));
        if (!w_.valueOf("idImage")) return Refused("le lien de photo reçoit la clé :NewID");
        const auto linked = f_.linkedPhotos.find(ValueOf(vehicle, "idVO"));
        if (!uploading_ && linked != f_.linkedPhotos.end() && linked->second.count(Upper(stem)))
            return Refused("la photo " + stem + " est déjà liée au véhicule : une photo liée n'est jamais remplacée");
        return std::nullopt;
    }

    // ---- reference lists ----

    std::optional<std::string> lists() const {
        const UserRights rights = rightsOn("", true);
        if (!rights.GetDataRights(QStringLiteral(";SUPERADMINS;")))
            return Refused("les listes de référence ne sont modifiées que par le groupe SUPERADMINS");
        if (w_.kind == StatementKind::Update)
            return Refused("une entrée de liste ne se modifie pas : elle se supprime et s'ajoute");
        if (Lower(w_.table) != "listversions") return std::nullopt;
        auto own = [&](const std::string& v) { return SameText(v, user_.dealership); };
        if (w_.kind == StatementKind::Insert) {
            const SqlLiteralValue* c = w_.valueOf("VConcession");
            if (!c || !own(c->text)) return Refused("une version ajoutée est celle de votre concession");
        }
        for (const StoredRow& row : f_.rows)
            if (!own(ValueOf(row, "VConcession"))) return Refused("les versions d'une autre concession ne sont pas les vôtres");
        return std::nullopt;
    }

    const WriteUser& user_;
    const WriteDescriptions& d_;
    const WriteStatement& w_;
    const WriteFacts& f_;
    bool uploading_;
    Table table_;
};

}  // namespace

// ---- descriptions ----------------------------------------------------------------

WriteDescriptions WriteDescriptions::Read(const std::vector<std::map<std::string, std::string>>& rows) {
    WriteDescriptions out;
    std::vector<pages::DescRow> desc;
    desc.reserve(rows.size());
    for (const auto& row : rows) {
        pages::DescRow d;
        for (const auto& [name, value] : row) d.set(Q(name), Q(value));
        desc.push_back(std::move(d));
    }
    auto field = [](const pages::DescRow& row) {
        pages::TsDesc d;
        pages::readFieldRow(d, row, false);
        return d;
    };
    for (const char* kind : {kVO, kVD, kVN, kCL}) {
        // The pages of the kind, as the client describes them: the first page row of each number.
        QString recordTable;
        std::vector<std::pair<int, QString>> pages;  // page number, page key
        for (int n = 0; n < pages::kPageCount; ++n)
            for (const pages::DescRow& row : desc) {
                const pages::PageRow page = pages::readPageRow(row);
                if (!pages::isPageRowFor(page, QString::fromLatin1(kind), n)) continue;
                if (n == 0) recordTable = page.PageTag;
                pages.emplace_back(n, page.PageKey);
                break;
            }
        for (const auto& [n, key] : pages) {
            const std::string table = Lower(records::PageTable(n, recordTable).remove(u'[').remove(u']').toStdString());
            for (const pages::DescRow& row : desc) {
                if (row.text(QStringLiteral("descInfo")) != key) continue;
                const pages::TsDesc f = field(row);
                if (n == kPhotoPage && f.FieldName == QLatin1String("ListImageVO")) out.photos_[kind] = S(f.RightsTags);
                ColumnDescription c;
                c.caption = S(f.Caption);
                c.rightsTags = S(f.RightsTags);
                c.visibility = f.Enabled;
                // A field without a control of its own (width 0) or whose control
                // shows no value is never edited on the sheet.
                c.neverSent = records::PageNeverSends(f.FieldName, f.ValueElement, f.RightsTags) || f.Width == 0 ||
                              f.ControlType == pages::ControlType::Button ||
                              f.ControlType == pages::ControlType::LabelAbove;
                out.pages_[kind][table][Lower(f.FieldName.toStdString())].push_back(c);
            }
        }
    }
    for (const char* grid : {kCostGrid, kActionGrid})
        for (const pages::DescRow& row : desc) {
            if (row.text(QStringLiteral("descInfo")) != QLatin1String(grid)) continue;
            const pages::TsDesc f = field(row);
            const QString tag = row.text(QStringLiteral("tag"));
            ColumnDescription c;
            c.caption = S(f.Caption);
            c.rightsTags = tag.isEmpty() ? std::string() : S(f.RightsTags);
            c.visibility = f.Enabled;
            c.neverSent = f.Width == 0;
            out.grids_[grid][Lower(S(f.FieldName))] = c;
            if (!tag.isEmpty() && !out.gridAdd_.count(grid)) out.gridAdd_[grid] = S(f.RightsTags);
        }
    return out;
}

std::vector<ColumnDescription> WriteDescriptions::column(const std::vector<std::string>& kinds,
                                                         const std::string& table, const std::string& column) const {
    std::vector<ColumnDescription> out;
    for (const std::string& kind : kinds) {
        const auto k = pages_.find(kind);
        if (k == pages_.end()) continue;
        const auto t = k->second.find(Lower(table));
        if (t == k->second.end()) continue;
        const auto c = t->second.find(Lower(column));
        if (c != t->second.end()) out.insert(out.end(), c->second.begin(), c->second.end());
    }
    return out;
}

std::optional<ColumnDescription> WriteDescriptions::gridColumn(const std::string& grid, const std::string& column) const {
    const auto g = grids_.find(grid);
    if (g == grids_.end()) return std::nullopt;
    const auto c = g->second.find(Lower(column));
    if (c == g->second.end()) return std::nullopt;
    return c->second;
}

std::string WriteDescriptions::gridAddTags(const std::string& grid) const {
    const auto g = gridAdd_.find(grid);
    return g == gridAdd_.end() ? std::string() : g->second;
}

std::optional<std::string> WriteDescriptions::photoTags(const std::string& kind) const {
    const auto p = photos_.find(kind);
    if (p == photos_.end()) return std::nullopt;
    return p->second;
}

// ---- facts and the check -----------------------------------------------------------

std::optional<TableFacts> FactsOf(const std::string& table) {
    using P = TableFacts::Parent;
    switch (TableOf(table)) {
        case Table::Vehicles:
            return TableFacts{{"idTVO", "idVO", "TypeVO", "StatutVD", "Concession", "Site", "DateValidationGarantie",
                               "PrixVente", "VFinancement", "ReprPrix", "MontantAcompte"},
                              P::None, ""};
        case Table::Customers: return TableFacts{{"idClient", "Concession", "Site", "idCom"}, P::None, ""};
        case Table::CustomerVehicles: return TableFacts{{"idTVO", "idClient", "Concession"}, P::Customer, "idClient"};
        case Table::CostLines:
            return TableFacts{{"idFrevo", "idVO", "NComptable", "NFacture", "TypeFrevo"}, P::Vehicle, "idVO"};
        case Table::Actions: return TableFacts{{"idAction", "idClient"}, P::Customer, "idClient"};
        case Table::PhotoLinks: return TableFacts{{"idImage", "idVO", "NomImage"}, P::Vehicle, "idVO"};
        case Table::Lists:
            if (Lower(table) == "listversions") return TableFacts{{"VConcession"}, P::None, ""};
            return TableFacts{{Lower(table) == "listrubrics" ? "RubricType" : "VMarque"}, P::None, ""};
        case Table::Other: break;
    }
    return std::nullopt;
}

std::optional<std::string> CheckWrite(const WriteUser& user, const WriteDescriptions& descriptions,
                                      const WriteStatement& write, const WriteFacts& facts, bool uploading) {
    return Check(user, descriptions, write, facts, uploading).run();
}

std::vector<std::string> VehicleKinds(const std::string& typeVO, const std::string& statutVD) {
    if (typeVO == "1") return {kVO};
    if (typeVO.empty()) return {kVO, kVD, kVN};
    if (!statutVD.empty()) return {kVD, kVN};
    return {kVN};
}

std::string PhotoStem(const std::string& idVO, long long number) {
    std::string id = idVO;
    if (id.size() < 7) id.insert(0, 7 - id.size(), '0');
    char n[24];
    std::snprintf(n, sizeof n, "%02lld", number);
    return "V" + id + "-" + n;
}

}  // namespace stanor::dataservice
