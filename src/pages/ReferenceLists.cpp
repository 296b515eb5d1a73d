#include "pages/ReferenceLists.h"

#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

namespace stanor::pages {

using toolkit::ComboBox;
using toolkit::FieldControl;
using toolkit::ListBox;

namespace {

// Refilling a list is no choice of the user: no change event fires, and the
// combo box does not pick its first item by itself.
void replaceItems(ComboBox* combo, const QStringList& items, int selected) {
    const QSignalBlocker quiet(combo);
    combo->clearAll();
    combo->addItems(items);
    combo->setCurrentIndex(selected);
    if (selected < 0 && !combo->isListOnly()) combo->setEditText(QString());
}

}  // namespace

RefLists ReferenceLists::lists() const {
    static const service::TXml empty;
    return RefLists(src_.equipXml ? *src_.equipXml : empty, src_.trace);
}

TsDesc* ReferenceLists::rowOf(const FieldControl* c) const {
    if (!c || !c->claimed() || !src_.pages) return nullptr;
    const int page = tagPage(c->tag());
    const int index = tagIndex(c->tag());
    if (page < 0 || page >= kPageCount) return nullptr;
    auto& fields = (*src_.pages)[page].Fields;
    return index < static_cast<int>(fields.size()) ? &fields[index] : nullptr;
}

void ReferenceLists::LoadInfoNxComboBox(const QString& name, ComboBox* combo) {
    if (!combo) return;
    RefLists l = lists();
    std::optional<QStringList> items;
    if (name == QStringLiteral("InfoCom")) items = l.salespeople(src_.siteFilter ? *src_.siteFilter : QString());
    else items = l.parsItems(name);
    if (items) replaceItems(combo, *items, -1);
}

void ReferenceLists::LoadInfoNxComboBoxColumn(const QString& name, toolkit::GridColumn* column) {
    if (!column) return;
    RefLists l = lists();
    if (name == QStringLiteral("InfoCom")) {
        column->items = l.salespeople(src_.siteFilter ? *src_.siteFilter : QString());
        return;
    }
    if (auto items = l.parsItems(name, true)) column->items = *items;
}

void ReferenceLists::SetInfoComboBoxIdCom(const QString& idCom, ComboBox* combo) {
    if (!combo) return;
    const QString name = lists().salespersonName(idCom);
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i) == name) combo->setCurrentIndex(i);
}

QString ReferenceLists::GetInfoComboBoxIdCom(const QString& name, const QString& text) {
    return lists().idComOf(name, text);
}

void ReferenceLists::fillCombo(TsDesc& d, ComboBox* combo) {
    if (!combo) return;
    const QString kind = src_.kindSuffix ? *src_.kindSuffix : QString();
    const QString site = src_.siteFilter ? *src_.siteFilter : QString();
    const ComboFill fill = lists().fillCombo(d, d.CurrentValue, kind, pass_, site);
    replaceItems(combo, fill.items, fill.selected);
}

void ReferenceLists::showInfoOptions(const ListBox* list) {
    const QString name = list->objectName();
    if (src_.setInfoOptions && (name == QStringLiteral("cVDInfoOptions") || name == QStringLiteral("cVNInfoOptions")))
        src_.setInfoOptions(list->selectedTexts().join(QStringLiteral(" - ")));
}

void ReferenceLists::fillList(TsDesc& d, ListBox* list) {
    if (!list) return;
    const ListFill fill = lists().fillList(d, d.CurrentValue, src_.siteText ? src_.siteText() : QString());
    const QSignalBlocker quiet(list);  // selecting loaded keys is no edit
    list->clearItems();
    for (size_t i = 0; i < fill.items.size(); ++i) {
        list->addItemText(fill.items[i].text);
        list->setSelected(static_cast<int>(i), fill.selected[i]);
    }
    showInfoOptions(list);
}

QString ReferenceLists::siteMarks() { return lists().siteMarks(src_.siteText ? src_.siteText() : QString()); }

void ReferenceLists::UpdateLBox(ListBox* list, bool include) {
    if (!list || !list->claimed()) return;
    RefLists l = lists();
    TsDesc* d = rowOf(list);
    const QString value = d ? d->CurrentValue : QString();
    const ListFill fill = selectByKeys(l.siteModels(siteMarks(), include), value);
    const QSignalBlocker quiet(list);
    list->clearItems();
    for (size_t i = 0; i < fill.items.size(); ++i) {
        list->addItemText(fill.items[i].text);
        list->setSelected(static_cast<int>(i), fill.selected[i]);
    }
    if (d) d->ListKeys = fill.listKeys;
}

void ReferenceLists::UpdateCBox(ComboBox* combo, const QString& key, const QString& textElement,
                                const QString& keyElement, const QString& list) {
    if (!combo || !combo->claimed() || key.trimmed().isEmpty()) return;
    const auto items = lists().dependentItems(list, key, textElement, keyElement);
    if (!items) {
        if (src_.trace) src_.trace(QStringLiteral("UpdateCBox : ") + key + QStringLiteral(" absent de ") + list);
        return;
    }
    replaceItems(combo, *items, -1);
}

void ReferenceLists::UpdateVersion(FieldControl* versionEdit, ComboBox* modelBox, ComboBox* typeVersionBox) {
    if (!versionEdit || !modelBox || !modelBox->claimed()) return;
    if (!modelBox->text().isEmpty()) {
        if (LastModel.isEmpty()) {
            const TsDesc* d = rowOf(modelBox);
            LastModel = d ? d->LoadedValue : QString();
            if (LastModel.isEmpty()) LastModel = modelBox->text();
        }
        versionEdit->setText(mergeModel(versionEdit->text(), LastModel, modelBox->text()));
        LastModel = modelBox->text();
    }
    if (typeVersionBox && typeVersionBox->claimed() && !typeVersionBox->text().isEmpty()) {
        versionEdit->setText(mergeTypeVersion(versionEdit->text(), lastTypeVersion(), typeVersionBox->text()));
        lastTypeVersion() = typeVersionBox->text();
    }
}

}  // namespace stanor::pages
