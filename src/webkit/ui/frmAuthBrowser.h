#pragma once

#include "core/ui/ProgramEnd.h"
#include "core/ui/SkinnedDialog.h"
#include "webkit/SignIn.h"

#include <QString>
#include <QStringList>

class QAbstractButton;
class QLabel;
class QTimer;
class QUrl;
class QWebEngineProfile;
class QWebEngineView;
struct ServiceConfig;

namespace platform {
class Shell;
}

// The embedded browser of a page sign-in. It opens ActionURL, watches every
// page that finishes loading and closes itself two seconds after one whose
// address begins with one of the ending prefixes, so the user sees where the
// sign-in ended. Whatever closes it, AuthResult() then holds the address the
// browser showed when that is the success page (for Google the title of a
// page on the accounts site), which is where the connector finds its token
// or code; anywhere else it holds nothing.
//
// The page may not leave through the browser's own shortcuts, and the
// service's sign-up and report pages open in the user's default browser
// instead of replacing the sign-in. The browser goes only to the service's
// own sites and the product's pages, never hands an address to another
// program, and keeps nothing (cookies, cache) from one window to the next.
class frmAuthBrowser : public SkinnedDialog
{
    Q_OBJECT
public:
    // How long a page that ends the sign-in stays on screen.
    static constexpr int CloseDelayMs = 2000;

    frmAuthBrowser(AppState &state, const ServiceConfig &config, platform::Shell &shell,
                   QWidget *parent = nullptr);
    ~frmAuthBrowser() override;

    // 0 Facebook, 1 Google, 2 SkyDrive; other values read as Facebook for
    // the texts (and as "not Google" for the result).
    int Module() const { return m_module; }
    void setModule(int module) { m_module = module; }
    void setSuccessURL(const QString &url) { m_successUrl = url; }
    void setFailedURL(const QString &url) { m_failedUrl = url; }
    void setActionURL(const QString &url) { m_actionUrl = url; }
    // Names the service in the window's texts instead of the Module's: the
    // window also stands in for the user's own browser.
    void setServiceName(const QString &name) { m_serviceName = name; }

    // Esc on the page ends the whole program; tests put a watcher here.
    void setEndProgram(EndProgramAction action) { m_endProgram = std::move(action); }

    // Set each time the window closes; empty when the browser had nothing.
    QString AuthResult() const { return m_authResult; }
    // Whether the last close came from a page that ended the sign-in (rather
    // than from the user).
    bool endedByPage() const { return m_endedByPage; }

    // Whether a finished page at `url` ends the sign-in.
    bool endsSignIn(const QString &url) const;
    // Whether navigating to `url` belongs in the user's own browser.
    bool opensOutside(const QString &url) const;
    // Whether the sign-in's main page may go to `url`.
    bool staysOnSignInSites(const QUrl &url) const;

    QWebEngineView *AuthBrowser() const { return m_browser; }
    QWidget *fraBottom() const { return m_bottom; }
    QLabel *Label1() const { return m_label1; }
    QLabel *Label10() const { return m_label10; }
    QAbstractButton *lblClose() const { return titleCloseButton(); }
    QLabel *imgLeft() const { return m_imgLeft; }
    QLabel *imgCenter() const { return m_imgCenter; }
    QLabel *imgRight() const { return m_imgRight; }

    // The page's own handling of keys, as the window lets it through.
    // True when the window takes the key away from the page.
    bool handlePageKey(const QKeyEvent &event);

    // The browser asks before every navigation; false cancels it.
    bool beforeNavigate(const QUrl &url, bool mainFrame = true);

    void done(int result) override;

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void documentComplete();
    void clearBorder();
    void guardKeys(QObject *target);
    void layoutBar();
    SignInPage page() const;

    const ServiceConfig &m_config;
    platform::Shell &m_shell;
    QWebEngineProfile *m_profile;
    QWebEngineView *m_browser;
    QWidget *m_bottom;
    QLabel *m_imgLeft;
    QLabel *m_imgCenter;
    QLabel *m_imgRight;
    QLabel *m_label1;
    QLabel *m_label10;
    QTimer *m_closeTimer;
    EndProgramAction m_endProgram;

    int m_module = 0;
    QString m_successUrl;
    QString m_failedUrl;
    QString m_actionUrl;
    QString m_serviceName;
    QString m_authResult;
    bool m_endedByPage = false;
    bool m_modalWasOpen = false;
};
