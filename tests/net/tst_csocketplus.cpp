#include "net/csocketplus.h"
#include "net/modsocketplus.h"
#include "support/loopbackwhoisserver.h"

#include <QTest>

#include <unistd.h>

#include <cerrno>
#include <functional>

using Reply = LoopbackWhoisServer::Reply;

namespace {

// Writes down every signal of one CSocketPlus as a line of text, with the
// index's state at that moment, and lets a test act inside a handler.
class Recorder : public QObject
{
public:
    explicit Recorder(CSocketPlus &socket)
        : m_socket(socket)
    {
        connect(&socket, &CSocketPlus::connectEvent, this, [this](const QVariant &i) {
            add(i, QStringLiteral("connect"));
            if (onConnect)
                onConnect(i);
        });
        connect(&socket, &CSocketPlus::dataArrivalEvent, this, [this](const QVariant &i, qint32 total) {
            add(i, QStringLiteral("data %1").arg(total));
            if (onData)
                onData(i, total);
        });
        connect(&socket, &CSocketPlus::closeSckEvent, this, [this](const QVariant &i) {
            add(i, QStringLiteral("close"));
            if (onClose)
                onClose(i);
        });
        connect(&socket, &CSocketPlus::errorEvent, this,
                [this](const QVariant &i, qint16 number, const QString &description, qint32 scode,
                       const QString &source, const QString &, qint32, bool *cancelDisplay) {
                    QVERIFY(*cancelDisplay);
                    QCOMPARE(scode, 0);
                    add(i, QStringLiteral("error %1 %2 %3").arg(number).arg(description, source));
                });
        connect(&socket, &CSocketPlus::sendProgressEvent, this, [this](const QVariant &i, qint32 sent, qint32 left) {
            sentTotal += sent;
            if (left > 0)
                ++partialSends;
            else
                add(i, QStringLiteral("sent"));
        });
        connect(&socket, &CSocketPlus::sendCompleteEvent, this,
                [this](const QVariant &i) { add(i, QStringLiteral("complete")); });
    }

    bool waitFor(const QString &line, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return events.contains(line); }, timeoutMs);
    }

    // Lines look like "connect @7" (event, then the index's state).
    QStringList events;
    qint64 sentTotal = 0;
    int partialSends = 0;
    std::function<void(const QVariant &)> onConnect;
    std::function<void(const QVariant &, qint32)> onData;
    std::function<void(const QVariant &)> onClose;

private:
    void add(const QVariant &index, const QString &what)
    {
        events << QStringLiteral("%1 @%2").arg(what).arg(m_socket.State(index));
    }

    CSocketPlus &m_socket;
};

// Runs `f` and returns the SocketError it raised (number 0 when none).
SocketError raised(const std::function<void()> &f)
{
    try {
        f();
    } catch (const SocketError &e) {
        return e;
    }
    return {};
}

} // namespace

