// From the run parameters to the screen: the main form shows the demo used
// vehicle, then, on the reload message, a demonstrator, a new vehicle and a
// customer, against the data service running on loopback.
#include "E2eService.h"

#include "toolkit/Controls.h"
#include "toolkit/FieldControl.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTabWidget>
#include <algorithm>
#include <gtest/gtest.h>

using namespace e2e;

namespace {

// The service's date: 9 December 2026, noon, so that the days in stock do not follow the calendar.
dataservice::Clock serverDate()
{
    std::tm tm{};
    tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = 9, tm.tm_hour = 12, tm.tm_isdst = -1;
    const auto fixed = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    return [fixed] { return fixed; };
}

class RecordViewE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        service = std::make_unique<RunningService>(tmp.path(), nullptr, serverDate());
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
    }
    QString text(const char* name) { return run->text(QString::fromLatin1(name)); }
    bool tabShown(int page) { return run->form->Tabs->isTabVisible(page - 1); }
    // Reload as the launcher asks it, after changing the run parameters.
    void reload(std::initializer_list<std::pair<const char*, QString>> params)
    {
        run->newTrace();
        run->reload(params);
    }

    QTemporaryDir tmp;
    std::unique_ptr<RunningService> service;
    std::unique_ptr<FormRun> run;
};

}  // namespace

TEST_F(RecordViewE2e, DemoUsedVehicleThenDemonstratorNewVehicleAndCustomer)
{
    run->set("idTVO", QStringLiteral("1"));
    run->set("idClient", QString());
    run->set("idTypeVO", QStringLiteral("1"));
    auto& form = run->start();

    QStringList trace = run->newTrace();
    for (const char* line : {"dans UpdateTabDesc : 1", "dans UpdateTabDesc : 2", "dans UpdateTabDesc : 3",
                             "on UpdateTabDesc : 1 - 1", "Ajout desc Onglet : 1", "Trait. desc Onglet : 1 -1 0",
                             "premier Ajout desc Onglet : 1 -1 0", "z2 Ajout desc Onglet : VO_P1 - NVO",
                             "UpdateView FlagNewEnreg -> 0 - 1"})
        EXPECT_TRUE(trace.contains(QString::fromLatin1(line))) << line;
    EXPECT_TRUE(form.LbDebugInfo0->text().isEmpty()) << form.LbDebugInfo0->text().toStdString();
    EXPECT_TRUE(tabShown(1));
    EXPECT_FALSE(tabShown(2));
    EXPECT_FALSE(tabShown(7));
    EXPECT_EQ(form.Tabs->currentIndex(), 0);
    EXPECT_EQ(text("cNVO"), QStringLiteral("1201"));
    EXPECT_EQ(text("cImmatriculation"), QStringLiteral("AB123CD"));
    EXPECT_EQ(text("cPrixVente"), QStringLiteral("12500.00"));
    EXPECT_EQ(text("xcInfoNVO"), QStringLiteral("1201"));
    EXPECT_EQ(text("xcInfoTitre"), QStringLiteral("RENAULT - CLIO 1.5 DCI 90 Zen"));
    EXPECT_EQ(text("xcInfoField3"), QStringLiteral("69 jours"));  // 01/10/2026 to the service's date
    EXPECT_EQ(form.JvXPBtnNewVO->text(), QStringLiteral("VO"));
    EXPECT_EQ(form.LbIdTVO->text(), QStringLiteral("1"));
    EXPECT_FALSE(form.LbInfoOptions->isVisibleTo(&form));  // only demonstrators and new vehicles

    reload({{"idTVO", QStringLiteral("4")}, {"idTypeVO", QStringLiteral("3")}});
    trace = run->newTrace();
    EXPECT_TRUE(trace.contains(QStringLiteral("on UpdateTabDesc : 3 - 4")));
    EXPECT_TRUE(trace.contains(QStringLiteral("Ajout desc Onglet : 2")));
    EXPECT_TRUE(tabShown(2));
    EXPECT_FALSE(tabShown(1));
    EXPECT_EQ(form.Tabs->currentIndex(), 1);
    EXPECT_EQ(text("cVDNVO"), QStringLiteral("2101"));
    EXPECT_EQ(text("xcInfoNVO"), QStringLiteral("2101"));
    EXPECT_EQ(form.JvXPBtnNewVO->text(), QStringLiteral("VD"));
    EXPECT_TRUE(form.JvXPBtnNewVO->isHidden());

    reload({{"idTVO", QStringLiteral("6")}, {"idTypeVO", QStringLiteral("2")}});
    trace = run->newTrace();
    EXPECT_TRUE(trace.contains(QStringLiteral("Ajout desc Onglet : 3")));
    EXPECT_TRUE(tabShown(3));
    EXPECT_EQ(text("cVNNVO"), QStringLiteral("3101"));
    EXPECT_EQ(form.JvXPBtnNewVO->text(), QStringLiteral("VN"));
    EXPECT_FALSE(form.JvXPBtnSweep->isHidden());  // the demo user is a super-administrator
    // The chosen options read beside the toolbar, as the option list holds them.
    auto* options = form.findChild<toolkit::ListBox*>(QStringLiteral("cVNInfoOptions"));
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(form.LbInfoOptions->isVisibleTo(&form));
    EXPECT_FALSE(options->selectedTexts().isEmpty());
    EXPECT_EQ(form.LbInfoOptions->text(), options->selectedTexts().join(QStringLiteral(" - ")));

    reload({{"idTVO", QString()}, {"idClient", QStringLiteral("1")}});
    trace = run->newTrace();
    EXPECT_TRUE(trace.contains(QStringLiteral("Ajout desc Onglet : 7")));
    EXPECT_TRUE(tabShown(7));
    EXPECT_TRUE(tabShown(8));
    EXPECT_TRUE(tabShown(9));
    EXPECT_FALSE(tabShown(1));
    EXPECT_EQ(form.Tabs->currentIndex(), 6);
    EXPECT_FALSE(text("aCliNom").isEmpty());
    EXPECT_FALSE(text("xcIdentity").isEmpty());
    EXPECT_EQ(form.JvXPBtnNewVO->text(), QStringLiteral("CL"));
    EXPECT_EQ(form.JvXPBtnActualize->toolTip(), QStringLiteral("rechargement des informations du client"));
    EXPECT_TRUE(form.LbDebugInfo0->text().isEmpty()) << form.LbDebugInfo0->text().toStdString();
}

