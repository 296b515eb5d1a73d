#pragma once
// Small text helpers shared by the readers of answers: value decoding, the
// whole-file reader, the ";"-list token reader and phone-number grouping.

#include <QString>
#include <stdexcept>

namespace stanor::service {

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

// Reads a single-byte (Latin-1) text file line by line and returns the lines
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
