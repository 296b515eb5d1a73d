#pragma once
// The question asked before a save stores a duplicate: a vehicle whose stock
// number or registration another vehicle of the dealership already carries
// (asked when they are new or changed), a new customer whose surname and
// first name, mobile or home phone stored customers already carry. The user
// saves anyway, opens the stored record instead (what was typed is then
// given up), or goes back to the record.

#include "search/DuplicateCheck.h"
#include "service/RequestCatalogue.h"

#include <QObject>
#include <QString>

#include <functional>

namespace stanor::platform {
class Dialogs;
}
namespace stanor::pages {
class RecordView;
}

namespace stanor::search {

struct DuplicateQuestionHost {
    std::function<service::RequestCatalogue()> requests;
    // GET into the answer file, leaving the status line alone; the error
    // text, empty when the request went well.
    std::function<QString(const QString& url, const QString& file)> fetch;
    platform::Dialogs* dialogs = nullptr;
    std::function<QString()> userConcession;
    std::function<void(const QString& text)> trace;
    // Gives up what is pending, then opens a stored record (customer, or a
    // vehicle of a kind: 1 VO, 2 VN, 3 VD); run once the save has returned.
    std::function<void()> discardPending;
    std::function<bool(const QString& id, bool customer, int kind)> openRecord;
};

class DuplicateQuestion : public QObject {
    Q_OBJECT
public:
    // Owned by the record view.
    static DuplicateQuestion* install(pages::RecordView& view, DuplicateQuestionHost host);

    // Before a save: true when it may go on (no duplicate, the user saves
    // anyway, or the duplicates could not be looked up: the save decides).
    bool confirmSave();

    // What the question is about for the record shown; empty when nothing
    // needs asking (no vehicle number or registration new or changed, no
    // customer being created).
    QString statement() const;

private:
    DuplicateQuestion(pages::RecordView& view, DuplicateQuestionHost host);
    bool vehicle() const;
    // The value of a control and whether the user changed it since loading.
    QString value(const QString& control, bool& changed) const;
    void trace(const QString& text) const;

    pages::RecordView& view_;
    DuplicateQuestionHost host_;
    QString accepted_;  // the statement whose duplicates the user chose to save anyway
};

}  // namespace stanor::search
