#include "service/ProxySetup.h"

#include "platform/Environment.h"
#include "platform/SettingsStore.h"
#include "service/DataServiceClient.h"
#include "service/HttpRules.h"

#include <QHostAddress>

namespace stanor::service {

namespace {

QString firstSet(const platform::Environment& environment, const char* lower, const char* upper)
{
    QString v = environment.get(QString::fromLatin1(lower));
    return v.isEmpty() ? environment.get(QString::fromLatin1(upper)) : v;
}

// The host without the brackets of an IPv6 literal.
QString bareHost(const QString& host)
{
    return host.startsWith(u'[') && host.endsWith(u']') ? host.mid(1, host.size() - 2) : host;
}

}  // namespace

bool IsLoopbackHost(const QString& host)
{
    const QString h = bareHost(host).toLower();
    if (h == QLatin1String("localhost") || h.endsWith(QLatin1String(".localhost")))
        return true;
    const QHostAddress address(h);
    return !address.isNull() && address.isLoopback();
}

bool NoProxyFor(const QString& host, int port, const QString& noProxy)
{
    const QString h = bareHost(host).toLower();
    const QHostAddress address(h);
    for (QString entry : noProxy.split(u',', Qt::SkipEmptyParts)) {
        entry = entry.trimmed().toLower();
        if (entry.isEmpty())
            continue;
        if (entry == QLatin1String("*"))
            return true;
        // A range of addresses.
        if (entry.contains(u'/')) {
            const auto range = QHostAddress::parseSubnet(entry);
            if (!address.isNull() && range.first.protocol() == address.protocol() &&
                address.isInSubnet(range))
                return true;
            continue;
        }
        // "name:port", "[v6]:port" and "[v6]": the port then has to match.
        QString name = entry;
        int entryPort = -1;
        if (entry.startsWith(u'[')) {
            const qsizetype close = entry.indexOf(u']');
            name = entry.mid(1, close - 1);
            if (close + 1 < entry.size() && entry.at(close + 1) == u':')
                entryPort = entry.mid(close + 2).toInt();
        } else if (entry.count(u':') == 1) {
            name = entry.section(u':', 0, 0);
            entryPort = entry.section(u':', 1).toInt();
        }
        if (entryPort > 0 && entryPort != port)
            continue;
        const QHostAddress entryAddress(name);
        if (!entryAddress.isNull()) {
            if (!address.isNull() && entryAddress.isEqual(address))
                return true;
            continue;
        }
        if (name.startsWith(u'.'))
            name = name.mid(1);
        if (h == name || h.endsWith(u'.' + name))
            return true;
    }
    return false;
}

void SetupProxy(DataServiceClient& client, ServiceHost& host, platform::SettingsStore& store,
                const platform::Environment& environment)
{
    const QString& key = platform::kInternetSettingsKey;
    QString proxyServer;
    DataServiceClient::ProxyBypass direct;
    if (store.keyExists(key)) {
        if (store.readDword(key, QStringLiteral("ProxyEnable")).value_or(0) != 0)
            proxyServer = store.readString(key, QStringLiteral("ProxyServer"));
    } else {
        proxyServer = ProxyServerFromEnvironment(firstSet(environment, "http_proxy", "HTTP_PROXY"));
        const QString noProxy = firstSet(environment, "no_proxy", "NO_PROXY");
        if (noProxy.trimmed() == QLatin1String("*"))
            return;  // no host at all goes through it
        direct = [noProxy](const QString& h, int port) { return IsLoopbackHost(h) || NoProxyFor(h, port, noProxy); };
    }
    const std::optional<ProxyAddress> proxy = ParseProxyServer(proxyServer);
    if (!proxy)
        return;
    client.SetProxy(*proxy, direct);
    const QString userName;  // no proxy credentials are configured
    const QString shown = proxy->host + QStringLiteral(" - ") + QString::number(proxy->port) +
                          QStringLiteral(" - ") + userName;
    host.writeTrace(QStringLiteral("Connexion Proxy : ") + shown);
    host.setDebugInfo1(shown);
    host.appendVersionText(proxyServer + QStringLiteral("-"));
}

}  // namespace stanor::service
