#pragma once
// Sending the reduced photo and its miniature to the web server's images folder by FTP
// (libcurl): binary mode, passive connection, files of the same name replaced. The password is
// never handled here: libcurl takes it from a netrc file (~/.netrc unless another is named), by
// host and account name, so it is neither kept in the settings nor written to any log.

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
};

struct FtpEndpoint {
    std::string host;       // host or host:port
    std::string user;
    std::string netrcFile;  // empty for ~/.netrc
};

// The internal endpoint when the user goes through a proxy, the public one otherwise. Raises
// FtpError (naming the missing setting) when the chosen endpoint or the account is not set.
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
