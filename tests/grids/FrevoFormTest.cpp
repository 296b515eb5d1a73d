// The cost grid on the real form, driven with the mouse and keys offscreen
// against the data service: what each user may change, the template that
// waits for its image, a failed save that keeps its line, the completion of
// labels, and the lines that stay in step across reloads.
#include "CostGridFixture.h"

using namespace e2e;

namespace {

class FrevoForm : public CostGridE2e {
protected:
    QString lines(const char* where = "idVO=1001") {
        return row(QStringLiteral("SELECT count(*) FROM \"tVO - Frevo\" WHERE ") + QLatin1String(where));
    }
    // The columns of a row on which F2 opens an editor.
    QString editable(int r) {
        QString out;
        for (int c = Id; c <= Amount; ++c) {
            grid->setFocus();
            grid->setCurrentCell(r, c);
            QTest::keyClick(grid, Qt::Key_F2);
            out += grid->isEditing() ? u'1' : u'-';
            grid->cancelEdit();
        }
        return out;
    }
};

}  // namespace

TEST_F(FrevoForm, WhatEachUserMayChange) {
    struct Case {
        const char* user;
        const char* icons;     // one per row
        const char* editable;  // columns 1 to 8 of each row
    };
    const Case cases[] = {
        // A salesperson: the accounted line is locked; it and the invoiced one cannot be deleted.
        {"2", "2 2 0 1", "-------- -11-1111 -11-1111 -1------"},
        // Accounting and sales: every line, the number included; only the template's date.
        {"1", "0 0 0 1", "-1111111 -1111111 -1111111 -1------"},
    };
    for (const Case& c : cases) {
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
        openCosts("1", c.user);
        QStringList icons, cells;
        for (int r = 0; r < grid->rowCount(); ++r) {
            icons << QString::number(grid->image(r, Icon));
            cells << editable(r);
        }
        EXPECT_EQ(icons.join(u' '), c.icons) << "user " << c.user;
        EXPECT_EQ(cells.join(u' '), c.editable) << "user " << c.user;
        // A click on the image of the invoiced line deletes it for the accounting users only.
        click(1, Icon);
        EXPECT_EQ(lines("idFrevo=2"), c.icons[2] == '2' ? "1" : "0") << "user " << c.user;
    }
}

TEST_F(FrevoForm, AnAccountingUserChangesTheNumberOnly) {
    openCosts("1", "3");
    EXPECT_EQ(grid->rowCount(), 3);  // no template
    for (int r = 0; r < 3; ++r) EXPECT_EQ(editable(r), "---1----") << r;
    typeInCell(2, Account, QStringLiteral("622100"));
    EXPECT_EQ(row("SELECT NComptable FROM \"tVO - Frevo\" WHERE idFrevo=3"), "622100");
}

// Vehicle 1003 already has its fixed cost: a save adds none.
TEST_F(FrevoForm, TheTemplateIsStoredByItsImageOnly) {
    openCosts("3");
    const bool saveBefore = form().JvXPBtnSave->isEnabled();
    // Its date changed: nothing sent, nothing pending.
    typeInCell(2, Date, QStringLiteral("08122026"));
    EXPECT_EQ(lines("idVO=1003"), "2");
    EXPECT_EQ(writes(), QStringList());
    EXPECT_EQ(frevo().pendingLine(), 0);
    EXPECT_EQ(form().JvXPBtnSave->isEnabled(), saveBefore);
    // Its image stores it once, with that date, and shows a fresh template.
    click(2, Icon);
    EXPECT_EQ(lines("idVO=1003"), "3");
    EXPECT_EQ(lines("idVO=1003 AND DateFrevo='2026-12-08' AND TypeFrevo='interne'"), "1");
    ASSERT_EQ(grid->rowCount(), 4);
    EXPECT_EQ(grid->cell(3, Date), "09/12/2026");
    EXPECT_EQ(grid->image(3, Icon), 1);
}

TEST_F(FrevoForm, LinesStayInStepAcrossReloads) {
    openCosts("3");
    for (int i = 0; i < 2; ++i) form().JvXPBtnActualizeClick();
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(frevo().FrevoRows.size(), 4u);
    typeInCell(0, Amount, QStringLiteral("99"));
    EXPECT_EQ(row("SELECT group_concat(MontantHT, ' ') FROM \"tVO - Frevo\" WHERE idVO=1003 ORDER BY idFrevo"),
              "99 150");
}

