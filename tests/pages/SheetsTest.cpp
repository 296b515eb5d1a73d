// The designed controls on the nine sheets, their bindings, the generic field
// events and the list cascades, driven through the controls.

#include "pages/DesignedPagesWiring.h"
#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

#include <QFrame>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace stanor::pages;
using namespace stanor::toolkit;

namespace {

// A form shell: the page control with its nine sheets, as the main form makes it.
struct Form {
    QWidget window;
    QTabWidget* tabs;
    DesignedPages* pages;
    QStringList trace;

    Form() {
        window.resize(825, 623);
        tabs = new QTabWidget(&window);
        tabs->setGeometry(0, 0, 825, 560);
        for (int i = 1; i <= 9; ++i) {
            auto* sheet = new QWidget;
            sheet->setObjectName(QStringLiteral("Sheet%1").arg(i, 2, 10, QChar(u'0')));
            tabs->addTab(sheet, sheet->objectName());
        }
        pages = DesignedPages::build(tabs, [this](const QString& l) { trace << l; });
    }
    QWidget* sheet(int n) { return tabs->widget(n - 1); }
    template <class T>
    T* get(const char* name) { return pages->sheets().as<T>(QString::fromLatin1(name)); }
};

// The designed controls by sheet and kind; "name=N" carries a maximum length.
struct Expected {
    int sheet;
    const char* kind;
    const char* names;
};

const Expected kInventory[] = {
    {1, "date", "cDateEntree cMEC cDateValidationGarantie cDateOrdre cDateDisponibilite cDateLivraison "
                "cDatePresFinancement cDatePaiement"},
    {1, "list", "cOrigine cOrigineVendeur cInfoMarque cInfoModele cCarrosserie cEnergie cFlagPrepaEsthetique "
                "cFlagPrepaCarrosserie cFlagPrepaMecanique cDestination cModeTVA cDureeGarantie cTypeGarantie "
                "cLieuStockage cTypeFinancement cBoiteVitesse cNbPortes cSite cVendeur cFinanceur cFlagEligible"},
    {1, "editable", "cAcheteur=20 cInfoCouleur=20"},
    {1, "memo", "cCommentaires=250 cInfoVersion=50"},
    {1, "number", "cPrixVente cNVO cCV cKMS cNbPlaces cPrixReprise cTPVO cPrixGarantie cVFinancement "
                  "cMontantReprise cMtComIntermediaire cMtComVendeur cComFinPrevue cComFinRecue"},
    {1, "edit", "cCP=5 cIntermediaire=20 cCommentaireReprise=20 cChassis=25 cImmatriculation cNomImage"},
    {1, "disabled-edit", "cMNette cTotFrevo cMBrute ccTVA"},
    {1, "button", "czFeuilleMarge"},
    {2, "date", "cVDMEC=8"},
    {2, "list", "cVDInfoMarque cVDInfoModele cVDCarrosserie cVDBoiteVitesse cVDNbPortes cVDEnergie cVDSite "
                "cVDFlagVendu cVDFlagNonDiffuse cVDInfoTypeVersion"},
    {2, "editable", "cVDInfoCouleur cVDStatutVD cVDInfoCouleurInt"},
    {2, "memo", "cVDInfoVersion=50 cVDCommentaires=250 cVDUtilisateur=250"},
    {2, "number", "cVDNbPlaces cVDCV cVDKMS cVDNVO cVDPrixVente cVDPrixCatalogue"},
    {2, "edit", "cVDImmatriculation cVDChassis cVDCodeRemise cVDNomImage"},
    {2, "button", "czVDOptions"},
    {2, "hidden-listbox", "cVDInfoOptions"},
    {3, "date", "cVNDateOrdre=8 cVNDateCdeVW=8 cVNDateAnnulation=8 cVNDateDisponibilite=8 cVNDateLivraison=8 "
                "cVNDatePresFinancement=8 cVNDatePaiement=8 cVNDateFabrication=8 cVNDateFacture=8 "
                "cVNDateDebutGarantie=8 cVNDateUpdateCde=8 cVNDateDeclareLivre=8 cVNMEC"},
    {3, "list", "cVNInfoMarque cVNInfoModele cVNSite cVNVendeur cVNTypeFinancement cVNReprMarque "
                "cVNInfoTypeVersion cVNFinanceur cVNCarrosserie cVNEnergie cVNNbPortes cVNBoiteVitesse "
                "cVNFlagEligible cVNTypeFinancementDelai cVNDestination"},
    {3, "hidden-list", "cVNFlagNonDiffuse"},
    {3, "editable", "cVNAcheteur cVNStatutVN cVNInfoCouleurInt cVNInfoCouleur cVNStatutVD"},
    {3, "memo", "cVNInfoVersion=50 cVNCommentaires=250 cVNReprModele cVNCFMemo"},
    {3, "number", "cVNNVO cVNReprNVO cVNVFinancement cVNComFinPrevue cVNComFinRecue cVNReprPrix cVNCV "
                  "cVNNbPlaces cVNPrixCatalogue cVNPrixVente"},
    {3, "edit", "cVNCP cVNImmatriculation cVNChassis=25"},
    {3, "hidden-edit", "cVNCodeRemise"},
    {3, "hidden-label", "LbDateFabrication"},
    {3, "button", "czVNOptions"},
    {3, "hidden-listbox", "cVNInfoOptions"},
    {3, "panel-date", "cVNDateAchat=8 cVNDateEcheance=8 cVNDateEchTresorerie=8 cVNDateEchReglement=8 "
                      "cVNDateRecFinancement=8"},
    {3, "panel-number", "cVNMontantAchat cVNSolde cVNMontantAcompte"},
    {3, "panel-list", "cVNSituationAchat"},
    {3, "panel-label", "LbPanelCompta"},
    {4, "listbox", "cInfoEquiInterieur cInfoEquiExterieur cInfoEquiSecurite cInfoComplement"},
    {4, "hidden-disabled-button", "czCmdEquiSec czCmdEquiExt czCmdEquiInt czCmdEquiInf"},
    {5, "label", "cFrevoInfo"},
    {5, "grid", "ngFrevo"},
    {5, "disabled-number", "cFrevoPrevFDM cFrevoFixeFDM cFrevoIntFDM cFrevoExtFDM cFrevoTotFDM cFrevo "
                           "cFrevoExterne cFrevoInterne cFrevoFixe cFrevoPrevision"},
    {5, "hidden-date", "aNxDatePickerGrid"},
    {6, "edit", "cTxtPathImage"},
    {6, "listview", "cListImageSource cListImageVO"},
    {6, "image", "ImageSelection ImageVO ImageMini"},
    {6, "hidden-image", "ImageNoPhoto"},
    {6, "disabled-image", "VOImage"},
    {6, "readonly-memo", "Memo"},
    {6, "button", "czCmdSelPathListImage czCmdRefreshListImage czCmdAssociateImage czCmdAssociateImageBlur "
                  "czCmdDefaultImageVO czCmdDeleteImageVO"},
    {7, "list", "aCliCivilite aCliOrigine aCliSituationFamille aCliPays aSite aidCom"},
    {7, "memo", "aCliNom aCliPrenom aCliAdresse1 aCliAdresse2 aCliEmail aCliTelDom aCliMobile aCliTelBur "
                "aCliProfession aCliEmployeur aCliObservations"},
    {7, "edit", "aCliCP=5 aCliVille=5"},
    {7, "hidden-edit", "DblMobile DblTelDom DblIdent DblNom"},
    {7, "number", "aCliNbEnfants"},
    {7, "date", "aCliDateNaissance"},
    {7, "grid", "ngAction"},
    {7, "hidden-button", "JvXPBtnNewAction"},
    {7, "button", "JvXPBtnSMS"},
    {8, "grid", "ngVehicles"},
    {8, "date", "vDateOrdre vDateLastSAV vDateNextSAV vMEC vDateFinGarantie vDateFinFinancement"},
    {8, "list", "vInfoMarque vInfoModele vTypeFinancement vTypeVO vAbbrFinancement vSatisfVehicle vSatisfSAV"},
    {8, "editable", "vSite"},
    {8, "memo", "vInfoVersion=50 vInfoTypeVersion=50 vLieuEntretien1=50 vLieuEntretien2=50"},
    {8, "number", "vMensualiteFinancement vKMS vKmLastSAV vKmNextSAV"},
    {8, "label", "zLbKmLastSAV zLbKmNextSAV"},
    {8, "edit", "vImmatriculation"},
    {8, "hidden-button", "JvXPBtnNewVehicle"},
    {9, "listbox", "cPAPATypeVO cPAPASegment cPAPACarrosserie cPAPAChoix1 cPAPAChoix2"},
    {9, "hidden-listbox", "cPAPAEnergie"},
    {9, "date", "cPACliDateProchainAchat cPAPADateSpirit=8"},
    {9, "list", "cPAPAMarque1 cPAPAModele1 cPAPAMarque2 cPAPAModele2"},
    {9, "label", "zLbPAAutresModeles"},
};

bool hasKind(QWidget* w, const QString& kind) {
    if (kind.endsWith(QStringLiteral("date"))) return qobject_cast<DatePicker*>(w);
    if (kind.endsWith(QStringLiteral("editable"))) {
        auto* c = qobject_cast<ComboBox*>(w);
        return c && !c->isListOnly();
    }
    if (kind.endsWith(QStringLiteral("list"))) {
        auto* c = qobject_cast<ComboBox*>(w);
        return c && c->isListOnly();
    }
    if (kind.endsWith(QStringLiteral("memo"))) return qobject_cast<Memo*>(w);
    if (kind.endsWith(QStringLiteral("number"))) return qobject_cast<NumberEdit*>(w);
    if (kind.endsWith(QStringLiteral("edit"))) return qobject_cast<Edit*>(w) && !qobject_cast<NumberEdit*>(w);
    if (kind.endsWith(QStringLiteral("listbox"))) return qobject_cast<ListBox*>(w);
    if (kind.endsWith(QStringLiteral("grid"))) return qobject_cast<Grid*>(w);
    if (kind.endsWith(QStringLiteral("button"))) return qobject_cast<FlatButton*>(w);
    if (kind.endsWith(QStringLiteral("label"))) return qobject_cast<Label*>(w);
    if (kind.endsWith(QStringLiteral("listview"))) return qobject_cast<QTreeWidget*>(w);
    if (kind.endsWith(QStringLiteral("image"))) return qobject_cast<QLabel*>(w) && !asFieldControl(w);
    return false;
}

}  // namespace

