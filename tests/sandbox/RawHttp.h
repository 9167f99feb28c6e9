#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

// Lets events run until `done` holds; false when `timeoutMs` passed first.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Talks to a server on 127.0.0.1 byte for byte, for what a client library
// hides or refuses to send; returns all it answered until `expectAnswers`
// status lines came, the connection closed or `timeoutMs` passed.
inline QByteArray exchange(int port, const QByteArray &wire, int expectAnswers, int timeoutMs = 5000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    EXPECT_TRUE(socket.waitForConnected(timeoutMs));
    socket.write(wire);
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.count("HTTP/1.1 ") < expectAnswers && clock.elapsed() < timeoutMs) {
        if (socket.waitForReadyRead(100))
            got += socket.readAll();
        if (socket.state() != QAbstractSocket::ConnectedState)
            break;
    }
    socket.waitForReadyRead(100);
    got += socket.readAll();
    return got;
}

// The Host header a client of the server at `port` sends.
inline QByteArray hostOf(int port)
{
    return "127.0.0.1:" + QByteArray::number(port);
}

// What an ordinary client got for one request.
struct Fetched
{
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    QByteArray contentType;
    QByteArray retryAfter;
    qint64 contentLength = -1;
    qint64 ms = 0;
};

inline Fetched fetch(const QString &url, const QByteArray &method = "GET", const QByteArray &body = {},
                     const QByteArray &authorization = {})
{
    QNetworkAccessManager net;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    if (!authorization.isEmpty())
        request.setRawHeader("Authorization", authorization);
    QElapsedTimer clock;
    clock.start();
    QNetworkReply *reply = net.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched f{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
              reply->error(),
              reply->readAll(),
              reply->rawHeader("Content-Type"),
              reply->rawHeader("Retry-After"),
              reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(),
              clock.elapsed()};
    delete reply;
    return f;
}
