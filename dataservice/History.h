#pragma once
// The record of every change the service stores: for each row an INSERT,
// UPDATE or DELETE of the client touches, one history row per column it
// gives, changes or takes away, with the time, the signed-in user, the table,
// the row's key, the record the row belongs to (a cost line and a photo link
// to their vehicle, an action and a customer vehicle to their customer), the
// old and the new value. It is written in the write's own transaction, so
// that a change and its record are stored together or not at all; no
// statement of the client reaches the history table.
//
// An update whose conditions on the values it replaces no longer hold (a
// colleague changed them meanwhile) changes no row; the service then answers
// the stored values with who changed them last and when (ConflictOf).

#include "SqlDialect.h"
#include "Store.h"

#include <string>
#include <vector>

namespace stanor::dataservice {

struct HistoryEntry {
    std::string when;         // UTC "yyyy-mm-dd hh:mm:ss"
    std::string userId;
    std::string table;        // the table as the schema spells it
    std::string key;          // the row's key ("" for a reference list's row)
    std::string recordTable;  // tVehicles or tClients ("" for a reference list)
    std::string recordKey;    // idTVO of the vehicle, idClient of the customer
    std::string column;
    std::string oldValue;     // wire form; "" for an insert
    std::string newValue;     // wire form; "" for a delete
};

// A table the client writes, with the column that names one of its rows and
// the record its rows belong to.
struct RecordTable {
    const char* table;        // as the schema spells it
    const char* key;          // "" for a reference list
    const char* owner;        // the column that names the record ("" when the row is the record)
    const char* recordTable;  // the record's table ("" for a reference list)
};

// The description of a table the client writes (any case), or null.
const RecordTable* FindRecordTable(const std::string& table);

// What a write names: its table, the columns an UPDATE sets, its WHERE and
// the first term of that WHERE when it is "key = value".
struct WriteTarget {
    std::string table;                // unquoted, as the statement names it
    std::vector<std::string> setColumns;
    std::vector<SqlToken> where;      // the tokens after WHERE
    std::string termColumn, termValue;
    bool termNarrowed = false;        // the rest of the WHERE only narrows that term

    bool ok() const { return !table.empty(); }
};
WriteTarget ReadWriteTarget(const TranslatedSql& statement);

// The rows an UPDATE or DELETE names: "SELECT * FROM table WHERE ..." with
// the statement's own conditions, for both engines.
TranslatedSql RowsNamedBy(const WriteTarget& target);

// The history rows of one write, made from the rows read before it runs and
// after: every column an insert gives (but empty ones), every column an
// update changes, every column a delete takes away (but empty ones).
std::vector<HistoryEntry> Differences(const ResultSet& before, const ResultSet& after, const RecordTable& table,
                                      const std::string& userId, const std::string& when);

// Records one client write: `before` reads, inside the write's transaction and
// before it runs, the rows it names; `after` reads them again (or the row an
// insert made) and stores the differences. Both answer "" or a French reason
// that rolls the write back.
class ChangeRecorder {
public:
    ChangeRecorder(const TranslatedSql& write, std::string userId, std::string when);
    std::string before(Session& s);
    std::string after(Session& s, const Outcome& done);

private:
    const TranslatedSql& write_;
    WriteTarget target_;
    const RecordTable* table_ = nullptr;
    std::string userId_, when_;
    ResultSet before_;
};

// What an update that changed nothing meets: the record gone, or the stored
// value of each column it sets with the last change of that column.
struct ConflictField {
    std::string column, value, userId, userName, when;
};
struct Conflict {
    bool found = false;    // the update names its row by key, so the row could be looked for
    bool deleted = false;  // no row of that key any more
    std::vector<ConflictField> fields;
};
Conflict ConflictOf(Session& s, const TranslatedSql& update);

// "yyyy-mm-dd hh:mm:ss" (UTC) as "yyyy-mm-ddThh:mm:ssZ".
std::string IsoUtc(const std::string& when);

}  // namespace stanor::dataservice
