#pragma once

#include "cloudfolders/flows/CloudClientNotices.h"
#include "core/ui/SkinnedDialog.h"
#include "webkit/ServiceConfig.h"

class QCheckBox;
class QLabel;
class QPushButton;
namespace platform {
class Shell;
}

// Tells the user which of the three desktop clients are installed and offers
// the download page of each missing one. Its check box switches it off for
// good.
class frmPluginsPrompt : public SkinnedDialog
{
    Q_OBJECT
public:
    frmPluginsPrompt(AppState &state, SyncFolders folders, ServiceConfig::DesktopClients downloads,
                     platform::Shell &shell, QWidget *parent = nullptr);

    QLabel *lblMessage() const { return m_message; }
    QLabel *lblSkydrive() const { return m_skyDrive; }
    QLabel *lblgdrive() const { return m_googleDrive; }
    QLabel *lbldropbox() const { return m_dropbox; }
    QLabel *lblskydrivedownload() const { return m_skyDriveDownload; }
    QLabel *lblgdrivedownload() const { return m_googleDriveDownload; }
    QLabel *lbldropboxdownload() const { return m_dropboxDownload; }
    QCheckBox *chkDoNotShowMeAgain() const { return m_doNotShow; }
    QPushButton *cmdOK() const { return m_ok; }

protected:
    void Form_Load() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cmdOK_Click();
    QLabel *downloadLink(const QString &name, int top);

    SyncFolders m_folders;
    ServiceConfig::DesktopClients m_downloads;
    platform::Shell &m_shell;
    QLabel *m_message;
    QLabel *m_skyDrive;
    QLabel *m_googleDrive;
    QLabel *m_dropbox;
    QLabel *m_skyDriveDownload;
    QLabel *m_googleDriveDownload;
    QLabel *m_dropboxDownload;
    QCheckBox *m_doNotShow;
    QPushButton *m_ok;
};
