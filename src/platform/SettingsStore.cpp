#include "SettingsStore.h"

namespace stanor::platform {

QString SettingsStore::readString(const QString& key, const QString& name) {
    auto v = value(key, name);
    if (!v) return {};
    if (v->type == ValueType::DWord)
        throw SettingsError(QStringLiteral("La valeur \"%1\" n'est pas une chaîne").arg(name).toStdString());
    return v->text;
}

std::optional<std::uint32_t> SettingsStore::readDword(const QString& key, const QString& name) {
    auto v = value(key, name);
    if (!v) return std::nullopt;
    if (v->type != ValueType::DWord)
        throw SettingsError(QStringLiteral("La valeur \"%1\" n'est pas un DWORD").arg(name).toStdString());
    return v->dword;
}

void SettingsStore::writeString(const QString& key, const QString& name, const QString& text) {
    setValue(key, name, StoredValue{ValueType::String, text, 0});
}

void SettingsStore::writeDword(const QString& key, const QString& name, std::uint32_t v) {
    setValue(key, name, StoredValue{ValueType::DWord, {}, v});
}

}  // namespace stanor::platform
