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
    // Free responses keep their runs of spaces and the line feed.
    const auto row = [&](int i) { return table.row(i).servers + u'|' + table.row(i).freeResponse; };
    EXPECT_EQ(row(7) + u'|' + row(30),
              "whois.eu|status:      free|whois.nic.cx|domain: $domain$\nstatus: not registered");
}
