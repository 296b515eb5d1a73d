#pragma once
// The settings store that stands in for the registry: typed values under
// full key names such as "HKEY_CLASSES_ROOT\Software\ProjStanor".

#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace stanor::platform {

// Key of the program's own run parameters and remembered choices.
inline const QString kStanorKey = QStringLiteral("HKEY_CLASSES_ROOT\\Software\\ProjStanor");
// The group's own certification authority (a PEM file), believed with the
// system's for the data service's "https://" addresses and for FTP over TLS.
inline const QString kTlsAuthorityFile = QStringLiteral("TlsAuthorityFile");
// Key of the current user's Internet settings (proxy).
inline const QString kInternetSettingsKey = QStringLiteral(
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");

// Other: any registry type the program never reads (binary, multi-string, qword...);
// its text holds the right-hand side of the value line exactly as found (for
// instance "hex(7):41,00,00,00") so that rewriting the store keeps it intact.
enum class ValueType { String, ExpandString, DWord, Other };

struct StoredValue {
    ValueType type = ValueType::String;
    QString text;          // String and ExpandString (kept unexpanded); raw text for Other
    std::uint32_t dword = 0;  // DWord
};

// Raised for an unreadable or malformed store, a failed write, or a value of
// another type than the one asked for (as the registry does).
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The store as a whole cannot be read (a malformed or unreadable file): no
// value of it can be trusted, unlike a single value of the wrong type.
class StoreUnreadable : public SettingsError {
public:
    using SettingsError::SettingsError;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The value, or nothing when the key or the value is missing.
    virtual std::optional<StoredValue> value(const QString& key, const QString& name) = 0;
    virtual bool keyExists(const QString& key) = 0;
    // Creates the key when missing (as opening a key with creation allowed does).
    virtual void createKey(const QString& key) = 0;
    virtual void setValue(const QString& key, const QString& name, const StoredValue& v) = 0;
    virtual void removeValue(const QString& key, const QString& name) = 0;

    // Typed reads: a missing value gives "" (or nothing for DWORDs); a value of
    // another type throws SettingsError. String reads accept ExpandString as it is.
    QString readString(const QString& key, const QString& name);
    std::optional<std::uint32_t> readDword(const QString& key, const QString& name);
    void writeString(const QString& key, const QString& name, const QString& text);
    void writeDword(const QString& key, const QString& name, std::uint32_t v);
};

}  // namespace stanor::platform
