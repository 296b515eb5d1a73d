#include "SqlDialect.h"

#include "TextCodec.h"

#include <cctype>
#include <cstdio>
#include <set>
#include <vector>

namespace stanor::dataservice {

namespace {

using Tok = SqlTokenKind;
using Token = SqlToken;

// Every character that a database engine reads as a blank between two words
// (form feed and vertical tab too), so that no name is parted from its
// parenthesis by one the checks do not see.
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

std::string Upper(std::string_view s) { return UpperWord(s); }

// Encloses a text in a quote character, doubling that character inside.
std::string Enclose(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        if (c == quote) out.push_back(quote);
        out.push_back(c);
    }
    return out + quote;
}

std::string QuoteIdent(std::string_view name) { return Enclose(name, '"'); }
std::string QuoteText(std::string_view text) { return Enclose(text, '\''); }

// "mm/dd/yyyy" with an optional " hh:nn[:ss]" to an ISO literal.
bool DateLiteral(const std::string& body, std::string& out) {
    int m, d, y, hh = 0, mi = 0, ss = 0, used = 0;
    if (std::sscanf(body.c_str(), "%2d/%2d/%4d%n", &m, &d, &y, &used) != 3) return false;
    if (!IsValidDate(y, m, d)) return false;
    std::string rest = body.substr(used);
    char buf[80];
    if (rest.empty()) {
        std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d'", y, m, d);
        out = buf;
        return true;
    }
    int used2 = 0;
    int n = std::sscanf(rest.c_str(), " %2d:%2d%n:%2d%n", &hh, &mi, &used2, &ss, &used2);
    if (n < 2 || static_cast<size_t>(used2) != rest.size() || hh > 23 || mi > 59 || ss > 59) return false;
    std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d %02d:%02d:%02d'", y, m, d, hh, mi, ss);
    out = buf;
    return true;
}

struct Lexer {
    std::string_view s;
    bool doubleQuotesDelimitNames = false;
    std::vector<Token> tokens;
    std::string error;

