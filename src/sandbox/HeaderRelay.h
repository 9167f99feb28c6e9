#pragma once

#include <QByteArray>
#include <QList>

#include <functional>
#include <memory>
#include <utility>

using RawHeaders = QList<std::pair<QByteArray, QByteArray>>;

// A loopback TCP relay in front of an HTTP server that only hands out the
// request headers sorted by name. Each connection's raw header block is read
// whole, reported together with the port the relay then connects from, and
// the bytes are piped on unchanged; the server finds the headers in their sent
// order again by the request's remote port. Runs on a thread of its own.
class HeaderRelay
{
public:
    // `onHead(upstreamLocalPort, headers)` runs on the relay's thread before
    // any byte of that request reaches the server.
    HeaderRelay(quint16 upstreamPort, std::function<void(quint16, RawHeaders)> onHead);
    ~HeaderRelay();

    HeaderRelay(const HeaderRelay &) = delete;
    HeaderRelay &operator=(const HeaderRelay &) = delete;

    quint16 port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
