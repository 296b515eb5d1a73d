// Who a request acts for: only a session opened by "AxLogin" with the user's
// password opens anything, on every address; sessions end by time, by the end
// of the user's access (on every service of the group) and never act for
// another user; failed sign-ins are slowed down; passwords and tokens are
// written nowhere.
#include "Accounts.h"
#include "Credentials.h"
#include "DemoPhotos.h"
#include "ServiceFixture.h"
#include "Sessions.h"

#include <QProcess>

#include <filesystem>
#include <mutex>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;
using namespace std::chrono_literals;

namespace {

// One request of each kind the client sends, with what its answer holds when it was served.
struct Address {
    const char* what;
    const char* method;  // GET, POST (multipart), SMS (multipart to the gateway)
    std::string target;
    const char* servedHolds;
};

std::vector<Address> EveryAddress() {
    return {
        {"reference lists", "GET", "/AxInfoEquip?XMLC_OutputFormat=XML&UserConcession=ALV", "<ParsS>"},
        {"tab descriptions", "GET", "/AxInfoStruct?XMLC_OutputFormat=XML&UserConcession=ALV", "<axStruct>"},
        {"vehicle", "GET", "/AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1&idClient=", "<NVO>"},
        {"customer", "GET", "/AxInfoCL?XMLC_OutputFormat=XML&UserID=1&idClient=1", "<CliNom>"},
        {"search", "GET", "/AxQuery?XMLC_OutputFormat=XML&SQL=select%20CliNom%20from%20tClients&idClient=", "<AXQuery>"},
        {"update", "GET",
         "/AxUpdate?XMLC_OutputFormat=XML&SQLExecute=Update%20tVehicles%20set%20KMS=4242%20where%20(idTVO=1)&idClient=",
         "<RowsAffected>"},
        {"insert", "GET",
         "/AxInsert?XMLC_OutputFormat=XML&SQLExecute=Insert%20into%20tActions%20(idAction,%20idClient,"
         "%20CommentaireAction)%20Values%20(:NewID,%201,%20'appel')&idClient=",
         "<NewID>"},
        {"photo upload", "POST", "/AxInsert", "<NewID>"},
        {"photo", "GET", "/images/V0001001-01.jpg", "JFIF"},
        {"sheet", "GET", "/ReportPDF?rptSelect=idVO=1001&rptName=VO%20-%20Fiche%20Commerciale", "%PDF-"},
        {"text message", "SMS", "/tools/smssend/smssend.php5", "successfull"},
        {"under a base path", "GET", "/stanor/AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1&idClient=", "<NVO>"},
    };
}

httplib::MultipartFormDataItems PhotoForm() {
    const std::vector<unsigned char> drawn = DrawCarJpeg(64, 48, 5);
    const std::string jpeg(drawn.begin(), drawn.end());
    return {{"NFImage", "V0001002-07.jpg", "", ""},
            {"XMLC_OutputFormat", "XML", "", ""},
            {"SQLExecute",
             "INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage) VALUES (:NewID, 1002, 7, 'V0001002-07')",
             "", ""},
            {"File", jpeg, "V0001002-07.jpg", "image/jpeg"},
            {"File", jpeg, "V0001002-07m.jpg", "image/jpeg"},
            {"NFImageMini", "V0001002-07m.jpg", "", ""}};
}

class DataServiceIdentity : public ServiceTest {
protected:
    // The answer to one address with the given Authorization header ("" for none).
    static httplib::Result Send(const Address& a, const std::string& authorization,
                                const httplib::Headers& more = {}) {
        auto c = Client(std::string());
        httplib::Headers headers = more;
        if (!authorization.empty()) headers.emplace("Authorization", authorization);
        if (std::string(a.method) == "GET") return c->Get(a.target.c_str(), headers);
        if (std::string(a.method) == "POST") return c->Post(a.target.c_str(), headers, PhotoForm());
        return c->Post(a.target.c_str(), headers,
                       httplib::MultipartFormDataItems{{"destinataire", "0600000000", "", ""}, {"texte", "Bonjour", "", ""}});
    }

    // A fresh session of a demo user, by the service's clock of now.
    static std::string Fresh(const std::string& idUser) {
        const std::string token = SignIn(port_, idUser);
        EXPECT_FALSE(token.empty()) << idUser;
        return token;
    }

