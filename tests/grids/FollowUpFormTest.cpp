// The action grid and the vehicle grid on the real form, driven with the
// mouse and keys offscreen against the data service: what each user sees
// and may do, a line held by its empty column, editors that change nothing
// when nothing is chosen, the dates of an action, the drawing of the cells,
// and choosing a customer's vehicle.
#include "FollowUpFixture.h"

using namespace e2e;
using platform::MsgResult;

namespace {

class FollowUpForm : public FollowUpE2e {
protected:
    QString stored(const char* column, int idAction) {
        return row(QStringLiteral("SELECT %1 FROM tActions WHERE idAction=%2").arg(QLatin1String(column)).arg(idAction));
    }
};

}  // namespace

TEST_F(FollowUpForm, WhatEachUserSeesOfTheActions) {
    struct Case {
        const char* user;
        const char* images;  // one per action: 0 deletes it, 2 keeps it
        bool editable;       // the grid and the new-action button
    };
    const Case cases[] = {
        {"1", "00", true},   // super-administrator with the follow-up right
        {"2", "00", true},   // salesperson with the follow-up right
        {"3", "02", false},  // accounting: only the action without comment could go, and the grid is closed
    };
    for (const Case& c : cases) {
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
        openActions("1", c.user);
        EXPECT_EQ(images(), c.images) << "user " << c.user;
        EXPECT_EQ(grid->isEnabled(), c.editable) << "user " << c.user;
        EXPECT_EQ(form().findChild<QWidget*>("JvXPBtnNewAction")->isEnabled(), c.editable) << "user " << c.user;
        EXPECT_EQ(shown(0), "20/11/2026|BERNARD Luc|Appel|Relance||01/02/2027|BERNARD Luc|Relance|Basse")
            << "user " << c.user;
        EXPECT_EQ(grid->cellData(1, AImage).hint,
                  grid->image(1, AImage) == 0 ? QStringLiteral("pour supprimer cette action") : QString());
        // Without the right the cells show their values greyed, as the customer's fields do.
        EXPECT_EQ(grid->model()->index(0, AType).data().toString(), "Appel") << "user " << c.user;
        EXPECT_EQ(grid->cellData(0, AType).empty, !c.editable) << "user " << c.user;
    }
    EXPECT_EQ(get<toolkit::FlatButton>("JvXPBtnNewAction")->hint(), "ajout d'un nouveau enregistrement suivi ");
}

TEST_F(FollowUpForm, EditorsOpenedAndClosedStoreNothing) {
    // A list position past the end of its list, and a reminder subject never chosen.
    service->service->database().acquire()->exec("UPDATE tActions SET PrioriteRelance=7, SujetRelance=NULL WHERE idAction=1");
    openActions("1");
    EXPECT_EQ(grid->cell(1, APriority), "7 (hors liste)");
    EXPECT_EQ(grid->cell(1, AReminderSubject), QString());
    for (int c = ADate; c <= APriority; ++c) {
        ASSERT_NE(openEditor(1, c), nullptr) << c;
        QTest::keyClick(grid->inplaceEditor(), Qt::Key_Return);
    }
    EXPECT_EQ(actions().pendingLine(), 0);
    click(0, ADate);
    EXPECT_EQ(writes(), QStringList());
    EXPECT_EQ(stored("PrioriteRelance", 1), "7");
    EXPECT_EQ(stored("coalesce(SujetRelance, 'NULL')", 1), "NULL");
    // Another cell of that line sends that cell only.
    chooseInCell(1, AType, QStringLiteral("Courrier"));
    EXPECT_EQ(actions().ActionRows[2].PendingStatement, "Update tActions set TypeAction=3 where (idAction=1) and (TypeAction=2)");
}

