#include "fakerunhost.h"

#include "app/appcontext.h"
#include "engine/checkengine.h"
#include "engine/checktexts.h"
#include "engine/datafolder.h"
#include "engine/workfile.h"
#include "sources/adddomain.h"
#include "support/fakeclock.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QSignalSpy>
#include <QTest>

using Reply = LoopbackWhoisServer::Reply;

namespace {

// One program's worth of state around an engine, with a fixed date and a clock
// that only moves when a test says so.
struct Harness {
    TempDataFolder folder;
    ScriptedPrompter prompter;
    FakeClock clock{QDate(2026, 1, 15)};
    AppContext ctx{folder.path(), prompter, clock};
    FakeRunHost host;
    CheckEngine engine{ctx, host};
    QSignalSpy ended{&engine, &CheckEngine::runEnded};

    Harness()
    {
        ctx.config.freeResponses = {QStringLiteral("no match for")};
        ctx.config.errorResponses = {QStringLiteral("limit exceeded")};
        ctx.options.retry = false;
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
    bool waitDone(int ms = 10000)
    {
        return QTest::qWaitFor([this] { return !engine.running(); }, ms);
    }
    QStringList row(const QString &name) const
    {
        const int r = ctx.list.rowOfKey(name);
        if (r < 0)
            return {};
        QStringList cells;
        for (const QString &c : ctx.list.rowAt(r).cells)
            cells << c;
        return cells;
    }
    // The lines of temp.txt, split into fields.
    QList<QStringList> results() const
    {
        QList<QStringList> out;
        LineReader reader(folder.file(QStringLiteral("temp.txt")), LineReader::Ends::CrOnly);
        if (!reader.open())
            return out;
        QString line;
        while (reader.readLine(line)) {
            QStringList fields;
            for (QStringView f : splitFields(line))
                fields << f.toString();
            out << fields;
        }
        return out;
    }
    int linesFor(const QString &name) const
    {
        int n = 0;
        for (const QStringList &l : results())
            n += l.value(0) == name;
        return n;
    }
};

} // namespace

class TestCheckEngine : public QObject
{
    Q_OBJECT
private slots:
    void startRefusals();
    void confirmationAndConnectionWarning_data();
    void confirmationAndConnectionWarning();
    void optionBoxesAreCorrected();
    void fewNamesManySlotsCompleteOnce();
    void stopRightAfterStart();
    void selectedOnlyRun();
    void namesWrittenWithoutConnection();
    void classificationThroughSockets();
    void errorResponseThenFreeYieldsOneLine();
    void retriesRotateServers();
    void socketErrorThenSuccess();
    void connectRefusedOnTheSpot();
    void timeoutWithoutRetry();
    void timeoutWithRetries();
    void sweepArmsOneRetryPerTick();
    void tricklingServerIsTimedOut();
    void hostileReplies();
    void progressCounters();
    void dispatcherYieldsAndPanel();
    void stopDuringDispatcherYield();
};

void TestCheckEngine::startRefusals()
{
    {
        Harness h;
        h.serve(QStringLiteral("com"), {QStringLiteral("127.0.0.1:1")});
        h.engine.allstarter();
        QCOMPARE(h.prompter.texts(), QStringList{checkText::kEmptyList});
        QCOMPARE(h.prompter.log().first().kind, ScriptedPrompter::Kind::Warn);
        QVERIFY(!h.engine.running());
        // A refused start that was to skip the questions does not skip the next one's.
        h.ctx.run.skipConfirmation = true;
        h.engine.allstarter();
        QVERIFY(!h.ctx.run.skipConfirmation);
    }
    {
        // No TLD table: the default response lists come back, the start is refused.
        Harness h;
        h.ctx.config.freeResponses.clear();
        h.ctx.config.errorResponses.clear();
        h.add({QStringLiteral("example.com")});
        h.folder.write(QStringLiteral("temp.txt"), "keep");
        h.engine.allstarter();
        QCOMPARE(h.prompter.texts(), QStringList{checkText::kNoTldInformation});
        QVERIFY(!h.ctx.config.freeResponses.isEmpty());
        QVERIFY(!h.ctx.config.errorResponses.isEmpty());
        QCOMPARE(h.ctx.list.size(), 1);
        QCOMPARE(h.folder.read(QStringLiteral("temp.txt")), QByteArray("keep"));
    }
    {
        // Selected only, nothing selected.
        Harness h;
        h.serve(QStringLiteral("com"), {QStringLiteral("127.0.0.1:1")});
        h.add({QStringLiteral("example.com")});
        h.ctx.options.checkSelected = true;
        h.engine.allstarter();
        QCOMPARE(h.prompter.texts(), QStringList{checkText::kNothingSelected});
        QVERIFY(!h.ctx.run.selectedOnly);
        QVERIFY(!h.folder.exists(QStringLiteral("remember.txt")));
        QVERIFY(!h.engine.running());
    }
    {
        // No to the confirmation: nothing is written, nothing changes.
        Harness h;
        h.serve(QStringLiteral("com"), {QStringLiteral("127.0.0.1:1")});
        h.add({QStringLiteral("example.com"), QStringLiteral("other.com")});
        h.ctx.options.checkSelected = true;
        h.ctx.list.selectRows({0});
        h.prompter.queueAnswer(false);
        h.engine.allstarter();
        QCOMPARE(h.prompter.texts(), QStringList{checkText::confirmStart(1)});
        QCOMPARE(h.prompter.log().first().icon, PromptIcon::Information);
        QVERIFY(!h.engine.running());
        QVERIFY(!h.ctx.run.selectedOnly);
        QCOMPARE(h.ctx.list.size(), 2);
        QVERIFY(!h.folder.exists(QStringLiteral("temp.txt")));
        QVERIFY(!h.folder.exists(QStringLiteral("remember.txt")));
    }
    {
        // A data folder that cannot take temp.txt: the list stays as it was.
        Harness h;
        h.serve(QStringLiteral("com"), {QStringLiteral("127.0.0.1:1")});
        h.add({QStringLiteral("example.com")});
        QVERIFY(QDir(h.folder.path()).mkdir(QStringLiteral("temp.txt")));
        QVERIFY(!h.start());
        QCOMPARE(h.prompter.count(ScriptedPrompter::Kind::Fail), 1);
        QVERIFY(h.prompter.lastText().startsWith(checkText::kWorkFileError));
        QCOMPARE(h.ctx.list.size(), 1);
        QVERIFY(h.ctx.run.stopped);
    }
}

void TestCheckEngine::confirmationAndConnectionWarning_data()
{
    QTest::addColumn<QString>("connections");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<int>("topSlot");
    QTest::newRow("250, yes") << "250" << true << "100" << 99;
    QTest::newRow("250, no") << "250" << false << "250" << 249;
    QTest::newRow("900, no") << "900" << false << "500" << 499;
}

void TestCheckEngine::confirmationAndConnectionWarning()
{
    QFETCH(QString, connections);
    QFETCH(bool, answer);
    QFETCH(QString, boxAfter);
    QFETCH(int, topSlot);
    LoopbackWhoisServer server;
    server.setDefault(Reply::silent());
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("example.com")});
    h.ctx.options.connections = connections;
    h.prompter.queueAnswer(true);
    h.prompter.queueAnswer(answer);
    h.engine.allstarter();
    QVERIFY(h.engine.running());
    QCOMPARE(h.prompter.texts(), (QStringList{checkText::confirmStart(1), checkText::kTooManyConnections}));
    QCOMPARE(h.prompter.log().at(1).icon, PromptIcon::Exclamation);
    QCOMPARE(h.ctx.options.connections, boxAfter);
    QCOMPARE(int(h.ctx.run.topSlot), topSlot);
    QVERIFY(h.prompter.allAnswersUsed());
    h.engine.allstopper();
}

