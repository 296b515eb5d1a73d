// Applying tab descriptions and record answers to a form.
#include "test_recordview_fixture.h"

#include "pages/UpdateTabDesc.h"
#include "toolkit/WinColor.h"

using namespace rvtest;
using stanor::pages::TsDesc;

namespace {

std::vector<Row> descriptions()
{
    std::vector<Row> rows = {
        pageRow("_TVO", "0", "VO", "pVO0", "tVehicles", "c"),
        pageRow("_TVO", "1", "Véhicule d'occasion", "pVO1", "", "c"),
        pageRow("_TVO", "06", "Photos", "pVO6", "", "c"),  // leading zero: no page
        pageRow("_TVD", "2", "Démonstrateur", "pVD2", "", "cVD"),
        pageRow("_TVN", "3", "Neuf", "pVN3", "", "cVN"),
        pageRow("_TCL", "7", "Client", "pCL7", "", "a"),
        pageRow("_TCL", "8", "Véhicules", "pCL8", "", "v"),
        pageRow("_TVO", "6", "Photos", "pVO6", "", "c"),
    };
    Row key = fieldRow("pVO1", "idTVO", "", 4, 109, "", 0);
    rows.push_back(key);
    rows.push_back(fieldRow("pVO1", "NVO", "N° VO", 4, 109));
    rows.push_back(fieldRow("pVO1", "InfoVersion", "Version", 2, 109));
    rows.push_back(fieldRow("pVO1", "PrixVente", "Prix", 5, 109).set("notNull", "true"));
    rows.push_back(fieldRow("pVO1", "CV", "Puiss.", 4, 109));
    rows.push_back(fieldRow("pVO1", "KMS", "Kms", 4, 109, "SVO", 0));           // designed, width 0
    rows.push_back(fieldRow("pVO1", "CP", "CP", 2, 109));                       // designed limit 5 kept
    rows.push_back(fieldRow("pVO1", "Chassis", "Châssis", 2, 109).set("length", "17"));
    rows.push_back(fieldRow("pVO1", "NumeroParc", "N° parc", 2, 109, "SVO", 90, 500, 300)); // created
    rows.push_back(fieldRow("pVO1", "Cache", "Caché", 2, 109, "SVO", 0));        // no control, width 0
    rows.push_back(fieldRow("pVO1", "Lecture", "Lecture", 2, 109, "COMPTA"));    // created without rights
    rows.push_back(fieldRow("pVO1", "Bizarre", "Bizarre", 2, 777, "SVO", 80, 100, 350)); // unknown type
    rows.push_back(fieldRow("pVO1", "Secret", "Secret", 2, 109, "SVO", 80, 100, 380).set("enabled", "3"));
    rows.push_back(fieldRow("pVO1", "DateEntree", "Entrée", 1, 109));
    rows.push_back(fieldRow("pVO1", "DateOrdre", "Ordre", 1, 109));
    rows.push_back(fieldRow("pVO6", "ListImageVO", "Photos du véhicule", 2, 120));
    rows.push_back(fieldRow("pVD2", "idTVO", "", 4, 109, "", 0));
    rows.push_back(fieldRow("pVD2", "InfoTypeVersion", "Type version", 2, 109));
    rows.push_back(fieldRow("pVN3", "idTVO", "", 4, 109, "", 0));
    rows.push_back(fieldRow("pVN3", "NVO", "N° VN", 4, 109));
    rows.push_back(fieldRow("pVN3", "DateAchat", "Achat", 1, 109, "COMPTA").set("idNum", "1001"));
    rows.push_back(fieldRow("pCL7", "idClient", "", 4, 109, "", 0));
    rows.push_back(fieldRow("pCL7", "CliNom", "Nom", 2, 109, "PROFID").set("notNull", "TRUE"));
    rows.push_back(fieldRow("pCL7", "CliPrenom", "Prénom", 2, 109, "PROFID"));
    rows.push_back(fieldRow("pCL7", "CliEmail", "E-mail", 2, 109, "PROFID"));
    rows.push_back(fieldRow("pCL7", "CliMobile", "Mobile", 2, 109, "PROFID"));
    rows.push_back(fieldRow("pCL8", "idTVO", "", 4, 109, "", 0));
    rows.push_back(fieldRow("pCL8", "Immatriculation", "Immat.", 2, 109, "PROFID"));
    rows.push_back(fieldRow("pCL8", "KMS", "Kms", 4, 109, "PROFID"));
    return rows;
}

std::map<QString, QString> usedVehicle()
{
    return {{"TypeVO", "1"}, {"idVO", "1001"}, {"idtVO", "1"}, {"NVO", "1201"}, {"InfoMarque", "Renault"},
            {"InfoVersion", "CLIO 1.5 DCI &amp; GPS"}, {"PrixVente", "12 500"}, {"CV", "5"}, {"KMS", "84500"},
            {"CP", "59000"}, {"Chassis", "VF1ABCDEF12345678"}, {"Site", "NORD"},
            {"DateEntree", "01/10/2026"}, {"DateOrdre", "15/10/2026"}, {"NumeroParc", "P-17"}};
}

QString customerXml(int vehicles)
{
    QString veh = QStringLiteral("<TVehS>");
    for (int i = 0; i < vehicles; ++i)
        veh += element("TVeh", {{"Immatriculation", QStringLiteral("AA%1").arg(i)}, {"KMS", QString::number(1000 * (i + 1))}});
    veh += QStringLiteral("</TVehS>");
    return recordXml("TVC", {{"CliNom", "dupont"}, {"CliPrenom", "jEAN"}, {"CliEmail", "Jean.Dupont@exemple.fr"},
                             {"CliMobile", "0612345678"}, {"Site", "NORD"}},
                     {"USER_PROFID"}, "#", veh);
}

class Apply : public RecordViewTest {
protected:
    void SetUp() override
    {
        RecordViewTest::SetUp();
        write("XmlStruct.xml", structXml(descriptions()));
        writeEquip();
        write("XmlVO.xml", recordXml("tVO", usedVehicle()));
    }
};

}  // namespace

