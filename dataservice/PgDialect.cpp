#include "PgDialect.h"

#include "Store.h"

#include <algorithm>
#include <vector>

namespace stanor::dataservice {

namespace {

using Tok = SqlTokenKind;

constexpr size_t kNone = static_cast<size_t>(-1);
// PostgreSQL keeps the first 63 bytes of a name.
constexpr size_t kNameBytes = 63;

// Words that PostgreSQL reads as key words, written out as they stand.
const std::set<std::string>& KeyWords() {
    static const std::set<std::string> words = {
        "ALL", "AND", "ANY", "AS", "ASC", "BETWEEN", "BOTH", "BY", "CASE", "CAST", "COLLATE", "CROSS",
        "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "DATE", "DEFAULT", "DELETE", "DESC", "DISTINCT", "ELSE",
        "END", "ESCAPE", "EXCEPT", "EXISTS", "FALSE", "FETCH", "FILTER", "FIRST", "FOR", "FROM", "FULL", "GROUP",
        "HAVING", "ILIKE", "IN", "INNER", "INSERT", "INTERSECT", "INTERVAL", "INTO", "IS", "ISNULL", "JOIN", "LAST",
        "LEADING", "LEFT", "LIKE", "LIMIT", "LOCALTIME", "LOCALTIMESTAMP", "NATURAL", "NEXT", "NOT", "NOTNULL",
        "NULL", "NULLS", "OF", "OFFSET", "ON", "ONLY", "OR", "ORDER", "OUTER", "OVER", "PARTITION", "RETURNING",
        "RIGHT", "ROW", "ROWS", "SELECT", "SET", "SIMILAR", "SOME", "THEN", "TIME", "TIMESTAMP", "TO", "TRAILING",
        "TRUE", "UNION", "UNKNOWN", "UPDATE", "USING", "VALUES", "WHEN", "WHERE", "WINDOW", "WITH", "WITHIN"};
    return words;
}

// Where an operand of LIKE ends: the words that bind more loosely, or start
// another part of the statement.
const std::set<std::string>& OperandEnds() {
    static const std::set<std::string> words = {
        "ALL", "AND", "ANY", "AS", "ASC", "BETWEEN", "BY", "CASE", "DESC", "DISTINCT", "ELSE", "END", "ESCAPE",
        "EXCEPT", "EXISTS", "FROM", "GROUP", "HAVING", "ILIKE", "IN", "INTERSECT", "IS", "JOIN", "LIKE", "LIMIT",
        "NOT", "OFFSET", "ON", "OR", "ORDER", "RETURNING", "SELECT", "SET", "SIMILAR", "SOME", "THEN", "UNION",
        "VALUES", "WHEN", "WHERE"};
    return words;
}

int ParenDelta(const SqlToken& t) {
    if (t.kind != Tok::Punct) return 0;
    int d = 0;
    for (char c : t.text) d += c == '(' ? 1 : c == ')' ? -1 : 0;
    return d;
}

bool IsPunct(const SqlToken& t, char c) { return t.kind == Tok::Punct && !t.text.empty() && t.text[0] == c; }
bool IsWord(const SqlToken& t, const char* upper) { return t.kind == Tok::Word && UpperWord(t.text) == upper; }

size_t NextSolid(const std::vector<SqlToken>& t, size_t i) {
    while (i < t.size() && (t[i].kind == Tok::Space || t[i].text.empty())) ++i;
    return i < t.size() ? i : kNone;
}

size_t PrevSolid(const std::vector<SqlToken>& t, size_t i) {
    while (i != kNone && i < t.size() && (t[i].kind == Tok::Space || t[i].text.empty())) --i;
    return i < t.size() ? i : kNone;
}

// Whether the token ends an operand of LIKE.
bool EndsOperand(const SqlToken& t) {
    if (t.kind == Tok::Word) return OperandEnds().count(UpperWord(t.text)) != 0;
    if (t.kind != Tok::Punct || t.text.empty()) return false;
    const char c = t.text[0];
    return c == ',' || c == '=' || c == '<' || c == '>' || c == '!' || c == ';';
}

// The first token of the operand that ends at `last` (walking back), or kNone.
size_t OperandStart(const std::vector<SqlToken>& t, size_t last) {
    size_t begin = kNone;
    for (size_t i = PrevSolid(t, last); i != kNone; i = PrevSolid(t, i - 1)) {
        const int d = ParenDelta(t[i]);
        if (d < 0) {  // a closed group: its opening is part of the operand
            int depth = 0;
            size_t j = i;
            for (; j != kNone; --j) {
                depth += ParenDelta(t[j]);
                if (depth >= 0) break;
                if (j == 0) { j = kNone; break; }
            }
            if (j == kNone) return kNone;
            begin = j;
            i = j;
            if (i == 0) break;
            continue;
        }
        if (d > 0 || EndsOperand(t[i])) break;
        begin = i;
        if (i == 0) break;
    }
    return begin;
}

// The last token of the operand that starts at `first`, or kNone.
size_t OperandEnd(const std::vector<SqlToken>& t, size_t first) {
    size_t end = kNone;
    for (size_t i = NextSolid(t, first); i != kNone; i = NextSolid(t, i + 1)) {
        const int d = ParenDelta(t[i]);
        if (d > 0) {
            int depth = 0;
            size_t j = i;
            for (; j < t.size(); ++j) {
                depth += ParenDelta(t[j]);
                if (depth <= 0) break;
            }
            if (j >= t.size()) return kNone;
            end = i = j;
            continue;
        }
        if (d < 0 || EndsOperand(t[i])) break;
        end = i;
    }
    return end;
}

// The longest run of characters that a LIKE pattern (a quoted text) matches
// as they stand, without "%" or "_".
size_t TypedRun(const std::string& quoted) {
    size_t run = 0, longest = 0;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        run = quoted[i] == '%' || quoted[i] == '_' ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

// The body of a double-quoted name.
std::string Unquoted(const std::string& quoted) {
    std::string out;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        out.push_back(quoted[i]);
        if (quoted[i] == '"') ++i;
    }
    return out;
}

class Writer {
public:
    Writer(const std::vector<SqlToken>& tokens, const PgNames& names, bool client)
        : t_(tokens), names_(names), client_(client), out_(tokens.size()), before_(tokens.size()),
          after_(tokens.size()) {}

