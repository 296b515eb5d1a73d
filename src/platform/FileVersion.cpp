#include "FileVersion.h"

#include "Paths.h"

#include <QByteArrayView>
#include <QFile>
#include <QRegularExpression>

namespace stanor::platform {

QString GetFileVersion(const QString& fileName) {
    QFile f(localPath(fileName));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const qint64 size = f.size();
    if (size <= 0) return {};
    const uchar* data = f.map(0, size);
    QByteArray whole;
    if (!data) {
        whole = f.readAll();
        data = reinterpret_cast<const uchar*>(whole.constData());
    }
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), size);
    const QByteArrayView marker(STANOR_FILE_VERSION_MARKER);
    static const QRegularExpression versionShape(QStringLiteral("^[0-9]+(\\.[0-9]+){0,3}$"));
    // The marker also stands, alone, in the code of this very function; only a
    // marker followed by a version is a version record.
    for (qsizetype at = bytes.indexOf(marker); at >= 0; at = bytes.indexOf(marker, at + 1)) {
        const qsizetype start = at + marker.size();
        qsizetype end = start;
        while (end < bytes.size() && end - start < 32 && bytes[end] != '\0') ++end;
        if (end >= bytes.size() || bytes[end] != '\0') continue;
        const QString version = QString::fromLatin1(bytes.sliced(start, end - start));
        if (versionShape.match(version).hasMatch()) return version;
    }
    return {};
}

}  // namespace stanor::platform
