#include "sandbox/StandinServer.h"

#include "RawHttp.h"
#include "support/TestText.h"

#include <QHttpMultiPart>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

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

// Posts each body at once on `net`, which spreads them over its six kept-alive
// connections, and waits for every answer.
QList<QNetworkReply *> postAll(QNetworkAccessManager &net, const QString &url,
                               const QList<QByteArray> &bodies, bool multipart = false)
{
    QList<QNetworkReply *> replies;
    for (qsizetype i = 0; i < bodies.size(); ++i) {
        QNetworkRequest request{QUrl(url + u"?n=" + QString::number(i))};
        if (!multipart || i % 2) {
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/octet-stream"));
            replies << net.put(request, bodies[i]);
            continue;
        }
        auto *form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
        QHttpPart photo;
        photo.setHeader(QNetworkRequest::ContentDispositionHeader,
                        QByteArrayLiteral("form-data; name=\"photo\"; filename=\"p.jpg\""));
        photo.setBody(bodies[i]);
        form->append(photo);
        replies << net.post(request, form);
        form->setParent(replies.last());
    }
    EXPECT_TRUE(waitUntil(
        [&] { return std::all_of(replies.begin(), replies.end(), [](auto *r) { return r->isFinished(); }); },
        120000));
    return replies;
}

} // namespace

