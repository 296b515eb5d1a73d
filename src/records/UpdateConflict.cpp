#include "records/UpdateConflict.h"

#include "records/SqlLiterals.h"
#include "service/TXml.h"
#include "service/TextTools.h"

#include <QTimeZone>

namespace stanor::records {

const ConflictAnswer::Field* ConflictAnswer::field(const QString& column) const {
    for (const Field& f : Fields)
        if (f.Column.compare(column, Qt::CaseInsensitive) == 0) return &f;
    return nullptr;
}

ConflictAnswer ReadConflictAnswer(const QString& answerText) {
    ConflictAnswer out;
    if (!answerText.contains(QLatin1String("<Conflict>"))) return out;
    service::TXml xml;
    xml.Text = answerText;
    service::XmlFind(xml, QStringLiteral("Conflict"));
    out.Present = true;
    QString deleted;
    service::XmlGet(xml, QStringLiteral("Deleted"), deleted);
    out.Deleted = deleted.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    service::XmlFind(xml, QStringLiteral("ConflictFieldS"));
    while (service::XmlNext(xml, QStringLiteral("ConflictField")) > 0) {
        ConflictAnswer::Field f;
        QString when;
        service::XmlGet(xml, QStringLiteral("Column"), f.Column);
        service::XmlGet(xml, QStringLiteral("Value"), f.Value);
        service::XmlGet(xml, QStringLiteral("UserName"), f.UserName);
        // As the record's values are read when it is loaded.
        f.Value = service::DecodeXmlText(f.Value);
        f.UserName = service::DecodeXmlText(f.UserName);
        service::XmlGet(xml, QStringLiteral("When"), when);
        f.When = QDateTime::fromString(when.trimmed(), Qt::ISODate);
        if (!f.Column.isEmpty()) out.Fields.push_back(f);
    }
    return out;
}

QString LoadedValueTerm(const QString& fieldName, int dataType, const QString& loadedValue) {
    if (loadedValue.isEmpty()) {
        // Another program may have stored an empty text where this one stores NULL.
        if (dataType == SqlType::Text)
            return QStringLiteral("(isNull(%1) or %1='')").arg(fieldName);
        return QStringLiteral("isNull(%1)").arg(fieldName);
    }
    // The answers write every line break of a text as CR LF, whatever is
    // stored: a text of several lines cannot be compared as loaded.
    if (loadedValue.contains(u'\r') || loadedValue.contains(u'\n')) return {};
    const SqlLiteral v = SqlValue(dataType, loadedValue);
    if (!v.ok() || v.sql == QLatin1String("NULL")) return {};
    // A number the sheet shows as zero may be stored as NULL (an amount never typed).
    bool number = false;
    if ((dataType == SqlType::Integer || dataType == SqlType::Decimal) && v.sql.toDouble(&number) == 0 && number)
        return QStringLiteral("(isNull(%1) or %1=0)").arg(fieldName);
    return QStringLiteral("(%1=%2)").arg(fieldName, v.sql);
}

bool SameValue(int dataType, const QString& a, const QString& b) {
    if (a == b) return true;
    const SqlLiteral x = SqlValue(dataType, a), y = SqlValue(dataType, b);
    if (!x.ok() || !y.ok()) return false;
    if (dataType == SqlType::Integer || dataType == SqlType::Decimal) {
        bool okX = false, okY = false;
        const double vx = x.sql.toDouble(&okX), vy = y.sql.toDouble(&okY);
        return okX && okY && vx == vy;
    }
    return x.sql == y.sql;
}

QString ConflictCaption() { return QStringLiteral("Modification simultanée"); }

QString ConflictQuestion(const QString& caption, const ConflictAnswer::Field& theirs, const QString& mine) {
    const QString who = theirs.UserName.isEmpty() ? QStringLiteral("un autre utilisateur") : theirs.UserName;
    const QString when = theirs.When.isValid()
                             ? QStringLiteral(" le %1 à %2")
                                   .arg(theirs.When.toLocalTime().toString(QStringLiteral("dd/MM/yyyy")),
                                        theirs.When.toLocalTime().toString(QStringLiteral("HH:mm")))
                             : QString();
    auto shown = [](const QString& v) { return v.isEmpty() ? QStringLiteral("(vide)") : v; };
    return QStringLiteral("Le champ « %1 » a été modifié par %2%3 pendant que vous le changiez.\n\n"
                          "Valeur enregistrée par %2 : %4\nVotre valeur : %5\n\n"
                          "Garder votre valeur ? (Non : reprendre la valeur enregistrée)")
        .arg(caption, who, when, shown(theirs.Value), shown(mine));
}

QString LineDeletedMeanwhileText(int line) {
    return QStringLiteral("La ligne %1 a été supprimée entre-temps par un autre utilisateur : ses valeurs restent "
                          "affichées jusqu'au rechargement, à saisir dans une nouvelle ligne pour les garder")
        .arg(line);
}

QString DeletedMeanwhileText() {
    return QStringLiteral("Cet enregistrement a été supprimé entre-temps par un autre utilisateur : "
                          "vos modifications n'ont pas été enregistrées, elles restent affichées.");
}

}  // namespace stanor::records
