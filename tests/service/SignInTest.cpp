// The session of the data-service client: a 401 signs in (the netrc file
// first, then the dialog) and sends the same request once more; the token
// goes to the service's own address only and is written nowhere.
#include "service/DataServiceClient.h"
#include "service/MultipartForm.h"

#include "TestHost.h"
#include "TestServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHttpMultiPart>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stanor::service;
using namespace stanor::service::test;

namespace {

const std::string kPassword = "le-bon-mot-de-passe";

class SignInTest : public ::testing::Test {
protected:
    SignInTest()
    {
        options.pause = [](int) {};
        options.readTimeoutMs = 3000;
        file = dir.filePath(QStringLiteral("XmlVO.xml"));
        host.serviceParams.baseHRef = server.base();
        host.serviceParams.idUser = QStringLiteral("2");
        server.requireSession(kPassword);
        server.answers({"<Answer><NVO>1201</NVO></Answer>"});
    }
    DataServiceClient& client()
    {
        if (!client_)
            client_ = std::make_unique<DataServiceClient>(host, options);
        return *client_;
    }
    QString writeNetrc(const QByteArray& text, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        const QString path = dir.filePath(QStringLiteral("netrc"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        f.setPermissions(permissions);
        return path;
    }
    // The requests the server saw, as "METHOD path [token]".
    std::vector<std::string> seen() const
    {
        std::vector<std::string> out;
        for (const SeenRequest& r : server.seen()) {
            const std::string path = r.target.substr(0, r.target.find('?'));
            const auto auth = r.headers.find("Authorization");
            out.push_back(r.method + " " + path + (auth == r.headers.end() ? "" : " [" + auth->second + "]"));
        }
        return out;
    }
    std::string bearer() const { return " [Bearer " + server.token() + "]"; }

    TestServer server;
    TestHost host;
    ClientOptions options;
    QTemporaryDir dir;
    QString file;
    std::unique_ptr<DataServiceClient> client_;
};

}  // namespace

TEST_F(SignInTest, AnsweredWithoutASessionItSignsInAndSendsTheSameRequestAgain)
{
    const QByteArray rightNetrc = "machine 127.0.0.1 login 2 password " + QByteArray(kPassword.c_str()) + "\n";
    const struct {
        const char* what;
        QByteArray netrc;  // "" for none
        bool othersMayRead;
        std::vector<std::optional<QString>> typed;  // the dialog's answers
        std::vector<QString> promptMessages;      // what each dialog said
        bool loaded;
    } cases[] = {
        {"netrc file", rightNetrc, false, {}, {}, true},
        {"netrc of another login, then the dialog", "machine 127.0.0.1 login 3 password " + QByteArray(kPassword.c_str()),
         false, {QString::fromStdString(kPassword)}, {""}, true},
        {"no netrc file, the dialog", "", false, {QString::fromStdString(kPassword)}, {""}, true},
        {"netrc password refused, then the dialog", "machine 127.0.0.1 login 2 password ancien-mot-de-passe\n", false,
         {QString::fromStdString(kPassword)},
         {"Le mot de passe du fichier netrc est refusé (Identifiant ou mot de passe incorrect)"}, true},
        {"a typing error, then the right one", "", false, {QStringLiteral("le-bon-mot-de-pase"), QString::fromStdString(kPassword)},
         {"", "Identifiant ou mot de passe incorrect"}, true},
        {"a netrc file others may read", rightNetrc, true, {std::nullopt}, {"*lisible par d'autres*"}, false},
        {"Cancel", "", false, {std::nullopt}, {""}, false},
    };
    for (const auto& c : cases) {
        server.endSession();
        client_.reset();
        host = TestHost();
        host.serviceParams.baseHRef = server.base();
        host.serviceParams.idUser = QStringLiteral("2");
        host.name = QStringLiteral("Paul Durand");
        QFile::remove(dir.filePath(QStringLiteral("netrc")));
        if (!c.netrc.isEmpty())
            host.netrc = writeNetrc(c.netrc, c.othersMayRead ? QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther
                                                            : QFile::ReadOwner | QFile::WriteOwner);
        host.passwords.assign(c.typed.begin(), c.typed.end());
        {
            QFile old(file);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
            old.write("<Answer>ancienne</Answer>");
        }
        const size_t before = server.seen().size();
        client().HttpExecute(server.base() + QStringLiteral("AxInfoVO?idTVO=1"), file);

        ASSERT_EQ(host.prompts.size(), c.promptMessages.size()) << c.what;
        for (size_t i = 0; i < host.prompts.size(); ++i) {
            EXPECT_EQ(host.prompts[i].user, QStringLiteral("Paul Durand (utilisateur n° 2)")) << c.what;
            const QString expected = c.promptMessages[i];
            if (expected.startsWith(u'*')) {
                EXPECT_TRUE(host.prompts[i].message.contains(expected.mid(1, expected.size() - 2)))
                    << c.what << ": " << host.prompts[i].message.toStdString();
            } else {
                EXPECT_EQ(host.prompts[i].message, expected) << c.what;
            }
        }
        const std::vector<std::string> all = seen();
        const std::vector<std::string> requests(all.begin() + long(before), all.end());
        ASSERT_GE(requests.size(), 1u) << c.what;
        EXPECT_EQ(requests.front(), "GET /AxInfoVO") << c.what << ": the first goes without a session";
        if (c.loaded) {
            EXPECT_EQ(requests.back(), "GET /AxInfoVO" + bearer()) << c.what << ": the same request, signed in";
            EXPECT_EQ(host.error, QString()) << c.what;
            QFile answer(file);
            answer.open(QIODevice::ReadOnly);
            EXPECT_EQ(answer.readAll(), "<Answer><NVO>1201</NVO></Answer>") << c.what;
            EXPECT_TRUE(client().SignedIn()) << c.what;
        } else {
            EXPECT_EQ(requests, std::vector<std::string>{"GET /AxInfoVO"}) << c.what;
            EXPECT_TRUE(host.error.startsWith(QStringLiteral("Échec de la requête : Connexion au service de données annulée")))
                << c.what << ": " << host.error.toStdString();
            QFile answer(file);
            answer.open(QIODevice::ReadOnly);
            EXPECT_EQ(answer.readAll(), "<Answer>ancienne</Answer>") << c.what << ": the old answer stays";
            // The requests of the same command ask no more; a new command asks again.
            const size_t prompts = host.prompts.size();
            client().HttpExecute(server.base() + QStringLiteral("AxInfoCL?idClient=1"), file);
            EXPECT_EQ(host.prompts.size(), prompts) << c.what;
            client().AllowSignInAgain();
            client().HttpExecute(server.base() + QStringLiteral("AxInfoCL?idClient=1"), file);
            EXPECT_EQ(host.prompts.size(), prompts + 1) << c.what;
        }
    }
}

TEST_F(SignInTest, AnEndedSessionIsOpenedAgainAndAFormIsSentWhole)
{
    host.netrc = writeNetrc("machine 127.0.0.1 login 2 password " + QByteArray(kPassword.c_str()) + "\n");
    client().HttpExecute(server.base() + QStringLiteral("AxInfoVO?idTVO=1"), file);
    ASSERT_TRUE(client().SignedIn());
    // The session ends (12 hours, or the user's access ended and was given back):
    // a photo upload meets the refusal, signs in and goes again, every part of it.
    server.endSession();
    MultipartForm form;
    form.addText(QStringLiteral("NFImage"), QStringLiteral("V0001002-07"));
    form.addFileBytes(QStringLiteral("File"), QStringLiteral("V0001002-07.jpg"), QByteArray(50000, 'j'));
    const size_t before = server.seen().size();
    client().HttpPost(server.base() + QStringLiteral("AxInsert"), dir.filePath(QStringLiteral("XmlAXInsert.xml")),
                      form.release());
    EXPECT_EQ(host.error, QString());
    const std::vector<SeenRequest> all = server.seen();
    ASSERT_EQ(all.size() - before, 3u);
    EXPECT_EQ(all[before].formFields, (std::vector<std::string>{"File", "NFImage"}));
    EXPECT_EQ(all[before + 1].target, "/AxLogin");
    EXPECT_EQ(all[before + 2].formFields, all[before].formFields);
    EXPECT_EQ(all[before + 2].body.size(), all[before].body.size());
    EXPECT_EQ(seen().back(), "POST /AxInsert" + bearer());
    EXPECT_TRUE(host.prompts.empty());
}

TEST_F(SignInTest, TheTokenGoesToTheServicesOwnAddressOnly)
{
    host.netrc = writeNetrc("machine 127.0.0.1 login 2 password " + QByteArray(kPassword.c_str()) + "\n");
    client().HttpExecute(server.base() + QStringLiteral("AxInfoVO?idTVO=1"), file);
    ASSERT_TRUE(client().SignedIn());
    TestServer website;  // a public website named in "URLImages", or anything else
    website.answers({"photo"});
    const struct {
        const char* what;
        QString url;
        TestServer* receiver;
        bool withToken;
    } cases[] = {
        {"the service's photos", server.base() + QStringLiteral("images/V0001001-01.jpg"), &server, true},
        {"the service, scheme in capitals",
         QStringLiteral("HTTP://127.0.0.1:%1/images/a.jpg").arg(server.port()), &server, true},
        {"another port of the same host", website.base() + QStringLiteral("images/V0001001-01.jpg"), &website, false},
        {"the same port under another host name", QStringLiteral("http://localhost:%1/images/a.jpg").arg(server.port()),
         &server, false},
    };
    for (const auto& c : cases) {
        const size_t before = c.receiver->seen().size();
        client().DownloadPhoto(c.url);
        const std::vector<SeenRequest> got = c.receiver->seen();
        ASSERT_EQ(got.size(), before + 1) << c.what;
        EXPECT_EQ(got.back().headers.count("Authorization"), c.withToken ? 1u : 0u) << c.what;
    }
    // Another user named by the launcher: the session of the first one goes with nothing.
    host.serviceParams.idUser = QStringLiteral("3");
    host.netrc = writeNetrc("machine 127.0.0.1 login 3 password " + QByteArray(kPassword.c_str()) + "\n");
    const size_t before = server.seen().size();
    client().HttpExecute(server.base() + QStringLiteral("AxInfoVO?idTVO=1"), file);
    const std::vector<std::string> requests = seen();
    EXPECT_EQ(std::vector<std::string>(requests.begin() + long(before), requests.end()),
              (std::vector<std::string>{"GET /AxInfoVO", "POST /AxLogin", "GET /AxInfoVO" + bearer()}));
}

TEST_F(SignInTest, ThePasswordAndTheTokenAreWrittenNowhere)
{
    host.serviceParams.traceDir = dir.path();
    host.passwords = {QString::fromStdString(kPassword)};
    client().HttpExecute(server.base() + QStringLiteral("AxInfoVO?idTVO=1"), file);
    client().HttpPost(server.base() + QStringLiteral("AxInsert"), dir.filePath(QStringLiteral("XmlAXInsert.xml")),
                      MultipartForm().release());
    ASSERT_TRUE(client().SignedIn());
    const QByteArray token = QByteArray::fromStdString(server.token());
    EXPECT_FALSE(host.trace.join(u'\n').contains(QString::fromLatin1(token)));
    EXPECT_FALSE(host.trace.join(u'\n').contains(QString::fromStdString(kPassword)));
    EXPECT_TRUE(host.traced(QStringLiteral("Connexion au service de données : session ouverte")).size() == 1);
    QDirIterator files(dir.path(), QDir::Files, QDirIterator::Subdirectories);
    int read = 0;
    while (files.hasNext()) {
        QFile f(files.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_FALSE(bytes.contains(token)) << f.fileName().toStdString();
        EXPECT_FALSE(bytes.contains(kPassword.c_str())) << f.fileName().toStdString();
        ++read;
    }
    EXPECT_GE(read, 2);
    // The password travels in the body of the sign-in, never in an address.
    for (const SeenRequest& r : server.seen())
        EXPECT_EQ(r.target.find(kPassword), std::string::npos) << r.target;
}
