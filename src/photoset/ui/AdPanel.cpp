#include "photoset/ui/AdPanel.h"

#include "unicodeinput/ui/PromptText.h"
#include "webkit/WebRequest.h"

#include <QChildEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

#ifdef QT_WEBENGINEWIDGETS_LIB
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

namespace {

// How long the start-up may wait for the online page before the local one
// is shown instead.
constexpr int kAdTimeoutMs = 4000;

bool webEngineWanted()
{
#ifdef QT_WEBENGINEWIDGETS_LIB
    if (qEnvironmentVariableIntValue("FLAZZ_NO_WEBENGINE") == 1)
        return false;
    return QGuiApplication::platformName() != QLatin1String("offscreen");
#else
    return false;
#endif
}

#ifdef QT_WEBENGINEWIDGETS_LIB
class AdPage : public QWebEnginePage
{
public:
    AdPage(const AdPanel *panel, QObject *parent) : QWebEnginePage(parent), m_panel(panel) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        return m_panel->allowsNavigation(url);
    }
    // Pop-ups and new windows never open from an advertisement.
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }

private:
    const AdPanel *m_panel;
};
#endif

const QString kBodyStyle =
    QStringLiteral("document.body.style.borderWidth='0';document.body.style.margin='0 0 0 0';"
                   "document.body.style.overflow='hidden';document.body.scroll='no';");

} // namespace

AdPanel::AdPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("wbAds"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
#ifdef QT_WEBENGINEWIDGETS_LIB
    if (webEngineWanted()) {
        m_web = new QWebEngineView(this);
        m_web->setPage(new AdPage(this, m_web));
        m_web->setContextMenuPolicy(Qt::NoContextMenu);
        connect(m_web, &QWebEngineView::loadFinished, this,
                [this](bool) { m_web->page()->runJavaScript(kBodyStyle); });
        layout->addWidget(m_web);
        guardKeys(m_web);
        return;
    }
#endif
    m_text = new QTextBrowser(this);
    m_text->setOpenLinks(false);
    m_text->setOpenExternalLinks(false);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setContextMenuPolicy(Qt::NoContextMenu);
    layout->addWidget(m_text);
    guardKeys(m_text);
}

bool AdPanel::usesWebEngine() const
{
    return m_web != nullptr;
}

AdPanel::Answer AdPanel::httpGet(const QString &url)
{
    WebRequest request;
    request.setTimeoutMs(kAdTimeoutMs);
    try {
        request.open(QStringLiteral("GET"), url);
        request.send();
    } catch (const WebRequestError &) {
        return {};
    }
    return {request.status(), request.responseBody()};
}

void AdPanel::load(const QString &onlineUrl, const QString &localFile, const Fetch &fetch)
{
    m_local = QUrl::fromLocalFile(localFile);
    Answer answer;
    if (!onlineUrl.isEmpty() && fetch)
        answer = fetch(onlineUrl);
    m_online = answer.status == 200;
    m_page = m_online ? QUrl(onlineUrl) : m_local;

#ifdef QT_WEBENGINEWIDGETS_LIB
    if (m_web) {
        m_web->load(m_page);
        return;
    }
#endif
    if (m_online) {
        m_text->setHtml(QString::fromUtf8(answer.body));
        return;
    }
    QFile file(localFile);
    if (file.open(QIODevice::ReadOnly))
        m_text->setHtml(QString::fromUtf8(file.readAll()));
    else
        m_text->clear();
}

bool AdPanel::allowsNavigation(const QUrl &target) const
{
    const auto same = [](const QUrl &a, const QUrl &b) {
        return !b.isEmpty() && a.adjusted(QUrl::RemoveFragment) == b.adjusted(QUrl::RemoveFragment);
    };
    return same(target, m_page) || same(target, m_local);
}

bool AdPanel::isRefusedKey(const QKeyEvent &event)
{
    return isKeyAmong(event, {Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_M,
                              Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_O, QKeyCombination(Qt::Key_F5)});
}

void AdPanel::guardKeys(QObject *target)
{
    target->installEventFilter(this);
    // The web engine types into a child widget it creates later; guard that too.
    for (QObject *child : target->children()) {
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
}

bool AdPanel::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded: {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
        break;
    }
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (isRefusedKey(*static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