TEST_F(Apply, UsedVehicleShowsItsSheetsValuesAndHeader)
{
    show("1", "");
    EXPECT_EQ(view->state().KindSuffix, QStringLiteral("_TVO"));
    EXPECT_TRUE(tabs->isTabVisible(0));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Véhicule d'occasion"));
    EXPECT_FALSE(tabs->isTabVisible(1));
    EXPECT_TRUE(tabs->isTabVisible(5));  // "6", not "06"
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(text("cNVO"), QStringLiteral("1201"));
    EXPECT_EQ(text("cInfoVersion"), QStringLiteral("CLIO 1.5 DCI & GPS"));
    EXPECT_EQ(text("cPrixVente"), QStringLiteral("12500.00"));
    EXPECT_EQ(w<QPushButton>("JvXPBtnNewVO")->text(), QStringLiteral("VO"));
    EXPECT_EQ(text("xcInfoNVO"), QStringLiteral("1201"));
    EXPECT_EQ(text("xcInfoField2"), QStringLiteral("5 cv - 84500 kms"));
    EXPECT_EQ(text("xcInfoField3"), QStringLiteral("14 jours"));
    EXPECT_TRUE(traced(QStringLiteral("Ajout desc Onglet : 1")));
    EXPECT_TRUE(traced(QStringLiteral("z2 Ajout desc Onglet : pVO1 - NVO")));
    EXPECT_TRUE(traced(QStringLiteral("UpdateTabDesc FlagNewEnreg -> 0 -  - ")));
    EXPECT_TRUE(testedPages.contains(1));
    // Tags tie controls to rows: page 1, row 1.
    EXPECT_EQ(toolkit::asFieldControl(w("cNVO"))->tag(), 1);
}

