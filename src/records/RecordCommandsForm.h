#pragma once
// The commands of the toolbar on the record shown: a new record of the
// kind, reload, delete (with its question), the sweep of cancelled
// new-vehicle orders, next and previous through the hits of the last search,
// and the tab control's events (save before leaving a sheet, load a sheet's
// grids on its first display), with the two identifier lookups.

#include "records/PersistenceHost.h"
#include "records/SearchHits.h"

#include <QString>
#include <QStringList>

namespace stanor::pages {
class RecordEditing;
class RecordView;
}  // namespace stanor::pages

namespace stanor::records {

class RecordSaving;

class RecordCommandsForm {
public:
    RecordCommandsForm(pages::RecordView& view, pages::RecordEditing& editing, PersistenceHost& host,
                       RecordSaving& saving);

    void JvXPBtnNewVOClick();
    void JvXPBtnSaveClick();
    // Loads the record named by LbIdTVO / LbIDCustomer again and applies the
    // descriptions. False when a request failed: the form then keeps the
    // record it shows (the answer files hold the previous record's).
    bool JvXPBtnActualizeClick();
    void JvXPBtnSupprClick();
    void JvXPNextClick();
    void JvXPPrevClick();
    void JvXPBtnSweepClick();
    // Opens the "Historique" window of the record shown (vehicle or customer).
    void JvXPBtnHistoryClick();
    void TabsChanging(bool& allowChange);
    void TabsChange();

    // idVO / idClient of the record shown; with report, an empty one is told
    // in a warning box.
    QString GetIdVO(bool report);
    QString GetIdClient(bool report);

    // The reload button as the user presses it: pending changes are offered
    // for saving first (yes, no, cancel).
    void reloadAsked();
    // Before the record shown is left (window closed): true when it may go.
    // With changes pending, asks "Enregistrer les modifications ?": yes saves
    // (and answers whether everything was stored), no drops them, cancel stays.
    bool askToSave();

    // The hits the search panel found; next and previous step through them.
    SearchHits& hits() { return hits_; }
    // A row hovered or selected: the next and previous buttons follow it.
    void selectHit(int row);
    // Opens the record of a row, after saving what is pending; false when
    // the save or the loading failed (the record shown then stays).
    bool openHit(int row);

private:
    // True, with a trace line, while a save is under way: the command does not run.
    bool saveUnderWay(const char* command) const;
    // The new record itself, once what was pending is stored (or gone).
    void startNewRecord();
    void preselectSite(const QString& kind);
    void emptyGrid(const QString& name);
    bool sendChain(const QStringList& statements);
    void followHits();
    void trace(const QString& text) const;
    QString caption(const QString& name);
    QString requestError() const;

    pages::RecordView& view_;
    pages::RecordEditing& editing_;
    PersistenceHost& host_;
    RecordSaving& saving_;
    SearchHits hits_;
};

}  // namespace stanor::records
