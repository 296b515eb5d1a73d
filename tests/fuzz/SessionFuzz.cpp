// The randomized session (see SessionFuzz.h): the user's hands, the service's
// troubles, and the checks after every step.
#include "SessionFuzz.h"

#include "FuzzInputs.h"

#include "../e2e/E2eService.h"
#include "FaultProxy.h"

#include "pages/RecordEditing.h"
#include "pages/RecordView.h"
#include "search/SearchGrid.h"
#include "search/SearchPanel.h"
#include "toolkit/Grid.h"
#include "grids/FrevoGrid.h"
#include "grids/VehicleMoney.h"
#include "service/DataServiceClient.h"
#include "toolkit/Controls.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <chrono>
#include <ctime>
#include <random>

namespace fuzz {
namespace {

using namespace stanor;
using records::test::Fault;
using records::test::FaultProxy;
using platform::MsgResult;

// The service's date and the workstation's: 9 December 2026, noon.
dataservice::Clock serviceDate()
{
    std::tm tm{};
    tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = 9, tm.tm_hour = 12, tm.tm_isdst = -1;
    const auto fixed = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    return [fixed] { return fixed; };
}

// A field of the record shown that a user can type into or choose in.
struct Field {
    int page = 0;
    QString column;
    int dataType = 0;
    int controlType = 0;
    bool notNull = false;
    QWidget* control = nullptr;
};

// The records a session opens, as the launcher names them.
struct RecordRef {
    const char* idTVO;
    const char* idClient;
    int idTypeVO;
};
constexpr RecordRef kRecords[] = {
    {"1", "", 1}, {"2", "", 1}, {"3", "", 1}, {"4", "", 3}, {"5", "", 3},
    {"6", "", 2}, {"7", "", 2}, {"", "1", 1}, {"", "2", 1}, {"", "3", 1},
};

using Row = QHash<QString, QString>;  // lower-cased column -> stored text

enum class Kind { Type, Paste, Choose, Fill, Save, Reload, Sheet, Open, Search, Follow, New, Delete, Ticks, CostCell, CostLine,
                  StopService, StartService, FailWrites };
// Steps after which nothing typed may wait unless the user was told why.
bool leaves(Kind k)
{
    return k == Kind::Save || k == Kind::Reload || k == Kind::Sheet || k == Kind::Open || k == Kind::Search ||
           k == Kind::Follow || k == Kind::New;
}

class Session {
public:
    explicit Session(const SessionOptions& o) : options_(o), rng_(o.seed) {}

