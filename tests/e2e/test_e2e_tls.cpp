// The client and the data service over TLS, the service's certificate from an
// authority the test makes and the client told to believe it: a record read
// and saved, and the certificates the client must refuse, each named in the
// warning panel with nothing loaded.
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

TEST_F(TlsE2e, ARecordIsReadAndSavedOverTls)
{
    ASSERT_TRUE(service->baseHRef().startsWith(QStringLiteral("https://")));
    startClient(QStringLiteral("client"), service->baseHRef(), authority->certFile());
    auto& f = openVehicle("1", 1);
    EXPECT_EQ(f.LbDebugInfo0->text(), QString());
    EXPECT_EQ(text(QStringLiteral("cNVO")), QStringLiteral("1201"));
    type(QStringLiteral("cKMS"), QStringLiteral("91234"));
    send(1);
    EXPECT_EQ(row(QStringLiteral("SELECT KMS FROM tVehicles WHERE idTVO=1")), QStringLiteral("91234"));
}

TEST_F(TlsE2e, CertificatesThatCannotBeBelievedLoadNothingAndNameTheHost)
{
    const test::TestAuthority stranger(tmp.filePath(QStringLiteral("stranger")).toStdString(), "Autorite inconnue");
    const QString port = QString::number(service->port);
    struct Row {
        const char* what;
        QString base;
        std::string authorityFile;
        QString says;
    } rows[] = {
        {"another host's name", QStringLiteral("https://localhost:%1/").arg(port), authority->certFile(),
         QStringLiteral("Connexion sécurisée à « localhost » refusée : son certificat est établi pour un autre nom "
                        "(127.0.0.1)")},
        {"an unknown authority", service->baseHRef(), stranger.certFile(),
         QStringLiteral("Connexion sécurisée à « 127.0.0.1 » refusée : son certificat n'est signé par aucune "
                        "autorité reconnue")},
        {"the group's authority not named", service->baseHRef(), std::string(),
         QStringLiteral("n'est signé par aucune autorité reconnue")},
        {"plain HTTP to the TLS service", QStringLiteral("http://127.0.0.1:%1/").arg(port), authority->certFile(),
         QStringLiteral("Le service de données a fermé la connexion sans répondre")},
    };
    int client = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        startClient(QStringLiteral("client%1").arg(++client), r.base, r.authorityFile);
        auto& f = openVehicle("1", 1);
        EXPECT_TRUE(f.LbDebugInfo0->text().contains(r.says)) << f.LbDebugInfo0->text().toStdString();
        EXPECT_TRUE(f.PanelWarning->isVisibleTo(&f));
        EXPECT_FALSE(state().RecordLoaded);
        EXPECT_NE(text(QStringLiteral("cNVO")), QStringLiteral("1201"));
    }
}
