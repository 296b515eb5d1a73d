#include "TraceLog.h"

#include "service/TextTools.h"

#include "platform/Paths.h"

#include <QFile>

namespace stanor::app {

namespace {
[[noreturn]] void fail(const QFile& f, const QString& path) {
    throw TraceError(QStringLiteral("Impossible d'ouvrir le journal %1 : %2").arg(path, f.errorString()).toStdString());
}
}  // namespace

QString TraceLog::filePath(const QString& traceDir) {
    return platform::filePathIn(traceDir, QStringLiteral("TAXStanor.log"));
}

QString TraceLog::formatLine(const QDateTime& when, const QString& text) {
    return when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) + QStringLiteral(" - ") + text;
}

void TraceLog::write(const QString& traceDir, const QString& text) const {
    const QString path = filePath(traceDir);
    QFile f(path);
    // The entry that finds no log file is dropped: it only creates the file.
    if (f.exists() && !text.isEmpty()) {
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) fail(f, path);
        const QByteArray line = service::ToAnsi(formatLine(clock_.now(), text) + QStringLiteral("\r\n"));
        if (f.write(line) != line.size()) fail(f, path);
        return;
    }
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) fail(f, path);
}

}  // namespace stanor::app
