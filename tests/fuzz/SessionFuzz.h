#pragma once
// A randomized session: the main form (offscreen) against the real data
// service on loopback, driven by a seeded sequence of what users do: typing
// and pasting into the fields of every sheet, choosing in lists, changing
// sheets by click, Ctrl+Tab and the wheel, save, new, reload, opening another
// record, the service stopped and started again, writes failing or timing
// out. After every step it checks that the database holds what the user was
// shown as stored, that what was typed and not stored is still on the screen
// with the refusal shown, and that nothing else changed. The same seed gives
// the same session, so a failure replays from its seed.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace fuzz {

struct SessionOptions {
    std::uint64_t seed = 1;
    int steps = 40;
    QString root;  // a fresh folder for the service's database and the form's files
    // Receives each step's description before it runs (a crash then names it).
    std::function<void(const QString&)> say;
};

struct SessionResult {
    bool ok = true;
    int failedStep = -1;  // 0-based
    QString failure;      // what was wrong, in one paragraph
    QStringList steps;    // the steps run, the failing one last
};

SessionResult RunSession(const SessionOptions& options);

}  // namespace fuzz
