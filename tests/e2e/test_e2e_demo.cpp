// Every demo record as each demo user sees it: shown, then every sheet it
// has looked at, nothing waits to be stored until the user types something.
#include "EditingFixture.h"

#include "records/RecordPersistence.h"
#include "records/TabsGuard.h"

#include "toolkit/FieldControl.h"

#include <QAbstractItemView>
#include <QTabWidget>

using namespace e2e;

namespace {

struct DemoRecord {
    const char* idTVO;
    const char* idTypeVO;
    const char* idClient;
    const char* what;
};

const DemoRecord kRecords[] = {
    {"1", "1", "", "used vehicle 1"},
    {"2", "1", "", "used vehicle 2 (site SUD)"},
    {"3", "1", "", "used vehicle 3, sold"},
    {"4", "3", "", "demonstrator 4"},
    {"5", "3", "", "demonstrator 5 (site SUD)"},
    {"6", "2", "", "new vehicle 6 on order"},
    {"7", "2", "", "new vehicle 7 cancelled"},
    {"", "1", "1", "customer 1"},
    {"", "1", "2", "customer 2 (site SUD)"},
    {"", "1", "3", "customer 3"},
};

// The users of the demo, with the sites the demo gives each.
const struct {
    const char* idUser;
    const char* site;
} kUsers[] = {{"1", "#"}, {"2", "NORD"}, {"3", "NORD;SUD"}, {"9999", "#"}};

class DemoE2e : public EditingE2e {
protected:
    // What waits to be stored: the pages' statements and the save button.
    QStringList waiting()
    {
        QStringList out;
        for (int page = 0; page <= 9; ++page)
            if (pending(page).pending())
                out << QStringLiteral("page %1: %2").arg(page).arg(pending(page).Statement);
        if (form().JvXPBtnSave->isEnabled())
            out << QStringLiteral("save button on");
        return out;
    }
    // What the controls of the record's sheets show, control by control.
    QStringList shown()
    {
        QStringList out;
        QTabWidget* tabs = form().Tabs;
        for (int i = 0; i < tabs->count(); ++i) {
            if (!tabs->isTabVisible(i))
                continue;
            for (QWidget* w : tabs->widget(i)->findChildren<QWidget*>())
                if (toolkit::FieldControl* fc = toolkit::asFieldControl(w); fc && !w->objectName().isEmpty())
                    out << w->objectName() + u'=' + fc->text();
        }
        out.sort();
        return out;
    }
    void show(const DemoRecord& r)
    {
        run->set("idTVO", QString::fromLatin1(r.idTVO));
        run->set("idTypeVO", QString::fromLatin1(r.idTypeVO));
        run->set("idClient", QString::fromLatin1(r.idClient));
        if (!run->form)
            run->start();
        else
            form().OnMsgActualize();
    }
};

}  // namespace

TEST_F(DemoE2e, ShowingAndBrowsingEveryRecordLeavesNothingToStore)
{
    for (const auto& user : kUsers) {
        // A fresh demo database for each user: a sheet left with something
        // pending would have stored it.
        run.reset();
        service.reset();
        const QString root = tmp.path() + QStringLiteral("/user") + QString::fromLatin1(user.idUser);
        service = std::make_unique<RunningService>(root, nullptr, serverDate());
        run = std::make_unique<FormRun>(root, service->baseHRef());
        run->set("idUser", QString::fromLatin1(user.idUser));
        run->set("UserSite", QString::fromLatin1(user.site));
        for (const DemoRecord& r : kRecords) {
            const std::string what = std::string(r.what) + ", user " + user.idUser;
            show(r);
            EXPECT_EQ(form().LbDebugInfo0->text(), QString()) << what;
            EXPECT_EQ(waiting(), QStringList()) << what << ", shown";
            // Shown again (the launcher's reload), it shows the same.
            const QStringList first = shown();
            show(r);
            EXPECT_EQ(shown(), first) << what << ", shown again";
            EXPECT_EQ(waiting(), QStringList()) << what << ", shown again";
            QTabWidget* tabs = form().Tabs;
            for (int i = 0; i < tabs->count(); ++i) {
                if (!tabs->isTabVisible(i) || i == tabs->currentIndex())
                    continue;
                // As a click on the sheet's tab: the sheet left is saved, the grids load.
                EXPECT_TRUE(records::RecordPersistence::of(&view())->tabsGuard()->requestSwitch(i)) << what;
                EXPECT_EQ(waiting(), QStringList()) << what << ", sheet " << tabs->tabText(i).toStdString();
            }
            if (*r.idClient) {
                // Its sheets seen, the customer's actions and vehicles, every one of them.
                const QString id = QString::fromLatin1(r.idClient);
                const QString actions = row("SELECT count(*) FROM tActions WHERE idClient=" + id);
                const QString vehicles = row("SELECT count(*) FROM tVehiclesProfid WHERE idClient=" + id);
                EXPECT_EQ(QString::number(get<QAbstractItemView>(QStringLiteral("ngAction"))->model()->rowCount()),
                          actions)
                    << what;
                EXPECT_EQ(QString::number(get<QAbstractItemView>(QStringLiteral("ngVehicles"))->model()->rowCount()),
                          vehicles)
                    << what;
            }
        }
    }
}

TEST_F(DemoE2e, ANewCustomerTakesNoVehicleOfAnEarlierAnswer)
{
    show({"1", "1", "", "used vehicle 1"});
    show({"", "1", "1", "customer 1"});
    EXPECT_EQ(form().LbIdTVO->text(), QString());
    QTest::mouseClick(form().JvXPBtnNewVO, Qt::LeftButton);
    ASSERT_EQ(form().LbIDCustomer->text(), QStringLiteral("-1"));
    // The vehicle answer still in the folder is the used vehicle's.
    EXPECT_EQ(form().LbIdTVO->text(), QString());
}
