#pragma once
// Windows-style paths built by the program ("TraceDir\TAXStanor.log",
// "Windir\TEMP") and the per-user folders that stand in for Windows ones.

#include <QString>

namespace stanor::platform {

// The path to open on this system: every "\" becomes "/" and doubled
// separators collapse ("/var/tmp\\TAXStanor.log" gives "/var/tmp/TAXStanor.log").
// A Linux path comes back unchanged. Every file the program opens from a
// path it built goes through this function.
QString localPath(const QString& windowsPath);

// A file in a folder, both possibly written the Windows way, as the path to
// open here: "Windir\TEMP" and "XmlVO.xml" give ".../Windows/TEMP/XmlVO.xml".
// Every file the program places in the trace folder is named through this.
QString filePathIn(const QString& folder, const QString& name);

// Per-user state folder of the program: $XDG_STATE_HOME/ProjStanor, or
// ~/.local/state/ProjStanor.
QString stateDir();

// Per-user folder of the single-instance lock and the local socket:
// PROJSTANOR_RUNTIME_DIR when set (tests give each run its own), else
// $XDG_RUNTIME_DIR (or Qt's per-user runtime folder).
QString runtimeDir();

}  // namespace stanor::platform
