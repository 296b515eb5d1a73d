// Two workstations on one record: a colleague (Paul Durand) saves first. The
// same field changed by both asks the user whose value wins and the record
// ends as stored; different fields are both stored without a question; a
// record deleted meanwhile is said so and keeps what the user typed; the
// "Historique" command lists both users' changes, filtered by field or user.
#include "SavingFixture.h"

#include "records/HistoryWindow.h"

#include <QPointer>
#include <QTableWidget>
#include <QComboBox>

using namespace e2e;
using platform::MsgResult;

class Conflicts : public SavingE2e {
protected:
    // The colleague's workstation on the same service, on a vehicle.
    app::TAxStanor& colleagueOn(const char* idTVO)
    {
        colleague = std::make_unique<FormRun>(tmp.path() + QStringLiteral("/colleague"), service->baseHRef());
        colleague->set("idUser", QStringLiteral("2"));
        colleague->set("UserSite", QStringLiteral("NORD"));
        colleague->set("idTVO", QString::fromLatin1(idTVO));
        colleague->set("idClient", QString());
        colleague->set("idTypeVO", QStringLiteral("1"));
        return colleague->start();
    }
    void colleagueTypes(const char* control, const QString& keys)
    {
        QWidget* w = colleague->form->findChild<QWidget*>(QString::fromLatin1(control));
        ASSERT_NE(w, nullptr) << control;
        typeInto(w, keys);
    }

    std::unique_ptr<FormRun> colleague;
};

TEST_F(Conflicts, SameFieldAsksWhoseValueWins)
{
    struct Case {
        const char* what;
        const char* mine;
        const char* theirs;
        MsgResult answer;
        const char* stored;
    };
    const Case cases[] = {
        {"garder ma valeur", "70000", "60000", MsgResult::Yes, "70000"},
        {"reprendre celle du collègue", "71000", "61000", MsgResult::No, "61000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& f = openVehicle("1", 1);
        activate();
        auto& theirs = colleagueOn("1");
        type("cKMS", QString::fromLatin1(c.mine));
        type("cCommentaires", QStringLiteral("vu"));  // not changed by the colleague: stored either way
        colleagueTypes("cKMS", QString::fromLatin1(c.theirs));
        ASSERT_TRUE(theirs.SaveChanges());
        run->dialogs.shown.clear();
        run->dialogs.answers = {c.answer};

        EXPECT_TRUE(f.SaveChanges()) << f.LbDebugInfo0->text().toStdString();
        ASSERT_EQ(run->dialogs.shown.size(), 1u);
        const QString asked = run->dialogs.shown[0].text;
        for (const QString& part : {QStringLiteral("« Kms »"), QStringLiteral("Paul Durand"),
                                    QString::fromLatin1(c.theirs), QString::fromLatin1(c.mine),
                                    QStringLiteral("09/12/2026")})
            EXPECT_TRUE(asked.contains(part)) << part.toStdString() << " / " << asked.toStdString();
        EXPECT_EQ(row("SELECT KMS, Commentaires FROM tVehicles WHERE idTVO = 1"),
                  QString::fromLatin1(c.stored) + QStringLiteral("|vu"));
        EXPECT_EQ(text("cKMS"), QString::fromLatin1(c.stored));
        EXPECT_FALSE(pending(1).pending());
        EXPECT_TRUE(f.PanelWarning->isHidden()) << f.LbDebugInfo0->text().toStdString();
        run->form.reset();
        colleague.reset();
    }
}

TEST_F(Conflicts, DifferentFieldsAreBothStoredWithoutAQuestion)
{
    auto& f = openVehicle("1", 1);
    activate();
    auto& theirs = colleagueOn("1");
    type("cKMS", QStringLiteral("70500"));
    colleagueTypes("cCV", QStringLiteral("7"));
    ASSERT_TRUE(theirs.SaveChanges());
    run->dialogs.shown.clear();
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_TRUE(run->dialogs.shown.empty());
    EXPECT_EQ(row("SELECT KMS, CV FROM tVehicles WHERE idTVO = 1"), QStringLiteral("70500|7"));
}

TEST_F(Conflicts, RecordDeletedMeanwhileIsSaidAndTheValueStays)
{
    auto& f = openVehicle("2", 1);
    activate();
    type("cKMS", QStringLiteral("12345"));
    row("DELETE FROM tVehicles WHERE idTVO = 2");
    run->dialogs.shown.clear();
    EXPECT_FALSE(f.SaveChanges());
    EXPECT_TRUE(run->dialogs.shown.empty());
    EXPECT_TRUE(f.LbDebugInfo0->text().contains(QStringLiteral("supprimé"))) << f.LbDebugInfo0->text().toStdString();
    EXPECT_EQ(text("cKMS"), QStringLiteral("12345"));
    EXPECT_TRUE(pending(1).pending());
}

TEST_F(Conflicts, HistoryWindowListsTheChangesNewestFirst)
{
    auto& f = openVehicle("1", 1);
    activate();
    auto& colleagueForm = colleagueOn("1");
    colleagueTypes("cCV", QStringLiteral("8"));
    ASSERT_TRUE(colleagueForm.SaveChanges());
    type("cKMS", QStringLiteral("90000"));
    ASSERT_TRUE(f.SaveChanges());

    QTest::mouseClick(f.JvXPBtnHistory, Qt::LeftButton);
    records::HistoryWindow* w = records::HistoryWindow::of(&f);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isModal());
    auto rows = [w] {
        QStringList out;
        for (int r = 0; r < w->list()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 1; c < w->list()->columnCount(); ++c) cells << w->list()->item(r, c)->text();
            out << cells.join(u'|');
        }
        return out;
    };
    // Newest first (the fixed-cost line each save adds to a used vehicle is listed too).
    const QString mine = QStringLiteral("Martin Admin|Kms|84500|90000");
    const QString theirs = QStringLiteral("Paul Durand|Puiss.|5|8");
    const QStringList all = rows();
    ASSERT_TRUE(all.contains(mine) && all.contains(theirs)) << all.join(u'\n').toStdString();
    EXPECT_LT(all.indexOf(mine), all.indexOf(theirs));
    EXPECT_TRUE(w->list()->item(int(all.indexOf(mine)), 0)->text().startsWith(QStringLiteral("09/12/2026")));

    w->userFilter()->setCurrentText(QStringLiteral("Paul Durand"));
    const QStringList his = rows();
    EXPECT_TRUE(his.contains(theirs));
    for (const QString& r : his) EXPECT_TRUE(r.startsWith(QStringLiteral("Paul Durand|"))) << r.toStdString();
    w->userFilter()->setCurrentIndex(0);
    w->fieldFilter()->setCurrentText(QStringLiteral("Kms"));
    EXPECT_EQ(rows(), QStringList{mine});

    QPointer<records::HistoryWindow> open(w);
    QTest::keyClick(w, Qt::Key_Escape);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(open.isNull());
}
