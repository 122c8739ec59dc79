#include "base/hostport.h"
#include "config/deftlds.h"
#include "config/tldservertable.h"
#include "support/qtprinters.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(TldServerTable, AddTldEntryValidates)
{
    TldServerTable table;
    for (const QString &tld : {QString("c"), QString("c0m"), QString("c-m"), QString("c m"), QString(""),
                               QString::fromUtf8("c\u00f6 m"), QString(256, u'b')})
        EXPECT_FALSE(table.AddTldEntry(tld, "whois.example.net", "")) << tld.left(20).toStdString();
    for (const QString &tld : {QString("com"), QString("co.uk"), QString("Org.Au"), QString(255, u'a')})
        EXPECT_TRUE(table.AddTldEntry(tld, "whois.example.net", "")) << tld.left(20).toStdString();
    EXPECT_FALSE(table.AddTldEntry("COM", "other.example.net", "")); // same key in another case
    EXPECT_FALSE(table.AddTldEntry("net", "", ""));
    EXPECT_EQ(QString::number(table.count()) + u'|' + table.row(0).servers + u'|' + table.row(2).tld + u'|' +
                  table.row(2).key,
              "4|whois.example.net|ORG.AU|org.au");
    ASSERT_TRUE(table.AddTldEntry("nl", " a.example , b.example ", "$Domain$ Is Free"));
    EXPECT_EQ(table.rows().back().servers + u'|' + table.rows().back().freeResponse,
              " a.example , b.example |$domain$ is free"); // servers kept as typed
}

TEST(TldServerTable, EditAndRemoveKeepKeysConsistent)
{
    TldServerTable table;
    table.AddTldEntry("com", "a.example", "free");
    table.AddTldEntry("net", "b.example", "");
    table.AddTldEntry("org", "c.example", "");
    EXPECT_TRUE(table.EditTldEntry(0, "COM", "a2.example", "")); // its own TLD is no duplicate
    EXPECT_EQ(table.row(0).freeResponse, "free");                // empty field: unchanged
    EXPECT_FALSE(table.EditTldEntry(0, "net", "x", ""));
    EXPECT_FALSE(table.EditTldEntry(0, "n3t", "x", ""));
    EXPECT_FALSE(table.EditTldEntry(0, "info", "", ""));
    EXPECT_TRUE(table.EditTldEntry(0, "info", "d.example", "No Match"));
    EXPECT_TRUE(table.AddTldEntry("com", "a.example", "")); // the old key is free again
    EXPECT_FALSE(table.AddTldEntry("info", "a.example", ""));
    table.removeRow(1); // net
    EXPECT_TRUE(table.AddTldEntry("net", "b.example", ""));
    EXPECT_TRUE(table.EditTldEntry(1, "org", "c2.example", "")); // index of org moved to 1
    EXPECT_EQ(table.tlds().join(u' ') + u'|' + table.row(0).freeResponse, "info org com net|no match");
}

TEST(TldServerTable, PopulatewserversSplitsServerTextAndLooksUpExactly)
{
    TldServerTable table;
    table.AddTldEntry("com", "a.example, b.example", "No Match For");
    table.AddTldEntry("net", "a.example,", ""); // empty pieces are servers too
    table.AddTldEntry("co.uk", " a . example ,, b.example:4343 ", "");
    const std::vector<TldServerRecord> records = populatewservers(table);
    QStringList got;
    for (const TldServerRecord &r : records)
        got << r.tld + u';' + r.servers.join(u'|') + u';' + QString::number(r.serverCount) + u';' +
                   r.freeResponse;
    EXPECT_EQ(got, QStringList({"com;a.example|b.example;2;no match for", "net;a.example|;2;",
                                "co.uk;a.example||b.example:4343;3;"}));
    EXPECT_EQ(findTldRecord(records, "co.uk"), 2);
    EXPECT_EQ(findTldRecord(records, "uk"), -1); // only an exact match counts
}

