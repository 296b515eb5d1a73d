#include "WriteRules.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace stanor::dataservice {

namespace {

using Tok = SqlTokenKind;
using Tokens = std::vector<SqlToken>;

// The keys that name the rows of each table the client writes (lower case):
// any one of them, every column of it named. A line of costs, a photo link, an
// action or a customer's vehicle is also named by the record it belongs to; a
// reference list's entry by its texts.
const std::map<std::string, std::vector<std::vector<std::string>>>& RowKeys() {
    static const std::map<std::string, std::vector<std::vector<std::string>>> keys = {
        {"tvehicles", {{"idtvo"}, {"idvo"}}},
        {"tvo - frevo", {{"idfrevo"}, {"idvo"}}},
        {"tvo - liens images", {{"idimage"}, {"idvo"}}},
        {"tclients", {{"idclient"}}},
        {"tactions", {{"idaction"}, {"idclient"}}},
        {"tvehiclesprofid", {{"idtvo"}, {"idclient"}}},
        {"listrubrics", {{"rubrictype", "rubrictext"}}},
        {"listmodels", {{"vmarque", "vmodele"}}},
        {"listversions", {{"vmarque", "vmodele", "vversion"}}},
    };
    return keys;
}

// The client's sweep: the new vehicles cancelled before any buyer took them.
const char* kSweep =
    "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not Null))";

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsPunct(const SqlToken& t, const char* text) { return t.kind == Tok::Punct && t.text == text; }
bool IsWord(const SqlToken& t, const char* upper) { return t.kind == Tok::Word && UpperWord(t.text) == upper; }

int ParenDelta(const SqlToken& t) {
    if (t.kind != Tok::Punct) return 0;
    int d = 0;
    for (char c : t.text) d += c == '(' ? 1 : c == ')' ? -1 : 0;
    return d;
}

// The tokens that are not blanks.
Tokens Solid(const TranslatedSql& s) {
    Tokens out;
    for (const SqlToken& t : s.tokens)
        if (t.kind != Tok::Space && !t.text.empty()) out.push_back(t);
    return out;
}

std::string Name(const SqlToken& t) { return UnquotedName(t); }

bool IsName(const SqlToken& t) { return t.kind == Tok::Word || t.kind == Tok::Ident; }

struct Range {
    size_t begin, end;  // [begin, end) of the solid tokens
    size_t size() const { return end - begin; }
};

// The range without the parentheses that enclose all of it.
Range Unwrapped(const Tokens& t, Range r) {
    while (r.size() >= 2 && IsPunct(t[r.begin], "(") && IsPunct(t[r.end - 1], ")")) {
        int depth = 0;
        bool enclosing = true;
        for (size_t i = r.begin; i < r.end - 1; ++i) {
            depth += ParenDelta(t[i]);
            if (depth <= 0) {
                enclosing = false;
                break;
            }
        }
        if (!enclosing) break;
        r = {r.begin + 1, r.end - 1};
    }
    return r;
}

// The parts of a range separated by `separator` (a word or a punctuation) outside parentheses.
std::vector<Range> Split(const Tokens& t, Range r, const char* separator, bool word) {
    std::vector<Range> parts;
    int depth = 0;
    size_t start = r.begin;
    for (size_t i = r.begin; i < r.end; ++i) {
        if (depth == 0 && (word ? IsWord(t[i], separator) : IsPunct(t[i], separator))) {
            parts.push_back({start, i});
            start = i + 1;
        }
        depth += ParenDelta(t[i]);
    }
    parts.push_back({start, r.end});
    return parts;
}

// The terms of a condition that are all true for a row it names: the parts
// joined by AND, parentheses around them or not.
void Terms(const Tokens& t, Range r, std::vector<Range>& out) {
    r = Unwrapped(t, r);
    const std::vector<Range> parts = Split(t, r, "AND", true);
    if (parts.size() == 1) {
        out.push_back(r);
        return;
    }
    for (const Range& p : parts) Terms(t, p, out);
}

// A column by itself, in parentheses or not ("(TypeVO)", "[idVO]"); "" otherwise.
std::string ColumnOf(const Tokens& t, Range r) {
    r = Unwrapped(t, r);
    return r.size() == 1 && IsName(t[r.begin]) ? Lower(Name(t[r.begin])) : std::string();
}

// A value given as it stands: a number (with its sign), a text or a date.
bool IsLiteral(const Tokens& t, Range r) {
    r = Unwrapped(t, r);
    if (r.size() == 2 && (IsPunct(t[r.begin], "-") || IsPunct(t[r.begin], "+")))
        return t[r.begin + 1].kind == Tok::Number;
    if (r.size() != 1) return false;
    const Tok k = t[r.begin].kind;
    return k == Tok::Number || k == Tok::String || k == Tok::Date;
}

// The column a term names rows of, when it is "column = value", "value =
// column" or "column IN (value, ...)"; "" otherwise.
std::string KeyTermColumn(const Tokens& t, Range r) {
    r = Unwrapped(t, r);
    int depth = 0;
    for (size_t i = r.begin; i < r.end; ++i) {
        if (depth == 0 && IsPunct(t[i], "=")) {
            // "<=", ">=", "!=" and "==" are cut as two punctuations.
            const bool alone = (i == r.begin || !(t[i - 1].kind == Tok::Punct && std::string("<>!=").find(t[i - 1].text) != std::string::npos)) &&
                               (i + 1 == r.end || !IsPunct(t[i + 1], "="));
            if (!alone) return {};
            const Range left{r.begin, i}, right{i + 1, r.end};
            if (IsLiteral(t, right)) return ColumnOf(t, left);
            if (IsLiteral(t, left)) return ColumnOf(t, right);
            return {};
        }
        if (depth == 0 && IsWord(t[i], "IN")) {
            const Range list = {i + 1, r.end};
            if (list.size() < 3 || !IsPunct(t[list.begin], "(") || !IsPunct(t[list.end - 1], ")")) return {};
            const Range inside = Unwrapped(t, list);
            if (inside.begin != list.begin + 1) return {};
            for (const Range& v : Split(t, inside, ",", false))
                if (!IsLiteral(t, v)) return {};
            return ColumnOf(t, {r.begin, i});
        }
        depth += ParenDelta(t[i]);
    }
    return {};
}

// A value that an INSERT or UPDATE may write.
bool PlainValue(const Tokens& t, Range r, SqlToken& value) {
    if (IsLiteral(t, r) || (r.size() == 1 && t[r.begin].kind == Tok::Param)) {
        const Range u = Unwrapped(t, r);
        value = t[u.end - 1];
        if (u.size() == 2) value.text = t[u.begin].text + value.text;
        return true;
    }
    if (r.size() == 1 && (IsWord(t[r.begin], "NULL") || IsWord(t[r.begin], "TRUE") || IsWord(t[r.begin], "FALSE"))) {
        value = t[r.begin];
        return true;
    }
    return false;
}

std::string NotPlain(const std::string& column) {
    return "Instruction refusée : la valeur écrite dans " + column.substr(0, 60) +
           " doit être une valeur simple (un texte, un nombre, une date, NULL, True ou False)";
}

WriteShape Insert(const Tokens& t) {
    WriteShape w;
    for (const SqlToken& tok : t)
        if (IsWord(tok, "SELECT")) {
            w.error = "Instruction refusée : INSERT ... SELECT n'est pas admis, un INSERT donne ses lignes par "
                      "VALUES (...)";
            return w;
        }
    const char* form = "Instruction refusée : un INSERT s'écrit INSERT INTO table (colonnes) VALUES (valeurs)";
    if (t.size() < 8 || !IsWord(t[1], "INTO") || !IsName(t[2]) || !IsPunct(t[3], "(")) {
        w.error = form;
        return w;
    }
    w.table = Name(t[2]);
    size_t i = 4;
    std::vector<std::string> columns;
    for (;; i += 2) {
        if (i + 1 >= t.size() || !IsName(t[i])) {
            w.error = form;
            return w;
        }
        columns.push_back(Name(t[i]));
        if (IsPunct(t[i + 1], ")")) break;
        if (!IsPunct(t[i + 1], ",")) {
            w.error = form;
            return w;
        }
    }
    i += 2;
    if (i >= t.size() || !IsWord(t[i], "VALUES")) {
        w.error = form;
        return w;
    }
    // One or more rows: "(" values ")" separated by ",".
    for (const Range& row : Split(t, {i + 1, t.size()}, ",", false)) {
        if (row.size() < 2 || !IsPunct(t[row.begin], "(") || !IsPunct(t[row.end - 1], ")")) {
            w.error = form;
            return w;
        }
        const std::vector<Range> values = Split(t, {row.begin + 1, row.end - 1}, ",", false);
        if (values.size() != columns.size()) {
            w.error = "Instruction refusée : l'INSERT donne " + std::to_string(values.size()) + " valeurs pour " +
                      std::to_string(columns.size()) + " colonnes";
            return w;
        }
        for (size_t c = 0; c < columns.size(); ++c) {
            WrittenValue v{columns[c], {}};
            if (!PlainValue(t, values[c], v.value)) {
                w.error = NotPlain(columns[c]);
                return w;
            }
            w.values.push_back(std::move(v));
        }
    }
    return w;
}

// The WHERE of an UPDATE or DELETE: the tokens after it, or npos.
size_t WhereAt(const Tokens& t) {
    int depth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (depth == 0 && IsWord(t[i], "WHERE")) return i;
        depth += ParenDelta(t[i]);
    }
    return std::string::npos;
}

