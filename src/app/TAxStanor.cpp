#include "TAxStanor.h"

#include "records/TabsGuard.h"
#include "service/TextTools.h"

#include "FocusOrder.h"

#include "grids/CustomerFollowUp.h"
#include "grids/VehicleMoney.h"
#include "pages/DesignedPages.h"
#include "pages/DesignedPagesWiring.h"
#include "pages/EditingHostOf.h"
#include "pages/RecordEditing.h"
#include "pages/RecordView.h"
#include "pages/RecordViewHostOf.h"
#include "photos/PhotoSheet.h"
#include "photos/PhotoSheetHostOf.h"
#include "platform/FileVersion.h"
#include "records/PersistenceHostOf.h"
#include "records/RecordPersistence.h"
#include "search/DuplicateIndicators.h"
#include "search/SearchHostOf.h"
#include "search/SearchPanel.h"
#include "service/DataServiceClient.h"
#include "service/ProxySetup.h"
#include "service/UpdateParams.h"
#include "toolkit/FieldControl.h"
#include "toolkit/Grid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QHttpMultiPart>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <climits>
#include <optional>

namespace stanor::app {

using platform::MsgButtons;
using platform::MsgIcon;

namespace {

const QString kRegistryReadError =
    QStringLiteral("Une erreur est survenue lors de la lecture dans la base de registres.");

// The program keeps its texts in the system's code page (Windows-1252):
// characters outside it become "?".
QString toSingleByte(const QString& s) { return service::FromAnsi(service::ToAnsi(s)); }

// The run parameters read as numbers: "0" is put in front, so that an empty
// text reads as 0, and the whole text must then be decimal digits: a sign,
// a blank before or after ("3 ") or anything else is no number.
std::optional<int> registryInteger(const QString& text) {
    const QString digits = QStringLiteral("0") + text;
    for (QChar c : digits)
        if (c < u'0' || c > u'9') return std::nullopt;
    bool ok = false;
    const int v = digits.toInt(&ok);
    if (!ok) return std::nullopt;
    return v;
}

int strictInteger(const QString& text) {
    if (const auto v = registryInteger(text)) return *v;
    throw std::runtime_error(
        QStringLiteral("'0%1' n'est pas une valeur entière correcte").arg(text).toStdString());
}

int integerOr(const QString& text, int fallback) { return registryInteger(text).value_or(fallback); }

const QString kWindowGeometry = QStringLiteral("WindowGeometry");
const QString kServiceNetrcFile = QStringLiteral("ServiceNetrcFile");
const QString kSignInCaption = QStringLiteral("Connexion au service de données");

}  // namespace

TAxStanor::TAxStanor(const AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx), trace_(ctx.clock) {
    buildControls();
    // Designed controls of the sheets are added here, before the creation event.
    auto* view = pages::RecordView::of(this, [this] { return pages::recordViewHostOf(*this); });
    auto* designed = pages::DesignedPages::build(Tabs, [this](const QString& t) { WriteTrace(t); });
    pages::wireRecordView(*designed, *view);
    editing_ = pages::RecordEditing::install(*designed, *view, pages::editingHostOf(*this));
    persistence_ = records::RecordPersistence::install(*view, *editing_, records::persistenceHostOf(*this));
    grids::VehicleMoney::install(*designed, *view, *editing_,
                                 {[this] { return SaveChanges(); }, [this] { JvXPBtnActualizeClick(); }, {},
                                  [this] { return SaveBeforeLeaving(); }})
        ->connectSaving(persistence_->host());
    grids::CustomerFollowUp::install(*designed, *view, *editing_,
                                     {[this] { return SaveChanges(); }, [this] { JvXPBtnActualizeClick(); },
                                      [this](const QString& name) { return GetTagRegistry(name); },
                                      [this](const QString& name, const QString& value) { SetTagRegistry(name, value); },
                                      [this] { return SaveBeforeLeaving(); }})
        ->connectSaving(persistence_->host());
    photos::PhotoSheet::install(*designed, *view, *persistence_, photos::photoSheetHostOf(*this));
    installSideCommands();
    search_ = search::SearchPanel::install(PanelSearch, JvXPBtnSearch, *view, searchHost());
    duplicates_ = search::DuplicateIndicators::install(*designed, *view, *search_);

    // The form sees keys before its controls (TAB interception).
    qApp->installEventFilter(this);
    ActiveFormCreate();
    if (ctx_.startTimer) Timer1->start();
}

TAxStanor::~TAxStanor() {
    // The controls are destroyed after the form's own state: the focus they
    // lose and the editors they close then are no edit of the user, and the
    // handlers they would run read that state. None runs from here on.
    if (auto* pages = pages::DesignedPages::of(Tabs)) pages->handlers().stop();
    for (auto* events : findChildren<toolkit::FieldEvents*>()) events->blockSignals(true);
    for (auto* grid : findChildren<toolkit::Grid*>()) grid->blockSignals(true);
    qApp->removeEventFilter(this);
    ActiveFormDestroy();
    setWaitCursor(false);
}

QString TAxStanor::HttpRoot() const { return LbHttpRoot->text(); }
QString TAxStanor::IdTVO() const { return LbIdTVO->text(); }
QString TAxStanor::IdClient() const { return LbIDCustomer->text(); }

// ---------------------------------------------------------------- creation

void TAxStanor::ActiveFormCreate() {
    TraceOn = false;
    ParamCount = 0;
    // Every date and number conversion of the program writes "dd/mm/yyyy" and a
    // decimal point; the default locale carries the decimal point.
    QLocale::setDefault(QLocale::c());
    writeStartDebugLine();
    setWaitCursor(true);
    PanelSplash->raise();
    const QString versionFile =
        OCXName.isEmpty() ? ctx_.env.get(QStringLiteral("ProgramFiles")) + QStringLiteral("\\Stanor\\ProjStanor.exe")
                          : ctx_.env.get(QStringLiteral("Windir")) + QStringLiteral("\\Downloaded Program Files\\") +
                                OCXName;
    FileVersion = platform::GetFileVersion(versionFile).replace(u'.', u',');
    LbSplash->setText(QStringLiteral("Stanor - Version ") + FileVersion);
    PanelSearch->hide();
    PanelSplash->show();
    OnStart();
}

void TAxStanor::ActiveFormActivate() { writeStartDebugLine(); }

void TAxStanor::ActiveFormDestroy() {}

void TAxStanor::writeStartDebugLine() {
    LbDebugInfo3->setText(QStringLiteral("Démarrage de AxStanor... [%1]").arg(ParamCount) + HttpRoot() +
                          QStringLiteral(" - ") + BaseHRef + QStringLiteral(" - ") + IdTVO());
    LbDebugInfo1->setText(QStringLiteral("Démarrage de AxStanor..."));
}

void TAxStanor::setWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- run parameters

void TAxStanor::OnStart() {
    settingsUnreadable_ = false;
    TraceOn = false;
    TraceDir = ctx_.env.get(QStringLiteral("Windir")) + QStringLiteral("\\TEMP");
    platform::SettingsStore& store = ctx_.settings;
    const QString& key = platform::kStanorKey;
    try {
        store.createKey(key);
        TraceOn = integerOr(store.readString(key, QStringLiteral("Trace")), 0) != 0;
        const QString dir = store.readString(key, QStringLiteral("TraceRepTemp"));
        if (!dir.isEmpty()) TraceDir = dir;
        IdTypeVO = strictInteger(store.readString(key, QStringLiteral("idTypeVO")));

        struct Param {
            const char* value;
            int (TAxStanor::*setter)(const QString&);
        };
        static const Param params[] = {
            {"HttpRoot", &TAxStanor::httproot},
            {"BaseHRef", &TAxStanor::basehref},
            {"idTVO", &TAxStanor::idtvo},
            {"OCXName", &TAxStanor::ocxname},
            {"OCXVersion", &TAxStanor::ocxversion},
            {"URLImages", &TAxStanor::urlimages},
            {"idUser", &TAxStanor::iduser},
            {"UserConcession", &TAxStanor::userconcession},
            {"UserSite", &TAxStanor::usersite},
            {"WhereClause", &TAxStanor::whereclause},
            {"OrderClause", &TAxStanor::orderclause},
            {"idClient", static_cast<int (TAxStanor::*)(const QString&)>(&TAxStanor::idClient)},
        };
        for (const Param& p : params) {
            const QString name = QString::fromLatin1(p.value);
            if ((this->*p.setter)(store.readString(key, name)) != 0)
                throw std::runtime_error(
                    QStringLiteral("« %1 » : %2").arg(name, lastSetterError_).toStdString());
        }
        // The group's own certification authority, believed with the system's
        // for the "https://" addresses of the service and of the photos.
        Http().SetTlsAuthority(store.readString(key, service::kTlsAuthorityFile));
    } catch (const std::exception& e) {
        // The reading stops at the faulty value; the box names the fault below
        // the fixed text. A store that cannot be read at all is remembered:
        // at start-up the program then ends instead of waiting for a reload.
        settingsUnreadable_ = dynamic_cast<const platform::StoreUnreadable*>(&e) != nullptr;
        ctx_.dialogs.messageBox(QStringLiteral("Erreur"),
                                kRegistryReadError + u'\n' + QString::fromUtf8(e.what()), MsgIcon::Error,
                                MsgButtons::Ok);
    }
}

template <typename Store>
int TAxStanor::runSetter(const char* name, const QString& value, Store&& store) {
    try {
        store(toSingleByte(value));
        ++ParamCount;
        WriteTrace(QString::fromLatin1(name));
        return 0;
    } catch (const std::exception& e) {
        lastSetterError_ = QString::fromUtf8(e.what());
        return 1;
    }
}

int TAxStanor::httproot(const QString& v) {
    return runSetter("httproot", v, [this](const QString& s) { LbHttpRoot->setText(s); });
}
int TAxStanor::basehref(const QString& v) {
    return runSetter("basehref", v, [this](const QString& s) {
        BaseHRef = s;
        LbBaseHRef->setText(s);
    });
}
int TAxStanor::idtvo(const QString& v) {
    return runSetter("idtvo", v, [this](const QString& s) { LbIdTVO->setText(s); });
}
int TAxStanor::idClient(const QString& v) {
    return runSetter("idClient", v, [this](const QString& s) { LbIDCustomer->setText(s); });
}
int TAxStanor::ocxname(const QString& v) {
    return runSetter("ocxname", v, [this](const QString& s) { OCXName = s; });
}
int TAxStanor::ocxversion(const QString& v) {
    return runSetter("ocxversion", v, [this](const QString& s) { OCXVersion = s; });
}
int TAxStanor::urlimages(const QString& v) {
    return runSetter("urlimages", v, [this](const QString& s) { URLImages = s; });
}
int TAxStanor::iduser(const QString& v) {
    return runSetter("iduser", v, [this](const QString& s) { IdUser = s; });
}
int TAxStanor::userconcession(const QString& v) {
    return runSetter("userconcession", v, [this](const QString& s) { UserConcession = s; });
}
int TAxStanor::usersite(const QString& v) {
    return runSetter("usersite", v, [this](const QString& s) { UserSite = s; });
}
int TAxStanor::whereclause(const QString& v) {
    return runSetter("whereclause", v, [this](const QString& s) { WhereClause = s; });
}
int TAxStanor::orderclause(const QString& v) {
    return runSetter("orderclause", v, [this](const QString& s) { OrderClause = s; });
}

void TAxStanor::SetTagRegistry(const QString& name, const QString& value) {
    try {
        ctx_.settings.createKey(platform::kStanorKey);
        ctx_.settings.writeString(platform::kStanorKey, name, value);
    } catch (const std::exception&) {
        // A remembered choice that cannot be stored is simply not kept.
    }
}

QString TAxStanor::GetTagRegistry(const QString& name) {
    try {
        ctx_.settings.createKey(platform::kStanorKey);
        return ctx_.settings.readString(platform::kStanorKey, name);
    } catch (const std::exception&) {
        return {};
    }
}

void TAxStanor::RestoreWindowGeometry() {
    const QStringList parts = GetTagRegistry(kWindowGeometry).split(u';');
    if (parts.size() != 4) return;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok) return;  // a value spoilt by hand is ignored
    }
    const QRect frame(v[0], v[1], std::max(v[2], minimumWidth()), std::max(v[3], minimumHeight()));
    // Only where a screen still shows the window's top-left part.
    const QScreen* screen = QGuiApplication::screenAt(frame.topLeft() + QPoint(40, 20));
    if (!screen) return;
    resize(frame.size());
    move(frame.topLeft());
}

