#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QProcess>
#include <QTest>

#include <csignal>

using Reply = LoopbackWhoisServer::Reply;

namespace {

// A data folder whose settings.ini points .com and .net at `server`.
void writeSettings(const TempDataFolder &folder, const LoopbackWhoisServer &server, bool retry = false)
{
    WhoisConfig config;
    config.table.AddTldEntry(QStringLiteral("com"), server.address(), QString());
    config.table.AddTldEntry(QStringLiteral("net"), server.address(),
                             QStringLiteral("$domain$ is available"));
    config.freeResponses = {QStringLiteral("no match for")};
    config.errorResponses = {QStringLiteral("limit exceeded")};
    ProgramOptions options;
    options.retry = retry;
    options.checkSelected = true; // a saved tick must not limit the command line to a selection
    ScriptedPrompter prompter;
    QVERIFY(SaveSettings(folder.path(), config, options, prompter));
}

// Starts the program; this thread's event loop keeps the loopback server going meanwhile.
bool runCli(QProcess &p, const TempDataFolder &folder, const QStringList &args, const QByteArray &input = {})
{
    p.start(QStringLiteral(QV_CLI_PATH), QStringList{"check", "--data-dir", folder.path()} + args);
    if (!p.waitForStarted())
        return false;
    p.write(input);
    p.closeWriteChannel();
    return QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000);
}

QList<QByteArray> reportLines(const QByteArray &report)
{
    QList<QByteArray> lines = report.split('\n');
    lines.removeAll(QByteArray());
    return lines;
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
        writeSettings(folder, server);
        // CR LF, CR and LF line ends; capitals, blanks, duplicates and a bad name.
        folder.write("names.txt", "FREE1.com\r\n  taken.com  \rbad_name.com\n\nfree1.com\nab.net\nab.org");
        folder.write("report.txt", QByteArray(10000, 'x')); // a longer, older report
        QProcess p;
        QVERIFY(runCli(p, folder, {"--output", folder.file("report.txt"), folder.file("names.txt")}));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().isEmpty());
        const QByteArray text = folder.read("report.txt");
        QVERIFY(text.endsWith("\r\n"));
        QCOMPARE(text.count("\r\n"), 5);
        QList<QByteArray> lines = reportLines(text);
        QCOMPARE(
            lines.takeFirst(),
            "Domain|Domain name length|TLD|Availability|Expiration date|Expires in (days)|Information\r");
        std::sort(lines.begin(), lines.end());
        QCOMPARE(lines.at(0), "ab.net|2|net|FREE|N/A|0 days|N/A\r");
        QCOMPARE(lines.at(1), "ab.org|2|org|N/A|N/A|N/A|Unable to check, no TLD info found\r");
        QCOMPARE(lines.at(2), "free1.com|5|com|FREE|N/A|0 days|N/A\r");
        QVERIFY(lines.at(3).startsWith("taken.com|5|com|Taken|25-01-26|") &&
                lines.at(3).endsWith("|Status: ok\r"));
        const QByteArray err = p.readAllStandardError();
        QVERIFY(err.endsWith("4 domains\n2 free\n1 taken\n1 unchecked/errors\n"));
        QVERIFY(err.contains("The program is done!"));
    }

    void standardInputAndOptions()
    {
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("Limit exceeded\r\n"));
        TempDataFolder folder;
        writeSettings(folder, server, /*retry=*/true);
        // The saved options retry; the command line turns that off or changes the count.
        const QStringList noRetry{"--no-retry", "--quiet", "-"},
            oneRetry{"--retries", "1", "--connections", "900", "-"};
        for (const QStringList &args : {noRetry, oneRetry}) {
            server.clearQueries();
            QProcess p;
            QVERIFY(runCli(p, folder, args, "busy.com\n"));
            QCOMPARE(p.exitCode(), 0);
            QCOMPARE(reportLines(p.readAllStandardOutput()).value(1),
                     "busy.com|4|com|N/A|N/A|N/A|Erroneous whois response\r");
            QCOMPARE(p.readAllStandardError().contains("The program is done!"), args == oneRetry);
            QCOMPARE(server.queryCount(), args == noRetry ? 1 : 3);
        }
        QCOMPARE(server.queries(), (QStringList{"busy.com", "=busy.com", "=busy.com"}));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message");
        const QByteArray noNames = "Please add some domains using the 'Add' button before you start.";
        QTest::newRow("no file") << QStringList{} << 2 << QByteArray("no FILE given");
        QTest::newRow("unknown option") << QStringList{"--bogus", "names.txt"} << 2 << QByteArray("bogus");
        QTest::newRow("unreadable") << QStringList{"missing.txt"} << 2
                                    << QByteArray("missing.txt: No such file");
        QTest::newRow("both retry options")
            << QStringList{"--retries", "2", "--no-retry", "names.txt"} << 2 << QByteArray("exclude");
        QTest::newRow("not a number")
            << QStringList{"--connections", "many", "names.txt"} << 2 << QByteArray("needs a number");
        QTest::newRow("no names, earlier report kept")
            << QStringList{"--output", "old-report.txt", "empty.txt"} << 1 << noNames;
        QTest::newRow("no names, no report left")
            << QStringList{"--output", "new-report.txt", "empty.txt"} << 1 << noNames;
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeSettings(folder, server);
        folder.write("names.txt", "ab.com\n");
        folder.write("empty.txt", "\n  \nnot a name\n");
        folder.write("old-report.txt", "earlier report\r\n");
        for (QString &a : args) {
            if (a.endsWith(QLatin1String(".txt")))
                a = folder.file(a);
        }
        QProcess p;
        QVERIFY(runCli(p, folder, args));
        QTEST(p.exitCode(), "exitCode");
        const QByteArray err = p.readAllStandardError();
        QFETCH(QByteArray, message);
        QVERIFY2(err.contains(message) && err.count('\n') == 1, err.constData());
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QCOMPARE(server.acceptedCount(), 0);
        QCOMPARE(folder.read("old-report.txt"), QByteArray("earlier report\r\n"));
        QVERIFY(!folder.exists("new-report.txt"));
    }

    void stopSignals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void stopSignals()
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
        p.start(QStringLiteral(QV_CLI_PATH),
                {"check", "--data-dir", folder.path(), "--connections", "3", "--timeout", "60", "-"});
        QVERIFY(p.waitForStarted());
        p.write(names);
        p.closeWriteChannel();
        QVERIFY(server.waitForQueries(3, 10000));
        ::kill(static_cast<pid_t>(p.processId()), signal);
        QVERIFY(QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 128 + signal);
        const QList<QByteArray> lines = reportLines(p.readAllStandardOutput());
        QCOMPARE(lines.size(), 11);
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY(lines[i].endsWith("|com|N/A|N/A|N/A|\r"));
        QVERIFY(p.readAllStandardError().endsWith("10 domains\n0 free\n0 taken\n10 unchecked/errors\n"));
        QVERIFY(server.waitForOpenCount(0)); // the program closed its connections on the way out
    }
};

QTEST_GUILESS_MAIN(TestCheckCli)
#include "tst_checkcli.moc"
