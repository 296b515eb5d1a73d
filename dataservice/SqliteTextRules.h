#pragma once
// The text rules of the SQLite store. Every text column of the application's
// tables is declared COLLATE NOCASE; on each connection NOCASE and the LIKE
// function are replaced by comparisons that ignore the case of every letter
// (TextFold), not only of A to Z. Indexes built under SQLite's own NOCASE are
// rebuilt once per database file, which its user_version then records.

#include <chrono>

struct sqlite3;

namespace stanor::dataservice {

// The deadline of the statement that runs on a connection, which a long LIKE
// respects (SQLite's progress handler cannot interrupt a function).
struct StatementDeadline {
    bool armed = false;
    std::chrono::steady_clock::time_point at{};
};

// Installs the collation and LIKE on a connection; `deadline` may be null.
void InstallTextRules(sqlite3* db, const StatementDeadline* deadline = nullptr);

// Rebuilds the indexes ordered by NOCASE when the file does not say that they
// follow these rules (a file made by an earlier service, or reset by a tool
// that wrote with SQLite's own NOCASE), then says so in the file. Returns
// whether it rebuilt. Throws std::runtime_error when the rebuild fails.
bool UpgradeTextIndexes(sqlite3* db);

// Records in a new file, whose indexes were built under these rules, that they follow them.
void MarkTextIndexes(sqlite3* db);

}  // namespace stanor::dataservice