    SessionResult run()
    {
        service_ = std::make_unique<e2e::RunningService>(options_.root, std::function<void(const std::string&)>{},
                                                         serviceDate());
        port_ = service_->port;
        proxy_ = std::make_unique<FaultProxy>(port_);
        form_ = std::make_unique<e2e::FormRun>(options_.root, proxy_->base());
        form_->clock.set(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
        const RecordRef& first = kRecords[pick(std::size(kRecords))];
        form_->set("idTVO", QString::fromLatin1(first.idTVO));
        form_->set("idClient", QString::fromLatin1(first.idClient));
        form_->set("idTypeVO", QString::number(first.idTypeVO));
        note(QStringLiteral("open %1").arg(describe(first)));
        form_->start();
        service::ClientOptions http;
        http.pause = [](int) {};  // the pause between attempts, without waiting
        form().SetHttpOptions(http);
        form().show();
        QApplication::setActiveWindow(&form());
        QApplication::processEvents();
        remember();
        if (!form().LbDebugInfo0->text().isEmpty() || fields().empty())
            fail(QStringLiteral("the first record did not open: %1").arg(form().LbDebugInfo0->text()));
        for (int i = 0; i < options_.steps && result_.ok; ++i) {
            step_ = i;
            oneStep();
        }
        form_->form.reset();
        proxy_.reset();
        service_.reset();
        return result_;
    }

private:
    app::TAxStanor& form() { return *form_->form; }
    pages::RecordViewState& state() { return pages::RecordView::of(&form(), {})->state(); }
    size_t pick(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
    bool chance(int percent) { return int(pick(100)) < percent; }

    void note(const QString& what)
    {
        result_.steps << QStringLiteral("%1: %2").arg(step_).arg(what);
        if (options_.say) options_.say(result_.steps.last());
    }
    void fail(const QString& why)
    {
        if (!result_.ok) return;
        result_.ok = false;
        result_.failedStep = step_;
        result_.failure = why;
    }
    static QString describe(const RecordRef& r)
    {
        return *r.idClient ? QStringLiteral("customer %1").arg(QLatin1String(r.idClient))
                           : QStringLiteral("vehicle %1 (kind %2)").arg(QLatin1String(r.idTVO)).arg(r.idTypeVO);
    }

    // ---------------------------------------------------------------- the record shown

    bool kindCL() const { return pages::RecordView::of(form_->form.get(), {})->state().KindSuffix == QLatin1String("_TCL"); }
    QString table() const { return kindCL() ? QStringLiteral("tClients") : QStringLiteral("tVehicles"); }
    QString keyColumn() const { return kindCL() ? QStringLiteral("idClient") : QStringLiteral("idTVO"); }
    QString recordId() const
    {
        const QString id = kindCL() ? form_->form->LbIDCustomer->text() : form_->form->LbIdTVO->text();
        return id.toInt() > 0 ? id : QString();
    }
    QString recordKey() const { return table() + u':' + recordId(); }

    // The fields of the record's own sheets that the user may change now.
    std::vector<Field> fields()
    {
        std::vector<Field> out;
        for (int p : {1, 2, 3, 7}) {
            const pages::TsPage& page = state().pages[size_t(p)];
            for (const pages::TsDesc& d : page.Fields) {
                if (!d.Control || d.FieldName.contains(u';') || !d.Visible) continue;
                if (d.ControlType != pages::ControlType::Edit && d.ControlType != pages::ControlType::ComboText) continue;
                if (d.DataType < pages::DataType::Date || d.DataType > pages::DataType::Decimal ||
                    d.DataType == pages::DataType::Boolean)
                    continue;
                if (!d.Control->isEnabled()) continue;
                if (auto* e = qobject_cast<QLineEdit*>(d.Control); e && e->isReadOnly()) continue;
                if (auto* m = qobject_cast<QPlainTextEdit*>(d.Control); m && m->isReadOnly()) continue;
                const int tab = form().Tabs->indexOf(page.Sheet);
                if (tab < 0 || !form().Tabs->isTabVisible(tab)) continue;
                out.push_back({p, d.FieldName, d.DataType, d.ControlType, d.NotNull, d.Control});
            }
        }
        return out;
    }
    static QString screen(const Field& f)
    {
        auto* fc = toolkit::asFieldControl(f.control);
        return fc ? fc->text() : QString();
    }
    // The record's row as stored; empty when the service is stopped or the row is gone.
    Row stored(const QString& key)
    {
        Row row;
        const QString id = key.section(u':', 1);
        if (!service_ || id.isEmpty()) return row;
        const QString t = key.section(u':', 0, 0);
        const QString k = t == QLatin1String("tClients") ? QStringLiteral("idClient") : QStringLiteral("idTVO");
        const dataservice::ResultSet rs =
            service_->service->database().acquire()->query(QStringLiteral("SELECT * FROM %1 WHERE %2=%3").arg(t, k, id).toStdString());
        if (rs.rows.empty()) return row;
        for (size_t c = 0; c < rs.columns.size(); ++c)
            row.insert(QString::fromStdString(rs.columns[c]).toLower(), QString::fromStdString(rs.rows.front()[c]));
        return row;
    }
    int count(const QString& t)
    {
        const dataservice::ResultSet rs =
            service_->service->database().acquire()->query(QStringLiteral("SELECT count(*) FROM %1").arg(t).toStdString());
        return rs.rows.empty() ? -1 : QString::fromStdString(rs.rows.front().front()).toInt();
    }
    QString newest(const QString& t)
    {
        const QString k = t == QLatin1String("tClients") ? QStringLiteral("idClient") : QStringLiteral("idTVO");
        const dataservice::ResultSet rs =
            service_->service->database().acquire()->query(QStringLiteral("SELECT max(%1) FROM %2").arg(k, t).toStdString());
        return rs.rows.empty() ? QString() : QString::fromStdString(rs.rows.front().front());
    }
    void remember()
    {
        key_ = recordKey();
        if (service_) {
            row_ = stored(key_);
            vehicles_ = count(QStringLiteral("tVehicles"));
            customers_ = count(QStringLiteral("tClients"));
        }
        typed_.clear();
    }

    // ---------------------------------------------------------------- the user's hands

    void focus(QWidget* w)
    {
        QApplication::setActiveWindow(&form());
        w->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }
    // Shows the sheet of the field, as a click on its tab.
    bool reach(const Field& f)
    {
        const int index = form().Tabs->indexOf(state().pages[size_t(f.page)].Sheet);
        if (index < 0 || !form().Tabs->isTabVisible(index)) return false;
        if (form().Tabs->currentIndex() != index) clickTab(index);
        return form().Tabs->currentIndex() == index && f.control->isVisible();
    }
    void clickTab(int index)
    {
        QTabBar* bar = form().Tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
        QApplication::processEvents();
    }
    static QWidget* editorOf(QWidget* w)
    {
        auto* c = qobject_cast<QComboBox*>(w);
        return c && c->lineEdit() ? c->lineEdit() : w;
    }
    void typeKeys(QWidget* w, const QString& keys)
    {
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) m->selectAll();
        if (keys.isEmpty()) QTest::keyClick(w, Qt::Key_Backspace);
        for (QChar c : keys)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        QApplication::processEvents();
    }
    void paste(QWidget* w, const QString& text)
    {
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) m->selectAll();
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QApplication::processEvents();
    }
    // What the user now sees in the field, to be stored by the next save.
    void typedInto(const Field& f)
    {
        const QString shown = screen(f);
        known_.insert(f.column, f);
        if (eq(f.column, shown, row_.value(f.column.toLower()))) typed_.remove(f.column);
        else typed_.insert(f.column, shown);
    }
    void click(QPushButton* b)
    {
        if (!b->isVisible() || !b->isEnabled()) return;
        QTest::mouseClick(b, Qt::LeftButton);
        QApplication::processEvents();
    }

