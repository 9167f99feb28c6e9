#include "app/AppStartupWindows.h"
#include "app/ProgramWiring.h"

#include "core/AppState.h"
#include "core/Version.h"
#include "core/app/InternetCheck.h"
#include "core/app/Startup.h"
#include "core/ui/QtUserPrompt.h"
#include "core/ui/SkinArt.h"
#include "core/ui/frmLoad.h"
#include "platform/Shell.h"
#include "webkit/ServiceConfig.h"

#include "imaging/cGDIpToken.h"
#include "photoset/clsTray.h"
#include "photoset/ui/frmSkypePath.h"

#include <QApplication>

#include <memory>

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

// The arguments as start-up sees them: after the program's name, without the
// options that only point the build at other service addresses.
QStringList programArguments(QStringList arguments)
{
    arguments.removeFirst();
    for (int i = 0; i < arguments.size();) {
        if (arguments.at(i) == QLatin1String("--services")) {
            arguments.remove(i, qMin(2, int(arguments.size()) - i));
        } else if (arguments.at(i).startsWith(QLatin1String("--services="))) {
            arguments.remove(i);
        } else {
            ++i;
        }
    }
    return arguments;
}

// The background uploader is pointed at the same services as the program.
QStringList uploaderArguments(const QStringList &arguments)
{
    const QString services = ServiceConfig::overridePath(arguments);
    return services.isEmpty() ? QStringList() : QStringList{QStringLiteral("--services"), services};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Flazz"));
    QApplication::setOrganizationName(QStringLiteral("Korvantis"));
    QApplication::setApplicationVersion(QLatin1String(Version::Text));
    // Ties the windows and the tray icon to the installed menu entry.
    QApplication::setDesktopFileName(QLatin1String(Version::AppId));
    QApplication::setWindowIcon(SkinArt::appIcon());
    // The program lives on in the tray when its last window is hidden; it
    // ends only through Exit.
    app.setQuitOnLastWindowClosed(false);

    QString unreadable;
    const ServiceConfig services = ServiceConfig::load(app.arguments(), &unreadable);
    AppState state;
    ProcessObjects objects;
    QtUserPrompt prompt(state);
    if (!unreadable.isEmpty()) {
        // Going on with the built-in addresses would send the photos to the
        // real services when the user meant them to go elsewhere.
        prompt.systemMessage(unreadable + QStringLiteral(".\r\nFlazz cannot start without it."),
                             MsgStyle::Critical, QStringLiteral("Flazz"));
        return 1;
    }
    platform::DesktopShell shell;
    QtSkypeLocator skypeLocator(state, prompt);
    // Declared before the host: it owns the flows the main window runs.
    ProgramWiring wiring(state, prompt, skypeLocator, shell, services, uploaderArguments(app.arguments()));
    prompt.setAuthBrowserShowing([&wiring] { return wiring.signInBrowserShowing(); });

    frmLoad host(state);
    host.setInternetCheck(std::make_unique<InternetCheck>(state, services));
    wiring.plugInto(host);

    AppStartupWindows windows(state, host);
    Startup startup(state, prompt, windows);
    startup.setCreateProcessObjects([&objects](AppState &s) { objects.create(s); });
    startup.setOpenPaths([&wiring, &host](const QStringList &paths) { wiring.openPaths(host, paths); });
    if (startup.Main(programArguments(app.arguments())) == Startup::Outcome::Ended)
        return 0;
    wiring.resumeUploads();
    return app.exec();
}
