#include "SingleInstance.h"

#include "Paths.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>

namespace stanor::platform {

QString instanceLockPath() { return runtimeDir() + QStringLiteral("/ProjStanor.lock"); }
QString instanceSocketPath() { return runtimeDir() + QStringLiteral("/ProjStanor.socket"); }

InstanceLock::InstanceLock(const QString& path) : lock_(path) {
    // Never stale by age: only a lock whose process is gone is taken over.
    lock_.setStaleLockTime(0);
}

bool InstanceLock::tryAcquire() {
    if (held_) return true;
    QDir().mkpath(QFileInfo(lock_.fileName()).absolutePath());
    held_ = lock_.tryLock(0);
    return held_;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::onConnection);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::listen(const QString& path, QString* error) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLocalServer::removeServer(path);
    if (server_->listen(path)) return true;
    if (error) *error = server_->errorString();
    return false;
}

QString InstanceServer::path() const { return server_->fullServerName(); }

void InstanceServer::onConnection() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, s] { onReadable(s); });
        if (s->bytesAvailable() > 0) onReadable(s);
    }
}

void InstanceServer::onReadable(QLocalSocket* s) {
    while (s->canReadLine()) {
        const QByteArray line = s->readLine().trimmed();
        void (InstanceServer::*signal)() = nullptr;
        if (line == "show") signal = &InstanceServer::showRequested;
        else if (line == "reload") signal = &InstanceServer::reloadRequested;
        else if (line == "quit") signal = &InstanceServer::quitRequested;
        s->write(signal ? "ok\n" : "unknown\n");
        s->flush();
        // Acting after the answer keeps the sender from waiting on a reload.
        if (signal) QMetaObject::invokeMethod(this, signal, Qt::QueuedConnection);
    }
    if (s->bytesAvailable() > 256) s->abort();  // not one of our messages
}

SendResult sendInstanceMessage(const QString& socketPath, const QByteArray& message, int timeoutMs,
                               QString* error) {
    QLocalSocket s;
    s.connectToServer(socketPath);
    if (!s.waitForConnected(timeoutMs)) {
        const auto e = s.error();
        if (error) *error = s.errorString();
        return e == QLocalSocket::ServerNotFoundError || e == QLocalSocket::ConnectionRefusedError
                   ? SendResult::NoInstance
                   : SendResult::Failed;
    }
    s.write(message + '\n');
    if (!s.waitForBytesWritten(timeoutMs)) {
        if (error) *error = s.errorString();
        return SendResult::Failed;
    }
    while (!s.canReadLine()) {
        if (!s.waitForReadyRead(timeoutMs)) {
            if (error) *error = QStringLiteral("pas de réponse de l'instance en cours");
            return SendResult::Failed;
        }
    }
    const QByteArray answer = s.readLine().trimmed();
    if (answer != "ok") {
        if (error) *error = QStringLiteral("réponse inattendue « %1 »").arg(QString::fromLatin1(answer));
        return SendResult::Failed;
    }
    return SendResult::Ok;
}

}  // namespace stanor::platform