    // The cost grid of a used vehicle shown, or none.
    toolkit::Grid* costGrid()
    {
        if (state().KindSuffix != QLatin1String("_TVO") || recordId().isEmpty()) return nullptr;
        return form().findChild<toolkit::Grid*>(QStringLiteral("ngFrevo"));
    }
    bool reachGrid(toolkit::Grid* g)
    {
        for (QWidget* w = g; w; w = w->parentWidget()) {
            const int tab = form().Tabs->indexOf(w);
            if (tab < 0) continue;
            if (!form().Tabs->isTabVisible(tab)) return false;
            if (form().Tabs->currentIndex() != tab) clickTab(tab);
            return form().Tabs->currentIndex() == tab && g->isVisible();
        }
        return false;
    }
    // The stored cost lines shown on the cost sheet are the vehicle's lines as stored.
    void checkCosts(Kind kind, size_t dialogsBefore)
    {
        toolkit::Grid* g = costGrid();
        if (!g || !g->isVisible() || !service_ || row_.isEmpty()) return;
        grids::FrevoGrid* frevo = grids::VehicleMoney::of(pages::RecordView::of(&form(), {}))->frevo();
        const dataservice::ResultSet rs = service_->service->database().acquire()->query(
            QStringLiteral("SELECT idFrevo, DateFrevo, LibelleFrevo, NomFournisseur, NFacture, MontantHT FROM "
                           "\"tVO - Frevo\" WHERE idVO=%1").arg(row_.value(QStringLiteral("idvo"))).toStdString());
        QHash<QString, QStringList> lines;
        for (const auto& r : rs.rows) {
            QStringList cells;
            for (const std::string& v : r) cells << QString::fromStdString(v);
            lines.insert(cells.takeFirst(), cells);
        }
        int shown = 0;
        bool pending = false;
        for (int r = 0; r < g->rowCount(); ++r) {
            const QString id = g->cell(r, 1);
            const bool waits = size_t(r + 1) < frevo->FrevoRows.size() && !frevo->FrevoRows[size_t(r + 1)].PendingStatement.isEmpty();
            pending = pending || waits || (g->isEditing() && g->currentRow() == r);
            if (id.isEmpty()) continue;
            ++shown;
            if (!lines.contains(id))
                return fail(QStringLiteral("cost line %1 shown, not in the database").arg(id));
            if (waits || (g->isEditing() && g->currentRow() == r)) continue;
            const QStringList& db = lines[id];
            const QString cells[] = {g->cell(r, 2), g->cell(r, 3), g->cell(r, 5), g->cell(r, 6), g->cell(r, 8)};
            const int types[] = {pages::DataType::Date, pages::DataType::Text, pages::DataType::Text,
                                 pages::DataType::Text, pages::DataType::Decimal};
            for (int k = 0; k < 5; ++k)
                if (!same(types[k], cells[k], db.value(k)))
                    return fail(QStringLiteral("cost line %1 shows \"%2\", the database holds \"%3\"")
                                    .arg(id, cells[k], db.value(k)));
        }
        if (!pending && shown != int(lines.size()))
            return fail(QStringLiteral("%1 cost lines shown, %2 stored").arg(shown).arg(lines.size()));
        // A cell that keeps a refused text says why, when it refuses it.
        if (kind == Kind::CostCell && g->isEditing() && form_->dialogs.shown.size() == dialogsBefore &&
            form().PanelWarning->isHidden())
            return fail(QStringLiteral("a cost cell stays open without a word"));
    }