    PgStatement run() {
        PgStatement result;
        std::vector<bool> castParens;  // for each open parenthesis: whether it is CAST's
        int params = 0;
        for (size_t i = 0; i < t_.size() && error_.empty(); ++i) {
            const SqlToken& tok = t_[i];
            const size_t prev = i ? PrevSolid(t_, i - 1) : kNone;
            const size_t next = NextSolid(t_, i + 1);
            switch (tok.kind) {
                case Tok::Word:
                    out_[i] = word(i, prev, next, castParens);
                    break;
                case Tok::Ident: {
                    const std::string known = names_.spelling(Unquoted(tok.text));
                    out_[i] = known.empty() ? tok.text : QuoteIdentifier(known);
                    break;
                }
                case Tok::String:
                case Tok::Date: {
                    // E'..', U&'..', B'..' and X'..' would read the text otherwise.
                    const bool glued = i > 0 && (t_[i - 1].kind == Tok::Word || t_[i - 1].kind == Tok::Ident ||
                                                 t_[i - 1].kind == Tok::Number || t_[i - 1].kind == Tok::Param ||
                                                 IsPunct(t_[i - 1], '&'));
                    out_[i] = (glued ? " " : "") + tok.text;
                    break;
                }
                case Tok::Param:
                    out_[i] = param(tok.text, result);
                    break;
                case Tok::Punct:
                    if (tok.text == "$") refuse("Instruction refusée : le caractère $ n'est pas admis dans une instruction");
                    if (tok.text == "?" && !client_) out_[i] = "$" + std::to_string(++params);
                    else out_[i] = tok.text;
                    for (int d = ParenDelta(tok); d > 0; --d) {
                        castParens.push_back(prev != kNone && IsWord(t_[prev], "CAST") && d == ParenDelta(tok));
                    }
                    for (int d = ParenDelta(tok); d < 0 && !castParens.empty(); ++d) castParens.pop_back();
                    break;
                default:
                    out_[i] = tok.text;
            }
        }
        for (size_t i = 0; i < t_.size() && error_.empty(); ++i)
            if (IsWord(t_[i], "LIKE") || IsWord(t_[i], "ILIKE")) like(i);
        if (!error_.empty()) {
            result.error = error_;
            result.refused = refused_;
            return result;
        }
        for (size_t i = 0; i < t_.size(); ++i) result.sql += before_[i] + out_[i] + after_[i];
        result.searchesByTrigrams = trigrams_;
        return result;
    }

