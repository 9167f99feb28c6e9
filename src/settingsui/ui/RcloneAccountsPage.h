#pragma once

#include "rclone/RcloneCommand.h"
#include "rclone/RcloneRoutes.h"
#include "rclone/RcloneSetup.h"

#include <QWidget>

#include <array>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class SignIn;
class UserPrompt;

// The Settings window's cloud accounts: the remotes of the user's rclone
// configuration, a new Dropbox, Google Drive or OneDrive account connected
// through rclone's own sign-in, and for each cloud-folder button whether it
// speaks to the service itself or sends through a remote (its own kind
// first). A
// choice is stored at once, as a re-authorization is. The remotes are asked
// for when the page is first shown (that runs rclone).
class RcloneAccountsPage : public QWidget
{
    Q_OBJECT
public:
    RcloneAccountsPage(RcloneSetup setup, QString settingsFile, SignIn &signIn, UserPrompt &prompt,
                       QWidget *parent = nullptr);

    // Asks rclone for the remotes again and fills the page.
    void refresh();
    // Connects a new account of the kind picked, named as typed.
    void connectAccount();

    QListWidget *remoteList() const { return m_remotes; }
    QComboBox *kindList() const { return m_kind; }
    QLineEdit *nameBox() const { return m_name; }
    QPushButton *connectButton() const { return m_connect; }
    QComboBox *routeList(Service service) const { return m_routes[size_t(service)]; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillRoutes();
    void routeChosen(Service service);

    RcloneSetup m_setup;
    QString m_settingsFile;
    SignIn &m_signIn;
    UserPrompt &m_prompt;
    QList<RcloneRemoteInfo> m_known;
    bool m_loaded = false;
    bool m_filling = false;

    QListWidget *m_remotes = nullptr;
    QComboBox *m_kind = nullptr;
    QLineEdit *m_name = nullptr;
    QPushButton *m_connect = nullptr;
    std::array<QComboBox *, ServiceCount> m_routes{}; // null where no remote stands in
};