TEST(Sheets, EveryDesignedControlOnItsSheetWithKindLimitAndState) {
    Form f;
    EXPECT_TRUE(f.pages->faults().isEmpty()) << f.pages->faults().join(u'\n').toStdString();
    QWidget* panel = f.pages->sheets().panelCompta();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->parentWidget(), f.sheet(3));
    int count = 0;
    for (const Expected& e : kInventory) {
        const QString kind = QString::fromLatin1(e.kind);
        for (const QString& entry : QString::fromLatin1(e.names).split(u' ', Qt::SkipEmptyParts)) {
            ++count;
            const QString name = entry.section(u'=', 0, 0);
            const int limit = entry.section(u'=', 1, 1).toInt();
            QWidget* container = kind.startsWith(QStringLiteral("panel-")) ? panel : f.sheet(e.sheet);
            QWidget* w = container->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
            ASSERT_NE(w, nullptr) << name.toStdString() << " on sheet " << e.sheet;
            EXPECT_TRUE(hasKind(w, kind)) << name.toStdString() << " is no " << e.kind;
            if (FieldControl* fc = asFieldControl(w)) {
                EXPECT_EQ(fc->maxLength(), limit) << name.toStdString();
            }
            EXPECT_EQ(w->isHidden(), kind.contains(QStringLiteral("hidden"))) << name.toStdString();
            EXPECT_EQ(!w->isEnabled(), kind.contains(QStringLiteral("disabled"))) << name.toStdString();
            if (kind.contains(QStringLiteral("readonly"))) {
                EXPECT_TRUE(qobject_cast<Memo*>(w)->isReadOnly());
            }
        }
    }
    // Nothing designed that the list does not name (captions and titles aside).
    EXPECT_EQ(static_cast<int>(f.pages->sheets().all().size()), count + 1);  // + PanelCompta
    EXPECT_EQ(f.get<Label>("LbPanelCompta")->text(), QStringLiteral("Suivi Comptabilité"));
    EXPECT_EQ(f.get<FlatButton>("czVDOptions")->hint(), QStringLiteral("sélection des options"));
    EXPECT_EQ(designedCaption(f.get<QWidget>("cMBrute"))->text(), QStringLiteral("Marge brute:"));
    // A caption is shown exactly while its control is.
    QLabel* caption = designedCaption(f.get<QWidget>("cVNCodeRemise"));
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(caption->isHidden());
    f.get<QWidget>("cVNCodeRemise")->show();
    EXPECT_FALSE(caption->isHidden());
    f.get<QWidget>("cNomImage")->hide();
    EXPECT_TRUE(designedCaption(f.get<QWidget>("cNomImage"))->isHidden());
}