void TestCheckEngine::optionBoxesAreCorrected()
{
    LoopbackWhoisServer server;
    server.setDefault(Reply::silent());
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("example.com")});
    h.ctx.options.connections = QStringLiteral("abc");
    h.ctx.options.timeoutSecs = QStringLiteral("0");
    h.ctx.options.retryTimes = QStringLiteral("300");
    h.ctx.options.expireDays = QStringLiteral("100001");
    h.ctx.options.retry = true;
    QVERIFY(h.start());
    QCOMPARE(h.ctx.options.connections, QStringLiteral("1"));
    QCOMPARE(h.ctx.options.timeoutSecs, QStringLiteral("1"));
    QCOMPARE(h.ctx.options.retryTimes, QStringLiteral("10"));
    QCOMPARE(h.ctx.options.expireDays, QStringLiteral("100000"));
    QCOMPARE(int(h.ctx.run.topSlot), 0);
    QCOMPARE(h.ctx.run.timeoutMs, 1000);
    QCOMPARE(int(h.ctx.run.retryLimit), 10);
    QCOMPARE(h.ctx.run.blueLimit, 100000);
    QVERIFY(h.ctx.run.retryOn);
    QVERIFY(h.host.optionRefreshes > 0);
    QVERIFY(h.prompter.log().isEmpty());
    QVERIFY(!h.ctx.run.skipConfirmation);
    h.engine.allstopper();
}

