#pragma once
// The in-memory tab description: one TsPage per page (0 to 9), one TsDesc per
// field row, the user's rights and the date options of the record shown.
// Plain data over QtCore only; the widget layer fills the control references.

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

class QWidget;

namespace stanor::pages {

// Receives one line for every fault met while reading descriptions (trace log).
using TraceFn = std::function<void(const QString&)>;

inline constexpr int kPageCount = 10;
// Field rows with an "idNum" of this or more sit on the accounting panel.
inline constexpr int kPanelComptaIdNum = 1000;
// The customer-vehicle page.
inline constexpr int kVehiclePage = 8;

// "tControl" codes.
namespace ControlType {
inline constexpr int Button = 104;
inline constexpr int Edit = 109;
inline constexpr int ListBox = 110;
inline constexpr int ComboText = 111;   // value = the item's text
inline constexpr int ComboIndex = 112;  // value = the item's position
inline constexpr int LabelAbove = 120;  // designed control with its caption above, no value
}  // namespace ControlType

// "tInfo" codes.
namespace DataType {
inline constexpr int Untyped = 0;
inline constexpr int Date = 1;
inline constexpr int Text = 2;
inline constexpr int Boolean = 3;
inline constexpr int Integer = 4;
inline constexpr int Decimal = 5;
}  // namespace DataType

// "enabled" codes.
namespace Visibility {
inline constexpr int Visible = 0;
inline constexpr int VisibleToo = 1;
inline constexpr int WithRights = 2;
inline constexpr int Hidden = 3;
}  // namespace Visibility

// The seventeen child elements of an "axStruct" row, in answer order.
extern const QStringList kDescRowElements;

// One "axStruct" row as read from the structure answer: element name -> text.
// An element the row did not carry is absent (not the previous row's text).
struct DescRow {
    QHash<QString, QString> elements;

    bool has(const QString& name) const { return elements.contains(name); }
    QString text(const QString& name) const { return elements.value(name); }
    void set(const QString& name, const QString& value) { elements.insert(name, value); }

    // The element as a decimal integer; a missing or non-numeric text gives the
    // element's default (20 for width, left, top, height; 0 otherwise) and a trace line.
    int number(const QString& name, const TraceFn& trace = {}) const;
    // The names of the seventeen elements the row lacks.
    QStringList missing() const;
};

// Builds a row from a lookup that answers whether the current item holds a
// child element and its text (the tag scanner's item, for instance).
DescRow readDescRow(const std::function<bool(const QString& name, QString& value)>& lookup);

// Twips to pixels: divided by 15 and rounded to the nearest, halves to even.
int twipsToPixels(int twips);

// "&amp;", "&lt;", "&gt;" decoded (in that order); with withCr also "&cr;" -> CR LF.
QString decodeEntities(const QString& text, bool withCr);

// The control tag of row index of page: (page - 1) * 10000 + index, and back.
int controlTag(int page, int index);
int tagPage(int tag);
int tagIndex(int tag);

// Visible under an "enabled" code for a user with or without the field's rights.
bool visibleFor(int enabledCode, bool rights);

// Where a field row's control lives.
enum class FieldHost { Sheet, PanelCompta, None };
// Page 0 has no tab sheet: its rows below 1000 get no control (they are kept
// in Fields, loaded and saved like a field of width 0).
FieldHost fieldHost(int page, int idNum);

struct TsDesc {
    int ControlType = 0;
    int DataType = 0;
    QString FieldName;
    QString ValueElement;
    QString DefaultValue;
    QString LoadedValue;
    QString CurrentValue;
    QString ListKeys;
    QString Caption;
    QString ListTable;
    QString ListName;
    QString ListKey;
    QString RightsTags;
    qint32 BackColor = 0;
    qint32 FontColor = 0;
    int Width = 0;
    bool ByIndex = false;
    bool NotNull = false;
    QWidget* Control = nullptr;
    QWidget* ComboBox = nullptr;
    bool FirstItemBlank = false;
    QWidget* ListBox = nullptr;
    QWidget* Button = nullptr;
    QWidget* Label = nullptr;

    // Read from the row and kept for placing created controls and captions.
    int IdNum = 0;
    int Left = 0;     // pixels
    int Top = 0;      // pixels, already lowered by the 35-pixel offset
    int Height = 18;  // pixels, at least 18
    int Length = 0;   // maximum characters, 0 = no limit
    int Enabled = 0;  // visibility code
    bool Visible = true;  // visibility computed when the row was read
    bool Rights = false;  // rights held when the row was read

