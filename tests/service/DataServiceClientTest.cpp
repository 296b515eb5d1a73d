#include "service/DataServiceClient.h"
#include "service/MultipartForm.h"

#include "TestHost.h"
#include "TestServer.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QHttpMultiPart>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

using namespace stanor::service;
using namespace stanor::service::test;

namespace {

std::string Header(const httplib::Headers& headers, const char* name, size_t id, const char* def)
{
    return httplib::detail::get_header_value(headers, name, id, def);
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class DataServiceClientTest : public ::testing::Test {
protected:
    DataServiceClientTest()
    {
        options.pause = [this](int ms) { pauses.push_back(ms); };
        options.readTimeoutMs = 2000;
        file = dir.filePath("XmlVO.xml");
    }
    DataServiceClient& client()
    {
        if (!client_)
            client_ = std::make_unique<DataServiceClient>(host, options);
        return *client_;
    }
    QString url(const char* rest) const { return server.base() + rest; }

    TestServer server;
    TestHost host;
    ClientOptions options;
    std::vector<int> pauses;
    QTemporaryDir dir;
    QString file;
    std::unique_ptr<DataServiceClient> client_;
};

}  // namespace

TEST_F(DataServiceClientTest, RetriesWhileTheServerAnswersATimeOutMark)
{
    const std::string timeout = "<A><![CDATA[TIMEOUT]]></A>";
    const std::string waitTimeout = "<A>wait_timeout</A><LogItems><LogItem>lent</LogItem></LogItems>";
    const std::string normal = "<A>ok</A>";
    struct Case {
        std::vector<std::string> answers;
        size_t gets;
        std::string file;
        QString error;
    } cases[] = {
        {{timeout, normal}, 2, normal, ""},
        {{waitTimeout, waitTimeout, waitTimeout, waitTimeout, waitTimeout}, 5, waitTimeout,
         QString::fromStdString(waitTimeout) + "lent - "},
        // A normal fifth answer is a success, however many attempts it took.
        {{timeout, timeout, timeout, timeout, normal}, 5, normal, ""},
    };
    for (const Case& c : cases) {
        DataServiceClient fresh(host, options);
        pauses.clear();
        server.answers(c.answers);
        const size_t before = server.seen().size();
        fresh.HttpExecute(url("AxInfoVO?XMLC_OutputFormat=XML"), file);
        EXPECT_EQ(server.seen().size() - before, c.gets);
        EXPECT_EQ(ReadBytes(file).toStdString(), c.file);
        EXPECT_EQ(host.error, c.error);
        EXPECT_EQ(host.panelWarning, !c.error.isEmpty());
        EXPECT_EQ(pauses, std::vector<int>(c.gets - 1, 250));
    }
    // Every attempt sent the same finished address.
    const auto seen = server.seen();
    EXPECT_EQ(seen.front().target, seen.back().target);
}

TEST_F(DataServiceClientTest, FinishesTheAddressAndSendsTheClientHeaders)
{
    server.answers({"<r/>"});
    struct Case { QString customer; const char* sent; } cases[] = {
        {"", "/AxQuery?XMLC_OutputFormat=XML&SQL=select%20a+b%20from%20t%20where%20n='%E9t%E9'%23&idClient="},
        {"17", "/AxQuery?XMLC_OutputFormat=XML&SQL=select%20a+b%20from%20t%20where%20n='%E9t%E9'%23&idClient=17"},
    };
    for (const Case& c : cases) {
        host.customer = c.customer;
        client().HttpExecute(url("AxQuery?XMLC_OutputFormat=XML&SQL=select a+b from t where n='été'#"), file);
        const SeenRequest sent = server.seen().back();
        EXPECT_EQ(sent.target, c.sent);
        EXPECT_EQ(host.error, "");
    }
    const SeenRequest sent = server.seen().back();
    EXPECT_EQ(Header(sent.headers, "Accept", 0, ""), "text/html, */*");
    EXPECT_EQ(Header(sent.headers, "User-Agent", 0, ""),
              "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(Header(sent.headers, "Content-Type", 0, ""), "text/html");
    // Offered compression, the data service would spend more time on it than
    // on the answer itself.
    EXPECT_EQ(Header(sent.headers, "Accept-Encoding", 0, ""), "identity");
    ASSERT_FALSE(host.traced("HttpExecute : ").isEmpty());
    EXPECT_EQ(host.traced("HttpExecute : ").back(),
              "HttpExecute : " + url("AxQuery?XMLC_OutputFormat=XML&SQL=select%20a+b%20from%20t%20where%20n='été'%23&idClient=17") +
                  " -> " + file);
}

TEST_F(DataServiceClientTest, StoresLatin1AnswersAndShowsTheirErrorItems)
{
    const std::string failed = "<?xml version=\"1.0\" encoding=\"iso-8859-15\"?><LogItems>"
                               "<LogItem>Cl\xe9 absente</LogItem><LogItem>B</LogItem></LogItems>";
    server.answers({failed, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xe9</r>"});
    client().HttpExecute(url("AxUpdate?XMLC_OutputFormat=XML"), file);
    EXPECT_EQ(ReadBytes(file),
              "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><LogItems>"
              "<LogItem>Cl\xe9 absente</LogItem><LogItem>B</LogItem></LogItems>");
    EXPECT_EQ(host.error, QString::fromUtf8("Clé absente - B - "));
    EXPECT_TRUE(host.panelWarning);

    client().HttpExecute(url("AxUpdate?XMLC_OutputFormat=XML"), file);
    EXPECT_EQ(ReadBytes(file), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xe9</r>");
    EXPECT_EQ(host.error, "");
    EXPECT_FALSE(host.panelWarning);
}

TEST_F(DataServiceClientTest, TransportFailuresKeepTheOldAnswerFile)
{
    options.readTimeoutMs = 150;
    // A port that nobody listens on: bound, then closed again.
    int closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    // What the user reads first, in French; the network library's text follows
    // on the second line for support.
    struct Case {
        const char* name;
        std::function<void()> script;
        QString address;
        QString firstLine;
        QString secondLine;  // part of it
    } cases[] = {
        {"refused", [] {}, QStringLiteral("http://127.0.0.1:%1/AxInfoVO?x=1").arg(closedPort),
         "Le service de données ne répond pas (connexion refusée)", "refused"},
        {"status", [&] { server.handle([](const httplib::Request&, httplib::Response& res) {
             res.status = 500; res.set_content("<LogItems><LogItem>x</LogItem></LogItems>", "text/xml"); }); },
         url("AxInfoVO?x=1"), "Le service de données a répondu par l'erreur HTTP 500 (erreur interne du service)",
         "HTTP/1.1 500 Internal Server Error"},
        {"missing", [&] { server.handle([](const httplib::Request&, httplib::Response& res) { res.status = 404; }); },
         url("AxInfoVO?x=1"), "Le service de données a répondu par l'erreur HTTP 404 (adresse introuvable)",
         "HTTP/1.1 404 Not Found"},
        {"authentication", [&] { server.handle([](const httplib::Request&, httplib::Response& res) {
             res.status = 401; res.set_header("WWW-Authenticate", "Basic realm=\"ax\""); }); },
         url("AxInfoVO?x=1"), "Le service de données a répondu par l'erreur HTTP 401 (authentification demandée)",
         "HTTP/1.1 401 Unauthorized"},
        {"silent", [&] { server.handle([&](const httplib::Request&, httplib::Response&) {
             server.waitForRelease(); }); },
         url("AxInfoVO?x=1"), "Le service de données ne répond pas (aucune réponse en 150 ms)", ""},
    };
    for (const Case& c : cases) {
        c.script();
        WriteBytes(file, "old answer");
        host.trace.clear();
        client().HttpExecute(c.address, file);
        const QStringList lines = host.error.split(u'\n');
        EXPECT_EQ(lines[0], "Échec de la requête : " + c.firstLine) << c.name;
        EXPECT_TRUE(c.secondLine.isEmpty() ? lines.size() == 1 : lines.value(1).contains(c.secondLine))
            << c.name << ": " << host.error.toStdString();
        EXPECT_TRUE(host.panelWarning) << c.name;
        EXPECT_EQ(ReadBytes(file), "old answer") << c.name;
        ASSERT_EQ(host.traced("HttpExecute Exception : ").size(), 1) << c.name;
        EXPECT_EQ(host.traced("HttpExecute Exception : ").front().mid(24), host.error.mid(22)) << c.name;
        if (std::string(c.name) == "authentication") {
            // Asked for credentials, the client gives none and only traces.
            EXPECT_EQ(host.traced("on IdHTTP1"),
                      (QStringList{"on IdHTTP1SelectAuthorization", "on IdHTTP1Authorization"}));
        }
    }
    server.release();
}

TEST_F(DataServiceClientTest, CachedAnswersAreReusedForTwelveHoursUnlessCtrlIsHeld)
{
    stanor::platform::ManualClock clock;
    options.clock = &clock;
    server.answers({"<new/>"});
    const QDateTime written = QDateTime::currentDateTime().addDays(-3);
    struct Case { const char* name; qint64 ageHours; bool ctrl; bool exists; bool sent; } cases[] = {
        {"11 hours", 11, false, true, false},
        {"13 hours", 13, false, true, true},
        {"Ctrl held", 1, true, true, true},
        {"no file", 1, false, false, true},
    };
    for (const Case& c : cases) {
        QFile::remove(file);
        if (c.exists) {
            WriteBytes(file, "<old/>");
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(written, QFileDevice::FileModificationTime));
        }
        clock.set(written.addSecs(c.ageHours * 3600));
        host.ctrl = c.ctrl;
        const size_t before = server.seen().size();
        client().HttpExecuteCached(url("AxInfoEquip?XMLC_OutputFormat=XML"), file);
        EXPECT_EQ(server.seen().size() - before, c.sent ? 1u : 0u) << c.name;
        EXPECT_EQ(ReadBytes(file), c.sent ? "<new/>" : "<old/>") << c.name;
    }
}

TEST_F(DataServiceClientTest, IdleConnectionIsDroppedAfterFiveMinutesAndCookiesAreResent)
{
    server.handle([](const httplib::Request& req, httplib::Response& res) {
        if (!req.has_header("Cookie"))
            res.set_header("Set-Cookie", "session=abc; Path=/");
        res.set_content("<r/>", "text/xml");
    });
    const QString address = url("AxInfoVO?x=1");
    client().HttpExecute(address, file);
    host.idle = 300;
    client().HttpExecute(address, file);
    EXPECT_EQ(host.idle, 0);
    host.idle = 301;
    client().HttpExecute(address, file);
    EXPECT_EQ(host.idle, 0);

    const auto seen = server.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].remotePort, seen[1].remotePort);  // kept connection reused
    EXPECT_NE(seen[1].remotePort, seen[2].remotePort);  // dropped after 301 idle seconds
    EXPECT_FALSE(seen[0].headers.count("Cookie"));
    EXPECT_EQ(Header(seen[2].headers, "Cookie", 0, ""), "session=abc");
}

namespace {
std::unique_ptr<QHttpMultiPart> PhotoForm()
{
    MultipartForm form;
    form.addText("NFImage", "12.jpg");
    form.addText("SQLExecute", "v");
    return form.release();
}
}  // namespace

TEST_F(DataServiceClientTest, MultipartFormsCarryTextsAndFiles)
{
    const QString photo = dir.filePath("12.jpg");
    WriteBytes(photo, QByteArray("\xff\xd8photo\0\xff\xd9", 10));
    MultipartForm form;
    form.addText("NFImage", QString::fromUtf8("12 é.jpg"));
    form.addText("MAX_FILE_SIZE", "4096000");
    ASSERT_TRUE(form.addFile("File", photo));
    EXPECT_FALSE(form.addFile("File", dir.filePath("absent.jpg")));
    form.addFileBytes("Mini", "12m.jpg", "mini");

    std::map<std::string, std::pair<std::string, std::string>> parts;  // name -> file name, content
    server.handle([&](const httplib::Request& req, httplib::Response& res) {
        for (const auto& [name, part] : req.files)
            parts[name] = {part.filename, part.content};
        res.set_content("<ok/>", "text/xml");
    });
    client().HttpPost(url("AxInsert"), dir.filePath("XmlAXInsert.xml"), form.release());
    EXPECT_EQ(host.error, "");
    EXPECT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts["NFImage"].second, "12 \xe9.jpg");
    EXPECT_EQ(parts["MAX_FILE_SIZE"].second, "4096000");
    EXPECT_EQ(parts["File"], std::make_pair(std::string("12.jpg"), std::string("\xff\xd8photo\0\xff\xd9", 10)));
    EXPECT_EQ(parts["Mini"], std::make_pair(std::string("12m.jpg"), std::string("mini")));

    // A form posted to a gateway gives its answer back and leaves the labels alone.
    host.setRequestError("earlier");
    const HttpResult sent = client().PostForm(url("tools/smssend/smssend.php5"), PhotoForm());
    EXPECT_TRUE(sent.ok);
    EXPECT_EQ(sent.body, "<ok/>");
    const HttpResult failed = client().PostForm("http://127.0.0.1:1/tools", PhotoForm());
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.isEmpty());
    EXPECT_EQ(host.error, "earlier");
}

