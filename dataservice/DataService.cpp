#include "DataService.h"

#include "DemoLoader.h"
#include "DemoPhotos.h"
#include "ListenPolicy.h"
#include "PgStore.h"
#include "ReportPdf.h"
#include "SqliteStore.h"
#include "XmlAnswer.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace stanor::dataservice {

namespace {

// Connections a service opens to a PostgreSQL store at most; the requests
// beyond wait for one (several services share the server's connections).
constexpr size_t kPgSessions = 32;

const std::string kXmlType = "text/xml; charset=ISO-8859-1";
const std::string kImagesPrefix = "/images/";
const std::string kSmsPath = "/tools/smssend/smssend.php5";

// The endpoint named by the last segment of the path ("/base/AxQuery" -> "AxQuery").
std::string Endpoint(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RawQuery(const httplib::Request& req) {
    size_t q = req.target.find('?');
    return q == std::string::npos ? std::string() : req.target.substr(q + 1);
}

std::vector<FormPart> Parts(const httplib::Request& req) {
    std::vector<FormPart> parts;
    for (const auto& [name, part] : req.files) parts.push_back({name, part.filename, part.content});
    return parts;
}

// The last "X-Forwarded-For" header: the one a proxy added after the client's own.
std::string LastForwardedFor(const httplib::Request& req) {
    const size_t count = req.get_header_value_count("X-Forwarded-For");
    return count == 0 ? std::string() : req.get_header_value("X-Forwarded-For", count - 1);
}

std::string Now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// Whether a file of the images folder is a photo ("V0001001-03.jpg", or its
// miniature "...m.jpg") of a vehicle of the dealership.
bool PhotoOfDealership(Session& s, const std::string& file, const std::string& dealership) {
    const size_t dash = file.find('-');
    if (dealership.empty() || file.size() < 2 || file[0] != 'V' || dash == std::string::npos || dash < 2 || dash > 19)
        return false;
    const std::string idVO = file.substr(1, dash - 1);
    if (idVO.find_first_not_of("0123456789") != std::string::npos) return false;
    const ResultSet v = s.query("SELECT Concession FROM tVehicles WHERE idVO = ?", {std::to_string(std::stoll(idVO))});
    return !v.rows.empty() && UpperWord(v.value(0, "Concession")) == UpperWord(dealership);
}

// First LogItem of an answer, for the request log.
std::string Summary(const std::string& body) {
    size_t at = body.find("<LogItem>");
    if (at == std::string::npos) return "ok";
    size_t end = body.find("</LogItem>", at);
    std::string item = body.substr(at + 9, std::min<size_t>(end - at - 9, 160));
    return "LogItem: " + AnsiToUtf8(item).value_or(item);
}

// The origin of a request sent by a web page of another site (a browser
// names it in "Origin", or says "Sec-Fetch-Site" is not this one): such a
// page may not act for the user whose workstation runs it. Empty otherwise.
std::string ForeignOrigin(const httplib::Request& req) {
    const std::string site = req.get_header_value("Sec-Fetch-Site");
    if (!site.empty() && site != "same-origin" && site != "none") return site;
    if (!req.has_header("Origin")) return {};
    const std::string origin = req.get_header_value("Origin"), host = req.get_header_value("Host");
    if (!host.empty() && (origin == "http://" + host || origin == "https://" + host)) return {};
    return origin.empty() ? std::string("null") : origin.substr(0, 80);
}

// The token of "Authorization: Bearer TOKEN".
std::string BearerToken(const httplib::Request& req) {
    const std::string value = req.get_header_value("Authorization");
    if (value.size() < 7 || LowerAscii(value.substr(0, 7)) != "bearer ") return {};
    const size_t begin = value.find_first_not_of(' ', 7), end = value.find_last_not_of(' ');
    return begin == std::string::npos ? std::string() : value.substr(begin, end - begin + 1);
}

// The user that a "UserID" of the request names, when it is not the session's.
std::string OtherUser(const httplib::Request& req, const std::string& user) {
    std::vector<std::string> named;
    if (const std::string query = RawQuery(req); query.find("UserID") != std::string::npos) {
        const QueryParams p = ParseQuery(query);
        if (p.has("UserID")) named.push_back(p.get("UserID"));
    }
    for (const auto& [name, part] : req.files)
        if (name == "UserID") named.push_back(part.content);
    for (const std::string& id : named) {
        const bool digits = !id.empty() && id.size() < 19 && id.find_first_not_of("0123456789") == std::string::npos;
        if (id.empty() || id == user || (digits && std::stoll(id) == std::stoll(user))) continue;
        return id.substr(0, 40);
    }
    return {};
}

// The fields of a form sent as "application/x-www-form-urlencoded" or as multipart.
std::map<std::string, std::string> FormFields(const httplib::Request& req) {
    std::map<std::string, std::string> fields;
    if (req.is_multipart_form_data()) {
        for (const auto& [name, part] : req.files) fields.emplace(name, part.content);
        return fields;
    }
    if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) != 0) return fields;
    size_t at = 0;
    while (at <= req.body.size()) {
        size_t amp = req.body.find('&', at);
        if (amp == std::string::npos) amp = req.body.size();
        std::string pair = req.body.substr(at, amp - at);
        for (char& c : pair)
            if (c == '+') c = ' ';
        const size_t eq = pair.find('=');
        if (eq != std::string::npos) fields.emplace(PercentDecode(pair.substr(0, eq)), PercentDecode(pair.substr(eq + 1)));
        at = amp + 1;
    }
    return fields;
}

