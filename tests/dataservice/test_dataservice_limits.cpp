// The service's limits on a running service, on each store: each answered by
// its LogItem (or HTTP status), a slow write that cannot starve the others,
// connections of one address and bodies refused before they are read.
#include "ServiceFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

namespace {

// A condition that costs seconds: a cross join of the 125 parameters, five times.
const char* kCrossJoin = "(SELECT count(*) FROM ListPars a, ListPars b, ListPars c, ListPars d, ListPars e) > 0";

// A connection from a loopback address of its own, as from another host.
int ConnectFrom(int port, const char* from) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{}, to{};
    local.sin_family = to.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What the service sent before it closed the connection, or "(ouverte)" when
// it kept it open `ms` milliseconds.
std::string UntilClosed(int fd, int ms) {
    std::string got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) return "(ouverte)";
        char buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return got;
        got.append(buf, static_cast<size_t>(n));
    }
}

}  // namespace

// A service with small limits, so that each is reached by a small request.
class DataServiceLimits : public ServiceTest {
protected:
    static void SetUpTestSuite() {
        ServiceLimits small;
        small.answerBytes = 24 * 1024;
        small.maxRows = 5;
        small.statementMs = small.writeLockMs = 300;
        small.bodyBytes = 64 * 1024;
        small.connectionsPerAddress = 4;
        small.unlimitedAddresses = {"127.0.0.3"};
        StartService({}, {}, small);
    }
};

TEST_F(DataServiceLimits, EachLimitIsAnsweredByItsLogItem) {
    const std::string before = Snapshot(*checks_);
    struct Case {
        std::string request;
        const char* says;  // a part of the LogItem, "" when answered
    } cases[] = {
        {"AxQuery?XMLC_OutputFormat=XML&SQL=SELECT a.*, b.* FROM tVehicles a, tVehicles b",
         "Réponse trop volumineuse : la requête donnerait plus de 24 Ko"},
        {"AxQuery?XMLC_OutputFormat=XML&SQL=SELECT idTVO, Immatriculation FROM tVehicles", ""},
        {"AxQuery?XMLC_OutputFormat=XML&SQL=SELECT idTVO FROM tVehicles&MaxRows=6", "MaxRows trop grande : 6 (au plus 5"},
        {"AxQuery?XMLC_OutputFormat=XML&SQL=SELECT idTVO FROM tVehicles&MaxRows=5", ""},
        {std::string("AxQuery?XMLC_OutputFormat=XML&SQL=SELECT 1 AS x FROM tVehicles WHERE ") + kCrossJoin,
         "Instruction interrompue : elle dépassait le temps"},
        // A write conditioned on anything but its keys never reaches the write lock
        // (the store's own limit on it is tried on the store itself).
        {std::string("AxUpdate?XMLC_OutputFormat=XML&SQLExecute=UPDATE tVehicles SET KMS=0 WHERE idTVO=1 AND ") +
             kCrossJoin, "Écriture refusée : l'instruction n'a pas la forme"},
        {"AxUpdate?XMLC_OutputFormat=XML&SQLExecute=UPDATE tClients SET CliNom='" + std::string(41, 'N') +
             "' WHERE idClient=1", "Texte trop long pour « Nom » (CliNom) : 41 caractères, au plus 40"},
        {"AxUpdate?XMLC_OutputFormat=XML&SQLExecute=UPDATE tClients SET CliNom='" + std::string(40, 'N') +
             "' WHERE idClient=-1", "Aucun enregistrement n'a été modifié"},
    };
    for (const Case& c : cases) {
        const std::string body = Get(c.request);
        if (!*c.says) EXPECT_EQ(LogItems(body), "") << c.request.substr(0, 90);
        else EXPECT_NE(LogItems(body).find(c.says), std::string::npos) << c.request.substr(0, 90) << " : " << LogItems(body);
    }
    // A query within MaxRows gets its first rows only.
    EXPECT_EQ(Scan(Get("AxQuery?XMLC_OutputFormat=XML&SQL=SELECT idTVO FROM tVehicles")).Text.count(QStringLiteral("<AXQuery>")), 5);
    EXPECT_EQ(Snapshot(*checks_), before);
}

