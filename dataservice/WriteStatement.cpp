#include "WriteStatement.h"

#include "Store.h"

namespace stanor::dataservice {

namespace {

using Tok = SqlTokenKind;

// The solid tokens of a translated statement, with the pieces the translator
// glued together taken apart again: isNull(x) was written "((x) IS NULL)",
// whose last piece is one token.
std::vector<SqlToken> Solid(const std::vector<SqlToken>& tokens) {
    std::vector<SqlToken> out;
    for (const SqlToken& t : tokens) {
        if (t.kind == Tok::Space || t.text.empty()) continue;
        if (t.kind == Tok::Punct && t.text.size() > 1) {
            std::string error;
            if (auto parts = TokenizeSql(t.text, true, error))
                for (SqlToken& p : *parts)
                    if (p.kind != Tok::Space) out.push_back(std::move(p));
            continue;
        }
        out.push_back(t);
    }
    return out;
}

std::string Unquote(const std::string& text, char quote) {
    std::string out;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == quote) ++i;
    }
    return out;
}

class Reader {
public:
    explicit Reader(std::vector<SqlToken> tokens) : t_(std::move(tokens)) {}

    bool read(StatementKind kind, WriteStatement& out) {
        out.kind = kind;
        if (kind == StatementKind::Insert) return insert(out);
        if (kind == StatementKind::Update) return update(out);
        if (kind == StatementKind::Delete) return remove(out);
        return false;
    }

private:
    bool insert(WriteStatement& out) {
        std::vector<std::string> columns;
        if (!word("INSERT") || !word("INTO") || !name(out.table) || !punct('(')) return false;
        do {
            std::string c;
            if (!name(c)) return false;
            columns.push_back(c);
        } while (punct(','));
        if (!punct(')') || !word("VALUES") || !punct('(')) return false;
        for (size_t i = 0; i < columns.size(); ++i) {
            SqlLiteralValue v;
            if ((i && !punct(',')) || !value(v)) return false;
            out.values.emplace_back(columns[i], v);
        }
        return punct(')') && done();
    }

    bool update(WriteStatement& out) {
        if (!word("UPDATE") || !name(out.table) || !word("SET")) return false;
        do {
            std::string c;
            SqlLiteralValue v;
            if (!name(c) || !punct('=') || !value(v) || v.isKey()) return false;
            out.values.emplace_back(c, v);
        } while (punct(','));
        return word("WHERE") && conjunction(out.where) && done();
    }

    bool remove(WriteStatement& out) {
        if (!word("DELETE") || !word("FROM") || !name(out.table)) return false;
        return word("WHERE") && conjunction(out.where) && done();
    }

    // term AND term ..., each term possibly a parenthesised conjunction.
    bool conjunction(std::vector<WriteCondition>& out) {
        do {
            if (!atom(out)) return false;
        } while (word("AND"));
        return true;
    }

    bool atom(std::vector<WriteCondition>& out) {
        const size_t start = at_;
        const size_t kept = out.size();
        if (punct('(') && conjunction(out) && punct(')')) return true;
        at_ = start;
        out.resize(kept);
        if (nullOrEqual(out)) return true;
        at_ = start;
        WriteCondition c;
        if (!term(c)) return false;
        out.push_back(std::move(c));
        return true;
    }

    // "(F IS NULL OR F = value)", in either order, on one column.
    bool nullOrEqual(std::vector<WriteCondition>& out) {
        std::vector<WriteCondition> both(2);
        if (!punct('(') || !atom1(both[0]) || !word("OR") || !atom1(both[1]) || !punct(')')) return false;
        if (both[0].op == WriteCondition::Op::Equal) std::swap(both[0], both[1]);
        if (both[0].op != WriteCondition::Op::IsNull || both[1].op != WriteCondition::Op::Equal ||
            LowerAscii(both[0].column) != LowerAscii(both[1].column))
            return false;
        both[1].op = WriteCondition::Op::NullOrEqual;
        out.push_back(std::move(both[1]));
        return true;
    }
    // One term, alone or in parentheses.
    bool atom1(WriteCondition& c) {
        const size_t start = at_;
        if (punct('(') && atom1(c) && punct(')')) return true;
        at_ = start;
        return term(c);
    }

    bool term(WriteCondition& c) {
        if (!column(c.column)) return false;
        if (punct('=')) {
            c.op = WriteCondition::Op::Equal;
            SqlLiteralValue v;
            if (!value(v) || v.isKey()) return false;
            c.values.push_back(v);
            return true;
        }
        if (word("IN")) {
            c.op = WriteCondition::Op::In;
            if (!punct('(')) return false;
            do {
                SqlLiteralValue v;
                if (!value(v) || v.isKey()) return false;
                c.values.push_back(v);
            } while (punct(','));
            return punct(')');
        }
        if (word("IS")) {
            c.op = word("NOT") ? WriteCondition::Op::IsNotNull : WriteCondition::Op::IsNull;
            return word("NULL");
        }
        return false;
    }

    // A column, alone or in parentheses.
    bool column(std::string& out) {
        const size_t start = at_;
        if (punct('(') && column(out) && punct(')')) return true;
        at_ = start;
        return name(out);
    }

