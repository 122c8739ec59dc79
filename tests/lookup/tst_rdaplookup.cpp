#include "config/programoptions.h"
#include "config/rdapbootstrap.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "lookup/whoislookup.h"
#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;
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

} // namespace

class TestRdapLookup : public QObject
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
    void exchange()
    {
        LoopbackHttpServer server;
        serveRdap(server);
        WhoisLookup lookup;
        lookup.setTimeoutMs(300);
        QCOMPARE(run(lookup, base(server), u"example.com"_s), Outcome::Done);
        QCOMPARE(lookup.reply(), kPretty);
        QCOMPARE(lookup.httpStatus(), 200);
        QVERIFY(server.requests().first().startsWith("GET /rdap/domain/example.com HTTP/1.1\r\n"));
        // A 404 is an answer (no such domain), empty or not.
        QCOMPARE(run(lookup, base(server), u"free.com"_s), Outcome::Done);
        QCOMPARE(lookup.httpStatusLine(), "HTTP 404 Status"_L1);
        QVERIFY(lookup.reply().isEmpty());
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
        const struct {
            RdapMode mode;
            const char *com, *net, *zz;
        } cases[] = {
            {RdapMode::Off, "whois.a.net", "whois.b.net|https://own.example/", ""},
            {RdapMode::Fallback, "whois.a.net|https://rdap.example/",
             "whois.b.net|https://own.example/|https://rdap.example/", "https://rdap.example/"},
            {RdapMode::First, "https://rdap.example/|whois.a.net",
             "whois.b.net|https://own.example/|https://rdap.example/", "https://rdap.example/"},
        };
        for (const auto &c : cases) {
            QCOMPARE(lookupServersFor(u"www.ab.com"_s, config, &*bootstrap, c.mode).join(u'|'),
                     QLatin1String(c.com));
            QCOMPARE(lookupServersFor(u"ab.net"_s, config, &*bootstrap, c.mode).join(u'|'),
                     QLatin1String(c.net));
            QCOMPARE(lookupServersFor(u"ab.zz"_s, config, &*bootstrap, c.mode).join(u'|'),
                     QLatin1String(c.zz));
        }
    }

    void commandLine()
    {
        LoopbackHttpServer server;
        serveRdap(server);
        TempDataFolder folder;
        WhoisConfig config;
        config.table.AddTldEntry(u"com"_s, u"127.0.0.1:1"_s, {});
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        folder.write(u"rdap-dns.json"_s,
                     R"({"services":[[["com","zz"],[")" + base(server).toLatin1() + R"("]]]})");
        const QString dir = "--data-dir=" + folder.path();
        struct Case {
            QStringList args;
            int exitCode;
            QByteArray out, err;
        };
        const Case cases[] = {
            {{dir, "--server", base(server), "www.example.com"}, 0, kPretty, "Done."},
            {{dir, "--rdap", "example.com"},
             0,
             kPretty,
             "Asking " + base(server).toLatin1() + " for example.com"},
            // A TLD without a row: the bootstrap's service, as a check would ask it.
            {{dir, "free.zz"}, 0, "", "HTTP 404 Status"},
            {{dir, "--rdap", "example.org"},
             1,
             "",
             "The RDAP bootstrap has no service for the domain supplied."},
            {{dir, "--rdap", "--server", base(server), "example.com"},
             2,
             "",
             "--rdap and --server exclude each other"},
            {{dir, "--server", "https://", "example.com"}, 2, "", "is not a usable http or https address"},
            {{dir, "--server", u"http://127.0.0.1:%1/"_s.arg(LoopbackWhoisServer::refusedPort()),
              "example.com"},
             1,
             "",
             "Error: Connection refused"},
        };
        for (const Case &c : cases) {
            QProcess cli;
            cli.start(QStringLiteral(QV_CLI_PATH), QStringList{"lookup"} + c.args);
            (void)QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 20000);
            const QByteArray err = cli.readAllStandardError();
            QVERIFY2(cli.exitCode() == c.exitCode, err.constData());
            QVERIFY2(err.contains(c.err), err.constData());
            QCOMPARE(cli.readAllStandardOutput(), c.out);
        }
    }
};

QTEST_GUILESS_MAIN(TestRdapLookup)
#include "tst_rdaplookup.moc"