void TestCheckEngine::fewNamesManySlotsCompleteOnce()
{
    LoopbackWhoisServer server;
    server.setHandler([](const QString &q) -> std::optional<Reply> {
        if (q == QLatin1String("free.com"))
            return Reply::text("No match for \"FREE.COM\".\r\n");
        return Reply::text("Domain: " + q.toLatin1() + "\r\nExpires on: 2026-01-25\r\nStatus: ACTIVE\r\n");
    });
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("free.com"), QStringLiteral("taken.com"), QStringLiteral("soon.com")});
    h.ctx.options.connections = QStringLiteral("20");
    QVERIFY(h.start());
    QVERIFY(h.host.running);
    QCOMPARE(h.ctx.list.size(), 0);
    QVERIFY(h.waitDone());
    QTest::qWait(50); // any second completion would show up here
    QCOMPARE(h.ended.count(), 1);
    QCOMPARE(h.ended.first().first().toBool(), true);
    QCOMPARE(h.prompter.texts(), QStringList{checkText::kProgramDone});
    QCOMPARE(h.host.modeOn, 1);
    QCOMPARE(h.host.modeOff, 1);
    QCOMPARE(h.ctx.list.size(), 3);
    QCOMPARE(h.row(QStringLiteral("free.com")).mid(3),
             (QStringList{"FREE", "N/A", "0 days", "N/A"}));
    QCOMPARE(h.row(QStringLiteral("taken.com")).mid(3),
             (QStringList{"Taken", "25-01-26", "10 days", "Status: active"}));
    QCOMPARE(h.ctx.run.freeCount, 1);
    QCOMPARE(h.ctx.run.takenCount, 2);
    QCOMPARE(h.ctx.run.uncheckedCount, 0);
    QCOMPARE(h.ctx.run.processed, 3);
    QVERIFY(h.ctx.run.stopped);
    for (int i = 0; i < 20; ++i)
        QVERIFY(h.engine.connectionSlot(i).finished);
    QCOMPARE(h.results().size(), 3);
    QCOMPARE(h.host.counters, (QStringList{"3 domains", "1 free", "2 taken", "0 unchecked/errors"}));
}

void TestCheckEngine::stopRightAfterStart()
{
    LoopbackWhoisServer server;
    server.setDefault(Reply::silent());
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    QStringList names;
    for (int i = 0; i < 30; ++i)
        names << QStringLiteral("name%1.com").arg(i);
    h.add(names);
    h.ctx.options.connections = QStringLiteral("5");
    QVERIFY(h.start());
    QVERIFY(server.waitForQueries(5));
    h.engine.allstopper();
    QVERIFY(!h.engine.running());
    QCOMPARE(h.ended.count(), 1);
    QCOMPARE(h.ended.first().first().toBool(), false);
    QCOMPARE(h.ctx.list.size(), 30);
    for (int r = 0; r < h.ctx.list.size(); ++r) {
        const DomainRow &row = h.ctx.list.rowAt(r);
        QCOMPARE(row.cells[ColAvailability], QStringLiteral("N/A"));
        QCOMPARE(row.cells[ColInformation], QString());
        QCOMPARE(int(row.colour), int(ColourGrey));
        QVERIFY(!row.bold);
    }
    QCOMPARE(h.ctx.run.uncheckedCount, 30);
    // Late events of the stopped run change nothing; a second stop is harmless.
    server.abortAll();
    QTest::qWait(50);
    h.engine.allstopper();
    QCOMPARE(h.ctx.list.size(), 30);
    QCOMPARE(h.ended.count(), 1);
    QVERIFY(h.prompter.log().isEmpty());
}

