#pragma once
// The header strip above the sheets: six disabled edits that summarise the
// record (title, stock number, customer identity and three fields), filled
// from the page controls by record kind.

#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

class QWidget;

namespace stanor::pages {

class HeaderStrip {
public:
    HeaderStrip(const RecordViewState& state, RecordViewForm& form) : s_(state), f_(form) {}

    // Creates the six header edits on the form when its design has none,
    // above the sheets.
    static void ensure(QWidget* form);

    void setInfoTitre();
    void setInfoNVO();
    void setInfoField1();
    void setInfoField2();
    void setInfoField3();
    void ShowIdentity();
    // Published by the form; shows nothing of its own.
    void setIdentity() {}

    // All of them, as after a description pass.
    void refresh();

private:
    void write(const char* edit, const QString& text);
    QString text(const char* control);
    const RecordViewState& s_;
    RecordViewForm& f_;
};

}  // namespace stanor::pages