    // The statement's keys: each placeholder takes the next value of its column's sequence.
    void keys(const TranslatedSql& statement, PgStatement& result) {
        if (!statement.usesNewId() && !statement.usesNewIdBis()) return;
        table_ = names_.table(statement.insertTable);
        if (table_.empty()) {
            fault("la table " + statement.insertTable + " n'existe pas");
            return;
        }
        for (const auto& [placeholder, column, given] :
             {std::tuple{":NewID", statement.newIdColumn, &result.newIdColumn},
              std::tuple{":NewIDbis", statement.newIdBisColumn, &result.newIdBisColumn}}) {
            if (column.empty()) continue;
            const std::string spelled = names_.column(table_, column);
            if (spelled.empty()) {
                fault("la colonne " + column + " n'existe pas dans la table " + statement.insertTable);
                return;
            }
            const std::string sequence = KeySequence(table_, spelled);
            if (!names_.hasSequence(sequence)) {
                fault("la colonne " + spelled + " de la table " + table_ + " ne reçoit pas de clé");
                return;
            }
            *given = spelled;
            sequences_[placeholder] = sequence;
        }
    }

private:
    std::string word(size_t i, size_t prev, size_t next, const std::vector<bool>& castParens) {
        const std::string& text = t_[i].text;
        const std::string upper = UpperWord(text);
        const bool call = next != kNone && IsPunct(t_[next], '(');
        const bool afterInto = prev != kNone && IsWord(t_[prev], "INTO");
        if (upper == "TRUE" || upper == "FALSE") return upper;
        if (!client_ && upper == "ROWID") return "ctid";
        // LEFT and RIGHT are also functions; the other key words before "(" open a group.
        const bool function = call && !afterInto && (!KeyWords().count(upper) || upper == "LEFT" || upper == "RIGHT");
        if (function) {
            const std::string name = LowerAscii(text);
            if (client_ && !ClientFunctions().count(name)) refuse(messages::NotReachable("la fonction " + text));
            return name;
        }
        if (KeyWords().count(upper) && !afterInto) return text;
        if (prev != kNone && IsWord(t_[prev], "COLLATE")) {
            if (upper == "NOCASE") return "nocase";
            if (upper == "BINARY") return "\"C\"";
            fault("la comparaison " + text + " n'existe pas");
            return text;
        }
        // A type: after "::", or after AS inside CAST( ... ).
        const bool cast = prev != kNone && ((prev > 0 && IsPunct(t_[prev], ':') && IsPunct(t_[prev - 1], ':')) ||
                                            (IsWord(t_[prev], "AS") && !castParens.empty() && castParens.back()));
        if (cast) return text;
        const std::string known = names_.spelling(text);
        return QuoteIdentifier(known.empty() ? text : known);
    }

    std::string param(const std::string& text, PgStatement&) {
        const auto found = sequences_.find(text);
        if (found == sequences_.end()) {
            fault("le paramètre " + text + " n'a pas de colonne");
            return text;
        }
        return "nextval(" + QuoteLiteral(QuoteIdentifier(found->second)) + ")";
    }

    // a [NOT] LIKE b [ESCAPE c] over the case foldings of a, b and c.
    void like(size_t at) {
        size_t leftLast = PrevSolid(t_, at - 1);
        if (leftLast != kNone && IsWord(t_[leftLast], "NOT")) leftLast = leftLast ? PrevSolid(t_, leftLast - 1) : kNone;
        const size_t leftFirst = leftLast == kNone ? kNone : OperandStart(t_, leftLast);
        const size_t rightFirst = NextSolid(t_, at + 1);
        const size_t rightLast = rightFirst == kNone ? kNone : OperandEnd(t_, rightFirst);
        if (leftFirst == kNone || rightLast == kNone) {
            fault("forme de LIKE non comprise (un texte LIKE un modèle est attendu)");
            return;
        }
        out_[at] = "LIKE";
        if (rightFirst == rightLast && t_[rightFirst].kind == Tok::String && TypedRun(t_[rightFirst].text) >= 3)
            trigrams_ = true;
        wrap(leftFirst, leftLast, true);
        wrap(rightFirst, rightLast, true);
        const size_t escape = NextSolid(t_, rightLast + 1);
        if (escape != kNone && IsWord(t_[escape], "ESCAPE")) {
            const size_t first = NextSolid(t_, escape + 1);
            const size_t last = first == kNone ? kNone : OperandEnd(t_, first);
            if (last == kNone) {
                fault("ESCAPE sans caractère");
                return;
            }
            wrap(first, last, false);
        }
    }

    void wrap(size_t first, size_t last, bool binary) {
        before_[first] = "stanor_fold(" + before_[first];
        after_[last] += binary ? ") COLLATE \"C\"" : ")";
    }

