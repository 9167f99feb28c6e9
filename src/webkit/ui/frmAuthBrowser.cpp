#include "webkit/ui/frmAuthBrowser.h"

#include "core/AppState.h"
#include "core/Skin.h"
#include "core/ui/SkinArt.h"
#include "core/ui/Twips.h"
#include "platform/Shell.h"
#include "platform/ui/WindowTools.h"
#include "webkit/ServiceConfig.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

constexpr int kWidth = twips(12000);
constexpr int kHeight = twips(9900);
constexpr int kBarHeight = twips(1050);
constexpr int kBarCapWidth = twips(240);
constexpr int kLabelIndent = twips(330);
constexpr int kCloseFromRight = twips(70);

struct ModuleTexts
{
    const char *connecting;
    const char *credentials;
};

ModuleTexts textsFor(int module)
{
    switch (module) {
    case 1:
        return {"Flazz is establishing a connection with Google. Depending on your Internet connection, this "
                "may take a while. Please do be patient.",
                "This program does not store your Google credentials."};
    case 2:
        return {"Flazz is establishing a connection with Skydrive. Depending on your Internet connection, "
                "this may take a while. Please do be patient.",
                "This program does not store your Skydrive credentials."};
    default:
        return {"Flazz is establishing a connection with Facebook. Depending on your Internet connection, "
                "this may take a while. Please do be patient.",
                "This program does not store your Facebook credentials."};
    }
}

// The browser tells the window about every navigation before it happens.
class AuthPage : public QWebEnginePage
{
public:
    AuthPage(frmAuthBrowser *window, QWebEngineProfile *profile, QObject *parent)
        : QWebEnginePage(profile, parent), m_window(window)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        return m_window->beforeNavigate(url, isMainFrame);
    }
    // A sign-in never opens a second window. A link meant for one still
    // reaches the window's rule, so a sign-up page opens in the user's own
    // browser however the service links to it.
    QWebEnginePage *createWindow(WebWindowType) override;

private:
    frmAuthBrowser *m_window;
};

// Stands in for a new window for the length of its first navigation, which
// it hands to the window's rule and then cancels.
class PopupPage : public QWebEnginePage
{
public:
    PopupPage(frmAuthBrowser *window, QWebEngineProfile *profile, QObject *parent)
        : QWebEnginePage(profile, parent), m_window(window)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        m_window->beforeNavigate(url);
        deleteLater();
        return false;
    }

private:
    frmAuthBrowser *m_window;
};

QWebEnginePage *AuthPage::createWindow(WebWindowType)
{
    return new PopupPage(m_window, profile(), this);
}

// One piece of the bottom bar: the skin's colours top to bottom, a light
// edge along the top, and rounded outer corners on the end pieces.
QPixmap barPiece(int skin, int width, int height, Qt::Edge roundSide, bool round)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0, Skin::backgroundTop(skin).lighter(106));
    fill.setColorAt(1, Skin::backgroundBottom(skin));
    const QRectF area(0, 0, width, height);
    if (round) {
        // Only the bottom outer corner is round: it is the window's own corner.
        const qreal r = SkinArt::CornerRadius;
        const bool left = roundSide == Qt::LeftEdge;
        QPainterPath shape;
        shape.addRoundedRect(area.adjusted(left ? 0 : -r, -r, left ? r : 0, 0), r, r);
        p.setClipRect(area);
        p.fillPath(shape, fill);
    } else {
        p.fillRect(area, fill);
    }
    p.setPen(QPen(Skin::accentColor(skin), 2));
    p.drawLine(QPointF(0, 1), QPointF(width, 1));
    return pixmap;
}

// The browser's own ways to leave or reload the sign-in page: Ctrl+K to
// Ctrl+O and F5.
bool isSwallowed(const QKeyEvent &event)
{
    const int key = event.key();
    if (key == Qt::Key_F5)
        return true;
    return event.modifiers().testFlag(Qt::ControlModifier) && key >= Qt::Key_K && key <= Qt::Key_O;
}

} // namespace