    // Whether the session opens a record (a refusal is no failure here).
    static bool Opens(const std::string& token) {
        auto res = Client(token)->Get("/AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&idClient=");
        return res && res->status == 200 && res->body.find("<NVO>") != std::string::npos;
    }
    static void GiveBackDemoPassword(const std::string& idUser) {
        auto s = checks_->acquire();
        ASSERT_TRUE(SetPassword(*s, idUser, HashPassword(DemoPassword(idUser)), UtcText(std::chrono::system_clock::now())));
    }
};

}  // namespace

TEST_F(DataServiceIdentity, EveryAddressRefusesRequestsWithoutAValidSession) {
    // A session that ended by time, and one of a user whose access ended.
    const std::string stale = Fresh("2");
    AdvanceClock(12h + 1s);
    const std::string disabled = Fresh("3");
    {
        auto s = checks_->acquire();
        ASSERT_TRUE(DisableUser(*s, "3", UtcText(std::chrono::system_clock::now())));
    }
    AdvanceClock(6s);  // past the few seconds a verified session is trusted
    const std::string valid = Fresh("1");
    const struct {
        const char* what;
        std::string authorization;
    } credentials[] = {
        {"no header", ""},
        {"a token the service never gave", "Bearer " + NewToken()},
        {"not a token", "Bearer ../../etc/passwd"},
        {"another scheme", "Basic " + valid},
        {"a session 12 hours old", "Bearer " + stale},
        {"a user whose access ended", "Bearer " + disabled},
    };
    const std::string before = Snapshot(*checks_);
    const auto photos = std::filesystem::directory_iterator(images_);
    const size_t photoCount = std::distance(photos, std::filesystem::directory_iterator());
    for (const Address& a : EveryAddress()) {
        for (const auto& c : credentials) {
            const auto res = Send(a, c.authorization);
            ASSERT_TRUE(res) << a.what << ", " << c.what;
            EXPECT_EQ(res->status, 401) << a.what << ", " << c.what;
            EXPECT_EQ(LogItems(res->body), "Session absente ou expirée : veuillez vous identifier - ")
                << a.what << ", " << c.what;
            EXPECT_EQ(res->body.find(a.servedHolds), std::string::npos) << a.what << ", " << c.what;
        }
    }
    EXPECT_EQ(Snapshot(*checks_), before) << "nothing written";
    EXPECT_EQ(size_t(std::distance(std::filesystem::directory_iterator(images_), std::filesystem::directory_iterator())),
              photoCount) << "no photo stored";
    // The same requests with a valid session are served.
    for (const Address& a : EveryAddress()) {
        const auto res = Send(a, "Bearer " + valid);
        ASSERT_TRUE(res) << a.what;
        EXPECT_EQ(res->status, 200) << a.what;
        EXPECT_NE(res->body.find(a.servedHolds), std::string::npos) << a.what << ": " << res->body.substr(0, 300);
    }
    GiveBackDemoPassword("3");
}

TEST_F(DataServiceIdentity, TheUserIsTheSessionsAndAnotherUserIdIsRefused) {
    const std::string salesperson = TokenFor("2");
    const std::string before = Snapshot(*checks_);
    const struct {
        const char* request;
        const char* answerHolds;  // "" when refused
    } cases[] = {
        {"AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=2&idClient=", "<Name_>Paul Durand</Name_>"},
        {"AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=02&idClient=", "<Name_>Paul Durand</Name_>"},
        {"AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&idClient=", "<Name_>Paul Durand</Name_>"},
        {"AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=&idClient=", "<Name_>Paul Durand</Name_>"},
        {"AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1&idClient=", ""},
        {"AxInfoCL?XMLC_OutputFormat=XML&UserID=1&idClient=1", ""},
        {"AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1%20&idClient=", ""},
        {"AxUpdate?XMLC_OutputFormat=XML&SQLExecute=Update tVehicles set KMS=1 where (idTVO=1)&UserID=1", ""},
        {"AxQuery?XMLC_OutputFormat=XML&SQL=select CliNom from tClients&UserID=9999", ""},
    };
    for (const auto& c : cases) {
        const std::string body = GetAs(salesperson, c.request);
        if (*c.answerHolds) {
            EXPECT_NE(body.find(c.answerHolds), std::string::npos) << c.request << ": " << body.substr(0, 300);
            EXPECT_EQ(LogItems(body), "") << c.request;
        } else {
            EXPECT_NE(LogItems(body).find("ne désigne pas l'utilisateur de la session (2)"), std::string::npos)
                << c.request << ": " << LogItems(body);
            EXPECT_EQ(body.find("<Name_>"), std::string::npos) << c.request;
            EXPECT_EQ(body.find("<AXQuery>"), std::string::npos) << c.request;
        }
    }
    EXPECT_EQ(Snapshot(*checks_), before);
}

