#pragma once

#include "core/app/StartupWindows.h"
#include "core/ui/frmSck.h"

class frmLoad;
struct AppState;

// Start-up's windows in the running program: the splash window and the
// hidden host.
class AppStartupWindows : public StartupWindows
{
public:
    AppStartupWindows(AppState &state, frmLoad &host);

    void setSplashMode(const QString &mode) override;
    void showSplash() override;
    void loadHost(bool showMainWindow) override;
    void enableInternetCheck() override;

private:
    frmSck m_splash;
    frmLoad &m_host;
};
