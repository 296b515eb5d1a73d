// Saving and the record commands on the main form against the data service:
// records created from an empty form, pages saved by changing sheets,
// records deleted after their question, the sweep of cancelled orders, the
// order of one save's requests, a sheet's grids loaded once, next and
// previous through the hits of a search.
#include "SavingFixture.h"

#include <QAbstractItemView>

using namespace e2e;
using platform::MsgButtons;
using platform::MsgResult;

TEST_F(SavingE2e, UsedVehicleCreatedFromAnEmptyRecord)
{
    auto& f = openVehicle("1", 1);
    activate();
    const int before = count("SELECT count(*) FROM tVehicles");
    f.JvXPBtnNewVOClick();
    EXPECT_TRUE(state().FlagNewEnreg);
    EXPECT_EQ(f.Tabs->currentIndex(), 0);
    EXPECT_EQ(text("cNVO"), QString());
    EXPECT_EQ(text("cDateEntree"), QStringLiteral("15/01/2026"));  // "now" by the form's clock
    writes();

    // Refused first, field by field: the focus goes to the first one missing.
    struct Step {
        const char* control;   // the control that has the focus after the save
        std::function<void()> fill;
    } steps[] = {
        {"cNVO", [&] { type("cNVO", "1299"); }},
        {"cSite", [&] { pickFirst(get<toolkit::ComboBox>("cSite")); }},
        {"cInfoMarque", [&] { pickFirst(get<toolkit::ComboBox>("cInfoMarque")); }},
    };
    for (const Step& s : steps) {
        EXPECT_TRUE(f.SaveChanges()) << s.control;  // a record being created answers true
        EXPECT_EQ(QApplication::focusWidget(), get(QString::fromLatin1(s.control))) << s.control;
        EXPECT_TRUE(f.LbDebugInfo0->text().startsWith(QString::fromUtf8("Modifications non enregistrées : ")))
            << s.control;
        EXPECT_TRUE(state().FlagNewEnreg);
        s.fill();
    }
    EXPECT_EQ(writes(), QStringList());
    EXPECT_EQ(count("SELECT count(*) FROM tVehicles"), before);

    // A first registration after the entry date is refused too.
    type("cMEC", "01022026");
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(QApplication::focusWidget(), get("cMEC"));
    type("cMEC", "01062019");
    type("cKMS", "42000");
    const QString site = text("cSite"), make = text("cInfoMarque");

    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxInsert")});
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_TRUE(f.PanelWarning->isHidden());
    EXPECT_FALSE(state().FlagNewEnreg);
    const QString id = f.LbIdTVO->text();
    EXPECT_NE(id, QStringLiteral("1"));
    EXPECT_EQ(row("SELECT NVO, Site, InfoMarque, KMS, MEC, DateEntree, TypeVO, idOwner, Concession, idVO IS NOT NULL "
                  "FROM tVehicles WHERE idTVO = " + id),
              QStringLiteral("1299|%1|%2|42000|01/06/2019|15/01/2026|1|1|ALV|1").arg(site, make));
    EXPECT_EQ(count("SELECT count(*) FROM tVehicles"), before + 1);
    // Reloaded: the values come from the stored record, nothing is pending.
    EXPECT_EQ(text("cNVO"), QStringLiteral("1299"));
    EXPECT_EQ(text("xcInfoNVO"), QStringLiteral("1299"));
    EXPECT_EQ(state().pages[1].Fields.front().LoadedValue, id);
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
    EXPECT_TRUE(f.JvXPBtnNewVO->isEnabled());
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(writes(), QStringList());
}

TEST_F(SavingE2e, TwoPagesEditedAndSavedThroughTabChanges)
{
    auto& f = openVehicle("1", 1);
    clickTab(0);
    writes();
    type("cKMS", "90000");
    type("cCommentaires", QString::fromUtf8("Révisé ; prêt"));
    clickTab(3);  // equipment
    EXPECT_EQ(f.Tabs->currentIndex(), 3);
    // The page, then the fixed cost of a vehicle for private buyers, which it lacked.
    EXPECT_EQ(writes(), (QStringList{QStringLiteral("AxUpdate"), QStringLiteral("AxInsert")}));
    EXPECT_EQ(row("SELECT KMS, Commentaires FROM tVehicles WHERE idTVO = 1"),
              QString::fromUtf8("90000|Révisé ; prêt"));
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());

    auto* list = get<toolkit::ListBox>("cInfoEquiInterieur");
    ASSERT_GT(list->count(), 1);
    const bool was = list->item(1)->isSelected();
    list->item(1)->setSelected(!was);
    EXPECT_TRUE(f.JvXPBtnSave->isEnabled());
    const QString stored = state().pages[4].Fields[1].CurrentValue;
    clickTab(0);
    EXPECT_EQ(f.Tabs->currentIndex(), 0);
    EXPECT_EQ(writes(), QStringList{QStringLiteral("AxUpdate")});
    EXPECT_EQ(row("SELECT coalesce(InfoEquiInterieur, '') FROM tVehicles WHERE idTVO = 1"), stored);

    // A sheet left with nothing pending sends nothing.
    clickTab(3);
    clickTab(0);
    EXPECT_EQ(writes(), QStringList());
}

