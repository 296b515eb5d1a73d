#include "Store.h"

#include "WriteRules.h"

#include <cctype>
#include <cstdio>

namespace stanor::dataservice {

namespace {

// Idle sessions kept for the next requests; more are closed when they come back.
constexpr size_t kIdleKept = 32;

std::set<std::string> LowerSet(std::initializer_list<const char*> names) {
    std::set<std::string> out;
    for (const char* n : names) out.insert(LowerAscii(n));
    return out;
}

}  // namespace

std::string messages::WriteLockHeld(int ms) {
    return "Instruction interrompue : elle a tenu le verrou d'écriture plus de " + std::to_string(ms) +
           " ms, au détriment des autres enregistrements (elle doit nommer ses enregistrements par leur clé et "
           "rester simple)";
}

std::string messages::AnswerTooLarge(size_t bytes) {
    const std::string size = bytes >= (1u << 20) ? std::to_string(bytes >> 20) + " Mo" : std::to_string(bytes >> 10) + " Ko";
    return "Réponse trop volumineuse : la requête donnerait plus de " + size +
           ", elle doit demander moins de lignes ou de texte";
}

std::string messages::NotReachable(const std::string& what) {
    return "Instruction refusée : " + what + " n'est pas accessible aux requêtes du client";
}

namespace {

Outcome Refusal(std::string message) {
    Outcome o;
    o.status = Outcome::Status::Refused;
    o.message = std::move(message);
    return o;
}

}  // namespace

std::optional<Outcome> RefuseClientSelect(const TranslatedSql& statement) {
    if (statement.kind != StatementKind::Select) return Refusal(messages::kSelectOnly);
    return std::nullopt;
}

std::optional<Outcome> RefuseClientWrite(const TranslatedSql& statement) {
    if (statement.kind != StatementKind::Insert && statement.kind != StatementKind::Update &&
        statement.kind != StatementKind::Delete)
        return Refusal(messages::kWritesOnly);
    if (std::string why = WriteRefusal(statement); !why.empty()) return Refusal(why);
    if ((statement.usesNewId() || statement.usesNewIdBis()) &&
        !Store::WritableTables().count(LowerAscii(statement.insertTable)))
        return Refusal(messages::NotReachable("l'écriture dans la table " + statement.insertTable));
    return std::nullopt;
}

std::string RunWriteStep(const std::function<std::string()>& step) {
    try {
        return step();
    } catch (const DatabaseBusy&) {
        return messages::kBusy;  // the client sends it again, as any write that met a lock
    } catch (const std::exception& e) {
        return std::string("Erreur interne du service de données : ") + e.what();
    }
}

std::string LowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string QuoteIdentifier(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    return out + "\"";
}

std::string FormatNumber(double v, bool twoDecimals) {
    char buf[64];
    if (twoDecimals) std::snprintf(buf, sizeof buf, "%.2f", v);
    else std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

size_t RowBytes(const std::vector<std::string>& columns, const std::vector<std::string>& row) {
    size_t n = 0;
    for (size_t i = 0; i < row.size(); ++i) n += row[i].size() + 2 * (i < columns.size() ? columns[i].size() : 0) + 5;
    return n;
}

std::string ResultSet::value(size_t row, const std::string& column) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == column) return rows.at(row).at(i);
    return {};
}

const std::set<std::string>& Store::WritableTables() {
    static const std::set<std::string> names = LowerSet({
        "tVehicles", "tVO - Frevo", "tVO - Liens Images", "tClients", "tActions", "tVehiclesProfid",
        "ListRubrics", "ListModels", "ListVersions"});
    return names;
}

const std::set<std::string>& Store::ReadableTables() {
    static const std::set<std::string> names = [] {
        std::set<std::string> all = WritableTables();
        for (const char* n : {"ListPars", "ListOptions", "tSites", "tCommerciaux"}) all.insert(LowerAscii(n));
        return all;
    }();
    return names;
}

Store::Store(DatabaseOptions options) : options_(options) {}

Store::~Store() = default;

Store::Lease::Lease(Store* o, std::unique_ptr<Session> s) : owner(o), session(std::move(s)) {}
Store::Lease::Lease(Lease&& other) noexcept : owner(other.owner), session(std::move(other.session)) {}
Store::Lease::~Lease() {
    if (owner && session) owner->release(std::move(session));
}

Store::Lease Store::acquire() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.busyTimeoutMs);
        for (;;) {
            while (!idle_.empty()) {
                auto s = std::move(idle_.back());
                idle_.pop_back();
                if (s->reusable()) return Lease(this, std::move(s));
                --open_;  // a connection the server closed meanwhile
            }
            if (options_.maxSessions == 0 || open_ < options_.maxSessions) break;
            if (freed_.wait_until(lock, until) == std::cv_status::timeout && idle_.empty() &&
                open_ >= options_.maxSessions)
                throw DatabaseBusy("toutes les connexions à la base sont occupées");
        }
        ++open_;
    }
    try {
        return Lease(this, open());
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        --open_;
        freed_.notify_one();
        throw;
    }
}

void Store::release(std::unique_ptr<Session> session) {
    // The next request on this connection names its own user.
    session->actFor({});
    std::unique_ptr<Session> closing;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (session->reusable() && idle_.size() < kIdleKept) {
            idle_.push_back(std::move(session));
        } else {
            closing = std::move(session);
            --open_;
        }
    }
    freed_.notify_one();
}

}  // namespace stanor::dataservice
