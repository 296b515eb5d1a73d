#pragma once
// A printable sheet as plain data (a header with the dealership, the record's
// identity and photo, then blocks of fields, tables, key figures and texts)
// and its drawing into an A4 PDF with cairo and pango. The sheets of each
// record kind are composed in ReportSheets; this file only lays them out.

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace stanor::dataservice::sheets {

// "Label : value" in a grid of columns; a wide field takes a whole row.
struct Field {
    std::string label;
    std::string value;
    bool wide = false;
};

struct FieldGroup {
    std::string title;
    std::vector<Field> fields;  // fields with an empty value are left out
    int columns = 2;
};

enum class Align { Left, Right };

struct Column {
    std::string header;
    double weight = 1;  // share of the width
    Align align = Align::Left;
};

// Lines under a header row; `totals` lines are set in bold under a rule.
// A table without lines shows `whenEmpty`.
struct Table {
    std::string title;
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::vector<std::string>> totals;
    std::string whenEmpty;
};

// Key figures shown as tiles side by side (the price, the margins); a strong
// figure is set on the accent colour.
struct Figure {
    std::string label;
    std::string value;
    bool strong = false;
};

struct Figures {
    std::string title;
    std::vector<Figure> items;
    std::string note;
};

// A free text under its title (comments, observations).
struct Paragraph {
    std::string title;
    std::string text;
};

using Block = std::variant<FieldGroup, Table, Figures, Paragraph>;

struct Sheet {
    std::string documentTitle;        // the report name, kept in the PDF's properties
    std::string kind;                 // "Véhicule d'occasion"
    std::string title;                // "Fiche commerciale"
    std::vector<std::string> issuer;  // dealership and site lines, top right
    std::string printed;              // "Édité le 09/12/2026"
    std::string heading;              // "RENAULT CLIO"
    std::string subheading;           // the version, or the customer's town
    std::vector<std::string> badges;  // "N° VO 1201", "AB123CD"
    std::string banner;               // a warning across the page (cancelled order)
    std::string photoJpeg;            // the default photo, JPEG bytes; empty when none
    bool largePhoto = false;          // the photo across the page instead of beside the heading
    std::vector<Block> blocks;
    std::string footer;               // bottom left of every page
};

// What drawing one sheet may take: the time, and the pixels of its photo (a
// larger photo leaves the sheet without one).
struct RenderLimits {
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    uint64_t photoPixels = 50'000'000;
};

// Raised when drawing a sheet goes past its deadline.
struct SheetTooLong : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The sheet as a PDF document (A4, fonts embedded). Every text is drawn whole
// up to a length that the page can show (a paragraph some pages, a field or a
// cell a few lines), and cut with "…" beyond, so that the cost of a sheet grows
// with its number of lines and never with the square of a text's length; the
// photo is drawn and embedded as a reduced copy. Throws SheetTooLong past the
// deadline, std::runtime_error when drawing fails.
std::string RenderPdf(const Sheet& sheet, const RenderLimits& limits = {});

// A text cut to at most `characters` characters and `lines` lines, ending
// with "…" when it was cut.
std::string CutText(const std::string& utf8, size_t characters, size_t lines);

}  // namespace stanor::dataservice::sheets