TEST_F(DataServiceIdentity, SessionsEndAfterTwelveHoursOrTwoHoursUnused) {
    const struct {
        const char* what;
        std::vector<std::chrono::seconds> usedAfter;  // the waits between the uses that open
        std::chrono::seconds lastWait;
        bool lastOpens;
    } cases[] = {
        {"used after 1 h 59 idle", {}, 1h + 59min, true},
        {"used after 2 h 01 idle", {}, 2h + 1min, false},
        {"used every hour, at 11 h 59", {1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h}, 59min, true},
        {"used every hour, at 12 h 01", {1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h, 1h}, 1h + 1min, false},
    };
    for (const auto& c : cases) {
        const std::string token = Fresh("2");
        for (auto wait : c.usedAfter) {
            AdvanceClock(wait);
            ASSERT_TRUE(Opens(token)) << c.what;
        }
        AdvanceClock(c.lastWait);
        EXPECT_EQ(Opens(token), c.lastOpens) << c.what;
    }
}

TEST_F(DataServiceIdentity, AUserWhoseAccessEndsIsRefusedByEveryServiceWithinAMinute) {
    // A second service of the group on the same database: a session opened
    // through one is honoured by the other.
    ServiceOptions o;
    copy_->configure(o);
    o.imagesDir = images_;
    o.port = 0;
    std::mutex logMutex;
    std::vector<std::string> log;
    o.log = [&](const std::string& line) {
        std::lock_guard<std::mutex> lock(logMutex);
        log.push_back(line);
    };
    o.clock = [] { return ServiceNow(); };
    DataService other(o);
    const int otherPort = other.start();
    std::thread running([&] { other.run(); });
    const std::string token = SignIn(otherPort, "9999");
    ASSERT_FALSE(token.empty());
    EXPECT_TRUE(Opens(token)) << "the session lives in the database";
    {
        auto s = checks_->acquire();
        ASSERT_TRUE(DisableUser(*s, "9999", UtcText(std::chrono::system_clock::now())));
    }
    AdvanceClock(61s);
    EXPECT_FALSE(Opens(token));
    httplib::Client c("127.0.0.1", otherPort);
    c.set_bearer_token_auth(token);
    auto res = c.Get("/AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&idClient=");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 401);
    std::string answer;
    EXPECT_EQ(SignIn(otherPort, "9999", {}, &answer), "");
    EXPECT_EQ(LogItems(answer), "Identifiant ou mot de passe incorrect - ");
    // A new password gives the access back.
    {
        auto s = checks_->acquire();
        ASSERT_TRUE(SetPassword(*s, "9999", HashPassword("un-nouveau-mot-de-passe"),
                                UtcText(std::chrono::system_clock::now())));
    }
    EXPECT_EQ(SignIn(otherPort, "9999"), "") << "the old password opens nothing";
    const std::string again = SignIn(otherPort, "9999", "un-nouveau-mot-de-passe");
    EXPECT_NE(again, "");
    other.stop();
    running.join();
    GiveBackDemoPassword("9999");
    // The log names the requests and the failed sign-ins, never a password or a token.
    ASSERT_FALSE(log.empty());
    for (const std::string& line : log)
        for (const std::string& secret : {token, again, DemoPassword("9999"), std::string("un-nouveau-mot-de-passe")})
            EXPECT_EQ(line.find(secret), std::string::npos) << line;
}

TEST_F(DataServiceIdentity, SignInAnswersATokenOrOneRefusalAndOnlyForAFormPosted) {
    const std::string tooLong(2000, 'x');
    const struct {
        const char* what;
        std::string user, password;
        const char* refusal;  // "" when a session opens
    } cases[] = {
        {"right password", "1", "martin-admin-demo", ""},
        {"wrong password", "1", "martin-admin-dem0", "Identifiant ou mot de passe incorrect - "},
        {"another user's password", "1", "paul-durand-demo", "Identifiant ou mot de passe incorrect - "},
        {"unknown user", "4242", "martin-admin-demo", "Identifiant ou mot de passe incorrect - "},
        {"not a user id", "1 OR 1=1", "martin-admin-demo", "Identifiant ou mot de passe incorrect - "},
        {"empty password", "2", "", "Identifiant ou mot de passe incorrect - "},
        {"a password longer than any", "2", tooLong, "Identifiant ou mot de passe incorrect - "},
    };
    for (const auto& c : cases) {
        AdvanceClock(61s);  // failures in a row would pause this address (below)
        std::string answer;
        const std::string token = SignIn(port_, c.user, c.password, &answer);
        EXPECT_EQ(LogItems(answer), c.refusal) << c.what;
        EXPECT_EQ(token.empty(), *c.refusal != 0) << c.what;
        if (!token.empty()) {
            EXPECT_TRUE(IsTokenShape(token)) << token;
            std::string expires = UtcText(ServiceNow() + 12h);  // 12 hours after it opened
            expires[10] = 'T';
            EXPECT_NE(answer.find("<Expires>" + expires + "Z</Expires>"), std::string::npos) << answer;
        }
    }
    // The password in an address (it would land in every log on the way) is never read.
    const std::string got = GetAs(std::string(), "AxLogin?UserID=1&Password=martin-admin-demo");
    EXPECT_EQ(got.find("<Token>"), std::string::npos);
    EXPECT_NE(LogItems(got).find("POST"), std::string::npos) << got;
    // Each token is a new one.
    const std::string one = SignIn(port_, "1"), two = SignIn(port_, "1");
    EXPECT_TRUE(IsTokenShape(one) && IsTokenShape(two) && one != two) << one << " " << two;
}

