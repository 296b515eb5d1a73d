#include "service/Netrc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace stanor::service {

namespace {

// The text without its macros: a line starting with "macdef" and the lines
// after it up to the first empty one.
QString WithoutMacros(const QByteArray& text) {
    QString out;
    bool inMacro = false;
    for (const QString& line : QString::fromUtf8(text).split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (inMacro) {
            inMacro = !trimmed.isEmpty();
            continue;
        }
        if (trimmed.startsWith(QLatin1String("macdef")) &&
            (trimmed.size() == 6 || trimmed[6].isSpace())) {
            inMacro = true;
            continue;
        }
        out += line + u'\n';
    }
    return out;
}

// The tokens of a netrc text; a double-quoted token may hold blanks, a
// backslash takes the next character as it stands.
QStringList Tokens(const QString& s) {
    QStringList out;
    qsizetype i = 0;
    while (i < s.size()) {
        if (s[i].isSpace()) {
            ++i;
            continue;
        }
        QString token;
        const bool quoted = s[i] == u'"';
        if (quoted) ++i;
        for (; i < s.size() && (quoted ? s[i] != u'"' : !s[i].isSpace()); ++i) {
            if (s[i] == u'\\' && i + 1 < s.size()) ++i;
            token += s[i];
        }
        if (quoted) ++i;
        out << token;
    }
    return out;
}

}  // namespace

std::optional<QString> NetrcPassword(const QByteArray& text, const QString& host, const QString& login) {
    const QStringList tokens = Tokens(WithoutMacros(text));
    bool ours = false;
    QString entryLogin;
    std::optional<QString> entryPassword;
    auto found = [&]() -> std::optional<QString> {
        if (ours && entryPassword && (entryLogin.isEmpty() || entryLogin == login)) return entryPassword;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString& t = tokens[i];
        const bool hasValue = i + 1 < tokens.size();
        if (t == QLatin1String("machine") || t == QLatin1String("default")) {
            if (auto p = found()) return p;
            ours = t == QLatin1String("machine") && hasValue && tokens[i + 1].compare(host, Qt::CaseInsensitive) == 0;
            if (t == QLatin1String("machine")) ++i;
            entryLogin.clear();
            entryPassword.reset();
        } else if (hasValue && (t == QLatin1String("login") || t == QLatin1String("password") ||
                                t == QLatin1String("account"))) {
            if (t == QLatin1String("login")) entryLogin = tokens[i + 1];
            if (t == QLatin1String("password")) entryPassword = tokens[i + 1];
            ++i;
        }
    }
    return found();
}

NetrcLookup ReadNetrcPassword(const QString& path, const QString& host, const QString& login) {
    QString file = path.trimmed();
    if (file.isEmpty()) file = QStringLiteral("~/.netrc");
    if (file.startsWith(QStringLiteral("~/"))) file = QDir::homePath() + file.mid(1);
    NetrcLookup out;
    const QFileInfo info(file);
    if (!info.exists()) return out;
    if (info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
        out.problem = QStringLiteral("le fichier %1 est lisible par d'autres utilisateurs : son mot de passe "
                                     "n'est pas employé (chmod 600 %1)")
                          .arg(file);
        return out;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        out.problem = QStringLiteral("le fichier %1 ne peut pas être lu").arg(file);
        return out;
    }
    out.password = NetrcPassword(f.readAll(), host, login);
    return out;
}

}  // namespace stanor::service
