#pragma once
// Sending the reduced photo and its miniature to the web server's images folder by FTP
// (libcurl): binary mode, passive connection, files of the same name replaced. The password is
// never handled here: libcurl takes it from a netrc file (~/.netrc unless another is named), by
// host and account name, so it is neither kept in the settings nor written to any log.
// The connection is FTP over TLS (explicit: AUTH TLS, then the commands and the files
// encrypted), the server's certificate checked against the system's authorities and the
// group's own; a server that offers no TLS is refused, unless the deployment allows plain FTP
// to an internal address (private or loopback) and the server is at one.

#include "images/Reduction.h"

#include <functional>
#include <stdexcept>
#include <string>

namespace stanor::images {

// The remote folder of the photos, from the account's home.
inline constexpr const char* kRemotePhotoFolder = "www/voimages";

// The deployment's FTP settings, as read from the settings store.
struct FtpDeployment {
    std::string internalAddress;  // numeric address (host or host:port), reached through the internal network
    std::string publicHost;       // public host name (host or host:port)
    std::string account;          // the account's plain name
    std::string domain;           // the server's domain: the internal endpoint wants "account@domain"
    std::string netrcFile;        // the file holding the password; empty for ~/.netrc
    std::string authorityFile;    // the group's own certification authority (PEM); empty: the system's only
    bool plainInternal = false;   // plain FTP allowed to an internal (private or loopback) address
};

struct FtpEndpoint {
    std::string host;           // host or host:port
    std::string user;
    std::string netrcFile;      // empty for ~/.netrc
    std::string authorityFile;  // believed with the system's authorities; empty: the system's only
    bool plainAllowed = false;  // the server may answer without TLS (an internal address only)
};

// Whether `host` (host, host:port or [IPv6]:port) is a numeric private or loopback address:
// 10/8, 172.16/12, 192.168/16, 127/8, ::1, fc00::/7. A name is never internal (where it
// leads may change).
bool isInternalAddress(const std::string& host);

// The internal endpoint when the user goes through a proxy, the public one otherwise. Raises
// FtpError (naming the missing setting) when the chosen endpoint or the account is not set.
// Plain FTP is allowed only when the deployment allows it and the endpoint is internal.
FtpEndpoint chooseFtpEndpoint(const FtpDeployment& deployment, bool proxyConfigured);

// A failed connection, login or upload; the text is French and shown to the user as it stands.
class FtpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using MemoLine = std::function<void(const std::string&)>;

struct FtpOptions {
    long connectSeconds = 15;  // to reach the server
    long stallSeconds = 30;    // a reply or a transfer that makes no progress for this long fails
    // The commands and replies exchanged, for the trace log; the password is shown as "****".
    std::function<void(const std::string&)> trace;
};

// Uploads dir/targetName and dir/miniatureName(targetName) into the remote photo folder under
// their own names, on one connection. `memo` gets "..." once the photo is sent and
// "...Transfert Terminé." once the miniature is sent and the connection closed. Raises FtpError;
// the local files are never touched.
void transferPhotoFiles(const FtpEndpoint& endpoint, const std::string& dir, const std::string& targetName,
                        const MemoLine& memo, const FtpOptions& options = {});

// ReductionJPG followed, when `transfer` is given, by the upload of both files it wrote (the
// memo lines of both in one sequence). Errors of either step are raised; files already written
// stay.
void reduceAndTransfer(const std::string& source, const Bitmap* picture, const std::string& targetName,
                       const ReductionOptions& reduction, const FtpEndpoint* transfer,
                       const FtpOptions& options = {});

}  // namespace stanor::images