    // ---------------------------------------------------------------- one step

    Kind choose()
    {
        if (!service_) return chance(40) ? Kind::StartService : Kind(pick(size_t(Kind::StopService)));
        struct Weight {
            Kind kind;
            int weight;
        } weights[] = {
            {Kind::Type, 30}, {Kind::Paste, 6}, {Kind::Choose, 8}, {Kind::Fill, 3}, {Kind::Save, 14},
            {Kind::Reload, 6}, {Kind::Sheet, 10}, {Kind::Open, 3}, {Kind::Search, 4}, {Kind::Follow, 2}, {Kind::New, 3}, {Kind::Delete, 1},
            {Kind::Ticks, 4}, {Kind::CostCell, 8}, {Kind::CostLine, 3}, {Kind::StopService, 3}, {Kind::FailWrites, 5},
        };
        int total = 0;
        for (const Weight& w : weights) total += w.weight;
        int n = int(pick(size_t(total)));
        for (const Weight& w : weights)
            if ((n -= w.weight) < 0) return w.kind;
        return Kind::Type;
    }

    void oneStep()
    {
        Kind kind = choose();
        if (!service_ && kind == Kind::FailWrites) kind = Kind::Ticks;
        const QString keyBefore = key_;
        // A user who reads the warning puts it away before going on: the panel
        // seen after the step is the step's own.
        if (leaves(kind) && !form().PanelWarning->isHidden()) form().BtnWarningClose->click();
        const size_t dialogsBefore = form_->dialogs.shown.size();
        const std::vector<Field> before = fields();
        QHash<QString, QString> shownBefore;
        for (const Field& f : before) shownBefore.insert(f.column, screen(f));
        bool discarded = false, deleted = false;
        leaving_ = leaves(kind);
        const QHash<QString, QString> typedBefore = typed_;
        act(kind, before, discarded, deleted);
        // A value typed earlier that the rules computed again from what was
        // typed now (a balance, a due date): the screen shows the rule's value.
        if (kind == Kind::Type || kind == Kind::Paste || kind == Kind::Choose || kind == Kind::Fill)
            for (const Field& f : before)
                if (typedBefore.contains(f.column) && typed_.value(f.column) == typedBefore.value(f.column) &&
                    !eq(f.column, screen(f), typed_.value(f.column))) {
                    note(QStringLiteral("  %1 computed again: \"%2\"").arg(f.control->objectName(), screen(f)));
                    typed_.insert(f.column, screen(f));
                }
        QApplication::processEvents();
        if (!result_.ok) return;
        // What the user was shown, in the step log.
        for (size_t i = dialogsBefore; i < form_->dialogs.shown.size(); ++i)
            note(QStringLiteral("  box \"%1\": %2").arg(form_->dialogs.shown[i].caption, form_->dialogs.shown[i].text));
        if (!form().PanelWarning->isHidden())
            note(QStringLiteral("  warning: %1").arg(form().LbWarning->text()));
        if (qEnvironmentVariableIsSet("SESSION_FUZZ_DEBUG"))
            for (int p : {1, 2, 3, 7}) {
                const records::PageStatement& ps = form().Editing().updates().pending(p);
                if (ps.pending() || !ps.Reason.isEmpty())
                    note(QStringLiteral("  page ") + QString::number(p) + QStringLiteral(" pending: ") + ps.Statement +
                         QStringLiteral(" reason: ") + ps.Reason);
            }
        check(kind, keyBefore, shownBefore, dialogsBefore, discarded, deleted);
    }

