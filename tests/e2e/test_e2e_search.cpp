// The search panel and the duplicate-customer indicators on the main form,
// against the data service on the demo data: the timer's ticks are given by
// hand, the panel is driven through its controls as a user drives it.
#include "EditingFixture.h"

#include "records/RecordPersistence.h"
#include "records/TabsGuard.h"
#include "search/DuplicateIndicators.h"
#include "search/SearchPanel.h"
#include "toolkit/Grid.h"

#include <QHeaderView>

using namespace e2e;
using search::ModePair;

namespace {

class SearchE2e : public EditingE2e {
protected:
    search::SearchPanel& panel() { return form().Search(); }

    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            form().Timer1Timer();
    }
    // Requests sent since the last call whose answers went to that file.
    int sent(const QString& answerFile)
    {
        int n = 0;
        for (const QString& line : run->newTrace())
            if (line.startsWith(QLatin1String("HttpExecute : ")) && line.endsWith(answerFile))
                ++n;
        return n;
    }
    int searches() { return sent(QStringLiteral("XmlSInf.xml")); }

    // Opens the panel with the search button, as a click does.
    void openPanel()
    {
        form().show();
        QTest::mouseClick(form().JvXPBtnSearch, Qt::LeftButton);
    }
    void clickLabel(ModePair pair) { QTest::mouseClick(panel().ModeLabels[size_t(pair)], Qt::LeftButton); }
    // Types the text, then lets the timer run the search.
    void search(ModePair pair, const QString& text)
    {
        if (panel().Panel1->isHidden())
            openPanel();
        clickLabel(pair);
        type(QStringLiteral("ncbSearch"), text);
        while (form().SearchDelay > 0)
            ticks(1);
    }
    // A column of the result grid, rows joined by ",".
    QString column(int c)
    {
        QStringList out;
        for (int r = 0; r < panel().ngSearch->rowCount(); ++r)
            out << panel().ngSearch->cell(r, c);
        return out.join(u',');
    }
    QString images()
    {
        QStringList out;
        for (int r = 0; r < panel().ngSearch->rowCount(); ++r)
            out << QString::number(panel().ngSearch->image(r, search::ngsImage));
        return out.join(u',');
    }
    // A click on a row of the grid, as the mouse gives it.
    void clickRow(int row)
    {
        toolkit::Grid* g = panel().ngSearch;
        const QRect cell = g->visualRect(g->model()->index(row, search::ngsInfo3));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void hover(int row)
    {
        toolkit::Grid* g = panel().ngSearch;
        const QRect cell = g->visualRect(g->model()->index(row, search::ngsInfo3));
        QTest::mouseMove(g->viewport(), cell.center());
        QMouseEvent move(QEvent::MouseMove, cell.center(), g->viewport()->mapToGlobal(cell.center()), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &move);
    }
    QString buttons()
    {
        return QStringLiteral("prev %1 next %2").arg(form().JvXPPrev->isEnabled()).arg(form().JvXPNext->isEnabled());
    }
};

}  // namespace

TEST_F(SearchE2e, TypingQuicklySendsOneSearchAboutASecondAfterTheLastKey)
{
    openVehicle("1", 1);
    openPanel();
    EXPECT_FALSE(panel().Panel1->isHidden());
    EXPECT_EQ(form().SearchDelay, 10);  // opening arms a search
    ticks(10);
    EXPECT_EQ(searches(), 1);
    clickLabel(ModePair::Immat);
    EXPECT_EQ(searches(), 0);  // a mode alone runs nothing
    for (const char* key : {"a", "b", "1"}) {
        QTest::keyClicks(panel().ncbSearch, QLatin1String(key));
        ticks(1);  // a key every 250 ms
    }
    ticks(2);
    EXPECT_EQ(searches(), 0);
    ticks(1);
    EXPECT_EQ(searches(), 1);
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("1"));
    ticks(20);
    EXPECT_EQ(searches(), 0);

    // A key typed while a search waits for its answer: that search ends
    // first, the next tick searches the new text.
    const auto send = panel().host().httpExecute;
    bool typed = false;
    panel().host().httpExecute = [&](const QString& url, const QString& file) {
        if (!typed) {
            typed = true;
            QTest::keyClicks(panel().ncbSearch, QStringLiteral("c"));
            form().SearchDelay = 1;
            ticks(1);  // the timer runs during the request
        }
        send(url, file);
    };
    QTest::keyClicks(panel().ncbSearch, QStringLiteral("x"));
    ticks(4);
    EXPECT_EQ(searches(), 1);
    EXPECT_EQ(form().SearchDelay, 1);
    ticks(1);
    EXPECT_EQ(searches(), 1);
    EXPECT_TRUE(run->store.readString(platform::kStanorKey, QStringLiteral("svText1")).endsWith(u'c'));
}

