#include "config/pacingsetting.h"
#include "engine/checkengine.h"
#include "support/loopbackwhoisserver.h"
#include "support/windowfixture.h"

#include <QRegularExpression>

using Reply = LoopbackWhoisServer::Reply;

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
            context.config.table.AddTldEntry(u"test"_s, server.address(), QString());
            for (const QString &n : names)
                context.list.addRow(n, DomainRow{{n}});
            prompter.queueAnswer(true); // "Are you ready to start?"
        }
        ~Fixture() { window.engine().allstopper(); }
        QString panels() const // the first four, joined by "|"
        {
            QStringList texts;
            for (int n = 1; n <= 4; ++n)
                texts << window.findChild<QLabel *>(u"panel%1"_s.arg(n))->text();
            return texts.join(u'|');
        }
        // Every row as "name|availability|expiry|information|colour" ("b" after it: bold), sorted.
        QStringList rows() const
        {
            QStringList out;
            for (int i = 0; i < context.list.size(); ++i) {
                const DomainRow &r = context.list.rowAt(i);
                out << QStringList{r.cells[ColDomain], r.cells[ColAvailability], r.cells[ColExpiration],
                                   r.cells[ColInformation], QString::number(r.colour) + (r.bold ? "b" : "")}
                           .join(u'|');
            }
            out.sort();
            return out;
        }
    };

private slots:
    void startRunsToCompletionAndRebuildsTheList()
    {
        Fixture f({u"free.test"_s, u"taken.test"_s, u"busy.test"_s});
        f.server.onQuery(u"free.test"_s, Reply::text("No match for \"FREE.TEST\".\r\n"));
        const QByteArray taken = "Domain: taken.test\r\nExpiration Date: 2099-03-05\r\nStatus: active\r\n";
        f.server.onQuery(u"taken.test"_s, Reply::text(taken));
        f.server.onQuery(u"busy.test"_s, Reply::text("Whois limit exceeded\r\n"));
        f.context.options.retry = false;
        f.context.extra.setValue(kPacingModeKey, QStringLiteral("off"));
        f.window.optionsChanged();
        f.window.action(u"Starts1"_s)->trigger();
        QTreeView *list = f.window.listView();
        QVERIFY(f.window.engine().running());
        QVERIFY(!list->isVisibleTo(&f.window)); // the run's look: which commands it locks is tested elsewhere

        QTRY_VERIFY_WITH_TIMEOUT(f.prompter.texts().contains(u"The program is done!"_s), 10000);
        QVERIFY(!f.window.engine().running());
        QVERIFY(list->isVisibleTo(&f.window));
        const QString rows = "busy.test|N/A|N/A|Erroneous whois response|2 free.test|FREE|N/A|N/A|1b "
                             "taken.test|Taken|05-03-99|Status: active|-1";
        QCOMPARE(f.rows().join(u' '), rows);
        QTRY_COMPARE(f.panels(), u"3 domains|1 free|1 taken|1 unchecked/errors"_s);
    }

    void stopMidRunBringsEveryNameBack()
    {
        QStringList names;
        for (int i = 0; i < 30; ++i)
            names << u"name%1.test"_s.arg(i);
        Fixture f(names);
        f.server.setDefault(Reply::silent());
        f.context.options.connections = u"5"_s;
        f.window.optionsChanged();
        f.window.action(u"toolStart"_s)->trigger();
        QVERIFY(f.server.waitForQueries(5));
        f.window.action(u"toolStop"_s)->trigger();
        QVERIFY(!f.window.engine().running());
        QCOMPARE(f.rows().filter(QRegularExpression(R"(^name\d+\.test\|N/A\|N/A\|\|2$)")).size(), 30);
        QTRY_COMPARE(f.panels(), u"30 domains|0 free|0 taken|30 unchecked/errors"_s);
        QVERIFY(!f.prompter.texts().contains(u"The program is done!"_s));
    }
};

QV_TEST_MAIN(TestGuiRun)
#include "tst_guirun.moc"