void TAxStanor::SaveWindowGeometry() {
    if (isMinimized() || isMaximized() || isFullScreen()) return;
    const QRect g = geometry();
    const QPoint at = pos();
    SetTagRegistry(kWindowGeometry,
                   QStringLiteral("%1;%2;%3;%4").arg(at.x()).arg(at.y()).arg(g.width()).arg(g.height()));
}

// ---------------------------------------------------------------- timer

void TAxStanor::Timer1Timer() {
    try {
        if (++TimerTicks > 3) {
            TimerTicks = 0;
            ++IdleSeconds;
        }
        // A sign-in cancelled by the command that ended holds no later one back.
        if (http_ && http_->pendingRequests() == 0) http_->AllowSignInAgain();
        if (DblDelay != 0 && --DblDelay == 0) HttpGetDblInfo();
        if (SearchDelay != 0 && --SearchDelay == 0) HttpGetSearchInfo();
        if (Blinking) {
            ++BlinkTicks;
            if (BlinkTicks % 3 == 1) Shape1->setVisible(Shape1->isHidden());
        }
        LbDebugInfo3->setText(QStringLiteral("[%1]").arg(ParamCount) + HttpRoot() + QStringLiteral(" - ") + BaseHRef +
                              QStringLiteral(" - ") + IdTVO() + QStringLiteral(" - ") + URLImages);
        LbSplash->clear();
        if (ParamCount >= 12 && StartCount < INT_MAX) {
            if (++StartCount == 1) startupSequence();
        }
    } catch (const std::exception& e) {
        ShowDefaultError(QString::fromUtf8(e.what()));
    }
}

