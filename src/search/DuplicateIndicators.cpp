#include "search/DuplicateIndicators.h"

#include "pages/DesignedPages.h"
#include "pages/RecordView.h"
#include "search/DuplicateCheck.h"
#include "search/SearchPanel.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"
#include "toolkit/WinColor.h"

#include <QEvent>

namespace stanor::search {

namespace {

constexpr char kObjectName[] = "stanorDuplicateIndicators";
constexpr qint32 kIndicatorBack = 0xEBEBEB;
constexpr qint32 kFoundBack = 0x3C8CFF;  // COLORREF of an orange (255, 140, 60)
constexpr qint32 kFoundText = 0x000080;  // dark red
const QString kIndicatorHint = QStringLiteral("nombre de clients déjà enregistrés ; cliquez pour les rechercher");

const char* const kKinds[] = {"Nom", "Ident", "Mobile", "TelDom"};

// The field whose double-click shows the indicator of a check.
const char* shownBy(const DuplicateCheck& c) {
    return QLatin1String(c.Kind) == QLatin1String("Ident") ? "aCliPrenom" : c.Field;
}

}  // namespace

DuplicateIndicators* DuplicateIndicators::install(pages::DesignedPages& pages, pages::RecordView& view,
                                                  SearchPanel& panel) {
    if (DuplicateIndicators* existing = of(&view)) return existing;
    auto* d = new DuplicateIndicators(view, panel);
    for (const char* k : kKinds) {
        const QString kind = QLatin1String(k);
        const DuplicateCheck& check = *FindDuplicateCheck(kind);
        pages.handlers().set(QLatin1String(shownBy(check)) + QStringLiteral("DblClick"),
                             [d, kind](pages::EventArgs&) { d->showIndicator(kind); });
        pages.handlers().set(QLatin1String(check.Indicator) + QStringLiteral("Click"),
                             [d, kind](pages::EventArgs&) { d->openSearch(kind); });
        if (auto* e = qobject_cast<toolkit::Edit*>(d->indicator(check))) {
            e->setText(QStringLiteral("??"));
            e->setAlignment(Qt::AlignCenter);
            e->setReadOnly(true);
            e->setCursor(Qt::PointingHandCursor);
            e->setBackColor(kIndicatorBack);
            e->setToolTip(kIndicatorHint);
        }
        // Leaving a field of a customer being created shows its count at once.
        if (QWidget* field = view.form().widget(QLatin1String(shownBy(check)))) field->installEventFilter(d);
    }
    return d;
}

DuplicateIndicators* DuplicateIndicators::of(const pages::RecordView* view) {
    return view ? view->findChild<DuplicateIndicators*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly)
                : nullptr;
}

DuplicateIndicators::DuplicateIndicators(pages::RecordView& view, SearchPanel& panel)
    : QObject(&view), view_(view), panel_(panel) {
    setObjectName(QLatin1String(kObjectName));
}

QWidget* DuplicateIndicators::indicator(const DuplicateCheck& check) const {
    return view_.form().widget(QLatin1String(check.Indicator));
}

void DuplicateIndicators::showIndicator(const QString& kind) {
    const DuplicateCheck* check = FindDuplicateCheck(kind);
    if (!check) return;
    if (QWidget* w = indicator(*check)) w->show();
    if (panel_.host().setDblChange) panel_.host().setDblChange(kind);
}

void DuplicateIndicators::HttpGetDblInfo() {
    SearchHost& h = panel_.host();
    check(h.dblField ? h.dblField() : QString());
}

void DuplicateIndicators::check(const QString& kind) {
    SearchHost& h = panel_.host();
    const DuplicateCheck* check = FindDuplicateCheck(kind);
    if (!check) return;
    auto* shown = toolkit::asFieldControl(indicator(*check));
    // The customer shown, once stored, is no duplicate of itself.
    const QString self = view_.state().FlagNewEnreg ? QString() : view_.form().caption(QStringLiteral("LbIDCustomer"));
    const QString sql = DuplicateCountSql(kind, view_.form().text(QLatin1String(check->Field)),
                                          view_.form().text(QStringLiteral("aCliPrenom")), self);
    if (sql.isEmpty() || !shown || shown->widget()->isHidden()) return;
    const service::ServiceRequest request = h.requests().duplicateCount(sql);
    h.httpExecute(request.url, request.answerFile);
    if (!h.requestError().isEmpty()) return;
    try {
        showCount(shown->widget(), DuplicateCountOf(service::LoadTextFile(request.answerFile)));
    } catch (const service::FileError&) {
        // An answer that cannot be read leaves the previous count.
    }
}

void DuplicateIndicators::showCount(QWidget* w, const QString& count) {
    auto* e = qobject_cast<toolkit::Edit*>(w);
    if (!e) return;
    // No row: nobody carries the value.
    const QString shown = count.isEmpty() ? QStringLiteral("0") : count;
    e->setText(shown);
    const bool found = DuplicateFound(shown);
    e->setBackColor(found ? kFoundBack : kIndicatorBack);
    e->setFontColor(found ? kFoundText : toolkit::WinColor::clWindowText);
    QFont f = e->font();
    f.setBold(found);
    e->setFont(f);
    e->setToolTip(found ? QStringLiteral("%1 autre(s) client(s) déjà enregistré(s) avec cette valeur ; cliquez pour "
                                         "les voir").arg(shown.trimmed())
                        : kIndicatorHint);
}

bool DuplicateIndicators::creatingCustomer() const {
    return view_.state().FlagNewEnreg && view_.state().KindSuffix == QLatin1String("_TCL");
}

bool DuplicateIndicators::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusOut && creatingCustomer()) {
        for (const char* k : kKinds) {
            const DuplicateCheck& c = *FindDuplicateCheck(QLatin1String(k));
            if (watched != view_.form().widget(QLatin1String(shownBy(c)))) continue;
            if (view_.form().text(QLatin1String(shownBy(c))).trimmed().isEmpty()) break;
            if (QWidget* w = indicator(c)) w->show();
            check(QLatin1String(k));
            break;
        }
    }
    return QObject::eventFilter(watched, e);
}

void DuplicateIndicators::openSearch(const QString& kind) {
    const DuplicateCheck* check = FindDuplicateCheck(kind);
    if (!check) return;
    SearchHost& h = panel_.host();
    panel_.JvXPBtnSearchClick();
    if (const auto pair = PairOfMode(true, QLatin1String(check->SearchMode))) panel_.BtnActivate(*pair);
    // A plain click looks for the value itself, a Ctrl+click for values containing it.
    panel_.ExactSearch = !(h.ctrlHeld && h.ctrlHeld());
    if (check->SearchWithFirstName) panel_.SearchWithFirstName = *check->SearchWithFirstName;
    panel_.ncbSearch->setText(view_.form().text(QLatin1String(check->Field)));
    if (h.setSearchDelay) h.setSearchDelay(1);
}

}  // namespace stanor::search
