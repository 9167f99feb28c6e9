#include "app/ProgramWiring.h"

#include "core/AppState.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/TrayIcon.h"
#include "core/ui/frmLoad.h"
#include "photoset/SkypeSender.h"
#include "photoset/ZipExport.h"
#include "photoset/clsTray.h"
#include "photoset/ui/frmUploadTo.h"
#include "settingsui/ui/frmCallOut.h"

ProgramWiring::ProgramWiring(AppState &state, UserPrompt &prompt, platform::Shell &shell,
                             ServiceConfig services)
    : m_state(state), m_prompt(prompt), m_shell(shell), m_services(std::move(services))
{
}

ProgramWiring::~ProgramWiring() = default;

void ProgramWiring::plugInto(frmLoad &host)
{
    host.setMainWindowFactory([this](frmLoad &h) { return makeMainWindow(h); });
    host.setTrayFactory([this](frmLoad &h) { return makeTray(h); });
}

std::unique_ptr<QWidget> ProgramWiring::makeMainWindow(frmLoad &host)
{
    auto window = std::make_unique<frmUploadTo>(m_state, m_prompt, m_shell, m_services);
    window->setExitHandler([&host] { host.Unload(); });
    const auto plug = [&](Destination destination, std::unique_ptr<DestinationFlow> flow) {
        window->setFlow(destination, flow.get());
        m_flows.push_back(std::move(flow));
    };
    plug(Destination::Zip, std::make_unique<ZipExport>(m_state, *window, m_prompt, m_shell));
    plug(Destination::Skype, std::make_unique<SkypeSender>(m_state, *window, m_prompt, m_shell));
    return window;
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
    return tray;
}