TEST_F(SearchE2e, EachModeOnTheDemoData)
{
    struct Case {
        ModePair pair;
        const char* text;
        const char* ids;
        int highlight;
        const char* references;
    };
    openVehicle("1", 1);
    const Case vehicles[] = {
        {ModePair::Immat, "ab1", "1", 4, "VO-Nd-1201"},
        {ModePair::Client, "dupont", "6", 6, "VN-Nd-3101"},
        {ModePair::NVO, "2101", "4,5,6,7", 2, "VD-Nd-2101,VD-Sd-2102,VN-Nd-3101,VN-Nd-3102"},
        {ModePair::NVO, "21A", "", 2, ""},
        {ModePair::Immat, "", "1,2,3,4,5", 4, "VO-Nd-1201,VO-Sd-1202,VO-Nd-1203,VD-Nd-2101,VD-Sd-2102"},
    };
    for (const Case& c : vehicles) {
        search(c.pair, QString::fromUtf8(c.text));
        EXPECT_EQ(column(search::ngsIndex), QLatin1String(c.ids)) << c.text;
        EXPECT_EQ(column(search::ngsInfo1), QLatin1String(c.references)) << c.text;
        EXPECT_EQ(panel().SearchHighlightCol, c.highlight) << c.text;
    }
    EXPECT_EQ(panel().ngSearch->model()->headerData(search::ngsInfo2, Qt::Horizontal).toString(), QStringLiteral("D.Ordre"));

    // The site and vehicle-type filters of vehicle searches.
    panel().ncbTypeVO->setCurrentIndex(panel().ncbTypeVO->findText(QStringLiteral("VD")));
    ticks(1);
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("4,5"));
    type(QStringLiteral("ncbSite"), QStringLiteral("SUD"));
    ticks(1);
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("5"));
    panel().ncbTypeVO->setCurrentIndex(0);
    type(QStringLiteral("ncbSite"), QStringLiteral("L'ISLE"));  // a site with an apostrophe finds nothing, safely
    ticks(1);
    EXPECT_EQ(form().LbDebugInfo0->text(), QString());
    EXPECT_EQ(column(search::ngsIndex), QString());

    openCustomer("1");
    const Case customers[] = {
        {ModePair::Immat, "cc2", "1", 4, "Nd-2"},  // a customer's vehicle: its owner
        {ModePair::Client, "mar", "2", 6, "Sd-2"},
        {ModePair::Mobile, "0698", "2", 4, "Sd-2"},
        {ModePair::Telephone, "0320", "1,4,6,3", 3, "Nd-1,Nd-4,Nd-6,Nd-3"},
        {ModePair::Telephone, "", "", 3, ""},
    };
    for (const Case& c : customers) {
        search(c.pair, QString::fromUtf8(c.text));
        EXPECT_EQ(column(search::ngsIndex), QLatin1String(c.ids)) << c.text;
        EXPECT_EQ(column(search::ngsInfo1), QLatin1String(c.references)) << c.text;
        EXPECT_EQ(panel().SearchHighlightCol, c.highlight) << c.text;
    }
    search(ModePair::Client, "dup");
    EXPECT_EQ(column(search::ngsInfo4), QStringLiteral("59000 LILLE - 12 rue des Lilas"));
    EXPECT_EQ(column(search::ngsInfo5), QStringLiteral("DUPONT JEAN"));
    EXPECT_EQ(panel().ngSearch->model()->headerData(search::ngsInfo2, Qt::Horizontal).toString(), QStringLiteral("Tél.Dom."));
}

