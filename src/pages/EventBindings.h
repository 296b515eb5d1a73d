#pragma once
// The event bindings of the designed controls, in one table: which event of
// which control runs which of the form's handlers. Handlers are looked up by
// name in a registry, so that each subsystem installs its own; a handler not
// installed yet falls back to the generic field event of its control.

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

class QWidget;
class QChar;

namespace stanor::pages {

class DesignedSheets;

enum class EventKind {
    Change, Enter, Exit, Click, DblClick, KeyDown, KeyUp, KeyPress,
    EditAccept, BeforeSelect, SelectCell, CellClick, CellChange, SelectItem,
};

struct EventBinding {
    const char* control;
    EventKind event;
    const char* handler;
};

// Every binding of the designed controls.
const std::vector<EventBinding>& eventBindings();

// What a handler receives; the fields that the event does not carry stay unset.
struct EventArgs {
    QWidget* sender = nullptr;
    EventKind event = EventKind::Change;
    int* key = nullptr;          // key events: the virtual-key code, may be set to 0
    int shift = 0;               // key events: Qt keyboard modifiers
    QChar* keyChar = nullptr;    // key press: the typed character, may be set to null
    int row = -1, col = -1;      // grid events
    QString value;               // grid edit accept: the accepted text
    bool* allow = nullptr;       // grid before-select / edit accept: clear to refuse the move / the value
};

using Handler = std::function<void(EventArgs&)>;

class PageHandlers {
public:
    void set(const QString& name, Handler h) { handlers_.insert(name, std::move(h)); }
    bool has(const QString& name) const { return handlers_.contains(name); }
    // Runs the handler; one not installed goes to the fallback.
    void dispatch(const QString& name, EventArgs& args) const;
    // The form is going away: from now on no event of its controls (a focus
    // lost while they are destroyed) runs a handler.
    void stop() { stopped_ = true; }
    // For handlers not installed yet (the generic field event, by default).
    std::function<void(const QString& name, EventArgs&)> fallback;

private:
    QHash<QString, Handler> handlers_;
    bool stopped_ = false;
};

// Connects every binding whose control exists among the sheets to the
// registry; returns the controls of the table that were not found.
QStringList bindDesignedEvents(const DesignedSheets& sheets, PageHandlers& handlers);

// Connects one event of a control to a handler by name (used for created
// controls and for the generic events the descriptions attach).
void bindEvent(QWidget* control, EventKind event, const QString& handler, PageHandlers& handlers);

// Whether the design binds a handler to that event of the control.
bool hasDesignedHandler(const QWidget* control, EventKind event);

}  // namespace stanor::pages
