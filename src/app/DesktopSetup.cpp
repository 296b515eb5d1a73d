#include "DesktopSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

namespace stanor::app {

bool installFrenchTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_fr"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString chooseIconTheme() {
    // The folders of installed themes, where no desktop told Qt about them
    // (a plain X server, the offscreen platform).
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = data + QStringLiteral("/icons");
        if (!paths.contains(icons) && QDir(icons).exists()) paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);
    // A picture every toolbar button needs.
    const QString probe = QStringLiteral("document-save");
    const QString desktop = QIcon::themeName();
    if (!desktop.isEmpty() && desktop != QLatin1String("hicolor") && QIcon::hasThemeIcon(probe)) return desktop;
    for (const char* theme : {"Tango", "Adwaita", "breeze", "oxygen"}) {
        QIcon::setThemeName(QString::fromLatin1(theme));
        if (QIcon::hasThemeIcon(probe)) return QIcon::themeName();
    }
    QIcon::setThemeName(desktop);
    return {};
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/projstanor/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

CommandLine readCommandLine(const QStringList& arguments) {
    for (const QString& arg : arguments) {
        if (arg == u"--help" || arg == u"-h" || arg == u"/?") return CommandLine::Help;
        if (arg == u"--version" || arg == u"-v") return CommandLine::Version;
    }
    return CommandLine::Run;
}

QString helpText() {
    return QStringLiteral(
        "Usage : ProjStanor [--help] [--version]\n"
        "\n"
        "Client des fiches véhicules (VO, VD, VN) et clients d'un groupe de concessions.\n"
        "Une seule instance tourne par utilisateur : un second lancement ramène la\n"
        "fenêtre de la première au premier plan.\n"
        "\n"
        "Le programme lit ses paramètres (BaseHRef, idTVO, idTypeVO, idClient, idUser,\n"
        "UserConcession, UserSite, Trace, TraceRepTemp...) dans la base de registre de\n"
        "ProjStanor, sous la clé [HKEY_CLASSES_ROOT\\Software\\ProjStanor] ; projstanor-launch\n"
        "les écrit et fait recharger la fiche.\n"
        "\n"
        "  --help      affiche cette aide\n"
        "  --version   affiche la version du programme\n"
        "\n"
        "Environnement : PROJSTANOR_REGISTRY (fichier de registre, sinon\n"
        "~/.config/ProjStanor/registry.reg), PROJSTANOR_DIALOGS=console (messages\n"
        "écrits sur la sortie d'erreur au lieu d'être affichés), http_proxy et\n"
        "no_proxy quand la clé des paramètres Internet n'existe pas.\n");
}

QString versionText(const QString& fileVersion) {
    return QStringLiteral("ProjStanor %1\n").arg(fileVersion.isEmpty() ? QStringLiteral("(version inconnue)")
                                                                         : fileVersion);
}

}  // namespace stanor::app