TEST_F(DataServiceClientTest, MultipartPostStoresTheAnswerAndReportsFailedTransfers)
{
    const QString insertFile = dir.filePath("XmlAXInsert.xml");
    server.answers({"<ok/>", "<LogItems><LogItem>refus</LogItem></LogItems>"});
    host.customer = "5";
    client().HttpPost(url("AxInsert dir#1"), insertFile, PhotoForm());
    SeenRequest sent = server.seen().back();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.target, "/AxInsert%20dir%231");  // no customer id on a POST
    EXPECT_EQ(sent.formFields, (std::vector<std::string>{"NFImage", "SQLExecute"}));
    EXPECT_EQ(ReadBytes(insertFile), "<ok/>");
    EXPECT_EQ(host.error, "");
    EXPECT_EQ(host.traced("HttpPost : ").back(), "HttpPost : " + url("AxInsert%20dir%231") + " -> " + insertFile);

    client().HttpPost(url("AxInsert"), insertFile, PhotoForm());
    EXPECT_EQ(host.error, "refus - ");

    // A failed transfer must not pass for a success.
    client().HttpPost(QStringLiteral("http://127.0.0.1:1/AxInsert"), insertFile, PhotoForm());
    EXPECT_EQ(ReadBytes(insertFile), " - Erreur de transfert sur le serveur ");
    EXPECT_EQ(host.error.section(u'\n', 0, 0),
              "Échec de la requête : Le service de données ne répond pas (connexion refusée) - Erreur de transfert sur le serveur ")
        << host.error.toStdString();
    EXPECT_TRUE(host.panelWarning);
    EXPECT_EQ(host.traced("HttpPost Exception : ").size(), 1);
}

