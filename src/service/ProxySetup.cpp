#include "service/ProxySetup.h"

#include "platform/Environment.h"
#include "platform/SettingsStore.h"
#include "service/DataServiceClient.h"
#include "service/HttpRules.h"

namespace stanor::service {

void SetupProxy(DataServiceClient& client, ServiceHost& host, platform::SettingsStore& store,
                const platform::Environment& environment)
{
    const QString& key = platform::kInternetSettingsKey;
    QString proxyServer;
    if (store.keyExists(key)) {
        if (store.readDword(key, QStringLiteral("ProxyEnable")).value_or(0) != 0)
            proxyServer = store.readString(key, QStringLiteral("ProxyServer"));
    } else {
        QString variable = environment.get(QStringLiteral("http_proxy"));
        if (variable.isEmpty())
            variable = environment.get(QStringLiteral("HTTP_PROXY"));
        proxyServer = ProxyServerFromEnvironment(variable);
    }
    const std::optional<ProxyAddress> proxy = ParseProxyServer(proxyServer);
    if (!proxy)
        return;
    client.SetProxy(*proxy);
    const QString userName;  // no proxy credentials are configured
    const QString shown = proxy->host + QStringLiteral(" - ") + QString::number(proxy->port) +
                          QStringLiteral(" - ") + userName;
    host.writeTrace(QStringLiteral("Connexion Proxy : ") + shown);
    host.setDebugInfo1(shown);
    host.appendVersionText(proxyServer + QStringLiteral("-"));
}

}  // namespace stanor::service