TEST_F(SavingE2e, NewCustomerIsMinusOneUntilItsFirstSave)
{
    // A vehicle shown first: its answer stays in the folder, as it does at a desk.
    auto& f = openVehicle("1", 1);
    run->set("idTVO", QString());
    run->set("idClient", QStringLiteral("1"));
    f.OnMsgActualize();
    ASSERT_EQ(f.JvXPBtnNewVO->text(), QStringLiteral("CL"));
    activate();
    const int before = count("SELECT count(*) FROM tClients");
    f.JvXPBtnNewVOClick();
    EXPECT_EQ(f.LbIDCustomer->text(), QStringLiteral("-1"));
    EXPECT_EQ(f.Tabs->currentIndex(), 6);
    EXPECT_EQ(get<QAbstractItemView>("ngAction")->model()->rowCount(), 0);
    EXPECT_EQ(get<QAbstractItemView>("ngVehicles")->model()->rowCount(), 0);
    EXPECT_EQ(text("aCliNom"), QString());

    EXPECT_TRUE(get("aCliNom")->isEnabled());
    for (const char* missing : {"aSite", "aidCom", "aCliNom"}) {
        EXPECT_TRUE(f.SaveChanges()) << missing;
        EXPECT_EQ(QApplication::focusWidget(), get(QString::fromLatin1(missing))) << missing;
        EXPECT_EQ(f.LbIDCustomer->text(), QStringLiteral("-1"));
        if (QLatin1String(missing) == QLatin1String("aCliNom"))
            type("aCliNom", QStringLiteral("d'Armor"));
        else
            pickFirst(get<toolkit::ComboBox>(QString::fromLatin1(missing)));
    }
    type("aCliPrenom", QStringLiteral("Anne"));
    EXPECT_TRUE(f.SaveChanges());
    const QString id = f.LbIDCustomer->text();
    EXPECT_NE(id, QStringLiteral("-1"));
    EXPECT_EQ(count("SELECT count(*) FROM tClients"), before + 1);
    EXPECT_EQ(row("SELECT CliNom, CliPrenom, CliPays, DateCreation, idOwner, Concession FROM tClients "
                  "WHERE idClient = " + id),
              QStringLiteral("D'ARMOR|ANNE|FRANCE|15/01/2026|1|ALV"));
    EXPECT_EQ(text("aCliNom"), QStringLiteral("D'ARMOR"));
    EXPECT_FALSE(state().FlagNewEnreg);
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
}

