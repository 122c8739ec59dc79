#include "app/mainwindow.h"
#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "engine/appcontext.h"
#include "engine/checkengine.h"
#include "engine/checktexts.h"
#include "engine/runjournal.h"
#include "support/loopbackwhoisserver.h"
#include "support/modalwindows.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QByteArray>
#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTreeView>
#include <QUrl>

using Reply = LoopbackWhoisServer::Reply;

namespace {

QString panelTexts(const QWidget &window) // the first four, joined by "|"
{
    QStringList texts;
    for (int n = 1; n <= 4; ++n)
        texts << window.findChild<QLabel *>(QStringLiteral("panel%1").arg(n))->text();
    return texts.join(u'|');
}

// Every row as "name|availability|expiry|information|colour" ("b" after it: bold), sorted.
QStringList listRows(const DomainListModel &list)
{
    QStringList out;
    for (int i = 0; i < list.size(); ++i) {
        const DomainRow &r = list.rowAt(i);
        out << QStringList{r.cells[ColDomain], r.cells[ColAvailability], r.cells[ColExpiration],
                           r.cells[ColInformation], QString::number(r.colour) + (r.bold ? "b" : "")}
                   .join(u'|');
    }
    out.sort();
    return out;
}

} // namespace

// A check run driven from the window as a user drives it: names in the list,
// Start, the running look, then the rebuilt list with its colours and counters.
class TestGuiRun : public QObject
{
    Q_OBJECT

    struct Fixture {
        TempDataFolder folder;
        ScriptedPrompter prompter;
        AppContext context{folder.path(), prompter};
        MainWindow window{context, [](const QUrl &) {}};
        LoopbackWhoisServer server;

        Fixture(const QStringList &names)
        {
            context.options.hideWizard = true;
            window.startUp();
            // The one TLD of these tests answers on the loopback server.
            context.config.table.clear();
            context.config.table.AddTldEntry(QStringLiteral("test"), server.address(), QString());
            for (const QString &n : names) {
                DomainRow row;
                row.cells[ColDomain] = n;
                context.list.addRow(n, row);
            }
            prompter.queueAnswer(true); // "Are you ready to start?"
        }
        ~Fixture() { window.engine().allstopper(); }
        QString panels() const { return panelTexts(window); }
        QStringList rows() const { return listRows(context.list); }
    };

private slots:
    void startRunsToCompletionAndRebuildsTheList()
    {
        Fixture f({QStringLiteral("free.test"), QStringLiteral("taken.test"), QStringLiteral("busy.test")});
        f.server.onQuery(QStringLiteral("free.test"), Reply::text("No match for \"FREE.TEST\".\r\n"));
        const QByteArray taken = "Domain: taken.test\r\nExpiration Date: 2099-03-05\r\nStatus: active\r\n";
        f.server.onQuery(QStringLiteral("taken.test"), Reply::text(taken));
        f.server.onQuery(QStringLiteral("busy.test"), Reply::text("Whois limit exceeded\r\n"));
        f.context.options.retry = false;
        f.window.optionsChanged();
        f.window.action(QStringLiteral("Starts1"))->trigger();
        QTreeView *list = f.window.listView();
        QVERIFY(f.window.engine().running());
        QVERIFY(!list->isVisibleTo(&f.window)); // the run's look: which commands it locks is tested elsewhere

        QTRY_VERIFY_WITH_TIMEOUT(f.prompter.texts().contains(QStringLiteral("The program is done!")), 10000);
        QVERIFY(!f.window.engine().running());
        QVERIFY(list->isVisibleTo(&f.window));
        const QString rows = "busy.test|N/A|N/A|Erroneous whois response|2 free.test|FREE|N/A|N/A|1b "
                             "taken.test|Taken|05-03-99|Status: active|-1";
        QCOMPARE(f.rows().join(u' '), rows);
        QTRY_COMPARE(f.panels(), QStringLiteral("3 domains|1 free|1 taken|1 unchecked/errors"));
    }

