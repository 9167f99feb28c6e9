#include "sandbox/StandinServer.h"

#include "RawHttp.h"
#include "support/TestText.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct Fetched
{
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    QByteArray retryAfter;
    qint64 contentLength = -1;
    qint64 ms = 0;
};

Fetched fetch(QNetworkAccessManager &net, const QString &url, const QByteArray &method = "GET",
              const QByteArray &body = {})
{
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/octet-stream"));
    QElapsedTimer clock;
    clock.start();
    QNetworkReply *reply = net.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched f;
    f.ms = clock.elapsed();
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.error = reply->error();
    f.body = reply->readAll();
    f.retryAfter = reply->rawHeader("Retry-After");
    f.contentLength = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    delete reply;
    return f;
}

// Bytes that differ at every offset and between uploads, so that a swapped,
// dropped or repeated block shows.
QByteArray pattern(int seed, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator gen(quint32(seed) * 2654435761u + 1);
    gen.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    for (qsizetype i = size / 4 * 4; i < size; ++i)
        bytes[i] = char(i);
    return bytes;
}

} // namespace

TEST(StandinServer, AHundredUploadsOfUpTo3MBArriveByteForByte)
{
    StandinServer server;
    server.answer("POST", "/upload", [](const StandinRequest &r) {
        return StandinAnswer{200, {}, QByteArray::number(r.body.size())};
    });
    server.answer("PUT", "/upload", [](const StandinRequest &r) {
        return StandinAnswer{201, {}, QByteArray::number(r.body.size())};
    });

    constexpr int kUploads = 100;
    constexpr qsizetype kMin = 64 * 1024;
    constexpr qsizetype kMax = 3 * 1024 * 1024;
    QList<qsizetype> sizes;
    for (int i = 0; i < kUploads; ++i)
        sizes.append(kMin + (kMax - kMin) * i / (kUploads - 1) + i); // odd sizes too

    // Six at once (the client's connections per host), half of them multipart
    // photo forms, half raw bodies, kept-alive connections reused throughout.
    QNetworkAccessManager net;
    int next = 0;
    int done = 0;
    QList<int> statuses(kUploads, 0);
    QEventLoop loop;
    std::function<void()> startOne = [&] {
        if (next >= kUploads)
            return;
        const int i = next++;
        QNetworkRequest request{QUrl(server.baseUrl() + u"/upload?n=" + QString::number(i))};
        QNetworkReply *reply = nullptr;
        if (i % 2 == 0) {
            auto *form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
            QHttpPart text;
            text.setHeader(QNetworkRequest::ContentDispositionHeader,
                           QByteArrayLiteral("form-data; name=\"title\""));
            text.setBody("photo " + QByteArray::number(i));
            QHttpPart photo;
            photo.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("image/jpeg"));
            photo.setHeader(
                QNetworkRequest::ContentDispositionHeader,
                QByteArray("form-data; name=\"photo\"; filename=\"p" + QByteArray::number(i) + ".jpg\""));
            photo.setBody(pattern(i, sizes[i]));
            form->append(text);
            form->append(photo);
            reply = net.post(request, form);
            form->setParent(reply);
        } else {
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/octet-stream"));
            reply = net.put(request, pattern(i, sizes[i]));
        }
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, i] {
            statuses[i] = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            reply->deleteLater();
            if (++done == kUploads)
                loop.quit();
            startOne();
        });
    };
    for (int k = 0; k < 6; ++k)
        startOne();
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(done, kUploads);

    const QList<StandinRequest> seen = server.requests();
    ASSERT_EQ(seen.size(), kUploads);
    int intact = 0;
    for (const StandinRequest &r : seen) {
        const int i = r.queryValue(s(u"n")).toInt();
        SCOPED_TRACE(i);
        EXPECT_EQ(statuses[i], i % 2 == 0 ? 200 : 201);
        if (i % 2 == 0) {
            const auto parts = r.multipart();
            ASSERT_TRUE(parts.has_value());
            ASSERT_EQ(parts->size(), 2);
            EXPECT_EQ(parts->at(0).name, "title");
            EXPECT_EQ(parts->at(0).body, "photo " + QByteArray::number(i));
            EXPECT_EQ(parts->at(1).filename, "p" + QByteArray::number(i) + ".jpg");
            EXPECT_EQ(parts->at(1).header("content-type"), "image/jpeg");
            intact += parts->at(1).body == pattern(i, sizes[i]);
        } else {
            EXPECT_EQ(r.method, "PUT");
            intact += r.body == pattern(i, sizes[i]);
        }
        EXPECT_EQ(r.header("Content-Length").toLongLong(), r.body.size());
    }
    EXPECT_EQ(intact, kUploads);
}

