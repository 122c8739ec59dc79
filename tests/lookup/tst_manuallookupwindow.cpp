#include "lookup/manuallookupwindow.h"
#include "support/loopbackwhoisserver.h"
#include "support/windowfixture.h"

using Reply = LoopbackWhoisServer::Reply;
using namespace lookuptexts;

// The window against the loopback server, with "com" and "net" configured to it.
class TestManualLookupWindow : public QObject
{
    Q_OBJECT

    struct Fixture : WindowFixture<ManualLookupWindow> {
        LoopbackWhoisServer server;

        Fixture()
        {
            ctx.config.table.AddTldEntry("com", server.address() + ", backup.example", {});
            ctx.config.table.AddTldEntry(u"net"_s, server.address(), QString());
            open(ctx).setTimeoutMs(300);
        }
        QLineEdit *domain() { return find<QLineEdit>("domainEdit"); }
        QComboBox *serverBox() { return find<QComboBox>("serverCombo"); }
        QString status() { return text("statusLabel"); }
        QString shown() { return find<QPlainTextEdit>("responseEdit")->toPlainText(); }
        bool waitForStatus(const QString &text)
        {
            return QTest::qWaitFor([&] { return status() == text; }, 5000);
        }
    };

private slots:
    void refusalsAndGetServers()
    {
        Fixture f;
        f.click("startButton"); // nothing typed
        f.domain()->setText(u"example.com"_s);
        f.click("startButton"); // no server
        f.serverBox()->setEditText(f.server.address());
        f.domain()->setText(u"ex..com"_s);
        f.click("startButton");
        // A name that fails the check as typed (capitals or a leading "=" included) leaves the box alone.
        const QString kept = f.server.address() + " 0";
        const std::pair<const char *, QString> cases[] = {{"ex..com", kept},
                                                          {"Example.COM", kept},
                                                          {"=example.com", kept},
                                                          {"example.com", f.server.address() + " 2"},
                                                          {"example.org", " 0"}};
        for (const auto &[typed, servers] : cases) {
            f.domain()->setText(QLatin1String(typed));
            f.click("getServersButton");
            QCOMPARE(f.serverBox()->currentText() + u' ' + QString::number(f.serverBox()->count()), servers);
        }
        QVERIFY(!f.window->openForDomain(u"example.org"_s));
        QCOMPARE(f.prompter.texts(),
                 QStringList({kNeedDomainAndServer, kNeedDomainAndServer, kInvalidDomain, kNoServers}));
        QCOMPARE(f.prompter.count(ScriptedPrompter::Kind::Warn), 4);
        QCOMPARE(f.status(), kIdle);
        QCOMPARE(f.server.acceptedCount(), 0);
    }

    void silenceEndsInTimeOutAndCloseEndsTheLookup()
    {
        Fixture f;
        f.server.setDefault(Reply::text("partial\n").keepOpen());
        f.window->show();
        f.domain()->setText(u"=WWW.Example.com"_s);
        f.serverBox()->setEditText(f.server.address());
        f.find<QCheckBox>("overrideCheck")->setChecked(true); // sent as typed
        f.click("startButton");
        QVERIFY(f.waitForStatus(kDoneTimeout));
        QVERIFY(f.shown().isEmpty()); // what came before the time-out is not shown
        f.window->setTimeoutMs(60000);
        QVERIFY(f.window->openForDomain(u"example.com"_s));
        QVERIFY(f.server.waitForQueries(2));
        QCOMPARE(f.server.queries(), QStringList({"www.example.com", "example.com"}));
        f.click("closeButton");
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.server.waitForOpenCount(0));

        // A refused connection is told at once, with its reason, not after the time-out.
        const QString refused = "127.0.0.1:" + QString::number(LoopbackWhoisServer::refusedPort());
        f.serverBox()->setEditText(refused);
        f.click("startButton");
        QVERIFY(f.waitForStatus(kDoneError));
        QCOMPARE(f.shown(), "No reply from " + refused + ": Connection refused.");
    }
};

QV_TEST_MAIN(TestManualLookupWindow)
#include "tst_manuallookupwindow.moc"
