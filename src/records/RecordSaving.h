#pragma once
// SaveChanges: stores what is pending on the record shown. The mandatory
// fields of the kind first (the first that fails gets the focus), then at
// most one pending cost line (vehicles) or action line (customers), then the
// statement of the sheet shown, then the pending updates of the other pages,
// and for a used vehicle the fixed-cost line. An insert reads back its new
// key and reloads the record; an update makes the values sent the loaded
// ones. Nothing pending is dropped on a failure: values, statements and
// creation flags stay as they were, the warning stays, and the next save
// sends them again; an insert carries a key of its own so that sending it
// again never stores a second record.

#include "records/InsertAttempts.h"
#include "records/PageStatement.h"
#include "records/PersistenceHost.h"
#include "records/UpdateConflict.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace stanor::pages {
class RecordEditing;
class RecordView;
class PageUpdates;
struct RecordViewState;
}  // namespace stanor::pages

namespace stanor::service {
enum class SaveTarget;
}

namespace stanor::records {

class RecordSaving {
public:
    RecordSaving(pages::RecordView& view, pages::RecordEditing& editing, PersistenceHost& host);

    // Reloads the record from the data service (the reload command); true
    // when its answers came. Set by the record commands.
    std::function<bool()> reload;

    // True when nothing was pending or every request sent went well. A
    // failed check of the mandatory fields sends nothing, says why in the
    // warning and answers FlagNewEnreg (NewVehicle on the customer-vehicle
    // page), as the form always has; changed fields that cannot be stored
    // make it false.
    bool SaveChanges();
    void JvXPBtnSaveClick();

    // Whether the user changed anything that waits to be stored (a page's
    // changes, a grid line); the defaults of a record being created are no
    // change of the user's.
    bool anyPending() const;
    // Saves until nothing is pending, for leaving the record (closing the
    // window, loading another one). False when something stays pending; the
    // warning then says why.
    bool saveAll();
    // Drops every pending change: the values shown become the loaded ones.
    void discardPending();
    // Takes away the warning of a save refused earlier, once it no longer
    // holds (nothing is left to refuse); request errors stay.
    void clearRefusal();

    bool saving() const { return saving_; }
    InsertAttempts& attempts() { return attempts_; }

private:
    struct Progress;

    // Whether the save may go on past the question asked before it (duplicates).
    bool confirmed();
    // Refuses the save for mandatory fields left empty: all named in the
    // warning, the focus on the first.
    bool refuse(const QStringList& controls, bool result);
    // Refuses the save when a changed date is out of its range or no date,
    // however the focus left it; true when refused.
    bool refuseDates();
    QString captionOf(QWidget* w) const;
    void saveLine(InsertSlot slot, const std::function<PendingLine()>& pending,
                  const std::function<bool(int, const ConflictAnswer&)>& conflicted,
                  const std::function<void(int, bool)>& sent, service::SaveTarget target, Progress& p,
                  const std::function<void(int, const QString&)>& keyed = {}, int depth = 0);
    void savePage(int page, Progress& p, int depth = 0);
    void saveOtherPages(int active, Progress& p);
    struct Sent {
        bool ok = false;
        QString newId;
        bool replayed = false;
        ConflictAnswer conflict;  // an update that met a colleague's change
    };
    // Asks, for each field a colleague changed meanwhile, whose value wins;
    // the stored value becomes the loaded one, and the colleague's is shown
    // where the user takes it. False when the record is gone or nobody can be asked.
    bool resolveConflict(int page, const PageStatement& st, const QStringList& names, const QStringList& values,
                         const ConflictAnswer& conflict);
    void afterInsert(int page, const PageStatement& st, const QStringList& names, const QStringList& values,
                     const Sent& r, Progress& p, int depth);
    void saveFixedCost(Progress& p);
    void storeCostTotals(Progress& p);
    bool unsendable(int page);

    Sent send(InsertSlot slot, int page, const QString& statement, bool insert, service::SaveTarget target,
              const QStringList& names = {}, const QStringList& values = {});

    QStringList fieldNames(int page) const;
    QStringList currentValues(int page) const;
    // Types the values into the page again (after a reload), as loading does.
    void retype(int page, const std::vector<CarriedValue>& values);
    void focusControl(QWidget* w);
    QString text(const QString& control);
    QString caption(const QString& label);
    QString requestError() const;
    void warn(const QString& text);
    void trace(const QString& text) const;
    int activePage();

    pages::RecordView& view_;
    pages::RecordEditing& editing_;
    PersistenceHost& host_;
    InsertAttempts attempts_;
    bool saving_ = false;
    bool lastSent_ = false;  // whether the last SaveChanges sent a request
    QString lastProblem_;    // why the last SaveChanges stopped short, for the warning
};

}  // namespace stanor::records
