#include "net/csocketplus.h"
#include "net/modsocketplus.h"
#include "support/loopbackwhoisserver.h"
#include "support/testmain.h"

#include <QTest>

#include <unistd.h>

#include <functional>

using Reply = LoopbackWhoisServer::Reply;

namespace {

// A CSocketPlus and a loopback server. Each event is noted with the index's state ("connect @7"; an
// unfinished send is "part"); on connect "n<index>.com" is sent; data is taken as it comes.
struct Rig : QObject {
    LoopbackWhoisServer server;
    CSocketPlus socket;
    QStringList events;
    QHash<QString, QByteArray> taken;

    Rig()
    {
        connect(&socket, &CSocketPlus::connectEvent, this, [this](const QVariant &i) {
            add(i, "connect");
            socket.SendData(i, "n" + i.toString().toLatin1() + ".com\r\n");
        });
        connect(&socket, &CSocketPlus::dataArrivalEvent, this, [this](const QVariant &i, qint32 total) {
            add(i, QStringLiteral("data %1").arg(total));
            QByteArray part;
            socket.GetData(i, part);
            taken[i.toString()] += part;
        });
        connect(&socket, &CSocketPlus::closeSckEvent, this, [this](const QVariant &i) { add(i, "close"); });
        connect(&socket, &CSocketPlus::errorEvent, this,
                [this](const QVariant &i, qint16 number, const QString &description, qint32 scode,
                       const QString &source, const QString &, qint32, bool *cancelDisplay) {
                    QVERIFY(*cancelDisplay);
                    QCOMPARE(scode, 0);
                    add(i, QStringLiteral("error %1 %2 %3").arg(number).arg(description, source));
                });
        connect(&socket, &CSocketPlus::sendProgressEvent, this,
                [this](const QVariant &i, qint32, qint32 left) { add(i, left > 0 ? "part" : "sent"); });
        connect(&socket, &CSocketPlus::sendCompleteEvent, this,
                [this](const QVariant &i) { add(i, "complete"); });
    }
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

// "<number> <source>" of the error `f` raises, the description checked for being there.
QString numberAndSource(const std::function<void()> &f)
{
    const SocketError e = raised(f);
    return e.description.isEmpty() ? QString() : QString::number(e.number) + u' ' + e.source;
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
        QTest::addColumn<QString>("events"); // joined by "|"; first the state Connect leaves behind
        const QString sent = "connect @7|sent @7|complete @7", post = " CSocketPlus.PostSocket @9";
        const QString local = QStringLiteral("127.0.0.1");
        QTest::newRow("by name") << "localhost" << 0 << 0 << "called @4|" + sent + "|data 26 @7|close @8";
        QTest::newRow("dotted") << local << 0 << 0 << "called @6|" + sent + "|data 26 @7|close @8";
        QTest::newRow("reset") << local << 0 << 5
                               << "called @6|" + sent + "|error 10054 Connection reset by peer." + post;
        QTest::newRow("refused") << local << int(LoopbackWhoisServer::refusedPort()) << 0
                                 << "called @6|error 10061 Connection refused." + post;
        QTest::newRow("unknown host") << "no-such-host.invalid" << 43 << 0
                                      << "called @4|error 11001 Host not found. CSocketPlus.ConnectToIP @9";
    }

    void exchanges()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(int, index);
        QFETCH(QString, events);
        Rig r;
        r.server.setDefault(Reply::text("Domain Name: EXAMPLE.COM\r\n"));
        r.server.onQuery(QStringLiteral("n5.com"), Reply::reset());
        QCOMPARE(r.socket.ArrayAdd(index), QVariant(index));
        r.socket.Connect(index, host, port ? port : int(r.server.serverPort()));
        r.add(index, "called");
        QVERIFY(QTest::qWaitFor([&] { return r.events.size() > events.count(u'|'); }, 10000));
        QCOMPARE(r.events.join(u'|'), events);
        if (events.contains("close @8"))
            QCOMPARE(r.taken["0"], QByteArray("Domain Name: EXAMPLE.COM\r\n"));
        // Once it has ended, nothing more can be taken, and connecting again waits for CloseSck.
        QCOMPARE(raised([&] { r.socket.GetData(index, r.taken["0"]); }).number, 40006);
        QCOMPARE(numberAndSource([&] { r.socket.Connect(index); }), "40020 CSocketPlus.Connect");
        r.socket.CloseSck(index);
        QCOMPARE(r.socket.State(index), int(sckClosed));
        QCOMPARE(ModSocketPlus::registeredCount(), 0);
        QVERIFY(r.server.waitForOpenCount(0));
    }

    void serviceDropsReportsOfSocketsGoneMeanwhile()
    {
        using namespace ModSocketPlus;
        // Two pipes readable at once arrive in one batch. The first handler closes the other pipe and
        // opens one that gets its descriptor: the report fetched for the old pipe must reach nobody.
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
        QCOMPARE(::write(owner.pipes[0][1], "x", 1), 1);
        QCOMPARE(::write(owner.pipes[1][1], "x", 1), 1);
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
};

QV_TEST_GUILESS_MAIN(TestCSocketPlus)
#include "tst_csocketplus.moc"