TEST(StandinServer, ReadsChunkedAndContinuedBodiesAndAnswersPipelinedRequestsInOrder)
{
    StandinServer server;
    server.answer("POST", "/echo", [](const StandinRequest &r) { return StandinAnswer{200, {}, r.body}; });
    server.answer("GET", "/page", StandinAnswer{200, {{"Content-Type", "text/html"}}, "<p>hello</p>"});

    const QByteArray host = "Host: " + hostOf(server.port()) + "\r\n";
    const QByteArray wire = "POST /echo?a=1 HTTP/1.1\r\n" + host +
                            "Transfer-Encoding: chunked\r\nX-B: 2\r\n"
                            "X-A: 1\r\n\r\n5;ext=1\r\nhello\r\n6\r\n world\r\n0\r\nTrailer: t\r\n\r\n"
                            "HEAD /page HTTP/1.1\r\n" +
                            host + "\r\nGET /page HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n";
    const QByteArray got = exchange(server.port(), wire, 3);
    const qsizetype first = got.indexOf("hello world");
    const qsizetype head = got.indexOf("HTTP/1.1 200", first);
    const qsizetype last = got.indexOf("<p>hello</p>");
    EXPECT_GT(first, 0);
    EXPECT_GT(head, first);
    EXPECT_GT(last, head);
    EXPECT_EQ(got.count("<p>hello</p>"), 1); // HEAD gets the length, not the body
    EXPECT_EQ(got.count("Content-Length: 12"), 2);
    EXPECT_TRUE(got.contains("Connection: close"));

    ASSERT_EQ(server.requestCount(), 3);
    const StandinRequest chunked = server.requests().at(0);
    EXPECT_EQ(chunked.requestLine, "POST /echo?a=1 HTTP/1.1");
    EXPECT_EQ(chunked.body, "hello world");
    EXPECT_EQ(chunked.headerNames(), (QList<QByteArray>{"Host", "Transfer-Encoding", "X-B", "X-A"}));
    EXPECT_EQ(server.requests().at(1).method, "HEAD");

    // A client that waits for "100 Continue" before its body gets it.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(server.port()));
    ASSERT_TRUE(socket.waitForConnected());
    socket.write("POST /echo HTTP/1.1\r\n" + host + "Content-Length: 4\r\nExpect: 100-continue\r\n\r\n");
    ASSERT_TRUE(socket.waitForReadyRead(3000));
    EXPECT_EQ(socket.readAll(), "HTTP/1.1 100 Continue\r\n\r\n");
    socket.write("body");
    QByteArray answer;
    while (!answer.endsWith("body") && socket.waitForReadyRead(3000))
        answer += socket.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n"));
}

