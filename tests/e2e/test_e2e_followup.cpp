// A customer's follow-up on the main form against the data service: a new
// action with the values remembered from the last one, stored by moving to
// another line and changed afterwards, stored by its image and by the save
// button; a reminder before the server's date refused; an action deleted;
// a vehicle added, chosen, edited and deleted; a new customer's empty grids.
#include "FollowUpFixture.h"

using namespace e2e;
using platform::MsgResult;

namespace {

class FollowUpE2eTest : public FollowUpE2e {
protected:
    QString action(const char* where) {
        return row(QStringLiteral("SELECT idAction, DateAction, idCom, TypeAction, SujetAction, CommentaireAction, "
                                  "DateRelance, idComRelance, SujetRelance, PrioriteRelance FROM tActions WHERE ") +
                   QLatin1String(where));
    }
    QString remembered(int column) {
        return run->store.readString(platform::kStanorKey, QStringLiteral("sAct%1").arg(column));
    }
};

}  // namespace

TEST_F(FollowUpE2eTest, ANewActionTakesTheRememberedValuesAndIsStoredByMovingToAnotherLine) {
    const std::pair<int, const char*> last[] = {{2, "08/12/2026"}, {3, "3"}, {4, "4"},  {5, "2"},
                                                {7, "15/01/2027"}, {8, "3"}, {9, "1"}, {10, "3"}};
    for (const auto& [column, value] : last)
        run->set(QStringLiteral("sAct%1").arg(column).toLatin1().constData(), QLatin1String(value));
    openActions("1");
    ASSERT_EQ(grid->rowCount(), 2);
    get<QAbstractButton>("JvXPBtnNewAction")->click();
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(images(), "100");
    EXPECT_EQ(grid->cellData(0, AImage).hint, "pour enregistrer cette nouvelle action");
    // Dated today, both salespeople the customer's own, the first priority;
    // the rest remembered (the reminder still ahead).
    EXPECT_EQ(shown(0), "09/12/2026|BERNARD Luc|Essai|Offre||15/01/2027|BERNARD Luc|Information|Basse");
    EXPECT_EQ(writes(), QStringList());

    typeInCell(0, AComment, QStringLiteral("Essai du Tiguan"));
    chooseInCell(0, AReminderSubject, QStringLiteral("Relance"));
    click(2, ADate);
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxInsert")});
    EXPECT_EQ(grid->currentRow(), 2);
    const QString id = row("SELECT max(idAction) FROM tActions");
    EXPECT_EQ(action(("idAction=" + id.toStdString()).c_str()),
              id + "|09/12/2026|2|4|2|Essai du Tiguan|15/01/2027|2|3|1");
    EXPECT_EQ(remembered(9), "3");
    EXPECT_EQ(remembered(8), "2");
    EXPECT_EQ(remembered(6), QString());
    // Stored, the line is an action like any other: a change updates it.
    EXPECT_EQ(images(), "000");
    typeInCell(0, AComment, QStringLiteral("Essai du Tiguan, reporte"));
    click(1, ADate);
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxUpdate")});
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE idClient=1"), 3);
    EXPECT_EQ(row("SELECT CommentaireAction FROM tActions WHERE idAction=" + id), QStringLiteral("Essai du Tiguan, reporte"));

    // The next new action starts from this one.
    get<QAbstractButton>("JvXPBtnNewAction")->click();
    EXPECT_EQ(shown(0), "09/12/2026|BERNARD Luc|Essai|Offre||15/01/2027|BERNARD Luc|Relance|Basse");
}

TEST_F(FollowUpE2eTest, StoredByItsImageOrTheSaveButtonAndDeletedByItsImage) {
    openActions("2");
    ASSERT_EQ(grid->rowCount(), 1);
    for (bool byImage : {true, false}) {
        get<QAbstractButton>("JvXPBtnNewAction")->click();
        typeInCell(0, ADate, QStringLiteral("07122026"));
        chooseInCell(0, ACom, QStringLiteral("PETIT Marc"));
        for (int c : {int(AType), int(ASubject), int(AReminderSubject), int(APriority)})
            chooseInCell(0, c, grid->column(c).items.first());
        typeInCell(0, AComment, byImage ? QStringLiteral("Par l'image") : QStringLiteral("Par le bouton"));
        typeInCell(0, AReminder, QStringLiteral("20122026"));
        if (byImage)
            click(0, AImage);
        else
            form().JvXPBtnSave->click();
        EXPECT_EQ(writes().first(), QStringLiteral("AxInsert")) << byImage;
    }
    EXPECT_EQ(row("SELECT group_concat(CommentaireAction, ',') FROM tActions WHERE idClient=2 AND DateAction='2026-12-07'"),
              "Par l'image,Par le bouton");
    EXPECT_EQ(action("CommentaireAction='Par l''image'").section(u'|', 1),
              "07/12/2026|4|1|1|Par l'image|20/12/2026|4|1|1");

    // The image reloads the customer: its actions in the service's order.
    form().JvXPBtnActualizeClick();
    ASSERT_EQ(grid->rowCount(), 3);
    const int before = count("SELECT count(*) FROM tActions");
    QString last = grid->cell(2, AComment);
    click(2, AImage);
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxUpdate")});
    EXPECT_EQ(count("SELECT count(*) FROM tActions"), before - 1);
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE CommentaireAction='" + last.replace("'", "''") + "'"), 0);
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(images(), "00");
}

