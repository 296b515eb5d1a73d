// The client and the data service over TLS, the service's certificate from an
// authority the test makes: refused with the host named in the warning panel
// while another authority is named, read and saved once the right one is.
#include "EditingFixture.h"
#include "TestCertificates.h"

using namespace e2e;

namespace {

class TlsE2e : public EditingE2e {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        const std::string root = tmp.path().toStdString();
        authority = std::make_unique<test::TestAuthority>(root + "/ca");
        const test::CertificateFiles files = authority->issue("service", {"127.0.0.1"});
        service = std::make_unique<RunningService>(tmp.path(), std::function<void(const std::string&)>{},
                                                   serverDate(), [&](dataservice::ServiceOptions& o) {
                                                       o.tlsCert = files.cert;
                                                       o.tlsKey = files.key;
                                                   });
    }
    // A form whose run parameters name `base` and the authority file.
    void startClient(const QString& name, const QString& base, const std::string& authorityFile)
    {
        run = std::make_unique<FormRun>(tmp.filePath(name), base);
        run->set("TlsAuthorityFile", QString::fromStdString(authorityFile));
    }

    std::unique_ptr<test::TestAuthority> authority;
};

}  // namespace

TEST_F(TlsE2e, ARecordIsRefusedUntilItsAuthorityIsBelievedThenReadAndSavedOverTls)
{
    ASSERT_TRUE(service->baseHRef().startsWith(QStringLiteral("https://")));
    const test::TestAuthority stranger(tmp.filePath(QStringLiteral("stranger")).toStdString(), "Autorite inconnue");
    startClient(QStringLiteral("client"), service->baseHRef(), stranger.certFile());
    auto& f = openVehicle("1", 1);
    EXPECT_TRUE(f.LbDebugInfo0->text().contains(QStringLiteral(
        "Connexion sécurisée à « 127.0.0.1 » refusée : son certificat n'est signé par aucune autorité reconnue")))
        << f.LbDebugInfo0->text().toStdString();
    EXPECT_TRUE(f.PanelWarning->isVisibleTo(&f));
    EXPECT_FALSE(state().RecordLoaded);

    run->reload({{"TlsAuthorityFile", QString::fromStdString(authority->certFile())}});
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_EQ(text(QStringLiteral("cNVO")), QStringLiteral("1201"));
    type(QStringLiteral("cKMS"), QStringLiteral("91234"));
    send(1);
    EXPECT_EQ(row(QStringLiteral("SELECT KMS FROM tVehicles WHERE idTVO=1")), QStringLiteral("91234"));
}
