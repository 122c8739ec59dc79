#include "config/dnssettings.h"
#include "enginefixture.h"
#include "support/loopbackdnsserver.h"
#include "support/testmain.h"

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;
using Dns = LoopbackDnsServer::Answer;

namespace {

// A check with the DNS pre-check against the test's DNS server, WHOIS behind it.
struct DnsHarness : EngineHarness {
    LoopbackWhoisServer whois;
    LoopbackDnsServer dns;

    explicit DnsHarness(bool first = true)
    {
        whois.setDefault(Reply::text("no match for it\r\n"));
        serve(u"com"_s, {whois.address()});
        if (first)
            ctx.extra.setValue(kDnsModeKey, u"first"_s);
        ctx.extra.setValue(kDnsServersKey, dns.address());
        ctx.extra.setValue(kDnsTimeoutKey, 1);
    }
};

} // namespace

class TestDnsEngine : public QObject
{
    Q_OBJECT

private slots:
    // Only NS records settle a name (taken, no WHOIS query); every other answer,
    // and silence after the retry, leaves it to WHOIS, which finds these free.
    void answersThatSettleAndAnswersThatDoNot()
    {
        DnsHarness h;
        const std::pair<const char *, Dns> scripted[] = {
            {"nx.com", Dns::NxDomain},         {"nodata.com", Dns::NoData},
            {"servfail.com", Dns::ServFail},   {"refused.com", Dns::Refused},
            {"silent.com", Dns::Silence},      {"truncated.com", Dns::Truncated},
            {"malformed.com", Dns::Malformed}, {"wrongid.com", Dns::WrongId},
            {"otherport.com", Dns::OtherPort},
        };
        QStringList toWhois;
        for (const auto &[name, answer] : scripted) {
            h.dns.script(QString::fromLatin1(name), answer);
            toWhois << QString::fromLatin1(name);
        }
        h.add(toWhois + QStringList{"ns.com", "www.sub.com", "bad_name.com"});
        QVERIFY(h.run());
        toWhois.sort();
        QStringList asked = h.whois.queries();
        asked.sort();
        QCOMPARE(asked, toWhois);
        QCOMPARE(h.cells(ColAvailability, {"ns.com", "www.sub.com"}) + u'|' +
                     h.cells(ColExpiration, {"ns.com", "www.sub.com"}),
                 "Taken|Taken|N/A|N/A"_L1);
        QCOMPARE(h.cells(ColInformation, {"ns.com", "www.sub.com", "bad_name.com"}),
                 "Delegated: ns1.ns.com, ns2.ns.com|Delegated: ns1.sub.com, ns2.sub.com|"_L1 +
                     checkText::kInvalidDomainFormat);
        // The registrable part is asked; a silent server once more; a bad name never.
        QVERIFY(h.dns.queries().contains(u"sub.com"_s));
        QCOMPARE(h.dns.queries().count(u"silent.com"_s), 2);
        QVERIFY(!h.dns.queries().contains(u"bad_name.com"_s));
        QCOMPARE(h.ctx.run.freeCount, 9);
    }

    // Off (the default), nothing is asked at DNS; a value that cannot be used is
    // reported and its default kept; servers that cannot be used leave the run to WHOIS.
    void modesAndUnusableSettings()
    {
        const struct {
            QString key, value;
            int dnsQueries;
            QString warning;
        } cases[] = {
            {kDnsModeKey, {}, 0, {}}, // off by default
            {kDnsModeKey, u"sometimes"_s, 0, u"is not off or first"_s},
            {kDnsLookupsKey, u"0"_s, 2, u"dns/lookups"_s},
            {kDnsServersKey, u"not an address"_s, 0, u"DNS servers"_s},
        };
        for (const auto &c : cases) {
            DnsHarness h(c.key != kDnsModeKey);
            if (!c.value.isEmpty())
                h.ctx.extra.setValue(c.key, c.value);
            h.add({"aa.com", "bb.com"});
            QVERIFY(h.run());
            QCOMPARE(h.dns.queryCount(), c.dnsQueries);
            QCOMPARE(h.whois.queryCount(), 2 - c.dnsQueries);
            const auto &log = h.prompter.log();
            QCOMPARE(log.size(), c.warning.isEmpty() ? 1 : 2); // and "The program is done!"
            QVERIFY2(log.first().text.contains(c.warning), qPrintable(log.first().text));
        }
    }
};

QV_TEST_GUILESS_MAIN(TestDnsEngine)
#include "tst_dnsengine.moc"
