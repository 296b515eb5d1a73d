#include "MemorySettingsStore.h"

#include <algorithm>

namespace stanor::platform {

namespace {
bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
}  // namespace

std::optional<StoredValue> MemorySettingsStore::value(const QString& key, const QString& name) {
    if (!failReads.isEmpty()) throw StoreUnreadable(failReads.toStdString());
    for (const Entry& e : entries_)
        if (same(e.key, key) && same(e.name, name)) return e.value;
    return std::nullopt;
}

bool MemorySettingsStore::keyExists(const QString& key) {
    if (!failReads.isEmpty()) throw StoreUnreadable(failReads.toStdString());
    return std::any_of(keys_.begin(), keys_.end(), [&](const QString& k) { return same(k, key); });
}

void MemorySettingsStore::createKey(const QString& key) {
    if (!failReads.isEmpty()) throw StoreUnreadable(failReads.toStdString());
    if (!keyExists(key)) keys_.push_back(key);
}

void MemorySettingsStore::setValue(const QString& key, const QString& name, const StoredValue& v) {
    if (!failWrites.isEmpty()) throw SettingsError(failWrites.toStdString());
    if (!keyExists(key)) keys_.push_back(key);
    for (Entry& e : entries_)
        if (same(e.key, key) && same(e.name, name)) {
            e.value = v;
            return;
        }
    entries_.push_back({key, name, v});
}

void MemorySettingsStore::removeValue(const QString& key, const QString& name) {
    if (!failWrites.isEmpty()) throw SettingsError(failWrites.toStdString());
    std::erase_if(entries_, [&](const Entry& e) { return same(e.key, key) && same(e.name, name); });
}

}  // namespace stanor::platform
