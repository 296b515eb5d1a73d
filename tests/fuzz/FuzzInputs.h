#pragma once
// What users type into the fields of a randomized session, by the field's
// data type: good values, French typography, characters the code page cannot
// hold, numbers and dates as people write them and as they mistype them, and
// texts shaped like statements. And the one comparison of a shown text with
// a stored one.

#include <QString>
#include <random>

namespace fuzz {

// Any text a user might type into a field of that data type.
QString Input(int dataType, std::mt19937_64& rng);
// A text the field takes (for the mandatory fields of a new record).
QString ValidInput(int dataType, std::mt19937_64& rng);
// The text on one line, control characters shown by their code.
QString printable(const QString& text);
// Whether the text shown in a field of that data type is the stored text
// (numbers as amounts, the empty date mask and no date alike); a list of
// codes shows the stored code with its text.
bool same(int dataType, const QString& shown, const QString& stored, bool list = false);

}  // namespace fuzz
