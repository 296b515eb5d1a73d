#pragma once
// Reference lists applied to the controls: filling a field's combo box or
// list box, the salesperson lists, and the cascades that refill dependent
// lists (mark -> model -> version).

#include "pages/RefLists.h"

#include <functional>

namespace stanor::toolkit {
class ComboBox;
class FieldControl;
class ListBox;
struct GridColumn;
}  // namespace stanor::toolkit

namespace stanor::pages {

// Where the lists and the record state live (the form's state); set once
// the form has them. Pointers may stay null: the operations then do nothing.
struct ListSources {
    const service::TXml* equipXml = nullptr;  // "XmlEquip.xml"
    Pages* pages = nullptr;
    const QString* kindSuffix = nullptr;
    QString* siteFilter = nullptr;       // upper-cased site of the record, or of aSite after a change
    QString* lastTypeVersion = nullptr;  // shared with the description pass
    std::function<QString()> siteText;   // the text of aSite
    std::function<void(const QString&)> setInfoOptions;  // caption of LbInfoOptions
    TraceFn trace;
};

class ReferenceLists {
public:
    void setSources(ListSources s) { src_ = std::move(s); }
    const ListSources& sources() const { return src_; }

    // A new description pass forgets the remembered mark and model.
    void beginPass() { pass_ = {}; }

    void LoadInfoNxComboBox(const QString& name, toolkit::ComboBox* combo);
    void LoadInfoNxComboBoxColumn(const QString& name, toolkit::GridColumn* column);
    void SetInfoComboBoxIdCom(const QString& idCom, toolkit::ComboBox* combo);
    QString GetInfoComboBoxIdCom(const QString& name, const QString& text);

    // Fills the field's combo box (just cleared) and selects d.CurrentValue.
    void fillCombo(TsDesc& d, toolkit::ComboBox* combo);
    // Fills the field's list box (just cleared), selects its keys, rebuilds ListKeys.
    void fillList(TsDesc& d, toolkit::ListBox* list);

    void UpdateCBox(toolkit::ComboBox* combo, const QString& key, const QString& textElement,
                    const QString& keyElement, const QString& list);
    void UpdateLBox(toolkit::ListBox* list, bool include);
    void UpdateVersion(toolkit::FieldControl* versionEdit, toolkit::ComboBox* modelBox,
                       toolkit::ComboBox* typeVersionBox);
    // The marks sold at the site shown in aSite ("VW" when unknown).
    QString siteMarks();

    QString LastModel;
    QString LastTypeVersion;  // used when the sources hold none

private:
    RefLists lists() const;
    TsDesc* rowOf(const toolkit::FieldControl* c) const;
    QString& lastTypeVersion() { return src_.lastTypeVersion ? *src_.lastTypeVersion : LastTypeVersion; }
    void showInfoOptions(const toolkit::ListBox* list);

    ListSources src_;
    PassMemory pass_;
};

}  // namespace stanor::pages