    bool run() {
        size_t i = 0;
        while (i < s.size()) {
            unsigned char c = static_cast<unsigned char>(s[i]);
            if (IsBlank(c)) {
                while (i < s.size() && IsBlank(static_cast<unsigned char>(s[i]))) ++i;
                tokens.push_back({Tok::Space, " "});
            } else if (c == '\'') {
                size_t j = i + 1;
                for (;;) {
                    if (j >= s.size()) return fail("Texte entre apostrophes non terminé");
                    if (s[j] == '\'') {
                        if (j + 1 < s.size() && s[j + 1] == '\'') { j += 2; continue; }
                        break;
                    }
                    ++j;
                }
                tokens.push_back({Tok::String, std::string(s.substr(i, j + 1 - i))});
                i = j + 1;
            } else if (c == '"' && doubleQuotesDelimitNames) {
                std::string body;
                size_t j = i + 1;
                for (;;) {
                    if (j >= s.size()) return fail("Nom entre guillemets non terminé");
                    if (s[j] == '"') {
                        if (j + 1 < s.size() && s[j + 1] == '"') { body.push_back('"'); j += 2; continue; }
                        break;
                    }
                    body.push_back(s[j++]);
                }
                tokens.push_back({Tok::Ident, QuoteIdent(body)});
                i = j + 1;
            } else if (c == '"') {
                std::string body;
                size_t j = i + 1;
                for (;;) {
                    if (j >= s.size()) return fail("Texte entre guillemets non terminé");
                    if (s[j] == '"') {
                        if (j + 1 < s.size() && s[j + 1] == '"') { body.push_back('"'); j += 2; continue; }
                        break;
                    }
                    body.push_back(s[j++]);
                }
                tokens.push_back({Tok::String, QuoteText(body)});
                i = j + 1;
            } else if (c == '[') {
                size_t j = s.find(']', i + 1);
                if (j == std::string_view::npos) return fail("Nom entre crochets non terminé");
                tokens.push_back({Tok::Ident, QuoteIdent(s.substr(i + 1, j - i - 1))});
                i = j + 1;
            } else if (c == '#') {
                size_t j = s.find('#', i + 1);
                if (j == std::string_view::npos) return fail("Date entre dièses non terminée");
                std::string body(s.substr(i + 1, j - i - 1)), lit;
                if (!DateLiteral(body, lit))
                    return fail("Date invalide #" + body + "# (forme attendue : #mm/jj/aaaa#)");
                tokens.push_back({Tok::Date, lit});
                i = j + 1;
            } else if (c == ':' && i + 1 < s.size() && IsWordStart(static_cast<unsigned char>(s[i + 1])) &&
                       !(i > 0 && s[i - 1] == ':')) {  // "::type" is a cast, not a parameter
                size_t j = i + 1;
                while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
                tokens.push_back({Tok::Param, std::string(s.substr(i, j - i))});
                i = j;
            } else if (IsWordStart(c)) {
                size_t j = i;
                while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
                tokens.push_back({Tok::Word, std::string(s.substr(i, j - i))});
                i = j;
            } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
                size_t j = i;
                while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
                // An exponent belongs to the number ("1e5", "2.5E-3").
                if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
                    size_t k = j + 1;
                    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
                    if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
                        while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
                        j = k;
                    }
                }
                tokens.push_back({Tok::Number, std::string(s.substr(i, j - i))});
                i = j;
            } else {
                if ((c == '-' && i + 1 < s.size() && s[i + 1] == '-') ||
                    (c == '/' && i + 1 < s.size() && s[i + 1] == '*'))
                    return fail("Les commentaires ne sont pas admis dans une instruction");
                if (c == '`') return fail("Caractère ` non admis dans une instruction");
                tokens.push_back({Tok::Punct, std::string(1, static_cast<char>(c))});
                ++i;
            }
        }
        return true;
    }

    bool fail(std::string why) {
        error = std::move(why);
        return false;
    }
};

// Opening minus closing parentheses of a token (a rewritten isNull carries two closing ones).
int ParenDelta(const Token& t) {
    if (t.kind != Tok::Punct) return 0;
    int d = 0;
    for (char c : t.text) d += c == '(' ? 1 : c == ')' ? -1 : 0;
    return d;
}

bool IsPunct(const Token& t, char c) { return t.kind == Tok::Punct && t.text[0] == c; }
bool IsWord(const Token& t, const char* upperWord) { return t.kind == Tok::Word && Upper(t.text) == upperWord; }

size_t NextSolid(const std::vector<Token>& t, size_t i) {
    while (i < t.size() && t[i].kind == Tok::Space) ++i;
    return i;
}

// Index of the ")" that closes the "(" at `open`, or npos.
size_t MatchingParen(const std::vector<Token>& t, size_t open) {
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
        depth += ParenDelta(t[i]);
        if (depth <= 0 && i > open) return i;
    }
    return std::string::npos;
}

std::string Unquoted(const Token& t) { return UnquotedName(t); }

