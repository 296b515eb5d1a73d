#include "pages/DesignedPages.h"

#include "toolkit/Controls.h"
#include "toolkit/Grid.h"

#include <QTabWidget>

namespace stanor::pages {

namespace {

using toolkit::ComboBox;
using E = EventKind;
constexpr char kObjectName[] = "stanorDesignedPages";
constexpr char kGenericProperty[] = "genericEvents";

}  // namespace

DesignedPages* DesignedPages::build(QTabWidget* tabs, TraceFn trace) {
    if (!tabs) return nullptr;
    if (DesignedPages* existing = of(tabs)) return existing;
    return new DesignedPages(tabs, std::move(trace));
}

DesignedPages* DesignedPages::of(QTabWidget* tabs) {
    return tabs ? tabs->findChild<DesignedPages*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly) : nullptr;
}

DesignedPages::DesignedPages(QTabWidget* tabs, TraceFn traceFn)
    : QObject(tabs), trace_(std::move(traceFn)), hooks_(lists_, trace_) {
    setObjectName(QLatin1String(kObjectName));
    sheets_ = buildDesignedControls(tabs, &faults_);
    const QStringList unbound = bindDesignedEvents(sheets_, handlers_);
    for (const QString& name : unbound) faults_ << QStringLiteral("contrôles : %1 introuvable pour ses événements").arg(name);
    installGenericHandlers();
    installCascades();
    for (const QString& f : faults_) trace(f);
}

void DesignedPages::trace(const QString& line) const {
    if (trace_) trace_(line);
}

void DesignedPages::connectState(const ListSources& sources) {
    lists_.setSources(sources);
    hooks_.setPages(sources.pages);
    hooks_.setInfoOptions = sources.setInfoOptions;
}

void DesignedPages::installGenericHandlers() {
    handlers_.set(QStringLiteral("EditChange"), [this](EventArgs& a) { hooks_.EditChange(a.sender); });
    handlers_.set(QStringLiteral("CBoxChange"), [this](EventArgs& a) { hooks_.CBoxChange(a.sender); });
    handlers_.set(QStringLiteral("LBoxChange"), [this](EventArgs& a) { hooks_.LBoxChange(a.sender); });
    // Until its own rules are built, a change handler records the change
    // through the generic field event of its control, so nothing is lost.
    handlers_.fallback = [this](const QString& name, EventArgs& a) {
        if (a.event != E::Change || !name.endsWith(QStringLiteral("Change"))) return;
        if (qobject_cast<ComboBox*>(a.sender)) hooks_.CBoxChange(a.sender);
        else if (qobject_cast<toolkit::ListBox*>(a.sender)) hooks_.LBoxChange(a.sender);
        else if (!qobject_cast<toolkit::Grid*>(a.sender)) hooks_.EditChange(a.sender);
    };
}