TEST_F(DataServiceClientTest, EventsKeepRunningAndNestedRequestsKeepTheirOwnResults)
{
    // The outer request is held back by the server until the form's timer
    // has run a request of its own in the middle of it.
    const QString outerFile = dir.filePath("XmlVO.xml");
    const QString innerFile = dir.filePath("XmlSInf.xml");
    server.handle([&](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/outer") {
            server.waitForRelease();
            res.set_content("<outer/>", "text/xml");
        } else {
            res.set_content("<LogItems><LogItem>inner</LogItem></LogItems>", "text/xml");
        }
    });
    QTimer timer;
    int ticks = 0;
    QString innerSaw;
    int pendingDuringTick = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks != 3)
            return;
        pendingDuringTick = client().pendingRequests();
        host.idle = 301;  // the idle rule must not drop the pending request's connection
        client().HttpExecute(url("inner?x=1"), innerFile);
        innerSaw = host.error;
        server.release();
    });
    timer.start(1);
    client().HttpExecute(url("outer?x=1"), outerFile);
    timer.stop();

    EXPECT_GE(ticks, 3);
    EXPECT_EQ(pendingDuringTick, 1);
    EXPECT_EQ(innerSaw, "inner - ");
    EXPECT_EQ(ReadBytes(innerFile), "<LogItems><LogItem>inner</LogItem></LogItems>");
    EXPECT_EQ(ReadBytes(outerFile), "<outer/>");
    EXPECT_EQ(host.error, "");  // the outer caller finds its own result
    EXPECT_EQ(client().pendingRequests(), 0);
}