// Finds which INSERT column receives each placeholder:
// INSERT INTO table ( c1, c2 ... ) VALUES ( v1, v2 ... )
bool MapPlaceholders(const std::vector<Token>& t, TranslatedSql& out) {
    size_t i = NextSolid(t, 0);           // INSERT
    i = NextSolid(t, i + 1);
    if (i >= t.size() || !IsWord(t[i], "INTO")) return false;
    i = NextSolid(t, i + 1);
    if (i >= t.size() || (t[i].kind != Tok::Word && t[i].kind != Tok::Ident)) return false;
    out.insertTable = Unquoted(t[i]);
    i = NextSolid(t, i + 1);
    if (i >= t.size() || !IsPunct(t[i], '(')) return false;
    size_t close = MatchingParen(t, i);
    if (close == std::string::npos) return false;
    std::vector<std::string> columns;
    for (size_t k = i + 1; k < close; ++k) {
        if (t[k].kind == Tok::Word || t[k].kind == Tok::Ident) columns.push_back(Unquoted(t[k]));
        else if (t[k].kind != Tok::Space && !IsPunct(t[k], ',')) return false;
    }
    i = NextSolid(t, close + 1);
    if (i >= t.size() || !IsWord(t[i], "VALUES")) return false;
    i = NextSolid(t, i + 1);
    if (i >= t.size() || !IsPunct(t[i], '(')) return false;
    close = MatchingParen(t, i);
    if (close == std::string::npos) return false;
    // Walk the top-level values; a value made of one placeholder names its column.
    size_t index = 0;
    int depth = 0;
    std::vector<const Token*> solid;
    auto flush = [&]() {
        if (solid.size() == 1 && solid[0]->kind == Tok::Param && index < columns.size()) {
            if (solid[0]->text == ":NewID") out.newIdColumn = columns[index];
            else out.newIdBisColumn = columns[index];
        }
        solid.clear();
    };
    for (size_t k = i + 1; k < close; ++k) {
        depth += ParenDelta(t[k]);
        if (depth == 0 && IsPunct(t[k], ',')) { flush(); ++index; continue; }
        if (t[k].kind != Tok::Space) solid.push_back(&t[k]);
    }
    flush();
    return true;
}

// Why a write would reach rows it does not name, or "": an UPDATE or a DELETE
// without a WHERE clause of its own (one inside a sub-query does not count),
// and the forms that replace existing rows (INSERT OR REPLACE and the other
// conflict clauses, the upsert ON CONFLICT). The client never sends them.
std::string TableWideWrite(const std::vector<Token>& t, size_t first, StatementKind kind) {
    if (kind == StatementKind::Select) return {};
    const size_t second = NextSolid(t, first + 1);
    if ((kind == StatementKind::Insert || kind == StatementKind::Update) && second < t.size() && IsWord(t[second], "OR"))
        return "Instruction refusée : les formes " + std::string(KindName(kind)) +
               " OR ... (dont OR REPLACE) ne sont pas admises, elles remplaceraient des enregistrements existants";
    int depth = 0;
    bool where = false;
    for (size_t i = first; i < t.size(); ++i) {
        if (IsPunct(t[i], '(')) ++depth;
        else if (IsPunct(t[i], ')')) --depth;
        else if (depth == 0 && IsWord(t[i], "WHERE")) where = true;
        else if (IsWord(t[i], "ON")) {
            const size_t next = NextSolid(t, i + 1);
            if (next < t.size() && IsWord(t[next], "CONFLICT"))
                return "Instruction refusée : la clause ON CONFLICT n'est pas admise, elle remplacerait des "
                       "enregistrements existants";
        }
    }
    if (kind == StatementKind::Update && !where)
        return "Instruction refusée : un UPDATE sans clause WHERE modifierait toute la table";
    if (kind == StatementKind::Delete && !where)
        return "Instruction refusée : un DELETE sans clause WHERE viderait toute la table";
    return {};
}

