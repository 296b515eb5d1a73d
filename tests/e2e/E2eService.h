#pragma once
// The data service on a free loopback port with a fresh demo database, and a
// main form whose run parameters point at it. The form signs in as an
// unattended workstation does: the demo users' passwords are in a netrc file
// of the run's own ("ServiceNetrcFile").

#include "app/TAxStanor.h"
#include "DataService.h"
#include "../dataservice/TestStores.h"
#include "platform/MemorySettingsStore.h"
#include "toolkit/FieldControl.h"

#include <QDir>
#include <ostream>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <thread>

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace e2e {

using namespace stanor;

class RunningService {
public:
    // log, when given, receives the service's line per request (with its time).
    // clock, when given, is the service's "now" (the server date of the records).
    // adjust, when given, changes the service's options last (TLS...).
    // fixedPort, when given, is the one to bind: the service restarted where its
    // clients left it (a free port otherwise).
    explicit RunningService(const QString& root, std::function<void(const std::string&)> log = {},
                            dataservice::Clock clock = {},
                            const std::function<void(dataservice::ServiceOptions&)>& adjust = {}, int fixedPort = 0)
    {
        QDir().mkpath(root);
        dataservice::ServiceOptions o;
        o.dbPath = (root + QStringLiteral("/demo.db")).toStdString();
        o.imagesDir = (root + QStringLiteral("/images")).toStdString();
        o.demoDir = STANOR_DEMO_SOURCE;
        // On the PostgreSQL store, a fresh copy of the demo database there.
        if (dataservice::test::OnPostgres()) {
            copy = std::make_unique<dataservice::test::DemoCopy>(root.toStdString());
            copy->configure(o);
        }
        o.port = fixedPort;
        o.logRequests = bool(log);
        o.log = std::move(log);
        o.clock = std::move(clock);
        if (adjust)
            adjust(o);
        service = std::make_unique<dataservice::DataService>(o);
        port = service->start();
        thread = std::thread([this] { service->run(); });
    }
    ~RunningService()
    {
        service->stop();
        if (thread.joinable())
            thread.join();
    }
    QString baseHRef() const
    {
        return QStringLiteral("%1://127.0.0.1:%2/").arg(QString::fromLatin1(service->scheme())).arg(port);
    }
    // A session of a demo user ("1", "2", "3" or "9999"), for requests of the test's own.
    std::string token(const std::string& idUser = "1") const { return dataservice::test::SignIn(port, idUser); }

    std::unique_ptr<dataservice::test::DemoCopy> copy;
    std::unique_ptr<dataservice::DataService> service;
    std::thread thread;
    int port = 0;
};

// A loopback address where nobody listens: a data service that is stopped.
inline QString closedServiceAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
}

// A form with scripted platform services and its trace on.
class FormRun {
public:
    // With trace off (the usual setting at a dealership) no "TraceRepTemp" is
    // given: the answers go to "Windir\TEMP", a folder nobody made beforehand.
    FormRun(const QString& root, const QString& baseHRef, bool trace = true)
    {
        env.vars[QStringLiteral("Windir")] = root + QStringLiteral("/Windows");
        QDir().mkpath(root);
        netrcFile = root + QStringLiteral("/service.netrc");
        dataservice::test::WriteDemoNetrc(netrcFile.toStdString());
        set("ServiceNetrcFile", netrcFile);
        setService(baseHRef);
        set("idUser", QStringLiteral("1"));
        set("UserConcession", QStringLiteral("ALV"));
        set("UserSite", QStringLiteral("#"));
        if (!trace) {
            traceDir = root + QStringLiteral("/Windows/TEMP");
            return;
        }
        traceDir = root + QStringLiteral("/trace");
        QDir().mkpath(traceDir);
        QFile log(traceDir + QStringLiteral("/TAXStanor.log"));
        log.open(QIODevice::WriteOnly);
        set("Trace", QStringLiteral("1"));
        set("TraceRepTemp", traceDir);
    }
    void setService(const QString& baseHRef)
    {
        set("BaseHRef", baseHRef);
        set("HttpRoot", baseHRef);
        set("URLImages", baseHRef + QStringLiteral("images/"));
    }
    void set(const char* name, const QString& value)
    {
        store.writeString(platform::kStanorKey, QString::fromLatin1(name), value);
    }
    app::TAxStanor& start()
    {
        form = std::make_unique<app::TAxStanor>(app::AppContext{store, clock, dialogs, keyboard, env, false});
        form->resize(825, 623);
        for (int i = 0; i < 3; ++i)
            form->Timer1Timer();
        return *form;
    }
    // The run parameters changed, then the reload message, as the launcher sends them.
    void reload(std::initializer_list<std::pair<const char*, QString>> params)
    {
        for (const auto& [name, value] : params)
            set(name, value);
        form->OnMsgActualize();
    }
    // The text of the form's field control of that name, "<absent>" when there is none.
    QString text(const QString& name) const
    {
        auto* fc = toolkit::asFieldControl(form->findChild<QWidget*>(name));
        return fc ? fc->text() : QStringLiteral("<absent>");
    }
    // The trace entries since the last call, without their dates.
    QStringList newTrace()
    {
        QFile f(traceDir + QStringLiteral("/TAXStanor.log"));
        QStringList out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = seen; i < lines.size(); ++i)
            if (lines[i].size() > 22)
                out << QString::fromLatin1(lines[i].mid(22)).trimmed();
        seen = lines.size() - 1;
        return out;
    }

    QString traceDir;
    QString netrcFile;  // the demo users' passwords
    platform::MemorySettingsStore store;
    platform::ManualClock clock;
    platform::ScriptedDialogs dialogs;
    platform::ScriptedKeyboard keyboard;
    platform::ScriptedEnvironment env;
    std::unique_ptr<app::TAxStanor> form;
    qsizetype seen = 0;
};

}  // namespace e2e