TEST_F(FollowUpForm, ALineWithAnEmptyColumnHoldsTheUserUntilFilledOrUndone) {
    openActions("1");
    // Action 2 has no comment: changed, it cannot be stored, and moving away selects the comment.
    chooseInCell(0, AType, QStringLiteral("Visite"));
    EXPECT_TRUE(form().JvXPBtnSave->isEnabled());
    click(1, ADate);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->currentColumn(), int(AComment));
    EXPECT_EQ(writes(), QStringList());
    // The save button says why.
    form().JvXPBtnSave->click();
    EXPECT_EQ(form().LbDebugInfo0->text(),
              QString::fromUtf8("Modifications non enregistrées : la colonne obligatoire « Commentaire » de l'action 1 est vide"));
    EXPECT_EQ(writes(), QStringList());
    // A customer field changed and changed back leaves the save button to the waiting line.
    type("aCliCP", QStringLiteral("59001"));
    type("aCliCP", QStringLiteral("59000"));
    EXPECT_TRUE(form().JvXPBtnSave->isEnabled());
    // Chosen back as it was, nothing waits and the user may leave.
    chooseInCell(0, AType, QStringLiteral("Appel"));
    EXPECT_FALSE(form().JvXPBtnSave->isEnabled());
    click(1, ADate);
    EXPECT_EQ(grid->currentRow(), 1);
    // Filled, it is stored when the user leaves it.
    chooseInCell(0, AType, QStringLiteral("Visite"));
    typeInCell(0, AComment, QStringLiteral("Rappel"));
    click(1, ADate);
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxUpdate")});
    EXPECT_EQ(stored("TypeAction || '|' || CommentaireAction", 2), "2|Rappel");
    EXPECT_EQ(grid->currentRow(), 1);
}

TEST_F(FollowUpForm, DatesOfAnAction) {
    struct Case {
        int column;
        const char* typed;
        const char* caption;  // of the warning, "" when accepted
        const char* text;
    };
    const Case cases[] = {
        {ADate, "31122019", "Contrôle de la date Action",
         "La valeur du champ \"DateAction\" doit être comprise entre le \"01/01/2020\" et le \"09/12/2026\""},
        {ADate, "10122026", "Contrôle de la date Action", nullptr},
        {ADate, "09122026", "", nullptr},
        {AReminder, "08122026", "Contrôle de la date Relance",
         "La valeur du champ \"DateRelance\" doit être supérieure au \"09/12/2026\""},
        {AReminder, "09122026", "", nullptr},
        {AReminder, "10012027", "", nullptr},  // back to the stored date
    };
    openActions("1");
    for (const Case& c : cases) {
        run->dialogs.shown.clear();
        typeInCell(1, c.column, QString::fromLatin1(c.typed));
        const bool refused = *c.caption != 0;
        ASSERT_EQ(run->dialogs.shown.size(), refused ? 1u : 0u) << c.typed;
        EXPECT_EQ(grid->isEditing(), refused) << c.typed;
        if (refused) {
            EXPECT_EQ(run->dialogs.shown[0].caption, QString::fromUtf8(c.caption)) << c.typed;
            if (c.text) {
                EXPECT_EQ(run->dialogs.shown[0].text, QString::fromUtf8(c.text));
            }
            grid->cancelEdit();
        }
    }
    EXPECT_EQ(actions().ActionRows[2].PendingStatement,
              "Update tActions set DateAction=#12/09/2026# where (idAction=1) and (DateAction=#11/02/2026#)");
}

TEST_F(FollowUpForm, CellsDrawnByColumn) {
    openActions("1", "2");
    struct Case {
        int column;
        QColor text, background;
    };
    const QColor none, blue(Qt::blue), grey(0xF0, 0xF0, 0xF0);
    const Case cases[] = {
        {AId, QColor(Qt::red), none}, {ADate, none, none},  {ACom, blue, grey},       {AType, none, none},
        {ASubject, blue, grey},       {AComment, blue, grey}, {AReminder, none, none}, {AReminderCom, blue, grey},
        {AReminderSubject, none, none}, {APriority, blue, grey},
    };
    for (const Case& c : cases) {
        toolkit::GridCellFormat f;
        actions().ngActionCellFormating(c.column, 0, f);
        EXPECT_EQ(f.textColor, c.text) << c.column;
        EXPECT_EQ(f.background, c.background) << c.column;
        toolkit::GridCellFormat selected;
        selected.selected = true;
        actions().ngActionCellFormating(c.column, 0, selected);
        EXPECT_FALSE(selected.textColor.isValid() || selected.background.isValid()) << c.column;
    }
    // A column of a right the user lacks keeps the look of an empty cell.
    grid->setCellEmpty(0, ACom, true);
    toolkit::GridCellFormat f;
    actions().ngActionCellFormating(ACom, 0, f);
    EXPECT_FALSE(f.background.isValid());
}

