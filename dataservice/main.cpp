// stanor-dataservice --db FILE | --pg CONNINFO  --images DIR [--port N] [--bind ADDR]
//                    [--tls-cert FILE --tls-key FILE] [--tls-proxy ADDR]
// The companion data service of the desktop client.

#include "Accounts.h"
#include "DataService.h"
#include "DemoLoader.h"
#include "DemoPhotos.h"
#include "ListenPolicy.h"
#include "PgSchema.h"
#include "PgStore.h"
#include "SqliteStore.h"

#include <filesystem>

#include <csignal>
#include <cstring>
#include <iostream>
#include <thread>

#include <pthread.h>

#ifndef STANOR_DEMO_DIR
#define STANOR_DEMO_DIR ""
#endif

using namespace stanor::dataservice;

namespace {

void Usage() {
    std::cerr << "usage : stanor-dataservice (--db FICHIER | --pg CONNEXION) --images DOSSIER [--port N]\n"
                 "                          [--bind ADRESSE] [--tls-cert FICHIER --tls-key FICHIER]\n"
                 "                          [--tls-proxy ADRESSE] [--demo DOSSIER] [--quiet]\n"
                 "        stanor-dataservice (--db FICHIER | --pg CONNEXION) --load-tabdesc FICHIER.tsv\n"
                 "        stanor-dataservice (--db FICHIER | --pg CONNEXION) --create-only [--images DOSSIER]\n"
                 "        stanor-dataservice --pg CONNEXION --import FICHIER.db [--service-role ROLE]\n"
                 "        stanor-dataservice (--db FICHIER | --pg CONNEXION) --set-password IDUSER | --disable-user IDUSER\n"
                 "        stanor-dataservice --pg CONNEXION --secure [--service-role ROLE]\n"
                 "  --db        la base SQLite ; créée depuis les données de démonstration si absente\n"
                 "  --pg        une base PostgreSQL, chaîne de connexion de libpq\n"
                 "              (\"host=... dbname=... user=...\") ; le service s'y connecte avec le\n"
                 "              rôle qui n'a de droits que sur les tables de l'application\n"
                 "  --images    le dossier des photos (servies sous /images/)\n"
                 "  --port      le port d'écoute (8080 par défaut, 0 = un port libre)\n"
                 "  --bind      l'adresse d'écoute (127.0.0.1 par défaut) ; une adresse hors de la\n"
                 "              machine demande TLS (--tls-cert et --tls-key) ou --tls-proxy\n"
                 "  --tls-cert  le certificat du service (PEM, suivi des autorités intermédiaires) :\n"
                 "              le service parle HTTPS\n"
                 "  --tls-key   sa clé privée (PEM, non chiffrée, lisible de son seul propriétaire)\n"
                 "  --tls-proxy l'adresse IP du proxy TLS du groupe placé devant le service : seules\n"
                 "              ses connexions sont acceptées\n"
                 "  --demo      le dossier des données de démonstration\n"
                 "  --quiet     pas de ligne de journal par requête\n"
                 "  --load-tabdesc  remplace les descriptions d'onglets de la base et s'arrête\n"
                 "  --create-only   crée la base (et les photos) de démonstration puis s'arrête\n"
                 "  --import    copie une base SQLite dans la base PostgreSQL vide, puis s'arrête\n"
                 "              (se connecter en propriétaire de la base)\n"
                 "  --secure    retire à tous les rôles hormis les superutilisateurs les fonctions du\n"
                 "              serveur dont l'application n'a pas besoin (attente, autres sessions,\n"
                 "              réglages, fichiers...) et le catalogue hormis le propriétaire, fixe les\n"
                 "              limites de temps du rôle du service, puis s'arrête (se connecter en\n"
                 "              superutilisateur à la base de l'application ; le service refuse de\n"
                 "              servir une base qui ne l'a pas reçu)\n"
                 "  --service-role  le rôle du service, à qui --import et --create-only donnent ses\n"
                 "              droits (stanor_service par défaut)\n"
                 "  --set-password  donne un nouveau mot de passe à l'utilisateur IDUSER, lu deux fois sur\n"
                 "              l'entrée standard (10 caractères au moins), puis s'arrête ; ses sessions\n"
                 "              ouvertes prennent fin (avec --pg : se connecter en propriétaire de la base)\n"
                 "  --disable-user  met fin à l'accès de l'utilisateur IDUSER et à ses sessions ouvertes,\n"
                 "              sur tous les services du groupe dans la minute, puis s'arrête\n";
}

// A wrong command line: says what is wrong, then how the program is called.
int Refuse(const std::string& why) {
    std::cerr << "stanor-dataservice : " << why << "\n";
    Usage();
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    ServiceOptions options;
    options.demoDir = STANOR_DEMO_DIR;
    std::string tabdesc, importFile, setPassword, disableUser;
    PgCopyOptions copy;
    copy.say = [](const std::string& line) { std::cerr << "stanor-dataservice : " << line << std::endl; };
    bool createOnly = false, secure = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--db" || arg == "--images" || arg == "--port" || arg == "--bind" ||
                                arg == "--demo" || arg == "--load-tabdesc" || arg == "--pg" || arg == "--import" ||
                                arg == "--service-role" || arg == "--set-password" || arg == "--disable-user" ||
                                arg == "--tls-cert" || arg == "--tls-key" || arg == "--tls-proxy";
        if (takesValue && i + 1 >= argc) return Refuse("valeur manquante après " + arg);
        if (arg == "--db") options.dbPath = argv[++i];
        else if (arg == "--pg") options.pgConninfo = argv[++i];
        else if (arg == "--import") importFile = argv[++i];
        else if (arg == "--service-role") copy.serviceRole = argv[++i];
        else if (arg == "--images") options.imagesDir = argv[++i];
        else if (arg == "--port") {
            const std::string text = argv[++i];
            size_t used = 0;
            int port = -1;
            try {
                port = std::stoi(text, &used);
            } catch (...) {
            }
            if (used != text.size() || port < 0 || port > 65535)
                return Refuse("valeur de --port invalide : « " + text + " » (un nombre de 0 à 65535 est attendu)");
            options.port = port;
        } else if (arg == "--bind") options.bindAddress = argv[++i];
        else if (arg == "--tls-cert") options.tlsCert = argv[++i];
        else if (arg == "--tls-key") options.tlsKey = argv[++i];
        else if (arg == "--tls-proxy") options.tlsProxy = argv[++i];
        else if (arg == "--demo") options.demoDir = argv[++i];
        else if (arg == "--quiet") options.logRequests = false;
        else if (arg == "--load-tabdesc") tabdesc = argv[++i];
        else if (arg == "--create-only") createOnly = true;
        else if (arg == "--set-password") setPassword = argv[++i];
        else if (arg == "--disable-user") disableUser = argv[++i];
        else if (arg == "--secure") secure = true;
        else if (arg == "--help" || arg == "-h") { Usage(); return 0; }
        else return Refuse("option inconnue : " + arg);
    }
    const bool pg = !options.pgConninfo.empty();
    if (options.dbPath.empty() && !pg)
        return Refuse("option --db manquante : le fichier de la base (ou --pg et la base PostgreSQL) est attendu");
    if (!options.dbPath.empty() && pg) return Refuse("--db et --pg s'excluent : une seule base est servie");
    if (!importFile.empty() && !pg) return Refuse("--import copie dans une base PostgreSQL : --pg est attendu");
    if (!importFile.empty() && (createOnly || !tabdesc.empty()))
        return Refuse("--import s'emploie seul : la base copiée porte déjà ses descriptions d'onglets");
    const bool access = !setPassword.empty() || !disableUser.empty();
    if (access && (!setPassword.empty() + !disableUser.empty() + createOnly + secure + !tabdesc.empty() + !importFile.empty() > 1))
        return Refuse("--set-password et --disable-user s'emploient seuls, avec la base visée");
    if (secure && !pg) return Refuse("--secure protège une base PostgreSQL : --pg est attendu");
    if (secure && (createOnly || !tabdesc.empty() || !importFile.empty()))
        return Refuse("--secure s'emploie seul, sur une base déjà créée");
    if (tabdesc.empty() && !createOnly && !secure && importFile.empty() && !access && options.imagesDir.empty())
        return Refuse("option --images manquante : le dossier des photos est attendu");
    const bool serving = importFile.empty() && tabdesc.empty() && !createOnly && !secure && !access;
    if (serving && options.tlsCert.empty() != options.tlsKey.empty())
        return Refuse(options.tlsCert.empty() ? "option --tls-cert manquante : le certificat va avec sa clé --tls-key"
                                              : "option --tls-key manquante : la clé privée va avec le certificat --tls-cert");
    if (serving) {
        const std::string refusal = ListenRefusal(options.bindAddress, !options.tlsCert.empty(), options.tlsProxy);
        if (!refusal.empty()) return Refuse(refusal);
    }
    try {
        if (access) return ChangeAccess(options.dbPath, options.pgConninfo, setPassword, disableUser);
        if (secure) {
            SecurePgDatabase(options.pgConninfo, copy.serviceRole, options.limits, copy.say);
            return 0;
        }
        if (!importFile.empty()) {
            ImportSqliteIntoPg(importFile, options.pgConninfo, copy);
            return 0;
        }
        if (!tabdesc.empty()) {
            if (pg) LoadPgTabDescriptions(options.pgConninfo, tabdesc);
            else LoadTabDescriptions(options.dbPath, tabdesc);
            std::cerr << "descriptions d'onglets chargées depuis " << tabdesc << "\n";
            return 0;
        }
        if (createOnly) {
            std::unique_ptr<Store> db;
            if (pg) {
                CreatePgDemoDatabase(options.pgConninfo, options.demoDir, copy);
                if (!options.imagesDir.empty()) db = std::make_unique<PgStore>(options.pgConninfo);
            } else {
                if (!std::filesystem::exists(options.dbPath)) CreateDemoDatabase(options.dbPath, options.demoDir);
                if (!options.imagesDir.empty()) db = std::make_unique<SqliteStore>(options.dbPath);
            }
            if (db) EnsureDemoPhotos(*db, options.imagesDir);
            return 0;
        }
        // SIGINT and SIGTERM are taken by a watcher thread, which stops the
        // server; requests in progress finish and the database closes cleanly.
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        DataService service(options);
        int port = service.start();
        std::cerr << "stanor-dataservice : " << service.scheme() << "://" << options.bindAddress << ":" << port
                  << "/ (base " << (pg ? std::string("PostgreSQL") : options.dbPath) << ", photos "
                  << options.imagesDir << ")"
                  << (options.tlsProxy.empty() ? "" : ", connexions du seul proxy TLS " + options.tlsProxy)
                  << std::endl;
        std::thread watcher([&] {
            int sig = 0;
            sigwait(&signals, &sig);
            std::cerr << "stanor-dataservice : arrêt demandé (" << (sig == SIGINT ? "SIGINT" : "SIGTERM") << ")"
                      << std::endl;
            service.stop();
        });
        service.run();
        // When run() ended for another reason, wake the watcher so it can end.
        pthread_kill(watcher.native_handle(), SIGTERM);
        watcher.join();
        std::cerr << "stanor-dataservice : arrêté" << std::endl;
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "stanor-dataservice : " << e.what() << "\n";
        return 1;
    }
}
