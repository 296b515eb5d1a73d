#pragma once
// Text conversions at the edges of the data service: the raw query string of a
// request, the character sets (the database keeps UTF-8; the workstations'
// text is their ANSI code page, Windows-1252, in the requests and in the
// answers, which are declared ISO-8859-1 as the workstations have always read
// them) and the date forms (ISO in the database, dd/mm/yyyy on the wire).

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace stanor::dataservice {

// Parameters of a request, by name (names compared exactly).
struct QueryParams {
    std::map<std::string, std::string> values;
    std::string error;  // non-empty when the query string could not be read

    bool has(const std::string& name) const { return values.count(name) != 0; }
    std::string get(const std::string& name) const;
};

// Splits a raw query string (the part after the first "?") into parameters.
// Percent escapes are decoded once; "+" stays a plus sign (the client sends it
// as typed); a "%" that does not start an escape and a "?" are kept as they
// stand, so texts holding them survive. Refused, with a French reason in
// `error`: a part without "=", a parameter given twice, an escaped NUL or
// control character, text that is neither UTF-8 nor Windows-1252, and a
// character that Windows-1252 cannot hold (the answers could not give it back).
// Values come back as UTF-8.
QueryParams ParseQuery(std::string_view query);

// Decodes percent escapes (no "+" conversion); malformed escapes stay as text.
std::string PercentDecode(std::string_view text);

// Bytes that are valid UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes to UTF-8 ("€" is 0x80, "œ" 0x9C, "’" 0x92). Returns
// nothing when the text holds control characters other than TAB, CR and LF,
// or one of the five bytes the code page leaves undefined.
std::optional<std::string> AnsiToUtf8(std::string_view bytes);

// Client text (UTF-8 when valid, else Windows-1252) to UTF-8; nothing when invalid.
std::optional<std::string> ClientTextToUtf8(std::string_view bytes);

// The first character of a UTF-8 text that Windows-1252 cannot hold ("ā",
// "€" is held), or nothing when every character fits.
std::optional<std::string> CharacterBeyondAnsi(std::string_view utf8);

// Client text to UTF-8 as ClientTextToUtf8 does, refused with a French reason
// naming `what` when it is invalid or holds a character beyond Windows-1252.
struct ClientText {
    std::string utf8;
    std::string error;
    bool ok() const { return error.empty(); }
};
ClientText ReadClientText(std::string_view bytes, const std::string& what);

// UTF-8 to Windows-1252; a character the code page cannot hold becomes "?"
// (only texts stored before such characters were refused can hold them).
std::string Utf8ToAnsi(std::string_view utf8);

// "yyyy-mm-dd" or "yyyy-mm-dd hh:mm[:ss]" to "dd/mm/yyyy" or "dd/mm/yyyy hh:mm:ss";
// any other text is returned unchanged.
std::string IsoToFrenchDate(const std::string& iso);

// A calendar date is valid (1 <= month <= 12, day within the month, leap years).
bool IsValidDate(int year, int month, int day);

}  // namespace stanor::dataservice
