#pragma once

#include "cloudfolders/flows/CloudClientNotices.h"
#include "webkit/ServiceConfig.h"

class QWidget;
struct AppState;
namespace platform {
class Shell;
}

// The desktop-client prompts as skinned modal windows over `parent`.
class QtCloudClientNotices : public CloudClientNotices
{
public:
    QtCloudClientNotices(AppState &state, ServiceConfig::DesktopClients downloads, platform::Shell &shell,
                         QWidget *parent = nullptr)
        : m_state(state), m_downloads(std::move(downloads)), m_shell(shell), m_parent(parent)
    {
    }

    void showPluginsPrompt(const SyncFolders &folders) override;
    void showUploadPrompt() override;

private:
    AppState &m_state;
    ServiceConfig::DesktopClients m_downloads;
    platform::Shell &m_shell;
    QWidget *m_parent;
};
