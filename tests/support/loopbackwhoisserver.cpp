#include "loopbackwhoisserver.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

using Reply = LoopbackWhoisServer::Reply;

Reply Reply::text(const QByteArray &bytes)
{
    Reply r;
    if (!bytes.isEmpty())
        r.m_pieces = {bytes};
    return r;
}

Reply Reply::text(const QString &text)
{
    return Reply::text(text.toLatin1());
}

Reply Reply::pieces(const QList<QByteArray> &pieces, int pauseMs)
{
    Reply r;
    r.m_pieces = pieces;
    r.m_pauseMs = pauseMs;
    return r;
}

Reply Reply::silent()
{
    Reply r;
    r.m_ending = Ending::KeepOpen;
    return r;
}

Reply Reply::closeNow()
{
    return Reply();
}

Reply Reply::reset()
{
    Reply r;
    r.m_ending = Ending::Reset;
    return r;
}

Reply &Reply::keepOpen()
{
    m_ending = Ending::KeepOpen;
    return *this;
}

Reply &Reply::endWithReset()
{
    m_ending = Ending::Reset;
    return *this;
}

Reply &Reply::delayed(int ms)
{
    m_delayMs = ms;
    return *this;
}

// One accepted connection: reads the query line, then plays its Reply step by
// step from a timer so that pauses never block the test's event loop.
class LoopbackConnection : public QObject
{
public:
    LoopbackConnection(LoopbackWhoisServer *server, QTcpSocket *socket)
        : QObject(server)
        , m_server(server)
        , m_socket(socket)
    {
        socket->setParent(this);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &LoopbackConnection::step);
        connect(socket, &QTcpSocket::readyRead, this, &LoopbackConnection::onReadyRead);
        connect(socket, &QTcpSocket::disconnected, this, &LoopbackConnection::onDisconnected);
        connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            if (m_socket->state() == QAbstractSocket::UnconnectedState)
                onDisconnected();
        });
    }

    void play(const Reply &reply)
    {
        m_reply = reply;
        m_playing = true;
        m_next = 0;
        if (reply.delayMs() > 0)
            m_timer.start(reply.delayMs());
        else
            step();
    }

    void abort()
    {
        resetConnection();
    }

private:
    void onReadyRead()
    {
        // Bytes after the query line (or while a reply plays) are read and dropped.
        const QByteArray bytes = m_socket->readAll();
        m_server->m_bytesReceived += bytes.size();
        if (m_gotQuery)
            return;
        m_buffer += bytes;
        const qsizetype lf = m_buffer.indexOf('\n');
        if (lf < 0)
            return;
        QByteArray line = m_buffer.left(lf);
        if (line.endsWith('\r'))
            line.chop(1);
        m_gotQuery = true;
        m_buffer.clear();
        const QString query = QString::fromLatin1(line);
        m_server->recordQuery(query);
        if (!m_playing)
            play(m_server->replyFor(query));
    }

    void step()
    {
        if (m_finished)
            return;
        const QList<QByteArray> &pieces = m_reply.pieceList();
        if (m_next < pieces.size()) {
            m_socket->write(pieces[m_next++]);
            if (m_next < pieces.size()) {
                m_timer.start(m_reply.pauseMs());
                return;
            }
        }
        switch (m_reply.ending()) {
        case Reply::Ending::KeepOpen:
            break;
        case Reply::Ending::Close:
            m_socket->disconnectFromHost();
            break;
        case Reply::Ending::Reset:
            m_socket->flush();
            resetConnection();
            break;
        }
    }

    void resetConnection()
    {
        if (m_finished)
            return;
        const qintptr fd = m_socket->socketDescriptor();
        if (fd >= 0) {
            linger lg{};
            lg.l_onoff = 1;
            lg.l_linger = 0;
            ::setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        }
        m_socket->abort();
        onDisconnected();
    }

    void onDisconnected()
    {
        if (m_finished)
            return;
        // A client that hangs up without a line end still told us something.
        if (!m_gotQuery && !m_buffer.isEmpty()) {
            m_gotQuery = true;
            m_server->recordQuery(QString::fromLatin1(m_buffer));
        }
        m_finished = true;
        m_timer.stop();
        m_server->forget(this);
        deleteLater();
    }

    LoopbackWhoisServer *m_server;
    QTcpSocket *m_socket;
    QTimer m_timer;
    QByteArray m_buffer;
    Reply m_reply;
    qsizetype m_next = 0;
    bool m_gotQuery = false;
    bool m_playing = false;
    bool m_finished = false;
};

LoopbackWhoisServer::LoopbackWhoisServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    m_server->setMaxPendingConnections(1 << 20);
    m_server->setListenBacklogSize(4096);
    connect(m_server, &QTcpServer::newConnection, this, &LoopbackWhoisServer::acceptPending);
    m_server->listen(QHostAddress::LocalHost, 0);
}

LoopbackWhoisServer::~LoopbackWhoisServer()
{
    m_server->close();
    // The connections are our children; deleting them here, while we are still
    // whole, keeps their sockets' last signals away from a half-destroyed server.
    const QList<LoopbackConnection *> open = std::exchange(m_connections, {});
    qDeleteAll(open);
}

bool LoopbackWhoisServer::isListening() const
{
    return m_server->isListening();
}

quint16 LoopbackWhoisServer::serverPort() const
{
    return m_server->serverPort();
}

QString LoopbackWhoisServer::address() const
{
    return host() + u':' + QString::number(serverPort());
}

void LoopbackWhoisServer::setDefault(const Reply &reply)
{
    m_default = reply;
}

void LoopbackWhoisServer::onQuery(const QString &query, const Reply &reply)
{
    m_rules.insert(query, reply);
}

void LoopbackWhoisServer::clearRules()
{
    m_rules.clear();
}

void LoopbackWhoisServer::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

void LoopbackWhoisServer::setOnAccept(std::optional<Reply> reply)
{
    m_onAccept = std::move(reply);
}

bool LoopbackWhoisServer::waitForQueries(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return queryCount() >= count; }, timeoutMs);
}

bool LoopbackWhoisServer::waitForAccepted(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_accepted >= count; }, timeoutMs);
}

bool LoopbackWhoisServer::waitForOpenCount(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return openCount() == count; }, timeoutMs);
}

void LoopbackWhoisServer::close()
{
    m_server->close();
}

void LoopbackWhoisServer::abortAll()
{
    const QList<LoopbackConnection *> open = m_connections;
    for (LoopbackConnection *c : open)
        c->abort();
}

quint16 LoopbackWhoisServer::refusedPort()
{
    static const quint16 port = [] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return quint16(0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
            ::close(fd);
            return quint16(0);
        }
        // Deliberately kept open (bound, not listening) until the process ends.
        return quint16(ntohs(addr.sin_port));
    }();
    return port;
}

void LoopbackWhoisServer::acceptPending()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_accepted;
        auto *connection = new LoopbackConnection(this, socket);
        m_connections.append(connection);
        if (m_onAccept)
            connection->play(*m_onAccept);
    }
}

Reply LoopbackWhoisServer::replyFor(const QString &query) const
{
    if (m_handler) {
        if (std::optional<Reply> r = m_handler(query))
            return *r;
    }
    const auto it = m_rules.constFind(query);
    return it != m_rules.cend() ? *it : m_default;
}

void LoopbackWhoisServer::recordQuery(const QString &query)
{
    m_queries.append(query);
    emit queryReceived(query);
}

void LoopbackWhoisServer::forget(LoopbackConnection *connection)
{
    m_connections.removeOne(connection);
}
