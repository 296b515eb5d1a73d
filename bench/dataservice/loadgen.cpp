// Load generator for the data service: N concurrent keep-alive connections on
// loopback send one kind of request for a bounded count, then the answer times
// are reported as p50 / p99 / max, with the failed requests (no answer, an HTTP
// error or a LogItem in the answer). With --stalled S, S more connections stay
// open without finishing a request the whole time (half of them idle, half
// with half a request line sent; any the service closes is opened again), as
// idle browsers or slow clients would.
//
//   stanor-dataservice-load --port N[,M...] [--host 127.0.0.1] [--connections 8] [--requests 4000]
//                           [--vehicles 10000] [--salespeople 20] [--rate 0] [--stalled 0] [--user 1]
//                           [--scenario infovo|query|surname|update|newconn|relances|all] [--tls AUTHORITY.crt]
// Each connection signs in once (the demo super-administrator unless told;
// the password of another user in STANOR_LOAD_PASSWORD, never on the command
// line), as a client does, and sends its session with every request; the
// sign-ins are timed apart ("signin"). A service that knows no sign-in is
// loaded without a session.
// The connections are spread over the ports given (one service instance each).
// "query" is the search of a registration containing three typed characters,
// "surname" that of a customer name containing two syllables (the names that
// scripts/gen-bench-db makes with NAMES=syllables), "newconn" the record
// read on a new connection for every request, "relances" the reminders due to
// one of the salespeople (asked by a super-administrator, as a salesperson's
// own are found). With --rate R each connection
// sends R requests a second at most, as a salesman at work would; without,
// each sends its next request as soon as the last is answered (the most the
// machine can serve). Times run from sending to the whole answer read. With
// --tls the connections are HTTPS, the service's certificate checked against
// the authority file given (as the client checks it).
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string host = "127.0.0.1";
    std::vector<int> ports;
    int port = 0;  // the first port, for the stalled connections
    int connections = 8;
    int requests = 4000;
    int vehicles = 10000;
    int salespeople = 20;  // numbered from 100 (scripts/gen-bench-db)
    int stalled = 0;
    double rate = 0;
    std::string scenario = "all";
    std::string user = "1";
    std::string password = "martin-admin-demo";
    std::string tlsAuthority;  // HTTPS when set: the authority that signed the service's certificate
};

// The syllables of the generated surnames (scripts/gen-bench-db, NAMES=syllables).
const char* const kSyllables[] = {"BER", "DU", "MAR", "TIN", "LE", "FEV", "RO", "BIN", "GAR", "NIER", "PON", "BOIS",
                                  "MO", "REAU", "LAU", "RENT", "SI", "MON", "FON", "TAI", "CHE", "VA", "LIER", "GI"};

// Connections that never finish a request, kept open until destroyed.
class StalledConnections {
public:
    StalledConnections(const Options& o) : options_(o), fds_(static_cast<size_t>(o.stalled), -1) {
        for (size_t i = 0; i < fds_.size(); ++i) fds_[i] = open(i);
        if (!fds_.empty()) keeper_ = std::thread([this] { keep(); });
    }
    ~StalledConnections() {
        stop_ = true;
        if (keeper_.joinable()) keeper_.join();
        for (int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    int reopened() const { return reopened_; }

private:
    // Connection i comes from a loopback address of its own group of 32
    // (127.0.1.1, 127.0.1.2, ...): stalled connections come from many hosts, and
    // the service takes at most 64 from one address.
    int open(size_t i) const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (options_.host == "127.0.0.1" || options_.host == "localhost") {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_addr.s_addr = htonl((127u << 24) | (1u << 8) | static_cast<uint32_t>(1 + i / 32));
            (void)::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        }
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(options_.port));
        inet_pton(AF_INET, options_.host == "localhost" ? "127.0.0.1" : options_.host.c_str(), &a.sin_addr);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            return -1;
        }
        static const char half[] = "GET /AxInfoVO?XMLC_OutputFormat=XML&idT";
        if (i % 2) (void)::send(fd, half, sizeof half - 1, MSG_NOSIGNAL);
        return fd;
    }
    // Opens again every connection the service closed (or answered).
    void keep() {
        while (!stop_) {
            std::vector<pollfd> fds;
            for (int fd : fds_) fds.push_back({fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 100) <= 0) continue;
            for (size_t i = 0; i < fds.size(); ++i)
                if (fds[i].revents) {
                    if (fds_[i] >= 0) ::close(fds_[i]);
                    fds_[i] = open(i);
                    ++reopened_;
                }
        }
    }
    const Options& options_;
    std::vector<int> fds_;
    std::thread keeper_;
    std::atomic<bool> stop_{false};
    std::atomic<int> reopened_{0};
};