void TestCheckEngine::selectedOnlyRun()
{
    LoopbackWhoisServer server;
    server.setDefault(Reply::text("no match for this name\r\n"));
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("aa.com"), QStringLiteral("bb.com"), QStringLiteral("cc.com"), QStringLiteral("dd.com"),
           QStringLiteral("ee.com")});
    // Earlier results of an unselected row come back unchanged.
    h.ctx.list.setCell(0, ColInformation, QStringLiteral("Status: kept"));
    h.ctx.list.setCell(0, ColAvailability, QStringLiteral("Taken"));
    h.ctx.options.checkSelected = true;
    h.ctx.list.selectRows({1, 3});
    QVERIFY(h.start());
    const QByteArray remember = h.folder.read(QStringLiteral("remember.txt"));
    QCOMPARE(remember.count("\r\n"), 3);
    QVERIFY(remember.startsWith("aa.com\x01" "2\x01" "com\x01" "Taken\x01"));
    QVERIFY(h.waitDone());
    QCOMPARE(server.queries(), (QStringList{"bb.com", "dd.com"}));
    QCOMPARE(h.ctx.list.size(), 5);
    QCOMPARE(h.row(QStringLiteral("aa.com")).value(ColInformation), QStringLiteral("Status: kept"));
    QCOMPARE(h.row(QStringLiteral("bb.com")).value(ColAvailability), QStringLiteral("FREE"));
    QCOMPARE(h.row(QStringLiteral("dd.com")).value(ColAvailability), QStringLiteral("FREE"));
    QCOMPARE(h.row(QStringLiteral("cc.com")).value(ColAvailability), QStringLiteral("N/A"));
    QCOMPARE(h.ctx.run.freeCount + h.ctx.run.takenCount + h.ctx.run.uncheckedCount, 5);
    QCOMPARE(h.ctx.run.freeCount, 2);
    QVERIFY(!h.ctx.run.selectedOnly);
}

void TestCheckEngine::namesWrittenWithoutConnection()
{
    LoopbackWhoisServer server;
    server.setDefault(Reply::text("no match for it\r\n"));
    Harness h;
    h.serve(QStringLiteral("org"), {server.address()});
    h.add({QStringLiteral("sub.example.org"), QStringLiteral("ab.co.uk"), QStringLiteral("ab.zz")});
    // A name that slipped past the syntax check (a maintenance command can leave one).
    DomainRow bad;
    bad.cells[ColDomain] = QStringLiteral("x.org");
    h.ctx.list.addRow(QStringLiteral("x.org"), bad);
    QVERIFY(h.start());
    QVERIFY(h.waitDone());
    QCOMPARE(server.queries(), QStringList{"example.org"});
    QCOMPARE(h.row(QStringLiteral("sub.example.org")).value(ColAvailability), QStringLiteral("FREE"));
    QCOMPARE(h.row(QStringLiteral("ab.co.uk")).value(ColInformation), checkText::kNoTldInfo);
    QCOMPARE(h.row(QStringLiteral("ab.zz")).value(ColInformation), checkText::kNoTldInfo);
    QCOMPARE(h.row(QStringLiteral("x.org")).value(ColInformation), checkText::kInvalidDomainFormat);
    QCOMPARE(server.acceptedCount(), 1);
}

