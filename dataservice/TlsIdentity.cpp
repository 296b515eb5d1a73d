#include "TlsIdentity.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

namespace stanor::dataservice {

namespace {

// The first reason OpenSSL gave, for the end of a message.
std::string OpenSslReason() {
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0) return "raison inconnue";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// An encrypted key would make OpenSSL ask for its pass phrase on the
// terminal, which a service started by the system does not have.
int NoPassPhrase(char*, int, int, void*) { return -1; }

bool KeyIsEncrypted(const std::string& keyFile) {
    std::FILE* f = std::fopen(keyFile.c_str(), "r");
    if (!f) return false;
    char line[128];
    bool encrypted = false;
    while (!encrypted && std::fgets(line, sizeof line, f))
        encrypted = std::string(line).find("ENCRYPTED") != std::string::npos;
    std::fclose(f);
    return encrypted;
}

}  // namespace

std::string KeyFileExposure(const std::string& keyFile) {
    struct stat st {};
    if (::stat(keyFile.c_str(), &st) != 0) return "fichier de clé privée introuvable : " + keyFile;
    if (!S_ISREG(st.st_mode)) return "la clé privée « " + keyFile + " » n'est pas un fichier";
    const unsigned others = st.st_mode & (S_IRWXG | S_IRWXO);
    if (others == 0) return {};
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return "le fichier de clé privée « " + keyFile + " » est accessible à d'autres que son propriétaire (droits " +
           mode + ") : quiconque le lit peut se faire passer pour le service. Réservez-le à son propriétaire "
           "(chmod 600 " + keyFile + ")";
}

TlsContext LoadTlsContext(const std::string& certFile, const std::string& keyFile) {
    if (const std::string exposure = KeyFileExposure(keyFile); !exposure.empty()) throw std::runtime_error(exposure);
    ERR_clear_error();
    TlsContext ctx(SSL_CTX_new(TLS_server_method()));
    if (!ctx) throw std::runtime_error("TLS indisponible : " + OpenSslReason());
    SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION);
    SSL_CTX_set_options(ctx.get(), SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    // Answers are written in pieces as the socket takes them.
    SSL_CTX_set_mode(ctx.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_default_passwd_cb(ctx.get(), NoPassPhrase);
    if (SSL_CTX_use_certificate_chain_file(ctx.get(), certFile.c_str()) != 1)
        throw std::runtime_error("certificat du service illisible : " + certFile + " (" + OpenSslReason() + ")");
    if (KeyIsEncrypted(keyFile))
        throw std::runtime_error("la clé privée « " + keyFile + " » est chiffrée : le service démarre sans "
                                 "qu'on lui tape de phrase de passe, donnez-lui une clé en clair que ses droits "
                                 "(600) protègent");
    if (SSL_CTX_use_PrivateKey_file(ctx.get(), keyFile.c_str(), SSL_FILETYPE_PEM) != 1 &&
        ERR_GET_REASON(ERR_peek_last_error()) != X509_R_KEY_VALUES_MISMATCH)
        throw std::runtime_error("clé privée illisible : " + keyFile + " (" + OpenSslReason() + ")");
    if (SSL_CTX_check_private_key(ctx.get()) != 1)
        throw std::runtime_error("la clé privée « " + keyFile + " » n'est pas celle du certificat « " + certFile +
                                 " »");
    return ctx;
}

}  // namespace stanor::dataservice
