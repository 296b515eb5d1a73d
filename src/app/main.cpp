// ProjStanor: the program entry. One instance runs per user; a second start
// brings the first one forward and ends without creating any window.
#include "TAxStanor.h"
#include "DesktopSetup.h"
#include "InstanceStartup.h"

#include "images/UnitBlur.h"
#include "platform/ConsoleDialogs.h"
#include "platform/FileVersion.h"
#include "platform/QtDialogs.h"
#include "platform/RegFileStore.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <cstdio>

using namespace stanor;

namespace {
// The store cannot be read: the program ends after saying so.
constexpr int kExitUnreadableStore = 2;
}  // namespace

int main(int argc, char** argv) {
    // --help and --version answer before any window, display or settings.
    QStringList given;
    for (int i = 1; i < argc; ++i) given << QString::fromLocal8Bit(argv[i]);
    switch (app::readCommandLine(given)) {
    case app::CommandLine::Help:
        std::fputs(app::helpText().toUtf8().constData(), stdout);
        return 0;
    case app::CommandLine::Version:
        std::fputs(app::versionText(platform::GetFileVersion(QStringLiteral("/proc/self/exe"))).toUtf8().constData(),
                   stdout);
        return 0;
    case app::CommandLine::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ProjStanor"));
    // No display name: Qt would add it to the window's title, "Stanor ".
    QApplication::setDesktopFileName(QStringLiteral("projstanor"));
    QApplication::setWindowIcon(app::programIcon());
    app::installFrenchTranslations(app);
    app::chooseIconTheme();
    // The registration switches of the Windows automation server: the program
    // offers no automation class, so registering or unregistering has nothing
    // to do and the process ends at once, as it does there after the work.
    for (const QString& arg : QCoreApplication::arguments().mid(1)) {
        const QString sw = arg.mid(arg.startsWith(u'/') || arg.startsWith(u'-') ? 1 : 0).toLower();
        if (sw == u"regserver" || sw == u"unregserver") return 0;
    }

    platform::RegFileStore store(platform::RegFileStore::defaultPath());
    platform::SystemEnvironment env(QCoreApplication::applicationFilePath());
    platform::SystemClock clock;
    platform::QtKeyboard keyboard;
    // PROJSTANOR_DIALOGS=console writes every box to standard error instead of
    // showing it (runs with nobody at the screen).
    platform::QtDialogs qtDialogs;
    platform::ConsoleDialogs consoleDialogs;
    const bool console = qEnvironmentVariable("PROJSTANOR_DIALOGS") == QLatin1String("console");
    platform::Dialogs& dialogs = console ? static_cast<platform::Dialogs&>(consoleDialogs) : qtDialogs;

    platform::InstanceLock lock;
    if (!lock.tryAcquire()) {
        app::bringFirstInstanceForward(store, dialogs);
        return 0;
    }

    app::AppContext ctx{store, clock, dialogs, keyboard, env};
    app::TAxStanor form(ctx);
    qtDialogs.setParent(&form);
    // The plate-blurring form is created here, after the main form, as one
    // of its windows: the photo page blurs every photo in it.
    images::TFrmBlur frmBlur(dialogs, &form);

    platform::InstanceServer server;
    app::connectInstanceServer(server, form);
    if (form.SettingsUnreadable()) {
        // A store that cannot be read gives no parameters and takes none from
        // the launcher: after its boxes the program ends, no window left behind.
        app::publishInstance(store, dialogs, form, server);
        qtDialogs.setParent(nullptr);
        return kExitUnreadableStore;
    }
    form.RestoreWindowGeometry();
    form.show();
    app::publishInstance(store, dialogs, form, server);

    const int rc = app.exec();
    qtDialogs.setParent(nullptr);
    return rc;
}