    // A rule refuses the statement (`message` says which), or the statement is at fault.
    void refuse(const std::string& message) {
        if (!error_.empty()) return;
        refused_ = true;
        error_ = message;
    }
    void fault(const std::string& what) {
        if (error_.empty()) error_ = "Erreur SQL : " + what;
    }

    const std::vector<SqlToken>& t_;
    const PgNames& names_;
    const bool client_;
    std::vector<std::string> out_, before_, after_;
    std::unordered_map<std::string, std::string> sequences_;  // placeholder -> sequence
    std::string table_;
    std::string error_;
    bool refused_ = false;
    bool trigrams_ = false;
};

}  // namespace

void PgNames::addTable(const std::string& table) {
    tables_[LowerAscii(table)] = table;
    auto [at, added] = spelled_.emplace(LowerAscii(table), table);
    if (!added && at->second != table) at->second.clear();
}

void PgNames::addColumn(const std::string& table, const std::string& column) {
    columns_[LowerAscii(table)][LowerAscii(column)] = column;
    auto [at, added] = spelled_.emplace(LowerAscii(column), column);
    if (!added && at->second != column) at->second.clear();
}

std::string PgNames::spelling(const std::string& name) const {
    const auto found = spelled_.find(LowerAscii(name));
    return found == spelled_.end() ? std::string() : found->second;
}

std::string PgNames::table(const std::string& name) const {
    const auto found = tables_.find(LowerAscii(name));
    return found == tables_.end() ? std::string() : found->second;
}

std::string PgNames::column(const std::string& table, const std::string& column) const {
    const auto t = columns_.find(LowerAscii(table));
    if (t == columns_.end()) return {};
    const auto c = t->second.find(LowerAscii(column));
    return c == t->second.end() ? std::string() : c->second;
}

std::string KeySequence(const std::string& table, const std::string& column) {
    std::string name = table + "_" + column + "_seq";
    if (name.size() > kNameBytes) name.resize(kNameBytes);
    return name;
}

std::string QuoteLiteral(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out.push_back('\'');
        out.push_back(c);
    }
    return out + "'";
}

namespace {

// A number a write compares a column with or gives it ("Vendeur=2") is sent as
// a literal of no type, which PostgreSQL reads in the column's own type: the
// workstations write some columns that the database keeps as texts (the
// salesperson's code) as numbers, which SQLite compares by their value.
std::vector<SqlToken> NumbersOfTheColumnsType(const TranslatedSql& statement) {
    std::vector<SqlToken> t = statement.tokens;
    if (statement.kind != StatementKind::Update && statement.kind != StatementKind::Delete) return t;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != Tok::Number || i == 0) continue;
        const size_t eq = PrevSolid(t, i - 1);
        if (eq == kNone || eq == 0 || t[eq].text != "=") continue;
        const size_t column = PrevSolid(t, eq - 1);
        if (column == kNone || (t[column].kind != Tok::Word && t[column].kind != Tok::Ident)) continue;
        t[i] = SqlToken{Tok::String, "'" + t[i].text + "'"};
    }
    return t;
}

}  // namespace

PgStatement RenderClientSql(const TranslatedSql& statement, const PgNames& names) {
    const std::vector<SqlToken> tokens = NumbersOfTheColumnsType(statement);
    Writer writer(tokens, names, true);
    PgStatement keys;
    writer.keys(statement, keys);
    PgStatement result = writer.run();
    if (!result.ok()) return result;
    int depth = 0;
    for (const SqlToken& t : statement.tokens) {
        depth += ParenDelta(t);
        if (depth == 0 && (IsWord(t, "LIMIT") || IsWord(t, "OFFSET") || IsWord(t, "FETCH") || IsWord(t, "FOR")))
            result.limitsItself = true;
    }
    result.newIdColumn = keys.newIdColumn;
    result.newIdBisColumn = keys.newIdBisColumn;
    if (!result.newIdColumn.empty() || !result.newIdBisColumn.empty()) {
        result.sql += " RETURNING ";
        result.sql += result.newIdColumn.empty() ? "NULL" : QuoteIdentifier(result.newIdColumn);
        result.sql += ", ";
        result.sql += result.newIdBisColumn.empty() ? "NULL" : QuoteIdentifier(result.newIdBisColumn);
    }
    return result;
}

PgStatement RenderServiceSql(std::string_view sql, const PgNames& names) {
    std::string why;
    const auto tokens = TokenizeSql(sql, true, why);
    if (!tokens) {
        PgStatement failed;
        failed.error = "Erreur SQL : " + why;
        return failed;
    }
    return Writer(*tokens, names, false).run();
}

}  // namespace stanor::dataservice
