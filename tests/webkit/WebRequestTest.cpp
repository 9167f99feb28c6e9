#include "webkit/WebRequest.h"

#include "HostileServer.h"
#include "sandbox/StandinServer.h"
#include "support/TestText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <pugixml.hpp>

namespace {

// A port on which nothing listens.
int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// The kind of failure a synchronous send ends with; Other also when it
// unexpectedly succeeds, with the status in the trace.
WebRequestError::Kind sendFailure(WebRequest &request, const QByteArray *body = nullptr)
{
    try {
        body ? request.sendBytes(*body) : request.send();
    } catch (const WebRequestError &e) {
        return e.kind();
    }
    ADD_FAILURE() << "the send succeeded with status " << request.status();
    return WebRequestError::Kind::Other;
}

// Serves the test certificate, which nothing trusts unless told to.
QSslConfiguration untrustedTls()
{
    QFile cert(QStringLiteral(FLAZZ_TLS_DIR "/untrusted-cert.pem"));
    QFile key(QStringLiteral(FLAZZ_TLS_DIR "/untrusted-key.pem"));
    if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        return {};
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(cert.readAll()));
    tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
    return tls;
}

} // namespace

TEST(WebRequest, SendsHeadersInTheOrderSetWithTheRealContentLength)
{
    StandinServer server;
    server.answer("GET", "/me", StandinAnswer{200, {}, "ok"});
    server.answer("POST", "/form", StandinAnswer{200, {}, ""});

    WebRequest request;
    const QString url = server.baseUrl() + u"/me?access_token=abc";
    request.open(s(u"get"), url, false);
    request.setRequestHeader(s(u"Content-Type"), s(u"application/x-www-form-urlencoded"));
    request.setRequestHeader(s(u"Authorization"), s(u"Bearer t"));
    request.setRequestHeader(s(u"Content-Length"), QString::number(url.size()));
    request.send();
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.responseText(), s(u"ok"));
    const StandinRequest get = server.lastRequest();
    EXPECT_EQ(get.method, "GET");
    EXPECT_EQ(get.queryValue(s(u"access_token")), s(u"abc"));
    // A GET still carries its content type, and no body means a length of 0.
    EXPECT_EQ(get.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(get.header("Content-Length"), "0");
    const QList<QByteArray> names = get.headerNames();
    ASSERT_GE(names.indexOf("Content-Type"), 0);
    EXPECT_LT(names.indexOf("Content-Type"), names.indexOf("Authorization"));

    // Callers count characters; the wire must carry the UTF-8 byte count.
    const QString body = s(u"name=café €");
    request.open(s(u"post"), server.baseUrl() + u"/form", false);
    request.setRequestHeader(s(u"Content-Length"), QString::number(body.size()));
    request.send(body);
    const StandinRequest post = server.lastRequest();
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, body.toUtf8());
    EXPECT_EQ(post.header("Content-Length"), QByteArray::number(body.toUtf8().size()));
}

TEST(WebRequest, ErrorStatusesAreAnswersAndTextIsDecodedByItsCharset)
{
    StandinServer server;
    server.answer("GET", "/401", StandinAnswer{401, {}, R"({"error":"x"})"});
    server.answer("POST", "/500", StandinAnswer{500, {}, "broken"});
    server.answer("GET", "/ansi",
                  StandinAnswer{200, {{"Content-Type", "text/plain; charset=windows-1252"}}, "caf\xE9 \x80"});
    server.answer("GET", "/utf8", StandinAnswer{200, {{"Content-Type", "text/plain"}}, "caf\xC3\xA9"});
    server.answer("GET", "/xml", StandinAnswer{200, {{"Content-Type", "text/xml"}}, R"(<rsp stat="ok"/>)"});

    // The same object serves one exchange after another.
    WebRequest request;
    const auto get = [&](const char16_t *path, const char16_t *method = u"GET") {
        request.open(s(method), server.baseUrl() + s(path));
        EXPECT_NO_THROW(request.send());
        return request.responseText();
    };
    EXPECT_EQ(get(u"/401"), s(u"{\"error\":\"x\"}"));
    EXPECT_EQ(request.status(), 401);
    EXPECT_EQ(get(u"/500", u"POST"), s(u"broken"));
    EXPECT_EQ(request.status(), 500);
    EXPECT_FALSE(request.failed());
    EXPECT_EQ(get(u"/ansi"), s(u"café €"));
    EXPECT_EQ(get(u"/utf8"), s(u"café"));
    get(u"/xml");
    EXPECT_STREQ(request.responseXML().child("rsp").attribute("stat").value(), "ok");
}

