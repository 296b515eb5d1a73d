#include "service/TXml.h"

#include <QStringView>

namespace stanor::service {

QString TXml::Rest() const
{
    return restPos_ < section_.size() ? section_.mid(restPos_) : QString();
}

void TXml::Clear()
{
    Text.clear();
    Item.clear();
    Count = 0;
    section_.clear();
    restPos_ = 0;
}

void XmlFind(TXml& xml, const QString& name)
{
    xml.section_.clear();
    xml.restPos_ = 0;
    xml.Item.clear();
    xml.Count = 0;

    const QStringView text(xml.Text);
    const qsizetype open = text.indexOf(QString(u'<' + name));
    if (open < 0)
        return;
    // The first child tag (or the end tag of an element without children).
    const qsizetype firstChild = text.indexOf(u'<', open + 1);
    if (firstChild < 0)
        return;
    const qsizetype close = text.indexOf(QString(QStringLiteral("</") + name + u'>'), firstChild);
    if (close < 0)
        return;
    xml.section_ = xml.Text.mid(firstChild, close - firstChild);
    xml.Item = xml.section_;  // shares the data until one of them changes
}

int XmlNext(TXml& xml, const QString& name)
{
    const QStringView rest = QStringView(xml.section_).mid(qMin(xml.restPos_, xml.section_.size()));
    const QString startTag = u'<' + name + u'>';
    const QString endTag = QStringLiteral("</") + name + u'>';
    const qsizetype p = rest.indexOf(startTag);
    if (p < 0)
        return 0;
    const qsizetype q = rest.indexOf(endTag);
    if (q < 0)
        return 0;
    // An end tag met before the start tag gives an empty item, as a copy with
    // a negative length does; the scan still moves past that end tag.
    const qsizetype from = p + startTag.size();
    const qsizetype length = q - from;
    xml.Item = length > 0 ? rest.mid(from, length).toString() : QString();
    xml.restPos_ += q + endTag.size();
    return static_cast<int>(qMin<qsizetype>(p + 1, INT_MAX));
}

bool XmlGet(const TXml& xml, const QString& name, QString& value)
{
    const QStringView item(xml.Item);
    const QString startTag = u'<' + name + u'>';
    const qsizetype p = item.indexOf(startTag);
    if (p < 0)
        return false;
    const qsizetype q = item.indexOf(QString(QStringLiteral("</") + name + u'>'));
    if (q < 0)
        return false;
    const qsizetype from = p + startTag.size();
    value = q > from ? item.mid(from, q - from).toString() : QString();
    return true;
}

}  // namespace stanor::service
