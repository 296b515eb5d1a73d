#include "images/FtpTransfer.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sys/stat.h>

#include <arpa/inet.h>
#include <curl/curl.h>
#include <openssl/x509_vfy.h>

namespace stanor::images {

FtpEndpoint chooseFtpEndpoint(const FtpDeployment& d, bool proxyConfigured) {
    FtpEndpoint e;
    e.netrcFile = d.netrcFile;
    if (proxyConfigured) {
        if (d.internalAddress.empty())
            throw FtpError("Adresse interne du serveur FTP non configurée (FtpInternalAddress)");
        e.host = d.internalAddress;
        e.user = d.domain.empty() ? d.account : d.account + "@" + d.domain;
    } else {
        if (d.publicHost.empty()) throw FtpError("Serveur FTP public non configuré (FtpPublicHost)");
        e.host = d.publicHost;
        e.user = d.account;
    }
    if (d.account.empty()) throw FtpError("Compte FTP non configuré (FtpAccount)");
    e.authorityFile = d.authorityFile;
    e.plainAllowed = d.plainInternal && isInternalAddress(e.host);
    return e;
}

bool isInternalAddress(const std::string& host) {
    std::string address = host;
    if (!address.empty() && address.front() == '[') {
        const size_t close = address.find(']');
        if (close == std::string::npos) return false;
        address = address.substr(1, close - 1);
    } else if (address.find(':') == address.rfind(':')) {
        address = address.substr(0, address.find(':'));  // IPv4 or a name, with or without a port
    }
    unsigned char v4[4];
    if (inet_pton(AF_INET, address.c_str(), v4) == 1)
        return v4[0] == 10 || v4[0] == 127 || (v4[0] == 172 && (v4[1] & 0xF0) == 16) || (v4[0] == 192 && v4[1] == 168);
    unsigned char v6[16];
    if (inet_pton(AF_INET6, address.c_str(), v6) != 1) return false;
    static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return std::equal(v6, v6 + 16, loopback) || (v6[0] & 0xFE) == 0xFC;
}

namespace {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string escaped(CURL* curl, const std::string& text) {
    char* e = curl_easy_escape(curl, text.c_str(), int(text.size()));
    std::string out = e ? e : "";
    curl_free(e);
    return out;
}

// The protocol lines for the trace, the password masked.
int traceLines(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT) return 0;
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (type == CURLINFO_HEADER_OUT && line.compare(0, 5, "PASS ") == 0) line = "PASS ****";
    (*static_cast<const std::function<void(const std::string&)>*>(user))(
        (type == CURLINFO_HEADER_OUT ? "> " : "< ") + line);
    return 0;
}

class Session {
public:
    Session(const FtpEndpoint& endpoint, const FtpOptions& options) : endpoint_(endpoint), options_(options) {
        initCurlOnce();
        curl_.reset(curl_easy_init());
        if (!curl_) throw FtpError("Transfert FTP impossible : bibliothèque de transfert indisponible");
        error_[0] = 0;
        CURL* c = curl_.get();
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error_);
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_PROXY, "");  // never through a proxy, whatever the environment says
        curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, options.connectSeconds);
        curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, options.stallSeconds);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
        // The password comes from the netrc file, found by host and by the account name of the
        // address (an account name set apart from the address would bypass the file).
        curl_easy_setopt(c, CURLOPT_NETRC, long(CURL_NETRC_OPTIONAL));
        if (!endpoint.netrcFile.empty()) curl_easy_setopt(c, CURLOPT_NETRC_FILE, endpoint.netrcFile.c_str());
        // AUTH TLS before the account name and password go, and the files encrypted too; the
        // server's certificate and name checked (libcurl's defaults, stated here).
        curl_easy_setopt(c, CURLOPT_USE_SSL, long(endpoint.plainAllowed ? CURLUSESSL_TRY : CURLUSESSL_ALL));
        curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!endpoint.authorityFile.empty()) {
            // The group's authority in place of the system's bundle file; the system's
            // authorities stay believed through their folder.
            char* systemFolder = nullptr;
            curl_easy_getinfo(c, CURLINFO_CAPATH, &systemFolder);
            curl_easy_setopt(c, CURLOPT_CAINFO, endpoint.authorityFile.c_str());
            curl_easy_setopt(c, CURLOPT_CAPATH, systemFolder ? systemFolder : "/etc/ssl/certs");
        }
        if (options.trace) {
            curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, traceLines);
            curl_easy_setopt(c, CURLOPT_DEBUGDATA, &options_.trace);
            curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
        }
    }

    void upload(const std::string& localPath, const std::string& remoteName) {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(localPath.c_str(), "rb"));
        struct stat st {};
        if (!file || fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
            throw FtpError("Impossible de lire le fichier " + localPath);
        CURL* c = curl_.get();
        const std::string url = "ftp://" + escaped(c, endpoint_.user) + "@" + endpoint_.host + "/" +
                                kRemotePhotoFolder + "/" + escaped(c, remoteName);
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_READDATA, file.get());
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(st.st_size));
        error_[0] = 0;
        const CURLcode rc = curl_easy_perform(c);
        if (rc != CURLE_OK) throw FtpError(describe(rc, remoteName, localPath));
    }

    // Sends QUIT and closes the connection.
    void close() { curl_.reset(); }

