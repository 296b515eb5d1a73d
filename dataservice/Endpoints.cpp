#include "Endpoints.h"

#include "History.h"
#include "InsertKeys.h"
#include "PhotoFiles.h"
#include "Reminders.h"
#include "WriteRules.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace stanor::dataservice {

namespace {

const char* kRoot = "Answer";

bool IsInteger(const std::string& s) {
    if (s.empty() || s.size() > 18) return false;
    size_t i = (s[0] == '-') ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

std::string Root(const std::string& endpoint) { return std::string(kRoot) + " request=\"" + endpoint + "\""; }

std::string Failure(const std::string& endpoint, const std::string& why) {
    return XmlAnswer::Failure(Root(endpoint), {why});
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool SameText(const std::string& a, const std::string& b) { return UpperWord(a) == UpperWord(b); }

// The dealership of a user ("" when unknown).
std::string DealershipOf(Session& s, const std::string& userId) {
    if (!IsInteger(userId)) return {};
    const ResultSet u = s.user(userId);
    return u.rows.empty() ? std::string() : u.value(0, "UserConcession");
}

const char* const kUnknownWriter = "Écriture refusée : l'utilisateur n'est pas connu du service";

const FormPart* FindPart(const std::vector<FormPart>& parts, const std::string& name, size_t nth = 0) {
    for (const FormPart& p : parts)
        if (p.name == name && nth-- == 0) return &p;
    return nullptr;
}

// The statement of a request: present, valid text, translated.
bool TakeStatement(const QueryParams& p, const std::string& name, TranslatedSql& sql, std::string& why) {
    if (!p.error.empty()) { why = p.error; return false; }
    if (!p.has(name) || p.get(name).empty()) { why = "Paramètre " + name + " manquant"; return false; }
    sql = TranslateSql(p.get(name));
    if (!sql.ok()) { why = sql.error; return false; }
    return true;
}

}  // namespace

Endpoints::Endpoints(Store& db, std::string imagesDir, Clock clock, ServiceLimits limits,
                     std::function<void(const std::string&)> limitReached)
    : db_(db), imagesDir_(std::move(imagesDir)), clock_(std::move(clock)), limits_(std::move(limits)),
      limitReached_(std::move(limitReached)) {
    if (!clock_) clock_ = [] { return std::chrono::system_clock::now(); };
}

Store::Lease Endpoints::session(const Caller& caller) {
    Store::Lease s = db_.acquire();
    s->actFor(caller.userId);
    return s;
}

std::string Endpoints::dealershipOf(const Caller& caller) { return DealershipOf(*db_.acquire(), caller.userId); }

std::string Endpoints::limitFailure(const std::string& endpoint, const std::string& why) {
    if (limitReached_) limitReached_(endpoint + " : " + why);
    return Failure(endpoint, why);
}

std::string Endpoints::prepareWrite(const Caller& caller, Session& s, TranslatedSql& sql) {
    const bool sweep = IsCancelledVehicleSweep(sql);
    if (!sweep && sql.kind != StatementKind::Insert && sql.kind != StatementKind::Update) return {};
    std::string concession = DealershipOf(s, caller.userId);
    if (sweep) {
        // The one write of the client that names no key: the cancelled new
        // vehicles of the user's own dealership, never of another one. A
        // request that names no user may sweep only a store that holds the
        // vehicles of one dealership (a site's own file).
        if (concession.empty()) {
            const ResultSet held = s.query("SELECT DISTINCT Concession FROM tVehicles WHERE Concession IS NOT NULL");
            if (held.rows.size() == 1) concession = held.rows[0][0];
        }
        if (concession.empty())
            return "Purge refusée : la demande ne dit pas pour quel utilisateur, et la base tient les véhicules de "
                   "plusieurs concessions";
        sql = CancelledVehicleSweepOf(concession);
        return sql.ok() ? std::string() : sql.error;
    }
    const WriteShape shape = ReadWriteShape(sql);
    if (!shape.ok()) return {};  // refused by the store, which says why
    return TextTooLong(shape, *lengths_.of(s, concession), limits_.textBytes);
}

// The service's clock read as a text, in local time or UTC.
static std::string ClockText(const Clock& clock, bool utc, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(clock());
    std::tm tm{};
    if (utc) gmtime_r(&t, &tm);
    else localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

std::string Endpoints::today() const { return ClockText(clock_, false, "%d/%m/%Y"); }

void Endpoints::writeRows(XmlAnswer& out, const std::string& section, const std::string& item, const ResultSet& rows,
                          const Extra& extra) {
    out.open(section);
    for (size_t r = 0; r < rows.rows.size(); ++r) {
        out.open(item);
        for (size_t c = 0; c < rows.columns.size(); ++c) out.element(rows.columns[c], rows.rows[r][c]);
        for (const auto& [name, column] : extra) out.element(name, rows.value(r, column));
        out.close(item);
    }
    out.close(section);
}

// "User", "GNames" and "OptDates" of the record answers.
void Endpoints::writeUser(XmlAnswer& out, Session& s, const std::string& userId, std::string& concession) {
    ResultSet user;
    if (IsInteger(userId))
        user = s.user(userId);
    if (user.rows.empty())
        out.logItem(userId.empty() ? "Paramètre UserID manquant" : "Utilisateur inconnu : " + userId);
    out.open("User");
    for (const char* name : {"UserConcession", "UserSite", "Name_", "US1"})
        out.element(name, user.rows.empty() ? std::string() : user.value(0, name));
    out.close("User");
    concession = user.rows.empty() ? std::string() : user.value(0, "UserConcession");
    out.open("GNames");
    if (!user.rows.empty()) {
        ResultSet groups = s.userGroups(userId);
        for (const auto& row : groups.rows) out.element("GName", row[0]);
    }
    out.close("GNames");
    ResultSet opt = s.optionDates(concession);
    out.open("OptDates");
    for (const char* name : {"Opt_LimiteDateDeb", "Opt_LimiteDateDebFrevo", "Opt_LimiteDateDebProFid", "Opt_TauxTVA"})
        out.element(name, opt.rows.empty() ? std::string() : opt.value(0, name));
    out.element("Now", today());
    out.close("OptDates");
}

std::string Endpoints::infoEquip(const Caller& caller, const QueryParams& p) {
    if (!p.error.empty()) return Failure("AxInfoEquip", p.error);
    XmlAnswer out(Root("AxInfoEquip"));
    auto s = session(caller);
    // The lists of the user's dealership, whatever the request names.
    const std::string conc = DealershipOf(*s, caller.userId);
    writeRows(out, "ParsS", "Pars",
              s->query("SELECT type, text FROM ("
                       " SELECT ParType AS type, ParText AS text, 0 AS src, ParIndex AS pos, rowid AS rid FROM ListPars"
                       " UNION ALL"
                       " SELECT RubricType, RubricText, 1, RubricIndex, rowid FROM ListRubrics) AS lists"
                       " ORDER BY upper(type), src, pos, CASE WHEN text = '..' THEN 0 ELSE 1 END, text, rid"));
    writeRows(out, "InfoComS", "InfoCom",
              s->query("SELECT idCom, cNom, upper(Site) AS Site FROM tCommerciaux"
                       " WHERE Concession = ? OR Concession IS NULL ORDER BY idCom", {conc}));
    // The distinct names are picked first, then put in order (a DISTINCT query
    // may only be ordered by what it selects).
    writeRows(out, "MarksS", "Marks",
              s->query("SELECT vMark FROM (SELECT DISTINCT VMarque AS vMark FROM ListModels) AS marks"
                       " ORDER BY upper(vMark)"));
    writeRows(out, "ModelsS", "Models",
              s->query("SELECT VMarque AS vMark, VModele AS vModel FROM ListModels"
                       " ORDER BY upper(VMarque), upper(VModele)"));
    const std::string vnFilter = " FROM ListVersions WHERE VConcession = ? OR VConcession IS NULL";
    writeRows(out, "VNMarksS", "VNMarks",
              s->query("SELECT vnMark FROM (SELECT DISTINCT VMarque AS vnMark" + vnFilter + ") AS marks"
                       " ORDER BY upper(vnMark)", {conc}));
    writeRows(out, "VNModelsS", "VNModels",
              s->query("SELECT vnMark, vnModel FROM (SELECT DISTINCT VMarque AS vnMark, VModele AS vnModel" +
                       vnFilter + ") AS models ORDER BY upper(vnMark), upper(vnModel)", {conc}));
    writeRows(out, "VNVersionsS", "VNVersions",
              s->query("SELECT vnModel, vnVers FROM (SELECT DISTINCT VModele AS vnModel, VVersion AS vnVers" +
                       vnFilter + ") AS versions ORDER BY upper(vnModel), vnVers", {conc}));
    writeRows(out, "InfoSiteS", "InfoSite",
              s->query("SELECT Site, Marques, MontantFraisDossier FROM tSites WHERE Concession = ? ORDER BY Site",
                       {conc}));
    ResultSet lists = s->query("SELECT DISTINCT OptList FROM ListOptions ORDER BY OptList");
    for (const auto& row : lists.rows)
        writeRows(out, row[0] + "S", row[0],
                  s->query("SELECT Abbr, eText FROM ListOptions WHERE OptList = ? ORDER BY OptIndex", {row[0]}));
    return out.finish();
}

std::string Endpoints::infoStruct(const Caller& caller, const QueryParams& p) {
    if (!p.error.empty()) return Failure("AxInfoStruct", p.error);
    XmlAnswer out(Root("AxInfoStruct"));
    auto s = session(caller);
    writeRows(out, "axStructS", "axStruct", s->tabDescriptions(DealershipOf(*s, caller.userId)));
    return out.finish();
}

std::string Endpoints::infoVO(const Caller& caller, const QueryParams& p) {
    if (!p.error.empty()) return Failure("AxInfoVO", p.error);
    const std::string id = p.get("idTVO");
    XmlAnswer out(Root("AxInfoVO"));
    auto s = session(caller);
    std::string concession;
    writeUser(out, *s, caller.userId, concession);
    ResultSet vehicle;
    if (!IsInteger(id)) {
        out.logItem("Identifiant de véhicule invalide : \"" + id + "\"");
    } else if (std::stoll(id) > 0) {
        vehicle = s->query("SELECT * FROM tVehicles WHERE idTVO = ?", {id});
        // The vehicles of another dealership are not the user's to see.
        if (!vehicle.rows.empty() && (concession.empty() || !SameText(vehicle.value(0, "Concession"), concession)))
            vehicle = ResultSet{};
        if (vehicle.rows.empty()) out.logItem("Le véhicule " + id + " n'existe pas (ou plus)");
    }
    const std::string idVO = vehicle.rows.empty() ? std::string() : vehicle.value(0, "idVO");
    // The cost total is the sum of the cost lines, whatever the column holds.
    std::string total;
    if (!idVO.empty()) {
        ResultSet sum = s->query("SELECT CAST(coalesce(sum(MontantHT), 0) AS DECIMAL) AS Frevo FROM \"tVO - Frevo\" "
                                 "WHERE idVO = ?", {idVO});
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2f", sum.rows.empty() ? 0.0 : std::atof(sum.rows[0][0].c_str()));
        total = buf;
    }
    out.open("tVO");
    if (!vehicle.rows.empty()) {
        for (size_t c = 0; c < vehicle.columns.size(); ++c)
            out.element(vehicle.columns[c], vehicle.columns[c] == "Frevo" ? total : vehicle.rows[0][c]);
        out.element("idtVO", vehicle.value(0, "idTVO"));
    }
    out.close("tVO");
    ResultSet costs, photos;
    if (!idVO.empty()) {
        costs = s->query("SELECT * FROM \"tVO - Frevo\" WHERE idVO = ? ORDER BY DateFrevo, idFrevo", {idVO});
        photos = s->query("SELECT * FROM \"tVO - Liens Images\" WHERE idVO = ? ORDER BY NumImage, idImage", {idVO});
    }
    writeRows(out, "FrevoS", "Frevo", costs);
    writeRows(out, "ImageS", "Image", photos);
    return out.finish();
}

std::string Endpoints::infoCL(const Caller& caller, const QueryParams& p) {
    if (!p.error.empty()) return Failure("AxInfoCL", p.error);
    const std::string id = p.get("idClient");
    XmlAnswer out(Root("AxInfoCL"));
    auto s = session(caller);
    std::string concession;
    writeUser(out, *s, caller.userId, concession);
    ResultSet customer, actions, vehicles;
    if (!IsInteger(id)) {
        out.logItem("Identifiant de client invalide : \"" + id + "\"");
    } else if (std::stoll(id) > 0) {
        customer = s->query("SELECT * FROM tClients WHERE idClient = ?", {id});
        // The customers of another dealership are not the user's to see.
        if (!customer.rows.empty() && (concession.empty() || !SameText(customer.value(0, "Concession"), concession)))
            customer = ResultSet{};
        if (customer.rows.empty()) {
            out.logItem("Le client " + id + " n'existe pas (ou plus)");
        } else {
            actions = s->query("SELECT * FROM tActions WHERE idClient = ? ORDER BY DateAction DESC, idAction DESC",
                               {id});
            vehicles = s->query("SELECT * FROM tVehiclesProfid WHERE idClient = ? ORDER BY idTVO", {id});
        }
    }
    out.open("TVC");
    if (!customer.rows.empty())
        for (size_t c = 0; c < customer.columns.size(); ++c) out.element(customer.columns[c], customer.rows[0][c]);
    out.close("TVC");
    writeRows(out, "TActS", "TAct", actions);
    writeRows(out, "TVehS", "TVeh", vehicles, {{"idtVO", "idTVO"}});
    return out.finish();
}

std::string Endpoints::query(const Caller& caller, const QueryParams& p) {
    TranslatedSql sql;
    std::string why;
    if (!TakeStatement(p, "SQL", sql, why)) return Failure("AxQuery", why);
    size_t maxRows = limits_.maxRows;
    if (p.has("MaxRows")) {
        const std::string m = p.get("MaxRows");
        if (!IsInteger(m) || std::stoll(m) < 0) return Failure("AxQuery", "Valeur MaxRows invalide : \"" + m + "\"");
        if (std::stoll(m) > static_cast<long long>(limits_.maxRows))
            return limitFailure("AxQuery", "Valeur MaxRows trop grande : " + m + " (au plus " +
                                               std::to_string(limits_.maxRows) + " lignes par réponse)");
        maxRows = static_cast<size_t>(std::stoll(m));
    }
    if (sql.kind != StatementKind::Select)
        return Failure("AxQuery", std::string("Instruction refusée : AxQuery n'exécute que SELECT (reçu ") +
                                      KindName(sql.kind) + ")");
    Outcome o = session(caller)->runClientSelect(sql, maxRows);
    if (o.limit) return limitFailure("AxQuery", o.message);
    if (!o.ok()) return Failure("AxQuery", o.message);
    XmlAnswer out(Root("AxQuery"));
    writeRows(out, "AXQueryS", "AXQuery", o.rows);
    return out.finish();
}

std::string Endpoints::reminders(const Caller& caller, const QueryParams& p) {
    auto s = db_.acquire();
    return RemindersAnswer(*s, caller, p, today());
}

std::string Endpoints::nowUtc() const { return ClockText(clock_, true, "%Y-%m-%d %H:%M:%S"); }

Outcome Endpoints::recordedWrite(Session& s, const Caller& caller, const TranslatedSql& sql,
                                 const Session::BeforeCommit& also, const Session::BeforeStatement& check) {
    ChangeRecorder history(sql, caller.userId, nowUtc());
    return s.runClientWrite(
        sql,
        [&](Session& session, const Outcome& done) {
            if (also)
                if (std::string why = also(session, done); !why.empty()) return why;
            return history.after(session, done);
        },
        [&](Session& session) {
            if (check)
                if (std::string why = check(session); !why.empty()) return why;
            return history.before(session);
        });
}

std::string Endpoints::runWrite(Session& s, const Caller& caller, const TranslatedSql& sql, const std::string& root,
                                const Session::BeforeStatement& check) {
    if (sql.kind == StatementKind::Select)
        return Failure(root, "Instruction refusée : " + root + " n'exécute que INSERT, UPDATE et DELETE");
    const Outcome o = recordedWrite(s, caller, sql, {}, check);
    if (o.limit) return limitFailure(root, o.message);
    return writeAnswer(s, sql, root, o, false);
}

std::string Endpoints::writeAnswer(Session& s, const TranslatedSql& sql, const std::string& root, const Outcome& o,
                                   bool replayed, const Extra& outParams) {
    XmlAnswer out(Root(root));
    if (!o.ok()) {
        out.logItem(o.message);
        return out.finish();
    }
    // An update that found no row stored nothing: saying so keeps the change
    // pending on the client. When its row is still there, a colleague changed
    // the values it replaces: the stored ones are answered, with who changed
    // them last and when, so that the user can choose.
    if (sql.kind == StatementKind::Update && o.changes == 0) {
        const Conflict conflict = ConflictOf(s, sql);
        if (conflict.found && !conflict.deleted) {
            out.logItem("Aucun enregistrement n'a été modifié : l'enregistrement a été changé entre-temps par "
                        "un autre utilisateur");
        } else {
            out.logItem("Aucun enregistrement n'a été modifié : l'enregistrement visé n'existe pas (ou plus)");
        }
        if (conflict.found) {
            out.open("Conflict");
            out.element("Deleted", conflict.deleted ? "True" : "False");
            out.open("ConflictFieldS");
            for (const ConflictField& f : conflict.fields) {
                out.open("ConflictField");
                out.element("Column", f.column);
                out.element("Value", f.value);
                out.element("UserID", f.userId);
                out.element("UserName", f.userName);
                out.element("When", f.when);
                out.close("ConflictField");
            }
            out.close("ConflictFieldS");
            out.close("Conflict");
        }
    }
    out.element("RowsAffected", std::to_string(o.changes));
    if (o.hasNewId || o.hasNewIdBis) {
        out.open("OutParams");
        if (o.hasNewId) out.element("NewID", std::to_string(o.newId));
        if (o.hasNewIdBis) out.element("NewIDbis", std::to_string(o.newIdBis));
        for (const auto& [name, value] : outParams) out.element(name, value);
        out.close("OutParams");
    }
    if (replayed) out.element("Replayed", "True");
    return out.finish();
}

std::string Endpoints::execute(const Caller& caller, const QueryParams& p, const std::string& endpoint) {
    TranslatedSql sql;
    std::string why;
    if (!TakeStatement(p, "SQLExecute", sql, why)) return Failure(endpoint, why);
    if (sql.kind == StatementKind::Select)
        return Failure(endpoint, "Instruction refusée : " + endpoint + " n'exécute que INSERT, UPDATE et DELETE");
    auto s = session(caller);
    const WriteUser user = WriteGate::User(*s, caller.userId);
    if (!user.known()) return Failure(endpoint, kUnknownWriter);
    // The limits first (they may name the rows of the sweep), then the rights
    // of the statement as it will run.
    if (std::string refused = prepareWrite(caller, *s, sql); !refused.empty()) return limitFailure(endpoint, refused);
    const std::optional<WriteStatement> write = ReadWriteStatement(sql, why);
    if (!write) return Failure(endpoint, why);
    // The rights are checked inside the write's transaction, on the rows it touches.
    const Session::BeforeStatement check = [&](Session& in) { return gate_.check(in, user, *write); };
    if (endpoint == "AxInsert" && p.has("InsertKey")) return keyedInsert(caller, *s, sql, p.get("InsertKey"), check);
    return runWrite(*s, caller, sql, endpoint, check);
}

std::string Endpoints::keyedInsert(const Caller& caller, Session& s, const TranslatedSql& sql, const std::string& key,
                                   const Session::BeforeStatement& check) {
    if (!IsInsertKey(key)) return Failure("AxInsert", "Clé d'insertion invalide : \"" + key.substr(0, 70) + "\"");
    if (sql.kind != StatementKind::Insert)
        return Failure("AxInsert", "Instruction refusée : une clé d'insertion n'accompagne qu'un INSERT");
    if (std::optional<Outcome> first = FindInsertKey(s, key)) return writeAnswer(s, sql, "AxInsert", *first, true);
    const std::string now = nowUtc();
    Outcome o = recordedWrite(
        s, caller, sql, [&](Session& in, const Outcome& done) { return RememberInsertKey(in, key, done, now); }, check);
    // Two attempts in flight at once: the one that committed first answers for both.
    if (!o.ok())
        if (std::optional<Outcome> first = FindInsertKey(s, key)) return writeAnswer(s, sql, "AxInsert", *first, true);
    if (o.limit) return limitFailure("AxInsert", o.message);
    return writeAnswer(s, sql, "AxInsert", o, false);
}

std::string Endpoints::history(const Caller& caller, const QueryParams& p) {
    if (!p.error.empty()) return Failure("AxHistory", p.error);
    const std::string key = p.get("Key");
    const RecordTable* table = FindRecordTable(p.get("Table"));
    if (!table || !*table->key)
        return Failure("AxHistory", "Table inconnue de l'historique : \"" + p.get("Table").substr(0, 60) + "\"");
    if (!IsInteger(key)) return Failure("AxHistory", "Clé invalide : \"" + key.substr(0, 30) + "\"");
    // The history of a record is read as the record is: by its dealership only.
    auto s = session(caller);
    const Outcome seen = s->runClientSelect(
        TranslateSql(std::string("SELECT ") + table->key + " FROM [" + table->table + "] WHERE " + table->key + "=" + key), 1);
    if (!seen.ok()) return Failure("AxHistory", seen.message);
    ResultSet rows = seen.rows.rows.empty() ? ResultSet{} : s->history(table->table, key);
    for (auto& row : rows.rows)
        for (size_t c = 0; c < rows.columns.size(); ++c)
            if (rows.columns[c] == "When") row[c] = IsoUtc(row[c]);
    XmlAnswer out(Root("AxHistory"));
    writeRows(out, "HistoryS", "History", rows);
    return out.finish();
}

std::string Endpoints::upload(const Caller& caller, const std::vector<FormPart>& parts) {
    const FormPart* name = FindPart(parts, "NFImage");
    const FormPart* mini = FindPart(parts, "NFImageMini");
    const FormPart* stmt = FindPart(parts, "SQLExecute");
    const FormPart* file1 = FindPart(parts, "File", 0);
    const FormPart* file2 = FindPart(parts, "File", 1);
    if (!name || !mini || !stmt || !file1 || !file2)
        return Failure("AxInsert", "Envoi de photo incomplet : les champs NFImage, NFImageMini, SQLExecute et "
                                   "deux fichiers File sont attendus");
    std::string why;
    const auto photo = ParsePhotoNames(name->content, mini->content, why);
    if (!photo) return Failure("AxInsert", why);
    for (const FormPart* f : {file1, file2}) {
        if (f->content.size() > limits_.photoBytes)
            return limitFailure("AxInsert", "Photo trop volumineuse : " + std::to_string(f->content.size()) +
                                                " octets (au plus " + std::to_string(limits_.photoBytes) + ")");
        if (std::string refused = PhotoRefusal(f->content, limits_.photoPixels); !refused.empty())
            return limitFailure("AxInsert", refused);
    }
    const ClientText text = ReadClientText(stmt->content, "Le champ SQLExecute");
    if (!text.ok()) return Failure("AxInsert", text.error);
    TranslatedSql sql = TranslateSql(text.utf8);
    if (!sql.ok()) return Failure("AxInsert", sql.error);
    if (sql.kind != StatementKind::Insert || Lower(sql.insertTable) != "tvo - liens images" ||
        Lower(sql.newIdColumn) != "idimage")
        return Failure("AxInsert", "Instruction refusée : l'envoi de photo n'admet que l'insertion de son lien, "
                                   "INSERT INTO [tVO - Liens Images] (idImage, ...) VALUES (:NewID, ...)");
    auto s = session(caller);
    const WriteUser user = WriteGate::User(*s, caller.userId);
    if (!user.known()) return Failure("AxInsert", kUnknownWriter);
    if (std::string refused = prepareWrite(caller, *s, sql); !refused.empty())
        return limitFailure("AxInsert", refused);
    const std::optional<WriteStatement> write = ReadWriteStatement(sql, why);
    if (!write) return Failure("AxInsert", why);
    // Both files are written under temporary names first; they take their
    // names inside the transaction, once the link row is known to be the
    // photo's, and the files they replace come back if it does not commit.
    PhotoFiles files(imagesDir_);
    for (const auto& [part, fileName] : {std::pair{file1, name->content}, std::pair{file2, mini->content}})
        if (std::string failed = files.stage(fileName, part->content); !failed.empty()) return Failure("AxInsert", failed);
    const std::string idVO = std::to_string(photo->idVO);
    auto rightsFirst = [&](Session& in) {
        // The uploads to one vehicle take their turns, so that each finds the
        // numbers that the others took.
        in.queryRowsToWrite("SELECT idVO FROM tVehicles WHERE idVO = ?", {idVO});
        return gate_.check(in, user, *write, true);
    };
    std::string stem = photo->stem;
    long long number = 0;
    auto linkThenFiles = [&](Session& in, const Outcome& o) -> std::string {
        const std::string newId = std::to_string(o.newId);
        ResultSet row = in.query("SELECT idVO, NumImage, NomImage FROM \"tVO - Liens Images\" WHERE idImage = ?", {newId});
        if (o.changes != 1 || row.rows.empty())
            return "L'envoi de photo doit créer exactement un lien de photo";
        if (row.value(0, "idVO") != idVO || !SameText(row.value(0, "NomImage"), photo->stem))
            return "Lien de photo refusé : la photo " + photo->stem + " appartient au véhicule " + idVO +
                   ", le lien nomme la photo \"" + row.value(0, "NomImage") + "\" du véhicule " + row.value(0, "idVO");
        number = std::atoll(row.value(0, "NumImage").c_str());
        // A photo already linked is never replaced: this one takes the next free number.
        std::set<std::string> linked;
        long long top = 0;
        for (const auto& r : in.query("SELECT NumImage, NomImage FROM \"tVO - Liens Images\""
                                      " WHERE idVO = ? AND idImage <> ?", {idVO, newId}).rows) {
            top = std::max(top, std::atoll(r[0].c_str()));
            linked.insert(UpperWord(r[1]));
        }
        if (linked.count(UpperWord(stem))) {
            number = top + 1;
            while (linked.count(UpperWord(PhotoStem(idVO, number)))) ++number;
            const std::string renamed = PhotoStem(idVO, number);
            in.query("UPDATE \"tVO - Liens Images\" SET NumImage = ?, NomImage = ? WHERE idImage = ?",
                     {std::to_string(number), renamed, newId});
            files.retarget(stem + ".jpg", renamed + ".jpg");
            files.retarget(stem + "m.jpg", renamed + "m.jpg");
            stem = renamed;
        }
        return files.putInPlace();
    };
    const Outcome o = recordedWrite(*s, caller, sql, linkThenFiles, rightsFirst);
    if (o.ok()) files.keep();
    else files.takeBack();
    if (o.limit) return limitFailure("AxInsert", o.message);
    return writeAnswer(*s, sql, "AxInsert", o, false, {{"NomImage", stem}, {"NumImage", std::to_string(number)}});
}

std::string Endpoints::sendSms(const Caller& /*caller*/, const std::vector<FormPart>& parts) {
    const FormPart* to = FindPart(parts, "destinataire");
    const FormPart* text = FindPart(parts, "texte");
    if (!to || !text || to->content.empty()) return "Erreur : les champs destinataire et texte sont attendus";
    auto message = ClientTextToUtf8(text->content);  // a text message may hold any character
    if (!message) return "Erreur : le texte du message n'est pas en UTF-8";
    auto s = db_.acquire();
    s->logTextMessage(to->content, *message);
    return "telephonySmsSend successfull";
}

}  // namespace stanor::dataservice
