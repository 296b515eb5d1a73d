#pragma once
// What a write of the client does, read from the translator's tokens: the
// table it writes, the columns it sets and their values, and the conditions
// that name the rows it changes. Only the shapes that the client builds are
// read, every value and condition a plain literal:
//   INSERT INTO t (c1, c2 ...) VALUES (v1, v2 ...)
//   UPDATE t SET c1 = v1, c2 = v2 ... WHERE condition
//   DELETE FROM t WHERE condition
// where a condition is one or more terms joined by AND, in any parentheses,
// each term "c = v", "c IN (v1, v2 ...)", "c IS NULL" or "c IS NOT NULL" (the
// column itself may stand in parentheses, as in "((TypeVO)=2)"). Anything
// else (a sub-query, a function, a column compared to a column, OR) is not
// read, so that the rows a write changes are always the rows its terms name.

#include "SqlDialect.h"

#include <optional>
#include <string>
#include <vector>

namespace stanor::dataservice {

struct SqlLiteralValue {
    enum class Kind { Null, Number, Text, Date, Boolean, NewId, NewIdBis };
    Kind kind = Kind::Null;
    std::string text;  // Number as written ("-12.50"), Text unquoted, Date ISO, Boolean "1" or "0"

    bool isNull() const { return kind == Kind::Null; }
    bool isKey() const { return kind == Kind::NewId || kind == Kind::NewIdBis; }
    // The value as the service's own SQL binds it ("" for NULL).
    const std::string& bound() const { return text; }
};

struct WriteCondition {
    // NullOrEqual: "(isNull(F) or F=value)", the loaded value of a field the
    // client changes when it was shown empty or zero (NULL or that value).
    enum class Op { Equal, In, IsNull, IsNotNull, NullOrEqual };
    std::string column;
    Op op = Op::Equal;
    std::vector<SqlLiteralValue> values;  // one for Equal, one or more for In
};

struct WriteStatement {
    StatementKind kind = StatementKind::Other;
    std::string table;                                               // as written, unquoted
    std::vector<std::pair<std::string, SqlLiteralValue>> values;     // INSERT columns, UPDATE assignments
    std::vector<WriteCondition> where;                               // all of them hold (AND)

    // The value a statement gives to a column (case ignored), or nothing.
    const SqlLiteralValue* valueOf(const std::string& column) const;
};

// The write read from a translated statement, or nothing with the French
// reason in `why`.
std::optional<WriteStatement> ReadWriteStatement(const TranslatedSql& statement, std::string& why);

// The service's own SELECT of the rows that a write's conditions name, for
// `columns`, with its values to bind in order ("SELECT c1, c2 FROM t WHERE
// a = ? AND b IN (?, ?) AND c IS NULL"). A NULL compared with "=" names no row.
struct RowsQuery {
    std::string sql;
    std::vector<std::string> binds;
};
RowsQuery SelectNamedRows(const WriteStatement& write, const std::vector<std::string>& columns);

}  // namespace stanor::dataservice