void TestCheckEngine::classificationThroughSockets()
{
    LoopbackWhoisServer server;
    server.onQuery(QStringLiteral("own.com"), Reply::pieces({"OWN.COM IS ", "FREE\r\n"}, 5));
    server.onQuery(QStringLiteral("other.com"), Reply::text("someone.com is free\r\n"));
    server.onQuery(QStringLiteral("both.com"), Reply::text("Limit exceeded\r\nNo match for both.com\r\n"));
    server.onQuery(QStringLiteral("empty.com"), Reply::closeNow());
    server.onQuery(QStringLiteral("tld.com"), Reply::text("NOT HERE\r\n"));
    Harness h;
    h.ctx.config.freeResponses = {QStringLiteral("$DOMAIN$ is free")};
    h.serve(QStringLiteral("com"), {server.address()}, QStringLiteral("not here"));
    h.add({QStringLiteral("own.com"), QStringLiteral("other.com"), QStringLiteral("both.com"),
           QStringLiteral("empty.com"), QStringLiteral("tld.com")});
    QVERIFY(h.start());
    QVERIFY(h.waitDone());
    const struct {
        const char *name, *availability, *information;
    } expected[] = {
        {"own.com", "FREE", "N/A"},
        {"other.com", "Taken", "N/A"},
        {"both.com", "N/A", "Erroneous whois response"},
        {"empty.com", "Taken", "N/A"},
        {"tld.com", "FREE", "N/A"},
    };
    for (const auto &e : expected) {
        const QStringList row = h.row(QString::fromLatin1(e.name));
        QCOMPARE(row.value(ColAvailability), QString::fromLatin1(e.availability));
        QCOMPARE(row.value(ColInformation), QString::fromLatin1(e.information));
    }
}

void TestCheckEngine::errorResponseThenFreeYieldsOneLine()
{
    LoopbackWhoisServer server;
    server.onQuery(QStringLiteral("flaky.com"), Reply::text("Limit exceeded\r\n"));
    server.onQuery(QStringLiteral("=flaky.com"), Reply::text("No match for flaky.com\r\n"));
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("flaky.com")});
    h.ctx.options.retry = true;
    QVERIFY(h.start());
    QVERIFY(h.waitDone());
    QCOMPARE(server.queries(), (QStringList{"flaky.com", "=flaky.com"}));
    QCOMPARE(h.linesFor(QStringLiteral("flaky.com")), 1);
    QCOMPARE(h.row(QStringLiteral("flaky.com")).value(ColAvailability), QStringLiteral("FREE"));
    QCOMPARE(h.ctx.run.processed, 1);
}

void TestCheckEngine::retriesRotateServers()
{
    LoopbackWhoisServer s1, s2, s3;
    for (LoopbackWhoisServer *s : {&s1, &s2, &s3})
        s->setDefault(Reply::text("LIMIT EXCEEDED\r\n"));
    Harness h;
    h.serve(QStringLiteral("com"), {s1.address(), s2.address() + u' ', s3.address()});
    h.add({QStringLiteral("busy.com")});
    h.ctx.options.retry = true;
    h.ctx.options.retryTimes = QStringLiteral("2");
    QVERIFY(h.start());
    QVERIFY(h.waitDone());
    QCOMPARE(s1.queries(), (QStringList{"busy.com", "=busy.com"}));
    QCOMPARE(s2.queries(), QStringList{"=busy.com"});
    QCOMPARE(s3.queries(), QStringList{"=busy.com"});
    QCOMPARE(h.results(), (QList<QStringList>{{"busy.com", "N/A", "N/A", "Erroneous whois response"}}));
}

void TestCheckEngine::socketErrorThenSuccess()
{
    LoopbackWhoisServer good;
    good.setDefault(Reply::text("No match for that\r\n"));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(LoopbackWhoisServer::refusedPort());
    {
        Harness h;
        h.serve(QStringLiteral("com"), {refused, good.address()});
        h.add({QStringLiteral("ab.com")});
        h.ctx.options.retry = true;
        QVERIFY(h.start());
        QVERIFY(h.waitDone());
        QCOMPARE(h.results(), (QList<QStringList>{{"ab.com", "FREE", "N/A", "N/A"}}));
        // A socket error is retried with the plain query.
        QCOMPARE(good.queries(), QStringList{"ab.com"});
    }
    {
        Harness h;
        h.serve(QStringLiteral("com"), {refused, good.address()});
        h.add({QStringLiteral("ab.com")});
        QVERIFY(h.start());
        QVERIFY(h.waitDone());
        const QList<QStringList> lines = h.results();
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0][3].startsWith(checkText::kErrorPrefix));
        QVERIFY(lines[0][3].size() > checkText::kErrorPrefix.size());
    }
}

