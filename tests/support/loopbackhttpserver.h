#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTest>

#include <functional>

class LoopbackHttpConnection;

// A web server of our own for tests: 127.0.0.1, a port the system picks. Each
// connection reads a request (up to the empty line that ends its header),
// records it, and plays the Reply the handler picks for its request line. A
// reply that keeps the connection open then reads the next request on it,
// including one the client sent before the answer (pipelined).
class LoopbackHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Reply {
        QList<QByteArray> pieces;
        int pauseMs = 0;       // between pieces
        int delayMs = 0;       // before anything is written
        bool silent = false;   // nothing written, the connection left open
        bool keepOpen = false; // after the pieces, the next request on the same connection

        // The bytes (status line and header included, as the test writes them), then a close.
        static Reply page(const QByteArray &bytes, int delayMs = 0) { return {{bytes}, 0, delayMs, false}; }
        // Written piece by piece, `pauseMs` apart, then a close.
        static Reply trickle(const QList<QByteArray> &pieces, int pauseMs)
        {
            return {pieces, pauseMs, 0, false};
        }
        // A whole HTTP/1.1 response: status line, Content-Length, "Connection:
        // close", the `headers` given ("Retry-After: 5"), the body; then a close.
        static Reply http(int status, const QByteArray &body, const QList<QByteArray> &headers = {});
        // The same response without "Connection: close", the connection kept for the next request.
        static Reply kept(int status, const QByteArray &body, const QList<QByteArray> &headers = {})
        {
            return keptBytes(response(status, body, headers));
        }
        // Bytes as the test writes them (one answer, several, or a part of one), the connection kept.
        static Reply keptBytes(const QByteArray &bytes) { return {{bytes}, 0, 0, false, true}; }
        // Status line, the `headers`, Content-Length and the body, nothing about the connection.
        static QByteArray response(int status, const QByteArray &body, const QList<QByteArray> &headers = {});
        static Reply closeNow() { return {}; }
        static Reply silence() { return {{}, 0, 0, true}; }
    };
    using Handler = std::function<Reply(const QString &requestLine)>;

    explicit LoopbackHttpServer(QObject *parent = nullptr);
    ~LoopbackHttpServer() override;

    quint16 serverPort() const { return m_server->serverPort(); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // Whole requests (request line, header lines, the empty line), in order.
    const QList<QByteArray> &requests() const { return m_requests; }
    // Request lines without their CR LF.
    QStringList requestLines() const;
    int requestCount() const { return static_cast<int>(m_requests.size()); }
    bool waitForRequests(int count, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return requestCount() >= count; }, ms);
    }
    int openCount() const { return static_cast<int>(m_connections.size()); }
    // Connections accepted since the start.
    int acceptedCount() const { return m_accepted; }

private:
    friend class LoopbackHttpConnection;
    void acceptPending();

    QTcpServer *m_server;
    Handler m_handler;
    QList<QByteArray> m_requests;
    QList<LoopbackHttpConnection *> m_connections;
    int m_accepted = 0;
};