TEST(StandinServer, RefusesMalformedRequestsAndRoutesByExactThenLongestPrefix)
{
    StandinServer server;
    server.answerPrefix("GET", "/files/", StandinAnswer{200, {}, "files"});
    server.answerPrefix("*", "/files/deep/", StandinAnswer{200, {}, "deep"});
    server.answer("GET", "/files/deep/exact", StandinAnswer{200, {}, "exact"});

    QNetworkAccessManager net;
    EXPECT_EQ(fetch(net, server.baseUrl() + u"/files/a.jpg").body, "files");
    EXPECT_EQ(fetch(net, server.baseUrl() + u"/files/deep/b.jpg", "DELETE").body, "deep");
    EXPECT_EQ(fetch(net, server.baseUrl() + u"/files/deep/exact").body, "exact");
    EXPECT_EQ(fetch(net, server.baseUrl() + u"/other").status, 404);

    EXPECT_TRUE(exchange(server.port(), "BROKEN\r\n\r\n", 1).startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(exchange(server.port(), "GET / HTTP/1.1\r\n folded\r\n\r\n", 1).startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(
        exchange(server.port(), "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", 1)
            .startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(exchange(server.port(), "POST / HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n", 1)
                    .startsWith("HTTP/1.1 413"));
    EXPECT_TRUE(exchange(server.port(), "GET / HTTP/1.1\r\nX: " + QByteArray(70000, 'a'), 1)
                    .startsWith("HTTP/1.1 431"));
}

TEST(StandinServer, DecodesParametersAsTheServiceDidAndKeepsDuplicates)
{
    StandinRequest r;
    r.query = "tag=a&tag=b&empty=&bare&name=caf%E9+%80";
    r.body = "q=caf%C3%A9+%E2%82%AC&q=2";
    EXPECT_EQ(
        r.queryPairs(),
        (StandinPairs{{"tag", "a"}, {"tag", "b"}, {"empty", ""}, {"bare", ""}, {"name", "caf%E9+%80"}}));
    EXPECT_EQ(r.queryValue(s(u"name"), StandinCharset::Windows1252), s(u"café €"));
    EXPECT_EQ(r.queryValue(s(u"tag")), s(u"a"));
    EXPECT_FALSE(r.queryValue(s(u"empty")).isNull());
    EXPECT_TRUE(r.queryValue(s(u"empty")).isEmpty());
    EXPECT_TRUE(r.queryValue(s(u"missing")).isNull());
    EXPECT_EQ(r.formValue(s(u"q")), s(u"café €"));
    const auto form = r.formParameters();
    ASSERT_EQ(form.size(), 2);
    EXPECT_EQ(form.at(1), (std::pair<QString, QString>{s(u"q"), s(u"2")}));

    const QByteArray body =
        "preamble\r\n--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n"
        "--XyZ\r\nContent-Disposition: form-data; name=\"photo\"; filename=\"x;\\\"y\\\".jpg\"\r\n"
        "Content-Type: image/jpeg\r\n\r\n\r\n--Xy\r\n\r\n--XyZ--\r\n";
    r.headers = {{"Content-Type", "multipart/form-data; boundary=\"XyZ\""}};
    r.body = body;
    const auto parts = r.multipart();
    ASSERT_TRUE(parts.has_value());
    ASSERT_EQ(parts->size(), 2);
    EXPECT_EQ(parts->at(0).body, "1");
    EXPECT_TRUE(parts->at(0).filename.isNull());
    EXPECT_EQ(parts->at(1).filename, "x;\"y\".jpg");
    EXPECT_EQ(parts->at(1).body, "\r\n--Xy\r\n"); // a near-delimiter inside the bytes is data

    r.body = body.left(body.size() - 9); // no closing delimiter
    EXPECT_FALSE(r.multipart().has_value());
    r.body = body;
    r.body.replace("--XyZ--", "--XyZx"); // a delimiter followed by neither "--" nor a line end
    EXPECT_FALSE(r.multipart().has_value());
}

TEST(StandinServer, TheUploadCapIsOneLinkSharedByEveryConnection)
{
    StandinServer server;
    server.answer("POST", "/up", [](const StandinRequest &r) { return StandinAnswer{200, {}, r.body}; });
    StandinFaults link;
    link.requestBytesPerSecond = 400 * 1024;
    server.setFaults(link);

    // Three uploads at once, each on a connection of its own: together they
    // get the link's 400 KB/s, not 400 KB/s each.
    QNetworkAccessManager net;
    QList<QByteArray> bodies;
    QList<QNetworkReply *> replies;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i) {
        bodies << pattern(20 + i, 200 * 1024);
        QNetworkRequest request{QUrl(server.baseUrl() + u"/up")};
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/octet-stream"));
        replies << net.post(request, bodies.last());
    }
    QEventLoop loop;
    int finished = 0;
    for (QNetworkReply *reply : replies)
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
            if (++finished == 3)
                loop.quit();
        });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(clock.elapsed(), 1300);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(replies[i]->readAll(), bodies[i]);
        delete replies[i];
    }
}

