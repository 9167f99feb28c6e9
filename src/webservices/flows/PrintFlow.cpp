#include "webservices/flows/PrintFlow.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/UserPrompt.h"
#include "photoset/ArchiveFlow.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "platform/Shell.h"
#include "webservices/clsLifePics.h"
#include "webservices/flows/LifePicsView.h"
#include "webservices/flows/LocalPrinter.h"
#include "webservices/flows/PrintWindows.h"

#include <QScopeGuard>

PrintFlow::PrintFlow(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
                     ServiceConfig::LifePics config, PrintWindows &windows, LocalPrinter &local)
    : m_state(state), m_window(window), m_prompt(prompt), m_shell(shell), m_config(std::move(config)),
      m_windows(windows), m_local(local)
{
}

PrintFlow::~PrintFlow() = default;

QStringList PrintFlow::paths() const
{
    return m_state.PhotoTray ? PhotoPaths(*m_state.PhotoTray) : QStringList();
}

void PrintFlow::run()
{
    // The print window is modal, but the tray can still bring up the main
    // window: a second press must not open a second print window.
    if (m_running)
        return;
    if (!m_state.PhotoTray || m_state.PhotoTray->Count() == 0) {
        funcMessageDisplay(m_state, m_prompt, MessageNo::EmptyPhotoSet);
        return;
    }
    m_running = true;
    m_sent = false;
    {
        const auto stopped = qScopeGuard([this] {
            m_window.setWindowEnabled(true);
            m_running = false;
        });
        m_window.ApplyDescription();
        m_window.setWindowEnabled(false);
        m_windows.showPrinter(*this);
    }
    if (m_sent)
        m_prompt.done();
}

bool PrintFlow::printOnline()
{
    m_photoList = paths().join(u'\t');
    m_cancel = false;
    clsLifePics::Hooks hooks;
    hooks.statusChange = [this](const QString &text) {
        if (m_view) {
            m_view->setStatus(text);
            m_view->processEvents();
        }
    };
    hooks.uploadFileCount = [this](int) {
        if (m_view) {
            m_view->stepMeter();
            m_view->processEvents();
        }
    };
    hooks.cancelled = [this] { return m_cancel; };
    hooks.pump = [this] {
        if (m_view)
            m_view->processEvents();
    };
    // One connector for the life of the sign-in window: the ids of what it
    // uploaded stay with it.
    clsLifePics lifePics(m_config, m_state, m_prompt, std::move(hooks));
    m_lifePics = &lifePics;
    const auto gone = qScopeGuard([this] { m_lifePics = nullptr; });
    m_windows.showLifePics(*this);
    return m_sent;
}

void PrintFlow::printLocally()
{
    m_local.print(paths());
}

QString PrintFlow::storedEmail() const
{
    return SettingsStore(m_state.SettingsFile)
        .readOr(QString::fromLatin1(SettingsKey::LifePicsMail))
        .trimmed();
}

bool PrintFlow::login(LifePicsView &view)
{
    if (!m_lifePics)
        return false;
    if (!m_state.InternetAvailable) {
        m_prompt.internetConnectionError();
        return false;
    }
    clsLifePics &lifePics = *m_lifePics;
    m_report = {};
    m_view = &view;
    const auto detached = qScopeGuard([this] { m_view = nullptr; });
    const QString title = QStringLiteral("Flazz");
    const int info = MsgStyle::OkOnly | MsgStyle::Information;

    view.SetBusy(true);
    const int count = m_photoList.isEmpty() ? 0 : int(m_photoList.count(u'\t')) + 1;
    view.setMeter(0, 0, count + 1);
    if (!lifePics.InitiateSession()) {
        m_report.problem = lifePics.LastError();
        m_prompt.systemMessage(
            u"Failed to initiate session with " + m_config.serviceName + u". Try again later.", info, title);
        view.SetBusy(false);
        return false;
    }
    if (!lifePics.GetUserId(view.email(), view.password())) {
        m_report.problem = lifePics.LastError();
        if (lifePics.LastFailedToConnect())
            m_prompt.internetConnectionError();
        else
            m_prompt.systemMessage(u"Unable to Authenticate with " + m_config.serviceName +
                                       u".\r\nPlease check E-mail/Password and try again.",
                                   info, title);
        view.SetBusy(false);
        return false;
    }
    SettingsStore(m_state.SettingsFile)
        .write(QString::fromLatin1(SettingsKey::LifePicsMail), view.email().trimmed());

    m_report.signedIn = true;

    view.setMeter(0, 1, count + 1);
    m_report.uploaded = lifePics.UploadFiles(m_photoList);
    m_report.leftOut = lifePics.FilesLeftOut();
    if (m_report.uploaded) {
        m_report.cart = lifePics.AddImagesToCart();
        if (!m_report.cart.isEmpty())
            m_shell.open(m_report.cart);
        else if (lifePics.LastFailedToConnect())
            m_prompt.internetConnectionError();
    }
    if (!m_report.uploaded || m_report.cart.isEmpty())
        m_report.problem = lifePics.LastError();
    lifePics.TerminateSession();
    view.SetBusy(false);
    m_sent = true;
    return true;
}

void PrintFlow::cancelPressed()
{
    if (m_prompt.confirm(QStringLiteral("Are you sure?"), true, true, false) == MsgBoxCode::Yes)
        m_cancel = true;
}

void PrintFlow::openCreateAccount()
{
    m_shell.open(m_config.site + u"/Order-Prints.asp?psrc=" + m_config.partnerSourceId);
}

void PrintFlow::openPasswordFinder()
{
    m_shell.open(m_config.site + u"/Help/passwordfinder.aspx");
}
