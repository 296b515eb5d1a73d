#pragma once
// Environment variables with the meanings the program expects of "Windir" and
// "ProgramFiles" where they are not set (see Environment.cpp).

#include <QString>
#include <map>

namespace stanor::platform {

class Environment {
public:
    virtual ~Environment() = default;
    // The variable's value; for "Windir" and "ProgramFiles" a Linux default when unset.
    virtual QString get(const QString& name) const = 0;
};

// Tests set variables by hand; unset ones read empty.
class ScriptedEnvironment final : public Environment {
public:
    QString get(const QString& name) const override {
        auto it = vars.find(name);
        return it == vars.end() ? QString() : it->second;
    }
    std::map<QString, QString> vars;
};

}  // namespace stanor::platform
