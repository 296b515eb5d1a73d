#include "photos/IniFile.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace stanor::photos {

namespace {

QStringList readLines(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(f.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
    return lines;
}

// The section a "[name]" line opens, or nothing for another line.
bool sectionLine(const QString& line, QString& name) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'[') || !t.endsWith(u']')) return false;
    name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// The key of a "key=value" line (empty for a comment or a line without "=").
QString keyOf(const QString& line, QString* value = nullptr) {
    const QString t = line.trimmed();
    if (t.startsWith(u';') || t.startsWith(u'#')) return {};
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0) return {};
    if (value) *value = line.mid(eq + 1).trimmed();
    return line.left(eq).trimmed();
}

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

QString PhotoSettingsFile(const QString& traceDir) {
    return platform::filePathIn(traceDir, QStringLiteral("TAxStanor.ini"));
}

QString IniRead(const QString& file, const QString& section, const QString& key, const QString& fallback) {
    bool inSection = false;
    for (const QString& line : readLines(file)) {
        QString name, value;
        if (sectionLine(line, name)) {
            inSection = same(name, section);
        } else if (inSection && same(keyOf(line, &value), key)) {
            return value;
        }
    }
    return fallback;
}

bool IniWrite(const QString& file, const QString& section, const QString& key, const QString& value) {
    const QString entry = key + u'=' + value.section(u'\n', 0, 0).remove(u'\r');
    QStringList lines = readLines(file);
    qsizetype sectionAt = -1, end = -1;  // the section's header line, and the line after its last key
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString name;
        if (sectionLine(lines[i], name)) {
            if (sectionAt >= 0) break;
            if (same(name, section)) sectionAt = end = i + 1;
            continue;
        }
        if (sectionAt < 0) continue;
        if (same(keyOf(lines[i]), key)) {
            lines[i] = entry;
            sectionAt = -2;  // replaced in place
            break;
        }
        if (!lines[i].trimmed().isEmpty()) end = i + 1;
    }
    if (sectionAt == -1) {
        if (!lines.isEmpty() && !lines.back().trimmed().isEmpty()) lines << QString();
        lines << u'[' + section + u']' << entry;
    } else if (sectionAt >= 0) {
        lines.insert(end, entry);
    }
    QDir().mkpath(QFileInfo(file).absolutePath());  // the trace folder may not exist yet
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write((lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toUtf8());
    return out.commit();
}

}  // namespace stanor::photos