// The request of a scenario; `n` varies the record so the cache does not answer alone.
std::string Request(const std::string& scenario, std::mt19937& rng, const Options& o) {
    std::uniform_int_distribution<int> vehicle(101, 100 + o.vehicles);
    if (scenario == "infovo" || scenario == "newconn")
        return "/AxInfoVO?XMLC_OutputFormat=XML&idTVO=" + std::to_string(vehicle(rng)) + "&UserID=1&idClient=";
    if (scenario == "relances") {
        std::uniform_int_distribution<int> salesperson(100, 99 + o.salespeople);
        return "/AxRelances?XMLC_OutputFormat=XML&UserID=1&idCom=" + std::to_string(salesperson(rng)) + "&idClient=";
    }
    if (scenario == "query") {
        std::uniform_int_distribution<int> letter(0, 25), digit(0, 9);
        const std::string typed = {char('A' + letter(rng)), char('A' + letter(rng)), char('0' + digit(rng))};
        return "/AxQuery?XMLC_OutputFormat=XML&SQL=SELECT%20TypeVO,%20idTVO%20as%20VO_ID,%20StatutVD,%20NVO%20as%20VO_NO,"
               "%20Immatriculation%20AS%20VO_IMMAT,%20[InfoMarque],%20[InfoModele],%20InfoVersion%20AS%20VO_VERSION,"
               "%20Acheteur%20AS%20VO_BUYER,%20DateOrdre%20AS%20VO_ORDRE,%20Immatriculation%20AS%20VO_Result,%20Site"
               "%20as%20VO_SITE,%20Concession,%20idOwner%20FROM%20TVehicles%20WHERE%20(Immatriculation%20like%20"
               "'%25" + typed + "%25')%20ORDER%20BY%20Immatriculation,%20DateOrdre%20desc&MaxRows=50&UserID=1&idClient=";
    }
    if (scenario == "surname") {
        std::uniform_int_distribution<size_t> syllable(0, std::size(kSyllables) - 1);
        const std::string typed = std::string(kSyllables[syllable(rng)]) + kSyllables[syllable(rng)];
        return "/AxQuery?XMLC_OutputFormat=XML&SQL=SELECT%20-1%20AS%20TypeVO,%20idClient%20AS%20VO_ID,%20idClient%20AS"
               "%20VO_NO,%20CliMobile,%20[CliCP],%20[CliVille],%20[CliAdresse1],%20[CliAdresse2],%20[CliNom],"
               "%20[CliPrenom],%20CliTelDom,%20Site%20AS%20VO_SITE,%20Concession,%20idOwner%20FROM%20TClients%20WHERE"
               "%20(CliNom%20like%20'%25" + typed + "%25')%20ORDER%20BY%20CliNom,%20CliPreNom,%20idClient%20desc"
               "&MaxRows=50&UserID=1&idClient=";
    }
    std::uniform_int_distribution<int> km(0, 250000);
    return "/AxUpdate?XMLC_OutputFormat=XML&SQLExecute=Update%20tVehicles%20set%20KMS=" + std::to_string(km(rng)) +
           "%20where%20(idTVO=" + std::to_string(vehicle(rng)) + ")&UserID=1&idClient=";
}

double Percentile(std::vector<double>& v, double p) {
    if (v.empty()) return 0;
    size_t k = static_cast<size_t>(p * (v.size() - 1) + 0.5);
    std::nth_element(v.begin(), v.begin() + k, v.end());
    return v[k];
}

// Signs the connection's client in; the time it took, or a negative time
// when the service gave no session (one that knows no sign-in).
double SignIn(httplib::Client& client, const Options& o) {
    const auto t0 = std::chrono::steady_clock::now();
    auto res = client.Post("/AxLogin", httplib::Params{{"UserID", o.user}, {"Password", o.password}});
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const std::string body = res ? res->body : std::string();
    const size_t at = body.find("<Token>"), end = body.find("</Token>");
    if (at == std::string::npos || end == std::string::npos) return -1;
    client.set_bearer_token_auth(body.substr(at + 7, end - at - 7));
    return ms;
}

