// The money of a vehicle on the main form against the data service: cost
// lines added, edited and deleted through the grid as a user does it, with
// the totals and margins after each step; the balance and due dates of a
// new vehicle as its dates and financing change.
#include "CostGridFixture.h"

using namespace e2e;

using MoneyE2e = CostGridE2e;

TEST_F(MoneyE2e, CostLineAddedEditedRefusedAndDeleted)
{
    toolkit::Grid& g = openCosts("1");
    // Three stored lines, each one deletable by an accounting user, then the
    // template dated today.
    EXPECT_EQ(rows(), QStringList({"0 1|03/10/2026|Contrôle technique|611200|Garage Central||externe|78.00",
                                   "0 2|05/10/2026|Pneumatiques||Pneus Express|F2026-118|externe|356.40",
                                   "0 3|06/10/2026|Nettoyage||||interne|95.00",
                                   "1 |09/12/2026|||||interne|"}));
    // Sale 12500, purchase 9800, TPVO 350, warranty 290, VAT on the margin at the dealership's 20 %.
    const QString stored = money();
    EXPECT_EQ(stored, "cFrevoPrevision= cFrevoFixe= cFrevoInterne=95.00 cFrevoExterne=434.40 cFrevo=529.40 "
                      "cFrevoTotFDM=529.40 cTotFrevo=529.40 ccTVA=450.00 cMBrute=2600.00 cMNette=1780.60");

    // Added from the template: stored with its date and type, shown after the
    // reload. The save adds the fixed cost the vehicle for private buyers lacked.
    click(3, Icon);
    EXPECT_EQ(form().LbDebugInfo0->text(), QString());
    // The line, the fixed cost, then the totals it changed: stored before the reload.
    EXPECT_EQ(writes(), (QStringList{"AxInsert", "AxInsert", "AxUpdate"}));
    const QString id = row("SELECT min(idFrevo) FROM \"tVO - Frevo\" WHERE idFrevo > 7");
    EXPECT_EQ(row("SELECT DateFrevo, TypeFrevo, CASE WHEN MontantHT IS NULL THEN 'NULL' END FROM \"tVO - Frevo\" WHERE idFrevo=" + id),
              "09/12/2026|interne|NULL");
    ASSERT_EQ(g.rowCount(), 6);
    EXPECT_EQ(rows().mid(3), QStringList({"0 " + id + "|09/12/2026|||||interne|0.00",
                                          "0 " + QString::number(id.toInt() + 1) + "|09/12/2026|||||fixe|150.00",
                                          "1 |09/12/2026|||||interne|"}));
    const QString withFixed = money();
    EXPECT_EQ(withFixed, "cFrevoPrevision= cFrevoFixe=150.00 cFrevoInterne=95.00 cFrevoExterne=434.40 cFrevo=679.40 "
                         "cFrevoTotFDM=679.40 cTotFrevo=679.40 ccTVA=450.00 cMBrute=2600.00 cMNette=1630.60");

    // Its amount typed with a decimal comma: stored at once as 12.50.
    typeInCell(3, Amount, QStringLiteral("12,5"));
    EXPECT_EQ(writes(), QStringList({"AxUpdate", "AxUpdate"}));  // the line, the totals
    EXPECT_EQ(row("SELECT MontantHT FROM \"tVO - Frevo\" WHERE idFrevo=" + id), "12.50");
    EXPECT_EQ(g.cell(3, Amount), "12.50");
    EXPECT_EQ(frevo().FrevoRows[4].PendingStatement, QString());
    EXPECT_EQ(money(), "cFrevoPrevision= cFrevoFixe=150.00 cFrevoInterne=107.50 cFrevoExterne=434.40 cFrevo=691.90 "
                       "cFrevoTotFDM=691.90 cTotFrevo=691.90 ccTVA=450.00 cMBrute=2600.00 cMNette=1618.10");

    // A date before the cost limit is refused with the warning; the editor stays open.
    typeInCell(3, Date, QStringLiteral("01012019"));
    ASSERT_EQ(run->dialogs.shown.size(), 1u);
    EXPECT_EQ(run->dialogs.shown[0].caption, "Contrôle de la date Frevo");
    EXPECT_EQ(run->dialogs.shown[0].text,
              "La valeur du champ \"DateFrevo\" doit être comprise entre le \"01/01/2020\" et le \"09/12/2026\"");
    EXPECT_TRUE(g.isEditing());
    g.cancelEdit();
    EXPECT_EQ(row("SELECT DateFrevo FROM \"tVO - Frevo\" WHERE idFrevo=" + id), "09/12/2026");

    // Deleted by its image: gone from the service, the totals as before its addition.
    click(3, Icon);
    EXPECT_EQ(row("SELECT count(*) FROM \"tVO - Frevo\" WHERE idFrevo=" + id), "0");
    EXPECT_EQ(g.rowCount(), 5);
    EXPECT_EQ(money(), withFixed);
}