TEST(Sheets, LaidOutInsideTheSheetWithoutOverlaps) {
    Form f;
    f.window.show();
    // The marker that shows once a manufacturing date is typed.
    f.get<QWidget>("LbDateFabrication")->show();
    for (int n = 1; n <= 9; ++n) {
        f.tabs->setCurrentIndex(n - 1);
        QWidget* sheet = f.sheet(n);
        std::vector<QWidget*> shown;
        for (QWidget* w : sheet->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (!w->isHidden()) shown.push_back(w);
        for (QWidget* w : shown) {
            EXPECT_TRUE(sheet->rect().contains(w->geometry())) << w->objectName().toStdString() << " sheet " << n;
            for (QWidget* o : shown)
                if (o != w && w->geometry().intersects(o->geometry()))
                    ADD_FAILURE() << w->objectName().toStdString() << " overlaps " << o->objectName().toStdString();
        }
    }
}

TEST(Sheets, TheWeekOfTheManufacturingDateTakesNoRoomOfTheDate) {
    Form f;
    f.window.show();
    auto* date = f.get<QWidget>("cVNDateFabrication");
    auto* marker = f.get<QWidget>("LbDateFabrication");
    const int whole = f.get<QWidget>("cVNDateCdeVW")->width();
    EXPECT_TRUE(marker->isHidden());
    EXPECT_EQ(date->width(), whole);
    marker->show();
    EXPECT_EQ(date->width(), whole);
    EXPECT_FALSE(date->geometry().intersects(marker->geometry()));
    EXPECT_EQ(marker->x(), date->x()) << "in line with its date";
}

TEST(Sheets, TheTransferLinesOfThePhotoSheetSpanTheirColumnUnderTheirCaption) {
    Form f;
    auto* memo = f.get<QWidget>("Memo");
    QLabel* caption = designedCaption(memo);
    ASSERT_NE(caption, nullptr);
    EXPECT_LE(caption->geometry().bottom(), memo->y());
    EXPECT_EQ(memo->x(), f.get<QWidget>("cListImageVO")->x());
    EXPECT_EQ(memo->width(), f.get<QWidget>("cListImageVO")->width());
}

TEST(Sheets, EveryBindingReachesItsHandler) {
    Form f;
    for (const EventBinding& b : eventBindings())
        EXPECT_NE(f.pages->sheets().control(QString::fromLatin1(b.control)), nullptr) << b.control;
    QStringList ran;
    for (const char* h : {"cModeTVAChange", "cMECExit", "aCliNomKeyPress", "czFeuilleMargeClick", "CBoxKeyDown"})
        f.pages->handlers().set(QString::fromLatin1(h), [&ran, h](EventArgs& a) {
            ran << QString::fromLatin1(h) + u':' + a.sender->objectName();
            if (a.keyChar) *a.keyChar = QChar();
        });
    f.get<ComboBox>("vTypeVO")->addItem(QStringLiteral("VO"));  // the VAT handler of sheet 1 serves sheet 8
    emit f.get<DatePicker>("cMEC")->events()->exited();
    QTest::keyClick(f.get<Memo>("aCliNom"), Qt::Key_A);
    EXPECT_EQ(f.get<Memo>("aCliNom")->text(), QString());  // the key filter swallowed it
    f.get<FlatButton>("czFeuilleMarge")->click();
    QTest::keyClick(f.get<ComboBox>("cVDEnergie"), Qt::Key_Delete);
    EXPECT_EQ(ran, (QStringList{"cModeTVAChange:vTypeVO", "cMECExit:cMEC", "aCliNomKeyPress:aCliNom",
                                "czFeuilleMargeClick:czFeuilleMarge", "CBoxKeyDown:cVDEnergie"}));
}

namespace {

const char* kEquip = R"(<AxInfoEquip><ParsS>
<Pars><type>Energie</type><text>ES : Essence</text></Pars><Pars><type>Energie</type><text>GO : Gazole</text></Pars>
<Pars><type>BOOLEAN</type><text>Non</text></Pars><Pars><type>BOOLEAN</type><text>Oui</text></Pars>
</ParsS>
<InfoComS><InfoCom><idCom>7</idCom><cNom>Martin</cNom><Site>LYON</Site></InfoCom>
<InfoCom><idCom>9</idCom><cNom>Durand</cNom><Site>LYON;NICE</Site></InfoCom></InfoComS>
<VNMarksS><VNMarks><vnMark>VW</vnMark></VNMarks><VNMarks><vnMark>SKODA</vnMark></VNMarks></VNMarksS>
<VNModelsS><VNModels><vnMark>VW</vnMark><vnModel>Tiguan</vnModel></VNModels>
<VNModels><vnMark>VW</vnMark><vnModel>Golf</vnModel></VNModels>
<VNModels><vnMark>SKODA</vnMark><vnModel>Octavia</vnModel></VNModels></VNModelsS>
<VNVersionsS><VNVersions><vnModel>TIGUAN</vnModel><vnVers>Life</vnVers></VNVersions>
<VNVersions><vnModel>OCTAVIA</vnModel><vnVers>Style</vnVers></VNVersions></VNVersionsS>
<InfoSiteS><InfoSite><Site>LYON</Site><Marques>SKODA</Marques></InfoSite></InfoSiteS>
</AxInfoEquip>)";

// A form whose state holds the lists and one described demonstrator page.
struct LoadedForm : Form {
    Pages state;
    stanor::service::TXml equip;
    QString kind = QStringLiteral("_TVD");
    QString site = QStringLiteral("LYON");
    QString lastType;
    QString infoOptions;
    std::vector<int> tested;

    LoadedForm() {
        equip.Text = QString::fromUtf8(kEquip);
        state[2].Fields.reserve(64);  // rows are held by reference below
        ListSources s;
        s.equipXml = &equip;
        s.pages = &state;
        s.kindSuffix = &kind;
        s.siteFilter = &site;
        s.lastTypeVersion = &lastType;
        s.siteText = [this] {
            const QString t = get<ComboBox>("aSite")->text();
            return t.isEmpty() ? QStringLiteral("LYON") : t;
        };
        s.setInfoOptions = [this](const QString& t) { infoOptions = t; };
        pages->connectState(s);
        pages->setTestPageUpdate([this](int p) { tested.push_back(p); });
    }

    // Claims a designed control for a new row of page 2 and fills it as a description would.
    TsDesc& claim(const char* control, const char* field, int controlType, int dataType, const char* value,
                  const char* listKey = nullptr) {
        TsPage& page = state[2];
        const int index = static_cast<int>(page.Fields.size());
        TsDesc& d = fieldAt(page, index);
        d.FieldName = QString::fromLatin1(field);
        d.ControlType = controlType;
        d.DataType = dataType;
        applyFieldInfo(d, listKey ? QString::fromLatin1(listKey) : QString());
        d.CurrentValue = d.LoadedValue = QString::fromUtf8(value);
        QWidget* w = pages->sheets().control(QString::fromLatin1(control));
        asFieldControl(w)->setTag(controlTag(2, index));
        d.Control = w;
        if (auto* c = qobject_cast<ComboBox*>(w)) {
            d.ComboBox = w;
            c->clearAll();
            pages->lists().fillCombo(d, c);
        } else if (auto* l = qobject_cast<ListBox*>(w)) {
            d.ListBox = w;
            pages->lists().fillList(d, l);
        } else {
            asFieldControl(w)->setText(d.CurrentValue);
        }
        pages->attachEvents(w, controlType, d);
        return state[2].Fields[index];
    }
};

}  // namespace