TEST_F(DataServiceIdentity, AWebPageOfAnotherSiteIsRefusedEvenWithASession) {
    const Address read = EveryAddress()[2];
    const std::string token = Fresh("1");
    const std::string host = "127.0.0.1:" + std::to_string(port_);
    const struct {
        const char* what;
        httplib::Headers headers;
        int status;
    } cases[] = {
        {"the client (no Origin)", {}, 200},
        {"a page of another site", {{"Origin", "http://intranet.example"}}, 403},
        {"a page opened from a file", {{"Origin", "null"}}, 403},
        {"the same host, another port", {{"Origin", "http://127.0.0.1:1"}}, 403},
        {"the service's own address", {{"Origin", "http://" + host}}, 200},
        {"a fetch from another site", {{"Sec-Fetch-Site", "cross-site"}}, 403},
        {"a fetch from a sibling site", {{"Sec-Fetch-Site", "same-site"}}, 403},
        {"an address typed in the browser", {{"Sec-Fetch-Site", "none"}}, 200},
    };
    for (const auto& c : cases) {
        const auto res = Send(read, "Bearer " + token, c.headers);
        ASSERT_TRUE(res) << c.what;
        EXPECT_EQ(res->status, c.status) << c.what;
        EXPECT_EQ(res->body.find("<NVO>") != std::string::npos, c.status == 200) << c.what;
    }
    // Nor may such a page try passwords.
    httplib::Client c("127.0.0.1", port_);
    auto res = c.Post("/AxLogin", {{"Origin", "http://intranet.example"}},
                      httplib::Params{{"UserID", "1"}, {"Password", "martin-admin-demo"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body.find("<Token>"), std::string::npos);
}

TEST_F(DataServiceIdentity, FailedSignInsAreSlowedPerUserAndPerAddressButNotForOthers) {
    auto store = copy_->open();
    const auto start = std::chrono::system_clock::now();
    auto now = start;
    std::vector<std::string> log;
    Sessions sessions(*store, [&] { return now; }, [&](const std::string& line) { log.push_back(line); });
    const std::string right = DemoPassword("2"), wrong = "mauvais-mot-de-passe";
    auto attempt = [&](const char* user, const char* address, const std::string& password) {
        const Sessions::SignedIn s = sessions.signIn(user, password, address);
        return s.token.empty() ? s.refusal : std::string("ouverte");
    };
    const std::string refused = "Identifiant ou mot de passe incorrect", paused = messages::kSignInPaused;
    // Four failures in a minute are heard, the fifth pauses this user from this address.
    for (int i = 0; i < 4; ++i) ASSERT_EQ(attempt("2", "10.0.0.9", wrong), refused);
    EXPECT_EQ(attempt("2", "10.0.0.9", right), "ouverte") << "four failures hold nothing back";
    EXPECT_EQ(attempt("2", "10.0.0.9", wrong), refused);
    EXPECT_EQ(attempt("2", "10.0.0.9", right), paused) << "the fifth failure in a minute pauses";
    EXPECT_EQ(attempt("2", "10.0.0.5", right), "ouverte") << "the user at another workstation";
    EXPECT_EQ(attempt("3", "10.0.0.9", DemoPassword("3")), paused) << "the address is paused for everyone";
    EXPECT_NE(log.back().find("10.0.0.9"), std::string::npos);
    bool logged = false;
    for (const auto& line : log) logged |= line.find("suspendues une minute") != std::string::npos &&
                                           line.find("10.0.0.9") != std::string::npos;
    EXPECT_TRUE(logged);
    now += 61s;
    EXPECT_EQ(attempt("2", "10.0.0.9", right), "ouverte") << "a minute later";
    // Guesses spread over many addresses: each address that failed for the
    // user is held back once the user's failures reach five.
    for (const char* address : {"10.1.0.1", "10.1.0.2", "10.1.0.3", "10.1.0.4", "10.1.0.5"})
        ASSERT_EQ(attempt("1", address, wrong), refused);
    EXPECT_EQ(attempt("1", "10.1.0.3", DemoPassword("1")), paused);
    EXPECT_EQ(attempt("1", "10.2.0.1", DemoPassword("1")), "ouverte");
    EXPECT_EQ(attempt("2", "10.1.0.3", DemoPassword("2")), "ouverte") << "that address failed only once";
    // Unknown users are paused the same way (no difference tells them apart).
    for (int i = 0; i < 5; ++i) ASSERT_EQ(attempt("777", "10.3.0.1", wrong), refused);
    EXPECT_EQ(attempt("777", "10.3.0.1", wrong), paused);
    for (const auto& line : log) {
        EXPECT_EQ(line.find(right), std::string::npos) << line;
        EXPECT_EQ(line.find(wrong), std::string::npos) << line;
    }
}

TEST(DataServiceAccess, PasswordsAreSetFromStandardInputAndAccessEndsFromTheCommandLine) {
    const std::string dir = MakeTempDir();
    DemoCopy copy(dir);
    std::vector<std::string> base = copy.programArguments();
    if (OnPostgres()) base = {"--pg", copy.ownerConninfo()};
    const struct {
        const char* what;
        std::vector<std::string> args;
        const char* input;
        int status;
        const char* says;
    } cases[] = {
        {"two equal lines", {"--set-password", "2"}, "nouveau-secret-42\nnouveau-secret-42\n", 0, "enregistré"},
        {"two different lines", {"--set-password", "2"}, "nouveau-secret-42\nnouveau-secret-43\n", 1, "diffèrent"},
        {"one line only", {"--set-password", "2"}, "nouveau-secret-42\n", 1, "deux fois"},
        {"too short", {"--set-password", "2"}, "court\ncourt\n", 1, "au moins 10 caractères"},
        {"nine characters", {"--set-password", "2"}, "123456789\n123456789\n", 1, "au moins 10 caractères"},
        {"ten accented characters", {"--set-password", "3"}, "éééééééééé\néééééééééé\n", 0, "enregistré"},
        {"unknown user", {"--set-password", "4242"}, "nouveau-secret-42\nnouveau-secret-42\n", 1, "utilisateur inconnu"},
        {"access ended", {"--disable-user", "9999"}, "", 0, "terminé"},
        {"both at once", {"--set-password", "2", "--disable-user", "3"}, "", 2, "s'emploient seuls"},
    };
    for (const auto& c : cases) {
        QProcess p;
        QStringList args;
        for (const auto& a : base) args << QString::fromStdString(a);
        for (const auto& a : c.args) args << QString::fromStdString(a);
        p.start(QStringLiteral(STANOR_DATASERVICE_EXE), args);
        ASSERT_TRUE(p.waitForStarted()) << c.what;
        p.write(c.input);
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(30000)) << c.what;
        const std::string err = p.readAllStandardError().toStdString();
        EXPECT_EQ(p.exitCode(), c.status) << c.what << ": " << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << c.what << ": " << err;
        EXPECT_EQ(err.find("nouveau-secret"), std::string::npos) << c.what << ": the password is never echoed";
    }
    // What was stored opens a session with the new password only.
    auto store = copy.open();
    Sessions sessions(*store, {}, {});
    EXPECT_FALSE(sessions.signIn("2", "nouveau-secret-42", "127.0.0.1").token.empty());
    EXPECT_TRUE(sessions.signIn("2", DemoPassword("2"), "127.0.0.1").token.empty());
    EXPECT_FALSE(sessions.signIn("3", "éééééééééé", "127.0.0.1").token.empty());
    EXPECT_TRUE(sessions.signIn("9999", DemoPassword("9999"), "127.0.0.1").token.empty());
    const ResultSet stored = store->acquire()->query("SELECT PwHash FROM sysUserPasswords WHERE idUser = 2");
    ASSERT_EQ(stored.rows.size(), 1u);
    EXPECT_EQ(stored.rows[0][0].rfind("$argon2id$v=19$m=65536,t=2,p=1$", 0), 0u) << stored.rows[0][0];
    std::filesystem::remove_all(dir);
}
