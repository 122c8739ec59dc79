#include "support/loopbackwhoisserver.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

using Reply = LoopbackWhoisServer::Reply;

// The test server carries every network test of the program, so its own
// behaviours are pinned down here with a plain QTcpSocket as the client.
class TestLoopbackServer : public QObject
{
    Q_OBJECT

    struct Exchange {
        QByteArray received;
        int reads = 0;
        bool closed = false;
        QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
    };

    static Exchange ask(quint16 port, const QByteArray &line, int waitMs = 5000)
    {
        Exchange ex;
        QTcpSocket socket;
        QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
            ex.received += socket.readAll();
            ++ex.reads;
        });
        QObject::connect(&socket, &QTcpSocket::disconnected, [&] { ex.closed = true; });
        QObject::connect(&socket, &QTcpSocket::errorOccurred, [&](QAbstractSocket::SocketError e) {
            if (e != QAbstractSocket::RemoteHostClosedError)
                ex.error = e;
            ex.closed = true;
        });
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!line.isNull())
            socket.write(line);
        (void)QTest::qWaitFor([&] { return ex.closed; }, waitMs);
        socket.disconnect(); // its destructor must not write into the result
        return ex;
    }

private slots:
    void scriptedRepliesByQuery()
    {
        LoopbackWhoisServer server;
        QVERIFY(server.isListening());
        server.setDefault(Reply::text("default\n"));
        server.onQuery(QStringLiteral("example.com"), Reply::text("example reply\n"));
        server.setHandler([](const QString &q) -> std::optional<Reply> {
            if (q.endsWith(QLatin1String(".net")))
                return Reply::text(q.toLatin1() + " from handler\n");
            return std::nullopt;
        });

        QCOMPARE(ask(server.serverPort(), "example.com\r\n").received, QByteArray("example reply\n"));
        QCOMPARE(ask(server.serverPort(), "other.org\n").received, QByteArray("default\n"));
        QCOMPARE(ask(server.serverPort(), "a.net\r\n").received, QByteArray("a.net from handler\n"));
        QCOMPARE(server.queries(), QStringList({"example.com", "other.org", "a.net"}));
        QVERIFY(server.waitForOpenCount(0));
        QCOMPARE(server.acceptedCount(), 3);
    }

    void piecesArriveSeparately()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::pieces({"one\n", "two\n", "three\n"}, 30));
        const Exchange ex = ask(server.serverPort(), "x.com\r\n");
        QCOMPARE(ex.received, QByteArray("one\ntwo\nthree\n"));
        QCOMPARE(ex.reads, 3);
        QVERIFY(ex.closed);
    }

    void endingsSilentCloseAndReset()
    {
        LoopbackWhoisServer server;
        server.onQuery(QStringLiteral("silent.com"), Reply::silent());
        server.onQuery(QStringLiteral("close.com"), Reply::closeNow());
        server.onQuery(QStringLiteral("reset.com"), Reply::reset());

        const Exchange silent = ask(server.serverPort(), "silent.com\r\n", 200);
        QVERIFY(!silent.closed);
        QVERIFY(silent.received.isEmpty());

        const Exchange closed = ask(server.serverPort(), "close.com\r\n");
        QVERIFY(closed.closed);
        QVERIFY(closed.received.isEmpty());
        QCOMPARE(closed.error, QAbstractSocket::UnknownSocketError);

        // QTcpSocket reports a reset like a close, so look at the raw socket.
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(server.serverPort());
        ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        QVERIFY(QTest::qWaitFor([&] { return ::send(fd, "reset.com\r\n", 11, MSG_NOSIGNAL) == 11; }, 5000));
        int result = 0;
        int err = 0;
        QVERIFY(QTest::qWaitFor([&] {
            char c;
            result = static_cast<int>(::recv(fd, &c, 1, 0));
            err = errno;
            return result == 0 || (result < 0 && err != EAGAIN);
        }, 5000));
        ::close(fd);
        QCOMPARE(result, -1);
        QCOMPARE(err, ECONNRESET);
    }

    void onAcceptPlaysBeforeAnyQuery()
    {
        LoopbackWhoisServer server;
        server.setOnAccept(Reply::text("banner\n"));
        const Exchange ex = ask(server.serverPort(), QByteArray());
        QCOMPARE(ex.received, QByteArray("banner\n"));
        QVERIFY(server.queries().isEmpty());
    }

    void manySimultaneousClients()
    {
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) { return Reply::text(q.toLatin1() + " ok\n"); });
        constexpr int kClients = 400;
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        QList<QByteArray> received(kClients);
        int closed = 0;
        for (int i = 0; i < kClients; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            QTcpSocket *s = socket.get();
            QObject::connect(s, &QTcpSocket::readyRead, [&received, s, i] { received[i] += s->readAll(); });
            QObject::connect(s, &QTcpSocket::disconnected, [&closed] { ++closed; });
            s->connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
            s->write("n" + QByteArray::number(i) + ".com\r\n");
            sockets.push_back(std::move(socket));
        }
        QVERIFY(QTest::qWaitFor([&] { return closed == kClients; }, 20000));
        for (int i = 0; i < kClients; ++i)
            QCOMPARE(received[i], "n" + QByteArray::number(i) + ".com ok\n");
        QCOMPARE(server.queryCount(), kClients);
        QVERIFY(server.waitForOpenCount(0));
    }

    void refusedPortRefuses()
    {
        const quint16 port = LoopbackWhoisServer::refusedPort();
        QVERIFY(port != 0);
        QCOMPARE(LoopbackWhoisServer::refusedPort(), port);
        QCOMPARE(ask(port, "x.com\r\n").error, QAbstractSocket::ConnectionRefusedError);
    }
};

QTEST_GUILESS_MAIN(TestLoopbackServer)
#include "tst_loopbackserver.moc"