TEST_F(FollowUpForm, ChoosingAVehicle) {
    openVehicles("1");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->cell(0, 3), "PEUGEOT 308 1.6 HDI 110");
    EXPECT_EQ(images(), "00");
    EXPECT_EQ(grid->cellData(0, 0).hint, QString::fromUtf8("pour supprimer ce véhicule"));
    EXPECT_EQ(get<toolkit::FlatButton>("JvXPBtnNewVehicle")->hint(), QString::fromUtf8("ajout d'un nouveau véhicule"));
    EXPECT_EQ(text("vImmatriculation"), "AA111BB");
    // The row shown again: nothing saved, nothing read.
    const int logged = int(log.size());
    click(0, 2);
    EXPECT_EQ(int(log.size()), logged);
    click(1, 2);
    EXPECT_EQ(state().SelectedVehicle, 1);
    EXPECT_EQ(text("vImmatriculation"), "CC222DD");
    EXPECT_EQ(int(log.size()), logged);  // read from the answer at hand
    // A vehicle whose mark was emptied cannot be left.
    get<toolkit::ComboBox>("vInfoMarque")->setCurrentIndex(-1);
    click(0, 2);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(QApplication::focusWidget(), get("vInfoMarque"));
    EXPECT_EQ(writes(), QStringList());

    // Without the follow-up right: nothing to delete, no new vehicle.
    run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
    openVehicles("1", "3");
    EXPECT_EQ(images(), "22");
    EXPECT_FALSE(get("JvXPBtnNewVehicle")->isEnabled());
    click(0, 0);
    EXPECT_TRUE(run->dialogs.shown.empty());
}

TEST_F(FollowUpForm, LeavingAVehicleWithNothingToStoreOrWhoseSaveFailed) {
    // Stored without a mark elsewhere: with nothing to store it may still be left.
    service->service->database().acquire()->exec("UPDATE tVehiclesProfid SET InfoMarque=NULL WHERE idTVO=1");
    openVehicles("1");
    EXPECT_EQ(text("vInfoMarque"), QString());
    click(1, 2);
    EXPECT_EQ(text("vImmatriculation"), "CC222DD");
    // A change that cannot be stored keeps its vehicle shown, and the change.
    type("vKMS", QStringLiteral("36000"));
    form().HttpDisconnect();
    service.reset();
    click(0, 2);
    EXPECT_NE(form().LbDebugInfo0->text(), QString());
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(state().SelectedVehicle, 1);
    EXPECT_EQ(text("vKMS"), "36000");
}

TEST_F(FollowUpForm, ANewVehicleStoresTheVehicleShownFirst) {
    openVehicles("1");
    click(1, 2);
    type("vKMS", QStringLiteral("37000"));
    get<QAbstractButton>("JvXPBtnNewVehicle")->click();
    EXPECT_EQ(writes().first(), QStringLiteral("AxUpdate"));
    EXPECT_EQ(row("SELECT KMS FROM tVehiclesProfid WHERE idTVO=2"), "37000");
    EXPECT_TRUE(state().NewVehicle);
    EXPECT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(text("vImmatriculation"), QString());
}

TEST_F(FollowUpForm, ANewCustomerEmptiesTheGridsOfTheCustomerLeft) {
    // Both grids filled, the vehicles' sheet left for the customer's before the new customer.
    openVehicles("1");
    ASSERT_EQ(grid->rowCount(), 2);
    clickTab(0);
    QApplication::processEvents();
    toolkit::Grid* actionGrid = get<toolkit::Grid>(QStringLiteral("ngAction"));
    ASSERT_EQ(actionGrid->rowCount(), 2);
    form().JvXPBtnNewVOClick();
    ASSERT_TRUE(state().FlagNewEnreg);
    // The vehicles' sheet is not shown, yet none of the vehicles of customer 1 stays on it.
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(actionGrid->rowCount(), 0);
}
