#include "support/clirun.h"
#include "support/loopbackhttpserver.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QTest>

#include <sys/resource.h>

class TestSourceCli : public QObject
{
    Q_OBJECT
private slots:
    void generators()
    {
        TempDataFolder folder;
        folder.write("begin.txt", "Best\r\ntop\rbest\n\nmy shop\n");
        folder.write("end.txt", "shop\n");
        folder.write("brands.txt", "  AB.com \r\nbad_name.com\rab.com\n");
        const QStringList words{"generate", "keywords", "--begin", "$/begin.txt", "--end", "$/end.txt"};
        const std::tuple<QStringList, int, QByteArray, QByteArray> rows[] = {
            // arguments, exit code, out, err
            {words + QStringList{"--tld", "aa,BB,aa", "--separator", "dash"}, 0,
             "best-shop.aa\nbest-shop.bb\ntop-shop.aa\ntop-shop.bb\n", ""}, // the TLDs once
            {words + QStringList{"--tld", "1a"}, 1, "", "We could not generate any domains"},
            {{"generate", "keywords", "--tld", "aa", "--end", "$/none.txt"}, 2, "", "cannot read"},
            {{"generate", "typos", "--data-dir", "$", "$/brands.txt"},
             0,
             "ab.com\nqb.com\nwb.com\nsb.com\nzb.com\nb.com\nav.com\nag.com\nah.com\nan.com\na.com\n",
             ""},
            {{"harvest", "--data-dir", "$", "--keywords", "$/k.txt"}, 2, "", "cannot read"},
        };
        for (const auto &[rowArgs, exitCode, out, err] : rows) {
            QStringList args = rowArgs;
            for (QString &arg : args)
                arg.replace(u'$', folder.path());
            const CliRun r = runCli(args);
            QVERIFY2(r.exitCode == exitCode, qPrintable(args.join(u' ')));
            QCOMPARE(r.out, out);
            QVERIFY2(r.err.contains(err), r.err.constData());
        }
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
        const CliRun r = runCli({"generate", "keywords", "--begin", file, "--end", file, "--tld", "com"}, {},
                                {}, [](QProcess &p) {
                                    p.setStandardOutputFile(QProcess::nullDevice());
                                    p.setChildProcessModifier([] {
                                        const rlim_t bytes = 128 << 20;
                                        const rlimit limit{bytes, bytes};
                                        ::setrlimit(RLIMIT_AS, &limit);
                                    });
                                });
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("out of memory after "), r.err.constData());
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
        const CliRun r =
            runCli({"harvest", "--data-dir", folder.path(), "--host", server.address(), "--top", "10",
                    "--remove-subdomains", "--keywords", folder.file("keys.txt"), "ALPHA"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("aa.com\nbb.com\ncc.net\n"));
        // Each keyword once, one page of ten each (the top limit ends "alpha" despite its next link).
        QCOMPARE(server.requestLines().size(), 2);
        QVERIFY(server.requestLines()[0].contains(QLatin1String("q=alpha&start=0&num=10 ")));
        QVERIFY(server.requestLines()[1].contains(QLatin1String("q=beta&start=0&num=10 ")));
        for (const char *progress : {"keyword 2/2", "3 domains found", "The search is done!\n"})
            QVERIFY2(r.err.contains(progress), r.err.constData());
    }
};

QV_TEST_GUILESS_MAIN(TestSourceCli)
#include "tst_sourcecli.moc"
