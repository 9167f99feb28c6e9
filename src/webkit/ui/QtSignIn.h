#pragma once

#include "core/ui/ProgramEnd.h"
#include "webkit/SignIn.h"

#include <memory>

class QWidget;
class frmSck;
struct AppState;
struct ServiceConfig;

namespace platform {
class Shell;
}

// Sign-in through the program's windows: the embedded browser for page
// sign-ins, the two prompts around the user's own browser for the others.
// Every window is shown modally and thrown away when it closes.
class QtSignIn : public SignIn
{
public:
    QtSignIn(AppState &state, const ServiceConfig &config, platform::Shell &shell, QWidget *owner = nullptr);
    ~QtSignIn() override;

    QString browse(const SignInPage &page) override;
    bool askAuthorize() override;
    bool askCompleteAuthorization() override;
    bool openInBrowser(const QString &url) override;
    bool openInstead(const QString &url, const QString &service) override;
    void setBusy(bool busy) override;
    void closeBusy() override;

    // Esc in the browser ends the program through this.
    void setEndProgram(EndProgramAction action) { m_endProgram = std::move(action); }

    // True while the sign-in browser is on screen.
    bool browserShowing() const { return m_browsing; }

    // The busy window a Facebook sign-in left up; null when none is.
    frmSck *busyWindow() const { return m_busy.get(); }

private:
    AppState &m_state;
    const ServiceConfig &m_config;
    platform::Shell &m_shell;
    QWidget *m_owner;
    EndProgramAction m_endProgram;
    std::unique_ptr<frmSck> m_busy;
    bool m_browsing = false;
    bool m_busyPointer = false;
};