TEST(WebRequest, ARefusedConnectionOrAnUntrustedCertificateFailsTheSend)
{
    WebRequest request;
    request.open(s(u"GET"), QStringLiteral("http://127.0.0.1:%1/me?access_token=secret").arg(closedPort()));
    try {
        request.send();
        FAIL() << "a refused connection must fail the send";
    } catch (const WebRequestError &e) {
        EXPECT_EQ(e.kind(), WebRequestError::Kind::Refused);
        EXPECT_EQ(e.source(), s(u"WebRequest.send"));
        EXPECT_TRUE(e.description().contains(s(u"/me")));
        EXPECT_FALSE(e.description().contains(s(u"secret"))); // messages reach the error report
    }
    EXPECT_TRUE(request.failed());
    EXPECT_EQ(request.status(), 0);

    auto listener = std::make_unique<QSslServer>();
    listener->setSslConfiguration(untrustedTls());
    HostileServer server(std::move(listener));
    request.open(s(u"GET"), server.url(s(u"/me")));
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Tls); // self-signed
}

TEST(WebRequest, ATimeOutFailsTheSendAndTheWindowKeepsRunningMeanwhile)
{
    StandinServer server;
    server.answer("GET", "/slow", StandinAnswer{200, {}, "late", std::chrono::milliseconds(3000)});

    // Something the event loop must keep serving while the request waits.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++ticks; });
    ticker.start(20);

    WebRequest request;
    request.setTimeoutMs(400);
    request.open(s(u"GET"), server.baseUrl() + u"/slow");
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Timeout);
    EXPECT_GE(ticks, 5);
}

TEST(WebRequest, AnAsynchronousSendReportsCompletionLater)
{
    StandinServer server;
    server.answer("GET", "/me", StandinAnswer{400, {}, "no token"});

    WebRequest request;
    QSignalSpy done(&request, &WebRequest::completed);
    request.open(s(u"GET"), server.baseUrl() + u"/me", true);
    request.send();
    EXPECT_EQ(done.count(), 0);
    ASSERT_TRUE(done.wait(5000));
    EXPECT_EQ(request.readyState(), 4);
    EXPECT_EQ(request.status(), 400);
    EXPECT_EQ(request.responseText(), s(u"no token"));

    // An aborted exchange reports nothing.
    server.answer("GET", "/slow", StandinAnswer{200, {}, "late", std::chrono::milliseconds(300)});
    request.open(s(u"GET"), server.baseUrl() + u"/slow", true);
    request.send();
    request.abort();
    QCoreApplication::processEvents();
    EXPECT_EQ(done.count(), 1);
}

