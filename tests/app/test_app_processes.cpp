// The real programs: one start writes its trace and publishes itself, a
// second start ends at once and brings the first forward, the launcher
// reloads and closes the running instance, and a bad store is reported.
#include "platform/FileVersion.h"
#include "platform/RegFileStore.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "TraceEntries.h"
#include <functional>
#include <signal.h>

using namespace stanor::platform;

namespace {

const QString kClient = QStringLiteral(PROJSTANOR_EXE);
const QString kLauncher = QStringLiteral(LAUNCHER_EXE);

// Waits for a condition while the child processes run, handling events in
// between; nothing depends on how long it takes.
bool waitFor(const std::function<bool()>& done, int ms = 20000) { return QTest::qWaitFor(done, ms); }

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        registry = tmp.filePath(QStringLiteral("registry.reg"));
        traceDir = tmp.filePath(QStringLiteral("trace"));
        QDir().mkpath(traceDir);
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PROJSTANOR_REGISTRY"), registry);
        env.insert(QStringLiteral("PROJSTANOR_RUNTIME_DIR"), tmp.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), tmp.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("PROJSTANOR_DIALOGS"), QStringLiteral("console"));
    }
    void TearDown() override {
        for (QProcess* p : started) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
            delete p;
        }
        // A client started detached by the launcher is found by its published id,
        // and killed only if that process is still our client: process ids are
        // reused quickly, and the id may by now name another test's process.
        try {
            if (auto pid = RegFileStore(registry).readDword(kStanorKey, QStringLiteral("FirstApplicationHandle"))) {
                const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(*pid)).canonicalFilePath();
                if (!exe.isEmpty() && exe == QFileInfo(kClient).canonicalFilePath())
                    ::kill(pid_t(*pid), SIGKILL);
            }
        } catch (...) {
        }
    }
    void writeStore(const QByteArray& body) {
        QFile f(registry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\Software\\ProjStanor]\n" + body);
    }
    void traceOn() {
        writeStore("\"Trace\"=\"1\"\n\"TraceRepTemp\"=\"" + traceDir.toUtf8() + "\"\n\"idTVO\"=\"42\"\n");
        QFile log(logPath());
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    }
    QProcess* start(const QString& program, const QStringList& args = {}) {
        auto* p = new QProcess;
        p->setProcessEnvironment(env);
        p->start(program, args);
        started.push_back(p);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }
    int run(const QString& program, const QStringList& args, QByteArray* err = nullptr) {
        QProcess* p = start(program, args);
        EXPECT_TRUE(p->waitForFinished(20000));
        if (err) *err = p->readAllStandardError();
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    }
    QString logPath() const { return traceDir + QStringLiteral("/TAXStanor.log"); }
    QStringList logEntries() const { return traceEntries(logPath()); }

    QTemporaryDir tmp;
    QString registry, traceDir;
    QProcessEnvironment env;
    std::vector<QProcess*> started;
};


}  // namespace

