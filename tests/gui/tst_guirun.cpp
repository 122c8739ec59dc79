#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "engine/checkengine.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QtTest>
#include <QtWidgets>

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
    QString panels() const; // the texts of the first four, joined by "|"

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

QString TestGuiRun::panels() const
{
    QStringList texts;
    for (int n = 1; n <= 4; ++n)
        texts << m_window->findChild<QLabel *>(QStringLiteral("panel%1").arg(n))->text();
    return texts.join(u'|');
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

    QTRY_VERIFY_WITH_TIMEOUT(m_prompter->texts().contains(QStringLiteral("The program is done!")), 10000);
    QVERIFY(!m_window->engine().running());
    QVERIFY(m_window->listView()->isVisibleTo(m_window.get()));
    QVERIFY(m_window->action(QStringLiteral("toolAdd"))->isEnabled());

    QCOMPARE(m_context->list.size(), 3);
    const DomainListModel &list = m_context->list;
    auto row = [&](const char *key) { return list.rowAt(list.rowOfKey(QLatin1String(key))); };
    QCOMPARE(row("free.test").cells[ColAvailability], QStringLiteral("FREE"));
    QCOMPARE(int(row("free.test").colour), int(ColourGreen));
    QVERIFY(row("free.test").bold);
    const auto taken = row("taken.test").cells;
    QCOMPARE((QStringList{taken[ColAvailability], taken[ColExpiration], taken[ColInformation]}),
             (QStringList{"Taken", "05-03-99", "Status: active"}));
    QCOMPARE(row("busy.test").cells[ColInformation], QStringLiteral("Erroneous whois response"));
    QCOMPARE(int(row("busy.test").colour), int(ColourGrey));
    QTRY_COMPARE(panels(), QStringLiteral("3 domains|1 free|1 taken|1 unchecked/errors"));
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
    QTRY_COMPARE(panels(), QStringLiteral("30 domains|0 free|0 taken|30 unchecked/errors"));
    QVERIFY(!m_prompter->texts().contains(QStringLiteral("The program is done!")));
}

QTEST_MAIN(TestGuiRun)
#include "tst_guirun.moc"
