// Nothing a user types is lost, dropped without a word or changed behind
// their back: the main form against the data service, driven as a user
// drives it, and the rows read back after each step.
#include "CostGridFixture.h"
#include "FollowUpFixture.h"

#include "service/TextTools.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTabBar>
#include <QTimer>
#include <QWheelEvent>

using namespace e2e;
using platform::MsgResult;

namespace {

const QString kNotSaved = QString::fromUtf8("Modifications non enregistrées : ");

class NothingLost : public SavingE2e {
protected:
    // The save was refused: the status line and the red panel say why, alike.
    void expectRefused(const char* says)
    {
        EXPECT_TRUE(form().LbDebugInfo0->text().startsWith(kNotSaved)) << form().LbDebugInfo0->text().toStdString();
        EXPECT_TRUE(form().LbDebugInfo0->text().contains(QString::fromUtf8(says)))
            << form().LbDebugInfo0->text().toStdString();
        EXPECT_EQ(form().findChild<QLabel*>("LbWarning")->text(), form().LbDebugInfo0->text());
        EXPECT_FALSE(form().PanelWarning->isHidden());
    }
};

}  // namespace

TEST_F(NothingLost, AListEditStoresWhatWasTypedFirstAndTheListTakesOnlyItsItemsAgain)
{
    auto& f = openVehicle("1", 1);
    activate();
    type("cCommentaires", QString::fromUtf8("Tapé avant la liste"));
    auto* colour = get<toolkit::ComboBox>("cInfoCouleur");
    run->keyboard.ctrl = true;
    emit colour->events()->entered();
    ASSERT_TRUE(f.Blinking);
    type("cInfoCouleur", "Sable");
    QTest::keyClick(colour->lineEdit(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(row("SELECT count(*) FROM ListRubrics WHERE RubricText='Sable'"), "1");
    EXPECT_EQ(row("SELECT Commentaires FROM tVehicles WHERE idTVO=1"), QString::fromUtf8("Tapé avant la liste"));
    EXPECT_EQ(text("cCommentaires"), QString::fromUtf8("Tapé avant la liste"));

    // A list that takes only its items is open to typing while it is edited, not after.
    auto* model = get<toolkit::ComboBox>("cInfoModele");
    ASSERT_TRUE(model->isListOnly());
    emit model->events()->entered();
    EXPECT_FALSE(model->isListOnly());
    model->lineEdit()->setText(QStringLiteral("Texte libre"));
    emit model->events()->exited();
    EXPECT_TRUE(model->isListOnly());
    EXPECT_FALSE(pending(1).Statement.contains(QStringLiteral("Texte libre")));
}

TEST_F(NothingLost, ANewRecordIsNeverTakenForTheOneItReplaces)
{
    auto& f = openVehicle("1", 1);
    activate();
    f.JvXPBtnNewVOClick();
    EXPECT_EQ(f.LbIdTVO->text(), QString());
    f.JvXPBtnActualizeClick();  // the reload of a record not stored yet: still new and empty
    EXPECT_TRUE(state().FlagNewEnreg);
    EXPECT_EQ(text("cNVO"), QString());
    EXPECT_EQ(f.GetIdVO(false), QString());
    type("cNVO", "1288");
    pickFirst(get<toolkit::ComboBox>("cSite"));
    pickFirst(get<toolkit::ComboBox>("cInfoMarque"));
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_NE(f.LbIdTVO->text(), QString());
    EXPECT_NE(f.LbIdTVO->text(), QStringLiteral("1"));
    EXPECT_EQ(row("SELECT NVO FROM tVehicles WHERE idTVO=1"), "1201");
    EXPECT_EQ(text("cNVO"), "1288");
}

TEST_F(NothingLost, AnUnreadableDateIsRefusedByNameKeptAndNeverWrittenNull)
{
    struct Case {
        const char* idTVO;
        int kind;
        const char* control;
        const char* column;
        const char* keys;
        const char* caption;
    } cases[] = {
        {"6", 2, "cVNDateCdeVW", "DateCdeVW", "31022024", "Cde usine"},           // no exit check
        {"6", 2, "cVNDateFabrication", "DateFabrication", "150320", "Fabrication"},  // "15/03/20__"
        {"1", 1, "cDateDisponibilite", "DateDisponibilite", "310224", "Dispo."},
    };
    for (const Case& c : cases) {
        auto& f = openVehicle(c.idTVO, c.kind);
        activate();
        const QString sql = QStringLiteral("SELECT %1, CASE WHEN %1 IS NULL THEN 'NULL' END FROM tVehicles WHERE idTVO=%2")
                                .arg(c.column, c.idTVO);
        const QString stored = row(sql);
        type(QString::fromLatin1(c.control), QString::fromLatin1(c.keys));
        const QString typed = text(QString::fromLatin1(c.control));
        writes();
        f.SaveChanges();
        expectRefused(c.caption);
        EXPECT_EQ(row(sql), stored) << c.control;
        EXPECT_EQ(text(QString::fromLatin1(c.control)), typed) << c.control;
        EXPECT_EQ(QApplication::focusWidget(), get(QString::fromLatin1(c.control))) << c.control;
    }
}

TEST_F(NothingLost, ARecordIsNotCreatedWithoutAValueTypedForIt)
{
    auto& f = openVehicle("1", 1);
    activate();
    const int before = count("SELECT count(*) FROM tVehicles");
    f.JvXPBtnNewVOClick();
    type("cNVO", "1277");
    pickFirst(get<toolkit::ComboBox>("cSite"));
    pickFirst(get<toolkit::ComboBox>("cInfoMarque"));
    type("cCommentaires", QString::fromUtf8("Kraków ā"));
    writes();
    f.SaveChanges();
    expectRefused("U+0101");
    EXPECT_EQ(writes(), QStringList());
    EXPECT_EQ(count("SELECT count(*) FROM tVehicles"), before);
    EXPECT_TRUE(state().FlagNewEnreg);
    EXPECT_EQ(text("cCommentaires"), QString::fromUtf8("Kraków ā"));
}

// The workstations' code page holds the French typography: typed, stored,
// answered, written into the answer files and shown back intact.
TEST_F(NothingLost, FrenchTypographyIsStoredAndShownIntact)
{
    auto& f = openCustomer("1");
    activate();
    const QString name = QString::fromUtf8("CŒUR"), note = QString::fromUtf8("“Reprise” 15 000 € – l’été…");
    type("aCliNom", name);
    type("aCliObservations", note);
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(row("SELECT CliNom, CliObservations FROM tClients WHERE idClient=1"), name + u'|' + note);
    f.JvXPBtnActualizeClick();
    EXPECT_EQ(text("aCliNom"), name);
    EXPECT_EQ(text("aCliObservations"), note);
    QFile answer(run->traceDir + QStringLiteral("/XmlCL.xml"));
    ASSERT_TRUE(answer.open(QIODevice::ReadOnly));
    EXPECT_TRUE(answer.readAll().contains(service::ToAnsi(note)));
}

TEST_F(NothingLost, ANewCustomerIsCheckedWholeWhicheverSheetItIsSavedFrom)
{
    auto& f = openCustomer("1");
    activate();
    const int before = count("SELECT count(*) FROM tClients");
    f.JvXPBtnNewVOClick();
    clickTab(8);  // the purchase plans: nothing typed yet, the sheet changes
    ASSERT_EQ(f.Tabs->currentIndex(), 8);
    auto* choice = get<toolkit::ListBox>("cPAPATypeVO");
    ASSERT_GT(choice->count(), 0);
    choice->item(0)->setSelected(true);
    writes();
    f.JvXPBtnSave->click();
    expectRefused("les champs « Site », « Vendeur » et « Nom » sont obligatoires");
    EXPECT_EQ(f.Tabs->currentIndex(), 6);
    EXPECT_EQ(QApplication::focusWidget(), get("aSite"));
    EXPECT_EQ(writes(), QStringList());
    EXPECT_EQ(count("SELECT count(*) FROM tClients"), before);
}

TEST_F(NothingLost, DatesAreCheckedBySavingHoweverTheSheetIsLeft)
{
    const std::function<void(app::TAxStanor&)> ways[] = {
        [this](app::TAxStanor&) { clickTab(3); },
        [](app::TAxStanor& f) { QTest::keyClick(f.Tabs, Qt::Key_Tab, Qt::ControlModifier); },
        [](app::TAxStanor& f) {
            QTabBar* bar = f.Tabs->tabBar();
            QWheelEvent wheel(bar->rect().center(), bar->mapToGlobal(bar->rect().center()), {}, {0, -120},
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(bar, &wheel);
        },
    };
    for (const auto& leaveSheet : ways) {
        auto& f = openVehicle("1", 1);
        activate();
        get("cDateDisponibilite")->setFocus();
        type("cDateDisponibilite", "01012021");
        writes();
        leaveSheet(f);
        EXPECT_EQ(f.Tabs->currentIndex(), 0);
        expectRefused("La valeur du champ \"Dispo.\" doit être supérieure au \"09/12/2026\"");
        EXPECT_EQ(writes(), QStringList());
        EXPECT_EQ(row("SELECT DateDisponibilite FROM tVehicles WHERE idTVO=1"), "20/10/2026");
    }
}

TEST_F(NothingLost, AValueOfAFieldWithoutTypeNeverReachesAnotherColumn)
{
    auto& f = openVehicle("1", 1);
    activate();
    type("cNomImage", "1,PrixVente=0");
    // Sent as a text, which the service refuses as no photo of the vehicle.
    EXPECT_FALSE(f.SaveChanges());
    EXPECT_TRUE(f.LbDebugInfo0->text().contains(QStringLiteral("photo"))) << f.LbDebugInfo0->text().toStdString();
    EXPECT_EQ(row("SELECT NomImage, PrixVente FROM tVehicles WHERE idTVO=1"), "V0001001-01|12500.00");
}

// A command clicked while a save's request is on its way runs in the middle
// of it (the request runs a nested event loop): it must wait.
TEST_F(NothingLost, NoCommandChangesOrLeavesTheRecordWhileASaveIsUnderWay)
{
    const std::pair<const char*, std::function<void(app::TAxStanor&)>> commands[] = {
        {"delete", [](app::TAxStanor& f) { f.JvXPBtnSuppr->click(); }},
        {"new", [](app::TAxStanor& f) { f.JvXPBtnNewVO->click(); }},
        {"reload", [](app::TAxStanor& f) { f.JvXPBtnActualize->click(); }},
        {"list edit",
         [this](app::TAxStanor& f) {
             auto* colour = get<toolkit::ComboBox>("cInfoCouleur");
             f.Editing().ActionInfoRubrique(colour, 0);
         }},
    };
    int n = 0;
    for (const auto& [what, command] : commands) {
        auto& f = openVehicle("1", 1);
        activate();
        run->dialogs.shown.clear();
        const QString kms = QString::number(91000 + ++n), colour = QStringLiteral("Ivoire%1").arg(n);
        type("cKMS", kms);
        type("cInfoCouleur", colour);
        QTimer::singleShot(0, &f, [&f, &command] { command(f); });
        EXPECT_TRUE(f.SaveChanges()) << what;
        EXPECT_EQ(row("SELECT KMS, InfoCouleur FROM tVehicles WHERE idTVO=1"), kms + u'|' + colour) << what;
        EXPECT_EQ(f.LbIdTVO->text(), "1") << what;
        EXPECT_FALSE(state().FlagNewEnreg) << what;
        EXPECT_EQ(run->dialogs.shown.size(), 0u) << what;
        EXPECT_EQ(row("SELECT count(*) FROM ListRubrics WHERE RubricText='" + colour + "'"), "0") << what;
    }
}

TEST_F(NothingLost, APasteIsFilteredAsTypingIs)
{
    struct Case {
        const char* idClient;  // "" the used vehicle 1
        const char* control;
        const char* pasted;
        const char* kept;
        const char* column;
    } cases[] = {
        {"1", "aCliMobile", "06 12 34 56 78", "0612345678", "SELECT CliMobile FROM tClients WHERE idClient=1"},
        {"1", "aCliNom", "dupont-moreau", "DUPONT-MOREAU", "SELECT CliNom FROM tClients WHERE idClient=1"},
        {"", "cImmatriculation", "ab-123 cd", "AB123CD", "SELECT Immatriculation FROM tVehicles WHERE idTVO=1"},
    };
    for (const Case& c : cases) {
        auto& f = *c.idClient ? openCustomer(c.idClient) : openVehicle("1", 1);
        activate();
        QWidget* w = get(QString::fromLatin1(c.control));
        w->setFocus();
        if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) memo->selectAll();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.pasted));
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(text(QString::fromLatin1(c.control)), QString::fromLatin1(c.kept)) << c.control;
        EXPECT_TRUE(f.SaveChanges());
        EXPECT_EQ(row(QString::fromLatin1(c.column)), QString::fromLatin1(c.kept)) << c.control;
    }
}

