#pragma once
// The password of an account in a netrc file ("machine HOST login NAME
// password SECRET", as ftp and curl read it): the user's own file, where an
// unattended workstation keeps the password of the data service as it keeps
// the FTP one. Nothing else in the program holds a password.

#include <QByteArray>
#include <QString>
#include <optional>

namespace stanor::service {

// The password of `login` on `host` in a netrc text: the first "machine"
// entry of that host (case ignored) whose login is `login`, or that names no
// login. "default" entries and "macdef" macros are skipped; quoted tokens
// ("a b") are read as one.
std::optional<QString> NetrcPassword(const QByteArray& text, const QString& host, const QString& login);

struct NetrcLookup {
    std::optional<QString> password;
    QString problem;  // why the file was not read (French), when it exists and was not
};

// The same from the file at `path` ("~/" is the home folder; empty: ~/.netrc).
// A file that others may read is not read: a password there is no secret.
NetrcLookup ReadNetrcPassword(const QString& path, const QString& host, const QString& login);

}  // namespace stanor::service
