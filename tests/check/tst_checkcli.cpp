#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "config/programoptions.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QProcess>
#include <QTest>

#include <csignal>

using Reply = LoopbackWhoisServer::Reply;

namespace {

const QByteArray kHeader = "Domain|Domain name length|TLD|Availability|Expiration date|Expires in (days)|Information";

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// A data folder whose settings.ini points .com and .net at `server`.
void writeSettings(const TempDataFolder &folder, const LoopbackWhoisServer &server, bool retry = false)
{
    WhoisConfig config;
    config.table.AddTldEntry(QStringLiteral("com"), server.address(), QString());
    config.table.AddTldEntry(QStringLiteral("net"), server.address(), QStringLiteral("$domain$ is available"));
    config.freeResponses = {QStringLiteral("no match for")};
    config.errorResponses = {QStringLiteral("limit exceeded")};
    ProgramOptions options;
    options.retry = retry;
    options.checkSelected = true; // a saved tick must not limit the command line to a selection
    ScriptedPrompter prompter;
    QVERIFY(SaveSettings(folder.path(), config, options, prompter));
}

// Runs the program while this thread's event loop keeps the loopback server going.
CliRun runCli(const QStringList &args, const QByteArray &input = {}, int timeoutMs = 20000)
{
    QProcess p;
    p.start(QStringLiteral(QV_CLI_PATH), QStringList{QStringLiteral("check")} + args);
    if (!p.waitForStarted())
        return {};
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    (void)QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, timeoutMs);
    CliRun r;
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QList<QByteArray> reportLines(const QByteArray &report)
{
    QList<QByteArray> lines = report.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestCheckCli : public QObject
{
    Q_OBJECT
private slots:
    void reportAndCounters();
    void standardInputAndOptions();
    void exitCodes_data();
    void exitCodes();
    void stopSignals_data();
    void stopSignals();
};

void TestCheckCli::reportAndCounters()
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
    writeSettings(folder, server);
    // CR LF, CR and LF line ends; capitals, blanks, duplicates and a bad name.
    folder.write(QStringLiteral("names.txt"), "FREE1.com\r\n  taken.com  \rbad_name.com\n\nfree1.com\nab.net\nab.org");
    const QString report = folder.file(QStringLiteral("report.txt"));
    folder.write(QStringLiteral("report.txt"), QByteArray(10000, 'x')); // a longer, older report
    const CliRun r = runCli({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("--output"), report,
                             folder.file(QStringLiteral("names.txt"))});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    QFile f(report);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY(text.endsWith("\r\n"));
    QCOMPARE(text.count("\r\n"), 5);
    QList<QByteArray> lines = reportLines(text);
    QCOMPARE(lines.takeFirst(), kHeader + '\r');
    std::sort(lines.begin(), lines.end());
    QCOMPARE(lines.at(0), QByteArray("ab.net|2|net|FREE|N/A|0 days|N/A\r"));
    QCOMPARE(lines.at(1), QByteArray("ab.org|2|org|N/A|N/A|N/A|Unable to check, no TLD info found\r"));
    QCOMPARE(lines.at(2), QByteArray("free1.com|5|com|FREE|N/A|0 days|N/A\r"));
    QVERIFY(lines.at(3).startsWith("taken.com|5|com|Taken|25-01-26|"));
    QVERIFY(lines.at(3).endsWith("|Status: ok\r"));
    QVERIFY(r.err.endsWith("4 domains\n2 free\n1 taken\n1 unchecked/errors\n"));
    QVERIFY(r.err.contains("The program is done!"));
}

void TestCheckCli::standardInputAndOptions()
{
    LoopbackWhoisServer server;
    server.setDefault(Reply::text("Limit exceeded\r\n"));
    TempDataFolder folder;
    writeSettings(folder, server, /*retry=*/true);
    // The saved options retry; the command line turns that off.
    CliRun r = runCli({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("--no-retry"),
                       QStringLiteral("--quiet"), QStringLiteral("-")},
                      "busy.com\n");
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(server.queries(), QStringList{"busy.com"});
    QCOMPARE(reportLines(r.out).value(1), QByteArray("busy.com|4|com|N/A|N/A|N/A|Erroneous whois response\r"));
    QVERIFY(!r.err.contains("The program is done!"));

    server.clearQueries();
    r = runCli({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("--retries"), QStringLiteral("1"),
                QStringLiteral("--connections"), QStringLiteral("900"), QStringLiteral("-")},
               "busy.com\n");
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(server.queries(), (QStringList{"busy.com", "=busy.com", "=busy.com"}));
}

void TestCheckCli::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("no file") << QStringList{} << 2 << QByteArray("no FILE given");
    QTest::newRow("unknown option") << QStringList{"--bogus", "names.txt"} << 2 << QByteArray("bogus");
    QTest::newRow("unreadable file") << QStringList{"missing.txt"} << 2 << QByteArray("missing.txt: No such file");
    QTest::newRow("both retry options") << QStringList{"--retries", "2", "--no-retry", "names.txt"} << 2
                                        << QByteArray("exclude");
    QTest::newRow("not a number") << QStringList{"--connections", "many", "names.txt"} << 2
                                  << QByteArray("needs a number");
    QTest::newRow("no names") << QStringList{"empty.txt"} << 1
                              << QByteArray("Please add some domains using the 'Add' button before you start.");
    QTest::newRow("no names, earlier report kept")
        << QStringList{"--output", "old-report.txt", "empty.txt"} << 1
        << QByteArray("Please add some domains using the 'Add' button before you start.");
    QTest::newRow("no names, no report left") << QStringList{"--output", "new-report.txt", "empty.txt"} << 1
                                              << QByteArray("Please add some domains");
}

