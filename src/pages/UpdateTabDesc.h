#pragma once
// Applies the tab descriptions and the record answer to the form: user,
// rights and date options, the record kind, which sheets show, the fields of
// each page bound to their designed controls or to controls created from the
// description, their captions, colours, rights and values, then the header.

#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

#include <QString>

class QWidget;

namespace stanor::pages {

class UpdateTabDesc {
public:
    UpdateTabDesc(RecordViewState& state, RecordViewForm& form, const RecordViewHost& host);

    // Raises service::FileError when reloadFiles is set and the reference
    // lists or the tab descriptions are missing from the trace folder.
    void run(bool reloadFiles, bool describePages);

    // Pieces of the pass, public for the commands that rebuild one part.
    void prepare(bool reloadFiles);
    void describe();
    void refreshFilledPages();
    void fillNewPages();
    void closingSteps();

private:
    void trace(const QString& text) const;
    QString answerFile(const QString& name) const;
    // The whole text of the reference lists or tab descriptions answer;
    // raises service::FileError in French when the service never sent it.
    QString loadListsAnswer(const QString& name, const QString& what) const;
    void openPageRecord(int n, bool firstFill);
    bool rowRights(int n, const QString& rightsTags) const;
    ValueSource valueSource(int n, const TsDesc& d) const;

    RecordViewState& s_;
    RecordViewForm& f_;
    const RecordViewHost& h_;
    service::TXml rec_;  // the record scanner, at the element of the page being filled
};

}  // namespace stanor::pages
