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

#include "imaging/cGDIpToken.h"
#include "photoset/SkypeSender.h"
#include "photoset/ZipExport.h"
#include "photoset/clsTray.h"
#include "photoset/ui/frmSkypePath.h"
#include "photoset/ui/frmUploadTo.h"
#include "settingsui/ui/frmCallOut.h"
#include "settingsui/ui/frmSettings.h"
#include "webservices/flows/PrintFlow.h"
#include "webservices/ui/QtPrintWindows.h"

#include <QApplication>

#include <memory>
#include <vector>

namespace {

// The process objects start-up creates, released when the program ends,
// after every window that reads them.
struct ProcessObjects
{
    std::unique_ptr<cGDIpToken> gdiplusToken;
    std::unique_ptr<clsTray> photoTray;

    void create(AppState &state)
    {
        gdiplusToken = std::make_unique<cGDIpToken>();
        photoTray = std::make_unique<clsTray>(state.DataFolder, gdiplusToken.get(), state.MaxPhotos);
        state.GdiplusToken = gdiplusToken.get();
        state.PhotoTray = photoTray.get();
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
    installSkypeLocator(prompt, state);
    // Declared before the host so they outlive the window that runs them.
    QtPrintWindows printWindows(state, services.lifePics.serviceName);
    QtLocalPrinter localPrinter(state);
    std::vector<std::unique_ptr<DestinationFlow>> flows;

    frmLoad host(state);
    host.setInternetCheck(std::make_unique<InternetCheck>(state, services));
    host.setMainWindowFactory([&](frmLoad &h) -> std::unique_ptr<QWidget> {
        auto window = std::make_unique<frmUploadTo>(state, prompt, shell, services);
        window->setExitHandler([&h] { h.Unload(); });
        flows.push_back(std::make_unique<ZipExport>(state, *window, prompt, shell));
        window->setFlow(Destination::Zip, flows.back().get());
        flows.push_back(std::make_unique<SkypeSender>(state, *window, prompt, shell));
        window->setFlow(Destination::Skype, flows.back().get());
        flows.push_back(std::make_unique<PrintFlow>(state, *window, prompt, shell, services.lifePics,
                                                    printWindows, localPrinter));
        window->setFlow(Destination::Printer, flows.back().get());
        window->setSettingsHandler([&state, &prompt, &shell, &services, main = window.get()] {
            frmSettings settings(state, prompt, shell, services.product.site);
            settings.setApplySkin([main] { main->ApplySkin(); });
            ShowFormModal(state, settings);
        });
        return window;
    });

    host.setTrayFactory([&](frmLoad &h) -> std::unique_ptr<QObject> {
        auto tray = std::make_unique<TrayIcon>(state, prompt, shell, services.product.howItWorks);
        tray->setMainWindow([&h] { return h.mainWindow(); });
        tray->setCallOut([&state](const QString &caption, const QString &message) {
            frmCallOut callOut(state);
            callOut.SetCaption(caption);
            callOut.SetMessage(message);
            ShowFormModal(state, callOut);
        });
        tray->setExitAction([&state, &h] {
            if (state.PhotoTray)
                state.PhotoTray->RemoveAll();
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
