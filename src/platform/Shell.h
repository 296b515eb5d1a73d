#pragma once
// Starting another program for the user: a browser named by the settings, or
// whatever the desktop opens addresses with. Behind one interface so that
// tests see what would be opened without starting anything.

#include <QString>
#include <QStringList>
#include <vector>

namespace stanor::platform {

class Shell {
public:
    virtual ~Shell() = default;
    // Starts the program, detached, with these arguments; false when it
    // could not be started (missing, not executable).
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // Opens the address with the desktop's default browser; false when the
    // desktop has none or refused it.
    virtual bool openAddress(const QString& address) = 0;
};

// Records what would have been started or opened; answers as tests set it.
class ScriptedShell final : public Shell {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };
    bool startProgram(const QString& program, const QStringList& arguments) override {
        started.push_back({program, arguments});
        return programsStart;
    }
    bool openAddress(const QString& address) override {
        opened.push_back(address);
        return desktopOpens;
    }

    std::vector<Started> started;
    QStringList opened;
    bool programsStart = true;
    bool desktopOpens = true;
};

}  // namespace stanor::platform
