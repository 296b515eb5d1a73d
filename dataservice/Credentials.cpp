#include "Credentials.h"

#include <sodium.h>

#include <stdexcept>

namespace stanor::dataservice {

namespace {

constexpr size_t kTokenBytes = 32;
constexpr size_t kTokenLength = 43;  // base64 of 32 bytes without padding

// A hash of a random text nobody knows, at the same cost as the stored ones:
// the password of an unknown or disabled user is checked against it.
const char* const kNobody =
    "$argon2id$v=19$m=65536,t=2,p=1$d+ui4E7R64p4jcgZp08J4g$+1qbEmbJ3GKR6U5fNt+zhh31gGvxwDkikLUv/7cidEo";

void Ready() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("initialisation de libsodium impossible");
}

size_t Characters(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

std::string RefusePassword(const std::string& utf8) {
    if (Characters(utf8) < kMinPasswordLength)
        return "Mot de passe refusé : il doit compter au moins " + std::to_string(kMinPasswordLength) + " caractères";
    if (utf8.size() > kMaxPasswordBytes)
        return "Mot de passe refusé : il dépasse " + std::to_string(kMaxPasswordBytes) + " octets";
    if (utf8.find('\0') != std::string::npos || utf8.find('\n') != std::string::npos ||
        utf8.find('\r') != std::string::npos)
        return "Mot de passe refusé : il ne peut contenir ni fin de ligne ni caractère nul";
    return {};
}

std::string HashPassword(const std::string& password) {
    Ready();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("calcul de l'empreinte du mot de passe impossible (mémoire insuffisante)");
    return out;
}

bool VerifyPassword(const std::string& hash, const std::string& password) {
    Ready();
    const bool usable = hash.rfind("$argon2id$", 0) == 0 && hash.size() < crypto_pwhash_STRBYTES;
    const std::string& against = usable ? hash : std::string(kNobody);
    const bool match = crypto_pwhash_str_verify(against.c_str(), password.data(), password.size()) == 0;
    return usable && match;
}

std::string NewToken() {
    Ready();
    unsigned char bytes[kTokenBytes];
    randombytes_buf(bytes, sizeof bytes);
    char text[sodium_base64_ENCODED_LEN(kTokenBytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, bytes, sizeof bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    sodium_memzero(bytes, sizeof bytes);
    return text;
}

bool IsTokenShape(const std::string& token) {
    if (token.size() != kTokenLength) return false;
    for (char c : token)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

std::string TokenDigest(const std::string& token) {
    Ready();
    unsigned char digest[crypto_generichash_BYTES];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()), token.size(),
                       nullptr, 0);
    char hex[2 * crypto_generichash_BYTES + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

}  // namespace stanor::dataservice
