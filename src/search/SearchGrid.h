#pragma once
// What the search panel shows: which mode its buttons select, where its mode
// pairs stand for a vehicle or a customer record, and the rows, captions and
// sort settings of the result grid ngSearch read from an AxQuery answer.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace stanor::search {

// The five mode pairs (label and button) of the panel, in this order.
enum class ModePair { NVO, Immat, Client, Telephone, Mobile };
inline constexpr int kModePairCount = 5;

// The mode ("1" to "7") a search runs in, read from the chosen button:
// on a vehicle page 3 (TSNVO), else 1 (TSImmat), else 2; on a customer page
// 4 (TSImmat), else 5 (TSClient), else 6 (TSMobile), else 7.
QString ModeFromButtons(bool customerPage, const std::array<bool, kModePairCount>& chosen);

// The pair a remembered mode activates on that kind of page; none for a
// mode of the other kind or any other text.
std::optional<ModePair> PairOfMode(bool customerPage, const QString& mode);

// The pair chosen when nothing is remembered for that kind of page: a
// vehicle's registration, a customer's name.
ModePair DefaultPair(bool customerPage);

// Rows the panel shows at most; the search asks for one more, to know
// that more records match.
inline constexpr int kSearchRowsShown = 50;

// What the panel says of the rows found: how many, or that more match.
QString FoundText(int rows, bool more);

// The left position of each pair for the kind of page; 0 hides the pair.
std::array<int, kModePairCount> PairLefts(bool customerPage);

// Top of the panel under the search button: the button's top plus two
// thirds of its height, rounded to the nearest integer (ties to even).
int PanelTop(int buttonTop, int buttonHeight);

// Grid columns.
enum SearchColumn { ngsIndex, ngsImage, ngsInfo1, ngsInfo2, ngsInfo3, ngsInfo4, ngsInfo5, kSearchColumns };

// Images of the image column.
inline constexpr int kOtherSiteImage = 3;
inline constexpr int kOwnSiteImage = 4;

// Captions and sort settings of the grid in a mode. The rows come sorted
// by the searched column: the sort marker stands on that column.
struct SearchGridLayout {
    QStringList Captions;       // of columns 2 to 6
    bool Info2AsDates = false;  // column 3 sorts as dates (else alphabetically)
    int SortedColumn = ngsInfo1;
};
SearchGridLayout GridLayoutOf(int mode);

// One result row as the grid shows it.
struct SearchRow {
    QString Id;  // VO_ID: the record a click opens
    // A vehicle's record kind as its reference shows it, numbered as the run
    // parameter idTypeVO (1 VO, 2 VN, 3 VD); 0 for customers.
    int Kind = 0;
    int Image = kOtherSiteImage;
    std::array<QString, 5> Info;  // columns 2 to 6
};

// Whether a hit belongs to one of the user's sites ("#" for all).
bool IsOwnSite(const QString& userSite, const QString& site);

// The rows of an AxQuery answer (the "AXQuery" items of "AXQueryS"), in the
// answer's order, for a search in mode (1 to 7).
std::vector<SearchRow> ReadSearchRows(const QString& answer, int mode, const QString& userSite);

// The rows ordered by one grid column, keeping the order of equal cells;
// "dd/mm/yyyy" dates compare as dates when datesInInfo2 and the column is
// ngsInfo2, other texts without regard to case.
void SortSearchRows(std::vector<SearchRow>& rows, int column, bool ascending, bool datesInInfo2);

}  // namespace stanor::search
