#include "config/deftlds.h"
#include "config/tldservertable.h"
#include "support/qtprinters.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

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
    // The first rows share their three hosts in turn; free responses keep their
    // quotes, runs of spaces and the line feed.
    const auto row = [&](int i) {
        return table.row(i).key + u'|' + table.row(i).servers + u'|' + table.row(i).freeResponse;
    };
    EXPECT_EQ(
        QStringList({row(0), row(1), row(7), row(30), row(110)}),
        QStringList(
            {"com|whois.internic.net, whois.verisign-grs.com, whois.crsnic.net|no match for \"$domain$\".",
             "net|whois.verisign-grs.com, whois.crsnic.net, whois.internic.net|no match for \"$domain$\".",
             "eu|whois.eu|status:      free", "cx|whois.nic.cx|domain: $domain$\nstatus: not registered",
             "gov.hk|whois.hkirc.hk|domain not found"}));

    WhoisConfig config;
    config.freeResponses = {"custom"};
    config.restorefreeresponses();
    config.restorefailedresponses();
    const QStringList &f = config.freeResponses, &e = config.errorResponses;
    EXPECT_EQ(
        QStringList(
            {QString::number(f.size()), f.value(12), f.value(27), QString::number(e.size()), e.value(8)}),
        QStringList({"28", "status:      free", "status:         avail", "9", "error for \"=$domain$\""}));
}
