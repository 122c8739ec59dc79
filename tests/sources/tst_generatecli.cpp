#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QProcess>
#include <QTest>

using Reply = LoopbackWhoisServer::Reply;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(QV_CLI_PATH), args);
    Run r;
    p.closeWriteChannel();
    // Waiting in the event loop keeps the loopback server answering.
    if (!p.waitForStarted() || !QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000))
        return r;
    r.exitCode = p.exitCode();
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
    server.setHandler([](const QString &q) -> std::optional<Reply> {
        return Reply::text("No match for " + q.toLatin1() + "\r\n");
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

class TestGenerateCli : public QObject
{
    Q_OBJECT
private slots:
    void keywords()
    {
        TempDataFolder folder;
        folder.write("begin.txt", "Best\r\ntop\rbest\n\nmy shop\n");
        folder.write("end.txt", "shop\n");
        const QStringList words{
            "generate", "keywords", "--begin", folder.file("begin.txt"), "--end", folder.file("end.txt")};
        const struct {
            QStringList args;
            int exitCode;
            const char *out, *err;
        } cases[] = {
            {{"--tld", "aa,BB,aa", "--separator", "dash"},
             0,
             "best-shop.aa\nbest-shop.bb\ntop-shop.aa\ntop-shop.bb\n",
             ""},
            // Both spellings, dashed first; the repeated word's names once.
            {{"--tld", "aa"}, 0, "best-shop.aa\nbestshop.aa\ntop-shop.aa\ntopshop.aa\n", ""},
            {{"--tld", "aa", "--separator", "none"}, 0, "bestshop.aa\ntopshop.aa\n", ""},
            {{"--tld", " , "}, 2, "", "You must select at least one top level domain."},
            {{"--tld", "aa", "--separator", "dot"}, 2, "", "--separator takes none, dash or both"},
            {{"--tld", "1a"}, 1, "", "We could not generate any domains"},
        };
        for (const auto &c : cases) {
            const Run r = cli(words + c.args);
            QCOMPARE(r.exitCode, c.exitCode);
            QCOMPARE(r.out, c.out);
            QVERIFY2(r.err.contains(c.err), r.err.constData());
        }
        const Run noWords = cli({"generate", "keywords", "--tld", "aa"});
        QVERIFY(noWords.exitCode == 2 && noWords.err.contains("at least one of --begin"));
        const Run missing = cli({"generate", "keywords", "--tld", "aa", "--end", folder.file("none.txt")});
        QVERIFY(missing.exitCode == 2 && missing.err.contains("cannot read"));
        for (const char *generator : {"keywords", "typos"}) {
            const Run help = cli({"generate", generator, "--help"});
            QVERIFY(help.exitCode == 0 &&
                    help.out.startsWith("Usage: quorvane-cli generate " + QByteArray(generator)));
        }
        QCOMPARE(cli({"generate", "anagrams"}).exitCode, 2);
    }

    void typosIntoACheckRun()
    {
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeSettings(folder, server);
        folder.write("brands.txt", "  AB.com \r\nbad_name.com\rab.com\n");
        const Run typos = cli({"generate", "typos", "--data-dir", folder.path(), folder.file("brands.txt")});
        QCOMPARE(typos.exitCode, 0);
        QCOMPARE(typos.out,
                 "ab.com\nqb.com\nwb.com\nsb.com\nzb.com\nb.com\nav.com\nag.com\nah.com\nan.com\na.com\n");

        // generate typos brands.txt | check -: the one-letter names fail the check's name test.
        QProcess generate;
        QProcess check;
        generate.setStandardOutputProcess(&check);
        check.start(QStringLiteral(QV_CLI_PATH), {"check", "--data-dir", folder.path(), "--quiet", "-"});
        generate.start(QStringLiteral(QV_CLI_PATH),
                       {"generate", "typos", "--data-dir", folder.path(), folder.file("brands.txt")});
        QVERIFY(QTest::qWaitFor([&] { return check.state() == QProcess::NotRunning; }, 20000));
        QCOMPARE(check.exitCode(), 0);
        QCOMPARE(reportDomains(check.readAllStandardOutput()).join(u' '),
                 "ab.com ag.com ah.com an.com av.com qb.com sb.com wb.com zb.com");
        QCOMPARE(server.queryCount(), 9);
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
};

QTEST_GUILESS_MAIN(TestGenerateCli)
#include "tst_generatecli.moc"
