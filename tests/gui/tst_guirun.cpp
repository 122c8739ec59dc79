#include "config/pacingsetting.h"
#include "engine/checkengine.h"
#include "support/loopbackwhoisserver.h"
#include "support/windowfixture.h"

using Reply = LoopbackWhoisServer::Reply;

// A check run driven from the window as a user drives it: names in the list,
// Start, the running look, then the rebuilt list with its colours and counters.
class TestGuiRun : public QObject
{
    Q_OBJECT

    // The one TLD of these tests answers on the loopback server.
    struct Fixture : MainWindowFixture {
        LoopbackWhoisServer server;

        explicit Fixture(const QStringList &names)
        {
            ctx.config.table.clear();
            ctx.config.table.AddTldEntry(u"test"_s, server.address(), QString());
            for (const QString &n : names)
                ctx.list.addRow(n, DomainRow{{n}});
            prompter.queueAnswer(true); // "Are you ready to start?"
        }
        ~Fixture() { window->engine().allstopper(); }
        // Every row as "name|availability|expiry|information|colour" ("b" after it: bold), sorted.
        QStringList rows() const
        {
            QStringList out;
            for (int i = 0; i < ctx.list.size(); ++i) {
                const DomainRow &r = ctx.list.rowAt(i);
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
        f.server.onQuery(
            u"taken.test"_s,
            Reply::text("Domain: taken.test\r\nExpiration Date: 2099-03-05\r\nStatus: active\r\n"));
        f.server.onQuery(u"busy.test"_s, Reply::text("Whois limit exceeded\r\n"));
        f.ctx.options.retry = false;
        f.ctx.extra.setValue(kPacingModeKey, QStringLiteral("off"));
        f.window->optionsChanged();
        f.trigger("Starts1");
        QTreeView *list = f.window->listView();
        QVERIFY(f.window->engine().running());
        QVERIFY(!list->isVisibleTo(f.window.get())); // the run's look; the commands it locks: the window test

        QTRY_VERIFY_WITH_TIMEOUT(f.prompter.texts().contains(u"The program is done!"_s), 10000);
        QVERIFY(!f.window->engine().running());
        QVERIFY(list->isVisibleTo(f.window.get()));
        QCOMPARE(f.rows().join(u' '),
                 "busy.test|N/A|N/A|Erroneous whois response|2 free.test|FREE|N/A|N/A|1b "
                 "taken.test|Taken|05-03-99|Status: active|-1");
        QTRY_COMPARE(f.panels(), u"3 domains|1 free|1 taken|1 unchecked/errors"_s);
    }
};

QV_TEST_MAIN(TestGuiRun)
#include "tst_guirun.moc"
