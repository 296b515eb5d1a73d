#pragma once
// Values as the pages show them and as users type them: dates "dd/mm/yyyy",
// amounts with "." and two decimals. Amounts are kept in whole cents so that
// sums of amounts never leave a residue.

#include <QDate>
#include <QString>

#include <optional>

namespace stanor::rules {

// An amount in hundredths of the currency unit.
using Cents = qint64;

// True for a date text that holds no date at all: empty, blank, or the date
// picker's empty mask "__/__/____".
bool isBlankDate(const QString& text);

// Reads "dd/mm/yyyy" (day and month of one or two digits, a four-digit year,
// surrounding spaces ignored); invalid for a blank text or anything else.
QDate readDate(const QString& text);

// "dd/mm/yyyy", or "" for an invalid date.
QString showDate(const QDate& date);

// Reads an amount as shown ("1234.50") or as typed ("12,5", "1 234,50",
// "-3"), rounded to the cent, halves away from zero. When both "." and ","
// occur, the last one is the decimal mark and the other groups thousands; a
// mark repeated alone groups thousands too. Nothing for a blank text, a text
// that is no number, or more than 13 digits before the mark.
std::optional<Cents> readAmount(const QString& text);

// readAmount, 0 when unreadable.
Cents amountOrZero(const QString& text);

// "0.00" form with "."; zero is "0.00", never "-0.00".
QString showAmount(Cents cents);

// showAmount, or "" when the amount is zero.
QString showAmountOrEmpty(Cents cents);

// An amount as French users read it: "1 500,00 €" (thousands apart, decimal
// comma, the euro sign after a no-break space).
QString showMoney(Cents cents);

// num / den rounded to the nearest whole number, halves away from zero;
// den must be positive.
qint64 divideRounded(qint64 num, qint64 den);

}  // namespace stanor::rules