TEST_F(DataServiceLimits, SlowWritesOnTwoConnectionsDoNotStarveTheOtherWrites) {
    std::atomic<bool> stop{false};
    std::atomic<int> slow{0}, interrupted{0};
    std::vector<std::thread> attackers;
    for (int i = 0; i < 2; ++i)
        attackers.emplace_back([&] {
            // One connection each, kept open: refused at once, the writes come
            // faster than closed connections leave the address's count.
            auto client = Client();
            client->set_keep_alive(true);
            std::string path = std::string("/AxUpdate?XMLC_OutputFormat=XML&SQLExecute=UPDATE tVehicles SET KMS=0 "
                                           "WHERE idTVO=1 AND ") + kCrossJoin;
            for (size_t at; (at = path.find(' ')) != std::string::npos;) path.replace(at, 1, "%20");
            while (!stop) {
                const auto res = client->Get(path.c_str());
                const std::string body = res ? res->body : std::string();
                ++slow;
                // Refused by the rights before it runs, or interrupted at the write lock's limit.
                const std::string items = LogItems(body);
                if (items.find("verrou d'écriture") != std::string::npos ||
                    items.find("Écriture refusée") != std::string::npos)
                    ++interrupted;
            }
        });
    // Twelve saves of one field, each while the slow writes keep coming.
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(LogItems(Send("AxUpdate", "Update tVehicles set KMS=" + std::to_string(i) + " where (idTVO=2)")), "") << i;
    stop = true;
    for (auto& t : attackers) t.join();
    EXPECT_EQ(Scalar("SELECT KMS FROM tVehicles WHERE idTVO=2"), "12");
    EXPECT_EQ(Scalar("SELECT KMS FROM tVehicles WHERE idTVO=1"), "84500");
    EXPECT_GT(slow.load(), 0);
    EXPECT_EQ(interrupted.load(), slow.load());
}

TEST_F(DataServiceLimits, ConnectionsOfOneAddressBeyondItsShareAreRefusedAtOnce) {
    // Four connections, each known to the service by the answer to a first request.
    const std::string keepAlive = "GET /AxInfoEquip?XMLC_OutputFormat=XML&UserConcession=ALV HTTP/1.1\r\nHost: x\r\n\r\n";
    std::vector<int> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(ConnectFrom(port_, "127.0.0.2"));
        ASSERT_GE(held.back(), 0);
        (void)::send(held.back(), keepAlive.data(), keepAlive.size(), MSG_NOSIGNAL);
        std::string answer;
        char buf[65536];
        while (answer.find("</Answer>") == std::string::npos) {
            pollfd p{held.back(), POLLIN, 0};
            ASSERT_GT(::poll(&p, 1, 5000), 0) << i;
            const ssize_t n = ::recv(held.back(), buf, sizeof buf, 0);
            ASSERT_GT(n, 0) << i;
            answer.append(buf, static_cast<size_t>(n));
        }
    }
    // The fifth from that address is answered 503 and closed before it sends anything.
    const int fifth = ConnectFrom(port_, "127.0.0.2");
    const std::string refused = UntilClosed(fifth, 5000);
    EXPECT_EQ(refused.rfind("HTTP/1.1 503", 0), 0u) << refused;
    EXPECT_NE(LogItems(refused).find("Trop de connexions ouvertes depuis l'adresse 127.0.0.2 (au plus 4)"),
              std::string::npos) << refused;
    ::close(fifth);
    // Another host is served meanwhile, and the proxy named at start-up takes more.
    EXPECT_EQ(LogItems(Get("AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1")), "");
    std::vector<int> proxy;
    for (int i = 0; i < 6; ++i) proxy.push_back(ConnectFrom(port_, "127.0.0.3"));
    EXPECT_EQ(UntilClosed(proxy.back(), 300), "(ouverte)");
    // A connection that ends gives its place back.
    ::close(held.back());
    held.pop_back();
    std::string answered;
    for (int attempt = 0; attempt < 50 && answered.find("<tVO>") == std::string::npos; ++attempt) {
        const int again = ConnectFrom(port_, "127.0.0.2");
        const std::string request = "GET /AxInfoVO?XMLC_OutputFormat=XML&idTVO=1&UserID=1 HTTP/1.1\r\nHost: x\r\n"
                                    "Authorization: Bearer " + token_ + "\r\nConnection: close\r\n\r\n";
        (void)::send(again, request.data(), request.size(), MSG_NOSIGNAL);
        answered = UntilClosed(again, 5000);
        ::close(again);
    }
    EXPECT_NE(answered.find("<tVO>"), std::string::npos) << answered.substr(0, 200);
    for (int fd : held) ::close(fd);
    for (int fd : proxy) ::close(fd);
}