int Run(const std::string& scenario, const Options& o) {
    std::vector<std::vector<double>> times(o.connections);
    std::vector<double> signIns(o.connections, -1);
    std::atomic<int> failures{0}, next{0};
    std::vector<std::thread> threads;
    // Every connection is opened and used once before the clock starts, so that
    // the figures are those of requests, not of connection set-up.
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    auto started = std::chrono::steady_clock::now();
    for (int c = 0; c < o.connections; ++c)
        threads.emplace_back([&, c] {
            const int port = o.ports[static_cast<size_t>(c) % o.ports.size()];
            httplib::Client client((o.tlsAuthority.empty() ? "http://" : "https://") + o.host + ":" + std::to_string(port));
            if (!o.tlsAuthority.empty()) {
                client.set_ca_cert_path(o.tlsAuthority.c_str());
                client.enable_server_certificate_verification(true);
            }
            client.set_url_encode(false);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_read_timeout(10, 0);
            std::mt19937 rng(1234u + c);
            signIns[c] = SignIn(client, o);
            client.Get("/AxInfoStruct?XMLC_OutputFormat=XML&UserConcession=ALV");
            if (++ready == o.connections) {
                started = std::chrono::steady_clock::now();
                go = true;
            }
            while (!go) std::this_thread::yield();
            const int requests = scenario == "newconn" ? std::max(1, o.requests / 4) : o.requests;
            // Paced connections start spread over one interval and keep their own schedule.
            const auto step = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(o.rate > 0 ? 1.0 / o.rate : 0.0));
            auto due = std::chrono::steady_clock::now() + step * c / o.connections;
            while (next.fetch_add(1) < requests) {
                const std::string path = Request(scenario, rng, o);
                if (o.rate > 0) {
                    std::this_thread::sleep_until(due);
                    due += step;
                }
                const auto t0 = std::chrono::steady_clock::now();
                if (scenario == "newconn") client.stop();  // the connection is part of the request
                auto res = client.Get(path.c_str());
                const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                times[c].push_back(ms);
                if (!res || res->status != 200 || res->body.find("<LogItem>") != std::string::npos) ++failures;
            }
        });
    for (auto& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::vector<double> all;
    for (auto& t : times) all.insert(all.end(), t.begin(), t.end());
    const size_t count = all.size();
    const double p50 = Percentile(all, 0.50), p99 = Percentile(all, 0.99);
    const double max = all.empty() ? 0 : *std::max_element(all.begin(), all.end());
    std::printf("%-8s%s requests=%zu connections=%d instances=%zu stalled=%d p50=%.2f ms p99=%.2f ms max=%.2f ms "
                "rate=%.0f/s failed=%d\n",
                scenario.c_str(), o.tlsAuthority.empty() ? "" : " TLS", count, o.connections, o.ports.size(), o.stalled, p50, p99, max, count / seconds,
                failures.load());
    std::vector<double> signed_;
    for (double ms : signIns)
        if (ms >= 0) signed_.push_back(ms);
    if (signed_.empty())
        std::printf("%-8s sans session : le service ne connaît pas la connexion\n", "signin");
    else
        std::printf("%-8s requests=%zu p50=%.1f ms max=%.1f ms (en même temps sur %d connexions)\n", "signin",
                    signed_.size(), Percentile(signed_, 0.50), *std::max_element(signed_.begin(), signed_.end()),
                    o.connections);
    return failures.load();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--host") o.host = v;
        else if (a == "--port") {
            for (size_t at = 0; at <= v.size();) {
                const size_t comma = std::min(v.find(',', at), v.size());
                o.ports.push_back(std::atoi(v.substr(at, comma - at).c_str()));
                at = comma + 1;
            }
            o.port = o.ports.front();
        }
        else if (a == "--rate") o.rate = std::max(0.0, std::atof(v.c_str()));
        else if (a == "--connections") o.connections = std::max(1, std::atoi(v.c_str()));
        else if (a == "--requests") o.requests = std::clamp(std::atoi(v.c_str()), 1, 1000000);
        else if (a == "--vehicles") o.vehicles = std::max(1, std::atoi(v.c_str()));
        else if (a == "--salespeople") o.salespeople = std::max(1, std::atoi(v.c_str()));
        else if (a == "--stalled") o.stalled = std::clamp(std::atoi(v.c_str()), 0, 1000);
        else if (a == "--scenario") o.scenario = v;
        else if (a == "--user") o.user = v;
        else if (a == "--tls") o.tlsAuthority = v;
        else { std::fprintf(stderr, "option inconnue : %s\n", a.c_str()); return 2; }
    }
    if (const char* password = std::getenv("STANOR_LOAD_PASSWORD")) o.password = password;
    // Loopback only: the load is never sent anywhere else.
    const bool portsOk = !o.ports.empty() && std::all_of(o.ports.begin(), o.ports.end(), [](int p) { return p > 0; });
    if (!portsOk || (o.host != "127.0.0.1" && o.host != "localhost" && o.host != "::1")) {
        std::fprintf(stderr, "usage : stanor-dataservice-load --port N[,M...] [--host 127.0.0.1] [--scenario all]\n");
        return 2;
    }
    int failed = 0;
    {
        StalledConnections stalled(o);
        for (const char* s : {"infovo", "query", "surname", "update", "newconn", "relances"})
            if (o.scenario == "all" || o.scenario == s) failed += Run(s, o);
        if (o.stalled > 0)
            std::printf("stalled connections closed by the service and opened again: %d\n", stalled.reopened());
    }
    return failed == 0 ? 0 : 1;
}
