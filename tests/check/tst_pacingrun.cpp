#include "config/pacingsetting.h"
#include "engine/progress.h"
#include "enginefixture.h"
#include "support/clirun.h"
#include "support/testmain.h"

#include <QRegularExpression>
#include <QTimer>

#include <csignal>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;
using Harness = EngineHarness;

namespace {

enum class Beyond { Notice, Silence, Reset };

// A server that throttles beyond `perSecond` queries a second (0: every query throttled; -1: it
// never answers), and how: `beyond` with `notice`, a ban of `banMs` after it (0: none).
struct Throttling {
    Beyond beyond;
    QByteArray notice;
    int banMs, perSecond, names;
    bool adaptive = true, retry = false;
};

Reply freeReply(const QString &query)
{
    return Reply::text("No match for " + query.toLatin1() + "\r\n");
}

} // namespace

Q_DECLARE_METATYPE(Throttling)

class TestPacingRun : public QObject
{
    Q_OBJECT
private slots:
    // A server that allows so many queries a second and throttles beyond: the run keeps to its
    // pace, asks every throttled name again as it was, and gets every name right. A server that
    // never stops throttling ends by the patience, its names unchecked; one that never answered
    // keeps the time-outs of old. The slots idle on timers, not in a loop.
    void serversThatThrottle_data()
    {
        QTest::addColumn<Throttling>("row");
        const QByteArray limit("LIMIT EXCEEDED\r\n"), ban("Too many queries. Please wait 1 seconds\r\n");
        QTest::newRow("notice beyond 20/s") << Throttling{Beyond::Notice, limit, 0, 20, 60};
        QTest::newRow("announced ban") << Throttling{Beyond::Notice, ban, 1000, 20, 40};
        QTest::newRow("allowance in the notice")
            << Throttling{Beyond::Notice, "Only 1 request per second allowed\r\n", 0, 1, 4};
        // More names than slots: those still waiting when the patience ends are not asked.
        QTest::newRow("never stops") << Throttling{Beyond::Notice, "Query rate limit exceeded\r\n", 0, 0, 80};
        QTest::newRow("silent beyond 20/s") << Throttling{Beyond::Silence, {}, 0, 20, 60};
        QTest::newRow("reset beyond 20/s") << Throttling{Beyond::Reset, {}, 0, 20, 60, true, true};
        QTest::newRow("silent from the start") << Throttling{Beyond::Silence, {}, 0, -1, 6};
        QTest::newRow("pacing off") << Throttling{Beyond::Notice, limit, 0, 20, 60, false};
    }
    void serversThatThrottle()
    {
        QFETCH(const Throttling, row);
        const auto &[beyond, notice, banMs, perSecond, names, adaptive, retry] = row;
        LoopbackWhoisServer server;
        ScriptedAllowance allowance(perSecond);
        qint64 bannedUntil = 0;
        server.setHandler([&](const QString &q) -> std::optional<Reply> {
            const qint64 t = allowance.clock.elapsed();
            if (t >= bannedUntil && perSecond != 0 && allowance.allows())
                return freeReply(q);
            if (t < bannedUntil || perSecond == 0)
                ++allowance.refused;
            if (banMs && t >= bannedUntil)
                bannedUntil = t + banMs;
            return beyond == Beyond::Notice  ? Reply::text(notice)
                   : beyond == Beyond::Reset ? Reply::reset()
                                             : Reply::silent();
        });
        Harness h({server.address()});
        h.engine.setPacingOverride(adaptive);
        if (perSecond == 0)
            h.ctx.extra.setValue(kPacingPatienceKey, 1);
        h.ctx.options.connections = u"50"_s;
        h.ctx.options.timeoutSecs = u"2"_s;
        h.ctx.options.retry = retry;
        h.ctx.options.retryTimes = u"3"_s;
        const QStringList list = nameSeries(names);
        h.add(list);
        // Time-outs are the run's clock's: it keeps real time here.
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&h] { h.clock.advance(50); });
        ticks.start(50);
        const qint64 stepsBefore = h.engine.slotSteps();
        QVERIFY(h.run());
        const int queries = server.queryCount();
        const QString address = server.address();
        if (!adaptive) {
            // As ever: a notice is an error response, and the name is written with it.
            QVERIFY(h.cells(ColInformation, list).count(checkText::kErroneousResponse) >= names / 3);
            QCOMPARE(queries, names);
            return;
        }
        if (perSecond == 0) {
            QCOMPARE(h.cells(ColInformation, list),
                     QStringList(names, checkText::throttledBy(address)).join(u'|'));
            // The first burst, and the one query after the back-off that ended the patience.
            QVERIFY2(queries <= 50 + 2, qPrintable(QString::number(queries)));
        } else if (perSecond < 0) {
            // No answer ever: nothing to wait for, the names time out as they always did.
            QCOMPARE(h.cells(ColInformation, list), QStringList(names, checkText::kTimeout).join(u'|'));
            QCOMPARE(queries, names);
        } else {
            QCOMPARE(h.cells(ColAvailability, list), QStringList(names, u"FREE"_s).join(u'|'));
            // Every throttled query cost one query more, asked the plain way; far fewer than one a name.
            QCOMPARE(queries, names + allowance.refused);
            QVERIFY(server.queries().filter(QRegularExpression(u"^="_s)).isEmpty());
            // A burst of silence or resets costs its queries once more; resets that come before the
            // server's first answer use a retry, as for a server that may be down.
            const int bound = beyond == Beyond::Notice ? names / 2 + 2 : names + 20;
            QVERIFY2(allowance.refused <= bound, qPrintable(QString::number(allowance.refused)));
        }
        // Idle slots cost a step a turn, not one every dispatch delay.
        const qint64 steps = h.engine.slotSteps() - stepsBefore;
        QVERIFY2(steps <= 4 * (queries + names) + 100, qPrintable(QString::number(steps)));
    }

    // A server nobody knows yet gets a small window of queries at first, wider with every
    // answer: one that throttles sees about a window of them before it is paced, not a burst of
    // every slot; one that does not has every name asked once and answered.
    void slowStart_data()
    {
        QTest::addColumn<int>("perSecond"); // 0: no allowance
        QTest::newRow("notice beyond 20/s") << 20;
        QTest::newRow("unthrottled") << 0;
    }
    void slowStart()
    {
        QFETCH(int, perSecond);
        LoopbackWhoisServer server;
        ScriptedAllowance allowance(perSecond);
        int firstSecondNotices = 0;
        server.setHandler([&](const QString &q) -> std::optional<Reply> {
            if (perSecond == 0 || allowance.allows())
                return freeReply(q);
            if (allowance.clock.elapsed() < 1000)
                ++firstSecondNotices;
            return Reply::text("LIMIT EXCEEDED\r\n");
        });
        Harness h({server.address()});
        h.ctx.options.connections = u"200"_s;
        const QStringList list = nameSeries(perSecond ? 150 : 600);
        h.add(list);
        QVERIFY(h.run());
        QCOMPARE(h.cells(ColAvailability, list), QStringList(list.size(), u"FREE"_s).join(u'|'));
        QCOMPARE(server.queryCount(), list.size() + allowance.refused);
        QVERIFY2(firstSecondNotices <= 2 * RunSession::kFirstWindow,
                 qPrintable(QString::number(firstSecondNotices)));
    }

    // The names of a fast .net do not wait behind those of a throttled .com: the .net names are
    // all answered while .com names still wait, and the window says what waits for which server.
    void throttledServerBesideAFastOne()
    {
        LoopbackWhoisServer com, net;
        ScriptedAllowance allowance(5);
        com.setHandler([&](const QString &q) -> std::optional<Reply> {
            return allowance.allows() ? freeReply(q) : Reply::text("LIMIT EXCEEDED\r\n");
        });
        constexpr int kCom = 15, kNet = 300;
        int comAnsweredWhenNetDone = -1;
        net.setHandler([&](const QString &q) -> std::optional<Reply> {
            if (net.queryCount() == kNet)
                comAnsweredWhenNetDone = allowance.answered;
            return freeReply(q);
        });
        Harness h({com.address()});
        h.serve(u"net"_s, {net.address()});
        h.ctx.options.connections = u"20"_s;
        QStringList list;
        const QStringList comNames = nameSeries(kCom), netNames = nameSeries(kNet, u"n"_s, u"net"_s);
        for (int i = 0; i < kNet; ++i) {
            list << netNames[i];
            if (i % 20 == 0)
                list << comNames[i / 20];
        }
        h.add(list);
        QVERIFY(h.run());
        QCOMPARE(h.cells(ColAvailability, list), QStringList(list.size(), u"FREE"_s).join(u'|'));
        QCOMPARE(net.queryCount(), kNet);
        QCOMPARE(com.queryCount(), kCom + allowance.refused);
        QVERIFY2(comAnsweredWhenNetDone >= 0 && comAnsweredWhenNetDone < kCom,
                 qPrintable(QString::number(comAnsweredWhenNetDone)));
        const QRegularExpression shown(u"^\\d+ waiting for %1 \\((next in \\d+ s|next now)\\)$"_s.arg(
            QRegularExpression::escape(com.address())));
        QVERIFY(!h.host.waitingShown.filter(shown).isEmpty());
        QVERIFY(h.host.waiting.isEmpty()); // gone with the run
    }

    // A Stop while names wait for a server that bans for long: every name comes back, the
    // answered ones with their result, the waiting ones unchecked.
    void stopWhileNamesWait()
    {
        LoopbackWhoisServer server;
        ScriptedAllowance allowance(2);
        bool banned = false;
        server.setHandler([&](const QString &q) -> std::optional<Reply> {
            if (!banned && allowance.allows())
                return freeReply(q);
            banned = true;
            return Reply::text("Too many queries. Please wait 60 seconds\r\n");
        });
        Harness h({server.address()});
        h.ctx.options.connections = u"10"_s;
        const QStringList list = nameSeries(30);
        h.add(list);
        QVERIFY(h.start());
        const RunSession &s = h.engine.session();
        QTRY_COMPARE_WITH_TIMEOUT(s.waitingCount + s.processed, 30, 20000);
        QCOMPARE(s.processed, 2);
        h.engine.allstopper();
        QVERIFY(!h.engine.running());
        QCOMPARE(h.ctx.list.size(), 30);
        QCOMPARE(h.cells(ColAvailability, list).count(u"FREE"_s), 2);
        QCOMPARE(h.cells(ColAvailability, list).count(u"N/A"_s), 28);
        // The first burst, and at most the two slots answered in it, if they went on before the notices came.
        QVERIFY(server.queryCount() <= 10 + 2);
    }

    // SIGINT of the command-line program while names wait: the report lists every name, the
    // waiting ones unchecked, as for any stopped run.
    void interruptWhileNamesWait()
    {
        LoopbackWhoisServer server;
        bool answered = false;
        server.setHandler([&](const QString &q) -> std::optional<Reply> {
            if (std::exchange(answered, true))
                return Reply::text("Too many queries. Please wait 60 seconds\r\n");
            return freeReply(q);
        });
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        QByteArray names;
        for (const QString &name : nameSeries(10))
            names += name.toLatin1() + '\n';
        const CliRun r = runCli({"check", "--data-dir", folder.path(), "--connections", "4", "-"}, names,
                                [&](QProcess &p) {
                                    QVERIFY(server.waitForQueries(4, 10000));
                                    QTest::qWait(200); // the notices are read and the names wait
                                    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
                                });
        QCOMPARE(r.exitCode, 128 + SIGINT);
        QCOMPARE(r.out.count("\r\n"), 11);
        QCOMPARE(r.out.count("|com|N/A|N/A|N/A|\r\n"), 9);
        QVERIFY2(r.err.endsWith("10 domains\n1 free\n0 taken\n9 unchecked/errors\n"), r.err.constData());
        QCOMPARE(server.queryCount(), 4);
    }

    void waitingText()
    {
        // Names per server a.example:43, b.example:43, ...; the turn of the server with most (-1: none yet).
        const struct {
            QList<int> waiting;
            int dueInMs;
            QString text;
        } cases[] = {
            {{}, -1, {}},
            {{12}, 2500, u"12 waiting for a.example:43 (next in 3 s)"_s},
            {{1}, 0, u"1 waiting for a.example:43 (next now)"_s},
            {{2, 40, 7}, -1, u"40 waiting for b.example:43 +2 more servers"_s},
            {{3, 1}, 60000, u"3 waiting for a.example:43 (next in 60 s) +1 more server"_s},
        };
        for (const auto &[waiting, dueInMs, text] : cases) {
            RunSession s;
            int most = 0;
            for (int i = 0; i < waiting.size(); ++i) {
                ConnectionSlot slot;
                slot.pacedServer = u"%1.example:43"_s.arg(QChar(u'a' + i));
                for (int n = 0; n < waiting[i]; ++n)
                    s.park(slot, std::nullopt);
                most = waiting[i] > waiting[most] ? i : most;
            }
            if (dueInMs >= 0) {
                RunSession::ServerQueue &q = s.waiting[u"%1.example:43"_s.arg(QChar(u'a' + most))];
                q.hasTurn = true;
                q.dueAt = s.paceNow() + dueInMs;
            }
            QCOMPARE(::waitingText(s), text);
        }
    }
};

QV_TEST_GUILESS_MAIN(TestPacingRun)
#include "tst_pacingrun.moc"
