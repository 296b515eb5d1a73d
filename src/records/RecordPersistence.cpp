#include "records/RecordPersistence.h"

#include "pages/RecordView.h"
#include "records/TabsGuard.h"

#include <QAbstractButton>
#include <QTabWidget>

namespace stanor::records {

namespace {
constexpr char kObjectName[] = "stanorRecordPersistence";
}

RecordPersistence::RecordPersistence(pages::RecordView& view, pages::RecordEditing& editing, PersistenceHost host)
    : QObject(&view),
      view_(view),
      host_(std::move(host)),
      saving_(view, editing, host_),
      commands_(view, editing, host_, saving_) {
    setObjectName(QLatin1String(kObjectName));
}

RecordPersistence* RecordPersistence::install(pages::RecordView& view, pages::RecordEditing& editing,
                                              PersistenceHost host) {
    if (RecordPersistence* existing = of(&view)) return existing;
    auto* p = new RecordPersistence(view, editing, std::move(host));
    p->saving_.reload = [p] { return p->commands_.JvXPBtnActualizeClick(); };
    view.host().tabsChange = [p] { p->commands_.TabsChange(); };
    if (QTabWidget* tabs = view.form().tabs())
        p->guard_ = new TabsGuard(
            tabs,
            [p] {
                bool allow = true;
                p->commands_.TabsChanging(allow);
                return allow;
            },
            [p] { p->commands_.TabsChange(); });
    p->bindButtons();
    return p;
}

RecordPersistence* RecordPersistence::of(const pages::RecordView* view) {
    return view ? view->findChild<RecordPersistence*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly)
                : nullptr;
}

void RecordPersistence::bindButtons() {
    RecordCommandsForm& c = commands_;
    const std::pair<const char*, std::function<void()>> buttons[] = {
        {"JvXPBtnNewVO", [&c] { c.JvXPBtnNewVOClick(); }},
        {"JvXPBtnSave", [&c] { c.JvXPBtnSaveClick(); }},
        {"JvXPBtnActualize", [&c] { c.reloadAsked(); }},
        {"JvXPBtnSuppr", [&c] { c.JvXPBtnSupprClick(); }},
        {"JvXPNext", [&c] { c.JvXPNextClick(); }},
        {"JvXPPrev", [&c] { c.JvXPPrevClick(); }},
        {"JvXPBtnSweep", [&c] { c.JvXPBtnSweepClick(); }},
        {"JvXPBtnHistory", [&c] { c.JvXPBtnHistoryClick(); }},
    };
    for (const auto& [name, handler] : buttons)
        if (auto* b = qobject_cast<QAbstractButton*>(view_.form().widget(QLatin1String(name))))
            connect(b, &QAbstractButton::clicked, this, handler);
}

bool RecordPersistence::saveBeforeLeaving() {
    if (saving_.saving()) return false;
    if (!saving_.anyPending()) return true;
    auto trace = [this](const QString& text) {
        if (view_.host().trace) view_.host().trace(text);
    };
    trace(QStringLiteral("Modifications en attente : enregistrement avant rechargement"));
    if (saving_.saveAll()) return true;
    trace(QStringLiteral("Rechargement annulé : les modifications en attente n'ont pas pu être enregistrées"));
    return false;
}

}  // namespace stanor::records
