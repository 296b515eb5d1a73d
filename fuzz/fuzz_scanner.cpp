// libFuzzer target for the tag scanner and the text helpers that read
// answers: whatever the bytes, reading must end, never crash, and every item
// must be a piece of the answer text.
//
// Input layout: one byte giving the length n (0..15) of a tag name, n bytes
// of name, then the answer text (Latin-1, as answers travel).
#include "service/HttpRules.h"
#include "service/TXml.h"
#include "service/TextTools.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace stanor::service;

namespace {
void Check(bool ok)
{
    if (!ok)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t nameLength = qMin<size_t>(data[0] & 0x0F, size - 1);
    const QString name = QString::fromLatin1(reinterpret_cast<const char*>(data + 1),
                                             static_cast<qsizetype>(nameLength));
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data + 1 + nameLength),
                                             static_cast<qsizetype>(size - 1 - nameLength));

    TXml xml;
    xml.Text = text;
    XmlFind(xml, name);
    Check(xml.Item.size() <= text.size() && text.contains(xml.Item));
    qsizetype rest = xml.Rest().size();
    QString value = QStringLiteral("unchanged");
    int items = 0;
    while (XmlNext(xml, name)) {
        Check(++items <= text.size());
        const qsizetype now = xml.Rest().size();
        Check(now < rest);  // every item moves the scan forward
        rest = now;
        Check(text.contains(xml.Item));
        XmlGet(xml, name, value);
        XmlGet(xml, QStringLiteral("A"), value);
    }

    // Helpers applied to the same text must not fail either.
    Check(DecodeXmlText(text).size() <= text.size() + text.count(QLatin1String("&cr;")));
    DecodeXmlText(text, CrDecoding::Keep);
    GetToken(text, static_cast<int>(nameLength));
    const QString phone = FormatPhoneNumber(text.left(16));
    Check(phone.isEmpty() || phone == text.left(16) || phone.size() > text.left(16).size());
    LogItemsText(text);
    TimeoutMark(text);
    Check(WireUrl(text).size() >= text.size());
    ParseProxyServer(text.left(64));
    return 0;
}
