#include "engine/runjournal.h"
#include "support/clirun.h"
#include "support/loopbackdnsserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;

namespace {

// `quorvane-cli check --data-dir FOLDER ARGS`.
CliRun check(const TempDataFolder &folder, const QStringList &args, const QByteArray &input = {},
             const std::function<void(QProcess &)> &whileRunning = {},
             const std::function<void(QProcess &)> &setUp = {})
{
    return runCli(QStringList{"check", "--data-dir", folder.path()} + args, input, whileRunning, setUp);
}

// Every line of a report but the title, sorted: runs over several connections finish in any order.
QByteArrayList reportLines(const QByteArray &report)
{
    QByteArrayList lines = report.split('\n');
    if (!lines.isEmpty())
        lines.removeFirst();
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Names n0.com .. n<count-1>.com, one a line; even ones are free, odd ones taken.
QByteArray numberedNames(int count)
{
    QByteArray names;
    for (int i = 0; i < count; ++i)
        names += "n" + QByteArray::number(i) + ".com\n";
    return names;
}

Reply numberedReply(const QString &name)
{
    return name.mid(1, name.indexOf(u'.') - 1).toInt() % 2 == 0
               ? Reply::text("No match for this name\r\n")
               : Reply::text("Domain: x\r\nExpiration Date: 2099-03-05\r\nStatus: active\r\n");
}

} // namespace

class TestCheckCli : public QObject
{
    Q_OBJECT
private slots:
    void killedRunResumesWhereItStopped_data()
    {
        QTest::addColumn<int>("answered");    // names answered before the kill; the others wait
        QTest::addColumn<bool>("rebuilding"); // killed once every result was written
        QTest::newRow("before the first result") << 0 << false;
        QTest::newRow("in the middle") << 10 << false;
        QTest::newRow("during the last names") << 18 << false;
        QTest::newRow("during the final rebuild") << 18 << true;
    }

    void killedRunResumesWhereItStopped()
    {
        QFETCH(int, answered);
        QFETCH(bool, rebuilding);
        constexpr int kNames = 20;
        LoopbackWhoisServer server;
        TempDataFolder reference, folder;
        writeCliSettings(reference, server.address());
        writeCliSettings(folder, server.address());
        server.setHandler([](const QString &q) { return std::optional<Reply>(numberedReply(q)); });
        const CliRun whole = check(reference, {"--connections", "3", "-"}, numberedNames(kNames));
        QCOMPARE(whole.out.count("\r\n"), kNames + 1);
        server.clearQueries();

        // The first names are answered in order, the rest wait: they are in flight at the kill.
        server.setHandler([answered](const QString &q) {
            return q.mid(1, q.indexOf(u'.') - 1).toInt() < answered ? std::optional<Reply>(numberedReply(q))
                                                                    : std::optional<Reply>(Reply::silent());
        });
        const CliRun killed = check(
            folder, {"--connections", "3", "--timeout", "60", "-"}, numberedNames(kNames), [&](QProcess &p) {
                QVERIFY(server.waitForQueries(std::min(answered + 3, kNames), 10000));
                // Written out within a second of their answer.
                QVERIFY(
                    QTest::qWaitFor([&] { return folder.read("temp.txt").count("\r\n") == answered; }, 3000));
                ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
            });
        QCOMPARE(killed.exitCode, -1);
        QVERIFY(folder.exists("journal.txt"));
        const int done = rebuilding ? kNames : answered;
        if (rebuilding) {
            // Every result reached the file; the program died before the list was rebuilt.
            QFile temp(folder.file("temp.txt"));
            QVERIFY(temp.open(QIODevice::Append));
            for (const QByteArray &line : reference.read("temp.txt").split('\n')) {
                if (line.startsWith('n') && line.mid(1, line.indexOf('.') - 1).toInt() >= answered)
                    temp.write(line + '\n');
            }
        }
        server.setHandler([](const QString &q) { return std::optional<Reply>(numberedReply(q)); });
        server.clearQueries();
        const CliRun resumed = check(folder, {"--resume"});
        QVERIFY2(resumed.exitCode == 0, resumed.err.constData());
        QVERIFY2(resumed.err.endsWith("20 domains\n10 free\n10 taken\n0 unchecked/errors\n"),
                 resumed.err.constData());
        QCOMPARE(reportLines(resumed.out), reportLines(whole.out));
        // No finished name is asked again; the waiting ones once more.
        for (int i = 0; i < done; ++i)
            QVERIFY(!server.queries().contains(QStringLiteral("n%1.com").arg(i)));
        QCOMPARE(server.queryCount(), kNames - done);
        QVERIFY(!folder.exists("journal.txt"));
    }

    void freshCheckDiscardsAnInterruptedRunAndResumeSaysWhyItCannot()
    {
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        const CliRun none = check(folder, {"--resume"});
        QCOMPARE(none.exitCode, 1);
        QVERIFY(none.err.contains("no interrupted run in "));

        RunJournal journal;
        journal.names = QStringList{"a.com", "b.com", "c.com"};
        QVERIFY(!journal.write(folder.path()));
        folder.write("temp.txt", "b.com\001FREE\001N/A\001N/A\r\n");
        folder.write("names.txt", "ab.com\n");
        const CliRun fresh = check(folder, {"--quiet", folder.file("names.txt")});
        QCOMPARE(fresh.exitCode, 0);
        QVERIFY2(fresh.err.contains("the interrupted run (1 of 3 domains) was discarded"),
                 fresh.err.constData());
        QCOMPARE(reportLines(fresh.out).size(), 2); // ab.com, and the empty end
        QVERIFY(!folder.exists("journal.txt"));
    }

