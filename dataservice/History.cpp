#include "History.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace stanor::dataservice {

namespace {

using Tok = SqlTokenKind;

const RecordTable kTables[] = {
    {"tVehicles", "idTVO", "", "tVehicles"},
    {"tVO - Frevo", "idFrevo", "idVO", "tVehicles"},
    {"tVO - Liens Images", "idImage", "idVO", "tVehicles"},
    {"tClients", "idClient", "", "tClients"},
    {"tActions", "idAction", "idClient", "tClients"},
    {"tVehiclesProfid", "idTVO", "idClient", "tClients"},
    {"ListRubrics", "", "", ""},
    {"ListModels", "", "", ""},
    {"ListVersions", "", "", ""},
};

bool IsWord(const SqlToken& t, const char* upper) { return t.kind == Tok::Word && UpperWord(t.text) == upper; }
bool IsPunct(const SqlToken& t, char c) { return t.kind == Tok::Punct && !t.text.empty() && t.text[0] == c; }
bool IsName(const SqlToken& t) { return t.kind == Tok::Word || t.kind == Tok::Ident; }

size_t NextSolid(const std::vector<SqlToken>& t, size_t i) {
    while (i < t.size() && (t[i].kind == Tok::Space || t[i].text.empty())) ++i;
    return i;
}

// A name without its double quotes; a text without its single quotes.
std::string Unquoted(const SqlToken& t) {
    if (t.kind != Tok::Ident && t.kind != Tok::String) return t.text;
    std::string out;
    const char q = t.text.front();
    for (size_t i = 1; i + 1 < t.text.size(); ++i) {
        out.push_back(t.text[i]);
        if (t.text[i] == q) ++i;
    }
    return out;
}

int Depth(const SqlToken& t) {
    if (t.kind != Tok::Punct) return 0;
    int d = 0;
    for (char c : t.text) d += c == '(' ? 1 : c == ')' ? -1 : 0;
    return d;
}

// A literal of an INSERT in wire form (reference lists, whose rows have no key to read them back by).
std::string WireValue(const SqlToken& t) {
    if (t.kind == Tok::String) return Unquoted(t);
    if (t.kind == Tok::Date) {
        const std::string iso = Unquoted(SqlToken{Tok::String, t.text});
        return iso.size() >= 10 ? iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4) : iso;
    }
    if (IsWord(t, "NULL")) return {};
    if (IsWord(t, "TRUE")) return "True";
    if (IsWord(t, "FALSE")) return "False";
    return t.text;
}

// The rows of "INSERT INTO t (columns) VALUES (...), (...)", from the statement itself.
ResultSet InsertedValues(const std::vector<SqlToken>& t) {
    ResultSet out;
    size_t i = 0;
    while (i < t.size() && !IsPunct(t[i], '(')) ++i;
    for (++i; i < t.size() && !IsPunct(t[i], ')'); ++i)
        if (IsName(t[i])) out.columns.push_back(Unquoted(t[i]));
    std::vector<std::string> row;
    std::vector<const SqlToken*> value;
    int depth = 0;
    for (++i; i < t.size(); ++i) {
        const int d = Depth(t[i]);
        if (depth == 0 && d > 0) { depth = 1; continue; }
        if (depth == 1 && (d < 0 || IsPunct(t[i], ','))) {
            row.push_back(value.size() == 1 ? WireValue(*value[0]) : std::string());
            value.clear();
            if (d < 0) {
                if (row.size() == out.columns.size()) out.rows.push_back(row);
                row.clear();
                depth = 0;
            }
            continue;
        }
        depth += d;
        if (depth >= 1 && t[i].kind != Tok::Space && !t[i].text.empty()) value.push_back(&t[i]);
    }
    return out;
}

std::string Upper(const std::string& s) { return UpperWord(s); }

}  // namespace

const RecordTable* FindRecordTable(const std::string& table) {
    for (const RecordTable& t : kTables)
        if (Upper(t.table) == Upper(table)) return &t;
    return nullptr;
}

std::string IsoUtc(const std::string& when) {
    if (when.size() != 19) return when;
    return when.substr(0, 10) + "T" + when.substr(11) + "Z";
}

