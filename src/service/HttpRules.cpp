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
    QByteArray out;
    out.reserve(finishedUrl.size());
    for (const QChar c : finishedUrl) {
        // A character beyond Latin-1 cannot travel; it goes as an escaped "?"
        // so that it cannot start a query part of its own.
        const char16_t u = c.unicode() > 0xFF ? u'?' : c.unicode();
        if (u <= 0x20 || u >= 0x7F || c.unicode() > 0xFF) {
            out += '%';
            out += hex[(u >> 4) & 0x0F];
            out += hex[u & 0x0F];
        } else {
            out += static_cast<char>(u);
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
