#pragma once
// Today's reminders: the toolbar command "Relances", with the count of the
// reminders due to the signed-in salesperson on it, opens a list of them
// over the sheets (PanelRelances); a click on a row opens the customer on
// the follow-up sheet, after saving what is pending. A super-administrator
// may list another salesperson's reminders, or those of a site's
// salespeople. The count is fetched again after each save of a customer
// and every 15 minutes, counted in ticks of the form's timer; neither the
// count nor the list ever touches the status line.

#include "reminders/ReminderList.h"
#include "service/RequestCatalogue.h"

#include <QObject>

#include <functional>

class QFrame;
class QPushButton;

namespace stanor::toolkit {
class ComboBox;
class Grid;
class Label;
struct GridCellFormat;
}  // namespace stanor::toolkit

namespace stanor::pages {
class RecordView;
}

namespace stanor::reminders {

// What the list asks of the main form.
struct RemindersHost {
    std::function<service::RequestCatalogue()> requests;
    // GET into the answer file, leaving the status line alone; the error
    // text, empty when the request went well.
    std::function<QString(const QString& url, const QString& file)> fetch;
    std::function<void(const QString& text)> trace;
    // Whether a refresh must wait for a later tick: a request or a save is
    // under way, or no record is shown yet (the service has not answered).
    std::function<bool()> busy;
    // Opens the customer on the follow-up sheet, after saving what is
    // pending; false when the record shown stays (the warning says why).
    std::function<bool(const QString& idClient)> openCustomer;
};

class RemindersPanel : public QObject {
    Q_OBJECT
public:
    // Ticks of the 250 ms timer between two refreshes of the count: 15 minutes.
    static constexpr int kRefreshTicks = 15 * 60 * 4;

    // Builds the list inside frame (named PanelRelances), bound to the
    // toolbar button; owned by the frame.
    static RemindersPanel* install(QFrame* frame, QPushButton* button, pages::RecordView& view, RemindersHost host);
    static RemindersPanel* of(const QFrame* frame);

    // ---- Controls
    QFrame* PanelRelances = nullptr;
    QPushButton* JvXPBtnRelances = nullptr;
    toolkit::Label* LbRelances = nullptr;     // whose reminders, how many
    toolkit::Label* LbRelancesInfo = nullptr;  // why the list could not be read
    toolkit::ComboBox* ncbRelCom = nullptr;   // super-administrators: another salesperson
    toolkit::ComboBox* ncbRelSite = nullptr;  // super-administrators: a site's salespeople
    toolkit::Grid* ngRelances = nullptr;

    // ---- Handlers
    // Opens the list (fetched again) or closes it.
    void JvXPBtnRelancesClick();
    // Fetches the user's own reminders again and shows their count on the
    // button (and in the list, when it shows them). False when the request failed.
    bool refreshCount();
    // One tick of the form's timer: the count is fetched again every kRefreshTicks.
    void Timer1Tick();
    // The count is fetched again at the next tick (the program started, the
    // user may have changed).
    void requestRefresh() { ticks_ = kRefreshTicks - 1; }
    // A record was saved: its actions may have followed reminders up.
    void afterSave();
    // Opens the customer of a row; true when it was opened.
    bool ngRelancesCellClick(int row);
    void ncbRelComChange();
    void ncbRelSiteChange();

    // The count on the button, -1 before it is known.
    int count() const { return count_; }
    const ReminderList& shown() const { return shown_; }

private:
    RemindersPanel(QFrame* frame, QPushButton* button, pages::RecordView& view, RemindersHost host);
    void build();
    // The reminders of the choice made (own, another salesperson, a site), fetched.
    bool fetch(const QString& idCom, const QString& site, ReminderList& out);
    void loadList();
    void showList(const ReminderList& list);
    void fillChoices();
    void showCount(const ReminderList& own);
    void formatCell(int row, int column, toolkit::GridCellFormat& format) const;
    void trace(const QString& text) const;

    pages::RecordView& view_;
    RemindersHost host_;
    ReminderList shown_;
    int count_ = -1;
    int ticks_ = 0;
    bool filling_ = false;
};

}  // namespace stanor::reminders