TEST(Sheets, GenericEventsStoreTheValueForm) {
    LoadedForm f;
    f.pages->lists().beginPass();
    TsDesc& energy = f.claim("cVDEnergie", "Energie", 111, 2, "GO");
    TsDesc& sold = f.claim("cVDFlagVendu", "FlagVendu", 111, 3, "true");
    TsDesc& date = f.claim("cVDMEC", "MEC", 109, 1, "01/02/2024");
    TsDesc& seller = f.claim("cVDSite", "idCom", 112, 4, "9", "idCom");
    auto* energyBox = f.get<ComboBox>("cVDEnergie");
    EXPECT_EQ(energyBox->currentIndex(), 1);
    EXPECT_EQ(f.get<ComboBox>("cVDFlagVendu")->currentIndex(), 1);
    EXPECT_EQ(f.get<ComboBox>("cVDSite")->text(), QStringLiteral("Durand"));
    EXPECT_TRUE(f.tested.empty());  // filling is no change

    energyBox->setCurrentIndex(0);
    EXPECT_EQ(energy.CurrentValue, QStringLiteral("ES"));
    f.get<ComboBox>("cVDFlagVendu")->setCurrentIndex(0);
    EXPECT_EQ(sold.CurrentValue, QStringLiteral("False"));
    f.get<ComboBox>("cVDSite")->setCurrentIndex(0);
    EXPECT_EQ(seller.CurrentValue, QStringLiteral("7"));
    f.get<DatePicker>("cVDMEC")->setText(DatePicker::kEmptyMask);
    EXPECT_EQ(date.CurrentValue, QString());
    EXPECT_EQ(f.tested, (std::vector<int>{2, 2, 2, 2}));

    // An unclaimed control belongs to no row.
    f.get<ComboBox>("cVDCarrosserie")->addItem(QStringLiteral("Berline"));
    EXPECT_EQ(f.tested.size(), 4u);
    // Attaching again (next record) does not record twice.
    f.pages->attachEvents(energyBox, 111, energy);
    energyBox->setCurrentIndex(1);
    EXPECT_EQ(f.tested.size(), 5u);
}