TEST_F(SearchE2e, ExactSearchAndAccentedNames)
{
    service->service->database().acquire()->exec(
        "INSERT INTO tClients (CliNom, CliPrenom, Site, Concession) VALUES ('LEFÈVRE', 'Hélène', 'NORD', 'ALV'), "
        "('LEFEBVRE', 'Luc', 'SUD', 'ALV')");
    openCustomer("1");
    search(ModePair::Client, QString::fromUtf8("lefè"));
    EXPECT_EQ(column(search::ngsInfo5), QString::fromUtf8("LEFÈVRE HÉLÈNE"));
    search(ModePair::Client, QStringLiteral("lef"));
    EXPECT_EQ(column(search::ngsInfo5), QString::fromUtf8("LEFEBVRE LUC,LEFÈVRE HÉLÈNE"));
    // The label switches to the exact value.
    QTest::mouseClick(panel().LbSearch, Qt::LeftButton);
    ticks(1);
    EXPECT_EQ(panel().LbSearch->text(), QStringLiteral("recherche exacte :"));
    EXPECT_EQ(column(search::ngsIndex), QString());
    type(QStringLiteral("ncbSearch"), QString::fromUtf8("lefèvre"));
    ticks(4);
    EXPECT_EQ(column(search::ngsInfo5), QString::fromUtf8("LEFÈVRE HÉLÈNE"));
    QTest::mouseClick(panel().LbSearch, Qt::LeftButton);
    ticks(1);
    EXPECT_EQ(panel().LbSearch->text(), QStringLiteral("à rechercher :"));
}

TEST_F(SearchE2e, HitsOpenAndNextAndPreviousStopAtBothEnds)
{
    openVehicle("1", 1);
    search(ModePair::Immat, QString());
    ASSERT_EQ(column(search::ngsIndex), QStringLiteral("1,2,3,4,5"));
    hover(2);
    EXPECT_EQ(panel().ngSearch->currentRow(), 2);
    EXPECT_EQ(buttons(), QStringLiteral("prev 1 next 1"));
    clickRow(0);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("1"));
    EXPECT_TRUE(panel().Panel1->isHidden());  // the record shown, the panel closes
    EXPECT_EQ(buttons(), QStringLiteral("prev 0 next 1"));

    // Each vehicle on the sheets of its kind: the demonstrators as demonstrators.
    const struct {
        const char* id;
        const char* kind;
    } steps[] = {{"2", "VO"}, {"3", "VO"}, {"4", "VD"}, {"5", "VD"}};
    for (const auto& step : steps) {
        QTest::mouseClick(form().JvXPNext, Qt::LeftButton);
        EXPECT_EQ(form().IdTVO(), QLatin1String(step.id));
        EXPECT_EQ(form().JvXPBtnNewVO->text(), QLatin1String(step.kind)) << step.id;
    }
    EXPECT_EQ(buttons(), QStringLiteral("prev 1 next 0"));
    QTest::mouseClick(form().JvXPNext, Qt::LeftButton);  // disabled at the end
    EXPECT_EQ(form().IdTVO(), QStringLiteral("5"));
    QTest::mouseClick(form().JvXPPrev, Qt::LeftButton);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("4"));
    EXPECT_EQ(text("xcInfoNVO"), QStringLiteral("2101"));
    EXPECT_EQ(buttons(), QStringLiteral("prev 1 next 1"));
    // Reopened, the panel shows the hit the buttons start from.
    openPanel();
    EXPECT_EQ(panel().ngSearch->currentRow(), 3);

    // A click on a caption sorts the hits by that column, the other way when
    // they are sorted by it already (by the registration searched); the
    // buttons then follow the new order.
    QHeaderView* header = panel().ngSearch->horizontalHeader();
    const QPoint immat(header->sectionViewportPosition(search::ngsInfo3) + 10, header->height() / 2);
    EXPECT_EQ(header->sortIndicatorSection(), search::ngsInfo3);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, immat);
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("5,4,3,2,1"));
    EXPECT_EQ(header->sortIndicatorSection(), search::ngsInfo3);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    clickRow(0);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("5"));
    QTest::mouseClick(form().JvXPNext, Qt::LeftButton);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("4"));
}

