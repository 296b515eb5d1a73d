// The start-up requests: the proxy taken from the user's settings and the
// cached reference lists and tab descriptions.
#include "service/DataServiceClient.h"
#include "service/ProxySetup.h"
#include "service/RequestCatalogue.h"
#include "service/UpdateParams.h"

#include "TestHost.h"
#include "TestServer.h"
#include "platform/Environment.h"
#include "platform/MemorySettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stanor::service;
using namespace stanor::service::test;
using stanor::platform::kInternetSettingsKey;
using stanor::platform::StoredValue;
using stanor::platform::ValueType;

namespace {
ClientOptions QuickOptions()
{
    ClientOptions o;
    o.pause = [](int) {};
    return o;
}
}  // namespace

TEST(SetupProxy, TakesTheUsersInternetSettingsOrTheEnvironment)
{
    TestServer proxy;  // plays the proxy: it receives the absolute address
    proxy.answers({"<viaProxy/>"});
    const QString address = QStringLiteral("127.0.0.1:%1").arg(proxy.port());
    enum class Store { None, Enabled, Disabled, NoEnableValue };
    struct Case {
        const char* name;
        Store store;
        QString httpProxy;
        bool used;
    } cases[] = {
        {"enabled", Store::Enabled, "", true},
        {"disabled", Store::Disabled, "http://127.0.0.1:1/", false},
        {"no ProxyEnable", Store::NoEnableValue, "", false},
        {"environment", Store::None, "http://" + address + "/", true},
        {"nothing", Store::None, "", false},
    };
    for (const Case& c : cases) {
        stanor::platform::MemorySettingsStore store;
        if (c.store != Store::None) {
            store.createKey(kInternetSettingsKey);
            store.setValue(kInternetSettingsKey, "ProxyServer", {ValueType::String, address, 0});
        }
        if (c.store == Store::Enabled || c.store == Store::Disabled)
            store.setValue(kInternetSettingsKey, "ProxyEnable",
                           {ValueType::DWord, {}, c.store == Store::Enabled ? 1u : 0u});
        stanor::platform::ScriptedEnvironment env;
        env.vars["http_proxy"] = c.httpProxy;

        TestHost host;
        QTemporaryDir dir;
        DataServiceClient client(host, QuickOptions());
        SetupProxy(client, host, store, env);

        const QString shown = QStringLiteral("127.0.0.1 - %1 - ").arg(proxy.port());
        EXPECT_EQ(host.debugInfo1, c.used ? shown : QString()) << c.name;
        EXPECT_EQ(host.traced("Connexion Proxy : "),
                  c.used ? QStringList{"Connexion Proxy : " + shown} : QStringList{})
            << c.name;
        EXPECT_EQ(host.version, "TAxStanor-1.0.0.1-" + (c.used ? address + "-" : QString())) << c.name;
        if (!c.used)
            continue;
        // Both clients now go through the proxy.
        client.HttpExecute("http://stanor-demo.invalid/AxInfoVO?x=1", dir.filePath("XmlVO.xml"));
        EXPECT_EQ(host.error, "") << c.name;
        EXPECT_EQ(proxy.seen().back().target, "http://stanor-demo.invalid/AxInfoVO?x=1&idClient=");
        EXPECT_TRUE(client.DownloadPhoto("http://stanor-demo.invalid/images/1.jpg").ok) << c.name;
        EXPECT_EQ(proxy.seen().back().target, "http://stanor-demo.invalid/images/1.jpg");
    }
}

