#include "pages/RefLists.h"

#include <gtest/gtest.h>

using namespace stanor::pages;
using stanor::service::TXml;

namespace {

const char* kEquip = R"(<AxInfoEquip>
<ParsS>
<Pars><type>Energie</type><text>ES : Essence</text></Pars>
<Pars><type>ENERGIE</type><text>GO : Gazole</text></Pars>
<Pars><type>Boolean</type><text>Non</text></Pars>
<Pars><type>Boolean</type><text>Oui</text></Pars>
<Pars><type>ModeTVA</type><text>..</text></Pars>
<Pars><type>ModeTVA</type><text>TVA sur marge</text></Pars>
<Pars><type>ModeTVA</type><text>TVA &amp;lt;normale&gt;</text></Pars>
<Pars><type>SujetAction</type><text>Appel</text></Pars>
<Pars><type>SujetAction</type><text>Relance &amp; visite</text></Pars>
<Pars><type>Note</type><text>a&cr;b</text></Pars>
</ParsS>
<InfoComS>
<InfoCom><idCom>7</idCom><cNom>Martin</cNom><Site>PARIS;LYON</Site></InfoCom>
<InfoCom><idCom>9</idCom><cNom>Durand</cNom><Site>lyon</Site></InfoCom>
<InfoCom><idCom>12</idCom><cNom>Petit</cNom><Site>NICE</Site></InfoCom>
</InfoComS>
<MarksS><Marks><vMark>AUDI</vMark></Marks><Marks><vMark>VW</vMark></Marks></MarksS>
<ModelsS>
<Models><vMark>AUDI</vMark><vModel>A3</vModel></Models>
<Models><vMark>VW</vMark><vModel>Golf</vModel></Models>
<Models><vMark>VW</vMark><vModel>Polo</vModel></Models>
<Models><vMark>SEAT</vMark><vModel>Ibiza</vModel></Models>
</ModelsS>
<VNMarksS><VNMarks><vnMark>VW</vnMark></VNMarks><VNMarks><vnMark>SKODA</vnMark></VNMarks></VNMarksS>
<VNModelsS>
<VNModels><vnMark>VW</vnMark><vnModel>Tiguan</vnModel></VNModels>
<VNModels><vnMark>SKODA</vnMark><vnModel>Octavia</vnModel></VNModels>
<VNModels><vnMark></vnMark><vnModel>Divers</vnModel></VNModels>
<VNModels><vnMark>VW</vnMark><vnModel>up</vnModel></VNModels>
</VNModelsS>
<VNVersionsS>
<VNVersions><vnModel>TIGUAN</vnModel><vnVers>Life</vnVers></VNVersions>
<VNVersions><vnModel>TIGUAN</vnModel><vnVers>R-Line</vnVers></VNVersions>
<VNVersions><vnModel>OCTAVIA</vnModel><vnVers>Style</vnVers></VNVersions>
</VNVersionsS>
<InfoSiteS>
<InfoSite><Site>PARIS</Site><Marques>VW;SKODA</Marques></InfoSite>
<InfoSite><Site>NICE</Site><Marques>SKODA</Marques></InfoSite>
</InfoSiteS>
<OptionsVDS>
<OptionsVD><Abbr>gps</Abbr><eText>GPS</eText></OptionsVD>
<OptionsVD><Abbr>TO</Abbr><eText>Toit &amp; ouvrant</eText></OptionsVD>
<OptionsVD><Abbr>JA</Abbr><eText>Jantes alu</eText></OptionsVD>
</OptionsVDS>
</AxInfoEquip>)";

RefLists lists(QStringList* trace = nullptr) {
    TXml x;
    x.Text = QString::fromUtf8(kEquip);
    return RefLists(x, [trace](const QString& l) {
        if (trace) *trace << l;
    });
}