TEST_F(DataServiceClientTest, PhotoDownloadsGoThroughTheSecondClient)
{
    server.handle([](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/images/12 a.jpg")
            res.set_content(std::string("\xff\xd8\0\xff\xd9", 5), "image/jpeg");
        else
            res.status = 404;
    });
    const HttpResult ok = client().DownloadPhoto(url("images/12 a.jpg"));
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.body, QByteArray("\xff\xd8\0\xff\xd9", 5));
    const HttpResult missing = client().DownloadPhoto(url("images/13.jpg"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "Le service de données a répondu par l'erreur HTTP 404 (adresse introuvable)\n"
                             "HTTP/1.1 404 Not Found");
    EXPECT_EQ(host.error, "");  // downloads leave the status labels alone
}

TEST_F(DataServiceClientTest, AnswerFileFolderIsMadeAndAnUnwritableOneIsAnError)
{
    server.answers({"<r/>"});
    // A trace folder that does not exist yet is made: the answer is not lost.
    client().HttpExecute(url("AxInfoVO?x=1"), dir.filePath("new-folder/XmlVO.xml"));
    EXPECT_EQ(host.error, "");
    EXPECT_EQ(ReadBytes(dir.filePath("new-folder/XmlVO.xml")), "<r/>");
    // A file standing where the folder should be: the answer cannot be kept.
    WriteBytes(dir.filePath("a-file"), "x");
    client().HttpExecute(url("AxInfoVO?x=1"), dir.filePath("a-file/XmlVO.xml"));
    EXPECT_TRUE(host.error.startsWith("Échec de la requête : la réponse du service de données n'a pas pu être enregistrée"))
        << host.error.toStdString();
    EXPECT_TRUE(host.panelWarning);
}

