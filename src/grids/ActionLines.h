#pragma once
// The follow-up actions of a customer as the action grid shows them: its
// columns as the "gAct" descriptions give them, one line per action of the
// customer's answer (at most 99), what each cell shows of the value it
// stores (salespeople by name, list columns by their entry), the new action
// with the values remembered from the last one saved, and the values a saved
// line leaves to be remembered.

#include "grids/LineSources.h"
#include "grids/LineStatement.h"
#include "pages/RefLists.h"
#include "pages/TabModel.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

namespace stanor::grids {

inline constexpr int kActionMaxLines = 99;
inline constexpr int kActionColumns = 10;  // grid columns 1 to 10, cells 1 to 10 of a line

// Grid columns; 0 is the line's image.
enum ActionColumn {
    NxImage = 0,
    ColIdAction,
    ColDateAction,
    ColIdCom,
    ColTypeAction,
    ColSujetAction,
    ColCommentaireAction,
    ColDateRelance,
    ColIdComRelance,
    ColSujetRelance,
    ColPrioriteRelance,
};

// Image of a line: delete it, store it (a new action), or none (kept).
enum class ActionIcon { Delete = 0, New = 1, Kept = 2 };
inline const QString kActionDeleteHint = QStringLiteral("pour supprimer cette action");
inline const QString kActionNewHint = QStringLiteral("pour enregistrer cette nouvelle action");
// After the caption of a column an action cannot be stored without.
inline const QString kMandatoryMark = QStringLiteral(" *");

// The entries the list columns show and the salespeople by identifier.
struct ActionLists {
    QStringList types;       // "TypeAction"
    QStringList subjects;    // "SujetAction", also for the reminder's subject
    QStringList priorities;  // "PrioriteRelance"
    std::vector<pages::ListItem> salespeople;  // every "InfoCom": key idCom, text cNom

    const QStringList* listOf(int column) const;
};

// Whether the column stores a salesperson's identifier (idCom, idComRelance).
bool isSalespersonColumn(int column);
// Whether the column stores the 1-based position of an entry of its list.
bool isListColumn(int column);

// ngActionGetInfoCom: the name of the salesperson, "" when nobody has that identifier.
QString salespersonName(const ActionLists& lists, const QString& idCom);

// What a cell shows of its stored value. Salespeople show their name and
// list columns their entry when the value is at least 1; "0" or an empty
// value shows an empty cell. A position past the end of its list shows the
// number with "(hors liste)", so that a list shortened since does not make
// a stored value look empty; a value that is no number shows as it stands.
QString actionShownText(int column, const QString& value, const ActionLists& lists);

// The value a shown text stores: the salesperson's identifier, the 1-based
// position of the entry ("0" for a text in neither), the text itself in the
// other columns.
QString actionStoredValue(int column, const QString& text, const ActionLists& lists);

// The value a cell keeps after the user left text in it: nothing changes
// when the text is what the current value already shows (opening and
// closing an editor, a stored value shown "(hors liste)"), else the text's
// stored value.
QString actionEditedValue(int column, const QString& text, const QString& current, const ActionLists& lists);

struct ActionCellLook {
    // Drawn in the colour of inactive borders, without text and closed to
    // editing: the user lacks the column's rights (a column without rights
    // tag is held by nobody).
    bool empty = false;
    QString text;  // shown
};

struct ActionLineLook {
    ActionIcon icon = ActionIcon::Delete;
    QString hint;
    std::array<ActionCellLook, kActionColumns + 1> cells;  // index k: column k
};

struct ActionLoad {
    std::vector<TsLine> rows;          // element 0, then one per action
    std::vector<ActionLineLook> looks;  // one per grid row
    bool rightProfid = false;
    int skipped = 0;  // actions past the 99th, not shown
};

// Reads the first ten "gAct" rows: the k-th describes column k.
LineColumns describeActionColumns(const std::vector<pages::DescRow>& rows, const pages::TraceFn& trace = {});

// How a line shows for this user: each cell's text and state, and its image
// (delete for a user with ";PROFID;" or an action without comment, kept otherwise).
ActionLineLook actionLineLook(const TsLine& line, const pages::UserRights& rights, const ActionLists& lists);

// Fills the lines from the "TAct" elements: each cell holds the text
// answered (entities decoded, line breaks of the comment restored) as
// loaded and current value.
ActionLoad loadActionLines(const LineColumns& columns, const std::vector<AnswerElement>& elements,
                           const pages::UserRights& rights, const ActionLists& lists);

// "sAct" + column: the name of a remembered value.
QString rememberedName(int column);
// Whether the column's value is remembered (2 to 5 and 7 to 10).
bool isRememberedColumn(int column);
// Whether a remembered text can stand in the column: a date, a whole
// number or nothing, as the column stores it.
bool rememberedValueFits(int column, const QString& value);

// Whether an action may not be stored with the column empty: all but the
// identifier, the reminder's date and the reminder's subject (an action
// without reminder leaves them empty).
bool isMandatoryActionColumn(int column);

// A new action: each column starts from its default ("now" is today), the
// remembered columns take the value remembered for them (empty when none;
// a value that does not fit its column is refused and reported through
// refused), with these exceptions: the action is dated today, its
// salesperson and its reminder's salesperson are the customer's (aidCom),
// its priority is the first of the list, and a remembered reminder date
// before the server's date is left out (a reminder already past).
TsLine newActionLine(const LineColumns& columns, const std::function<QString(const QString& name)>& remembered,
                     const QString& customerSalesperson, const QDate& today, const QDate& serverNow,
                     const ActionLists& lists,
                     const std::function<void(int column, const QString& value)>& refused = {});

// The remembered values a stored line leaves: the changed cells among the
// remembered columns, by their names, in column order.
std::vector<std::pair<QString, QString>> valuesToRemember(const TsLine& line);

// The first line (1-based) other than except whose statement is pending
// and whose mandatory column is empty; 0 when none.
int lineMissingAColumn(const std::vector<TsLine>& rows, int except);

}  // namespace stanor::grids
