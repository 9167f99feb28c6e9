#include "uploader/UploadExchange.h"

#include "../webkit/HostileServer.h"

#include <QTcpServer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// An upload's answer is read by the same bounded reader as every other
// exchange: a server that breaks HTTP fails the attempt for now (the photo
// is tried again) instead of passing for an answer or holding the uploader.
TEST(UploadExchange, AnAnswerThatBreaksHttpFailsTheAttempt)
{
    HostileServer server;
    server.on("/head", HostileServer::endlessHead());
    server.on("/chunk", HostileServer::raw(
                            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n{}\r\n0\r\n\r\n"));
    server.on("/endless", HostileServer::endless());
    server.on("/fine", HostileServer::answer(201, {{"Content-Type", "application/json"}}, R"({"id":"7"})"));

    const UploadLimits limits{5000, 20000, qint64(1) << 20};
    const auto put = [&](const char *path) {
        return exchangeUpload("PUT", server.url(QString::fromLatin1(path)) + u"?token=secret"_s,
                              {{"Content-Type", "image/jpeg"}}, QByteArray(1000, 'x'), limits);
    };
    for (const char *path : {"/head", "/chunk", "/endless"}) {
        const UploadAnswer answer = put(path);
        EXPECT_TRUE(answer.transportFailed) << path;
        EXPECT_TRUE(answer.body.isEmpty()) << path;
        EXPECT_FALSE(answer.failure.contains(u"secret")) << answer.failure.toStdString();
    }
    const UploadAnswer fine = put("/fine");
    EXPECT_FALSE(fine.transportFailed) << fine.failure.toStdString();
    EXPECT_EQ(fine.status, 201);
    EXPECT_EQ(fine.body, R"({"id":"7"})");
    EXPECT_EQ(fine.header("content-type"), "application/json");
    EXPECT_EQ(server.requests().last().body, QByteArray(1000, 'x'));
}
