#include "config/tldservertable.h"
#include "engine/qtprinters.h"

#include <gtest/gtest.h>

TEST(TldServerTable, AddTldEntryValidates)
{
    const struct {
        QString tld;
        QString servers;
        bool added;
    } cases[] = {
        {"com", "whois.example.net", true},  {"COM", "other.example.net", false}, // same key in another case
        {"co.uk", "whois.example.net", true}, {"Org.Au", "whois.example.net", true},
        {"c", "whois.example.net", false},    {"c0m", "whois.example.net", false},
        {"c-m", "whois.example.net", false},  {"c m", "whois.example.net", false},
        {QString::fromUtf8("c\u00f6m"), "whois.example.net", false}, {"", "whois.example.net", false},
        {"net", "", false},                   {QString(255, u'a'), "whois.example.net", true},
        {QString(256, u'b'), "whois.example.net", false},
    };
    TldServerTable table;
    for (const auto &c : cases)
        EXPECT_EQ(table.AddTldEntry(c.tld, c.servers, QString()), c.added) << c.tld.left(20).toStdString();
    EXPECT_EQ(table.count(), 4);
    EXPECT_EQ(table.row(0).servers, "whois.example.net"); // the refused "COM" changed nothing
    EXPECT_EQ(table.row(2).tld, "ORG.AU");
    EXPECT_EQ(table.row(2).key, "org.au");
    ASSERT_TRUE(table.AddTldEntry("nl", " a.example , b.example ", "$Domain$ Is Free"));
    EXPECT_EQ(table.rows().back().servers, " a.example , b.example "); // kept as typed
    EXPECT_EQ(table.rows().back().freeResponse, "$domain$ is free");
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
    EXPECT_EQ(table.row(0).freeResponse, "no match");
    EXPECT_TRUE(table.AddTldEntry("com", "a.example", "")); // the old key is free again
    EXPECT_FALSE(table.AddTldEntry("info", "a.example", ""));
    table.removeRow(1); // net
    EXPECT_FALSE(table.contains("net"));
    EXPECT_TRUE(table.AddTldEntry("net", "b.example", ""));
    EXPECT_TRUE(table.EditTldEntry(1, "org", "c2.example", "")); // index of org moved to 1
    EXPECT_EQ(table.tlds(), QStringList({"info", "org", "com", "net"}));
    table.clear();
    EXPECT_TRUE(table.AddTldEntry("org", "c.example", ""));
}

TEST(TldServerTable, PopulatewserversSplitsServerTextAndLooksUpExactly)
{
    TldServerTable table;
    table.AddTldEntry("com", "a.example, b.example", "No Match For");
    table.AddTldEntry("net", "a.example,", "");
    table.AddTldEntry("co.uk", " a . example ,, b.example:4343 ", "");
    const std::vector<TldServerRecord> records = populatewservers(table);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].servers, QStringList({"a.example", "b.example"}));
    EXPECT_EQ(records[0].freeResponse, "no match for");
    EXPECT_EQ(records[1].servers, QStringList({"a.example", ""})); // empty pieces are servers too
    EXPECT_EQ(records[1].serverCount, 2);
    EXPECT_EQ(records[2].servers, QStringList({"a.example", "", "b.example:4343"}));
    EXPECT_EQ(records[2].tld, "co.uk");
    EXPECT_EQ(findTldRecord(records, "co.uk"), 2);
    EXPECT_EQ(findTldRecord(records, "uk"), -1); // only an exact match counts
    EXPECT_EQ(findTldRecord(records, "COM"), -1);
}

TEST(TldServerTable, ServerAddressMayCarryAPort)
{
    const struct {
        const char *text;
        const char *host; // nullptr: refused
        int port;
    } cases[] = {
        {"whois.example.net", "whois.example.net", 43},       {"127.0.0.1:10043", "127.0.0.1", 10043},
        {"whois.example.net:1", "whois.example.net", 1},      {"w.example:65535", "w.example", 65535},
        {" whois.example.net:4343 ", "whois.example.net", 4343}, {"[::1]:4343", "::1", 4343},
        {"[::1]", "::1", 43},                                 {"::1", "::1", 43},
        {"none", "none", 43},                                 {"w.example:0", nullptr, 0},
        {"w.example:65536", nullptr, 0},                      {"w.example:", nullptr, 0},
        {"w.example:abc", nullptr, 0},                        {"w.example:+43", nullptr, 0},
        {"w.example:99999999999", nullptr, 0},                {"[::1]x", nullptr, 0},
    };
    for (const auto &c : cases) {
        const ServerAddress a = parseServerAddress(QString::fromLatin1(c.text));
        EXPECT_EQ(a.valid, c.host != nullptr) << c.text;
        if (c.host) {
            EXPECT_EQ(a.host + u':' + QString::number(a.port), QString::asprintf("%s:%d", c.host, c.port));
        }
    }
}
