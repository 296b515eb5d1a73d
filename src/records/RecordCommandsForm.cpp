#include "records/RecordCommandsForm.h"

#include "pages/RecordEditing.h"
#include "pages/RecordView.h"
#include "pages/RecordViewRules.h"
#include "platform/Dialogs.h"
#include "records/HistoryWindow.h"
#include "records/RecordCommands.h"
#include "records/RecordSaving.h"
#include "records/SaveRules.h"
#include "records/SqlLiterals.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

#include <QApplication>
#include <QTabWidget>
#include <exception>

namespace stanor::records {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

// The hourglass for the length of a command.
struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

RecordCommandsForm::RecordCommandsForm(pages::RecordView& view, pages::RecordEditing& editing, PersistenceHost& host,
                                       RecordSaving& saving)
    : view_(view), editing_(editing), host_(host), saving_(saving) {}

void RecordCommandsForm::trace(const QString& text) const {
    if (view_.host().trace) view_.host().trace(text);
}

QString RecordCommandsForm::caption(const QString& name) { return view_.form().caption(name); }

QString RecordCommandsForm::requestError() const {
    return editing_.host().requestError ? editing_.host().requestError()
                                        : view_.form().caption(QStringLiteral("LbDebugInfo0"));
}

// ---------------------------------------------------------------- identifiers

QString RecordCommandsForm::GetIdVO(bool report) {
    // A vehicle being created is not stored yet: the answer at hand is the
    // one of the vehicle shown before it.
    const QString id = view_.state().FlagNewEnreg
                           ? QString()
                           : RecordAnswerValue(view_.state().RecordXml.Text, QStringLiteral("tVO"), QStringLiteral("idVO"));
    if (report && id.isEmpty() && editing_.host().dialogs)
        editing_.host().dialogs->messageBox(MissingIdCaption(), MissingVehicleIdText(), MsgIcon::Warning,
                                            MsgButtons::Ok);
    return id;
}

QString RecordCommandsForm::GetIdClient(bool report) {
    const QString id =
        RecordAnswerValue(view_.state().RecordXml.Text, QStringLiteral("TVC"), QStringLiteral("idClient"));
    if (report && id.isEmpty() && editing_.host().dialogs)
        editing_.host().dialogs->messageBox(MissingIdCaption(), MissingCustomerIdText(), MsgIcon::Warning,
                                            MsgButtons::Ok);
    return id;
}

// ---------------------------------------------------------------- new record

bool RecordCommandsForm::saveUnderWay(const char* command) const {
    if (!saving_.saving()) return false;
    // The save's requests run in a nested event loop: a command that changes
    // or leaves the record waits until the save has ended.
    trace(QStringLiteral("%1 ignoré : un enregistrement est en cours").arg(QLatin1String(command)));
    return true;
}

void RecordCommandsForm::JvXPBtnNewVOClick() {
    if (saveUnderWay("JvXPBtnNewVOClick")) return;
    // What the record holds is stored first; a record whose changes could
    // not all be stored stays on screen. A save may leave the record with
    // more to store (the cost totals after the fixed cost it added).
    if (!saving_.SaveChanges() || !saving_.saveAll()) return;
    startNewRecord();
}

void RecordCommandsForm::startNewRecord() {
    pages::RecordViewState& s = view_.state();
    const QString kind = caption(QStringLiteral("JvXPBtnNewVO"));
    if (kind == QLatin1String("CL")) {
        // The answer of a customer being created: no customer, the user's
        // rights; the one in the folder is the customer shown until now.
        const QString before = caption(QStringLiteral("LbIDCustomer"));
        view_.form().setCaption(QStringLiteral("LbIDCustomer"), QStringLiteral("-1"));
        const service::ServiceRequest r = editing_.host().requests().infoCL();
        if (view_.host().httpExecute) view_.host().httpExecute(r.url, r.answerFile);
        if (!requestError().isEmpty()) {
            view_.form().setCaption(QStringLiteral("LbIDCustomer"), before);
            return;
        }
    }
    s.FlagNewEnreg = true;
    saving_.attempts().forget();
    // The identifier of the vehicle replaced goes with it: a reload or a
    // save must never take the new record for that one.
    if (kind != QLatin1String("CL")) view_.form().setCaption(QStringLiteral("LbIdTVO"), QString());
    QTabWidget* tabs = view_.form().tabs();
    const int sheet = NewRecordSheet(kind);
    if (kind == QLatin1String("CL")) {
        emptyGrid(QStringLiteral("ngAction"));
        emptyGrid(QStringLiteral("ngVehicles"));
    }
    if (tabs && sheet >= 0) tabs->setCurrentIndex(sheet);
    s.FrevoValue.clear();
    try {
        view_.UpdateTabDesc(false, true);
    } catch (const std::exception& e) {
        trace(QStringLiteral("JvXPBtnNewVOClick : ") + QString::fromLocal8Bit(e.what()));
    }
    preselectSite(kind);
    // The grids of the sheet shown belong to the record left: they are loaded again, empty.
    TabsChange();
}

void RecordCommandsForm::emptyGrid(const QString& name) {
    if (auto* grid = qobject_cast<toolkit::Grid*>(view_.form().widget(name))) grid->clearLines();
}

void RecordCommandsForm::preselectSite(const QString& kind) {
    auto* combo = qobject_cast<toolkit::ComboBox*>(view_.form().widget(SiteControl(kind)));
    if (!combo || !combo->claimed()) return;
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    const QString userSite = view_.host().userSite ? view_.host().userSite() : QString();
    const int index = PreselectSite(items, view_.state().UserUS1, userSite);
    if (index < 0) return;
    combo->setCurrentIndex(index);
    const int page = pages::tagPage(combo->tag());
    pages::TsPage* pg = page >= 0 && page < pages::kPageCount ? &view_.state().pages[page] : nullptr;
    const int row = pages::tagIndex(combo->tag());
    if (!pg || row < 0 || row >= int(pg->Fields.size())) return;
    pg->Fields[size_t(row)].CurrentValue = items[index].toUpper();
    editing_.updates().TestPageUpdate(page);
}

// ---------------------------------------------------------------- save and reload

void RecordCommandsForm::JvXPBtnSaveClick() { saving_.JvXPBtnSaveClick(); }

bool RecordCommandsForm::JvXPBtnActualizeClick() {
    Hourglass hourglass;
    pages::RecordViewState& s = view_.state();
    const pages::RecordViewHost& h = view_.host();
    const service::RequestCatalogue requests = editing_.host().requests();
    // The error of a request whose answer the record is read from.
    QString failed;
    auto fetch = [&](const service::ServiceRequest& r, QString& url, bool read) {
        url = r.url;
        if (host_.httpDisconnect) host_.httpDisconnect();
        if (h.httpExecute) h.httpExecute(r.url, r.answerFile);
        if (read && failed.isEmpty()) failed = requestError();
    };
    const QString customer = caption(QStringLiteral("LbIDCustomer"));
    const QString vehicle = caption(QStringLiteral("LbIdTVO"));
    const pages::AnswerFiles files = pages::chooseAnswerFiles(customer);
    // A vehicle being created has nothing stored to load: it is shown again
    // as a new record, never as the vehicle the answer at hand describes.
    const bool creatingVehicle = s.FlagNewEnreg && customer.isEmpty() && pages::captionId(vehicle) <= 0;
    if (!vehicle.isEmpty() && !creatingVehicle) fetch(requests.infoVO(), s.UrlInfoVO, files.vehicle);
    if (!customer.isEmpty()) fetch(requests.infoCL(), s.UrlInfoCL, files.customer);
    // A failed request leaves the previous record's answer in the folder:
    // applying it would show that record under the identifiers asked for.
    if (!failed.isEmpty()) {
        view_.form().setCaption(QStringLiteral("LbDebugInfo0"), failed);
        view_.form().setVisible(QStringLiteral("PanelWarning"), true);
        return false;
    }
    // Only a customer marked "-1" or a vehicle without identifier is still being created.
    s.FlagNewEnreg = creatingVehicle || (!customer.isEmpty() && pages::captionId(customer) <= 0);
    s.NewVehicle = false;
    saving_.attempts().forget();
    try {
        view_.UpdateTabDesc(false, true);
    } catch (const std::exception& e) {
        trace(QStringLiteral("JvXPBtnActualizeClick : ") + QString::fromLocal8Bit(e.what()));
    }
    TabsChange();
    return true;
}

void RecordCommandsForm::JvXPBtnHistoryClick() {
    const bool customer = caption(QStringLiteral("JvXPBtnNewVO")) == QLatin1String("CL");
    const QString table = customer ? QStringLiteral("tClients") : QStringLiteral("tVehicles");
    const QString key = caption(customer ? QStringLiteral("LbIDCustomer") : QStringLiteral("LbIdTVO"));
    if (!IsIdentifier(key) || key.toLongLong() <= 0) {
        if (editing_.host().dialogs)
            editing_.host().dialogs->messageBox(QStringLiteral("Historique"),
                                                QStringLiteral("L'enregistrement n'est pas encore enregistré : "
                                                               "il n'a pas d'historique."),
                                                MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const service::ServiceRequest r = editing_.host().requests().history(table, key);
    if (view_.host().httpExecute) view_.host().httpExecute(r.url, r.answerFile);
    if (const QString failed = requestError(); !failed.isEmpty()) {
        view_.form().setVisible(QStringLiteral("PanelWarning"), true);
        return;
    }
    std::vector<HistoryLine> lines = ReadHistoryAnswer(service::LoadTextFile(r.answerFile));
    CaptionHistory(lines, view_.state().pages, table);
    if (HistoryWindow* open = HistoryWindow::of(view_.form().form())) open->close();
    auto* window = new HistoryWindow(view_.form().form(),
                                     QStringLiteral("Historique - %1 %2")
                                         .arg(customer ? QStringLiteral("client") : QStringLiteral("véhicule"), key),
                                     std::move(lines));
    window->show();
}

void RecordCommandsForm::reloadAsked() {
    if (saveUnderWay("JvXPBtnActualizeClick")) return;
    if (askToSave()) JvXPBtnActualizeClick();
}

bool RecordCommandsForm::askToSave() {
    if (saving_.saving()) return false;
    if (!saving_.anyPending()) return true;
    platform::Dialogs* dialogs = editing_.host().dialogs;
    const MsgResult answer =
        dialogs ? dialogs->messageBox(QStringLiteral("Stanor"), QStringLiteral("Enregistrer les modifications ?"),
                                      MsgIcon::Question, MsgButtons::YesNoCancel)
                : MsgResult::Cancel;
    if (answer == MsgResult::Yes) return saving_.saveAll();
    if (answer == MsgResult::No) {
        trace(QStringLiteral("Modifications abandonnées à la demande de l'utilisateur"));
        saving_.discardPending();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- delete and sweep

bool RecordCommandsForm::sendChain(const QStringList& statements) {
    const service::RequestCatalogue requests = editing_.host().requests();
    for (const QString& statement : statements) {
        view_.form().setCaption(QStringLiteral("LbDebugInfo2"), statement);
        const service::ServiceRequest r = requests.remove(statement);
        if (view_.host().httpExecute) view_.host().httpExecute(r.url, r.answerFile);
        if (!requestError().isEmpty()) return false;
    }
    return true;
}

void RecordCommandsForm::JvXPBtnSupprClick() {
    platform::Dialogs* dialogs = editing_.host().dialogs;
    if (!dialogs || saveUnderWay("JvXPBtnSupprClick")) return;
    const QString kind = caption(QStringLiteral("JvXPBtnNewVO"));
    const bool customer = kind == QLatin1String("CL");
    const QString question =
        customer ? CustomerDeleteQuestion(view_.form().text(QStringLiteral("aCliNom")),
                                          view_.form().text(QStringLiteral("aCliPrenom")))
                 : VehicleDeleteQuestion(kind, view_.form().text(QStringLiteral("xcInfoNVO")));
    // A vehicle being created is not stored yet: the answer still holds the
    // record shown before it, which is not the one the question names.
    if (!customer && view_.state().FlagNewEnreg) {
        dialogs->messageBox(MissingIdCaption(), MissingVehicleIdText(), MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    if ((customer ? GetIdClient(true) : GetIdVO(true)).isEmpty()) return;
    if (dialogs->messageBox(DeleteQuestionCaption(), question, MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    // A save started while the question was open is let to end first.
    if (saveUnderWay("JvXPBtnSupprClick")) return;
    const pages::RecordViewState& s = view_.state();
    const StatementChain chain =
        customer ? CustomerDeleteStatements(GetIdClient(false))
                 : VehicleDeleteStatements(RecordAnswerValue(s.RecordXml.Text, s.RecordElement, QStringLiteral("idVO")));
    if (chain.empty()) {
        trace(QStringLiteral("JvXPBtnSupprClick : ") + chain.Reason);
        dialogs->messageBox(MissingIdCaption(), customer ? MissingCustomerIdText() : MissingVehicleIdText(),
                            MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    if (!sendChain(chain.Statements)) return;
    view_.form().setCaption(QStringLiteral("LbDebugInfo2"), QString());
    dialogs->messageBox(DeleteDoneCaption(), DeleteDoneText(), MsgIcon::Warning, MsgButtons::Ok);
    // The changes of a record that is gone have nowhere to go.
    saving_.discardPending();
    startNewRecord();
}

void RecordCommandsForm::JvXPBtnSweepClick() {
    platform::Dialogs* dialogs = editing_.host().dialogs;
    if (caption(QStringLiteral("JvXPBtnNewVO")) != QLatin1String("VN") || !dialogs || saveUnderWay("JvXPBtnSweepClick"))
        return;
    if (dialogs->messageBox(DeleteQuestionCaption(), SweepQuestion(), MsgIcon::Question, MsgButtons::YesNo) !=
        MsgResult::Yes)
        return;
    sendChain({SweepStatement()});
}

// ---------------------------------------------------------------- next and previous

void RecordCommandsForm::followHits() {
    view_.form().setEnabled(QStringLiteral("JvXPNext"), hits_.canNext());
    view_.form().setEnabled(QStringLiteral("JvXPPrev"), hits_.canPrev());
}

void RecordCommandsForm::selectHit(int row) {
    if (hits_.select(row)) followHits();
}

bool RecordCommandsForm::openHit(int row) {
    const QString id = hits_.id(row);
    if (id.isEmpty() || saveUnderWay("ngSearchCellClick")) return false;
    if (saving_.anyPending() && (!saving_.SaveChanges() || saving_.anyPending())) return false;
    const QString label = hits_.customers() ? QStringLiteral("LbIDCustomer") : QStringLiteral("LbIdTVO");
    const QString before = caption(label);
    // A vehicle is shown as the kind it was listed as: a demonstrator found
    // from a used vehicle opens on the demonstrator's sheets.
    const int kindBefore = host_.idTypeVO ? host_.idTypeVO() : 0;
    const int kind = hits_.kind(row);
    if (kind > 0 && host_.setIdTypeVO) host_.setIdTypeVO(kind);
    view_.form().setCaption(label, id);
    view_.state().FlagNewEnreg = false;
    if (!JvXPBtnActualizeClick()) {
        view_.form().setCaption(label, before);
        if (kind > 0 && host_.setIdTypeVO) host_.setIdTypeVO(kindBefore);
        return false;
    }
    hits_.select(row);
    followHits();
    return true;
}

void RecordCommandsForm::JvXPNextClick() {
    if (hits_.nextRow() >= 0) openHit(hits_.nextRow());
}

void RecordCommandsForm::JvXPPrevClick() {
    if (hits_.prevRow() >= 0) openHit(hits_.prevRow());
}

// ---------------------------------------------------------------- sheets

void RecordCommandsForm::TabsChanging(bool& allowChange) {
    QWidget* save = view_.form().widget(QStringLiteral("JvXPBtnSave"));
    // A record being created that holds only its defaults has nothing of
    // the user's to store yet: its sheets are looked at freely.
    const bool saveShown = save && save->isEnabled() && !view_.state().FlagNewEnreg;
    if (saveShown || saving_.anyPending()) {
        allowChange = saving_.SaveChanges();
        return;
    }
    allowChange = true;
    saving_.clearRefusal();  // nothing left to refuse
}

void RecordCommandsForm::TabsChange() {
    QTabWidget* tabs = view_.form().tabs();
    const int sheet = tabs ? tabs->currentIndex() : -1;
    if (sheet < 0 || sheet > 8) return;
    pages::TsPage& page = view_.state().pages[sheet + 1];
    if (page.GridLoaded) return;
    QWidget* w = tabs->widget(sheet);
    auto has = [w](const char* name) { return w->findChild<QWidget*>(QLatin1String(name)) != nullptr; };
    auto run = [](const std::function<void()>& f) {
        if (f) f();
    };
    const GridLoaders& g = host_.grids;
    if (has("ngFrevo")) {
        page.GridLoaded = true;
        run(g.loadInfoFrevo);
    }
    if (has("ngAction")) {
        page.GridLoaded = true;
        run(g.loadInfoAction);
    }
    if (has("ngVehicles")) {
        page.GridLoaded = true;
        view_.state().SelectedVehicle = 0;
        run(g.loadInfoVehicle);
    }
    if (has("cListImageVO")) {
        page.GridLoaded = true;
        run(g.loadInfoCliche);
        run(g.getDataImages);
    }
}

}  // namespace stanor::records
