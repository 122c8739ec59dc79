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
    void searchWithoutExport()
    {
        Fixture f;
        f.click("startButton");
        QCOMPARE(f.prompter.lastText(), u"There are no keywords to use."_s);

        f.server.setHandler([](const QString &line) {
            return Reply::page(line.contains(QLatin1String("q=one"))
                                   ? resultPage({"http://www.bb.com/", "http://aa.com/x"})
                                   : resultPage({"http://aa.com/", "http://cc.com"}));
        });
        f.addKeywords({"one", "two"});
        f.find<QCheckBox>("exportCheck")->setChecked(false);
        f.click("startButton");
        QTRY_VERIFY(f.searchEnded());
        QCOMPARE(f.prompter.lastText(), u"The search is done!"_s);
        QCOMPARE(f.window->harvester().found().items(), (QStringList{"bb.com", "aa.com", "cc.com"}));
        QCOMPARE(f.text("keywordStatus") + u'|' + f.text("foundStatus") + u'|' + f.text("receivedStatus"),
                 u"keyword 2/2|3 domains found|0 kB received"_s);
        QCOMPARE(f.runsStarted, 0);

        // Close offers the names; Yes adds them to the main list in order.
        f.addToMain(u"aa.com"_s);
        f.prompter.queueAnswer(true);
        f.click("closeButton");
        QCOMPARE(f.prompter.lastText(),
                 QStringLiteral(
                     "Would you like to add the 3 valid domains to the list of domains to be checked?"));
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.ctx.list.size(), 3);
        QCOMPARE(f.ctx.list.rowAt(1).cells[ColDomain] + u' ' + f.ctx.list.rowAt(2).cells[ColDomain],
                 u"bb.com cc.com"_s);
    }

    void stopAndCloseWhileRunning()
    {
        Fixture f;
        f.server.setHandler([](const QString &) { return Reply::silence(); });
        f.addKeywords({"k"});
        f.click("startButton");
        QVERIFY(f.server.waitForRequests(1));
        f.click("closeButton");
        QCOMPARE(f.prompter.lastText(), u"You need to stop the program before you can close this window."_s);
        QTest::keyClick(f.window.get(), Qt::Key_Escape); // the same way as Close
        QCOMPARE(f.prompter.count(ScriptedPrompter::Kind::Warn), 2);
        QVERIFY(f.window->isVisible());
        f.click("stopButton");
        QCOMPARE(f.prompter.lastText(), u"The program has been stopped."_s);
        QVERIFY(f.searchEnded());

        // Export to main hands the found names over and empties the list: Close offers nothing.
        KeyedListModel &found = f.window->harvester().found();
        found.add(u"one.com"_s);
        found.add(u"two.com"_s);
        QCOMPARE(f.text("foundStatus"), u"2 domains found"_s);
        f.click("exportFoundButton");
        QCOMPARE(f.ctx.list.size(), 2);
        QCOMPARE(f.text("foundStatus"), u"0 domains found"_s);
        f.click("closeButton");
        QVERIFY(!f.window->isVisible());
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
