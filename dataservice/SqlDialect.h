#pragma once
// Translation of the client's statements, written in the dialect of a desktop
// database engine, into SQLite (the text below) and into tokens that the
// PostgreSQL store writes out in its own dialect (PgDialect.h).
//
// The text is cut into tokens first, so that nothing inside a string literal is
// ever rewritten. Then:
//   Delete * From t          -> DELETE FROM t
//   #mm/dd/yyyy#             -> 'yyyy-mm-dd' (a time part is kept as hh:mm:ss)
//   isNull(x)                -> ((x) IS NULL)
//   True, False              -> 1, 0 (SQLite has no boolean literals)
//   [tVO - Frevo]            -> "tVO - Frevo"
//   "text"                   -> 'text' (double quotes delimit texts in that dialect)
//   :NewID, :NewIDbis        -> kept as named parameters; the caller binds the new keys
// One statement only: a final ";" is dropped, any other ";" refuses the text, and
// so do comments ("--", "/*"), whose only use here would be to hide a condition.
// Writes must name their rows: an UPDATE or DELETE without a WHERE clause, the
// conflict forms INSERT OR ... / UPDATE OR ... and the upsert ON CONFLICT are
// refused (WriteRules.h says how the WHERE must name them).
// Only the plain functions of ClientFunctions may be called, however their
// names are written ([pg_sleep](1), PG_SLEEP (1)), and no name of the
// database's own catalogue (pg_..., sqlite_..., information_schema) is taken.

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace stanor::dataservice {

enum class StatementKind { Select, Insert, Update, Delete, Other };

enum class SqlTokenKind { Space, Word, Number, String, Ident, Date, Param, Punct };

// One token as it is written out: a String in single quotes, an Ident in
// double quotes, a Date as an ISO string literal, a Param as ":NewID" or
// ":NewIDbis", a Space as one blank. A Punct may carry a rewritten piece
// (") IS NULL)") and an empty text stands for a dropped token.
struct SqlToken {
    SqlTokenKind kind;
    std::string text;
};

// The name a Word or Ident token stands for (an Ident without its quotes).
std::string SqlTokenName(const SqlToken& t);

struct TranslatedSql {
    std::string sql;                 // the SQLite text; empty when error is set
    StatementKind kind = StatementKind::Other;
    std::string error;               // French reason when the text was refused
    std::string insertTable;         // INSERT: the target table, unquoted
    std::string newIdColumn;         // INSERT: the column that receives :NewID
    std::string newIdBisColumn;      // INSERT: the column that receives :NewIDbis
    std::vector<SqlToken> tokens;    // the translated statement, for other engines
    // Set by the service alone on a write it limited itself (the sweep of one
    // dealership's cancelled vehicles), which names its rows without a key.
    bool rowsScopedByService = false;

    bool ok() const { return error.empty(); }
    bool usesNewId() const { return !newIdColumn.empty(); }
    bool usesNewIdBis() const { return !newIdBisColumn.empty(); }
};

TranslatedSql TranslateSql(std::string_view clientSql);

// The tokens of a text, without any rewriting; in the client's dialect
// "double quotes" delimit texts, in the service's own SQL they delimit names.
// Nothing, with the French reason in `error`, when the text cannot be cut.
std::optional<std::vector<SqlToken>> TokenizeSql(std::string_view sql, bool doubleQuotesDelimitNames,
                                                 std::string& error);

// The functions the client's statements may call, on both stores, in lower
// case: plain scalar and aggregate functions that read nothing beyond their
// arguments and cannot stall, wait or reach another session. isNull is the
// client's own, rewritten as IS NULL.
const std::set<std::string>& ClientFunctions();

// A name as the statement wrote it: an Ident without its quotes, any other token as it stands.
std::string UnquotedName(const SqlToken& token);

// The upper-case ASCII form of a word.
std::string UpperWord(std::string_view word);

// French name of a statement kind, for messages ("SELECT", "INSERT", ...).
const char* KindName(StatementKind kind);

}  // namespace stanor::dataservice
