#include "cli/commands.h"
#include "config/dnssettings.h"
#include "support/clirun.h"
#include "support/loopbackdnsserver.h"
#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/testmain.h"

#include <QTemporaryFile>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;

namespace {

// Extra words of a check, quorvane.ini, the server's one reply, the report's rows ("name|Availability",
// one a word) and the queries the server saw.
struct OptionRow {
    QStringList args;
    QByteArray ini, reply, rows;
    int queries;
};

// Extra words, quorvane.ini (ending in its [dns] section), the WHOIS queries sorted and joined by ",",
// the report's rows, and whether the unusable switch was reported.
struct SuffixRow {
    QStringList args;
    QByteArray ini;
    QString whoisQueries;
    QByteArray rows;
    bool warned = false;
};

// `quorvane-cli check --data-dir FOLDER --quiet --output FOLDER/report.txt ARGS` run in this process,
// so the loopback servers answer on the loop the run turns; standard error is caught in `err`.
int checkHere(const TempDataFolder &folder, const QStringList &args, QByteArray *err = nullptr)
{
    QTemporaryFile caught;
    if (!caught.open())
        return -1;
    std::fflush(stderr);
    const int savedErr = ::dup(STDERR_FILENO);
    ::dup2(caught.handle(), STDERR_FILENO);
    const int status = makeCheckCommand()->run(
        QStringList{"--data-dir", folder.path(), "--quiet", "--output", folder.file("report.txt")} + args);
    std::fflush(stderr);
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedErr);
    // The run keeps SIGINT and SIGTERM for itself; the test process stays stoppable.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    QFile said(caught.fileName());
    if (err && said.open(QIODevice::ReadOnly))
        *err = said.readAll();
    return status;
}