void TestCheckCli::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    LoopbackWhoisServer server;
    TempDataFolder folder;
    writeSettings(folder, server);
    folder.write(QStringLiteral("names.txt"), "ab.com\n");
    folder.write(QStringLiteral("empty.txt"), "\n  \nnot a name\n");
    folder.write(QStringLiteral("old-report.txt"), "earlier report\r\n");
    for (QString &a : args) {
        if (a.endsWith(QLatin1String(".txt")))
            a = folder.file(a);
    }
    const CliRun r = runCli(QStringList{QStringLiteral("--data-dir"), folder.path()} + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), r.err.constData());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(server.acceptedCount(), 0);
    QCOMPARE(folder.read(QStringLiteral("old-report.txt")), QByteArray("earlier report\r\n"));
    QVERIFY(!folder.exists(QStringLiteral("new-report.txt")));
}

void TestCheckCli::stopSignals_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestCheckCli::stopSignals()
{
    QFETCH(int, signal);
    LoopbackWhoisServer server;
    server.setDefault(Reply::silent());
    TempDataFolder folder;
    writeSettings(folder, server);
    QByteArray names;
    for (int i = 0; i < 10; ++i)
        names += "name" + QByteArray::number(i) + ".com\n";
    QProcess p;
    p.start(QStringLiteral(QV_CLI_PATH), {QStringLiteral("check"), QStringLiteral("--data-dir"), folder.path(),
                                          QStringLiteral("--connections"), QStringLiteral("3"),
                                          QStringLiteral("--timeout"), QStringLiteral("60"), QStringLiteral("-")});
    QVERIFY(p.waitForStarted());
    p.write(names);
    p.closeWriteChannel();
    QVERIFY(server.waitForQueries(3, 10000));
    ::kill(static_cast<pid_t>(p.processId()), signal);
    QVERIFY(QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 128 + signal);
    QList<QByteArray> lines = reportLines(p.readAllStandardOutput());
    QCOMPARE(lines.size(), 11);
    for (int i = 1; i < lines.size(); ++i)
        QVERIFY(lines[i].endsWith("|com|N/A|N/A|N/A|\r"));
    QVERIFY(p.readAllStandardError().endsWith("10 domains\n0 free\n0 taken\n10 unchecked/errors\n"));
    // The program closed its connections on the way out.
    QVERIFY(server.waitForOpenCount(0));
}

QTEST_GUILESS_MAIN(TestCheckCli)
#include "tst_checkcli.moc"
