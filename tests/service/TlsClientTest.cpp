// The client over HTTPS: a server whose certificate comes from an authority the
// test makes is reached when that authority is named, and every certificate
// that must not be believed ends the request before anything is sent, with a
// message naming the host.
#include "service/DataServiceClient.h"
#include "service/MultipartForm.h"

#include "TestCertificates.h"
#include "TestHost.h"
#include "TestServer.h"

#include <QFile>
#include <QHttpMultiPart>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stanor::service;
using namespace stanor::service::test;

namespace {

class TlsClient : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        const std::string root = dir_->path().toStdString();
        authority_ = new stanor::test::TestAuthority(root + "/group");
        stranger_ = new stanor::test::TestAuthority(root + "/stranger", "Autorite inconnue");
    }
    static void TearDownTestSuite()
    {
        delete stranger_;
        delete authority_;
        delete dir_;
    }

    QString authority() const { return QString::fromStdString(authority_->certFile()); }

    static QTemporaryDir* dir_;
    static stanor::test::TestAuthority* authority_;
    static stanor::test::TestAuthority* stranger_;
    TestHost host;
    QTemporaryDir out;
};
QTemporaryDir* TlsClient::dir_ = nullptr;
stanor::test::TestAuthority* TlsClient::authority_ = nullptr;
stanor::test::TestAuthority* TlsClient::stranger_ = nullptr;

}  // namespace

TEST_F(TlsClient, OnlyACertificateOfABelievedAuthorityForTheHostAndDateIsAccepted)
{
    const auto good = authority_->issue("good", {"127.0.0.1", "localhost"});
    struct Row {
        const char* what;
        stanor::test::CertificateFiles served;  // none: the server speaks plain HTTP
        QString authorityFile;
        QString says;  // empty: the answer is stored
    } rows[] = {
        {"the group's authority", good, authority(), ""},
        {"another host's certificate", authority_->issue("other", {"autre.exemple"}), authority(),
         "son certificat est établi pour un autre nom (autre.exemple)"},
        {"expired", authority_->issue("expired", {"127.0.0.1"}, -60, -2), authority(), "son certificat a expiré le"},
        {"not valid yet", authority_->issue("early", {"127.0.0.1"}, 3, 60), authority(),
         "n'est valable qu'à partir du"},
        {"an unknown authority", stranger_->issue("stranger", {"127.0.0.1"}), authority(),
         "signé par aucune autorité reconnue"},
        {"the group's authority not named", good, "", "signé par aucune autorité reconnue"},
        {"authority file missing", good, out.filePath("absent.crt"), "introuvable ou illisible"},
        {"authority file that is no certificate", good, out.filePath("XmlVO.xml"), "aucun certificat"},
        {"plain HTTP behind https", {}, authority(), "le serveur parle-t-il TLS"},
    };
    QFile notCertificate(out.filePath("XmlVO.xml"));
    ASSERT_TRUE(notCertificate.open(QIODevice::WriteOnly));
    notCertificate.write("<Answer>avant</Answer>");
    notCertificate.close();
    for (const Row& r : rows) {
        TestServer server(r.served.cert, r.served.key);
        server.answers({"<Answer>ok</Answer>"});
        DataServiceClient client(host);
        client.SetTlsAuthority(r.authorityFile);
        QString url = server.base() + QStringLiteral("AxQuery?SQL=x");
        url.replace(QStringLiteral("http://"), QStringLiteral("https://"));
        const QString file = out.filePath(QStringLiteral("answer.xml"));
        QFile::remove(file);
        client.HttpExecute(url, file);
        if (r.says.isEmpty()) {
            EXPECT_EQ(host.error, QString()) << r.what;
            EXPECT_TRUE(QFile::exists(file)) << r.what;
            continue;
        }
        EXPECT_TRUE(host.error.startsWith(QStringLiteral("Échec de la requête : "))) << r.what << ": " << host.error.toStdString();
        EXPECT_TRUE(host.error.contains(r.says)) << r.what << ": " << host.error.toStdString();
        EXPECT_TRUE(host.error.contains(QStringLiteral("127.0.0.1"))) << r.what << ": the host is named";
        EXPECT_TRUE(host.panelWarning) << r.what;
        EXPECT_FALSE(QFile::exists(file)) << r.what;
        EXPECT_TRUE(server.seen().empty()) << r.what << ": nothing may reach a server that is not believed";
    }
}

TEST_F(TlsClient, PhotosAndUploadsGoThroughTheSameChecks)
{
    const auto other = authority_->issue("photos", {"autre.exemple"});
    TestServer server(other.cert, other.key);
    DataServiceClient client(host);
    client.SetTlsAuthority(authority());
    struct Row {
        const char* what;
        std::function<HttpResult()> send;
    } rows[] = {
        {"photo download", [&] { return client.DownloadPhoto(server.base() + QStringLiteral("images/V0000001-01.jpg")); }},
        {"form posted", [&] {
             auto form = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
             return client.PostForm(server.base() + QStringLiteral("AxInsert"), std::move(form));
         }},
    };
    for (const Row& r : rows) {
        const HttpResult result = r.send();
        EXPECT_FALSE(result.ok) << r.what;
        EXPECT_TRUE(result.error.contains(QStringLiteral("« 127.0.0.1 » refusée"))) << r.what << ": " << result.error.toStdString();
    }
    EXPECT_TRUE(server.seen().empty());
}
