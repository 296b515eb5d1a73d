#pragma once
// The photo page's settings file "TAxStanor.ini" in the trace folder: a plain
// INI text ("[Section]" lines, then "Key=Value" lines), read and written one
// value at a time. Writing one value keeps every other line of the file as it
// was (other sections, other keys, comments); values are written as they are,
// without quotes or escapes, in UTF-8.

#include <QString>

namespace stanor::photos {

// The settings file of the main form in the trace folder.
QString PhotoSettingsFile(const QString& traceDir);

// The value, or `fallback` when the file, the section or the key is missing.
// Section and key names are compared without regard to case.
QString IniRead(const QString& file, const QString& section, const QString& key, const QString& fallback = {});

// Sets the value (adding the section or the key when missing) and replaces
// the file whole. False when the file could not be written (the value is then
// simply not kept). A value cannot hold a line break: it is cut there.
bool IniWrite(const QString& file, const QString& section, const QString& key, const QString& value);

}  // namespace stanor::photos