    bool name(std::string& out) {
        if (at_ >= t_.size()) return false;
        const SqlToken& t = t_[at_];
        if (t.kind == Tok::Ident) out = Unquote(t.text, '"');
        else if (t.kind == Tok::Word && !IsKeyWord(t.text)) out = t.text;
        else return false;
        ++at_;
        return true;
    }

    bool value(SqlLiteralValue& v) {
        using K = SqlLiteralValue::Kind;
        if (at_ >= t_.size()) return false;
        std::string sign;
        if (t_[at_].kind == Tok::Punct && (t_[at_].text == "-" || t_[at_].text == "+")) {
            sign = t_[at_].text == "-" ? "-" : "";
            if (++at_ >= t_.size() || t_[at_].kind != Tok::Number) return false;
        }
        const SqlToken& t = t_[at_];
        const std::string upper = t.kind == Tok::Word ? UpperWord(t.text) : std::string();
        if (t.kind == Tok::Number) v = {K::Number, sign + t.text};
        else if (t.kind == Tok::String) v = {K::Text, Unquote(t.text, '\'')};
        else if (t.kind == Tok::Date) v = {K::Date, Unquote(t.text, '\'')};
        else if (upper == "NULL") v = {K::Null, ""};
        else if (upper == "TRUE" || upper == "FALSE") v = {K::Boolean, upper == "TRUE" ? "1" : "0"};
        else if (t.kind == Tok::Param) v = {t.text == ":NewID" ? K::NewId : K::NewIdBis, ""};
        else return false;
        ++at_;
        return true;
    }

    static bool IsKeyWord(const std::string& word) {
        static const char* const kWords[] = {"SELECT", "FROM", "WHERE", "AND", "OR", "NOT", "IN", "IS", "NULL",
                                             "SET", "VALUES", "INTO", "TRUE", "FALSE", "EXISTS", "CASE"};
        const std::string upper = UpperWord(word);
        for (const char* k : kWords)
            if (upper == k) return true;
        return false;
    }

    bool word(const char* upper) {
        if (at_ < t_.size() && t_[at_].kind == Tok::Word && UpperWord(t_[at_].text) == upper) {
            ++at_;
            return true;
        }
        return false;
    }

    bool punct(char c) {
        if (at_ < t_.size() && t_[at_].kind == Tok::Punct && t_[at_].text.size() == 1 && t_[at_].text[0] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool done() const { return at_ == t_.size(); }

    std::vector<SqlToken> t_;
    size_t at_ = 0;
};

}  // namespace

const SqlLiteralValue* WriteStatement::valueOf(const std::string& column) const {
    const std::string wanted = LowerAscii(column);
    for (const auto& [name, v] : values)
        if (LowerAscii(name) == wanted) return &v;
    return nullptr;
}

std::optional<WriteStatement> ReadWriteStatement(const TranslatedSql& statement, std::string& why) {
    WriteStatement out;
    if (Reader(Solid(statement.tokens)).read(statement.kind, out)) return out;
    why = "Écriture refusée : l'instruction n'a pas la forme de celles du poste (INSERT INTO table (colonnes) "
          "VALUES (valeurs), UPDATE table SET colonne = valeur ... WHERE conditions, DELETE FROM table WHERE "
          "conditions, chaque valeur écrite telle quelle et chaque condition une colonne = valeur, IN, IS NULL "
          "ou IS NOT NULL jointes par AND)";
    return std::nullopt;
}

RowsQuery SelectNamedRows(const WriteStatement& write, const std::vector<std::string>& columns) {
    RowsQuery q;
    q.sql = "SELECT ";
    for (size_t i = 0; i < columns.size(); ++i) q.sql += (i ? ", " : "") + QuoteIdentifier(columns[i]);
    q.sql += " FROM " + QuoteIdentifier(write.table) + " WHERE ";
    for (size_t i = 0; i < write.where.size(); ++i) {
        const WriteCondition& c = write.where[i];
        q.sql += i ? " AND " : "";
        if (c.op == WriteCondition::Op::NullOrEqual) {
            q.sql += "(" + QuoteIdentifier(c.column) + " IS NULL OR " + QuoteIdentifier(c.column) + " = ?)";
            q.binds.push_back(c.values[0].bound());
            continue;
        }
        q.sql += QuoteIdentifier(c.column);
        switch (c.op) {
            case WriteCondition::Op::NullOrEqual: break;
            case WriteCondition::Op::IsNull: q.sql += " IS NULL"; break;
            case WriteCondition::Op::IsNotNull: q.sql += " IS NOT NULL"; break;
            case WriteCondition::Op::Equal:
            case WriteCondition::Op::In: {
                q.sql += c.op == WriteCondition::Op::Equal ? " = " : " IN (";
                for (size_t k = 0; k < c.values.size(); ++k) {
                    q.sql += k ? ", " : "";
                    if (c.values[k].isNull()) {
                        q.sql += "NULL";
                    } else {
                        q.sql += "?";
                        q.binds.push_back(c.values[k].bound());
                    }
                }
                if (c.op == WriteCondition::Op::In) q.sql += ")";
                break;
            }
        }
    }
    return q;
}

}  // namespace stanor::dataservice
