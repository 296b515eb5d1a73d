#pragma once
// What the editing handlers ask of the main form beyond what the record view
// already asks (run parameters, trace, requests): the message boxes, the Ctrl
// key, the warning sound, the request catalogue, the reload of the record,
// the blinking frame of a list being edited and the duplicate check.

#include "service/RequestCatalogue.h"

#include <QString>
#include <functional>

namespace stanor::platform {
class Dialogs;
class Keyboard;
}  // namespace stanor::platform

namespace stanor::pages {

struct EditingHost {
    platform::Dialogs* dialogs = nullptr;
    platform::Keyboard* keyboard = nullptr;
    // The system's warning sound, played when a key is refused.
    std::function<void()> beep;
    std::function<service::RequestCatalogue()> requests;
    // The error text of the last request (LbDebugInfo0); empty after a success.
    std::function<QString()> requestError;
    // Loads the record again (and, with true, the reference lists and descriptions).
    std::function<void(bool reloadFiles)> updateView;
    // The frame around a reference list being edited blinks while this is on.
    std::function<bool()> blinking;
    std::function<void(bool on)> setBlinking;
    // Arms the duplicate-customer check of that kind ("Nom", "Ident", "Mobile", "TelDom").
    std::function<void(const QString& kind)> setDblChange;
    // Whether a save of the record is under way: its requests run in a
    // nested event loop, and a command that changes or leaves the record
    // must not run in the middle of it.
    std::function<bool()> saveUnderWay;
    // Stores what is pending before the record is loaded again; false when
    // something could not be stored (the warning then says why).
    std::function<bool()> saveBeforeReload;
};

}  // namespace stanor::pages
