#pragma once
// Where the lines of an editable sub-record grid come from: the tab
// descriptions of its columns (rows whose descInfo names the grid, such as
// "gFrev" or "gAct") and the elements of the record answer that hold one
// line each ("Frevo" under "FrevoS", "TAct" under "TActS").

#include "grids/LineStatement.h"
#include "pages/TabModel.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace stanor::grids {

struct LineColumnLook {
    QString caption;
    int width = 0;  // pixels
    bool hidden = false;
};

struct LineColumns {
    TsLine header;                                      // element 0 of the line table
    std::array<LineColumnLook, kLineCells + 1> looks;  // index k: column k (0 unused)
    // The first non-empty rights tag of the columns; the cost grid asks it
    // of a user who adds a line.
    QString addTag;
    int count = 0;  // columns described
};

// Reads, in their order, the first maxColumns rows whose descInfo is
// descInfo: the k-th describes column k (name, type, control, colour,
// not-null flag and default value). A tag is kept ";"-enclosed and
// upper-cased (empty without one); the width is in twips like every
// geometry of the descriptions, 20 pixels when it is no number, and 0 hides
// the column.
LineColumns describeLineColumns(const std::vector<pages::DescRow>& rows, const QString& descInfo, int maxColumns,
                                const pages::TraceFn& trace = {});

// The description rows ("axStruct" under "axStructS") of the descriptions
// answer whose descInfo is descInfo, in their order.
std::vector<pages::DescRow> gridDescRows(const QString& structAnswer, const QString& descInfo);

// One element of the record answer: child element -> text as answered.
using AnswerElement = QHash<QString, QString>;

// The items named item under the first list element of the answer, each
// with the children named in names that it holds; none when the answer
// has no such list.
std::vector<AnswerElement> answerElements(const QString& answer, const QString& list, const QString& item,
                                          const QStringList& names);

// The whole text of the first element named list in the answer, as the
// trace shows it; empty when there is none.
QString answerListText(const QString& answer, const QString& list);

}  // namespace stanor::grids