TEST_F(FollowUpE2eTest, AReminderBeforeTheServersDateIsRefused) {
    openActions("1");
    typeInCell(1, AReminder, QStringLiteral("01122026"));
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QString::fromUtf8("Contrôle de la date Relance"));
    EXPECT_TRUE(grid->isEditing());
    grid->cancelEdit();
    click(0, ADate);
    EXPECT_EQ(writes(), QStringList());
    EXPECT_EQ(row("SELECT DateRelance FROM tActions WHERE idAction=1"), "10/01/2027");
    // The server's own date is accepted.
    typeInCell(1, AReminder, QStringLiteral("09122026"));
    click(0, ADate);
    EXPECT_EQ(row("SELECT DateRelance FROM tActions WHERE idAction=1"), "09/12/2026");
}

TEST_F(FollowUpE2eTest, AVehicleAddedChosenEditedAndDeleted) {
    openVehicles("1");
    ASSERT_EQ(grid->rowCount(), 2);
    // Added: a blank row on top, the page ready for it, stored by the save button.
    get<QAbstractButton>("JvXPBtnNewVehicle")->click();
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_TRUE(state().NewVehicle);
    EXPECT_EQ(text("vImmatriculation"), QString());
    type("vImmatriculation", QStringLiteral("ab-123-cd"));
    form().JvXPBtnSave->click();
    EXPECT_EQ(QApplication::focusWidget(), get("vInfoMarque"));  // a mark first
    EXPECT_EQ(writes(), QStringList());
    get<toolkit::ComboBox>("vInfoMarque")->setCurrentText(QStringLiteral("RENAULT"));
    get<toolkit::ComboBox>("vInfoModele")->setCurrentText(QStringLiteral("CLIO"));
    form().JvXPBtnSave->click();
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxInsert")});
    EXPECT_FALSE(state().NewVehicle);
    ASSERT_EQ(grid->rowCount(), 3);
    const QString id = row("SELECT idTVO FROM tVehiclesProfid WHERE Immatriculation='AB123CD' AND idClient=1");
    EXPECT_EQ(grid->cell(2, 1), id);
    EXPECT_EQ(grid->cell(2, 3), "RENAULT CLIO");
    // The vehicle just added is the one shown.
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(text("vImmatriculation"), "AB123CD");

    // Chosen and edited: leaving it for another stores it, and it shows what was stored when chosen again.
    click(1, 2);
    EXPECT_EQ(text("vImmatriculation"), "CC222DD");
    type("vKMS", QStringLiteral("35000"));
    click(0, 2);
    EXPECT_EQ(writes().first(), QStringLiteral("AxUpdate"));
    EXPECT_EQ(row("SELECT KMS FROM tVehiclesProfid WHERE idTVO=2"), "35000");
    EXPECT_EQ(text("vImmatriculation"), "AA111BB");
    click(1, 2);
    EXPECT_EQ(text("vKMS"), "35000");

    // Deleted after the question: No sends nothing, Yes deletes it.
    run->dialogs.answers = {MsgResult::No, MsgResult::Yes};
    click(2, 0);
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, "Confirmation de Suppression");
    EXPECT_EQ(run->dialogs.shown[0].text, "Veuillez confirmer la suppression de \"AB123CD\" - \"RENAULT CLIO\"");
    EXPECT_EQ(writes(), QStringList());
    click(2, 0);
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxUpdate")});
    EXPECT_EQ(count("SELECT count(*) FROM tVehiclesProfid WHERE idTVO=" + id), 0);
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(text("vImmatriculation"), "AA111BB");
}

TEST_F(FollowUpE2eTest, ANewCustomerHasNoActionsNorVehiclesUntilStored) {
    openActions("1");
    form().JvXPBtnNewVOClick();
    ASSERT_TRUE(state().FlagNewEnreg);
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_FALSE(get("JvXPBtnNewAction")->isEnabled());
    clickTab(1);
    EXPECT_EQ(get<toolkit::Grid>(QStringLiteral("ngVehicles"))->rowCount(), 0);
    EXPECT_FALSE(get("JvXPBtnNewVehicle")->isEnabled());
}
