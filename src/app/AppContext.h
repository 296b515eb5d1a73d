#pragma once
// What the main form is given from outside: the platform services it uses.
// main.cpp passes the real ones; tests pass scripted doubles.

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Keyboard.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

namespace stanor::app {

struct AppContext {
    platform::SettingsStore& settings;
    platform::Clock& clock;
    platform::Dialogs& dialogs;
    platform::Keyboard& keyboard;
    platform::Environment& env;
    // Starts Timer1 at creation. Tests leave it off and call Timer1Timer() themselves.
    bool startTimer = true;
    // Starts the browser for the printable sheets; the desktop's when null.
    platform::Shell* shell = nullptr;
};

}  // namespace stanor::app
