#include "loopbackwhoisserver.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using Reply = LoopbackWhoisServer::Reply;

Reply Reply::text(const QByteArray &bytes)
{
    return bytes.isEmpty() ? Reply() : Reply::pieces({bytes}, 0);
}

Reply Reply::pieces(const QList<QByteArray> &pieces, int pauseMs)
{
    Reply r;
    r.m_pieces = pieces;
    r.m_pauseMs = pauseMs;
    return r;
}

Reply &Reply::endWith(Ending ending)
{
    m_ending = ending;
    return *this;
}

// One accepted connection. The reply is played step by step from a timer, so a
// pause never blocks the test's event loop.
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
        connect(socket, &QTcpSocket::disconnected, this, &LoopbackConnection::finish);
        connect(socket, &QTcpSocket::errorOccurred, this, [this] {
            if (m_socket->state() == QAbstractSocket::UnconnectedState)
                finish();
        });
    }

    void play(const Reply &reply)
    {
        m_reply = reply;
        m_playing = true;
        step();
    }

    // An abortive close: SO_LINGER 0 makes the close send RST.
    void reset()
    {
        if (m_finished)
            return;
        const linger lg{1, 0};
        ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        m_socket->abort();
        finish();
    }

private:
    void onReadyRead()
    {
        // Whatever follows the query line is counted and dropped.
        const QByteArray bytes = m_socket->readAll();
        m_server->m_bytesReceived += bytes.size();
        if (m_gotQuery)
            return;
        m_buffer += bytes;
        if (m_server->m_requestEnd) {
            if (!m_server->m_requestEnd(m_buffer))
                return;
            const QString request = record(m_buffer);
            if (!m_playing)
                play(replyFor(request));
            return;
        }
        const qsizetype lf = m_buffer.indexOf('\n');
        if (lf < 0)
            return;
        QByteArray line = m_buffer.left(lf);
        if (line.endsWith('\r'))
            line.chop(1);
        const QString query = record(line);
        if (!m_playing)
            play(replyFor(query));
    }

    QString record(const QByteArray &line)
    {
        m_server->m_queries.append(QString::fromLatin1(line)); // before `line` may go with the buffer
        m_gotQuery = true;
        m_buffer.clear();
        return m_server->m_queries.last();
    }

    Reply replyFor(const QString &query) const
    {
        if (m_server->m_handler) {
            if (std::optional<Reply> r = m_server->m_handler(query))
                return *r;
        }
        return m_server->m_rules.value(query, m_server->m_default);
    }

    void step()
    {
        if (m_finished)
            return;
        if (m_next < m_reply.m_pieces.size()) {
            m_socket->write(m_reply.m_pieces[m_next++]);
            if (m_next < m_reply.m_pieces.size()) {
                m_timer.start(m_reply.m_pauseMs);
                return;
            }
        }
        if (m_reply.m_ending == Reply::Ending::Close) {
            m_socket->disconnectFromHost();
        } else if (m_reply.m_ending == Reply::Ending::Reset) {
            m_socket->flush();
            reset();
        }
    }

    void finish()
    {
        if (m_finished)
            return;
        // A client that hangs up without a line end still told us something.
        if (!m_gotQuery && !m_buffer.isEmpty())
            record(m_buffer);
        m_finished = true;
        m_timer.stop();
        m_server->m_connections.removeOne(this);
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
    // Deleting the connections while we are still whole keeps their sockets'
    // last signals away from a half-destroyed server.
    qDeleteAll(std::exchange(m_connections, {}));
}

void LoopbackWhoisServer::abortAll()
{
    for (LoopbackConnection *c : QList(m_connections))
        c->reset();
}

quint16 LoopbackWhoisServer::refusedPort()
{
    static const quint16 port = [] {
        // Deliberately left open (bound, not listening) until the process ends.
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), len) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
            return quint16(0);
        return quint16(ntohs(addr.sin_port));
    }();
    return port;
}

void LoopbackWhoisServer::acceptPending()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_accepted;
        m_connections.append(new LoopbackConnection(this, socket));
    }
}
