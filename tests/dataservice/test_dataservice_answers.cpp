// The read requests, scanned with the client's own tag scanner: every section
// the client opens must open on the intended element despite the prefix rule.
#include "ServiceFixture.h"

#include <QString>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;
using stanor::service::TXml;
using stanor::service::XmlFind;
using stanor::service::XmlGet;
using stanor::service::XmlNext;

namespace {

int Items(TXml xml, const char* section, const char* item) {
    XmlFind(xml, section);
    int n = 0;
    while (XmlNext(xml, item)) ++n;
    return n;
}

}  // namespace

class DataServiceAnswers : public ServiceTest {};

TEST_F(DataServiceAnswers, ReferenceListsOpenOnTheirOwnSections) {
    const std::string body = Get("AxInfoEquip?XMLC_OutputFormat=XML&UserConcession=ALV&idClient=");
    EXPECT_EQ(LogItems(body), "");
    struct Section {
        const char* section;
        const char* item;
        std::string countSql;
    };
    const Section sections[] = {
        {"ParsS", "Pars", "SELECT (SELECT count(*) FROM ListPars) + (SELECT count(*) FROM ListRubrics)"},
        {"InfoComS", "InfoCom", "SELECT count(*) FROM tCommerciaux WHERE Concession = 'ALV' OR Concession IS NULL"},
        {"MarksS", "Marks", "SELECT count(DISTINCT VMarque) FROM ListModels"},
        {"ModelsS", "Models", "SELECT count(*) FROM ListModels"},
        {"VNMarksS", "VNMarks", "SELECT count(DISTINCT VMarque) FROM ListVersions"},
        {"VNModelsS", "VNModels", "SELECT count(*) FROM (SELECT DISTINCT VMarque, VModele FROM ListVersions) AS models"},
        {"VNVersionsS", "VNVersions", "SELECT count(*) FROM ListVersions"},
        {"InfoSiteS", "InfoSite", "SELECT count(*) FROM tSites WHERE Concession = 'ALV'"},
        {"OptEquiIntS", "OptEquiInt", "SELECT count(*) FROM ListOptions WHERE OptList = 'OptEquiInt'"},
        {"OptVehiculeS", "OptVehicule", "SELECT count(*) FROM ListOptions WHERE OptList = 'OptVehicule'"},
    };
    for (const Section& s : sections) {
        EXPECT_EQ(std::to_string(Items(Scan(body), s.section, s.item)), Scalar(s.countSql)) << s.section;
        // Opening by the item name (a prefix of the section name) lands on the first item of this section.
        TXml first = Scan(body);
        XmlFind(first, s.item);
        EXPECT_TRUE(first.Item.startsWith(QString("<%1>").arg(s.item))) << s.item;
    }
    // The items of one list follow one another, so the client reads a list to its end.
    TXml xml = Scan(body);
    XmlFind(xml, "ParsS");
    std::set<QString> closed;
    QString current;
    while (XmlNext(xml, "Pars")) {
        QString type = Field(xml, "type").toUpper();
        if (type != current) {
            EXPECT_FALSE(closed.count(type)) << type.toStdString() << " reappears";
            closed.insert(current);
            current = type;
        }
    }
    // The site of the fixed file-handling fee.
    xml = Scan(body);
    XmlFind(xml, "InfoSiteS");
    ASSERT_TRUE(XmlNext(xml, "InfoSite"));
    EXPECT_EQ(Field(xml, "Site"), "NORD");
    EXPECT_EQ(Field(xml, "MontantFraisDossier"), "150.00");
    xml = Scan(body);
    XmlFind(xml, "OptEquiIntS");
    ASSERT_TRUE(XmlNext(xml, "OptEquiInt"));
    EXPECT_EQ(Field(xml, "Abbr"), "CLIM");
    EXPECT_EQ(Field(xml, "eText"), "Climatisation");
}

