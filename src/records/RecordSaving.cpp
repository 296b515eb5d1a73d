#include "records/RecordSaving.h"

#include "pages/HeaderStrip.h"
#include "pages/RecordEditing.h"
#include "pages/RecordView.h"
#include "platform/Dialogs.h"
#include "records/SaveRules.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QScopedValueRollback>
#include <QTabWidget>

namespace stanor::records {

using pages::TsDesc;
using pages::TsPage;
using service::SaveTarget;

namespace {

const QString kNotSaved = QStringLiteral("Modifications non enregistrées : ");

// The control a field's value shows in.
QWidget* valueControl(const TsDesc& d) {
    if (d.ListBox) return d.ListBox;
    if (d.ComboBox) return d.ComboBox;
    return d.Control;
}

}  // namespace

// What one save has done so far, and the hourglass it shows.
struct RecordSaving::Progress {
    bool sent = false;
    bool failed = false;
    QString firstError;
    bool entryDefault = QApplication::overrideCursor() == nullptr;
    bool pushed = false;

    void hourglass() {
        if (entryDefault && !pushed) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            pushed = true;
        }
    }
    void failure(const QString& error) {
        if (!failed) firstError = error;
        failed = true;
    }
    // Back to the default cursor when it was the default at entry, or when
    // the save failed.
    void finish(bool result) {
        if (!entryDefault && result) return;
        if (pushed) QApplication::restoreOverrideCursor();
        if (!result)
            while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }
};

RecordSaving::RecordSaving(pages::RecordView& view, pages::RecordEditing& editing, PersistenceHost& host)
    : view_(view), editing_(editing), host_(host) {}

void RecordSaving::trace(const QString& text) const {
    if (view_.host().trace) view_.host().trace(text);
}

QString RecordSaving::text(const QString& control) { return view_.form().text(control); }
QString RecordSaving::caption(const QString& label) { return view_.form().caption(label); }
QString RecordSaving::requestError() const {
    return editing_.host().requestError ? editing_.host().requestError()
                                        : view_.form().caption(QStringLiteral("LbDebugInfo0"));
}

// The status line and the red warning panel say the same, where the eye is.
void RecordSaving::warn(const QString& text) {
    view_.form().setCaption(QStringLiteral("LbDebugInfo0"), text);
    view_.form().setCaption(QStringLiteral("LbWarning"), text);
    view_.form().setVisible(QStringLiteral("PanelWarning"), !text.isEmpty());
}

int RecordSaving::activePage() {
    QTabWidget* tabs = view_.form().tabs();
    return tabs ? tabs->currentIndex() + 1 : 0;
}

QStringList RecordSaving::fieldNames(int page) const {
    QStringList out;
    for (const TsDesc& d : view_.state().pages[page].Fields) out << d.FieldName;
    return out;
}

QStringList RecordSaving::currentValues(int page) const {
    QStringList out;
    for (const TsDesc& d : view_.state().pages[page].Fields) out << d.CurrentValue;
    return out;
}

// The control gets the focus, its sheet shown first when another one is.
void RecordSaving::focusControl(QWidget* w) {
    if (!w) return;
    if (QTabWidget* tabs = view_.form().tabs()) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->widget(i)->isAncestorOf(w)) {
                if (i != tabs->currentIndex()) tabs->setCurrentIndex(i);
                break;
            }
        }
    }
    w->setFocus();
}

QString RecordSaving::captionOf(QWidget* w) const {
    if (!w) return {};
    for (const TsPage& page : view_.state().pages)
        for (const TsDesc& d : page.Fields)
            if (valueControl(d) == w) return d.Caption;
    return {};
}

bool RecordSaving::refuse(const QStringList& controls, bool result) {
    QList<MissingField> fields;
    for (const QString& control : controls) fields.push_back({control, captionOf(view_.form().widget(control))});
    lastProblem_ = MissingFieldsText(fields);
    trace(QStringLiteral("SaveChanges : ") + lastProblem_ + QStringLiteral(" (") + controls.join(u',') + u')');
    // Nothing is sent: the user is told why, and the first field gets the focus.
    warn(kNotSaved + lastProblem_);
    focusControl(view_.form().widget(controls.value(0)));
    return result;
}