TEST(Sheets, OptionListKeysAndCaption) {
    LoadedForm f;
    f.equip.Text.replace(QStringLiteral("</AxInfoEquip>"),
                         QStringLiteral("<OptVDS><OptVD><Abbr>A</Abbr><eText>Radio</eText></OptVD>"
                                        "<OptVD><Abbr>B</Abbr><eText>GPS</eText></OptVD>"
                                        "<OptVD><Abbr>C</Abbr><eText>Toit</eText></OptVD></OptVDS></AxInfoEquip>"));
    TsDesc& opts = f.claim("cVDInfoOptions", "InfoOptions", 110, 2, ";B;", "OptVD;OptVD");
    EXPECT_EQ(opts.ListKeys, QStringLiteral(";A;B;C"));
    EXPECT_EQ(f.infoOptions, QStringLiteral("GPS"));
    auto* list = f.get<ListBox>("cVDInfoOptions");
    list->setSelected(1, false);
    list->setSelected(0, true);
    list->setSelected(2, true);
    EXPECT_EQ(opts.CurrentValue, QStringLiteral(";A;C;"));
    EXPECT_EQ(f.infoOptions, QStringLiteral("Radio - Toit"));
    list->clearSelection();
    EXPECT_EQ(opts.CurrentValue, QString());
}

