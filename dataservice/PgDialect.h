#pragma once
// The client's translated statements, and the service's own SQL, written out
// for PostgreSQL.
//
// PostgreSQL folds unquoted names to lower case and compares quoted ones
// exactly, while the client (and SQLite) ignore the case of names: every name
// of the schema is written quoted as the schema spells it ("CliPreNom" ->
// "CliPrenom"), any other name (an alias) quoted as it was typed, so that the
// answers name their columns as on SQLite. Key words stay as they are.
//
// Texts compare without regard to case through the collation "nocase" of the
// text columns; LIKE, which PostgreSQL 15 refuses under such a collation, is
// written over the case foldings of both sides, which the trigram indexes of
// the searched columns serve:
//   CliNom like '%mar%'  ->  stanor_fold(CliNom) COLLATE "C" LIKE stanor_fold('%mar%') COLLATE "C"
// The client's statements call only the plain functions of ClientFunctions; "$"
// (dollar quoting, which would hide text from the checks) is refused; a text
// literal never touches the word before it (E'..', U&'..' would change its
// meaning). :NewID and :NewIDbis take the next values of their columns'
// sequences, which the statement gives back (RETURNING).

#include "SqlDialect.h"

#include <set>
#include <tuple>
#include <string>
#include <string_view>
#include <unordered_map>

namespace stanor::dataservice {

// Tables, columns and sequences of a schema, found by the lower-case form of their names.
class PgNames {
public:
    void addTable(const std::string& table);
    void addColumn(const std::string& table, const std::string& column);
    void addSequence(const std::string& sequence) { sequences_.insert(sequence); }

    // The schema's spelling of a table or column name, "" when unknown or
    // spelled in two ways.
    std::string spelling(const std::string& name) const;
    // The spelling of a table, and of a column of a table; "" when unknown.
    std::string table(const std::string& name) const;
    std::string column(const std::string& table, const std::string& column) const;
    bool hasSequence(const std::string& sequence) const { return sequences_.count(sequence) != 0; }

private:
    std::unordered_map<std::string, std::string> spelled_;  // lower case -> spelling ("" when ambiguous)
    std::unordered_map<std::string, std::string> tables_;
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> columns_;
    std::set<std::string> sequences_;
};

// The sequence that hands out the keys of a column.
std::string KeySequence(const std::string& table, const std::string& column);

// A single-quoted SQL text literal.
std::string QuoteLiteral(const std::string& text);

struct PgStatement {
    std::string sql;
    std::string error;        // French reason, when the statement cannot be written out
    bool refused = false;     // the error is a refusal (a rule), not a fault of the statement
    // INSERT with :NewID / :NewIDbis: the columns given back, in this order.
    std::string newIdColumn, newIdBisColumn;
    // SELECT: the statement limits its rows itself (LIMIT, OFFSET, FETCH) or
    // asks for locks (FOR ...), so that no LIMIT may be added after it.
    bool limitsItself = false;
    // SELECT: a LIKE looks for three or more typed characters, which its
    // trigram index finds; walking an ordered index while filtering could
    // read most of a table before it finds the first rows of the answer.
    bool searchesByTrigrams = false;

    bool ok() const { return error.empty(); }
};

// A statement of the client, translated by TranslateSql.
PgStatement RenderClientSql(const TranslatedSql& statement, const PgNames& names);

// The service's own SQL: "?" become $1, $2 ..., rowid the row's place in its table.
PgStatement RenderServiceSql(std::string_view sql, const PgNames& names);

}  // namespace stanor::dataservice
