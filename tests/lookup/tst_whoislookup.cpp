#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "engine/domainsyntax.h"
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

    static WhoisConfig configWith(const QString &tld, const QString &servers)
    {
        WhoisConfig config;
        config.table.AddTldEntry(QStringLiteral("org"), QStringLiteral("whois.org.example"), QString());
        config.table.AddTldEntry(tld, servers, QString());
        return config;
    }

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

        QTest::newRow("plain") << "example.com" << false << "example.com";
        QTest::newRow("capitals and =") << "=EXAMPLE.Com" << false << "example.com";
        QTest::newRow("host under a domain") << "www.example.com" << false << "example.com";
        QTest::newRow("host, override") << "www.example.com" << true << "www.example.com";
        QTest::newRow("two-level tld") << "example.co.uk" << false << "example.co.uk";
        QTest::newRow("table tld") << "example.com.zz" << false << "example.com.zz";
        QTest::newRow("unknown tld") << "example.qq" << false << "example.qq";
        QTest::newRow("invalid") << "ex..com" << false << "";
        QTest::newRow("invalid, override") << "=Ex..COM" << true << "ex..com";
        QTest::newRow("handle, override") << "=NS1.EXAMPLE.COM" << true << "ns1.example.com";
    }

    void queryForms()
    {
        QFETCH(QString, typed);
        QFETCH(bool, overrideCheck);
        QFETCH(QString, query);
        TldSuffixList suffixes;
        suffixes.mylist({QStringLiteral("com.zz")});
        const std::optional<QString> formed = formLookupQuery(typed, overrideCheck, suffixes);
        QCOMPARE(formed.value_or(QString()), query);
    }

    void serversOfTheTld()
    {
        const WhoisConfig config = configWith(QStringLiteral("com"), QStringLiteral("one.example, two.example:4343"));
        const QStringList both = {"one.example", "two.example:4343"};
        QCOMPARE(lookupServersFor(QStringLiteral("example.com"), config), both);
        QCOMPARE(lookupServersFor(QStringLiteral("=WWW.Example.COM"), config), both);
        QCOMPARE(lookupServersFor(QStringLiteral("example.net"), config), QStringList());
        QCOMPARE(lookupServersFor(QStringLiteral("ex..com"), config), QStringList());
    }

    void displayText_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bare LF") << QByteArray("a\nb\n") << "a\r\nb\r\n";
        QTest::newRow("CR LF kept") << QByteArray("a\r\nb\r\n") << "a\r\nb\r\n";
        QTest::newRow("mixed") << QByteArray("\na\r\n\n") << "\r\na\r\n\r\n";
        QTest::newRow("8-bit") << QByteArray("caf\xe9") << QString::fromLatin1("caf\xe9");
    }

    void displayText()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, shown);
        QCOMPARE(lookupDisplayText(reply), shown);
    }

    void exchangeEndings()
    {
        LoopbackWhoisServer server;
        server.onQuery(QStringLiteral("done.com"), Reply::pieces({"Domain: DONE.COM\n", "\xe9nd\r\n"}, 20));
        server.onQuery(QStringLiteral("silent.com"), Reply::silent());
        server.onQuery(QStringLiteral("hangup.com"), Reply::closeNow());
        WhoisLookup lookup;
        lookup.setTimeoutMs(300);

        QCOMPARE(run(lookup, server.address(), QStringLiteral("done.com")), Outcome::Done);
        QCOMPARE(lookup.reply(), QByteArray("Domain: DONE.COM\n\xe9nd\r\n"));
        QVERIFY(!lookup.isRunning());

        QCOMPARE(run(lookup, server.address(), QStringLiteral("silent.com")), Outcome::Timeout);
        // A close without a word is no answer: only the time-out ends it.
        QCOMPARE(run(lookup, server.address(), QStringLiteral("hangup.com")), Outcome::Timeout);
        QCOMPARE(server.queries(), QStringList({"done.com", "silent.com", "hangup.com"}));
        QVERIFY(server.waitForOpenCount(0));

        QCOMPARE(run(lookup, QStringLiteral("127.0.0.1:0"), QStringLiteral("x.com")), Outcome::Error);
    }

    void dataRestartsTheTimeOut()
    {
        LoopbackWhoisServer server;
        // Longer in all than the time-out, but never silent for that long.
        server.setDefault(Reply::pieces({"1\n", "2\n", "3\n", "4\n", "5\n", "6\n"}, 100));
        WhoisLookup lookup;
        lookup.setTimeoutMs(400);
        QCOMPARE(run(lookup, server.address(), QStringLiteral("slow.com")), Outcome::Done);
        QCOMPARE(lookup.reply(), QByteArray("1\n2\n3\n4\n5\n6\n"));
    }

    void connectionErrorIsToldButWaitsForTheTimeOut()
    {
        WhoisLookup lookup;
        lookup.setTimeoutMs(300);
        QSignalSpy errors(&lookup, &WhoisLookup::socketError);
        const QString refused = QStringLiteral("127.0.0.1:%1").arg(LoopbackWhoisServer::refusedPort());
        QCOMPARE(run(lookup, refused, QStringLiteral("x.com")), Outcome::Timeout);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first().at(0).toInt(), 10061);
        QCOMPARE(errors.first().at(1).toString(), QStringLiteral("Connection refused."));
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
        WhoisConfig config = configWith(QStringLiteral("com"), server.address());
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));

        struct Result {
            int exitCode = -1;
            QByteArray out;
            QByteArray err;
        };
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
        QCOMPARE(server.lastQuery(), QStringLiteral("example.com"));

        const Result viaServer = cli({QStringLiteral("--data-dir=") + folder.path(), QStringLiteral("--override"),
                                      QStringLiteral("--server"), server.address(), QStringLiteral("=Example.COM")});
        QCOMPARE(viaServer.exitCode, 0);
        QCOMPARE(server.lastQuery(), QStringLiteral("example.com"));

        const Result refused = cli({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("--server"),
                                    QStringLiteral("127.0.0.1:%1").arg(LoopbackWhoisServer::refusedPort()),
                                    QStringLiteral("example.com")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.out.isEmpty());
        QVERIFY(refused.err.contains("Error: Connection refused."));

        const Result noServers = cli({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("example.net")});
        QCOMPARE(noServers.exitCode, 1);
        QVERIFY(noServers.err.contains("There are no whois servers for the domain supplied."));

        const Result invalid = cli({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("ex..com")});
        QCOMPARE(invalid.exitCode, 2);
        QVERIFY(invalid.err.contains("Invalid domain specified."));
        QCOMPARE(cli({QStringLiteral("--frobnicate"), QStringLiteral("example.com")}).exitCode, 2);
        QCOMPARE(cli({}).exitCode, 2);
        QCOMPARE(server.queryCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestWhoisLookup)
#include "tst_whoislookup.moc"