TEST(Sheets, MarkModelAndVersionCascade) {
    LoadedForm f;
    QStringList titres;
    f.pages->setInfoTitre = [&] { titres << f.get<Memo>("cVDInfoVersion")->text(); };
    f.pages->lists().beginPass();
    TsDesc& mark = f.claim("cVDInfoMarque", "InfoMarque", 111, 2, "VW", "InfoMarque");
    TsDesc& model = f.claim("cVDInfoModele", "InfoModele", 111, 2, "Tiguan", "InfoModele");
    f.claim("cVDInfoTypeVersion", "InfoTypeVersion", 111, 2, "Life", "InfoTypeVersion");
    TsDesc& version = f.claim("cVDInfoVersion", "InfoVersion", 109, 2, "TIGUAN 2.0 TDI Life");
    f.lastType = QStringLiteral("Life");
    auto* models = f.get<ComboBox>("cVDInfoModele");
    EXPECT_EQ(models->count(), 2);

    // Another mark refills the models; the new model moves the version text.
    f.get<ComboBox>("cVDInfoMarque")->setCurrentIndex(1);
    EXPECT_EQ(mark.CurrentValue, QStringLiteral("SKODA"));
    ASSERT_EQ(models->count(), 1);
    EXPECT_EQ(models->itemText(0), QStringLiteral("Octavia"));
    EXPECT_EQ(model.CurrentValue, QStringLiteral("Tiguan"));  // no model chosen yet
    models->setCurrentIndex(0);
    EXPECT_EQ(f.get<ComboBox>("cVDInfoTypeVersion")->count(), 1);
    EXPECT_EQ(version.CurrentValue, QStringLiteral("OCTAVIA 2.0 TDI Life"));
    f.get<ComboBox>("cVDInfoTypeVersion")->setCurrentIndex(0);
    EXPECT_EQ(version.CurrentValue, QStringLiteral("OCTAVIA 2.0 TDI STYLE"));
    EXPECT_EQ(f.lastType, QStringLiteral("Style"));
    EXPECT_FALSE(titres.isEmpty());

    // A mark without models leaves the model list as it was.
    f.pages->lists().UpdateCBox(models, QStringLiteral("FIAT"), QStringLiteral("vnModel"), QStringLiteral("vnMark"),
                                QStringLiteral("VNModels"));
    EXPECT_EQ(models->count(), 1);
    EXPECT_EQ(models->text(), QStringLiteral("Octavia"));
}