std::string Iso8601(std::chrono::system_clock::time_point t) {
    std::string text = UtcText(t);
    text[10] = 'T';
    return text + "Z";
}

}  // namespace

DataService::DataService(ServiceOptions options) : options_(std::move(options)) {}

DataService::~DataService() { stop(); }

void DataService::writeLog(const std::string& line) {
    if (options_.log) {
        options_.log(line);
        return;
    }
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::cerr << line << '\n';
}

void DataService::logLine(const std::string& line) {
    if (options_.logRequests) writeLog(line);
}

// A limit reached is always told, even by a quiet service: it is what the
// group's IT looks for when a request was refused.
void DataService::limitLine(const std::string& why) { writeLog(Now() + " limite atteinte : " + why); }

int DataService::start() {
    if (const std::string refusal = ListenRefusal(options_.bindAddress, !options_.tlsCert.empty(), options_.tlsProxy);
        !refusal.empty())
        throw std::runtime_error(refusal);
    if (options_.tlsCert.empty() != options_.tlsKey.empty())
        throw std::runtime_error("le certificat et la clé privée du service vont ensemble (--tls-cert et --tls-key)");
    if (!options_.tlsCert.empty()) tls_ = LoadTlsContext(options_.tlsCert, options_.tlsKey);
    const ServiceLimits& limits = options_.limits;
    options_.database.statementTimeMs = limits.statementMs;
    options_.database.writeLockMs = limits.writeLockMs;
    options_.database.writeWaitMs = limits.writeWaitMs;
    options_.database.maxRows = limits.maxRows;
    options_.database.answerBytes = limits.answerBytes;
    options_.http.maxBodyBytes = limits.bodyBytes;
    options_.http.connectionsPerAddress = limits.connectionsPerAddress;
    options_.http.unlimitedAddresses = limits.unlimitedAddresses;
    // Behind the group's TLS proxy every workstation comes through its one address.
    if (!options_.tlsProxy.empty()) options_.http.unlimitedAddresses.push_back(NumericAddress(options_.tlsProxy));
    if (!options_.pgConninfo.empty()) {
        DatabaseOptions dbOptions = options_.database;
        if (dbOptions.maxSessions == 0) dbOptions.maxSessions = kPgSessions;
        auto pg = std::make_unique<PgStore>(options_.pgConninfo, dbOptions);
        // A role that could reach more than the client's statements need would
        // leave the users, the keys and the tab descriptions one slip away.
        if (const auto excess = pg->excessRights(); !excess.empty()) {
            std::string list;
            for (size_t i = 0; i < excess.size() && i < 6; ++i) list += (i ? ", " : "") + excess[i];
            if (excess.size() > 6) list += " et " + std::to_string(excess.size() - 6) + " autres";
            const bool unsecured = std::any_of(excess.begin(), excess.end(), [](const std::string& e) {
                return e.rfind("exécution", 0) == 0 || e.rfind("lecture du catalogue", 0) == 0;
            });
            throw std::runtime_error(
                "le rôle de connexion a des droits que le service ne doit pas avoir (" + list +
                ") : le service se connecte avec le rôle qui n'a de droits que sur les tables de l'application "
                "(celui de --service-role à l'import)" +
                (unsecured ? std::string(", sur une base protégée par stanor-dataservice --pg CONNEXION --secure "
                                         "(en superutilisateur)")
                           : std::string()));
        }
        if (const auto open = pg->tablesWithoutWall(); !open.empty())
            throw std::runtime_error("la base PostgreSQL n'a pas de cloison entre les concessions sur " + open.front() +
                                     " (base importée avant elle) : l'importer de nouveau (--import)");
        db_ = std::move(pg);
    } else {
        if (!fs::exists(options_.dbPath)) {
            if (options_.demoDir.empty()) throw std::runtime_error("base introuvable et aucun dossier de démonstration");
            CreateDemoDatabase(options_.dbPath, options_.demoDir,
                               options_.clock ? options_.clock() : std::chrono::system_clock::now());
        }
        DatabaseOptions dbOptions = options_.database;
        dbOptions.backgroundCheckpoints = true;
        auto sqlite = std::make_unique<SqliteStore>(options_.dbPath, dbOptions);
        sqlite->acquire();  // fails early when the file is no database
        if (sqlite->upgradeTextIndexes())
            logLine("index des textes reconstruits pour la comparaison sans casse de toutes les lettres");
        if (sqlite->ensureReminderBookkeeping()) logLine("relances suivies marquées dans la base (index et déclencheurs)");
        db_ = std::move(sqlite);
    }
    if (!options_.imagesDir.empty()) EnsureDemoPhotos(*db_, options_.imagesDir);
    endpoints_ = std::make_unique<Endpoints>(*db_, options_.imagesDir, options_.clock, limits,
                                             [this](const std::string& why) { limitLine(why); });
    options_.http.limitReached = [this](const std::string& why) { limitLine(why); };
    sessions_ = std::make_unique<Sessions>(*db_, options_.clock, [this](const std::string& line) { logLine(Now() + " " + line); },
                                           options_.sessions);
    server_ = std::make_unique<HttpServer>(options_.http);
    if (tls_) server_->useTls(tls_.get());
    if (!options_.tlsProxy.empty()) server_->admitOnly(NumericAddress(options_.tlsProxy));
    server_->onConnectionFailure([this](const std::string& line) { logLine(Now() + " " + line); });
    server_->set_payload_max_length(limits.bodyBytes);
    server_->set_keep_alive_max_count(1000);
    routes();
    port_ = server_->bindExclusive(options_.bindAddress, options_.port);
    return port_;
}

