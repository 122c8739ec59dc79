#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QTcpServer;
class LoopbackConnection;

// A WHOIS server of our own for tests: a QTcpServer on 127.0.0.1, port chosen by
// the system, living on the thread (and event loop) of the test that made it.
//
// Each connection waits for one query line (up to LF; a trailing CR is dropped),
// records it, picks a Reply and plays it. The Reply is chosen in this order:
//   1. the handler set with setHandler(), if it returns one;
//   2. the rule for that exact query text set with onQuery();
//   3. the default (setDefault(); otherwise Reply::closeNow()).
// With setOnAccept() every connection plays a Reply straight away instead, without
// waiting for a query (a server that hangs up before the client has said anything).
//
// A Reply is: an optional delay, zero or more pieces written with a pause between
// them, then an ending: close gracefully (after the pieces are flushed), keep the
// connection open, or reset it (RST, via SO_LINGER 0).
//
//     LoopbackWhoisServer server;
//     server.setDefault(LoopbackWhoisServer::Reply::silent());
//     server.onQuery("example.com", Reply::text("No match for \"EXAMPLE.COM\".\r\n"));
//     server.onQuery("slow.com", Reply::pieces({"Domain: slow.com\n", "Expiry: 2030-01-01\n"}, 30));
//     server.onQuery("rst.com", Reply::reset());
//     server.setHandler([](const QString &q) -> std::optional<Reply> {
//         if (q.endsWith(".net")) return Reply::text(q.toLatin1() + " is free\n");
//         return std::nullopt;
//     });
//     record.servers = {server.address()};           // "127.0.0.1:<port>"
//     ...
//     QVERIFY(server.waitForQueries(3));
//     QCOMPARE(server.queries(), QStringList({"a.com", "b.com", "c.com"}));
//
// Built for hundreds of simultaneous connections (large listen backlog, no limit
// on pending connections). Everything is torn down with the server object.
class LoopbackWhoisServer : public QObject
{
    Q_OBJECT
public:
    class Reply
    {
    public:
        enum class Ending { Close, KeepOpen, Reset };

        // The bytes, then a graceful close. Text is sent as Latin-1.
        static Reply text(const QByteArray &bytes);
        static Reply text(const QString &text);
        static Reply text(const char *text) { return Reply::text(QByteArray(text)); }
        // The pieces one by one with `pauseMs` between them (so the client sees
        // separate reads), then a graceful close.
        static Reply pieces(const QList<QByteArray> &pieces, int pauseMs = 20);
        // Nothing, and the connection stays open until the client closes it.
        static Reply silent();
        // A graceful close without any reply.
        static Reply closeNow();
        // An abortive close (RST) without any reply: the client sees "connection reset".
        static Reply reset();

        // Modifiers, chainable: Reply::text("partial").endWithReset().
        Reply &keepOpen();         // don't close after the pieces
        Reply &endWithReset();     // reset after the pieces instead of closing
        Reply &delayed(int ms);    // wait before the first piece / the ending

        const QList<QByteArray> &pieceList() const { return m_pieces; }
        int pauseMs() const { return m_pauseMs; }
        int delayMs() const { return m_delayMs; }
        Ending ending() const { return m_ending; }

    private:
        QList<QByteArray> m_pieces;
        int m_pauseMs = 0;
        int m_delayMs = 0;
        Ending m_ending = Ending::Close;
    };

    using Handler = std::function<std::optional<Reply>(const QString &query)>;

    // Starts listening at once; check isListening() (it only fails when the
    // system is out of ports or descriptors).
    explicit LoopbackWhoisServer(QObject *parent = nullptr);
    ~LoopbackWhoisServer() override;

    bool isListening() const;
    quint16 serverPort() const;
    QString host() const { return QStringLiteral("127.0.0.1"); }
    // "127.0.0.1:<port>", the form a TLD server entry takes.
    QString address() const;

    void setDefault(const Reply &reply);
    void onQuery(const QString &query, const Reply &reply);
    void clearRules();
    void setHandler(Handler handler);
    void setOnAccept(std::optional<Reply> reply);

    // Query lines in the order they were received (without CR LF).
    QStringList queries() const { return m_queries; }
    int queryCount() const { return static_cast<int>(m_queries.size()); }
    QString lastQuery() const { return m_queries.isEmpty() ? QString() : m_queries.last(); }
    void clearQueries() { m_queries.clear(); }

    // Connections accepted so far, and those still open on the server's side
    // (a client that forgets to close its sockets shows up here).
    int acceptedCount() const { return m_accepted; }
    int openCount() const { return static_cast<int>(m_connections.size()); }
    // Every byte clients sent, query lines included.
    qint64 bytesReceived() const { return m_bytesReceived; }

    // Runs the event loop until the condition holds or the time is up.
    bool waitForQueries(int count, int timeoutMs = 5000);
    bool waitForAccepted(int count, int timeoutMs = 5000);
    bool waitForOpenCount(int count, int timeoutMs = 5000);

    // Stops accepting (already open connections carry on).
    void close();
    // Resets every open connection.
    void abortAll();

    // A 127.0.0.1 port on which nothing listens: connecting to it is refused at
    // once. The port stays bound (never listening) for the life of the process,
    // so no other program can take it in the meantime.
    static quint16 refusedPort();

signals:
    void queryReceived(const QString &query);

private:
    friend class LoopbackConnection;
    void acceptPending();
    Reply replyFor(const QString &query) const;
    void recordQuery(const QString &query);
    void forget(LoopbackConnection *connection);

    QTcpServer *m_server = nullptr;
    Reply m_default = Reply::closeNow();
    QHash<QString, Reply> m_rules;
    Handler m_handler;
    std::optional<Reply> m_onAccept;
    QStringList m_queries;
    QList<LoopbackConnection *> m_connections;
    int m_accepted = 0;
    qint64 m_bytesReceived = 0;
};
