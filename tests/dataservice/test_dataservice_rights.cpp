// The rights of the writes, as plain values: the demo's tab descriptions and
// users, a few stored rows, the statements the client sends (or a careless or
// malicious one would), each refused for a user without the rights and
// carried out for one who holds them.
#include "DemoLoader.h"
#include "WriteRights.h"

#include <gtest/gtest.h>

using namespace stanor::dataservice;

namespace {

const WriteDescriptions& Demo() {
    static const WriteDescriptions d = [] {
        const TsvTable t = ReadTabDescriptions(std::string(STANOR_DEMO_DIR) + "/tabdesc_full.tsv");
        std::vector<std::map<std::string, std::string>> rows;
        for (const auto& r : t.rows) {
            std::map<std::string, std::string> m;
            for (size_t c = 0; c < t.columns.size(); ++c) m[t.columns[c]] = r[c];
            rows.push_back(m);
        }
        return WriteDescriptions::Read(rows);
    }();
    return d;
}

const WriteUser kAdmin{"1", "ALV", "#", {"USER_SUPERADMINS", "USER_SVO", "USER_VN", "USER_PROFID", "USER_COMPTA"}};
const WriteUser kSeller{"2", "ALV", "NORD", {"USER_SVO", "USER_VN", "USER_PROFID"}};
const WriteUser kAccountant{"3", "ALV", "NORD;SUD", {"USER_COMPTA"}};
const WriteUser kSellerOfBothSites{"2", "ALV", "NORD;SUD", {"USER_SVO", "USER_VN", "USER_PROFID"}};
const WriteUser kOtherDealership{"5", "BRE", "#", {"USER_SVO", "USER_VN", "USER_PROFID", "USER_COMPTA"}};
const WriteUser kUnknown{};

// The stored rows the statements below touch, as the service reads them.
const std::map<std::string, StoredRow> kRows = {
    {"vo1", {{"idtvo", "1"}, {"idvo", "1001"}, {"typevo", "1"}, {"site", "NORD"}, {"concession", "ALV"}}},
    {"vo2", {{"idtvo", "2"}, {"idvo", "1002"}, {"typevo", "1"}, {"site", "SUD"}, {"concession", "ALV"}}},
    {"vo3", {{"idtvo", "3"}, {"idvo", "1003"}, {"typevo", "1"}, {"site", "NORD"}, {"concession", "ALV"},
             {"datevalidationgarantie", "02/12/2026"}}},
    {"vd4", {{"idtvo", "4"}, {"idvo", "1004"}, {"typevo", "2"}, {"statutvd", "DEMO"}, {"site", "NORD"},
             {"concession", "ALV"}}},
    {"vn6", {{"idtvo", "6"}, {"idvo", "1006"}, {"typevo", "2"}, {"site", "NORD"}, {"concession", "ALV"},
             {"prixvente", "20000.00"}, {"vfinancement", "14000.00"}, {"montantacompte", "600.00"}}},
    {"cl1", {{"idclient", "1"}, {"site", "NORD"}, {"idcom", "2"}, {"concession", "ALV"}}},
    {"cl2", {{"idclient", "2"}, {"site", "SUD"}, {"idcom", "4"}, {"concession", "ALV"}}},
    {"cost1", {{"idfrevo", "1"}, {"idvo", "1001"}, {"ncomptable", "611200"}}},
    {"cost2", {{"idfrevo", "2"}, {"idvo", "1001"}, {"nfacture", "F2026-118"}}},
    {"cost3", {{"idfrevo", "3"}, {"idvo", "1001"}}},
    {"veh1", {{"idtvo", "1"}, {"idclient", "1"}, {"concession", "ALV"}}},
    {"photo1", {{"idimage", "1"}, {"idvo", "1001"}, {"nomimage", "V0001001-01"}}},
    {"rubric", {{"rubrictype", "Couleur"}}},
};

// The facts the service would read for a statement touching `touched`.
WriteFacts FactsFor(const std::vector<std::string>& touched) {
    WriteFacts f;
    for (const std::string& name : touched) f.rows.push_back(kRows.at(name));
    for (const char* v : {"vo1", "vo2", "vo3", "vd4", "vn6"}) f.vehicles[kRows.at(v).at("idvo")] = kRows.at(v);
    for (const char* c : {"cl1", "cl2"}) f.customers[kRows.at(c).at("idclient")] = kRows.at(c);
    f.linkedPhotos["1001"] = {"V0001001-01", "V0001001-02"};
    f.vehiclesWithFixedCost = {"1003"};
    f.siteFees = {{"NORD", "150"}, {"SUD", "0"}};
    return f;
}

std::optional<std::string> Check(const WriteUser& user, const std::string& sql, const std::vector<std::string>& touched) {
    const TranslatedSql t = TranslateSql(sql);
    if (!t.ok()) return "traduction : " + t.error;
    std::string why;
    const auto write = ReadWriteStatement(t, why);
    if (!write) return why;
    return CheckWrite(user, Demo(), *write, FactsFor(touched));
}

struct Case {
    const char* what;
    const WriteUser* refused;   // a user without the rights
    const WriteUser* accepted;  // a user with them; nullptr when nobody may
    const char* sql;
    std::vector<std::string> touched;
    const char* says;  // what the refusal names
};

}  // namespace

