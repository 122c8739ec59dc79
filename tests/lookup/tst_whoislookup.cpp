#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "lookup/whoislookup.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using Reply = LoopbackWhoisServer::Reply;
using Outcome = WhoisLookup::Outcome;

Q_DECLARE_METATYPE(WhoisLookup::Outcome)

class TestWhoisLookup : public QObject
{
    Q_OBJECT

    // Runs one exchange and returns its outcome (nullopt when none came).
    static std::optional<Outcome> run(WhoisLookup &lookup, const QString &server, const QString &query)
    {
        QSignalSpy finished(&lookup, &WhoisLookup::finished);
        lookup.start(server, query);
        if (finished.isEmpty() && !finished.wait(5000))
            return std::nullopt;
        return finished.first().first().value<Outcome>();
    }

private slots:
    void queryForms_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("overrideCheck");
        QTest::addColumn<QString>("query"); // empty: refused as invalid
        QTest::newRow("capitals and =") << "=EXAMPLE.Com" << false << "example.com";
        QTest::newRow("host under a domain") << "www.example.com" << false << "example.com";
        QTest::newRow("host, override") << "www.example.com" << true << "www.example.com";
        QTest::newRow("two-level tld") << "example.co.uk" << false << "example.co.uk";
        QTest::newRow("table tld") << "example.com.zz" << false << "example.com.zz";
        QTest::newRow("unknown tld") << "example.qq" << false << "example.qq";
        QTest::newRow("invalid") << "ex..com" << false << "";
        QTest::newRow("invalid, override") << "=Ex..COM" << true << "ex..com";
    }

    void queryForms()
    {
        QFETCH(QString, typed);
        QFETCH(bool, overrideCheck);
        QFETCH(QString, query);
        TldSuffixList suffixes;
        suffixes.mylist({QStringLiteral("com.zz")});
        QCOMPARE(formLookupQuery(typed, overrideCheck, suffixes).value_or(QString()), query);
    }

    void displayTextEndsEveryLineInCrLf()
    {
        QCOMPARE(lookupDisplayText("\na\r\nb\n"), QStringLiteral("\r\na\r\nb\r\n"));
        QCOMPARE(lookupDisplayText("caf\xe9"), QString::fromLatin1("caf\xe9"));
    }

    void exchangeOutcomes()
    {
        LoopbackWhoisServer server;
        server.onQuery(QStringLiteral("done.com"), Reply::pieces({"Domain: DONE.COM\n", "\xe9nd\r\n"}, 20));
        server.onQuery(QStringLiteral("silent.com"), Reply::silent());
        server.onQuery(QStringLiteral("hangup.com"), Reply::closeNow());
        // Longer in all than the time-out, but never silent for that long.
        server.onQuery(QStringLiteral("slow.com"), Reply::pieces({"1\n", "2\n", "3\n", "4\n", "5\n"}, 90));
        WhoisLookup lookup;
        lookup.setTimeoutMs(300);
        QCOMPARE(run(lookup, server.address(), QStringLiteral("done.com")), Outcome::Done);
        QCOMPARE(lookup.reply(), QByteArray("Domain: DONE.COM\n\xe9nd\r\n"));
        QVERIFY(!lookup.isRunning());
        QCOMPARE(run(lookup, server.address(), QStringLiteral("silent.com")), Outcome::Timeout);
        // A close without a word is no answer: only the time-out ends it.
        QCOMPARE(run(lookup, server.address(), QStringLiteral("hangup.com")), Outcome::Timeout);
        QCOMPARE(run(lookup, server.address(), QStringLiteral("slow.com")), Outcome::Done);
        QCOMPARE(lookup.reply(), QByteArray("1\n2\n3\n4\n5\n"));
        QCOMPARE(server.queries(), QStringList({"done.com", "silent.com", "hangup.com", "slow.com"}));
        QVERIFY(server.waitForOpenCount(0));

        // A connection error is told at once, yet the exchange waits for its time-out.
        QSignalSpy errors(&lookup, &WhoisLookup::socketError);
        const QString refused = QStringLiteral("127.0.0.1:%1").arg(LoopbackWhoisServer::refusedPort());
        QCOMPARE(run(lookup, refused, QStringLiteral("x.com")), Outcome::Timeout);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first(), QVariantList({10061, QStringLiteral("Connection refused.")}));
        QCOMPARE(run(lookup, QStringLiteral("127.0.0.1:0"), QStringLiteral("x.com")), Outcome::Error);
    }

    void startEndsThePreviousExchange()
    {
        LoopbackWhoisServer server;
        server.onQuery(QStringLiteral("first.com"), Reply::silent());
        server.onQuery(QStringLiteral("second.com"), Reply::text("second\n"));
        WhoisLookup lookup;
        QSignalSpy finished(&lookup, &WhoisLookup::finished);
        lookup.start(server.address(), QStringLiteral("first.com"));
        QVERIFY(server.waitForQueries(1));
        QCOMPARE(run(lookup, server.address(), QStringLiteral("second.com")), Outcome::Done);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(lookup.reply(), QByteArray("second\n"));
        QVERIFY(server.waitForOpenCount(0)); // the silent connection was closed by us
    }

    void commandLine()
    {
        LoopbackWhoisServer server;
        const QByteArray reply("Domain Name: EXAMPLE.COM\r\nRegistrar: \xe9xample\n\n");
        server.onQuery(QStringLiteral("example.com"), Reply::text(reply));
        TempDataFolder folder;
        WhoisConfig config;
        config.table.AddTldEntry(QStringLiteral("com"), server.address(), QString());
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        const QString dataDir = QStringLiteral("--data-dir=") + folder.path();

        struct Result { int exitCode; QByteArray out, err; };
        const auto cli = [](const QStringList &args) {
            QProcess process;
            process.start(QStringLiteral(QV_CLI_PATH), QStringList{QStringLiteral("lookup")} + args);
            // The loopback server lives on this thread: keep its loop turning.
            (void)QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000);
            return Result{process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
        };

        const Result ok = cli({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("WWW.Example.com")});
        QCOMPARE(ok.exitCode, 0);
        QCOMPARE(ok.out, reply); // byte for byte, line ends untouched
        const Result viaServer = cli({dataDir, QStringLiteral("--override"), QStringLiteral("--server"),
                                      server.address(), QStringLiteral("=Example.COM")});
        QCOMPARE(viaServer.exitCode, 0);
        QCOMPARE(server.queries(), QStringList({"example.com", "example.com"}));

        const QString refusedServer = QStringLiteral("127.0.0.1:%1").arg(LoopbackWhoisServer::refusedPort());
        const Result refused =
            cli({dataDir, QStringLiteral("--server"), refusedServer, QStringLiteral("example.com")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.out.isEmpty());
        QVERIFY(refused.err.contains("Error: Connection refused."));
        const Result noServers = cli({dataDir, QStringLiteral("example.net")});
        QCOMPARE(noServers.exitCode, 1);
        QVERIFY(noServers.err.contains("There are no whois servers for the domain supplied."));
        const Result invalid = cli({dataDir, QStringLiteral("ex..com")});
        QCOMPARE(invalid.exitCode, 2);
        QVERIFY(invalid.err.contains("Invalid domain specified."));
        QCOMPARE(cli({QStringLiteral("--frobnicate"), QStringLiteral("example.com")}).exitCode, 2);
        QCOMPARE(cli({}).exitCode, 2);
        QCOMPARE(server.queryCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestWhoisLookup)
#include "tst_whoislookup.moc"
