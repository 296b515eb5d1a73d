#pragma once
// Loads the record named by the form's identifiers (captions of LbIdTVO and
// LbIDCustomer), applies the answers to the pages, and adapts the commands,
// panels and debug labels to the record kind and the user's rights.

#include "pages/HeaderStrip.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

#include <QObject>

namespace stanor::pages {

class RecordView : public QObject {
    Q_OBJECT
public:
    // The record view of the form, created (with its header strip) on first use.
    static RecordView* of(QWidget* form, const std::function<RecordViewHost()>& makeHost);

    RecordView(QWidget* form, RecordViewHost host);

    RecordViewState& state() { return state_; }
    RecordViewHost& host() { return host_; }
    RecordViewForm& form() { return form_; }
    HeaderStrip header() { return HeaderStrip(state_, form_); }

    // Any error inside ends it quietly, leaving the form as far as it got
    // (the fault is written to the trace and shown in the warning panel).
    void UpdateView(bool reloadFiles);
    void UpdateTabDesc(bool reloadFiles, bool describePages);
    void UpdateHints(bool customer);

    // The trace of the last fault UpdateView stopped on, empty when none.
    const QString& lastFault() const { return lastFault_; }

private:
    void trace(const QString& text) const;
    void run(bool reloadFiles);
    void requestRecords();
    void requestOne(const QString& url, const char* answerFile);
    void showCommands();
    void reportFault(const QString& what);
    // Hides the sheets and the header and says why in the warning panel.
    void showNotLoaded(const QString& message);

    RecordViewState state_;
    RecordViewHost host_;
    RecordViewForm form_;
    QString lastFault_;
};

}  // namespace stanor::pages
