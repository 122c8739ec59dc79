#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
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

// A data folder whose settings.ini points .com at `com` and .net at `net` (by default `com` too).
void writeSettings(const TempDataFolder &folder, const QString &com, bool retry = false, QString net = {})
{
    WhoisConfig config;
    config.table.AddTldEntry(u"com"_s, com, QString());
    config.table.AddTldEntry(u"net"_s, net.isEmpty() ? com : net, u"$domain$ is available"_s);
    config.freeResponses = {u"no match for"_s};
    config.errorResponses = {u"limit exceeded"_s};
    ProgramOptions options;
    options.retry = retry;
    options.checkSelected = true; // a saved tick must not limit the command line to a selection
    ScriptedPrompter prompter;
    QVERIFY(SaveSettings(folder.path(), config, options, prompter));
}

// Starts the program; this thread's event loop keeps the loopback server going meanwhile.
bool runCli(QProcess &p, const TempDataFolder &folder, const QStringList &args, const QByteArray &input = {},
            const std::function<void()> &whileRunning = {})
{
    p.start(QStringLiteral(QV_CLI_PATH), QStringList{"check", "--data-dir", folder.path()} + args);
    if (!p.waitForStarted())
        return false;
    p.write(input);
    p.closeWriteChannel();
    if (whileRunning)
        whileRunning();
    return QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000);
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
        writeSettings(folder, server.address());
        // CR LF, CR and LF line ends; capitals, blanks, duplicates and bad names (only spaces are trimmed).
        folder.write("names.txt",
                     "FREE1.com\r\n  taken.com  \rbad_name.com\n\n\tgh.com\nfree1.com\nab.net\nab.org");
        folder.write("report.txt", QByteArray(10000, 'x')); // a longer, older report
        QProcess p;
        QVERIFY(runCli(p, folder, {"--output", folder.file("report.txt"), folder.file("names.txt")}));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().isEmpty());
        const QByteArray text = folder.read("report.txt");
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
        const QByteArray err = p.readAllStandardError();
        QVERIFY(err.contains("The program is done!"));
        QVERIFY(err.endsWith("4 domains\n2 free\n1 taken\n1 unchecked/errors\n"));
    }

    // --configured-strings-only, or the switch in quorvane.ini, gives the configured strings' results;
    // a UTF-8 names file is checked and reported in the names' ASCII form.
    void recognitionSwitchAndInternationalNames()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("Domain Status: No Object Found\r\n"));
        TempDataFolder folder;
        writeSettings(folder, server.address());
        folder.write("names.txt", "B\xC3\x9C"
                                  "CHER.com\nplain.com\n");
        const std::pair<const char *, QByteArray> cases[] = {
            {"", "|FREE\r"}, {"--configured-strings-only", "|Taken\r"}, {"ini", "|Taken\r"}};
        for (const auto &[option, availability] : cases) {
            server.clearQueries();
            QStringList args{"--quiet", "--columns", "1,4", folder.file("names.txt")};
            if (qstrcmp(option, "ini") == 0)
                folder.write("quorvane.ini", "[check]\nrecognition=false\n");
            else if (*option)
                args.prepend(QString::fromLatin1(option));
            QProcess p;
            QVERIFY(runCli(p, folder, args));
            QCOMPARE(p.exitCode(), 0);
            QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
            std::sort(lines.begin(), lines.end());
            QCOMPARE(lines, (QList<QByteArray>{"", "Domain|Availability\r", "plain.com" + availability,
                                               "xn--bcher-kva.com" + availability}));
            QStringList queries = server.queries();
            queries.sort();
            QCOMPARE(queries, (QStringList{"plain.com", "xn--bcher-kva.com"}));
        }
    }

    // --no-public-suffixes asks a name under a registry's suffix as that suffix, for one run.
    void publicSuffixSwitch()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("no match for it\r\n"));
        TempDataFolder folder;
        WhoisConfig config;
        config.table.AddTldEntry(u"af"_s, server.address(), QString());
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        folder.write("names.txt", "example.com.af\nwww.example.af\n");
        for (const bool off : {false, true}) {
            server.clearQueries();
            QStringList args{"--quiet", folder.file("names.txt")};
            if (off)
                args.prepend(u"--no-public-suffixes"_s);
            QProcess p;
            QVERIFY(runCli(p, folder, args));
            QCOMPARE(p.exitCode(), 0);
            QStringList queries = server.queries();
            queries.sort();
            QCOMPARE(queries.join(u','), off ? "com.af,example.af"_L1 : "example.af,example.com.af"_L1);
        }
    }

    // --rdap chooses for one run whether the bootstrap is asked; the table's own RDAP servers are
    // asked either way, and with "off" every other line is what it would be without RDAP.
    void rdapSwitch()
    {
        LoopbackHttpServer rdap;
        rdap.setHandler([](const QString &line) {
            return line.contains(u"/domain/aa.com "_s)
                       ? LoopbackHttpServer::Reply::http(
                             200,
                             R"({"objectClassName":"domain","ldhName":"aa.com","status":["active"],)"
                             R"("events":[{"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"}]})")
                       : LoopbackHttpServer::Reply::http(404, {});
        });
        LoopbackWhoisServer whois;
        whois.setDefault(Reply::text("Domain: bb.net\r\nExpires on: 2030-01-01\r\nStatus: ok\r\n"));
        TempDataFolder folder;
        const QString base = "http://" + rdap.address() + "/";
        writeSettings(folder, base, false, whois.address());
        folder.write("rdap-dns.json", R"({"services":[[["zz"],[")" + base.toLatin1() + R"("]]]})");
        folder.write("names.txt", "aa.com\nbb.net\ncc.zz\n");
        QMap<QByteArray, QByteArray> rows[2]; // the report's rows by name, with --rdap off and without
        const QStringList options[2] = {{"--rdap", "off", "--quiet"}, {"--quiet"}};
        for (int i = 0; i < 2; ++i) {
            QProcess p;
            QVERIFY(runCli(p, folder, options[i] + QStringList{folder.file("names.txt")}));
            QCOMPARE(p.exitCode(), 0);
            for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
                rows[i].insert(line.split('|').first(), line);
        }
        QVERIFY(rows[0].value("aa.com").startsWith("aa.com|2|com|Taken|03-02-31|"));
        QVERIFY(rows[0].value("bb.net").startsWith("bb.net|2|net|Taken|01-01-30|"));
        QCOMPARE(rows[0].value("cc.zz"), "cc.zz|2|zz|N/A|N/A|N/A|Unable to check, no TLD info found\r");
        QCOMPARE(rows[1].value("cc.zz"), "cc.zz|2|zz|FREE|N/A|0 days|N/A\r");
        QCOMPARE(rows[0].value("aa.com"), rows[1].value("aa.com"));
        QCOMPARE(rows[0].value("bb.net"), rows[1].value("bb.net"));
        QCOMPARE(rdap.requestCount(), 3); // aa.com twice, cc.zz once
        QCOMPARE(rdap.requestLines().join(u' ').count(u"GET /domain/aa.com "_s), 2);
        QProcess bad;
        QVERIFY(runCli(bad, folder, {"--rdap", "sometimes", folder.file("names.txt")}));
        QCOMPARE(bad.exitCode(), 2);
        QVERIFY(bad.readAllStandardError().contains("--rdap needs off, fallback or first, not 'sometimes'"));
    }

    void standardInputAndOptions()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("Limit exceeded\r\n"));
        TempDataFolder folder;
        writeSettings(folder, server.address(), /*retry=*/true);
        // The saved options retry; the command line turns that off or changes the count. The first
        // report goes to a standard output opened for appending (">>"): after what the file held.
        folder.write("log.txt", "earlier\n");
        const QStringList noRetry{"--no-retry", "--quiet", "-"},
            oneRetry{"--retries", "1", "--connections", "900", "-"};
        for (const QStringList &args : {noRetry, oneRetry}) {
            server.clearQueries();
            QProcess p;
            if (args == noRetry)
                p.setStandardOutputFile(folder.file("log.txt"), QIODevice::Append);
            QVERIFY(runCli(p, folder, args, "busy.com\n"));
            QCOMPARE(p.exitCode(), 0);
            const QByteArray out = args == noRetry ? folder.read("log.txt") : p.readAllStandardOutput();
            QVERIFY(out.startsWith(args == noRetry ? "earlier\nDomain|" : "Domain|"));
            QVERIFY(out.endsWith("\nbusy.com|4|com|N/A|N/A|N/A|Erroneous whois response\r\n"));
            QCOMPARE(p.readAllStandardError().contains("The program is done!"), args == oneRetry);
            QCOMPARE(server.queryCount(), args == noRetry ? 1 : 3);
        }
    }

    void exitCodes()
    {
        const char *noNames = "Please add some domains using the 'Add' button before you start.";
        const struct {
            QStringList args;
            int exitCode;
            const char *message;
        } cases[] = {
            {{}, 2, "no FILE given"},
            {{"--output", "new.txt", "missing.txt"}, 2, "missing.txt: No such file"}, // no report is created
            {{"--retries", "2", "--no-retry", "names.txt"}, 2, "exclude"},
            {{"--connections", "many", "names.txt"}, 2, "needs a number"},
            {{"--no-title", "--format", "html", "names.txt"},
             2,
             "--no-title applies to the txt and csv formats only"},
            {{"--output", "old.txt", "empty.txt"}, 1, noNames}, // an earlier report is kept
        };
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeSettings(folder, server.address());
        folder.write("names.txt", "ab.com\n");
        folder.write("empty.txt", "\n  \nnot a name\n");
        folder.write("old.txt", "earlier report\r\n");
        for (auto c : cases) {
            for (QString &a : c.args)
                a = a.endsWith(QLatin1String(".txt")) ? folder.file(a) : a;
            QProcess p;
            QVERIFY(runCli(p, folder, c.args));
            const QByteArray err = p.readAllStandardError();
            QVERIFY2(p.exitCode() == c.exitCode, err.constData());
            QVERIFY2(err.contains(c.message), err.constData());
            QCOMPARE(err.count('\n'), 1);
            QVERIFY(p.readAllStandardOutput().isEmpty());
            QCOMPARE(server.acceptedCount(), 0);
            QVERIFY(!folder.exists("new.txt"));
            QCOMPARE(folder.read("old.txt"), QByteArray("earlier report\r\n"));
        }
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
        writeSettings(one, server.address());
        QProcess single;
        QVERIFY(runCli(single, one, {"--quiet", "--format", "csv", "-"}, names));
        QCOMPARE(single.exitCode(), 0);
        QList<QByteArray> expected = single.readAllStandardOutput().split('\n');
        QCOMPARE(expected.size(), 242); // the title, 240 names, and the empty end after the last CR LF
        std::sort(expected.begin() + 1, expected.end());

        // Job slot N uses the data folder dN; parallel's {#} numbers the jobs.
        TempDataFolder machines[4];
        TempDataFolder base;
        for (int slot = 1; slot <= 4; ++slot) {
            writeSettings(machines[slot - 1], server.address());
            QVERIFY(QFile::link(machines[slot - 1].path(), base.file(u"d%1"_s.arg(slot))));
        }
        const QString command = u"%2 check --quiet --format csv --data-dir %1/d{%} "
                                "$([ {#} -gt 1 ] && echo --no-title) -; s=$?; cat >/dev/null; exit $s"_s.arg(
                                    base.path(), QStringLiteral(QV_CLI_PATH));
        const auto runParallel = [&](QProcess &p) {
            p.start(parallel, {"--pipe", "--round-robin", "--block", "300", "-j4", "-k", "--joblog",
                               base.file("jobs.txt"), command});
            if (!p.waitForStarted())
                return false;
            p.write(names);
            p.closeWriteChannel();
            return QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 60000);
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

        QProcess joined;
        QVERIFY(runParallel(joined));
        QCOMPARE(joined.exitCode(), 0);
        QList<QByteArray> lines = joined.readAllStandardOutput().split('\n');
        QCOMPARE(lines.first(), expected.first());
        std::sort(lines.begin() + 1, lines.end());
        QCOMPARE(lines, expected);
        QCOMPARE(jobStatuses(), (QList<QByteArray>{"0", "0", "0", "0"}));
        for (const TempDataFolder &machine : machines)
            QVERIFY(!machine.read(u"temp.txt"_s).isEmpty()); // every check had names to check

        // A machine without its data folder: parallel counts the failed job, the others report.
        QVERIFY(QFile::remove(base.file("d4")));
        QVERIFY(QFile::link(base.file("missing"), base.file("d4")));
        QProcess failed;
        QVERIFY(runParallel(failed));
        QCOMPARE(failed.exitCode(), 1);
        QCOMPARE(jobStatuses(), (QList<QByteArray>{"0", "0", "0", "2"}));
        lines = failed.readAllStandardOutput().split('\n');
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
        writeSettings(folder, server.address());
        const QByteArray names =
            "n0.com\nn1.com\nn2.com\nn3.com\nn4.com\nn5.com\nn6.com\nn7.com\nn8.com\nn9.com\n";
        // One signal mid-run, and two in a row: the first one decides the status.
        const QList<int> cases[] = {{SIGINT}, {SIGTERM}, {SIGTERM, SIGTERM}, {SIGINT, SIGTERM}};
        for (const QList<int> &sent : cases) {
            QProcess p;
            QVERIFY(runCli(p, folder, {"--connections", "3", "--timeout", "60", "-"}, names, [&] {
                QVERIFY(server.waitForQueries(3, 10000));
                for (const int signal : sent)
                    ::kill(static_cast<pid_t>(p.processId()), signal);
            }));
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), 128 + sent.first());
            const QByteArray out = p.readAllStandardOutput();
            QCOMPARE(out.count("\r\n"), 11);
            QCOMPARE(out.count("|com|N/A|N/A|N/A|\r\n"), 10);
            QVERIFY(p.readAllStandardError().endsWith("10 domains\n0 free\n0 taken\n10 unchecked/errors\n"));
            QVERIFY(server.waitForOpenCount(0)); // the program closed its connections on the way out
            server.clearQueries();
        }
    }

    void stopSignalWhileTheNamesAreRead()
    {
        // The names come through a pipe the test holds open: the program is still
        // reading them when the signal arrives. It reads to the end, checks none,
        // and reports every one.
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeSettings(folder, server.address());
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
        writeSettings(folder, server.address());
        QByteArray names;
        for (int i = 0; i < 3000; ++i)
            names += "name" + QByteArray::number(i) + ".zz\n"; // no server for .zz: a line at once
        QProcess p;
        p.setChildProcessModifier([] {
            rlimit limit{100000, 100000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL); // the program must ignore it itself
        });
        QVERIFY(runCli(p, folder, {"--connections", "20", "-"}, names));
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 3, err.constData());
        QVERIFY2(err.contains("The check has been stopped: its results could not be written to " +
                              QFile::encodeName(folder.file("temp.txt")) + " (File too large)."),
                 err.constData());
        QVERIFY(!err.contains("The program is done!"));
        QVERIFY(err.endsWith("3000 domains\n0 free\n0 taken\n3000 unchecked/errors\n"));
        const QByteArray out = p.readAllStandardOutput();
        QCOMPARE(out.count("\r\n"), 3001);
        const qsizetype saved = folder.read("temp.txt").count("\r\n");
        QVERIFY(saved > 0);
        QCOMPARE(out.count("|N/A|N/A|N/A|Unable to check, no TLD info found\r\n"), saved);
        QCOMPARE(out.count("|N/A|N/A|N/A|\r\n"), 3000 - saved);
        // --help says what the status means.
        QProcess help;
        QVERIFY(runCli(help, folder, {"--help"}));
        QVERIFY(help.readAllStandardOutput().contains("3 the work file"));
    }

    void reportAndSettingsFailuresSayWhy()
    {
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeSettings(folder, server.address());
        folder.write("names.txt", "ab.zz\n");
        // A report device that takes nothing: the reason, and no complaint of Qt's.
        QProcess full;
        QVERIFY(runCli(full, folder, {"--output", "/dev/full", folder.file("names.txt")}));
        const QByteArray fullErr = full.readAllStandardError();
        QCOMPARE(full.exitCode(), 1);
        QVERIFY2(fullErr.contains("quorvane-cli check: cannot write the report: No space left on device\n"),
                 fullErr.constData());
        QVERIFY2(!fullErr.contains("QIODevice"), fullErr.constData());

        // A settings.ini that is there but cannot be read is named, not passed over.
        TempDataFolder broken;
        QVERIFY(QDir(broken.path()).mkdir("settings.ini"));
        broken.write("names.txt", "ab.zz\n");
        QProcess p;
        QVERIFY(runCli(p, broken, {"--quiet", broken.file("names.txt")}));
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(err.startsWith("quorvane-cli check: cannot read " +
                                QFile::encodeName(broken.file("settings.ini")) +
                                " (it is a folder); using the built-in TLD table and options\n"),
                 err.constData());
        QVERIFY(p.readAllStandardOutput().contains("ab.zz|"));
    }
};

QV_TEST_GUILESS_MAIN(TestCheckCli)
#include "tst_checkcli.moc"