WriteTarget ReadWriteTarget(const TranslatedSql& statement) {
    WriteTarget out;
    const std::vector<SqlToken>& t = statement.tokens;
    size_t i = NextSolid(t, 0);
    if (statement.kind == StatementKind::Update) {
        i = NextSolid(t, i + 1);
    } else if (statement.kind == StatementKind::Delete) {
        while (i < t.size() && !IsWord(t[i], "FROM")) ++i;
        i = NextSolid(t, i + 1);
    } else if (statement.kind == StatementKind::Insert) {
        if (!statement.insertTable.empty()) out.table = statement.insertTable;
        return out;
    } else {
        return out;
    }
    if (i >= t.size() || !IsName(t[i])) return out;
    const std::string table = Unquoted(t[i]);
    int depth = 0;
    bool inSet = false, wantColumn = false;
    for (++i; i < t.size(); ++i) {
        depth += Depth(t[i]);
        if (depth != 0) continue;
        if (IsWord(t[i], "SET")) { inSet = wantColumn = true; continue; }
        if (IsWord(t[i], "WHERE")) {
            out.where.assign(t.begin() + static_cast<std::ptrdiff_t>(i) + 1, t.end());
            break;
        }
        if (inSet && IsPunct(t[i], ',')) wantColumn = true;
        else if (inSet && wantColumn && IsName(t[i])) { out.setColumns.push_back(Unquoted(t[i])); wantColumn = false; }
    }
    if (out.where.empty()) return out;
    out.table = table;
    // The first term: "key = value", in parentheses or not.
    size_t k = NextSolid(out.where, 0);
    int opened = 0;
    while (k < out.where.size() && IsPunct(out.where[k], '(') && out.where[k].text == "(") {
        ++opened;
        k = NextSolid(out.where, k + 1);
    }
    if (k >= out.where.size() || !IsName(out.where[k])) return out;
    const size_t eq = NextSolid(out.where, k + 1);
    if (eq >= out.where.size() || out.where[eq].text != "=") return out;
    size_t v = NextSolid(out.where, eq + 1);
    std::string sign;
    if (v < out.where.size() && out.where[v].text == "-") { sign = "-"; v = NextSolid(out.where, v + 1); }
    if (v >= out.where.size() || (out.where[v].kind != Tok::Number && out.where[v].kind != Tok::String)) return out;
    out.termColumn = Unquoted(out.where[k]);
    out.termValue = sign + Unquoted(out.where[v]);
    // Whether the rest of the WHERE can only narrow the term: its parentheses
    // close right after it, then AND or the end, and no OR stands outside parentheses.
    size_t after = NextSolid(out.where, v + 1);
    for (; opened > 0 && after < out.where.size() && out.where[after].text == ")"; --opened)
        after = NextSolid(out.where, after + 1);
    bool narrows = opened == 0 && (after >= out.where.size() || IsWord(out.where[after], "AND"));
    // A condition that reads other rows (a subquery) is left to the write's own
    // WHERE: read through it, its cost is paid before any row is locked, so that
    // a slow condition never holds a record that colleagues are saving.
    int level = 0;
    for (const SqlToken& t : out.where) {
        level += Depth(t);
        if ((level == 0 && IsWord(t, "OR")) || IsWord(t, "SELECT")) narrows = false;
    }
    out.termNarrowed = narrows;
    return out;
}

TranslatedSql RowsNamedBy(const WriteTarget& target) {
    TranslatedSql out;
    out.kind = StatementKind::Select;
    out.tokens = {{Tok::Word, "SELECT"}, {Tok::Space, " "}, {Tok::Punct, "*"},   {Tok::Space, " "},
                  {Tok::Word, "FROM"},   {Tok::Space, " "}, {Tok::Ident, QuoteIdentifier(target.table)},
                  {Tok::Space, " "},     {Tok::Word, "WHERE"}};
    out.tokens.insert(out.tokens.end(), target.where.begin(), target.where.end());
    // The SQLite text, with its booleans written as numbers as the write's own text has them.
    for (size_t i = 0; i < out.tokens.size(); ++i) {
        const SqlToken& tok = out.tokens[i];
        const size_t next = NextSolid(out.tokens, i + 1);
        const bool call = next < out.tokens.size() && IsPunct(out.tokens[next], '(');
        if ((IsWord(tok, "TRUE") || IsWord(tok, "FALSE")) && !call) out.sql += IsWord(tok, "TRUE") ? "1" : "0";
        else out.sql += tok.text;
    }
    return out;
}