TEST_F(SearchE2e, AHitOfAnotherKindOpensOnItsFirstSheetWithItsCommands)
{
    openVehicle("1", 1);
    auto& guard = *records::RecordPersistence::of(&view())->tabsGuard();
    ASSERT_TRUE(guard.requestSwitch(4));  // the cost sheet, which a demonstrator has not
    search(ModePair::Immat, QString());
    clickRow(3);
    ASSERT_EQ(form().IdTVO(), QStringLiteral("4"));
    EXPECT_EQ(form().Tabs->currentIndex(), 1) << form().Tabs->tabText(form().Tabs->currentIndex()).toStdString();
    EXPECT_FALSE(form().JvXPBtnNewVO->isVisibleTo(&form())) << "no new demonstrator from the form";
    EXPECT_TRUE(form().LbInfoOptions->isVisibleTo(&form()));
    // A sheet both kinds have stays shown.
    ASSERT_TRUE(guard.requestSwitch(5));
    search(ModePair::Immat, QString());
    clickRow(0);
    ASSERT_EQ(form().IdTVO(), QStringLiteral("1"));
    EXPECT_EQ(form().Tabs->currentIndex(), 5);
    EXPECT_TRUE(form().JvXPBtnNewVO->isVisibleTo(&form()));
    EXPECT_FALSE(form().LbInfoOptions->isVisibleTo(&form()));
}

TEST_F(SearchE2e, OpeningAHitSavesTheRecordShownFirst)
{
    openVehicle("1", 1);
    type(QStringLiteral("cKMS"), QStringLiteral("90000"));
    search(ModePair::Immat, QString());
    clickRow(1);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("2"));
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO=1"), QStringLiteral("90000"));

    // A change that cannot be saved keeps the record and its change on screen.
    type(QStringLiteral("cNVO"), QString());
    QTest::mouseClick(form().JvXPNext, Qt::LeftButton);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("2"));
    EXPECT_EQ(text("cNVO"), QString());
    EXPECT_FALSE(form().LbDebugInfo0->text().isEmpty());  // the user is told why
    EXPECT_EQ(row("SELECT NVO FROM tVehicles WHERE idTVO=2"), QStringLiteral("1202"));
    EXPECT_EQ(buttons(), QStringLiteral("prev 1 next 1"));
}

TEST_F(SearchE2e, ACustomerFoundByRegistrationOpensItsOwner)
{
    openCustomer("2");
    EXPECT_EQ(text("aCliNom"), QStringLiteral("MARTIN"));
    search(ModePair::Immat, QStringLiteral("cc2"));
    ASSERT_EQ(column(search::ngsIndex), QStringLiteral("1"));
    clickRow(0);
    EXPECT_EQ(form().IdClient(), QStringLiteral("1"));
    EXPECT_EQ(text("aCliNom"), QStringLiteral("DUPONT"));
}

