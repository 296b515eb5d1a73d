#include "SignInThrottle.h"

namespace stanor::dataservice {

namespace {

// Beyond this many remembered users or addresses, those quiet for longer than
// a window and a pause are forgotten (guessed user ids cannot fill the memory).
constexpr size_t kRemembered = 4096;

}  // namespace

bool SignInThrottle::Tally::count(Time now) {
    last = now;
    while (!failures.empty() && failures.front() <= now - kWindow) failures.pop_front();
    failures.push_back(now);
    if (static_cast<int>(failures.size()) < kFailures) return false;
    failures.clear();
    pausedUntil = now + kPause;
    return true;
}

bool SignInThrottle::admits(const std::string& user, const std::string& address, Time now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (const auto a = addresses_.find(address); a != addresses_.end() && now < a->second.pausedUntil) return false;
    const auto u = users_.find(user);
    if (u == users_.end() || now >= u->second.pausedUntil) return true;
    // The failures that led to the pause are at most a window older than its start.
    const auto f = u->second.from.find(address);
    return f == u->second.from.end() || f->second < u->second.pausedUntil - kPause - kWindow;
}

std::string SignInThrottle::failed(const std::string& user, const std::string& address, Time now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (addresses_.size() > kRemembered || users_.size() > kRemembered) forgetOld(now);
    const bool addressPaused = addresses_[address].count(now);
    UserTally& u = users_[user];
    u.from[address] = now;
    const bool userPaused = u.count(now);
    const std::string five = std::to_string(kFailures) + " échecs en une minute";
    if (addressPaused && userPaused)
        return "connexions suspendues une minute pour l'adresse " + address + " et pour l'utilisateur " + user +
               " depuis cette adresse : " + five;
    if (addressPaused) return "connexions suspendues une minute pour l'adresse " + address + " : " + five;
    if (userPaused)
        return "connexions de l'utilisateur " + user + " suspendues une minute depuis l'adresse " + address +
               " (et les autres adresses de ses échecs) : " + five;
    return {};
}

void SignInThrottle::forgetOld(Time now) {
    const Time quiet = now - kWindow - kPause;
    for (auto it = addresses_.begin(); it != addresses_.end();)
        it = it->second.last < quiet && it->second.pausedUntil < now ? addresses_.erase(it) : std::next(it);
    for (auto it = users_.begin(); it != users_.end();)
        it = it->second.last < quiet && it->second.pausedUntil < now ? users_.erase(it) : std::next(it);
}

}  // namespace stanor::dataservice
