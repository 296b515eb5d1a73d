#pragma once
// The single running instance and the messages sent to it.
//
// The first instance holds a per-user lock file (in place of the named mutex
// "ProjStanor"); the lock names the process that holds it, so the lock of a
// process that crashed is taken over by the next start. The first instance
// listens on a local socket (in place of its window handles); its name is
// published in the settings store as "FirstFormSocket" next to the DWORD
// values "FirstApplicationHandle" (process id) and "FirstFormHandle" (window
// id). A message is one line of text; the instance answers "ok" at once and
// acts afterwards:
//   "show"   restore and raise the window (a second instance starting);
//   "reload" re-read the run parameters and show the record (the launcher);
//   "quit"   close the window.

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace stanor::platform {

// Value name under the program's key that names the instance's socket.
inline const QString kSocketValueName = QStringLiteral("FirstFormSocket");

QString instanceLockPath();    // runtimeDir()/ProjStanor.lock
QString instanceSocketPath();  // runtimeDir()/ProjStanor.socket

class InstanceLock {
public:
    explicit InstanceLock(const QString& path = instanceLockPath());
    // True when this process now holds the lock, false when a living process does.
    bool tryAcquire();
    bool held() const { return held_; }

private:
    QLockFile lock_;
    bool held_ = false;
};

class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;
    // Listens on the socket path (an old socket file left by a crash is
    // replaced: the caller holds the instance lock). False with a reason.
    bool listen(const QString& path, QString* error = nullptr);
    QString path() const;

signals:
    void showRequested();
    void reloadRequested();
    void quitRequested();

private:
    void onConnection();
    void onReadable(QLocalSocket* s);
    QLocalServer* server_;
};

enum class SendResult { Ok, NoInstance, Failed };

// Sends one message and waits for the answer; NoInstance when nothing listens.
SendResult sendInstanceMessage(const QString& socketPath, const QByteArray& message, int timeoutMs = 5000,
                               QString* error = nullptr);

}  // namespace stanor::platform
