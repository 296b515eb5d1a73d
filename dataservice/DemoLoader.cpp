#include "DemoLoader.h"

#include "Reminders.h"
#include "Store.h"
#include "SqliteTextRules.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace stanor::dataservice {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return cells;
}

std::string Unescape(const std::string& cell) {
    std::string out;
    for (size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] == '\\' && i + 1 < cell.size() && cell[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out.push_back(cell[i]);
        }
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("fichier introuvable : " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The local date of `today` as "yyyy-mm-dd", moved by `days`.
std::string IsoDay(std::chrono::system_clock::time_point today, long days) {
    std::time_t t = std::chrono::system_clock::to_time_t(today);
    std::tm tm{};
    localtime_r(&t, &tm);
    tm.tm_mday += static_cast<int>(days);
    tm.tm_hour = 12;  // clear of daylight-saving changes
    std::mktime(&tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

}  // namespace

std::optional<std::string> RelativeDay(const std::string& cell, std::chrono::system_clock::time_point today) {
    static const std::string kToday = "@today";
    if (cell.rfind(kToday, 0) != 0) return std::nullopt;
    const std::string offset = cell.substr(kToday.size());
    if (offset.empty()) return IsoDay(today, 0);
    if ((offset[0] != '+' && offset[0] != '-') || offset.size() < 2 || offset.size() > 6 ||
        !std::all_of(offset.begin() + 1, offset.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return IsoDay(today, std::stol(offset));
}

namespace {

// Inserts the rows of a data file; an empty cell is NULL unless `emptyIsText`;
// a relative date ("@today-6") is the date it names from `today`.
void InsertRows(sqlite3* db, const TsvTable& t, bool emptyIsText = false, bool numbered = false,
                std::chrono::system_clock::time_point today = std::chrono::system_clock::now()) {
    std::string sql = "INSERT INTO " + QuoteIdentifier(t.table) + " (";
    std::string marks;
    if (numbered) { sql += "RowOrder, "; marks = "?, "; }
    for (size_t i = 0; i < t.columns.size(); ++i) {
        sql += (i ? ", " : "") + QuoteIdentifier(t.columns[i]);
        marks += i ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error("table " + t.table + " : " + sqlite3_errmsg(db));
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> holder(stmt, sqlite3_finalize);
    for (size_t r = 0; r < t.rows.size(); ++r) {
        sqlite3_reset(stmt);
        int k = 1;
        if (numbered) sqlite3_bind_int64(stmt, k++, static_cast<long long>(r + 1));
        for (const std::string& cell : t.rows[r]) {
            const std::optional<std::string> day = emptyIsText ? std::nullopt : RelativeDay(cell, today);
            if (cell.empty() && !emptyIsText) sqlite3_bind_null(stmt, k++);
            else sqlite3_bind_text(stmt, k++, (day ? *day : cell).c_str(), -1, SQLITE_TRANSIENT);
        }
        if (sqlite3_step(stmt) != SQLITE_DONE)
            throw std::runtime_error("table " + t.table + ", ligne " + std::to_string(r + 1) + " : " +
                                     sqlite3_errmsg(db));
    }
}

// Tab descriptions are all texts: an empty cell is an empty text, not NULL.
TsvTable ReadTabDesc(const std::string& path) {
    TsvTable t = ReadTsv(path, "sysTabDesc");
    t.table = "sysTabDesc";
    const auto& names = TabDescElements();
    for (const std::string& c : t.columns)
        if (c != "Concession" && std::find(names.begin(), names.end(), c) == names.end())
            throw std::runtime_error(path + " : colonne inconnue \"" + c + "\"");
    for (const std::string& n : names)
        if (std::find(t.columns.begin(), t.columns.end(), n) == t.columns.end())
            throw std::runtime_error(path + " : colonne manquante \"" + n + "\"");
    size_t conc = std::find(t.columns.begin(), t.columns.end(), "Concession") - t.columns.begin();
    if (conc == t.columns.size()) {
        t.columns.push_back("Concession");
        for (auto& row : t.rows) row.push_back("*");
    } else {
        for (auto& row : t.rows)
            if (row[conc].empty()) row[conc] = "*";
    }
    return t;
}

}  // namespace

TsvTable ReadTabDescriptions(const std::string& path) { return ReadTabDesc(path); }

namespace {

// Empty cells stay empty texts: a row that lacked an element would otherwise
// leave the client reading the previous row's value.
void InsertTabDesc(sqlite3* db, const TsvTable& t) { InsertRows(db, t, true, true); }

void Exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string why = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        throw std::runtime_error(why);
    }
}

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

std::unique_ptr<sqlite3, DbCloser> Open(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    std::unique_ptr<sqlite3, DbCloser> holder(db);
    if (rc != SQLITE_OK) throw std::runtime_error("ouverture de " + path + " impossible : " + sqlite3_errmsg(db));
    sqlite3_busy_timeout(db, 5000);
    // Indexes of text columns are ordered by the service's comparison of texts.
    InstallTextRules(db);
    return holder;
}

}  // namespace

const std::vector<std::string>& TabDescElements() {
    static const std::vector<std::string> names = {
        "descInfo", "idNum", "txtInfo", "vInfo", "tag", "defval", "tInfo", "tControl", "width",
        "left", "top", "height", "length", "color", "notNull", "enabled", "fieldInfo"};
    return names;
}

TsvTable ReadTsv(const std::string& path, const std::string& defaultTable) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("fichier introuvable : " + path);
    TsvTable t;
    t.table = defaultTable;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("@table ", 0) == 0 && t.columns.empty()) {
            t.table = line.substr(7);
            continue;
        }
        std::vector<std::string> cells = SplitTabs(line);
        if (t.columns.empty()) {
            t.columns = std::move(cells);
            continue;
        }
        if (cells.size() > t.columns.size())
            throw std::runtime_error(path + ", ligne " + std::to_string(number) + " : " +
                                     std::to_string(cells.size()) + " cellules pour " +
                                     std::to_string(t.columns.size()) + " colonnes");
        cells.resize(t.columns.size());
        for (auto& c : cells) c = Unescape(c);
        t.rows.push_back(std::move(cells));
    }
    if (t.columns.empty()) throw std::runtime_error(path + " : aucune ligne d'en-tête");
    return t;
}

std::string TabDescFile(const std::string& demoDir) {
    fs::path full = fs::path(demoDir) / "tabdesc_full.tsv";
    if (fs::exists(full)) return full.string();
    return (fs::path(demoDir) / "tabdesc_minimal.tsv").string();
}

void CreateDemoDatabase(const std::string& dbPath, const std::string& demoDir,
                        std::chrono::system_clock::time_point today) {
    const fs::path target(dbPath);
    const fs::path temp = target.string() + ".creating";
    fs::remove(temp);
    {
        auto db = Open(temp.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        Exec(db.get(), "PRAGMA journal_mode=DELETE");
        Exec(db.get(), "BEGIN");
        Exec(db.get(), ReadFile((fs::path(demoDir) / "schema.sql").string()));
        for (const std::string& sql : ReminderBookkeepingSql()) Exec(db.get(), sql);
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(fs::path(demoDir) / "data"))
            if (entry.path().extension() == ".tsv") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files)
            InsertRows(db.get(), ReadTsv(f.string(), f.stem().string()), false, false, today);
        InsertTabDesc(db.get(), ReadTabDesc(TabDescFile(demoDir)));
        Exec(db.get(), "COMMIT");
        MarkTextIndexes(db.get());
        Exec(db.get(), "PRAGMA journal_mode=WAL");
    }
    fs::rename(temp, target);
}

void LoadTabDescriptions(const std::string& dbPath, const std::string& tsvPath) {
    TsvTable t = ReadTabDesc(tsvPath);
    auto db = Open(dbPath, SQLITE_OPEN_READWRITE);
    Exec(db.get(), "BEGIN IMMEDIATE");
    try {
        Exec(db.get(), "DELETE FROM sysTabDesc");
        InsertTabDesc(db.get(), std::move(t));
        Exec(db.get(), "COMMIT");
    } catch (...) {
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace stanor::dataservice