TEST_F(FrevoForm, LabelsCompleteFromTheirList) {
    openCosts("1");
    typeInCell(2, Label, QStringLiteral("vid"));
    EXPECT_EQ(row("SELECT LibelleFrevo FROM \"tVO - Frevo\" WHERE idFrevo=3"), "Vidange");
    typeInCell(2, Supplier, QStringLiteral("pneus e"));
    EXPECT_EQ(row("SELECT NomFournisseur FROM \"tVO - Frevo\" WHERE idFrevo=3"), "Pneus Express");
}

TEST_F(FrevoForm, AFailedSaveKeepsItsLineAndTheCurrentRow) {
    openCosts("1");
    form().HttpDisconnect();  // the service ends without waiting for a kept connection
    service.reset();  // the data service goes away
    typeInCell(2, Amount, QStringLiteral("10"));
    EXPECT_NE(form().LbDebugInfo0->text(), QString());
    EXPECT_EQ(frevo().pendingLine(), 3);
    EXPECT_EQ(frevo().FrevoRows[3].PendingStatement, "Update [tVO - Frevo] set MontantHT=10.00 where (idFrevo=3) and (MontantHT=95.00)");
    EXPECT_TRUE(form().JvXPBtnSave->isEnabled());
    // Another line is chosen: the save is tried again, fails, and the row stays.
    click(0, Label);
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(frevo().pendingLine(), 3);
    // Given up: the line shows its stored amount again and nothing is pending.
    frevo().discardLines();
    EXPECT_EQ(frevo().pendingLine(), 0);
    EXPECT_EQ(grid->cell(2, Amount), "95.00");
    EXPECT_EQ(text(QStringLiteral("cFrevo")), "529.40");
}

// A colleague changed or deleted the line meanwhile: the user is asked whose
// amount wins and the line ends as stored; a line gone is said so, no longer sent.
TEST_F(FrevoForm, ALineChangedMeanwhileAsksWhoseValueWins) {
    struct Case {
        const char* what;
        const char* colleague;
        platform::MsgResult answer;
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {"keeps mine", "UPDATE \"tVO - Frevo\" SET MontantHT=15 WHERE idFrevo=3", platform::MsgResult::Yes, "20", "20.00"},
        {"takes theirs", "UPDATE \"tVO - Frevo\" SET MontantHT=16 WHERE idFrevo=3", platform::MsgResult::No, "16", "16.00"},
        {"line deleted", "DELETE FROM \"tVO - Frevo\" WHERE idFrevo=3", platform::MsgResult::Yes, "<aucune ligne>", "20.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
        openCosts("1");
        row(QString::fromUtf8(c.colleague));
        run->dialogs.shown.clear();
        run->dialogs.answers = {c.answer};
        typeInCell(2, Amount, QStringLiteral("20"));
        EXPECT_EQ(row("SELECT CAST(MontantHT AS INTEGER) FROM \"tVO - Frevo\" WHERE idFrevo=3"), c.stored);
        EXPECT_EQ(grid->cell(2, Amount), c.shown);
        EXPECT_EQ(frevo().pendingLine(), 0);
        if (c.colleague[0] == 'U') {
            ASSERT_EQ(run->dialogs.shown.size(), 1u);
            EXPECT_TRUE(run->dialogs.shown[0].text.contains(QStringLiteral("20.00"))) << run->dialogs.shown[0].text.toStdString();
        } else {
            EXPECT_TRUE(run->dialogs.shown.empty());
            EXPECT_TRUE(form().LbDebugInfo0->text().contains(QStringLiteral("supprimée entre-temps")))
                << form().LbDebugInfo0->text().toStdString();
        }
        row("UPDATE \"tVO - Frevo\" SET MontantHT=95 WHERE idFrevo=3");
    }
}

TEST_F(FrevoForm, ANewVehicleShowsNoCostOfTheVehicleShownBefore) {
    openCosts("1");
    form().JvXPBtnNewVOClick();
    ASSERT_TRUE(state().FlagNewEnreg);
    EXPECT_EQ(text(QStringLiteral("cTotFrevo")), "0.00");
    EXPECT_EQ(text(QStringLiteral("cMNette")), "0.00");
    clickTab(4);
    EXPECT_EQ(grid->rowCount(), 0);  // no line, and no template before the vehicle is stored
    EXPECT_EQ(text(QStringLiteral("cFrevo")), QString());
    EXPECT_EQ(frevo().TestFraisFixes(), QString());
}