bool RecordSaving::refuseDates() {
    const std::optional<pages::DateFault> fault = editing_.dates().firstRefusedDate();
    if (!fault) return false;
    lastProblem_ = fault->message;
    trace(QStringLiteral("SaveChanges : ") + lastProblem_);
    warn(kNotSaved + lastProblem_);
    focusControl(fault->control);
    return true;
}

RecordSaving::Sent RecordSaving::send(InsertSlot slot, int page, const QString& statement, bool insert,
                                      SaveTarget target, const QStringList& names, const QStringList& values) {
    const service::RequestCatalogue r = editing_.host().requests();
    service::ServiceRequest req = insert ? r.insert(statement, target) : r.save(statement, target);
    if (insert) req.url += InsertAttempts::urlParameter(attempts_.attempt(slot, page, statement, names, values).Key);
    if (view_.host().httpExecute) view_.host().httpExecute(req.url, req.answerFile);
    Sent out;
    out.ok = requestError().isEmpty();
    if (out.ok && insert) {
        const InsertAnswer a = ReadInsertAnswer(service::LoadTextFile(req.answerFile));
        out.newId = a.NewId;
        out.replayed = a.Replayed;
    } else if (!out.ok && !insert && requestError().contains(QStringLiteral("Aucun enregistrement n'a été modifié"))) {
        // The answer of this request (a failed one may leave an earlier answer in the file).
        out.conflict = ReadConflictAnswer(service::LoadTextFile(req.answerFile));
    }
    return out;
}

bool RecordSaving::resolveConflict(int page, const PageStatement& st, const QStringList& names,
                                   const QStringList& values, const ConflictAnswer& conflict) {
    if (conflict.Deleted) {
        trace(QStringLiteral("SaveChanges : enregistrement supprimé entre-temps"));
        warn(DeletedMeanwhileText());
        return false;
    }
    platform::Dialogs* dialogs = editing_.host().dialogs;
    if (!dialogs) return false;
    TsPage& pg = view_.state().pages[page];
    std::vector<CarriedValue> theirs;
    for (int i : st.SentFields) {
        if (i >= int(pg.Fields.size()) || pg.Fields[size_t(i)].FieldName != names[i]) continue;
        TsDesc& d = pg.Fields[size_t(i)];
        const ConflictAnswer::Field* stored = conflict.field(d.FieldName);
        if (!stored || SameValue(d.DataType, stored->Value, d.LoadedValue)) continue;
        // Stored already (an answer lost after the write): nothing to ask.
        if (SameValue(d.DataType, stored->Value, values[i])) {
            d.LoadedValue = stored->Value;
            continue;
        }
        trace(QStringLiteral("SaveChanges : %1 changé entre-temps par %2 (%3)").arg(d.FieldName, stored->UserName,
                                                                                    stored->Value));
        const bool keepMine = dialogs->messageBox(ConflictCaption(), ConflictQuestion(d.Caption, *stored, values[i]),
                                                  platform::MsgIcon::Question,
                                                  platform::MsgButtons::YesNo) == platform::MsgResult::Yes;
        // The next update compares with what is stored now.
        d.LoadedValue = stored->Value;
        if (!keepMine) theirs.push_back({i, d.FieldName, stored->Value});
    }
    if (!theirs.empty()) retype(page, theirs);
    else editing_.updates().TestPageUpdate(page);
    return true;
}

void RecordSaving::saveLine(InsertSlot slot, const std::function<PendingLine()>& pending,
                            const std::function<bool(int, const ConflictAnswer&)>& conflicted,
                            const std::function<void(int, bool)>& sent, SaveTarget target, Progress& p,
                            const std::function<void(int, const QString&)>& keyed, int depth) {
    if (!pending) return;
    const PendingLine line = pending();
    if (line.Line <= 0 || line.Statement.isEmpty()) return;
    p.hourglass();
    p.sent = true;
    const Sent r = send(slot, line.Line, line.Statement, line.Insert, target);
    if (!r.ok && !line.Insert && r.conflict.Present && depth == 0 && conflicted &&
        conflicted(line.Line, r.conflict)) {
        // A colleague's change met: once the user chose, the line goes again.
        warn(QString());
        if (sent) sent(line.Line, false);
        saveLine(slot, pending, conflicted, sent, target, p, keyed, depth + 1);
        return;
    }
    if (r.ok)
        attempts_.done(slot, line.Line);
    else
        p.failure(r.conflict.Deleted ? LineDeletedMeanwhileText(line.Line) : requestError());
    if (r.ok && line.Insert && keyed) keyed(line.Line, r.newId);
    if (sent) sent(line.Line, r.ok);
}

