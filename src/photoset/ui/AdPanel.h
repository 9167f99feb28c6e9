#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

class QTextBrowser;
class QWebEngineView;

// The advertising panel of the main window. It shows the product's online
// page when that answers, otherwise the local "ad.html"; it never follows a
// link away from the page it chose, and refuses the browser's shortcuts.
//
// The page is shown in a web engine where one can run. Without a screen
// (the "offscreen" platform), or with FLAZZ_NO_WEBENGINE=1, a plain rich-text
// view shows it instead, so tests and headless runs never start a browser.
class AdPanel : public QWidget
{
    Q_OBJECT
public:
    // The answer of a GET: the HTTP status (0 for no answer) and the body.
    struct Answer
    {
        int status = 0;
        QByteArray body;
    };
    using Fetch = std::function<Answer(const QString &url)>;

    explicit AdPanel(QWidget *parent = nullptr);

    // Asks `onlineUrl` once (through `fetch`, synchronously) and shows it when
    // it answers 200, else `localFile`.
    void load(const QString &onlineUrl, const QString &localFile, const Fetch &fetch);

    // The page chosen by the last load.
    QUrl page() const { return m_page; }
    bool showsOnlinePage() const { return m_online; }
    bool usesWebEngine() const;

    // The navigation rule: only the chosen page (or the local one) may load.
    bool allowsNavigation(const QUrl &target) const;

    // Whether a key press is one of the browser shortcuts the panel refuses.
    static bool isRefusedKey(const QKeyEvent &event);

    // The real GET, through the program's HTTP client.
    static Answer httpGet(const QString &url);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void guardKeys(QObject *target);

    QTextBrowser *m_text = nullptr;
    QWebEngineView *m_web = nullptr;
    QUrl m_page;
    QUrl m_local;
    bool m_online = false;
};
