#include "RegDocument.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>

namespace stanor::platform {

namespace {

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString decodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder dec(QStringConverter::Utf16LE);
        return dec(bytes.mid(2));
    }
    QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder dec(QStringConverter::Utf8);
    QString text = dec(body);
    if (dec.hasError()) return QString::fromLatin1(body);  // a file saved in a single-byte code page
    return text;
}

class LineError {
public:
    explicit LineError(QString m) : message(std::move(m)) {}
    QString message;
};

// Reads a double-quoted text starting at s[pos] == '"'; \\ and \" are escapes.
// On return pos is just after the closing quote.
QString readQuoted(const QString& s, qsizetype& pos) {
    QString out;
    ++pos;
    while (pos < s.size()) {
        QChar c = s[pos];
        if (c == u'\\') {
            if (pos + 1 >= s.size()) break;
            out += s[pos + 1];
            pos += 2;
            continue;
        }
        if (c == u'"') {
            ++pos;
            return out;
        }
        out += c;
        ++pos;
    }
    throw LineError(QStringLiteral("guillemet fermant manquant"));
}

QByteArray readHexBytes(const QString& list) {
    QByteArray bytes;
    const QString trimmed = list.trimmed();
    if (trimmed.isEmpty()) return bytes;
    for (const QString& part : trimmed.split(u',')) {
        bool ok = false;
        const QString p = part.trimmed();
        uint b = p.toUInt(&ok, 16);
        if (!ok || p.size() > 2 || b > 0xFF)
            throw LineError(QStringLiteral("octet hexadécimal invalide « %1 »").arg(p));
        bytes.append(char(b));
    }
    return bytes;
}

QString utf16Text(const QByteArray& bytes) {
    QStringDecoder dec(QStringConverter::Utf16LE);
    QString s = dec(bytes.size() % 2 ? bytes.left(bytes.size() - 1) : bytes);
    while (s.endsWith(QChar(0))) s.chop(1);
    return s;
}

StoredValue parseData(const QString& data) {
    StoredValue v;
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        v.type = ValueType::String;
        v.text = readQuoted(data, pos);
        if (!data.mid(pos).trimmed().isEmpty())
            throw LineError(QStringLiteral("texte inattendu après la valeur"));
        return v;
    }
    const QString lower = data.toLower();
    if (lower.startsWith(u"dword:")) {
        const QString hex = data.mid(6).trimmed();
        bool ok = false;
        uint d = hex.toUInt(&ok, 16);
        if (!ok || hex.isEmpty() || hex.size() > 8)
            throw LineError(QStringLiteral("valeur dword invalide « %1 »").arg(hex));
        v.type = ValueType::DWord;
        v.dword = d;
        return v;
    }
    if (lower.startsWith(u"hex")) {
        const qsizetype colon = data.indexOf(u':');
        if (colon < 0) throw LineError(QStringLiteral("deux-points manquant après hex"));
        const QString kind = lower.left(colon);
        const QByteArray bytes = readHexBytes(data.mid(colon + 1));
        if (kind == u"hex(1)") {
            v.type = ValueType::String;
            v.text = utf16Text(bytes);
        } else if (kind == u"hex(2)") {
            v.type = ValueType::ExpandString;
            v.text = utf16Text(bytes);
        } else if (kind == u"hex" || (kind.startsWith(u"hex(") && kind.endsWith(u')'))) {
            v.type = ValueType::Other;
            v.text = data.trimmed();
        } else {
            throw LineError(QStringLiteral("type de valeur inconnu « %1 »").arg(data.left(colon)));
        }
        return v;
    }
    if (data.trimmed() == u"-")
        throw LineError(QStringLiteral("la suppression d'une valeur (=-) n'est pas admise dans ce fichier"));
    throw LineError(QStringLiteral("valeur invalide « %1 »").arg(data));
}

QString escaped(const QString& s) {
    QString out;
    out.reserve(s.size() + 2);
    for (QChar c : s) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out;
}

// hex(N): followed by the UTF-16LE bytes of text and its terminating NUL,
// wrapped as the registry editor does (lines of at most 80 characters).
QString hexLine(const QString& prefix, const QString& text) {
    QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    bytes.append('\0').append('\0');
    QString out = prefix;
    qsizetype col = out.size();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        QString b = QStringLiteral("%1").arg(uchar(bytes[i]), 2, 16, QChar(u'0'));
        if (i + 1 < bytes.size()) b += u',';
        if (col + b.size() > 78 && i + 1 < bytes.size()) {
            out += QStringLiteral("\\\n  ");
            col = 2;
        }
        out += b;
        col += b.size();
    }
    return out;
}

bool needsHex(const QString& s) {
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x20; });
}

}  // namespace

