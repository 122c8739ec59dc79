#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "engine/domainlistmodel.h"
#include "engine/repopulate.h"
#include "engine/runstate.h"
#include "export/reportexport.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;

namespace {

int runCli(const TempDataFolder &folder, const QStringList &args, QByteArray *out, QByteArray *err)
{
    QProcess p;
    p.start(QStringLiteral(QV_CLI_PATH), QStringList{"check", "--data-dir", folder.path(), "--quiet"} + args);
    if (!p.waitForStarted() || !QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000))
        return -1;
    *out = p.readAllStandardOutput();
    *err = p.readAllStandardError();
    return p.exitCode();
}

// The page's date line differs by the second it was written.
QByteArray withoutDate(QByteArray html)
{
    const qsizetype start = html.indexOf("<br>\r\n", html.indexOf("font-weight: 400")) + 6;
    const qsizetype end = html.indexOf("</span>", start);
    return start > 6 && end > start ? html.remove(start, end - start) : html;
}

} // namespace

class TestExportCli : public QObject
{
    Q_OBJECT
private slots:
    void formatsAndColumnsAsTheWindowWritesThem()
    {
        LoopbackWhoisServer server;
        server.setHandler([](const QString &q) -> std::optional<Reply> {
            if (q.startsWith(u"free"))
                return Reply::text("No match for " + q.toLatin1() + "\r\n");
            return Reply::text("Domain: " + q.toLatin1() +
                               "\r\nExpires on: 2031-01-25\r\nStatus: <b>&ok, \"x\"\r\n");
        });
        TempDataFolder folder;
        WhoisConfig config;
        config.table.AddTldEntry(u"com"_s, server.address(), QString());
        config.freeResponses = {u"no match for"_s};
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        folder.write(u"names.txt"_s, "free1.com\ntaken.com\nfree2.com\nother.org\n");

        const struct {
            QStringList args;
            report::Format format;
            report::Columns columns;
        } cases[] = {
            {{}, report::Format::Text, report::kAllColumns},
            {{"--format", "HTML", "--columns", "information,4"},
             report::Format::Html,
             {true, false, false, true, false, false, true}},
            {{"--format", "xml", "--columns", "1"},
             report::Format::Xml,
             {true, false, false, false, false, false, false}},
        };
        for (const auto &c : cases) {
            QByteArray out, err;
            QCOMPARE(runCli(folder, c.args + QStringList{folder.file(u"names.txt"_s)}, &out, &err), 0);
            // The same rows as the program's list after the same run, saved as its window saves them.
            DomainListModel list;
            RunState run;
            run.suffixes.mylist({u"com"_s});
            repopulate(list, run, folder.path(), QDate::currentDate(), prompter);
            QCOMPARE(list.size(), 4);
            QBuffer expected;
            expected.open(QIODevice::WriteOnly);
            QVERIFY(!report::writeReport(expected, c.format, list, c.columns, u"date"_s));
            QCOMPARE(withoutDate(out), withoutDate(expected.data()));
        }

        const struct {
            QStringList args;
            const char *message;
        } refused[] = {
            {{"--format", "pdf"}, "unknown format: pdf"},
            {{"--columns", "2,9"}, "unknown column: '9'"},
        };
        for (const auto &r : refused) {
            QByteArray out, err;
            QCOMPARE(runCli(folder, r.args + QStringList{folder.file(u"names.txt"_s)}, &out, &err), 2);
            QVERIFY2(err.contains(r.message), err.constData());
            QVERIFY(out.isEmpty());
        }
    }
};

QV_TEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
