#include "sources/adddomain.h"
#include "sources/websearchwindow.h"
#include "sourcetesting.h"
#include "support/loopbackhttpserver.h"
#include "support/windowfixture.h"

using namespace harvesttexts;
using Reply = LoopbackHttpServer::Reply;

class TestWebSearchWindow : public QObject
{
    Q_OBJECT

    // The harvester's engine is the loopback server; the window's "export and
    // start checking" counts the runs it starts.
    struct Fixture : WindowFixture<WebSearchWindow> {
        LoopbackHttpServer server;
        int runsStarted = 0;
        bool skipAtStart = false;
        Fixture()
        {
            ctx.loadConfiguration();
            ctx.extra.setValue(kHarvestHostKey, server.address());
            open(ctx, [this] {
                ++runsStarted;
                skipAtStart = ctx.run.skipConfirmation;
            });
            window->harvester().setNextDelayMs(0);
            window->show();
        }
        ~Fixture() { window.reset(); } // before the server it talks to
        void addKeywords(const QStringList &keywords)
        {
            for (const QString &k : keywords) {
                setText("keywordEdit", k);
                click("addKeywordButton");
            }
        }
        void addToMain(QString name) { adddomain(ctx.list, ctx.run.suffixes, name); }
        bool searchEnded() const { return find<QPushButton>("startButton")->isEnabled(); }
    };

private slots:
    void stopAndCloseWhileRunning()
    {
        Fixture f;
        f.click("startButton");
        QCOMPARE(f.prompter.lastText(), u"There are no keywords to use."_s);
        f.server.setHandler([](const QString &) { return Reply::silence(); });
        f.addKeywords({"k"});
        f.click("startButton");
        QVERIFY(f.server.waitForRequests(1));
        f.click("closeButton");
        QTest::keyClick(f.window.get(), Qt::Key_Escape); // the same way as Close
        QCOMPARE(f.prompter.texts().mid(1),
                 QStringList(2, u"You need to stop the program before you can close this window."_s));
        QVERIFY(f.window->isVisible());
        f.click("stopButton");
        QCOMPARE(f.prompter.lastText(), u"The program has been stopped."_s);
        QVERIFY(f.searchEnded());
    }

    void exportAndStartChecking()
    {
        Fixture f;
        f.server.setHandler([](const QString &) {
            return Reply::page(resultPage({"http://xx.com", "http://yy.net"}));
        });
        f.addKeywords({"k"});
        f.addToMain(u"yy.net"_s);
        f.window->setExportWhenDone(true);

        // In wizard mode the box is refused with its message, and the search still runs.
        f.ctx.wizardMode = true;
        f.click("startButton");
        QCOMPARE(f.prompter.log().first().text,
                 QStringLiteral("You can't export the domains to the main list and start checking them when "
                                "done as long as you are in the Wizard mode.\r\n\r\nClose the Quick Start "
                                "Wizard to enable this function."));
        QCOMPARE(f.prompter.log().first().kind, ScriptedPrompter::Kind::Warn);
        QVERIFY(!f.find<QCheckBox>("exportCheck")->isChecked());
        QTRY_VERIFY(f.searchEnded());
        QCOMPARE(f.prompter.lastText(), u"The search is done!"_s);

        f.ctx.wizardMode = false;
        f.window->harvester().found().clear();
        f.window->setExportWhenDone(true);
        f.prompter.clearLog();
        f.click("startButton");
        QTRY_VERIFY(!f.window->isVisible());
        QVERIFY(f.prompter.log().isEmpty()); // no message, no question
        QCOMPARE(f.runsStarted, 1);
        QVERIFY(f.skipAtStart);
        QCOMPARE(f.ctx.list.size(), 2);
        QCOMPARE(f.ctx.list.rowAt(1).cells[ColDomain], u"xx.com"_s);
        QVERIFY(f.window->harvester().found().isEmpty());
    }
};

QV_TEST_MAIN(TestWebSearchWindow)
#include "tst_websearchwindow.moc"
