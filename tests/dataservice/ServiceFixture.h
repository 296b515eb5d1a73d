#pragma once
// A data service running in this process on a free loopback port, over a fresh
// copy of the demo database for each group of tests (in the store under test,
// see TestStores.h), spoken to over real HTTP. Its clock stands still (9
// December 2026, noon) unless a test moves it. Every request goes signed in
// as user 1, the super-administrator, unless a test asks for another user.

#include "DataService.h"
#include "TestStores.h"
#include "service/TXml.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <map>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace stanor::dataservice::test {

class ServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // `adjust`, when given, changes the service's options last (TLS, a proxy...).
    static void StartService(DatabaseOptions options = {}, HttpLimits http = {}, ServiceLimits limits = {},
                             const std::function<void(ServiceOptions&)>& adjust = {});
    static void StartService(DatabaseOptions options, HttpLimits http,
                             const std::function<void(ServiceOptions&)>& adjust) {
        StartService(std::move(options), std::move(http), ServiceLimits{}, adjust);
    }

    // GET of BaseHRef + `request`, finished as the client does: blanks become
    // %20 and "#" becomes %23; the rest is sent as it stands.
    static std::string Get(const std::string& request);
    // The client's statement sent to an endpoint ("AxUpdate", "AxInsert", "AxQuery").
    static std::string Send(const std::string& endpoint, const std::string& statement);
    // A value of the database, read directly with every right, in its wire form.
    static std::string Scalar(const std::string& sql);
    static long long Count(const std::string& table, const std::string& where = "1=1");

    // The answer scanned as the client scans it.
    static service::TXml Scan(const std::string& body);
    // Texts of the LogItem items of an answer, joined by " - " as the client shows them.
    static std::string LogItems(const std::string& body);
    // "NewID" of an answer's "OutParams".
    static std::string NewId(const std::string& body);

    // A client of the service whose requests carry the session of user 1
    // (or the token given; "" for none).
    static std::unique_ptr<httplib::Client> Client();
    static std::unique_ptr<httplib::Client> Client(const std::string& token);
    // A session of a demo user ("2" the salesperson, "3" the accounting
    // user, "9999" the test user), opened once per group of tests.
    static std::string TokenFor(const std::string& idUser);
    // Get(), with the session of `token`.
    static std::string GetAs(const std::string& token, const std::string& request);
    // Moves the service's clock on (sessions end by it).
    static void AdvanceClock(std::chrono::seconds by) { clockShift_ += by.count(); }
    // The service's "now": 9 December 2026, noon, moved on as the tests moved it.
    static std::chrono::system_clock::time_point ServiceNow();

    static inline std::string token_;  // user 1's session
    static inline std::map<std::string, std::string> tokens_;
    static inline std::atomic<long long> clockShift_{0};

    static inline std::string dir_;
    static inline std::unique_ptr<DemoCopy> copy_;
    static inline std::unique_ptr<Store> checks_;  // the copy with every right
    static inline std::string images_;
    static inline int port_ = 0;
    static inline std::unique_ptr<DataService> service_;
    static inline std::unique_ptr<std::thread> thread_;
};

}  // namespace stanor::dataservice::test