private:
    std::string describe(CURLcode rc, const std::string& remoteName, const std::string& localPath) const {
        const std::string host = endpoint_.host;
        const std::string netrc = endpoint_.netrcFile.empty() ? "~/.netrc" : endpoint_.netrcFile;
        std::string text;
        switch (rc) {
        case CURLE_COULDNT_RESOLVE_HOST:
            text = "Serveur FTP introuvable : " + host;
            break;
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
            text = "Connexion impossible au serveur FTP " + host;
            break;
        case CURLE_LOGIN_DENIED:
            text = "Connexion refusée par le serveur FTP " + host + " pour le compte " + endpoint_.user +
                   " : vérifiez son mot de passe dans " + netrc;
            break;
        case CURLE_REMOTE_ACCESS_DENIED:
            text = "Le serveur FTP " + host + " refuse l'accès au dossier " + kRemotePhotoFolder;
            break;
        case CURLE_UPLOAD_FAILED:
        case CURLE_REMOTE_DISK_FULL:
            text = "Le serveur FTP " + host + " a refusé le fichier " + remoteName;
            break;
        case CURLE_READ_ERROR:
            text = "Impossible de lire le fichier " + localPath;
            break;
        case CURLE_USE_SSL_FAILED:
            text = "Le serveur FTP " + host + " n'offre pas de connexion chiffrée (TLS) : transfert refusé, le mot "
                   "de passe et les photos y passeraient en clair";
            break;
        case CURLE_PEER_FAILED_VERIFICATION:
            text = "Connexion sécurisée au serveur FTP « " + host + " » refusée : " + certificateFault();
            break;
        case CURLE_SSL_CACERT_BADFILE:
            text = "Le fichier de l'autorité de certification du groupe « " + endpoint_.authorityFile +
                   " » (TlsAuthorityFile) est illisible";
            break;
        case CURLE_SSL_CONNECT_ERROR:
            text = "La connexion sécurisée au serveur FTP " + host + " a échoué";
            break;
        default:
            text = "Échec du transfert FTP de " + remoteName + " vers " + host;
        }
        const std::string detail = error_[0] ? error_ : curl_easy_strerror(rc);
        return text + " (" + detail + ")";
    }

    // Why the server's certificate was not believed, from the verification's own result.
    std::string certificateFault() const {
        long result = X509_V_OK;
        curl_easy_getinfo(curl_.get(), CURLINFO_SSL_VERIFYRESULT, &result);
        switch (result) {
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return "son certificat a expiré";
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return "son certificat n'est pas encore valable";
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
        case X509_V_OK:  // libcurl checks the name itself once the chain is good, and
        case X509_V_ERR_UNSPECIFIED:  // leaves one of these when the name is what failed
            return "son certificat est établi pour un autre nom";
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_CERT_UNTRUSTED:
        case X509_V_ERR_INVALID_CA:
            return "son certificat n'est signé par aucune autorité reconnue (celles du système, ou celle du groupe "
                   "que nomme TlsAuthorityFile)";
        default:
            return "son certificat n'a pas pu être vérifié";
        }
    }

    FtpEndpoint endpoint_;
    FtpOptions options_;
    std::unique_ptr<CURL, EasyDeleter> curl_;
    char error_[CURL_ERROR_SIZE];
};

}  // namespace

void transferPhotoFiles(const FtpEndpoint& endpoint, const std::string& dir, const std::string& targetName,
                        const MemoLine& memo, const FtpOptions& options) {
    const std::string folder = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const std::string mini = miniatureName(targetName);
    if (mini == targetName || targetName.find_first_of("/\\") != std::string::npos)
        throw FtpError("Nom de cliché invalide : " + targetName);
    if (!endpoint.netrcFile.empty()) {
        struct stat st {};
        if (stat(endpoint.netrcFile.c_str(), &st) != 0)
            throw FtpError("Fichier des mots de passe FTP introuvable : " + endpoint.netrcFile);
    }
    if (!endpoint.authorityFile.empty()) {
        struct stat st {};
        if (stat(endpoint.authorityFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            throw FtpError("Fichier de l'autorité de certification du groupe introuvable (TlsAuthorityFile) : " +
                           endpoint.authorityFile);
    }
    Session session(endpoint, options);
    session.upload(folder + targetName, targetName);
    if (memo) memo("...");
    session.upload(folder + mini, mini);
    session.close();
    if (memo) memo("...Transfert Terminé.");
}

void reduceAndTransfer(const std::string& source, const Bitmap* picture, const std::string& targetName,
                       const ReductionOptions& reduction, const FtpEndpoint* transfer, const FtpOptions& options) {
    ReductionJPG(source, picture, targetName, reduction);
    if (transfer) transferPhotoFiles(*transfer, reduction.dir, targetName, reduction.memo, options);
}

}  // namespace stanor::images
