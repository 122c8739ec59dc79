#include "loopbackhttpserver.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

class LoopbackHttpConnection : public QObject
{
public:
    LoopbackHttpConnection(LoopbackHttpServer *server, QTcpSocket *socket)
        : QObject(server)
        , m_server(server)
        , m_socket(socket)
    {
        socket->setParent(this);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &LoopbackHttpConnection::reply);
        connect(socket, &QTcpSocket::readyRead, this, &LoopbackHttpConnection::onReadyRead);
        connect(socket, &QTcpSocket::disconnected, this, &LoopbackHttpConnection::finish);
    }

private:
    void onReadyRead()
    {
        m_buffer += m_socket->readAll();
        next();
    }

    // The next whole request in the buffer, unless one is being answered.
    void next()
    {
        if (m_answering || m_finished)
            return;
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_answering = true;
        const QByteArray request = m_buffer.left(end + 4);
        m_buffer.remove(0, end + 4);
        m_server->m_requests.append(request);
        const QString line = QString::fromLatin1(request.left(request.indexOf("\r\n")));
        m_reply = m_server->m_handler ? m_server->m_handler(line) : LoopbackHttpServer::Reply::closeNow();
        m_next = 0;
        if (m_reply.silent)
            return;
        m_reply.delayMs > 0 ? m_timer.start(m_reply.delayMs) : reply();
    }

    void reply()
    {
        if (m_finished)
            return;
        if (m_next < m_reply.pieces.size()) {
            m_socket->write(m_reply.pieces[m_next++]);
            if (m_next < m_reply.pieces.size()) {
                m_timer.start(m_reply.pauseMs);
                return;
            }
        }
        if (!m_reply.keepOpen) {
            m_socket->disconnectFromHost();
            return;
        }
        m_answering = false;
        next();
    }

    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        m_timer.stop();
        m_server->m_connections.removeOne(this);
        deleteLater();
    }

    LoopbackHttpServer *m_server;
    QTcpSocket *m_socket;
    QTimer m_timer;
    QByteArray m_buffer;
    LoopbackHttpServer::Reply m_reply;
    qsizetype m_next = 0;
    bool m_answering = false;
    bool m_finished = false;
};

QByteArray LoopbackHttpServer::Reply::response(int status, const QByteArray &body,
                                               const QList<QByteArray> &headers)
{
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
    for (const QByteArray &h : headers)
        bytes += h + "\r\n";
    return bytes + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::http(int status, const QByteArray &body,
                                                          const QList<QByteArray> &headers)
{
    return page(response(status, body, QList<QByteArray>(headers) << "Connection: close"));
}

LoopbackHttpServer::LoopbackHttpServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::acceptPending);
    m_server->listen(QHostAddress::LocalHost, 0);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_server->close();
    qDeleteAll(std::exchange(m_connections, {}));
}

QStringList LoopbackHttpServer::requestLines() const
{
    QStringList lines;
    for (const QByteArray &request : m_requests)
        lines << QString::fromLatin1(request.left(request.indexOf("\r\n")));
    return lines;
}

void LoopbackHttpServer::acceptPending()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_accepted;
        m_connections.append(new LoopbackHttpConnection(this, socket));
    }
}
