#pragma once
// Where the service may listen, and whom it answers. Off this machine every
// request carries customers' files and the users' passwords and tokens, so a
// service reachable from the network speaks TLS itself, or sits behind the
// group's TLS proxy and then takes connections from that proxy alone.

#include <string>

namespace stanor::dataservice {

// Whether `address` (numeric, or a name resolved here) reaches this machine
// only: 127.0.0.0/8, ::1, or a name whose every address is one of them.
bool IsLoopback(const std::string& address);

// The numeric form of an IPv4 or IPv6 address, an IPv4 address mapped into
// IPv6 ("::ffff:10.0.0.2") given back as plain IPv4; empty when `address` is
// no numeric address (a host name, a typo).
std::string NumericAddress(const std::string& address);

// Empty when the service may listen on `bindAddress` as configured; otherwise
// the French reason why it must not (the address is off loopback and neither
// TLS nor a TLS proxy is given, or the proxy is not a numeric address).
std::string ListenRefusal(const std::string& bindAddress, bool tls, const std::string& proxyAddress);

// Whether a connection from `peer` is taken: every one when no proxy is
// named, otherwise only the proxy's.
bool PeerAdmitted(const std::string& peer, const std::string& proxyAddress);

// The address a request comes from: behind the group's proxy, the address the
// proxy saw and appended last to "X-Forwarded-For" (entries before it are the
// client's own claims); otherwise the peer's own.
std::string ClientAddress(const std::string& peer, const std::string& forwardedFor, const std::string& proxyAddress);

}  // namespace stanor::dataservice