TsDesc combo(const char* field, int control, int data, const char* listKey) {
    TsDesc d;
    d.FieldName = QString::fromUtf8(field);
    d.ControlType = control;
    d.DataType = data;
    d.ListKey = QString::fromUtf8(listKey);
    return d;
}

}  // namespace

TEST(RefLists, LoadsValueListsDecoded) {
    QStringList trace;
    RefLists l = lists(&trace);
    EXPECT_EQ(l.parsItems(QStringLiteral("energie")), (QStringList{"ES : Essence", "GO : Gazole"}));
    EXPECT_EQ(l.parsItems(QStringLiteral("ModeTVA"))->at(2), QStringLiteral("TVA <normale>"));
    EXPECT_EQ(l.parsItems(QStringLiteral("Note"))->at(0), QStringLiteral("a&cr;b"));
    EXPECT_EQ(l.parsItems(QStringLiteral("Note"), true)->at(0), QStringLiteral("a\r\nb"));
    EXPECT_FALSE(l.parsItems(QStringLiteral("Couleur")).has_value());
    EXPECT_EQ(trace.size(), 1);
}

TEST(RefLists, Salespeople) {
    RefLists l = lists();
    EXPECT_EQ(l.salespeople(QStringLiteral("lyon")), (QStringList{"Martin", "Durand"}));
    EXPECT_EQ(l.salespeople(QStringLiteral("NICE")), (QStringList{"Petit"}));
    EXPECT_TRUE(l.salespeople(QString()).isEmpty());
    EXPECT_EQ(l.salespersonName(QStringLiteral("9")), QStringLiteral("Durand"));
    EXPECT_EQ(l.salespersonName(QStringLiteral("99")), QString());
    EXPECT_EQ(l.idComOf(QStringLiteral("InfoCom"), QStringLiteral("Petit")), QStringLiteral("12"));
    EXPECT_EQ(l.idComOf(QStringLiteral("InfoCom"), QStringLiteral("Inconnu")), QStringLiteral("0"));
    // Follow-up subjects are looked up among the action subjects.
    EXPECT_EQ(l.idComOf(QStringLiteral("SujetRelance"), QStringLiteral("Relance & visite")), QStringLiteral("2"));
    EXPECT_EQ(l.idComOf(QStringLiteral("SujetAction"), QStringLiteral("Autre")), QStringLiteral("0"));
}

TEST(RefLists, ComboFillSelections) {
    struct Case {
        const char* name;
        int control, data;
        const char* listKey;
        const char* value;
        int selected;
        bool appended, blank;
        int count;
    } cases[] = {
        {"Energie", 111, 2, "Energie", "GO", 1, false, false, 2},
        {"Energie", 111, 2, "Energie", "go", 1, false, false, 2},
        {"Energie", 111, 2, "Energie", "EL", 2, true, false, 3},   // missing value appended
        {"Energie", 112, 2, "Energie", "7", -1, false, false, 2},  // out of range: no selection
        {"Energie", 112, 2, "Energie", "2", 1, false, false, 2},
        {"Energie", 112, 2, "Energie", "abc", 0, false, false, 2},  // not a number: position 1
        {"ModeTVA", 112, 4, "ModeTVA", "0", 1, false, true, 3},    // ModeTVA 0 becomes 1
        {"Mode", 112, 4, "ModeTVA", "0", 0, false, true, 3},       // blank first item: "0" is the blank
        {"Mode", 112, 4, "ModeTVA", "1", 1, false, true, 3},
        {"Flag", 111, 3, "Flag", "true", 1, false, false, 2},      // booleans use the BOOLEAN list
        {"Flag", 111, 3, "Flag", "False", 0, false, false, 2},
        {"Flag", 111, 3, "Flag", "", 0, false, false, 2},
    };
    for (const auto& c : cases) {
        RefLists l = lists();
        PassMemory pass;
        TsDesc d = combo(c.name, c.control, c.data, c.listKey);
        const ComboFill f = l.fillCombo(d, QString::fromUtf8(c.value), QStringLiteral("_TVO"), pass, {});
        EXPECT_EQ(f.selected, c.selected) << c.name << " " << c.value;
        EXPECT_EQ(f.appended, c.appended) << c.name << " " << c.value;
        EXPECT_EQ(d.FirstItemBlank, c.blank) << c.name << " " << c.value;
        EXPECT_EQ(f.items.size(), c.count) << c.name << " " << c.value;
    }
}

