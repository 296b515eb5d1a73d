// Duplicates caught before they are stored, on the main form against the
// data service: a vehicle whose stock number or registration another vehicle
// carries, a new customer like a stored one, each asked about with the
// choice to save anyway, open the stored record instead, or go back; and the
// counts beside a new customer's fields, shown as soon as a field is left.
#include "SavingFixture.h"

#include "toolkit/WinColor.h"

using namespace e2e;
using platform::Choice;

namespace {

class DuplicatesE2e : public SavingE2e {
protected:
    // A used vehicle being created with its mandatory fields, its number and registration.
    app::TAxStanor& newVehicle(const char* number, const char* plate)
    {
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
        auto& f = openVehicle("1", 1);
        activate();
        f.JvXPBtnNewVOClick();
        type("cNVO", QLatin1String(number));
        pickFirst(get<toolkit::ComboBox>("cSite"));
        pickFirst(get<toolkit::ComboBox>("cInfoMarque"));
        type("cImmatriculation", QLatin1String(plate));
        return f;
    }
};

}  // namespace

TEST_F(DuplicatesE2e, AVehicleLikeAnotherOfTheDealershipIsAskedAbout)
{
    const QString vehicle1 = QString::fromUtf8("VO-Nd-1201 · AB123CD · RENAULT CLIO · site NORD (%1)");
    struct Case {
        const char* what;
        const char *number, *plate;
        int answer;  // the button pressed: 0 save anyway, 1 open the other one, 2 cancel; -1 nothing asked
        QString listed;
        bool stored;
    } cases[] = {
        {"its stock number, gone back to", "1201", "ZZ001AA", 2, vehicle1.arg(QString::fromUtf8("même n° de stock")), false},
        {"its registration, the other opened", "1297", "ab123cd", 1, vehicle1.arg(QString::fromUtf8("même immatriculation")),
         false},
        {"both, saved anyway", "1201", "AB123CD", 0,
         vehicle1.arg(QString::fromUtf8("même n° de stock, même immatriculation")), true},
        {"none", "1298", "ZZ002AA", -1, {}, true},
    };
    for (const Case& c : cases) {
        auto& f = newVehicle(c.number, c.plate);
        const int before = count(QStringLiteral("SELECT count(*) FROM tVehicles WHERE NVO=%1").arg(QLatin1String(c.number)));
        if (c.answer >= 0) run->dialogs.choices.push_back(Choice{c.answer, 0});
        f.SaveChanges();
        QApplication::processEvents();  // the record chosen opens once the save has returned
        ASSERT_EQ(run->dialogs.asked.size(), c.answer >= 0 ? 1u : 0u) << c.what;
        if (c.answer >= 0) {
            EXPECT_EQ(run->dialogs.asked[0].caption, QString::fromUtf8("Véhicule en double")) << c.what;
            EXPECT_EQ(run->dialogs.asked[0].items, QStringList{c.listed}) << c.what;
            EXPECT_EQ(run->dialogs.asked[0].buttons.value(1), QStringLiteral("Ouvrir ce véhicule")) << c.what;
        }
        EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM tVehicles WHERE NVO=%1").arg(QLatin1String(c.number))),
                  before + (c.stored ? 1 : 0))
            << c.what;
        if (c.answer == 1) {
            EXPECT_EQ(f.IdTVO(), QStringLiteral("1")) << c.what;  // the other vehicle instead
            EXPECT_FALSE(state().FlagNewEnreg) << c.what;
        } else if (c.answer == 2) {
            // Back to the vehicle being typed, nothing lost.
            EXPECT_TRUE(state().FlagNewEnreg) << c.what;
            EXPECT_EQ(text("cImmatriculation"), QLatin1String(c.plate)) << c.what;
        }
    }

    // A stored vehicle is asked about only when its number or registration changes.
    run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
    auto& f = openVehicle("2", 1);
    type("cKMS", "43000");
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_TRUE(run->dialogs.asked.empty());
    type("cImmatriculation", "IJ789KL");  // vehicle 3's
    run->dialogs.choices.push_back(Choice{2, 0});
    f.SaveChanges();
    ASSERT_EQ(run->dialogs.asked.size(), 1u);
    EXPECT_TRUE(run->dialogs.asked[0].items.value(0).startsWith(QStringLiteral("VO-Nd-1203"))) << run->dialogs.asked[0].items.value(0).toStdString();
    EXPECT_EQ(row("SELECT Immatriculation FROM tVehicles WHERE idTVO=2"), QStringLiteral("EF456GH"));
}

TEST_F(DuplicatesE2e, ANewCustomerLikeStoredOnesIsAskedAboutAndItsCountsShowOnLeavingAField)
{
    auto& f = openCustomer("1");
    activate();
    const auto newCustomer = [&](const char* name, const char* first, const char* mobile) {
        f.JvXPBtnNewVOClick();
        pickFirst(get<toolkit::ComboBox>("aSite"));
        pickFirst(get<toolkit::ComboBox>("aidCom"));
        type("aCliNom", QLatin1String(name));
        leave("aCliNom");
        type("aCliPrenom", QLatin1String(first));
        leave("aCliPrenom");
        type("aCliMobile", QLatin1String(mobile));
        leave("aCliMobile");
    };
    newCustomer("dupont", "jean", "0699887766");
    // Shown as soon as each field is left, no double-click needed; a duplicate stands out.
    const std::tuple<const char*, const char*, bool> counts[] = {
        {"DblNom", "1", true}, {"DblIdent", "1", true}, {"DblMobile", "0", false}};
    for (const auto& [indicator, shown, found] : counts) {
        auto* e = get<toolkit::Edit>(QLatin1String(indicator));
        EXPECT_FALSE(e->isHidden()) << indicator;
        EXPECT_EQ(e->text(), QLatin1String(shown)) << indicator;
        EXPECT_EQ(e->font().bold(), found) << indicator;
        EXPECT_EQ(e->backColor() != 0xEBEBEB, found) << indicator;
    }

    const int before = count("SELECT count(*) FROM tClients");
    run->dialogs.choices.push_back(Choice{1, 0});  // open the stored one instead
    f.SaveChanges();
    QApplication::processEvents();
    ASSERT_EQ(run->dialogs.asked.size(), 1u);
    EXPECT_EQ(run->dialogs.asked[0].caption, QStringLiteral("Client en double"));
    EXPECT_EQ(run->dialogs.asked[0].items, QStringList{QString::fromUtf8("DUPONT Jean · LILLE · 06.12.34.56.78")});
    EXPECT_EQ(f.IdClient(), QStringLiteral("1"));
    EXPECT_EQ(text("aCliPrenom"), QStringLiteral("Jean"));
    EXPECT_EQ(count("SELECT count(*) FROM tClients"), before);

    // The same mobile as a stored customer, saved anyway: stored, and not asked again.
    newCustomer("DURAND", "Zoé", "0612345678");
    run->dialogs.choices.push_back(Choice{0, 0});
    EXPECT_TRUE(f.SaveChanges());
    ASSERT_EQ(run->dialogs.asked.size(), 2u);
    EXPECT_EQ(count("SELECT count(*) FROM tClients"), before + 1);
    EXPECT_NE(f.IdClient(), QStringLiteral("-1"));
    type("aCliTelDom", "0320000000");
    EXPECT_TRUE(f.SaveChanges());
    EXPECT_EQ(run->dialogs.asked.size(), 2u);  // a stored customer is not asked about again
}