TEST(Sheets, PurchasePlanModelsFollowTheSite) {
    LoadedForm f;
    TsPage& page = f.state[2];
    TsDesc& d = fieldAt(page, 0);
    d.CurrentValue = QStringLiteral(";OCTAVIA;");
    auto* choix = f.get<ListBox>("cPAPAChoix1");
    f.pages->lists().UpdateLBox(choix, true);  // not claimed: untouched
    EXPECT_EQ(choix->count(), 0);
    choix->setTag(controlTag(2, 0));
    f.pages->lists().UpdateLBox(choix, true);
    ASSERT_EQ(choix->count(), 1);
    EXPECT_TRUE(choix->isSelected(0));
    f.pages->lists().UpdateLBox(choix, false);
    EXPECT_EQ(d.ListKeys, QStringLiteral(";TIGUAN;GOLF"));
    EXPECT_EQ(f.pages->lists().siteMarks(), QStringLiteral("SKODA"));
}

TEST(Sheets, MissingSheetIsAFaultNotACrash) {
    QTabWidget tabs;
    tabs.addTab(new QWidget, QStringLiteral("x"));
    tabs.widget(0)->setObjectName(QStringLiteral("Sheet01"));
    QStringList trace;
    DesignedPages* p = DesignedPages::build(&tabs, [&](const QString& l) { trace << l; });
    EXPECT_NE(p->sheets().control(QStringLiteral("cPrixVente")), nullptr);
    EXPECT_EQ(p->sheets().control(QStringLiteral("cVDNVO")), nullptr);
    EXPECT_FALSE(trace.isEmpty());
    EXPECT_EQ(DesignedPages::build(&tabs), p);
}

