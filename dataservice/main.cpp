// stanor-dataservice --db FILE --images DIR [--port N] [--bind ADDR]
// The companion data service of the desktop client.

#include "DataService.h"
#include "DemoLoader.h"
#include "DemoPhotos.h"

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
    std::cerr << "usage : stanor-dataservice --db FICHIER --images DOSSIER [--port N] [--bind ADRESSE]\n"
                 "                          [--demo DOSSIER] [--quiet]\n"
                 "        stanor-dataservice --db FICHIER --load-tabdesc FICHIER.tsv\n"
                 "        stanor-dataservice --db FICHIER --create-only [--images DOSSIER]\n"
                 "  --db        la base SQLite ; créée depuis les données de démonstration si absente\n"
                 "  --images    le dossier des photos (servies sous /images/)\n"
                 "  --port      le port d'écoute (8080 par défaut, 0 = un port libre)\n"
                 "  --bind      l'adresse d'écoute (127.0.0.1 par défaut)\n"
                 "  --demo      le dossier des données de démonstration\n"
                 "  --quiet     pas de ligne de journal par requête\n"
                 "  --load-tabdesc  remplace les descriptions d'onglets de la base et s'arrête\n"
                 "  --create-only   crée la base (et les photos) de démonstration puis s'arrête\n";
}

}  // namespace

int main(int argc, char** argv) {
    ServiceOptions options;
    options.demoDir = STANOR_DEMO_DIR;
    std::string tabdesc;
    bool createOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "valeur manquante après " << arg << "\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--db") options.dbPath = value();
        else if (arg == "--images") options.imagesDir = value();
        else if (arg == "--port") {
            try {
                options.port = std::stoi(value());
            } catch (...) {
                std::cerr << "port invalide\n";
                return 2;
            }
        } else if (arg == "--bind") options.bindAddress = value();
        else if (arg == "--demo") options.demoDir = value();
        else if (arg == "--quiet") options.logRequests = false;
        else if (arg == "--load-tabdesc") tabdesc = value();
        else if (arg == "--create-only") createOnly = true;
        else if (arg == "--help" || arg == "-h") { Usage(); return 0; }
        else { std::cerr << "option inconnue : " << arg << "\n"; Usage(); return 2; }
    }
    if (options.dbPath.empty() || (tabdesc.empty() && !createOnly && options.imagesDir.empty())) {
        Usage();
        return 2;
    }
    try {
        if (!tabdesc.empty()) {
            LoadTabDescriptions(options.dbPath, tabdesc);
            std::cerr << "descriptions d'onglets chargées depuis " << tabdesc << "\n";
            return 0;
        }
        if (createOnly) {
            if (!std::filesystem::exists(options.dbPath)) CreateDemoDatabase(options.dbPath, options.demoDir);
            if (!options.imagesDir.empty()) {
                Database db(options.dbPath);
                EnsureDemoPhotos(db, options.imagesDir);
            }
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
        std::cerr << "stanor-dataservice : http://" << options.bindAddress << ":" << port << "/ (base "
                  << options.dbPath << ", photos " << options.imagesDir << ")" << std::endl;
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
