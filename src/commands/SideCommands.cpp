#include "commands/SideCommands.h"

#include "commands/TextMessage.h"
#include "pages/DesignedPages.h"
#include "pages/RecordView.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "records/RecordCommands.h"
#include "service/DataServiceClient.h"
#include "service/HttpRules.h"
#include "service/MultipartForm.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QHttpMultiPart>
#include <QTimer>
#include <QUrl>

namespace stanor::commands {

namespace {
constexpr char kObjectName[] = "stanorSideCommands";
// Start of the warning when a sheet could not be opened; a later sheet that
// opens clears only this warning, never a request's.
const QString kNotOpened = QStringLiteral("Fiche non ouverte : ");
}  // namespace

SideCommands::SideCommands(pages::RecordView& view, SideCommandsHost host)
    : QObject(&view), view_(view), host_(std::move(host)) {
    setObjectName(QLatin1String(kObjectName));
}

SideCommands* SideCommands::install(pages::DesignedPages& pages, pages::RecordView& view, SideCommandsHost host) {
    if (SideCommands* existing = of(&view)) return existing;
    auto* c = new SideCommands(view, std::move(host));
    if (auto* print = qobject_cast<QAbstractButton*>(view.form().widget(QStringLiteral("JvXPBtnPrint"))))
        connect(print, &QAbstractButton::clicked, c, [c] { c->JvXPBtnPrintClick(); });
    pages.handlers().set(QStringLiteral("czFeuilleMargeClick"), [c](pages::EventArgs&) { c->czFeuilleMargeClick(); });
    pages.handlers().set(QStringLiteral("JvXPBtnSMSClick"), [c](pages::EventArgs&) { c->JvXPBtnSMSClick(); });
    return c;
}

SideCommands* SideCommands::of(const pages::RecordView* view) {
    return view ? view->findChild<SideCommands*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

void SideCommands::pause(int ms) {
    if (host_.pause) {
        host_.pause(ms);
        return;
    }
    // The window keeps repainting and the timer ticking meanwhile.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void SideCommands::trace(const QString& text) const {
    if (view_.host().trace) view_.host().trace(text);
}

// ---------------------------------------------------------------- sheets

void SideCommands::JvXPBtnPrintClick() { print(PrintCommand::RecordSheet); }

void SideCommands::czFeuilleMargeClick() { print(PrintCommand::MarginSheet); }

void SideCommands::print(PrintCommand command) {
    // The sheet shows what is on screen: pending changes are stored first,
    // and the data service is given time to commit them before it reads.
    QWidget* save = view_.form().widget(QStringLiteral("JvXPBtnSave"));
    if (save && save->isEnabled()) {
        if (!host_.saveChanges || !host_.saveChanges()) return;
        pause(kSavePauseMs);
    }
    pages::RecordViewState& s = view_.state();
    const ShownRecord shown{s.RecordElement, view_.form().caption(QStringLiteral("JvXPBtnNewVO")), s.KindSuffix};
    const SheetChoice sheet = ChooseSheet(command, shown, host_.ctrlHeld && host_.ctrlHeld());
    // A record being created has no identifier yet: the answer at hand is
    // still the one of the record shown before it, whose sheet must not open
    // in its place.
    if (s.FlagNewEnreg) {
        trace(QStringLiteral("Impression : fiche en cours de création, pas encore enregistrée"));
        if (host_.dialogs)
            host_.dialogs->messageBox(records::MissingIdCaption(),
                                      sheet.customer ? records::MissingCustomerIdText()
                                                     : records::MissingVehicleIdText(),
                                      platform::MsgIcon::Warning, platform::MsgButtons::Ok);
        return;
    }
    const QString id = sheet.customer ? host_.getIdClient(true) : host_.getIdVO(true);
    if (id.isEmpty()) return;
    const QString selection = SheetSelection(sheet, id);
    const QString url = host_.reportUrl(selection, sheet.reportName);
    if (!host_.downloadSheet) {
        OpenInBrowser(url);
        return;
    }
    const service::HttpResult got = host_.downloadSheet(url);
    if (!got.ok) {
        warnNotOpened(got.error.section(u'\n', 0, 0));
        return;
    }
    if (!got.body.startsWith("%PDF-")) {
        QString items = service::LogItemsText(QString::fromLatin1(got.body)).trimmed();
        if (items.endsWith(QLatin1String(" -"))) items.chop(2);
        warnNotOpened(items.isEmpty() ? QStringLiteral("le service de données n'a pas donné de document PDF")
                                      : items);
        return;
    }
    QString why;
    const QString file = StorePrivateSheet(got.body, sheet.reportName, selection, why);
    if (file.isEmpty()) {
        warnNotOpened(why);
        return;
    }
    OpenInBrowser(QUrl::fromLocalFile(file).toString());
}

bool SideCommands::OpenInBrowser(const QString& url) {
    if (!host_.settings || !host_.shell) return false;
    const BrowserChoice browser = ChooseBrowser(*host_.settings);
    bool opened = false;
    QString why = browser.problem;
    switch (browser.how) {
    case BrowserChoice::How::Program:
        trace(QStringLiteral("OpenInBrowser : ") + browser.program + QStringLiteral(" ") + url);
        opened = host_.shell->startProgram(browser.program, {url});
        if (!opened) why = QStringLiteral("le navigateur « %1 » n'a pas pu être lancé").arg(browser.program);
        break;
    case BrowserChoice::How::Desktop:
        trace(QStringLiteral("OpenInBrowser : navigateur du bureau ") + url);
        opened = host_.shell->openAddress(url);
        if (!opened) why = QStringLiteral("aucun navigateur n'ouvre les pages web sur ce poste");
        break;
    case BrowserChoice::How::Nothing:
        break;
    }
    if (!opened) {
        warnNotOpened(why);
    } else if (host_.requestError && host_.requestError().startsWith(kNotOpened)) {
        host_.setRequestError(QString());
    }
    return opened;
}

void SideCommands::warnNotOpened(const QString& why) {
    trace(kNotOpened + why);
    if (host_.setRequestError) host_.setRequestError(kNotOpened + why);
}

// ---------------------------------------------------------------- text message

void SideCommands::JvXPBtnSMSClick() {
    const SmsSettings settings =
        host_.settings ? ReadSmsSettings(*host_.settings)
                       : SmsSettings{{}, {}, QStringLiteral("paramètres de la passerelle SMS absents")};
    QString error;
    if (!settings.problem.isEmpty()) {
        error = QStringLiteral("SMS non envoyé : ") + settings.problem;
    } else {
        const QString text =
            SmsText(view_.form().text(QStringLiteral("aSite")), view_.form().text(QStringLiteral("xcIdentity")));
        service::MultipartForm form;
        // The gateway reads the fields in UTF-8: their bytes go as they are.
        for (const FormField& f : SmsFormFields(settings.recipient, text))
            form.addTextBytes(f.name, f.value);
        const service::HttpResult posted = host_.postForm(settings.url, form.release());
        const QString result =
            posted.ok ? SmsAnswerText(posted.body) : SmsTransferFailure(settings.url, posted.error);
        error = SmsErrorText(result);
    }
    if (host_.setRequestError) host_.setRequestError(error);
}

}  // namespace stanor::commands