TEST(WriteRights, ForbiddenWritesAreRefusedAndRightfulOnesCarriedOut) {
    const Case cases[] = {
        {"salesperson writes the commission", &kSeller, &kAdmin,
         "Update tVehicles set MtComVendeur=500.00 where (idTVO=1)", {"vo1"}, "« Com. vend. » (MtComVendeur)"},
        {"salesperson writes the purchase price", &kSeller, &kAccountant,
         "Update tVehicles set MontantAchat=18000.00 where (idTVO=6)", {"vn6"}, "« Mt achat »"},
        {"salesperson writes an accounting number", &kSeller, &kAccountant,
         "Update [tVO - Frevo] set NComptable='611' where (idFrevo=3)", {"cost3"}, "« N° compta »"},
        {"salesperson adds a cost line with an accounting number", &kSeller, &kAdmin,
         "Insert into [tVO - Frevo] (DateFrevo,NComptable, idVO, idFrevo ) Values (#12/01/2026#,'611', 1001, :NewID)",
         {}, "« N° compta »"},
        {"salesperson changes an accounted cost line", &kSeller, &kAdmin,
         "Update [tVO - Frevo] set MontantHT=1.00 where (idFrevo=1)", {"cost1"}, "comptabilisée"},
        {"salesperson deletes an invoiced cost line", &kSeller, &kAdmin,
         "Delete * from [tVO - Frevo] where (idFrevo=2)", {"cost2"}, "facturée"},
        {"salesperson writes a vehicle of another site", &kSeller, &kAccountant,
         "Update tVehicles set MtComVendeur=1.00 where (idTVO=2)", {"vo2"}, "site SUD"},
        {"salesperson writes a customer of another site", &kSeller, &kAdmin,
         "Update tClients set CliNom='X' where (idClient=2)", {"cl2"}, "site SUD"},
        {"salesperson creates a vehicle for another site", &kSeller, &kSellerOfBothSites,
         "Insert into tVehicles (NVO,Site, idTVO, TypeVO, idVO, idOwner, Concession) Values (9,'SUD', :NewID, 1, "
         ":NewIDbis, 2, 'ALV')", {}, "site SUD"},
        {"salesperson moves a vehicle to another site", &kSeller, &kAdmin,
         "Update tVehicles set Site='SUD' where (idTVO=1)", {"vo1"}, "site SUD"},
        {"salesperson prices a validated guarantee", &kSeller, &kAccountant,
         "Update tVehicles set PrixGarantie=300.00 where (idTVO=3)", {"vo3"}, "garantie"},
        {"salesperson validates the guarantee", &kSeller, &kAccountant,
         "Update tVehicles set DateValidationGarantie=#12/01/2026# where (idTVO=1)", {"vo1"}, "« Valid. gar. »"},
        {"salesperson deletes a vehicle", &kSeller, &kAdmin,
         "Delete * From [tVehicles] where idVO=1001", {"vo1"}, "SUPERADMINS"},
        {"salesperson edits a reference list", &kSeller, &kAdmin,
         "Insert into ListRubrics (RubricType, RubricIndex, RubricItem, RubricText) Values ('Couleur', 0, '..' ,'Ocre')",
         {}, "SUPERADMINS"},
        {"accounting user writes a sale price", &kAccountant, &kSeller,
         "Update tVehicles set PrixVente=1.00 where (idTVO=1)", {"vo1"}, "« Prix vente »"},
        {"accounting user writes a customer's name", &kAccountant, &kSeller,
         "Update tClients set CliNom='X' where (idClient=1)", {"cl1"}, "« Nom »"},
        {"accounting user adds an action", &kAccountant, &kSeller,
         "Insert into tActions (DateAction,CommentaireAction, idClient, idAction ) Values (#12/01/2026#,'x', 1, :NewID)",
         {}, "PROFID"},
        {"salesperson writes a balance that is not the computed one", &kSeller, &kAdmin,
         "Update tVehicles set Solde=1.00 where (idTVO=6)", {"vn6"}, "« Solde »"},
        {"salesperson writes a purchase date apart from the invoice date", &kSeller, &kAdmin,
         "Update tVehicles set DateFacture=#12/02/2026#,DateAchat=#12/03/2026# where (idTVO=6)", {"vn6"}, "« Achat »"},
        // What no user may write.
        {"a field hidden on the record's sheets", &kSeller, nullptr,
         "Update tVehicles set FlagNonDiffuse=True where (idTVO=6)", {"vn6"}, "masqué"},
        {"a record moved to another dealership", &kAdmin, nullptr,
         "Update tVehicles set Concession='BRE' where (idTVO=1)", {"vo1"}, "ne change pas"},
        {"a record created for someone else", &kSeller, nullptr,
         "Insert into tClients (CliNom, idClient, DateCreation, idOwner, Concession) Values ('X', :NewID, "
         "#01/15/2026#, 1, 'ALV')", {}, "idOwner est l'utilisateur"},
        {"a record of another dealership", &kOtherDealership, nullptr,
         "Update tVehicles set KMS=1 where (idTVO=1)", {"vo1"}, "n'existe pas"},
        {"a photo name already linked", &kAdmin, nullptr,
         "INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) VALUES (:NewID, 1001, 1, "
         "'V0001001-01', '2026-12-01 10:00:00')", {}, "jamais remplacée"},
        {"a default photo that is not the vehicle's", &kAdmin, nullptr,
         "Update tVehicles set NomImage='V0001002-01' where idVO=1001", {"vo1"}, "n'est pas liée"},
        {"a second fixed cost line", &kAdmin, nullptr,
         "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) Values (#12/01/2026#,'fixe', "
         "150.00, 1003, :NewID)", {}, "déjà sa ligne de frais fixes"},
        {"an unknown user", &kUnknown, nullptr,
         "Update tVehicles set KMS=1 where (idTVO=1)", {"vo1"}, "pas connu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto refusal = Check(*c.refused, c.sql, c.touched);
        ASSERT_TRUE(refusal.has_value());
        EXPECT_NE(refusal->find(c.says), std::string::npos) << *refusal;
        EXPECT_EQ(refusal->rfind("Écriture refusée : ", 0), 0u) << *refusal;
        if (c.accepted) {
            EXPECT_EQ(Check(*c.accepted, c.sql, c.touched), std::nullopt);
        }
    }
}

// The writes the client makes on its own, without a field of the sheets.
TEST(WriteRights, WhatTheClientWritesOnItsOwnIsAcceptedByItsRule) {
    const struct {
        const char* what;
        const WriteUser* user;
        const char* sql;
        std::vector<std::string> touched;
    } cases[] = {
        {"a new used vehicle with its keys, kind, owner and dealership", &kSeller,
         "Insert into tVehicles (NVO,Immatriculation,PrixVente, idTVO, TypeVO, idVO, idOwner, Concession) Values "
         "(1299,'ZZ999ZZ',9990.50, :NewID, 1, :NewIDbis, 2, 'ALV')", {}},
        {"a new customer with its creation date", &kSeller,
         "Insert into tClients (CliNom,Site,idCom, idClient, DateCreation, idOwner, Concession) Values ('L''HOTE',"
         "'NORD',2, :NewID, #01/15/2026#, 2, 'ALV')", {}},
        {"a customer's new vehicle", &kSeller,
         "Insert into TVehiclesProfid (Immatriculation,KMS, idClient, idTVO, NVO, idOwner, Concession) Values "
         "('AB123CD',5000,1, :NewID, :NewIDbis,2, 'ALV')", {}},
        {"the cost totals, by an accounting user", &kAccountant,
         "Update tVehicles set FrevoInterne=95.00,Frevo=529.40 where (idTVO=1)", {"vo1"}},
        {"the fixed cost line, by an accounting user", &kAccountant,
         "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) Values (#12/01/2026#,'fixe', "
         "150.00, 1001, :NewID) ", {}},
        {"the default photo", &kSeller, "Update tVehicles set NomImage='V0001001-02' where idVO=1001", {"vo1"}},
        {"no default photo", &kSeller, "Update tVehicles set NomImage=NULL where idVO=1001", {"vo1"}},
        {"a photo unlinked", &kSeller, "Delete * From [tVO - Liens Images] where idVO=1001 and NomImage='V0001001-01'",
         {"photo1"}},
        {"a new photo link", &kSeller,
         "INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) VALUES (:NewID, 1001, 3, "
         "'V0001001-03', '2026-12-01 10:00:00')", {}},
        {"the options of a new vehicle, shown on demand", &kSeller,
         "Update tVehicles set InfoOptions=';GPS;' where (idTVO=6)", {"vn6"}},
        {"a new vehicle's balance and due dates, computed on a salesperson's change", &kSeller,
         "Update tVehicles set PrixVente=21000.00,Solde=6400.00,DateEchTresorerie=#12/20/2026#,DateEchReglement=NULL "
         "where (idTVO=6)", {"vn6"}},
        {"the purchase date following the invoice date", &kSeller,
         "Update tVehicles set DateFacture=#12/02/2026#,DateAchat=#12/02/2026# where (idTVO=6)", {"vn6"}},
        {"the invoice date following the purchase date", &kAccountant,
         "Update tVehicles set DateAchat=#12/02/2026#,DateFacture=#12/02/2026# where (idTVO=6)", {"vn6"}},
        {"a demonstrator's field hidden on new vehicles only", &kSeller,
         "Update tVehicles set FlagNonDiffuse=True where (idTVO=4)", {"vd4"}},
        {"the guarantee of a used vehicle by an accounting user", &kAccountant,
         "Update tVehicles set TypeGarantie='Garage',PrixGarantie=300.00 where (idTVO=3)", {"vo3"}},
        {"a customer's vehicle deleted", &kSeller, "Delete * From tVehiclesProfid where idTVo=1", {"veh1"}},
        {"the sweep of cancelled new vehicles", &kAdmin,
         "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null));",
         {"vn6"}},
        {"a reference list entry removed", &kAdmin, "Delete * From ListRubrics where RubricType='Couleur' and "
         "RubricText='Ocre'", {"rubric"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Check(*c.user, c.sql, c.touched), std::nullopt);
    }
}

// Only the shapes the client builds are read; the rows a write changes are
// always the rows its terms name.
TEST(WriteStatements, OnlyTheClientsShapesAreRead) {
    const struct {
        const char* sql;
        const char* read;  // table|columns|conditions, or nullptr when refused
    } cases[] = {
        {"Update tVehicles set KMS=1,Commentaires='a''b' where (idTVO=1) and (isNull(idVO))",
         "tVehicles|KMS=1,Commentaires=a'b|idTVO=1,idVO null"},
        {"DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null))",
         "tVehicles||TypeVO=2,Acheteur null,DateAnnulation not null"},
        {"Delete * From [tVO - Liens Images] where idVO=1001 and NomImage='V1'",
         "tVO - Liens Images||idVO=1001,NomImage=V1"},
        {"Insert into [tVO - Frevo] (DateFrevo, MontantHT, idFrevo) Values (#12/01/2026#, -12.50, :NewID)",
         "tVO - Frevo|DateFrevo=2026-12-01,MontantHT=-12.50,idFrevo=:|"},
        {"Update tClients set CliNom='x' where idClient in (1, 2)", "tClients|CliNom=x|idClient=1 2"},
        // Rows named otherwise than by plain terms, values that are not literals.
        {"Update tClients set CliNom='x' where idClient=1 or 1=1", nullptr},
        {"Update tClients set CliNom='x' where 1=1", nullptr},
        {"Update tClients set CliNom='x' where idClient=(select 1)", nullptr},
        {"Update tClients set CliNom=CliPrenom where idClient=1", nullptr},
        {"Update tClients set CliNom=upper('x') where idClient=1", nullptr},
        {"Update tClients set CliNom='x' where idClient=idCom", nullptr},
        {"Update tClients set CliNom='x' where not (idClient=1)", nullptr},
        {"Insert into tClients (CliNom) select CliNom from tClients", nullptr},
        {"Insert into tClients (CliNom, CliPrenom) Values ('x')", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const TranslatedSql t = TranslateSql(c.sql);
        std::string why;
        const auto w = t.ok() ? ReadWriteStatement(t, why) : std::nullopt;
        if (!c.read) {
            EXPECT_FALSE(w.has_value());
            continue;
        }
        ASSERT_TRUE(w.has_value()) << why << t.error;
        std::string values, terms;
        for (const auto& [col, v] : w->values)
            values += (values.empty() ? "" : ",") + col + "=" + (v.isKey() ? ":" : v.text);
        for (const WriteCondition& cond : w->where) {
            terms += (terms.empty() ? "" : ",") + cond.column;
            if (cond.op == WriteCondition::Op::IsNull) terms += " null";
            else if (cond.op == WriteCondition::Op::IsNotNull) terms += " not null";
            else {
                terms += "=";
                for (size_t i = 0; i < cond.values.size(); ++i) terms += (i ? " " : "") + cond.values[i].text;
            }
        }
        EXPECT_EQ(w->table + "|" + values + "|" + terms, c.read);
    }
}
