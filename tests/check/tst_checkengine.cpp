#include "app/appcontext.h"
#include "engine/checkengine.h"
#include "engine/checktexts.h"
#include "engine/runhost.h"
#include "sources/adddomain.h"
#include "support/fakeclock.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;
using Lines = QList<QStringList>;

namespace {

// Records what the engine shows, in place of the main window.
struct FakeRunHost : RunHost {
    void runModeOn() override { ++modeOn; }
    void runModeOff() override { ++modeOff; }
    void clearPanelNames() override { panel.clear(); }
    void printPanelName(const QString &name) override
    {
        panel.append(name);
        printed.append(name);
        longestPanel = std::max(longestPanel, int(panel.size()));
    }
    int progressFrameWidth() const override { return 6000; }
    void showProgress(const QString &percentText, int barWidth) override
    {
        percent = percentText;
        bar = barWidth;
    }
    void showCounters(const QString &d, const QString &f, const QString &t, const QString &u) override
    {
        counters = {d, f, t, u};
    }
    void optionsChanged() override { ++optionRefreshes; }
    void processEvents() override
    {
        ++yields;
        QCoreApplication::processEvents();
        if (onYield)
            std::exchange(onYield, nullptr)();
    }

    int modeOn = 0, modeOff = 0, longestPanel = 0, bar = 0, optionRefreshes = 0, yields = 0;
    QStringList panel, printed, counters;
    QString percent;
    std::function<void()> onYield;
};

struct Expect {
    const char *name;
    int column;
    const char *value;
};

QStringList numbered(int n)
{
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << u"name%1.com"_s.arg(i);
    return names;
}

// One program's worth of state around an engine, with a fixed date and a clock
// that only moves when a test says so; .com is served by `comServers`.
struct Harness {
    TempDataFolder folder;
    ScriptedPrompter prompter;
    FakeClock clock{QDate(2026, 1, 15)};
    AppContext ctx{folder.path(), prompter, clock};
    FakeRunHost host;
    CheckEngine engine{ctx, host};
    QSignalSpy ended{&engine, &CheckEngine::runEnded};

    explicit Harness(const QStringList &comServers = {u"127.0.0.1:1"_s})
    {
        ctx.config.freeResponses = {u"no match for"_s};
        ctx.config.errorResponses = {u"limit exceeded"_s};
        ctx.options.retry = false;
        if (!comServers.isEmpty())
            serve(u"com"_s, comServers);
    }
    void serve(const QString &tld, const QStringList &servers, const QString &freeResponse = {})
    {
        QVERIFY(ctx.config.table.AddTldEntry(tld, servers.join(u','), freeResponse));
    }
    void add(const QStringList &names)
    {
        ctx.run.suffixes.mylist(ctx.config.table.tlds());
        for (QString n : names)
            adddomain(ctx.list, ctx.run.suffixes, n);
    }
    bool start()
    {
        ctx.run.skipConfirmation = true;
        engine.allstarter();
        return engine.running();
    }
    bool waitDone()
    {
        return QTest::qWaitFor([this] { return !engine.running(); }, 20000);
    }
    bool run(const QStringList &names)
    {
        add(names);
        return start() && waitDone();
    }
    QString cell(const QString &name, int column) const
    {
        const int r = ctx.list.rowOfKey(name);
        return r < 0 ? QString() : ctx.list.rowAt(r).cells[column];
    }
    void expect(std::initializer_list<Expect> cells) const
    {
        for (const Expect &e : cells)
            QCOMPARE(cell(QLatin1String(e.name), e.column), QLatin1String(e.value));
    }
    // The lines of temp.txt, split into fields.
    Lines results() const
    {
        Lines out;
        for (const QString &line :
             QString::fromLatin1(folder.read(u"temp.txt"_s)).split(u"\r\n"_s, Qt::SkipEmptyParts))
            out << line.split(u'\x01');
        return out;
    }
};

} // namespace

