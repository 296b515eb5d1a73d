#pragma once
// The text of a settings file in the registry editor's export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CLASSES_ROOT\Software\ProjStanor]
//   "Trace"="1"
//   "FirstFormHandle"=dword:0001e240
//   "Path"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00
//
// Keys and value names are matched without regard to case, as the registry
// does; their spelling is kept. Values of types the program does not read are
// kept verbatim so that rewriting the file loses nothing.

#include "SettingsStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace stanor::platform {

class RegDocument {
public:
    // Comment lines (";" first) travel with the line they stand above, so
    // that a file rewritten by the program keeps what people wrote in it.
    struct Value {
        QString name;  // "" for the key's default value (written @)
        StoredValue value;
        QStringList comments;
    };
    struct Key {
        QString name;
        std::vector<Value> values;
        QStringList comments;
    };

    // Parses the file's bytes (UTF-8, with or without BOM, or UTF-16LE with BOM).
    // An empty file is an empty document. Throws SettingsError naming the file
    // (sourceName) and the line of the first fault.
    static RegDocument parse(const QByteArray& bytes, const QString& sourceName);
    // The file text, UTF-8, one line per key and value, lines ended by LF.
    QByteArray serialize() const;

    const Key* findKey(const QString& name) const;
    Key& ensureKey(const QString& name);
    const StoredValue* find(const QString& key, const QString& name) const;
    void set(const QString& key, const QString& name, const StoredValue& v);
    void remove(const QString& key, const QString& name);

    const std::vector<Key>& keys() const { return keys_; }

private:
    std::vector<Key> keys_;
    QStringList trailingComments_;  // after the last key and value
};

}  // namespace stanor::platform