TEST(WebRequestLimits, AnEndlessOrOverlongAnswerFailsAsTooLarge)
{
    HostileServer server;
    server.on("/endless", HostileServer::endless());
    server.on("/promise", HostileServer::drip(1000)); // declares a megabyte up front

    WebRequest request;
    request.setMaxAnswerBytes(512 * 1024);
    // Failing by this deadline instead of the cap would show as a time-out.
    request.setDeadlineMs(20000);
    request.open(s(u"GET"), server.url(s(u"/endless?access_token=secret")));
    try {
        request.send();
        FAIL() << "an endless answer must not be waited for";
    } catch (const WebRequestError &e) {
        EXPECT_EQ(e.kind(), WebRequestError::Kind::TooLarge);
        EXPECT_TRUE(e.description().contains(s(u"/endless")));
        EXPECT_FALSE(e.description().contains(s(u"secret")));
    }
    EXPECT_TRUE(request.responseBody().isEmpty()); // nothing half-read is offered as an answer

    // A declared length past the cap fails before the body drips in.
    request.open(s(u"GET"), server.url(s(u"/promise")));
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::TooLarge);

    // Asynchronously the same limit shows as a failed exchange.
    QSignalSpy done(&request, &WebRequest::completed);
    request.open(s(u"GET"), server.url(s(u"/endless")), true);
    request.send();
    ASSERT_TRUE(done.wait(5000));
    ASSERT_TRUE(request.failed());
    EXPECT_EQ(request.failure()->kind(), WebRequestError::Kind::TooLarge);
    EXPECT_EQ(request.status(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(done.count(), 1); // reported once
}

TEST(WebRequestLimits, AnEndlessHeadFailsAsTooLargeAndBadFramingIsNoAnswer)
{
    HostileServer server;
    server.on("/head", HostileServer::endlessHead());
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    server.on("/chunks",
              HostileServer::raw(chunked + "5\r\nhello\r\n6;x=1\r\n world\r\n0\r\nX-T: 1\r\n\r\n"));
    server.on("/badsize", HostileServer::raw(chunked + "5\r\nhello\r\nzz\r\nmore\r\n0\r\n\r\n"));
    server.on("/hugesize", HostileServer::raw(chunked + "ffffffffffffffffff\r\nx\r\n0\r\n\r\n"));
    server.on("/noend", HostileServer::raw(chunked + "5\r\nhelloXX0\r\n\r\n"));
    server.on("/cut", HostileServer::raw(chunked + "5\r\nhel"));
    server.on("/short", HostileServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"));
    server.on("/twolengths",
              HostileServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd"));
    server.on("/notanumber", HostileServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 3x\r\n\r\nabc"));

    WebRequest request;
    request.setDeadlineMs(20000);
    request.open(s(u"GET"), server.url(s(u"/head")));
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::TooLarge);

    request.open(s(u"GET"), server.url(s(u"/chunks")));
    request.send();
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.responseText(), s(u"hello world"));

    // Each of these once came back as a 200 with whatever was read so far.
    for (const char16_t *path :
         {u"/badsize", u"/hugesize", u"/noend", u"/cut", u"/short", u"/twolengths", u"/notanumber"}) {
        request.open(s(u"GET"), server.url(QString::fromUtf16(path)));
        EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Other)
            << QString::fromUtf16(path).toStdString();
        EXPECT_TRUE(request.responseBody().isEmpty());
    }
}

TEST(WebRequestLimits, ASlowDripIsCutOffByTheOverallDeadline)
{
    HostileServer server;
    server.on("/drip", HostileServer::drip(40)); // never silent long enough for the silence time-out

    WebRequest request;
    request.setTimeoutMs(5000);
    request.setDeadlineMs(500);
    request.open(s(u"GET"), server.url(s(u"/drip")));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Timeout);
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_TRUE(request.failed());
}

