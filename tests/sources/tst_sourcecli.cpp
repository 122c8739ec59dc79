#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QProcess>
#include <QTest>

#include <sys/resource.h>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Waiting in the event loop keeps the loopback servers answering. With
// `addressSpace`, the program gets no more than that, and what it prints is dropped.
Run cli(const QStringList &args, rlim_t addressSpace = 0)
{
    QProcess p;
    if (addressSpace) {
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setChildProcessModifier([addressSpace] {
            const rlimit limit{addressSpace, addressSpace};
            ::setrlimit(RLIMIT_AS, &limit);
        });
    }
    p.start(QStringLiteral(QV_CLI_PATH), args);
    Run r;
    p.closeWriteChannel();
    if (!p.waitForStarted() || !QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// A data folder whose settings.ini sends .com to `server`, which calls every name free.
void writeSettings(const TempDataFolder &folder, LoopbackWhoisServer &server)
{
    WhoisConfig config;
    config.table.AddTldEntry("com", server.address(), QString());
    config.freeResponses = {"no match for"};
    ProgramOptions options;
    options.retry = false;
    ScriptedPrompter prompter;
    QVERIFY(SaveSettings(folder.path(), config, options, prompter));
    server.setHandler([](const QString &q) -> std::optional<LoopbackWhoisServer::Reply> {
        return LoopbackWhoisServer::Reply::text("No match for " + q.toLatin1() + "\r\n");
    });
}

QStringList reportDomains(const QByteArray &report)
{
    QStringList names;
    for (const QByteArray &line : report.split('\n').mid(1)) {
        if (!line.isEmpty())
            names << QString::fromLatin1(line.left(line.indexOf('|')));
    }
    names.sort();
    return names;
}

} // namespace

class TestSourceCli : public QObject
{
    Q_OBJECT
private slots:
    void generatorsAndUsageErrors()
    {
        TempDataFolder folder;
        folder.write("begin.txt", "Best\r\ntop\rbest\n\nmy shop\n");
        folder.write("end.txt", "shop\n");
        folder.write("brands.txt", "  AB.com \r\nbad_name.com\rab.com\n");
        const QStringList words{
            "generate", "keywords", "--begin", folder.file("begin.txt"), "--end", folder.file("end.txt")};
        const QStringList harvest{"harvest", "--data-dir", folder.path()};
        const struct {
            QStringList args;
            int exitCode;
            const char *out, *err;
        } cases[] = {
            {words + QStringList{"--tld", "aa,BB,aa", "--separator", "dash"}, 0,
             "best-shop.aa\nbest-shop.bb\ntop-shop.aa\ntop-shop.bb\n", ""},
            // Both spellings, dashed first; the repeated word's names once.
            {words + QStringList{"--tld", "aa"}, 0, "best-shop.aa\nbestshop.aa\ntop-shop.aa\ntopshop.aa\n",
             ""},
            {words + QStringList{"--tld", "aa", "--separator", "none"}, 0, "bestshop.aa\ntopshop.aa\n", ""},
            {words + QStringList{"--tld", " , "}, 2, "", "You must select at least one top level domain."},
            {words + QStringList{"--tld", "aa", "--separator", "dot"}, 2, "",
             "--separator takes none, dash or both"},
            {words + QStringList{"--tld", "1a"}, 1, "", "We could not generate any domains"},
            {{"generate", "typos", "--data-dir", folder.path(), folder.file("brands.txt")},
             0,
             "ab.com\nqb.com\nwb.com\nsb.com\nzb.com\nb.com\nav.com\nag.com\nah.com\nan.com\na.com\n",
             ""},
            {{"generate", "keywords", "--tld", "aa"}, 2, "", "at least one of --begin"},
            {{"generate", "keywords", "--tld", "aa", "--end", folder.file("none.txt")}, 2, "", "cannot read"},
            {{"generate", "anagrams"}, 2, "", ""},
            {harvest + QStringList{"--delay", "21", "k"}, 2, "",
             "--delay must be one of 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, "
             "20, 25, 30, 35, 40, 45, 50, 55, 60"},
            {harvest, 2, "", "There are no keywords to use."},
            {harvest + QStringList{"--keywords", "/nonexistent/keys.txt"}, 2, "", "cannot read"},
        };
        for (const auto &c : cases) {
            const Run r = cli(c.args);
            QVERIFY2(r.exitCode == c.exitCode, qPrintable(c.args.join(u' ')));
            QCOMPARE(r.out, c.out);
            QVERIFY2(r.err.contains(c.err), r.err.constData());
        }
        for (const char *generator : {"keywords", "typos"})
            QVERIFY(cli({"generate", generator, "--help"})
                        .out.startsWith("Usage: quorvane-cli generate " + QByteArray(generator)));
    }

    // Names are printed as they are made; a run that runs out of memory says so
    // and fails, with what it printed until then, instead of aborting.
    void keywordsOutOfMemoryEndWithAnError()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        TempDataFolder folder;
        QByteArray words;
        for (int i = 0; i < 3000; ++i)
            words += "w" + QByteArray::number(i) + '\n';
        folder.write("words.txt", words);
        const QString file = folder.file("words.txt");
        const Run r =
            cli({"generate", "keywords", "--begin", file, "--end", file, "--tld", "com"}, 128 << 20);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("out of memory after "), r.err.constData());
    }

    void checkExtractsBackOrderLists()
    {
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeSettings(folder, server);
        folder.write("drops.txt", "Dropping.com 2024-05-01\r\n7,first.com,x,second.com\r\nlone.com\r\n");
        const QStringList base{"check", "--data-dir", folder.path(), "--quiet"};
        const Run extract = cli(base + QStringList{"--extract", folder.file("drops.txt")});
        QCOMPARE(extract.exitCode, 0);
        QCOMPARE(reportDomains(extract.out).join(u' '), "dropping.com first.com second.com");
        const Run plain = cli(base + QStringList{folder.file("drops.txt")});
        QCOMPARE(reportDomains(plain.out).join(u' '), "lone.com");
    }

    void harvestPrintsTheFoundNames()
    {
        LoopbackHttpServer server;
        server.setHandler([](const QString &line) {
            if (line.contains(QLatin1String("q=alpha&")))
                return LoopbackHttpServer::Reply::page(
                    "HTTP/1.0 200 OK\r\n\r\n<a href=\"http://shop.aa.com/x\"><a href=\"http://bb.com\">"
                    "<img src=nav_next.gif>");
            return LoopbackHttpServer::Reply::page(
                "HTTP/1.0 200 OK\r\n\r\n<a href=\"http://www.bb.com/\"><a href=\"http://cc.net/\">");
        });
        TempDataFolder folder;
        folder.write("keys.txt", "Alpha\r\nbeta\n\n");
        const Run r = cli({"harvest", "--data-dir", folder.path(), "--host", server.address(), "--top", "10",
                           "--remove-subdomains", "--keywords", folder.file("keys.txt"), "ALPHA"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("aa.com\nbb.com\ncc.net\n"));
        // Each keyword once, one page of ten each (the top limit ends "alpha" despite its next link).
        QCOMPARE(server.requestLines().size(), 2);
        QVERIFY(server.requestLines()[0].contains(QLatin1String("q=alpha&start=0&num=10 ")));
        QVERIFY(server.requestLines()[1].contains(QLatin1String("q=beta&start=0&num=10 ")));
        QVERIFY2(r.err.contains("keyword 2/2"), r.err.constData());
        QVERIFY2(r.err.contains("3 domains found"), r.err.constData());
        QVERIFY2(r.err.endsWith("The search is done!\n"), r.err.constData());
    }
};

QV_TEST_GUILESS_MAIN(TestSourceCli)
#include "tst_sourcecli.moc"