// Key words after which "(" opens a group, a list or a sub-query, never a call.
const std::set<std::string>& GroupOpeners() {
    static const std::set<std::string> words = {
        "ALL", "AND", "ANY", "AS", "BETWEEN", "BY", "CASE", "CAST", "DISTINCT", "ELSE", "ESCAPE", "EXCEPT", "EXISTS",
        "FILTER", "FROM", "HAVING", "ILIKE", "IN", "INTERSECT", "IS", "JOIN", "LIKE", "LIMIT", "NOT", "OFFSET", "ON",
        "OR", "OVER", "RETURNING", "ROW", "SELECT", "SET", "SOME", "THEN", "UNION", "USING", "VALUES", "WHEN",
        "WHERE", "WITHIN"};
    return words;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The database's own catalogue: its tables, views and functions are named so.
bool CatalogueName(const std::string& lower) {
    return lower.rfind("pg_", 0) == 0 || lower.rfind("sqlite_", 0) == 0 || lower == "information_schema";
}

// Why a name of the statement reaches beyond the application's tables and
// the plain functions, or "". A call is known by its name however the name is
// written ([pg_sleep](1), "pg_sleep" (1), PG_SLEEP(1), pg_catalog.pg_sleep(1)):
// a word or a name in brackets followed by "(", blanks between them or not.
std::string Unreachable(const std::vector<Token>& t) {
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != Tok::Word && t[i].kind != Tok::Ident) continue;
        const std::string name = Lower(Unquoted(t[i]));
        const size_t next = NextSolid(t, i + 1);
        if (next >= t.size() || !IsPunct(t[next], '(')) {
            if (CatalogueName(name))
                return "Instruction refusée : le catalogue de la base (" + Unquoted(t[i]).substr(0, 40) +
                       ") n'est pas accessible aux requêtes du client";
            continue;
        }
        if (t[i].kind == Tok::Word && GroupOpeners().count(Upper(t[i].text))) continue;
        size_t prev = i;
        while (prev > 0 && t[prev - 1].kind == Tok::Space) --prev;
        if (prev > 0 && IsWord(t[prev - 1], "INTO")) continue;  // INSERT INTO table (columns)
        if (prev > 0 && IsPunct(t[prev - 1], '.'))
            return "Instruction refusée : une fonction s'appelle par son seul nom (" + Unquoted(t[i]).substr(0, 40) +
                   ")";
        if (!ClientFunctions().count(name))
            return "Instruction refusée : la fonction " + Unquoted(t[i]).substr(0, 40) +
                   " n'est pas accessible aux requêtes du client";
    }
    return {};
}

}  // namespace

std::string UnquotedName(const SqlToken& t) {
    if (t.kind != Tok::Ident) return t.text;
    std::string out;
    for (size_t i = 1; i + 1 < t.text.size(); ++i) {
        out.push_back(t.text[i]);
        if (t.text[i] == '"') ++i;
    }
    return out;
}