    // The record element that holds the value.
    QString valueElementName() const { return ValueElement.isEmpty() ? FieldName : ValueElement; }
    // An editable reference list ("fieldInfo" beginning with "LIST").
    bool isEditableList() const { return ListName != ListTable; }
};

struct TsPage {
    QString PageKey;
    QString PageTag;
    QWidget* Sheet = nullptr;
    std::vector<TsDesc> Fields;
    QString PendingStatement;
    QString NamePrefix;
    bool Described = false;
    bool Filled = false;
    bool GridLoaded = false;
};

using Pages = std::array<TsPage, kPageCount>;

// The page row of one page of one record kind.
struct PageRow {
    QString KindSuffix;  // "descInfo"
    QString IdNum;       // "idNum" as text (matched as text against the page number)
    QString Caption;     // "txtInfo", decoded
    QString PageKey;     // "vInfo"
    QString PageTag;     // "tag"
    QString NamePrefix;  // "defval"
};
PageRow readPageRow(const DescRow& row);
// Whether the row is the page row of page for the kind.
bool isPageRowFor(const PageRow& row, const QString& kindSuffix, int page);
// Copies a page row into its page and marks it described.
void describePage(TsPage& page, const PageRow& row);

// Derives ListTable, ListName and ListKey from the field name and "fieldInfo".
void applyFieldInfo(TsDesc& d, const QString& fieldInfo);

// Reads a field row into d (growing nothing; see fieldAt). rights is the
// result of the rights test on the row's tags, computed by the caller from
// RightsTags (use rightsTagsOf); value derivation is left to deriveValue.
void readFieldRow(TsDesc& d, const DescRow& row, bool rights, const TraceFn& trace = {});
// ";" + upper-cased tag + ";".
QString rightsTagsOf(const QString& tag);
// The entry at index, lengthening Fields with empty entries as needed.
TsDesc& fieldAt(TsPage& page, int index);

// What the value of a field is derived from.
struct ValueSource {
    bool useDefault = false;  // new record, or new customer vehicle on page 8
    QString elementText;      // text of the record element (when !useDefault)
    QDate today;              // the date that "now" stands for
};
// The value of a field: default or record text, decoded for text edits,
// "now" as today's date, spaces removed and "0.00" for numbers.
QString deriveValue(const TsDesc& d, const ValueSource& source);
// Derives the value and sets LoadedValue (empty when useDefault) and CurrentValue.
void loadValue(TsDesc& d, const ValueSource& source);
// Whether a new record (or a new customer vehicle on page 8) takes defaults.
bool takesDefaults(int page, bool flagNewEnreg, bool newVehicle);

// A decimal written with the pattern "0.00"; a text that is no number gives "0.00".
QString formatDecimal(const QString& text);

// The user's groups and the rights flags of the record shown.
class UserRights {
public:
    // A "GName" text as a group name: upper-cased, every "USER_" removed.
    static QString groupName(const QString& gname);
    // "#" allows every site; else the record's site must occur in the user's
    // sites (an empty site occurs nowhere); a new record is always allowed.
    static bool siteAllowed(const QString& userSite, const QString& recordSite, bool newRecord);

    void setGroups(const QStringList& gnames);  // the "GName" texts, in answer order
    const QStringList& groups() const { return groups_; }

    // Whether the user holds the rights of tags, a list of ";"-enclosed groups.
    bool GetDataRights(const QString& tags) const;
    // SiteAllowed first, then RightCompta, RightProfid and RightSuperAdmin.
    void computeFlags(const QString& userSite, const QString& recordSite, bool flagNewEnreg);

    bool SiteAllowed = false;
    bool FlagNewEnreg = false;
    bool RightCompta = false;
    bool RightProfid = false;
    bool RightSuperAdmin = false;

private:
    QStringList groups_;
};

// The earliest dates allowed in the record, the cost grid and the action
// grid, and the server's date; a null date means no limit.
struct DateOptions {
    QDate LimiteDateDeb;
    QDate LimiteDateDebFrevo;
    QDate LimiteDateDebProFid;
    QDate LimiteDateFin;
    QDate ServerNow;

    // Reads the "OptDates" texts (empty text = keep); does nothing once
    // LimiteDateDeb is set. A text that is no date clears the four limits;
    // a lower limit later than the server's date clears them too.
    void read(const QString& deb, const QString& debFrevo, const QString& debProFid,
              const QString& now, const TraceFn& trace = {});
    void clearLimits();
};

// "dd/mm/yyyy" to a date; invalid when the text is no date.
QDate parseDate(const QString& text);
QString formatDate(const QDate& date);

// The CurrentValue of the last field of page named name; value is left as it
// was when none matches (or page is out of range).
void GetValue(const Pages& pages, int page, const QString& name, QString& value);

}  // namespace stanor::pages