TEST(StandinServer, EachFaultIsWhatAClientSees)
{
    StandinServer server;
    const QByteArray big = pattern(7, 200 * 1024);
    server.answer("GET", "/small", StandinAnswer{200, {}, "abcdef"});
    server.answer("GET", "/big", StandinAnswer{200, {}, big});
    server.answer("POST", "/up", [](const StandinRequest &r) {
        return StandinAnswer{200, {}, QByteArray::number(r.body.size())};
    });
    QNetworkAccessManager net;
    const QString base = server.baseUrl();

    StandinFaults latency;
    latency.latency = 600ms;
    latency.count = 1;
    server.setFaults(latency);
    EXPECT_GE(fetch(net, base + u"/small").ms, 590);
    EXPECT_LT(fetch(net, base + u"/small").ms, 400); // used up

    StandinFaults cap;
    cap.answerBytesPerSecond = 400 * 1024;
    cap.count = 1;
    server.setFaults(cap);
    Fetched capped = fetch(net, base + u"/big");
    EXPECT_EQ(capped.body, big);
    EXPECT_GE(capped.ms, 400);

    StandinFaults upCap;
    upCap.requestBytesPerSecond = 400 * 1024;
    upCap.count = 1;
    server.setFaults(upCap);
    Fetched uploaded = fetch(net, base + u"/up", "POST", big);
    EXPECT_EQ(uploaded.body, QByteArray::number(big.size()));
    EXPECT_GE(uploaded.ms, 400);
    EXPECT_EQ(server.lastRequest().body, big);

    StandinFaults drip;
    drip.dripInterval = 20ms;
    drip.dripBytes = 5;
    drip.count = 1;
    server.setFaults(drip);
    Fetched dripped = fetch(net, base + u"/small"); // about 70 bytes with the head
    EXPECT_EQ(dripped.body, "abcdef");
    EXPECT_GE(dripped.ms, 200);

    StandinFaults cut;
    cut.truncateBodyAt = 1000;
    cut.count = 1;
    server.setFaults(cut);
    // Qt's client does not always call a body cut short an error, so the
    // check is what it received against what was announced.
    Fetched truncated = fetch(net, base + u"/big");
    EXPECT_EQ(truncated.body, big.left(truncated.body.size()));
    EXPECT_LE(truncated.body.size(), 1000);
    EXPECT_EQ(truncated.contentLength, big.size());

    StandinFaults drop;
    drop.closeAbruptly = true;
    server.setFaults(drop);
    server.clearRequests();
    // The client library resends once on a dropped connection, so every
    // request drops here.
    Fetched dropped = fetch(net, base + u"/up", "POST", "x");
    EXPECT_EQ(dropped.status, 0);
    EXPECT_EQ(dropped.error, QNetworkReply::RemoteHostClosedError);
    EXPECT_GE(server.requestCount(), 1); // it arrived whole first
    EXPECT_EQ(server.lastRequest().body, "x");

    StandinFaults oversize;
    oversize.oversizeBy = 1000;
    oversize.count = 1;
    server.setFaults(oversize);
    Fetched padded = fetch(net, base + u"/small");
    EXPECT_EQ(padded.contentLength, 1006);
    EXPECT_TRUE(padded.body.startsWith("abcdef"));

    server.setFaults(StandinFaults::serverError(502, 1));
    EXPECT_EQ(fetch(net, base + u"/small").status, 502);

    server.setFaults(StandinFaults::unavailable(7, 2));
    Fetched busy = fetch(net, base + u"/small");
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(busy.retryAfter, "7");
    EXPECT_EQ(fetch(net, base + u"/small").status, 503);
    EXPECT_EQ(fetch(net, base + u"/small").status, 200);

    // A path's faults win over the server's and leave other paths alone.
    server.setFaults(StandinFaults::serverError(500));
    server.setFaults("/sm", StandinFaults::unavailable(1));
    EXPECT_EQ(fetch(net, base + u"/small").status, 503);
    EXPECT_EQ(fetch(net, base + u"/big").status, 500);
    server.clearFaults();
    EXPECT_EQ(fetch(net, base + u"/small").status, 200);
}

TEST(StandinServer, ASlowLargeAnswerDoesNotHoldUpOtherConnections)
{
    StandinServer server;
    server.answer("GET", "/large", StandinAnswer{200, {}, pattern(3, 8 * 1024 * 1024)});
    server.answer("GET", "/quick", StandinAnswer{200, {}, "quick"});
    server.setFaults("/large", [] {
        StandinFaults f;
        f.answerBytesPerSecond = 2 * 1024 * 1024;
        return f;
    }());

    QNetworkAccessManager slowNet;
    QNetworkReply *slow = slowNet.get(QNetworkRequest(QUrl(server.baseUrl() + u"/large")));
    QNetworkAccessManager net;
    QEventLoop wait;
    QTimer::singleShot(300, &wait, &QEventLoop::quit);
    wait.exec();
    const Fetched quick = fetch(net, server.baseUrl() + u"/quick");
    EXPECT_EQ(quick.body, "quick");
    EXPECT_LT(quick.ms, 1500); // the large one needs four seconds
    EXPECT_FALSE(slow->isFinished());
    slow->abort();
    delete slow;
}
