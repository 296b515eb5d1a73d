#include "service/TXml.h"

#include <QStringView>
#include <QVarLengthArray>

namespace stanor::service {

namespace {

// A tag text "<name>" or "</name>" built on the stack: readers call XmlGet
// for every field of every row, so the tags are not allocated each time.
class Tag {
public:
    Tag(QStringView prefix, const QString& name, bool closed)
    {
        buffer_.append(reinterpret_cast<const char16_t*>(prefix.utf16()), prefix.size());
        buffer_.append(reinterpret_cast<const char16_t*>(name.utf16()), name.size());
        if (closed)
            buffer_.append(u'>');
    }
    QStringView view() const { return QStringView(buffer_.constData(), buffer_.size()); }
    qsizetype size() const { return buffer_.size(); }

private:
    QVarLengthArray<char16_t, 64> buffer_;
};

const QStringView kOpen = u"<";
const QStringView kClose = u"</";

}  // namespace

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
    const qsizetype open = text.indexOf(Tag(kOpen, name, false).view());
    if (open < 0)
        return;
    // The first child tag (or the end tag of an element without children).
    const qsizetype firstChild = text.indexOf(u'<', open + 1);
    if (firstChild < 0)
        return;
    const qsizetype close = text.indexOf(Tag(kClose, name, true).view(), firstChild);
    if (close < 0)
        return;
    xml.section_ = xml.Text.mid(firstChild, close - firstChild);
    xml.Item = xml.section_;  // shares the data until one of them changes
}

int XmlNext(TXml& xml, const QString& name)
{
    const QStringView rest = QStringView(xml.section_).mid(qMin(xml.restPos_, xml.section_.size()));
    const Tag startTag(kOpen, name, true);
    const Tag endTag(kClose, name, true);
    const qsizetype p = rest.indexOf(startTag.view());
    if (p < 0)
        return 0;
    const qsizetype q = rest.indexOf(endTag.view());
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
    const Tag startTag(kOpen, name, true);
    const qsizetype p = item.indexOf(startTag.view());
    if (p < 0)
        return false;
    const qsizetype q = item.indexOf(Tag(kClose, name, true).view());
    if (q < 0)
        return false;
    const qsizetype from = p + startTag.size();
    value = q > from ? item.mid(from, q - from).toString() : QString();
    return true;
}

}  // namespace stanor::service
