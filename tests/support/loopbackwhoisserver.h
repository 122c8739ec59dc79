#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTest>

#include <functional>
#include <optional>

class LoopbackConnection;

// A WHOIS server of our own for tests on 127.0.0.1, run by the event loop of the
// thread that made it. Each connection records one query line (a trailing CR
// dropped; with setRequestEnd(), all it received once the predicate holds) and
// plays the Reply of the handler, else of the rule for that query, else the default.
class LoopbackWhoisServer : public QObject
{
    Q_OBJECT
public:
    // Pieces with a pause between them, then an ending.
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

        Reply &keepOpen() { return endWith(Ending::KeepOpen); } // chainable: text("partial").keepOpen()
        Reply &endWithReset() { return endWith(Ending::Reset); }

    private:
        friend class LoopbackConnection;
        Reply &endWith(Ending ending);
        QList<QByteArray> m_pieces;
        int m_pauseMs = 0;
        Ending m_ending = Ending::Close;
    };

    using Handler = std::function<std::optional<Reply>(const QString &query)>;
    using RequestEnd = std::function<bool(const QByteArray &received)>;

    explicit LoopbackWhoisServer(QObject *parent = nullptr); // listens at once
    ~LoopbackWhoisServer() override;

    quint16 serverPort() const { return m_server->serverPort(); }
    // "127.0.0.1:<port>", the form of a TLD server entry
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

    void setDefault(const Reply &reply) { m_default = reply; }
    void onQuery(const QString &query, const Reply &reply) { m_rules.insert(query, reply); }
    void setHandler(Handler handler) { m_handler = std::move(handler); }
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
    bool waitForQueries(int count, int ms = 5000)
    {
        return wait([&] { return queryCount() >= count; }, ms);
    }
    bool waitForAccepted(int count, int ms = 5000)
    {
        return wait([&] { return m_accepted >= count; }, ms);
    }
    bool waitForOpenCount(int count, int ms = 5000)
    {
        return wait([&] { return openCount() == count; }, ms);
    }

    void close() { m_server->close(); } // stops accepting; open connections carry on
    void abortAll();                    // resets every open connection

    // A 127.0.0.1 port that refuses connections at once. It stays bound (never
    // listening) for the life of the process, so nothing else can take it.
    static quint16 refusedPort();

private:
    friend class LoopbackConnection;
    void acceptPending();
    static bool wait(const std::function<bool()> &done, int ms) { return QTest::qWaitFor(done, ms); }

    QTcpServer *m_server = nullptr;
    Reply m_default;
    QHash<QString, Reply> m_rules;
    Handler m_handler;
    RequestEnd m_requestEnd;
    QStringList m_queries;
    QList<LoopbackConnection *> m_connections;
    int m_accepted = 0;
    qint64 m_bytesReceived = 0;
};
