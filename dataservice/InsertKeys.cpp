#include "InsertKeys.h"

#include <cctype>

namespace stanor::dataservice {

bool IsInsertKey(const std::string& key) {
    if (key.size() < 16 || key.size() > 64) return false;
    for (unsigned char c : key)
        if (!std::isalnum(c) && c != '-') return false;
    return true;
}

void EnsureInsertKeys(Session& s) {
    if (!s.query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'sysInsertKeys'").rows.empty()) return;
    s.exec("CREATE TABLE IF NOT EXISTS sysInsertKeys (InsertKey TEXT PRIMARY KEY, NewID INTEGER, "
           "NewIDbis INTEGER, RowsAffected INTEGER NOT NULL, Stored TEXT NOT NULL)");
}

std::optional<Outcome> FindInsertKey(Session& s, const std::string& key) {
    const ResultSet r = s.query(
        "SELECT coalesce(NewID, ''), coalesce(NewIDbis, ''), RowsAffected FROM sysInsertKeys WHERE InsertKey = ?",
        {key});
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
        const ResultSet taken = s.query("SELECT 1 FROM sysInsertKeys WHERE InsertKey = ?", {key});
        if (!taken.rows.empty()) return "Clé d'insertion déjà utilisée : " + key;
        // Keys older than a month are of no use to any client still retrying.
        s.query("DELETE FROM sysInsertKeys WHERE Stored < datetime(?, '-31 days')", {now});
        s.query("INSERT INTO sysInsertKeys (InsertKey, NewID, NewIDbis, RowsAffected, Stored) "
                "VALUES (?, nullif(?, ''), nullif(?, ''), ?, ?)",
                {key, done.hasNewId ? std::to_string(done.newId) : std::string(),
                 done.hasNewIdBis ? std::to_string(done.newIdBis) : std::string(), std::to_string(done.changes),
                 now});
    } catch (const std::exception& e) {
        // The insert is rolled back with its key: the client's next attempt decides.
        return std::string("Clé d'insertion non enregistrée : ") + e.what();
    }
    return {};
}

}  // namespace stanor::dataservice