std::vector<HistoryEntry> Differences(const ResultSet& before, const ResultSet& after, const RecordTable& table,
                                      const std::string& userId, const std::string& when) {
    std::vector<HistoryEntry> out;
    // Column positions, found once (both sides are usually the same SELECT *).
    auto positions = [](const ResultSet& rs) {
        std::map<std::string, size_t> at;
        for (size_t c = 0; c < rs.columns.size(); ++c) at.emplace(Upper(rs.columns[c]), c);
        return at;
    };
    const std::map<std::string, size_t> beforeAt = positions(before), afterAt = positions(after);
    auto find = [](const std::map<std::string, size_t>& at, const char* name) -> long {
        const auto found = *name ? at.find(Upper(name)) : at.end();
        return found == at.end() ? -1 : static_cast<long>(found->second);
    };
    const long beforeKey = find(beforeAt, table.key), afterKey = find(afterAt, table.key);
    const long beforeOwner = find(beforeAt, table.owner), afterOwner = find(afterAt, table.owner);
    std::vector<long> inAfter(before.columns.size(), -1);
    for (size_t c = 0; c < before.columns.size(); ++c) {
        const auto found = afterAt.find(Upper(before.columns[c]));
        if (found != afterAt.end()) inAfter[c] = static_cast<long>(found->second);
    }
    auto cell = [](const ResultSet& rs, size_t row, long c) {
        return c < 0 ? std::string() : rs.rows[row][static_cast<size_t>(c)];
    };
    auto entry = [&](bool isAfter, size_t row, const std::string& column) {
        const ResultSet& rs = isAfter ? after : before;
        HistoryEntry e;
        e.when = when;
        e.userId = userId;
        e.table = table.table;
        e.key = cell(rs, row, isAfter ? afterKey : beforeKey);
        e.recordTable = table.recordTable;
        e.recordKey = *table.owner ? cell(rs, row, isAfter ? afterOwner : beforeOwner) : e.key;
        e.column = column;
        return e;
    };
    // Rows read after the write, by key (a keyless row is never matched: it was inserted or deleted).
    std::map<std::string, size_t> afterByKey;
    for (size_t r = 0; r < after.rows.size(); ++r)
        if (std::string k = cell(after, r, afterKey); !k.empty()) afterByKey[k] = r;
    std::map<std::string, bool> matched;
    for (size_t r = 0; r < before.rows.size(); ++r) {
        const std::string k = cell(before, r, beforeKey);
        const auto found = k.empty() ? afterByKey.end() : afterByKey.find(k);
        for (size_t c = 0; c < before.columns.size(); ++c) {
            const std::string& old = before.rows[r][c];
            if (found == afterByKey.end()) {
                if (old.empty()) continue;
                HistoryEntry e = entry(false, r, before.columns[c]);
                e.oldValue = old;
                out.push_back(std::move(e));
                continue;
            }
            const std::string now = cell(after, found->second, inAfter[c]);
            if (now == old) continue;
            HistoryEntry e = entry(true, found->second, before.columns[c]);
            e.oldValue = old;
            e.newValue = now;
            out.push_back(std::move(e));
        }
        if (found != afterByKey.end()) matched[k] = true;
    }
    for (size_t r = 0; r < after.rows.size(); ++r) {
        const std::string k = cell(after, r, afterKey);
        if (!k.empty() && matched.count(k)) continue;
        for (size_t c = 0; c < after.columns.size(); ++c) {
            if (after.rows[r][c].empty()) continue;
            HistoryEntry e = entry(true, r, after.columns[c]);
            e.newValue = after.rows[r][c];
            out.push_back(std::move(e));
        }
    }
    return out;
}

ChangeRecorder::ChangeRecorder(const TranslatedSql& write, std::string userId, std::string when)
    : write_(write), target_(ReadWriteTarget(write)), userId_(std::move(userId)), when_(std::move(when)) {
    if (target_.ok()) table_ = FindRecordTable(target_.table);
}