void TAxStanor::startupSequence() {
    WriteTrace(QStringLiteral("on TimerOK : "));
    FileVersion = platform::GetFileVersion(ctx_.env.get(QStringLiteral("Windir")) +
                                           QStringLiteral("\\Downloaded Program Files\\") + OCXName)
                      .replace(u'.', u',');
    LbVersion->setText(QStringLiteral("TAxStanor-") + FileVersion + QStringLiteral("-"));
    SetProxy();
    setLbVersionRed(FileVersion != OCXVersion);
    UpdateParams();
    UpdateView(true);
    PanelSplash->hide();
    setWaitCursor(false);
    // From now on the hint of the control under the mouse goes to LbDebugInfo3.
    hintsRouted_ = true;
    reportFirstRecord();
}

bool TAxStanor::RecordShown() {
    auto* view = pages::RecordView::of(this, [this] { return pages::recordViewHostOf(*this); });
    return view && view->state().RecordLoaded;
}

// Once the first record is painted, its time goes to the program's messages,
// so that the start-up can be measured from outside without waiting blindly.
void TAxStanor::reportFirstRecord() {
    if (!isVisible() || !RecordShown()) return;
    repaint();
    qInfo("ProjStanor : première fiche affichée (horloge %lld ms)",
          static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
}

// ---------------------------------------------------------------- reload message

void TAxStanor::OnMsgActualize() {
    try {
        // Changes pending on the record shown are saved before it is left;
        // when they cannot be, it stays on screen with them.
        if (!persistence_->saveBeforeLeaving()) return;
        Http().AllowSignInAgain();
        OnStart();
        showSplash();
        HttpDisconnect();
        UpdateParams();
        UpdateView(true);
        PanelSplash->hide();
    } catch (const std::exception& e) {
        ShowDefaultError(QString::fromUtf8(e.what()));
    }
}

void TAxStanor::showSplash() {
    PanelSplash->raise();
    PanelSearch->hide();
    PanelSplash->show();
}

// ---------------------------------------------------------------- keys and hints

int TAxStanor::CMWantSpecialKey(int key) {
    if (key != 9) return 0;
    WriteTrace(QStringLiteral("CMWantSpecialKey : Key TAB détecté"));
    // The question comes only when no control takes TAB itself: a control
    // with the focus passes it on to the next one, and the form lets it.
    QWidget* focus = formFocus();
    if (focus && focus != this && isAncestorOf(focus)) return 0;
    ctx_.dialogs.messageBox(QStringLiteral("Stanor"), QStringLiteral("Tab intercepté!"), MsgIcon::None,
                            MsgButtons::Ok);
    return 1;
}

QWidget* TAxStanor::formFocus() const {
    // A message box closed without a window manager gives the activation back
    // to no window: the application then has no focus widget, while the form
    // still knows its own and keeps receiving the keys.
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus : focusWidget();
}

bool TAxStanor::moveFocus(bool forward) {
    QWidget* focus = formFocus();
    if (!isActiveWindow()) activateWindow();
    // A grid moves from cell to cell itself.
    for (QWidget* p = focus; p && p != this; p = p->parentWidget())
        if (qobject_cast<QAbstractItemView*>(p)) return false;
    QWidget* next = nextTabStop(Tabs->currentWidget(), focus, forward);
    if (next) next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void TAxStanor::switchSheet(bool forward) {
    // Only the sheets the record shows: a hidden sheet belongs to another kind of record.
    const int n = Tabs->count(), from = Tabs->currentIndex();
    for (int step = 1; step < n; ++step) {
        const int i = (from + (forward ? step : n - step)) % n;
        if (Tabs->isTabVisible(i) && Tabs->isTabEnabled(i)) {
            // Leaving the sheet saves first, as a click on its tab does.
            if (records::TabsGuard* guard = persistence_ ? persistence_->tabsGuard() : nullptr)
                guard->requestSwitch(i);
            else
                Tabs->setCurrentIndex(i);
            return;
        }
    }
}

void TAxStanor::GestionHints(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    LbDebugInfo3->setText(bar >= 0 ? hint.mid(bar + 1) : hint);
}

bool TAxStanor::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) ActiveFormActivate();
    return QWidget::event(e);
}