namespace {

class CostsNothingLost : public CostGridE2e {};

}  // namespace

TEST_F(CostsNothingLost, AmountsAreReadAsFrenchUsersTypeThemAndAnythingElseIsRefused)
{
    toolkit::Grid& g = openCosts("1");
    struct Case {
        const char* typed;
        const char* stored;  // nullptr: refused, the editor keeping the text
    } cases[] = {
        {"1 500,00", "1500.00"}, {"1.500,00", "1500.00"}, {"1500,5", "1500.50"},
        {"1500.50", "1500.50"},  {"1-50", nullptr},       {"1,5,0", nullptr},
    };
    const QString amount = "SELECT MontantHT FROM \"tVO - Frevo\" WHERE idFrevo=3";
    for (const Case& c : cases) {
        run->dialogs.shown.clear();
        const QString before = row(amount);
        typeInCell(2, Amount, QString::fromUtf8(c.typed));
        if (c.stored) {
            EXPECT_EQ(row(amount), c.stored) << c.typed;
            EXPECT_TRUE(run->dialogs.shown.empty()) << c.typed;
            continue;
        }
        ASSERT_EQ(run->dialogs.shown.size(), 1u) << c.typed;
        EXPECT_EQ(run->dialogs.shown[0].caption, QString::fromUtf8("Contrôle de la saisie"));
        EXPECT_TRUE(g.isEditing()) << c.typed;
        EXPECT_EQ(toolkit::asFieldControl(g.inplaceEditor())->text(), QString::fromUtf8(c.typed));
        g.cancelEdit();
        EXPECT_EQ(row(amount), before) << c.typed;
    }
}