TEST_F(SearchE2e, ThePanelFollowsTheRecordKindAndRemembersItsChoices)
{
    openVehicle("1", 1);
    openPanel();
    ticks(10);
    // Nothing remembered yet: no site and no kind chosen, whatever the lists offer.
    EXPECT_EQ(panel().ncbSite->text(), QString());
    EXPECT_EQ(panel().ncbTypeVO->currentIndex(), -1);
    EXPECT_GT(panel().ncbSite->count(), 0);
    EXPECT_FALSE(panel().ncbSite->isHidden());
    EXPECT_EQ(panel().ModeLabels[size_t(ModePair::NVO)]->x(), 10);
    EXPECT_TRUE(panel().ModeLabels[size_t(ModePair::Mobile)]->isHidden());
    // The panel sits under the search button, two thirds of its height down.
    EXPECT_EQ(panel().Panel1->y(), form().JvXPBtnSearch->y() + 15);
    clickLabel(ModePair::Client);
    panel().ncbTypeVO->setCurrentIndex(panel().ncbTypeVO->findText(QStringLiteral("VN")));
    type(QStringLiteral("ncbSite"), QStringLiteral("NORD"));
    type(QStringLiteral("ncbSearch"), QStringLiteral("dup"));
    ticks(4);
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("6"));
    // The same button closes the panel and still arms a search.
    QTest::mouseClick(form().JvXPBtnSearch, Qt::LeftButton);
    EXPECT_TRUE(panel().Panel1->isHidden());
    EXPECT_EQ(form().SearchDelay, 10);

    // The next run of the program, on a customer: the customer layout, and,
    // no customer mode remembered yet, the name, plain to see.
    run->set("idTVO", QString());
    run->set("idClient", QStringLiteral("1"));
    run->form.reset();
    run->start();
    openPanel();
    EXPECT_TRUE(panel().ncbSite->isHidden());
    EXPECT_TRUE(panel().ModeLabels[size_t(ModePair::NVO)]->isHidden());
    EXPECT_EQ(panel().ModeLabels[size_t(ModePair::Telephone)]->x(), 226);
    for (toolkit::FlatButton* b : panel().ModeButtons)
        EXPECT_EQ(b->isChecked(), b == panel().ModeButtons[size_t(ModePair::Client)]) << b->objectName().toStdString();
    EXPECT_EQ(panel().activeMode(), QStringLiteral("5"));
    EXPECT_TRUE(panel().ActiveSearchLabel->font().bold());
    EXPECT_EQ(panel().ncbSearch->text(), QString());
    search(ModePair::Mobile, QStringLiteral("06"));
    QTest::mouseClick(form().JvXPBtnSearch, Qt::LeftButton);

    // Back on a vehicle in a third run: the vehicle choices come back.
    run->set("idTVO", QStringLiteral("1"));
    run->set("idClient", QString());
    run->form.reset();
    run->start();
    openPanel();
    EXPECT_EQ(panel().ncbSearch->text(), QStringLiteral("dup"));
    EXPECT_EQ(panel().ncbSite->text(), QStringLiteral("NORD"));
    EXPECT_EQ(panel().ncbTypeVO->text(), QStringLiteral("VN"));
    EXPECT_EQ(panel().activeMode(), QStringLiteral("2"));
    ticks(10);
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("6"));
    // And the customer ones on a customer, even in the same run.
    run->set("idTVO", QString());
    run->set("idClient", QStringLiteral("2"));
    form().OnMsgActualize();
    openPanel();
    EXPECT_EQ(panel().ncbSearch->text(), QStringLiteral("06"));
    EXPECT_EQ(panel().activeMode(), QStringLiteral("6"));
}

TEST_F(SearchE2e, HitsOfTheUsersOwnSitesAreMarked)
{
    run->set("idUser", QStringLiteral("2"));  // a salesperson of the site NORD
    openVehicle("1", 1);
    search(ModePair::Immat, QString());
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("1,2,3,4,5"));
    EXPECT_EQ(images(), QStringLiteral("4,3,4,4,3"));
}

TEST_F(SearchE2e, DuplicateCountsOfACustomerTypedTwice)
{
    auto& f = openCustomer("1");
    QWidget* dblNom = get("DblNom");
    EXPECT_TRUE(dblNom->isHidden());
    type(QStringLiteral("aCliNom"), QStringLiteral("dupont"));
    ticks(4);
    EXPECT_EQ(sent(QStringLiteral("XmlSDbl.xml")), 0);  // the indicator is hidden: no request

    auto* nom = get<QPlainTextEdit>("aCliNom");
    QTest::mouseDClick(nom->viewport(), Qt::LeftButton);
    EXPECT_FALSE(dblNom->isHidden());
    EXPECT_EQ(text("DblNom"), QStringLiteral("??"));
    ticks(3);
    EXPECT_EQ(text("DblNom"), QStringLiteral("??"));
    ticks(1);
    EXPECT_EQ(sent(QStringLiteral("XmlSDbl.xml")), 1);
    EXPECT_EQ(text("DblNom"), QStringLiteral("0"));  // the customer shown is no duplicate of itself

    // The same customer typed a second time.
    service->service->database().acquire()->exec(
        "INSERT INTO tClients (CliNom, CliPrenom, CliMobile, Concession) VALUES ('DUPONT', 'Jean', '0612345678', 'ALV')");
    type(QStringLiteral("aCliNom"), QStringLiteral("dupont"));
    ticks(4);
    EXPECT_EQ(text("DblNom"), QStringLiteral("1"));
    QTest::mouseDClick(get<QPlainTextEdit>("aCliPrenom")->viewport(), Qt::LeftButton);
    ticks(4);
    EXPECT_EQ(text("DblIdent"), QStringLiteral("1"));
    type(QStringLiteral("aCliNom"), QStringLiteral("o'neil"));  // a surname with an apostrophe
    ticks(4);
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_EQ(text("DblNom"), QStringLiteral("0"));  // nobody carries it

    // A surname, then within a second the mobile: only the mobile is counted.
    QTest::mouseDClick(get<QPlainTextEdit>("aCliMobile")->viewport(), Qt::LeftButton);
    ticks(4);
    sent(QStringLiteral("XmlSDbl.xml"));
    type(QStringLiteral("aCliNom"), QStringLiteral("dupont"));
    ticks(2);
    type(QStringLiteral("aCliMobile"), QStringLiteral("0612345678"));
    ticks(4);
    EXPECT_EQ(sent(QStringLiteral("XmlSDbl.xml")), 1);
    EXPECT_EQ(text("DblMobile"), QStringLiteral("1"));
    EXPECT_EQ(text("DblNom"), QStringLiteral("0"));
}