TEST_F(DataServiceAnswers, TabDescriptionsCarryTheSeventeenElementsOnEveryRow) {
    const std::string body = Get("AxInfoStruct?XMLC_OutputFormat=XML&UserConcession=ALV&idClient=");
    TXml xml = Scan(body);
    XmlFind(xml, "axStructS");
    int rows = 0;
    while (XmlNext(xml, "axStruct")) {
        ++rows;
        for (const char* e : {"descInfo", "idNum", "txtInfo", "vInfo", "tag", "defval", "tInfo", "tControl", "width",
                              "left", "top", "height", "length", "color", "notNull", "enabled", "fieldInfo"}) {
            QString v = "absent";
            XmlGet(xml, e, v);
            EXPECT_NE(v, "absent") << "row " << rows << " lacks " << e;
        }
    }
    EXPECT_EQ(std::to_string(rows), Scalar("SELECT count(*) FROM sysTabDesc"));
    xml = Scan(body);
    XmlFind(xml, "axStruct");  // prefix of axStructS: the first row
    EXPECT_EQ(Field(xml, "descInfo"), "_TVO");
    EXPECT_EQ(Field(xml, "tag"), "tVehicles");
}

TEST_F(DataServiceAnswers, VehicleRecordWithUserRightsCostsAndPhotos) {
    const std::string body = GetAs(TokenFor("2"), "AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=2&idClient=");
    EXPECT_EQ(LogItems(body), "");
    TXml xml = Scan(body);
    XmlFind(xml, "User");
    EXPECT_EQ(Field(xml, "UserConcession"), "ALV");
    EXPECT_EQ(Field(xml, "UserSite"), "NORD");
    EXPECT_EQ(Field(xml, "Name_"), "Paul Durand");
    EXPECT_EQ(Items(Scan(body), "GNames", "GName"), 3);
    xml = Scan(body);
    XmlFind(xml, "OptDates");
    EXPECT_EQ(Field(xml, "Opt_LimiteDateDebFrevo"), "01/01/2020");
    EXPECT_EQ(Field(xml, "Opt_TauxTVA"), "20.00");  // the dealership's VAT rate
    EXPECT_EQ(Field(xml, "Now"), "09/12/2026");
    xml = Scan(body);
    XmlFind(xml, "tVO");
    EXPECT_EQ(Field(xml, "idtVO"), "1");
    EXPECT_EQ(Field(xml, "idVO"), "1001");
    EXPECT_EQ(Field(xml, "TypeVO"), "1");
    EXPECT_EQ(Field(xml, "MEC"), "12/05/2019");
    EXPECT_EQ(Field(xml, "PrixVente"), "12500.00");
    EXPECT_EQ(Field(xml, "Frevo"), "529.40");
    EXPECT_EQ(Field(xml, "StatutVD"), "");
    EXPECT_EQ(Field(xml, "Commentaires"), QString::fromUtf8("Entretien à jour&cr;Deux propriétaires"));
    EXPECT_EQ(Items(Scan(body), "FrevoS", "Frevo"), 3);
    xml = Scan(body);
    XmlFind(xml, "FrevoS");
    ASSERT_TRUE(XmlNext(xml, "Frevo"));
    EXPECT_EQ(Field(xml, "DateFrevo"), "03/10/2026");
    EXPECT_EQ(Field(xml, "NComptable"), "611200");
    EXPECT_EQ(Field(xml, "MontantHT"), "78.00");
    xml = Scan(body);
    XmlFind(xml, "ImageS");
    ASSERT_TRUE(XmlNext(xml, "Image"));
    EXPECT_EQ(Field(xml, "NomImage"), "V0001001-01");
    EXPECT_EQ(Field(xml, "NumImage"), "1");
    EXPECT_EQ(Field(xml, "DateImage"), "02/10/2026 10:15:00");
}

TEST_F(DataServiceAnswers, NewAndMissingRecords) {
    // A record being created (id 0 or negative) gets the user part and an empty record.
    std::string body = Get("AxInfoVO?XMLC_OutputFormat=XML&idTVO=-3&UserID=1&idClient=");
    EXPECT_EQ(LogItems(body), "");
    TXml xml = Scan(body);
    XmlFind(xml, "tVO");
    EXPECT_EQ(xml.Item, "");
    // A record that does not exist, an id that is no number, an unknown user: said.
    EXPECT_NE(LogItems(Get("AxInfoVO?XMLC_OutputFormat=XML&idTVO=999&UserID=1&idClient=")), "");
    EXPECT_NE(LogItems(Get("AxInfoVO?XMLC_OutputFormat=XML&idTVO=1%27&UserID=1&idClient=")), "");
    EXPECT_NE(LogItems(Get("AxInfoCL?XMLC_OutputFormat=XML&UserID=77&idClient=1")), "");
}

