#pragma once
// How a list of photos compares two of its lines on one column, by the
// column's type: text, whole number, decimal number, date, time, or date and
// time. A text that does not convert to its column's type is compared as text.

#include <QDateTime>
#include <QString>

#include <optional>

namespace stanor::photos {

// The codes the lists give their columns; a missing or other code means text.
enum class ColumnType { Text = 0, Integer = 1, Decimal = 2, Date = 3, Time = 4, DateTime = 5 };
ColumnType columnTypeOf(int code);

// "dd/mm/yyyy" or "dd/mm/yy", optionally followed by a blank and "hh:mm" or
// "hh:mm:ss"; a two-digit year falls within the 100 years from `thisYear` - 50.
// Nothing when the text is no such date.
std::optional<QDateTime> parseShownDateTime(const QString& text, int thisYear);
std::optional<QDate> parseShownDate(const QString& text, int thisYear);
// "hh:mm" or "hh:mm:ss".
std::optional<QTime> parseShownTime(const QString& text);

// Negative, zero or positive as `a` sorts before, with or after `b` in
// ascending order.
int compareAs(ColumnType type, const QString& a, const QString& b, int thisYear);

}  // namespace stanor::photos
