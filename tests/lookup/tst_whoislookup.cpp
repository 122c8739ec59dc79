#include "config/publicsuffixes.h"
#include "config/rdapbootstrap.h"
#include "engine/domainsyntax.h"
#include "lookup/whoislookup.h"
#include "support/clirun.h"
#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/testmain.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;
using Http = LoopbackHttpServer::Reply;
using Outcome = WhoisLookup::Outcome;

namespace {

const QByteArray kDomain = R"({"objectClassName":"domain","ldhName":"example.com","status":["active"]})";
const QByteArray kPretty = "{\n    \"ldhName\": \"example.com\",\n    \"objectClassName\": \"domain\",\n"
                           "    \"status\": [\n        \"active\"\n    ]\n}\n";

void serveRdap(LoopbackHttpServer &server)
{
    server.setHandler([](const QString &line) {
        if (line.contains(u"/domain/example.com "_s))
            return Http::http(200, kDomain);
        if (line.contains(u"/domain/silent.com "_s))
            return Http::silence();
        return Http::http(404, {});
    });
}

QString base(const LoopbackHttpServer &server)
{
    return u"http://"_s + server.address() + u"/rdap/"_s;
}

std::optional<Outcome> run(WhoisLookup &lookup, const QString &server, const QString &query)
{
    QSignalSpy finished(&lookup, &WhoisLookup::finished);
    lookup.start(server, query);
    if (finished.isEmpty() && !finished.wait(5000))
        return std::nullopt;
    return finished.first().first().value<Outcome>();
}

} // namespace

class TestWhoisLookup : public QObject
{
    Q_OBJECT

private slots:
    void queryForms()
    {
        TldSuffixList suffixes;
        suffixes.mylist({u"com.zz"_s});
        suffixes.setPublicSuffixes(PublicSuffixes::builtin());
        // {typed, override, query sent}; an empty query: refused as invalid
        const std::tuple<const char *, bool, const char *> cases[] = {
            {"=EXAMPLE.Com", false, "example.com"},
            {"www.example.com", false, "example.com"},
            {"www.example.com", true, "www.example.com"},
            {"example.com.zz", false, "example.com.zz"},
            {"example.com.af", false, "example.com.af"}, // under a registry's suffix: itself
            {"ex..com", false, ""},
            {"=Ex..COM", true, "ex..com"},
            {"www.B\u00dcCHER.com", false, "xn--bcher-kva.com"}, // asked for in its ASCII form
            {"=b\u00fccher.com", true, "xn--bcher-kva.com"},
        };
        for (const auto &[typed, asTyped, query] : cases)
            QCOMPARE(formLookupQuery(typed, asTyped, suffixes).value_or(QString()), QLatin1String(query));
        QCOMPARE(lookupDisplayText("\na\r\nb\n"), u"\r\na\r\nb\r\n"_s);
        QCOMPARE(lookupDisplayText("caf\xe9"), QString::fromLatin1("caf\xe9"));
    }

    void exchangeOutcomes()
    {
        LoopbackWhoisServer server;
        server.onQuery(u"done.com"_s, Reply::pieces({"Domain: DONE.COM\n", "\xe9nd\r\n"}, 20));
        server.onQuery(u"silent.com"_s, Reply::silent());
        server.onQuery(u"hangup.com"_s, Reply::closeNow());
        // Longer in all than the time-out, but never silent for that long.
        server.onQuery(u"slow.com"_s, Reply::pieces({"1\n", "2\n", "3\n", "4\n", "5\n"}, 90));
        WhoisLookup lookup;
        lookup.setTimeoutMs(300);
        const auto ask = [&](const char *query) { return run(lookup, server.address(), query); };
        QSignalSpy ends(&lookup, &WhoisLookup::finished);
        lookup.start(server.address(), u"silent.com"_s); // ended, untold, by the next start
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
        QVERIFY(server.waitForOpenCount(0));

        // A connection error ends the exchange at once, and says why.
        QSignalSpy errors(&lookup, &WhoisLookup::socketError);
        const QString refused = u"127.0.0.1:%1"_s.arg(LoopbackWhoisServer::refusedPort());
        lookup.setTimeoutMs(60000); // far beyond the 5 s run() waits
        QCOMPARE(run(lookup, refused, u"x.com"_s), Outcome::Error);
        QCOMPARE(errors, QList<QVariantList>({{10061, u"Connection refused."_s}}));
        QCOMPARE(lookup.errorText(), u"Connection refused."_s);
        QCOMPARE(run(lookup, u"127.0.0.1:0"_s, u"x.com"_s), Outcome::Error);
        QVERIFY(!lookup.errorText().isEmpty());
    }