    void stopSignals()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        const QByteArray names = numberedNames(10);
        // One signal mid-run, and two in a row: the first one decides the status.
        const QList<int> cases[] = {{SIGINT}, {SIGTERM}, {SIGTERM, SIGTERM}, {SIGINT, SIGTERM}};
        for (const QList<int> &sent : cases) {
            const CliRun r =
                check(folder, {"--connections", "3", "--timeout", "60", "-"}, names, [&](QProcess &p) {
                    QVERIFY(server.waitForQueries(3, 10000));
                    for (const int signal : sent)
                        ::kill(static_cast<pid_t>(p.processId()), signal);
                });
            QCOMPARE(r.exitCode, 128 + sent.first());
            QCOMPARE(r.out.count("\r\n"), 11);
            QCOMPARE(r.out.count("|com|N/A|N/A|N/A|\r\n"), 10);
            QVERIFY(r.err.endsWith("10 domains\n0 free\n0 taken\n10 unchecked/errors\n"));
            QVERIFY(server.waitForOpenCount(0)); // the program closed its connections on the way out
            server.clearQueries();
        }
        // A signal while DNS lookups are out: every name is in the report, none was asked at WHOIS.
        LoopbackDnsServer dns;
        dns.setDefault(LoopbackDnsServer::Answer::Silence);
        const CliRun r =
            check(folder, {"--dns", "first", "--dns-server", dns.address(), "-"}, names, [&](QProcess &p) {
                QVERIFY(QTest::qWaitFor([&] { return dns.queryCount() >= 10; }, 10000));
                ::kill(static_cast<pid_t>(p.processId()), SIGINT);
            });
        QCOMPARE(r.out.count("|com|N/A|N/A|N/A|\r\n"), 10);
        QCOMPARE(server.queryCount(), 0);
    }

    void stopSignalWhileTheNamesAreRead()
    {
        // The names come through a pipe the test holds open: the program is still
        // reading them when the signal arrives. It reads to the end, checks none,
        // and reports every one.
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        const QString fifo = folder.file("names.fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const int signal : {SIGINT, SIGTERM}) {
            QProcess p;
            p.start(QStringLiteral(QV_CLI_PATH), {"check", "--data-dir", folder.path(), fifo});
            QVERIFY(p.waitForStarted());
            // Opening the pipe for writing succeeds once the program has opened it for reading.
            int writer = -1;
            QVERIFY(QTest::qWaitFor([&] {
                writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                return writer >= 0;
            }));
            QCOMPARE(::write(writer, "a1.com\na2.com\n", 14), 14);
            ::kill(static_cast<pid_t>(p.processId()), signal);
            ::kill(static_cast<pid_t>(p.processId()), signal);
            QCOMPARE(::write(writer, "a3.com\n", 7), 7);
            ::close(writer);
            QVERIFY(QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000));
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), 128 + signal);
            QCOMPARE(
                p.readAllStandardOutput(),
                "Domain|Domain name length|TLD|Availability|Expiration date|Expires in (days)|Information\r\n"
                "a1.com|2|com|N/A|N/A|N/A|\r\na2.com|2|com|N/A|N/A|N/A|\r\na3.com|2|com|N/A|N/A|N/A|\r\n");
            QCOMPARE(server.acceptedCount(), 0);
        }
    }

    void fullWorkFileExitsWithItsOwnStatusAndLosesNoName()
    {
        // temp.txt may not grow past 100,000 bytes in the program's process: the run
        // stops at the first line that does not fit, and still reports every name.
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        QByteArray names;
        for (int i = 0; i < 3000; ++i)
            names += "name" + QByteArray::number(i) + ".zz\n"; // no server for .zz: a line at once
        const CliRun r = check(folder, {"--connections", "20", "-"}, names, {}, [](QProcess &p) {
            p.setChildProcessModifier([] {
                rlimit limit{100000, 100000};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                std::signal(SIGXFSZ, SIG_DFL); // the program must ignore it itself
            });
        });
        QVERIFY2(r.exitCode == 3, r.err.constData());
        QVERIFY2(r.err.contains("The check has been stopped: its results could not be written to " +
                                QFile::encodeName(folder.file("temp.txt")) + " (File too large)."),
                 r.err.constData());
        // Which names keep a result is the engine's affair; the report lists every one.
        QCOMPARE(r.out.count("\r\n"), 3001);
    }

    // A report device that takes nothing: the reason, and no complaint of Qt's.
    void fullReportDeviceSaysWhy()
    {
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        folder.write("names.txt", "ab.zz\n");
        const CliRun r = check(folder, {"--output", "/dev/full", folder.file("names.txt")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("quorvane-cli check: cannot write the report: No space left on device\n"),
                 r.err.constData());
        QVERIFY2(!r.err.contains("QIODevice"), r.err.constData());
    }
};

QV_TEST_GUILESS_MAIN(TestCheckCli)
#include "tst_checkcli.moc"