TEST(WebRequestLimits, CompressedAnswersAreInflatedHereAndBombsOrDamageFail)
{
    const QByteArray text = "caf\xC3\xA9 " + QByteArray(3000, 'a');
    const QByteArray whole = gzipped(text);
    HostileServer server;
    const auto encoded = [&](const QByteArray &path, const QByteArray &encoding, const QByteArray &body) {
        server.on(path, HostileServer::answer(200, {{"Content-Encoding", encoding}}, body));
    };
    encoded("/gzip", "gzip", whole);
    encoded("/members", "gzip", gzipped(text.left(10)) + gzipped(text.mid(10)));
    encoded("/zlib", "deflate", deflated(text, 15));
    encoded("/raw", "deflate", deflated(text, -15));
    encoded("/bomb", "gzip", gzippedZeros(qint64(128) << 20));
    encoded("/garbage", "gzip", "this is not gzip at all");
    encoded("/truncated", "gzip", whole.left(whole.size() / 2));
    encoded("/trailing", "deflate", deflated("x", 15) + "junk");
    encoded("/brotli", "br", "\x1b\x03");
    server.on("/empty", HostileServer::answer(204, {{"Content-Encoding", "gzip"}}, ""));

    WebRequest request;
    for (const char *path : {"/gzip", "/members", "/zlib", "/raw"}) {
        SCOPED_TRACE(path);
        request.open(s(u"GET"), server.url(QString::fromLatin1(path)));
        request.send();
        EXPECT_EQ(request.status(), 200);
        EXPECT_EQ(request.responseBody(), text);
    }
    EXPECT_EQ(server.requests().first().header("Accept-Encoding"), "gzip, deflate");

    // 128 MiB of zeros in a few hundred kilobytes: the default cap counts
    // what comes out, not what goes in.
    request.open(s(u"GET"), server.url(s(u"/bomb")));
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::TooLarge);

    // A damaged or unreadable encoding is a failure, not a 200 with raw bytes.
    for (const char *path : {"/garbage", "/truncated", "/trailing", "/brotli"}) {
        SCOPED_TRACE(path);
        request.open(s(u"GET"), server.url(QString::fromLatin1(path)));
        EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Decoding);
        EXPECT_EQ(request.status(), 0);
    }
    request.open(s(u"GET"), server.url(s(u"/empty")));
    request.send();
    EXPECT_EQ(request.status(), 204);
}

TEST(WebRequestRedirects, WithinOneOriginEverythingTravelsOn)
{
    HostileServer server;
    server.on("/302", HostileServer::redirect(302, s(u"/landed")));
    server.on("/307", HostileServer::redirect(307, s(u"/landed?again=1")));
    server.on("/landed", HostileServer::answer(200, {}, "here"));

    WebRequest request;
    request.open(s(u"POST"), server.url(s(u"/307")));
    request.setRequestHeader(s(u"Content-Type"), s(u"application/x-www-form-urlencoded"));
    request.setRequestHeader(s(u"Authorization"), s(u"Bearer t"));
    request.send(s(u"a=1"));
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.responseText(), s(u"here"));
    ASSERT_EQ(server.requests().size(), 2);
    const HostileRequest repeated = server.requests().at(1);
    EXPECT_EQ(repeated.method, "POST");
    EXPECT_EQ(repeated.target, "/landed?again=1");
    EXPECT_EQ(repeated.body, "a=1");
    EXPECT_EQ(repeated.header("Authorization"), "Bearer t");

    // A 302 after a POST continues as a GET without the body.
    request.open(s(u"POST"), server.url(s(u"/302")));
    request.setRequestHeader(s(u"Authorization"), s(u"Bearer t"));
    request.send(s(u"a=1"));
    const HostileRequest followed = server.requests().last();
    EXPECT_EQ(followed.method, "GET");
    EXPECT_TRUE(followed.body.isEmpty());
    EXPECT_EQ(followed.header("Authorization"), "Bearer t");
}

