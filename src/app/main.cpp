#include "AppStartupWindows.h"

#include "core/AppState.h"
#include "core/app/InternetCheck.h"
#include "core/app/Startup.h"
#include "core/ui/QtUserPrompt.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/SkinArt.h"
#include "core/ui/TrayIcon.h"
#include "core/ui/frmLoad.h"
#include "platform/Shell.h"
#include "webkit/ServiceConfig.h"

#if FLAZZ_HAVE_PHOTOSET
#include "imaging/cGDIpToken.h"
#include "photoset/clsTray.h"
#endif
#if FLAZZ_HAVE_MAIN_WINDOW
#include "photoset/SkypeSender.h"
#include "photoset/ZipExport.h"
#include "photoset/ui/frmSkypePath.h"
#include "photoset/ui/frmUploadTo.h"
#else
#include "PlaceholderMainWindow.h"
#endif

#if FLAZZ_HAVE_CALLOUT
#include "settingsui/ui/frmCallOut.h"
#endif

#include <QApplication>

#include <memory>
#include <vector>

namespace {

// The process objects start-up creates, released when the program ends,
// after every window that reads them.
struct ProcessObjects
{
#if FLAZZ_HAVE_PHOTOSET
    std::unique_ptr<cGDIpToken> gdiplusToken;
    std::unique_ptr<clsTray> photoTray;
#endif

    void create(AppState &state)
    {
#if FLAZZ_HAVE_PHOTOSET
        gdiplusToken = std::make_unique<cGDIpToken>();
        photoTray = std::make_unique<clsTray>(state.DataFolder, gdiplusToken.get(), state.MaxPhotos);
        state.GdiplusToken = gdiplusToken.get();
        state.PhotoTray = photoTray.get();
#else
        Q_UNUSED(state);
#endif
    }
};

// The command line as the program sees it: without the options that only
// point the build at other service addresses.
QString programCommandLine(QStringList arguments)
{
    for (int i = 1; i < arguments.size();) {
        if (arguments.at(i) == QLatin1String("--services")) {
            arguments.remove(i, qMin(2, int(arguments.size()) - i));
        } else if (arguments.at(i).startsWith(QLatin1String("--services="))) {
            arguments.remove(i);
        } else {
            ++i;
        }
    }
    return Startup::commandLineOf(arguments);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Flazz"));
    QApplication::setOrganizationName(QStringLiteral("Korvantis"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(SkinArt::appIcon());
    // The program lives on in the tray when its last window is hidden; it
    // ends only through Exit.
    app.setQuitOnLastWindowClosed(false);

    const ServiceConfig services = ServiceConfig::load(app.arguments());
    AppState state;
    ProcessObjects objects;
    QtUserPrompt prompt(state);
    platform::DesktopShell shell;
#if FLAZZ_HAVE_MAIN_WINDOW
    installSkypeLocator(prompt, state);
    // Declared before the host so they outlive the window that runs them.
    std::vector<std::unique_ptr<DestinationFlow>> flows;
#endif

    frmLoad host(state);
    host.setInternetCheck(std::make_unique<InternetCheck>(state, services));
    host.setMainWindowFactory([&](frmLoad &h) -> std::unique_ptr<QWidget> {
#if FLAZZ_HAVE_MAIN_WINDOW
        auto window = std::make_unique<frmUploadTo>(state, prompt, shell, services);
        window->setExitHandler([&h] { h.Unload(); });
        flows.push_back(std::make_unique<ZipExport>(state, *window, prompt, shell));
        window->setFlow(Destination::Zip, flows.back().get());
        flows.push_back(std::make_unique<SkypeSender>(state, *window, prompt, shell));
        window->setFlow(Destination::Skype, flows.back().get());
        return window;
#else
        return std::make_unique<PlaceholderMainWindow>(state, h);
#endif
    });

    host.setTrayFactory([&](frmLoad &h) -> std::unique_ptr<QObject> {
        auto tray = std::make_unique<TrayIcon>(state, prompt, shell, services.product.howItWorks);
        tray->setMainWindow([&h] { return h.mainWindow(); });
#if FLAZZ_HAVE_CALLOUT
        tray->setCallOut([&state](const QString &caption, const QString &message) {
            frmCallOut callOut(state);
            callOut.SetCaption(caption);
            callOut.SetMessage(message);
            ShowFormModal(state, callOut);
        });
#endif
        tray->setExitAction([&state, &h] {
#if FLAZZ_HAVE_PHOTOSET
            if (state.PhotoTray)
                state.PhotoTray->RemoveAll();
#endif
            h.Unload();
        });
        tray->show();
        return tray;
    });

    AppStartupWindows windows(state, host);
    Startup startup(state, prompt, windows);
    startup.setCreateProcessObjects([&objects](AppState &s) { objects.create(s); });
    if (startup.Main(programCommandLine(app.arguments())) == Startup::Outcome::Ended)
        return 0;
    return app.exec();
}
