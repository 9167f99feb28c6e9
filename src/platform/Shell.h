#pragma once

#include <QString>

namespace platform {

// What the program asks of the desktop shell. Flows receive a Shell so that
// tests can record instead of opening windows or starting programs.
class Shell
{
public:
    virtual ~Shell() = default;

    // Opens a folder, a file or a web address with the user's default
    // handler ("open" verb, normal window). False when nothing could be started.
    virtual bool open(const QString &target) = 0;

    // Starts `program` detached with one argument string, as the Windows shell
    // takes it (quoted parts stay together). False when it did not start.
    virtual bool startProgram(const QString &program, const QString &arguments,
                              const QString &workingFolder) = 0;
};

// The real shell of this platform.
class DesktopShell final : public Shell
{
public:
    bool open(const QString &target) override;
    bool startProgram(const QString &program, const QString &arguments,
                      const QString &workingFolder) override;
};

} // namespace platform