// Half of them multipart photo forms, half raw bodies, of odd sizes up to
// 3 MB, several on each kept-alive connection.
TEST(StandinServer, ManyConcurrentUploadsArriveByteForByte)
{
    StandinServer server;
    server.answerPrefix("*", "/upload", StandinAnswer{200, {}, "ok"});
    QList<QByteArray> bodies;
    for (int i = 0; i < 30; ++i)
        bodies << pattern(i, 64 * 1024 + (3 * 1024 * 1024 - 64 * 1024) * i / 29 + i);
    QNetworkAccessManager net;
    const QList<QNetworkReply *> replies = postAll(net, server.baseUrl() + u"/upload", bodies, true);

    ASSERT_EQ(server.requestCount(), bodies.size());
    for (const StandinRequest &r : server.requests()) {
        const int i = r.queryValue(s(u"n")).toInt();
        SCOPED_TRACE(i);
        const auto parts = r.multipart();
        EXPECT_TRUE((i % 2 ? r.body : parts.value_or(QList<StandinPart>{}).value(0).body) == bodies[i]);
        EXPECT_EQ(r.header("Content-Length").toLongLong(), r.body.size());
        EXPECT_EQ(replies[i]->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    }
    qDeleteAll(replies);
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

    EXPECT_EQ(fetch(server.baseUrl() + u"/files/a.jpg").body, "files");
    EXPECT_EQ(fetch(server.baseUrl() + u"/files/deep/b.jpg", "DELETE").body, "deep");
    EXPECT_EQ(fetch(server.baseUrl() + u"/files/deep/exact").body, "exact");
    EXPECT_EQ(fetch(server.baseUrl() + u"/other").status, 404);

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
    server.answer("PUT", "/up", [](const StandinRequest &r) { return StandinAnswer{200, {}, r.body}; });
    StandinFaults link;
    link.requestBytesPerSecond = 400 * 1024;
    server.setFaults(link);

    // Three uploads at once, each on a connection of its own: together they
    // get the link's 400 KB/s, not 400 KB/s each.
    const QList<QByteArray> bodies = {pattern(20, 200 * 1024), pattern(21, 200 * 1024),
                                      pattern(22, 200 * 1024)};
    QNetworkAccessManager net;
    QElapsedTimer clock;
    clock.start();
    const QList<QNetworkReply *> replies = postAll(net, server.baseUrl() + u"/up", bodies);
    EXPECT_GE(clock.elapsed(), 1300);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(replies[i]->readAll(), bodies[i]);
    qDeleteAll(replies);
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
    const QString base = server.baseUrl();
    // One request's worth of the fault `set` describes.
    const auto once = [&](const std::function<void(StandinFaults &)> &set) {
        StandinFaults f;
        f.count = 1;
        set(f);
        server.setFaults(f);
    };

    once([](StandinFaults &f) { f.latency = 600ms; });
    EXPECT_GE(fetch(base + u"/small").ms, 590);
    EXPECT_FALSE(server.faults().any()); // used up

    once([](StandinFaults &f) { f.answerBytesPerSecond = 400 * 1024; });
    const Fetched capped = fetch(base + u"/big");
    EXPECT_EQ(capped.body, big);
    EXPECT_GE(capped.ms, 400);

    once([](StandinFaults &f) {
        f.dripInterval = 20ms;
        f.dripBytes = 5;
    });
    const Fetched dripped = fetch(base + u"/small"); // about 70 bytes with the head
    EXPECT_EQ(dripped.body, "abcdef");
    EXPECT_GE(dripped.ms, 200);

    // Qt's client does not always call a body cut short an error, so the
    // check is what it received against what was announced.
    once([](StandinFaults &f) { f.truncateBodyAt = 1000; });
    const Fetched truncated = fetch(base + u"/big");
    EXPECT_EQ(truncated.body, big.left(truncated.body.size()));
    EXPECT_LE(truncated.body.size(), 1000);
    EXPECT_EQ(truncated.contentLength, big.size());

    // The client library resends once on a dropped connection, so every
    // request drops here.
    StandinFaults drop;
    drop.closeAbruptly = true;
    server.setFaults(drop);
    server.clearRequests();
    const Fetched dropped = fetch(base + u"/up", "POST", "x");
    EXPECT_EQ(dropped.status, 0);
    EXPECT_EQ(dropped.error, QNetworkReply::RemoteHostClosedError);
    EXPECT_GE(server.requestCount(), 1); // it arrived whole first
    EXPECT_EQ(server.lastRequest().body, "x");

    once([](StandinFaults &f) { f.oversizeBy = 1000; });
    const Fetched padded = fetch(base + u"/small");
    EXPECT_EQ(padded.contentLength, 1006);
    EXPECT_TRUE(padded.body.startsWith("abcdef"));

    server.setFaults(StandinFaults::serverError(502, 1));
    EXPECT_EQ(fetch(base + u"/small").status, 502);

    server.setFaults(StandinFaults::unavailable(7, 2));
    const Fetched busy = fetch(base + u"/small");
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(busy.retryAfter, "7");
    EXPECT_EQ(fetch(base + u"/small").status, 503);
    EXPECT_EQ(fetch(base + u"/small").status, 200);

    // A path's faults win over the server's and leave other paths alone.
    server.setFaults(StandinFaults::serverError(500));
    server.setFaults("/sm", StandinFaults::unavailable(1));
    EXPECT_EQ(fetch(base + u"/small").status, 503);
    EXPECT_EQ(fetch(base + u"/big").status, 500);
    server.clearFaults();
    EXPECT_EQ(fetch(base + u"/small").status, 200);
}

TEST(StandinServer, ASlowLargeAnswerDoesNotHoldUpOtherConnections)
{
    StandinServer server;
    server.answer("GET", "/large", StandinAnswer{200, {}, pattern(3, 8 * 1024 * 1024)});
    server.answer("GET", "/quick", StandinAnswer{200, {}, "quick"});
    StandinFaults slowLink;
    slowLink.answerBytesPerSecond = 2 * 1024 * 1024;
    server.setFaults("/large", slowLink);

    QNetworkAccessManager slowNet;
    QNetworkReply *slow = slowNet.get(QNetworkRequest(QUrl(server.baseUrl() + u"/large")));
    ASSERT_TRUE(waitUntil([&] { return slow->bytesAvailable() > 0; }, 20000)); // it is under way
    EXPECT_EQ(fetch(server.baseUrl() + u"/quick").body, "quick");
    EXPECT_FALSE(slow->isFinished()); // the large one needs four seconds
    slow->abort();
    delete slow;
}