bool RecordSaving::SaveChanges() {
    if (saving_) {
        // A click while a request of this save is pending: the save under way decides.
        trace(QStringLiteral("SaveChanges : enregistrement déjà en cours"));
        return false;
    }
    QScopedValueRollback<bool> busy(saving_, true);
    lastSent_ = false;
    lastProblem_.clear();
    // A notice of an earlier save goes once there is something new to store.
    if (host_.notice && anyPending()) host_.notice(QString());
    Progress p;
    pages::RecordViewState& s = view_.state();
    const QString kind = caption(QStringLiteral("JvXPBtnNewVO"));
    const int page = activePage();
    const ControlText controlText = [this](const QString& name) { return text(name); };

    if (kind != QLatin1String("CL")) {
        trace(QStringLiteral("contrôle info véhicule ") + caption(QStringLiteral("LbIdTVO")));
        if (const QStringList missing = MissingVehicleFields(kind, controlText); !missing.isEmpty())
            return refuse(missing, s.FlagNewEnreg);
        if (kind == QLatin1String("VO"))
            if (const QString bad = UsedVehicleDatesFault(controlText, view_.host().today ? view_.host().today()
                                                                                           : QDate::currentDate());
                !bad.isEmpty())
                return refuse({bad}, s.FlagNewEnreg);
        if (refuseDates()) return false;
        clearRefusal();
        if (!confirmed()) return false;
        saveLine(InsertSlot::CostLine, host_.save.pendingCostLine, host_.save.costLineConflict,
                 host_.save.costLineSent, SaveTarget::FrevoRows, p);
    } else {
        auto* vehicles = qobject_cast<QAbstractItemView*>(view_.form().widget(QStringLiteral("ngVehicles")));
        const bool vehicleRows = vehicles && vehicles->model() && vehicles->model()->rowCount() > 0;
        // A customer being created is checked whole, whichever sheet it is saved from.
        if (const QStringList missing = MissingCustomerFields(page, vehicleRows, s.FlagNewEnreg, controlText);
            !missing.isEmpty()) {
            const bool vehicleField = missing.front().startsWith(u'v');
            return refuse(missing, vehicleField ? s.NewVehicle : s.FlagNewEnreg);
        }
        if (refuseDates()) return false;
        clearRefusal();
        if (host_.save.pendingActionLine) {
            const PendingLine line = host_.save.pendingActionLine();
            if (line.Line > 0 && !line.Statement.isEmpty() && line.MandatoryColumn != 0) {
                if (host_.save.selectActionCell) host_.save.selectActionCell(line.Line, line.MandatoryColumn);
                lastProblem_ = line.Problem.isEmpty() ? ActionColumnFaultText(line.Line, line.MandatoryCaption)
                                                      : line.Problem;
                warn(kNotSaved + lastProblem_);
                return s.FlagNewEnreg;
            }
        }
        if (!confirmed()) return false;
        saveLine(InsertSlot::ActionLine, host_.save.pendingActionLine, host_.save.actionLineConflict,
                 host_.save.actionLineSent,
                 SaveTarget::ActionRows, p, host_.save.actionLineKeyed);
    }

    trace(QStringLiteral("Save Changes -1-"));
    savePage(page, p);
    if (!p.failed) saveOtherPages(page, p);
    trace(QStringLiteral("Save Changes -2-"));

    bool result = !p.sent || !p.failed;
    if (result && unsendable(page)) result = false;
    // The fixed-cost line reloads the record: only once nothing else waits,
    // so that the reload drops no change that could not be stored.
    if (result && !anyPending()) saveFixedCost(p);
    // A later request that went well must not hide an earlier failure.
    if (p.failed && requestError().isEmpty()) warn(p.firstError);
    trace(QStringLiteral("Save Changes -1-"));
    lastSent_ = p.sent;
    p.finish(result);
    if (result && p.sent && host_.afterSave) host_.afterSave();
    return result;
}