    void interruptedRunIsTakenUpAtStartUp_data()
    {
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("panels");
        QTest::newRow("Yes: it goes on") << true
                                         << QStringList{"a1.test|FREE|N/A|N/A|1b", "a2.test|FREE|N/A|N/A|1b",
                                                        "a3.test|FREE|N/A|N/A|1b", "a4.test|FREE|N/A|N/A|1b"}
                                         << QStringLiteral("4 domains|4 free|0 taken|0 unchecked/errors");
        QTest::newRow("No: the rest comes back unchecked")
            << false
            << QStringList{"a1.test|FREE|N/A|N/A|1b", "a2.test|N/A|N/A||2", "a3.test|FREE|N/A|N/A|1b",
                           "a4.test|N/A|N/A||2"}
            << QStringLiteral("4 domains|2 free|0 taken|2 unchecked/errors");
    }

    void interruptedRunIsTakenUpAtStartUp()
    {
        QFETCH(bool, goOn);
        QFETCH(QStringList, rows);
        QFETCH(QString, panels);
        TempDataFolder folder;
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("No match for it\r\n"));
        WhoisConfig config;
        config.table.AddTldEntry(QStringLiteral("test"), server.address(), QString());
        config.freeResponses = {QStringLiteral("no match for")};
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        RunJournal journal;
        journal.connections = QStringLiteral("3");
        journal.timeoutSecs = QStringLiteral("10");
        journal.retryTimes = QStringLiteral("2");
        journal.expireDays = QStringLiteral("30");
        journal.names = QStringList{"a1.test", "a2.test", "a3.test", "a4.test"};
        QVERIFY(!journal.write(folder.path()));
        folder.write("temp.txt", "a1.test\001FREE\001N/A\001N/A\r\na3.test\001FREE\001N/A\001N/A\r\na2.te");

        AppContext context{folder.path(), prompter};
        MainWindow window{context, [](const QUrl &) {}};
        prompter.queueAnswer(goOn);
        // The wizard opens only once the question is answered, and not over a run that goes on.
        const QString wizard = captionOfModalOpenedBy([&] { window.startUp(); });
        QCOMPARE(prompter.texts().value(0), checkText::interruptedRun(2, 4));
        QCOMPARE(wizard, goOn ? QString() : QStringLiteral("Quick Start Wizard"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.engine().running(), 10000);
        QCOMPARE(listRows(context.list), rows);
        QTRY_COMPARE(panelTexts(window), panels);
        QStringList asked = server.queries();
        asked.sort();
        QCOMPARE(asked, goOn ? QStringList({"a2.test", "a4.test"}) : QStringList());
        QVERIFY(!folder.exists("journal.txt"));
        // The run went on with its own options.
        QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("connections2"))->currentText(),
                 goOn ? QStringLiteral("3") : QStringLiteral("20"));
    }

    void stopMidRunBringsEveryNameBack()
    {
        QStringList names;
        for (int i = 0; i < 30; ++i)
            names << QStringLiteral("name%1.test").arg(i);
        Fixture f(names);
        f.server.setDefault(Reply::silent());
        f.context.options.connections = QStringLiteral("5");
        f.window.optionsChanged();
        f.window.action(QStringLiteral("toolStart"))->trigger();
        QVERIFY(f.server.waitForQueries(5));
        f.window.action(QStringLiteral("toolStop"))->trigger();
        QVERIFY(!f.window.engine().running());
        QCOMPARE(f.rows().filter(QRegularExpression(R"(^name\d+\.test\|N/A\|N/A\|\|2$)")).size(), 30);
        QTRY_COMPARE(f.panels(), QStringLiteral("30 domains|0 free|0 taken|30 unchecked/errors"));
        QVERIFY(!f.prompter.texts().contains(QStringLiteral("The program is done!")));
    }
};

QV_TEST_MAIN(TestGuiRun)
#include "tst_guirun.moc"
