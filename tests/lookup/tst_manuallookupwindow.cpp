#include "app/appcontext.h"
#include "app/helpballoonwidget.h"
#include "lookup/manuallookupwindow.h"
#include "support/fakeclock.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using Reply = LoopbackWhoisServer::Reply;
using namespace lookuptexts;

// The window against the loopback server, with "com" and "net" configured to it.
class TestManualLookupWindow : public QObject
{
    Q_OBJECT

    struct Fixture {
        TempDataFolder folder;
        ScriptedPrompter prompter;
        FakeClock clock;
        AppContext context{folder.path(), prompter, clock};
        LoopbackWhoisServer server;
        ManualLookupWindow window{context};

        Fixture()
        {
            const QString servers = server.address() + QStringLiteral(", backup.example");
            context.config.table.AddTldEntry(QStringLiteral("com"), servers, QString());
            context.config.table.AddTldEntry(QStringLiteral("net"), server.address(), QString());
            window.setTimeoutMs(300);
        }
        template<typename T>
        T *child(const char *name) { return window.findChild<T *>(QLatin1String(name)); }
        QLineEdit *domain() { return child<QLineEdit>("domainEdit"); }
        QComboBox *serverBox() { return child<QComboBox>("serverCombo"); }
        QString status() { return child<QLabel>("statusLabel")->text(); }
        QString shown() { return child<QPlainTextEdit>("responseEdit")->toPlainText(); }
        void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
        bool waitForStatus(const QString &text) { return QTest::qWaitFor([&] { return status() == text; }, 5000); }
    };

private slots:
    void controlsAndHelp()
    {
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Manual Whois Lookup"));
        QCOMPARE(f.status(), QStringLiteral("Idle."));
        QVERIFY(f.child<QPlainTextEdit>("responseEdit")->isReadOnly());
        // Every box without a caption of its own still has a name for screen readers.
        for (const char *name : {"domainEdit", "serverCombo", "responseEdit"})
            QVERIFY2(!f.child<QWidget>(name)->accessibleName().isEmpty(), name);
        // "Tell me more" shows the shared help balloon while the mouse moves over it.
        f.window.show();
        auto *balloon = f.window.findChild<HelpBalloonWidget *>();
        QVERIFY(balloon && balloon->isHidden());
        auto *help = f.child<QLabel>("helpLabel");
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), help->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(help, &move);
        QVERIFY(balloon->isVisible());
        QCOMPARE(balloon->textLabel()->text(), kHelp);
    }

    void getServersFillsTheBox()
    {
        Fixture f;
        f.domain()->setText(QStringLiteral("example.com"));
        f.click("getServersButton");
        QCOMPARE(f.serverBox()->count(), 2);
        QCOMPARE(f.serverBox()->currentText(), f.server.address());
        QCOMPARE(f.serverBox()->itemText(1), QStringLiteral("backup.example"));
        // A name of no configured TLD empties the box; one that fails the check as typed
        // (capitals or a leading "=" included) leaves it alone.
        f.domain()->setText(QStringLiteral("example.org"));
        f.click("getServersButton");
        QCOMPARE(f.serverBox()->count(), 0);
        f.serverBox()->setEditText(QStringLiteral("typed.example"));
        for (const char *typed : {"ex..com", "Example.COM", "=example.com"}) {
            f.domain()->setText(QLatin1String(typed));
            f.click("getServersButton");
            QCOMPARE(f.serverBox()->currentText(), QStringLiteral("typed.example"));
        }
    }

    void enterGetsServersAndStarts()
    {
        Fixture f;
        f.server.setDefault(Reply::text("Domain Name: EXAMPLE.NET\nStatus: active\r\n"));
        f.domain()->setText(QStringLiteral("www.example.net"));
        QTest::keyClick(f.domain(), Qt::Key_Return);
        QCOMPARE(f.status(), kWorking);
        QVERIFY(f.waitForStatus(kDone));
        QCOMPARE(f.server.queries(), QStringList{"example.net"});
        // Every line ends in CR LF, and none shows up as an extra empty line.
        QCOMPARE(f.window.responseText(), QStringLiteral("Domain Name: EXAMPLE.NET\r\nStatus: active\r\n"));
        QCOMPARE(f.shown(), QStringLiteral("Domain Name: EXAMPLE.NET\nStatus: active\n"));
        QVERIFY(f.prompter.log().isEmpty());
    }

    void silenceEndsInTimeOut()
    {
        Fixture f;
        f.server.setDefault(Reply::text("partial\n").keepOpen());
        QVERIFY(f.window.openForDomain(QStringLiteral("example.com")));
        QCOMPARE(f.status(), kWorking);
        QVERIFY(f.waitForStatus(kDoneTimeout));
        QVERIFY(f.shown().isEmpty()); // what came before the time-out is not shown
        QVERIFY(f.server.waitForOpenCount(0));
    }

    void messages()
    {
        Fixture f;
        f.click("startButton"); // nothing typed
        f.domain()->setText(QStringLiteral("example.com"));
        f.click("startButton"); // no server
        f.serverBox()->setEditText(f.server.address());
        f.domain()->setText(QStringLiteral("ex..com"));
        f.click("startButton");
        QVERIFY(!f.window.openForDomain(QStringLiteral("example.org")));
        QCOMPARE(f.prompter.texts(), QStringList({kNeedDomainAndServer, kNeedDomainAndServer, kInvalidDomain,
                                                  kNoServers}));
        QCOMPARE(f.prompter.count(ScriptedPrompter::Kind::Warn), 4);
        QCOMPARE(f.status(), kIdle);
        QCOMPARE(f.server.acceptedCount(), 0);
    }

    void overrideSendsAsTypedAndCloseEndsTheLookup()
    {
        Fixture f;
        f.window.setTimeoutMs(60000);
        f.server.setDefault(Reply::silent());
        f.window.show();
        f.domain()->setText(QStringLiteral("=WWW.Example.com"));
        f.serverBox()->setEditText(f.server.address());
        f.child<QCheckBox>("overrideCheck")->setChecked(true);
        f.click("startButton");
        QVERIFY(f.server.waitForQueries(1));
        QCOMPARE(f.server.queries(), QStringList{"www.example.com"});
        f.click("closeButton");
        QVERIFY(!f.window.isVisible());
        QVERIFY(f.server.waitForOpenCount(0));
    }
};

QTEST_MAIN(TestManualLookupWindow)
#include "tst_manuallookupwindow.moc"
