#include "records/ListEditing.h"
#include "records/RecordCommands.h"

#include <gtest/gtest.h>

using namespace stanor::records;

TEST(RecordsCommands, DeleteChainsRefuseAnIdentifierThatIsNoNumber) {
    const StatementChain vo = VehicleDeleteStatements(QStringLiteral("1003"));
    EXPECT_EQ(vo.Statements, QStringList({QStringLiteral("Delete * From [tVO - Liens Images] where idVO=1003"),
                                          QStringLiteral("Delete * From [tVO - Frevo] where idVO=1003"),
                                          QStringLiteral("Delete * From [tVehicles] where idVO=1003")}));
    EXPECT_EQ(CustomerDeleteStatements(QStringLiteral("3")).Statements,
              QStringList{QStringLiteral("Delete * From [tClients] where idClient=3")});
    for (const char* id : {"", "1 or 1=1", "-1"}) {
        EXPECT_TRUE(VehicleDeleteStatements(QLatin1String(id)).empty()) << id;
        EXPECT_FALSE(CustomerDeleteStatements(QLatin1String(id)).Reason.isEmpty()) << id;
    }
    EXPECT_EQ(VehicleDeleteQuestion(QStringLiteral("VO"), QStringLiteral("1201")),
              QStringLiteral("Veuillez confirmer la suppression du VO n°1201"));
    EXPECT_EQ(CustomerDeleteQuestion(QStringLiteral("DUPONT"), QStringLiteral("Jean")),
              QStringLiteral("Veuillez confirmer la suppression du client \"DUPONT Jean\""));
}

TEST(RecordsListEditing, StatementsOfTheThreeLists) {
    ListEditTexts rubric;
    rubric.Text = QStringLiteral("Jaune");
    rubric.ListTable = QStringLiteral("ListRubrics");
    rubric.ListKey = QStringLiteral("Couleur");
    ListEditTexts model;
    model.ListTable = QStringLiteral("LISTMODELS");
    model.Marque = QStringLiteral("L'ATELIER");
    model.Modele = QStringLiteral("R&D 50%");
    ListEditTexts version = model;
    version.ListTable = QStringLiteral("listversions");
    version.TypeVersion = QStringLiteral("1.0 TSI+");
    version.UserConcession = QStringLiteral("ALV");
    ListEditTexts other = rubric;
    other.ListTable = QStringLiteral("Site");
    ListEditTexts quotedKey = rubric;
    quotedKey.ListKey = QStringLiteral("Cou'leur");

    struct Case {
        int mode;
        const ListEditTexts* texts;
        const char* statement;
    } cases[] = {
        {ListEditMode::Add, &rubric,
         "Insert into ListRubrics (RubricType, RubricIndex, RubricItem, RubricText) Values ('Couleur', 0, '..' ,'Jaune')"},
        {ListEditMode::Delete, &rubric, "Delete * From ListRubrics where RubricType='Couleur' and RubricText='Jaune'"},
        {ListEditMode::Delete, &quotedKey,
         "Delete * From ListRubrics where RubricType='Cou''leur' and RubricText='Jaune'"},
        {ListEditMode::Add, &model, "Insert into ListModels (VMarque, VModele) Values ('L''ATELIER', 'R%26D 50%25')"},
        {ListEditMode::Delete, &model, "Delete * From ListModels where VMarque='L''ATELIER' and VModele='R%26D 50%25'"},
        {ListEditMode::Add, &version,
         "Insert into ListVersions (VMarque, VModele, VVersion, VConcession) "
         "Values ('L''ATELIER', 'R%26D 50%25', '1.0 TSI%2B', 'ALV')"},
        {ListEditMode::Delete, &version,
         "Delete * From ListVersions where VMarque='L''ATELIER' and VModele='R%26D 50%25' and VVersion='1.0 TSI%2B' "
         "and VConcession='ALV'"},
        {ListEditMode::Add, &other, ""},
        {ListEditMode::Delete, &other, ""},
        {1, &rubric, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ActionInfoRubrique(c.mode, *c.texts).toStdString(), c.statement) << c.mode;
}

TEST(RecordsListEditing, FieldsTakenFromThePageOfTheEditedList) {
    struct Case {
        const char* table;
        const char* control;
        const char* prefix;
    } cases[] = {
        {"ListVersions", "cVNInfoTypeVersion", "cVN"}, {"ListVersions", "cvdInfoTypeVersion", "cVD"},
        {"ListVersions", "cInfoTypeVersion", "cVN"},   {"ListModels", "cInfoModele", "c"},
        {"ListModels", "cVDInfoModele", "cVD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListEditFieldPrefix(QLatin1String(c.table), QLatin1String(c.control)).toStdString(), c.prefix)
            << c.control;
    const MessageText add = ListEditQuestion(ListEditMode::Add, QStringLiteral("Jaune"), QStringLiteral("Couleur"));
    EXPECT_EQ(add.Caption, QStringLiteral("Confirmation d'Ajout "));
    EXPECT_EQ(add.Text, QStringLiteral("Veuillez confirmer l'ajout de la valeur 'Jaune' pour le champ 'Couleur'"));
}
