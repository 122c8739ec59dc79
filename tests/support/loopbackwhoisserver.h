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

// A WHOIS server of our own for tests: 127.0.0.1, a port the system picks, run by
// the event loop of the thread that made it. Built for hundreds of simultaneous
// connections; everything is torn down with the object.
//
// Each connection reads one query line (up to LF, a trailing CR dropped), records
// it and plays the Reply chosen by, in this order: the handler (if it returns
// one), the rule for that exact query, the default (Reply::closeNow() unless set).
// With setOnAccept() every connection plays that Reply at once, before any query.
// With setRequestEnd() a connection reads until the predicate holds for all it
// has received, and records all of it, line ends included, as its query (an
// HTTP request, say).
//
//     LoopbackWhoisServer server;
//     server.setDefault(Reply::silent());
//     server.onQuery("slow.com", Reply::pieces({"Domain: slow.com\n", "Expiry: 2030\n"}, 30));
//     server.setHandler([](const QString &q) -> std::optional<Reply> {
//         if (q.endsWith(".net")) return Reply::text(q.toLatin1() + " is free\n");
//         return std::nullopt;
//     });
//     record.servers = {server.address()};  // "127.0.0.1:<port>"
//     QVERIFY(server.waitForQueries(3));
class LoopbackWhoisServer : public QObject
{
    Q_OBJECT
public:
    // An optional delay, pieces with a pause between them, then an ending.
    class Reply
    {
    public:
        enum class Ending { Close, KeepOpen, Reset };

        // The bytes (text as Latin-1), then a graceful close.
        static Reply text(const QByteArray &bytes);
        static Reply text(const QString &text) { return Reply::text(text.toLatin1()); }
        static Reply text(const char *text) { return Reply::text(QByteArray(text)); }
        // Written one by one, `pauseMs` apart so the client sees separate reads.
        static Reply pieces(const QList<QByteArray> &pieces, int pauseMs = 20);
        static Reply silent() { return Reply().keepOpen(); }    // nothing; left open
        static Reply closeNow() { return Reply(); }             // nothing; graceful close
        static Reply reset() { return Reply().endWithReset(); } // nothing; RST

        // Chainable: Reply::text("partial").endWithReset().
        Reply &keepOpen() { return endWith(Ending::KeepOpen); }
        Reply &endWithReset() { return endWith(Ending::Reset); }
        Reply &delayed(int ms); // before the first piece

    private:
        friend class LoopbackConnection;
        Reply &endWith(Ending ending);
        QList<QByteArray> m_pieces;
        int m_pauseMs = 0;
        int m_delayMs = 0;
        Ending m_ending = Ending::Close;
    };

    using Handler = std::function<std::optional<Reply>(const QString &query)>;
    using RequestEnd = std::function<bool(const QByteArray &received)>;

    explicit LoopbackWhoisServer(QObject *parent = nullptr); // listens at once
    ~LoopbackWhoisServer() override;

    bool isListening() const;
    quint16 serverPort() const;
    QString address() const; // "127.0.0.1:<port>", the form of a TLD server entry

    void setDefault(const Reply &reply) { m_default = reply; }
    void onQuery(const QString &query, const Reply &reply) { m_rules.insert(query, reply); }
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void setOnAccept(std::optional<Reply> reply) { m_onAccept = std::move(reply); }
    void setRequestEnd(RequestEnd end) { m_requestEnd = std::move(end); }

    // Query lines in the order received, without their line end.
    QStringList queries() const { return m_queries; }
    int queryCount() const { return static_cast<int>(m_queries.size()); }
    void clearQueries() { m_queries.clear(); }

    // Connections accepted so far, and those still open on our side (a client
    // that forgets to close its sockets shows up here).
    int acceptedCount() const { return m_accepted; }
    int openCount() const { return static_cast<int>(m_connections.size()); }
    qint64 bytesReceived() const { return m_bytesReceived; } // query lines included

    // Run the event loop until the condition holds or the time is up.
    bool waitForQueries(int count, int timeoutMs = 5000);
    bool waitForAccepted(int count, int timeoutMs = 5000);
    bool waitForOpenCount(int count, int timeoutMs = 5000);

    void close();    // stops accepting; open connections carry on
    void abortAll(); // resets every open connection

    // A 127.0.0.1 port that refuses connections at once. It stays bound (never
    // listening) for the life of the process, so nothing else can take it.
    static quint16 refusedPort();

private:
    friend class LoopbackConnection;
    void acceptPending();

    QTcpServer *m_server = nullptr;
    Reply m_default;
    QHash<QString, Reply> m_rules;
    Handler m_handler;
    std::optional<Reply> m_onAccept;
    RequestEnd m_requestEnd;
    QStringList m_queries;
    QList<LoopbackConnection *> m_connections;
    int m_accepted = 0;
    qint64 m_bytesReceived = 0;
};