TEST_F(DataServiceAnswers, CustomerRecordWithActionsAndVehicles) {
    const std::string body = GetAs(TokenFor("2"), "AxInfoCL?XMLC_OutputFormat=XML&UserID=2&idClient=1");
    EXPECT_EQ(LogItems(body), "");
    TXml xml = Scan(body);
    XmlFind(xml, "TVC");
    EXPECT_EQ(Field(xml, "CliNom"), "DUPONT");
    EXPECT_EQ(Field(xml, "idClient"), "1");
    EXPECT_EQ(Field(xml, "CliDateNaissance"), "18/04/1975");
    EXPECT_EQ(Items(Scan(body), "TActS", "TAct"), 2);
    xml = Scan(body);
    XmlFind(xml, "TActS");
    ASSERT_TRUE(XmlNext(xml, "TAct"));
    EXPECT_EQ(Field(xml, "DateAction"), "20/11/2026");  // latest first
    EXPECT_EQ(Items(Scan(body), "TVehS", "TVeh"), 2);
    // The client opens "TVeh" to reach the first vehicle: the prefix finds TVehS.
    xml = Scan(body);
    XmlFind(xml, "TVeh");
    EXPECT_EQ(Field(xml, "Immatriculation"), "AA111BB");
    EXPECT_EQ(Field(xml, "idtVO"), "1");
    // A customer without vehicles: nothing to read, the value stays as it was.
    ASSERT_EQ(LogItems(Send("AxUpdate", "Delete * From tVehiclesProfid where idTVo=4")), "");
    xml = Scan(GetAs(TokenFor("2"), "AxInfoCL?XMLC_OutputFormat=XML&UserID=2&idClient=3"));
    XmlFind(xml, "TVeh");
    QString kept = "avant";
    XmlGet(xml, "Immatriculation", kept);
    EXPECT_EQ(kept, "avant");
}

TEST_F(DataServiceAnswers, PhotosAreServedUnderTheImagesAddress) {
    auto c = Client();
    auto res = c->Get("/images/V0001001-01.jpg?UserID=1");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    ASSERT_GE(res->body.size(), 100u);
    EXPECT_EQ(static_cast<unsigned char>(res->body[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(res->body[1]), 0xD8);
    for (const char* bad : {"/images/absente.jpg", "/images/..%2Fdemo.db", "/images/../demo.db", "/images/"}) {
        auto r = c->Get(bad);
        ASSERT_TRUE(r) << bad;
        EXPECT_EQ(r->status, 404) << bad;
        EXPECT_EQ(r->body.find("SQLite"), std::string::npos) << bad;
    }
}

TEST_F(DataServiceAnswers, TextMessageStandInRecordsAndAnswersSuccess) {
    httplib::MultipartFormDataItems form = {{"destinataire", "+33600000000", "", ""},
                                            {"texte", "de Alvenne NORD,\r\n\r\npour un test d'envoi \xC3\xA0 M. DUPONT Jean", "", ""}};
    auto res = Client()->Post("/tools/smssend/smssend.php5", form);
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("telephonySmsSend successfull"), std::string::npos);
    EXPECT_EQ(Scalar("SELECT Destinataire FROM sysSmsLog"), "+33600000000");
    EXPECT_EQ(Count("sysSmsLog", "Texte LIKE '%envoi \xC3\xA0 M. DUPONT%'"), 1);
    auto bad = Client()->Post("/tools/smssend/smssend.php5", httplib::MultipartFormDataItems{});
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->body.find("successfull"), std::string::npos);
}

TEST_F(DataServiceAnswers, PrintableSheetsArePdfDocuments) {
    auto c = Client();
    for (const char* path : {"/ReportPDF?UserID=1&rptSelect=idVO=1001&rptName=VO%20-%20Feuille%20de%20Marge",
                             "/ReportPDF?UserID=1&rptSelect=idClient=1&rptName=Fiche%20Profid"}) {
        auto res = c->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/pdf") << path;
        EXPECT_EQ(res->body.rfind("%PDF-1.4", 0), 0u) << path;
        EXPECT_NE(res->body.find("%%EOF"), std::string::npos) << path;
    }
    for (const char* bad : {"ReportPDF?rptSelect=idVO=1%20or%201=1&rptName=x", "ReportPDF?rptSelect=idVO=424242&rptName=x",
                            "ReportPDF?rptName=x"})
        EXPECT_NE(LogItems(Get(bad)), "") << bad;
}
