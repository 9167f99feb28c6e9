#include "webkit/ui/QtSignIn.h"

#include "core/ui/ShowFormModal.h"
#include "core/ui/frmSck.h"
#include "platform/Shell.h"
#include "webkit/ui/frmAuthBrowser.h"
#include "webkit/ui/frmAuthorize.h"
#include "webkit/ui/frmCompleteAuthorization.h"

#include <QCoreApplication>

QtSignIn::QtSignIn(AppState &state, const ServiceConfig &config, platform::Shell &shell, QWidget *owner)
    : m_state(state), m_config(config), m_shell(shell), m_owner(owner), m_endProgram(endProgramAction(0))
{
}

QtSignIn::~QtSignIn() = default;

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
    ShowFormModal(m_state, window);
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
    ShowFormModal(m_state, prompt);
    return prompt.OK();
}

bool QtSignIn::askCompleteAuthorization()
{
    frmCompleteAuthorization prompt(m_state, m_owner);
    ShowFormModal(m_state, prompt);
    return prompt.OK();
}

bool QtSignIn::openInBrowser(const QString &url)
{
    return m_shell.open(url);
}

void QtSignIn::closeBusy()
{
    if (m_busy) {
        m_busy->accept();
        m_busy.reset();
    }
}
