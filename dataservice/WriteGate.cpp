#include "WriteGate.h"

#include <cctype>

namespace stanor::dataservice {

namespace {

bool IsNumber(const std::string& s) {
    if (s.empty() || s.size() > 18) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::vector<StoredRow> Rows(const ResultSet& r) {
    std::vector<StoredRow> out;
    out.reserve(r.rows.size());
    for (const auto& row : r.rows) {
        StoredRow s;
        for (size_t c = 0; c < r.columns.size(); ++c) s[LowerAscii(r.columns[c])] = row[c];
        out.push_back(std::move(s));
    }
    return out;
}

std::string ValueIn(const StoredRow& row, const std::string& column) {
    const auto f = row.find(LowerAscii(column));
    return f == row.end() ? std::string() : f->second;
}

}  // namespace

WriteUser WriteGate::User(Session& s, const std::string& userId) {
    WriteUser user;
    if (!IsNumber(userId)) return user;
    const ResultSet row = s.user(userId);
    if (row.rows.empty()) return user;
    user.id = userId;
    user.dealership = row.value(0, "UserConcession");
    user.sites = row.value(0, "UserSite");
    for (const auto& g : s.userGroups(userId).rows) user.groups.push_back(g[0]);
    return user;
}

std::shared_ptr<const WriteDescriptions> WriteGate::descriptions(Session& s, const std::string& dealership) {
    const std::string key = UpperWord(dealership);
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = cache_.find(key);
        if (found != cache_.end() && now - found->second.read < kDescriptionsKept) return found->second.descriptions;
    }
    const ResultSet r = s.tabDescriptions(dealership);
    std::vector<std::map<std::string, std::string>> rows;
    rows.reserve(r.rows.size());
    for (const auto& row : r.rows) {
        std::map<std::string, std::string> m;
        for (size_t c = 0; c < r.columns.size(); ++c) m[r.columns[c]] = row[c];
        rows.push_back(std::move(m));
    }
    auto read = std::make_shared<const WriteDescriptions>(WriteDescriptions::Read(rows));
    std::lock_guard<std::mutex> lock(mutex_);
    cache_[key] = {now, read};
    return read;
}

WriteFacts WriteGate::Facts(Session& s, const WriteUser& user, const WriteStatement& write) {
    WriteFacts facts;
    const std::optional<TableFacts> table = FactsOf(write.table);
    if (!table) return facts;
    if (write.kind != StatementKind::Insert) {
        RowsQuery q = SelectNamedRows(write, table->columns);
        q.sql += " LIMIT " + std::to_string(WriteFacts::kMaxRows + 1);
        facts.rows = Rows(s.queryRowsToWrite(q.sql, q.binds));
        if (facts.rows.size() > WriteFacts::kMaxRows) {
            facts.tooManyRows = true;
            return facts;
        }
    }
    // The records the lines belong to, and what the rules read of them.
    std::set<std::string> parents;
    if (table->parent != TableFacts::Parent::None) {
        if (write.kind == StatementKind::Insert) {
            if (const SqlLiteralValue* id = write.valueOf(table->parentColumn)) parents.insert(id->text);
        }
        for (const StoredRow& row : facts.rows) parents.insert(ValueIn(row, table->parentColumn));
    }
    const bool vehicleLines = table->parent == TableFacts::Parent::Vehicle;
    for (const std::string& id : parents) {
        if (!IsNumber(id)) continue;
        if (vehicleLines) {
            const auto v = Rows(s.query("SELECT idTVO, idVO, TypeVO, StatutVD, Concession, Site FROM tVehicles"
                                        " WHERE idVO = ?", {id}));
            if (!v.empty()) facts.vehicles[id] = v.front();
        } else {
            const auto c = Rows(s.query("SELECT idClient, Concession, Site FROM tClients WHERE idClient = ?", {id}));
            if (!c.empty()) facts.customers[id] = c.front();
        }
    }
    const std::string lowerTable = LowerAscii(write.table);
    // The photos linked to a vehicle: for a new link, and for a default photo.
    std::set<std::string> photosOf;
    if (lowerTable == "tvo - liens images" && write.kind == StatementKind::Insert) photosOf = parents;
    if (lowerTable == "tvehicles" && write.valueOf("NomImage")) {
        for (const StoredRow& row : facts.rows) photosOf.insert(ValueIn(row, "idVO"));
    }
    for (const std::string& id : photosOf) {
        if (!IsNumber(id)) continue;
        auto& names = facts.linkedPhotos[id];
        for (const auto& r : s.query("SELECT NomImage FROM \"tVO - Liens Images\" WHERE idVO = ?", {id}).rows)
            names.insert(UpperWord(r[0]));
    }
    // The fixed cost line: whether the vehicle has one, and the fees of the sites.
    const SqlLiteralValue* type = write.valueOf("TypeFrevo");
    if (lowerTable == "tvo - frevo" && write.kind == StatementKind::Insert && type &&
        UpperWord(type->text) == "FIXE") {
        for (const std::string& id : parents)
            if (IsNumber(id) &&
                !s.query("SELECT idFrevo FROM \"tVO - Frevo\" WHERE idVO = ? AND TypeFrevo = 'fixe'", {id}).rows.empty())
                facts.vehiclesWithFixedCost.insert(id);
        for (const auto& r : s.query("SELECT Site, MontantFraisDossier FROM tSites WHERE Concession = ?",
                                     {user.dealership}).rows)
            facts.siteFees[UpperWord(r[0])] = r[1];
    }
    return facts;
}

std::string WriteGate::check(Session& s, const WriteUser& user, const WriteStatement& write, bool uploading) {
    if (!user.known()) return *CheckWrite(user, WriteDescriptions{}, write, WriteFacts{}, uploading);
    const auto d = descriptions(s, user.dealership);
    const WriteFacts facts = Facts(s, user, write);
    return CheckWrite(user, *d, write, facts, uploading).value_or(std::string());
}

}  // namespace stanor::dataservice
