#pragma once
// Environment variables with the meanings the program expects of "Windir" and
// "ProgramFiles" where they are not set.
//
// On Linux, where neither is set, SystemEnvironment gives:
//   Windir       = <state>/Windows, with the folders "TEMP" (default trace
//                  folder, "Windir\TEMP") and "Downloaded Program Files"
//                  (where the program looks up the file named by "OCXName")
//                  made on first use;
//   ProgramFiles = <state>/ProgramFiles, holding "Stanor/ProjStanor.exe", a
//                  link to the installed program, so that
//                  "ProgramFiles\Stanor\ProjStanor.exe" resolves to it;
//                  "Downloaded Program Files/ProjStanor.exe" is the same link.
// <state> is the per-user state folder ($XDG_STATE_HOME/ProjStanor, or
// ~/.local/state/ProjStanor). Set either variable to use another folder.

#include <QString>
#include <map>

namespace stanor::platform {

class Environment {
public:
    virtual ~Environment() = default;
    // The variable's value; for "Windir" and "ProgramFiles" a Linux default when unset.
    virtual QString get(const QString& name) const = 0;
};

// The process environment. Variable names are looked up as given, then in
// upper case (Windows names are not case-sensitive).
class SystemEnvironment final : public Environment {
public:
    // program: the executable that "ProjStanor.exe" stands for in the default
    // folders (empty: no link is made).
    explicit SystemEnvironment(QString program = {});
    QString get(const QString& name) const override;

    static QString defaultWindir();
    static QString defaultProgramFiles();

private:
    void prepareDefaults() const;
    QString program_;
    mutable bool prepared_ = false;
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
