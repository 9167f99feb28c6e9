#include "ScriptedSignIn.h"
#include "NextAnswer.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

namespace {

struct Page
{
    int status = 0;
    QString location; // absolute, for redirects
    QByteArray body;
};

Page load(QNetworkAccessManager &network, const QUrl &url, const QByteArray *form)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = nullptr;
    if (form) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        reply = network.post(request, *form);
    } else {
        reply = network.get(request);
    }
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    loop.exec();
    Page page;
    page.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray location = reply->rawHeader("Location");
    if (!location.isEmpty())
        page.location = url.resolved(QUrl::fromEncoded(location)).toString(QUrl::FullyEncoded);
    page.body = reply->readAll();
    reply->deleteLater();
    return page;
}

QString attribute(const QString &tag, const QString &name)
{
    const QRegularExpression re(u"\\b" + name + uR"re(\s*=\s*(?:"([^"]*)"|'([^']*)'))re",
                                QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(tag);
    if (!m.hasMatch())
        return {};
    return m.captured(1).isNull() ? m.captured(2) : m.captured(1);
}

QString htmlUnescape(QString text)
{
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    return text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

QString titleOf(const QString &html)
{
    const auto m = QRegularExpression(QStringLiteral("<title>(.*?)</title>"),
                                      QRegularExpression::CaseInsensitiveOption |
                                          QRegularExpression::DotMatchesEverythingOption)
                       .match(html);
    return m.hasMatch() ? htmlUnescape(m.captured(1).trimmed()) : QString();
}

} // namespace

QString ScriptedSignIn::nextDecision()
{
    return nextAnswer(decisions, QStringLiteral("approve"));
}

QString ScriptedSignIn::walk(const QString &start, const std::function<bool(const QString &)> &stopsAt,
                             QString *title)
{
    QNetworkAccessManager network;
    QString address = start;
    QByteArray form;
    bool post = false;
    for (int step = 0; step < 20; ++step) {
        visited.append(address);
        if (stopsAt && stopsAt(address)) {
            // The page that ends the sign-in still loads in a browser; its
            // title is what Google's sign-in reads.
            if (title)
                *title = titleOf(QString::fromUtf8(load(network, QUrl(address), nullptr).body));
            return address;
        }
        const Page page = load(network, QUrl(address), post ? &form : nullptr);
        post = false;
        if (page.status >= 300 && page.status < 400 && !page.location.isEmpty()) {
            address = page.location;
            continue;
        }
        const QString html = QString::fromUtf8(page.body);
        if (title)
            *title = titleOf(html);
        const auto formTag =
            QRegularExpression(QStringLiteral("<form\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption)
                .match(html);
        if (!formTag.hasMatch())
            return address;
        QUrlQuery fields;
        auto inputs =
            QRegularExpression(QStringLiteral("<input\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption)
                .globalMatch(html, formTag.capturedEnd());
        while (inputs.hasNext()) {
            const QString tag = inputs.next().captured(0);
            if (attribute(tag, QStringLiteral("type")).compare(u"hidden", Qt::CaseInsensitive) == 0)
                fields.addQueryItem(htmlUnescape(attribute(tag, QStringLiteral("name"))),
                                    htmlUnescape(attribute(tag, QStringLiteral("value"))));
        }
        fields.addQueryItem(QStringLiteral("decision"), nextDecision());
        // A form field's blanks travel as "+", as browsers send them.
        QList<std::pair<QString, QString>> items = fields.queryItems(QUrl::FullyDecoded);
        form.clear();
        for (const auto &[name, value] : items) {
            if (!form.isEmpty())
                form += '&';
            form += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
        }
        const QString action = htmlUnescape(attribute(formTag.captured(0), QStringLiteral("action")));
        address = QUrl(address).resolved(QUrl(action)).toString(QUrl::FullyEncoded);
        post = true;
    }
    return address;
}

QString ScriptedSignIn::browse(const SignInPage &page)
{
    calls.append(u"browse " + page.actionUrl);
    QString title;
    const QString ended = walk(
        page.actionUrl, [&page](const QString &address) { return page.endsAt(address); }, &title);
    return page.result(ended, title);
}

bool ScriptedSignIn::askAuthorize()
{
    calls.append(QStringLiteral("authorize"));
    return nextAnswer(authorizeAnswers, true);
}

bool ScriptedSignIn::askCompleteAuthorization()
{
    calls.append(QStringLiteral("complete"));
    return nextAnswer(completeAnswers, true);
}

bool ScriptedSignIn::openInBrowser(const QString &url)
{
    calls.append(u"open " + url);
    if (!browserStarts)
        return false;
    if (approveInBrowser)
        walk(url, {});
    return true;
}

bool ScriptedSignIn::openInstead(const QString &url, const QString &service)
{
    calls.append(u"instead " + service + u' ' + url);
    if (!ownWindow)
        return false;
    if (approveInBrowser)
        walk(url);
    return true;
}
