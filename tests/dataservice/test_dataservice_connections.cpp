// Connections that send nothing, or half a request, never keep real requests
// waiting and are closed after their time-outs; one service per port; the
// command line says which option is wrong.
#include "RawConnections.h"
#include "ServiceFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstring>
#include <thread>
#include <vector>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

namespace {

bool RecordAnswered(int port, const std::string& token) {
    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(5, 0);  // the client's own read time-out
    c.set_bearer_token_auth(token);
    auto res = c.Get("/AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1&idClient=");
    return res && res->status == 200 && res->body.find("<tVO>") != std::string::npos &&
           res->body.find("<LogItem>") == std::string::npos;
}

}  // namespace

TEST(DataServiceConnections, StalledConnectionsDoNotKeepARealRequestWaiting) {
    struct Stalled : ServiceTest {
        void TestBody() override {}
        static void Run() {
            HttpLimits patient;  // the stalled connections stay open for the whole test
            patient.idleTimeout = patient.headerTimeout = std::chrono::seconds(60);
            StartService({}, patient);
            // From four hosts, each within the connections one address may hold.
            const char* hosts[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};
            std::vector<int> stalled;
            for (int i = 0; i < 100; ++i) {
                const int fd = Connect(port_, hosts[i % 4]);
                ASSERT_GE(fd, 0);
                if (i % 2) SendRaw(fd, "GET /AxInfoVO?XMLC_Output");  // half a request line
                stalled.push_back(fd);
            }
            EXPECT_TRUE(RecordAnswered(port_, token_));
            EXPECT_TRUE(RecordAnswered(port_, token_));
            // The stalled connections were still open: each finishes its request now.
            std::string idle, half;
            SendRaw(stalled[0], "GET /AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1&idClient= HTTP/1.1\r\n"
                             "Host: x\r\nAuthorization: Bearer " + token_ + "\r\nConnection: close\r\n\r\n");
            SendRaw(stalled[1], "Format=XML&idTVO=1&UserID=1&idClient= HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                                    token_ + "\r\nConnection: close\r\n\r\n");
            EXPECT_TRUE(ClosedWithin(stalled[0], 5000, &idle));
            EXPECT_TRUE(ClosedWithin(stalled[1], 5000, &half));
            EXPECT_NE(idle.find("<tVO>"), std::string::npos) << idle.substr(0, 200);
            EXPECT_NE(half.find("<tVO>"), std::string::npos) << half.substr(0, 200);
            for (int fd : stalled) ::close(fd);
            TearDownTestSuite();
        }
    };
    Stalled::Run();
}

TEST(DataServiceConnections, IdleAndHalfSentConnectionsAreClosed) {
    struct Quick : ServiceTest {
        void TestBody() override {}
        static void Run() {
            HttpLimits quick;
            quick.idleTimeout = quick.headerTimeout = quick.readTimeout = std::chrono::milliseconds(300);
            StartService({}, quick);
            const int idle = Connect(port_), half = Connect(port_), body = Connect(port_);
            SendRaw(half, "GET /AxQuery?SQL=sel");
            SendRaw(body, "POST /AxInsert HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nContent-Length: 100\r\n\r\n0123456789");
            EXPECT_TRUE(ClosedWithin(idle, 10000)) << "idle";
            EXPECT_TRUE(ClosedWithin(half, 10000)) << "half a request line";
            EXPECT_TRUE(ClosedWithin(body, 10000)) << "a body that stops";
            // Headers sent a byte at a time, each within the read time-out, end with the header time-out.
            const int dribble = Connect(port_);
            SendRaw(dribble, "GET / HTTP/1.1\r\n");
            bool closed = false;
            for (int i = 0; i < 50 && !closed; ++i)
                closed = ::send(dribble, "X", 1, MSG_NOSIGNAL) != 1 || ClosedWithin(dribble, 100);
            EXPECT_TRUE(closed) << "dribbled headers";
            for (int fd : {idle, half, dribble, body}) ::close(fd);
            EXPECT_TRUE(RecordAnswered(port_, token_));
            TearDownTestSuite();
        }
    };
    Quick::Run();
}

class DataServicePort : public ServiceTest {};

TEST_F(DataServicePort, ASecondServiceOnAPortInUseFailsAtOnce) {
    const std::string dir = MakeTempDir();
    std::string err;
    std::vector<std::string> args = copy_->programArguments();
    args.insert(args.end(), {"--images", dir, "--port", std::to_string(port_), "--quiet"});
    const int status = RunProgram(args, err);
    EXPECT_GT(status, 0) << err;
    EXPECT_NE(err.find("port " + std::to_string(port_) + " est déjà pris"), std::string::npos) << err;
    EXPECT_TRUE(RecordAnswered(port_, token_));  // the first one still serves
    std::filesystem::remove_all(dir);
}

// A service restarted takes its port back at once, however soon the one
// before it was stopped (its clients find it where they left it).
TEST(DataServiceConnections, AStoppedServiceLeavesItsPortToTheNextOne) {
    for (const bool served : {false, true}) {
        const std::string dir = MakeTempDir();
        DemoCopy copy(dir);
        ServiceOptions o;
        copy.configure(o);
        o.imagesDir = dir + "/images";
        o.port = 0;
        o.logRequests = false;
        {
            DataService first(o);
            o.port = first.start();
            std::thread thread;
            if (served) {
                thread = std::thread([&first] { first.run(); });
                EXPECT_TRUE(RecordAnswered(o.port, SignIn(o.port, "1")));
            }
            first.stop();  // unserved: stopped before it ever listened
            if (thread.joinable()) thread.join();
        }
        DataService next(o);
        EXPECT_EQ(next.start(), o.port) << (served ? "after serving" : "stopped before serving");
        std::thread thread([&next] { next.run(); });
        EXPECT_TRUE(RecordAnswered(o.port, SignIn(o.port, "1")));
        next.stop();
        thread.join();
        std::filesystem::remove_all(dir);
    }
}

TEST(DataServiceCommandLine, MistakesNameTheOption) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--images", "/tmp"}, "option --db manquante"},
        {{"--db", "/tmp/x.db"}, "option --images manquante"},
        {{"--db", "/tmp/x.db", "--images", "/tmp", "--port", "quatre"}, "valeur de --port invalide : « quatre »"},
        {{"--db", "/tmp/x.db", "--images", "/tmp", "--port", "70000"}, "valeur de --port invalide : « 70000 »"},
        {{"--db", "/tmp/x.db", "--images", "/tmp", "--port", "80a"}, "valeur de --port invalide"},
        {{"--db"}, "valeur manquante après --db"},
        {{"--db", "/tmp/x.db", "--imgaes", "/tmp"}, "option inconnue : --imgaes"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(RunProgram(c.args, err), 2) << c.says;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_NE(err.find("usage :"), std::string::npos) << c.says;
    }
}