std::string ChangeRecorder::before(Session& s) {
    if (!table_ || write_.kind == StatementKind::Insert) return {};
    // Named by a column's value that the rest only narrows: the rows of that
    // value, read (and locked) by the service's own prepared query; the rows
    // the write leaves as they were make no history.
    if (target_.termNarrowed) {
        const std::string& c = target_.termColumn;
        const bool plain = std::all_of(c.begin(), c.end(), [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; });
        before_ = s.query("SELECT * FROM " + QuoteIdentifier(table_->table) + " WHERE " +
                              (plain ? c : QuoteIdentifier(c)) + " = ?" + s.rowLock(),
                          {target_.termValue});
        return {};
    }
    Outcome read = s.readForWrite(RowsNamedBy(target_));
    if (!read.ok()) return read.message;
    before_ = std::move(read.rows);
    return {};
}

std::string ChangeRecorder::after(Session& s, const Outcome& done) {
    if (!table_ || done.changes == 0) return {};
    const std::string table = QuoteIdentifier(table_->table);
    ResultSet after;
    if (write_.kind == StatementKind::Insert) {
        if (*table_->key && done.hasNewId && Upper(write_.newIdColumn) == Upper(table_->key))
            after = s.query("SELECT * FROM " + table + " WHERE " + table_->key + " = ?", {std::to_string(done.newId)});
        else
            after = InsertedValues(write_.tokens);
    } else if (write_.kind == StatementKind::Update && *table_->key) {
        const long keyColumn = [&] {
            for (size_t c = 0; c < before_.columns.size(); ++c)
                if (Upper(before_.columns[c]) == Upper(table_->key)) return static_cast<long>(c);
            return -1L;
        }();
        for (const auto& row : before_.rows) {
            if (keyColumn < 0) break;
            ResultSet one = s.query("SELECT * FROM " + table + " WHERE " + table_->key + " = ?",
                                    {row[static_cast<size_t>(keyColumn)]});
            if (after.columns.empty()) after.columns = one.columns;
            for (auto& r : one.rows) after.rows.push_back(std::move(r));
        }
    }
    std::vector<HistoryEntry> entries = Differences(before_, after, *table_, userId_, when_);
    // Cost lines and photo links name their vehicle by idVO; the record is known by idTVO.
    if (std::string(table_->owner) == "idVO") {
        std::map<std::string, std::string> vehicle;
        for (HistoryEntry& e : entries) {
            if (e.recordKey.empty()) continue;
            auto found = vehicle.find(e.recordKey);
            if (found == vehicle.end()) {
                ResultSet v = s.query("SELECT idTVO FROM tVehicles WHERE idVO = ?", {e.recordKey});
                found = vehicle.emplace(e.recordKey, v.rows.empty() ? std::string() : v.rows[0][0]).first;
            }
            e.recordKey = found->second;
        }
    }
    if (!entries.empty()) s.addHistory(entries);
    return {};
}

Conflict ConflictOf(Session& s, const TranslatedSql& update) {
    Conflict out;
    const WriteTarget target = ReadWriteTarget(update);
    const RecordTable* table = target.ok() ? FindRecordTable(target.table) : nullptr;
    if (!table || !*table->key || Upper(target.termColumn) != Upper(table->key)) return out;
    out.found = true;
    ResultSet row = s.query("SELECT * FROM " + QuoteIdentifier(table->table) + " WHERE " + table->key + " = ?",
                            {target.termValue});
    if (row.rows.empty()) {
        out.deleted = true;
        return out;
    }
    const ResultSet changes = s.history(table->table, target.termValue);
    for (const std::string& column : target.setColumns) {
        ConflictField f;
        for (size_t c = 0; c < row.columns.size(); ++c)
            if (Upper(row.columns[c]) == Upper(column)) { f.column = row.columns[c]; f.value = row.rows[0][c]; }
        if (f.column.empty()) continue;
        for (size_t r = 0; r < changes.rows.size(); ++r) {
            if (Upper(changes.value(r, "TableName")) != Upper(table->table) ||
                changes.value(r, "KeyValue") != target.termValue || Upper(changes.value(r, "Column")) != Upper(column))
                continue;
            f.userId = changes.value(r, "UserID");
            f.userName = changes.value(r, "UserName");
            f.when = IsoUtc(changes.value(r, "When"));
            break;
        }
        out.fields.push_back(std::move(f));
    }
    return out;
}

}  // namespace stanor::dataservice
