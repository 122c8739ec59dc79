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

#include <QLabel>
#include <QTest>

// The window started over a data folder that holds a run the program could not finish.
class TestInterruptedRun : public QObject
{
    Q_OBJECT
private slots:
    void takenUpAtStartUp_data()
    {
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<QString>("availability"); // of kept.test (if kept), a1 .. a4
        QTest::addColumn<QString>("panels");
        QTest::newRow("Yes: it goes on") << true << false << QStringLiteral("FREE|FREE|FREE|FREE")
                                         << QStringLiteral("4 domains|4 free|0 taken|0 unchecked/errors");
        QTest::newRow("Yes, a selected-only run: the kept rows come back")
            << true << true << QStringLiteral("Taken|FREE|FREE|FREE|FREE")
            << QStringLiteral("5 domains|4 free|1 taken|0 unchecked/errors");
        QTest::newRow("No: the rest comes back unchecked")
            << false << false << QStringLiteral("FREE|N/A|FREE|N/A")
            << QStringLiteral("4 domains|2 free|0 taken|2 unchecked/errors");
    }

    void takenUpAtStartUp()
    {
        QFETCH(bool, goOn);
        QFETCH(bool, selectedOnly);
        QFETCH(QString, availability);
        QFETCH(QString, panels);
        TempDataFolder folder;
        LoopbackWhoisServer server;
        server.setDefault(LoopbackWhoisServer::Reply::text("No match for it\r\n"));
        WhoisConfig config;
        config.table.AddTldEntry(QStringLiteral("test"), server.address(), QString());
        config.freeResponses = {QStringLiteral("no match for")};
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        RunJournal journal;
        journal.connections = QStringLiteral("3");
        journal.timeoutSecs = journal.expireDays = QStringLiteral("30");
        journal.retryTimes = QStringLiteral("2");
        journal.selectedOnly = selectedOnly;
        journal.names = QStringList{"a1.test", "a2.test", "a3.test", "a4.test"};
        QVERIFY(!journal.write(folder.path()));
        // The program died while it wrote the third result.
        folder.write("temp.txt", "a1.test\001FREE\001N/A\001N/A\r\na3.test\001FREE\001N/A\001N/A\r\na2.te");
        folder.write("remember.txt", "kept.test\0014\001test\001Taken\001N/A\001N/A\001\r\n");

        AppContext context{folder.path(), prompter};
        MainWindow window{context, [](const QUrl &) {}};
        prompter.queueAnswer(goOn);
        // The wizard opens once the question is answered, and not over a run that goes on.
        const QString wizard = captionOfModalOpenedBy([&] { window.startUp(); });
        QCOMPARE(prompter.texts().value(0), checkText::interruptedRun(2, 4));
        QCOMPARE(wizard, goOn ? QString() : QStringLiteral("Quick Start Wizard"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.engine().running(), 10000);

        QStringList names = journal.names;
        if (selectedOnly)
            names.prepend(QStringLiteral("kept.test"));
        QStringList cells;
        for (const QString &name : names)
            cells << context.list.rowAt(context.list.rowOfKey(name)).cells[ColAvailability];
        QCOMPARE(cells.join(u'|'), availability);
        QCOMPARE(context.list.size(), names.size());
        const auto panelTexts = [&window] {
            QStringList texts;
            for (int n = 1; n <= 4; ++n)
                texts << window.findChild<QLabel *>(QStringLiteral("panel%1").arg(n))->text();
            return texts.join(u'|');
        };
        QTRY_COMPARE(panelTexts(), panels);
        // No finished name is asked again.
        QStringList asked = server.queries();
        asked.sort();
        QCOMPARE(asked, goOn ? QStringList({"a2.test", "a4.test"}) : QStringList());
        QVERIFY(!folder.exists("journal.txt"));
    }
};

QV_TEST_MAIN(TestInterruptedRun)
#include "tst_interruptedrun.moc"