TEST(SetupProxy, NoProxyIsReadAsCurlReadsIt)
{
    const struct {
        const char* host;
        int port;
        const char* noProxy;
        bool direct;
    } cases[] = {
        {"srv.exemple.fr", 80, "exemple.fr", true},          // the domain and the names under it
        {"exemple.fr", 80, ".exemple.fr", true},              // a leading dot is dropped
        {"autreexemple.fr", 80, "exemple.fr", false},         // not a suffix of another name
        {"SRV.Exemple.FR", 80, " foo , exemple.fr ", true},   // any case, blanks ignored
        {"srv.exemple.fr", 8080, "srv.exemple.fr:80", false}, // another port
        {"srv.exemple.fr", 80, "srv.exemple.fr:80", true},
        {"10.1.2.3", 80, "10.0.0.0/8", true},                 // a range
        {"11.1.2.3", 80, "10.0.0.0/8", false},
        {"192.168.1.5", 80, "192.168.1.5", true},
        {"[::1]", 80, "::1", true},
        {"srv.exemple.fr", 80, "*", true},
        {"srv.exemple.fr", 80, "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NoProxyFor(c.host, c.port, c.noProxy), c.direct) << c.host << " / " << c.noProxy;
    for (const char* loopback : {"127.0.0.1", "127.8.9.1", "localhost", "[::1]"})
        EXPECT_TRUE(IsLoopbackHost(loopback)) << loopback;
    EXPECT_FALSE(IsLoopbackHost("10.0.0.1"));
}

TEST(SetupProxy, ALoopbackServiceAndTheNamesOfNoProxyAreReachedDirect)
{
    TestServer proxy;    // never asked
    TestServer service;  // the data service on loopback
    proxy.answers({"<viaProxy/>"});
    service.answers({"<direct/>"});
    const QString proxyUrl = QStringLiteral("http://127.0.0.1:%1/").arg(proxy.port());
    const struct {
        const char* name;
        const char* noProxy;
        const char* noProxyUpper;
        bool traced;
    } cases[] = {
        {"loopback", "", "", true},
        {"no_proxy", "127.0.0.1", "", true},
        {"NO_PROXY", "", "localhost,127.0.0.1", true},
        {"everything", "*", "", false},
    };
    for (const auto& c : cases) {
        stanor::platform::MemorySettingsStore store;  // no Internet settings key
        stanor::platform::ScriptedEnvironment env;
        env.vars["http_proxy"] = proxyUrl;
        env.vars["no_proxy"] = c.noProxy;
        env.vars["NO_PROXY"] = c.noProxyUpper;
        TestHost host;
        QTemporaryDir dir;
        DataServiceClient client(host, QuickOptions());
        SetupProxy(client, host, store, env);
        EXPECT_EQ(host.traced("Connexion Proxy : ").size(), c.traced ? 1 : 0) << c.name;
        const size_t before = proxy.seen().size();
        client.HttpExecute(service.base() + "AxInfoVO?x=1", dir.filePath("XmlVO.xml"));
        EXPECT_EQ(host.error, "") << c.name;
        EXPECT_EQ(proxy.seen().size(), before) << c.name << ": went through the proxy";
        EXPECT_EQ(service.seen().back().target, "/AxInfoVO?x=1&idClient=") << c.name;
    }
}

TEST(SetupProxy, AValueOfTheWrongTypeIsAnError)
{
    stanor::platform::MemorySettingsStore store;
    store.setValue(kInternetSettingsKey, "ProxyEnable", {ValueType::String, "1", 0});
    stanor::platform::ScriptedEnvironment env;
    TestHost host;
    DataServiceClient client(host, QuickOptions());
    EXPECT_THROW(SetupProxy(client, host, store, env), stanor::platform::SettingsError);
}

TEST(UpdateParams, AnUnreachableServiceKeepsTheEarlierAnswers)
{
    QTemporaryDir dir;
    TestHost host;
    host.ctrl = true;
    host.serviceParams = {"http://127.0.0.1:1/", "C1", "", "u1", dir.path()};
    const RequestCatalogue catalogue(host.params());
    {
        QFile f(catalogue.answerPath(answer::kEquip));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<earlier/>");
    }
    DataServiceClient client(host, QuickOptions());
    EXPECT_NO_THROW(UpdateParams(client, catalogue));
    EXPECT_TRUE(host.panelWarning);
    QFile f(catalogue.answerPath(answer::kEquip));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "<earlier/>");
}
