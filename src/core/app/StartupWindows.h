#pragma once

#include <QString>

// The windows start-up opens, apart from system messages: the splash window
// frmSck and the hidden host frmLoad. The real program implements it with
// those windows; tests script it.
class StartupWindows
{
public:
    virtual ~StartupWindows() = default;

    // frmSck.SetMessage: the mode for the splash window's next load.
    virtual void setSplashMode(const QString &mode) = 0;
    // Shows the splash window modally; returns once it has unloaded itself.
    virtual void showSplash() = 0;
    // Loads frmLoad: the tray icon appears and the main window opens, or
    // waits behind the icon when `showMainWindow` is false and there is an
    // icon to come back from.
    virtual void loadHost(bool showMainWindow) = 0;
    // Enables frmLoad.Timer1, the periodic internet check.
    virtual void enableInternetCheck() = 0;
};