    void act(Kind kind, const std::vector<Field>& fs, bool& discarded, bool& deleted)
    {
        switch (kind) {
        case Kind::Type:
        case Kind::Paste: {
            std::vector<Field> editable;
            for (const Field& f : fs)
                if (auto* combo = qobject_cast<QComboBox*>(f.control); !combo || combo->isEditable())
                    editable.push_back(f);
            if (editable.empty()) return note(QStringLiteral("nothing to type into"));
            // A refused value is corrected more often than not.
            const Field* f = &editable[pick(editable.size())];
            if (!typed_.isEmpty() && chance(50))
                for (const Field& e : editable)
                    if (typed_.contains(e.column)) f = &e;
            const QString value = Input(f->dataType, rng_);
            note(QStringLiteral("%1 \"%2\" into %3 (%4)").arg(kind == Kind::Type ? "type" : "paste", printable(value),
                                                            f->control->objectName(), f->column));
            if (!reach(*f)) return;
            QWidget* w = editorOf(f->control);
            focus(w);
            if (kind == Kind::Type) typeKeys(w, value);
            else paste(w, value);
            return typedInto(*f);
        }
        case Kind::Choose: {
            std::vector<Field> lists;
            for (const Field& f : fs)
                if (f.controlType == pages::ControlType::ComboText) lists.push_back(f);
            if (lists.empty()) return note(QStringLiteral("no list to choose in"));
            const Field& f = lists[pick(lists.size())];
            auto* combo = qobject_cast<QComboBox*>(f.control);
            if (combo->count() == 0) return note(QStringLiteral("empty list %1").arg(f.control->objectName()));
            const int i = int(pick(size_t(combo->count())));
            note(QStringLiteral("choose \"%1\" in %2").arg(combo->itemText(i), f.control->objectName()));
            if (!reach(f)) return;
            focus(editorOf(combo));
            combo->setCurrentIndex(i);
            emit combo->activated(i);
            QApplication::processEvents();
            return typedInto(f);
        }
        case Kind::Fill: {
            note(QStringLiteral("fill every empty mandatory field"));
            for (const Field& f : fs) {
                if (!f.notNull || !reach(f)) continue;
                const QString shown = screen(f);
                if (!shown.isEmpty() && shown != toolkit::DatePicker::kEmptyMask && shown != QLatin1String("0.00")) continue;
                if (auto* combo = qobject_cast<QComboBox*>(f.control); combo && !combo->isEditable()) {
                    for (int i = 0; i < combo->count(); ++i)
                        if (!combo->itemText(i).trimmed().isEmpty()) {
                            focus(editorOf(combo));
                            combo->setCurrentIndex(i);
                            emit combo->activated(i);
                            break;
                        }
                } else {
                    focus(editorOf(f.control));
                    typeKeys(editorOf(f.control), ValidInput(f.dataType, rng_));
                }
                typedInto(f);
            }
            return;
        }
        case Kind::Save:
            note(QStringLiteral("save"));
            return click(form().JvXPBtnSave);
        case Kind::Reload: {
            const MsgResult answer = std::array{MsgResult::Yes, MsgResult::Yes, MsgResult::No, MsgResult::Cancel}[pick(4)];
            note(QStringLiteral("reload (answering %1 to a question)").arg(int(answer)));
            leaving_ = form().JvXPBtnActualize->isVisible() && form().JvXPBtnActualize->isEnabled();
            // A box that only informs (a date refused on the way out) takes an answer too.
            form_->dialogs.answers = {answer, answer, answer};
            const size_t asked = form_->dialogs.shown.size();
            click(form().JvXPBtnActualize);
            for (size_t i = asked; i < form_->dialogs.shown.size(); ++i)
                discarded = discarded || (answer == MsgResult::No && form_->dialogs.shown[i].buttons == platform::MsgButtons::YesNoCancel);
            form_->dialogs.answers.clear();
            return;
        }
        case Kind::Sheet: {
            QTabBar* bar = form().Tabs->tabBar();
            const int way = int(pick(3));
            if (way == 0) {
                std::vector<int> visible;
                for (int i = 0; i < bar->count(); ++i)
                    if (bar->isTabVisible(i)) visible.push_back(i);
                const int to = visible[pick(visible.size())];
                note(QStringLiteral("click the tab of sheet %1").arg(to));
                leaving_ = to != bar->currentIndex();
                return clickTab(to);
            }
            // Ctrl+Tab goes round the sheets; the wheel stops at the last one either way.
            int others = 0, ahead = -1;
            const int delta = chance(50) ? -120 : 120;
            for (int i = 0; i < bar->count(); ++i)
                if (bar->isTabVisible(i) && i != bar->currentIndex()) {
                    ++others;
                    if ((delta < 0) == (i > bar->currentIndex())) ahead = i;
                }
            if (way == 1) {
                leaving_ = others > 0;
                note(QStringLiteral("Ctrl+Tab"));
                QTest::keyClick(form().Tabs, Qt::Key_Tab, Qt::ControlModifier);
                return;
            }
            leaving_ = ahead >= 0;
            note(QStringLiteral("wheel %1 over the tabs").arg(delta));
            QWheelEvent wheel(bar->rect().center(), bar->mapToGlobal(bar->rect().center()), {}, {0, delta},
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(bar, &wheel);
            return;
        }
        case Kind::Open: {
            const RecordRef& r = kRecords[pick(std::size(kRecords))];
            note(QStringLiteral("the launcher opens %1").arg(describe(r)));
            form_->reload({{"idTVO", QString::fromLatin1(r.idTVO)},
                           {"idClient", QString::fromLatin1(r.idClient)},
                           {"idTypeVO", QString::number(r.idTypeVO)}});
            for (int i = 0; i < 3; ++i) form().Timer1Timer();
            return;
        }
        case Kind::Search: {
            search::SearchPanel& panel = form().Search();
            const int mode = int(pick(panel.ModeLabels.size()));
            static const char* const texts[] = {"", "1", "2", "D", "MAR", "AB", "06", "ZZZ", "É"};
            const QString text = QString::fromUtf8(texts[pick(std::size(texts))]);
            note(QStringLiteral("search \"%1\" by %2").arg(text, panel.ModeLabels[size_t(mode)]->objectName()));
            if (panel.Panel1->isHidden()) QTest::mouseClick(form().JvXPBtnSearch, Qt::LeftButton);
            if (panel.Panel1->isHidden()) return;
            QTest::mouseClick(panel.ModeLabels[size_t(mode)], Qt::LeftButton);
            focus(panel.ncbSearch);
            typeKeys(panel.ncbSearch, text);
            for (int i = 0; i < 12 && form().SearchDelay > 0; ++i) form().Timer1Timer();
            toolkit::Grid* g = panel.ngSearch;
            if (g->rowCount() == 0) {
                leaving_ = false;
                return note(QStringLiteral("no hit"));
            }
            const int hit = int(pick(size_t(g->rowCount())));
            note(QStringLiteral("open hit %1 of %2").arg(hit).arg(g->rowCount()));
            const QRect cell = g->visualRect(g->model()->index(hit, search::ngsInfo3));
            QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
            return;
        }
        case Kind::Follow: {
            const bool next = chance(50);
            note(next ? QStringLiteral("next hit") : QStringLiteral("previous hit"));
            QPushButton* b = next ? form().JvXPNext : form().JvXPPrev;
            leaving_ = b->isVisible() && b->isEnabled();
            return click(b);
        }
        case Kind::New:
            note(QStringLiteral("new record"));
            leaving_ = form().JvXPBtnNewVO->isVisible() && form().JvXPBtnNewVO->isEnabled();
            return click(form().JvXPBtnNewVO);
        case Kind::Delete: {
            const bool yes = chance(50);
            note(QStringLiteral("delete, answering %1").arg(yes ? "yes" : "no"));
            const MsgResult answer = yes ? MsgResult::Yes : MsgResult::No;
            form_->dialogs.answers = {answer, answer, answer};
            const size_t asked = form_->dialogs.shown.size();
            click(form().JvXPBtnSuppr);
            for (size_t i = asked; i < form_->dialogs.shown.size(); ++i)
                deleted = deleted || (yes && form_->dialogs.shown[i].buttons == platform::MsgButtons::YesNo);
            form_->dialogs.answers.clear();
            return;
        }
        case Kind::CostCell:
        case Kind::CostLine: {
            toolkit::Grid* g = costGrid();
            if (!g || !reachGrid(g)) return note(QStringLiteral("no cost sheet"));
            if (g->isEditing()) g->cancelEdit();
            const int r = int(pick(size_t(g->rowCount())));
            if (kind == Kind::CostLine) {
                // The template line's image adds it; a stored line's image deletes it, after its question.
                const bool yes = chance(50);
                note(QStringLiteral("click the image of cost line %1 of %2 (answering %3)")
                         .arg(r).arg(g->rowCount()).arg(yes ? "yes" : "no"));
                const MsgResult answer = yes ? MsgResult::Yes : MsgResult::No;
                form_->dialogs.answers = {answer, answer};
                g->scrollTo(g->model()->index(r, 0));
                QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(r, 0)).center());
                QApplication::processEvents();
                form_->dialogs.answers.clear();
                return;
            }
            // Date, label, supplier, invoice or amount.
            const int columns[] = {2, 3, 5, 6, 8};
            const int c = columns[pick(std::size(columns))];
            const QString value = Input(c == 2 ? pages::DataType::Date : c == 8 ? pages::DataType::Decimal
                                                                               : pages::DataType::Text, rng_);
            note(QStringLiteral("type \"%1\" into cost line %2 of %3, column %4").arg(printable(value)).arg(r)
                     .arg(g->rowCount()).arg(c));
            g->setFocus();
            g->setCurrentCell(r, c);
            QTest::keyClick(g, Qt::Key_F2);
            QWidget* editor = g->inplaceEditor();
            if (!editor) return note(QStringLiteral("  no editor"));
            typeKeys(editorOf(editor), value);
            if (g->inplaceEditor()) QTest::keyClick(editorOf(g->inplaceEditor()), Qt::Key_Return);
            QApplication::processEvents();
            return;
        }
        case Kind::Ticks:
            note(QStringLiteral("two seconds of timer ticks"));
            for (int i = 0; i < 8; ++i) form().Timer1Timer();
            return;
        case Kind::StopService:
            note(QStringLiteral("the service stops"));
            service_.reset();
            return;
        case Kind::StartService:
            note(QStringLiteral("the service starts again"));
            service_ = std::make_unique<e2e::RunningService>(options_.root, std::function<void(const std::string&)>{},
                                                             serviceDate(), std::function<void(stanor::dataservice::ServiceOptions&)>{}, port_);
            return;
        case Kind::FailWrites: {
            const char* what[] = {"a busy database, five times (the save times out)",
                                  "a busy database once (the next attempt passes)", "an HTTP error", "an error item"};
            const size_t which = pick(std::size(what));
            note(QStringLiteral("the next write meets %1").arg(QLatin1String(what[which])));
            if (which == 0) proxy_->script({Fault::WaitTimeout, Fault::WaitTimeout, Fault::WaitTimeout,
                                            Fault::WaitTimeout, Fault::WaitTimeout});
            else proxy_->script({std::array{Fault::WaitTimeout, Fault::WaitTimeout, Fault::Http500, Fault::LogItem}[which]});
            return;
        }
        }
    }