bool RecordSaving::confirmed() {
    if (!host_.confirmSave || host_.confirmSave()) return true;
    trace(QStringLiteral("SaveChanges : enregistrement abandonné à la question des doublons"));
    return false;
}

void RecordSaving::savePage(int page, Progress& p, int depth) {
    if (page < 1 || page >= pages::kPageCount) return;
    pages::PageUpdates& u = editing_.updates();
    // The statement of the values shown now.
    u.TestPageUpdate(page);
    const PageStatement st = u.pending(page);
    if (!st.pending()) return;
    const QStringList names = fieldNames(page);
    const QStringList values = currentValues(page);
    if (p.sent) p.hourglass();
    p.sent = true;
    const Sent r = send(InsertSlot::Page, page, st.Statement, st.Insert, SaveTarget::Record, names, values);
    if (r.ok && st.Insert && r.newId.isEmpty() && view_.state().FlagNewEnreg) {
        // Stored perhaps, but without its key the record cannot be shown: it
        // stays pending, and its key makes the next attempt answer the same.
        warn(QStringLiteral("Le service de données n'a pas rendu l'identifiant de l'enregistrement créé"));
        p.failure(requestError());
        return;
    }
    if (!r.ok) {
        // A colleague's change met: once the user chose, the update goes again.
        if (!st.Insert && r.conflict.Present && depth == 0 && resolveConflict(page, st, names, values, r.conflict)) {
            warn(QString());  // settled: what follows says how the save ends
            savePage(page, p, depth + 1);
            return;
        }
        const QString why = requestError();
        p.failure(r.conflict.Deleted ? DeletedMeanwhileText() : why);
        u.TestPageUpdate(page);
        return;
    }
    if (st.Insert) {
        afterInsert(page, st, names, values, r, p, depth);
        return;
    }
    // What was sent becomes loaded; a value typed while the request ran stays pending.
    TsPage& pg = view_.state().pages[page];
    for (int i : st.SentFields)
        if (i < int(pg.Fields.size()) && pg.Fields[size_t(i)].FieldName == names[i])
            pg.Fields[size_t(i)].LoadedValue = values[i];
    u.TestPageUpdate(page);
}

void RecordSaving::afterInsert(int page, const PageStatement& st, const QStringList& names, const QStringList& values,
                               const Sent& r, Progress& p, int depth) {
    pages::RecordViewState& s = view_.state();
    // A repeated insert stored what its first attempt carried.
    QStringList storedNames = names, stored = values;
    if (const InsertAttempt* a = attempts_.find(InsertSlot::Page, page); a && r.replayed) {
        storedNames = a->FieldNames;
        stored = a->FirstValues;
    }
    attempts_.done(InsertSlot::Page, page);
    trace(QStringLiteral("SaveChanges : enregistrement créé, NewID = ") + r.newId +
          (r.replayed ? QStringLiteral(" (envoi répété)") : QString()));
    const bool creating = s.FlagNewEnreg;
    if (creating) {
        const bool customer = caption(QStringLiteral("LbIDCustomer")) == QLatin1String("-1");
        view_.form().setCaption(customer ? QStringLiteral("LbIDCustomer") : QStringLiteral("LbIdTVO"), r.newId);
    }

    // What the user typed that the stored row lacks, to be typed again into
    // the reloaded record: on this page what changed since the values sent
    // (or first sent), on the other pages what differs from their defaults.
    // The customer-vehicle page may show another vehicle once reloaded.
    std::vector<std::pair<int, std::vector<CarriedValue>>> carry;
    const QDate today = view_.host().today ? view_.host().today() : QDate::currentDate();
    for (int n = 1; n < pages::kPageCount; ++n) {
        const TsPage& pg = s.pages[n];
        if (!pg.Described || n == pages::kVehiclePage) continue;
        std::vector<CarriedValue> carried;
        if (n == page) {
            for (const CarriedValue& v : ValuesToCarry(storedNames, stored, fieldNames(n), currentValues(n)))
                if (pg.Fields[size_t(v.Index)].Control) carried.push_back(v);
        } else {
            for (int i = 0; i < int(pg.Fields.size()); ++i) {
                const TsDesc& d = pg.Fields[size_t(i)];
                if (!d.Control || d.CurrentValue == d.LoadedValue) continue;
                if (creating && d.CurrentValue == pages::deriveValue(d, {true, {}, today})) continue;
                carried.push_back({i, d.FieldName, d.CurrentValue});
            }
        }
        if (!carried.empty()) carry.emplace_back(n, std::move(carried));
    }

    s.FlagNewEnreg = false;
    s.NewVehicle = false;
    if (!reload || !reload()) {
        // Stored, but not shown again: what was sent counts as loaded, so
        // that nothing is sent twice; the warning says the reload failed.
        TsPage& pg = s.pages[page];
        for (int i : st.SentFields)
            if (i < int(pg.Fields.size())) pg.Fields[size_t(i)].LoadedValue = values[i];
        editing_.updates().TestPageUpdate(page);
        warn(QStringLiteral("Enregistrement créé (n° %1) mais non rechargé : ").arg(r.newId) + requestError());
        p.failure(requestError());
        return;
    }
    for (const auto& [n, carried] : carry) {
        trace(QStringLiteral("SaveChanges : %1 valeur(s) saisie(s) reportée(s) sur la page %2").arg(carried.size()).arg(n));
        retype(n, carried);
    }
    if (depth == 0 && editing_.updates().pending(page).pending()) savePage(page, p, depth + 1);
}

