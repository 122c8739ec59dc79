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
            context.config.table.AddTldEntry(QStringLiteral("com"), server.address() + QStringLiteral(", backup.example"),
                                             QString());
            context.config.table.AddTldEntry(QStringLiteral("net"), server.address(), QString());
            window.setTimeoutMs(300);
        }
        template<typename T>
        T *child(const char *name) { return window.findChild<T *>(QLatin1String(name)); }
        QLineEdit *domain() { return child<QLineEdit>("domainEdit"); }
        QComboBox *serverBox() { return child<QComboBox>("serverCombo"); }
        QString status() { return child<QLabel>("statusLabel")->text(); }
        void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
        bool waitForStatus(const QString &text) { return QTest::qWaitFor([&] { return status() == text; }, 5000); }
    };

private slots:
    void controls()
    {
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Manual Whois Lookup"));
        QCOMPARE(f.status(), QStringLiteral("Idle."));
        QVERIFY(f.child<QPlainTextEdit>("responseEdit")->isReadOnly());
        QVERIFY(f.serverBox()->isEditable());
        QCOMPARE(f.child<QCheckBox>("overrideCheck")->text(), QStringLiteral("Override WHOIS servers config"));
        QCOMPARE(f.child<QPushButton>("getServersButton")->text(), QStringLiteral("Get servers"));
        QCOMPARE(f.child<QPushButton>("startButton")->text(), QStringLiteral("Start"));
        QCOMPARE(f.child<QPushButton>("closeButton")->text(), QStringLiteral("Close"));

        // Every box without a caption of its own still has a name for screen readers.
        for (QWidget *w : {static_cast<QWidget *>(f.domain()), static_cast<QWidget *>(f.serverBox()),
                           static_cast<QWidget *>(f.child<QPlainTextEdit>("responseEdit"))})
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));

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

        // A name of no configured TLD empties the box; an invalid one leaves it.
        f.domain()->setText(QStringLiteral("example.org"));
        f.click("getServersButton");
        QCOMPARE(f.serverBox()->count(), 0);
        f.serverBox()->setEditText(QStringLiteral("typed.example"));
        // The name is checked as typed: capitals or a leading "=" fail the check.
        for (const char *typed : {"ex..com", "Example.COM", "=example.com"}) {
            f.domain()->setText(QLatin1String(typed));
            f.click("getServersButton");
            QCOMPARE(f.serverBox()->currentText(), QStringLiteral("typed.example"));
        }
    }

    void queriesSent_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("overrideCheck");
        QTest::addColumn<QString>("query");
        QTest::newRow("lowered, = removed") << "=EXAMPLE.Com" << false << "example.com";
        QTest::newRow("host cut to its domain") << "www.example.com" << false << "example.com";
        QTest::newRow("override keeps the host") << "WWW.Example.com" << true << "www.example.com";
        QTest::newRow("override skips the check") << "=Some Handle" << true << "some handle";
    }

    void queriesSent()
    {
        QFETCH(QString, typed);
        QFETCH(bool, overrideCheck);
        QFETCH(QString, query);
        Fixture f;
        f.server.setDefault(Reply::text("ok\n"));
        f.domain()->setText(typed);
        f.serverBox()->setEditText(f.server.address());
        f.child<QCheckBox>("overrideCheck")->setChecked(overrideCheck);
        f.click("startButton");
        QCOMPARE(f.status(), kWorking);
        QVERIFY(f.waitForStatus(kDone));
        QCOMPARE(f.server.queries(), QStringList{query});
        QVERIFY(f.prompter.log().isEmpty());
    }

    void enterGetsServersAndStarts()
    {
        Fixture f;
        f.server.setDefault(Reply::text("Domain Name: EXAMPLE.NET\nStatus: active\r\n"));
        f.domain()->setText(QStringLiteral("example.net"));
        QTest::keyClick(f.domain(), Qt::Key_Return);
        QVERIFY(f.waitForStatus(kDone));
        QCOMPARE(f.server.queries(), QStringList{"example.net"});
        // Every line ends in CR LF, and none shows up as an extra empty line.
        QCOMPARE(f.window.responseText(), QStringLiteral("Domain Name: EXAMPLE.NET\r\nStatus: active\r\n"));
        QCOMPARE(f.child<QPlainTextEdit>("responseEdit")->toPlainText(),
                 QStringLiteral("Domain Name: EXAMPLE.NET\nStatus: active\n"));
    }

    void silenceEndsInTimeOut_data()
    {
        QTest::addColumn<int>("ending"); // 0 silent, 1 a partial reply, 2 close without a reply
        QTest::newRow("silent") << 0;
        QTest::newRow("partial") << 1;
        QTest::newRow("closed empty") << 2;
    }

    void silenceEndsInTimeOut()
    {
        QFETCH(int, ending);
        Fixture f;
        f.server.setDefault(ending == 0   ? Reply::silent()
                            : ending == 1 ? Reply::text("partial\n").keepOpen()
                                          : Reply::closeNow());
        QVERIFY(f.window.openForDomain(QStringLiteral("example.com")));
        QCOMPARE(f.status(), kWorking);
        QVERIFY(f.server.waitForQueries(1));
        QVERIFY(f.waitForStatus(kDoneTimeout));
        // What came before the time-out is not shown.
        QVERIFY(f.child<QPlainTextEdit>("responseEdit")->toPlainText().isEmpty());
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

    void closeEndsTheLookup()
    {
        Fixture f;
        f.window.setTimeoutMs(60000);
        f.server.setDefault(Reply::silent());
        f.window.show();
        QVERIFY(f.window.openForDomain(QStringLiteral("example.com")));
        QVERIFY(f.server.waitForQueries(1));
        f.click("closeButton");
        QVERIFY(!f.window.isVisible());
        QVERIFY(f.server.waitForOpenCount(0));
    }
};

QTEST_MAIN(TestManualLookupWindow)
#include "tst_manuallookupwindow.moc"