TEST_F(Apply, WidthAndLimitsOfDesignedAndCreatedControls)
{
    show("1", "");
    // A designed control under a row of width 0 stays visible but disabled.
    EXPECT_FALSE(w("cKMS")->isHidden());
    EXPECT_FALSE(w("cKMS")->isEnabled());
    EXPECT_TRUE(w("cNVO")->isEnabled());
    // The designed limit holds under a length of 0; a non-zero length replaces it.
    EXPECT_EQ(toolkit::asFieldControl(w("cCP"))->maxLength(), 5);
    EXPECT_EQ(toolkit::asFieldControl(w("cChassis"))->maxLength(), 17);
    // A row without a designed control gets one, placed by the row, with its caption.
    auto* created = w("cNumeroParc");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->parentWidget(), sheet(1));
    EXPECT_EQ(created->geometry(), QRect(500, 300, 90, 19));
    EXPECT_EQ(text("cNumeroParc"), QStringLiteral("P-17"));
    auto* label = w<QLabel>("LbcNumeroParc");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("N° parc"));
    EXPECT_EQ(label->x(), 500 - 22);
    EXPECT_EQ(label->y(), 302);
    // No control for a width of 0 when none is designed; the field still lives in the page.
    EXPECT_EQ(w("cCache"), nullptr);
    ASSERT_NE(field(1, "Cache"), nullptr);
    // Without rights: disabled, inactive background.
    auto* lecture = toolkit::asFieldControl(w("cLecture"));
    ASSERT_NE(lecture, nullptr);
    EXPECT_FALSE(lecture->isEnabled());
    EXPECT_EQ(lecture->backColor(), toolkit::WinColor::clInactiveBorder);
    // An unknown control type is created as an edit and never crashes.
    EXPECT_NE(dynamic_cast<toolkit::Edit*>(w("cBizarre")), nullptr);
}

TEST_F(Apply, LabelsAreNotDoubledOnRefillAndControlType120GetsNoValue)
{
    show("1", "");
    const int labels = int(sheet(1)->findChildren<QLabel*>().size());
    const int photoLabels = int(sheet(6)->findChildren<QLabel*>().size());
    show("1", "", false);
    show("1", "", true);
    EXPECT_EQ(int(sheet(1)->findChildren<QLabel*>().size()), labels);
    EXPECT_EQ(int(sheet(6)->findChildren<QLabel*>().size()), photoLabels);
    // The 120 control: a label 20 pixels above it at its left, no value.
    auto* above = w<QLabel>("LbcListImageVO");
    ASSERT_NE(above, nullptr);
    EXPECT_EQ(above->pos(), QPoint(200, 80 + 2));
    EXPECT_EQ(w<toolkit::ListBox>("cListImageVO")->count(), 0);
}

TEST_F(Apply, NotNullCaptionIsUnderlinedWhileEmptyOrZero)
{
    auto vehicle = usedVehicle();
    vehicle["PrixVente"] = "0";
    write("XmlVO.xml", recordXml("tVO", vehicle));
    show("1", "");
    const TsDesc* prix = field(1, "PrixVente");
    ASSERT_NE(prix, nullptr);
    ASSERT_NE(prix->Label, nullptr);
    EXPECT_EQ(prix->CurrentValue, QStringLiteral("0.00"));
    EXPECT_TRUE(static_cast<QLabel*>(prix->Label)->font().underline());
    vehicle["PrixVente"] = "9900";
    write("XmlVO.xml", recordXml("tVO", vehicle));
    show("1", "", false);
    EXPECT_FALSE(static_cast<QLabel*>(prix->Label)->font().underline());
}

TEST_F(Apply, LateLimitClearsTheDateOptions)
{
    write("XmlVO.xml", recordXml("tVO", usedVehicle()).replace("01/01/2026", "01/01/2027"));
    show("1", "");
    EXPECT_FALSE(view->state().dates.LimiteDateDeb.isValid());
    EXPECT_FALSE(view->state().dates.LimiteDateFin.isValid());
    EXPECT_TRUE(traced(QStringLiteral("dans UpdateTabDesc : OptDate Début : ")));
}

