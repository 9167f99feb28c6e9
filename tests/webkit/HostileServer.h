#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

class QTcpServer;
class QTcpSocket;

// One request as it reached the hostile server.
struct HostileRequest
{
    QByteArray method;
    QByteArray target; // path and query, as sent
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const; // null when absent
    bool hasHeader(const QByteArray &name) const { return !header(name).isNull(); }
};

// A raw HTTP/1.1 server on 127.0.0.1 that lives on the test's own thread
// (a synchronous send spins the loop that serves it) and answers each path
// with a script free to write any bytes at any pace: endless bodies, drips,
// lies about lengths and encodings. Every answer ends its connection.
class HostileServer : public QObject
{
public:
    using Script = std::function<void(QTcpSocket &socket, const HostileRequest &request)>;

    // Listens on `listener` (e.g. a QSslServer already configured) when
    // given, else on a plain QTcpServer.
    explicit HostileServer(std::unique_ptr<QTcpServer> listener = nullptr);
    ~HostileServer() override;

    int port() const;
    QString url(const QString &path) const;         // scheme, 127.0.0.1, port, then `path`
    void on(const QByteArray &path, Script script); // path without the query
    const QList<HostileRequest> &requests() const { return m_requests; }

    static Script answer(int status, const QList<std::pair<QByteArray, QByteArray>> &headers,
                         const QByteArray &body);
    static Script redirect(int status, const QString &location);
    // 200 with no length, 64 KiB chunks for as long as the client reads.
    static Script endless();
    // A status line, then one header field that never ends.
    static Script endlessHead();
    // `bytes` exactly as given, then the end of the connection.
    static Script raw(const QByteArray &bytes);
    // 200 that promises a megabyte and sends one byte per interval.
    static Script drip(int intervalMs);
    // `script` after `ms`.
    static Script later(int ms, Script script);

private:
    void accept();
    void serve(QTcpSocket *socket, const std::shared_ptr<QByteArray> &buffer);

    std::unique_ptr<QTcpServer> m_listener;
    bool m_tls = false;
    QMap<QByteArray, Script> m_scripts;
    QList<HostileRequest> m_requests;
};

// `data` deflated with zlib's `windowBits`: 15 a zlib stream, -15 raw,
// 31 one gzip member.
QByteArray deflated(const QByteArray &data, int windowBits);
QByteArray gzipped(const QByteArray &data);
// `count` zero bytes gzipped, built without holding them.
QByteArray gzippedZeros(qint64 count);
