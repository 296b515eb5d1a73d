#include "search/DuplicateQuestion.h"

#include "pages/RecordView.h"
#include "platform/Dialogs.h"
#include "service/TextTools.h"

#include <QTimer>

namespace stanor::search {

namespace {

constexpr char kObjectName[] = "stanorDuplicateQuestion";

// The stock number and registration controls of each vehicle kind.
struct VehicleControls {
    const char *suffix, *number, *registration;
};
constexpr VehicleControls kVehicleControls[] = {
    {"_TVO", "cNVO", "cImmatriculation"},
    {"_TVD", "cVDNVO", "cVDImmatriculation"},
    {"_TVN", "cVNNVO", "cVNImmatriculation"},
};

const VehicleControls* controlsOf(const QString& kindSuffix) {
    for (const VehicleControls& c : kVehicleControls)
        if (kindSuffix == QLatin1String(c.suffix)) return &c;
    return nullptr;
}

}  // namespace

DuplicateQuestion* DuplicateQuestion::install(pages::RecordView& view, DuplicateQuestionHost host) {
    if (auto* existing = view.findChild<DuplicateQuestion*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly))
        return existing;
    return new DuplicateQuestion(view, std::move(host));
}

DuplicateQuestion::DuplicateQuestion(pages::RecordView& view, DuplicateQuestionHost host)
    : QObject(&view), view_(view), host_(std::move(host)) {
    setObjectName(QLatin1String(kObjectName));
}

void DuplicateQuestion::trace(const QString& text) const {
    if (host_.trace) host_.trace(text);
}

bool DuplicateQuestion::vehicle() const { return controlsOf(view_.state().KindSuffix) != nullptr; }

QString DuplicateQuestion::value(const QString& control, bool& changed) const {
    QWidget* w = view_.form().widget(control);
    const QString shown = view_.form().text(control).trimmed();
    changed = view_.state().FlagNewEnreg;
    for (const pages::TsPage& page : view_.state().pages)
        for (const pages::TsDesc& d : page.Fields)
            if (w && d.Control == w) changed = changed || d.CurrentValue.trimmed() != d.LoadedValue.trimmed();
    return shown;
}

QString DuplicateQuestion::statement() const {
    const pages::RecordViewState& s = view_.state();
    const QString concession = host_.userConcession ? host_.userConcession() : QString();
    if (const VehicleControls* c = controlsOf(s.KindSuffix)) {
        bool numberChanged = false, plateChanged = false;
        const QString number = value(QLatin1String(c->number), numberChanged);
        const QString plate = value(QLatin1String(c->registration), plateChanged);
        if (!numberChanged && !plateChanged) return {};
        const QString self = s.FlagNewEnreg ? QString() : view_.form().caption(QStringLiteral("LbIdTVO"));
        return VehicleDuplicatesSql(numberChanged ? number : QString(), plateChanged ? plate : QString(), self,
                                    concession);
    }
    if (s.KindSuffix != QLatin1String("_TCL") || !s.FlagNewEnreg) return {};
    return CustomerDuplicatesSql(view_.form().text(QStringLiteral("aCliNom")), view_.form().text(QStringLiteral("aCliPrenom")),
                                 view_.form().text(QStringLiteral("aCliMobile")),
                                 view_.form().text(QStringLiteral("aCliTelDom")), concession);
}

bool DuplicateQuestion::confirmSave() {
    const QString sql = statement();
    if (sql.isEmpty() || sql == accepted_ || !host_.requests || !host_.fetch || !host_.dialogs) return true;
    const service::ServiceRequest r = host_.requests().duplicateRecords(sql);
    QString answer;
    if (const QString error = host_.fetch(r.url, r.answerFile); !error.isEmpty()) {
        trace(QStringLiteral("Doublons non vérifiés : ") + error);
        return true;
    }
    try {
        answer = service::LoadTextFile(r.answerFile);
    } catch (const service::FileError& e) {
        trace(QStringLiteral("Doublons non vérifiés : ") + QString::fromUtf8(e.what()));
        return true;
    }
    const bool isVehicle = vehicle();
    const std::vector<DuplicateRecord> found =
        isVehicle ? ReadVehicleDuplicates(answer, view_.form().text(QLatin1String(controlsOf(view_.state().KindSuffix)->number)),
                                          view_.form().text(QLatin1String(controlsOf(view_.state().KindSuffix)->registration)))
                  : ReadCustomerDuplicates(answer);
    if (found.empty()) return true;

    QStringList items;
    for (const DuplicateRecord& d : found) items << d.text;
    const bool one = found.size() == 1;
    const QString caption = isVehicle ? QStringLiteral("Véhicule en double") : QStringLiteral("Client en double");
    const QString text =
        isVehicle ? (one ? QStringLiteral("Un autre véhicule de la concession porte déjà ce numéro de stock ou cette "
                                          "immatriculation :")
                         : QStringLiteral("D'autres véhicules de la concession portent déjà ce numéro de stock ou "
                                          "cette immatriculation :"))
                  : (one ? QStringLiteral("Un client déjà enregistré porte le même nom et prénom, le même mobile ou le "
                                          "même téléphone :")
                         : QStringLiteral("Des clients déjà enregistrés portent le même nom et prénom, le même mobile "
                                          "ou le même téléphone :"));
    const QString open = isVehicle ? (one ? QStringLiteral("Ouvrir ce véhicule") : QStringLiteral("Ouvrir le véhicule choisi"))
                                   : (one ? QStringLiteral("Ouvrir ce client") : QStringLiteral("Ouvrir le client choisi"));
    const platform::Choice choice =
        host_.dialogs->choose(caption, text + QStringLiteral("\nL'enregistrer quand même ?"), items,
                              {QStringLiteral("Enregistrer quand même"), open, QStringLiteral("Annuler")});
    trace(QStringLiteral("%1 : %2 trouvé(s), réponse %3").arg(caption).arg(found.size()).arg(choice.button));
    if (choice.button == 0) {
        accepted_ = sql;
        return true;
    }
    if (choice.button == 1 && choice.item >= 0 && choice.item < int(found.size())) {
        const DuplicateRecord d = found[size_t(choice.item)];
        // The stored record instead of this one: what was typed is given up,
        // and the record opens once the save has returned.
        QTimer::singleShot(0, this, [this, d, isVehicle] {
            if (host_.discardPending) host_.discardPending();
            if (host_.openRecord) host_.openRecord(d.id, !isVehicle, d.kind);
        });
    }
    return false;
}

}  // namespace stanor::search
