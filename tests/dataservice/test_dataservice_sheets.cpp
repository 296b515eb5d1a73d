// The printable sheets read back as text with pdftotext, against the demo
// records: what each sheet shows, the margins by the page's rules, photos,
// pagination, and the refusals answered as LogItems instead of a document.
#include "DemoPhotos.h"
#include "ReportPdf.h"
#include "ServiceFixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

namespace {

// Output of a poppler tool run on a PDF.
std::string Poppler(const std::string& pdf, const std::string& command, const std::string& after = "") {
    const std::string file = MakeTempDir() + "/sheet.pdf";
    std::ofstream(file, std::ios::binary) << pdf;
    std::string out;
    if (FILE* p = popen((command + " '" + file + "' " + after + " 2>&1").c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    fs::remove_all(fs::path(file).parent_path());
    return out;
}

// The text of a sheet as read on paper: no-break spaces as spaces, each run
// of blanks as one, pages separated by form feeds.
std::string Text(const std::string& pdf) {
    std::string raw = Poppler(pdf, "pdftotext -layout -enc UTF-8", "-");
    const std::string out = std::regex_replace(raw, std::regex("\u00A0|\u202F"), " ");
    return std::regex_replace(out, std::regex("[ \t]+"), " ");
}

int Pages(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\f';
    return n;
}

// The images of a sheet and their encodings, one line each, from pdfimages.
std::vector<std::string> Images(const std::string& pdf) {
    std::vector<std::string> images;
    std::istringstream lines(Poppler(pdf, "pdfimages -list"));
    std::string line;
    for (int i = 0; std::getline(lines, line); ++i)
        if (i >= 2 && !line.empty()) images.push_back(line);
    return images;
}

}  // namespace

class DataServiceSheets : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir();
        images_ = dir_ + "/images";
        copy_ = std::make_unique<DemoCopy>(dir_);
        db_ = copy_->open();
        EnsureDemoPhotos(*db_, images_);
        ASSERT_NE(Poppler("", "pdftotext -v").find("pdftotext"), std::string::npos)
            << "pdftotext (poppler-utils) manque : lancer scripts/setup";
    }
    void TearDown() override {
        db_.reset();
        copy_.reset();
        fs::remove_all(dir_);
    }
    Report Build(const std::string& select, const std::string& name) {
        return BuildReport(*db_->acquire(), select, name, "09/12/2026", images_, "ALV");
    }
    // The text of a sheet that must be produced.
    std::string Sheet(const std::string& select, const std::string& name) {
        Report r = Build(select, name);
        EXPECT_TRUE(r.ok) << name << " " << select << " : " << r.body;
        return r.ok ? Text(r.body) : std::string();
    }
    void Exec(const std::string& sql) { db_->acquire()->exec(sql); }

    std::string dir_, images_;
    std::unique_ptr<DemoCopy> copy_;
    std::unique_ptr<Store> db_;
};

