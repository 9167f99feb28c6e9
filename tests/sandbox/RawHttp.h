#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <gtest/gtest.h>

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