TEST(WebRequestRedirects, ToAnotherOriginNeitherCredentialsNorBodiesFollow)
{
    HostileServer origin;
    HostileServer elsewhere; // another port is another origin
    elsewhere.on("/landed", HostileServer::answer(200, {}, "elsewhere"));
    origin.on("/302", HostileServer::redirect(302, elsewhere.url(s(u"/landed"))));
    origin.on("/307", HostileServer::redirect(307, elsewhere.url(s(u"/landed"))));

    WebRequest request;
    request.open(s(u"POST"), origin.url(s(u"/302")));
    request.setRequestHeader(s(u"Content-Type"), s(u"application/x-www-form-urlencoded"));
    request.setRequestHeader(s(u"Authorization"), s(u"Bearer secret"));
    request.send(s(u"token=secret"));
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.responseText(), s(u"elsewhere"));
    ASSERT_EQ(elsewhere.requests().size(), 1);
    EXPECT_EQ(elsewhere.requests().at(0).method, "GET");
    EXPECT_FALSE(elsewhere.requests().at(0).hasHeader("Authorization"));
    EXPECT_TRUE(elsewhere.requests().at(0).body.isEmpty());

    // A 307 without a body goes on, stripped of the credentials.
    request.open(s(u"GET"), origin.url(s(u"/307")));
    request.setRequestHeader(s(u"Authorization"), s(u"Bearer secret"));
    request.send();
    EXPECT_EQ(request.status(), 200);
    ASSERT_EQ(elsewhere.requests().size(), 2);
    EXPECT_FALSE(elsewhere.requests().at(1).hasHeader("Authorization"));

    // A 307 would repeat the body there: refused, and nothing arrives.
    request.open(s(u"POST"), origin.url(s(u"/307")));
    const QByteArray body = "token=secret";
    EXPECT_EQ(sendFailure(request, &body), WebRequestError::Kind::Redirect);
    EXPECT_EQ(elsewhere.requests().size(), 2);
}

TEST(WebRequestRedirects, LoopsOtherSchemesAndHttpsToHttpFail)
{
    HostileServer plain;
    plain.on("/loop", HostileServer::redirect(302, s(u"/loop")));
    plain.on("/file", HostileServer::redirect(302, s(u"file:///etc/passwd")));
    plain.on("/landed", HostileServer::answer(200, {}, "downgraded"));

    WebRequest request;
    request.open(s(u"GET"), plain.url(s(u"/loop")));
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Redirect);
    EXPECT_EQ(plain.requests().size(), WebRequest::MaxRedirects + 1);
    request.open(s(u"GET"), plain.url(s(u"/file")));
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Redirect);

    // A TLS server this process trusts, so only the redirect can fail.
    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
    const QSslConfiguration serving = untrustedTls();
    QSslConfiguration trusting = original;
    trusting.addCaCertificate(serving.localCertificate());
    QSslConfiguration::setDefaultConfiguration(trusting);
    auto listener = std::make_unique<QSslServer>();
    listener->setSslConfiguration(serving);
    HostileServer secure(std::move(listener));
    secure.on("/ok", HostileServer::answer(200, {}, "secure"));
    secure.on("/down", HostileServer::redirect(302, plain.url(s(u"/landed"))));

    request.open(s(u"GET"), secure.url(s(u"/ok")));
    request.send();
    EXPECT_EQ(request.responseText(), s(u"secure"));
    const qsizetype before = plain.requests().size();
    request.open(s(u"GET"), secure.url(s(u"/down")));
    request.setRequestHeader(s(u"Authorization"), s(u"Bearer secret"));
    EXPECT_EQ(sendFailure(request), WebRequestError::Kind::Redirect);
    EXPECT_EQ(plain.requests().size(), before);
    QSslConfiguration::setDefaultConfiguration(original);
}

