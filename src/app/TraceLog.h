#pragma once
// The trace log "TAXStanor.log" in the trace folder: one line per entry,
// "dd/mm/yyyy hh:mm:ss - text", single-byte (Latin-1) text, lines ended by CR LF.
// The entry that finds no log file only creates it, empty; an empty entry
// empties the file. The file is opened and closed for every entry so that
// support staff can read or delete it while the program runs.

#include "platform/Clock.h"

#include <QString>
#include <stdexcept>

namespace stanor::app {

class TraceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TraceLog {
public:
    explicit TraceLog(const platform::Clock& clock) : clock_(clock) {}

    // Appends one entry under traceDir (a path written the Windows way or not).
    // Throws TraceError when the file cannot be created or written.
    void write(const QString& traceDir, const QString& text) const;

    static QString filePath(const QString& traceDir);
    // The line as written, without its CR LF.
    static QString formatLine(const QDateTime& when, const QString& text);

private:
    const platform::Clock& clock_;
};

}  // namespace stanor::app
