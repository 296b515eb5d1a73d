// Today's reminders on the main form against the data service: the count on
// the toolbar command after start-up, after a save and every 15 minutes of
// timer ticks; the list, oldest first, overdue reminders standing out; a row
// opening its customer on the follow-up sheet once the record shown is
// saved; a super-administrator's choice of salesperson or site; and a
// service that does not answer, which never touches the status line.
#include "FollowUpFixture.h"

#include "reminders/RemindersPanel.h"

using namespace e2e;

namespace {

class RemindersE2e : public FollowUpE2e {
protected:
    void SetUp() override
    {
        FollowUpE2e::SetUp();
        // The reminders of salesperson 2 (user 2) are the test's own, on the
        // service's day, 09/12/2026: those of the demo are set aside. The
        // customers are those whose other actions are older than them all.
        exec("UPDATE tActions SET DateRelance = NULL");
        action(101, 1, "2026-11-25", "2026-12-01", 2);  // 8 days overdue
        action(102, 2, "2026-12-02", "2026-12-09", 2);  // due today
        action(103, 3, "2026-12-02", "2026-12-15", 2);  // to come
        action(104, 3, "2026-11-02", "2026-12-04", 3);  // MOREAU Anne's
        asUser("2");
    }
    void exec(const QString& sql) { service->service->database().acquire()->exec(sql.toStdString()); }
    // An action of the salesperson; no reminder when its date is empty.
    void action(int id, int customer, const char* date, const char* reminder, int salesperson)
    {
        const QString when = *reminder ? QStringLiteral("'%1'").arg(QLatin1String(reminder)) : QStringLiteral("NULL");
        exec(QStringLiteral("INSERT INTO tActions (idAction, idClient, DateAction, idCom, TypeAction, SujetAction, "
                            "CommentaireAction, DateRelance, idComRelance, SujetRelance, PrioriteRelance) VALUES "
                            "(%1, %2, '%3', %5, 1, 1, 'Rappel %1', %4, %5, 3, 3)")
                 .arg(id).arg(customer).arg(QLatin1String(date), when).arg(salesperson));
    }
    reminders::RemindersPanel& panel() { return form().Reminders(); }
    QString caption() { return form().JvXPBtnRelances->text(); }
    QString rows()
    {
        QStringList out;
        for (const reminders::ReminderRow& r : panel().shown().rows) out << r.idAction + u':' + QString::number(r.daysLate);
        return out.join(u' ');
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) form().Timer1Timer();
    }
};

}  // namespace

TEST_F(RemindersE2e, TheCountFollowsSavesAndTheTimer)
{
    auto& f = openCustomer("1");
    EXPECT_EQ(caption(), QStringLiteral("Relances (2)"));
    EXPECT_TRUE(f.JvXPBtnRelances->font().bold());
    EXPECT_EQ(f.JvXPBtnRelances->icon().isNull(), QIcon::fromTheme(QStringLiteral("x-office-calendar")).isNull());

    // Another reminder falls due: seen at the next refresh, 15 minutes of
    // ticks after the first (fetched at the second of the start-up's three ticks).
    action(105, 2, "2026-11-01", "2026-12-08", 2);
    ticks(reminders::RemindersPanel::kRefreshTicks - 2);
    EXPECT_EQ(caption(), QStringLiteral("Relances (2)"));
    ticks(1);
    EXPECT_EQ(caption(), QStringLiteral("Relances (3)"));

    // The customer followed up (an action dated after the reminder), then a
    // save of the customer: the count follows at once.
    action(106, 1, "2026-12-09", "", 2);
    type("aCliProfession", QStringLiteral("Artisan"));
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(caption(), QStringLiteral("Relances (2)"));
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
}