TEST(Sheets, CustomerSiteReloadsSalespeopleAndPlans) {
    LoadedForm f;
    auto* grid = f.get<Grid>("ngAction");
    grid->setColumns({GridColumn{.name = QStringLiteral("idCom")}, GridColumn{.name = QStringLiteral("idComRelance")}});
    TsDesc& site = f.claim("aSite", "Site", 111, 2, "LYON");
    TsDesc& plans = f.claim("cPAPAChoix1", "PAChoix1", 110, 2, ";GOLF;", "PAChoix1");
    auto* aSite = f.get<ComboBox>("aSite");
    EXPECT_EQ(plans.ListKeys, QStringLiteral(";OCTAVIA"));  // LYON sells SKODA
    {
        const QSignalBlocker quiet(aSite);
        aSite->addItem(QStringLiteral("nice"));
    }
    aSite->setCurrentIndex(aSite->count() - 1);
    EXPECT_EQ(site.CurrentValue, QStringLiteral("nice"));
    EXPECT_EQ(f.site, QStringLiteral("nice"));
    EXPECT_EQ(grid->columnByName(QStringLiteral("idComRelance"))->items, QStringList{QStringLiteral("Durand")});
    EXPECT_EQ(f.get<ComboBox>("aidCom")->count(), 1);
    // The plan lists follow the site the filter names (no "InfoSite" item here: "VW").
    EXPECT_EQ(plans.ListKeys, QStringLiteral(";TIGUAN;GOLF"));
    EXPECT_TRUE(f.get<ListBox>("cPAPAChoix1")->isSelected(1));
}

TEST(Sheets, FirstRowOfPageOneRecordsItsChanges) {
    // Its tag is 0, the same as an unclaimed control's.
    LoadedForm f;
    TsDesc& d = fieldAt(f.state[1], 0);
    d.FieldName = QStringLiteral("NVO");
    d.ControlType = 109;
    auto* nvo = f.get<NumberEdit>("cNVO");
    nvo->setTag(controlTag(1, 0));
    EXPECT_EQ(nvo->tag(), 0);
    d.Control = nvo;
    f.pages->attachEvents(nvo, 109, d);
    nvo->setText(QStringLiteral("1201"));
    EXPECT_EQ(d.CurrentValue, QStringLiteral("1201"));
    EXPECT_EQ(f.tested, std::vector<int>{1});
}

TEST(Sheets, WiredToTheRecordViewTheMarkRefreshesTheTitle) {
    Form f;
    RecordView* view = RecordView::of(&f.window, {});
    wireRecordView(*f.pages, *view);
    RecordViewState& s = view->state();
    s.KindSuffix = QStringLiteral("_TVO");
    s.EquipXml.Text = QStringLiteral("<X><MarksS><Marks><vMark>AUDI</vMark></Marks><Marks><vMark>Vw</vMark></Marks>"
                                     "</MarksS></X>");
    TsDesc& d = fieldAt(s.pages[1], 0);
    d.FieldName = d.ListKey = QStringLiteral("InfoMarque");
    d.ControlType = 111;
    d.CurrentValue = QStringLiteral("AUDI");
    auto* mark = f.get<ComboBox>("cInfoMarque");
    mark->setTag(controlTag(1, 0));
    d.ComboBox = d.Control = mark;
    view->host().beginPass();
    view->host().fillCombo(d, mark);
    view->host().attachEvents(mark, 111, d);
    EXPECT_EQ(mark->count(), 2);
    f.get<Memo>("cInfoVersion")->setText(QStringLiteral("1.6 TDI"));
    mark->setCurrentIndex(1);
    EXPECT_EQ(d.CurrentValue, QStringLiteral("Vw"));
    auto* title = f.window.findChild<QWidget*>(QStringLiteral("xcInfoTitre"));
    ASSERT_NE(asFieldControl(title), nullptr);
    EXPECT_EQ(asFieldControl(title)->text(), QStringLiteral("VW - 1.6 TDI"));
    EXPECT_EQ(view->host().designedCaption(mark), designedCaption(mark));
}

TEST(Sheets, TheAccountingTitleGoesWithItsPanelAndCommandsHavePictures) {
    Form f;
    QLabel* title = nullptr;
    for (QLabel* l : f.sheet(3)->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (l->text() == QStringLiteral("Comptabilité")) title = l;
    ASSERT_NE(title, nullptr);
    f.pages->sheets().panelCompta()->hide();  // a user without the accounting right
    EXPECT_TRUE(title->isHidden());
    f.pages->sheets().panelCompta()->show();
    EXPECT_FALSE(title->isHidden());
    // A command on a sheet is never taken for a caption: each one shown has its picture.
    for (const DesignedControl& d : designedControls())
        if (d.kind == DesignedKind::Button && !(d.flags & Designed::Hidden))
            EXPECT_NE(buttonPicture(d.name), nullptr) << d.name;
}
