#pragma once
// Failed sign-ins slow the next ones down: five failures within a minute for
// one user, or from one address, and that user or that address is not heard
// for a minute. A user's pause holds only for the addresses that failed for
// that user: the right password typed at another workstation still gets in
// while someone guesses elsewhere. A paused attempt checks no password.

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace stanor::dataservice {

class SignInThrottle {
public:
    using Time = std::chrono::system_clock::time_point;
    static constexpr int kFailures = 5;
    static constexpr std::chrono::seconds kWindow{60};
    static constexpr std::chrono::seconds kPause{60};

    // Whether a sign-in of `user` from `address` is heard at `now`.
    bool admits(const std::string& user, const std::string& address, Time now);
    // Records a failed sign-in. The French log line of the pause it starts, or "".
    std::string failed(const std::string& user, const std::string& address, Time now);

private:
    struct Tally {
        std::deque<Time> failures;  // within the last window
        Time pausedUntil{};
        Time last{};
        // Counts a failure; true when it starts a pause.
        bool count(Time now);
    };
    struct UserTally : Tally {
        std::map<std::string, Time> from;  // address -> its last failure for this user
    };
    void forgetOld(Time now);

    std::mutex mutex_;
    std::map<std::string, Tally> addresses_;
    std::map<std::string, UserTally> users_;
};

}  // namespace stanor::dataservice