void RecordSaving::saveOtherPages(int active, Progress& p) {
    for (int n = 1; n < pages::kPageCount; ++n) {
        if (n == active || !view_.state().pages[n].Described) continue;
        const PageStatement& st = editing_.updates().pending(n);
        // Only updates: an insert is sent from its own sheet, where its
        // mandatory fields are checked.
        if (st.pending() && !st.Insert) savePage(n, p);
        if (p.failed) return;
    }
}

void RecordSaving::retype(int page, const std::vector<CarriedValue>& values) {
    pages::RecordViewState& s = view_.state();
    TsPage& pg = s.pages[page];
    const pages::RecordViewHost& h = view_.host();
    s.PageFilling = true;
    for (const CarriedValue& v : values) {
        if (v.Index >= int(pg.Fields.size()) || pg.Fields[size_t(v.Index)].FieldName != v.FieldName) continue;
        TsDesc& d = pg.Fields[size_t(v.Index)];
        d.CurrentValue = v.Value;
        if (auto* list = qobject_cast<toolkit::ListBox*>(d.ListBox); list && h.fillList)
            h.fillList(d, list);
        else if (auto* combo = qobject_cast<toolkit::ComboBox*>(d.ComboBox); combo && h.fillCombo)
            h.fillCombo(d, combo);
        else if (auto* fc = toolkit::asFieldControl(d.Control))
            fc->setText(v.Value);
        d.CurrentValue = v.Value;
    }
    s.PageFilling = false;
    editing_.updates().TestPageUpdate(page);
    view_.header().refresh();
}

bool RecordSaving::unsendable(int active) {
    // The sheet shown first, then the other pages of the record.
    std::vector<int> order{active};
    for (int n = 1; n < pages::kPageCount; ++n)
        if (n != active && view_.state().pages[n].Described) order.push_back(n);
    for (int page : order) {
        if (page < 1 || page >= pages::kPageCount) continue;
        const PageStatement& st = editing_.updates().pending(page);
        if (st.Refused.empty()) continue;
        const FieldRefusal& f = st.Refused.front();
        const TsPage& pg = view_.state().pages[page];
        const TsDesc* d = f.Index < int(pg.Fields.size()) ? &pg.Fields[size_t(f.Index)] : nullptr;
        lastProblem_ = QStringLiteral("le champ « %1 » n'est pas enregistré, %2")
                           .arg(d && !d->Caption.isEmpty() ? d->Caption : f.FieldName, f.Reason);
        if (st.Insert) lastProblem_ += QStringLiteral(" : la fiche n'est pas créée");
        warn(kNotSaved + lastProblem_);
        if (d) focusControl(valueControl(*d));
        return true;
    }
    return false;
}