TEST_F(Apply, DemonstratorAndNewVehicleByRunParameter)
{
    write("XmlVO.xml", recordXml("tVO", {{"TypeVO", "2"}, {"StatutVD", "DEMO"}, {"idVO", "1004"}}));
    idTypeVO = 3;
    show("4", "");
    EXPECT_EQ(view->state().KindSuffix, QStringLiteral("_TVD"));
    EXPECT_TRUE(tabs->isTabVisible(1));
    EXPECT_FALSE(tabs->isTabVisible(0));
    EXPECT_EQ(toolkit::asFieldControl(w("xcInfoTitre"))->backColor(), 7756236);
    idTypeVO = 2;
    show("4", "");
    EXPECT_EQ(view->state().KindSuffix, QStringLiteral("_TVN"));
    EXPECT_TRUE(tabs->isTabVisible(2));
    // A field of the accounting panel binds to the panel's control.
    EXPECT_EQ(toolkit::asFieldControl(w("cVNDateAchat"))->tag(), 20002);  // page 3, row 2
}

TEST_F(Apply, StoredCustomerReadsOnlyItsOwnAnswer)
{
    write("XmlCL.xml", customerXml(3));
    show("1", "42");
    EXPECT_EQ(view->state().KindSuffix, QStringLiteral("_TCL"));
    EXPECT_EQ(view->state().RecordElement, QStringLiteral("TVC"));
    // The vehicle answer was not read: no vehicle element in the record text.
    EXPECT_FALSE(view->state().RecordXml.Text.contains(QStringLiteral("<tVO>")));
    EXPECT_EQ(text("aCliNom"), QStringLiteral("dupont"));
    EXPECT_EQ(text("xcIdentity"), QStringLiteral("DUPONT Jean"));
    EXPECT_FALSE(w("xcIdentity")->isHidden());
    EXPECT_EQ(text("xcInfoField1"), QStringLiteral("jean.dupont@exemple.fr"));
    EXPECT_EQ(w("xcInfoField1")->font().pointSize(), 9);  // 22 characters
    EXPECT_EQ(text("xcInfoField2"), QStringLiteral("06.12.34.56.78"));
    EXPECT_EQ(text("vImmatriculation"), QStringLiteral("AA0"));
    EXPECT_TRUE(w("vImmatriculation")->isEnabled());

    // With SelectedVehicle 2 the third vehicle is shown.
    view->state().SelectedVehicle = 2;
    view->UpdateTabDesc(false, false);
    EXPECT_EQ(text("vImmatriculation"), QStringLiteral("AA2"));
    EXPECT_EQ(text("vKMS"), QStringLiteral("3000"));
}

TEST_F(Apply, CustomerWithoutVehiclesShowsEmptyDisabledFields)
{
    write("XmlCL.xml", customerXml(0));
    show("", "42");
    EXPECT_EQ(text("vImmatriculation"), QString());
    EXPECT_FALSE(w("vImmatriculation")->isEnabled());
    EXPECT_TRUE(w("aCliNom")->isEnabled());
}

TEST_F(Apply, BadAnswersLeaveTheFormUsable)
{
    // No record element, no user: no rights, empty values, no crash.
    write("XmlVO.xml", QStringLiteral("<Root><LogItems><LogItem>fiche introuvable</LogItem></LogItems></Root>"));
    show("1", "");
    EXPECT_EQ(text("cNVO"), QString());
    EXPECT_FALSE(w("cNVO")->isEnabled());
    // The tab descriptions missing: the pass stops with a visible fault, the
    // pages keep what they showed.
    QFile::remove(dir.filePath("XmlStruct.xml"));
    w<QLabel>("LbIdTVO")->setText("1");
    w<QLabel>("LbIDCustomer")->setText("");
    view->UpdateView(true);
    EXPECT_FALSE(view->lastFault().isEmpty());
    EXPECT_FALSE(w("PanelWarning")->isHidden());
    EXPECT_TRUE(tabs->isTabVisible(0));
    EXPECT_FALSE(view->state().PageFilling);
}

