#include "engine/appcontext.h"
#include "lookup/manuallookupwindow.h"
#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLatin1String>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
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
        AppContext context{folder.path(), prompter};
        LoopbackWhoisServer server;
        ManualLookupWindow window{context};

        Fixture()
        {
            context.config.table.AddTldEntry("com", server.address() + ", backup.example", {});
            context.config.table.AddTldEntry(QStringLiteral("net"), server.address(), QString());
            window.setTimeoutMs(300);
        }
        template <typename T> T *child(const char *name)
        {
            return window.findChild<T *>(QLatin1String(name));
        }
        QLineEdit *domain() { return child<QLineEdit>("domainEdit"); }
        QComboBox *serverBox() { return child<QComboBox>("serverCombo"); }
        QString status() { return child<QLabel>("statusLabel")->text(); }
        QString shown() { return child<QPlainTextEdit>("responseEdit")->toPlainText(); }
        void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
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
        f.domain()->setText(QStringLiteral("example.com"));
        f.click("startButton"); // no server
        f.serverBox()->setEditText(f.server.address());
        f.domain()->setText(QStringLiteral("ex..com"));
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
        QVERIFY(!f.window.openForDomain(QStringLiteral("example.org")));
        QCOMPARE(f.prompter.texts(),
                 QStringList({kNeedDomainAndServer, kNeedDomainAndServer, kInvalidDomain, kNoServers}));
        QCOMPARE(f.prompter.count(ScriptedPrompter::Kind::Warn), 4);
        QCOMPARE(f.status(), kIdle);
        QCOMPARE(f.server.acceptedCount(), 0);
    }

    // Enter gets the servers and starts; a name typed in another script is asked for in its ASCII form.
    void enterGetsServersAndStarts()
    {
        Fixture f;
        f.server.setDefault(Reply::text("Domain Name: XN--BCHER-KVA.NET\nStatus: active\r\n"));
        f.domain()->setText(QStringLiteral("www.B\u00fccher.net"));
        QTest::keyClick(f.domain(), Qt::Key_Return);
        QCOMPARE(f.status(), kWorking);
        QVERIFY(f.waitForStatus(kDone));
        QVERIFY(f.prompter.log().isEmpty());
        QCOMPARE(f.server.queries(), QStringList{"xn--bcher-kva.net"});
        // Every line ends in CR LF, and none shows up as an extra empty line.
        QCOMPARE(f.window.responseText(),
                 QStringLiteral("Domain Name: XN--BCHER-KVA.NET\r\nStatus: active\r\n"));
        QCOMPARE(f.shown(), QStringLiteral("Domain Name: XN--BCHER-KVA.NET\nStatus: active\n"));
    }

    void silenceEndsInTimeOutAndCloseEndsTheLookup()
    {
        Fixture f;
        f.server.setDefault(Reply::text("partial\n").keepOpen());
        f.window.show();
        f.domain()->setText(QStringLiteral("=WWW.Example.com"));
        f.serverBox()->setEditText(f.server.address());
        f.child<QCheckBox>("overrideCheck")->setChecked(true); // sent as typed
        f.click("startButton");
        QVERIFY(f.waitForStatus(kDoneTimeout));
        QVERIFY(f.shown().isEmpty()); // what came before the time-out is not shown
        f.window.setTimeoutMs(60000);
        QVERIFY(f.window.openForDomain(QStringLiteral("example.com")));
        QVERIFY(f.server.waitForQueries(2));
        QCOMPARE(f.server.queries(), QStringList({"www.example.com", "example.com"}));
        f.click("closeButton");
        QVERIFY(!f.window.isVisible());
        QVERIFY(f.server.waitForOpenCount(0));
    }

    void rdapServerOfTheBootstrap()
    {
        // "org" has no row; the bootstrap's RDAP service stands in, and its JSON is shown pretty-printed.
        LoopbackHttpServer rdap;
        rdap.setHandler([](const QString &line) {
            return line.contains(QStringLiteral("/taken.org "))
                       ? LoopbackHttpServer::Reply::http(
                             200, R"({"objectClassName":"domain","ldhName":"taken.org"})")
                       : LoopbackHttpServer::Reply::http(404, {});
        });
        Fixture f;
        const QString base = "http://" + rdap.address() + "/";
        f.folder.write(QStringLiteral("rdap-dns.json"),
                       R"({"services":[[["org"],[")" + base.toLatin1() + R"("]]]})");
        QVERIFY(f.window.openForDomain(QStringLiteral("taken.org")));
        QCOMPARE(f.serverBox()->currentText(), base);
        QVERIFY(f.waitForStatus(kDone));
        QCOMPARE(f.window.responseText(),
                 QStringLiteral(
                     "{\r\n    \"ldhName\": \"taken.org\",\r\n    \"objectClassName\": \"domain\"\r\n}\r\n"));
        f.domain()->setText(QStringLiteral("free.org"));
        f.click("startButton");
        QVERIFY(f.waitForStatus(kDone));
        QCOMPARE(f.window.responseText(), QStringLiteral("HTTP 404 Status\r\n\r\n"));
        QVERIFY(f.prompter.log().isEmpty());
    }
};

QV_TEST_MAIN(TestManualLookupWindow)
#include "tst_manuallookupwindow.moc"
