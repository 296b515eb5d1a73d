#pragma once
// The administration of the users' access, run from the command line as the
// database's owner: a new password, or the end of a user's access. Both end
// the user's open sessions; every service of the group refuses them within
// the minute (sessions are checked in the database at least that often).

#include "Store.h"

#include <istream>
#include <ostream>
#include <string>

namespace stanor::dataservice {

// Stores a password hash for a user, gives the user access again and ends the
// user's sessions. False when the database knows no such user.
bool SetPassword(Session& s, const std::string& idUser, const std::string& hash, const std::string& now);

// Ends a user's access: the password stays but opens nothing, and the open
// sessions end. False when the database knows no such user.
bool DisableUser(Session& s, const std::string& idUser, const std::string& now);

// Reads a new password twice from `in`, asking on `prompts` (without echo when
// `in` is a terminal). Empty, with the French reason in `why`, when the two
// differ, when one is missing or when the password is refused.
std::string ReadNewPassword(std::istream& in, bool terminal, std::ostream& prompts, const std::string& idUser,
                            std::string& why);

// The commands "--set-password IDUSER" (the password read from standard
// input) and "--disable-user IDUSER" on the SQLite file or the PostgreSQL
// database named; messages on standard error. The program's exit status.
int ChangeAccess(const std::string& dbPath, const std::string& pgConninfo, const std::string& setPassword,
                 const std::string& disable);

}  // namespace stanor::dataservice