void DesignedPages::installCascades() {
    auto combo = [this](const char* name) { return sheets_.as<ComboBox>(QString::fromLatin1(name)); };
    auto field = [this](const char* name) {
        return toolkit::asFieldControl(sheets_.control(QString::fromLatin1(name)));
    };
    auto titre = [this] {
        if (setInfoTitre) setInfoTitre();
    };

    // Mark -> model list.
    struct MarkCascade { const char* handler; const char* model; const char* text; const char* key; const char* list; bool titre; };
    const MarkCascade marks[] = {
        {"cInfoMarqueChange", "cInfoModele", "vModel", "vMark", "Models", true},
        {"cVDInfoMarqueChange", "cVDInfoModele", "vnModel", "vnMark", "VNModels", true},
        {"cVNInfoMarqueChange", "cVNInfoModele", "vnModel", "vnMark", "VNModels", true},
        {"cPAPAMarque1Change", "cPAPAModele1", "vModel", "vMark", "Models", false},
        {"cPAPAMarque2Change", "cPAPAModele2", "vModel", "vMark", "Models", false},
        {"vInfoMarqueChange", "vInfoModele", "vModel", "vMark", "Models", false},
    };
    for (const MarkCascade& m : marks) {
        handlers_.set(QString::fromLatin1(m.handler), [=, this](EventArgs& a) {
            hooks_.CBoxChange(a.sender);
            auto* mark = qobject_cast<ComboBox*>(a.sender);
            lists_.UpdateCBox(combo(m.model), mark ? mark->text().toUpper() : QString(), QString::fromLatin1(m.text),
                              QString::fromLatin1(m.key), QString::fromLatin1(m.list));
            if (m.titre) titre();
        });
    }

    // Model -> version type list and version text.
    handlers_.set(QStringLiteral("cInfoModeleChange"), [=, this](EventArgs& a) {
        hooks_.CBoxChange(a.sender);
        lists_.UpdateVersion(field("cInfoVersion"), combo("cInfoModele"), nullptr);
    });
    for (const char* prefix : {"cVD", "cVN"}) {
        const QString p = QString::fromLatin1(prefix);
        const QByteArray model = (p + QStringLiteral("InfoModele")).toLatin1();
        const QByteArray type = (p + QStringLiteral("InfoTypeVersion")).toLatin1();
        const QByteArray version = (p + QStringLiteral("InfoVersion")).toLatin1();
        handlers_.set(p + QStringLiteral("InfoModeleChange"), [=, this](EventArgs& a) {
            hooks_.CBoxChange(a.sender);
            ComboBox* m = combo(model.constData());
            lists_.UpdateCBox(combo(type.constData()), m ? m->text().toUpper() : QString(), QStringLiteral("vnVers"),
                              QStringLiteral("vnModel"), QStringLiteral("VNVersions"));
            lists_.UpdateVersion(field(version.constData()), m, combo(type.constData()));
        });
        handlers_.set(p + QStringLiteral("InfoTypeVersionChange"), [=, this](EventArgs& a) {
            hooks_.EditChange(a.sender);
            lists_.UpdateVersion(field(version.constData()), combo(model.constData()), combo(type.constData()));
            titre();
        });
    }
    // The customer's site: salespeople of the action grid and filter, and
    // the purchase-plan models sold (or not) at that site.
    handlers_.set(QStringLiteral("aSiteChange"), [=, this](EventArgs& a) {
        hooks_.CBoxChange(a.sender);
        auto* site = qobject_cast<ComboBox*>(a.sender);
        if (site && lists_.sources().siteFilter) *lists_.sources().siteFilter = site->text();
        if (auto* grid = sheets_.as<toolkit::Grid>(QStringLiteral("ngAction"))) {
            lists_.LoadInfoNxComboBoxColumn(QStringLiteral("InfoCom"), grid->columnByName(QStringLiteral("idCom")));
            lists_.LoadInfoNxComboBoxColumn(QStringLiteral("InfoCom"),
                                            grid->columnByName(QStringLiteral("idComRelance")));
        }
        lists_.LoadInfoNxComboBox(QStringLiteral("InfoCom"), combo("aidCom"));
        lists_.UpdateLBox(sheets_.as<toolkit::ListBox>(QStringLiteral("cPAPAChoix1")), true);
        lists_.UpdateLBox(sheets_.as<toolkit::ListBox>(QStringLiteral("cPAPAChoix2")), false);
    });
    handlers_.set(QStringLiteral("vInfoModeleChange"), [this](EventArgs& a) { hooks_.CBoxChange(a.sender); });
    for (const char* h : {"cInfoVesionChange", "cVNInfoVersionChange", "cVDInfoVersionChange"}) {
        handlers_.set(QString::fromLatin1(h), [=, this](EventArgs& a) {
            hooks_.EditChange(a.sender);
            titre();
        });
    }
}

void DesignedPages::attachEvents(QWidget* control, int controlType, const TsDesc& d) {
    if (!control) return;
    const int done = control->property(kGenericProperty).toInt();
    int now = done;
    auto attach = [&](E event, const char* handler) {
        const int bit = 1 << static_cast<int>(event);
        if ((now & bit) || hasDesignedHandler(control, event)) return;
        bindEvent(control, event, QString::fromLatin1(handler), handlers_);
        now |= bit;
    };
    if (controlType == ControlType::Button) return;
    if (controlType == ControlType::ListBox) {
        attach(E::Change, "LBoxChange");
    } else if (controlType == ControlType::ComboText || controlType == ControlType::ComboIndex) {
        attach(E::Change, "CBoxChange");
        attach(E::KeyDown, "CBoxKeyDown");
        if (!d.ListName.isEmpty()) {
            attach(E::Enter, "CBoxEnter");
            attach(E::Exit, "CBoxExit");
            attach(E::KeyUp, "cBoxKeyUp");
        }
    } else {
        attach(E::KeyDown, "CBoxKeyDown");
        attach(E::Change, "EditChange");
    }
    if (now != done) control->setProperty(kGenericProperty, now);
}

}  // namespace stanor::pages