// The one reader of "host[:port]" that the TLD table, the harvester and the
// feedback form share.
TEST(HostPort, EveryFormAndEachSideOfItsBounds)
{
    const char *const problems[] = {"", "no host", "bad host", "no port", "bad port"};
    const char *const cases[][2] = {
        // text, "host port" or the problem
        {"w.example", "w.example 43"},
        {" w.example:4343 ", "w.example 4343"},
        {"127.0.0.1:10043", "127.0.0.1 10043"},
        {"Host_1-a.example:1", "Host_1-a.example 1"},
        {"w.example:65535", "w.example 65535"},
        {"w.example:0", "bad port"},
        {"w.example:65536", "bad port"},
        {"w.example:99999999999", "bad port"},
        {"w.example:+43", "bad port"},
        {"w.example: 43", "bad port"},
        {"w.example:", "no port"},
        {":43", "no host"},
        {"", "no host"},
        {"[::1]", "::1 43"},
        {"[2001:db8::1]:4343", "2001:db8::1 4343"},
        {"::1", "::1 43"},
        {"[::1]:65536", "bad port"},
        {"[]:43", "no host"},
        {"[::1]x", "bad host"},
        {"[::1", "bad host"},
        {"[127.0.0.1]", "bad host"},
        {"a:b:c", "bad host"},
        {"two words", "bad host"},
        {"host/path:80", "bad host"},
        {"http://host", "bad port"},
        {"evil.com/x\r\nX-Injected: 1", "bad host"},
        {"b\xc3\xbc"
         "cher.example",
         "bad host"},
    };
    for (const auto &[text, expected] : cases) {
        const HostPort parsed = parseHostPort(QString::fromUtf8(text), 43);
        EXPECT_EQ(parsed.valid() ? parsed.host + u' ' + QString::number(parsed.port)
                                 : QString::fromLatin1(problems[int(parsed.problem)]),
                  QString::fromLatin1(expected))
            << text;
    }
    EXPECT_EQ(hostPortText("::1", 8081, 80), "[::1]:8081");
    EXPECT_EQ(hostPortText("search.example", 80, 80), "search.example");
    // The TLD table's servers keep the WHOIS port unless another is written.
    EXPECT_EQ(parseServerAddress(" [::1]:4343").port, 4343);
    EXPECT_FALSE(parseServerAddress("w.example:0").valid);
}

// A TLD in another script is kept in its ASCII form, which may also be typed.
TEST(TldServerTable, InternationalTlds)
{
    TldServerTable table;
    EXPECT_TRUE(table.AddTldEntry(QString::fromUtf8("\u0440\u0444"), "whois.example.net", ""));
    EXPECT_EQ(table.row(0).key + u'|' + table.row(0).tld, "xn--p1ai|XN--P1AI");
    EXPECT_FALSE(table.AddTldEntry("XN--P1AI", "other.example.net", "")); // the same TLD
    EXPECT_TRUE(table.contains(QString::fromUtf8("\u0420\u0424")));
    EXPECT_TRUE(table.AddTldEntry("com.xn--90a3ac", "whois.example.net", ""));
    EXPECT_TRUE(table.AddTldEntry(QString::fromUtf8("c\u00f6m"), "whois.example.net", ""));
    EXPECT_EQ(table.row(2).key, "xn--cm-fka");
    for (const char *tld : {"xn--a", "xn--p1ai-", "xn--", "xx--p1ai", "xn--p1ai.x1"})
        EXPECT_FALSE(table.AddTldEntry(tld, "whois.example.net", "")) << tld;
    EXPECT_TRUE(table.EditTldEntry(0, QString::fromUtf8("\u0441\u0440\u0431"), "whois.example.net", ""));
    EXPECT_EQ(table.row(0).key, "xn--90a3ac");
    EXPECT_EQ(table.count(), 3);
}

TEST(DefTlds, EveryRowIsOneTheTableAcceptsWithLandmarksInPlace)
{
    TldServerTable table;
    deftlds(table);
    ASSERT_EQ(table.count(), 111);
    // Each row would pass the settings window's own checks, in order: a valid TLD
    // not yet in the table, and servers that are host names. Only second-level
    // TLDs without a server of their own carry "none".
    TldServerTable typed;
    const QRegularExpression hostName(QStringLiteral("^[a-z0-9-]+(\\.[a-z0-9-]+)+$"));
    int without = 0;
    for (const TldEntry &e : table.rows()) {
        EXPECT_TRUE(typed.AddTldEntry(e.tld, e.servers, e.freeResponse)) << e.key.toStdString();
        for (const QString &server : e.servers.split(QStringLiteral(", "))) {
            EXPECT_TRUE(server == "none" ? e.key.contains(u'.') : hostName.match(server).hasMatch())
                << e.key.toStdString() << ": " << server.toStdString();
            without += server == "none";
        }
    }
    EXPECT_EQ(without, 12);
    // Free responses keep their runs of spaces and the line feed.
    const auto row = [&](int i) { return table.row(i).servers + u'|' + table.row(i).freeResponse; };
    EXPECT_EQ(row(7) + u'|' + row(30),
              "whois.eu|status:      free|whois.nic.cx|domain: $domain$\nstatus: not registered");
}
