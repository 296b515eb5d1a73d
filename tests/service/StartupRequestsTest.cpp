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
