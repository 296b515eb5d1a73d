#pragma once
// The literal forms of values in the client's statements: dates, texts,
// numbers and NULL. A statement travels inside the query string of a GET
// request, so every text that goes into it is written in a form that the
// query string carries unchanged.

#include "pages/TabModel.h"

#include <QString>

namespace stanor::records {

// "%" first (so that the escapes below survive), then the double quote,
// "&", "<", ">", "+" and "?" written as percent escapes: the characters that
// a query string would otherwise cut, turn into a blank or take as the
// start of the query.
QString EscapeQueryText(const QString& text);

// A text with every single quote doubled, for a literal between quotes.
QString DoubleQuotes(const QString& text);

// The quoted text literal: blanks and control characters trimmed at both
// ends, the query-string escapes above, quotes doubled, line breaks written
// %0D%0A (a lone CR or LF as %0D or %0A), enclosed in single quotes.
QString SqlQuote(const QString& text);

// The date literal "#mm/dd/yyyy#" of a "dd/mm/yyyy" text; "NULL" when the
// text is no date (the empty mask "__/__/____" included) or is day 0,
// 30/12/1899.
QString SqlDate(const QString& text);

// The number literal: blanks removed (thousands separators and the ends),
// every "," written ".". No check that it is a number (see SqlValue).
QString SqlNumber(const QString& text);

// Data type codes of field descriptions and grid cells.
namespace SqlType = pages::DataType;

// A value's SQL form, or why it cannot be written.
struct SqlLiteral {
    QString sql;      // the literal; empty when refused
    QString refusal;  // French reason ("n'est pas un nombre") when refused

    bool ok() const { return refusal.isEmpty(); }
};

// The SQL form of a value by its data type:
// - an empty value, of any type, is NULL; so are a number that is only
//   blanks and the empty date mask;
// - 1 date: SqlDate; 2 text: SqlQuote; 5 decimal: SqlNumber; 4 integer: the
//   digits as typed, blanks removed; 3 yes/no: True, False or a whole number;
//   any other type: a plain number as it stands, any other text quoted;
// - refused: a date that cannot be read (it would be written NULL in place
//   of what was typed), a decimal, integer or yes/no that is not one (it
//   would break the statement or store something else than was typed), and
//   a text holding a character that the system's code page (Windows-1252)
//   cannot hold (the request would carry a "?" in its place).
SqlLiteral SqlValue(int dataType, const QString& text);

// Whether the text is a (signed) whole number, and a decimal number with
// "." (as SqlNumber leaves it).
bool IsSqlInteger(const QString& text);
bool IsSqlDecimal(const QString& text);

// A table name as written in statements: in brackets when it holds a space
// (and is not bracketed already).
QString SqlTableName(const QString& table);

// Whether an identifier taken from an answer or a setting may be written
// into a statement as it stands: one or more digits "0" to "9", nothing else.
bool IsIdentifier(const QString& text);

}  // namespace stanor::records
