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
const QString kDataService = QStringLiteral(DATASERVICE_EXE);

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
    // A name that is no run parameter would be written and never read.
    EXPECT_EQ(run(kLauncher, {"--set", "idTV0=4"}, &err), 1);
    EXPECT_TRUE(err.contains("« idTV0 » n'est pas un paramètre de lancement")) << err.constData();
    EXPECT_TRUE(err.contains("idTVO, OCXName")) << "the message lists the names";
    EXPECT_FALSE(QFile::exists(registry)) << "nothing written";
    QProcess* help = start(kLauncher, {"--help"});
    ASSERT_TRUE(help->waitForFinished());
    EXPECT_EQ(help->exitCode(), 0);
    EXPECT_TRUE(help->readAllStandardOutput().contains("--set NOM=VALEUR"));
    // Nothing asked: the help, and no reload nor start of the client.
    QProcess* bare = start(kLauncher);
    ASSERT_TRUE(bare->waitForFinished());
    EXPECT_EQ(bare->exitCode(), 1);
    EXPECT_TRUE(bare->readAllStandardOutput().contains("Usage : projstanor-launch"));
    EXPECT_FALSE(QFile::exists(registry));

    // The client's registration switches end it before it touches anything.
    EXPECT_EQ(run(kClient, {"/REGSERVER"}), 0);
    EXPECT_EQ(run(kClient, {"-unregserver"}), 0);
    EXPECT_FALSE(QFile::exists(registry));

    writeStore("\"idTVO\"=dword:zz\n");
    EXPECT_EQ(run(kLauncher, {"--set", "idTVO=1"}, &err), 2);
    EXPECT_TRUE(err.contains("ligne 4")) << err.constData();
}

TEST_F(ProcessTest, TheDemoScriptSaysWhatIsWrongWithItsOptions) {
    const struct {
        QStringList args;
        int code;
        const char* said;
    } cases[] = {
        {{"--help"}, 0, "Usage : scripts/demo"},
        {{"--user"}, 2, "--user attend une valeur"},
        {{"--vehicle", "--kind", "2"}, 2, "--vehicle attend une valeur"},
        {{"--kind", "4"}, 2, "--kind vaut 1 (VO), 2 (VN) ou 3 (VD)"},
        {{"--user", "5"}, 2, "--user vaut 1, 2 ou 3"},
        {{"--customer", "x"}, 2, "--customer attend un nombre"},
        {{"--frobnicate"}, 2, "option inconnue"},
    };
    for (const auto& c : cases) {
        QProcess* p = start(QStringLiteral("bash"), QStringList{QStringLiteral(DEMO_SCRIPT)} + c.args);
        ASSERT_TRUE(p->waitForFinished(20000));
        const QByteArray said = p->readAllStandardOutput() + p->readAllStandardError();
        EXPECT_EQ(p->exitCode(), c.code) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(said.contains(c.said)) << c.args.join(u' ').toStdString() << ": " << said.constData();
    }
}

TEST_F(ProcessTest, HelpAndVersionNeedNoDisplay) {
    // No display at all: a window system started for --help would end the program.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const struct {
        const char* arg;
        QByteArray out;
    } cases[] = {{"--help", "Usage : ProjStanor"}, {"--version", "ProjStanor " STANOR_FILE_VERSION "\n"}};
    for (const auto& c : cases) {
        QProcess* p = start(kClient, {QString::fromLatin1(c.arg)});
        ASSERT_TRUE(p->waitForFinished(20000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit) << c.arg;
        EXPECT_EQ(p->exitCode(), 0) << c.arg << p->readAllStandardError().constData();
        EXPECT_TRUE(p->readAllStandardOutput().contains(c.out)) << c.arg;
    }
    EXPECT_FALSE(QFile::exists(registry));
}