TEST_F(MoneyE2e, NewVehicleBalanceAndDueDatesFollowItsDatesAndFinancing)
{
    auto& f = openVehicle("6", 2);
    f.show();
    // Sale 21900, financed 14000, trade-in 4500, deposit 2000; bought 14/10/2026,
    // available 15/12/2026, supplier due 31/12/2026, financed by LOA (60 days).
    const auto dates = [this] {
        return text(QStringLiteral("cVNSolde")) + u' ' + text(QStringLiteral("cVNDateEchTresorerie")) + u' ' +
               text(QStringLiteral("cVNDateEchReglement"));
    };
    EXPECT_EQ(dates(), "1400.00 20/12/2026 18/02/2027");
    // Loading is no change of the order: no stamp, no invoice date taken from the purchase date.
    EXPECT_EQ(text(QStringLiteral("cVNDateUpdateCde")), "02/11/2026");
    EXPECT_EQ(text(QStringLiteral("cVNDateFacture")), toolkit::DatePicker::kEmptyMask);
    EXPECT_EQ(text(QStringLiteral("LbDateFabrication")), "2026s47");

    struct Step {
        const char* what;
        std::function<void()> act;
        const char* shown;
    };
    auto* financing = get<QComboBox>(QStringLiteral("cVNTypeFinancement"));
    const auto choose = [financing](const char* item) {
        return [financing, item] { financing->setCurrentIndex(financing->findText(QString::fromUtf8(item))); };
    };
    const Step steps[] = {
        {"delivered on the 22nd", [this] { type(QStringLiteral("cVNDateLivraison"), QStringLiteral("22122026")); },
         "1400.00 27/12/2026 25/02/2027"},
        {"declared delivered later", [this] { type(QStringLiteral("cVNDateDeclareLivre"), QStringLiteral("02012027")); },
         "1400.00 07/01/2027 08/03/2027"},
        {"credit: 45 days", choose("Crédit"), "1400.00 07/01/2027 21/02/2027"},
        {"cash: no delay", choose("Comptant"), "1400.00 07/01/2027 07/01/2027"},
        {"no longer declared", [this] { type(QStringLiteral("cVNDateDeclareLivre"), QString()); },
         "1400.00 27/12/2026 27/12/2026"},
        // Without a supplier due date the treasury date stays five days after delivery.
        {"no supplier due date", [this] { type(QStringLiteral("cVNDateEcheance"), QString()); },
         "1400.00 27/12/2026 27/12/2026"},
        {"deposit raised", [this] { type(QStringLiteral("cVNMontantAcompte"), QStringLiteral("3000")); },
         "400.00 27/12/2026 27/12/2026"},
        {"no purchase date: the delivery date", [this] { type(QStringLiteral("cVNDateAchat"), QString()); },
         "400.00 22/12/2026 22/12/2026"},
        // The invoice date gives the purchase date back.
        {"invoiced", [this] { type(QStringLiteral("cVNDateFacture"), QStringLiteral("05012027")); },
         "400.00 27/12/2026 27/12/2026"},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(dates(), s.shown) << s.what;
    }
    EXPECT_EQ(text(QStringLiteral("cVNDateAchat")), "05/01/2027");
    // A change of the order is stamped with the server's date.
    EXPECT_EQ(text(QStringLiteral("cVNDateUpdateCde")), "09/12/2026");
    type(QStringLiteral("cVNDateFabrication"), QStringLiteral("03012027"));
    EXPECT_EQ(text(QStringLiteral("LbDateFabrication")), "2027s01");
    // The delay chosen is stored, and moves no date.
    auto* delay = get<QComboBox>(QStringLiteral("cVNTypeFinancementDelai"));
    delay->setCurrentIndex(delay->findText(QStringLiteral("LLD : 90")));
    EXPECT_EQ(dates(), "400.00 27/12/2026 27/12/2026");

    send(3);
    EXPECT_EQ(row("SELECT Solde, DateEchTresorerie, DateEchReglement, DateAchat, DateFacture, DateUpdateCde, "
                  "TypeFinancement, CASE WHEN DateEcheance IS NULL THEN 'NULL' END, TypeFinancementDelai FROM tVehicles WHERE idTVO=6"),
              "400.00|27/12/2026|27/12/2026|05/01/2027|05/01/2027|09/12/2026|Comptant|NULL|LLD");
}

