#include "listops/standbywindow.h"
#include "sources/adddomain.h"
#include "sources/domainsourceswindow.h"
#include "sources/keywordgeneratorwindow.h"
#include "sources/misspellings.h"
#include "sources/namelistmodel.h"
#include "sources/websearchwindow.h"
#include "sourcetesting.h"
#include "support/loopbackhttpserver.h"
#include "support/windowfixture.h"

using namespace harvesttexts;
using Reply = LoopbackHttpServer::Reply;

namespace {

QWidget *standByWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<StandByWindow *>(w))
            return w;
    }
    return nullptr;
}

} // namespace

class TestSourceWindows : public QObject
{
    Q_OBJECT

    // The main window, shown; the source windows open over it.
    struct Fixture : MainWindowFixture {
        Fixture()
            : MainWindowFixture(false)
        {
            window->show();
        }
        ~Fixture()
        {
            window.reset();
            QVERIFY(!standByWindow());
        }
        // Opens "Add domains" and picks the source behind `button`; `then` acts on the windows that open
        // next until it returns true.
        bool pickSource(const char *button, const std::function<bool(QWidget *)> &then = {})
        {
            bool picked = false, done = !then;
            whileOpen([this] { window->openDomainSources(); },
                      [&](QWidget *w) {
                          if (!picked && w->windowTitle() == kDomainSourcesCaption) {
                              picked = true;
                              w->findChild<QPushButton *>(QLatin1String(button))->click();
                          } else if (picked && !done) {
                              done = then(w);
                          }
                      });
            return picked && done;
        }
    };

    // The harvester's engine is the loopback server; the window's "export and
    // start checking" counts the runs it starts.
    struct SearchFixture : WindowFixture<WebSearchWindow> {
        LoopbackHttpServer server;
        int runsStarted = 0;
        bool skipAtStart = false;
        SearchFixture()
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
        ~SearchFixture() { window.reset(); } // before the server it talks to
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
    void sourcesWindowOpensTheChosenWindowAfterClosing()
    {
        Fixture f;
        f.ctx.config.table.AddTldEntry("org.au", "whois.example", QString());
        f.ctx.run.suffixes.clear();
        captionOfModalOpenedBy([&] { f.window->openDomainSources(); });
        QCOMPARE(f.ctx.run.suffixes.getext("ab.org.au"), "org.au"); // the suffix list was rebuilt

        const struct {
            const char *button, *caption;
            bool wizard;
        } rows[] = {{"manualButton", "Add domains manually", false},
                    {"misspellingsButton", "Generate Misspelled Domains", false},
                    {"keywordsButton", "Generate domains based on keywords", false},
                    // The harvester's "export and start checking" box starts ticked, except in wizard mode.
                    {"webSearchButton", "Internet Domain Searcher", false},
                    {"webSearchButton", "Internet Domain Searcher", true}};
        for (const auto &r : rows) {
            f.ctx.wizardMode = r.wizard;
            bool sourcesGone = false;
            bool exportTicked = !r.wizard;
            QVERIFY(f.pickSource(r.button, [&](QWidget *w) {
                if (w->windowTitle() != QLatin1String(r.caption))
                    return false;
                sourcesGone = !f.window->findChild<DomainSourcesWindow *>();
                if (auto *check = child<QCheckBox>(w, "exportCheck"))
                    exportTicked = check->isChecked();
                // The keyword generator's own Close keeps it; the others go with their close box.
                if (auto *keywords = qobject_cast<KeywordGeneratorWindow *>(w))
                    keywords->closeWindow();
                else
                    w->close();
                return true;
            }));
            QVERIFY2(sourcesGone, r.button);
            QCOMPARE(exportTicked, !r.wizard);
        }
        f.ctx.wizardMode = false;
        // The keyword generator got the table's TLDs on top of what it had.
        QVERIFY(f.window->keywordGenerator().tldList().contains(u"org.au"));
    }

