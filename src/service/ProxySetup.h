#pragma once
// The proxy of both HTTP clients, taken once at start-up from the current
// user's Internet settings, or from the http_proxy environment variable
// where those settings do not exist.

#include <QString>

namespace stanor::platform {
class Environment;
class SettingsStore;
}

namespace stanor::service {

class DataServiceClient;
class ServiceHost;

// Reads "ProxyEnable" (a DWORD; missing counts as 0) and "ProxyServer" (a
// string); when a proxy is in use, sets it on the client, writes the trace
// entry, shows it in LbDebugInfo1 and appends it to LbVersion. A value of the
// wrong type raises platform::SettingsError, as the registry does.
// A proxy taken from http_proxy is not used for the hosts of no_proxy (or
// NO_PROXY) nor for a loopback host: the settings key alone can ask that.
void SetupProxy(DataServiceClient& client, ServiceHost& host, platform::SettingsStore& store,
                const platform::Environment& environment);

// Whether a host is reached without the proxy under a no_proxy value, as curl
// reads it: names separated by commas (blanks ignored, any case), "*" for
// every host, a name for itself and every name under it (a leading "." is
// dropped), an IP address for itself, an IPv4 or IPv6 range written with
// "/bits", and "name:port" for that port only.
bool NoProxyFor(const QString& host, int port, const QString& noProxy);

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const QString& host);

}  // namespace stanor::service