TEST_F(ProcessTest, OneStartTracesItsParametersAndPublishesItself) {
    traceOn();
    QProcess* first = start(kClient);
    ASSERT_TRUE(waitFor([&] { return logEntries().contains(QStringLiteral("on TimerOK : ")); }));
    EXPECT_EQ(logEntries().mid(0, 13), kSetterNames + QStringList{"on TimerOK : "});

    RegFileStore store(registry);
    EXPECT_EQ(store.readDword(kStanorKey, QStringLiteral("FirstApplicationHandle")), quint32(first->processId()));
    EXPECT_TRUE(store.readDword(kStanorKey, QStringLiteral("FirstFormHandle")).has_value());
    EXPECT_EQ(store.readString(kStanorKey, QStringLiteral("Application")), kClient);
    EXPECT_EQ(store.readString(kStanorKey, QStringLiteral("Version")), QStringLiteral(STANOR_FILE_VERSION));
    EXPECT_EQ(GetFileVersion(kClient), QStringLiteral(STANOR_FILE_VERSION)) << "the build embeds the version";
    EXPECT_FALSE(store.readString(kStanorKey, kSocketValueName).isEmpty());

    // A second start creates no window: it ends at once and the first comes forward.
    QByteArray err;
    EXPECT_EQ(run(kClient, {}, &err), 0);
    ASSERT_TRUE(waitFor([&] {
        err = first->readAllStandardError();
        return err.contains("premier plan");
    }));
    EXPECT_EQ(first->state(), QProcess::Running);

    // The launcher writes new parameters and has them reloaded.
    EXPECT_EQ(run(kLauncher, {"--set", "idTVO=123", "--set", "idClient="}), 0);
    ASSERT_TRUE(waitFor([&] { return logEntries().count(QStringLiteral("idClient")) == 2; }));
    const QStringList entries = logEntries();
    EXPECT_EQ(entries.mid(entries.indexOf(QStringLiteral("httproot"), 1), 12), kSetterNames);
    EXPECT_EQ(store.readString(kStanorKey, QStringLiteral("idTVO")), QStringLiteral("123"));
    EXPECT_EQ(store.readString(kStanorKey, QStringLiteral("Trace")), QStringLiteral("1")) << "other values kept";

    EXPECT_EQ(run(kLauncher, {"--quit"}), 0);
    ASSERT_TRUE(first->waitForFinished(20000));
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(ProcessTest, FirstStartWithoutAStoreCreatesTheKeyAndPublishesItself) {
    QProcess* first = start(kClient);
    ASSERT_TRUE(waitFor([&] {
        return RegFileStore(registry).readString(kStanorKey, kSocketValueName).size() > 0;
    }));
    RegFileStore store(registry);
    for (const char* name : {"FirstApplicationHandle", "FirstFormHandle"})
        EXPECT_TRUE(store.readDword(kStanorKey, QString::fromLatin1(name)).has_value()) << name;
    EXPECT_EQ(store.readString(kStanorKey, QStringLiteral("Version")), QStringLiteral(STANOR_FILE_VERSION));
    EXPECT_EQ(run(kLauncher, {"--quit"}), 0);
    ASSERT_TRUE(first->waitForFinished(20000));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_FALSE(first->readAllStandardError().contains("registre")) << "no error box";
}

TEST_F(ProcessTest, LauncherStartsTheClientWhenNoneRuns) {
    traceOn();
    QByteArray err;
    EXPECT_EQ(run(kLauncher, {"--set", "idClient=7"}, &err), 0) << err.constData();
    ASSERT_TRUE(waitFor([&] { return logEntries().contains(QStringLiteral("on TimerOK : ")); }))
        << logEntries().join(u'|').toStdString() << err.constData();
    EXPECT_EQ(RegFileStore(registry).readString(kStanorKey, QStringLiteral("idClient")), QStringLiteral("7"));
    EXPECT_EQ(run(kLauncher, {"--quit"}), 0);
    ASSERT_TRUE(waitFor([&] {
        return sendInstanceMessage(RegFileStore(registry).readString(kStanorKey, kSocketValueName), "show", 1000) ==
               SendResult::NoInstance;
    }));
    EXPECT_EQ(run(kLauncher, {"--quit"}, &err), 0) << "nothing to close is not a failure";
    EXPECT_TRUE(err.contains("aucune instance"));
}

TEST_F(ProcessTest, LauncherRefusesBadArgumentsAndABadStore) {
    QByteArray err;
    EXPECT_EQ(run(kLauncher, {"--set", "=x"}, &err), 1);
    EXPECT_TRUE(err.contains("NOM=VALEUR"));
    EXPECT_EQ(run(kLauncher, {"--frobnicate"}, &err), 1);
    EXPECT_EQ(run(kLauncher, {"--set"}, &err), 1);
    QProcess* help = start(kLauncher, {"--help"});
    ASSERT_TRUE(help->waitForFinished());
    EXPECT_EQ(help->exitCode(), 0);
    EXPECT_TRUE(help->readAllStandardOutput().contains("--set NOM=VALEUR"));

    // The client's registration switches end it before it touches anything.
    EXPECT_EQ(run(kClient, {"/REGSERVER"}), 0);
    EXPECT_EQ(run(kClient, {"-unregserver"}), 0);
    EXPECT_FALSE(QFile::exists(registry));

    writeStore("\"idTVO\"=dword:zz\n");
    EXPECT_EQ(run(kLauncher, {"--set", "idTVO=1"}, &err), 2);
    EXPECT_TRUE(err.contains("ligne 4")) << err.constData();
}

TEST_F(ProcessTest, BadStoresAreReportedAndTheClientKeepsRunning) {
    const struct {
        QByteArray body;
        bool readOnly;
        const char* expected[2];
    } cases[] = {
        {"\"Trace\"=\"1\n", false, {"lecture dans la base de registres.", "ligne 4"}},
        {"\"Trace\"=dword:00000001\n", false, {"lecture dans la base de registres.", "\"Trace\""}},
        {"\"idTVO\"=\"9\"\n", true, {"l'écriture dans la base de registre.", "lecture seule"}},
    };
    for (const auto& c : cases) {
        writeStore(c.body);
        if (c.readOnly) QFile::setPermissions(registry, QFileDevice::ReadOwner);
        QProcess* client = start(kClient);
        QByteArray err;
        EXPECT_TRUE(waitFor([&] {
            err += client->readAllStandardError();
            return err.contains(c.expected[0]) && err.contains(c.expected[1]);
        })) << err.constData();
        EXPECT_EQ(client->state(), QProcess::Running) << "never a crash";
        client->kill();
        client->waitForFinished();
        QFile::setPermissions(registry, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

TEST_F(ProcessTest, SecondStartWithAnUnreadableStoreShowsTheReadBoxAndEnds) {
    writeStore("\"idTVO\"=\"9\"\n");
    QProcess* first = start(kClient);
    // The socket name is the last value the first client publishes; only then
    // is the store its own no more, and the handle can be spoiled without the
    // first client's next write putting it back.
    ASSERT_TRUE(waitFor([&] {
        return RegFileStore(registry).readString(kStanorKey, kSocketValueName).size() > 0;
    }));
    RegFileStore(registry).writeString(kStanorKey, QStringLiteral("FirstFormHandle"), QStringLiteral("not a number"));
    QByteArray err;
    EXPECT_EQ(run(kClient, {}, &err), 0);
    EXPECT_TRUE(err.contains("lecture dans la base de registre.")) << err.constData();
    EXPECT_EQ(first->state(), QProcess::Running);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