TEST_F(SearchE2e, AnIndicatorOpensTheSearchOnItsCustomers)
{
    service->service->database().acquire()->exec(
        "INSERT INTO tClients (CliNom, CliPrenom, CliMobile, Concession) VALUES ('DUPONT', 'Paul', '0612345678', 'ALV'), "
        "('DUPONTEL', 'Jean', '06123456789', 'ALV')");
    auto& f = openCustomer("1");
    for (const char* field : {"aCliNom", "aCliPrenom", "aCliMobile"})
        QTest::mouseDClick(get<QPlainTextEdit>(QLatin1String(field))->viewport(), Qt::LeftButton);

    // A plain click: the exact number.
    QTest::mouseClick(get("DblMobile"), Qt::LeftButton);
    EXPECT_FALSE(panel().Panel1->isHidden());
    EXPECT_EQ(panel().activeMode(), QStringLiteral("6"));
    EXPECT_EQ(panel().ncbSearch->text(), QStringLiteral("0612345678"));
    EXPECT_EQ(f.SearchDelay, 1);
    ticks(1);
    EXPECT_EQ(column(search::ngsInfo5), QStringLiteral("DUPONT PAUL,DUPONT JEAN"));
    // A click while the panel is open closes it; the search still runs.
    run->keyboard.ctrl = true;  // Ctrl+click: the numbers containing it
    QTest::mouseClick(get("DblMobile"), Qt::LeftButton);
    run->keyboard.ctrl = false;
    EXPECT_TRUE(panel().Panel1->isHidden());
    ticks(1);
    EXPECT_EQ(column(search::ngsInfo5), QStringLiteral("DUPONT PAUL,DUPONT JEAN,DUPONTEL JEAN"));

    // The name and first name: the exact surname, refined by the first name once.
    QTest::mouseClick(get("DblIdent"), Qt::LeftButton);
    EXPECT_EQ(panel().activeMode(), QStringLiteral("5"));
    ticks(1);
    EXPECT_EQ(column(search::ngsInfo5), QStringLiteral("DUPONT JEAN"));
    EXPECT_FALSE(panel().SearchWithFirstName);
    QTest::mouseClick(get("DblNom"), Qt::LeftButton);
    ticks(1);
    EXPECT_EQ(column(search::ngsInfo5), QStringLiteral("DUPONT JEAN,DUPONT PAUL"));
}