TEST(RefLists, BlankFirstItemShowsEmpty) {
    RefLists l = lists();
    PassMemory pass;
    TsDesc d = combo("Mode", 112, 4, "ModeTVA");
    const ComboFill f = l.fillCombo(d, QStringLiteral("2"), QStringLiteral("_TVO"), pass, {});
    EXPECT_EQ(f.items.at(0), QString());
    EXPECT_EQ(f.items.at(2), QStringLiteral("TVA <normale>"));
    EXPECT_TRUE(d.ByIndex);
}

TEST(RefLists, MarksModelsAndVersionsCascadeWithinAPass) {
    RefLists l = lists();
    PassMemory pass;
    TsDesc mark = combo("InfoMarque", 111, 2, "InfoMarque");
    TsDesc model = combo("InfoModele", 111, 2, "InfoModele");
    TsDesc type = combo("InfoTypeVersion", 111, 2, "InfoTypeVersion");

    ComboFill m = l.fillCombo(mark, QStringLiteral("vw"), QStringLiteral("_TVO"), pass, {});
    EXPECT_EQ(m.items, (QStringList{"AUDI", "VW"}));
    EXPECT_EQ(m.selected, 1);
    ComboFill mo = l.fillCombo(model, QStringLiteral("Polo"), QStringLiteral("_TVO"), pass, {});
    EXPECT_EQ(mo.items, (QStringList{"Golf", "Polo"}));
    EXPECT_EQ(mo.selected, 1);

    PassMemory vn;
    ComboFill vm = l.fillCombo(mark, QStringLiteral("VW"), QStringLiteral("_TVD"), vn, {});
    EXPECT_EQ(vm.items, (QStringList{"VW", "SKODA"}));
    l.fillCombo(model, QStringLiteral("Tiguan"), QStringLiteral("_TVD"), vn, {});
    ComboFill t = l.fillCombo(type, QStringLiteral("R-Line"), QStringLiteral("_TVD"), vn, {});
    EXPECT_EQ(t.items, (QStringList{"Life", "R-Line"}));
    EXPECT_EQ(t.selected, 1);

    // On a new vehicle a trade-in mark (not "InfoMarque") takes the used-vehicle marks.
    PassMemory vnTrade;
    TsDesc trade = combo("ReprMarque", 111, 2, "InfoMarque");
    EXPECT_EQ(l.fillCombo(trade, QStringLiteral("AUDI"), QStringLiteral("_TVN"), vnTrade, {}).items.size(), 2);
    EXPECT_EQ(l.fillCombo(mark, QStringLiteral("VW"), QStringLiteral("_TVN"), vnTrade, {}).items.at(1),
              QStringLiteral("SKODA"));
}

TEST(RefLists, SalespersonFieldSelectsByIdentifier) {
    RefLists l = lists();
    PassMemory pass;
    TsDesc d = combo("idCom", 112, 4, "idCom");
    ComboFill f = l.fillCombo(d, QStringLiteral("9"), QStringLiteral("_TVO"), pass, QStringLiteral("LYON"));
    EXPECT_EQ(f.items, (QStringList{"Martin", "Durand"}));
    EXPECT_EQ(f.selected, 1);
    f = l.fillCombo(d, QStringLiteral("12"), QStringLiteral("_TVO"), pass, QStringLiteral("LYON"));
    EXPECT_EQ(f.selected, -1);  // works elsewhere: not offered
    EXPECT_FALSE(f.appended);
}

