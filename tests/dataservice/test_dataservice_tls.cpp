// The service over TLS, with a certificate from an authority the test makes and
// a client that verifies it; where the service may listen without TLS, and the
// group's TLS proxy as the only peer it then takes.
#include "ListenPolicy.h"
#include "RawConnections.h"
#include "ServiceFixture.h"
#include "TestCertificates.h"

#include <sys/stat.h>

#include <filesystem>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

namespace {

const char* const kRecordRead = "/AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1&idClient=";

std::unique_ptr<httplib::SSLClient> TlsClient(int port, const std::string& authority) {
    auto c = std::make_unique<httplib::SSLClient>("127.0.0.1", port);
    c->set_ca_cert_path(authority.c_str());
    c->enable_server_certificate_verification(true);
    c->set_url_encode(false);
    c->set_keep_alive(true);
    c->set_read_timeout(5, 0);
    // Signed in over TLS as the demo super-administrator, as a workstation is.
    auto res = c->Post("/AxLogin", httplib::Params{{"UserID", "1"}, {"Password", DemoPassword("1")}});
    const std::string body = res ? res->body : std::string();
    const size_t at = body.find("<Token>"), end = body.find("</Token>");
    if (at != std::string::npos && end != std::string::npos) c->set_bearer_token_auth(body.substr(at + 7, end - at - 7));
    return c;
}

}  // namespace

TEST(DataServiceListening, OffLoopbackNeedsTlsOrTheProxyWhichAloneIsAdmitted) {
    struct Listen {
        const char* bind;
        bool tls;
        const char* proxy;
        const char* refusal;  // empty: allowed
    } listens[] = {
        {"127.0.0.5", false, "", ""},
        {"::1", false, "", ""},
        {"localhost", false, "", ""},
        {"::", false, "", "sans TLS"},
        {"10.1.2.3", false, "", "sans TLS"},
        {"0.0.0.0", true, "", ""},
        {"0.0.0.0", false, "10.0.0.2", ""},
        {"0.0.0.0", false, "proxy.groupe.example", "doit être une adresse IP"},
    };
    for (const Listen& l : listens) {
        const std::string refusal = ListenRefusal(l.bind, l.tls, l.proxy);
        if (*l.refusal == 0) EXPECT_EQ(refusal, "") << l.bind << " " << l.proxy;
        else EXPECT_NE(refusal.find(l.refusal), std::string::npos) << l.bind << ": " << refusal;
    }

    struct Peer {
        const char* peer;
        const char* proxy;
        bool admitted;
    } peers[] = {
        {"::ffff:10.0.0.2", "10.0.0.2", true},  // an IPv4 peer seen by a socket that listens on IPv6 too
        {"10.0.0.20", "10.0.0.2", false},
        {"2001:db8::1", "2001:DB8:0::1", true},
        {"", "10.0.0.2", false},
    };
    for (const Peer& p : peers) EXPECT_EQ(PeerAdmitted(p.peer, p.proxy), p.admitted) << p.peer << " / " << p.proxy;

    struct Forwarded {
        const char* peer;
        const char* forwardedFor;
        const char* proxy;
        const char* client;
    } forwarded[] = {
        {"10.0.0.2", "192.168.1.20", "10.0.0.2", "192.168.1.20"},
        {"10.0.0.2", "6.6.6.6, 192.168.1.20", "10.0.0.2", "192.168.1.20"},  // the client's own claim comes first
        {"10.0.0.7", "192.168.1.20", "", "10.0.0.7"},                     // without a proxy anyone writes the header
    };
    for (const Forwarded& f : forwarded)
        EXPECT_EQ(ClientAddress(f.peer, f.forwardedFor, f.proxy), f.client) << f.forwardedFor;
}

TEST(DataServiceCommandLine, AServiceOffLoopbackOrAnExposedKeyIsRefusedInFrench) {
    const std::string dir = MakeTempDir();
    stanor::test::TestAuthority authority(dir + "/ca");
    const auto service = authority.issue("service", {"127.0.0.1"});
    const auto other = authority.issue("other", {"127.0.0.1"});
    const std::string shared = dir + "/shared.key";
    std::filesystem::copy_file(service.key, shared);
    ::chmod(shared.c_str(), 0640);
    const std::vector<std::string> base{"--db", dir + "/x.db", "--images", dir + "/images", "--port", "0", "--quiet"};
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {{"--bind", "0.0.0.0"}, 2, "refuse d'écouter sur 0.0.0.0 sans TLS"},
        {{"--bind", "0.0.0.0", "--tls-cert", service.cert}, 2, "option --tls-key manquante"},
        {{"--bind", "0.0.0.0", "--tls-proxy", "proxy.groupe.example"}, 2, "doit être une adresse IP"},
        {{"--tls-cert", service.cert, "--tls-key", shared}, 1, "accessible à d'autres que son propriétaire (droits 0640)"},
        {{"--tls-cert", service.cert, "--tls-key", other.key}, 1, "n'est pas celle du certificat"},
        {{"--tls-cert", dir + "/absent.crt", "--tls-key", service.key}, 1, "certificat du service illisible"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = base;
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string err;
        EXPECT_EQ(RunProgram(args, err), c.status) << c.says << "\n" << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(dir + "/x.db")) << "nothing is created before the refusal: " << c.says;
    }
    std::filesystem::remove_all(dir);
}