WriteShape Update(const Tokens& t) {
    WriteShape w;
    if (t.size() < 4 || !IsName(t[1]) || !IsWord(t[2], "SET")) {
        w.error = "Instruction refusée : un UPDATE s'écrit UPDATE table SET colonne=valeur, ... WHERE ...";
        return w;
    }
    w.table = Name(t[1]);
    const size_t where = WhereAt(t);
    for (const Range& a : Split(t, {3, where == std::string::npos ? t.size() : where}, ",", false)) {
        if (a.size() < 3 || !IsName(t[a.begin]) || !IsPunct(t[a.begin + 1], "=")) {
            w.error = "Instruction refusée : un UPDATE s'écrit UPDATE table SET colonne=valeur, ... WHERE ...";
            return w;
        }
        WrittenValue v{Name(t[a.begin]), {}};
        if (!PlainValue(t, {a.begin + 2, a.end}, v.value)) {
            w.error = NotPlain(v.column);
            return w;
        }
        w.values.push_back(std::move(v));
    }
    return w;
}

// The solid tokens of a statement with its words in upper case, for comparing shapes.
std::string ShapeOf(const TranslatedSql& s) {
    std::string out;
    for (const SqlToken& t : Solid(s)) out += (t.kind == Tok::Word ? UpperWord(t.text) : t.text) + " ";
    return out;
}

}  // namespace

