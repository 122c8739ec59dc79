#include "support/clirun.h"
#include "support/loopbackdnsserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
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

} // namespace

class TestCheckCli : public QObject
{
    Q_OBJECT
private slots:
    void reportAndCounters()
    {
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) -> std::optional<Reply> {
            if (q.startsWith(QLatin1String("free")))
                return Reply::text("No match for " + q.toLatin1() + "\r\n");
            if (q == QLatin1String("ab.net"))
                return Reply::text("ab.net is available\r\n");
            return Reply::text("Domain: " + q.toLatin1() + "\r\nExpires on: 2026-01-25\r\nStatus: ok\r\n");
        });
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        // CR LF, CR and LF line ends; capitals, blanks, duplicates and bad names (only spaces are trimmed),
        // on standard input. The report goes to a standard output opened for appending (">>").
        const QByteArray names =
            "FREE1.com\r\n  taken.com  \rbad_name.com\n\n\tgh.com\nfree1.com\nab.net\nab.org";
        folder.write("log.txt", "earlier\n");
        const CliRun r = check(folder, {"-"}, names, {}, [&](QProcess &p) {
            p.setStandardOutputFile(folder.file("log.txt"), QIODevice::Append);
        });
        QCOMPARE(r.exitCode, 0);
        const QByteArray log = folder.read("log.txt");
        QVERIFY(log.startsWith("earlier\nDomain|"));
        const QByteArray text = log.mid(8);
        QVERIFY(text.endsWith("\r\n"));
        QCOMPARE(text.count("\r\n"), 5);
        QList<QByteArray> lines = text.split('\n');
        std::sort(lines.begin() + 1, lines.end() - 1); // the last line is the empty one after CR LF
        QCOMPARE(
            lines.mid(0, 4).join('\n'),
            "Domain|Domain name length|TLD|Availability|Expiration date|Expires in (days)|Information\r\n"
            "ab.net|2|net|FREE|N/A|0 days|N/A\r\n"
            "ab.org|2|org|N/A|N/A|N/A|Unable to check, no TLD info found\r\n"
            "free1.com|5|com|FREE|N/A|0 days|N/A\r");
        // The days left depend on the system's date.
        QVERIFY(lines[4].startsWith("taken.com|5|com|Taken|25-01-26|"));
        QVERIFY(lines[4].endsWith("|Status: ok\r"));
        QVERIFY(r.err.contains("The program is done!"));
        QVERIFY(r.err.endsWith("4 domains\n2 free\n1 taken\n1 unchecked/errors\n"));
    }

    // The README's recipe for many machines, on one: GNU parallel hands the names to four checks,
    // each with a data folder of its own; the joined report holds the lines of one run under one
    // title line. A check that fails leaves the others' lines intact and its status in the job log.
    void splitOverParallelJobs()
    {
        const QString parallel = QStandardPaths::findExecutable(u"parallel"_s);
        QVERIFY2(!parallel.isEmpty(), "GNU parallel is needed (tools/common.sh installs it)");
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) -> std::optional<Reply> {
            if (q.startsWith(QLatin1String("free")))
                return Reply::text("No match for " + q.toLatin1() + "\r\n");
            if (q.startsWith(QLatin1String("busy")))
                return Reply::text("Limit exceeded\r\n");
            return Reply::text("Domain: " + q.toLatin1() +
                               "\r\nExpires on: 2031-01-25\r\nStatus: ok, \"held\"\r\n");
        });
        const char *kinds[] = {"free", "taken", "busy"};
        QByteArray names;
        for (int i = 0; i < 240; ++i)
            names += kinds[i % 3] + QByteArray::number(i) + ".com\n";
        TempDataFolder one;
        writeCliSettings(one, server.address());
        const CliRun single = check(one, {"--quiet", "--format", "csv", "-"}, names);
        QCOMPARE(single.exitCode, 0);
        QList<QByteArray> expected = single.out.split('\n');
        QCOMPARE(expected.size(), 242); // the title, 240 names, and the empty end after the last CR LF
        std::sort(expected.begin() + 1, expected.end());

        // Job slot N uses the data folder dN; parallel's {#} numbers the jobs.
        TempDataFolder machines[4];
        TempDataFolder base;
        for (int slot = 1; slot <= 4; ++slot) {
            writeCliSettings(machines[slot - 1], server.address());
            QVERIFY(QFile::link(machines[slot - 1].path(), base.file(u"d%1"_s.arg(slot))));
        }
        const QString command = u"%2 check --quiet --format csv --data-dir %1/d{%} "
                                "$([ {#} -gt 1 ] && echo --no-title) -; s=$?; cat >/dev/null; exit $s"_s.arg(
                                    base.path(), QStringLiteral(QV_CLI_PATH));
        const auto runParallel = [&] {
            return runProgram(parallel,
                              {"--pipe", "--round-robin", "--block", "300", "-j4", "-k", "--joblog",
                               base.file("jobs.txt"), command},
                              names);
        };
        // The exit value of each job, from the job log.
        const auto jobStatuses = [&] {
            QList<QByteArray> statuses;
            for (const QByteArray &line : base.read("jobs.txt").split('\n').mid(1)) {
                if (!line.isEmpty())
                    statuses.append(line.split('\t').value(6));
            }
            std::sort(statuses.begin(), statuses.end());
            return statuses;
        };

        const CliRun joined = runParallel();
        QCOMPARE(joined.exitCode, 0);
        QList<QByteArray> lines = joined.out.split('\n');
        QCOMPARE(lines.first(), expected.first());
        std::sort(lines.begin() + 1, lines.end());
        QCOMPARE(lines, expected);
        QCOMPARE(jobStatuses(), (QList<QByteArray>{"0", "0", "0", "0"}));
        for (const TempDataFolder &machine : machines)
            QVERIFY(!machine.read(u"temp.txt"_s).isEmpty()); // every check had names to check

        // A machine without its data folder: parallel counts the failed job, the others report.
        QVERIFY(QFile::remove(base.file("d4")));
        QVERIFY(QFile::link(base.file("missing"), base.file("d4")));
        const CliRun failed = runParallel();
        QCOMPARE(failed.exitCode, 1);
        QCOMPARE(jobStatuses(), (QList<QByteArray>{"0", "0", "0", "2"}));
        lines = failed.out.split('\n');
        QCOMPARE(lines.first(), expected.first());
        QVERIFY(lines.size() > 100 && lines.size() < 242);
        for (const QByteArray &line : lines.mid(1))
            QVERIFY2(std::binary_search(expected.begin() + 1, expected.end(), line), line.constData());
    }

    void stopSignals()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::silent());
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        const QByteArray names =
            "n0.com\nn1.com\nn2.com\nn3.com\nn4.com\nn5.com\nn6.com\nn7.com\nn8.com\nn9.com\n";
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
