#include "base/datafolder.h"
#include "enginefixture.h"
#include "support/filesizelimit.h"
#include "support/testmain.h"

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;
using Harness = EngineHarness;

namespace {

const QStringList kNowhere{u"127.0.0.1:1"_s};

enum class Refusal { None, NoTable, DeclineConfirmation, TempIsFolder, DiskFull };

// A start that is refused, and the only message it gives (up to the system's reason; "$DIR" is the
// data folder).
struct StartRefusal {
    QStringList names;
    Refusal refusal;
    bool selectedOnly;
    std::vector<int> selected;
    ScriptedPrompter::Kind kind;
    QString message;
};

} // namespace

Q_DECLARE_METATYPE(StartRefusal)

class TestCheckEngine : public QObject
{
    Q_OBJECT
private slots:
    void startRefusals_data()
    {
        using K = ScriptedPrompter::Kind;
        using R = Refusal;
        QTest::addColumn<StartRefusal>("c");
        const QStringList one{"example.com"}, four{"aa.com", "bb.com", "cc.com", "dd.com"};
        const auto full = [](const char *file) {
            return checkText::kWorkFileWriteError + u"$DIR/"_s + QLatin1String(file) + u": File too large"_s;
        };
        const auto row = [](const char *name, const StartRefusal &c) { QTest::newRow(name) << c; };
        row("empty list", {{}, R::None, false, {}, K::Warn, checkText::kEmptyList});
        // The default response lists come back first.
        row("no TLD table", {one, R::NoTable, false, {}, K::Warn, checkText::kNoTldInformation});
        row("nothing selected", {four, R::None, true, {}, K::Warn, checkText::kNothingSelected});
        row("No to the question",
            {four, R::DeclineConfirmation, true, {0}, K::Question, checkText::confirmStart(1)});
        row("temp.txt a folder",
            {one, R::TempIsFolder, false, {}, K::Fail, checkText::kWorkFileError + u"$DIR/temp.txt: "_s});
        // The rows a selected-only run leaves alone would have no other copy; nor the names of the run.
        row("remember.txt full", {four, R::DiskFull, true, {0}, K::Fail, full("remember.txt")});
        row("journal full", {four, R::DiskFull, false, {}, K::Fail, full("journal.txt")});
    }

    void startRefusals()
    {
        QFETCH(const StartRefusal, c);
        const auto &[names, refusal, selectedOnly, selected, kind, expected] = c;
        Harness h(refusal == Refusal::NoTable ? QStringList() : kNowhere);
        if (refusal == Refusal::NoTable) {
            h.ctx.config.freeResponses.clear();
            h.ctx.config.errorResponses.clear();
        }
        h.add(names);
        h.ctx.options.checkSelected = selectedOnly;
        h.ctx.list.selectRows(selected);
        if (refusal == Refusal::TempIsFolder)
            QVERIFY(QDir(h.folder.path()).mkdir(u"temp.txt"_s));
        // A refused start that was to skip the questions does not skip the next one's.
        h.ctx.run.skipConfirmation = refusal != Refusal::DeclineConfirmation;
        if (!h.ctx.run.skipConfirmation)
            h.prompter.queueAnswer(false);
        {
            std::optional<FileSizeLimit> limit;
            if (refusal == Refusal::DiskFull)
                QVERIFY(limit.emplace(20).active());
            h.engine.allstarter();
        }
        QVERIFY(!h.engine.running());
        QVERIFY(!h.ctx.run.skipConfirmation);
        QVERIFY(!h.engine.session().selectedOnly);
        QCOMPARE(h.prompter.log().size(), 1);
        QCOMPARE(h.prompter.log()[0].kind, kind);
        const QString message = QString(expected).replace(u"$DIR"_s, h.folder.path());
        QCOMPARE(h.prompter.lastText().left(message.size()), message);
        // Nothing of the list is lost, and no work file is left behind.
        QCOMPARE(h.ctx.list.size(), names.size());
        QCOMPARE(h.folder.exists(u"temp.txt"_s), refusal == Refusal::TempIsFolder);
        QVERIFY(!h.folder.exists(u"journal.txt"_s));
        QVERIFY(!h.folder.exists(u"journal.txt.new"_s));
        if (refusal != Refusal::DiskFull)
            QVERIFY(!h.folder.exists(u"remember.txt"_s));
        if (refusal == Refusal::NoTable) {
            QVERIFY(!h.ctx.config.freeResponses.isEmpty());
            QVERIFY(!h.ctx.config.errorResponses.isEmpty());
        }
    }

