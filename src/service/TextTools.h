#pragma once
// Small text helpers shared by the readers of answers: the system's
// single-byte text, value decoding, the whole-file reader, the ";"-list token
// reader and phone-number grouping.

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace stanor::service {

// The system's single-byte text: the ANSI code page of the workstations,
// Western European (Windows-1252). Besides the letters of ISO-8859-1 it holds,
// in the bytes 0x80 to 0x9F, "€", "œ", "Œ", "’", "“", "”", "…", "–" and a few
// more; answers declared ISO-8859-1 are read with it, as the workstations
// always did. The five bytes the code page leaves undefined read as the C1
// control of the same number.
QString FromAnsi(const QByteArray& bytes);
// The bytes of a text; a character the code page cannot hold becomes "?".
QByteArray ToAnsi(const QString& text);
// Whether the code page holds the character (C1 controls excepted).
bool IsAnsi(QChar c);
// The first character of the text the code page cannot hold (two UTF-16
// units for a character beyond the first plane), or "" when it holds all.
QString FirstBeyondAnsi(const QString& text);
// How such a character is named to the user: « ā » (U+0101); a control
// character by its code alone.
QString CharacterName(const QString& character);

// Whether "&cr;" is turned into a line break. Tab descriptions and grid
// combo-box columns decode it; plain combo-box lists, id lookups and list
// boxes keep it as it stands.
enum class CrDecoding { Decode, Keep };

// Replaces, in this order and each for all occurrences, "&amp;" by "&",
// "&lt;" by "<", "&gt;" by ">" and (unless kept) "&cr;" by CR LF. Because
// "&amp;" goes first, a text escaped twice decodes all the way.
QString DecodeXmlText(const QString& text, CrDecoding cr = CrDecoding::Decode);

// Raised when a text file cannot be opened or read.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a single-byte (Windows-1252) text file line by line and returns the lines
// joined, each followed by CR LF (the last one too). Lines end at CR LF, LF
// or a lone CR. Throws FileError when the file cannot be read.
QString LoadTextFile(const QString& fileName);

// Field number `index` (from 1) of `text` + ";" taken as a ";"-separated
// list; "" for an index of 0, a negative index or one past the last field.
QString GetToken(const QString& text, int index);

// Groups a phone number into pairs separated by "." (a first group of three
// when the length is odd). A group that is not a non-negative number makes
// the result the input unchanged; a text of one character gives "".
QString FormatPhoneNumber(const QString& digits);

}  // namespace stanor::service
