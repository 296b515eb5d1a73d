#include "Sessions.h"

#include "Credentials.h"

#include <cstdio>
#include <ctime>

namespace stanor::dataservice {

namespace {

using TimePoint = std::chrono::system_clock::time_point;

constexpr size_t kKeptSessions = 10000;

bool IsUserId(const std::string& s) {
    if (s.empty() || s.size() > 18) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

TimePoint ParseUtc(const std::string& text) {
    std::tm tm{};
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec) != 6)
        return {};
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return std::chrono::system_clock::from_time_t(timegm(&tm));
}

}  // namespace

std::string UtcText(TimePoint t) {
    const std::time_t s = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    gmtime_r(&s, &tm);
    char buf[24];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

Sessions::Sessions(Store& db, Clock clock, Log log, SessionRules rules)
    : db_(db), clock_(std::move(clock)), log_(std::move(log)), rules_(rules) {
    if (!clock_) clock_ = [] { return std::chrono::system_clock::now(); };
    if (!log_) log_ = [](const std::string&) {};
}

Sessions::SignedIn Sessions::signIn(const std::string& userId, const std::string& password,
                                    const std::string& address) {
    const TimePoint now = clock_();
    const std::string who = userId.substr(0, 32);
    SignedIn out;
    if (!throttle_.admits(who, address, now)) {
        out.refusal = messages::kSignInPaused;
        log_("connexion refusée sans examen (connexions suspendues) : utilisateur " + who + " depuis " + address);
        return out;
    }
    // The password is checked with the database connection given back: it
    // takes the time of the hash, on purpose.
    std::string hash;
    if (IsUserId(userId) && password.size() <= kMaxPasswordBytes) {
        const ResultSet c = db_.acquire()->credentials(userId);
        const std::string disabled = c.rows.empty() ? "" : c.value(0, "Disabled");
        if (!c.rows.empty() && disabled != "True" && disabled != "1") hash = c.value(0, "PwHash");
    }
    // An unknown user, a disabled one or one without a password is checked
    // against a hash nobody matches, in the same time.
    if (VerifyPassword(hash, password)) {
        out.token = NewToken();
        if (db_.acquire()->openSession(TokenDigest(out.token), userId, UtcText(now), address,
                                       UtcText(now - rules_.lifetime), UtcText(now - rules_.idleLimit))) {
            out.expires = now + rules_.lifetime;
            return out;
        }
        out.token.clear();  // access ended meanwhile
    }
    out.refusal = messages::kSignInRefused;
    log_("échec de connexion : utilisateur " + who + " depuis " + address);
    if (const std::string paused = throttle_.failed(who, address, now); !paused.empty()) log_(paused);
    return out;
}

std::optional<Sessions::Known> Sessions::lookUp(const std::string& digest, TimePoint now) {
    auto s = db_.acquire();
    const ResultSet row = s->session(digest, UtcText(now - rules_.lifetime), UtcText(now - rules_.idleLimit));
    if (row.rows.empty()) return std::nullopt;
    Known k;
    k.user = row.value(0, "idUser");
    k.created = ParseUtc(row.value(0, "Created"));
    k.lastWritten = ParseUtc(row.value(0, "LastUsed"));
    k.checked = now;
    if (now - k.lastWritten >= rules_.touchEvery) {
        try {
            s->touchSession(digest, UtcText(now));
            k.lastWritten = now;
        } catch (const DatabaseBusy&) {
            // A writer holds the database: the use is written at the next check.
        }
    }
    return k;
}

std::optional<std::string> Sessions::userOf(const std::string& token) {
    if (!IsTokenShape(token)) return std::nullopt;
    const std::string digest = TokenDigest(token);
    const TimePoint now = clock_();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = known_.find(digest);
        if (it != known_.end()) {
            const Known& k = it->second;
            if (now - k.checked < rules_.recheck && now >= k.checked && now < k.created + rules_.lifetime &&
                now - k.lastWritten < rules_.idleLimit)
                return k.user;
        }
    }
    std::optional<Known> found = lookUp(digest, now);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!found) {
        known_.erase(digest);
        return std::nullopt;
    }
    if (known_.size() >= kKeptSessions)
        for (auto it = known_.begin(); it != known_.end();)
            it = now - it->second.checked >= rules_.recheck ? known_.erase(it) : std::next(it);
    known_[digest] = *found;
    return found->user;
}

}  // namespace stanor::dataservice