    // The status bar tells the names taken and the lines rejected.
    void importFromFile()
    {
        const std::pair<const char *, const char *> rows[] = {
            {"loadFileButton", "; 2500 lines were not valid names"}, {"extractFileButton", ""}};
        for (const auto &[button, rejected] : rows) {
            Fixture f;
            QByteArray file;
            for (int i = 0; i < 2500; ++i)
                file += (rejected[0] ? u"NAME%1.com\r\nbad_%1\r\n"_s : u"name%1.com 2024-05-01\n"_s)
                            .arg(i)
                            .toUtf8();
            f.folder.write("list.txt", file);
            f.prompter.queueFile(f.folder.file("list.txt"));
            QVERIFY(f.pickSource(button));
            QCOMPARE(f.ctx.list.rowCount(), 2500);
            QCOMPARE(f.ctx.list.rowAt(0).cells[ColDomain], "name0.com");
            QCOMPARE(f.prompter.log().size(), 1); // the file choice; no message reports the end
            QCOMPARE(f.panel(5), "Added 2500 names from list.txt" + QLatin1String(rejected) + ".");
            QCOMPARE(f.prompter.lastText(), "Text files (*.txt)|*.txt|All files (*.*)|*.*");
            QVERIFY(!f.window->findChild<DomainSourcesWindow *>());
        }
    }

    void importEndsCleanlyOnEveryPath()
    {
        Fixture f;
        f.prompter.queueFile(QString()); // cancelled
        QVERIFY(f.pickSource("loadFileButton"));
        f.prompter.queueFile(f.folder.file("missing.txt"));
        QVERIFY(f.pickSource("extractFileButton"));
        QVERIFY(f.prompter.lastText().startsWith("The file " + f.folder.file("missing.txt") +
                                                 " could not be read ("));
        QCOMPARE(f.ctx.list.size(), 0);
    }

    void keywordGenerator()
    {
        Fixture f;
        KeywordGeneratorWindow w(f.ctx, KeywordSeparator::Both, f.window.get());
        w.show();
        w.addTlds({"AA", "bb", "aa"});
        QCOMPARE(joinedNames(w.tldList()), "aa,bb");
        auto *generate = child<QPushButton>(&w, "generateButton");

        generate->click();
        QCOMPARE(f.prompter.lastText(), kSelectTldText);
        child<QPushButton>(&w, "selectAllButton")->click();
        generate->click();
        QCOMPARE(f.prompter.lastText(), kEnterWordsText);

        child<QPlainTextEdit>(&w, "beginningBox")->setPlainText("Best\ntop");
        child<QPlainTextEdit>(&w, "endBox")->setPlainText("shop");
        child<QRadioButton>(&w, "hyph1")->click();
        generate->click();
        QCOMPARE(f.prompter.lastText(), "We have successfully generated 4 domains for you!");
        f.prompter.queueFile(f.folder.file("saved.txt"));
        child<QPushButton>(&w, "saveGeneratedButton")->click();
        QCOMPARE(f.folder.read("saved.txt"),
                 "best-shop.aa\r\nbest-shop.bb\r\ntop-shop.aa\r\ntop-shop.bb\r\n");

        // Close offers the names, hands them over, and only hides the window.
        f.prompter.queueAnswer(true);
        child<QPushButton>(&w, "closeButton")->click();
        QCOMPARE(f.prompter.lastText(),
                 "Would you like to add the generated domains to the list of domains to be checked?");
        QVERIFY(w.isHidden());
        QCOMPARE(QString::number(f.ctx.list.size()) + u'|' + QString::number(w.generatedList().size()) +
                     u'|' + child<QPlainTextEdit>(&w, "endBox")->toPlainText(),
                 "4|0|shop");

        // Words that give no valid name: the list stays empty and the user learns why.
        w.show();
        child<QPlainTextEdit>(&w, "beginningBox")->setPlainText("my shop");
        child<QPlainTextEdit>(&w, "endBox")->clear();
        generate->click();
        QCOMPARE(f.prompter.lastText(), kNoKeywordDomainsText);

        w.closeWindow(); // nothing left to offer
    }

    void stopAndCloseWhileRunning()
    {
        SearchFixture f;
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
        SearchFixture f;
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

QV_TEST_MAIN(TestSourceWindows)
#include "tst_sourcewindows.moc"
