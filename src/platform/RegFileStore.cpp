#include "RegFileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace stanor::platform {

namespace {
[[noreturn]] void fail(const QString& message) { throw SettingsError(message.toStdString()); }
}  // namespace

RegFileStore::RegFileStore(QString path) : path_(std::move(path)) {}

QString RegFileStore::defaultPath() {
    const QString env = qEnvironmentVariable("PROJSTANOR_REGISTRY");
    if (!env.isEmpty()) return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ProjStanor/registry.reg");
}

RegDocument RegFileStore::load() const {
    QFile f(path_);
    if (!f.exists()) return {};
    if (!f.open(QIODevice::ReadOnly))
        throw StoreUnreadable(
            QStringLiteral("Lecture impossible du fichier de registre %1 : %2").arg(path_, f.errorString()).toStdString());
    try {
        return RegDocument::parse(f.readAll(), path_);
    } catch (const SettingsError& e) {
        throw StoreUnreadable(e.what());
    }
}

void RegFileStore::save(const RegDocument& doc) const {
    const QFileInfo info(path_);
    // A file without write permission is read-only even for a superuser, who
    // could otherwise replace it.
    if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner)))
        fail(QStringLiteral("Le fichier de registre %1 est en lecture seule").arg(path_));
    if (!QDir().mkpath(info.absolutePath()))
        fail(QStringLiteral("Création impossible du dossier %1").arg(info.absolutePath()));
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Écriture impossible du fichier de registre %1 : %2").arg(path_, out.errorString()));
    const QByteArray bytes = doc.serialize();
    if (out.write(bytes) != bytes.size() || !out.commit())
        fail(QStringLiteral("Écriture impossible du fichier de registre %1 : %2").arg(path_, out.errorString()));
}

template <typename Change>
void RegFileStore::modify(Change&& change) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QLockFile lock(path_ + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(5000))
        fail(QStringLiteral("Le fichier de registre %1 est verrouillé par un autre programme").arg(path_));
    RegDocument doc = load();
    if (!change(doc)) return;
    save(doc);
}

std::optional<StoredValue> RegFileStore::value(const QString& key, const QString& name) {
    const RegDocument doc = load();
    if (const StoredValue* v = doc.find(key, name)) return *v;
    return std::nullopt;
}

bool RegFileStore::keyExists(const QString& key) { return load().findKey(key) != nullptr; }

void RegFileStore::createKey(const QString& key) {
    // Opening with creation allowed: a key already there costs only a read.
    if (QFile::exists(path_) && keyExists(key)) return;
    modify([&](RegDocument& doc) {
        if (doc.findKey(key)) return false;
        doc.ensureKey(key);
        return true;
    });
}

void RegFileStore::setValue(const QString& key, const QString& name, const StoredValue& v) {
    modify([&](RegDocument& doc) {
        doc.set(key, name, v);
        return true;
    });
}

void RegFileStore::removeValue(const QString& key, const QString& name) {
    modify([&](RegDocument& doc) {
        if (!doc.find(key, name)) return false;
        doc.remove(key, name);
        return true;
    });
}

}  // namespace stanor::platform
