// Binding description rows to controls: the control created for a row
// without a designed one, a design that disagrees with its row, and the
// customer-vehicle page whose enabling (not visibility) depends on vehicles.
#include "test_recordview_fixture.h"

#include <QTest>

using namespace rvtest;

namespace {

class Binding : public RecordViewTest {
protected:
    void SetUp() override
    {
        RecordViewTest::SetUp();
        writeEquip();
    }
    void describe(std::vector<Row> fields, const QString& prefix = QStringLiteral("c"))
    {
        std::vector<Row> rows = {pageRow("_TVO", "1", "VO", "pVO1", "", prefix),
                                 pageRow("_TCL", "7", "Client", "pCL7", "", "a"),
                                 pageRow("_TCL", "8", "Véhicules", "pCL8", "", "v")};
        rows.insert(rows.end(), fields.begin(), fields.end());
        write("XmlStruct.xml", structXml(rows));
    }
    QString typed(const char* name, const QString& keys)
    {
        QWidget* c = w(name);
        if (!c)
            return QStringLiteral("<absent>");
        toolkit::asFieldControl(c)->setText(QString());
        QTest::keyClicks(c, keys);
        return text(name);
    }
};

QString customer(int vehicles, const QStringList& groups = {QStringLiteral("USER_PROFID")})
{
    QString veh = QStringLiteral("<TVehS>");
    for (int i = 0; i < vehicles; ++i)
        veh += element("TVeh", {{"Immatriculation", QStringLiteral("AA%1").arg(i)}});
    veh += QStringLiteral("</TVehS>");
    return recordXml("TVC", {{"CliNom", "dupont"}, {"Site", "NORD"}}, groups, "#", veh);
}

}  // namespace

TEST_F(Binding, ACreatedControlFitsItsValue)
{
    describe({fieldRow("pVO1", "Parc", "Parc", 2, 109).set("length", "8"),
              fieldRow("pVO1", "DateLivr", "Livraison", 1, 109, "SVO", 100, 150, 70),
              fieldRow("pVO1", "NbCles", "Clés", 4, 109, "SVO", 100, 150, 100),
              fieldRow("pVO1", "Remise", "Remise", 5, 109, "SVO", 100, 150, 130),
              fieldRow("pVO1", "Note", "Note", 0, 120, "SVO", 100, 150, 160)});
    write("XmlVO.xml", recordXml("tVO", {{"TypeVO", "1"}, {"Parc", "P-17"}, {"DateLivr", "02/03/2026"},
                                         {"NbCles", "2"}, {"Remise", "150"}}));
    show("1", "");
    // Each row's typing, as a user would type it.
    const struct {
        const char* control;
        const char* keys;
        const char* shown;
    } cases[] = {
        {"cParc", "Parc B12", "Parc B12"},        // letters in a text field
        {"cParc", "ABCDEFGHIJ", "ABCDEFGH"},      // its length from the row
        {"cDateLivr", "15062026", "15/06/2026"},  // the date picker's mask
        {"cNbCles", "3a", "3"},                    // digits only in a number
        {"cNote", "libre", "libre"},               // a created type 120 is an edit
    };
    for (const auto& c : cases)
        EXPECT_EQ(typed(c.control, QString::fromLatin1(c.keys)), QString::fromLatin1(c.shown)) << c.control;
    EXPECT_NE(qobject_cast<toolkit::DatePicker*>(w("cDateLivr")), nullptr);
    EXPECT_NE(qobject_cast<toolkit::NumberEdit*>(w("cRemise")), nullptr);
    EXPECT_EQ(qobject_cast<toolkit::NumberEdit*>(w("cParc")), nullptr);
}

TEST_F(Binding, ADesignThatDisagreesWithItsRowIsTracedAndStillShowsTheValue)
{
    describe({fieldRow("pVO1", "InfoMarque", "Marque", 2, 109),   // edit row on a list-only combo box
              fieldRow("pVO1", "CP", "CP", 2, 111),               // combo row on an edit
              fieldRow("pVO1", "InfoVersion", "Version", 2, 110), // list row on a memo
              fieldRow("pVO1", "", "Vide", 2, 109, "SVO", 100, 150, 200)});
    write("XmlVO.xml", recordXml("tVO", {{"TypeVO", "1"}, {"InfoMarque", "RENAULT"}, {"CP", "59000"},
                                         {"InfoVersion", "CLIO"}}));
    show("1", "");
    const struct {
        const char* control;
        const char* value;
        const char* trace;
    } cases[] = {
        {"cInfoMarque", "RENAULT",
         "liaison : la ligne cInfoMarque (type 109) désigne cInfoMarque, une liste déroulante fermée : valeur "
         "affichée comme texte"},
        {"cCP", "59000", "liaison : la ligne cCP (type 111) désigne cCP, une zone de texte : valeur affichée comme texte"},
        {"cInfoVersion", "CLIO", "liaison : la ligne cInfoVersion (type 110) désigne cInfoVersion, une mémo : valeur "
                                 "affichée comme texte"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text(c.control), QString::fromLatin1(c.value)) << c.control;
        EXPECT_TRUE(traced(QString::fromUtf8(c.trace))) << c.trace;
    }
    // A row with an empty name under an empty prefix would have taken the first control of the sheet.
    describe({fieldRow("pVO1", "", "Vide", 2, 109, "SVO", 100, 150, 200)}, QString());
    const int tagOfFirst = toolkit::asFieldControl(w("cNVO"))->tag();
    show("1", "");
    EXPECT_EQ(toolkit::asFieldControl(w("cNVO"))->tag(), tagOfFirst);
    EXPECT_FALSE(toolkit::asFieldControl(w("cNVO"))->claimed());
}

TEST_F(Binding, VehiclePageVisibilityFollowsRightsAndANewVehicleIsEditable)
{
    describe({fieldRow("pCL7", "CliNom", "Nom", 2, 109, "PROFID"),
              fieldRow("pCL8", "Immatriculation", "Immat.", 2, 109, "PROFID").set("enabled", "2")});
    // The first customer shown has no vehicle: the field is shown (the user
    // holds the rights) but cannot be edited.
    write("XmlCL.xml", customer(0));
    show("", "42");
    EXPECT_TRUE(w("vImmatriculation")->isVisibleTo(sheet(8)));
    EXPECT_FALSE(w("vImmatriculation")->isEnabled());
    // A new vehicle entered for that customer can be edited.
    view->state().NewVehicle = true;
    view->UpdateTabDesc(false, true);
    EXPECT_TRUE(w("vImmatriculation")->isEnabled());
    view->state().NewVehicle = false;
    // A customer with a vehicle: shown and editable.
    write("XmlCL.xml", customer(1));
    show("", "43", false);
    EXPECT_TRUE(w("vImmatriculation")->isVisibleTo(sheet(8)));
    EXPECT_TRUE(w("vImmatriculation")->isEnabled());
    EXPECT_EQ(text("vImmatriculation"), QStringLiteral("AA0"));
}
