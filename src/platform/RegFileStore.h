#pragma once
// The settings store kept in one text file in the registry editor's format
// (see RegDocument.h). The file is read afresh for every access, so that
// values written by another process (the launcher) are seen at once, and it is
// rewritten atomically for every change: the new text goes to a temporary file
// in the same folder which then replaces the old one, so a process that dies
// mid-write leaves the previous file whole. A lock file beside the store keeps
// two processes from interleaving their read-modify-write cycles.

#include "RegDocument.h"
#include "SettingsStore.h"

namespace stanor::platform {

class RegFileStore final : public SettingsStore {
public:
    explicit RegFileStore(QString path);

    // PROJSTANOR_REGISTRY when set, else ProjStanor/registry.reg in the
    // user's configuration folder.
    static QString defaultPath();

    const QString& path() const { return path_; }

    std::optional<StoredValue> value(const QString& key, const QString& name) override;
    bool keyExists(const QString& key) override;
    void createKey(const QString& key) override;
    void setValue(const QString& key, const QString& name, const StoredValue& v) override;
    void removeValue(const QString& key, const QString& name) override;

    // The whole document as it is on disk (missing file: empty document).
    RegDocument load() const;

private:
    template <typename Change>
    void modify(Change&& change);
    void save(const RegDocument& doc) const;

    QString path_;
};

}  // namespace stanor::platform
