// Paths, file versions, the instance lock and the instance messages.
#include "platform/Environment.h"
#include "platform/FileVersion.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace stanor::platform;

TEST(Paths, WindowsPathsBecomeLocalOnes) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"/var/tmp\\TAXStanor.log", "/var/tmp/TAXStanor.log"},
        {"/home/u/Windows\\Downloaded Program Files\\ProjStanor.exe",
         "/home/u/Windows/Downloaded Program Files/ProjStanor.exe"},
        {"/tmp/trace/\\TAXStanor.log", "/tmp/trace/TAXStanor.log"},
        {"/already/linux", "/already/linux"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(localPath(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(Environment, WindowsFoldersHaveLinuxMeaningsWhenUnset) {
    QTemporaryDir dir;
    for (const char* v : {"Windir", "WINDIR", "ProgramFiles", "PROGRAMFILES"}) qunsetenv(v);
    qputenv("XDG_STATE_HOME", dir.path().toLocal8Bit());
    const QString program = dir.filePath(QStringLiteral("bin/ProjStanor"));
    QDir().mkpath(dir.filePath(QStringLiteral("bin")));
    QFile exe(program);
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write(QByteArray(STANOR_FILE_VERSION_MARKER) + "3.1.4.1" + '\0');
    exe.close();

    SystemEnvironment env(program);
    const QString windir = env.get(QStringLiteral("Windir"));
    EXPECT_EQ(windir, dir.path() + QStringLiteral("/ProjStanor/Windows"));
    EXPECT_TRUE(QFileInfo(localPath(windir + QStringLiteral("\\TEMP"))).isDir());
    EXPECT_TRUE(QFileInfo(localPath(windir + QStringLiteral("\\Downloaded Program Files"))).isDir());
    EXPECT_EQ(GetFileVersion(env.get(QStringLiteral("ProgramFiles")) + QStringLiteral("\\Stanor\\ProjStanor.exe")),
              QStringLiteral("3.1.4.1"))
        << "the installed program answers for ProgramFiles\\Stanor\\ProjStanor.exe";
    EXPECT_EQ(env.get(QStringLiteral("windir")), windir);

    qputenv("WINDIR", "/elsewhere");
    EXPECT_EQ(env.get(QStringLiteral("Windir")), QStringLiteral("/elsewhere")) << "a set variable wins";
    qunsetenv("WINDIR");
    qunsetenv("XDG_STATE_HOME");
}

TEST(FileVersion, ReadsTheEmbeddedRecordOnly) {
    QTemporaryDir dir;
    auto make = [&](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    const QByteArray marker(STANOR_FILE_VERSION_MARKER);
    const QByteArray junk(5000, '\x7f');
    EXPECT_EQ(GetFileVersion(make("v", junk + marker + "1.0.0.5" + '\0' + junk)), QStringLiteral("1.0.0.5"));
    // The marker alone (as in the reader's own code) or followed by text is no version.
    EXPECT_EQ(GetFileVersion(make("m", marker + '\0' + marker + "abc" + '\0' + marker + "2.3" + '\0')),
              QStringLiteral("2.3"));
    EXPECT_EQ(GetFileVersion(make("none", junk)), QString());
    EXPECT_EQ(GetFileVersion(make("cut", marker + "1.2")), QString()) << "no terminating NUL";
    EXPECT_EQ(GetFileVersion(make("empty", QByteArray())), QString());
    EXPECT_EQ(GetFileVersion(dir.filePath(QStringLiteral("missing"))), QString());
    EXPECT_EQ(GetFileVersion(dir.path()), QString()) << "a folder";
    EXPECT_EQ(GetFileVersion(dir.path() + QStringLiteral("\\v")), QStringLiteral("1.0.0.5")) << "Windows-style path";
}

TEST(InstanceLock, OneHolderAtATimeAndACrashedHolderLeavesNoStuckLock) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run/ProjStanor.lock"));
    {
        InstanceLock first(path), second(path);
        EXPECT_TRUE(first.tryAcquire());
        EXPECT_FALSE(second.tryAcquire());
    }
    {
        InstanceLock again(path);
        EXPECT_TRUE(again.tryAcquire()) << "released with its holder";
    }

    QProcess holder;
    holder.start(QStringLiteral(PLATFORM_HELPER), {QStringLiteral("hold-lock"), path});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readAll().trimmed(), QByteArray("held"));
    InstanceLock whileAlive(path);
    EXPECT_FALSE(whileAlive.tryAcquire()) << "another living process holds it";
    holder.kill();
    holder.waitForFinished();
    InstanceLock afterCrash(path);
    EXPECT_TRUE(afterCrash.tryAcquire()) << "the lock of a killed process is taken over";
}

TEST(InstanceMessages, ServerAnswersAndSignalsEachMessage) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ProjStanor.socket"));
    QFile stale(path);  // a socket file left by a crash does not block the next start
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    InstanceServer server;
    ASSERT_TRUE(server.listen(path));
    QStringList received;
    QObject::connect(&server, &InstanceServer::showRequested, [&] { received << "show"; });
    QObject::connect(&server, &InstanceServer::reloadRequested, [&] { received << "reload"; });
    QObject::connect(&server, &InstanceServer::quitRequested, [&] { received << "quit"; });

    std::vector<SendResult> results;
    std::atomic<bool> done{false};
    std::thread client([&] {
        for (const char* m : {"show", "reload", "bogus", "quit"}) results.push_back(sendInstanceMessage(path, m, 10000));
        done = true;
    });
    QEventLoop loop;
    while (!done || received.size() < 3) loop.processEvents(QEventLoop::WaitForMoreEvents, 50);
    client.join();
    EXPECT_EQ(results, (std::vector<SendResult>{SendResult::Ok, SendResult::Ok, SendResult::Failed, SendResult::Ok}));
    EXPECT_EQ(received, (QStringList{"show", "reload", "quit"}));

    EXPECT_EQ(sendInstanceMessage(dir.filePath(QStringLiteral("nobody.socket")), "show", 1000), SendResult::NoInstance);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
