#pragma once
// The reconditioning-cost grid as loaded: its columns as the "gFrev"
// descriptions give them, one line per cost element of the vehicle's answer
// (at most 99), the new-line template, and how each cell is shown (greyed,
// editable) and which image each line carries.

#include "grids/LineSources.h"
#include "grids/LineStatement.h"
#include "pages/TabModel.h"
#include "rules/Costs.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <array>
#include <vector>

namespace stanor::grids {

inline constexpr int kFrevoMaxLines = 99;
inline constexpr int kFrevoColumns = 8;  // grid columns 1 to 8, cells 1 to 8 of a line

// Grid columns; 0 is the line's image.
enum FrevoColumn {
    IconColumn = 0,
    ColIdFrevo,
    ColDateFrevo,
    ColLibelleFrevo,
    ColNComptable,
    ColNomFournisseur,
    ColNFacture,
    ColTypeFrevo,
    ColMontantHT,
};

// Image of a line: delete it, add it (the template), or none (kept).
enum class FrevoIcon { Delete = 0, Template = 1, Kept = 2 };
inline const QString kFrevoDeleteHint = QStringLiteral("pour supprimer ce Frevo");
inline const QString kFrevoAddHint = QStringLiteral("pour ajouter un nouveau Frevo");
inline const QString kFrevoNewType = QStringLiteral("interne");

using FrevoColumnLook = LineColumnLook;
using FrevoColumns = LineColumns;  // addTag: the rights needed to add a line

// Reads, in their order, the first eight rows whose descInfo is "gFrev":
// the k-th describes column k (see describeLineColumns).
FrevoColumns describeFrevoColumns(const std::vector<pages::DescRow>& rows, const pages::TraceFn& trace = {});

struct FrevoCellLook {
    bool inactive = false;  // drawn in the colour of inactive borders
    bool enabled = true;    // the user may open an editor on it
};

struct FrevoLineLook {
    FrevoIcon icon = FrevoIcon::Delete;
    QString hint;
    std::array<FrevoCellLook, kFrevoColumns + 1> cells;  // index k: column k
};

// One "Frevo" element of the record answer: child element -> text as answered.
using FrevoElement = AnswerElement;

struct FrevoLoad {
    std::vector<TsLine> rows;         // element 0, one per line, then the template when the user may add
    std::vector<FrevoLineLook> looks;  // one per grid row
    bool rightCompta = false;
    bool hasTemplate = false;
    int skipped = 0;  // cost elements past the 99th, not shown
};

// The value a cell stores for what was loaded or typed: numbers without
// spaces, amounts (code 5) as "0.00" ("12,5" gives "12.50", a text that is
// no number "0.00"). Loaded texts are decoded from the answer's entities first.
QString frevoCellValue(int dataType, const QString& text);

// Whether column may be edited on a line. Only the date of the template may
// be changed before it is added; on other lines the cells follow the line's
// lock and NComptable the accounting right. A cell whose column rights the
// user lacks (it is greyed) is never editable.
bool frevoCellEnabled(int column, bool templateLine, bool locked, bool rightCompta, bool inactive);

// Fills the lines from the cost elements: values of type 4 and 5 lose their
// spaces, amounts are written "0.00", a line with an accounting number is
// locked for a user without the accounting right, and a line with an invoice
// number, or locked by its accounting number, may only be deleted by a user
// who holds that right. A user who holds the rights of
// addTag gets the template: today's date and "interne", nothing loaded.
FrevoLoad loadFrevoLines(const FrevoColumns& columns, const std::vector<FrevoElement>& elements,
                         const pages::UserRights& rights, const QDate& today);

// Whether a line is the template (its image is the add image).
inline bool isTemplate(const FrevoLineLook& look) { return look.icon == FrevoIcon::Template; }

// The current date, type and amount of lines 1 to the last, as the cost
// totals read them.
std::vector<rules::CostLine> costLinesOf(const std::vector<TsLine>& rows);

}  // namespace stanor::grids
