#include "ServiceFixture.h"

#include "service/TextTools.h"

#include <QString>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

namespace stanor::dataservice::test {

void ServiceTest::StartService(DatabaseOptions options, HttpLimits http, ServiceLimits limits,
                               const std::function<void(ServiceOptions&)>& adjust) {
    dir_ = MakeTempDir();
    images_ = dir_ + "/images";
    copy_ = std::make_unique<DemoCopy>(dir_);
    checks_ = copy_->open();
    ServiceOptions o;
    copy_->configure(o);
    o.imagesDir = images_;
    o.port = 0;
    o.logRequests = false;
    o.database = options;
    o.http = http;
    clockShift_ = 0;
    o.clock = [] { return ServiceNow(); };
    o.limits = limits;
    if (adjust) adjust(o);
    service_ = std::make_unique<DataService>(o);
    port_ = service_->start();
    thread_ = std::make_unique<std::thread>([] { service_->run(); });
    tokens_.clear();
    token_.clear();
    // A service in TLS, or taking its proxy's connections alone, is signed in to by its tests themselves.
    if (o.tlsCert.empty() && o.tlsProxy.empty()) token_ = TokenFor("1");
}

std::chrono::system_clock::time_point ServiceTest::ServiceNow() {
    std::tm tm{};
    tm.tm_year = 126; tm.tm_mon = 11; tm.tm_mday = 9; tm.tm_hour = 12; tm.tm_isdst = -1;
    static const auto fixed = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    return fixed + std::chrono::seconds(clockShift_.load());
}

std::string ServiceTest::TokenFor(const std::string& idUser) {
    auto& token = tokens_[idUser];
    if (token.empty()) {
        std::string answer;
        token = SignIn(port_, idUser, {}, &answer);
        EXPECT_FALSE(token.empty()) << "user " << idUser << ": " << answer;
    }
    return token;
}

void ServiceTest::SetUpTestSuite() { StartService(); }

void ServiceTest::TearDownTestSuite() {
    if (service_) service_->stop();
    if (thread_) thread_->join();
    thread_.reset();
    service_.reset();
    checks_.reset();
    copy_.reset();
    fs::remove_all(dir_);
}

std::unique_ptr<httplib::Client> ServiceTest::Client() { return Client(token_); }

std::unique_ptr<httplib::Client> ServiceTest::Client(const std::string& token) {
    auto c = std::make_unique<httplib::Client>("127.0.0.1", port_);
    c->set_url_encode(false);
    c->set_read_timeout(10, 0);
    if (!token.empty()) c->set_bearer_token_auth(token);
    return c;
}

std::string ServiceTest::Get(const std::string& request) { return GetAs(token_, request); }

std::string ServiceTest::GetAs(const std::string& token, const std::string& request) {
    std::string url = "/" + request;
    std::string finished;
    for (char c : url) {
        if (c == ' ') finished += "%20";
        else if (c == '#') finished += "%23";
        else finished.push_back(c);
    }
    auto res = Client(token)->Get(finished.c_str());
    if (!res) return "(pas de réponse)";
    EXPECT_EQ(res->status, 200) << request;
    return res->body;
}

std::string ServiceTest::Send(const std::string& endpoint, const std::string& statement) {
    const std::string param = endpoint == "AxQuery" ? "SQL" : "SQLExecute";
    return Get(endpoint + "?XMLC_OutputFormat=XML&" + param + "=" + statement + "&idClient=");
}

std::string ServiceTest::Scalar(const std::string& sql) {
    ResultSet r = checks_->acquire()->query(sql);
    return r.rows.empty() || r.rows[0].empty() ? std::string("(aucune ligne)") : r.rows[0][0];
}

long long ServiceTest::Count(const std::string& table, const std::string& where) {
    return std::stoll(Scalar("SELECT count(*) FROM " + QuoteIdentifier(table) + " WHERE " + where));
}

service::TXml ServiceTest::Scan(const std::string& body) {
    service::TXml xml;
    xml.Text = service::FromAnsi(QByteArray(body.data(), static_cast<qsizetype>(body.size())));
    return xml;
}

std::string ServiceTest::LogItems(const std::string& body) {
    service::TXml xml = Scan(body);
    service::XmlFind(xml, "LogItems");
    std::string out;
    while (service::XmlNext(xml, "LogItem")) out += xml.Item.toStdString() + " - ";
    return out;
}

std::string ServiceTest::NewId(const std::string& body) {
    service::TXml xml = Scan(body);
    service::XmlFind(xml, "OutParams");
    QString value;
    service::XmlGet(xml, "NewID", value);
    return value.toStdString();
}

}  // namespace stanor::dataservice::test
