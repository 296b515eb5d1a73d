#include "records/RecordHistory.h"

#include "service/TXml.h"

#include <QSet>

namespace stanor::records {

namespace {

// What a line of a record is called in a caption.
QString LineKind(const QString& table) {
    const QString t = table.toLower();
    if (t == QLatin1String("tvo - frevo")) return QStringLiteral("frais");
    if (t == QLatin1String("tvo - liens images")) return QStringLiteral("photo");
    if (t == QLatin1String("tactions")) return QStringLiteral("action");
    if (t == QLatin1String("tvehiclesprofid")) return QStringLiteral("véhicule");
    return table;
}

QStringList Sorted(QSet<QString> set) {
    set.remove(QString());
    QStringList out(set.begin(), set.end());
    out.sort(Qt::CaseInsensitive);
    return out;
}

}  // namespace

std::vector<HistoryLine> ReadHistoryAnswer(const QString& answerText) {
    std::vector<HistoryLine> out;
    service::TXml xml;
    xml.Text = answerText;
    service::XmlFind(xml, QStringLiteral("HistoryS"));
    while (service::XmlNext(xml, QStringLiteral("History")) > 0) {
        HistoryLine l;
        QString when;
        service::XmlGet(xml, QStringLiteral("When"), when);
        l.When = QDateTime::fromString(when.trimmed(), Qt::ISODate);
        service::XmlGet(xml, QStringLiteral("UserName"), l.UserName);
        service::XmlGet(xml, QStringLiteral("TableName"), l.Table);
        service::XmlGet(xml, QStringLiteral("KeyValue"), l.Key);
        service::XmlGet(xml, QStringLiteral("Column"), l.Column);
        service::XmlGet(xml, QStringLiteral("OldValue"), l.OldValue);
        service::XmlGet(xml, QStringLiteral("NewValue"), l.NewValue);
        out.push_back(std::move(l));
    }
    return out;
}

void CaptionHistory(std::vector<HistoryLine>& lines, const pages::Pages& pages,
                    const QString& recordTable) {
    for (HistoryLine& l : lines) {
        QString caption;
        for (const pages::TsPage& page : pages) {
            for (const pages::TsDesc& d : page.Fields)
                if (!d.Caption.isEmpty() && d.FieldName.compare(l.Column, Qt::CaseInsensitive) == 0) {
                    caption = d.Caption;
                    break;
                }
            if (!caption.isEmpty()) break;
        }
        if (caption.isEmpty()) caption = l.Column;
        if (l.Table.compare(recordTable, Qt::CaseInsensitive) != 0)
            caption += QStringLiteral(" (%1 %2)").arg(LineKind(l.Table), l.Key);
        l.Caption = caption;
    }
}

std::vector<HistoryLine> FilterHistory(const std::vector<HistoryLine>& lines, const QString& caption,
                                       const QString& userName) {
    std::vector<HistoryLine> out;
    for (const HistoryLine& l : lines)
        if ((caption.isEmpty() || l.Caption == caption) && (userName.isEmpty() || l.UserName == userName))
            out.push_back(l);
    return out;
}

QStringList HistoryCaptions(const std::vector<HistoryLine>& lines) {
    QSet<QString> set;
    for (const HistoryLine& l : lines) set.insert(l.Caption);
    return Sorted(set);
}

QStringList HistoryUsers(const std::vector<HistoryLine>& lines) {
    QSet<QString> set;
    for (const HistoryLine& l : lines) set.insert(l.UserName);
    return Sorted(set);
}

}  // namespace stanor::records
