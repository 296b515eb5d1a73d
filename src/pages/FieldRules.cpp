#include "pages/FieldRules.h"

#include "pages/FieldHooks.h"
#include "rules/KeyFilters.h"
#include "toolkit/FieldControl.h"

#include <QLineEdit>

namespace stanor::pages {

namespace {

// DEL comes with the Delete key here; it is no typed character for the filters.
bool typed(const EventArgs& a) { return a.keyChar && *a.keyChar != QChar(0x7F); }

QString textOf(QWidget* w)
{
    const toolkit::FieldControl* fc = toolkit::asFieldControl(w);
    return fc ? fc->text() : QString();
}

}  // namespace

void FieldRules::dblChange(const char* kind)
{
    // Values being loaded are no typing: no check is armed for them.
    if (!s_.PageFilling && h_.setDblChange)
        h_.setDblChange(QString::fromLatin1(kind));
}

void FieldRules::setInfoOptions(const QString& text)
{
    f_.setCaption(QStringLiteral("LbInfoOptions"), text);
}

void FieldRules::toggleOptions(const char* prefix)
{
    QWidget* list = f_.widget(QLatin1String(prefix) + QStringLiteral("InfoOptions"));
    if (!list)
        return;
    list->setVisible(list->isHidden());
    if (!list->isHidden()) {
        list->raise();
        list->setFocus();
    }
}

void FieldRules::optionsEntered(const char* prefix)
{
    if (QWidget* list = f_.widget(QLatin1String(prefix) + QStringLiteral("InfoOptions"))) {
        list->resize(200, 400);
        list->raise();
    }
    f_.setVisible(QStringLiteral("cz") + QLatin1String(prefix + 1) + QStringLiteral("Options"), false);
}

void FieldRules::optionsLeft(const char* prefix)
{
    f_.setVisible(QLatin1String(prefix) + QStringLiteral("InfoOptions"), false);
    f_.setVisible(QStringLiteral("cz") + QLatin1String(prefix + 1) + QStringLiteral("Options"), true);
}

void FieldRules::EditNumKeyPress(EventArgs& a)
{
    if (!typed(a))
        return;
    if (!rules::EditNumKeyPress(*a.keyChar).accepted()) {
        *a.keyChar = QChar();
        if (h_.beep)
            h_.beep();
    }
}

void FieldRules::EditRealKeyPress(EventArgs& a)
{
    if (!typed(a))
        return;
    qsizetype start = 0, length = 0;
    if (auto* edit = qobject_cast<QLineEdit*>(a.sender); edit && edit->hasSelectedText()) {
        start = edit->selectionStart();
        length = edit->selectedText().size();
    }
    const rules::KeyDecision d = rules::EditRealKeyPress(textOf(a.sender), *a.keyChar, u'.', start, length);
    *a.keyChar = d.key;
    if (d.beep && h_.beep)
        h_.beep();
}

void FieldRules::installKeyFilters(PageHandlers& handlers)
{
    for (const char* control :
         {"aCliMobile", "aCliTelDom", "aCliTelBur", "vImmatriculation", "cImmatriculation", "cVDImmatriculation",
          "cVNImmatriculation", "aCliNom", "aCliPrenom", "aCliAdresse1", "aCliAdresse2", "aCliVille", "vInfoVersion",
          "vInfoTypeVersion"}) {
        const rules::KeyFilter filter = rules::keyFilterOf(QString::fromLatin1(control));
        // A paste or a drop goes through the filter as typed keys do.
        if (toolkit::FieldControl* fc = toolkit::asFieldControl(f_.widget(QLatin1String(control))))
            fc->setInputFilter([filter](const QString& text) { return rules::filterText(filter, text); });
        handlers.set(QLatin1String(control) + QStringLiteral("KeyPress"), [this, filter](EventArgs& a) {
            if (!typed(a))
                return;
            *a.keyChar = rules::filterKey(filter, *a.keyChar);
            // Phone numbers and registrations record the field as it stands.
            if (filter != rules::KeyFilter::UpperCase)
                hooks_.EditChange(a.sender);
        });
    }
    handlers.set(QStringLiteral("EditNumKeyPress"), [this](EventArgs& a) { EditNumKeyPress(a); });
    handlers.set(QStringLiteral("EditRealKeyPress"), [this](EventArgs& a) { EditRealKeyPress(a); });
}

void FieldRules::install(PageHandlers& handlers)
{
    handlers.set(QStringLiteral("cNVOChange"), [this](EventArgs& a) {
        if (v_.trace)
            v_.trace(QStringLiteral("dans cNVOChange ") + textOf(a.sender));
        hooks_.EditChange(a.sender);
        header().setInfoNVO();
    });
    handlers.set(QStringLiteral("cInfoCouleurChange"), [this](EventArgs& a) {
        hooks_.CBoxChange(a.sender);
        header().setInfoField1();
    });
    handlers.set(QStringLiteral("cCVKMSChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        header().setInfoField2();
    });
    handlers.set(QStringLiteral("cDateEntreeChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        header().setInfoField3();
    });
    handlers.set(QStringLiteral("cDestinationChange"), [this](EventArgs& a) { hooks_.CBoxChange(a.sender); });
    handlers.set(QStringLiteral("cSiteChange"), [this](EventArgs& a) {
        hooks_.CBoxChange(a.sender);
        // The site the user chose is preselected on the next new record;
        // the site of a record being shown is not a choice.
        if (!s_.PageFilling)
            s_.UserUS1 = textOf(a.sender);
    });

    // The customer: identity line, header phones and e-mail, duplicate checks.
    handlers.set(QStringLiteral("aCliCiviliteChange"), [this](EventArgs& a) {
        hooks_.CBoxChange(a.sender);
        header().ShowIdentity();
    });
    handlers.set(QStringLiteral("aCliNomChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        header().ShowIdentity();
        dblChange("Nom");
    });
    handlers.set(QStringLiteral("aCliPrenomChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        header().ShowIdentity();
        dblChange("Ident");
    });
    handlers.set(QStringLiteral("aCliMobileChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        header().setInfoField2();
        dblChange("Mobile");
    });
    handlers.set(QStringLiteral("aCliTelDomChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        header().setInfoField3();
        dblChange("TelDom");
    });
    handlers.set(QStringLiteral("aCliEmailChange"), [this](EventArgs& a) {
        hooks_.EditChange(a.sender);
        header().setInfoField1();
    });

    // Option lists of demonstrators and new vehicles.
    for (const char* prefix : {"cVD", "cVN"}) {
        const QString p = QLatin1String(prefix);
        const QString button = QStringLiteral("cz") + QLatin1String(prefix + 1) + QStringLiteral("Options");
        handlers.set(button + QStringLiteral("Click"), [this, prefix](EventArgs&) { toggleOptions(prefix); });
        handlers.set(p + QStringLiteral("InfoOptionsEnter"), [this, prefix](EventArgs&) { optionsEntered(prefix); });
        handlers.set(p + QStringLiteral("InfoOptionsExit"), [this, prefix](EventArgs&) { optionsLeft(prefix); });
        handlers.set(p + QStringLiteral("InfoOptionsData"), [this](EventArgs& a) { setInfoOptions(a.value); });
    }
    installKeyFilters(handlers);
}

}  // namespace stanor::pages