TEST_F(RecordViewE2e, NegativeIdentifierStillAsksAndMarksANewRecord)
{
    run->set("idTVO", QStringLiteral("1"));
    run->set("idTypeVO", QStringLiteral("1"));
    auto& form = run->start();
    run->newTrace();
    form.LbIdTVO->setText(QStringLiteral("-3"));
    form.UpdateView(false);
    const QStringList trace = run->newTrace();
    EXPECT_TRUE(trace.contains(QStringLiteral("UpdateView FlagNewEnreg -> -1 - -3")));
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [](const QString& l) {
        return l.startsWith(QStringLiteral("HttpExecute : ")) && l.contains(QStringLiteral("AxInfoVO")) &&
               l.contains(QStringLiteral("idTVO=-3"));
    }));
    // A record being created shows the defaults: the entry date "now" is the
    // day of the form's clock.
    EXPECT_EQ(text("cDateEntree"), run->clock.today().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_NE(run->clock.today(), QDate::currentDate());
    EXPECT_EQ(text("cNVO"), QString());
    EXPECT_FALSE(form.findChild<QWidget*>(QStringLiteral("PanelWarning"))->isVisibleTo(&form));
}

TEST_F(RecordViewE2e, NoIdentifierSendsNothingAndRebuildsFromTheAnswerFiles)
{
    run->set("idTVO", QStringLiteral("2"));
    run->set("idTypeVO", QStringLiteral("1"));
    auto& form = run->start();
    const QString nvo = text("cNVO");
    EXPECT_EQ(nvo, QStringLiteral("1202"));
    run->newTrace();
    form.LbIdTVO->setText(QString());
    form.LbIDCustomer->setText(QString());
    form.UpdateView(true);
    const QStringList trace = run->newTrace();
    EXPECT_FALSE(std::any_of(trace.begin(), trace.end(),
                             [](const QString& l) { return l.startsWith(QStringLiteral("HttpExecute")); }));
    EXPECT_TRUE(trace.contains(QStringLiteral("dans UpdateTabDesc : 1")));
    EXPECT_EQ(text("cNVO"), nvo);
    // The record's own key comes back into the caption from the answer file.
    EXPECT_EQ(form.LbIdTVO->text(), QStringLiteral("2"));
}

namespace {

// The controls and captions a user sees on a sheet, with their place on it:
// field controls, labels, lists and buttons (not the parts inside them).
std::vector<std::pair<QWidget*, QRect>> shownOn(QWidget* sheet)
{
    std::vector<std::pair<QWidget*, QRect>> out;
    for (QWidget* w : sheet->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(sheet))
            continue;
        const bool seen = toolkit::asFieldControl(w) || qobject_cast<QLabel*>(w) ||
                          qobject_cast<QAbstractItemView*>(w) || qobject_cast<QAbstractButton*>(w);
        if (!seen)
            continue;
        bool inside = false;
        for (QWidget* p = w->parentWidget(); p && p != sheet; p = p->parentWidget())
            inside = inside || toolkit::asFieldControl(p) || qobject_cast<QAbstractItemView*>(p) ||
                     qobject_cast<QAbstractButton*>(p);
        if (!inside)
            out.push_back({w, QRect(w->mapTo(sheet, QPoint(0, 0)), w->size())});
    }
    return out;
}

// Every pair of shown things that cover each other on the sheets the record shows.
QStringList overlaps(app::TAxStanor& form)
{
    QStringList out;
    for (int i = 0; i < form.Tabs->count(); ++i) {
        if (!form.Tabs->isTabVisible(i))
            continue;
        const auto shown = shownOn(form.Tabs->widget(i));
        for (size_t a = 0; a < shown.size(); ++a)
            for (size_t b = a + 1; b < shown.size(); ++b) {
                const QRect common = shown[a].second.intersected(shown[b].second);
                if (common.width() > 2 && common.height() > 2)
                    out << QStringLiteral("%1: %2 / %3").arg(form.Tabs->tabText(i), shown[a].first->objectName(),
                                                             shown[b].first->objectName());
            }
    }
    return out;
}

