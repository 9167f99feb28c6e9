#pragma once

#include "photoset/DestinationFlow.h"
#include "webkit/ServiceConfig.h"

#include <QString>
#include <QStringList>

struct AppState;
class LifePicsView;
class LocalPrinter;
class PrintWindows;
class UploadWindow;
class UserPrompt;
class clsLifePics;
namespace platform {
class Shell;
}

// The Print button: the photo set ordered as prints from the print service
// (signed in, uploaded in original resolution, put into the cart, which then
// opens in the browser) or printed on a printer of this computer. The main
// window stays disabled while the print window is up.
class PrintFlow : public DestinationFlow
{
public:
    PrintFlow(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
              ServiceConfig::LifePics config, PrintWindows &windows, LocalPrinter &local);
    ~PrintFlow() override;

    void run() override;

    // frmPrinter's choices. printOnline is true when the print window is to
    // close (a sign-in ran to its end), false when the user came back.
    bool printOnline();
    void printLocally();

    // frmLifePics: the e-mail stored last time, trimmed; the photo list it
    // sends (paths in set order, joined by TAB).
    QString storedEmail() const;
    QString photoList() const { return m_photoList; }
    // The whole sign-in and upload; true when the windows are to close,
    // false when the user stays in the sign-in view.
    bool login(LifePicsView &view);
    // Cancel pressed during the upload: asks "Are you sure?" first.
    void cancelPressed();
    bool cancelRequested() const { return m_cancel; }
    void openCreateAccount();
    void openPasswordFinder();

    const ServiceConfig::LifePics &config() const { return m_config; }
    // Where the print windows report what escapes a flow's call.
    UserPrompt &prompt() const { return m_prompt; }

    // How the last sign-in ended, for callers without windows.
    struct SendReport
    {
        bool signedIn = false;
        bool uploaded = false; // every file went through
        QString cart;          // the cart's automatic-login address
        QString problem;       // why it stopped short, for a person
        QStringList leftOut;   // files the service took no image from, with the reason
    };
    const SendReport &lastSend() const { return m_report; }

private:
    QStringList paths() const;

    AppState &m_state;
    UploadWindow &m_window;
    UserPrompt &m_prompt;
    platform::Shell &m_shell;
    ServiceConfig::LifePics m_config;
    PrintWindows &m_windows;
    LocalPrinter &m_local;

    QString m_photoList;
    SendReport m_report;
    clsLifePics *m_lifePics = nullptr; // lives as long as frmLifePics
    LifePicsView *m_view = nullptr;    // during a login
    bool m_cancel = false;
    bool m_sent = false;
    bool m_running = false;
};