TEST_F(SavingE2e, VehicleAndCustomerDeletedAfterTheirQuestion)
{
    auto& f = openVehicle("1", 1);
    const auto rows = [this] {
        return row("SELECT (SELECT count(*) FROM tVehicles WHERE idVO = 1001) || '/' || "
                   "(SELECT count(*) FROM \"tVO - Frevo\" WHERE idVO = 1001) || '/' || "
                   "(SELECT count(*) FROM \"tVO - Liens Images\" WHERE idVO = 1001)");
    };
    const QString before = rows();
    EXPECT_NE(before, QStringLiteral("1/0/0"));

    run->dialogs.answers = {MsgResult::No};
    f.JvXPBtnSupprClick();
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QStringLiteral("Confirmation de Suppression"));
    EXPECT_EQ(run->dialogs.shown[0].text, QString::fromUtf8("Veuillez confirmer la suppression du VO n°1201"));
    EXPECT_EQ(run->dialogs.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(rows(), before);

    type("cKMS", "1");  // pending on the record deleted: dropped with it
    run->dialogs.shown.clear();
    f.JvXPBtnSupprClick();
    EXPECT_EQ(rows(), QStringLiteral("0/0/0"));
    ASSERT_EQ(run->dialogs.shown.size(), 2u);
    EXPECT_EQ(run->dialogs.shown[1].text, QString::fromUtf8("Suppression terminée"));
    EXPECT_EQ(run->dialogs.shown[1].caption, QStringLiteral("Fin de Suppression"));
    EXPECT_TRUE(state().FlagNewEnreg);
    EXPECT_EQ(text("cNVO"), QString());
    EXPECT_EQ(f.LbDebugInfo2->text(), QString());

    // A record being created has nothing to delete: nothing is asked or sent.
    run->dialogs.shown.clear();
    f.JvXPBtnSupprClick();
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, QString::fromUtf8("Action Annulée"));

    run->form.reset();
    auto& c = openCustomer("2");
    const QString name = text("aCliNom") + u' ' + text("aCliPrenom");
    run->dialogs.shown.clear();
    c.JvXPBtnSupprClick();
    ASSERT_GE(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].text,
              QStringLiteral("Veuillez confirmer la suppression du client \"") + name + u'"');
    EXPECT_EQ(count("SELECT count(*) FROM tClients WHERE idClient = 2"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM tActions WHERE idClient = 2"), 0);
    EXPECT_EQ(c.LbIDCustomer->text(), QStringLiteral("-1"));
}

TEST_F(SavingE2e, CancelledNewVehiclesSwept)
{
    const QString cancelled = QStringLiteral(
        "SELECT count(*) FROM tVehicles WHERE TypeVO = 2 AND Acheteur IS NULL AND DateAnnulation IS NOT NULL");
    ASSERT_GT(count(cancelled), 0);
    const int vehicles = count("SELECT count(*) FROM tVehicles");
    const int swept = count(cancelled);
    auto& f = openVehicle("6", 2);
    EXPECT_FALSE(f.JvXPBtnSweep->isHidden());

    run->dialogs.answers = {MsgResult::No};
    f.JvXPBtnSweep->click();
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].text, QString::fromUtf8("Veuillez confirmer la suppression des VN annulés sans CTM  "));
    EXPECT_EQ(count(cancelled), swept);

    f.JvXPBtnSweep->click();
    EXPECT_EQ(count(cancelled), 0);
    EXPECT_EQ(count("SELECT count(*) FROM tVehicles"), vehicles - swept);
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_TRUE(f.LbDebugInfo2->text().startsWith(QLatin1String("DELETE * FROM tVehicles")));

    // Not a new vehicle: nothing asked.
    run->form.reset();
    run->dialogs.shown.clear();
    openVehicle("1", 1).JvXPBtnSweepClick();
    EXPECT_TRUE(run->dialogs.shown.empty());
}

TEST_F(SavingE2e, WireOrderOfOneSave)
{
    auto& f = openVehicle("1", 1);
    records::SaveHooks& hooks = persistence().host().save;
    // A cost line pending on the grid, and a fixed-cost line due.
    QString costLine = QStringLiteral("Update [tVO - Frevo] set MontantHT=80 where (idFrevo=1)");
    std::vector<std::pair<int, bool>> costDone;
    hooks.pendingCostLine = [&] { return records::PendingLine{costLine.isEmpty() ? 0 : 1, costLine, false, 0, {}, {}}; };
    hooks.costLineSent = [&](int line, bool stored) {
        costDone.emplace_back(line, stored);
        if (stored)
            costLine.clear();
    };
    QString fixed = QStringLiteral("Insert into [tVO - Frevo] (idFrevo, idVO, LibelleFrevo, TypeFrevo, MontantHT) "
                                   "Values (:NewID, 1001, 'Frais de dossier', 'fixe', 150)");
    hooks.testFraisFixes = [&] { return std::exchange(fixed, QString()); };
    writes();

    type("cKMS", "84600");
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(writes(), (QStringList{QStringLiteral("AxUpdate"), QStringLiteral("AxUpdate"), QStringLiteral("AxInsert")}));
    EXPECT_EQ(costDone, (std::vector<std::pair<int, bool>>{{1, true}}));
    EXPECT_EQ(row("SELECT MontantHT FROM \"tVO - Frevo\" WHERE idFrevo = 1"), QStringLiteral("80.00"));
    EXPECT_EQ(count("SELECT count(*) FROM \"tVO - Frevo\" WHERE idVO = 1001 AND TypeFrevo = 'fixe'"), 1);
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 1"), QStringLiteral("84600"));

    // A customer: the pending action line first, unless a mandatory column is empty.
    run->form.reset();
    auto& c = openCustomer("1");
    records::SaveHooks& ch = persistence().host().save;
    records::PendingLine action{1, QStringLiteral("Update tActions set SujetAction=3 where (idAction=1)"), false, 4, {}, {}};
    std::pair<int, int> selected{0, 0};
    ch.pendingActionLine = [&] { return action; };
    ch.selectActionCell = [&](int line, int column) { selected = {line, column}; };
    ch.actionLineSent = [&](int, bool stored) {
        if (stored)
            action = {};
    };
    writes();
    type("aCliPrenom", QStringLiteral("Jules"));
    EXPECT_FALSE(c.SaveChanges());  // a stored customer: FlagNewEnreg is false
    EXPECT_EQ(selected, (std::pair<int, int>{1, 4}));
    EXPECT_EQ(writes(), QStringList());
    action.MandatoryColumn = 0;
    EXPECT_TRUE(c.SaveChanges());
    EXPECT_EQ(writes(), (QStringList{QStringLiteral("AxUpdate"), QStringLiteral("AxUpdate")}));
    EXPECT_EQ(row("SELECT SujetAction FROM tActions WHERE idAction = 1"), QStringLiteral("3"));
    EXPECT_EQ(row("SELECT CliPrenom FROM tClients WHERE idClient = 1"), QStringLiteral("JULES"));
}

