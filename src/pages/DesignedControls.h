#pragma once
// The designed controls of the nine sheets: which control exists on which
// sheet, of which kind, with which fixed limit and designed state, and the
// building of them (with their caption labels) on the form's sheets.

#include <QHash>
#include <QString>

#include <vector>

class QLabel;
class QTabWidget;
class QWidget;

namespace stanor::pages {

enum class DesignedKind {
    Date,       // date picker
    ComboList,  // combo box, list only
    ComboEdit,  // combo box, editable
    Memo,
    Number,     // number edit
    Edit,
    ListBox,    // multi-select list box
    Grid,
    Button,     // flat command button
    Label,
    ListView,   // report-style list with columns
    Image,
    Panel,      // container (PanelCompta)
};

namespace Designed {
inline constexpr int Hidden = 1;
inline constexpr int Disabled = 2;
inline constexpr int ReadOnly = 4;
inline constexpr int OnPanel = 8;  // child of PanelCompta rather than of the sheet
inline constexpr int Beside = 16;  // a unit label at the end of the previous control's row
inline constexpr int Overlay = 32;  // shown over its neighbours when opened: takes no room
inline constexpr int Below = 64;    // a marker on a row of its own under the previous control, in line with it
inline constexpr int CaptionAbove = 128;  // the caption above the control, which then takes the column's width
}  // namespace Designed

struct DesignedControl {
    int sheet;  // 1..9
    const char* name;
    DesignedKind kind;
    int maxLength;        // 0 = no limit
    int flags;            // Designed::*
    const char* caption;  // label beside the control, or the control's own caption
    const char* group;    // the labelled group the control is laid out in
    int rows;             // height in layout rows
    const char* hint;
};

// The name of the desktop theme's picture of a command button of the sheets
// (nullptr when it has none).
const char* buttonPicture(const char* name);

// Every designed control of the sheets, sheet by sheet.
const std::vector<DesignedControl>& designedControls();
const DesignedControl* findDesigned(const QString& name);

// The controls built on a form, by name.
class DesignedSheets {
public:
    QWidget* control(const QString& name) const { return byName_.value(name); }
    template <class T>
    T* as(const QString& name) const { return qobject_cast<T*>(control(name)); }
    QWidget* panelCompta() const { return control(QStringLiteral("PanelCompta")); }
    const QHash<QString, QWidget*>& all() const { return byName_; }
    void add(const QString& name, QWidget* w) { byName_.insert(name, w); }

private:
    QHash<QString, QWidget*> byName_;
};

// Creates every designed control, by its name, on its sheet ("Sheet01" ..
// "Sheet09" of tabs) or on PanelCompta, laid out in labelled groups.
// A sheet that tabs lacks is reported through the returned list of faults
// and its controls are not built.
DesignedSheets buildDesignedControls(QTabWidget* tabs, QStringList* faults = nullptr);

// Places a control that applying a description created (no control was
// designed for its row) in the layout of its sheet, the way the designed ones
// are: its caption on the left, the control on the right (list boxes under
// their caption), in a group "Autres informations" at the foot of the
// shortest column, going on in the next column when one is full. False when
// the parent has no designed layout (the caller then keeps the row's own
// position).
bool placeCreatedControl(QWidget* sheet, QWidget* control, QLabel* caption, bool captionAbove = false,
                         int rows = 1);

// The caption label placed beside a designed control (nullptr when none).
// Applying a description may reuse it for the row's caption instead of
// creating a second label.
QLabel* designedCaption(const QWidget* control);

}  // namespace stanor::pages