WriteShape ReadWriteShape(const TranslatedSql& statement) {
    const Tokens t = Solid(statement);
    if (statement.kind == StatementKind::Insert) return Insert(t);
    if (statement.kind == StatementKind::Update) return Update(t);
    WriteShape w;
    if (statement.kind == StatementKind::Delete) {
        for (size_t i = 0; i + 1 < t.size(); ++i)
            if (IsWord(t[i], "FROM")) {
                w.table = Name(t[i + 1]);
                break;
            }
    }
    return w;
}

std::string RowsNotNamed(const TranslatedSql& statement) {
    if (statement.kind != StatementKind::Update && statement.kind != StatementKind::Delete) return {};
    if (statement.rowsScopedByService) return {};
    const Tokens t = Solid(statement);
    const std::string table = Lower(ReadWriteShape(statement).table);
    const size_t where = WhereAt(t);
    const auto keys = RowKeys().find(table);
    std::vector<Range> terms;
    if (where != std::string::npos) Terms(t, {where + 1, t.size()}, terms);
    std::vector<std::string> named;
    for (const Range& r : terms)
        if (std::string column = KeyTermColumn(t, r); !column.empty()) named.push_back(column);
    if (keys != RowKeys().end())
        for (const auto& key : keys->second) {
            bool all = true;
            for (const std::string& column : key)
                all = all && std::find(named.begin(), named.end(), column) != named.end();
            if (all) return {};
        }
    std::string expected;
    if (keys != RowKeys().end())
        for (const auto& key : keys->second) {
            std::string one;
            for (const std::string& column : key) one += (one.empty() ? "" : " et ") + column;
            expected += (expected.empty() ? "" : " ou ") + one;
        }
    return std::string("Instruction refusée : un ") + KindName(statement.kind) +
           " nomme les enregistrements qu'il change par leur clé (" +
           (expected.empty() ? std::string("table sans clé connue") : expected) +
           " = valeur, ou IN (valeurs), dans une condition que le reste du WHERE ne peut que restreindre)";
}

std::string WriteRefusal(const TranslatedSql& statement) {
    for (const SqlToken& t : statement.tokens)
        if (IsWord(t, "RETURNING")) return "Instruction refusée : la clause RETURNING n'est pas admise";
    const WriteShape shape = ReadWriteShape(statement);
    if (!shape.ok()) return shape.error;
    return RowsNotNamed(statement);
}

bool IsCancelledVehicleSweep(const TranslatedSql& statement) {
    static const std::string sweep = ShapeOf(TranslateSql(kSweep));
    return statement.kind == StatementKind::Delete && ShapeOf(statement) == sweep;
}

TranslatedSql CancelledVehicleSweepOf(const std::string& concession) {
    std::string quoted = "'";
    for (char c : concession) {
        if (c == '\'') quoted.push_back('\'');
        quoted.push_back(c);
    }
    quoted.push_back('\'');
    TranslatedSql out = TranslateSql(std::string(kSweep) + " AND (Concession=" + quoted + ")");
    out.rowsScopedByService = out.ok();
    return out;
}

size_t CharacterCount(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
    return n;
}

}  // namespace stanor::dataservice
