#include "ListenPolicy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace stanor::dataservice {

namespace {

bool LoopbackSockaddr(const sockaddr* a) {
    if (a->sa_family == AF_INET)
        return (ntohl(reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr) >> 24) == 127;
    if (a->sa_family == AF_INET6) {
        const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr;
        if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
        return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
    }
    return false;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool IsLoopback(const std::string& address) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (address.empty() || ::getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    bool loopback = true;
    for (const addrinfo* a = found; a; a = a->ai_next) loopback = loopback && LoopbackSockaddr(a->ai_addr);
    ::freeaddrinfo(found);
    return loopback;
}

std::string NumericAddress(const std::string& address) {
    char text[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) return ::inet_ntop(AF_INET, &v4, text, sizeof text);
    std::string bare = address;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
    in6_addr v6{};
    if (::inet_pton(AF_INET6, bare.c_str(), &v6) != 1) return {};
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        std::memcpy(&v4, v6.s6_addr + 12, sizeof v4);
        return ::inet_ntop(AF_INET, &v4, text, sizeof text);
    }
    return ::inet_ntop(AF_INET6, &v6, text, sizeof text);
}

std::string ListenRefusal(const std::string& bindAddress, bool tls, const std::string& proxyAddress) {
    if (!proxyAddress.empty()) {
        if (NumericAddress(proxyAddress).empty())
            return "l'adresse du proxy TLS doit être une adresse IP (« " + proxyAddress +
                   " ») : un nom pourrait désigner demain une autre machine";
        return {};
    }
    if (tls || IsLoopback(bindAddress)) return {};
    return "le service refuse d'écouter sur " + bindAddress +
           " sans TLS : les fiches des clients, les mots de passe et les sessions y passeraient en clair sur le "
           "réseau. Donnez --tls-cert et --tls-key, ou --tls-proxy ADRESSE quand le proxy TLS du groupe le "
           "précède (le service n'accepte alors que ses connexions)";
}

bool PeerAdmitted(const std::string& peer, const std::string& proxyAddress) {
    if (proxyAddress.empty()) return true;
    const std::string proxy = NumericAddress(proxyAddress);
    return !proxy.empty() && NumericAddress(peer) == proxy;
}

std::string ClientAddress(const std::string& peer, const std::string& forwardedFor, const std::string& proxyAddress) {
    if (proxyAddress.empty() || forwardedFor.empty() || !PeerAdmitted(peer, proxyAddress)) return peer;
    const size_t comma = forwardedFor.rfind(',');
    const std::string last = NumericAddress(Trimmed(comma == std::string::npos ? forwardedFor : forwardedFor.substr(comma + 1)));
    return last.empty() ? peer : last;
}

}  // namespace stanor::dataservice
