#pragma once
// Binds a described field to its control: the designed control of its name
// on its sheet (or on the accounting panel), else a control created from the
// row where it says, with its caption label; then the control takes the
// field's tag, list, value, length, colours and enabling.

#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

#include <QString>

class QWidget;

namespace stanor::pages {

class FieldBinding {
public:
    FieldBinding(RecordViewState& state, RecordViewForm& form, const RecordViewHost& host);

    // The first binding of row index of page n: the designed control, or one
    // created when the design has none and the row is shown.
    void bind(TsDesc& d, int n, int index, bool rights);
    // Sets up the field control w for the row (again on every refresh).
    void setUp(TsDesc& d, QWidget* w, int n, int index, bool rights);

    // The caption colour of a field's label from its NotNull mark and value.
    static void applyCaptionColour(const TsDesc& d);
    // Whether a row of that control code shows a value (edit, combo or list box).
    static bool carriesValue(int controlType);

private:
    void trace(const QString& text) const;
    // The sheet or panel the row's control lives on, nullptr when none.
    QWidget* hostOf(int n, const TsDesc& d);
    QWidget* findDesigned(int n, const TsDesc& d);
    QWidget* createControl(TsDesc& d, int n);
    void createLabel(TsDesc& d, int n, int index, int left, int top);

    RecordViewState& s_;
    RecordViewForm& f_;
    const RecordViewHost& h_;
};

}  // namespace stanor::pages
