#include "TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace stanor::test {

struct TestAuthority::Keys {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
};

namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("certificats de test : ") + what);
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    Check(ext && X509_add_ext(cert, ext, -1) == 1, "extension");
    X509_EXTENSION_free(ext);
}

// A certificate for `key` named `name`, signed by `issuerKey` (itself when the issuer is null).
X509* MakeCertificate(EVP_PKEY* key, const std::string& name, X509* issuer, EVP_PKEY* issuerKey, long serial,
                      int fromDays, int toDays) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), long(fromDays) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert), long(toDays) * 86400);
    X509_set_pubkey(cert, key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert, X509_get_subject_name(issuer ? issuer : cert));
    AddExtension(cert, issuer ? issuer : cert, NID_subject_key_identifier, "hash");
    AddExtension(cert, issuer ? issuer : cert, NID_authority_key_identifier, "keyid:always");
    return cert;
}

void WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    Check(f, "fichier");
    const bool ok = key ? PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1
                        : PEM_write_X509(f, cert) == 1;
    std::fclose(f);
    Check(ok, "écriture");
    if (key) ::chmod(path.c_str(), 0600);
}

bool IsAddress(const std::string& host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

}  // namespace

TestAuthority::TestAuthority(std::string dir, const std::string& name) : dir_(std::move(dir)), keys_(new Keys) {
    std::filesystem::create_directories(dir_);
    keys_->key = EVP_EC_gen("P-256");
    Check(keys_->key, "clé");
    keys_->cert = MakeCertificate(keys_->key, name, nullptr, keys_->key, 1, -1, 365);
    AddExtension(keys_->cert, keys_->cert, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(keys_->cert, keys_->cert, NID_key_usage, "critical,keyCertSign,cRLSign");
    Check(X509_sign(keys_->cert, keys_->key, EVP_sha256()) > 0, "signature");
    files_.cert = dir_ + "/authority.crt";
    files_.key = dir_ + "/authority.key";
    WritePem(files_.cert, keys_->cert, nullptr);
    WritePem(files_.key, nullptr, keys_->key);
}

TestAuthority::~TestAuthority() {
    X509_free(keys_->cert);
    EVP_PKEY_free(keys_->key);
    delete keys_;
}

CertificateFiles TestAuthority::issue(const std::string& file, const std::vector<std::string>& hosts, int fromDays,
                                      int toDays) const {
    static long serial = 100;
    EVP_PKEY* key = EVP_EC_gen("P-256");
    Check(key, "clé");
    X509* cert = MakeCertificate(key, hosts.empty() ? file : hosts.front(), keys_->cert, keys_->key, ++serial,
                                 fromDays, toDays);
    std::string names;
    for (const std::string& h : hosts) names += (names.empty() ? "" : ",") + std::string(IsAddress(h) ? "IP:" : "DNS:") + h;
    if (!names.empty()) AddExtension(cert, keys_->cert, NID_subject_alt_name, names);
    AddExtension(cert, keys_->cert, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert, keys_->cert, NID_key_usage, "critical,digitalSignature");
    AddExtension(cert, keys_->cert, NID_ext_key_usage, "serverAuth");
    Check(X509_sign(cert, keys_->key, EVP_sha256()) > 0, "signature");
    CertificateFiles out{dir_ + "/" + file + ".crt", dir_ + "/" + file + ".key"};
    WritePem(out.cert, cert, nullptr);
    WritePem(out.key, nullptr, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

}  // namespace stanor::test
