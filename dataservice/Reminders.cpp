#include "Reminders.h"

#include "XmlAnswer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <optional>

namespace stanor::dataservice {

namespace {

const char* kRoot = "Answer request=\"AxRelances\"";

bool IsWholeNumber(const std::string& s) {
    return !s.empty() && s.size() <= 18 &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::optional<std::chrono::sys_days> ReadDay(const std::string& text) {
    int d = 0, m = 0, y = 0;
    char a = 0, b = 0;
    if (text.size() >= 10 && text[4] == '-') {
        if (std::sscanf(text.c_str(), "%4d%c%2d%c%2d", &y, &a, &m, &b, &d) != 5 || a != '-' || b != '-')
            return std::nullopt;
    } else if (std::sscanf(text.c_str(), "%2d%c%2d%c%4d", &d, &a, &m, &b, &y) != 5 || a != '/' || b != '/') {
        return std::nullopt;
    }
    const std::chrono::year_month_day day{std::chrono::year{y}, std::chrono::month{unsigned(m)},
                                          std::chrono::day{unsigned(d)}};
    if (!day.ok()) return std::nullopt;
    return std::chrono::sys_days{day};
}

std::string IsoOf(std::chrono::sys_days day) {
    const std::chrono::year_month_day ymd{day};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()));
    return buf;
}

// Whether one of the user's groups is the super-administrators' (the client
// reads them without their "USER_" prefix).
bool IsSuperAdmin(Session& s, const std::string& userId) {
    for (const auto& row : s.userGroups(userId).rows) {
        std::string g = LowerAscii(row[0]);
        if (g.rfind("user_", 0) == 0) g.erase(0, 5);
        if (g == "superadmins") return true;
    }
    return false;
}

// ";NORD;SUD;" holds "nord", whatever the case.
bool WorksAt(const std::string& sites, const std::string& site) {
    const std::string all = ";" + LowerAscii(sites) + ";", one = ";" + LowerAscii(site) + ";";
    return all.find(one) != std::string::npos;
}

struct Whose {
    std::vector<std::string> idComs;  // the salespeople whose reminders are listed
    std::string idCom, name, site;    // as the answer names them
};

// Whether a reminder was followed up, for the row `tActions` of an UPDATE.
#define STANOR_FOLLOWED_UP                                                                         \
    "EXISTS (SELECT 1 FROM tActions f WHERE f.idClient = tActions.idClient"                        \
    " AND f.DateAction >= tActions.DateRelance AND f.idAction <> tActions.idAction)"

}  // namespace

const char* ReminderMarksSql() {
    return "UPDATE tActions SET RelanceSuivie = " STANOR_FOLLOWED_UP " WHERE DateRelance IS NOT NULL";
}

const std::vector<std::string>& ReminderBookkeepingSql() {
    // Each change of a customer's actions marks that customer's reminders again.
    static const std::vector<std::string> sql = {
        "CREATE TRIGGER IF NOT EXISTS tActions_Suivi_Insert AFTER INSERT ON tActions BEGIN"
        " UPDATE tActions SET RelanceSuivie = " STANOR_FOLLOWED_UP
        " WHERE idClient = NEW.idClient AND DateRelance IS NOT NULL; END",
        "CREATE TRIGGER IF NOT EXISTS tActions_Suivi_Update AFTER UPDATE OF idClient, DateAction, DateRelance"
        " ON tActions BEGIN"
        " UPDATE tActions SET RelanceSuivie = " STANOR_FOLLOWED_UP
        " WHERE idClient IN (OLD.idClient, NEW.idClient) AND DateRelance IS NOT NULL; END",
        "CREATE TRIGGER IF NOT EXISTS tActions_Suivi_Delete AFTER DELETE ON tActions BEGIN"
        " UPDATE tActions SET RelanceSuivie = " STANOR_FOLLOWED_UP
        " WHERE idClient = OLD.idClient AND DateRelance IS NOT NULL; END",
        "CREATE INDEX IF NOT EXISTS tActions_Relance ON tActions (idComRelance, RelanceSuivie, DateRelance)",
        "CREATE INDEX IF NOT EXISTS tActions_idClient_DateAction ON tActions (idClient, DateAction)",
    };
    return sql;
}

std::optional<long> DaysBetween(const std::string& from, const std::string& to) {
    const auto a = ReadDay(from), b = ReadDay(to);
    if (!a || !b) return std::nullopt;
    return static_cast<long>((*b - *a).count());
}

