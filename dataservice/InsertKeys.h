#pragma once
// Inserts that a client may send twice. A client that lost the answer of an
// insert cannot tell whether the row was stored; it sends the insert again
// with the same "InsertKey". The key is stored in the transaction of the
// first insert that commits, with the keys it was given, so that a repeated
// insert stores nothing and answers what the first one did.

#include "Database.h"

#include <optional>
#include <string>

namespace stanor::dataservice {

// A key as clients make them: 16 to 64 letters, digits and "-".
bool IsInsertKey(const std::string& key);

// Creates the table of keys when the database lacks it (a database made
// before keys existed).
void EnsureInsertKeys(Session& s);

// What the insert of that key stored, when one committed.
std::optional<Outcome> FindInsertKey(Session& s, const std::string& key);

// Records the key with the outcome of its insert, inside the insert's
// transaction. An empty text on success; the reason otherwise (a key
// recorded meanwhile by an insert that committed first).
std::string RememberInsertKey(Session& s, const std::string& key, const Outcome& done, const std::string& now);

}  // namespace stanor::dataservice