void TestCheckEngine::connectRefusedOnTheSpot()
{
    // A server entry whose port is out of range makes the socket refuse the
    // connect request itself, inside the dispatcher or the retry.
    LoopbackWhoisServer good;
    good.setDefault(Reply::text("No match for that\r\n"));
    const QString badPort = QStringLiteral("127.0.0.1:99999");
    for (const bool retry : {false, true}) {
        Harness h;
        h.serve(QStringLiteral("net"), {badPort});
        h.serve(QStringLiteral("info"), {badPort, good.address()});
        h.add({QStringLiteral("ab.net"), QStringLiteral("ab.info")});
        h.ctx.options.retry = retry;
        QVERIFY(h.start());
        QVERIFY(h.waitDone());
        if (!retry) {
            QCOMPARE(h.row(QStringLiteral("ab.net")).value(ColInformation), checkText::kMainConnectionError);
            QCOMPARE(h.row(QStringLiteral("ab.info")).value(ColInformation), checkText::kMainConnectionError);
        } else {
            QCOMPARE(h.row(QStringLiteral("ab.net")).value(ColInformation), checkText::kConnectionRetryError);
            QCOMPARE(h.row(QStringLiteral("ab.info")).value(ColAvailability), QStringLiteral("FREE"));
        }
        QCOMPARE(h.results().size(), 2);
    }
}

void TestCheckEngine::timeoutWithoutRetry()
{
    LoopbackWhoisServer server;
    server.setDefault(Reply::silent());
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("quiet.com")});
    h.ctx.options.timeoutSecs = QStringLiteral("10");
    QVERIFY(h.start());
    QVERIFY(server.waitForQueries(1));
    h.clock.advance(9999);
    h.engine.Timeout1_Timer();
    QVERIFY(h.engine.running());
    QCOMPARE(h.ctx.run.processed, 0);
    h.clock.advance(1);
    h.engine.Timeout1_Timer();
    QCOMPARE(h.ctx.run.processed, 1);
    QVERIFY(h.waitDone());
    QCOMPARE(h.results(), (QList<QStringList>{{"quiet.com", "N/A", "N/A", "Timeout"}}));
    QCOMPARE(server.queryCount(), 1);
}

void TestCheckEngine::timeoutWithRetries()
{
    LoopbackWhoisServer s1, s2;
    s1.setDefault(Reply::silent());
    s2.setDefault(Reply::silent());
    Harness h;
    // The tick count wraps during the run: the time-out must still be measured right.
    h.clock.setTicks(std::numeric_limits<qint32>::max() - 5000);
    h.serve(QStringLiteral("com"), {s1.address(), s2.address()});
    h.add({QStringLiteral("quiet.com")});
    h.ctx.options.retry = true;
    h.ctx.options.retryTimes = QStringLiteral("1");
    QVERIFY(h.start());
    QVERIFY(s1.waitForQueries(1));
    h.clock.advance(10000);
    h.engine.Timeout1_Timer();
    QVERIFY(s2.waitForQueries(1));
    h.clock.advance(10000);
    h.engine.Timeout1_Timer();
    QVERIFY(s1.waitForQueries(2));
    h.clock.advance(10000);
    h.engine.Timeout1_Timer();
    QVERIFY(h.waitDone());
    QCOMPARE(s1.queries(), (QStringList{"quiet.com", "quiet.com"}));
    QCOMPARE(s2.queries(), QStringList{"quiet.com"});
    QCOMPARE(h.results(), (QList<QStringList>{{"quiet.com", "N/A", "N/A", "Timeout"}}));
}