std::string RemindersAnswer(Session& s, const Caller& caller, const QueryParams& p, const std::string& today) {
    if (!p.error.empty()) return XmlAnswer::Failure(kRoot, {p.error});
    const ResultSet user = IsWholeNumber(caller.userId) ? s.user(caller.userId) : ResultSet{};
    if (user.rows.empty())
        return XmlAnswer::Failure(kRoot, {caller.userId.empty() ? "Paramètre UserID manquant"
                                                                : "Utilisateur inconnu : " + caller.userId});
    const std::string concession = user.value(0, "UserConcession");
    const std::string askedCom = p.get("idCom"), askedSite = p.get("Site");
    const ResultSet salespeople =
        s.query("SELECT idCom, cNom, Site, idUser FROM tCommerciaux WHERE Concession = ? ORDER BY idCom", {concession});

    Whose whose;
    const bool otherAsked = !askedSite.empty() || !askedCom.empty();
    if (otherAsked && !IsSuperAdmin(s, caller.userId)) {
        // A salesperson may name themself; anyone else's list is a super-administrator's.
        bool own = false;
        for (size_t r = 0; askedSite.empty() && r < salespeople.rows.size(); ++r)
            own = own || (salespeople.value(r, "idCom") == askedCom && salespeople.value(r, "idUser") == caller.userId);
        if (!own)
            return XmlAnswer::Failure(kRoot, {"Seul un super-administrateur peut consulter les relances d'un autre "
                                              "vendeur ou d'un site"});
    }
    if (!askedSite.empty()) {
        const ResultSet site = s.query("SELECT Site FROM tSites WHERE Concession = ? AND Site = ?", {concession, askedSite});
        if (site.rows.empty()) return XmlAnswer::Failure(kRoot, {"Site inconnu de la concession : " + askedSite});
        whose.site = site.value(0, "Site");
        for (size_t r = 0; r < salespeople.rows.size(); ++r)
            if (WorksAt(salespeople.value(r, "Site"), whose.site)) whose.idComs.push_back(salespeople.value(r, "idCom"));
    } else {
        for (size_t r = 0; r < salespeople.rows.size(); ++r) {
            const bool match = askedCom.empty() ? salespeople.value(r, "idUser") == caller.userId
                                                : salespeople.value(r, "idCom") == askedCom;
            if (!match) continue;
            whose.idCom = salespeople.value(r, "idCom");
            whose.name = salespeople.value(r, "cNom");
            whose.idComs.push_back(whose.idCom);
            break;
        }
        if (!askedCom.empty() && whose.idComs.empty())
            return XmlAnswer::Failure(kRoot, {"Vendeur inconnu de la concession : " + askedCom});
    }

    const auto day = ReadDay(today);
    if (!day) return XmlAnswer::Failure(kRoot, {"Date du service illisible : " + today});
    ResultSet due;
    if (!whose.idComs.empty()) {
        std::string marks;
        std::vector<std::string> binds = whose.idComs;
        binds.push_back("0");
        for (size_t i = 0; i < whose.idComs.size(); ++i) marks += i ? ", ?" : "?";
        binds.push_back(IsoOf(*day));
        binds.push_back(concession);
        // The reminder index gives a salesperson's reminders not followed up,
        // up to today, in date order; each is checked once more against the
        // customer's later actions through the index of a customer's actions.
        due = s.query(
            "SELECT a.idAction, a.idClient, a.DateRelance, a.idComRelance, a.SujetRelance, a.PrioriteRelance,"
            " a.CommentaireAction, a.DateAction, c.CliCivilite, c.CliNom, c.CliPrenom, c.CliMobile, c.CliTelDom,"
            " c.CliTelBur, c.CliVille"
            " FROM tActions a JOIN tClients c ON c.idClient = a.idClient"
            " WHERE a.idComRelance IN (" + marks + ") AND a.RelanceSuivie = ? AND a.DateRelance <= ?"
            " AND c.Concession = ?"
            " AND NOT EXISTS (SELECT 1 FROM tActions f WHERE f.idClient = a.idClient"
            " AND f.DateAction >= a.DateRelance AND f.idAction <> a.idAction)"
            " ORDER BY a.DateRelance, a.idAction LIMIT " + std::to_string(kMaxReminders + 1),
            binds);
    }
    const bool more = due.rows.size() > kMaxReminders;
    if (more) due.rows.resize(kMaxReminders);

    XmlAnswer out(kRoot);
    out.open("Relances");
    out.element("idCom", whose.idCom);
    out.element("cNom", whose.name);
    out.element("Site", whose.site);
    out.element("Now", today);
    out.element("Nombre", std::to_string(due.rows.size()));
    out.element("Plus", more ? "True" : "False");
    out.close("Relances");
    out.open("RelanceS");
    for (size_t r = 0; r < due.rows.size(); ++r) {
        out.open("Relance");
        for (size_t c = 0; c < due.columns.size(); ++c) out.element(due.columns[c], due.rows[r][c]);
        const auto late = DaysBetween(due.value(r, "DateRelance"), today);
        out.element("JoursRetard", late ? std::to_string(*late) : std::string());
        out.close("Relance");
    }
    out.close("RelanceS");
    return out.finish();
}

}  // namespace stanor::dataservice