TEST_F(DataServiceLimits, BodiesLongerThanTheLimitAreRefusedFromTheirHeaders) {
    const std::string post = "POST /AxInsert HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=b\r\n";
    const std::string query = "POST /AxQuery?XMLC_OutputFormat=XML&SQL=SELECT%201%20AS%20x HTTP/1.1\r\nHost: x\r\n"
                              "Content-Type: text/plain\r\nConnection: close\r\nAuthorization: Bearer " + token_ + "\r\n";
    struct Case {
        const char* what;
        std::string request;
        const char* says;  // a part of the answer; "" when the connection is only closed
    } cases[] = {
        {"100 GB announced", post + "Content-Length: 100000000000\r\n\r\n", "Requête trop volumineuse : son corps dépasse 65536 octets"},
        {"one byte beyond", post + "Content-Length: 65537\r\n\r\n" + std::string(1000, 'x'), "Requête trop volumineuse"},
        {"within the limit", query + "Content-Length: 65536\r\n\r\n" + std::string(65536, 'x'), "<x>1</x>"},
        {"chunks past the limit", post + "Transfer-Encoding: chunked\r\n\r\n" + [] {
             std::string chunks;
             for (int i = 0; i < 5; ++i) chunks += "4000\r\n" + std::string(0x4000, 'x') + "\r\n";
             return chunks;
         }(), "mal formée"},
        {"headers of 70 KB", "GET /AxInfoVO HTTP/1.1\r\nX-Long: " + std::string(70 * 1024, 'h') + "\r\n\r\n", ""},
    };
    for (const Case& c : cases) {
        const int fd = ConnectFrom(port_, "127.0.0.4");
        ASSERT_GE(fd, 0);
        (void)::send(fd, c.request.data(), c.request.size(), MSG_NOSIGNAL);
        const std::string answer = UntilClosed(fd, 5000);
        ::close(fd);
        EXPECT_NE(answer, "(ouverte)") << c.what;
        const std::string seen = LogItems(answer) + answer;  // the items in UTF-8, the answer as sent
        if (*c.says) EXPECT_NE(seen.find(c.says), std::string::npos) << c.what << " : " << answer.substr(0, 300);
        else EXPECT_EQ(answer.find("<tVO>"), std::string::npos) << c.what;
    }
}

TEST_F(DataServiceLimits, TheSweepStaysInTheUsersDealership) {
    // Cancelled new vehicles without buyer, in the user's dealership and in another one.
    auto s = checks_->acquire();
    s->exec("INSERT INTO tVehicles (idTVO, idVO, TypeVO, NVO, Concession, DateAnnulation) VALUES "
            "(90, 1090, 2, 9090, 'AUTRE', '2026-11-01'), (91, 1091, 2, 9091, 'ALV', '2026-11-01')");
    const std::string sweep =
        "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null));";
    // Every request acts for its session's user: the sweep stays in that user's dealership.
    EXPECT_EQ(LogItems(Get("AxUpdate?XMLC_OutputFormat=XML&SQLExecute=" + sweep + "&UserID=1")), "");
    EXPECT_EQ(Count("tVehicles", "idTVO = 91"), 0);
    EXPECT_EQ(Count("tVehicles", "idTVO = 90"), 1);
    s->exec("DELETE FROM tVehicles WHERE idTVO = 90");
}