    // ---------------------------------------------------------------- the checks

    void check(Kind kind, const QString& keyBefore, const QHash<QString, QString>& shownBefore, size_t dialogsBefore,
               bool discarded, bool deleted)
    {
        const QString keyAfter = recordKey();
        const bool told = !form().PanelWarning->isHidden() || form_->dialogs.shown.size() > dialogsBefore;
        if (!service_) {
            // Nothing can be stored; what was typed stays on the screen.
            if (keyAfter != keyBefore && !typed_.isEmpty() && !discarded)
                return fail(QStringLiteral("the record changed (%1 to %2) with %3 waiting").arg(keyBefore, keyAfter, waiting()));
            if (leaving_ && !typed_.isEmpty() && !told)
                return fail(QStringLiteral("nothing stored (service stopped) and nothing said; %1 waiting").arg(waiting()));
            if (keyAfter != key_) key_ = keyAfter, row_.clear(), typed_.clear();
            return checkScreen(keyAfter, form_->dialogs.shown.size() > dialogsBefore);
        }
        const std::vector<Field> fs = fields();
        QHash<QString, QString> shownAfter;
        for (const Field& f : fs) shownAfter.insert(f.column, screen(f)), known_.insert(f.column, f);

        // The record shown before the step: every column that changed shows what the screen showed.
        const Row now = stored(keyBefore);
        if (!row_.isEmpty() && now.isEmpty() && !deleted)
            return fail(QStringLiteral("%1 vanished from the database").arg(keyBefore));
        if (!now.isEmpty()) {
            for (auto it = now.cbegin(); it != now.cend(); ++it) {
                const QString old = row_.value(it.key());
                if (old == it.value() || row_.isEmpty()) continue;
                // The cost totals follow the cost lines (and the fixed cost a save
                // adds), which checkCosts compares with the grid.
                if (it.key().startsWith(QLatin1String("frevo"))) continue;
                QString column;
                for (auto s = shownBefore.cbegin(); s != shownBefore.cend(); ++s)
                    if (s.key().toLower() == it.key()) column = s.key();
                const bool sameRecord = keyAfter == keyBefore;
                if (column.isEmpty() || !(eq(column, shownBefore.value(column), it.value()) ||
                                          (sameRecord && eq(column, shownAfter.value(column), it.value()))))
                    return fail(QStringLiteral("%1: column %2 changed from \"%3\" to \"%4\", the screen showed \"%5\"")
                                    .arg(keyBefore, it.key(), old, it.value(), shownBefore.value(column)));
            }
            // What was typed and is now stored waits no more.
            for (auto it = typed_.begin(); it != typed_.end();)
                it = eq(it.key(), it.value(), now.value(it.key().toLower()))
                         ? typed_.erase(it)
                         : std::next(it);
        }
        // A record being created and stored: the newest row of its table holds what was typed.
        const QString newTable = keyBefore.section(u':', 0, 0);
        const bool created = keyBefore.endsWith(u':') &&
                             count(newTable) > (newTable == QLatin1String("tClients") ? customers_ : vehicles_);
        if (created) {
            const QString madeKey = newTable + u':' + newest(newTable);
            const Row made = stored(madeKey);
            for (auto it = typed_.cbegin(); it != typed_.cend(); ++it)
                if (!eq(it.key(), it.value(), made.value(it.key().toLower())))
                    return fail(QStringLiteral("%1 created with %2 \"%3\" though \"%4\" was typed")
                                    .arg(madeKey, it.key(), made.value(it.key().toLower()), it.value()));
            typed_.clear();
        }
        if (keyAfter != keyBefore && !typed_.isEmpty() && !discarded && !deleted)
            return fail(QStringLiteral("the record changed (%1 to %2) with %3 waiting").arg(keyBefore, keyAfter, waiting()));
        if (discarded || deleted) typed_.clear();
        if (leaving_ && !typed_.isEmpty() && !told)
            return fail(QStringLiteral("nothing said, and %1 still not stored").arg(waiting()));

        // Other records: created only by a save of a new one, removed only by a delete.
        const int vehicles = count(QStringLiteral("tVehicles")), customers = count(QStringLiteral("tClients"));
        const int grown = vehicles - vehicles_ + customers - customers_;
        if (grown > (created ? 1 : 0) || grown < (deleted ? -1 : 0))
            return fail(QStringLiteral("%1 vehicles and %2 customers now, %3 and %4 before")
                            .arg(vehicles).arg(customers).arg(vehicles_).arg(customers_));
        vehicles_ = vehicles, customers_ = customers;

        if (keyAfter != keyBefore) {
            key_ = keyAfter;
            typed_.clear();
        }
        row_ = stored(key_);
        const bool reloaded = discarded || (typed_.isEmpty() && form().PanelWarning->isHidden());
        if (kind == Kind::Reload && reloaded && !row_.isEmpty())
            for (const Field& f : fs)
                if (!eq(f.column, screen(f), row_.value(f.column.toLower())))
                    return fail(QStringLiteral("after the reload %1 shows \"%2\", the database holds \"%3\"")
                                    .arg(f.control->objectName(), screen(f), row_.value(f.column.toLower())));
        checkScreen(keyAfter, form_->dialogs.shown.size() > dialogsBefore);
        if (result_.ok) checkCosts(kind, dialogsBefore);
    }
    // What was typed and not stored is still on the screen, unless a box
    // said why the stored value came back (a date out of its range).
    void checkScreen(const QString& key, bool boxShown)
    {
        if (key != key_) return;
        for (const Field& f : fields()) {
            if (!typed_.contains(f.column)) continue;
            // (A record not stored yet comes back to its empty field.)
            if (boxShown && eq(f.column, screen(f), row_.value(f.column.toLower()))) {
                typed_.remove(f.column);
                continue;
            }
            if (!eq(f.column, screen(f), typed_.value(f.column)))
                return fail(QStringLiteral("\"%1\" typed into %2 now shows \"%3\", not stored")
                                .arg(typed_.value(f.column), f.control->objectName(), screen(f)));
        }
    }
    // Whether a field's shown text is that stored text, by the field's type.
    bool eq(const QString& column, const QString& shown, const QString& stored) const
    {
        const auto f = known_.constFind(column);
        if (f == known_.cend()) return shown == stored;
        return same(f->dataType, shown, stored, f->controlType == pages::ControlType::ComboText);
    }
    QString waiting() const
    {
        QStringList out;
        for (auto it = typed_.cbegin(); it != typed_.cend(); ++it) out << it.key() + "=\"" + it.value() + u'"';
        return out.join(QStringLiteral(", "));
    }

    SessionOptions options_;
    std::mt19937_64 rng_;
    SessionResult result_;
    int step_ = 0;
    int port_ = 0;
    std::unique_ptr<e2e::RunningService> service_;
    std::unique_ptr<FaultProxy> proxy_;
    std::unique_ptr<e2e::FormRun> form_;
    bool leaving_ = false;  // the step tried to store the record or to leave it
    QString key_;
    Row row_;
    int vehicles_ = 0, customers_ = 0;
    QHash<QString, Field> known_;    // column -> its field, as last seen
    QHash<QString, QString> typed_;  // column -> what the user sees and expects stored
};

}  // namespace

SessionResult RunSession(const SessionOptions& options) { return Session(options).run(); }

}  // namespace fuzz
