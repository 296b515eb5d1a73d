#include "Environment.h"

#include "Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace stanor::platform {

namespace {
// Points link at target unless something other than a link already sits there.
void ensureLink(const QString& target, const QString& link) {
    const QFileInfo info(link);
    if (info.isSymLink()) {
        if (info.symLinkTarget() == QFileInfo(target).absoluteFilePath()) return;
        QFile::remove(link);
    } else if (info.exists()) {
        return;
    }
    QFile::link(target, link);
}
}  // namespace

SystemEnvironment::SystemEnvironment(QString program) : program_(std::move(program)) {}

QString SystemEnvironment::defaultWindir() { return stateDir() + QStringLiteral("/Windows"); }
QString SystemEnvironment::defaultProgramFiles() { return stateDir() + QStringLiteral("/ProgramFiles"); }

void SystemEnvironment::prepareDefaults() const {
    if (prepared_) return;
    prepared_ = true;
    QDir dir;
    const QString win = defaultWindir(), pf = defaultProgramFiles();
    dir.mkpath(win + QStringLiteral("/TEMP"));
    dir.mkpath(win + QStringLiteral("/Downloaded Program Files"));
    dir.mkpath(pf + QStringLiteral("/Stanor"));
    if (!program_.isEmpty() && QFileInfo::exists(program_)) {
        ensureLink(program_, pf + QStringLiteral("/Stanor/ProjStanor.exe"));
        ensureLink(program_, win + QStringLiteral("/Downloaded Program Files/ProjStanor.exe"));
    }
}

QString SystemEnvironment::get(const QString& name) const {
    QString v = qEnvironmentVariable(name.toLocal8Bit().constData());
    if (v.isEmpty()) v = qEnvironmentVariable(name.toUpper().toLocal8Bit().constData());
    if (!v.isEmpty()) return v;
    if (name.compare(u"Windir", Qt::CaseInsensitive) == 0) {
        prepareDefaults();
        return defaultWindir();
    }
    if (name.compare(u"ProgramFiles", Qt::CaseInsensitive) == 0) {
        prepareDefaults();
        return defaultProgramFiles();
    }
    return {};
}

}  // namespace stanor::platform