TEST(RefLists, ListBoxFills) {
    RefLists l = lists();
    TsDesc opts = combo("InfoOptions", 110, 2, "OptionsVD");
    ListFill f = l.fillList(opts, QStringLiteral(";GPS;JA;"), {});
    ASSERT_EQ(f.items.size(), 3u);
    EXPECT_EQ(opts.ListKeys, QStringLiteral(";gps;TO;JA"));  // option keys kept as sent
    EXPECT_EQ(f.selected, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(f.items[1].text, QStringLiteral("Toit &amp; ouvrant"));  // list boxes take texts as sent

    TsDesc choix1 = combo("PAChoix1", 110, 2, "PAChoix1");
    f = l.fillList(choix1, QStringLiteral(";OCTAVIA;"), QStringLiteral("paris"));
    EXPECT_EQ(choix1.ListKeys, QStringLiteral(";TIGUAN;OCTAVIA;UP"));
    EXPECT_EQ(f.selected, (std::vector<bool>{false, true, false}));
    TsDesc choix2 = combo("PAChoix2", 110, 2, "PAChoix2");
    l.fillList(choix2, {}, QStringLiteral("PARIS"));
    EXPECT_EQ(choix2.ListKeys, QStringLiteral(";DIVERS"));  // an empty mark is no site mark

    EXPECT_EQ(l.siteMarks(QStringLiteral("nice")), QStringLiteral("SKODA"));
    EXPECT_EQ(l.siteMarks(QStringLiteral("BREST")), QStringLiteral("VW"));
    TsDesc none = combo("X", 110, 2, "Absent");
    EXPECT_TRUE(l.fillList(none, {}, {}).items.empty());
}

TEST(RefLists, DependentLists) {
    RefLists l = lists();
    EXPECT_EQ(l.dependentItems(QStringLiteral("Models"), QStringLiteral("VW"), QStringLiteral("vModel"),
                               QStringLiteral("vMark")),
              (QStringList{"Golf", "Polo"}));
    EXPECT_FALSE(l.dependentItems(QStringLiteral("Models"), QStringLiteral("FIAT"), QStringLiteral("vModel"),
                                  QStringLiteral("vMark"))
                     .has_value());
    EXPECT_EQ(l.dependentItems(QStringLiteral("VNVersions"), QStringLiteral(" TIGUAN "), QStringLiteral("vnVers"),
                               QStringLiteral("vnModel"))
                  ->size(),
              2);
}

TEST(RefLists, VersionTextFollowsModelAndType) {
    struct Case { const char* version; const char* last; const char* now; const char* out; } models[] = {
        {"Golf 1.6 TDI", "GOLF", "Polo", "POLO 1.6 TDI"},
        {"1.6 TDI ", "GOLF", "Polo", "POLO 1.6 TDI"},
        {"Golf 1.6", "", "Polo", "POLO Golf 1.6"},
    };
    for (auto c : models)
        EXPECT_EQ(mergeModel(QString::fromUtf8(c.version), QString::fromUtf8(c.last), QString::fromUtf8(c.now)),
                  QString::fromUtf8(c.out))
            << c.version;
    EXPECT_EQ(mergeTypeVersion(QStringLiteral("TIGUAN Life"), QStringLiteral("life"), QStringLiteral("R-Line")),
              QStringLiteral("TIGUAN R-LINE"));
    EXPECT_EQ(mergeTypeVersion(QStringLiteral(" TIGUAN "), QStringLiteral("Life"), QStringLiteral("R-Line")),
              QStringLiteral("TIGUAN R-LINE"));
    EXPECT_EQ(beforeColon(QStringLiteral("GO : Gazole")), QStringLiteral("GO"));
    EXPECT_EQ(beforeColon(QStringLiteral("GO:Gazole")), QStringLiteral("GO:Gazole"));
}
