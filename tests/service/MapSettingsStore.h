#pragma once
// A settings store held in memory, for the proxy tests.

#include "platform/SettingsStore.h"

#include <map>
#include <set>
#include <utility>

namespace stanor::service::test {

class MapSettingsStore final : public platform::SettingsStore {
public:
    std::optional<platform::StoredValue> value(const QString& key, const QString& name) override
    {
        auto it = values_.find({key, name});
        if (it == values_.end())
            return std::nullopt;
        return it->second;
    }
    bool keyExists(const QString& key) override { return keys_.count(key) > 0; }
    void createKey(const QString& key) override { keys_.insert(key); }
    void setValue(const QString& key, const QString& name, const platform::StoredValue& v) override
    {
        keys_.insert(key);
        values_[{key, name}] = v;
    }
    void removeValue(const QString& key, const QString& name) override { values_.erase({key, name}); }

private:
    std::set<QString> keys_;
    std::map<std::pair<QString, QString>, platform::StoredValue> values_;
};

}  // namespace stanor::service::test
