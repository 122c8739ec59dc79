#include "config/pacingsetting.h"
#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "engine/checkengine.h"
#include "engine/checktexts.h"
#include "engine/runjournal.h"
#include "support/loopbackwhoisserver.h"
#include "support/windowfixture.h"

using Reply = LoopbackWhoisServer::Reply;

// Check runs driven from the window: started as a user starts one, and taken up
// at start-up from a data folder holding a run the program could not finish.
class TestGuiRun : public QObject
{
    Q_OBJECT
private slots:
    void startRunsToCompletionAndRebuildsTheList()
    {
        MainWindowFixture f;
        LoopbackWhoisServer server;
        f.ctx.config.table.clear();
        f.ctx.config.table.AddTldEntry(u"test"_s, server.address(), QString());
        for (const QString &n : {u"free.test"_s, u"taken.test"_s, u"busy.test"_s})
            f.ctx.list.addRow(n, DomainRow{{n}});
        f.prompter.queueAnswer(true); // "Are you ready to start?"
        server.onQuery(u"free.test"_s, Reply::text("No match for \"FREE.TEST\".\r\n"));
        server.onQuery(
            u"taken.test"_s,
            Reply::text("Domain: taken.test\r\nExpiration Date: 2099-03-05\r\nStatus: active\r\n"));
        server.onQuery(u"busy.test"_s, Reply::text("Whois limit exceeded\r\n"));
        f.ctx.options.retry = false;
        f.ctx.extra.setValue(kPacingModeKey, QStringLiteral("off"));
        f.window->optionsChanged();
        f.trigger("Starts1");
        QTreeView *list = f.window->listView();
        QVERIFY(f.window->engine().running());
        QVERIFY(!list->isVisibleTo(f.window.get())); // the run's look; the commands it locks: the window test

        QTRY_VERIFY_WITH_TIMEOUT(f.prompter.texts().contains(u"The program is done!"_s), 10000);
        QVERIFY(list->isVisibleTo(f.window.get()));
        QCOMPARE(f.ctx.list.rowAt(f.ctx.list.rowOfKey(u"taken.test"_s)).cells[ColExpiration], u"05-03-99"_s);
        QTRY_COMPARE(f.panels(), u"3 domains|1 free|1 taken|1 unchecked/errors"_s);
    }

    void takenUpAtStartUp_data()
    {
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<QString>("result"); // availability of kept.test (if kept), a1 .. a4; the counters
        QTest::newRow("Yes: it goes on")
            << true << false << "FREE|FREE|FREE|FREE 4 domains|4 free|0 taken|0 unchecked/errors";
        QTest::newRow("Yes, a selected-only run: the kept rows come back")
            << true << true << "Taken|FREE|FREE|FREE|FREE 5 domains|4 free|1 taken|0 unchecked/errors";
        QTest::newRow("No: the rest comes back unchecked")
            << false << false << "FREE|N/A|FREE|N/A 4 domains|2 free|0 taken|2 unchecked/errors";
    }

    void takenUpAtStartUp()
    {
        QFETCH(bool, goOn);
        QFETCH(bool, selectedOnly);
        QFETCH(QString, result);
        MainWindowFixture f(false);
        LoopbackWhoisServer server;
        server.setDefault(LoopbackWhoisServer::Reply::text("No match for it\r\n"));
        WhoisConfig config;
        config.table.AddTldEntry(u"test"_s, server.address(), QString());
        config.freeResponses = {u"no match for"_s};
        QVERIFY(SaveSettings(f.folder.path(), config, ProgramOptions(), f.prompter));
        RunJournal journal{u"3"_s, u"30"_s, true, u"2"_s, u"30"_s, selectedOnly, RdapMode::Off, true, {}};
        journal.names = QStringList{"a1.test", "a2.test", "a3.test", "a4.test"};
        QVERIFY(!journal.write(f.folder.path()));
        // The program died while it wrote the third result.
        f.folder.write("temp.txt", "a1.test\001FREE\001N/A\001N/A\r\na3.test\001FREE\001N/A\001N/A\r\na2.te");
        f.folder.write("remember.txt", "kept.test\0014\001test\001Taken\001N/A\001N/A\001\r\n");

        f.prompter.queueAnswer(goOn);
        // The wizard opens once the question is answered, and not over a run that goes on.
        const QString wizard = captionOfModalOpenedBy([&] { f.window->startUp(); });
        QCOMPARE(f.prompter.texts().value(0), checkText::interruptedRun(2, 4));
        QCOMPARE(wizard, goOn ? QString() : u"Quick Start Wizard"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->engine().running(), 10000);
        QStringList cells;
        for (const QString &name : (selectedOnly ? QStringList{"kept.test"} : QStringList()) + journal.names)
            cells << f.ctx.list.rowAt(f.ctx.list.rowOfKey(name)).cells[ColAvailability];
        QCOMPARE(f.ctx.list.size(), cells.size());
        QTRY_COMPARE(cells.join(u'|') + u' ' + f.panels(), result);
        // No finished name is asked again.
        QStringList asked = server.queries();
        asked.sort();
        QCOMPARE(asked, goOn ? QStringList({"a2.test", "a4.test"}) : QStringList());
        QVERIFY(!f.folder.exists("journal.txt"));
    }

    void unreadableJournalIsReportedAndLeftAlone()
    {
        MainWindowFixture f(false);
        const QByteArray foreign = "Quorvane run journal\0019\r\n";
        f.folder.write("journal.txt", foreign);
        QCOMPARE(captionOfModalOpenedBy([&] { f.window->startUp(); }), u"Quick Start Wizard"_s);
        QCOMPARE(f.prompter.texts(),
                 QStringList{checkText::interruptedRunUnreadable(RunJournal::path(f.folder.path()),
                                                                 u"it is of another version (9)"_s)});
        QCOMPARE(f.folder.read("journal.txt"), foreign);
    }
};

QV_TEST_MAIN(TestGuiRun)
#include "tst_guirun.moc"
