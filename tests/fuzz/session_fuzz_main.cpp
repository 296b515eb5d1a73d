// Long randomized sessions from the command line (scripts/session-fuzz):
//   session_fuzz [--seed N] [--steps N] [--runs N]
// Run r uses seed N + r; each run prints its seed first, each step as it
// starts (a crash then names it), and a failure prints how to replay it.
#include "SessionFuzz.h"

#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::uint64_t seed = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000007u;
    int steps = 200, runs = 1;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (!std::strcmp(argv[i], "--seed") && more) seed = std::stoull(argv[++i]);
        else if (!std::strcmp(argv[i], "--steps") && more) steps = std::stoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--runs") && more) runs = std::stoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--verbose")) verbose = true;
        else {
            std::fprintf(stderr, "usage: %s [--seed N] [--steps N] [--runs N] [--verbose]\n", argv[0]);
            return 2;
        }
    }
    QApplication app(argc, argv);
    int failures = 0;
    for (int r = 0; r < runs; ++r) {
        const std::uint64_t s = seed + std::uint64_t(r);
        std::printf("seed %llu, %d steps\n", static_cast<unsigned long long>(s), steps);
        std::fflush(stdout);
        QTemporaryDir tmp;
        fuzz::SessionOptions o{s, steps, tmp.path(), {}};
        // The step about to run, on stderr, so that a crash names it.
        if (verbose) o.say = [](const QString& line) { std::fprintf(stderr, "  %s\n", qPrintable(line)); };
        const fuzz::SessionResult result = fuzz::RunSession(o);
        if (result.ok) continue;
        ++failures;
        std::printf("FAILED at step %d: %s\n", result.failedStep, qPrintable(result.failure));
        for (const QString& line : result.steps) std::printf("  %s\n", qPrintable(line));
        std::printf("replay: scripts/session-fuzz --seed %llu --steps %d\n", static_cast<unsigned long long>(s),
                    result.failedStep + 1);
        std::fflush(stdout);
    }
    std::printf("%d of %d runs failed\n", failures, runs);
    return failures ? 1 : 0;
}