frmAuthBrowser::frmAuthBrowser(AppState &state, const ServiceConfig &config, platform::Shell &shell,
                               QWidget *parent)
    : SkinnedDialog(state, parent), m_config(config), m_shell(shell),
      // Without a storage name the profile is off the record: what one
      // sign-in leaves (cookies above all) is gone with its window.
      m_profile(new QWebEngineProfile(this)), m_browser(new QWebEngineView(this)),
      m_bottom(new QWidget(this)), m_imgLeft(new QLabel(m_bottom)), m_imgCenter(new QLabel(m_bottom)),
      m_imgRight(new QLabel(m_bottom)), m_label1(new QLabel(m_bottom)), m_label10(new QLabel(m_bottom)),
      m_closeTimer(new QTimer(this)), m_endProgram(endProgramAction(0))
{
    // frmInternetConnection looks for this window by name.
    setObjectName(QStringLiteral("frmAuthBrowser"));
    setWindowTitle(QStringLiteral("Authorize"));
    titleLabel()->setText(QStringLiteral("Authorize"));
    setCursor(Qt::ArrowCursor);

    titleCloseButton()->setObjectName(QStringLiteral("lblClose"));
    titleCloseButton()->setToolTip(QStringLiteral("Exit"));

    m_browser->setObjectName(QStringLiteral("AuthBrowser"));
    // An address of another scheme (mail, another program's) would be
    // handed to the desktop; a sign-in has no business there.
    m_profile->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    m_browser->setPage(new AuthPage(this, m_profile, m_browser));
    m_browser->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_browser, &QWebEngineView::loadFinished, this, [this](bool) { documentComplete(); });
    guardKeys(m_browser);

    m_bottom->setObjectName(QStringLiteral("fraBottom"));
    m_imgLeft->setObjectName(QStringLiteral("imgLeft"));
    m_imgCenter->setObjectName(QStringLiteral("imgCenter"));
    m_imgRight->setObjectName(QStringLiteral("imgRight"));
    m_imgCenter->setScaledContents(true);
    m_imgLeft->setPixmap(barPiece(skin(), kBarCapWidth, kBarHeight, Qt::LeftEdge, true));
    m_imgCenter->setPixmap(barPiece(skin(), 8, kBarHeight, Qt::LeftEdge, false));
    m_imgRight->setPixmap(barPiece(skin(), kBarCapWidth, kBarHeight, Qt::RightEdge, true));

    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label10->setObjectName(QStringLiteral("Label10"));
    for (QLabel *label : {m_label1, m_label10}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->raise();
    }
    QFont note = m_label10->font();
    note.setItalic(true);
    m_label10->setFont(note);

    m_closeTimer->setSingleShot(true);
    m_closeTimer->setInterval(CloseDelayMs);
    m_closeTimer->setTimerType(Qt::PreciseTimer);
    connect(m_closeTimer, &QTimer::timeout, this, [this] {
        m_endedByPage = true;
        accept();
    });

    resize(kWidth, kHeight);
}

frmAuthBrowser::~frmAuthBrowser()
{
    // The page must go before the profile it lives in.
    delete m_browser;
}

void frmAuthBrowser::Form_Load()
{
    const ModuleTexts texts = textsFor(m_module);
    m_label1->setText(QString::fromUtf8(texts.connecting));
    m_label10->setText(QString::fromUtf8(texts.credentials));
    if (!m_serviceName.isEmpty()) {
        m_label1->setText(u"Flazz is establishing a connection with " + m_serviceName +
                          u". Depending on your Internet connection, this may take a while. Please do be "
                          u"patient. Close this window once you have authorized Flazz.");
        m_label10->setText(u"This program does not store your " + m_serviceName + u" credentials.");
    }
    m_endedByPage = false;
    m_browser->setUrl(QUrl(m_actionUrl));
    clearBorder();
    m_modalWasOpen = state().ModalFormOpen;
    state().ModalFormOpen = true;
}

void frmAuthBrowser::Form_Unload()
{
    state().ModalFormOpen = m_modalWasOpen;
}

