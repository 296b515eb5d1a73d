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

    // The caption colour of a field's label from its NotNull mark and value.
    static void applyCaptionColour(const TsDesc& d);
    // Whether a row of that control code shows a value (edit, combo or list box).
    static bool carriesValue(int controlType);

private:
    void trace(const QString& text) const;
    QString answerFile(const QString& name) const;
    // The whole text of the reference lists or tab descriptions answer;
    // raises service::FileError in French when the service never sent it.
    QString loadListsAnswer(const QString& name, const QString& what) const;
    void openPageRecord(int n, bool firstFill);
    bool rowRights(int n, const QString& rightsTags) const;
    ValueSource valueSource(int n, const TsDesc& d) const;
    QWidget* findDesigned(int n, const TsDesc& d);
    void setUpControl(TsDesc& d, QWidget* w, int n, int index, bool rights);
    QWidget* createControl(TsDesc& d, int n);
    void createLabel(TsDesc& d, int n, int index, int left, int top);
    QWidget* hostOf(int n, const TsDesc& d);

    RecordViewState& s_;
    RecordViewForm& f_;
    const RecordViewHost& h_;
    service::TXml rec_;  // the record scanner, at the element of the page being filled
};

}  // namespace stanor::pages