std::string UpperWord(std::string_view word) {
    std::string out(word);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

const std::set<std::string>& ClientFunctions() {
    static const std::set<std::string> names = {
        "abs", "avg", "coalesce", "count", "date", "datetime", "glob", "group_concat", "ifnull", "iif", "instr",
        "isnull", "julianday", "length", "like", "lower", "ltrim", "max", "min", "nullif", "round", "rtrim",
        "strftime", "substr", "substring", "sum", "total", "trim", "typeof", "upper"};
    return names;
}

std::optional<std::vector<SqlToken>> TokenizeSql(std::string_view sql, bool doubleQuotesDelimitNames,
                                                 std::string& error) {
    Lexer lex{sql, doubleQuotesDelimitNames, {}, {}};
    if (!lex.run()) {
        error = lex.error;
        return std::nullopt;
    }
    return std::move(lex.tokens);
}

const char* KindName(StatementKind kind) {
    switch (kind) {
        case StatementKind::Select: return "SELECT";
        case StatementKind::Insert: return "INSERT";
        case StatementKind::Update: return "UPDATE";
        case StatementKind::Delete: return "DELETE";
        default: return "inconnue";
    }
}

TranslatedSql TranslateSql(std::string_view clientSql) {
    TranslatedSql out;
    Lexer lex{clientSql, false, {}, {}};
    if (!lex.run()) {
        out.error = lex.error;
        return out;
    }
    std::vector<Token>& t = lex.tokens;
    while (!t.empty() && t.back().kind == Tok::Space) t.pop_back();
    if (!t.empty() && IsPunct(t.back(), ';')) t.pop_back();
    while (!t.empty() && t.back().kind == Tok::Space) t.pop_back();
    size_t first = NextSolid(t, 0);
    if (first >= t.size()) {
        out.error = "Instruction SQL vide";
        return out;
    }
    for (const Token& tok : t)
        if (IsPunct(tok, ';')) {
            out.error = "Une seule instruction SQL est admise par requête";
            return out;
        }
    const std::string head = t[first].kind == Tok::Word ? Upper(t[first].text) : std::string();
    if (head == "SELECT") out.kind = StatementKind::Select;
    else if (head == "INSERT") out.kind = StatementKind::Insert;
    else if (head == "UPDATE") out.kind = StatementKind::Update;
    else if (head == "DELETE") out.kind = StatementKind::Delete;
    else {
        out.error = "Instruction refusée : seules SELECT, INSERT, UPDATE et DELETE sont admises (reçu \"" +
                    t[first].text.substr(0, 30) + "\")";
        return out;
    }

    if (std::string why = TableWideWrite(t, first, out.kind); !why.empty()) {
        out.error = why;
        return out;
    }
    if (std::string why = Unreachable(t); !why.empty()) {
        out.error = why;
        return out;
    }

    bool hasParam = false;
    for (size_t i = 0; i < t.size(); ++i) {
        Token& tok = t[i];
        if (tok.kind == Tok::Param) {
            std::string name = Upper(tok.text);
            if (name == ":NEWID") tok.text = ":NewID";
            else if (name == ":NEWIDBIS") tok.text = ":NewIDbis";
            else {
                out.error = "Paramètre inconnu " + tok.text + " (seuls :NewID et :NewIDbis sont admis)";
                return out;
            }
            hasParam = true;
        } else if (tok.kind == Tok::Word) {
            std::string w = Upper(tok.text);
            size_t next = NextSolid(t, i + 1);
            bool call = next < t.size() && IsPunct(t[next], '(');
            if (w == "DELETE" && i == first && next < t.size() && IsPunct(t[next], '*')) {
                t[next].text.clear();
                t[next].kind = Tok::Space;
            } else if (w == "ISNULL" && call) {
                size_t close = MatchingParen(t, next);
                if (close == std::string::npos) {
                    out.error = "Parenthèse non fermée après isNull";
                    return out;
                }
                tok.text = "(";
                tok.kind = Tok::Punct;
                t[close].text = ") IS NULL)";
            }
        }
    }

    if (hasParam) {
        if (out.kind != StatementKind::Insert || !MapPlaceholders(t, out)) {
            out.error = "Les paramètres :NewID et :NewIDbis ne sont admis que seuls dans la liste "
                        "VALUES d'une instruction Insert into ... (...) Values (...)";
            return out;
        }
        // Every placeholder must have found its column.
        for (const Token& tok : t)
            if (tok.kind == Tok::Param &&
                ((tok.text == ":NewID" && !out.usesNewId()) || (tok.text == ":NewIDbis" && !out.usesNewIdBis()))) {
                out.error = "Le paramètre " + tok.text + " doit occuper seul une valeur de la liste VALUES";
                return out;
            }
    } else if (out.kind == StatementKind::Insert) {
        TranslatedSql probe;
        if (MapPlaceholders(t, probe)) out.insertTable = probe.insertTable;
    }

    // SQLite has no boolean literals: True and False are written 1 and 0.
    for (size_t i = first; i < t.size(); ++i) {
        const std::string w = t[i].kind == Tok::Word ? Upper(t[i].text) : std::string();
        const size_t next = NextSolid(t, i + 1);
        if ((w == "TRUE" || w == "FALSE") && !(next < t.size() && IsPunct(t[next], '(')))
            out.sql += w == "TRUE" ? "1" : "0";
        else
            out.sql += t[i].text;
    }
    out.tokens.assign(t.begin() + static_cast<std::ptrdiff_t>(first), t.end());
    return out;
}

std::string SqlTokenName(const SqlToken& t) { return Unquoted(t); }

}  // namespace stanor::dataservice
