// The trace log file: creation by the first entry, truncation by an empty one,
// the line layout and the errors it lets through.
#include "app/TraceLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using stanor::app::TraceError;
using stanor::app::TraceLog;
using stanor::platform::ManualClock;

namespace {
QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

TEST(TraceLog, FirstEntryOnlyCreatesTheFileThenLinesAreAppended) {
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
    TraceLog log(clock);
    const QString path = dir.filePath(QStringLiteral("TAXStanor.log"));

    log.write(dir.path(), QStringLiteral("httproot"));
    EXPECT_EQ(contents(path), QByteArray()) << "the entry that finds no file is dropped";
    log.write(dir.path(), QStringLiteral("basehref"));
    clock.advanceSecs(3600 * 5);
    log.write(dir.path(), QStringLiteral("CMWantSpecialKey : Key TAB détecté"));
    log.write(dir.path(), QStringLiteral("SQL : a\r\nb"));
    EXPECT_EQ(contents(path), QByteArray("07/03/2026 09:05:02 - basehref\r\n"
                                         "07/03/2026 14:05:02 - CMWantSpecialKey : Key TAB d\xe9tect\xe9\r\n"
                                         "07/03/2026 14:05:02 - SQL : a\r\nb\r\n"))
        << "single-byte text, CR LF, entries may hold line breaks";

    log.write(dir.path(), QString());
    EXPECT_EQ(contents(path), QByteArray()) << "an empty entry empties the file";
    log.write(dir.path(), QStringLiteral("again"));
    EXPECT_EQ(contents(path), QByteArray("07/03/2026 14:05:02 - again\r\n"));
}

TEST(TraceLog, WindowsStyleFolderAndMissingFolder) {
    QTemporaryDir dir;
    ManualClock clock;
    TraceLog log(clock);
    EXPECT_EQ(TraceLog::filePath(dir.path() + QStringLiteral("\\")), dir.filePath(QStringLiteral("TAXStanor.log")));
    EXPECT_THROW(log.write(dir.filePath(QStringLiteral("absent")), QStringLiteral("x")), TraceError)
        << "a missing trace folder is the caller's error";
}
