#include "service/HttpRules.h"

#include "service/TXml.h"
#include "service/TextTools.h"

namespace stanor::service {

QString EscapeBlanksAndHashes(const QString& url)
{
    QString out = url;
    out.replace(u' ', QLatin1String("%20"));
    out.replace(u'#', QLatin1String("%23"));
    return out;
}

QString FinishGetUrl(const QString& url, const QString& idClient)
{
    return EscapeBlanksAndHashes(url + QLatin1String("&idClient=") + idClient);
}

QByteArray WireUrl(const QString& finishedUrl)
{
    static const char hex[] = "0123456789ABCDEF";
    // A character the system's code page cannot hold cannot be stored: the
    // whole address then goes in UTF-8, which the service reads and refuses
    // by naming the character, rather than as a "?" stored in its place.
    const QByteArray bytes = FirstBeyondAnsi(finishedUrl).isEmpty() ? ToAnsi(finishedUrl) : finishedUrl.toUtf8();
    const qsizetype query = bytes.indexOf('?');
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        // A "?" inside the query part is a character of a value, not a second query part.
        if (b <= 0x20 || b >= 0x7F || (b == '?' && i > query)) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

QString TimeoutMark(const QString& body)
{
    const QString upper = body.toUpper();
    QString mark;
    if (upper.contains(QLatin1String("WAIT_TIMEOUT")))
        mark = QStringLiteral("WAIT_TIMEOUT");
    if (upper.contains(QLatin1String("<![CDATA[TIMEOUT]]>")))
        mark = QStringLiteral("TIMEOUT");
    if (upper.contains(QLatin1String("<![CDATA[WAIT_TIMEOUT]]>")))
        mark = QStringLiteral("WAIT_TIMEOUT");
    return mark;
}

QString NormalizeDeclaredCharset(const QString& body)
{
    QString out = body;
    out.replace(QLatin1String("8859-15"), QLatin1String("8859-1"), Qt::CaseInsensitive);
    return out;
}

QString LogItemsText(const QString& body)
{
    TXml xml;
    xml.Text = body;
    XmlFind(xml, QStringLiteral("LogItems"));
    QString text;
    while (XmlNext(xml, QStringLiteral("LogItem")))
        text += xml.Item + QLatin1String(" - ");
    return text;
}

std::optional<ProxyAddress> ParseProxyServer(const QString& proxyServer)
{
    if (proxyServer.isEmpty())
        return std::nullopt;
    QString text = proxyServer;
    text.replace(u':', u';');
    ProxyAddress address;
    address.host = GetToken(text, 1);
    bool ok = false;
    const int port = GetToken(text, 2).toInt(&ok);
    address.port = ok ? port : 80;
    return address;
}

QString ProxyServerFromEnvironment(const QString& httpProxy)
{
    QString text = httpProxy.trimmed();
    const qsizetype scheme = text.indexOf(QLatin1String("://"));
    if (scheme >= 0)
        text = text.mid(scheme + 3);
    const qsizetype slash = text.indexOf(u'/');
    if (slash >= 0)
        text.truncate(slash);
    const qsizetype at = text.lastIndexOf(u'@');
    if (at >= 0)
        text = text.mid(at + 1);
    return text;
}

}  // namespace stanor::service
