#pragma once
// Signed-in users. A sign-in checks the user's password and opens a session
// in the database, so that every service of a group honours it and a user
// whose access ends is refused by all of them. A session ends 12 hours after
// its sign-in, or after 2 hours unused. Every request but the sign-in names
// its session by its token; a session verified in the database is taken on
// trust for a few seconds, so that checking it costs a request next to
// nothing while an ended access is still refused within a minute.

#include "Endpoints.h"
#include "SignInThrottle.h"
#include "Store.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace stanor::dataservice {

struct SessionRules {
    std::chrono::seconds lifetime{12 * 3600};
    std::chrono::seconds idleLimit{2 * 3600};
    std::chrono::seconds recheck{5};      // a verified session is taken on trust this long
    std::chrono::seconds touchEvery{60};  // its last use is written at most this often
};

namespace messages {
inline const char* kSignInRefused = "Identifiant ou mot de passe incorrect";
inline const char* kSignInPaused = "Trop d'échecs de connexion : nouvel essai possible dans une minute";
inline const char* kNoSession = "Session absente ou expirée : veuillez vous identifier";
}  // namespace messages

// UTC time as the database keeps it: "yyyy-mm-dd hh:mm:ss".
std::string UtcText(std::chrono::system_clock::time_point t);

class Sessions {
public:
    using Log = std::function<void(const std::string&)>;
    Sessions(Store& db, Clock clock, Log log, SessionRules rules = {});

    struct SignedIn {
        std::string token;  // empty when refused
        std::chrono::system_clock::time_point expires;
        std::string refusal;  // French, for the LogItem
    };
    SignedIn signIn(const std::string& userId, const std::string& password, const std::string& address);

    // The user of a session still open, or nothing.
    std::optional<std::string> userOf(const std::string& token);

private:
    struct Known {
        std::string user;
        std::chrono::system_clock::time_point created, lastUsed, lastWritten, checked;
    };
    std::optional<Known> lookUp(const std::string& digest, std::chrono::system_clock::time_point now);

    Store& db_;
    Clock clock_;
    Log log_;
    SessionRules rules_;
    SignInThrottle throttle_;
    std::mutex mutex_;
    std::unordered_map<std::string, Known> known_;  // by token digest
};

}  // namespace stanor::dataservice
