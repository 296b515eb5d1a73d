#pragma once
// An in-memory settings store for tests: key and value names are compared
// without regard to case, as in the registry, and failures can be scripted.

#include "SettingsStore.h"

#include <vector>

namespace stanor::platform {

class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<StoredValue> value(const QString& key, const QString& name) override;
    bool keyExists(const QString& key) override;
    void createKey(const QString& key) override;
    void setValue(const QString& key, const QString& name, const StoredValue& v) override;
    void removeValue(const QString& key, const QString& name) override;

    // When set, every read throws StoreUnreadable (every write SettingsError) with this text.
    QString failReads, failWrites;

private:
    struct Entry {
        QString key, name;
        StoredValue value;
    };
    std::vector<QString> keys_;
    std::vector<Entry> entries_;
};

}  // namespace stanor::platform
