#include "config/deftlds.h"
#include "config/tldservertable.h"
#include "support/qtprinters.h"

#include <QHash>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Every default row in order: its TLD and, per server, which host it is. Hn
// names a host shared between rows, "own" a host no other row uses.
const char *const kLayout =
    "com:H1,H2,H3 net:H2,H3,H1 org:own info:own biz:own us:own name:own eu:own in:H4 cc:own,own "
    "tv:own,own co.uk:H5 org.uk:H5 ac.uk:own ae:own at:own am:own as:own ag:own au:own ac:own bz:own "
    "be:own bg:own br:H6 com.br:H6 ca:own ch:own cn:own co.in:H4 cx:own cz:own de:own,own,H7 dk:own "
    "ee:own fi:own fr:own,H7 fo:H7 gs:own gg:H8 hk:H9 hm:own hu:own ie:own co.il:own io:own ir:own "
    "is:own it:own je:H8 jp:own ke:own kr:own la:H10 li:own lt:own lu:own lv:own ms:H11 mx:own nl:own "
    "no:own nu:own nz:H12 net.nz:H12 pl:own pt:own re:own ro:own ru:own sc:H10 net.sg:own se:own sh:own "
    "si:own st:own sk:own tc:H11 tf:own ac.th:H13 co.th:H13 in.th:H13 tk:own tm:own to:own tr:own tw:own "
    "ua:own co.ug:own va:H7 vg:H11 ws:own,own aero:own cat:own museum:own coop:own int:own edu:own,H1 "
    "org.au:none com.au:none com.hk:none org.hk:none edu.hk:none edu.au:none net.au:none asn.au:none "
    "gov.au:none co.za:none csiro.au:none com.tr:none gov.hk:H9";

} // namespace

TEST(DefTlds, EveryRowInOrderWithItsServerLayoutAndTheDefaultResponseLists)
{
    TldServerTable table;
    deftlds(table);
    const QStringList layout = QString::fromLatin1(kLayout).split(u' ');
    ASSERT_EQ(table.count(), 111);
    QHash<QString, QString> hostOfLabel, labelOfHost;
    const QRegularExpression hostName(QStringLiteral("^[a-z0-9-]+(\\.[a-z0-9-]+)+$"));
    for (int i = 0; i < 111; ++i) {
        const QString tld = layout[i].section(u':', 0, 0);
        const QStringList labels = layout[i].section(u':', 1).split(u',');
        const QStringList hosts = table.row(i).servers.split(QStringLiteral(", "));
        EXPECT_EQ(table.row(i).key, tld) << i;
        ASSERT_EQ(hosts.size(), labels.size()) << tld.toStdString();
        for (int s = 0; s < hosts.size(); ++s) {
            // A shared label is the same host everywhere; different labels, and
            // every "own", are different hosts.
            const QString label = labels[s] == "own" ? tld + u'#' + QString::number(s) : labels[s];
            EXPECT_TRUE(label == "none" ? hosts[s] == "none" : hostName.match(hosts[s]).hasMatch()) << i;
            EXPECT_EQ(hostOfLabel.value(label, hosts[s]), hosts[s]) << label.toStdString();
            EXPECT_EQ(labelOfHost.value(hosts[s], label), label) << hosts[s].toStdString();
            hostOfLabel.insert(label, hosts[s]);
            labelOfHost.insert(hosts[s], label);
        }
    }
    // Free responses keep their quotes, runs of spaces and the line feed.
    const auto free = [&](int i) { return table.row(i).freeResponse; };
    EXPECT_EQ(QStringList({free(0), free(3), free(7), free(30)}), // com, info, eu, cx
              QStringList({"no match for \"$domain$\".", "", "status:      free",
                           "domain: $domain$\nstatus: not registered"}));

    WhoisConfig config;
    config.freeResponses = {"custom"};
    config.restorefreeresponses();
    config.restorefailedresponses();
    const QStringList &f = config.freeResponses, &e = config.errorResponses;
    EXPECT_EQ(QStringList({QString::number(f.size()), f.value(12), f.value(27), QString::number(e.size())}),
              QStringList({"28", "status:      free", "status:         avail", "9"}));
    EXPECT_EQ(e.value(8), "error for \"=$domain$\"");
}