// The shown labels of the record's sheets that cut their text off: captions,
// group titles, markers.
QStringList cutOff(app::TAxStanor& form)
{
    QStringList out;
    for (int i = 0; i < form.Tabs->count(); ++i) {
        if (!form.Tabs->isTabVisible(i))
            continue;
        for (const auto& [w, place] : shownOn(form.Tabs->widget(i))) {
            auto* l = qobject_cast<QLabel*>(w);
            if (!l || l->wordWrap() || l->text().isEmpty() || !l->pixmap().isNull())
                continue;
            if (l->fontMetrics().horizontalAdvance(l->text()) > l->contentsRect().width())
                out << QStringLiteral("%1: %2").arg(form.Tabs->tabText(i), l->text());
        }
    }
    return out;
}

}  // namespace

TEST_F(RecordViewE2e, NothingOnTheSheetsCoversAnythingElse)
{
    run->set("idTVO", QStringLiteral("1"));
    run->set("idTypeVO", QStringLiteral("1"));
    auto& form = run->start();
    EXPECT_EQ(overlaps(form), QStringList()) << "used vehicle";
    EXPECT_EQ(cutOff(form), QStringList()) << "used vehicle";
    // Created controls join the sheet's layout, under its other groups.
    auto* sellerie = form.findChild<QWidget*>(QStringLiteral("cInfoCouleurInt"));
    ASSERT_NE(sellerie, nullptr);
    EXPECT_GT(sellerie->x(), 300) << "not in a block at the bottom left";
    const struct {
        const char* idTVO;
        const char* idTypeVO;
        const char* idClient;
        const char* what;
    } records[] = {
        {"4", "3", "", "demonstrator"},
        {"6", "2", "", "new vehicle"},
        {"", "1", "1", "customer"},
        {"", "1", "-1", "new customer"},  // the duplicate indicators show
    };
    for (const auto& r : records) {
        reload({{"idTVO", QString::fromLatin1(r.idTVO)},
                {"idTypeVO", QString::fromLatin1(r.idTypeVO)},
                {"idClient", QString::fromLatin1(r.idClient)}});
        if (QLatin1String(r.idTypeVO) == QLatin1String("2")) {
            // The week of a manufacturing date typed in shows under it.
            auto* date = toolkit::asFieldControl(form.findChild<QWidget*>(QStringLiteral("cVNDateFabrication")));
            ASSERT_NE(date, nullptr);
            date->setText(QStringLiteral("24/11/2026"));
            EXPECT_EQ(text("LbDateFabrication"), QStringLiteral("2026s47"));
        }
        EXPECT_EQ(overlaps(form), QStringList()) << r.what;
        EXPECT_EQ(cutOff(form), QStringList()) << r.what;
    }
    EXPECT_TRUE(form.findChild<QWidget*>(QStringLiteral("DblNom"))->isVisibleTo(form.Sheet(7)));
}

TEST_F(RecordViewE2e, ThePrintButtonFollowsTheRecord)
{
    run->set("idTVO", QStringLiteral("1"));
    run->set("idTypeVO", QStringLiteral("1"));
    auto& form = run->start();
    EXPECT_TRUE(form.JvXPBtnPrint->isEnabled()) << "a stored used vehicle";
    EXPECT_EQ(form.JvXPBtnPrint->toolTip(), QStringLiteral("impression de la fiche du véhicule"));
    reload({{"idTVO", QStringLiteral("6")}, {"idTypeVO", QStringLiteral("2")}});
    EXPECT_FALSE(form.JvXPBtnPrint->isEnabled()) << "no printable sheet for a new vehicle";
    reload({{"idTVO", QString()}, {"idClient", QStringLiteral("1")}});
    EXPECT_TRUE(form.JvXPBtnPrint->isEnabled());
    EXPECT_EQ(form.JvXPBtnPrint->toolTip(), QStringLiteral("impression de la fiche du client"));
}

TEST_F(RecordViewE2e, TheCostGridShowsEveryColumnWithoutScrolling)
{
    run->set("idTVO", QStringLiteral("1"));
    run->set("idTypeVO", QStringLiteral("1"));
    auto& form = run->start();
    form.show();
    form.Tabs->setCurrentIndex(4);
    form.TabsChange();
    QApplication::processEvents();
    auto* grid = form.findChild<QTableView*>(QStringLiteral("ngFrevo"));
    ASSERT_NE(grid, nullptr);
    ASSERT_GT(grid->model()->rowCount(), 0);
    int widths = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            widths += grid->columnWidth(c);
    // Room left for the vertical scroll bar of a long list of costs.
    EXPECT_LE(widths + grid->verticalScrollBar()->sizeHint().width(), grid->viewport()->width());
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
}
