#pragma once
// Translation of the client's statements, written in the dialect of a desktop
// database engine, into SQLite.
//
// The text is cut into tokens first, so that nothing inside a string literal is
// ever rewritten. Then:
//   Delete * From t          -> DELETE FROM t
//   #mm/dd/yyyy#             -> 'yyyy-mm-dd' (a time part is kept as hh:mm:ss)
//   isNull(x)                -> ((x) IS NULL)
//   True, False              -> 1, 0
//   [tVO - Frevo]            -> "tVO - Frevo"
//   "text"                   -> 'text' (double quotes delimit texts in that dialect)
//   :NewID, :NewIDbis        -> kept as named parameters; the caller binds the new keys
// One statement only: a final ";" is dropped, any other ";" refuses the text, and
// so do comments ("--", "/*"), whose only use here would be to hide a condition.
// Writes must name their rows: an UPDATE or DELETE without a WHERE clause, the
// conflict forms INSERT OR ... / UPDATE OR ... and the upsert ON CONFLICT are
// refused.

#include <string>
#include <string_view>

namespace stanor::dataservice {

enum class StatementKind { Select, Insert, Update, Delete, Other };

struct TranslatedSql {
    std::string sql;                 // the SQLite text; empty when error is set
    StatementKind kind = StatementKind::Other;
    std::string error;               // French reason when the text was refused
    std::string insertTable;         // INSERT: the target table, unquoted
    std::string newIdColumn;         // INSERT: the column that receives :NewID
    std::string newIdBisColumn;      // INSERT: the column that receives :NewIDbis

    bool ok() const { return error.empty(); }
    bool usesNewId() const { return !newIdColumn.empty(); }
    bool usesNewIdBis() const { return !newIdBisColumn.empty(); }
};

TranslatedSql TranslateSql(std::string_view clientSql);

// French name of a statement kind, for messages ("SELECT", "INSERT", ...).
const char* KindName(StatementKind kind);

}  // namespace stanor::dataservice
