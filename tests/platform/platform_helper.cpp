// Helper process of the platform tests, killed by them at awkward moments.
//   platform_helper write-store PATH   rewrites one value of the store as fast
//                                      as it can, printing a line per write;
//   platform_helper hold-lock PATH     takes the instance lock, prints "held"
//                                      and waits to be killed.
#include "platform/RegFileStore.h"
#include "platform/SingleInstance.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) return 1;
    const QString path = QString::fromLocal8Bit(argv[2]);
    if (std::strcmp(argv[1], "write-store") == 0) {
        stanor::platform::RegFileStore store(path);
        for (unsigned i = 0;; ++i) {
            // A long value makes every write take a while.
            store.writeString(stanor::platform::kStanorKey, QStringLiteral("Counter"),
                              QString::number(i) + QString(20000, QChar(u'x')));
            std::printf("%u\n", i);
            std::fflush(stdout);
        }
    }
    if (std::strcmp(argv[1], "hold-lock") == 0) {
        stanor::platform::InstanceLock lock(path);
        std::puts(lock.tryAcquire() ? "held" : "busy");
        std::fflush(stdout);
        for (;;) pause();
    }
    return 1;
}