TEST_F(DataServiceSheets, EachSheetShowsItsRecordAndKeepsInternalFiguresOffCustomerSheets) {
    struct Case {
        const char* select;
        const char* name;
        std::vector<std::string> shown;
        std::vector<std::string> hidden;
    };
    const Case cases[] = {
        {"idVO=1001", "VO - Fiche Commerciale",
         {"Véhicule d'occasion", "Fiche commerciale", "Concession ALV", "Site NORD", "VW · AUDI · SKODA",
          "Édité le 09/12/2026", "RENAULT CLIO", "N° VO 1201", "AB123CD", "Prix de vente TTC", "12 500,00 €",
          "Kilométrage 84 500 km", "1re mise en circulation 12/05/2019", "Énergie Gazole",
          "Intérieur Climatisation, Navigation", "Complément Carnet d'entretien, Double des clés",
          "Vendeur BERNARD Luc", "Garage · 12 mois", "Entretien à jour\n", "Deux propriétaires", "Puissance fiscale 5 CV"},
         {"9 800,00", "350,00", "Marge"}},
        {"idVO=1004", "VD - Fiche Commerciale",
         {"Véhicule de démonstration", "VW GOLF", "N° VD 2101", "Statut DEMO", "Prix catalogue", "31 500,00 €",
          "Remise", "3 600,00 €", "27 900,00 €", "Options Caméra de recul, Phares LED", "Type version 1.5 TSI 130 Life",
          "Essais clients le samedi"},
         {"DEMO-12"}},
        {"idVO=1004", "VD - Fiche Commerciale2",
         {"Offre démonstrateur", "VW GOLF", "Votre économie", "3 600,00 €", "27 900,00 €", "BERNARD Luc, site NORD",
          "Sécurité ABS, ESP, Airbags latéraux"},
         {"DEMO-12", "Essais clients le samedi"}},
        {"idVO=1005", "VD - Fiche Commerciale",
         {"SEAT IBIZA", "Site SUD", "SEAT · CUPRA", "Statut DIRECTION", "Boîte de vitesses Automatique",
          "Vendeur PETIT Marc"},
         {"VW · AUDI"}},
        {"idVO=1006", "VN - Fiche Commerciale",
         {"Véhicule neuf", "VW POLO", "N° VN 3101", "Commande", "Acheteur DUPONT Jean", "23 100,00 €", "21 900,00 €",
          "Solde à régler", "1 400,00 €", "Acompte versé", "Cde usine 14/10/2026", "Fabrication 24/11/2026",
          "Financement : LOA · Banque B · délai de règlement 60 jours", "Mémo Livraison souhaitée avant Noël", "Marque PEUGEOT"},
         {"19 650,00", "17 650,00", "Commande annulée", "LOA : 60"}},
        {"idVO=1007", "VN - Fiche Commerciale",
         {"VW TIGUAN", "Commande annulée le 30/09/2026", "Annulation 30/09/2026", "Extérieur Jantes alliage, Toit ouvrant"},
         {}},
        {"idVO=1001", "VO - Feuille de Marge",
         {"Feuille de marge", "RENAULT CLIO", "TVA due", "450,00 €", "Marge brute", "2 600,00 €", "Marge nette",
          "1 780,60 €", "TVA à 20 %, mode « TVA sur marge »", "Prix de reprise 9 800,00 €", "TPVO 350,00 €",
          "03/10/2026 Contrôle technique Garage Central 611200 externe 78,00 €",
          "05/10/2026 Pneumatiques Pneus Express F2026-118 externe 356,40 €", "Total 529,40 €",
          "Interne 95,00 € 95,00 €", "Externe 434,40 € 434,40 €", "Jusqu'au 31/12/2026",
          "Commission vendeur 120,00 €"},
         {}},
        {"idVO=1002", "VO - Feuille de Marge",
         {"TVA sur prix total", "3 041,67 €", "2 921,67 €", "Vidange", "Total 120,00 €", "Com. intermédiaire 300,00 €"},
         {"Contrôle technique"}},
        {"idVO=1003", "VO - Feuille de Marge",
         {"VW GOLF", "450,00 €", "2 650,00 €", "1 860,00 €", "Frais de dossier", "Fixe 150,00 € 150,00 €",
          "Acheteur MARTIN SA", "Livraison 02/12/2026"},
         {}},
        {"idClient=1", "Fiche Profid",
         {"Fiche client", "M. DUPONT Jean", "12 rue des Lilas, 59000 LILLE", "Client n° 1", "Client depuis le 11/03/2024",
          "Préfère être appelé après 18 h\n", "A recommandé sa sœur", "Naissance 18/04/1975", "Vendeur BERNARD Luc",
          "Type Neuf, Démonstration", "Énergie Essence, Hybride", "1er choix VW GOLF", "2e choix PEUGEOT 308",
          "20/11/2026 Appel Relance BERNARD Luc", "01/02/2027 · Relance", "02/11/2026 Visite Offre BERNARD Luc",
          "Essai de la Golf, très", "Normale", "AA111BB PEUGEOT 308 1.6 HDI 110 VO 01/06/2014 152 000 Comptant",
          "CC222DD VW POLO 1.0 TSI 95 VN", "289,00 €/mois", "163 000 km"},
         {"TRANSPORTS LEROY", "EE333FF", "Demande d'information"}},
        {"idClient=3", "Fiche Profid",
         {"Société TRANSPORTS LEROY", "Site NORD", "Offre flotte de 3 utilitaires", "MOREAU Anne", "GG444HH",
          "RENAULT MASTER 2.3 DCI", "540,00 €/mois"},
         {"DUPONT"}},
    };
    const std::regex isoDate("\\d{4}-\\d\\d-\\d\\d"), wireAmount("\\d\\.\\d\\d\\b");
    for (const Case& c : cases) {
        const std::string text = Sheet(c.select, c.name);
        for (const std::string& s : c.shown) EXPECT_NE(text.find(s), std::string::npos) << c.name << " " << c.select << " : " << s << "\n" << text;
        for (const std::string& s : c.hidden) EXPECT_EQ(text.find(s), std::string::npos) << c.name << " " << c.select << " : " << s;
        EXPECT_FALSE(std::regex_search(text, isoDate)) << c.name << " " << c.select;
        EXPECT_FALSE(std::regex_search(text, wireAmount)) << c.name << " " << c.select;
        EXPECT_NE(text.find(std::string("— ") + c.select), std::string::npos) << "pied de page " << c.name;
    }
}

