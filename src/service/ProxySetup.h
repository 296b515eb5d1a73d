#pragma once
// The proxy of both HTTP clients, taken once at start-up from the current
// user's Internet settings, or from the http_proxy environment variable
// where those settings do not exist.

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
void SetupProxy(DataServiceClient& client, ServiceHost& host, platform::SettingsStore& store,
                const platform::Environment& environment);

}  // namespace stanor::service