TEST(WebRequestHeaders, LineBreaksAndNulAreRefusedBeforeAnythingTravels)
{
    HostileServer server;
    server.on("/me", HostileServer::answer(200, {}, "ok"));

    WebRequest request;
    request.open(s(u"GET"), server.url(s(u"/me")));
    const std::pair<QString, QString> bad[] = {
        {s(u"X-Value"), s(u"a\r\nX-Injected: 1")},
        {s(u"X-Value"), s(u"a\nX-Injected: 1")},
        {s(u"X-Value"), QStringView(u"a\0b", 3).toString()},
        {s(u"X-Name\r\nX-Injected"), s(u"1")},
        {s(u"X-Injected: 1\r\nX"), s(u"1")},
        {s(u"Bad Name"), s(u"1")},
        {QString(), s(u"1")},
    };
    for (const auto &[name, value] : bad) {
        SCOPED_TRACE(name.toStdString() + " / " + value.toStdString());
        try {
            request.setRequestHeader(name, value);
            ADD_FAILURE() << "the header was accepted";
        } catch (const WebRequestError &e) {
            EXPECT_EQ(e.kind(), WebRequestError::Kind::InvalidRequest);
            EXPECT_EQ(e.source(), s(u"WebRequest.setRequestHeader"));
        }
    }
    EXPECT_THROW(request.open(s(u"GET\r\nX-Injected: 1"), server.url(s(u"/me"))), WebRequestError);

    // The request is still usable, and no injected header ever went out.
    request.open(s(u"GET"), server.url(s(u"/me")));
    request.setRequestHeader(s(u"X-Value"), s(u"tab\tis fine"));
    request.send();
    EXPECT_EQ(request.status(), 200);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().at(0).header("X-Value"), "tab\tis fine");
    EXPECT_FALSE(server.requests().at(0).hasHeader("X-Injected"));
    // In the address they travel percent-encoded.
    request.open(s(u"GET"), server.url(s(u"/me?q=\r\nX-Injected: 1")));
    request.send();
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests().at(1).target, "/me?q=%0D%0AX-Injected:%201");
    EXPECT_FALSE(server.requests().at(1).hasHeader("X-Injected"));

    // QNetworkAccessManager would read local files for these.
    for (const QString &url : {s(u"file:///etc/passwd"), s(u"data:text/plain,x"), s(u"no address")}) {
        request.open(s(u"GET"), url);
        EXPECT_THROW(request.send(), WebRequestError) << url.toStdString();
    }
}

TEST(WebRequestReentry, ASecondSendFromInsideAWaitingOneIsRefusedAndTheFirstCompletes)
{
    HostileServer server;
    server.on("/slow", HostileServer::later(300, HostileServer::answer(200, {}, "first")));
    server.on("/other", HostileServer::answer(200, {}, "second"));

    WebRequest request;
    QList<WebRequestError::Kind> refused;
    // What a second click does while the first request waits.
    QTimer::singleShot(50, &request, [&] {
        const auto attempt = [&](const std::function<void()> &call) {
            try {
                call();
            } catch (const WebRequestError &e) {
                refused << e.kind();
            }
        };
        attempt([&] { request.open(s(u"GET"), server.url(s(u"/other"))); });
        attempt([&] { request.setRequestHeader(s(u"X"), s(u"1")); });
        attempt([&] { request.send(); });
    });
    request.open(s(u"GET"), server.url(s(u"/slow")));
    request.send();
    EXPECT_EQ(refused, QList<WebRequestError::Kind>(3, WebRequestError::Kind::Busy));
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.responseText(), s(u"first"));
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_FALSE(request.busy());
}

TEST(WebRequestSharing, RequestsShareNoCookiesAndWorkOnAnyThread)
{
    StandinServer server;
    server.answer("GET", "/login", StandinAnswer{200, {{"Set-Cookie", "sid=secret; Path=/"}}, "in"});
    server.answer("GET", "/me", StandinAnswer{200, {}, "me"});

    WebRequest first;
    first.open(s(u"GET"), server.baseUrl() + u"/login");
    first.send();
    WebRequest second;
    second.open(s(u"GET"), server.baseUrl() + u"/me");
    second.send();
    first.open(s(u"GET"), server.baseUrl() + u"/me");
    first.send();
    for (const StandinRequest &seen : server.requests())
        EXPECT_FALSE(seen.hasHeader("Cookie")) << seen.path.constData();

    // A worker thread gets a manager of its own, while this thread keeps using
    // the one it has.
    int workerStatus = 0;
    QThread *worker = QThread::create([&] {
        WebRequest request;
        request.open(s(u"GET"), server.baseUrl() + u"/me");
        request.send();
        workerStatus = request.status();
    });
    worker->start();
    first.open(s(u"GET"), server.baseUrl() + u"/me");
    first.send();
    EXPECT_TRUE(worker->wait(10000));
    delete worker;
    EXPECT_EQ(workerStatus, 200);
    EXPECT_EQ(first.status(), 200);
}
