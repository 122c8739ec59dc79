#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "engine/checkengine.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>

#include <memory>

using Reply = LoopbackWhoisServer::Reply;

// A check run driven from the window as a user drives it: names in the list,
// Start, the running look, then the rebuilt list with its colours and counters.
class TestGuiRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startRunsToCompletionAndRebuildsTheList();
    void stopMidRunBringsEveryNameBack();

private:
    void addNames(const QStringList &names);
    QString panel(int n) const;

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<LoopbackWhoisServer> m_server;
};

void TestGuiRun::init()
{
    m_folder = std::make_unique<TempDataFolder>();
    m_prompter = std::make_unique<ScriptedPrompter>();
    m_context = std::make_unique<AppContext>(m_folder->path(), *m_prompter);
    m_context->options.hideWizard = true;
    m_window = std::make_unique<MainWindow>(*m_context, [](const QUrl &) {});
    m_window->startUp();
    m_server = std::make_unique<LoopbackWhoisServer>();
    QVERIFY(m_server->isListening());
    // The one TLD of these tests answers on the loopback server.
    m_context->config.table.clear();
    QVERIFY(m_context->config.table.AddTldEntry(QStringLiteral("test"), m_server->address(), QString()));
}

void TestGuiRun::cleanup()
{
    QCOMPARE(m_prompter->unansweredQuestions(), 0);
    QVERIFY(m_prompter->allAnswersUsed());
    m_window->engine().allstopper();
    m_window.reset();
    m_context.reset();
    m_server.reset();
}

void TestGuiRun::addNames(const QStringList &names)
{
    for (const QString &n : names) {
        DomainRow row;
        row.cells[ColDomain] = n;
        m_context->list.addRow(n, row);
    }
}

QString TestGuiRun::panel(int n) const
{
    auto *label = m_window->findChild<QLabel *>(QStringLiteral("panel%1").arg(n));
    return label ? label->text() : QString();
}

void TestGuiRun::startRunsToCompletionAndRebuildsTheList()
{
    m_server->onQuery(QStringLiteral("free.test"), Reply::text("No match for \"FREE.TEST\".\r\n"));
    m_server->onQuery(QStringLiteral("taken.test"),
                      Reply::text("Domain: taken.test\r\nExpiration Date: 2099-03-05\r\nStatus: active\r\n"));
    m_server->onQuery(QStringLiteral("busy.test"), Reply::text("Whois limit exceeded\r\n"));
    addNames({QStringLiteral("free.test"), QStringLiteral("taken.test"), QStringLiteral("busy.test")});
    m_context->options.retry = false;
    m_window->optionsChanged();

    m_prompter->queueAnswer(true); // "Are you ready to start?"
    m_window->action(QStringLiteral("Starts1"))->trigger();

    QVERIFY(m_window->engine().running());
    QVERIFY(!m_window->listView()->isVisibleTo(m_window.get()));
    QVERIFY(!m_window->action(QStringLiteral("toolAdd"))->isEnabled());
    QVERIFY(m_window->action(QStringLiteral("Stops1"))->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(m_prompter->texts().contains(QStringLiteral("The program is done!")), 10000);
    QVERIFY(!m_window->engine().running());
    QVERIFY(m_window->listView()->isVisibleTo(m_window.get()));
    QVERIFY(m_window->action(QStringLiteral("toolAdd"))->isEnabled());

    QCOMPARE(m_context->list.size(), 3);
    const DomainRow &free = m_context->list.rowAt(m_context->list.rowOfKey(QStringLiteral("free.test")));
    QCOMPARE(free.cells[ColAvailability], QStringLiteral("FREE"));
    QCOMPARE(int(free.colour), int(ColourGreen));
    QVERIFY(free.bold);
    const DomainRow &taken = m_context->list.rowAt(m_context->list.rowOfKey(QStringLiteral("taken.test")));
    QCOMPARE(taken.cells[ColAvailability], QStringLiteral("Taken"));
    QCOMPARE(taken.cells[ColExpiration], QStringLiteral("05-03-99"));
    QCOMPARE(taken.cells[ColInformation], QStringLiteral("Status: active"));
    const DomainRow &busy = m_context->list.rowAt(m_context->list.rowOfKey(QStringLiteral("busy.test")));
    QCOMPARE(busy.cells[ColInformation], QStringLiteral("Erroneous whois response"));
    QCOMPARE(int(busy.colour), int(ColourGrey));

    QTRY_COMPARE(panel(1), QStringLiteral("3 domains"));
    QCOMPARE(panel(2), QStringLiteral("1 free"));
    QCOMPARE(panel(3), QStringLiteral("1 taken"));
    QCOMPARE(panel(4), QStringLiteral("1 unchecked/errors"));
}

void TestGuiRun::stopMidRunBringsEveryNameBack()
{
    m_server->setDefault(Reply::silent());
    QStringList names;
    for (int i = 0; i < 30; ++i)
        names << QStringLiteral("name%1.test").arg(i);
    addNames(names);
    m_context->options.connections = QStringLiteral("5");
    m_window->optionsChanged();

    m_prompter->queueAnswer(true);
    m_window->action(QStringLiteral("toolStart"))->trigger();
    QVERIFY(m_server->waitForQueries(5));
    // Closing while the run goes on is refused.
    QVERIFY(!m_window->close());
    QCOMPARE(m_prompter->lastText(), QStringLiteral("You must stop the program before you exit."));

    m_window->action(QStringLiteral("toolStop"))->trigger();
    QVERIFY(!m_window->engine().running());
    QCOMPARE(m_context->list.size(), 30);
    for (int i = 0; i < m_context->list.size(); ++i) {
        QCOMPARE(m_context->list.rowAt(i).cells[ColAvailability], QStringLiteral("N/A"));
        QCOMPARE(int(m_context->list.rowAt(i).colour), int(ColourGrey));
    }
    QTRY_COMPARE(panel(4), QStringLiteral("30 unchecked/errors"));
    QVERIFY(!m_prompter->texts().contains(QStringLiteral("The program is done!")));
}

QTEST_MAIN(TestGuiRun)
#include "tst_guirun.moc"
