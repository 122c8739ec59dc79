#include "net/csocketplus.h"
#include "net/modsocketplus.h"
#include "support/loopbackwhoisserver.h"

#include <QSet>
#include <QTest>

#include <unistd.h>

#include <cerrno>
#include <functional>

using Reply = LoopbackWhoisServer::Reply;

namespace {

// A CSocketPlus and a loopback server. Every event is written down with the
// index's state at that moment ("connect @7"; a send still under way is "part");
// on connect "n<index>.com" is sent, and arriving data is taken unless `take` is off.
struct Rig : QObject {
    LoopbackWhoisServer server;
    CSocketPlus socket;
    QStringList events;
    bool query = true;
    bool take = true;
    QHash<QString, QByteArray> taken;
    qint64 sentTotal = 0;

    Rig()
    {
        connect(&socket, &CSocketPlus::connectEvent, this, [this](const QVariant &i) {
            add(i, "connect");
            if (query)
                socket.SendData(i, "n" + i.toString().toLatin1() + ".com\r\n");
        });
        connect(&socket, &CSocketPlus::dataArrivalEvent, this, [this](const QVariant &i, qint32 total) {
            add(i, QStringLiteral("data %1").arg(total));
            QByteArray part;
            if (take)
                socket.GetData(i, part);
            taken[i.toString()] += part;
        });
        connect(&socket, &CSocketPlus::closeSckEvent, this, [this](const QVariant &i) { add(i, "close"); });
        connect(&socket, &CSocketPlus::errorEvent, this,
                [this](const QVariant &i, qint16 number, const QString &description, qint32 scode,
                       const QString &source, const QString &, qint32, bool *cancelDisplay) {
                    QVERIFY(*cancelDisplay && scode == 0);
                    add(i, QStringLiteral("error %1 %2 %3").arg(number).arg(description, source));
                });
        connect(&socket, &CSocketPlus::sendProgressEvent, this,
                [this](const QVariant &i, qint32 sent, qint32 left) {
                    sentTotal += sent;
                    add(i, left > 0 ? "part" : "sent");
                });
        connect(&socket, &CSocketPlus::sendCompleteEvent, this,
                [this](const QVariant &i) { add(i, "complete"); });
    }
    void open(const QVariant &i)
    {
        socket.ArrayAdd(i);
        socket.Connect(i, QStringLiteral("127.0.0.1"), int(server.serverPort()));
    }
    bool waitFor(QString e, int ms = 5000) { return QTest::qWaitFor([&] { return events.contains(e); }, ms); }
    void add(const QVariant &i, const QString &w) { events << w + QString(" @%1").arg(socket.State(i)); }
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
    void exchanges_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port"); // 0: the loopback server, which resets the query for index 5
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("stateAfterConnect");
        QTest::addColumn<QStringList>("events");
        const QStringList sent = {"connect @7", "sent @7", "complete @7"};
        const QStringList replied = sent + QStringList{"data 26 @7", "close @8"};
        QTest::newRow("by name") << "localhost" << 0 << 0 << int(sckResolvingHost) << replied;
        QTest::newRow("dotted") << "127.0.0.1" << 0 << 0 << int(sckConnecting) << replied;
        const QString reset = QStringLiteral("error 10054 Connection reset by peer. CSocketPlus.PostSocket @9");
        QTest::newRow("reset") << "127.0.0.1" << 0 << 5 << int(sckConnecting) << sent + QStringList{reset};
        QTest::newRow("refused") << "127.0.0.1" << int(LoopbackWhoisServer::refusedPort()) << 0
                                 << int(sckConnecting)
                                 << QStringList{"error 10061 Connection refused. CSocketPlus.PostSocket @9"};
        QTest::newRow("unknown host") << "no-such-host.invalid" << 43 << 0 << int(sckResolvingHost)
                                      << QStringList{"error 11001 Host not found. CSocketPlus.ConnectToIP @9"};
    }

