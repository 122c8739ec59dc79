#include "config/allowances.h"
#include "config/extrasettings.h"
#include "engine/pacingledger.h"
#include "engine/runoptions.h"
#include "enginefixture.h"
#include "support/testmain.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;

class TestAllowanceRun : public QObject
{
    Q_OBJECT
private slots:
    void pacingSectionWrittenByHand()
    {
        TempDataFolder folder;
        folder.write(u"quorvane.ini"_s, "[pacing]\r\n"
                                        "mode=adaptive\r\n"
                                        "patience=60\r\n"
                                        "whois.example.net=2/s, 500/h\r\n"
                                        "WHOIS.Other.example:4343 = 1/s\r\n"
                                        "whois.nic.uk=10/s\r\n"
                                        "whois.nic.fr=lots\r\n");
        ExtraSettings extra(folder.path());
        QStringList problems;
        const AllowanceTable table = configuredAllowances(extra, &problems);
        QCOMPARE(table.value(u"whois.example.net"_s), Allowances({{2, 1000}, {500, 3600 * 1000}}));
        QCOMPARE(table.value(u"whois.other.example:4343"_s), Allowances({{1, 1000}}));
        // The user's entry replaces the built-in one; a bad one leaves it.
        QCOMPARE(table.value(u"whois.nic.uk"_s), Allowances({{10, 1000}}));
        QCOMPARE(table.value(u"whois.nic.fr"_s), builtInAllowances().value(u"whois.nic.fr"_s));
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains(u"pacing/whois.nic.fr") && problems[0].contains(u"'lots'") &&
                     problems[0].endsWith(u"whois.nic.fr keeps its built-in allowance"),
                 qPrintable(problems[0]));
        // The program's own save of the file keeps every entry readable.
        extra.setValue(u"pacing/mode"_s, u"adaptive"_s);
        QCOMPARE(extra.save(), QString());
        problems.clear();
        QCOMPARE(configuredAllowances(ExtraSettings(folder.path()), &problems), table);
    }

    void ledgerFileIsReadTolerantly()
    {
        TempDataFolder folder;
        const QDateTime start = QDateTime::fromString(u"2026-12-08T04:00:00.250Z"_s, Qt::ISODateWithMs);
        const QList<LedgerEntry> entries{{u"a.example:4343"_s, start, 12}};
        QCOMPARE(writePacingLedger(folder.path(), entries), std::nullopt);
        const QByteArray line = "a.example:4343\t2026-12-08T04:00:00.250Z\t12\r\n";
        QCOMPARE(folder.read(u"pacing-ledger.txt"_s), line);
        folder.write(u"pacing-ledger.txt"_s,
                     line + "garbage\r\nb\tyesterday\t3\r\n\r\nc\t2026-12-08T04:00:00Z\t-1\n");
        QString problem;
        QCOMPARE(readPacingLedger(folder.path(), &problem), entries);
        QVERIFY2(problem.contains(u"3 line(s)") && problem.contains(u"line 2"), qPrintable(problem));
        // Nothing left to keep: the file goes.
        QCOMPARE(writePacingLedger(folder.path(), {}), std::nullopt);
        QVERIFY(!folder.exists(u"pacing-ledger.txt"_s));
    }

    // The server's allowance holds from the first query: it never sees more
    // than two queries within a second, and never has to throttle.
    void userAllowanceSpacesQueries()
    {
        LoopbackWhoisServer server;
        QElapsedTimer clock;
        clock.start();
        QList<qint64> arrivals;
        server.setHandler([&](const QString &q) -> std::optional<Reply> {
            arrivals << clock.elapsed();
            return Reply::text("No match for " + q.toLatin1() + "\r\n");
        });
        EngineHarness h({server.address()});
        h.engine.setPacingOverride(true);
        h.ctx.extra.setValue(u"pacing/"_s + server.address(), u"2/s"_s);
        h.ctx.options.connections = u"50"_s;
        const QStringList names = nameSeries(7);
        h.add(names);
        QVERIFY(h.run());
        QCOMPARE(h.cells(ColAvailability, names), QStringList(names.size(), u"FREE"_s).join(u'|'));
        QCOMPARE(arrivals.size(), names.size());
        for (qsizetype i = 2; i < arrivals.size(); ++i)
            QVERIFY2(arrivals[i] - arrivals[i - 2] >= 950,
                     qPrintable(QString::number(arrivals[i] - arrivals[i - 2])));
        QCOMPARE(h.prompter.count(ScriptedPrompter::Kind::Warn), 0);
    }

    void dailyAllowanceRunsOut_data()
    {
        QTest::addColumn<bool>("adaptive");
        QTest::newRow("adaptive") << true;
        QTest::newRow("pacing off") << false;
    }
    // Three a day: the first run asks three names and writes the rest
    // unchecked; a second run in the same window asks none.
    void dailyAllowanceRunsOut()
    {
        QFETCH(bool, adaptive);
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) -> std::optional<Reply> {
            return Reply::text("No match for " + q.toLatin1() + "\r\n");
        });
        EngineHarness h({server.address()});
        h.engine.setPacingOverride(adaptive);
        h.engine.setServerLimitsOverride({{server.address(), {{3, Allowance::kDayMs}}}});
        h.ctx.options.connections = u"10"_s;
        const QStringList names = nameSeries(5);
        h.add(names);
        QVERIFY(h.run());
        if (!adaptive) {
            // As ever: every name asked, and nothing kept.
            QCOMPARE(h.cells(ColAvailability, names), QStringList(5, u"FREE"_s).join(u'|'));
            QVERIFY(h.run());
            QCOMPARE(server.queries(), names + names);
            QVERIFY(!h.folder.exists(u"pacing-ledger.txt"_s));
            return;
        }
        QString problem;
        const QList<LedgerEntry> ledger = readPacingLedger(h.folder.path(), &problem);
        QCOMPARE(problem, QString());
        QCOMPARE(ledger.size(), 1);
        QCOMPARE(ledger[0].server, server.address());
        QCOMPARE(ledger[0].count, 3);
        const QString usedUp = checkText::dailyAllowanceUsedUp(
            server.address(), ledger[0].start.addMSecs(Allowance::kDayMs).toLocalTime().toString(u"HH:mm"_s));
        QCOMPARE(server.queryCount(), 3);
        QCOMPARE(h.cells(ColInformation, names).count(usedUp), 2);
        QCOMPARE(h.cells(ColAvailability, names).count(u"FREE"_s), 3);

        // A damaged line is reported once and dropped; the run goes on.
        h.folder.write(u"pacing-ledger.txt"_s, h.folder.read(u"pacing-ledger.txt"_s) + "garbage\r\n");
        h.prompter.clearLog();
        QVERIFY(h.run());
        QCOMPARE(h.cells(ColInformation, names), QStringList(5, usedUp).join(u'|'));
        QCOMPARE(server.queryCount(), 3);
        QCOMPARE(h.prompter.count(ScriptedPrompter::Kind::Warn), 1);
        QVERIFY(h.prompter.texts().join(u'\n').contains(u"passed over"));
        QCOMPARE(readPacingLedger(h.folder.path(), &problem), ledger);
        QCOMPARE(problem, QString());
    }
};

QV_TEST_GUILESS_MAIN(TestAllowanceRun)
#include "tst_allowancerun.moc"