TEST_F(SavingE2e, SheetGridsLoadedOncePerRecordLoad)
{
    auto& f = openVehicle("1", 1);
    std::map<std::string, int> calls;
    records::GridLoaders& g = persistence().host().grids;
    for (auto [hook, name] : {std::pair{&g.loadInfoFrevo, "frevo"}, {&g.loadInfoCliche, "cliche"},
                              {&g.getDataImages, "images"}})
        *hook = [&calls, name = std::string(name)] { ++calls[name]; };
    clickTab(4);  // costs
    clickTab(0);
    clickTab(4);
    EXPECT_EQ(calls, (std::map<std::string, int>{{"frevo", 1}}));
    clickTab(5);  // photos
    EXPECT_EQ(calls, (std::map<std::string, int>{{"frevo", 1}, {"cliche", 1}, {"images", 1}}));
    // A reload fetches them again on the next entry.
    f.JvXPBtnActualizeClick();
    EXPECT_EQ(calls["cliche"], 2);  // the sheet shown is loaded by the reload itself
    clickTab(4);
    EXPECT_EQ(calls["frevo"], 2);
}

TEST_F(SavingE2e, NextAndPreviousStepThroughTheHits)
{
    auto& f = openVehicle("1", 1);
    records::RecordCommandsForm& c = persistence().commands();
    c.hits().setHits({QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")}, false);
    EXPECT_FALSE(f.JvXPNext->isEnabled());
    EXPECT_FALSE(f.JvXPPrev->isEnabled());
    c.selectHit(2);  // the pointer over the last row
    EXPECT_FALSE(f.JvXPNext->isEnabled());
    EXPECT_TRUE(f.JvXPPrev->isEnabled());

    EXPECT_TRUE(c.openHit(0));
    struct Step {
        QPushButton* button;
        const char* id;
        const char* nvo;
        bool next, prev;
    } steps[] = {
        {nullptr, "3", "1203", true, false},
        {f.JvXPNext, "2", "1202", true, true},
        {f.JvXPNext, "1", "1201", false, true},
        {f.JvXPPrev, "2", "1202", true, true},
    };
    for (const Step& s : steps) {
        if (s.button)
            s.button->click();
        EXPECT_EQ(f.LbIdTVO->text(), QLatin1String(s.id));
        EXPECT_EQ(text("cNVO"), QLatin1String(s.nvo));
        EXPECT_EQ(f.JvXPNext->isEnabled(), s.next) << s.id;
        EXPECT_EQ(f.JvXPPrev->isEnabled(), s.prev) << s.id;
    }
    // Changes pending are saved before the next record opens.
    type("cKMS", "31000");
    f.JvXPNext->click();
    EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO = 2"), QStringLiteral("31000"));
    EXPECT_EQ(f.LbIdTVO->text(), QStringLiteral("1"));
    // A row whose record cannot be loaded leaves the record shown in place.
    c.hits().setHits({QStringLiteral("999")}, false);
    EXPECT_FALSE(c.openHit(0));
    EXPECT_EQ(f.LbIdTVO->text(), QStringLiteral("1"));
    EXPECT_EQ(text("cNVO"), QStringLiteral("1201"));
}