    void exchanges()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(int, index);
        QFETCH(int, stateAfterConnect);
        QFETCH(QStringList, events);
        Rig r;
        r.server.setDefault(Reply::text("Domain Name: EXAMPLE.COM\r\n"));
        r.server.onQuery(QStringLiteral("n5.com"), Reply::reset());
        QCOMPARE(r.socket.ArrayAdd(index), QVariant(index));
        r.socket.Connect(index, host, port ? port : int(r.server.serverPort()));
        QCOMPARE(r.socket.State(index), stateAfterConnect);
        QVERIFY(QTest::qWaitFor([&] { return r.events.size() >= events.size(); }, 10000));
        QCOMPARE(r.events, events);
        if (events.contains("close @8")) {
            QCOMPARE(r.taken["0"], QByteArray("Domain Name: EXAMPLE.COM\r\n"));
            QCOMPARE(r.socket.RemoteHostIP(0), QStringLiteral("127.0.0.1"));
            QVERIFY(!r.socket.LocalIP(0).isEmpty());
        }
        // Once it has ended, nothing more can be taken, and connecting again waits for CloseSck.
        QCOMPARE(raised([&] { r.socket.GetData(index, r.taken["0"]); }).number, 40006);
        const SocketError again = raised([&] { r.socket.Connect(index); });
        QCOMPARE(again.number, 40020);
        QCOMPARE(again.description, QStringLiteral("Invalid operation at current state"));
        QCOMPARE(again.source, QStringLiteral("CSocketPlus.Connect"));
        r.socket.CloseSck(index);
        QCOMPARE(r.socket.State(index), int(sckClosed));
        QCOMPARE(ModSocketPlus::registeredCount(), 0);
        QVERIFY(r.server.waitForOpenCount(0));
    }

    void sendAndReceive()
    {
        // A send far larger than the system takes at once (the rest goes out as the
        // peer reads), answered in two pieces while it is still under way.
        Rig r;
        r.query = r.take = false;
        r.server.setDefault(Reply::pieces({QByteArray(100, 'a'), QByteArray(150, 'b')}, 50).keepOpen());
        const QString index = QStringLiteral("text index");
        r.open(index);
        QVERIFY(r.waitFor("connect @7"));
        r.socket.SendData(index, QStringLiteral(""));
        r.socket.SendData(index, QByteArray());
        QCOMPARE(r.events, QStringList{"connect @7"}); // nothing sent, nothing told
        const QByteArray big = "big.com\r\n" + QByteArray(16 * 1024 * 1024, 'x');
        r.socket.SendData(index, big);
        QVERIFY(r.events.contains("part @7"));
        QVERIFY(r.waitFor("complete @7", 20000));
        QCOMPARE(r.sentTotal, big.size());
        QVERIFY(QTest::qWaitFor([&] { return r.server.bytesReceived() == big.size(); }, 10000));
        QCOMPARE(r.server.queries(), QStringList{"big.com"});

        QVERIFY(r.waitFor("data 250 @7"));
        QCOMPARE(r.events.filter("data"), QStringList({"data 100 @7", "data 250 @7"}));
        QCOMPARE(r.socket.BytesReceived(index), 250);
        QByteArray bytes;
        r.socket.PeekData(index, bytes, 4);
        QCOMPARE(bytes, QByteArray("aaaa"));
        r.socket.GetData(index, bytes, 4);
        QCOMPARE(bytes, QByteArray("aaaa"));
        QString text;
        r.socket.GetData(index, text);
        QCOMPARE(text, QString(96, u'a') + QString(150, u'b'));
        QCOMPARE(r.socket.BytesReceived(index), 0);
        QCOMPARE(raised([&] { r.socket.GetData(index, bytes, -2); }).number, 40014);
    }

    void receiveCapEndsTheConnection()
    {
        Rig r;
        // Far more than the cap, and the server never closes on its own.
        r.server.setDefault(Reply::text(QByteArray(4 * 1024 * 1024, 'z')).keepOpen());
        r.socket.setReceiveCap(100 * 1000);
        r.open(0); // taking the data as it comes does not lift the cap
        QVERIFY(r.waitFor("close @8", 10000));
        QCOMPARE(r.taken["0"].size(), qsizetype(100 * 1000));
        r.socket.CloseSck(0);
        QVERIFY(r.server.waitForOpenCount(0));
    }

    void fiveHundredReconnectFromTheirHandlers()
    {
        // All at once, each index twice over from its own close handler: closed
        // and connected again the first time, removed outright the second.
        Rig r;
        r.server.setHandler([](const QString &q) {
            return Reply::pieces({"Domain: " + q.toLatin1() + "\n", QByteArray(3000, '.') + "\n"}, 1);
        });
        QSet<QString> again;
        QObject::connect(&r.socket, &CSocketPlus::closeSckEvent, [&](const QVariant &i) {
            const QString key = i.toString();
            const QByteArray reply = "Domain: n" + key.toLatin1() + ".com\n" + QByteArray(3000, '.') + "\n";
            QCOMPARE(r.taken.take(key), reply);
            if (again.contains(key)) {
                r.socket.ArrayRemove(i);
            } else {
                again.insert(key);
                r.socket.CloseSck(i);
                r.socket.Connect(i);
            }
        });
        for (int i = 0; i < 500; ++i)
            r.open(i);
        QVERIFY(QTest::qWaitFor([&] { return r.socket.ArrayCount() == 0; }, 30000));
        QCOMPARE(r.server.queryCount(), 1000);
        QCOMPARE(ModSocketPlus::registeredCount(), 0);
        QVERIFY(r.server.waitForOpenCount(0));
    }

    void testServerChoosesReplies()
    {
        // The handler's reply, else the query's rule, else the default; or one reply on accepting.
        Rig r;
        r.server.setDefault(Reply::text("default"));
        r.server.onQuery(QStringLiteral("n1.com"), Reply::text("rule"));
        r.server.onQuery(QStringLiteral("n2.com"), Reply::text("rule"));
        r.server.setHandler([](const QString &q) {
            return q == QLatin1String("n2.com") ? std::optional(Reply::text("handler")) : std::nullopt;
        });
        for (int i : {0, 1, 2})
            r.open(i);
        QVERIFY(QTest::qWaitFor([&] { return r.events.filter("close").size() == 3; }, 5000));
        r.query = false;
        r.server.setOnAccept(Reply::pieces({"ban", "ner"}, 10).delayed(20));
        r.open(3);
        QVERIFY(QTest::qWaitFor([&] { return r.events.filter("close").size() == 4; }, 5000));
        const QHash<QString, QByteArray> replies = {
            {"0", "default"}, {"1", "rule"}, {"2", "handler"}, {"3", "banner"}};
        QCOMPARE(r.taken, replies);
        QCOMPARE(r.server.queryCount(), 3);
    }

    void indicesAndMisuse()
    {
        CSocketPlus socket;
        QCOMPARE(socket.ArrayAdd(1), QVariant(1));
        QCOMPARE(socket.ArrayAdd(2), QVariant(2));
        QCOMPARE(socket.ArrayAdd(), QVariant(3));
        QCOMPARE(socket.ArrayAdd(QStringLiteral("1")), QVariant(QStringLiteral("1"))); // a space of its own
        QVERIFY(socket.ArrayIndexInUse(QStringLiteral("1")));
        QVERIFY(!socket.ArrayIndexInUse(4) && !socket.ArrayIndexInUse(2.5));
        socket.ArrayRemove(2);
        QCOMPARE(socket.ArrayAdd(), QVariant(2)); // the freed number and place are reused
        QCOMPARE(socket.ArrayCount(), 4);

        // Every refusal leaves the entry as it was.
        const QHash<int, QString> described = {
            {40006, "Wrong protocol or connection state for the requested transaction or request"},
            {40014,
             "The argument passed to a function was not in the correct format or in the specified range."},
            {40018, "Unsupported variant type."}, {40027, "Unsupported index type."}, {40029, "Unknown index."},
            {40028, "This index is already associated with an element of this array."},
        };
        socket.SetRemotePort(2, 43);
        const QString local = QStringLiteral("127.0.0.1");
        QByteArray bytes;
        const std::tuple<std::function<void()>, int, const char *> cases[] = {
            {[&] { socket.Connect(2, local, 0); }, 40014, "Connect"},
            {[&] { socket.Connect(2, local, 65536); }, 40014, "Connect"},
            {[&] { socket.Connect(2, local, QStringLiteral("whois")); }, 40018, "Connect"},
            {[&] { socket.Connect(2, local, QStringList()); }, 40018, "Connect"},
            {[&] { socket.SendData(2, QByteArray("x")); }, 40006, "SendData"},
            {[&] { socket.GetData(2, bytes); }, 40006, "GetData"},
            {[&] { socket.SetRemotePort(2, 70000); }, 40014, "RemotePort"},
            {[&] { socket.ArrayAdd(2); }, 40028, "ArrayAdd"},
            {[&] { socket.ArrayAdd(2.5); }, 40027, "ArrayAdd"},
            {[&] { socket.State(true); }, 40027, "GetSocketIndex"},
            {[&] { socket.ArrayRemove(9); }, 40029, "GetSocketIndex"},
        };
        for (const auto &[call, number, member] : cases) {
            const SocketError e = raised(call);
            QVERIFY2(e.number == number, member);
            QCOMPARE(e.description, described.value(number));
            QCOMPARE(e.source, QStringLiteral("CSocketPlus.") + QLatin1String(member));
            QCOMPARE(socket.State(2), int(sckClosed));
            QCOMPARE(socket.RemotePort(2), 43);
            QCOMPARE(socket.RemoteHost(2), QString());
        }
        // Setters are for a closed entry only; a list is no data to send.
        LoopbackWhoisServer server;
        socket.Connect(2, local, int(server.serverPort()));
        QCOMPARE(raised([&] { socket.SetRemotePort(2, 44); }).number, 40020);
        QCOMPARE(raised([&] { socket.SetRemoteHost(2, local); }).number, 40020);
        QVERIFY(QTest::qWaitFor([&] { return socket.State(2) == sckConnected; }, 5000));
        QCOMPARE(raised([&] { socket.SendData(2, QStringList()); }).number, 40018);
    }

    void serviceDropsReportsOfSocketsGoneMeanwhile()
    {
        using namespace ModSocketPlus;
        // Two pipes readable at once arrive in one batch. The first handler
        // closes the other pipe and opens a new one, which gets the old
        // descriptor number: the report already fetched for the old pipe must
        // reach nobody, least of all the new registration.
        struct Owner : SocketOwner {
            QList<QByteArray> seen;
            int pipes[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}}; // the last one opened meanwhile
            void WndProc(int socket, quint32, void *cookie) override
            {
                seen << static_cast<const char *>(cookie);
                char c;
                if (::read(socket, &c, 1) < 0 || seen.size() > 1)
                    return;
                int *other = pipes[socket == pipes[0][0] ? 1 : 0];
                ForgetSocket(other[0]);
                ::close(other[0]);
                ::close(other[1]);
                other[0] = other[1] = -1;
                QVERIFY(::pipe(pipes[2]) == 0);
                RegisterSocket(pipes[2][0], this, const_cast<char *>("fresh"), kEventRead);
            }
        } owner;
        CSocketPlus keepServiceUp;
        char names[2][2] = {"a", "b"};
        for (int p : {0, 1}) {
            QVERIFY(::pipe(owner.pipes[p]) == 0);
            QVERIFY(RegisterSocket(owner.pipes[p][0], &owner, names[p], kEventRead));
        }
        // Registering again changes the events, not the count.
        QVERIFY(RegisterSocket(owner.pipes[1][0], &owner, names[1], kEventRead));
        QCOMPARE(registeredCount(), 2);
        QVERIFY(::write(owner.pipes[0][1], "x", 1) == 1 && ::write(owner.pipes[1][1], "x", 1) == 1);
        QVERIFY(QTest::qWaitFor([&] { return !owner.seen.isEmpty(); }, 5000));
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(owner.seen.size(), 1);
        QVERIFY(owner.seen.first() != "fresh");
        for (auto &p : owner.pipes) {
            if (p[0] >= 0)
                UnregisterSocket(p[0]);
            ::close(p[0]);
            ::close(p[1]);
        }
        QCOMPARE(registeredCount(), 0);
    }

    void serviceUseCountAndErrorTexts()
    {
        const int before = ModSocketPlus::useCount();
        {
            CSocketPlus a, b;
            QCOMPARE(ModSocketPlus::useCount(), before + 2);
        }
        QCOMPARE(ModSocketPlus::useCount(), before);

        const std::tuple<int, int, const char *> cases[] = {
            {ECONNREFUSED, 10061, "Connection refused."},  {ETIMEDOUT, 10060, "Connection timed out."},
            {ENETUNREACH, 10051, "Network is unreachable."}, {EHOSTUNREACH, 10065, "No route to host."},
            {ECONNRESET, 10054, "Connection reset by peer."}, {EMFILE, 10024, "Too many open files."},
            {EADDRNOTAVAIL, 10049, "Cannot assign requested address."},
        };
        for (const auto &[err, code, text] : cases) {
            QCOMPARE(ModSocketPlus::errorFromErrno(err), code);
            QCOMPARE(GetErrorDescription(code), QString::fromLatin1(text));
        }
        QCOMPARE(GetErrorDescription(11001), QStringLiteral("Host not found."));
        QCOMPARE(GetErrorDescription(10059), QStringLiteral("Unknown error."));
        QCOMPARE(socketStateName(sckError), QStringLiteral("sckError"));
        QCOMPARE(socketStateName(3), QString());
    }
};

QTEST_GUILESS_MAIN(TestCSocketPlus)
#include "tst_csocketplus.moc"
