#include "service/TextTools.h"

#include <QFile>

namespace stanor::service {

QString DecodeXmlText(const QString& text, CrDecoding cr)
{
    QString out = text;
    out.replace(QLatin1String("&amp;"), QLatin1String("&"));
    out.replace(QLatin1String("&lt;"), QLatin1String("<"));
    out.replace(QLatin1String("&gt;"), QLatin1String(">"));
    if (cr == CrDecoding::Decode)
        out.replace(QLatin1String("&cr;"), QLatin1String("\r\n"));
    return out;
}

QString LoadTextFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Impossible d'ouvrir le fichier %1 : %2")
                            .arg(fileName, file.errorString())
                            .toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Erreur de lecture du fichier %1 : %2")
                            .arg(fileName, file.errorString())
                            .toStdString());

    QString out;
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    qsizetype lineStart = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        out += QLatin1String(bytes.constData() + lineStart, i - lineStart);
        out += QLatin1String("\r\n");
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < n) {
        out += QLatin1String(bytes.constData() + lineStart, n - lineStart);
        out += QLatin1String("\r\n");
    }
    return out;
}

QString GetToken(const QString& text, int index)
{
    QString out;
    if (index < 1)
        return out;
    int remaining = index;
    for (const QChar c : text) {
        if (c == u';') {
            if (--remaining < 1)
                break;  // past the wanted field: nothing more is collected
        } else if (remaining == 1) {
            out += c;
        }
    }
    return out;
}

namespace {

// A group converts to a non-negative integer: digits only (a blank, a sign or
// a letter makes the number unusable as it stands).
bool IsPhoneGroup(QStringView group)
{
    if (group.isEmpty())
        return false;
    for (const QChar c : group)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

}  // namespace

QString FormatPhoneNumber(const QString& digits)
{
    QString out;
    const qsizetype length = digits.size();
    qsizetype groupLength = (length % 2 == 1) ? 3 : 2;
    qsizetype pos = 0;  // 0-based; the rule "position below the length" counts from 1
    while (pos + 1 < length) {
        if (!out.isEmpty())
            out += u'.';
        const QStringView group = QStringView(digits).mid(pos, groupLength);
        if (!IsPhoneGroup(group))
            return digits;
        out += group;
        pos += groupLength;
        groupLength = 2;
    }
    return out;
}

}  // namespace stanor::service