// TAB pressed anywhere in the form is offered to CMWantSpecialKey before the
// focused control or Qt's focus chain sees it (the application-wide filter is
// the only place that sees the key before a text editor consumes it). When no
// control has the focus the form takes the key (its box); otherwise TAB and
// Shift+TAB move through the current sheet in reading order, and Ctrl+TAB
// goes to the next sheet the record shows.
bool TAxStanor::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::Enter) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && (w == this || isAncestorOf(w))) {
            if (e->type() == QEvent::KeyPress) {
                auto* k = static_cast<QKeyEvent*>(e);
                const bool tab = k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab;
                const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
                const bool backward = k->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
                if (tab && (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
                    switchSheet(!backward);
                    return true;
                }
                if (tab && !(mods & ~Qt::ShiftModifier)) {
                    try {
                        if (CMWantSpecialKey(9) == 1) return true;
                    } catch (const std::exception& ex) {
                        ShowDefaultError(QString::fromUtf8(ex.what()));
                        return true;
                    }
                    if (moveFocus(!backward)) return true;
                }
            } else if (hintsRouted_) {
                // A control without a hint of its own shows its parent's.
                QString hint;
                for (QWidget* p = w; p && hint.isEmpty() && p != parentWidget(); p = p->parentWidget())
                    hint = p->toolTip();
                GestionHints(hint);
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

// ---------------------------------------------------------------- trace

void TAxStanor::WriteTrace(const QString& text) {
    if (!TraceOn) return;
    trace_.write(TraceDir, text);
}

void TAxStanor::ShowDefaultError(const QString& message) {
    ctx_.dialogs.messageBox(QStringLiteral("ProjStanor"), message, MsgIcon::Error, MsgButtons::Ok);
}

// ---------------------------------------------------------------- editing

bool TAxStanor::TestPageUpdate(int page) { return editing_->TestPageUpdate(page); }

void TAxStanor::ActionInfoRubrique(QWidget* control, int mode) { editing_->ActionInfoRubrique(control, mode); }

// The check runs about a second later from the timer, once typing pauses.
void TAxStanor::setDblChange(const QString& kind) {
    DblField = kind;
    DblDelay = 4;
}

// ---------------------------------------------------------------- search

// The search panel's host: its hits go to the record commands, which open
// one after saving what is pending, and step through them with the next and
// previous buttons.
search::SearchHost TAxStanor::searchHost() {
    search::SearchHost h = search::searchHostOf(*this);
    records::RecordCommandsForm& commands = persistence_->commands();
    h.setHits = [&commands](const QStringList& ids, bool customers, const QList<int>& kinds) {
        commands.hits().setHits(ids, customers, kinds);
    };
    h.selectHit = [&commands](int row) { commands.selectHit(row); };
    h.currentHit = [&commands] { return commands.hits().current(); };
    h.openHit = [&commands](int row) { return commands.openHit(row); };
    return h;
}

// ---------------------------------------------------------------- later work

// Loads the reference lists and tab descriptions, reusing answers younger than
// 12 hours unless Ctrl is held; failures leave the earlier answers in place.
void TAxStanor::UpdateParams() { service::UpdateParams(Http(), Requests()); }

// Shows the record named by LbIdTVO / LbIDCustomer on its pages.
void TAxStanor::UpdateView(bool reload) {
    pages::RecordView::of(this, [this] { return pages::recordViewHostOf(*this); })->UpdateView(reload);
}

// Duplicate-customer check run when DblDelay runs out.
void TAxStanor::HttpGetDblInfo() { duplicates_->HttpGetDblInfo(); }

// Search run when SearchDelay runs out.
void TAxStanor::HttpGetSearchInfo() { search_->HttpGetSearchInfo(); }

// Proxy set-up from the Internet settings (or http_proxy where they are
// absent); appends the proxy text to LbVersion when a proxy is in use.
void TAxStanor::SetProxy() { service::SetupProxy(Http(), *this, ctx_.settings, ctx_.env); }

// Closes the HTTP connection so that the next request opens a fresh one.
void TAxStanor::HttpDisconnect() { Http().Disconnect(); }

// ---------------------------------------------------------------- data-service host

service::DataServiceClient& TAxStanor::Http() {
    if (!http_) {
        service::ClientOptions options;
        options.clock = &ctx_.clock;
        http_ = std::make_unique<service::DataServiceClient>(*this, options);
    }
    return *http_;
}

void TAxStanor::HttpExecute(const QString& url, const QString& fileName) { Http().HttpExecute(url, fileName); }

void TAxStanor::HttpExecuteCached(const QString& url, const QString& fileName) {
    Http().HttpExecuteCached(url, fileName);
}

void TAxStanor::HttpPost(const QString& url, const QString& fileName, std::unique_ptr<QHttpMultiPart> form) {
    Http().HttpPost(url, fileName, std::move(form));
}

void TAxStanor::setRequestError(const QString& text) {
    LbDebugInfo0->setText(text);
    LbWarning->setText(text);
    PanelWarning->setVisible(!text.isEmpty());
}

QString TAxStanor::requestError() const { return LbDebugInfo0->text(); }

void TAxStanor::setDebugInfo1(const QString& text) { LbDebugInfo1->setText(text); }

void TAxStanor::appendVersionText(const QString& text) { LbVersion->setText(LbVersion->text() + text); }

service::ServiceParams TAxStanor::params() const { return {BaseHRef, UserConcession, IdTVO(), IdUser, TraceDir}; }

bool TAxStanor::ctrlHeld() const { return ctx_.keyboard.ctrlHeld(); }

QString TAxStanor::netrcFile() const {
    QString file;
    try {
        file = ctx_.settings.readString(platform::kStanorKey, kServiceNetrcFile).trimmed();
    } catch (const std::exception&) {
        // A value of another type names no file: the user's own is read.
    }
    return file.isEmpty() ? QStringLiteral("~/.netrc") : file;
}

std::optional<QString> TAxStanor::askPassword(const QString& user, const QString& message) {
    return ctx_.dialogs.askPassword(kSignInCaption, user, message);
}

QString TAxStanor::userName() const {
    auto* self = const_cast<TAxStanor*>(this);
    auto* view = pages::RecordView::of(self, [self] { return pages::recordViewHostOf(*self); });
    return view ? view->state().UserName : QString();
}

}  // namespace stanor::app
