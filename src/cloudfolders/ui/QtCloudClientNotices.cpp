#include "cloudfolders/ui/QtCloudClientNotices.h"

#include "cloudfolders/ui/frmPluginsPrompt.h"
#include "cloudfolders/ui/frmShowUploadPrompt.h"
#include "core/ui/ShowFormModal.h"

void QtCloudClientNotices::showPluginsPrompt(const SyncFolders &folders)
{
    frmPluginsPrompt window(m_state, folders, m_downloads, m_shell, m_parent);
    ShowFormModal(m_state, window);
}

void QtCloudClientNotices::showUploadPrompt()
{
    frmShowUploadPrompt window(m_state, m_parent);
    ShowFormModal(m_state, window);
}