void frmAuthBrowser::showEvent(QShowEvent *event)
{
    SkinnedDialog::showEvent(event);
    if (QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    platform::SetTopMostWindow(this);
}

void frmAuthBrowser::done(int result)
{
    // Every way out leaves where the browser was, even a half-done sign-in:
    // the connector decides whether there is anything to find in it.
    if (isVisible()) {
        m_closeTimer->stop();
        m_authResult = page().result(m_browser->url().toString(), m_browser->title());
    }
    SkinnedDialog::done(result);
}

SignInPage frmAuthBrowser::page() const
{
    SignInPage page;
    // Values other than the three services read as Facebook.
    page.module = m_module == 1   ? SignInModule::Google
                  : m_module == 2 ? SignInModule::SkyDrive
                                  : SignInModule::Facebook;
    page.actionUrl = m_actionUrl;
    page.successUrl = m_successUrl;
    page.failedUrl = m_failedUrl;
    return page;
}

bool frmAuthBrowser::endsSignIn(const QString &url) const
{
    return page().endsAt(url, {m_config.dropbox.web + QStringLiteral("/home")});
}

bool frmAuthBrowser::staysOnSignInSites(const QUrl &url) const
{
    const QString address = url.toString();
    QStringList sites = {m_actionUrl,
                         m_successUrl,
                         m_failedUrl,
                         m_config.product.site,
                         m_config.product.brandSite,
                         m_config.product.howItWorks,
                         m_config.product.ads};
    switch (m_serviceName.isEmpty() ? m_module : -1) {
    case -1:
        break; // the page's own site only
    case 1:
        sites << m_config.google.accounts;
        break;
    case 2:
        sites << m_config.live.login;
        break;
    default:
        sites << m_config.facebook.web << m_config.facebook.loginPages;
        break;
    }
    for (const QString &site : sites) {
        if (!site.isEmpty() && onSiteOf(address, site))
            return true;
    }
    return false;
}

bool frmAuthBrowser::opensOutside(const QString &url) const
{
    const QUrl web(m_config.facebook.web);
    const QString host = web.authority().toLower();
    const QString address = url.toLower();
    const QStringList prefixes = {
        QStringLiteral("http://") + host + QStringLiteral("/r.php?api_key"),
        QStringLiteral("https://") + host + QStringLiteral("/r.php?api_key"),
        (m_config.facebook.web + QStringLiteral("/dialog/report.application/")).toLower(),
    };
    for (const QString &prefix : prefixes) {
        if (address.startsWith(prefix))
            return true;
    }
    return false;
}

bool frmAuthBrowser::beforeNavigate(const QUrl &url, bool mainFrame)
{
    clearBorder();
    const QString address = url.toString();
    if (opensOutside(address)) {
        m_shell.open(address);
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == u"about")
        return true;
    if (scheme == u"data")
        return !mainFrame;
    if (scheme != u"http" && scheme != u"https")
        return false;
    // A page that sends the sign-in elsewhere is not followed: the user's
    // credentials and the token are for the service alone. Frames inside a
    // service's page are the service's business; only the address of the
    // page itself is ever read.
    return !mainFrame || staysOnSignInSites(url);
}

void frmAuthBrowser::documentComplete()
{
    clearBorder();
    // A second ending page during the wait changes nothing: the first one
    // already decided.
    if (m_closeTimer->isActive() || !isVisible())
        return;
    if (endsSignIn(m_browser->url().toString()))
        m_closeTimer->start();
}

void frmAuthBrowser::clearBorder()
{
    m_browser->page()->runJavaScript(
        QStringLiteral("if (document.body) document.body.style.borderWidth = '0';"));
}

bool frmAuthBrowser::handlePageKey(const QKeyEvent &event)
{
    if (event.key() == Qt::Key_Escape) {
        if (event.type() == QEvent::KeyPress && m_endProgram)
            m_endProgram();
        return true;
    }
    return isSwallowed(event);
}

void frmAuthBrowser::guardKeys(QObject *target)
{
    target->installEventFilter(this);
    // The browser types into child widgets it creates as pages render.
    const QObjectList children = target->children();
    for (QObject *child : children) {
        if (child->isWidgetType())
            guardKeys(child);
    }
}

bool frmAuthBrowser::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded: {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
        break;
    }
    case QEvent::ContextMenu:
        event->accept();
        return true;
    case QEvent::ShortcutOverride: {
        // Claims the key so it arrives as a key press, where it is handled.
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (keyEvent->key() == Qt::Key_Escape || isSwallowed(*keyEvent)) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (handlePageKey(*static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return SkinnedDialog::eventFilter(watched, event);
}

void frmAuthBrowser::keyPressEvent(QKeyEvent *event)
{
    if (handlePageKey(*event)) {
        event->accept();
        return;
    }
    SkinnedDialog::keyPressEvent(event);
}

void frmAuthBrowser::resizeEvent(QResizeEvent *event)
{
    SkinnedDialog::resizeEvent(event);
    const int top = titleBarShown() ? TitleBarHeight : 0;
    m_browser->setGeometry(0, top, width(), qMax(0, height() - top - kBarHeight));
    m_bottom->setGeometry(0, height() - kBarHeight, width(), kBarHeight);
    layoutBar();
    QAbstractButton *close = titleCloseButton();
    close->move(width() - close->width() - kCloseFromRight, close->y());
}

void frmAuthBrowser::layoutBar()
{
    const int w = m_bottom->width();
    const int h = m_bottom->height();
    m_imgLeft->setGeometry(0, 0, kBarCapWidth, h);
    m_imgRight->setGeometry(qMax(kBarCapWidth, w - kBarCapWidth), 0, kBarCapWidth, h);
    m_imgCenter->setGeometry(kBarCapWidth, 0, qMax(0, w - 2 * kBarCapWidth), h);

    QPalette palette = m_label1->palette();
    palette.setColor(QPalette::WindowText, Skin::textColor(skin()));
    const int left = m_imgLeft->x() + kLabelIndent;
    const int textWidth = qMax(0, w - left - kLabelIndent);
    m_label1->setPalette(palette);
    m_label10->setPalette(palette);
    m_label1->setGeometry(left, twips(90), textWidth, twips(540));
    m_label10->setGeometry(left, twips(660), textWidth, twips(300));
}
