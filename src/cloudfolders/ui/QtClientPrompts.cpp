#include "cloudfolders/ui/QtClientPrompts.h"

#include "cloudfolders/ui/frmPluginsPrompt.h"
#include "cloudfolders/ui/frmShowUploadPrompt.h"
#include "core/ui/ShowFormModal.h"

void QtClientPrompts::showPluginsPrompt(const SyncFolderPaths &folders)
{
    frmPluginsPrompt window(m_state, folders, m_downloads, m_shell, m_parent);
    ShowFormModal(m_state, window);
}

void QtClientPrompts::showUploadPrompt()
{
    frmShowUploadPrompt window(m_state, m_parent);
    ShowFormModal(m_state, window);
}
