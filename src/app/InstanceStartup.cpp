#include "InstanceStartup.h"

#include "TAxStanor.h"

#include "platform/FileVersion.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDebug>

namespace stanor::app {

using platform::kStanorKey;

namespace {
void registryBox(platform::Dialogs& dialogs, const QString& text, const std::exception& e) {
    dialogs.messageBox(QStringLiteral("Erreur"), text + u'\n' + QString::fromUtf8(e.what()),
                       platform::MsgIcon::Error, platform::MsgButtons::Ok);
}
}  // namespace

void bringFirstInstanceForward(platform::SettingsStore& store, platform::Dialogs& dialogs) {
    QString socket;
    try {
        store.createKey(kStanorKey);
        store.readDword(kStanorKey, QStringLiteral("FirstApplicationHandle"));
        store.readDword(kStanorKey, QStringLiteral("FirstFormHandle"));
        socket = store.readString(kStanorKey, platform::kSocketValueName);
    } catch (const std::exception& e) {
        registryBox(dialogs, QStringLiteral("Une erreur est survenue lors de la lecture dans la base de registre."), e);
        return;
    }
    if (socket.isEmpty()) socket = platform::instanceSocketPath();
    QString why;
    if (platform::sendInstanceMessage(socket, "show", 5000, &why) != platform::SendResult::Ok)
        qInfo().noquote() << "ProjStanor: l'instance en cours ne répond pas (" + why + ")";
}

void connectInstanceServer(platform::InstanceServer& server, TAxStanor& form) {
    QObject::connect(&server, &platform::InstanceServer::showRequested, &form, [&form] {
        qInfo("ProjStanor: fenêtre ramenée au premier plan");
        form.setWindowState((form.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        form.showNormal();
        form.raise();
        form.activateWindow();
    });
    QObject::connect(&server, &platform::InstanceServer::reloadRequested, &form, [&form] {
        qInfo("ProjStanor: rechargement des paramètres");
        form.OnMsgActualize();
    });
    QObject::connect(&server, &platform::InstanceServer::quitRequested, &form, [&form] {
        qInfo("ProjStanor: fermeture demandée");
        // Quit outright once the window agreed to close, so that a window shown
        // again in between (a "show" from a new start) cannot keep the process up.
        if (form.close()) QCoreApplication::quit();
    });
}

void publishInstance(platform::SettingsStore& store, platform::Dialogs& dialogs, TAxStanor& form,
                     platform::InstanceServer& server) {
    QString why;
    const bool listening = server.listen(platform::instanceSocketPath(), &why);
    if (!listening) qWarning().noquote() << "ProjStanor: pas d'écoute des messages (" + why + ")";
    try {
        const QString exe = QCoreApplication::applicationFilePath();
        store.createKey(kStanorKey);
        store.writeDword(kStanorKey, QStringLiteral("FirstApplicationHandle"),
                         std::uint32_t(QCoreApplication::applicationPid()));
        store.writeDword(kStanorKey, QStringLiteral("FirstFormHandle"), std::uint32_t(form.winId()));
        store.writeString(kStanorKey, QStringLiteral("Application"), exe);
        store.writeString(kStanorKey, QStringLiteral("Version"), platform::GetFileVersion(exe));
        store.writeString(kStanorKey, platform::kSocketValueName, listening ? server.path() : QString());
    } catch (const std::exception& e) {
        registryBox(dialogs, QStringLiteral("Une erreur est survenue lors de l'écriture dans la base de registre."), e);
    }
}

}  // namespace stanor::app
