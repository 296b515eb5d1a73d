#pragma once
// A PostgreSQL database made for the service, from an SQLite database: the
// same tables and columns (INTEGER -> bigint, DATE -> date, DATETIME ->
// timestamp, DECIMAL -> numeric, BOOLEAN -> boolean, texts compared without
// regard to case under the collation "nocase"), their rows, indexes and the
// deletions that cascade; a sequence for each key, started after the highest
// key ever handed out (the file's own record included); trigram indexes for
// the columns that the client searches by a part of their text; and the
// rights of the service's role: the application's tables, their sequences,
// and the functions that read one user's, one dealership's rows of the
// reserved tables (users, groups, date options, tab descriptions) or record a
// text message. Run as the database's owner; the service then connects as its
// role, which can reach nothing else.

#include "Limits.h"

#include <functional>
#include <string>

namespace stanor::dataservice {

struct PgCopyOptions {
    std::string serviceRole = "stanor_service";   // the role that the service connects as
    std::function<void(const std::string&)> say;  // progress, one French line at a time
};

// Copies every table of an SQLite database, with its keys and photo links,
// into an empty PostgreSQL database, in one transaction: a failure leaves the
// database empty. Throws std::runtime_error with a French reason.
void ImportSqliteIntoPg(const std::string& sqlitePath, const std::string& conninfo, const PgCopyOptions& options);

// The demo database, built from the demo folder, into an empty PostgreSQL database.
void CreatePgDemoDatabase(const std::string& conninfo, const std::string& demoDir, const PgCopyOptions& options);

// The second wall of a database, should a statement ever slip past the
// service's checks: the functions of the server that the application never
// calls and that could stall it, reach other sessions, change the session's
// time limits or leave the application's tables (pg_sleep, set_config,
// pg_terminate_backend, large objects, query_to_xml, dblink, files...) are
// withdrawn from every role but the superusers, the catalogue from every role
// but the owner (except the few tables the service reads), and the service's
// role gets its time limits as its defaults in this database. Run as a
// superuser, connected to the application's database; the service refuses to
// start on a database without it. Throws std::runtime_error with a French reason.
void SecurePgDatabase(const std::string& conninfo, const std::string& serviceRole, const ServiceLimits& limits,
                      const std::function<void(const std::string&)>& say);

// Replaces the tab descriptions of a PostgreSQL database by those of `tsvPath`.
void LoadPgTabDescriptions(const std::string& conninfo, const std::string& tsvPath);

}  // namespace stanor::dataservice
