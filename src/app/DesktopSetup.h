#pragma once
// What makes ProjStanor a program of the desktop it runs on: Qt's own texts
// (context menus, standard buttons, dialogs) in French, an icon theme that
// holds the toolbar's pictures, the window icon, and the texts of --help and
// --version.

#include <QIcon>
#include <QString>

class QCoreApplication;

namespace stanor::app {

// Loads Qt's French translations ("qtbase_fr") from Qt's translations folder
// and installs them on the application. False when the system has none
// (Debian's qt6-translations-l10n brings them).
bool installFrenchTranslations(QCoreApplication& app);

// Keeps the desktop's icon theme when it has the toolbar's pictures, else
// takes the first installed theme that has them (Tango, Adwaita...). Returns
// the theme in use, empty when none was found (the buttons then show text only).
QString chooseIconTheme();

// The program's own icon (window, desktop entry).
QIcon programIcon();

// What a command line asks of the program before any window exists (read
// before Qt takes its own options, so that --help needs no display).
enum class CommandLine { Run, Help, Version };
CommandLine readCommandLine(const QStringList& arguments);
QString helpText();
QString versionText(const QString& fileVersion);

}  // namespace stanor::app
