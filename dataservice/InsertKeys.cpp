#include "InsertKeys.h"

#include <cctype>

namespace stanor::dataservice {

bool IsInsertKey(const std::string& key) {
    if (key.size() < 16 || key.size() > 64) return false;
    for (unsigned char c : key)
        if (!std::isalnum(c) && c != '-') return false;
    return true;
}

std::optional<Outcome> FindInsertKey(Session& s, const std::string& key) {
    const ResultSet r = s.insertKey(key);
    if (r.rows.empty()) return std::nullopt;
    Outcome o;
    const auto& row = r.rows.front();
    o.hasNewId = !row[0].empty();
    o.hasNewIdBis = !row[1].empty();
    if (o.hasNewId) o.newId = std::stoll(row[0]);
    if (o.hasNewIdBis) o.newIdBis = std::stoll(row[1]);
    o.changes = row[2].empty() ? 0 : std::stoll(row[2]);
    return o;
}

std::string RememberInsertKey(Session& s, const std::string& key, const Outcome& done, const std::string& now) {
    try {
        if (!s.rememberInsertKey(key, done, now)) return "Clé d'insertion déjà utilisée : " + key;
    } catch (const std::exception& e) {
        // The insert is rolled back with its key: the client's next attempt decides.
        return std::string("Clé d'insertion non enregistrée : ") + e.what();
    }
    return {};
}

}  // namespace stanor::dataservice
