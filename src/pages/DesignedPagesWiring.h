#pragma once
// Ties the pages layer to the record view of the same form: the reference
// lists read the record state (lists answer, kind, site, pages), and the
// description pass fills combo and list boxes, attaches the generic events
// and reuses the designed caption labels through the host's hooks; the
// cascades refresh the record's title in the header.

#include "pages/DesignedPages.h"
#include "pages/RecordView.h"
#include "toolkit/Controls.h"

#include <QLabel>

namespace stanor::pages {

inline void wireRecordView(DesignedPages& p, RecordView& view) {
    RecordViewState& s = view.state();
    RecordViewHost& h = view.host();
    ListSources src;
    src.equipXml = &s.EquipXml;
    src.pages = &s.pages;
    src.kindSuffix = &s.KindSuffix;
    src.siteFilter = &s.SiteFilter;
    src.lastTypeVersion = &s.LastTypeVersion;
    src.siteText = [&p] {
        auto* site = p.sheets().as<toolkit::ComboBox>(QStringLiteral("aSite"));
        return site ? site->text() : QString();
    };
    src.setInfoOptions = [&p](const QString& text) {
        QWidget* tabs = qobject_cast<QWidget*>(p.parent());
        QWidget* form = tabs ? tabs->window() : nullptr;
        if (auto* label = form ? form->findChild<QLabel*>(QStringLiteral("LbInfoOptions")) : nullptr)
        {
            label->setText(text);
            label->setToolTip(text);  // the whole list when the caption is cut
        }
    };
    src.trace = h.trace;
    p.connectState(src);
    p.setTestPageUpdate([&h](int page) {
        if (h.testPageUpdate) h.testPageUpdate(page);
    });
    h.fillCombo = [&p](TsDesc& d, toolkit::ComboBox* c) { p.lists().fillCombo(d, c); };
    h.fillList = [&p](TsDesc& d, toolkit::ListBox* l) { p.lists().fillList(d, l); };
    h.beginPass = [&p] { p.lists().beginPass(); };
    h.attachEvents = [&p](QWidget* w, int controlType, const TsDesc& d) { p.attachEvents(w, controlType, d); };
    h.designedCaption = [](const QWidget* w) { return designedCaption(w); };
    h.placeCreated = [](QWidget* sheet, QWidget* control, QLabel* caption, bool above, int rows) {
        return placeCreatedControl(sheet, control, caption, above, rows);
    };
    p.setInfoTitre = [&view] { view.header().setInfoTitre(); };
}

}  // namespace stanor::pages