void TestCheckEngine::sweepArmsOneRetryPerTick()
{
    LoopbackWhoisServer server;
    server.setDefault(Reply::silent());
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("aa.com"), QStringLiteral("bb.com"), QStringLiteral("cc.com")});
    h.ctx.options.retry = true;
    QVERIFY(h.start());
    QVERIFY(server.waitForQueries(3));
    h.clock.advance(10000);
    h.engine.Timeout1_Timer();
    QVERIFY(server.waitForQueries(4));
    QTest::qWait(30);
    QCOMPARE(server.queryCount(), 4);
    QCOMPARE(int(h.engine.connectionSlot(0).retries), 1);
    QCOMPARE(int(h.engine.connectionSlot(1).retries), 0);
    h.engine.Timeout1_Timer();
    QVERIFY(server.waitForQueries(5));
    QCOMPARE(int(h.engine.connectionSlot(1).retries), 1);

    // Without retries, every silent slot is written in the same sweep.
    h.ctx.run.retryOn = false;
    h.clock.advance(10000);
    h.engine.Timeout1_Timer();
    QCOMPARE(h.ctx.run.processed, 3);
    QVERIFY(h.waitDone());
}

void TestCheckEngine::tricklingServerIsTimedOut()
{
    // A byte now and then, never a close: the connection is never silent for a
    // whole time-out, yet the run must still end.
    LoopbackWhoisServer server;
    server.setDefault(Reply::pieces(QList<QByteArray>(60, QByteArray("x")), 15).keepOpen());
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("drip.com")});
    h.ctx.options.timeoutSecs = QStringLiteral("10");
    QVERIFY(h.start());
    QVERIFY(server.waitForQueries(1));
    int sweeps = 0;
    while (h.ctx.run.processed == 0 && sweeps < 40) {
        const qsizetype had = h.engine.connectionSlot(0).reply.size();
        QVERIFY(QTest::qWaitFor([&] { return h.engine.connectionSlot(0).reply.size() > had; }, 5000));
        h.clock.advance(9000);
        h.engine.Timeout1_Timer();
        ++sweeps;
    }
    QCOMPARE(h.ctx.run.processed, 1);
    QVERIFY(sweeps <= 14);
    QVERIFY(h.waitDone());
    QCOMPARE(h.results(), (QList<QStringList>{{"drip.com", "N/A", "N/A", "Timeout"}}));
}

void TestCheckEngine::hostileReplies()
{
    LoopbackWhoisServer server;
    QByteArray nasty("Domain: evil.com\r\nStatus: bad\x01" "field");
    nasty += '\0';
    nasty += "and\rmore\r\nExpires on: 2030-01-01\x01\r\n";
    server.onQuery(QStringLiteral("evil.com"), Reply::text(nasty));
    server.onQuery(QStringLiteral("huge.com"),
                   Reply::text("Status: flooding\r\n" + QByteArray(3 * 1024 * 1024, 'x')).keepOpen());
    Harness h;
    h.serve(QStringLiteral("com"), {server.address()});
    h.add({QStringLiteral("evil.com"), QStringLiteral("huge.com"), QStringLiteral("fine.com")});
    server.onQuery(QStringLiteral("fine.com"), Reply::text("no match for fine.com\r\n"));
    QVERIFY(h.start());
    QVERIFY(h.waitDone(20000));
    const QList<QStringList> lines = h.results();
    QCOMPARE(lines.size(), 3);
    for (const QStringList &l : lines)
        QCOMPARE(l.size(), 4);
    const QStringList evil = h.row(QStringLiteral("evil.com"));
    QCOMPARE(evil.value(ColAvailability), QStringLiteral("Taken"));
    QVERIFY(!evil.value(ColInformation).contains(QChar(0)));
    QCOMPARE(evil.value(ColInformation), QStringLiteral("Status: bad field and"));
    QCOMPARE(evil.value(ColExpiration), QStringLiteral("01-01-30"));
    QCOMPARE(h.row(QStringLiteral("huge.com")).value(ColInformation), QStringLiteral("Status: flooding"));
    QCOMPARE(h.row(QStringLiteral("fine.com")).value(ColAvailability), QStringLiteral("FREE"));
}

