#include "webkit/ui/QtSignIn.h"

#include "core/ui/ShowFormModal.h"
#include "core/ui/frmSck.h"
#include "platform/Shell.h"
#include "webkit/ui/frmAuthBrowser.h"
#include "webkit/ui/frmAuthorize.h"
#include "webkit/ui/frmCompleteAuthorization.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

// The hourglass of a sign-in at work gives way to the arrow while one of
// its windows waits for the user.
class ArrowWhileShown
{
public:
    explicit ArrowWhileShown(bool busy) : m_busy(busy)
    {
        if (m_busy)
            QGuiApplication::restoreOverrideCursor();
    }
    ~ArrowWhileShown()
    {
        if (m_busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ArrowWhileShown(const ArrowWhileShown &) = delete;
    ArrowWhileShown &operator=(const ArrowWhileShown &) = delete;

private:
    bool m_busy;
};

} // namespace

QtSignIn::QtSignIn(AppState &state, const ServiceConfig &config, platform::Shell &shell, QWidget *owner)
    : m_state(state), m_config(config), m_shell(shell), m_owner(owner), m_endProgram(endProgramAction(0))
{
}

QtSignIn::~QtSignIn()
{
    setBusy(false);
}

QString QtSignIn::browse(const SignInPage &page)
{
    closeBusy();
    frmAuthBrowser window(m_state, m_config, m_shell, m_owner);
    window.setEndProgram(m_endProgram);
    window.setModule(int(page.module));
    window.setSuccessURL(page.successUrl);
    window.setFailedURL(page.failedUrl);
    window.setActionURL(page.actionUrl);
    m_browsing = true;
    {
        const ArrowWhileShown arrow(m_busyPointer);
        ShowFormModal(m_state, window);
    }
    m_browsing = false;

    // The Facebook account takes a few more requests after the last page;
    // the user sees that something is still going on.
    if (window.endedByPage() && page.module == SignInModule::Facebook) {
        m_busy = std::make_unique<frmSck>(m_state, m_owner);
        m_busy->SetMessage(frmSck::Busy);
        m_busy->show();
    }
    QCoreApplication::processEvents();
    return window.AuthResult();
}

bool QtSignIn::askAuthorize()
{
    frmAuthorize prompt(m_state, m_owner);
    const ArrowWhileShown arrow(m_busyPointer);
    ShowFormModal(m_state, prompt);
    return prompt.OK();
}

bool QtSignIn::askCompleteAuthorization()
{
    frmCompleteAuthorization prompt(m_state, m_owner);
    const ArrowWhileShown arrow(m_busyPointer);
    ShowFormModal(m_state, prompt);
    return prompt.OK();
}

bool QtSignIn::openInBrowser(const QString &url)
{
    return m_shell.open(url);
}

bool QtSignIn::openInstead(const QString &url, const QString &service)
{
    // No page ends this sign-in: the service's approval is not something
    // the program reads, so the user closes the window when done.
    frmAuthBrowser window(m_state, m_config, m_shell, m_owner);
    window.setEndProgram(m_endProgram);
    window.setServiceName(service);
    window.setActionURL(url);
    m_browsing = true;
    {
        const ArrowWhileShown arrow(m_busyPointer);
        ShowFormModal(m_state, window);
    }
    m_browsing = false;
    return true;
}

void QtSignIn::setBusy(bool busy)
{
    if (busy == m_busyPointer)
        return;
    m_busyPointer = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void QtSignIn::closeBusy()
{
    if (m_busy) {
        m_busy->accept();
        m_busy.reset();
    }
}
