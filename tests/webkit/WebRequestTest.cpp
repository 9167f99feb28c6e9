#include "webkit/WebRequest.h"

#include "sandbox/StandinServer.h"
#include "support/TestText.h"

#include <QFile>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
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

TEST(WebRequest, SendsHeadersInTheOrderSetAndAGetStillCarriesContentType)
{
    StandinServer server;
    server.answer("GET", "/me", StandinAnswer{200, {}, "ok"});

    WebRequest request;
    request.open(s(u"get"), server.baseUrl() + u"/me?access_token=abc", false);
    request.setRequestHeader(s(u"Content-Type"), s(u"application/x-www-form-urlencoded"));
    request.setRequestHeader(s(u"Authorization"), s(u"Bearer t"));
    request.setRequestHeader(s(u"GData-Version"), s(u"1.4"));
    request.send();

    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(request.responseText(), s(u"ok"));
    const StandinRequest seen = server.lastRequest();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.query, "access_token=abc");
    EXPECT_EQ(seen.queryValue(s(u"access_token")), s(u"abc"));
    EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
    const QList<QByteArray> names = seen.headerNames();
    const qsizetype type = names.indexOf("Content-Type");
    ASSERT_GE(type, 0);
    EXPECT_LT(type, names.indexOf("Authorization"));
    EXPECT_LT(names.indexOf("Authorization"), names.indexOf("GData-Version"));
}

TEST(WebRequest, SendsATextBodyAsUtf8WithItsRealByteCount)
{
    StandinServer server;
    server.answer("POST", "/form", StandinAnswer{200, {}, ""});

    const QString body = s(u"name=café €");
    WebRequest request;
    request.open(s(u"post"), server.baseUrl() + u"/form", false);
    request.setRequestHeader(s(u"Content-Type"), s(u"application/x-www-form-urlencoded"));
    // Callers count characters; the wire must carry the byte count.
    request.setRequestHeader(s(u"Content-Length"), QString::number(body.size()));
    request.send(body);

    const StandinRequest seen = server.lastRequest();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.body, body.toUtf8());
    EXPECT_EQ(seen.formValue(s(u"name")), s(u"café €"));
    EXPECT_EQ(seen.header("Content-Length"), QByteArray::number(body.toUtf8().size()));
}

TEST(WebRequest, AGetWithAContentLengthButNoBodySendsZero)
{
    StandinServer server;
    server.answer("GET", "/oauth20_token.srf", StandinAnswer{200, {}, "{}"});
    WebRequest request;
    const QString url = server.baseUrl() + u"/oauth20_token.srf?code=1";
    request.open(s(u"get"), url, false);
    request.setRequestHeader(s(u"Content-Type"), s(u"application/x-www-form-urlencoded"));
    request.setRequestHeader(s(u"Content-Length"), QString::number(url.size()));
    request.send();
    EXPECT_EQ(request.status(), 200);
    EXPECT_EQ(server.lastRequest().header("Content-Length"), "0");
}

TEST(WebRequest, ErrorStatusesAreAnswersNotFailures)
{
    StandinServer server;
    server.answer("GET", "/401",
                  StandinAnswer{401, {{"Content-Type", "application/json"}}, R"({"error":"x"})"});
    server.answer("POST", "/500", StandinAnswer{500, {}, "broken"});

    WebRequest request;
    request.open(s(u"GET"), server.baseUrl() + u"/401");
    EXPECT_NO_THROW(request.send());
    EXPECT_EQ(request.status(), 401);
    EXPECT_EQ(request.responseText(), s(u"{\"error\":\"x\"}"));

    // The same object serves the next exchange.
    request.open(s(u"POST"), server.baseUrl() + u"/500");
    EXPECT_NO_THROW(request.send(QString()));
    EXPECT_EQ(request.status(), 500);
    EXPECT_EQ(request.responseText(), s(u"broken"));
    EXPECT_FALSE(request.failed());
}

TEST(WebRequest, DecodesTheAnswerByItsCharset)
{
    StandinServer server;
    server.answer("GET", "/ansi",
                  StandinAnswer{200, {{"Content-Type", "text/plain; charset=windows-1252"}}, "caf\xE9 \x80"});
    server.answer("GET", "/utf8", StandinAnswer{200, {{"Content-Type", "text/plain"}}, "caf\xC3\xA9"});
    server.answer(
        "GET", "/xml",
        StandinAnswer{200, {{"Content-Type", "text/xml"}}, R"(<rsp stat="ok"><frob>42</frob></rsp>)"});

    WebRequest request;
    request.open(s(u"GET"), server.baseUrl() + u"/ansi");
    request.send();
    EXPECT_EQ(request.responseText(), s(u"café €"));
    request.open(s(u"GET"), server.baseUrl() + u"/utf8");
    request.send();
    EXPECT_EQ(request.responseText(), s(u"café"));
    request.open(s(u"GET"), server.baseUrl() + u"/xml");
    request.send();
    EXPECT_STREQ(request.responseXML().child("rsp").attribute("stat").value(), "ok");
    EXPECT_STREQ(request.responseXML().child("rsp").child_value("frob"), "42");
}

TEST(WebRequest, ARefusedConnectionFailsTheSend)
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
}

TEST(WebRequest, AnUntrustedCertificateFailsTheSend)
{
    QFile certFile(QStringLiteral(FLAZZ_TLS_DIR "/untrusted-cert.pem"));
    QFile keyFile(QStringLiteral(FLAZZ_TLS_DIR "/untrusted-key.pem"));
    ASSERT_TRUE(certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(certFile.readAll()));
    tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
    QSslServer server;
    server.setSslConfiguration(tls);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));

    WebRequest request;
    request.open(s(u"GET"), QStringLiteral("https://127.0.0.1:%1/me").arg(server.serverPort()));
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
    EXPECT_FALSE(done.wait(600));
    EXPECT_EQ(done.count(), 1);
}