TEST_F(CostsNothingLost, ACostLineIsDeletedOnlyAfterItsQuestion)
{
    toolkit::Grid& g = openCosts("1");
    run->dialogs.answers = {MsgResult::No};
    click(2, Icon);
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QStringLiteral("Confirmation de Suppression"));
    EXPECT_EQ(run->dialogs.shown[0].text,
              QString::fromUtf8("Veuillez confirmer la suppression du frais \"Nettoyage\" du 06/10/2026 (95.00)"));
    EXPECT_EQ(row("SELECT count(*) FROM \"tVO - Frevo\" WHERE idFrevo=3"), "1");
    EXPECT_EQ(g.cell(2, Amount), "95.00");
    EXPECT_EQ(writes(), QStringList());
}

namespace {

class ActionsNothingLost : public FollowUpE2e {};

}  // namespace

TEST_F(ActionsNothingLost, ANewActionIsStoredOnceWithItsDatesAndAnotherLinesEditKept)
{
    run->set("sAct2", QStringLiteral("01/12/2026"));  // the last action's dates, both past
    run->set("sAct7", QStringLiteral("05/12/2026"));
    openActions("2");
    ASSERT_EQ(grid->rowCount(), 1);
    const int before = count("SELECT count(*) FROM tActions WHERE idClient=2");
    const auto newAction = [this](const QString& comment) {
        get<QAbstractButton>("JvXPBtnNewAction")->click();
        chooseInCell(0, AType, grid->column(AType).items.first());
        chooseInCell(0, ASubject, grid->column(ASubject).items.first());
        typeInCell(0, AComment, comment);
    };
    // Another action's comment changed, still waiting.
    typeInCell(0, AComment, QStringLiteral("Rappel reporte"));
    get<QAbstractButton>("JvXPBtnNewAction")->click();
    // Dated today, the customer's salesperson twice, the first priority, no reminder past.
    const QString salesperson = text("aidCom");
    EXPECT_EQ(shown(0), "09/12/2026|" + salesperson + "|||||" + salesperson + "||" + grid->column(APriority).items.first());
    EXPECT_TRUE(grid->model()->headerData(ADate, Qt::Horizontal).toString().endsWith(u'*'));
    EXPECT_FALSE(grid->model()->headerData(AReminder, Qt::Horizontal).toString().endsWith(u'*'));
    grid->cancelEdit();
    actions().discardLines();

    // Its image clicked from another cell: the move stores it, and the same
    // click does not delete it under the mouse.
    typeInCell(0, AComment, QStringLiteral("Rappel reporte"));
    newAction(QStringLiteral("Premier contact"));
    click(0, AImage);
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE idClient=2"), before + 1);
    EXPECT_EQ(row("SELECT DateAction, CASE WHEN DateRelance IS NULL THEN 'NULL' END FROM tActions "
                  "WHERE CommentaireAction='Premier contact'"),
              "09/12/2026|NULL");
    EXPECT_TRUE(run->dialogs.shown.empty());  // nothing asked: nothing deleted
    EXPECT_TRUE(form().JvXPBtnSave->isEnabled());  // the other comment still waits
    form().JvXPBtnSave->click();
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE CommentaireAction='Rappel reporte'"), 1);

    // Its image clicked where the cell is already chosen: stored, then the
    // customer reloaded once every other change is stored too.
    typeInCell(1, AComment, QStringLiteral("Rappel encore"));
    newAction(QStringLiteral("Second contact"));
    grid->setCurrentCell(0, AImage);
    click(0, AImage);
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE idClient=2"), before + 2);
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE CommentaireAction='Rappel encore'"), 1);
    EXPECT_FALSE(form().JvXPBtnSave->isEnabled());
}

TEST_F(ActionsNothingLost, AnActionIsDeletedOnlyAfterItsQuestion)
{
    openActions("2");
    run->dialogs.answers = {MsgResult::No};
    click(0, AImage);
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QStringLiteral("Confirmation de Suppression"));
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE idClient=2"), 1);
    EXPECT_EQ(writes(), QStringList());
}