void RecordSaving::saveFixedCost(Progress& p) {
    if (caption(QStringLiteral("JvXPBtnNewVO")) != QLatin1String("VO") || caption(QStringLiteral("LbIdTVO")).isEmpty() ||
        !host_.save.testFraisFixes)
        return;
    const QString statement = host_.save.testFraisFixes();
    if (statement.isEmpty()) return;
    const QString notice = host_.save.fixedCostNotice ? host_.save.fixedCostNotice() : QString();
    // Not counted in the result of the save. A colleague's save may have
    // added the line meanwhile: it is there, as it should be.
    const bool ok = send(InsertSlot::FixedCost, 0, statement, true, SaveTarget::FrevoRows).ok;
    const bool there = !ok && requestError().contains(QStringLiteral("a déjà sa ligne de frais fixes"));
    if (there) warn(QString());
    if (ok || there) {
        attempts_.done(InsertSlot::FixedCost, 0);
        if (editing_.host().updateView) editing_.host().updateView(false);
        storeCostTotals(p);
        // Money added on the user's behalf is never silent.
        if (ok) trace(QStringLiteral("SaveChanges : ") + notice);
        if (ok && host_.notice && !notice.isEmpty()) host_.notice(notice);
    }
}

// The cost totals of the vehicle count the line just added: stored with it,
// so that the record shows nothing changed when its cost sheet is opened.
void RecordSaving::storeCostTotals(Progress& p) {
    if (!host_.grids.loadInfoFrevo) return;
    host_.grids.loadInfoFrevo();
    if (!anyPending()) return;
    trace(QStringLiteral("SaveChanges : totaux des frais après les frais de dossier"));
    saveOtherPages(0, p);
}

void RecordSaving::JvXPBtnSaveClick() {
    QWidget* save = view_.form().widget(QStringLiteral("JvXPBtnSave"));
    if (save && save->isEnabled()) SaveChanges();
}

bool RecordSaving::anyPending() const {
    const pages::RecordViewState& s = view_.state();
    const QDate today = view_.host().today ? view_.host().today() : QDate::currentDate();
    for (int n = 1; n < pages::kPageCount; ++n) {
        const TsPage& pg = s.pages[n];
        const PageStatement& st = editing_.updates().pending(n);
        if (!pg.Described || !st.changed()) continue;
        if (!PageInserts(n, s.FlagNewEnreg, s.NewVehicle)) return true;
        // A record being created: only what differs from the defaults it
        // started with was typed by the user.
        std::vector<int> fields = st.SentFields;
        for (const FieldRefusal& r : st.Refused) fields.push_back(r.Index);
        if (st.Statement.isEmpty() && !st.Reason.isEmpty())
            for (int i = 0; i < int(pg.Fields.size()); ++i)
                if (pg.Fields[size_t(i)].Control) fields.push_back(i);
        for (int i : fields) {
            const TsDesc& d = pg.Fields[size_t(i)];
            if (d.CurrentValue != pages::deriveValue(d, {true, {}, today})) return true;
        }
    }
    for (const auto& pending : {host_.save.pendingCostLine, host_.save.pendingActionLine})
        if (pending && pending().Line > 0) return true;
    return false;
}

bool RecordSaving::saveAll() {
    for (int round = 0; round < 10 && anyPending(); ++round) {
        const bool saved = SaveChanges();
        // Nothing could be sent (a check failed, or what is left cannot be stored).
        if (!saved || !lastSent_) break;
    }
    if (!anyPending()) return true;
    if (requestError().isEmpty())
        warn(kNotSaved + (lastProblem_.isEmpty() ? QStringLiteral("elles ne peuvent pas être envoyées") : lastProblem_));
    return false;
}

void RecordSaving::clearRefusal() {
    if (requestError().startsWith(kNotSaved)) warn(QString());
}

void RecordSaving::discardPending() {
    pages::RecordViewState& s = view_.state();
    for (int n = 1; n < pages::kPageCount; ++n) {
        for (TsDesc& d : s.pages[n].Fields) d.LoadedValue = d.CurrentValue;
        editing_.updates().TestPageUpdate(n);
    }
    if (host_.save.discardLines) host_.save.discardLines();
    attempts_.forget();
}

}  // namespace stanor::records
