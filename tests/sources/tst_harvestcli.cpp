#include "support/loopbackhttpserver.h"
#include "support/tempdatafolder.h"

#include <QProcess>
#include <QTest>

using Reply = LoopbackHttpServer::Reply;

namespace {

// Runs quorvane-cli harvest; this thread's event loop keeps the server going meanwhile.
bool runHarvest(QProcess &p, const TempDataFolder &folder, const QStringList &args)
{
    p.start(QStringLiteral(QV_CLI_PATH), QStringList{"harvest", "--data-dir", folder.path()} + args);
    if (!p.waitForStarted())
        return false;
    return QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 30000);
}

} // namespace

class TestHarvestCli : public QObject
{
    Q_OBJECT
private slots:
    void printsTheFoundNames()
    {
        LoopbackHttpServer server;
        server.setHandler([](const QString &line) {
            if (line.contains(QLatin1String("q=alpha&")))
                return Reply::page(
                    "HTTP/1.0 200 OK\r\n\r\n<a href=\"http://shop.aa.com/x\"><a href=\"http://bb.com\">"
                    "<img src=nav_next.gif>");
            return Reply::page(
                "HTTP/1.0 200 OK\r\n\r\n<a href=\"http://www.bb.com/\"><a href=\"http://cc.net/\">");
        });
        TempDataFolder folder;
        folder.write("keys.txt", "Alpha\r\nbeta\n\n");
        QProcess p;
        QVERIFY(runHarvest(p, folder,
                           {"--host", server.address(), "--top", "10", "--remove-subdomains", "--keywords",
                            folder.file("keys.txt"), "ALPHA"}));
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput(), QByteArray("aa.com\nbb.com\ncc.net\n"));
        // Each keyword once, one page of ten each (the top limit ends "alpha" despite its next link).
        QCOMPARE(server.requestLines().size(), 2);
        QVERIFY(server.requestLines()[0].contains(QLatin1String("q=alpha&start=0&num=10 ")));
        QVERIFY(server.requestLines()[1].contains(QLatin1String("q=beta&start=0&num=10 ")));
        QVERIFY2(err.contains("keyword 2/2"), err.constData());
        QVERIFY2(err.contains("3 domains found"), err.constData());
        QVERIFY2(err.endsWith("The search is done!\n"), err.constData());
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("delay not a choice")
            << QStringList{"--delay", "21", "k"}
            << "--delay must be one of 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, "
               "14, 15, 16, 17, 18, 19, 20, 25, 30, 35, 40, 45, 50, 55, 60";
        QTest::newRow("no keyword") << QStringList{} << "There are no keywords to use.";
        QTest::newRow("unreadable file")
            << QStringList{"--keywords", "/nonexistent/keys.txt"} << "cannot read";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        TempDataFolder folder;
        QProcess p;
        QVERIFY(runHarvest(p, folder, args));
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHarvestCli)
#include "tst_harvestcli.moc"
