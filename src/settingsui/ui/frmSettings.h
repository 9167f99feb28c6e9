#pragma once

#include "core/ui/SkinnedDialog.h"
#include "webkit/Service.h"

#include <QStringList>

#include <array>
#include <functional>

class LinkLabel;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class UserPrompt;
namespace platform {
class Shell;
}

// The Settings window: the skin, the default upload size and whether photos
// leave with their location and camera details, re-authorizing each online
// service, and the About page. OK applies and stores the skin, the size and
// the switch; re-authorizing writes the settings at once, OK or not.
class frmSettings : public SkinnedDialog
{
    Q_OBJECT
public:
    // The menu's pages, numbered as its buttons are.
    enum Page
    {
        SkinPage = 0,
        AuthorizationPage = 1,
        AboutPage = 3,
        CloudPage = 4,
        UploadPage = 5
    };

    frmSettings(AppState &state, UserPrompt &prompt, platform::Shell &shell, QString productSite,
                QWidget *parent = nullptr);

    // Repaints the main window in the current skin (run by OK once stored).
    void setApplySkin(std::function<void()> applySkin) { m_applySkin = std::move(applySkin); }
    // A fresh sign-in with `service`, run after its stored authorization
    // was emptied; returns whether it succeeded. Without one the button
    // only empties the keys and reports the failure.
    void setSignIn(Service service, std::function<bool()> signIn)
    {
        m_signIns[size_t(service)] = std::move(signIn);
    }
    // Forgets which photos were sent where; false when it could not. The
    // Flazz page's button runs it at once, OK or not. Without one the button
    // is hidden.
    void setClearHistory(std::function<bool()> clear);

    // What the Authorization page says beside a service's button: whether
    // it is signed in, and as which account where the settings keep one.
    static QString accountText(const QString &settingsFile, Service service);

    void btnMode_Click(int index);
    void btnAction_Click(); // OK
    // `index` numbers the services as the Authorization page's buttons do.
    void btnRevoke_Click(int index);

    QComboBox *cboSkin() const { return m_cboSkin; }
    QComboBox *cboUploadSize() const { return m_cboUploadSize; }
    // Starting Flazz in the tray at log-in; OK writes or removes the entry.
    QCheckBox *chkStartAtLogin() const { return m_chkStartAtLogin; }
    QCheckBox *chkKeepMetadata() const { return m_chkKeepMetadata; }
    QPushButton *cmdClearHistory() const { return m_cmdClearHistory; }
    QPushButton *btnMode(int index) const;
    QPushButton *btnRevoke(int index) const { return m_btnRevoke.at(size_t(index)); }
    QLabel *lblAccount(int index) const { return m_lblAccount.at(size_t(index)); }
    QPushButton *btnAction() const { return m_btnAction; }
    QPushButton *cmdCancel() const { return m_cmdCancel; }
    LinkLabel *btnClose() const { return m_btnClose; }
    LinkLabel *link() const { return m_label4; }
    QLabel *lblVersion() const { return m_lblVersion; }
    // The page shown, or -1.
    int currentPage() const;
    // A page's frame, below its title; the cloud accounts page is filled by
    // whoever knows the accounts.
    QFrame *page(Page page) const { return m_pages[size_t(page)]; }

protected:
    void Form_Load() override;

private:
    QFrame *addPage(const QString &name, const QString &title);
    void FillSettingsLists();
    void cboUploadSize_Click(int index);
    void showAccounts();

    UserPrompt &m_prompt;
    platform::Shell &m_shell;
    QString m_productSite;
    std::function<void()> m_applySkin;
    std::array<std::function<bool()>, ServiceCount> m_signIns;
    std::function<bool()> m_clearHistory;
    bool m_filling = false;

    std::array<QPushButton *, 6> m_btnMode{};
    std::array<QFrame *, 6> m_pages{};
    QComboBox *m_cboSkin = nullptr;
    QComboBox *m_cboUploadSize = nullptr;
    QCheckBox *m_chkStartAtLogin = nullptr;
    QCheckBox *m_chkKeepMetadata = nullptr;
    QPushButton *m_cmdClearHistory = nullptr;
    std::array<QPushButton *, ServiceCount> m_btnRevoke{};
    std::array<QLabel *, ServiceCount> m_lblAccount{};
    QPushButton *m_btnAction = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    LinkLabel *m_btnClose = nullptr;
    LinkLabel *m_label4 = nullptr;
    QLabel *m_lblVersion = nullptr;
};
