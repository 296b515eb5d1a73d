#pragma once
// What a write of the client must be, beyond one statement of its kind
// (SqlDialect.h), on both stores:
// - an INSERT gives its rows as VALUES lists: INSERT … SELECT, which the
//   client never builds, could copy whole tables in one request;
// - every value it writes is a plain value (a text, a number, a date, NULL,
//   True/False, or :NewID / :NewIDbis in an INSERT), as every statement the
//   client builds writes them, so that the service sees every text it stores
//   and can hold it to the length of its field;
// - an UPDATE or a DELETE names the rows it changes by a key: the row's own
//   key, or the key of the record its lines belong to, by equality with a
//   value or an IN list of values, in a condition that the rest of the WHERE
//   can only narrow (terms joined by AND). "WHERE 1=1", "WHERE 1" or
//   "idTVO=1 OR (SELECT 1 WHERE 1)" name no row.
// The one write of the client that names no key is the sweep of the cancelled
// new vehicles; the service limits it to the user's dealership.

#include "SqlDialect.h"

#include <string>
#include <vector>

namespace stanor::dataservice {

// A column an INSERT or UPDATE writes, with its plain value: a String (in
// single quotes), a Number (with its sign), a Date, a Param or the word NULL,
// TRUE or FALSE.
struct WrittenValue {
    std::string column;  // as the statement names it
    SqlToken value;
};

struct WriteShape {
    std::string table;                 // as the statement names it
    std::vector<WrittenValue> values;  // every row's values, for an INSERT of several rows
    std::string error;                 // French reason when the write is not of that shape

    bool ok() const { return error.empty(); }
};

// The table and values of an INSERT or UPDATE (a DELETE writes no value).
WriteShape ReadWriteShape(const TranslatedSql& statement);

// Why an UPDATE or DELETE does not name its rows by a key, or "".
std::string RowsNotNamed(const TranslatedSql& statement);

// Every rule above: the French refusal, or "".
std::string WriteRefusal(const TranslatedSql& statement);

// Whether the statement is the client's sweep of the cancelled new vehicles
// that no buyer took, which names no key.
bool IsCancelledVehicleSweep(const TranslatedSql& statement);

// That sweep limited to the vehicles of one dealership.
TranslatedSql CancelledVehicleSweepOf(const std::string& concession);

// The characters of a UTF-8 text (a byte that does not start one is counted as one).
size_t CharacterCount(const std::string& utf8);

}  // namespace stanor::dataservice