class TestCSocketPlus : public QObject
{
    Q_OBJECT

private slots:
    void exchangeStates_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("stateAfterConnect");
        QTest::newRow("name") << "localhost" << int(sckResolvingHost);
        QTest::newRow("dotted") << "127.0.0.1" << int(sckConnecting);
    }

    void exchangeStates()
    {
        QFETCH(QString, host);
        QFETCH(int, stateAfterConnect);
        LoopbackWhoisServer server;
        server.onQuery(QStringLiteral("example.com"), Reply::text("Domain Name: EXAMPLE.COM\r\n"));
        CSocketPlus socket;
        Recorder rec(socket);
        QByteArray reply;
        rec.onConnect = [&](const QVariant &i) { socket.SendData(i, QByteArray("example.com\r\n")); };
        rec.onData = [&](const QVariant &i, qint32) {
            QByteArray part;
            socket.GetData(i, part);
            reply += part;
        };

        QCOMPARE(socket.ArrayAdd(0), QVariant(0));
        QCOMPARE(socket.State(0), int(sckClosed));
        socket.Connect(0, host, int(server.serverPort()));
        QCOMPARE(socket.State(0), stateAfterConnect);
        QVERIFY(rec.waitFor(QStringLiteral("close @8")));
        QCOMPARE(rec.events, QStringList({"connect @7", "sent @7", "complete @7", "data 26 @7", "close @8"}));
        QCOMPARE(reply, QByteArray("Domain Name: EXAMPLE.COM\r\n"));
        QCOMPARE(socket.RemoteHostIP(0), QStringLiteral("127.0.0.1"));
        QCOMPARE(socket.RemotePort(0), int(server.serverPort()));
        QCOMPARE(socket.LocalIP(0).isEmpty(), false);

        // The peer's close leaves the rest to us: nothing more can be taken.
        QCOMPARE(raised([&] { socket.GetData(0, reply); }).number, 40006);
        socket.CloseSck(0);
        QCOMPARE(socket.State(0), int(sckClosed));
        QCOMPARE(ModSocketPlus::registeredCount(), 0);
        QVERIFY(server.waitForOpenCount(0));
    }

    void refusedConnection()
    {
        CSocketPlus socket;
        Recorder rec(socket);
        socket.ArrayAdd(5);
        socket.Connect(5, QStringLiteral("127.0.0.1"), int(LoopbackWhoisServer::refusedPort()));
        QVERIFY(rec.waitFor(QStringLiteral("error 10061 Connection refused. CSocketPlus.PostSocket @9")));
        QCOMPARE(rec.events.size(), 1);

        const SocketError again = raised([&] { socket.Connect(5); });
        QCOMPARE(again.number, 40020);
        QCOMPARE(again.description, QStringLiteral("Invalid operation at current state"));
        QCOMPARE(again.source, QStringLiteral("CSocketPlus.Connect"));
        QCOMPARE(socket.State(5), int(sckError));

        socket.CloseSck(5);
        QCOMPARE(socket.State(5), int(sckClosed));
        socket.Connect(5); // the stored host and port are used again
        QVERIFY(QTest::qWaitFor([&] { return rec.events.size() == 2; }, 5000));
        QVERIFY(rec.events.last().startsWith(QStringLiteral("error 10061")));
    }

    void unknownHost()
    {
        CSocketPlus socket;
        Recorder rec(socket);
        socket.ArrayAdd(0);
        socket.Connect(0, QStringLiteral("no-such-host.invalid"), 43);
        QCOMPARE(socket.State(0), int(sckResolvingHost));
        QVERIFY(QTest::qWaitFor([&] { return !rec.events.isEmpty(); }, 10000));
        QCOMPARE(rec.events, QStringList({"error 11001 Host not found. CSocketPlus.ConnectToIP @9"}));
    }

    void resetByPeer()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::reset());
        CSocketPlus socket;
        Recorder rec(socket);
        rec.onConnect = [&](const QVariant &i) { socket.SendData(i, QByteArray("x.com\r\n")); };
        socket.ArrayAdd(0);
        socket.Connect(0, server.host(), int(server.serverPort()));
        QVERIFY(QTest::qWaitFor([&] { return !rec.events.filter(QStringLiteral("error")).isEmpty(); }, 5000));
        QCOMPARE(rec.events.last(), QStringLiteral("error 10054 Connection reset by peer. CSocketPlus.PostSocket @9"));
    }

    void dataArrivalReportsTotalWaiting()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::pieces({QByteArray(100, 'a'), QByteArray(150, 'b')}, 50));
        CSocketPlus socket;
        Recorder rec(socket);
        rec.onConnect = [&](const QVariant &i) { socket.SendData(i, QByteArray("x.com\r\n")); };
        socket.ArrayAdd(QStringLiteral("text index"));
        socket.Connect(QStringLiteral("text index"), server.host(), int(server.serverPort()));
        QVERIFY(rec.waitFor(QStringLiteral("close @8")));
        QCOMPARE(rec.events.filter(QStringLiteral("data")), QStringList({"data 100 @7", "data 250 @7"}));
        QCOMPARE(socket.BytesReceived(QStringLiteral("text index")), 250);
    }

    void getAndPeekTakeFromTheFront()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("0123456789").keepOpen());
        CSocketPlus socket;
        Recorder rec(socket);
        rec.onConnect = [&](const QVariant &i) { socket.SendData(i, QStringLiteral("x.com\r\n")); };
        socket.ArrayAdd(0);
        socket.Connect(0, server.host(), int(server.serverPort()));
        QVERIFY(rec.waitFor(QStringLiteral("data 10 @7")));
        QByteArray bytes;
        socket.PeekData(0, bytes, 4);
        QCOMPARE(bytes, QByteArray("0123"));
        socket.GetData(0, bytes, 4);
        QCOMPARE(bytes, QByteArray("0123"));
        QString text;
        socket.GetData(0, text);
        QCOMPARE(text, QStringLiteral("456789"));
        QCOMPARE(socket.BytesReceived(0), 0);
        QCOMPARE(raised([&] { socket.GetData(0, bytes, -2); }).number, 40014);
    }

    void emptySendSendsNothing()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        CSocketPlus socket;
        Recorder rec(socket);
        socket.ArrayAdd(0);
        socket.Connect(0, server.host(), int(server.serverPort()));
        QVERIFY(rec.waitFor(QStringLiteral("connect @7")));
        socket.SendData(0, QStringLiteral(""));
        socket.SendData(0, QByteArray());
        QCOMPARE(rec.events, QStringList({"connect @7"}));
        socket.SendData(0, QStringLiteral("a.com\r\n"));
        QVERIFY(server.waitForQueries(1));
        QCOMPARE(server.bytesReceived(), 7);
        QCOMPARE(server.lastQuery(), QStringLiteral("a.com"));
    }

    void largeSendCompletes()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        CSocketPlus socket;
        Recorder rec(socket);
        socket.ArrayAdd(0);
        socket.Connect(0, server.host(), int(server.serverPort()));
        QVERIFY(rec.waitFor(QStringLiteral("connect @7")));
        const QByteArray big = "big.com\r\n" + QByteArray(16 * 1024 * 1024, 'x');
        socket.SendData(0, big);
        // More than the system takes at once: the rest goes as the peer reads.
        QVERIFY(rec.partialSends > 0);
        QVERIFY(rec.waitFor(QStringLiteral("complete @7"), 20000));
        QCOMPARE(rec.sentTotal, big.size());
        QVERIFY(QTest::qWaitFor([&] { return server.bytesReceived() == big.size(); }, 10000));
        QCOMPARE(server.lastQuery(), QStringLiteral("big.com"));
    }

    void receiveCapEndsTheConnection()
    {
        LoopbackWhoisServer server;
        // Far more than the cap, and the server never closes on its own.
        server.setDefault(Reply::text(QByteArray(4 * 1024 * 1024, 'z')).keepOpen());
        CSocketPlus socket;
        QCOMPARE(socket.receiveCap(), CSocketPlus::kDefaultReceiveCap);
        socket.setReceiveCap(100 * 1000);
        Recorder rec(socket);
        qint64 taken = 0;
        rec.onConnect = [&](const QVariant &i) { socket.SendData(i, QByteArray("flood.com\r\n")); };
        rec.onData = [&](const QVariant &i, qint32) {
            QByteArray part;
            socket.GetData(i, part); // emptying the buffer does not lift the cap
            taken += part.size();
        };
        socket.ArrayAdd(0);
        socket.Connect(0, server.host(), int(server.serverPort()));
        QVERIFY(rec.waitFor(QStringLiteral("close @8"), 10000));
        QCOMPARE(taken, 100 * 1000);
        socket.CloseSck(0);
        QVERIFY(server.waitForOpenCount(0));
    }

    void handlersMayReconnectTheSameIndex()
    {
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) { return Reply::text(q.toLatin1() + " done\n"); });
        CSocketPlus socket;
        Recorder rec(socket);
        int round = 0;
        rec.onConnect = [&](const QVariant &i) {
            socket.SendData(i, QByteArray("n") + QByteArray::number(round) + ".com\r\n");
        };
        rec.onClose = [&](const QVariant &i) {
            socket.CloseSck(i);
            if (++round < 3)
                socket.Connect(i, server.host(), int(server.serverPort()));
        };
        socket.ArrayAdd(7);
        socket.Connect(7, server.host(), int(server.serverPort()));
        QVERIFY(QTest::qWaitFor([&] { return round == 3; }, 5000));
        QCOMPARE(server.queries(), QStringList({"n0.com", "n1.com", "n2.com"}));
        QCOMPARE(socket.State(7), int(sckClosed));
        // A handler may also throw the index away altogether.
        rec.onClose = [&](const QVariant &i) { socket.ArrayRemove(i); };
        socket.Connect(7, server.host(), int(server.serverPort()));
        QVERIFY(QTest::qWaitFor([&] { return !socket.ArrayIndexInUse(7); }, 5000));
        QCOMPARE(ModSocketPlus::registeredCount(), 0);
    }

    void fiveHundredAtOnce()
    {
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) {
            return Reply::pieces({"Domain: " + q.toLatin1() + "\n", QByteArray(3000, '.') + "\n"}, 1);
        });
        CSocketPlus socket;
        constexpr int kCount = 500;
        QList<QByteArray> replies(kCount);
        int closed = 0;
        QObject::connect(&socket, &CSocketPlus::connectEvent, [&](const QVariant &i) {
            socket.SendData(i, "n" + QByteArray::number(i.toInt()) + ".com\r\n");
        });
        QObject::connect(&socket, &CSocketPlus::dataArrivalEvent, [&](const QVariant &i, qint32) {
            QByteArray part;
            socket.GetData(i, part);
            replies[i.toInt()] += part;
        });
        QObject::connect(&socket, &CSocketPlus::closeSckEvent, [&](const QVariant &i) {
            socket.CloseSck(i);
            ++closed;
        });
        for (int i = 0; i < kCount; ++i) {
            socket.ArrayAdd(i);
            socket.Connect(i, server.host(), int(server.serverPort()));
        }
        QVERIFY(QTest::qWaitFor([&] { return closed == kCount; }, 30000));
        for (int i = 0; i < kCount; ++i)
            QCOMPARE(replies[i], "Domain: n" + QByteArray::number(i) + ".com\n" + QByteArray(3000, '.') + "\n");
        QCOMPARE(ModSocketPlus::registeredCount(), 0);
        QVERIFY(server.waitForOpenCount(0));
    }

    void arrayIndices()
    {
        CSocketPlus socket;
        QCOMPARE(socket.ArrayAdd(1), QVariant(1));
        QCOMPARE(socket.ArrayAdd(2), QVariant(2));
        QCOMPARE(socket.ArrayAdd(), QVariant(3));
        QCOMPARE(socket.ArrayAdd(QStringLiteral("1")), QVariant(QStringLiteral("1"))); // its own space
        QCOMPARE(socket.ArrayCount(), 4);
        QVERIFY(socket.ArrayIndexInUse(QStringLiteral("1")));
        QVERIFY(!socket.ArrayIndexInUse(4));
        QVERIFY(!socket.ArrayIndexInUse(2.5));

        const SocketError duplicate = raised([&] { socket.ArrayAdd(2); });
        QCOMPARE(duplicate.number, 40028);
        QCOMPARE(duplicate.description,
                 QStringLiteral("This index is already associated with an element of this array."));
        const SocketError badType = raised([&] { socket.ArrayAdd(2.5); });
        QCOMPARE(badType.number, 40027);
        QCOMPARE(badType.description, QStringLiteral("Unsupported index type."));
        QCOMPARE(raised([&] { socket.State(true); }).number, 40027);
        const SocketError unknown = raised([&] { socket.State(9); });
        QCOMPARE(unknown.number, 40029);
        QCOMPARE(unknown.description, QStringLiteral("Unknown index."));
        QCOMPARE(unknown.source, QStringLiteral("CSocketPlus.GetSocketIndex"));

        socket.ArrayRemove(2);
        QCOMPARE(raised([&] { socket.ArrayRemove(2); }).number, 40029);
        QCOMPARE(socket.ArrayAdd(), QVariant(2)); // the freed number and place are reused
        QCOMPARE(socket.ArrayCount(), 4);
        QCOMPARE(socket.State(2), int(sckClosed));
    }

    void misuseIsRefusedAndLeavesTheEntryAlone()
    {
        CSocketPlus socket;
        socket.ArrayAdd(0);
        socket.SetRemotePort(0, 43);
        socket.SetTag(0, QStringLiteral("slot"));
        struct Case {
            const char *name;
            std::function<void()> call;
            int number;
            const char *source;
        };
        const Case cases[] = {
            {"port 0", [&] { socket.Connect(0, QStringLiteral("127.0.0.1"), 0); }, 40014, "CSocketPlus.Connect"},
            {"port 65536", [&] { socket.Connect(0, QStringLiteral("127.0.0.1"), 65536); }, 40014,
             "CSocketPlus.Connect"},
            {"port text", [&] { socket.Connect(0, QStringLiteral("127.0.0.1"), QStringLiteral("whois")); }, 40018,
             "CSocketPlus.Connect"},
            {"port list", [&] { socket.Connect(0, QStringLiteral("127.0.0.1"), QStringList()); }, 40018,
             "CSocketPlus.Connect"},
            {"send closed", [&] { socket.SendData(0, QByteArray("x")); }, 40006, "CSocketPlus.SendData"},
            {"get closed", [&] { QByteArray b; socket.GetData(0, b); }, 40006, "CSocketPlus.GetData"},
            {"set port range", [&] { socket.SetRemotePort(0, 70000); }, 40014, "CSocketPlus.RemotePort"},
        };
        for (const Case &c : cases) {
            const SocketError e = raised(c.call);
            QVERIFY2(e.number == c.number, c.name);
            QVERIFY2(e.source == QLatin1String(c.source), c.name);
            QCOMPARE(socket.State(0), int(sckClosed));
            QCOMPARE(socket.RemotePort(0), 43);
            QCOMPARE(socket.RemoteHost(0), QString());
        }
        QCOMPARE(socket.Tag(0), QStringLiteral("slot"));

        // Setters are for a closed entry only.
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        socket.Connect(0, server.host(), int(server.serverPort()));
        QCOMPARE(raised([&] { socket.SetRemotePort(0, 44); }).number, 40020);
        QCOMPARE(raised([&] { socket.SetRemoteHost(0, QStringLiteral("x")); }).number, 40020);
        QCOMPARE(raised([&] { socket.SendData(0, QStringList()); }).number, 40006);
        QVERIFY(QTest::qWaitFor([&] { return socket.State(0) == sckConnected; }, 5000));
        QCOMPARE(raised([&] { socket.SendData(0, QStringList()); }).number, 40018);
    }

    void serviceDropsReportsOfSocketsGoneMeanwhile()
    {
        // Two pipes readable at once arrive in one batch. The first handler
        // closes the other pipe and opens a new one, which gets the old
        // descriptor number: the report already fetched for the old pipe must
        // reach nobody, least of all the new registration.
        struct Owner : ModSocketPlus::SocketOwner {
            QList<QByteArray> seen;
            int fds[2][2];
            int fresh[2] = {-1, -1};
            void WndProc(int socket, quint32, void *cookie) override
            {
                seen << static_cast<const char *>(cookie);
                char c;
                (void)!::read(socket, &c, 1);
                if (seen.size() > 1)
                    return;
                const int other = socket == fds[0][0] ? 1 : 0;
                ModSocketPlus::ForgetSocket(fds[other][0]);
                ::close(fds[other][0]);
                ::close(fds[other][1]);
                fds[other][0] = fds[other][1] = -1;
                QVERIFY(::pipe(fresh) == 0);
                ModSocketPlus::RegisterSocket(fresh[0], this, const_cast<char *>("fresh"), ModSocketPlus::kEventRead);
            }
        } owner;
        CSocketPlus keepServiceUp;
        for (auto &p : owner.fds)
            QVERIFY(::pipe(p) == 0);
        QVERIFY(ModSocketPlus::RegisterSocket(owner.fds[0][0], &owner, const_cast<char *>("a"), ModSocketPlus::kEventRead));
        QVERIFY(ModSocketPlus::RegisterSocket(owner.fds[1][0], &owner, const_cast<char *>("b"), ModSocketPlus::kEventRead));
        // Registering again changes the events, not the count.
        QVERIFY(ModSocketPlus::RegisterSocket(owner.fds[1][0], &owner, const_cast<char *>("b"), ModSocketPlus::kEventRead));
        QCOMPARE(ModSocketPlus::registeredCount(), 2);
        QVERIFY(::write(owner.fds[0][1], "x", 1) == 1);
        QVERIFY(::write(owner.fds[1][1], "x", 1) == 1);
        QVERIFY(QTest::qWaitFor([&] { return !owner.seen.isEmpty(); }, 5000));
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(owner.seen.size(), 1);
        QVERIFY(owner.seen.first() != "fresh");
        QVERIFY(owner.fresh[0] >= 0);
        for (int fd : {owner.fds[0][0], owner.fds[1][0], owner.fresh[0]}) {
            if (fd >= 0)
                ModSocketPlus::UnregisterSocket(fd);
        }
        QCOMPARE(ModSocketPlus::registeredCount(), 0);
        for (auto &p : owner.fds) {
            for (int fd : p) {
                if (fd >= 0)
                    ::close(fd);
            }
        }
        ::close(owner.fresh[0]);
        ::close(owner.fresh[1]);
    }

    void serviceUseCount()
    {
        const int before = ModSocketPlus::useCount();
        auto *a = new CSocketPlus;
        {
            CSocketPlus b;
            QCOMPARE(ModSocketPlus::useCount(), before + 2);
        }
        QCOMPARE(ModSocketPlus::useCount(), before + 1);
        delete a;
        QCOMPARE(ModSocketPlus::useCount(), before);
    }

    void errorTexts()
    {
        struct Case {
            int err;
            int code;
            const char *text;
        };
        const Case cases[] = {
            {ECONNREFUSED, 10061, "Connection refused."},  {ETIMEDOUT, 10060, "Connection timed out."},
            {ENETUNREACH, 10051, "Network is unreachable."}, {EHOSTUNREACH, 10065, "No route to host."},
            {ECONNRESET, 10054, "Connection reset by peer."}, {EMFILE, 10024, "Too many open files."},
            {EADDRNOTAVAIL, 10049, "Cannot assign requested address."},
        };
        for (const Case &c : cases) {
            QCOMPARE(ModSocketPlus::errorFromErrno(c.err), c.code);
            QCOMPARE(GetErrorDescription(c.code), QString::fromLatin1(c.text));
        }
        QCOMPARE(GetErrorDescription(11001), QStringLiteral("Host not found."));
        QCOMPARE(GetErrorDescription(10059), QStringLiteral("Unknown error."));
        QCOMPARE(GetErrorDescription(0), QStringLiteral("Unknown error."));

        const QStringList names = {"sckClosed", "sckOpen", "sckListening", "", "sckResolvingHost",
                                   "sckHostResolved", "sckConnecting", "sckConnected", "sckClosing", "sckError"};
        for (int state = 0; state < names.size(); ++state)
            QCOMPARE(socketStateName(state), names[state]);
    }
};

QTEST_GUILESS_MAIN(TestCSocketPlus)
#include "tst_csocketplus.moc"
