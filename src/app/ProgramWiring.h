#pragma once

#include "photoset/DestinationFlow.h"
#include "webkit/ServiceConfig.h"

#include <QObject>
#include <QStringList>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

struct AppState;
class QtCloudClientNotices;
class QtFolderChooser;
class QtLocalPrinter;
class QtPrintWindows;
class QtSignIn;
class QueuedUploader;
class RcloneConnector;
class SkypeLocator;
class UserPrompt;
class clsFacebook;
class frmLoad;
namespace platform {
class Shell;
}

// How the program's parts are plugged together: which flow each destination
// button runs, how connectors meet the user, where background uploads go,
// and what the tray icon's items reach. main() builds one of these and hands
// its factories to the host window; tests build the same one, so what they
// press is what the user presses.
//
// It owns the destination flows and what they lean on, so it must outlive
// the host window and therefore the main window that runs them.
class ProgramWiring
{
public:
    // `uploaderArguments` go to the background uploader when it starts (the
    // services file, for one).
    ProgramWiring(AppState &state, UserPrompt &prompt, SkypeLocator &skypeLocator, platform::Shell &shell,
                  ServiceConfig services, QStringList uploaderArguments = {});
    ~ProgramWiring();

    ProgramWiring(const ProgramWiring &) = delete;
    ProgramWiring &operator=(const ProgramWiring &) = delete;

    // Gives `host` the factories of the main window and the tray icon.
    void plugInto(frmLoad &host);

    // The main window, every destination flow plugged in; Exit unloads `host`.
    std::unique_ptr<QWidget> makeMainWindow(frmLoad &host);
    // The tray icon, shown, reaching the host's main window and showing the
    // background uploads.
    std::unique_ptr<QObject> makeTray(frmLoad &host);

    // Files and folders given to this start or handed over by a later one:
    // added to the set as a drop adds them, with the main window brought
    // forward. While a flow or a dialog has the window they wait, so the set
    // never changes under it.
    void openPaths(frmLoad &host, const QStringList &paths);

    // Photos a previous run left queued go on (closed, killed or stopped).
    void resumeUploads();
    // True while the sign-in browser is on screen.
    bool signInBrowserShowing() const;

private:
    void showSettings(QWidget *mainWindow);
    // A fresh connector for remote `name` (made of `type` when missing).
    std::function<std::unique_ptr<RcloneConnector>()> remoteConnector(const QString &name,
                                                                      const QString &type);

    AppState &m_state;
    UserPrompt &m_prompt;
    SkypeLocator &m_skypeLocator;
    platform::Shell &m_shell;
    ServiceConfig m_services;
    QString m_queuePath;
    std::unique_ptr<QtSignIn> m_signIn;
    std::unique_ptr<QtFolderChooser> m_chooser;
    std::unique_ptr<QtCloudClientNotices> m_notices;
    std::unique_ptr<QueuedUploader> m_uploader;
    std::unique_ptr<QtPrintWindows> m_printWindows;
    std::unique_ptr<QtLocalPrinter> m_localPrinter;
    // The main window's Facebook connector, kept for its whole life.
    std::unique_ptr<clsFacebook> m_facebook;
    std::vector<std::unique_ptr<DestinationFlow>> m_flows;
    QStringList m_pathsToOpen;
    bool m_openWaiting = false;
    // The flows of the remotes picked from the main window's menu, kept
    // (one may still run when another is picked).
    std::map<QString, std::unique_ptr<DestinationFlow>> m_remoteFlows;
};