void TestCheckEngine::progressCounters()
{
    Harness h;
    h.add({QStringLiteral("aa.com")});
    h.engine.updater();
    QCOMPARE(h.host.counters, (QStringList{"1 domains", "0 free", "0 taken", "0 unchecked/errors"}));
    // During a run the percentage rounds halves to even and never passes 100.
    h.ctx.run.stopped = false;
    h.ctx.run.runCount = 8;
    h.ctx.run.progressUnit = 60;
    const struct {
        int processed;
        const char *percent;
    } cases[] = {{0, "0%"}, {1, "12%"}, {3, "38%"}, {4, "50%"}, {8, "100%"}, {12, "100%"}, {-1, "0%"}};
    for (const auto &c : cases) {
        h.ctx.run.processed = c.processed;
        h.engine.updater();
        QCOMPARE(h.host.percent, QString::fromLatin1(c.percent));
        QCOMPARE(h.host.bar, 60 * QString::fromLatin1(c.percent).chopped(1).toInt());
        QCOMPARE(h.host.counters.first(), QStringLiteral("8 domains"));
    }
    h.ctx.run.runCount = 200;
    h.ctx.run.processed = 1; // 0.5 -> 0
    h.engine.updater();
    QCOMPARE(h.host.percent, QStringLiteral("0%"));
    h.ctx.run.processed = 3; // 1.5 -> 2
    h.engine.updater();
    QCOMPARE(h.host.percent, QStringLiteral("2%"));
    h.ctx.run.stopped = true;
}

void TestCheckEngine::dispatcherYieldsAndPanel()
{
    LoopbackWhoisServer server;
    Harness h;
    // Every reply takes "2.5 seconds" of the fake clock, so each dispatch refreshes.
    server.setHandler([&h](const QString &) -> std::optional<Reply> {
        h.clock.advance(2500);
        return Reply::text("no match for it\r\n");
    });
    h.serve(QStringLiteral("com"), {server.address()});
    QStringList names;
    for (int i = 0; i < 30; ++i)
        names << QStringLiteral("name%1.com").arg(i);
    h.add(names);
    h.ctx.options.connections = QStringLiteral("1");
    QVERIFY(h.start());
    // A second start while running is ignored.
    h.engine.allstarter();
    QVERIFY(h.prompter.log().isEmpty());
    QVERIFY(h.waitDone());
    QCOMPARE(h.ctx.run.freeCount, 30);
    QVERIFY(h.host.yields >= 25);
    // The box is cleared on every 12th dispatch; each dispatch prints the name just finished.
    QCOMPARE(h.host.longestPanel, 12);
    QCOMPARE(h.host.printed.size(), 30);
    QCOMPARE(h.host.panel.size(), 7);
    QCOMPARE(h.host.printed.first(), QString());
    QCOMPARE(h.host.printed.at(1), QStringLiteral("name0.com"));
}

void TestCheckEngine::stopDuringDispatcherYield()
{
    LoopbackWhoisServer server;
    Harness h;
    server.setHandler([&h](const QString &) -> std::optional<Reply> {
        h.clock.advance(2500);
        return Reply::text("no match for it\r\n");
    });
    h.serve(QStringLiteral("com"), {server.address()});
    QStringList names;
    for (int i = 0; i < 20; ++i)
        names << QStringLiteral("name%1.com").arg(i);
    h.add(names);
    h.ctx.options.connections = QStringLiteral("2");
    // The user presses Stop while the dispatcher lets the window breathe.
    h.host.onYield = [&h] {
        h.host.onYield = nullptr;
        h.engine.allstopper();
    };
    QVERIFY(h.start());
    QVERIFY(h.waitDone());
    QTest::qWait(30);
    QCOMPARE(h.ended.count(), 1);
    QCOMPARE(h.ctx.list.size(), 20);
    QVERIFY(h.ctx.run.freeCount >= 1);
    QCOMPARE(h.ctx.run.freeCount + h.ctx.run.uncheckedCount, 20);
    QVERIFY(h.prompter.log().isEmpty());
}

QTEST_GUILESS_MAIN(TestCheckEngine)
#include "tst_checkengine.moc"