// The report's lines, sorted (the order results come in varies), the title first.
QList<QByteArray> reportLines(const TempDataFolder &folder)
{
    QList<QByteArray> lines = folder.read("report.txt").split('\n');
    std::sort(lines.begin() + 1, lines.end());
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(OptionRow)
Q_DECLARE_METATYPE(SuffixRow)

class TestCheckCommand : public QObject
{
    Q_OBJECT
private slots:
    // Options of the command line over the saved ones: the recognition switch (also in
    // quorvane.ini) and the retries. A UTF-8 name is checked and reported in its ASCII form.
    void optionsOverTheSavedOnes_data()
    {
        QTest::addColumn<OptionRow>("row");
        const QByteArray notFound = "Domain Status: No Object Found\r\n", busy = "Limit exceeded\r\n";
        const QByteArray free = "plain.com|FREE xn--bcher-kva.com|FREE",
                         taken = "plain.com|Taken xn--bcher-kva.com|Taken",
                         unchecked = "plain.com|N/A xn--bcher-kva.com|N/A";
        const QByteArray iniOff = "[check]\nrecognition=false\n";
        QTest::newRow("recognition") << OptionRow{{}, {}, notFound, free, 2};
        QTest::newRow("configured strings only")
            << OptionRow{{"--configured-strings-only"}, {}, notFound, taken, 2};
        QTest::newRow("recognition off in quorvane.ini") << OptionRow{{}, iniOff, notFound, taken, 2};
        // The saved options retry three times.
        QTest::newRow("no retry") << OptionRow{{"--no-retry", "--pacing", "off"}, {}, busy, unchecked, 2};
        QTest::newRow("one retry") << OptionRow{
            {"--retries", "1", "--connections", "900", "--pacing", "off"}, {}, busy, unchecked, 6};
    }
    void optionsOverTheSavedOnes()
    {
        QFETCH(const OptionRow, row);
        auto [args, ini, reply, rows, queries] = row;
        LoopbackWhoisServer server;
        server.setDefault(Reply::text(reply));
        TempDataFolder folder;
        writeCliSettings(folder, server.address(), /*retry=*/true);
        folder.write("quorvane.ini", ini);
        folder.write("names.txt", "B\xC3\x9C"
                                  "CHER.com\nplain.com\n");
        QCOMPARE(checkHere(folder, args + QStringList{"--columns", "1,4", folder.file("names.txt")}), 0);
        QCOMPARE(reportLines(folder).join('\n'),
                 "Domain|Availability\r\n\n" + rows.replace(' ', "\r\n") + '\r');
        QCOMPARE(server.queryCount(), queries);
    }

    // What a name is asked as, and whether DNS is asked first: by quorvane.ini
    // (whose unusable values are reported and their defaults used), or for one run.
    void suffixAndDnsOptions_data()
    {
        QTest::addColumn<SuffixRow>("row");
        const QByteArray free = "example.com.af|FREE www.example.af|FREE", dns = "[dns]\n";
        const QString bySuffix = u"example.af,example.com.af"_s, byTld = u"com.af,example.af"_s;
        const QByteArray off = "[check]\npublic-suffixes=false\n", maybe = "[check]\npublic-suffixes=maybe\n";
        QTest::newRow("public suffixes") << SuffixRow{{}, dns, bySuffix, free};
        QTest::newRow("no public suffixes") << SuffixRow{{"--no-public-suffixes"}, dns, byTld, free};
        QTest::newRow("public suffixes off in quorvane.ini") << SuffixRow{{}, off + dns, byTld, free};
        QTest::newRow("public suffixes: no switch") << SuffixRow{{}, maybe + dns, bySuffix, free, true};
        QTest::newRow("dns first") << SuffixRow{
            {"--dns", "first"}, dns, u"example.af"_s, "example.com.af|Taken www.example.af|FREE"};
        QTest::newRow("dns off for one run")
            << SuffixRow{{"--dns", "off"}, dns + "mode=first\n", bySuffix, free};
    }
    void suffixAndDnsOptions()
    {
        QFETCH(const SuffixRow, row);
        auto [args, ini, whoisQueries, rows, warned] = row;
        LoopbackWhoisServer server;
        server.setDefault(Reply::text("no match for it\r\n"));
        LoopbackDnsServer dns;
        dns.script(u"example.af"_s, LoopbackDnsServer::Answer::NxDomain);
        TempDataFolder folder;
        WhoisConfig config;
        config.table.AddTldEntry(u"af"_s, server.address(), QString());
        config.freeResponses = {u"no match for"_s};
        ScriptedPrompter prompter;
        QVERIFY(SaveSettings(folder.path(), config, ProgramOptions(), prompter));
        folder.write("quorvane.ini", ini + "servers=" + dns.address().toLatin1() + '\n');
        folder.write("names.txt", "example.com.af\nwww.example.af\n");
        QByteArray err;
        QCOMPARE(checkHere(folder, args + QStringList{"--columns", "1,4", folder.file("names.txt")}, &err),
                 0);
        QStringList asked = server.queries();
        asked.sort();
        QCOMPARE(asked.join(u','), whoisQueries);
        QCOMPARE(reportLines(folder).join('\n'),
                 "Domain|Availability\r\n\n" + rows.replace(' ', "\r\n") + '\r');
        QCOMPARE(err.contains("check/public-suffixes"), warned);
    }

    // --rdap chooses for one run whether the bootstrap is asked; the table's own RDAP servers are
    // asked either way, and with "off" every other line is what it would be without RDAP.
    void rdapSwitch()
    {
        LoopbackHttpServer rdap;
        rdap.setHandler([](const QString &line) {
            return line.contains(u"/domain/aa.com "_s)
                       ? LoopbackHttpServer::Reply::http(
                             200,
                             R"({"objectClassName":"domain","ldhName":"aa.com","status":["active"],)"
                             R"("events":[{"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"}]})")
                       : LoopbackHttpServer::Reply::http(404, {});
        });
        LoopbackWhoisServer whois;
        whois.setDefault(Reply::text("Domain: bb.net\r\nExpires on: 2030-01-01\r\nStatus: ok\r\n"));
        TempDataFolder folder;
        const QString base = "http://" + rdap.address() + "/";
        writeCliSettings(folder, base, false, whois.address());
        folder.write("rdap-dns.json", R"({"services":[[["zz"],[")" + base.toLatin1() + R"("]]]})");
        folder.write("names.txt", "aa.com\nbb.net\ncc.zz\n");
        QList<QByteArray> rows[2]; // with --rdap off and without
        const QStringList options[2] = {{"--rdap", "off"}, {}};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(checkHere(folder, options[i] + QStringList{folder.file("names.txt")}), 0);
            rows[i] = reportLines(folder);
        }
        QVERIFY(rows[0][2].startsWith("aa.com|2|com|Taken|03-02-31|"));
        QVERIFY(rows[0][3].startsWith("bb.net|2|net|Taken|01-01-30|"));
        QCOMPARE(rows[0][4], "cc.zz|2|zz|N/A|N/A|N/A|Unable to check, no TLD info found\r");
        QCOMPARE(rows[1][4], "cc.zz|2|zz|FREE|N/A|0 days|N/A\r");
        QCOMPARE(rows[0].mid(0, 4), rows[1].mid(0, 4));
        QCOMPARE(rdap.requestCount(), 3); // aa.com twice, cc.zz once
        QCOMPARE(rdap.requestLines().join(u' ').count(u"GET /domain/aa.com "_s), 2);
    }

    // A FILE that cannot be read creates no report, and a run that cannot start keeps an earlier one.
    void failuresBeforeTheRunLeaveReportsAlone()
    {
        LoopbackWhoisServer server;
        TempDataFolder folder;
        writeCliSettings(folder, server.address());
        folder.write("empty.txt", "\n  \nnot a name\n");
        folder.write("old.txt", "earlier report\r\n");
        const std::tuple<const char *, int, QString> cases[] = {
            {"missing.txt", 2, "cannot read " + folder.file("missing.txt") + ": No such file"},
            {"empty.txt", 1, "Please add some domains using the 'Add' button before you start."},
        };
        for (const auto &[names, exitCode, message] : cases) {
            for (const char *report : {"new.txt", "old.txt"}) {
                QByteArray err;
                QCOMPARE(checkHere(folder, {"--output", folder.file(report), folder.file(names)}, &err),
                         exitCode);
                QVERIFY2(err.contains(message.toLocal8Bit()), err.constData());
                QCOMPARE(err.count('\n'), 1);
            }
        }
        QCOMPARE(server.acceptedCount(), 0);
        QVERIFY(!folder.exists("new.txt"));
        QCOMPARE(folder.read("old.txt"), QByteArray("earlier report\r\n"));
    }
};

QV_TEST_GUILESS_MAIN(TestCheckCommand)
#include "tst_checkcommand.moc"
