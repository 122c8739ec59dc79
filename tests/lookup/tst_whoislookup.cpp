#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "engine/domainsyntax.h"
#include "lookup/whoislookup.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using Reply = LoopbackWhoisServer::Reply;
using Outcome = WhoisLookup::Outcome;

class TestWhoisLookup : public QObject
{
    Q_OBJECT

    static std::optional<Outcome> run(WhoisLookup &lookup, const QString &server, const QString &query)
    {
        QSignalSpy finished(&lookup, &WhoisLookup::finished);
        lookup.start(server, query);
        if (finished.isEmpty() && !finished.wait(5000))
            return std::nullopt;
        return finished.first().first().value<Outcome>();
    }

private slots:
    void queryForms()
    {
        TldSuffixList suffixes;
        suffixes.mylist({QStringLiteral("com.zz")});
        // {typed, override, query sent}; an empty query: refused as invalid
        const std::tuple<const char *, bool, const char *> cases[] = {
            {"=EXAMPLE.Com", false, "example.com"},
            {"www.example.com", false, "example.com"},
            {"www.example.com", true, "www.example.com"},
            {"example.com.zz", false, "example.com.zz"},
            {"ex..com", false, ""},
            {"=Ex..COM", true, "ex..com"},
            {"www.B\u00dcCHER.com", false, "xn--bcher-kva.com"}, // asked for in its ASCII form
            {"=b\u00fccher.com", true, "xn--bcher-kva.com"},
        };
        for (const auto &[typed, asTyped, query] : cases)
            QCOMPARE(formLookupQuery(typed, asTyped, suffixes).value_or(QString()), QLatin1String(query));
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
        const auto ask = [&](const char *query) { return run(lookup, server.address(), query); };
        QSignalSpy ends(&lookup, &WhoisLookup::finished);
        lookup.start(server.address(), QStringLiteral("silent.com")); // ended, untold, by the next start
        QVERIFY(server.waitForQueries(1));
        QCOMPARE(ask("done.com"), Outcome::Done);
        QCOMPARE(ends.size(), 1);
        QVERIFY(!lookup.isRunning());
        QCOMPARE(lookup.reply(), QByteArray("Domain: DONE.COM\n\xe9nd\r\n"));
        // A close without a word is no answer: only the time-out ends it.
        QCOMPARE(ask("silent.com"), Outcome::Timeout);
        QCOMPARE(ask("hangup.com"), Outcome::Timeout);
        QCOMPARE(ask("slow.com"), Outcome::Done);
        QCOMPARE(lookup.reply(), QByteArray("1\n2\n3\n4\n5\n"));
        // A byte every 50 ms, for ever: never silent for a time-out, yet bounded in all.
        server.onQuery(QStringLiteral("drip.com"),
                       Reply::pieces(QList<QByteArray>(1000, "x"), 50).keepOpen());
        lookup.setTimeoutMs(100);
        QCOMPARE(ask("drip.com"), Outcome::Timeout);
        QVERIFY(lookup.reply().size() > 2);
        lookup.setTimeoutMs(300);
        QVERIFY(server.waitForOpenCount(0));

        // A connection error is told at once, yet the exchange waits for its time-out.
        QSignalSpy errors(&lookup, &WhoisLookup::socketError);
        const QString refused = QStringLiteral("127.0.0.1:%1").arg(LoopbackWhoisServer::refusedPort());
        QCOMPARE(run(lookup, refused, QStringLiteral("x.com")), Outcome::Timeout);
        QCOMPARE(errors, QList<QVariantList>({{10061, QStringLiteral("Connection refused.")}}));
        QCOMPARE(run(lookup, QStringLiteral("127.0.0.1:0"), QStringLiteral("x.com")), Outcome::Error);
    }

    void commandLine()
    {
        LoopbackWhoisServer server;
        const QByteArray reply("Domain Name: EXAMPLE.COM\r\nRegistrar: \xe9xample\n\n");
        server.onQuery(QStringLiteral("example.com"), Reply::text(reply));
        server.onQuery(QStringLiteral("xn--bcher-kva.com"), Reply::text(reply));
        server.onQuery(QStringLiteral("drip.com"),
                       Reply::pieces(QList<QByteArray>(1000, "x"), 50).keepOpen());
        TempDataFolder folder;
        TempDataFolder broken; // its settings.ini is a folder
        QVERIFY(QDir(broken.path()).mkdir(QStringLiteral("settings.ini")));
        WhoisConfig config;
        config.table.AddTldEntry(QStringLiteral("com"), server.address(), QString());
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        const QString dir = "--data-dir=" + folder.path();
        const QString refused = "--server=127.0.0.1:" + QString::number(LoopbackWhoisServer::refusedPort());
        struct Case {
            QStringList args;
            int exitCode;
            QByteArray err;
        };
        const Case cases[] = {
            {{"--data-dir", folder.path(), "WWW.Example.com"}, 0, ""},
            {{dir, "B\u00fccher.com"}, 0, ""}, // asked for in its ASCII form
            {{dir, "--override", "--server", server.address(), "=Example.COM"}, 0, ""},
            {{dir, refused, "example.com"}, 1, "Error: Connection refused."},
            {{dir, "example.net"}, 1, "There are no whois servers for the domain supplied."},
            {{dir, "ex..com"}, 2, "Invalid domain specified."},
            {{dir, "--server", "127.0.0.1:0", "x.com"},
             2,
             "'127.0.0.1:0': the port '0' is not a number from 1 to 65535"},
            {{dir, "--server", "host:65536", "x.com"}, 2, "'host:65536': the port '65536' is not a number"},
            {{dir, "--server", "host:4x", "x.com"}, 2, "'host:4x': the port '4x' is not a number"},
            {{dir, "--server", "host:", "x.com"}, 2, "'host:' has no port after the colon"},
            {{dir, "--server", ":43", "x.com"}, 2, "':43' names no host"},
            {{dir, "--timeout", "0", "x.com"}, 2, "--timeout needs a number of seconds above 0"},
            {{dir, "--timeout", "soon", "x.com"}, 2, "not 'soon'"},
            // Never silent for 0.2 s, yet the lookup ends within eleven of them.
            {{dir, "--timeout", "0.2", "--server", server.address(), "drip.com"}, 1, "Done, timeout."},
            {{"--data-dir", broken.path(), "--server", server.address(), "example.com"},
             0,
             "cannot read " + QFile::encodeName(broken.file(QStringLiteral("settings.ini"))) +
                 " (it is a folder); using the built-in TLD table and options"},
            {{"--frobnicate", "example.com"}, 2, "--frobnicate"},
            {{}, 2, "missing DOMAIN"},
        };
        for (const Case &c : cases) {
            QProcess cli;
            cli.start(QStringLiteral(QV_CLI_PATH), QStringList{"lookup"} + c.args);
            // The loopback server lives on this thread: keep its loop turning.
            (void)QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 20000);
            const QByteArray err = cli.readAllStandardError();
            QVERIFY2(cli.exitCode() == c.exitCode, err.constData());
            QVERIFY2(err.contains(c.err), err.constData());
            QCOMPARE(cli.readAllStandardOutput(), c.exitCode ? QByteArray() : reply);
        }
        QCOMPARE(server.queries(),
                 QStringList({"example.com", "xn--bcher-kva.com", "example.com", "drip.com", "example.com"}));
    }
};

QTEST_GUILESS_MAIN(TestWhoisLookup)
#include "tst_whoislookup.moc"