RegDocument RegDocument::parse(const QByteArray& bytes, const QString& sourceName) {
    RegDocument doc;
    const QStringList lines = decodeText(bytes).split(u'\n');
    bool headerSeen = false;
    Key* current = nullptr;
    QStringList comments;  // waiting for the line they stand above
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = int(i) + 1;
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        try {
            const QString trimmed = line.trimmed();
            if (!headerSeen) {
                if (trimmed.isEmpty()) continue;
                if (trimmed != kHeader5 && trimmed != kHeader4)
                    throw LineError(QStringLiteral("en-tête « %1 » attendu").arg(kHeader5));
                headerSeen = true;
                continue;
            }
            if (trimmed.startsWith(u';')) {
                comments << trimmed;
                continue;
            }
            if (trimmed.isEmpty()) continue;
            if (trimmed.startsWith(u'[')) {
                if (!trimmed.endsWith(u']')) throw LineError(QStringLiteral("crochet fermant manquant"));
                const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
                if (name.startsWith(u'-'))
                    throw LineError(QStringLiteral("la suppression d'une clé ([-...]) n'est pas admise dans ce fichier"));
                if (name.isEmpty()) throw LineError(QStringLiteral("nom de clé vide"));
                current = &doc.ensureKey(name);
                current->comments += comments;
                comments.clear();
                continue;
            }
            if (!current) throw LineError(QStringLiteral("valeur placée avant toute clé"));
            QString name;
            qsizetype pos = 0;
            if (trimmed.startsWith(u'@')) {
                pos = 1;
            } else if (trimmed.startsWith(u'"')) {
                name = readQuoted(trimmed, pos);
            } else {
                throw LineError(QStringLiteral("ligne incomprise « %1 »").arg(trimmed));
            }
            while (pos < trimmed.size() && trimmed[pos].isSpace()) ++pos;
            if (pos >= trimmed.size() || trimmed[pos] != u'=') throw LineError(QStringLiteral("signe = manquant"));
            QString data = trimmed.mid(pos + 1).trimmed();
            // Hexadecimal data may continue on the next lines, each ended by a backslash.
            while (data.startsWith(u"hex", Qt::CaseInsensitive) && data.endsWith(u'\\')) {
                data.chop(1);
                if (++i >= lines.size()) throw LineError(QStringLiteral("suite de la valeur hexadécimale manquante"));
                data += lines[i].trimmed();
            }
            StoredValue v = parseData(data);
            auto it = std::find_if(current->values.begin(), current->values.end(),
                                   [&](const Value& x) { return same(x.name, name); });
            if (it != current->values.end()) {
                it->value = v;
                it->comments += comments;
            } else {
                current->values.push_back({name, v, comments});
            }
            comments.clear();
        } catch (const LineError& e) {
            throw SettingsError(QStringLiteral("%1, ligne %2 : %3").arg(sourceName).arg(lineNo).arg(e.message).toStdString());
        }
    }
    doc.trailingComments_ = comments;
    if (!headerSeen && !lines.join(QString()).trimmed().isEmpty())
        throw SettingsError(QStringLiteral("%1, ligne 1 : en-tête « %2 » attendu").arg(sourceName, kHeader5).toStdString());
    return doc;
}

QByteArray RegDocument::serialize() const {
    QString out = kHeader5 + u'\n';
    for (const Key& k : keys_) {
        out += u'\n';
        for (const QString& c : k.comments) out += c + u'\n';
        out += (u'[' + k.name + u']') + u'\n';
        for (const Value& v : k.values) {
            for (const QString& c : v.comments) out += c + u'\n';
            QString line = v.name.isEmpty() ? QStringLiteral("@=") : u'"' + escaped(v.name) + QStringLiteral("\"=");
            switch (v.value.type) {
            case ValueType::String:
                line = needsHex(v.value.text) ? hexLine(line + QStringLiteral("hex(1):"), v.value.text)
                                              : line + u'"' + escaped(v.value.text) + u'"';
                break;
            case ValueType::ExpandString:
                line = hexLine(line + QStringLiteral("hex(2):"), v.value.text);
                break;
            case ValueType::DWord:
                line += QStringLiteral("dword:%1").arg(v.value.dword, 8, 16, QChar(u'0'));
                break;
            case ValueType::Other:
                line += v.value.text;
                break;
            }
            out += line + u'\n';
        }
    }
    if (!trailingComments_.isEmpty()) out += u'\n' + trailingComments_.join(u'\n') + u'\n';
    return out.toUtf8();
}

const RegDocument::Key* RegDocument::findKey(const QString& name) const {
    auto it = std::find_if(keys_.begin(), keys_.end(), [&](const Key& k) { return same(k.name, name); });
    return it == keys_.end() ? nullptr : &*it;
}

RegDocument::Key& RegDocument::ensureKey(const QString& name) {
    auto it = std::find_if(keys_.begin(), keys_.end(), [&](const Key& k) { return same(k.name, name); });
    if (it != keys_.end()) return *it;
    keys_.push_back({name, {}, {}});
    return keys_.back();
}

const StoredValue* RegDocument::find(const QString& key, const QString& name) const {
    const Key* k = findKey(key);
    if (!k) return nullptr;
    auto it = std::find_if(k->values.begin(), k->values.end(), [&](const Value& v) { return same(v.name, name); });
    return it == k->values.end() ? nullptr : &it->value;
}

void RegDocument::set(const QString& key, const QString& name, const StoredValue& v) {
    Key& k = ensureKey(key);
    auto it = std::find_if(k.values.begin(), k.values.end(), [&](const Value& x) { return same(x.name, name); });
    if (it != k.values.end())
        it->value = v;
    else
        k.values.push_back({name, v, {}});
}

void RegDocument::remove(const QString& key, const QString& name) {
    for (Key& k : keys_)
        if (same(k.name, key))
            std::erase_if(k.values, [&](const Value& v) { return same(v.name, name); });
}

}  // namespace stanor::platform
