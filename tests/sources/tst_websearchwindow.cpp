#include "sources/websearchwindow.h"

#include "engine/appcontext.h"
#include "sources/adddomain.h"
#include "support/loopbackhttpserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLatin1String>
#include <QLineEdit>
#include <QListView>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>

#include <memory>

using namespace harvesttexts;
using Reply = LoopbackHttpServer::Reply;

namespace {

QByteArray resultPage(const QStringList &links)
{
    QByteArray page = "HTTP/1.0 200 OK\r\n\r\n";
    for (const QString &link : links)
        page += "<a href=\"" + link.toLatin1() + "\">r</a>";
    return page;
}

QStringList listTexts(const QListView *view)
{
    QStringList out;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        out << view->model()->index(row, 0).data().toString();
    return out;
}

} // namespace

class TestWebSearchWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<WebSearchWindow> m_window;
    int m_runsStarted = 0;
    bool m_skipAtStart = false;

    template <typename T> T *child(const char *name) const
    {
        T *found = m_window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    QString label(const char *name) const { return child<QLabel>(name)->text(); }
    void addKeywords(const QStringList &keywords)
    {
        for (const QString &k : keywords) {
            child<QLineEdit>("keywordEdit")->setText(k);
            click("addKeywordButton");
        }
    }
    void addToMain(QString name) { adddomain(m_context->list, m_context->run.suffixes, name); }
    bool searchEnded() const { return child<QPushButton>("startButton")->isEnabled(); }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_context = std::make_unique<AppContext>(m_folder->path(), *m_prompter);
        m_context->loadConfiguration();
        m_server = std::make_unique<LoopbackHttpServer>();
        m_context->extra.setValue(kHarvestHostKey, m_server->address());
        m_runsStarted = 0;
        m_window = std::make_unique<WebSearchWindow>(*m_context, [this] {
            ++m_runsStarted;
            m_skipAtStart = m_context->run.skipConfirmation;
        });
        m_window->harvester().setNextDelayMs(0);
        m_window->show();
    }

    void cleanup()
    {
        QVERIFY(m_prompter->allAnswersUsed());
        m_window.reset();
        m_server.reset();
        m_context.reset();
    }

    void keywordList()
    {
        auto *edit = child<QLineEdit>("keywordEdit");
        addKeywords({"Cheap Flights", "", "cheap flights"});
        edit->setText(QStringLiteral("Hotel"));
        QTest::keyClick(edit, Qt::Key_Return); // Enter adds too
        QVERIFY(edit->text().isEmpty());
        // Any line end; spaces around a keyword dropped; blank lines skipped; listed ones refused.
        m_folder->write("keys.txt", "  Car Rental \r\nhotel\rboats\n\n   \r\nlast");
        m_prompter->queueFile(m_folder->file("keys.txt"));
        click("loadKeywordsButton");
        m_prompter->queueFile(QString()); // cancelled
        click("loadKeywordsButton");
        auto *list = child<QListView>("keywordList");
        QCOMPARE(listTexts(list), (QStringList{"cheap flights", "hotel", "car rental", "boats", "last"}));

        list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
        list->selectionModel()->select(list->model()->index(3, 0), QItemSelectionModel::Select);
        click("deleteKeywordsButton");
        QCOMPARE(listTexts(list), (QStringList{"hotel", "car rental", "last"}));

        m_prompter->queueAnswer(false);
        click("clearKeywordsButton");
        QCOMPARE(m_window->keywords().size(), 3);
        QVERIFY(!m_prompter->log().last().defaultYes);
        m_prompter->queueAnswer(true);
        click("clearKeywordsButton");
        click("clearKeywordsButton"); // an empty list asks nothing
        QCOMPARE(m_window->keywords().size(), 0);
        QCOMPARE(m_prompter->lastText(),
                 QStringLiteral("Are you sure that you would like to clear the list?"));
    }

    // The boxes are the options: the next window opens as this one was left.
    void optionsAreTheBoxes()
    {
        auto *top = child<QComboBox>("topResultsCombo");
        QCOMPARE(top->currentText() + u' ' + child<QComboBox>("delayCombo")->currentText(),
                 QStringLiteral("100 3"));
        top->setCurrentIndex(4);
        child<QComboBox>("delayCombo")->setCurrentIndex(20);
        for (const char *box : {"topOnlyCheck", "removeSubdomainsCheck", "exportCheck"})
            child<QCheckBox>(box)->setChecked(!child<QCheckBox>(box)->isChecked());
        WebSearchWindow next(*m_context);
        QString state;
        for (const char *name : {"topResultsCombo", "delayCombo"})
            state += next.findChild<QComboBox *>(QLatin1String(name))->currentText() + u' ';
        for (const char *box : {"topOnlyCheck", "removeSubdomainsCheck", "exportCheck"})
            state += QString::number(next.findChild<QCheckBox *>(QLatin1String(box))->isChecked());
        QCOMPARE(state, QStringLiteral("50 25 111"));
    }

    void searchWithoutExport()
    {
        click("startButton");
        QCOMPARE(m_prompter->lastText(), QStringLiteral("There are no keywords to use."));

        m_server->setHandler([](const QString &line) {
            return Reply::page(line.contains(QLatin1String("q=one"))
                                   ? resultPage({"http://www.bb.com/", "http://aa.com/x"})
                                   : resultPage({"http://aa.com/", "http://cc.com"}));
        });
        addKeywords({"one", "two"});
        child<QCheckBox>("exportCheck")->setChecked(false);
        click("startButton");
        QVERIFY(!child<QPushButton>("startButton")->isEnabled());
        QTRY_VERIFY(searchEnded());
        QCOMPARE(m_prompter->lastText(), QStringLiteral("The search is done!"));
        QCOMPARE(listTexts(child<QListView>("foundList")), (QStringList{"bb.com", "aa.com", "cc.com"}));
        QCOMPARE(label("keywordStatus"), QStringLiteral("keyword 2/2"));
        QCOMPARE(label("foundStatus"), QStringLiteral("3 domains found"));
        QCOMPARE(label("receivedStatus"), QStringLiteral("0 kB received"));
        QCOMPARE(m_runsStarted, 0);

        // Save to file: one name a line, CR LF.
        m_prompter->queueFile(m_folder->file("found.txt"));
        click("saveFoundButton");
        QCOMPARE(m_folder->read("found.txt"), QByteArray("bb.com\r\naa.com\r\ncc.com\r\n"));

        // Close offers the names; Yes adds them to the main list in order.
        addToMain(QStringLiteral("aa.com"));
        m_prompter->queueAnswer(true);
        click("closeButton");
        QCOMPARE(m_prompter->lastText(),
                 QStringLiteral(
                     "Would you like to add the 3 valid domains to the list of domains to be checked?"));
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_context->list.size(), 3);
        QCOMPARE(m_context->list.rowAt(1).cells[ColDomain] + u' ' + m_context->list.rowAt(2).cells[ColDomain],
                 QStringLiteral("bb.com cc.com"));
    }

    void stopAndCloseWhileRunning()
    {
        m_server->setHandler([](const QString &) { return Reply::silence(); });
        addKeywords({"k"});
        click("startButton");
        QVERIFY(m_server->waitForRequests(1));
        click("closeButton");
        QCOMPARE(m_prompter->lastText(),
                 QStringLiteral("You need to stop the program before you can close this window."));
        QTest::keyClick(m_window.get(), Qt::Key_Escape); // the same way as Close
        QCOMPARE(m_prompter->count(ScriptedPrompter::Kind::Warn), 2);
        QVERIFY(m_window->isVisible());
        click("stopButton");
        QCOMPARE(m_prompter->lastText(), QStringLiteral("The program has been stopped."));
        QVERIFY(searchEnded());

        // Export to main hands the found names over and empties the list: Close offers nothing.
        KeyedListModel &found = m_window->harvester().found();
        found.add(QStringLiteral("one.com"));
        found.add(QStringLiteral("two.com"));
        QCOMPARE(label("foundStatus"), QStringLiteral("2 domains found"));
        click("exportFoundButton");
        QCOMPARE(m_context->list.size(), 2);
        QCOMPARE(label("foundStatus"), QStringLiteral("0 domains found"));
        click("closeButton");
        QVERIFY(!m_window->isVisible());
    }

    void exportAndStartChecking()
    {
        m_server->setHandler([](const QString &) {
            return Reply::page(resultPage({"http://xx.com", "http://yy.net"}));
        });
        addKeywords({"k"});
        addToMain(QStringLiteral("yy.net"));
        m_window->setExportWhenDone(true);

        // In wizard mode the box is refused with its message, and the search still runs.
        m_context->wizardMode = true;
        click("startButton");
        QCOMPARE(m_prompter->log().first().text,
                 QStringLiteral("You can't export the domains to the main list and start checking them when "
                                "done as long as you are in the Wizard mode.\r\n\r\nClose the Quick Start "
                                "Wizard to enable this function."));
        QCOMPARE(m_prompter->log().first().kind, ScriptedPrompter::Kind::Warn);
        QVERIFY(!child<QCheckBox>("exportCheck")->isChecked());
        QTRY_VERIFY(searchEnded());
        QCOMPARE(m_prompter->lastText(), QStringLiteral("The search is done!"));

        m_context->wizardMode = false;
        m_window->harvester().found().clear();
        m_window->setExportWhenDone(true);
        m_prompter->clearLog();
        click("startButton");
        QTRY_VERIFY(!m_window->isVisible());
        QVERIFY(m_prompter->log().isEmpty()); // no message, no question
        QCOMPARE(m_runsStarted, 1);
        QVERIFY(m_skipAtStart);
        QCOMPARE(m_context->list.size(), 2);
        QCOMPARE(m_context->list.rowAt(1).cells[ColDomain], QStringLiteral("xx.com"));
        QVERIFY(m_window->harvester().found().isEmpty());
    }
};

QV_TEST_MAIN(TestWebSearchWindow)
#include "tst_websearchwindow.moc"
