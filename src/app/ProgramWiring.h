#pragma once

#include "photoset/DestinationFlow.h"
#include "webkit/ServiceConfig.h"

#include <QObject>
#include <QWidget>

#include <memory>
#include <vector>

struct AppState;
class UserPrompt;
class frmLoad;
namespace platform {
class Shell;
}

// How the program's parts are plugged together: which flow each destination
// button runs, and what the tray icon's items reach. main() builds one of
// these and hands its factories to the host window; tests build the same
// one, so what they press is what the user presses.
//
// It owns the destination flows, so it must outlive the host window and
// therefore the main window that runs them.
class ProgramWiring
{
public:
    ProgramWiring(AppState &state, UserPrompt &prompt, platform::Shell &shell, ServiceConfig services);
    ~ProgramWiring();

    ProgramWiring(const ProgramWiring &) = delete;
    ProgramWiring &operator=(const ProgramWiring &) = delete;

    // Gives `host` the factories of the main window and the tray icon.
    void plugInto(frmLoad &host);

    // The main window, every destination flow plugged in; Exit unloads `host`.
    std::unique_ptr<QWidget> makeMainWindow(frmLoad &host);
    // The tray icon, shown, reaching the host's main window.
    std::unique_ptr<QObject> makeTray(frmLoad &host);

private:
    AppState &m_state;
    UserPrompt &m_prompt;
    platform::Shell &m_shell;
    ServiceConfig m_services;
    std::vector<std::unique_ptr<DestinationFlow>> m_flows;
};
