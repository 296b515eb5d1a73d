// ProjStanor: the program entry. One instance runs per user; a second start
// brings the first one forward and ends without creating any window.
#include "TAxStanor.h"
#include "InstanceStartup.h"

#include "images/UnitBlur.h"
#include "platform/ConsoleDialogs.h"
#include "platform/QtDialogs.h"
#include "platform/RegFileStore.h"
#include "platform/SingleInstance.h"

#include <QApplication>

using namespace stanor;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ProjStanor"));
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
    // The plate-blurring form is created here, after the main form.
    images::TFrmBlur frmBlur(dialogs, &form);

    platform::InstanceServer server;
    app::connectInstanceServer(server, form);
    form.show();
    app::publishInstance(store, dialogs, form, server);

    const int rc = app.exec();
    qtDialogs.setParent(nullptr);
    return rc;
}
