#include "pages/RecordEditing.h"

#include "pages/DesignedPages.h"
#include "pages/RecordView.h"

namespace stanor::pages {

namespace {
constexpr char kObjectName[] = "stanorRecordEditing";
}

RecordEditing::RecordEditing(DesignedPages& pages, RecordView& view, EditingHost host)
    : QObject(&view),
      host_(std::move(host)),
      updates_(view.state(), view.form(), view.host()),
      listEditor_(pages.hooks(), view.form(), view.host(), host_),
      combos_(pages.hooks(), listEditor_, view.state(), view.form(), host_),
      rules_(pages.hooks(), view.state(), view.form(), view.host(), host_),
      dates_(pages.hooks(), view.state(), view.form(), view.host(), host_)
{
    setObjectName(QLatin1String(kObjectName));
}

RecordEditing* RecordEditing::install(DesignedPages& pages, RecordView& view, EditingHost host)
{
    if (RecordEditing* existing = of(&view))
        return existing;
    auto* editing = new RecordEditing(pages, view, std::move(host));
    view.host().testPageUpdate = [editing](int page) { return editing->TestPageUpdate(page); };
    editing->installGenericEvents(pages.handlers());
    editing->rules_.install(pages.handlers());
    editing->dates_.install(pages.handlers());
    return editing;
}

RecordEditing* RecordEditing::of(const RecordView* view)
{
    return view ? view->findChild<RecordEditing*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly)
                : nullptr;
}

void RecordEditing::installGenericEvents(PageHandlers& handlers)
{
    handlers.set(QStringLiteral("CBoxKeyDown"), [this](EventArgs& a) {
        if (a.key)
            combos_.CBoxKeyDown(a.sender, *a.key, a.shift);
    });
    handlers.set(QStringLiteral("cBoxKeyUp"), [this](EventArgs& a) {
        if (a.key)
            combos_.cBoxKeyUp(a.sender, *a.key, a.shift);
    });
    handlers.set(QStringLiteral("CBoxEnter"), [this](EventArgs& a) { combos_.CBoxEnter(a.sender); });
    handlers.set(QStringLiteral("CBoxExit"), [this](EventArgs& a) { combos_.CBoxExit(a.sender); });
}

}  // namespace stanor::pages
