#pragma once
// Keyboard filters of the edits: numeric edits, phone numbers, registrations
// and upper-cased names.

#include <QChar>
#include <QString>

namespace stanor::rules {

inline constexpr QChar kBackspace = QChar(8);

// What becomes of a typed character.
struct KeyDecision {
    QChar key;          // the character that reaches the edit; null when refused
    bool beep = false;  // the system's warning sound is due
    bool accepted() const { return !key.isNull(); }
};

// Whole numbers: backspace, tab, carriage return, "+", "-" and the digits;
// anything else refused with the warning sound.
KeyDecision EditNumKeyPress(QChar key);

// Decimal numbers: every control character, "+", "-", the digits and one
// decimal separator; anything else refused with the warning sound. A second
// separator is refused unless the one already there is within the selection
// the key replaces. A "," or "." typed where the other is the separator is
// taken as the separator, as users type it on either keyboard.
KeyDecision EditRealKeyPress(const QString& text, QChar key, QChar decimalSeparator = u'.',
                             qsizetype selectionStart = 0, qsizetype selectionLength = 0);

// The filters of the customer and registration fields. They discard a key
// silently (a null character) or change it.
enum class KeyFilter {
    None,
    PhoneNumber,   // the digits and backspace
    Registration,  // letters A to Z (upper-cased), digits and backspace
    UpperCase,     // a to z upper-cased, everything else as typed
};

// The filter of a control, by its name.
KeyFilter keyFilterOf(const QString& control);

QChar filterKey(KeyFilter filter, QChar key);

// A pasted or dropped text filtered character by character, as if typed.
QString filterText(KeyFilter filter, const QString& text);

}  // namespace stanor::rules