TEST_F(SearchE2e, PicturesChooseTheModeAndTheFirstSearchIsByRegistration)
{
    openVehicle("1", 1);
    openPanel();
    // Nothing remembered: the registration, its pair plain to see.
    EXPECT_EQ(panel().activeMode(), QStringLiteral("1"));
    EXPECT_TRUE(panel().ModeButtons[size_t(ModePair::Immat)]->isChecked());
    EXPECT_EQ(panel().ActiveSearchLabel, panel().ModeLabels[size_t(ModePair::Immat)]);
    // Each picture chooses its mode, as its label does.
    const std::pair<ModePair, const char*> pictures[] = {
        {ModePair::NVO, "3"}, {ModePair::Client, "2"}, {ModePair::Immat, "1"}};
    for (const auto& [pair, mode] : pictures) {
        QTest::mouseClick(panel().ModeButtons[size_t(pair)], Qt::LeftButton);
        EXPECT_EQ(panel().activeMode(), QLatin1String(mode));
        EXPECT_EQ(panel().ActiveSearchLabel, panel().ModeLabels[size_t(pair)]);
        for (int i = 0; i < search::kModePairCount; ++i)
            EXPECT_EQ(panel().ModeButtons[size_t(i)]->isChecked(), i == int(pair)) << mode << " " << i;
    }
    // Blanks around the text are no part of it.
    search(ModePair::Immat, QStringLiteral("  ab1 "));
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("1"));
    EXPECT_EQ(run->store.readString(platform::kStanorKey, QStringLiteral("svText1")), QStringLiteral("ab1"));
    EXPECT_EQ(panel().ncbLabel->text(), QStringLiteral("1 fiche trouvée"));

    // The marker stands on the column the hits came sorted by.
    const std::pair<ModePair, int> sorted[] = {
        {ModePair::Immat, search::ngsInfo3}, {ModePair::NVO, search::ngsInfo1}, {ModePair::Client, search::ngsInfo5}};
    for (const auto& [pair, column] : sorted) {
        search(pair, QStringLiteral("1"));
        EXPECT_EQ(panel().ngSearch->horizontalHeader()->sortIndicatorSection(), column) << int(pair);
    }
}

TEST_F(SearchE2e, NextAndPreviousFollowTheRecordShownThroughSortsAndNewSearches)
{
    openVehicle("2", 1);
    search(ModePair::Immat, QString());
    ASSERT_EQ(column(search::ngsIndex), QStringLiteral("1,2,3,4,5"));
    // The record shown is the second hit: both ways lead somewhere.
    EXPECT_EQ(buttons(), QStringLiteral("prev 1 next 1"));
    QHeaderView* header = panel().ngSearch->horizontalHeader();
    const QPoint immat(header->sectionViewportPosition(search::ngsInfo3) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, immat);  // the registrations the other way
    EXPECT_EQ(column(search::ngsIndex), QStringLiteral("5,4,3,2,1"));
    EXPECT_EQ(panel().ngSearch->currentRow(), 3);
    QTest::mouseClick(form().JvXPNext, Qt::LeftButton);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("1"));
    EXPECT_EQ(buttons(), QStringLiteral("prev 1 next 0"));
    // A new search where the record shown is not found: nothing to step from.
    search(ModePair::NVO, QStringLiteral("2101"));
    EXPECT_EQ(buttons(), QStringLiteral("prev 0 next 0"));
    QTest::mouseClick(form().JvXPNext, Qt::LeftButton);
    EXPECT_EQ(form().IdTVO(), QStringLiteral("1"));

    // Vehicle hits are cleared once the panel opens on a customer.
    QTest::mouseClick(form().JvXPBtnSearch, Qt::LeftButton);
    openCustomer("1");
    openPanel();
    EXPECT_EQ(panel().ngSearch->rowCount(), 0);
    EXPECT_EQ(buttons(), QStringLiteral("prev 0 next 0"));
}

TEST_F(SearchE2e, ThePanelSaysWhenMoreRecordsMatchThanItShows)
{
    auto db = service->service->database().acquire();
    for (int i = 0; i < 60; ++i)
        db->exec(QStringLiteral("INSERT INTO tVehicles (idTVO, idVO, TypeVO, NVO, Immatriculation, Site, Concession) "
                                "VALUES (%1, %2, 1, %3, 'ZZ%4', 'NORD', 'ALV')")
                     .arg(900 + i).arg(9000 + i).arg(9000 + i).arg(i, 3, 10, QChar(u'0')).toStdString());
    openVehicle("1", 1);
    const std::tuple<const char*, int, const char*> cases[] = {
        {"zz", 50, "Plus de 50 fiches correspondent : précisez la recherche"},
        {"zz05", 10, "10 fiches trouvées"},
        {"zz9", 0, "Aucune fiche trouvée"},
    };
    for (const auto& [typed, rows, said] : cases) {
        search(ModePair::Immat, QLatin1String(typed));
        EXPECT_EQ(panel().ngSearch->rowCount(), rows) << typed;
        EXPECT_EQ(panel().ncbLabel->text(), QString::fromUtf8(said)) << typed;
    }
}
