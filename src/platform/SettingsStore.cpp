#include "SettingsStore.h"

namespace stanor::platform {

QString SettingsStore::readString(const QString& key, const QString& name) {
    auto v = value(key, name);
    if (!v) return {};
    if (v->type != ValueType::String && v->type != ValueType::ExpandString)
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
    StoredValue v;
    v.type = ValueType::String;
    v.text = text;
    setValue(key, name, v);
}

void SettingsStore::writeDword(const QString& key, const QString& name, std::uint32_t d) {
    StoredValue v;
    v.type = ValueType::DWord;
    v.dword = d;
    setValue(key, name, v);
}

}  // namespace stanor::platform
