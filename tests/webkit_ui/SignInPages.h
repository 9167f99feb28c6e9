#pragma once

#include "sandbox/StandinServer.h"
#include "webkit/ServiceConfig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>

#include <functional>
#include <ostream>

// Failures show addresses and titles as text.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// A service's sign-in pages on a local server: a sign-in page with a form,
// the sign-up and report links that belong in the user's own browser, and
// the pages where a sign-in ends, reached by redirects whose addresses use
// another letter case than the connector's prefixes. The sign-in page
// lists every key that reaches it in its title, "[a][ctrl+n]".
struct SignInPages
{
    StandinServer server;
    // Another site, serving the success page's path with a token of its own.
    StandinServer elsewhere;
    ServiceConfig config = ServiceConfig::defaults();

    SignInPages()
    {
        elsewhere.answer("GET", "/connect/login_success.html", html("<html><body>Gotcha</body></html>"));
        server.answer("POST", "/dialog/oauth/lure", [this](const StandinRequest &) {
            return StandinAnswer{302,
                                 {{"Location", elsewhere.baseUrl().toUtf8() +
                                                   "/connect/login_success.html#access_token=tok1"}},
                                 {}};
        });
        config.facebook.web = server.baseUrl();
        config.dropbox.web = server.baseUrl() + QStringLiteral("/dropbox");
        const QByteArray signIn =
            "<html><head><title>Sign in</title></head><body style='border:5px solid red'>"
            "<a id='signup' href='/r.php?api_key=123&amp;next=x'>Sign up</a>"
            "<a id='signup2' target='_blank' href='/r.php?api_key=9'>Sign up</a>"
            "<a id='report' href='/dialog/report.application/?id=1'>Report</a>"
            "<a id='other' href='/other.html'>Other</a>"
            "<a id='home' href='/dropbox/HOME?x'>Home</a>"
            "<form id='lure' method='post' action='/dialog/oauth/lure'></form>"
            "<form id='f' method='post' action='/dialog/oauth/submit'>"
            "<input type='hidden' name='state' value='s1'>"
            "<button name='decision' value='approve'>Allow</button></form>"
            "<script>var keys = '';"
            "document.addEventListener('keydown', function (e) {"
            "  if (['Control', 'Shift', 'Alt', 'Meta'].indexOf(e.key) >= 0) return;"
            "  keys += '[' + (e.ctrlKey ? 'ctrl+' : '') + e.key + ']'; document.title = keys; });</script>"
            "</body></html>";
        server.answer("GET", "/dialog/oauth", html(signIn));
        server.answer("GET", "/other.html",
                      html("<html><head><title>Other</title></head><body>o</body></html>"));
        server.answer("GET", "/dropbox/HOME", html("<html><body>home</body></html>"));
        server.answer("POST", "/dialog/oauth/submit", [](const StandinRequest &request) {
            return redirect(request.formValue(QStringLiteral("decision")) == QLatin1String("approve")
                                ? "/CONNECT/Login_Success.html#access_token=tok1&expires_in=0"
                                : "/Login_Failure.html?error=denied");
        });
        server.answer("GET", "/CONNECT/Login_Success.html", html("<html><body>Success</body></html>"));
        server.answer("GET", "/Login_Failure.html", html("<html><body>Refused</body></html>"));
        server.answer("GET", "/google/auth", html("<html><head><title>Google sign in</title></head></html>"));
    }

    QString url(const char *path) const { return server.baseUrl() + QString::fromLatin1(path); }
    QString successUrl() const { return url("/connect/login_success.html"); }
    QString failedUrl() const { return url("/login_failure.html"); }

    qsizetype requestsFor(const QByteArray &path) const
    {
        qsizetype count = 0;
        const QList<StandinRequest> all = server.requests();
        for (const StandinRequest &request : all)
            count += request.path == path ? 1 : 0;
        return count;
    }

    static StandinAnswer html(const QByteArray &body)
    {
        return {200, {{"Content-Type", "text/html; charset=utf-8"}}, body};
    }
    static StandinAnswer redirect(const char *location) { return {302, {{"Location", location}}, {}}; }
};

// Lets events run until `done` holds or `timeoutMs` passes.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// Runs `script` in `page` and returns what it gave back.
inline QVariant runScript(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool finished = false;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        finished = true;
    });
    waitUntil([&] { return finished; }, 10000);
    return result;
}