class DataServiceTls : public ServiceTest {
protected:
    static void SetUpTestSuite() {
        authority_ = std::make_unique<stanor::test::TestAuthority>(MakeTempDir() + "/ca");
        const auto files = authority_->issue("service", {"127.0.0.1", "localhost"});
        HttpLimits quick;
        quick.idleTimeout = quick.headerTimeout = quick.readTimeout = std::chrono::milliseconds(400);
        StartService({}, quick, [&](ServiceOptions& o) {
            o.tlsCert = files.cert;
            o.tlsKey = files.key;
        });
    }
    static void TearDownTestSuite() {
        ServiceTest::TearDownTestSuite();
        authority_.reset();
    }
    static inline std::unique_ptr<stanor::test::TestAuthority> authority_;
};

TEST_F(DataServiceTls, RequestsAreAnsweredOverTlsAsInClear) {
    auto c = TlsClient(port_, authority_->certFile());
    struct Row {
        const char* what;
        std::function<httplib::Result()> send;
        const char* answer;
    } rows[] = {
        {"record read", [&] { return c->Get(kRecordRead); }, "<tVO>"},
        {"raw question mark",
         [&] { return c->Get("/AxQuery?XMLC_OutputFormat=XML&SQL=select%20'Pourquoi%20?'%20as%20q&idClient="); },
         "Pourquoi ?"},
        {"multipart body",
         [&] {
             return c->Post("/tools/smssend/smssend.php5",
                            httplib::MultipartFormDataItems{{"destinataire", "+33600000000", "", ""},
                                                            {"texte", std::string(40000, 'x'), "", ""}});
         },
         "telephonySmsSend successfull"},
    };
    for (const Row& r : rows) {
        auto res = r.send();
        ASSERT_TRUE(res) << r.what << ": " << httplib::to_string(res.error());
        EXPECT_NE(res->body.find(r.answer), std::string::npos) << r.what << ": " << res->body.substr(0, 300);
    }
}

TEST_F(DataServiceTls, ConnectionsThatNeverEndTheirHandshakeAreClosedAndNothingGoesInClear) {
    struct Row {
        const char* what;
        std::string sent;
    } rows[] = {
        {"nothing sent", ""},
        {"half a handshake", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)},
        {"a request in clear", std::string("GET ") + kRecordRead + " HTTP/1.1\r\nHost: x\r\n\r\n"},
    };
    std::vector<int> open;
    for (const Row& r : rows) {
        const int fd = Connect(port_);
        ASSERT_GE(fd, 0);
        if (!r.sent.empty()) SendRaw(fd, r.sent);
        open.push_back(fd);
    }
    // Meanwhile a real client is served.
    auto res = TlsClient(port_, authority_->certFile())->Get(kRecordRead);
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<tVO>"), std::string::npos);
    for (size_t i = 0; i < open.size(); ++i) {
        std::string answer;
        EXPECT_TRUE(ClosedWithin(open[i], 5000, &answer)) << rows[i].what;
        EXPECT_EQ(answer.find("tVO"), std::string::npos) << rows[i].what;
        ::close(open[i]);
    }
}

TEST(DataServiceTlsProxy, OnlyTheProxysConnectionsAreTaken) {
    struct Proxied : ServiceTest {
        void TestBody() override {}
        static void Run() {
            StartService({}, {}, [](ServiceOptions& o) { o.tlsProxy = "127.0.0.2"; });
            struct Row {
                const char* from;
                bool answered;
            } rows[] = {{"127.0.0.2", true}, {"127.0.0.1", false}, {"127.0.0.3", false}};
            for (const Row& r : rows) {
                const int fd = Connect(port_, r.from);
                ASSERT_GE(fd, 0) << r.from;
                // A refused connection may be closed before the request goes: what send says does not matter.
                const std::string request = std::string("GET ") + kRecordRead + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
                (void)::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
                std::string answer;
                EXPECT_TRUE(ClosedWithin(fd, 5000, &answer)) << r.from;
                // Answered at all (without a session: 401), or closed without a word.
                EXPECT_EQ(answer.find("HTTP/1.1 ") != std::string::npos, r.answered) << r.from << ": " << answer.substr(0, 200);
                ::close(fd);
            }
            TearDownTestSuite();
        }
    };
    Proxied::Run();
}
