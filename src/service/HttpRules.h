#pragma once
// The rules that HttpExecute and HttpPost apply to URLs and answers, kept
// apart from the transfer so that they are checked without a network.

#include <QByteArray>
#include <QString>
#include <optional>

namespace stanor::service {

// Every blank becomes "%20", then every "#" becomes "%23".
QString EscapeBlanksAndHashes(const QString& url);

// A GET address as it is sent: "&idClient=" + the customer id (also when it
// is empty) appended, then blanks and "#" escaped.
QString FinishGetUrl(const QString& url, const QString& idClient);

// The bytes put on the wire for a finished URL: the system's code page
// (Windows-1252), with control characters, bytes above 127 and every "?"
// after the first (the one that starts the query) percent-encoded ("é"
// travels as "%E9", "€" as "%80", "?" as "%3F"); everything else, "+"
// included, is sent as it stands. An address holding a character beyond the
// code page goes in UTF-8 instead ("ā" as "%C4%81"), so that the service
// refuses it by name.
QByteArray WireUrl(const QString& finishedUrl);

// The time-out mark of an answer: "" when none, else "TIMEOUT" or
// "WAIT_TIMEOUT" (the last of the three tests that matches wins).
QString TimeoutMark(const QString& body);

// An answer declared ISO-8859-15 is stored and read as ISO-8859-1.
QString NormalizeDeclaredCharset(const QString& body);

// The error items of an answer ("LogItems"/"LogItem"), each followed by " - ".
QString LogItemsText(const QString& body);

// A proxy address as the HTTP clients take it.
struct ProxyAddress {
    QString host;
    int port = 80;
};

// Host and port of a "ProxyServer" value: ":" separates them; a missing or
// non-numeric port gives 80. A per-protocol list is not split further.
// Nothing for an empty value.
std::optional<ProxyAddress> ParseProxyServer(const QString& proxyServer);

// The "ProxyServer" form ("host:port") of an http_proxy environment value
// such as "http://user@host:3128/": scheme, credentials and path dropped.
QString ProxyServerFromEnvironment(const QString& httpProxy);

}  // namespace stanor::service