TEST_F(DataServiceSheets, MarginSheetCountsCostsToTheEndOfTheDeliveryMonthAndReadsTheVatMode) {
    // Delivered in November: the month-end column stops at 30/11/2026.
    Exec("UPDATE tVehicles SET DateLivraison = '2026-11-15' WHERE idVO = 1003");
    Exec("INSERT INTO \"tVO - Frevo\" (idVO, DateFrevo, LibelleFrevo, TypeFrevo, MontantHT) VALUES "
         "(1003, '2026-11-30', 'Polissage', 'INTERNE', 100), (1003, '2026-12-01', 'Pneus hiver', 'pneus', 40), "
         "(1003, NULL, 'Sans date', 'Externe', 10)");
    std::string text = Sheet("idVO=1003", "VO - Feuille de Marge");
    for (const char* s : {"Jusqu'au 30/11/2026", "Interne 100,00 € 100,00 €", "Prévision 40,00 € 0,00 €",
                          // undated: counted as dated today, 09/12/2026, after the limit
                          "Externe 460,00 € 450,00 €", "Fixe 150,00 € 150,00 €", "Total 750,00 € 700,00 €",
                          // every line lowers the net margin: 2650 - 750 - 190
                          "1 710,00 €"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;

    struct Mode {
        const char* stored;  // ModeTVA as stored
        const char* vat;     // VAT due
        const char* gross;
        const char* label;   // the mode shown, "" for none
    };
    const Mode modes[] = {
        {"1", "450,00 €", "2 650,00 €", "TVA sur marge"},
        {"2", "0,00 €", "2 583,33 €", "TVA sur prix total"},  // (400 + 2700) / 1.2
        {"0", "450,00 €", "2 650,00 €", "TVA sur marge"},     // 0 reads as the first mode
        {"NULL", "450,00 €", "2 650,00 €", "TVA sur marge"},
        {"7", "450,00 €", "2 650,00 €", ""},                  // beyond the list: no mode selected
    };
    for (const Mode& m : modes) {
        Exec(std::string("UPDATE tVehicles SET ModeTVA = ") + m.stored + " WHERE idVO = 1003");
        text = Sheet("idVO=1003", "VO - Feuille de Marge");
        const size_t vat = text.find("TVA due");
        ASSERT_NE(vat, std::string::npos) << m.stored;
        const std::string tiles = text.substr(vat, text.find("Prix et commissions") - vat);
        EXPECT_NE(tiles.find(m.vat), std::string::npos) << m.stored << "\n" << tiles;
        EXPECT_NE(tiles.find(m.gross), std::string::npos) << m.stored << "\n" << tiles;
        EXPECT_EQ(text.find(std::string("Mode TVA ") + m.label) != std::string::npos, *m.label != 0) << m.stored;
    }
}

TEST_F(DataServiceSheets, DefaultPhotoIsEmbeddedAsJpegWhenReadable) {
    struct Case {
        const char* setup;  // SQL run first, or ""
        const char* file;   // file written into the images folder first, or ""
        const char* content;
        const char* select;
        const char* name;
        bool photo;
    };
    const Case cases[] = {
        {"", "", "", "idVO=1001", "VO - Fiche Commerciale", true},
        {"", "", "", "idVO=1001", "VO - Feuille de Marge", true},
        {"UPDATE tVehicles SET NomImage = NULL WHERE idVO = 1002", "", "", "idVO=1002", "VO - Fiche Commerciale",
         false},  // linked photos, none chosen as default
        {"UPDATE tVehicles SET NomImage = 'V0009999-01' WHERE idVO = 1001", "", "", "idVO=1001",
         "VO - Fiche Commerciale", false},  // the file is missing
        {"UPDATE tVehicles SET NomImage = 'abime' WHERE idVO = 1001", "abime.jpg", "pas une image", "idVO=1001",
         "VO - Fiche Commerciale", false},
        {"UPDATE tVehicles SET NomImage = '../demo' WHERE idVO = 1001", "", "", "idVO=1001",
         "VO - Fiche Commerciale", false},  // never outside the images folder
        {"UPDATE tVehicles SET NomImage = 'V0001001-02.jpg' WHERE idVO = 1004", "", "", "idVO=1004",
         "VD - Fiche Commerciale2", true},
    };
    for (const Case& c : cases) {
        if (*c.setup) Exec(c.setup);
        if (*c.file) std::ofstream(images_ + "/" + c.file, std::ios::binary) << c.content;
        Report r = Build(c.select, c.name);
        ASSERT_TRUE(r.ok) << c.setup << " : " << r.body;
        const std::vector<std::string> images = Images(r.body);
        ASSERT_EQ(images.size(), c.photo ? 1u : 0u) << c.setup;
        if (c.photo) {
            EXPECT_NE(images[0].find("jpeg"), std::string::npos) << images[0];
        }
        EXPECT_NE(Text(r.body).find("Page 1 / 1"), std::string::npos) << c.setup;
    }
}

TEST_F(DataServiceSheets, LongRecordsRunOverPagesWithoutLosingLines) {
    std::string many = "INSERT INTO tActions (idClient, DateAction, idCom, TypeAction, SujetAction, CommentaireAction) VALUES ";
    for (int i = 1; i <= 70; ++i)
        many += (i > 1 ? ", " : "") + std::string("(2, '2026-01-01', 4, 1, 1, 'Appel numéro ") + std::to_string(i) +
                " fin')";
    Exec(many);
    std::string note;
    for (int i = 1; i <= 90; ++i) note += "Remarque " + std::to_string(i) + " fin\r\n";
    Exec("UPDATE tClients SET CliObservations = '" + note + "' WHERE idClient = 2");
    const std::string text = Sheet("idClient=2", "Fiche Profid");
    const int pages = Pages(text);
    ASSERT_GE(pages, 3);
    EXPECT_NE(text.find("Page " + std::to_string(pages) + " / " + std::to_string(pages)), std::string::npos);
    EXPECT_EQ(text.find("Page " + std::to_string(pages + 1)), std::string::npos);
    for (int i = 1; i <= 70; ++i)
        EXPECT_NE(text.find("Appel numéro " + std::to_string(i) + " fin"), std::string::npos) << i;
    for (int i = 1; i <= 90; ++i)
        EXPECT_NE(text.find("Remarque " + std::to_string(i) + " fin"), std::string::npos) << i;
    // The table's header comes back on the pages it runs over.
    size_t headers = 0;
    for (size_t at = 0; (at = text.find("Date Type Sujet Vendeur Commentaire", at)) != std::string::npos; ++at) ++headers;
    EXPECT_GE(headers, 2u);
}

TEST_F(DataServiceSheets, LongTextsAreCutAndASheetKeepsToItsTime) {
    // A comment of 1.5 MB, as another program could have stored it (the service refuses it now).
    std::string comment;
    while (comment.size() < 1'500'000) comment += "Révision complète faite ";
    db_->acquire()->query("UPDATE tClients SET CliObservations = ? WHERE idClient = 2", {comment});
    const std::string text = Sheet("idClient=2", "Fiche Profid");
    EXPECT_NE(text.find("Révision complète faite Révision"), std::string::npos);
    EXPECT_NE(text.find("\u2026"), std::string::npos);
    EXPECT_LE(Pages(text), 6);
    // A sheet that would take longer than its time is refused, and says why.
    ServiceLimits none;
    none.reportMs = 0;
    const Report late = BuildReport(*db_->acquire(), "idClient=2", "Fiche Profid", "09/12/2026", images_, "ALV", none);
    EXPECT_FALSE(late.ok);
    EXPECT_TRUE(late.limit);
    EXPECT_NE(late.body.find("plus de 0 ms de dessin"), std::string::npos) << late.body;
}

TEST_F(DataServiceSheets, PhotosAreDrawnFromAReducedCopy) {
    struct Case {
        int width, height;
        int embeddedWidth, embeddedHeight;
    } cases[] = {
        {640, 480, 640, 480},
        {4000, 3000, 1500, 1125},  // the largest of the JPEG's own reduced scales within 1600 pixels
        {1700, 200, 1488, 175},
    };
    for (const Case& c : cases) {
        const std::vector<unsigned char> jpeg = DrawCarJpeg(c.width, c.height, 3);
        std::ofstream(images_ + "/V0001001-01.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
        Exec("UPDATE tVehicles SET NomImage = 'V0001001-01' WHERE idVO = 1001");
        const Report r = Build("idVO=1001", "VO - Fiche Commerciale");
        ASSERT_TRUE(r.ok) << r.body;
        const std::vector<std::string> images = Images(r.body);
        ASSERT_EQ(images.size(), 1u) << c.width;
        std::istringstream fields(images[0]);
        std::string page, num, type;
        int width = 0, height = 0;
        fields >> page >> num >> type >> width >> height;
        EXPECT_EQ(width, c.embeddedWidth) << images[0];
        EXPECT_EQ(height, c.embeddedHeight) << images[0];
        EXPECT_NE(images[0].find("jpeg"), std::string::npos) << images[0];
    }
}

TEST_F(DataServiceSheets, UnknownReportsWrongSelectionsAndMissingRecordsAreRefused) {
    struct Case {
        const char* select;
        const char* name;
        const char* why;
    };
    const Case cases[] = {
        {"idVO=1001", "", "Nom de fiche manquant"},
        {"idVO=1001", "VO - Fiche", "Fiche inconnue : \"VO - Fiche\""},
        {"idVO=1001", "vo - fiche commerciale", "Fiche inconnue"},
        {"idVO=1001", "VO - Fiche Commerciale2", "Fiche inconnue"},  // the variant exists for demonstrators only
        {"", "VO - Fiche Commerciale", "Sélection invalide"},
        {"idVO=", "VO - Fiche Commerciale", "Sélection invalide"},
        {"idVO=1 or 1=1", "VO - Fiche Commerciale", "Sélection invalide"},
        {"idVO=-1001", "VO - Fiche Commerciale", "Sélection invalide"},
        {"idTVO=1", "VO - Fiche Commerciale", "(idVO=N attendu)"},
        {"idClient=1", "VO - Fiche Commerciale", "(idVO=N attendu)"},
        {"idVO=1001", "Fiche Profid", "(idClient=N attendu)"},
        {"idVO=424242", "VO - Fiche Commerciale", "Le véhicule 424242 n'existe pas (ou plus)"},
        {"idVO=424242", "VO - Feuille de Marge", "Le véhicule 424242 n'existe pas (ou plus)"},
        {"idClient=999", "Fiche Profid", "Le client 999 n'existe pas (ou plus)"},
        {"idVO=1004", "VO - Fiche Commerciale", "au véhicule 1004, qui est un VD"},
        {"idVO=1006", "VO - Feuille de Marge", "au véhicule 1006, qui est un VN"},
        {"idVO=1004", "VN - Fiche Commerciale", "qui est un VD"},
        {"idVO=1001", "VD - Fiche Commerciale2", "qui est un VO"},
    };
    for (const Case& c : cases) {
        Report r = Build(c.select, c.name);
        EXPECT_FALSE(r.ok) << c.select << " " << c.name;
        EXPECT_NE(r.body.find(c.why), std::string::npos) << c.select << " " << c.name << " : " << r.body;
        EXPECT_EQ(r.body.find("%PDF"), std::string::npos);
    }
}

class DataServiceSheetAddress : public ServiceTest {};

TEST_F(DataServiceSheetAddress, AnswersPdfOrLogItem) {
    auto c = Client();
    auto res = c->Get("/base/ReportPDF?UserID=1&rptSelect=idVO=1001&rptName=VO%20-%20Feuille%20de%20Marge");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->get_header_value("Content-Type"), "application/pdf");
    const std::string text = Text(res->body);
    EXPECT_NE(text.find("1 780,60 €"), std::string::npos);
    // The photo comes from the service's images folder.
    EXPECT_EQ(Images(res->body).size(), 1u);

    struct Case {
        const char* request;
        const char* why;
    };
    const Case cases[] = {
        {"ReportPDF?rptSelect=idVO=1001&rptName=Fiche Inconnue", "Fiche inconnue"},
        {"ReportPDF?rptSelect=idVO=424242&rptName=VO - Fiche Commerciale", "n'existe pas"},
        {"ReportPDF?rptName=Fiche Profid", "Sélection invalide"},
        {"ReportPDF?rptSelect=idClient=1", "Nom de fiche manquant"},
    };
    for (const Case& k : cases) {
        const std::string body = Get(k.request);
        EXPECT_EQ(body.find("%PDF"), std::string::npos) << k.request;
        EXPECT_NE(LogItems(body).find(k.why), std::string::npos) << k.request << " : " << LogItems(body);
    }
}
