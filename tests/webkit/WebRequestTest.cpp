#include "webkit/WebRequest.h"

#include "HostileServer.h"
#include "sandbox/StandinServer.h"
#include "support/TestText.h"

#include <QSignalSpy>
#include <QSslServer>
#include <QTcpServer>
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
    try {
        request.send();
        FAIL() << "a self-signed certificate must not be accepted";
    } catch (const WebRequestError &e) {
        EXPECT_EQ(e.kind(), WebRequestError::Kind::Tls) << e.description().toStdString();
    }
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
    try {
        request.send();
        FAIL() << "a request that gets no answer in time must fail";
    } catch (const WebRequestError &e) {
        EXPECT_EQ(e.kind(), WebRequestError::Kind::Timeout);
    }
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
