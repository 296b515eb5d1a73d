#pragma once
// The wall between dealerships: which tables hold a dealership's records and
// how a row is known to be one of them. The client's statements reach only
// the rows of their user's dealership:
//  - SQLite (one dealership's file, in principle): each connection has, in
//    its temporary schema, one view per table below that keeps the rows of
//    the dealership it acts for, and the client's SELECTs read the views in
//    place of the tables (ScopedSelectText); the authorizer refuses any
//    other read of these tables.
//  - PostgreSQL (the group's database): row-level security on the tables
//    below, keyed on the user that the service names at the start of each
//    transaction of a client's statement (PgScopeSql), so that a statement
//    that fooled the translator still cannot cross dealerships.
// The service's own queries read the tables themselves; they check the
// dealership of what they answer in code.

#include "SqlDialect.h"

#include <string>
#include <vector>

namespace stanor::dataservice {

struct ScopedTable {
    const char* table;
    // The condition of a row of the dealership, in the service's SQL, with
    // "@D" for the dealership and "@T" for the table's own rows.
    const char* condition;
};

const std::vector<ScopedTable>& ScopedTables();

// Whether a table (any case) is one of ScopedTables.
bool IsScopedTable(const std::string& table);

// The name of the SQLite view that stands for a scoped table, and whether a
// name (any case) is one of these views.
std::string ScopedViewName(const std::string& table);
bool IsScopedView(const std::string& name);

// The SQLite function the views call for the dealership a connection acts for.
inline constexpr const char* kActingDealershipFunction = "stanor_acting_dealership";

// The SQLite statements that create the views, for the tables `present` (lower case).
std::vector<std::string> SqliteScopeViews(const std::vector<std::string>& present);

// The SQLite text of a client's SELECT with every scoped table read through its view.
std::string ScopedSelectText(const TranslatedSql& statement);

// The PostgreSQL statements that build the wall (run at import, as the
// owner) before the policies: the acting table and the functions, with
// "@SCHEMA@" for the quoted schema. `role` is the quoted service role.
std::string PgScopeSql(const std::string& role);

// The row-level security of one scoped table (run at import, as the owner).
std::string PgScopePolicy(const ScopedTable& table);

// The names of the functions that the service's role executes, with their arguments.
const std::vector<std::string>& PgScopeFunctions();

}  // namespace stanor::dataservice