TEST(DescribeTransferFailure, EveryFailureAUserMeetsReadsInFrench)
{
    using E = QNetworkReply::NetworkError;
    const struct {
        E code;
        int status;
        const char* text;
    } cases[] = {
        {E::HostNotFoundError, 0, "Le service de données est introuvable (hôte « srv.exemple » inconnu)"},
        {E::TimeoutError, 0, "Le service de données ne répond pas (délai de connexion dépassé)"},
        {E::RemoteHostClosedError, 0, "Le service de données a fermé la connexion sans répondre"},
        {E::ProxyConnectionRefusedError, 0, "Le proxy ne répond pas (connexion refusée)"},
        {E::ContentNotFoundError, 404, "Le service de données a répondu par l'erreur HTTP 404 (adresse introuvable)"},
        {E::UnknownContentError, 418, "Le service de données a répondu par l'erreur HTTP 418"},
        {E::ServiceUnavailableError, 503, "Le service de données a répondu par l'erreur HTTP 503 (service indisponible)"},
        {E::ProtocolUnknownError, 0, "L'adresse du service de données n'est pas valide (« srv.exemple »)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribeTransferFailure(c.code, c.status, "srv.exemple"), QString::fromUtf8(c.text)) << c.text;
}

TEST_F(DataServiceClientTest, AnswerBytesSurviveTheRoundTripWhateverTheirEncoding)
{
    std::string every;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b);
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xc3\xa9</r>";
    for (const std::string& body : {every, utf8}) {
        server.answers({body});
        client().HttpExecute(url("AxInfoVO?x=1"), file);
        EXPECT_EQ(ReadBytes(file), QByteArray::fromStdString(body));
        EXPECT_EQ(host.error, "");
    }
}

TEST_F(DataServiceClientTest, QuittingTheApplicationDuringARequestIsAFailure)
{
    server.handle([&](const httplib::Request&, httplib::Response& res) {
        server.waitForRelease();
        res.set_content("<late/>", "text/xml");
    });
    WriteBytes(file, "old answer");
    QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
    client().HttpExecute(url("AxInfoVO?x=1"), file);
    server.release();
    EXPECT_TRUE(host.error.startsWith("Échec de la requête : ")) << host.error.toStdString();
    EXPECT_EQ(ReadBytes(file), "old answer");

    // Running the application loop once clears the quit request for the next tests.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    server.handle({});
    server.answers({"<r/>"});
    client().HttpExecute(url("AxInfoVO?x=1"), file);
    EXPECT_EQ(ReadBytes(file), "<r/>");
}
