#include "pages/PageUpdates.h"

namespace stanor::pages {

records::RecordState PageUpdates::recordState() const
{
    records::RecordState r;
    r.RecordTable = s_.pages[0].PageTag;
    r.Kind = f_.caption(QStringLiteral("JvXPBtnNewVO"));
    r.FlagNewEnreg = s_.FlagNewEnreg;
    r.NewVehicle = s_.NewVehicle;
    r.TypeVO = s_.TypeVO;
    r.IdTypeVO = h_.idTypeVO ? h_.idTypeVO() : 0;
    r.IdUser = h_.idUser ? h_.idUser() : QString();
    r.UserConcession = h_.userConcession ? h_.userConcession() : QString();
    r.CustomerId = f_.caption(QStringLiteral("LbIDCustomer"));
    r.Today = h_.today ? h_.today() : QDate::currentDate();
    return r;
}

// A page the record kind does not show keeps no statement from the record
// shown before.
void PageUpdates::forgetUndescribedPages()
{
    for (int n = 0; n < kPageCount; ++n) {
        if (s_.pages[n].Described)
            continue;
        s_.pages[n].PendingStatement.clear();
        last_[n] = {};
    }
}

bool PageUpdates::TestPageUpdate(int page)
{
    if (page < 0 || page >= kPageCount || s_.PageFilling)
        return false;
    TsPage& p = s_.pages[page];
    records::PageStatement st = records::TestPageUpdate(page, records::PageFields(p), recordState());
    if (h_.trace)
        for (const QString& line : st.traceLines(page))
            h_.trace(line);
    // An insert fills the record's TypeVO once.
    if (st.Insert && s_.TypeVO.isEmpty())
        s_.TypeVO = st.TypeVO;
    p.PendingStatement = st.Statement;
    const bool changed = st.changed();
    last_[page] = std::move(st);
    forgetUndescribedPages();

    f_.setCaption(QStringLiteral("LbDebugInfo2"), p.PendingStatement);
    // Something pending anywhere on the record keeps the save button on,
    // a grid line waiting to be stored included.
    const bool any = anyChanged() || (h_.gridLinePending && h_.gridLinePending());
    f_.setEnabled(QStringLiteral("JvXPBtnSave"), any);
    f_.setEnabled(QStringLiteral("JvXPBtnNewVO"), !any);
    return changed;
}

const records::PageStatement& PageUpdates::pending(int page) const
{
    static const records::PageStatement none;
    return page >= 0 && page < kPageCount ? last_[page] : none;
}

bool PageUpdates::anyChanged() const
{
    for (int n = 0; n < kPageCount; ++n)
        if (s_.pages[n].Described && last_[n].changed())
            return true;
    return false;
}

}  // namespace stanor::pages
