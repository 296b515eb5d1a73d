#include "records/SaveRules.h"

#include "pages/TabModel.h"
#include "service/TXml.h"

namespace stanor::records {

namespace {

QString prefixOf(const QString& kind) {
    if (kind == QLatin1String("VO")) return QStringLiteral("c");
    if (kind == QLatin1String("VD")) return QStringLiteral("cVD");
    if (kind == QLatin1String("VN")) return QStringLiteral("cVN");
    return {};
}

QDate dateOrToday(const QString& text, const QDate& today) {
    const QDate d = pages::parseDate(text);
    return d.isValid() ? d : today;
}

}  // namespace

bool IsFilledDate(const QString& text) {
    const QString t = text.trimmed();
    return !t.isEmpty() && t != QLatin1String("__/__/____");
}

bool IsStockNumber(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n != 0;
}

QStringList MissingVehicleFields(const QString& kind, const ControlText& text) {
    QStringList missing;
    const QString p = prefixOf(kind);
    if (p.isEmpty()) return missing;
    const QString nvo = p + QStringLiteral("NVO");
    if (!IsStockNumber(text(nvo))) missing << nvo;
    QStringList required{p + QStringLiteral("Site"), p + QStringLiteral("InfoMarque")};
    if (kind == QLatin1String("VN")) required << QStringLiteral("cVNInfoModele") << QStringLiteral("cVNInfoTypeVersion");
    for (const QString& name : required)
        if (text(name).trimmed().isEmpty()) missing << name;
    return missing;
}

QString UsedVehicleDatesFault(const ControlText& text, const QDate& today) {
    if (IsFilledDate(text(QStringLiteral("cDateOrdre"))) && text(QStringLiteral("cDestination")).trimmed().isEmpty())
        return QStringLiteral("cDestination");
    const QString entry = text(QStringLiteral("cDateEntree"));
    const QString mec = text(QStringLiteral("cMEC"));
    if (IsFilledDate(entry) && IsFilledDate(mec) && dateOrToday(mec, today) > dateOrToday(entry, today))
        return QStringLiteral("cMEC");
    return {};
}

QStringList MissingCustomerFields(int page, bool hasVehicleRows, bool creating, const ControlText& text) {
    QStringList required, missing;
    if (page == 7 || creating)
        required = {QStringLiteral("aSite"), QStringLiteral("aidCom"), QStringLiteral("aCliNom")};
    if (page == pages::kVehiclePage && hasVehicleRows)
        required << QStringLiteral("vInfoMarque") << QStringLiteral("vInfoModele");
    for (const QString& name : required)
        if (text(name).trimmed().isEmpty()) missing << name;
    return missing;
}

QString CheckFaultText(const QString& control, const QString& caption) {
    if (control == QLatin1String("cMEC"))
        return QStringLiteral("la date de mise en circulation est postérieure à la date d'entrée");
    if (control == QLatin1String("cDestination"))
        return QStringLiteral("la destination est obligatoire quand la date d'ordre est remplie");
    if (control.endsWith(QLatin1String("NVO")))
        return QStringLiteral("le numéro de stock doit être un nombre différent de 0");
    return QStringLiteral("le champ « %1 » est obligatoire").arg(caption.isEmpty() ? control : caption);
}

QString MissingFieldsText(const QList<MissingField>& fields) {
    if (fields.isEmpty()) return {};
    if (fields.size() == 1) return CheckFaultText(fields.front().control, fields.front().caption);
    QStringList names;
    for (const MissingField& f : fields) {
        QString name = QStringLiteral("« %1 »").arg(f.caption.trimmed().isEmpty() ? f.control : f.caption.trimmed());
        if (f.control.endsWith(QLatin1String("NVO"))) name += QStringLiteral(" (un nombre différent de 0)");
        names << name;
    }
    const QString last = names.takeLast();
    return QStringLiteral("les champs %1 et %2 sont obligatoires").arg(names.join(QStringLiteral(", ")), last);
}

QString ActionColumnFaultText(int line, const QString& caption) {
    if (caption.trimmed().isEmpty()) return QStringLiteral("une colonne obligatoire de l'action %1 est vide").arg(line);
    return QStringLiteral("la colonne obligatoire « %1 » de l'action %2 est vide").arg(caption.trimmed()).arg(line);
}

QString ActionColumnsFaultText(int line, const QStringList& captions) {
    QStringList names;
    for (const QString& c : captions)
        if (!c.trimmed().isEmpty()) names << QStringLiteral("« %1 »").arg(c.trimmed());
    if (names.size() < 2) return ActionColumnFaultText(line, captions.value(0));
    const QString last = names.takeLast();
    return QStringLiteral("les colonnes obligatoires %1 et %2 de l'action %3 sont vides")
        .arg(names.join(QStringLiteral(", ")), last)
        .arg(line);
}

int NewRecordSheet(const QString& kind) {
    if (kind == QLatin1String("VO")) return 0;
    if (kind == QLatin1String("VD")) return 1;
    if (kind == QLatin1String("VN")) return 2;
    if (kind == QLatin1String("CL")) return 6;
    return -1;
}

QString SiteControl(const QString& kind) {
    if (kind == QLatin1String("CL")) return QStringLiteral("aSite");
    const QString p = prefixOf(kind);
    return p.isEmpty() ? QString() : p + QStringLiteral("Site");
}

int PreselectSite(const QStringList& items, const QString& userUS1, const QString& userSite) {
    if (!userUS1.isEmpty()) {
        for (int i = 0; i < items.size(); ++i)
            if (items[i].compare(userUS1, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
    if (userSite == QLatin1String("#")) return -1;
    const QString sites = userSite.toUpper();
    int best = -1;
    qsizetype bestAt = -1;
    for (int i = 0; i < items.size() && bestAt != 0; ++i) {
        // An empty item occurs nowhere (it would otherwise match at the start).
        if (items[i].isEmpty()) continue;
        const qsizetype at = sites.indexOf(items[i].toUpper());
        if (at >= 0 && (bestAt < 0 || at < bestAt)) {
            bestAt = at;
            best = i;
        }
    }
    return best;
}

InsertAnswer ReadInsertAnswer(const QString& answerText) {
    InsertAnswer out;
    service::TXml xml;
    xml.Text = answerText;
    service::XmlFind(xml, QStringLiteral("OutParams"));
    service::XmlGet(xml, QStringLiteral("NewID"), out.NewId);
    out.NewId = out.NewId.trimmed();
    service::TXml root;
    root.Text = answerText;
    service::XmlFind(root, QStringLiteral("Answer"));
    QString replayed;
    service::XmlGet(root, QStringLiteral("Replayed"), replayed);
    out.Replayed = replayed.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    return out;
}

QString RecordAnswerValue(const QString& answerText, const QString& element, const QString& name) {
    service::TXml xml;
    xml.Text = answerText;
    service::XmlFind(xml, element);
    QString value;
    service::XmlGet(xml, name, value);
    return value;
}

}  // namespace stanor::records
