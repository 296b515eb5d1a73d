#pragma once
// The single-instance steps of the program entry: what a second start does,
// and how the first instance publishes itself and answers messages.

#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

namespace stanor::platform {
class InstanceServer;
}

namespace stanor::app {

class TAxStanor;

// Second start: reads the published handles and asks the first instance to
// come forward ("show"). A store that cannot be read gives the error box
// "...lecture dans la base de registre."; a first instance that no longer
// answers is not an error (its handles are simply stale).
void bringFirstInstanceForward(platform::SettingsStore& store, platform::Dialogs& dialogs);

// Routes "show", "reload" and "quit" to the form.
void connectInstanceServer(platform::InstanceServer& server, TAxStanor& form);

// First start: listens on the socket, then writes "FirstApplicationHandle",
// "FirstFormHandle", "Application", "Version" and the socket name; a failure
// gives the box "...l'écriture dans la base de registre." and the program goes on.
void publishInstance(platform::SettingsStore& store, platform::Dialogs& dialogs, TAxStanor& form,
                     platform::InstanceServer& server);

}  // namespace stanor::app
