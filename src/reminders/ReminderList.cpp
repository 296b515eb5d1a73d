#include "reminders/ReminderList.h"

#include "service/HttpRules.h"
#include "service/TXml.h"
#include "service/TextTools.h"

namespace stanor::reminders {

namespace {

QString field(const service::TXml& xml, const char* name) {
    QString v;
    service::XmlGet(xml, QLatin1String(name), v);
    return service::DecodeXmlText(v, service::CrDecoding::Keep);
}

// Line breaks of a comment shown as one line.
QString oneLine(QString text) {
    text.replace(QLatin1String("&cr;"), QLatin1String(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text.simplified();
}

QString customerName(const service::TXml& xml) {
    QStringList parts;
    for (const char* name : {"CliCivilite", "CliNom", "CliPrenom"}) {
        const QString v = field(xml, name).trimmed();
        if (!v.isEmpty()) parts << (QLatin1String(name) == QLatin1String("CliNom") ? v.toUpper() : v);
    }
    return parts.join(u' ');
}

QString phones(const service::TXml& xml) {
    QStringList out;
    for (const char* name : {"CliMobile", "CliTelDom", "CliTelBur"}) {
        const QString v = field(xml, name).trimmed();
        if (!v.isEmpty()) out << service::FormatPhoneNumber(v);
    }
    out.removeDuplicates();
    return out.join(QStringLiteral(" · "));
}

}  // namespace

ReminderList ReadReminders(const QString& answer, const grids::ActionLists& lists) {
    ReminderList list;
    list.error = service::LogItemsText(answer);
    service::TXml xml;
    xml.Text = answer;
    service::XmlFind(xml, QStringLiteral("Relances"));
    list.idCom = field(xml, "idCom");
    list.salesperson = field(xml, "cNom");
    list.site = field(xml, "Site");
    list.now = field(xml, "Now");
    list.more = field(xml, "Plus") == QLatin1String("True");
    service::XmlFind(xml, QStringLiteral("RelanceS"));
    while (service::XmlNext(xml, QStringLiteral("Relance"))) {
        ReminderRow r;
        r.idAction = field(xml, "idAction");
        r.idClient = field(xml, "idClient");
        r.date = field(xml, "DateRelance");
        r.daysLate = field(xml, "JoursRetard").toInt();
        r.customer = customerName(xml);
        r.phones = phones(xml);
        r.subject = grids::actionShownText(grids::ColSujetRelance, field(xml, "SujetRelance"), lists);
        r.priority = grids::actionShownText(grids::ColPrioriteRelance, field(xml, "PrioriteRelance"), lists);
        r.comment = oneLine(field(xml, "CommentaireAction"));
        list.rows.push_back(std::move(r));
    }
    list.count = int(list.rows.size());
    return list;
}

QString RemindersCaption(int count, bool more) {
    if (count < 0) return QStringLiteral("Relances");
    return QStringLiteral("Relances (%1%2)").arg(count).arg(more ? QStringLiteral("+") : QString());
}

QString LateText(int daysLate) {
    if (daysLate <= 0) return QStringLiteral("aujourd'hui");
    if (daysLate == 1) return QStringLiteral("hier");
    return QStringLiteral("depuis %1 jours").arg(daysLate);
}

QString RemindersTitle(const ReminderList& list) {
    QString whose;
    if (!list.site.isEmpty())
        whose = QStringLiteral("du site ") + list.site;
    else if (!list.salesperson.isEmpty())
        whose = QStringLiteral("de ") + list.salesperson;
    if (whose.isEmpty()) return QStringLiteral("Aucun vendeur n'est associé à votre compte : pas de relances");
    const QString count = list.count == 0   ? QStringLiteral("aucune relance à faire")
                          : list.count == 1 ? QStringLiteral("1 relance à faire")
                                            : QStringLiteral("%1%2 relances à faire")
                                                  .arg(list.count)
                                                  .arg(list.more ? QStringLiteral("+") : QString());
    return QStringLiteral("Relances %1 : %2").arg(whose, count);
}

}  // namespace stanor::reminders