void DataService::run() {
    running_ = true;
    if (server_ && !stopRequested_) {
        if (db_->wantsCheckpoints()) checkpointer_ = std::thread([this] { checkpoints(); });
        server_->listen_after_bind();
        {
            std::lock_guard<std::mutex> lock(checkpointMutex_);
            stopRequested_ = true;
        }
        checkpointWake_.notify_all();
        if (checkpointer_.joinable()) checkpointer_.join();
    }
    running_ = false;
}

// Moves committed pages from the log into the database file once a second,
// and once more on the way out.
void DataService::checkpoints() {
    std::unique_lock<std::mutex> lock(checkpointMutex_);
    for (;;) {
        checkpointWake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopRequested_.load(); });
        try {
            db_->checkpoint();
        } catch (const std::exception& e) {
            logLine(std::string("point de contrôle du journal impossible : ") + e.what());
        }
        if (stopRequested_) return;
    }
}

void DataService::stop() {
    stopRequested_ = true;
    if (!server_) return;
    // run() may be between its check and the start of listening: wait for one or the other.
    while (running_ && !server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server_->shutdown();
}

std::string DataService::signIn(const httplib::Request& req) {
    const std::string root = "Answer request=\"AxLogin\"";
    if (req.method != "POST")
        return XmlAnswer::Failure(root, {"La connexion se demande par POST, UserID et Password dans le corps"});
    const auto fields = FormFields(req);
    const auto user = fields.find("UserID"), password = fields.find("Password");
    if (user == fields.end() || password == fields.end())
        return XmlAnswer::Failure(root, {"Connexion incomplète : les champs UserID et Password sont attendus"});
    const Sessions::SignedIn s = sessions_->signIn(user->second, password->second,
                                                            ClientAddress(req.remote_addr, LastForwardedFor(req), options_.tlsProxy));
    if (s.token.empty()) return XmlAnswer::Failure(root, {s.refusal});
    XmlAnswer out(root);
    out.element("Token", s.token);
    out.element("Expires", Iso8601(s.expires));
    return out.finish();
}

void DataService::routes() {
    auto answer = [this](const httplib::Request& req, httplib::Response& res) {
        const auto started = std::chrono::steady_clock::now();
        const std::string endpoint = Endpoint(req.path);
        std::string body;
        std::string type = kXmlType;
        int status = 200;
        const bool image = req.path.rfind(kImagesPrefix, 0) == 0;
        // Every request but the sign-in acts for the user of its session;
        // without one, nothing is read or written.
        Caller caller{std::string(), ClientAddress(req.remote_addr, LastForwardedFor(req), options_.tlsProxy)};
        std::optional<std::string> user;
        if (const std::string origin = ForeignOrigin(req); !origin.empty()) {
            status = 403;
            body = XmlAnswer::Failure("Answer", {"Requête refusée : elle vient d'une page web d'un autre site (" +
                                                 origin + ")"});
        } else if (!image && endpoint == "AxLogin") {
            body = signIn(req);
        } else if (!(user = sessions_->userOf(BearerToken(req)))) {
            status = 401;
            res.set_header("WWW-Authenticate", "Bearer realm=\"stanor-dataservice\"");
            body = XmlAnswer::Failure("Answer", {messages::kNoSession});
        } else if (const std::string other = OtherUser(req, *user); !other.empty()) {
            body = XmlAnswer::Failure("Answer", {"Requête refusée : UserID=" + other +
                                                 " ne désigne pas l'utilisateur de la session (" + *user + ")"});
        } else {
            caller.userId = *user;
        }
        if (caller.userId.empty()) {
            // answered above
        } else if (image && req.method == "GET") {
            const std::string name = req.path.substr(kImagesPrefix.size());
            bool safe = !name.empty() && name.find('/') == std::string::npos && name[0] != '.' &&
                        name.find("..") == std::string::npos && name.find('\\') == std::string::npos;
            fs::path file = fs::path(options_.imagesDir) / name;
            std::ifstream in(file, std::ios::binary);
            // A vehicle's photos are its dealership's.
            if (safe) {
                const std::string dealership = endpoints_->dealershipOf(caller);
                safe = PhotoOfDealership(*db_->acquire(), name, dealership);
            }
            if (safe && !options_.imagesDir.empty() && in && fs::is_regular_file(file)) {
                body.assign(std::istreambuf_iterator<char>(in), {});
                type = "image/jpeg";
            } else {
                status = 404;
                body = XmlAnswer::Failure("Answer", {"Photo introuvable : " + name.substr(0, 80)});
            }
        } else if (req.path == kSmsPath && req.method == "POST") {
            body = endpoints_->sendSms(caller, Parts(req));
            type = "text/plain; charset=UTF-8";
        } else if (req.method == "POST" && endpoint == "AxInsert") {
            body = endpoints_->upload(caller, Parts(req));
        } else if (req.method == "GET" || req.method == "POST") {
            QueryParams p = ParseQuery(RawQuery(req));
            if (endpoint == "AxInfoEquip") body = endpoints_->infoEquip(caller, p);
            else if (endpoint == "AxInfoStruct") body = endpoints_->infoStruct(caller, p);
            else if (endpoint == "AxInfoVO") body = endpoints_->infoVO(caller, p);
            else if (endpoint == "AxInfoCL") body = endpoints_->infoCL(caller, p);
            else if (endpoint == "AxQuery") body = endpoints_->query(caller, p);
            else if (endpoint == "AxRelances") body = endpoints_->reminders(caller, p);
            else if (endpoint == "AxHistory") body = endpoints_->history(caller, p);
            else if (endpoint == "AxUpdate" || endpoint == "AxInsert") body = endpoints_->execute(caller, p, endpoint);
            else if (endpoint == "ReportPDF") {
                if (!p.error.empty()) {
                    body = XmlAnswer::Failure("Answer", {p.error});
                } else {
                    const std::string dealership = endpoints_->dealershipOf(caller);
                    Report report = BuildReport(*endpoints_->session(caller), p.get("rptSelect"), p.get("rptName"),
                                                endpoints_->today(), options_.imagesDir, dealership, options_.limits);
                    body = report.ok ? report.body : XmlAnswer::Failure("Answer", {report.body});
                    if (report.limit) limitLine("ReportPDF : " + report.body);
                    if (report.ok) type = "application/pdf";
                }
            }
            else body = XmlAnswer::Failure("Answer", {"Requête inconnue du service de données : " +
                                                      req.path.substr(0, 80)});
        } else {
            body = XmlAnswer::Failure("Answer", {"Méthode non prise en charge : " + req.method});
        }
        // The answers the service writes itself stay within the answer limit too.
        if (type == kXmlType && body.size() > options_.limits.answerBytes) {
            limitLine(endpoint + " : " + messages::AnswerTooLarge(options_.limits.answerBytes));
            body = XmlAnswer::Failure("Answer", {messages::AnswerTooLarge(options_.limits.answerBytes)});
        }
        res.status = status;
        res.set_content(body, type.c_str());
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        char timing[32];
        std::snprintf(timing, sizeof timing, "%.1f ms", ms);
        logLine(Now() + " " + req.method + " " + req.path + " " + std::to_string(status) + " " + timing + " " +
                (type == kXmlType ? Summary(body) : std::to_string(body.size()) + " octets"));
    };
    server_->Get(".*", answer);
    server_->Post(".*", answer);
    server_->Put(".*", answer);
    server_->Delete(".*", answer);

    // Failures that the HTTP layer detects itself (unreadable request, body or
    // address too long, broken multipart body) get an answer the client can show.
    server_->set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return;
        std::string why;
        switch (res.status) {
            case 400: why = "Requête mal formée (corps ou formulaire illisible)"; break;
            case 413:
                why = "Requête trop volumineuse : son corps dépasse " + std::to_string(options_.limits.bodyBytes) +
                      " octets";
                break;
            case 414: why = "Adresse de requête trop longue"; break;
            default: why = "Requête refusée par le service de données (" + std::to_string(res.status) + ")";
        }
        logLine(Now() + " " + req.method + " " + req.path + " " + std::to_string(res.status) + " " + why);
        if (res.status == 400 || res.status == 413 || res.status == 414 || res.status == 431)
            HttpServer::CloseAfterThisAnswer();
        res.status = 200;
        res.set_content(XmlAnswer::Failure("Answer", {why}), kXmlType.c_str());
    });
    server_->set_exception_handler([this](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
        std::string why = "Erreur interne du service de données";
        try {
            if (ep) std::rethrow_exception(ep);
        } catch (const DatabaseBusy&) {
            why = "WAIT_TIMEOUT : la base de données est occupée, la requête peut être répétée";
        } catch (const std::exception& e) {
            why += std::string(" : ") + e.what();
        } catch (...) {
        }
        logLine(Now() + " " + req.method + " " + req.path + " 200 " + why);
        res.status = 200;
        res.set_content(XmlAnswer::Failure("Answer", {why}), kXmlType.c_str());
    });
}

}  // namespace stanor::dataservice
