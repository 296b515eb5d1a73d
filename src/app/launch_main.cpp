// projstanor-launch: the outside launcher. Writes run parameters into the
// settings store, then asks the running ProjStanor to reload them, or starts
// ProjStanor when none runs; --quit asks the running instance to close.
#include "platform/Paths.h"
#include "platform/RegFileStore.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <utility>
#include <vector>

using namespace stanor::platform;

namespace {

enum Exit { kOk = 0, kUsage = 1, kStore = 2, kInstance = 3 };

const char* kHelp =
    "Usage : projstanor-launch [--set NOM=VALEUR]... [--reload] [--quit]\n"
    "\n"
    "Écrit les paramètres de lancement dans la base de registre de ProjStanor\n"
    "(clé [HKEY_CLASSES_ROOT\\Software\\ProjStanor]), puis demande à l'instance\n"
    "en cours de les relire et de réafficher la fiche ; si aucune instance ne\n"
    "tourne, démarre ProjStanor, qui les lit au démarrage.\n"
    "\n"
    "  --set NOM=VALEUR  écrit la valeur texte NOM (VALEUR peut être vide) ;\n"
    "                    se répète, par exemple --set idTVO=123 --set idClient=\n"
    "  --reload          fait relire les paramètres sans en changer\n"
    "  --quit            demande à l'instance en cours de se fermer (sans effet\n"
    "                    si aucune ne tourne)\n"
    "  --help            affiche cette aide\n"
    "\n"
    "Noms admis (les paramètres lus par ProjStanor) : Trace, TraceRepTemp, idTypeVO,\n"
    "HttpRoot, BaseHRef, idTVO, OCXName, OCXVersion, URLImages, idUser,\n"
    "UserConcession, UserSite, WhereClause, OrderClause, idClient, et\n"
    "TlsAuthorityFile (le certificat de l'autorité du groupe pour les adresses https).\n"
    "\n"
    "Environnement : PROJSTANOR_REGISTRY (fichier de registre, sinon\n"
    "~/.config/ProjStanor/registry.reg), PROJSTANOR_CLIENT (programme à\n"
    "démarrer, sinon ProjStanor à côté de ce lanceur). Les messages du programme\n"
    "démarré vont dans ~/.local/state/ProjStanor/ProjStanor.out.\n"
    "\n"
    "Code de sortie : 0 réussite, 1 ligne de commande incorrecte, 2 registre\n"
    "illisible ou non modifiable, 3 instance injoignable ou démarrage impossible.\n";

// The run parameters ProjStanor reads, in the order it reads them (the
// group's certification authority last).
const QStringList kRunParameters = {
    QStringLiteral("Trace"),       QStringLiteral("TraceRepTemp"),   QStringLiteral("idTypeVO"),
    QStringLiteral("HttpRoot"),    QStringLiteral("BaseHRef"),       QStringLiteral("idTVO"),
    QStringLiteral("OCXName"),     QStringLiteral("OCXVersion"),     QStringLiteral("URLImages"),
    QStringLiteral("idUser"),      QStringLiteral("UserConcession"), QStringLiteral("UserSite"),
    QStringLiteral("WhereClause"), QStringLiteral("OrderClause"),    QStringLiteral("idClient"),
    QStringLiteral("TlsAuthorityFile"),
};

// The name as ProjStanor spells it (names are compared without regard to
// case, as in the registry), or empty when it is no run parameter.
QString runParameter(const QString& name) {
    for (const QString& p : kRunParameters)
        if (p.compare(name, Qt::CaseInsensitive) == 0) return p;
    return {};
}

void say(const QString& text) {
    std::fprintf(stderr, "projstanor-launch : %s\n", text.toLocal8Bit().constData());
}

QString clientProgram() {
    const QString env = qEnvironmentVariable("PROJSTANOR_CLIENT");
    if (!env.isEmpty()) return env;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ProjStanor");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::pair<QString, QString>> values;
    bool quit = false;
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        // Nothing asked: say what can be asked rather than reload unasked.
        std::fputs(kHelp, stdout);
        return kUsage;
    }
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--help" || a == u"-h") {
            std::fputs(kHelp, stdout);
            return kOk;
        }
        if (a == u"--quit") {
            quit = true;
            continue;
        }
        if (a == u"--reload") continue;  // what the launcher does once asked anything
        QString assignment;
        if (a == u"--set") {
            if (++i >= args.size()) {
                say(QStringLiteral("--set attend NOM=VALEUR (voir --help)"));
                return kUsage;
            }
            assignment = args[i];
        } else if (a.startsWith(u"--set=")) {
            assignment = a.mid(6);
        } else {
            say(QStringLiteral("option inconnue « %1 » (voir --help)").arg(a));
            return kUsage;
        }
        const qsizetype eq = assignment.indexOf(u'=');
        if (eq <= 0) {
            say(QStringLiteral("« %1 » n'est pas de la forme NOM=VALEUR").arg(assignment));
            return kUsage;
        }
        const QString name = runParameter(assignment.left(eq));
        if (name.isEmpty()) {
            say(QStringLiteral("« %1 » n'est pas un paramètre de lancement ; noms admis : %2")
                    .arg(assignment.left(eq), kRunParameters.join(QStringLiteral(", "))));
            return kUsage;
        }
        values.emplace_back(name, assignment.mid(eq + 1));
    }

    RegFileStore store(RegFileStore::defaultPath());
    QString socket;
    try {
        store.createKey(kStanorKey);
        for (const auto& [name, value] : values) store.writeString(kStanorKey, name, value);
        socket = store.readString(kStanorKey, kSocketValueName);
    } catch (const std::exception& e) {
        say(QString::fromUtf8(e.what()));
        return kStore;
    }
    if (socket.isEmpty()) socket = instanceSocketPath();

    QString why;
    const SendResult sent = sendInstanceMessage(socket, quit ? "quit" : "reload", 10000, &why);
    if (sent == SendResult::Ok) return kOk;
    if (sent == SendResult::Failed) {
        say(QStringLiteral("l'instance en cours ne répond pas : %1").arg(why));
        return kInstance;
    }
    if (quit) {
        say(QStringLiteral("aucune instance de ProjStanor en cours"));
        return kOk;
    }
    const QString program = clientProgram();
    if (!QFileInfo(program).isExecutable()) {
        say(QStringLiteral("programme introuvable : %1").arg(program));
        return kInstance;
    }
    // The client outlives the launcher: its output goes to a file of its own,
    // never to the launcher's streams, which close when the launcher ends.
    QDir().mkpath(stateDir());
    const QString output = stateDir() + QStringLiteral("/ProjStanor.out");
    QProcess client;
    client.setProgram(program);
    client.setStandardInputFile(QProcess::nullDevice());
    client.setStandardOutputFile(output, QIODevice::Append);
    client.setStandardErrorFile(output, QIODevice::Append);
    if (!client.startDetached()) {
        say(QStringLiteral("démarrage impossible de %1").arg(program));
        return kInstance;
    }
    return kOk;
}
