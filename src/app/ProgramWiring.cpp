#include "app/ProgramWiring.h"

#include "cloudfolders/SyncFolders.h"
#include "cloudfolders/clsDropbox.h"
#include "cloudfolders/clsGoogle.h"
#include "cloudfolders/clsSkydrive.h"
#include "cloudfolders/flows/CloudFolderFlow.h"
#include "cloudfolders/ui/QtCloudClientNotices.h"
#include "cloudfolders/ui/QtFolderChooser.h"
#include "core/AppState.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/TrayIcon.h"
#include "core/ui/frmLoad.h"
#include "photoset/SkypeSender.h"
#include "photoset/ZipExport.h"
#include "photoset/clsTray.h"
#include "photoset/ui/frmUploadTo.h"
#include "rclone/RcloneCommand.h"
#include "rclone/RcloneConnector.h"
#include "rclone/RcloneRoutes.h"
#include "rclone/flows/RemoteFolderFlow.h"
#include "settingsui/ui/RcloneAccountsPage.h"
#include "settingsui/ui/frmCallOut.h"
#include "settingsui/ui/frmSettings.h"
#include "uploader/QueuedUploader.h"
#include "uploader/UploadProgress.h"
#include "uploader/UploadQueue.h"
#include "webkit/ui/QtSignIn.h"
#include "webservices/clsFacebook.h"
#include "webservices/clsFlickr.h"
#include "webservices/flows/FacebookFlow.h"
#include "webservices/flows/FlickrFlow.h"
#include "webservices/flows/PrintFlow.h"
#include "webservices/ui/QtLocalPrinter.h"
#include "webservices/ui/QtPrintWindows.h"

#include <QFrame>
#include <QTimer>

#include <utility>

namespace {

// The background uploads as the tray shows them.
class TrayUploadNotices : public QObject, public UploadNotices
{
public:
    explicit TrayUploadNotices(TrayIcon &tray) : QObject(&tray), m_tray(tray) {}
    void showUploadStatus(const QString &status) override { m_tray.setActivity(status); }
    void notifyUpload(const QString &title, const QString &message) override
    {
        m_tray.showNotice(title, message);
    }

private:
    TrayIcon &m_tray;
};

// A cloud-folder button: the service itself, or the rclone remote chosen for
// it in Settings, looked up at each press.
class RoutedFlow : public DestinationFlow
{
public:
    RoutedFlow(std::unique_ptr<DestinationFlow> service,
               std::function<std::unique_ptr<DestinationFlow>()> remote)
        : m_service(std::move(service)), m_remote(std::move(remote))
    {
    }
    void run() override
    {
        if (std::unique_ptr<DestinationFlow> remote = m_remote()) {
            remote->run();
            return;
        }
        m_service->run();
    }

private:
    std::unique_ptr<DestinationFlow> m_service;
    std::function<std::unique_ptr<DestinationFlow>()> m_remote;
};

// A fresh connector for each run of a cloud-folder button.
template<class Connector>
std::function<std::unique_ptr<CloudConnector>()> connectorOf(AppState &state, const ServiceConfig &services,
                                                             SignIn &signIn, UserPrompt &prompt)
{
    return [&state, &services, &signIn, &prompt]() -> std::unique_ptr<CloudConnector> {
        return std::make_unique<Connector>(state, services, signIn, prompt);
    };
}

} // namespace

ProgramWiring::ProgramWiring(AppState &state, UserPrompt &prompt, SkypeLocator &skypeLocator,
                             platform::Shell &shell, ServiceConfig services, QStringList uploaderArguments)
    : m_state(state), m_prompt(prompt), m_skypeLocator(skypeLocator), m_shell(shell),
      m_services(std::move(services)), m_queuePath(UploadQueue::defaultPath()),
      m_signIn(std::make_unique<QtSignIn>(state, m_services, shell)),
      m_chooser(std::make_unique<QtFolderChooser>(state, prompt)),
      m_notices(std::make_unique<QtCloudClientNotices>(state, m_services.desktopClients, shell)),
      m_uploader(std::make_unique<QueuedUploader>(m_queuePath, QueuedUploader::defaultProgram(),
                                                  std::move(uploaderArguments))),
      m_printWindows(std::make_unique<QtPrintWindows>(state, m_services.lifePics.serviceName)),
      m_localPrinter(std::make_unique<QtLocalPrinter>(state))
{
    m_uploader->setPreparedCopies([&state](const QString &path, int uploadSize, MetadataRule rule) {
        return state.PhotoTray ? state.PhotoTray->PreparedCopyOf(path, uploadSize, rule) : QByteArray();
    });
    m_uploader->setMetadataChoice([&state] { return state.KeepMetadata; });
    m_uploader->setContentDigests([&state](const QString &path) {
        return state.PhotoTray ? state.PhotoTray->ContentDigestOf(path) : QByteArray();
    });
}