class TestCheckEngine : public QObject
{
    Q_OBJECT
private slots:
    void startRefusals()
    {
        {
            // A refused start that was to skip the questions does not skip the next one's.
            Harness h;
            QVERIFY(!h.start());
            QCOMPARE(h.prompter.texts(), QStringList{checkText::kEmptyList});
            QCOMPARE(h.prompter.log().first().kind, ScriptedPrompter::Kind::Warn);
            QVERIFY(!h.ctx.run.skipConfirmation);
        }
        {
            // No TLD table: the default response lists come back, nothing else changes.
            Harness h(QStringList{});
            h.ctx.config.freeResponses.clear();
            h.ctx.config.errorResponses.clear();
            h.add({"example.com"});
            h.folder.write(u"temp.txt"_s, "keep");
            h.engine.allstarter();
            QCOMPARE(h.prompter.texts(), QStringList{checkText::kNoTldInformation});
            QVERIFY(!h.ctx.config.freeResponses.isEmpty() && !h.ctx.config.errorResponses.isEmpty());
            QCOMPARE(h.ctx.list.size(), 1);
            QCOMPARE(h.folder.read(u"temp.txt"_s), QByteArray("keep"));
        }
        // Selected only with nothing selected, then No to the confirmation: nothing is written.
        for (const bool selectOne : {false, true}) {
            Harness h;
            h.add({"example.com", "other.com"});
            h.ctx.options.checkSelected = true;
            if (selectOne)
                h.ctx.list.selectRows({0});
            h.prompter.queueAnswer(false);
            h.engine.allstarter();
            QCOMPARE(h.prompter.texts(),
                     QStringList{selectOne ? checkText::confirmStart(1) : checkText::kNothingSelected});
            QVERIFY(!h.engine.running() && !h.ctx.run.selectedOnly);
            QCOMPARE(h.ctx.list.size(), 2);
            QVERIFY(!h.folder.exists(u"temp.txt"_s) && !h.folder.exists(u"remember.txt"_s));
        }
        // A data folder that cannot take temp.txt: the list stays as it was.
        Harness h;
        h.add({"example.com"});
        QVERIFY(QDir(h.folder.path()).mkdir(u"temp.txt"_s));
        QVERIFY(!h.start());
        QVERIFY(h.prompter.lastText().startsWith(checkText::kWorkFileError));
        QCOMPARE(h.ctx.list.size(), 1);
    }

