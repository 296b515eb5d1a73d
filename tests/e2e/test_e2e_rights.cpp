// The rights of the data service agree with the sheets: for each demo user,
// every field that a sheet of a demo record lets that user change, changed at
// once, is stored by the service; a record of another dealership is not
// shown at all.
#include "EditingFixture.h"
#include "rules/NewVehicleDates.h"

using namespace e2e;

namespace {

// A changed value of the field's type that its column stores on both stores.
QString ChangedValue(const pages::TsDesc& d)
{
    switch (d.DataType) {
    case pages::DataType::Date: return d.CurrentValue == QLatin1String("01/12/2026") ? "02/12/2026" : "01/12/2026";
    case pages::DataType::Boolean: return d.CurrentValue == QLatin1String("True") ? "False" : "True";
    case pages::DataType::Integer: return d.CurrentValue == QLatin1String("7") ? "8" : "7";
    case pages::DataType::Decimal: return d.CurrentValue == QLatin1String("12.50") ? "13.50" : "12.50";
    // Digits: some text fields of the sheets are number columns (TypeVO of a customer's vehicle).
    default: return d.CurrentValue == QLatin1String("7") ? "8" : "7";
    }
}

}  // namespace

class RightsE2e : public EditingE2e {
protected:
    // Changes every field of the page whose control the sheet shows enabled,
    // and sends the page's statement; the columns it sent.
    QStringList changeWhatTheSheetAllows(int page)
    {
        QStringList changed;
        pages::TsPage& p = state().pages[size_t(page)];
        if (!p.Described || !p.Filled)
            return changed;
        for (pages::TsDesc& d : p.Fields) {
            if (!d.Control || !d.Visible || !d.Control->isEnabled() || d.Width == 0)
                continue;
            // The site and the salesperson stay: a record moved to a site that is not
            // the user's is refused (the table of the rights tests), and the next user
            // must still reach it; a salesperson once chosen is the super-administrators'.
            if (d.FieldName == QLatin1String("Site") || d.FieldName == QLatin1String("idCom"))
                continue;
            d.CurrentValue = ChangedValue(d);
            changed << d.FieldName;
        }
        // The balance follows the amounts, as the sheet's handlers recompute it on each change.
        auto value = [&](const char* name) {
            for (const pages::TsDesc& d : p.Fields)
                if (d.FieldName == QLatin1String(name))
                    return d.CurrentValue;
            return QString();
        };
        for (pages::TsDesc& d : p.Fields)
            if (d.FieldName == QLatin1String("Solde"))
                d.CurrentValue = rules::UpdateSoldeVN(value("PrixVente"), value("VFinancement"), value("ReprPrix"),
                                                      value("MontantAcompte"));
        form().Editing().updates().TestPageUpdate(page);
        if (pending(page).pending())
            send(page);
        return changed;
    }
};

TEST_F(RightsE2e, EveryFieldTheSheetsLetAUserChangeIsStored)
{
    const struct {
        const char* user;
        const char* vehicle;  // idTVO, or nullptr for the customer
        int idTypeVO;
        const char* customer;
    } records[] = {
        {"1", "1", 1, nullptr}, {"1", "4", 3, nullptr}, {"1", "6", 2, nullptr}, {"1", nullptr, 1, "1"},
        {"2", "1", 1, nullptr}, {"2", "2", 1, nullptr}, {"2", "4", 3, nullptr}, {"2", "6", 2, nullptr},
        {"2", nullptr, 1, "1"}, {"2", nullptr, 1, "2"},
        {"3", "1", 1, nullptr}, {"3", "3", 1, nullptr}, {"3", "6", 2, nullptr}, {"3", nullptr, 1, "1"},
        {"9999", "2", 1, nullptr}, {"9999", "5", 3, nullptr}, {"9999", nullptr, 1, "2"},
        {"5", "8", 1, nullptr}, {"5", nullptr, 1, "9"},
    };
    for (const auto& r : records) {
        SCOPED_TRACE(std::string("user ") + r.user + (r.vehicle ? " vehicle " : " customer ") +
                     (r.vehicle ? r.vehicle : r.customer));
        run->set("idUser", QString::fromLatin1(r.user));
        // The reference lists and descriptions of the user's dealership, not those kept for the last user.
        for (const QString& cached : {QStringLiteral("XmlEquip.xml"), QStringLiteral("XmlStruct.xml")})
            QFile::remove(run->traceDir + u'/' + cached);
        if (r.vehicle)
            openVehicle(r.vehicle, r.idTypeVO);
        else
            openCustomer(r.customer);
        ASSERT_EQ(form().LbDebugInfo0->text(), QString());
        for (int page = 1; page <= 9; ++page)
            changeWhatTheSheetAllows(page);
        run->form.reset();
    }
}

TEST_F(RightsE2e, ARecordOfAnotherDealershipIsNotShown)
{
    run->set("idUser", QStringLiteral("2"));
    openVehicle("8", 1);
    EXPECT_TRUE(form().LbDebugInfo0->text().contains(QStringLiteral("n'existe pas")))
        << form().LbDebugInfo0->text().toStdString();
    run->form.reset();
    openCustomer("9");
    EXPECT_TRUE(form().LbDebugInfo0->text().contains(QStringLiteral("n'existe pas")))
        << form().LbDebugInfo0->text().toStdString();
}
