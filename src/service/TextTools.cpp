#include "service/TextTools.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <array>

namespace stanor::service {

namespace {

// The code page read once from the converter of the system's ICU: the text of
// each byte, and the byte of each character of 0x80 to 0x9F beyond ISO-8859-1.
struct AnsiTable {
    std::array<char16_t, 256> text{};
    QHash<char16_t, char> bytes;

    AnsiTable() {
        QStringDecoder decoder("windows-1252");
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString t = decoder.isValid() ? decoder.decode(QByteArray(&byte, 1)) : QString();
            text[size_t(b)] = t.size() == 1 ? t.front().unicode() : char16_t(b);
            if (b >= 0x80 && b <= 0x9F && text[size_t(b)] > 0xFF) bytes.insert(text[size_t(b)], byte);
        }
    }
};

const AnsiTable& ansi() {
    static const AnsiTable table;
    return table;
}

}  // namespace

QString FromAnsi(const QByteArray& bytes)
{
    const AnsiTable& t = ansi();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (const char b : bytes)
        *d++ = QChar(t.text[static_cast<unsigned char>(b)]);
    return out;
}

bool IsAnsi(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x80 || (u >= 0xA0 && u <= 0xFF) || ansi().bytes.contains(u);
}

QByteArray ToAnsi(const QString& text)
{
    const AnsiTable& t = ansi();
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
        } else if (const auto it = t.bytes.constFind(u); it != t.bytes.cend()) {
            out += *it;
        } else if (u >= 0x80 && u <= 0x9F && t.text[u] == u) {
            out += char(u);  // a byte the code page leaves undefined, read as is: written back as is
        } else {
            out += '?';
            // A character beyond the first plane is one "?", not two.
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        }
    }
    return out;
}

QString FirstBeyondAnsi(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsAnsi(text[i]))
            continue;
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        return text.mid(i, pair ? 2 : 1);
    }
    return {};
}

QString CharacterName(const QString& character)
{
    const QList<uint> codes = character.toUcs4();
    const uint code = codes.isEmpty() ? 0 : codes.front();
    const QString number = QStringLiteral("U+") + QString::number(code, 16).rightJustified(4, u'0').toUpper();
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
        return number;
    return QStringLiteral("« %1 » (%2)").arg(character, number);
}

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
        out += FromAnsi(bytes.mid(lineStart, i - lineStart));
        out += QLatin1String("\r\n");
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < n) {
        out += FromAnsi(bytes.mid(lineStart, n - lineStart));
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