TEST_F(Apply, AFailedReloadKeepsTheDescriptionsAndListsForTheNextPass)
{
    show("1", "");
    const QString lists = view->state().EquipXml.Text;
    ASSERT_FALSE(lists.isEmpty());
    // One answer, then the other, missing from the trace folder on a reload.
    for (const char* missing : {"XmlStruct.xml", "XmlEquip.xml"}) {
        const QString path = dir.filePath(QString::fromLatin1(missing));
        QFile::rename(path, path + ".away");
        w<QLabel>("LbIdTVO")->setText("1");
        view->UpdateView(true);
        EXPECT_TRUE(view->lastFault().contains(QString::fromLatin1(missing))) << view->lastFault().toStdString();
        EXPECT_TRUE(view->lastFault().contains(QStringLiteral("n'ont pas été reçues du service de données")));
        // The next pass (after a save, say) still has every sheet and list.
        view->UpdateTabDesc(false, true);
        EXPECT_TRUE(tabs->isTabVisible(0)) << missing;
        EXPECT_EQ(view->state().EquipXml.Text, lists) << missing;
        EXPECT_EQ(text("cNVO"), QStringLiteral("1201")) << missing;
        QFile::rename(path + ".away", path);
    }
}

TEST_F(Apply, HintsAndCommandsFollowTheRecord)
{
    write("XmlCL.xml", customerXml(1));
    w<QLabel>("LbIDCustomer")->setText("42");
    view->UpdateView(true);
    EXPECT_EQ(w("JvXPBtnActualize")->toolTip(), QStringLiteral("rechargement des informations du client"));
    EXPECT_FALSE(w("JvXPBtnSuppr")->isHidden());  // a customer may be deleted
    EXPECT_TRUE(w("JvXPBtnSweep")->isHidden());
    EXPECT_TRUE(w("PanelCompta")->isHidden());
    w<QLabel>("LbIDCustomer")->setText("");
    w<QLabel>("LbIdTVO")->setText("1");
    view->UpdateView(false);
    EXPECT_EQ(w("JvXPBtnActualize")->toolTip(), QStringLiteral("rechargement des informations du véhicule"));
    EXPECT_TRUE(w("JvXPBtnSuppr")->isHidden());
}

TEST_F(Apply, AlwaysHiddenRowCreatesHiddenControlAndCaption)
{
    show("1", "");
    ASSERT_NE(w("cSecret"), nullptr);
    EXPECT_FALSE(w("cSecret")->isVisibleTo(sheet(1)));
    EXPECT_FALSE(w("LbcSecret")->isVisibleTo(sheet(1)));
    EXPECT_TRUE(w("cNumeroParc")->isVisibleTo(sheet(1)));
}

TEST_F(Apply, AnswerWithoutRecordDoesNotKeepThePreviousKind)
{
    write("XmlVO.xml", recordXml("tVO", {{"TypeVO", "2"}, {"StatutVD", "DEMO"}, {"idVO", "1004"}}));
    idTypeVO = 3;
    show("4", "");
    ASSERT_EQ(view->state().KindSuffix, QStringLiteral("_TVD"));
    // The next answer carries no record: its kind comes from the run parameter alone.
    write("XmlVO.xml", recordXml("", {}));
    idTypeVO = 1;
    show("-1", "");
    EXPECT_EQ(view->state().KindSuffix, QStringLiteral("_TVO"));
    EXPECT_EQ(view->state().TypeVO, QStringLiteral("1"));
    EXPECT_TRUE(view->state().IdVO.isEmpty());
}