    void selectedOnlyRunWithQuestionsAndClamps()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("no match for this name\r\n"));
        Harness h({server.address()});
        h.add({"aa.com", "bb.com", "cc.com", "dd.com", "ee.com"});
        // Earlier results of an unselected row come back unchanged.
        h.ctx.list.setCell(0, ColAvailability, u"Taken"_s);
        h.ctx.options.checkSelected = true;
        h.ctx.list.selectRows({1, 3});
        h.ctx.options.connections = u"250"_s;
        h.prompter.queueAnswer(true);
        h.prompter.queueAnswer(true);
        h.engine.allstarter();
        QCOMPARE(h.prompter.texts(),
                 (QStringList{checkText::confirmStart(2), checkText::kTooManyConnections}));
        QCOMPARE(h.prompter.log().at(1).icon, PromptIcon::Exclamation);
        QCOMPARE(h.ctx.options.connections, "100"_L1);
        QCOMPARE(h.engine.session().topSlot, 99);
        QVERIFY(h.host.optionRefreshes > 0);
        QVERIFY(h.engine.session().selectedOnly);
        QVERIFY(h.waitDone());
        QCOMPARE(server.queries(), QStringList({"bb.com", "dd.com"}));
        QCOMPARE(h.ctx.list.size(), 5);
        QCOMPARE(h.cells(ColAvailability, {"aa.com", "bb.com", "cc.com", "dd.com"}),
                 "Taken|FREE|N/A|FREE"_L1);
        QCOMPARE(h.ctx.run.freeCount, 2);
        QVERIFY(!h.engine.session().selectedOnly);
    }

    void classifiedRunOverFewerNamesThanSlots()
    {
        LoopbackWhoisServer server;
        server.onQuery(u"own.com"_s, Reply::pieces({"OWN.COM IS ", "FREE\r\n"}, 5));
        server.onQuery(u"empty.com"_s, Reply::closeNow());
        server.onQuery(u"tld.com"_s, Reply::text("NOT HERE\r\n"));
        server.onQuery(u"example.org"_s, Reply::text("no match for it\r\n"));
        server.onQuery(u"taken.com"_s,
                       Reply::text("Domain: taken.com\r\nExpires on: 2026-01-25\r\nStatus: ACTIVE\r\n"));
        // Separators, NUL and bare CRs inside fields, and a reply far beyond the receive cap.
        const char nasty[] =
            "Domain: evil.com\r\nStatus: bad\001field\0and\rmore\r\nExpires on: 2030-01-01\001\r\n";
        server.onQuery(u"evil.com"_s, Reply::text(QByteArray(nasty, sizeof nasty - 1)));
        server.onQuery(u"huge.com"_s,
                       Reply::text("Status: flooding\r\n" + QByteArray(3 << 20, 'x')).keepOpen());
        Harness h;
        h.ctx.config.freeResponses = {u"$DOMAIN$ is free"_s, u"no match for"_s};
        h.serve(u"com"_s, {server.address()}, u"not here"_s);
        h.serve(u"org"_s, {server.address()});
        // A name that slipped past the syntax check (a maintenance command can leave one).
        DomainRow bad;
        bad.cells[ColDomain] = u"x.org"_s;
        h.ctx.list.addRow(u"x.org"_s, bad);
        h.add({"own.com", "empty.com", "tld.com", "sub.example.org", "ab.co.uk", "evil.com", "huge.com",
               "taken.com"});
        QVERIFY(h.start());
        QVERIFY(!h.ctx.run.skipConfirmation);
        QCOMPARE(h.host.modeOn, 1);
        QVERIFY(h.waitDone());
        QCOMPARE(h.ended.count(), 1);
        QVERIFY(h.ended.first().first().toBool());
        QCOMPARE(h.host.modeOff, 1);
        QCOMPARE(h.prompter.texts(), QStringList{checkText::kProgramDone});
        // An empty reply is a refused query (the recognition of registry replies is on by default).
        QCOMPARE(h.host.counters, "9 domains,3 free,3 taken,3 unchecked/errors"_L1);
        QCOMPARE(server.queryCount(), 7); // invalid names and unknown TLDs never reach a server
        QCOMPARE(h.cells(ColAvailability, {"own.com", "empty.com", "tld.com", "sub.example.org"}),
                 "FREE|N/A|FREE|FREE"_L1);
        QCOMPARE(h.cells(ColExpiresIn, {"own.com", "taken.com"}) + h.cells(ColInformation, {"taken.com"}),
                 "0 days|10 daysStatus: active"_L1);
        QCOMPARE(h.cells(ColInformation, {"empty.com", "ab.co.uk", "x.org", "evil.com", "huge.com"}),
                 "Erroneous whois response|Unable to check, no TLD info found|Invalid domain format|"
                 "Status: bad field and|Status: flooding"_L1);
        QCOMPARE(h.cells(ColExpiration, {"evil.com", "taken.com"}), "01-01-30|25-01-26"_L1);
        // Nine lines of four fields: no separator, CR or LF got into a field.
        QCOMPARE(h.work().count('\x01'), 27);
        QCOMPARE(h.work().count('\r'), 9);
        QCOMPARE(h.work().count('\n'), 9);
    }

    void fullWorkFileStopsTheRunAndKeepsEveryName()
    {
        // temp.txt stops taking lines at 100,000 bytes, a little over one block of
        // lines: the run stops there, and every name is in the rebuilt list.
        Harness h(kNowhere);
        QStringList names;
        for (int i = 0; i < 3000; ++i)
            names << u"name%1.zz"_s.arg(i, 4, 10, QChar(u'0')); // no server: a line at once
        h.add(names);
        h.ctx.options.connections = u"20"_s;
        {
            FileSizeLimit limit(100000);
            QVERIFY(limit.active());
            QVERIFY(h.run());
        }
        QVERIFY(!h.ended.first().first().toBool());
        QCOMPARE(h.engine.workFileError(), u"File too large"_s);
        const QString path = dataFile(h.folder.path(), u"temp.txt"_s);
        QCOMPARE(h.prompter.texts(), QStringList{checkText::resultsNotSaved(path, u"File too large"_s)});
        QCOMPARE(h.prompter.log().first().kind, ScriptedPrompter::Kind::Fail);

        // The file holds whole lines only; the names they carry keep their result,
        // every other name is back, unchecked.
        const QByteArray work = h.work();
        QVERIFY(work.endsWith("\r\n"));
        const qsizetype written = work.count("\r\n");
        QVERIFY(written > 1000);
        QVERIFY(written < 2000);
        QCOMPARE(h.ctx.list.size(), 3000);
        QCOMPARE(h.cells(ColInformation, names).count(checkText::kNoTldInfo), written);
        QCOMPARE(h.host.counters, "3000 domains,0 free,0 taken,3000 unchecked/errors"_L1);

        // The next run, with room again, starts afresh.
        h.ctx.list.clear();
        h.add({"name.zz"});
        QVERIFY(h.run());
        QVERIFY(h.engine.workFileError().isEmpty());
        QCOMPARE(h.prompter.lastText(), checkText::kProgramDone);
    }

    void connectionFailures_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::addColumn<QString>("information"); // of ab.net and ab.info
        QTest::newRow("no retries") << false << u"Main connection error...|Main connection error..."_s;
        QTest::newRow("retries") << true << u"Connection retry error..|N/A"_s;
    }

    void connectionFailures()
    {
        // A refused connection is retried with the plain query; a port out of range makes
        // the socket refuse the connect request itself, inside the dispatcher or the retry.
        QFETCH(bool, retry);
        QFETCH(QString, information);
        LoopbackWhoisServer good;
        good.setDefault(Reply::text("No match for that\r\n"));
        const QString badPort = u"127.0.0.1:99999"_s;
        Harness h({u"127.0.0.1:%1"_s.arg(LoopbackWhoisServer::refusedPort()), good.address()});
        h.serve(u"net"_s, {badPort});
        h.serve(u"info"_s, {badPort, good.address()});
        h.ctx.options.retry = retry;
        h.add({"ab.com", "ab.net", "ab.info"});
        QVERIFY(h.run());
        QCOMPARE(h.work().count("\r\n"), 3);
        QVERIFY(!good.queries().contains(u"=ab.com"_s));
        const QString info = h.cells(ColInformation, {"ab.com", "ab.net", "ab.info"});
        QCOMPARE(info.section(u'|', 1), information);
        if (retry) {
            QCOMPARE(h.cells(ColAvailability, {"ab.com", "ab.info"}), "FREE|FREE"_L1);
        } else {
            QVERIFY(info.startsWith(checkText::kErrorPrefix));
            QVERIFY(!info.startsWith(checkText::kErrorPrefix + u'|'));
        }
    }

    void timeoutSweeps()
    {
        LoopbackWhoisServer s1, s2;
        s1.setDefault(Reply::silent());
        s2.setDefault(Reply::silent());
        Harness h({s1.address(), s2.address()});
        // The tick count wraps during the run: the time-out must still be measured right.
        h.clock.setTicks(std::numeric_limits<qint32>::max() - 5000);
        h.add({"aa.com", "bb.com", "cc.com"});
        h.ctx.options.retry = true;
        h.ctx.options.retryTimes = u"1"_s;
        QVERIFY(h.start());
        QVERIFY(s1.waitForQueries(3));
        // Per sweep: {ms advanced, the one slot whose retry it arms (-1: none), names written}.
        // Retries go out one per sweep; the final time-outs are all written in the same sweep.
        const int steps[][3] = {{9999, -1, 0}, {1, 0, 0}, {0, 1, 0}, {0, 2, 0},
                                {10000, 0, 0}, {0, 1, 0}, {0, 2, 0}, {10000, -1, 3}};
        int queries = 3;
        for (const auto &[ms, armed, written] : steps) {
            h.clock.advance(ms);
            h.engine.Timeout1_Timer();
            for (int i = 0; i < 3; ++i)
                QCOMPARE(h.engine.retryArmed(i), i == armed);
            QCOMPARE(h.engine.session().processed, written);
            queries += armed >= 0;
            QVERIFY(QTest::qWaitFor([&] { return s1.queryCount() + s2.queryCount() == queries; }));
        }
        QVERIFY(h.waitDone());
        QCOMPARE(s2.queries(), (QStringList{"aa.com", "bb.com", "cc.com"}));
        QCOMPARE(h.work().count("\r\n"), 3);
        QCOMPARE(h.cells(ColInformation, {"aa.com", "bb.com", "cc.com"}), "Timeout|Timeout|Timeout"_L1);
    }

    void tricklingServerIsTimedOut()
    {
        // A byte now and then, never a close: never silent for a whole time-out, yet the run must end.
        LoopbackWhoisServer server;
        server.setDefault(Reply::pieces(QList<QByteArray>(60, QByteArray("x")), 15).keepOpen());
        Harness h({server.address()});
        h.add({"drip.com"});
        QVERIFY(h.start());
        QVERIFY(server.waitForQueries(1));
        int sweeps = 0;
        while (h.engine.running() && h.engine.session().processed == 0 && sweeps++ < 14) {
            const qsizetype had = h.engine.connectionSlot(0).reply.size();
            QVERIFY(QTest::qWaitFor([&] { return h.engine.connectionSlot(0).reply.size() > had; }, 5000));
            h.clock.advance(9000);
            h.engine.Timeout1_Timer();
        }
        QVERIFY(h.waitDone());
        QCOMPARE(h.work(), "drip.com\001N/A\001N/A\001Timeout\r\n");
    }

    void stopPressedWhileTheDispatcherYields()
    {
        // Every reply takes "2.5 seconds" of the fake clock, so each dispatch lets the window breathe,
        // and the user presses Stop there: the names not answered come back unchecked.
        LoopbackWhoisServer server;
        Harness h({server.address()});
        server.setHandler([&h](const QString &) -> std::optional<Reply> {
            h.clock.advance(2500);
            return Reply::text("no match for it\r\n");
        });
        h.add(nameSeries(30));
        h.ctx.options.connections = u"1"_s;
        h.host.stopAtYield = 25;
        h.host.onStop = [&h] { h.engine.allstopper(); };
        QVERIFY(h.start());
        h.engine.allstarter(); // a second start while running is ignored
        QVERIFY(h.waitDone());
        QCOMPARE(h.ended.count(), 1);
        QVERIFY(!h.ended.first().first().toBool());
        QCOMPARE(h.ctx.list.size(), 30);
        QCOMPARE(h.ctx.run.freeCount, 25);
        QCOMPARE(h.ctx.run.uncheckedCount, 5);
        // The run's state ends with it; late events of the stopped run change nothing; a second stop
        // is harmless.
        QCOMPARE(h.engine.session().runCount, 0);
        QVERIFY(h.engine.connectionSlot(0).name.isEmpty());
        QVERIFY(server.waitForOpenCount(0));
        QCoreApplication::processEvents();
        h.engine.allstopper();
        QCOMPARE(h.ctx.run.freeCount, 25);
        QCOMPARE(h.ended.count(), 1);
        QVERIFY(h.prompter.log().isEmpty());
    }
};

QV_TEST_GUILESS_MAIN(TestCheckEngine)
#include "tst_checkengine.moc"