TEST_F(ProcessTest, WithTraceOffTheFirstRecordIsShownAndItsAnswerKept) {
    // The demo data service, as a dealership has it, on a free loopback port.
    QProcess* service = start(kDataService, {"--db", tmp.filePath("demo.db"), "--images", tmp.filePath("images"),
                                             "--port", "0"});
    QByteArray serviceLog;
    QString base;
    ASSERT_TRUE(waitFor([&] {
        serviceLog += service->readAllStandardError();
        const qsizetype at = serviceLog.indexOf("http://127.0.0.1:");
        const qsizetype end = at < 0 ? -1 : serviceLog.indexOf('/', at + 17);
        if (end > 0) base = QString::fromLatin1(serviceLog.mid(at, end - at + 1));
        return !base.isEmpty();
    })) << serviceLog.constData();
    writeStore("\"BaseHRef\"=\"" + base.toUtf8() + "\"\n\"idTVO\"=\"1\"\n\"idTypeVO\"=\"1\"\n\"idUser\"=\"1\"\n"
               "\"UserConcession\"=\"ALV\"\n\"UserSite\"=\"#\"\n\"ServiceNetrcFile\"=\"" +
               tmp.filePath(QStringLiteral("aucun-netrc")).toUtf8() + "\"\n");
    QProcess* client = start(kClient);
    QByteArray err;
    // Without a netrc entry, the dialog asks for the password: the scripted
    // (console) dialogs read it from standard input.
    ASSERT_TRUE(waitFor([&] {
        err += client->readAllStandardError();
        return err.contains("[Connexion au service de données] utilisateur n° 1 : mot de passe ?");
    })) << err.constData();
    client->write("martin-admin-demo\n");
    ASSERT_TRUE(waitFor([&] {
        err += client->readAllStandardError();
        return err.contains("première fiche affichée");
    })) << err.constData();
    // The password shows in no process list.
    for (QProcess* p : {client, service})
        for (const char* what : {"cmdline", "environ"}) {
            QFile proc(QStringLiteral("/proc/%1/%2").arg(p->processId()).arg(QLatin1String(what)));
            ASSERT_TRUE(proc.open(QIODevice::ReadOnly)) << what;
            EXPECT_FALSE(proc.readAll().contains("martin-admin-demo")) << what;
        }
    // "Windir\TEMP" of this user: the answers support staff look for.
    const QString temp = tmp.filePath(QStringLiteral("state/ProjStanor/Windows/TEMP"));
    QFile answer(temp + QStringLiteral("/XmlVO.xml"));
    ASSERT_TRUE(answer.open(QIODevice::ReadOnly)) << temp.toStdString();
    EXPECT_TRUE(answer.readAll().contains("<NVO>1201</NVO>"));
    EXPECT_TRUE(QFile::exists(temp + QStringLiteral("/XmlStruct.xml")));
    EXPECT_FALSE(QFile::exists(temp + QStringLiteral("/TAXStanor.log"))) << "no log with trace off";
    EXPECT_FALSE(err.contains("Exception")) << err.constData();
    EXPECT_EQ(run(kLauncher, {"--quit"}), 0);
    ASSERT_TRUE(client->waitForFinished(20000));
}

TEST_F(ProcessTest, BadStoresAreReportedAndOnlyAnUnreadableOneEndsTheClient) {
    const struct {
        QByteArray body;
        bool readOnly;
        const char* expected[2];
        bool ends;
    } cases[] = {
        // Malformed: nothing can be read nor written; after the boxes the client ends.
        {"\"Trace\"=\"1\n", false, {"lecture dans la base de registres.", "ligne 4"}, true},
        // One value of the wrong type: the client waits for a reload that completes the parameters.
        {"\"Trace\"=dword:00000001\n", false, {"lecture dans la base de registres.", "\"Trace\""}, false},
        {"\"idTVO\"=\"9\"\n", true, {"l'écriture dans la base de registre.", "lecture seule"}, false},
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
        if (c.ends) {
            ASSERT_TRUE(waitFor([&] { return client->state() == QProcess::NotRunning; })) << "no window left behind";
            EXPECT_EQ(client->exitStatus(), QProcess::NormalExit) << "never a crash";
            EXPECT_EQ(client->exitCode(), 2);
        } else {
            EXPECT_EQ(client->state(), QProcess::Running) << "never a crash";
            client->kill();
            client->waitForFinished();
        }
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
