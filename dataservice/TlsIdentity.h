#pragma once
// The service's TLS identity: its certificate (with the authorities between it
// and the group's own) and its private key, loaded once at start into the
// context that every connection's handshake uses.

#include <openssl/ssl.h>

#include <memory>
#include <string>

namespace stanor::dataservice {

struct TlsContextFree {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
using TlsContext = std::unique_ptr<SSL_CTX, TlsContextFree>;

// Why the private key file must not be used as it stands (it is missing, not
// a file, or its group or others may read or change it), in French; empty
// when its owner alone has access to it.
std::string KeyFileExposure(const std::string& keyFile);

// Loads `certFile` (PEM: the service's certificate first, then any
// intermediate authority) and `keyFile` (PEM, not encrypted: the file's
// permissions protect it). Throws std::runtime_error with a French reason: a
// key file others may read, an unreadable or encrypted file, a key that does
// not belong to the certificate. TLS 1.2 at least.
TlsContext LoadTlsContext(const std::string& certFile, const std::string& keyFile);

}  // namespace stanor::dataservice