    void rdapExchange()
    {
        LoopbackHttpServer server;
        serveRdap(server);
        WhoisLookup lookup;
        lookup.setTimeoutMs(300);
        QCOMPARE(run(lookup, base(server), u"example.com"_s), Outcome::Done);
        QCOMPARE(lookup.reply(), kPretty);
        QCOMPARE(lookup.httpStatus(), 200);
        QVERIFY(server.requests().first().startsWith("GET /rdap/domain/example.com HTTP/1.1\r\n"));
        QCOMPARE(run(lookup, base(server), u"silent.com"_s), Outcome::Timeout);
        const QString refused = u"http://127.0.0.1:%1/"_s.arg(LoopbackWhoisServer::refusedPort());
        QCOMPARE(run(lookup, refused, u"example.com"_s), Outcome::Error);
        QCOMPARE(lookup.errorText(), "Connection refused"_L1);
        QCOMPARE(run(lookup, u"http://"_s, u"example.com"_s), Outcome::Error);
        QVERIFY(!lookup.errorText().isEmpty());
    }

    void serversWithTheBootstrap()
    {
        WhoisConfig config;
        config.table.AddTldEntry(u"com"_s, u"whois.a.net"_s, {});
        config.table.AddTldEntry(u"net"_s, u"whois.b.net, https://own.example/"_s, {});
        const auto bootstrap =
            RdapBootstrap::parse("{\"services\":[[[\"com\",\"net\",\"zz\"],[\"https://rdap.example/\"]]]}");
        QVERIFY(bootstrap.has_value());
        // The servers of www.ab.com, ab.net and ab.zz, by mode.
        const std::pair<RdapMode, const char *> cases[] = {
            {RdapMode::Off, "whois.a.net whois.b.net|https://own.example/ "},
            {RdapMode::Fallback,
             "whois.a.net|https://rdap.example/ "
             "whois.b.net|https://own.example/|https://rdap.example/ https://rdap.example/"},
            {RdapMode::First, "https://rdap.example/|whois.a.net "
                              "whois.b.net|https://own.example/|https://rdap.example/ https://rdap.example/"},
        };
        for (const auto &[mode, expected] : cases) {
            QStringList servers;
            for (const QString &name : {u"www.ab.com"_s, u"ab.net"_s, u"ab.zz"_s})
                servers << lookupServersFor(name, config, &*bootstrap, mode).join(u'|');
            QCOMPARE(servers.join(u' '), QLatin1String(expected));
        }
    }

    void commandLine()
    {
        // .com and .net have WHOIS rows; the bootstrap serves .com and .zz over RDAP.
        LoopbackWhoisServer server;
        const QByteArray reply("Domain Name: EXAMPLE.COM\r\nRegistrar: \xe9xample\n\n");
        server.onQuery(u"example.com"_s, Reply::text(reply));
        server.onQuery(u"drip.com"_s, Reply::pieces(QList<QByteArray>(1000, "x"), 50).keepOpen());
        LoopbackHttpServer rdap;
        serveRdap(rdap);
        const QString r = base(rdap), w = server.address();
        TempDataFolder folder;
        TempDataFolder broken; // its settings.ini is a folder
        QVERIFY(QDir(broken.path()).mkdir(u"settings.ini"_s));
        writeCliSettings(folder, server.address());
        folder.write(u"rdap-dns.json"_s, R"({"services":[[["com","zz"],[")" + r.toLatin1() + R"("]]]})");
        const QString d = "--data-dir=" + folder.path();
        const QString refused = "127.0.0.1:" + QString::number(LoopbackWhoisServer::refusedPort());
        const QByteArray unreadable = "cannot read " + QFile::encodeName(broken.file(u"settings.ini"_s)) +
                                      " (it is a folder); using the built-in TLD table and options";
        const std::tuple<QStringList, int, QByteArray, QByteArray> cases[] = {
            // arguments, exit code, out, err
            {{"--data-dir", folder.path(), "WWW.Example.com"}, 0, reply, ""},
            {{d, "--override", "--server", w, "=Example.COM"}, 0, reply, ""},
            {{d, "--server=" + refused, "example.com"}, 1, "", "Error: Connection refused."},
            {{d, "example.org"}, 1, "", "There are no whois servers for the domain supplied."},
            {{d, "ex..com"}, 2, "", "Invalid domain specified."},
            // Never silent for 0.2 s, yet the lookup ends within eleven of them.
            {{d, "--timeout", "0.2", "--server", w, "drip.com"}, 1, "", "Done, timeout."},
            {{"--data-dir", broken.path(), "--server", w, "example.com"}, 0, reply, unreadable},
            // RDAP: the server given, the bootstrap's when asked, and its service for a TLD without a row.
            {{d, "--server", r, "www.example.com"}, 0, kPretty, "Done."},
            {{d, "--rdap", "example.com"}, 0, kPretty, "Asking " + r.toLatin1() + " for example.com"},
            {{d, "free.zz"}, 0, "", "HTTP 404 Status"},
            {{d, "--rdap", "example.org"},
             1,
             "",
             "The RDAP bootstrap has no service for the domain supplied."},
        };
        for (const auto &[args, exitCode, out, err] : cases) {
            const CliRun run = runCli(QStringList{"lookup"} + args);
            QVERIFY2(run.exitCode == exitCode, run.err.constData());
            QVERIFY2(run.err.contains(err), run.err.constData());
            QCOMPARE(run.out, out);
        }
        QCOMPARE(server.queries(), QStringList({"example.com", "example.com", "drip.com", "example.com"}));
    }
};

QV_TEST_GUILESS_MAIN(TestWhoisLookup)
#include "tst_whoislookup.moc"