TEST_F(RemindersE2e, TheListOpensACustomerOnItsFollowUpOnceTheRecordShownIsSaved)
{
    auto& f = openVehicle("1", 1);
    activate();
    type("cKMS", QStringLiteral("85000"));
    QTest::mouseClick(f.JvXPBtnRelances, Qt::LeftButton);
    ASSERT_FALSE(f.PanelRelances->isHidden());
    EXPECT_EQ(panel().LbRelances->text(), QString::fromUtf8("Relances de BERNARD Luc : 2 relances à faire"));
    EXPECT_EQ(rows(), QStringLiteral("101:8 102:0"));  // oldest first
    toolkit::Grid* g = panel().ngRelances;
    const QStringList first{g->cell(0, 0), g->cell(0, 1), g->cell(0, 2), g->cell(0, 3), g->cell(0, 4), g->cell(0, 5)};
    EXPECT_EQ(first.join(u'|'), QString::fromUtf8("01/12/2026|depuis 8 jours|M. DUPONT Jean|06.12.34.56.78 · "
                                                   "03.20.12.34.56 · 03.20.98.76.54|Relance|Haute"));
    EXPECT_EQ(g->cell(1, 1), QString::fromUtf8("aujourd'hui"));
    EXPECT_EQ(g->cell(1, 6), QStringLiteral("Rappel 102"));
    // The overdue one stands out; today's does not.
    toolkit::GridCellFormat late, today;
    emit g->cellFormating(0, 1, late);
    emit g->cellFormating(1, 1, today);
    EXPECT_TRUE(late.bold);
    EXPECT_FALSE(today.bold);
    // No choice of salesperson for a salesperson.
    EXPECT_TRUE(panel().ncbRelCom->isHidden());

    const QRect cell = g->visualRect(g->model()->index(1, 2));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO=1"), QStringLiteral("85000"));  // saved first
    EXPECT_EQ(f.IdClient(), QStringLiteral("2"));
    EXPECT_EQ(f.JvXPBtnNewVO->text(), QStringLiteral("CL"));
    EXPECT_EQ(text("aCliNom"), QStringLiteral("MARTIN"));
    ASSERT_NE(f.Tabs->currentWidget(), nullptr);
    EXPECT_NE(f.Tabs->currentWidget()->findChild<QWidget*>(QStringLiteral("ngAction")), nullptr);
    EXPECT_TRUE(f.PanelRelances->isHidden());
}

TEST_F(RemindersE2e, ASuperAdministratorChoosesASalespersonOrASite)
{
    asUser("1");  // no salesperson of their own
    auto& f = openVehicle("1", 1);
    EXPECT_EQ(caption(), QStringLiteral("Relances"));
    QTest::mouseClick(f.JvXPBtnRelances, Qt::LeftButton);
    EXPECT_EQ(panel().LbRelances->text(), QString::fromUtf8("Aucun vendeur n'est associé à votre compte : pas de relances"));
    ASSERT_FALSE(panel().ncbRelCom->isHidden());
    struct Case {
        const char* salesperson;  // chosen, "" for none
        const char* site;
        const char* title;
        const char* rows;
    } cases[] = {
        {"BERNARD Luc", "", "Relances de BERNARD Luc : 2 relances à faire", "101:8 102:0"},
        {"MOREAU Anne", "", "Relances de MOREAU Anne : 1 relance à faire", "104:5"},
        {"", "NORD", "Relances du site NORD : 3 relances à faire", "101:8 104:5 102:0"},
        {"PETIT Marc", "", "Relances de PETIT Marc : aucune relance à faire", ""},
    };
    for (const Case& c : cases) {
        if (*c.salesperson)
            panel().ncbRelCom->setCurrentIndex(panel().ncbRelCom->findText(QString::fromUtf8(c.salesperson)));
        else
            panel().ncbRelSite->setCurrentIndex(panel().ncbRelSite->findText(QLatin1String(c.site)));
        EXPECT_EQ(panel().LbRelances->text(), QString::fromUtf8(c.title)) << c.salesperson << c.site;
        EXPECT_EQ(rows(), QLatin1String(c.rows)) << c.salesperson << c.site;
    }
    EXPECT_EQ(caption(), QStringLiteral("Relances"));  // still the user's own
}

TEST_F(RemindersE2e, AServiceThatDoesNotAnswerLeavesTheCountAndTheStatusLine)
{
    auto& f = openCustomer("1");
    ASSERT_EQ(caption(), QStringLiteral("Relances (2)"));
    f.HttpDisconnect();
    service.reset();
    ticks(reminders::RemindersPanel::kRefreshTicks);
    EXPECT_EQ(caption(), QStringLiteral("Relances (2)"));
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    QTest::mouseClick(f.JvXPBtnRelances, Qt::LeftButton);
    EXPECT_TRUE(panel().LbRelancesInfo->text().startsWith(QString::fromUtf8("Relances non mises à jour : Échec de la requête")))
        << panel().LbRelancesInfo->text().toStdString();
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
}
