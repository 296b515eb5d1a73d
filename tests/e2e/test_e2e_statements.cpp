// Every kind of statement the form builds from the demo records, typed in as
// a user types, executed by the data service on loopback and read back from
// the database: the update of each page and the insert of each record kind,
// with quotes, "%", "+", "?", accents, line breaks, dates, decimals and NULLs.
#include "EditingFixture.h"

using namespace e2e;

namespace {

struct Typed {
    const char* control;
    const char* keys;  // "" empties the field, "\n" is Return
};

struct Case {
    const char* what;
    const char* vehicle;  // idTVO, or nullptr for the customer below
    int idTypeVO;
    const char* customer;
    int page;
    std::vector<Typed> typed;
    const char* toggled;  // a list box whose first item is toggled, or nullptr
    const char* select;   // the stored row, read with its key appended
    const char* stored;   // its columns joined by "|"; "%L" is the toggled list's value
};

}  // namespace

class StatementsE2e : public EditingE2e {
protected:
    void open(const Case& c)
    {
        if (c.vehicle)
            openVehicle(c.vehicle, c.idTypeVO);
        else
            openCustomer(c.customer);
    }

    // Types the case in, sends the page's statement and reads the row back.
    void check(const Case& c, const QString& key = {})
    {
        for (const Typed& t : c.typed)
            type(QString::fromLatin1(t.control), QString::fromUtf8(t.keys));
        QString listValue;
        if (c.toggled) {
            auto* list = get<toolkit::ListBox>(QString::fromLatin1(c.toggled));
            ASSERT_GT(list->count(), 0) << c.what;
            list->setSelected(0, !list->isSelected(0));
            for (const pages::TsDesc& f : state().pages[c.page].Fields)
                if (f.Control == list)
                    listValue = f.CurrentValue;
        }
        const QString id = send(c.page);
        const QString rowKey = key.isEmpty() ? id : key;
        QString expected = QString::fromUtf8(c.stored);
        expected.replace(QLatin1String("%L"), listValue);
        EXPECT_EQ(row(QString::fromLatin1(c.select) + rowKey), expected)
            << c.what << "\n" << pending(c.page).Statement.toStdString();
    }
};

TEST_F(StatementsE2e, UpdateOfEachPage)
{
    const Case cases[] = {
        {"used vehicle",
         "1", 1, nullptr, 1,
         {{"cCommentaires", "l'auto \"propre\" à 50% + a+b ? <R&D> #1\n2e ligne"},
          {"cPrixVente", "13 250,5"},
          {"cMEC", "15032019"},
          {"cKMS", ""},
          {"cIntermediaire", "Martin & Fils+"}},
         nullptr,
         "SELECT Commentaires, PrixVente, MEC, KMS, Intermediaire FROM tVehicles WHERE idTVO=",
         "l'auto \"propre\" à 50% + a+b ? <R&D> #1\r\n2e ligne|13250.50|15/03/2019||Martin & Fils+"},
        {"demonstrator",
         "4", 3, nullptr, 2,
         {{"cVDKMS", "1500"}, {"cVDCommentaires", "Démo « été » 100%"}, {"cVDPrixVente", "21990,9"}},
         nullptr,
         "SELECT KMS, Commentaires, PrixVente FROM tVehicles WHERE idTVO=",
         "1500|Démo « été » 100%|21990.90"},
        {"new vehicle, its accounting panel and options",
         "6", 2, nullptr, 3,
         {{"cVNNVO", "3199"}, {"cVNMontantAchat", "18000"}, {"cVNDateAchat", "05112026"}, {"cVNCFMemo", "a+b=c?"}},
         "cVNInfoOptions",
         "SELECT NVO, MontantAchat, DateAchat, CFMemo, InfoOptions FROM tVehicles WHERE idTVO=",
         "3199|18000.00|05/11/2026|a+b=c?|%L"},
        {"equipment of a used vehicle",
         "1", 1, nullptr, 4, {}, "cInfoEquiInterieur",
         "SELECT InfoEquiInterieur FROM tVehicles WHERE idTVO=", "%L"},
        {"customer",
         nullptr, 0, "1", 7,
         {{"aCliNom", "o'neil"},
          {"aCliAdresse1", "12 bis, rue de l'été"},
          {"aCliDateNaissance", "01021980"},
          {"aCliNbEnfants", ""},
          {"aCliEmail", "a+b@exemple.fr"}},
         nullptr,
         "SELECT CliNom, CliAdresse1, CliDateNaissance, CliNbEnfants, CliEmail FROM tClients WHERE idClient=",
         "O'NEIL|12 BIS, RUE DE L'éTé|01/02/1980||a+b@exemple.fr"},
        {"customer's vehicle",
         nullptr, 0, "1", 8,
         {{"vKMS", "153000"}, {"vLieuEntretien1", "Garage \"Central\" 50%"}},
         nullptr,
         "SELECT KMS, LieuEntretien1 FROM TVehiclesProfid WHERE idTVO=",
         "153000|Garage \"Central\" 50%"},
        {"customer's purchase plans",
         nullptr, 0, "1", 9, {{"cPACliDateProchainAchat", "01062027"}}, "cPAPATypeVO",
         "SELECT CliDateProchainAchat, PATypeVO FROM tClients WHERE idClient=", "01/06/2027|%L"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c);
        EXPECT_FALSE(pending(c.page).Insert);
        check(c, QString::fromLatin1(c.vehicle ? c.vehicle : c.customer));
        run->form.reset();
    }
}

TEST_F(StatementsE2e, InsertOfEachRecordKind)
{
    const Case cases[] = {
        {"used vehicle",
         "-1", 1, nullptr, 1,
         {{"cNVO", "1299"}, {"cImmatriculation", "zz-999-zz"}, {"cKMS", "100"}, {"cPrixVente", "9 990,5"}},
         nullptr,
         "SELECT TypeVO, NVO, Immatriculation, KMS, PrixVente, DateEntree, idOwner, Concession, idVO > 0 "
         "FROM tVehicles WHERE idTVO=",
         "1|1299|ZZ999ZZ|100|9990.50|15/01/2026|1|ALV|1"},
        {"new vehicle",  // the launcher asks for "-" followed by the kind
         "-2", 2, nullptr, 3, {{"cVNNVO", "3999"}}, nullptr,
         "SELECT TypeVO, NVO, Concession FROM tVehicles WHERE idTVO=", "2|3999|ALV"},
        {"customer",
         nullptr, 0, "-1", 7, {{"aCliNom", "l'hôte"}, {"aCliMobile", "06.12"}}, nullptr,
         "SELECT CliNom, CliMobile, CliPays, DateCreation, idOwner, Concession FROM tClients WHERE idClient=",
         "L'HôTE|0612|FRANCE|15/01/2026|1|ALV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c);
        EXPECT_TRUE(form().JvXPBtnSave->isEnabled() || pending(c.page).Statement.isEmpty());
        check(c);
        EXPECT_TRUE(pending(c.page).Insert);
        run->form.reset();
    }

    // A vehicle added to a stored customer.
    openCustomer("1");
    state().NewVehicle = true;
    view().UpdateTabDesc(false, true);
    check({"customer's new vehicle", nullptr, 0, "1", 8, {{"vImmatriculation", "ab-123-cd"}, {"vKMS", "5000"}},
           nullptr, "SELECT idClient, Immatriculation, KMS, NVO > 0 FROM TVehiclesProfid WHERE idTVO=",
           "1|AB123CD|5000|1"});
}
