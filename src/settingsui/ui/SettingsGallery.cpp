#include "settingsui/ui/SettingsGallery.h"

#include "core/ui/Gallery.h"
#include "settingsui/ui/frmCallOut.h"

#include <memory>

void registerSettingsWindows(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmCallOut"), [](AppState &state) {
        auto window = std::make_unique<frmCallOut>(state);
        window->SetCaption(QStringLiteral("Active"));
        window->SetMessage(
            QStringLiteral("To access options from the Sys Tray, please close the active form first."));
        return window;
    });
}
