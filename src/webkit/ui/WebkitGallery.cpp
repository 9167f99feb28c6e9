#include "webkit/ui/WebkitGallery.h"

#include "core/ui/Gallery.h"
#include "platform/Shell.h"
#include "webkit/ServiceConfig.h"
#include "webkit/ui/frmAuthBrowser.h"
#include "webkit/ui/frmAuthorize.h"
#include "webkit/ui/frmCompleteAuthorization.h"

namespace {

class NoShell : public platform::Shell
{
public:
    bool open(const QString &) override { return false; }
    bool startProgram(const QString &, const QString &, const QString &) override { return false; }
};

// What the browser window needs, made before the window itself.
struct PictureWorld
{
    ServiceConfig config = ServiceConfig::defaults();
    NoShell shell;
};

// The browser window is drawn with its frame, bar and texts; the page itself
// stays empty, as nothing is fetched for a picture.
class AuthBrowserPicture : private PictureWorld, public frmAuthBrowser
{
public:
    AuthBrowserPicture(AppState &state, int module) : frmAuthBrowser(state, config, shell)
    {
        setModule(module);
        setEndProgram([] {});
    }
};

} // namespace

void registerWebkitWindows(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmAuthBrowser-Facebook"),
                [](AppState &s) { return std::make_unique<AuthBrowserPicture>(s, 0); });
    gallery.add(QStringLiteral("frmAuthBrowser-Google"),
                [](AppState &s) { return std::make_unique<AuthBrowserPicture>(s, 1); });
    gallery.add(QStringLiteral("frmAuthBrowser-SkyDrive"),
                [](AppState &s) { return std::make_unique<AuthBrowserPicture>(s, 2); });
    gallery.add(QStringLiteral("frmAuthorize"),
                [](AppState &s) { return std::make_unique<frmAuthorize>(s); });
    gallery.add(QStringLiteral("frmCompleteAuthorization"),
                [](AppState &s) { return std::make_unique<frmCompleteAuthorization>(s); });
}
