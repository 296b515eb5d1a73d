#include "pages/DateExits.h"

#include "pages/FieldHooks.h"
#include "platform/Dialogs.h"
#include "toolkit/FieldControl.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace stanor::pages {

std::optional<rules::DateRange> DateExits::rangeOf(const rules::DateExitRule& rule)
{
    rules::DateLimits limits;
    limits.serverNow = s_.dates.ServerNow;
    limits.limiteDateDeb = s_.dates.LimiteDateDeb;
    limits.limiteDateFin = s_.dates.LimiteDateFin;
    limits.localToday = v_.today ? v_.today() : QDate::currentDate();
    limits.vDateOrdre = f_.text(QStringLiteral("vDateOrdre"));
    limits.vMEC = f_.text(QStringLiteral("vMEC"));
    return rules::exitRange(rule, limits);
}

std::optional<DateFault> DateExits::firstRefusedDate()
{
    for (const TsPage& page : s_.pages) {
        if (!page.Described)
            continue;
        for (const TsDesc& d : page.Fields) {
            if (d.DataType != DataType::Date || !d.Control || d.CurrentValue == d.LoadedValue)
                continue;
            const rules::DateExitRule* rule = rules::dateExitRule(d.Control->objectName());
            const std::optional<rules::DateRange> range = rule ? rangeOf(*rule) : std::nullopt;
            const rules::DateFieldDecision decision = rules::TestDateChange(
                {d.CurrentValue, d.LoadedValue, d.Caption, d.FieldName}, range.value_or(rules::DateRange{}));
            if (decision.refused)
                return DateFault{d.Control, decision.message};
        }
    }
    return std::nullopt;
}

bool DateExits::TestDateChange(QWidget* sender, const rules::DateRange& range)
{
    toolkit::FieldControl* fc = toolkit::asFieldControl(sender);
    if (!fc)
        return false;
    if (v_.trace)
        v_.trace(QStringLiteral("dans TestDateChange, nom du champ : ") + sender->objectName());
    const TsDesc* d = hooks_.rowOf(sender);
    if (!d)
        return false;  // a control no field claims has no value to keep or restore
    const rules::DateFieldDecision decision =
        rules::TestDateChange({fc->text(), d->LoadedValue, d->Caption, d->FieldName}, range);
    if (!decision.message.isEmpty() && h_.dialogs)
        h_.dialogs->messageBox(decision.caption, decision.message, platform::MsgIcon::Warning,
                               platform::MsgButtons::Ok);
    if (decision.refused)
        fc->setText(decision.text);
    hooks_.EditChange(sender);
    if (decision.refused) {
        // Given back once the focus has finished moving to the next control.
        QPointer<QWidget> field(sender);
        QTimer::singleShot(0, sender, [field] {
            if (field)
                field->setFocus();
        });
    }
    return decision.refused;
}

void DateExits::install(PageHandlers& handlers)
{
    for (const rules::DateExitRule& rule : rules::dateExitRules()) {
        handlers.set(QString::fromLatin1(rule.handler), [this, &rule](EventArgs& a) {
            if (const auto range = rangeOf(rule))
                TestDateChange(a.sender, *range);
        });
    }
}

}  // namespace stanor::pages