ProgramWiring::~ProgramWiring() = default;

void ProgramWiring::plugInto(frmLoad &host)
{
    host.setMainWindowFactory([this](frmLoad &h) { return makeMainWindow(h); });
    host.setTrayFactory([this](frmLoad &h) { return makeTray(h); });
}

bool ProgramWiring::signInBrowserShowing() const
{
    return m_signIn->browserShowing();
}

void ProgramWiring::openPaths(frmLoad &host, const QStringList &paths)
{
    auto *window = qobject_cast<frmUploadTo *>(host.mainWindow());
    if (!window)
        return;
    m_pathsToOpen += paths;
    if (m_pathsToOpen.isEmpty())
        return;
    if (m_state.ModalFormOpen || !window->windowEnabled()) {
        if (!m_openWaiting) {
            m_openWaiting = true;
            QTimer::singleShot(500, window, [this, &host] {
                m_openWaiting = false;
                openPaths(host, {});
            });
        }
        return;
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    window->picDropZone_Drop(std::exchange(m_pathsToOpen, {}));
}

void ProgramWiring::resumeUploads()
{
    m_uploader->resumePending();
}

std::unique_ptr<QWidget> ProgramWiring::makeMainWindow(frmLoad &host)
{
    auto window = std::make_unique<frmUploadTo>(m_state, m_prompt, m_shell, m_services);
    window->setExitHandler([&host] { host.Unload(); });
    const auto plug = [&](auto destination, std::unique_ptr<DestinationFlow> flow) {
        window->setFlow(destination, flow.get());
        m_flows.push_back(std::move(flow));
    };
    const auto site = [this](Service service) { return describe(service).site(m_services); };
    plug(LocalDestination::Zip, std::make_unique<ZipExport>(m_state, *window, m_prompt, m_shell));
    auto skype = std::make_unique<SkypeSender>(m_state, *window, m_prompt, m_shell);
    skype->setLocator(&m_skypeLocator);
    plug(LocalDestination::Skype, std::move(skype));
    plug(LocalDestination::Printer,
         std::make_unique<PrintFlow>(m_state, *window, m_prompt, m_shell, m_services.lifePics,
                                     *m_printWindows, *m_localPrinter));

    m_facebook = std::make_unique<clsFacebook>(m_state, m_services, *m_signIn, m_prompt);
    const WebUploadParts web{m_state, *window, m_prompt, m_shell, *m_notices, *m_uploader};
    plug(Service::Facebook,
         std::make_unique<FacebookFlow>(web, *m_facebook, *m_chooser, site(Service::Facebook)));
    plug(Service::Flickr, std::make_unique<FlickrFlow>(
                              web,
                              [this]() -> std::unique_ptr<FlickrAccount> {
                                  return std::make_unique<clsFlickr>(m_state, m_services, *m_signIn,
                                                                     m_prompt);
                              },
                              site(Service::Flickr)));

    const SyncFolderLocator locator{[] { return GetDropboxFolder(); }, [] { return GetSkyDriveFolder(); },
                                    [this] { return GetGoogleDriveFolder(m_state); }};
    const CloudFolderFlow::Parts cloud{m_state,    *window,    m_prompt,    m_shell,
                                       *m_chooser, *m_notices, *m_uploader, locator};
    const RemoteFolderFlow::Parts remote{m_state,    *window,    m_prompt,   m_shell,
                                         *m_chooser, *m_notices, *m_uploader};
    // Each cloud button sends through the remote chosen for it, if any.
    const auto cloudFlow = [&](Service service, auto makeConnector) {
        const QString address = site(service);
        auto own = std::make_unique<CloudFolderFlow>(service, cloud, std::move(makeConnector), address);
        plug(service,
             std::make_unique<RoutedFlow>(
                 std::move(own), [this, remote, service, address]() -> std::unique_ptr<DestinationFlow> {
                     const QString name = RcloneRoutes::chosen(m_state.SettingsFile, service);
                     if (name.isEmpty())
                         return nullptr;
                     const QString kind = RcloneRoutes::remoteType(service);
                     return std::make_unique<RemoteFolderFlow>(remote, remoteConnector(name, kind), kind,
                                                               service, address);
                 }));
    };
    cloudFlow(Service::Dropbox, connectorOf<clsDropbox>(m_state, m_services, *m_signIn, m_prompt));
    cloudFlow(Service::SkyDrive, connectorOf<clsSkydrive>(m_state, m_services, *m_signIn, m_prompt));
    cloudFlow(Service::Google, connectorOf<clsGoogle>(m_state, m_services, *m_signIn, m_prompt));

    // Every remote is one menu away, whatever its kind.
    window->setMoreDestinations(
        [this] {
            QList<frmUploadTo::MoreDestination> out;
            QList<RcloneRemoteInfo> remotes;
            QString error;
            listRcloneRemotes(RcloneSetup::find(m_services.rclone.config), &remotes, &error);
            for (const RcloneRemoteInfo &info : remotes)
                out.append({info.name, info.name + u"  (" + info.type + u')'});
            return out;
        },
        [this, remote](const QString &name) -> DestinationFlow * {
            std::unique_ptr<DestinationFlow> &flow = m_remoteFlows[name];
            if (!flow)
                flow = std::make_unique<RemoteFolderFlow>(remote, remoteConnector(name, {}));
            return flow.get();
        });

    window->setSettingsHandler([this, main = window.get()] { showSettings(main); });
    return window;
}

std::function<std::unique_ptr<RcloneConnector>()> ProgramWiring::remoteConnector(const QString &name,
                                                                                 const QString &type)
{
    return [this, name, type] {
        return std::make_unique<RcloneConnector>(RcloneSetup::find(m_services.rclone.config), name, type,
                                                 *m_signIn, m_prompt);
    };
}

void ProgramWiring::showSettings(QWidget *mainWindow)
{
    frmSettings settings(m_state, m_prompt, m_shell, m_services.product.site);
    settings.setApplySkin([mainWindow] {
        if (auto *main = qobject_cast<frmUploadTo *>(mainWindow))
            main->ApplySkin();
    });
    // Each re-authorization signs in afresh once its stored keys are gone.
    settings.setSignIn(Service::Facebook, [this] {
        // A connector of its own, as every service here: the sign-in's own
        // permission check is the verdict, no second round trip.
        clsFacebook facebook(m_state, m_services, *m_signIn, m_prompt);
        return facebook.CreateFacebookAccount();
    });
    settings.setSignIn(Service::Flickr, [this] {
        clsFlickr flickr(m_state, m_services, *m_signIn, m_prompt);
        flickr.CreateFlickrAccount();
        return !flickr.GetFlickrUserAuthCode().isEmpty();
    });
    settings.setSignIn(Service::Dropbox, [this] {
        clsDropbox dropbox(m_state, m_services, *m_signIn, m_prompt);
        return dropbox.CreateAccount();
    });
    settings.setSignIn(Service::Google, [this] {
        clsGoogle google(m_state, m_services, *m_signIn, m_prompt);
        return google.CreateAccount();
    });
    settings.setSignIn(Service::SkyDrive, [this] {
        clsSkydrive skyDrive(m_state, m_services, *m_signIn, m_prompt);
        return skyDrive.CreateAccount();
    });
    auto *accounts = new RcloneAccountsPage(RcloneSetup::find(m_services.rclone.config), m_state.SettingsFile,
                                            *m_signIn, m_prompt, settings.page(frmSettings::CloudPage));
    accounts->move(12, 36);
    settings.setClearHistory([this] { return UploadQueue(m_queuePath).clearHistory(); });
    ShowFormModal(m_state, settings);
}

std::unique_ptr<QObject> ProgramWiring::makeTray(frmLoad &host)
{
    auto tray = std::make_unique<TrayIcon>(m_state, m_prompt, m_shell, m_services.product.howItWorks);
    tray->setMainWindow([&host] { return host.mainWindow(); });
    tray->setCallOut([this](const QString &caption, const QString &message) {
        frmCallOut callOut(m_state);
        callOut.SetCaption(caption);
        callOut.SetMessage(message);
        ShowFormModal(m_state, callOut);
    });
    tray->setExitAction([this, &host] {
        if (m_state.PhotoTray)
            m_state.PhotoTray->RemoveAll();
        host.Unload();
    });
    tray->show();
    auto *notices = new TrayUploadNotices(*tray);
    auto *watch = new UploadWatch(m_queuePath, *notices, 2000, notices);
    watch->setUploader([this] { return m_uploader->uploaderRunning(); },
                       [this] { return m_uploader->startUploader(); });
    tray->setExitNote([watch] { return watch->exitNote(); });
    watch->start();
    return tray;
}
