#include "pages/FieldHooks.h"

#include "pages/RefLists.h"
#include "pages/ReferenceLists.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"

namespace stanor::pages {

using toolkit::FieldControl;

TsDesc* FieldHooks::rowOf(const QWidget* control, int* page) const {
    const FieldControl* f = toolkit::asFieldControl(const_cast<QWidget*>(control));
    if (!f || !f->claimed() || !pages_) return nullptr;
    const int p = tagPage(f->tag());
    const int i = tagIndex(f->tag());
    if (p < 0 || p >= kPageCount || i >= static_cast<int>((*pages_)[p].Fields.size())) {
        if (trace_) trace_(QStringLiteral("contrôle %1 : tag %2 sans rubrique").arg(control->objectName()).arg(f->tag()));
        return nullptr;
    }
    if (page) *page = p;
    return &(*pages_)[p].Fields[i];
}

void FieldHooks::changed(int page) {
    if (testPageUpdate) testPageUpdate(page);
}

void FieldHooks::EditChange(QWidget* sender) {
    int page = 0;
    TsDesc* d = rowOf(sender, &page);
    if (!d) return;
    const FieldControl* shown = toolkit::asFieldControl(d->Control ? d->Control : sender);
    if (!shown) shown = toolkit::asFieldControl(sender);
    QString text = shown->text();
    if (d->DataType == DataType::Date && text == toolkit::DatePicker::kEmptyMask) text.clear();
    d->CurrentValue = text;
    changed(page);
}

void FieldHooks::CBoxChange(QWidget* sender) {
    int page = 0;
    TsDesc* d = rowOf(sender, &page);
    auto* combo = qobject_cast<toolkit::ComboBox*>(d && d->ComboBox ? d->ComboBox : sender);
    if (!d || !combo || combo->count() == 0) return;
    QString value;
    if (d->ByIndex) {
        if (d->ListName.toUpper() == QStringLiteral("IDCOM")) {
            value = lists_.GetInfoComboBoxIdCom(QStringLiteral("InfoCom"), combo->text());
        } else {
            const int index = combo->currentIndex();
            value = QString::number(d->FirstItemBlank ? index : index + 1);
        }
        if (d->DataType == DataType::Boolean)
            value = value == QStringLiteral("1") ? QStringLiteral("False") : QStringLiteral("True");
    } else {
        value = combo->text();
    }
    value = beforeColon(value);
    d->CurrentValue = value;
    const FieldControl* f = toolkit::asFieldControl(sender);
    if (f && f->tag() == 20057 && trace_)
        trace_(QStringLiteral("CBoxChange Tag : %1 - %2 - %3 - %4")
                   .arg(f->tag())
                   .arg(combo->count())
                   .arg(sender->objectName(), value));
    changed(page);
}

void FieldHooks::LBoxChange(QWidget* sender) {
    int page = 0;
    TsDesc* d = rowOf(sender, &page);
    auto* list = qobject_cast<toolkit::ListBox*>(d && d->ListBox ? d->ListBox : sender);
    if (!d || !list) return;
    QString keys;
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        if (!list->isSelected(i)) continue;
        keys += u';' + service::GetToken(d->ListKeys, i + 2);
        texts << list->item(i)->text();
    }
    if (!keys.isEmpty()) keys += u';';
    d->CurrentValue = keys;
    const QString name = list->objectName();
    if (setInfoOptions && (name == QStringLiteral("cVDInfoOptions") || name == QStringLiteral("cVNInfoOptions")))
        setInfoOptions(texts.join(QStringLiteral(" - ")));
    changed(page);
}

}  // namespace stanor::pages
