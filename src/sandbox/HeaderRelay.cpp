#include "sandbox/HeaderRelay.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

RawHeaders parseHeaderBlock(const QByteArray &block)
{
    RawHeaders out;
    const QList<QByteArray> lines = block.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) { // line 0 is the request line
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            out.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    return out;
}

// One client connection: collects the head, then pipes both ways until
// either side closes. Deletes itself (and both sockets) when done.
class Pipe : public QObject
{
public:
    Pipe(QTcpSocket *client, quint16 upstreamPort, const std::function<void(quint16, RawHeaders)> &onHead,
         QObject *parent)
        : QObject(parent), m_client(client), m_upstreamPort(upstreamPort), m_onHead(onHead)
    {
        m_client->setParent(this);
        connect(m_client, &QTcpSocket::readyRead, this, &Pipe::fromClient);
        connect(m_client, &QTcpSocket::disconnected, this, &Pipe::clientGone);
        fromClient();
    }

private:
    void fromClient()
    {
        const QByteArray bytes = m_client->readAll();
        if (m_upstream) {
            // Until the head has gone out, what follows it waits behind it.
            if (m_head.isEmpty())
                m_upstream->write(bytes);
            else
                m_head += bytes;
            return;
        }
        m_head += bytes;
        const qsizetype end = m_head.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_upstream = new QTcpSocket(this);
        connect(m_upstream, &QTcpSocket::connected, this, [this, end] {
            m_onHead(m_upstream->localPort(), parseHeaderBlock(m_head.left(end)));
            m_upstream->write(m_head);
            m_head.clear();
        });
        connect(m_upstream, &QTcpSocket::readyRead, this, [this] { m_client->write(m_upstream->readAll()); });
        connect(m_upstream, &QTcpSocket::disconnected, this, [this] {
            m_client->write(m_upstream->readAll());
            m_client->disconnectFromHost(); // flushes what is pending first
            finishWhenBothClosed();
        });
        connect(m_upstream, &QTcpSocket::errorOccurred, this, [this] { finishWhenBothClosed(); });
        m_upstream->connectToHost(QHostAddress::LocalHost, m_upstreamPort);
    }

    void clientGone()
    {
        if (m_upstream && m_upstream->state() != QAbstractSocket::UnconnectedState)
            m_upstream->disconnectFromHost();
        m_clientClosed = true;
        finishWhenBothClosed();
    }

    void finishWhenBothClosed()
    {
        const bool upstreamDone = !m_upstream || m_upstream->state() == QAbstractSocket::UnconnectedState;
        if ((m_clientClosed || m_client->state() == QAbstractSocket::UnconnectedState) && upstreamDone)
            deleteLater();
    }

    QTcpSocket *m_client;
    QPointer<QTcpSocket> m_upstream;
    quint16 m_upstreamPort;
    const std::function<void(quint16, RawHeaders)> &m_onHead;
    QByteArray m_head;
    bool m_clientClosed = false;
};

} // namespace

struct HeaderRelay::Impl
{
    QThread thread;
    // Lives on `thread` and owns the server and every open pipe, so that
    // deleting it there closes everything at once.
    QObject *context = nullptr;
    quint16 port = 0;
    quint16 upstreamPort = 0;
    std::function<void(quint16, RawHeaders)> onHead;
};

HeaderRelay::HeaderRelay(quint16 upstreamPort, std::function<void(quint16, RawHeaders)> onHead)
    : d(std::make_unique<Impl>())
{
    d->upstreamPort = upstreamPort;
    d->onHead = std::move(onHead);
    d->thread.setObjectName(QStringLiteral("HeaderRelay"));
    d->context = new QObject;
    d->context->moveToThread(&d->thread);
    d->thread.start();
    // Listen on the relay's own thread, and wait for it so port() is known.
    QMetaObject::invokeMethod(
        d->context,
        [this] {
            auto *server = new QTcpServer(d->context);
            server->listen(QHostAddress::LocalHost, 0);
            d->port = server->serverPort();
            QObject::connect(server, &QTcpServer::newConnection, d->context, [this, server] {
                while (QTcpSocket *client = server->nextPendingConnection())
                    new Pipe(client, d->upstreamPort, d->onHead, d->context);
            });
        },
        Qt::BlockingQueuedConnection);
}

HeaderRelay::~HeaderRelay()
{
    QMetaObject::invokeMethod(
        d->context, [this] { delete d->context; }, Qt::BlockingQueuedConnection);
    d->thread.quit();
    d->thread.wait();
}

quint16 HeaderRelay::port() const
{
    return d->port;
}