    void confirmationConnectionWarningAndClamps_data()
    {
        QTest::addColumn<QString>("connections");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("boxAfter");
        QTest::addColumn<int>("topSlot");
        QTest::newRow("250, yes") << "250" << true << "100" << 99;
        QTest::newRow("250, no") << "250" << false << "250" << 249;
        QTest::newRow("900, no") << "900" << false << "500" << 499;
    }
    void confirmationConnectionWarningAndClamps()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        Harness h({server.address()});
        h.add({"example.com"});
        QFETCH(QString, connections);
        h.ctx.options.connections = connections;
        h.ctx.options.retry = true;
        h.ctx.options.retryTimes = u"300"_s;
        h.prompter.queueAnswer(true);
        QFETCH(bool, answer);
        h.prompter.queueAnswer(answer);
        h.engine.allstarter();
        QVERIFY(h.engine.running());
        QCOMPARE(h.prompter.texts(),
                 (QStringList{checkText::confirmStart(1), checkText::kTooManyConnections}));
        QCOMPARE(h.prompter.log().at(1).icon, PromptIcon::Exclamation);
        QTEST(h.ctx.options.connections, "boxAfter");
        QTEST(int(h.ctx.run.topSlot), "topSlot");
        QCOMPARE(h.ctx.options.retryTimes, u"10"_s);
        QCOMPARE(int(h.ctx.run.retryLimit), 10);
        QVERIFY(h.host.optionRefreshes > 0);
        h.engine.allstopper();
    }

    void fewNamesManySlotsCompleteOnce()
    {
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) -> std::optional<Reply> {
            if (q == "free.com"_L1)
                return Reply::text("No match for \"FREE.COM\".\r\n");
            return Reply::text("Domain: " + q.toLatin1() +
                               "\r\nExpires on: 2026-01-25\r\nStatus: ACTIVE\r\n");
        });
        Harness h({server.address()});
        h.add({"free.com", "taken.com", "soon.com"});
        QVERIFY(h.start());
        QVERIFY(!h.ctx.run.skipConfirmation);
        QCOMPARE(h.host.modeOn, 1);
        QCOMPARE(h.ctx.list.size(), 0);
        QVERIFY(h.waitDone());
        QCOMPARE(h.ended.count(), 1);
        QCOMPARE(h.ended.first().first().toBool(), true);
        QCOMPARE(h.prompter.texts(), QStringList{checkText::kProgramDone});
        QCOMPARE(h.host.modeOff, 1);
        h.expect({{"free.com", ColExpiresIn, "0 days"},
                  {"taken.com", ColAvailability, "Taken"},
                  {"taken.com", ColExpiration, "25-01-26"},
                  {"taken.com", ColExpiresIn, "10 days"},
                  {"taken.com", ColInformation, "Status: active"}});
        QCOMPARE(h.host.counters, (QStringList{"3 domains", "1 free", "2 taken", "0 unchecked/errors"}));
    }

    void stopRightAfterStart()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        Harness h({server.address()});
        h.add(numbered(30));
        h.ctx.options.connections = u"5"_s;
        QVERIFY(h.start());
        QVERIFY(server.waitForQueries(5));
        h.engine.allstopper();
        QVERIFY(!h.engine.running());
        QCOMPARE(h.ended.count(), 1);
        QCOMPARE(h.ended.first().first().toBool(), false);
        QCOMPARE(h.ctx.list.size(), 30);
        for (int r = 0; r < 30; ++r) {
            const DomainRow &row = h.ctx.list.rowAt(r);
            QVERIFY(row.cells[ColAvailability] == "N/A"_L1 && row.cells[ColInformation].isEmpty());
            QCOMPARE(int(row.colour), int(ColourGrey));
        }
        // Late events of the stopped run change nothing; a second stop is harmless.
        server.abortAll();
        QVERIFY(server.waitForOpenCount(0));
        QCoreApplication::processEvents();
        h.engine.allstopper();
        QCOMPARE(h.ctx.list.size(), 30);
        QCOMPARE(h.ended.count(), 1);
        QVERIFY(h.prompter.log().isEmpty());
    }

    void selectedOnlyRun()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("no match for this name\r\n"));
        Harness h({server.address()});
        h.add({"aa.com", "bb.com", "cc.com", "dd.com", "ee.com"});
        // Earlier results of an unselected row come back unchanged.
        h.ctx.list.setCell(0, ColInformation, u"Status: kept"_s);
        h.ctx.list.setCell(0, ColAvailability, u"Taken"_s);
        h.ctx.options.checkSelected = true;
        h.ctx.list.selectRows({1, 3});
        QVERIFY(h.start());
        const QByteArray remember = h.folder.read(u"remember.txt"_s);
        QCOMPARE(remember.count("\r\n"), 3);
        QVERIFY(remember.startsWith("aa.com\x01"
                                    "2\x01"
                                    "com\x01"
                                    "Taken\x01"));
        QVERIFY(h.waitDone());
        QCOMPARE(server.queries(), (QStringList{"bb.com", "dd.com"}));
        QCOMPARE(h.ctx.list.size(), 5);
        h.expect({{"aa.com", ColInformation, "Status: kept"},
                  {"dd.com", ColAvailability, "FREE"},
                  {"cc.com", ColAvailability, "N/A"}});
        QCOMPARE(h.ctx.run.freeCount, 2);
        QVERIFY(!h.ctx.run.selectedOnly);
    }

    void classificationThroughSockets()
    {
        LoopbackWhoisServer server;
        server.onQuery(u"own.com"_s, Reply::pieces({"OWN.COM IS ", "FREE\r\n"}, 5));
        server.onQuery(u"other.com"_s, Reply::text("someone.com is free\r\n"));
        server.onQuery(u"both.com"_s, Reply::text("Limit exceeded\r\nNo match for both.com\r\n"));
        server.onQuery(u"empty.com"_s, Reply::closeNow());
        server.onQuery(u"tld.com"_s, Reply::text("NOT HERE\r\n"));
        server.onQuery(u"example.org"_s, Reply::text("no match for it\r\n"));
        Harness h(QStringList{});
        h.ctx.config.freeResponses = {u"$DOMAIN$ is free"_s, u"no match for"_s};
        h.serve(u"com"_s, {server.address()}, u"not here"_s);
        h.serve(u"org"_s, {server.address()});
        // A name that slipped past the syntax check (a maintenance command can leave one).
        DomainRow bad;
        bad.cells[ColDomain] = u"x.org"_s;
        h.ctx.list.addRow(u"x.org"_s, bad);
        QVERIFY(h.run(
            {"own.com", "other.com", "both.com", "empty.com", "tld.com", "sub.example.org", "ab.co.uk"}));
        h.expect({{"own.com", ColAvailability, "FREE"},
                  {"other.com", ColAvailability, "Taken"},
                  {"both.com", ColInformation, "Erroneous whois response"},
                  {"empty.com", ColAvailability, "Taken"},
                  {"tld.com", ColAvailability, "FREE"},
                  {"sub.example.org", ColAvailability, "FREE"},
                  {"ab.co.uk", ColInformation, "Unable to check, no TLD info found"},
                  {"x.org", ColInformation, "Invalid domain format"}});
        QCOMPARE(server.queryCount(), 6); // the last two never reach a server
    }

    void retriesRotateServersAndRequery()
    {
        LoopbackWhoisServer s1, s2, s3;
        for (LoopbackWhoisServer *s : {&s1, &s2, &s3})
            s->setDefault(Reply::text("LIMIT EXCEEDED\r\n"));
        // After an error response the retry asks with "=" and one good answer makes one line.
        s1.onQuery(u"=flaky.net"_s, Reply::text("No match for flaky.net\r\n"));
        Harness h({s1.address(), s2.address() + u' ', s3.address()});
        h.serve(u"net"_s, {s1.address()});
        h.ctx.options.retry = true;
        h.ctx.options.connections = u"1"_s;
        QVERIFY(h.run({"busy.com", "flaky.net"}));
        QCOMPARE(s1.queries(), (QStringList{"busy.com", "=busy.com", "flaky.net", "=flaky.net"}));
        QCOMPARE(s2.queries() + s3.queries(), (QStringList{"=busy.com", "=busy.com"}));
        QCOMPARE(h.results(), (Lines{{"busy.com", "N/A", "N/A", "Erroneous whois response"},
                                     {"flaky.net", "FREE", "N/A", "N/A"}}));
    }

    void connectionFailures()
    {
        // A refused connection is retried with the plain query; a port out of range makes
        // the socket refuse the connect request itself, inside the dispatcher or the retry.
        LoopbackWhoisServer good;
        good.setDefault(Reply::text("No match for that\r\n"));
        const QString badPort = u"127.0.0.1:99999"_s;
        for (const bool retry : {false, true}) {
            Harness h({u"127.0.0.1:%1"_s.arg(LoopbackWhoisServer::refusedPort()), good.address()});
            h.serve(u"net"_s, {badPort});
            h.serve(u"info"_s, {badPort, good.address()});
            h.ctx.options.retry = retry;
            QVERIFY(h.run({"ab.com", "ab.net", "ab.info"}));
            QCOMPARE(h.results().size(), 3);
            if (retry) {
                h.expect({{"ab.com", ColAvailability, "FREE"},
                          {"ab.net", ColInformation, "Connection retry error.."},
                          {"ab.info", ColAvailability, "FREE"}});
                QVERIFY(!good.queries().contains(u"=ab.com"_s));
                continue;
            }
            const QString com = h.cell(u"ab.com"_s, ColInformation);
            QVERIFY(com.startsWith(checkText::kErrorPrefix) && com.size() > checkText::kErrorPrefix.size());
            h.expect({{"ab.net", ColInformation, "Main connection error..."},
                      {"ab.info", ColInformation, "Main connection error..."}});
        }
    }

    void timeoutsAcrossTickWrap()
    {
        LoopbackWhoisServer s1, s2;
        s1.setDefault(Reply::silent());
        s2.setDefault(Reply::silent());
        Harness h({s1.address(), s2.address()});
        // The tick count wraps during the run: the time-out must still be measured right.
        h.clock.setTicks(std::numeric_limits<qint32>::max() - 5000);
        h.add({"quiet.com"});
        h.ctx.options.retry = true;
        h.ctx.options.retryTimes = u"1"_s;
        QVERIFY(h.start());
        QVERIFY(s1.waitForQueries(1));
        const struct {
            int advanceMs;
            bool retryArmed;
            int processed;
        } steps[] = {{9999, false, 0}, {1, true, 0}, {10000, true, 0}, {10000, false, 1}};
        int queries = 1;
        for (const auto &step : steps) {
            h.clock.advance(step.advanceMs);
            h.engine.Timeout1_Timer();
            QCOMPARE(h.engine.connectionSlot(0).Retry1.isActive(), step.retryArmed);
            QCOMPARE(h.ctx.run.processed, step.processed);
            queries += step.retryArmed;
            QVERIFY(QTest::qWaitFor([&] { return s1.queryCount() + s2.queryCount() == queries; }));
        }
        QVERIFY(h.waitDone());
        QCOMPARE(s1.queries() + s2.queries(), (QStringList{"quiet.com", "quiet.com", "quiet.com"}));
        QCOMPARE(s2.queryCount(), 1);
        QCOMPARE(h.results(), (Lines{{"quiet.com", "N/A", "N/A", "Timeout"}}));
    }

    void sweepArmsOneRetryPerTick()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        Harness h({server.address()});
        h.add({"aa.com", "bb.com", "cc.com"});
        h.ctx.options.retry = true;
        QVERIFY(h.start());
        QVERIFY(server.waitForQueries(3));
        h.clock.advance(10000);
        for (int tick = 1; tick <= 2; ++tick) {
            h.engine.Timeout1_Timer();
            QVERIFY(h.engine.connectionSlot(tick - 1).Retry1.isActive());
            QVERIFY(!h.engine.connectionSlot(tick).Retry1.isActive());
            QVERIFY(server.waitForQueries(3 + tick));
        }
        // Without retries, every silent slot is written in the same sweep.
        h.ctx.run.retryOn = false;
        h.clock.advance(10000);
        h.engine.Timeout1_Timer();
        QCOMPARE(h.ctx.run.processed, 3);
    }

    void tricklingServerIsTimedOut()
    {
        // A byte now and then, never a close: the connection is never silent for a
        // whole time-out, yet the run must still end.
        LoopbackWhoisServer server;
        server.setDefault(Reply::pieces(QList<QByteArray>(60, QByteArray("x")), 15).keepOpen());
        Harness h({server.address()});
        h.add({"drip.com"});
        QVERIFY(h.start());
        QVERIFY(server.waitForQueries(1));
        int sweeps = 0;
        while (h.ctx.run.processed == 0 && sweeps++ < 14) {
            const qsizetype had = h.engine.connectionSlot(0).reply.size();
            QVERIFY(QTest::qWaitFor([&] { return h.engine.connectionSlot(0).reply.size() > had; }, 5000));
            h.clock.advance(9000);
            h.engine.Timeout1_Timer();
        }
        QVERIFY(h.waitDone());
        QCOMPARE(h.results(), (Lines{{"drip.com", "N/A", "N/A", "Timeout"}}));
    }

    void hostileReplies()
    {
        LoopbackWhoisServer server;
        QByteArray nasty("Domain: evil.com\r\nStatus: bad\x01"
                         "field");
        nasty += '\0';
        nasty += "and\rmore\r\nExpires on: 2030-01-01\x01\r\n";
        server.onQuery(u"evil.com"_s, Reply::text(nasty));
        server.onQuery(u"huge.com"_s,
                       Reply::text("Status: flooding\r\n" + QByteArray(3 << 20, 'x')).keepOpen());
        server.onQuery(u"fine.com"_s, Reply::text("no match for fine.com\r\n"));
        Harness h({server.address()});
        QVERIFY(h.run({"evil.com", "huge.com", "fine.com"}));
        // Three lines of four fields: no separator, CR or LF got into a field.
        const QByteArray work = h.folder.read(u"temp.txt"_s);
        QVERIFY(work.count('\x01') == 9 && work.count('\r') == 3 && work.count('\n') == 3);
        h.expect({{"evil.com", ColInformation, "Status: bad field and"},
                  {"evil.com", ColExpiration, "01-01-30"},
                  {"huge.com", ColInformation, "Status: flooding"},
                  {"fine.com", ColAvailability, "FREE"}});
    }

    void progressCounters()
    {
        Harness h;
        h.add({"aa.com"});
        h.engine.updater();
        QCOMPARE(h.host.counters, (QStringList{"1 domains", "0 free", "0 taken", "0 unchecked/errors"}));
        // During a run the percentage rounds halves to even and stays within 0..100.
        h.ctx.run.stopped = false;
        h.ctx.run.progressUnit = 60;
        const struct {
            int runCount, processed, percent;
        } cases[] = {{8, 3, 38}, {8, 12, 100}, {8, -1, 0}, {200, 1, 0}, {200, 3, 2}};
        for (const auto &c : cases) {
            h.ctx.run.runCount = c.runCount;
            h.ctx.run.processed = c.processed;
            h.engine.updater();
            QCOMPARE(h.host.percent, QString::number(c.percent) + u'%');
            QCOMPARE(h.host.bar, 60 * c.percent);
            QCOMPARE(h.host.counters.first(), u"%1 domains"_s.arg(c.runCount));
        }
        h.ctx.run.stopped = true;
    }

    void dispatcherYieldsPanelAndStop()
    {
        for (const bool stopInYield : {false, true}) {
            LoopbackWhoisServer server;
            Harness h({server.address()});
            // Every reply takes "2.5 seconds" of the fake clock, so each dispatch refreshes.
            server.setHandler([&h](const QString &) -> std::optional<Reply> {
                h.clock.advance(2500);
                return Reply::text("no match for it\r\n");
            });
            h.add(numbered(30));
            h.ctx.options.connections = stopInYield ? u"2"_s : u"1"_s;
            if (stopInYield) // the user presses Stop while the dispatcher lets the window breathe
                h.host.onYield = [&h] { h.engine.allstopper(); };
            QVERIFY(h.start());
            h.engine.allstarter(); // a second start while running is ignored
            QVERIFY(h.waitDone());
            QCOMPARE(h.prompter.log().size(), stopInYield ? 0 : 1);
            QCOMPARE(h.ended.count(), 1);
            QCOMPARE(h.ctx.list.size(), 30);
            QCOMPARE(h.ctx.run.freeCount + h.ctx.run.uncheckedCount, 30);
            QVERIFY(h.ctx.run.freeCount >= (stopInYield ? 1 : 30));
            if (stopInYield)
                continue;
            QVERIFY(h.host.yields >= 25);
            // The box is cleared on every 12th dispatch; each dispatch prints the name just finished.
            QCOMPARE(h.host.longestPanel, 12);
            QCOMPARE(h.host.panel.size(), 7);
            QCOMPARE(h.host.printed.size(), 30);
            QCOMPARE(h.host.printed.mid(0, 2), (QStringList{"", "name0.com"}));
        }
    }
};

QTEST_GUILESS_MAIN(TestCheckEngine)
#include "tst_checkengine.moc"