TEST_F(MoneyE2e, MarginsFollowEveryPriceVatModeAndCostChange)
{
    openCosts("1");
    clickTab(0);
    const auto margins = [this] {
        return text(QStringLiteral("ccTVA")) + u' ' + text(QStringLiteral("cMBrute")) + u' ' +
               text(QStringLiteral("cMNette"));
    };
    // The worked example at the dealership's rate (20 %), with the vehicle's
    // costs: 529.40 (the cost sheet looked at and left unchanged stores
    // nothing, so no fixed cost yet).
    type(QStringLiteral("cPrixVente"), QStringLiteral("11960"));
    type(QStringLiteral("cPrixReprise"), QStringLiteral("8000"));
    type(QStringLiteral("cTPVO"), QStringLiteral("0"));
    type(QStringLiteral("cPrixGarantie"), QStringLiteral("100"));
    EXPECT_EQ(margins(), "660.00 3300.00 2670.60");
    auto* mode = get<QComboBox>(QStringLiteral("cModeTVA"));
    mode->setCurrentIndex(1);
    EXPECT_EQ(margins(), "0.00 3300.00 2670.60");
    mode->setCurrentIndex(0);
    EXPECT_EQ(margins(), "660.00 3300.00 2670.60");

    // Every control of the shared handler recomputes them.
    for (const char* control : {"cVFinancement", "cMontantReprise", "cMtComIntermediaire", "cMtComVendeur",
                                "cComFinPrevue", "cComFinRecue", "cVDPrixVente", "cVDPrixCatalogue", "cVNVFinancement",
                                "cVNComFinPrevue", "cVNComFinRecue", "cVNPrixCatalogue"}) {
        get<QLineEdit>(QStringLiteral("ccTVA"))->setText(QStringLiteral("?"));
        type(QString::fromLatin1(control), QStringLiteral("1"));
        EXPECT_EQ(text(QStringLiteral("ccTVA")), "660.00") << control;
    }

    // A cost typed in the grid moves the net margin and the cost total.
    clickTab(4);
    typeInCell(2, Amount, QStringLiteral("105"));
    EXPECT_EQ(text(QStringLiteral("cTotFrevo")), "689.40");
    EXPECT_EQ(margins(), "660.00 3300.00 2510.60");
}

TEST_F(MoneyE2e, SavingAVehicleForPrivateBuyersAddsItsFixedCostOnce)
{
    run->clock.set(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    auto& f = openVehicle("1", 1);  // for private buyers, at NORD (150)
    EXPECT_EQ(frevo().TestFraisFixes(), "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) "
                                        "Values (#12/09/2026#,'fixe', 150.00, 1001, :NewID) ");
    const auto fixedCosts = [this] {
        const QString fixed = QStringLiteral("FROM \"tVO - Frevo\" WHERE idVO=1001 AND TypeFrevo='fixe'");
        return row("SELECT (SELECT count(*) " + fixed + "), DateFrevo, MontantHT " + fixed);
    };
    // Saved twice: the page each time, the fixed-cost line the first time
    // only, with the totals that count it; the user is told of the money added.
    const QString notice = QString::fromUtf8("Frais de dossier de 150,00\u00A0€ ajoutés au véhicule");
    for (const char* kms : {"90000", "91000"}) {
        type(QStringLiteral("cKMS"), QLatin1String(kms));
        f.JvXPBtnSaveClick();
        EXPECT_EQ(f.LbDebugInfo0->text(), QString());
        EXPECT_EQ(row("SELECT KMS FROM tVehicles WHERE idTVO=1"), kms);
        EXPECT_EQ(fixedCosts(), "1|09/12/2026|150.00") << kms;
        const bool first = QLatin1String(kms) == QLatin1String("90000");
        EXPECT_EQ(f.LbInfo->text(), first ? notice : QString()) << kms;
        EXPECT_EQ(!f.PanelWarning->isHidden(), first) << kms;
        EXPECT_EQ(f.LbWarning->text(), first ? notice : QString()) << kms;
    }
    EXPECT_EQ(row("SELECT FrevoFixe FROM tVehicles WHERE idTVO=1"), "150.00");
    EXPECT_EQ(frevo().TestFraisFixes(), QString());
    // The grid shows it, and the totals count it; the record shows nothing to save.
    clickTab(4);
    grid = get<toolkit::Grid>(QStringLiteral("ngFrevo"));
    EXPECT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(text(QStringLiteral("cFrevoFixe")), "150.00");
    EXPECT_FALSE(f.JvXPBtnSave->isEnabled());
    EXPECT_FALSE(form().Persistence().saving().anyPending());

    // A line turned into a fixed cost since the record was loaded counts too.
    run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
    row("DELETE FROM \"tVO - Frevo\" WHERE TypeFrevo='fixe' AND idVO=1001");
    openCosts("1");
    form().HttpDisconnect();  // the service ends without waiting for a kept connection
    service.reset();  // the change stays on the grid only
    typeInCell(2, Type, QStringLiteral("f"));
    EXPECT_EQ(frevo().FrevoRows[3].cell(Type).CurrentValue, "fixe");
    EXPECT_EQ(frevo().TestFraisFixes(), QString());
}

TEST_F(MoneyE2e, NoFixedCostForTradeBuyersNorAtASiteWithoutFee)
{
    struct Case {
        const char* vehicle;
        const char* destination;  // chosen on the form, "" to keep the stored one
        const char* why;
    };
    const Case cases[] = {
        {"2", "", "for trade buyers"},
        {"2", "PARTICULIERS", "at SUD, whose fee is 0"},
        {"3", "", "already has its fixed cost"},
    };
    for (const Case& c : cases) {
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
        openCosts(c.vehicle);
        if (*c.destination) {
            auto* destination = get<QComboBox>(QStringLiteral("cDestination"));
            destination->setCurrentIndex(destination->findText(QLatin1String(c.destination)));
            ASSERT_EQ(text(QStringLiteral("cDestination")), c.destination);
        }
        EXPECT_EQ(frevo().TestFraisFixes(), QString()) << c.why;
    }
}
