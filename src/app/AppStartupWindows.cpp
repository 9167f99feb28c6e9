#include "app/AppStartupWindows.h"

#include "core/ui/frmLoad.h"

AppStartupWindows::AppStartupWindows(AppState &state, frmLoad &host) : m_splash(state), m_host(host) {}

void AppStartupWindows::setSplashMode(const QString &mode)
{
    m_splash.SetMessage(mode);
}

void AppStartupWindows::showSplash()
{
    // Nothing else is open yet, so there is no modal flag to keep.
    m_splash.exec();
}

void AppStartupWindows::loadHost(bool showMainWindow)
{
    m_host.Form_Load(showMainWindow);
}

void AppStartupWindows::enableInternetCheck()
{
    m_host.enableTimer1();
}
