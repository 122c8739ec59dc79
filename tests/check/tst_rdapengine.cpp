#include "config/rdapbootstrap.h"
#include "enginefixture.h"
#include "support/loopbackhttpserver.h"
#include "support/testmain.h"

#include <QUrl>

using namespace Qt::StringLiterals;
using Http = LoopbackHttpServer::Reply;
using Whois = LoopbackWhoisServer::Reply;

namespace {

using Harness = EngineHarness;

// The RDAP answers of the tests, by request path.
class RdapServer : public LoopbackHttpServer
{
public:
    RdapServer()
    {
        setHandler([this](const QString &line) {
            const QString path = line.section(u' ', 1, 1);
            if (const auto found = m_replies.constFind(path); found != m_replies.constEnd())
                return *found;
            return m_default;
        });
    }
    QString base() const { return u"http://"_s + address() + u'/'; }
    void on(const QString &path, const Http &reply) { m_replies.insert(path, reply); }
    void setDefault(const Http &reply) { m_default = reply; }
    QStringList paths() const
    {
        QStringList out;
        for (const QString &line : requestLines())
            out << line.section(u' ', 1, 1);
        return out;
    }

private:
    QHash<QString, Http> m_replies;
    Http m_default = Http::http(404, {});
};

QByteArray domainJson(const QByteArray &name, const QByteArray &expiry, const QByteArray &status)
{
    return R"({"objectClassName":"domain","handle":"1_DOMAIN","ldhName":")" + name + R"(","status":[)" +
           status +
           R"(],"events":[{"eventAction":"registration","eventDate":"1995-08-14T04:00:00Z"},)"
           R"({"eventAction":"expiration","eventDate":")" +
           expiry +
           R"("}],"rdapConformance":["rdap_level_0"],"notices":[{"title":"Terms of Use","description":["x"]}]})";
}

} // namespace

class TestRdapEngine : public QObject
{
    Q_OBJECT
private slots:
    // Redirects, bounds and every kind of reply are the fetcher's and the classifier's own tests;
    // here, that their verdicts reach the list as a WHOIS server's would.
    void everyKindOfAnswer()
    {
        RdapServer rdap;
        rdap.on(u"/domain/free.com"_s, Http::http(404, R"({"errorCode":404})"));
        rdap.on(u"/domain/taken.com"_s, Http::http(200,
                                                   domainJson("TAKEN.COM", "2031-02-03T04:05:06Z",
                                                              R"("active","client transfer prohibited")"),
                                                   {"Content-Type: application/rdap+json"}));
        rdap.on(u"/domain/huge.com"_s, Http::http(200, "{\"x\":\"" + QByteArray(600 * 1024, 'x') + "\"}"));
        // The same date from a WHOIS server: both kinds must show it alike.
        LoopbackWhoisServer whois;
        whois.onQuery(u"taken.org"_s, Whois::text("Domain Name: TAKEN.ORG\r\nRegistry Expiry Date: "
                                                  "2031-02-03T04:05:06Z\r\nDomain Status: active\r\n"));
        Harness h;
        h.serve(u"com"_s, {rdap.base()});
        h.serve(u"org"_s, {whois.address()});
        h.add({"free.com", "taken.com", "huge.com", "taken.org"});
        QVERIFY(h.run());
        QCOMPARE(h.prompter.texts(), QStringList{checkText::kProgramDone});
        QCOMPARE(h.cells(ColAvailability, {"free.com", "taken.com"}), "FREE|Taken"_L1);
        QCOMPARE(h.cells(ColInformation, {"taken.com", "huge.com"}),
                 "Status: active, client transfer prohibited|Erroneous RDAP response (reply too large)"_L1);
        QCOMPARE(h.cells(ColExpiration, {"taken.com"}) + h.cells(ColExpiresIn, {"taken.com"}),
                 h.cells(ColExpiration, {"taken.org"}) + h.cells(ColExpiresIn, {"taken.org"}));
        QCOMPARE(h.work().count("\r\n"), 4);
        for (const QByteArray &request : rdap.requests())
            QVERIFY2(request.contains("\r\nAccept: application/rdap+json\r\n"), request.constData());
    }

    void sixRequestsAtATimeToAServer()
    {
        // Ten slots, one silent server: six requests go out, four slots wait for them and are not
        // timed out while they wait; each request that ends lets one go.
        RdapServer rdap;
        rdap.setDefault(Http::silence());
        Harness h;
        h.serve(u"com"_s, {rdap.base()});
        h.ctx.options.connections = u"10"_s;
        const QStringList names = nameSeries(10);
        h.add(names);
        QVERIFY(h.start());
        const auto waiting = [&] {
            int count = 0;
            for (int i = 0; i < 10; ++i)
                count += h.engine.connectionSlot(i).waitingForServer ? 1 : 0;
            return count;
        };
        QVERIFY(QTest::qWaitFor([&] { return waiting() == 4 && rdap.requestCount() == 6; }));
        h.clock.advance(h.engine.session().timeoutMs);
        h.engine.Timeout1_Timer();
        QCOMPARE(h.engine.session().processed, 6);
        QVERIFY(QTest::qWaitFor([&] { return rdap.requestCount() == 10; }));
        QCOMPARE(waiting(), 0);
        h.clock.advance(h.engine.session().timeoutMs);
        h.engine.Timeout1_Timer();
        QVERIFY(h.waitDone());
        QCOMPARE(h.cells(ColInformation, names), QStringList(10, checkText::kTimeout).join(u'|'));
    }

    void announcedWaits_data()
    {
        QTest::addColumn<QByteArrayList>("retryAfter"); // the 429s' headers, in the order they are sent
        QTest::addColumn<int>("waitMs");                // what the run keeps for the server; -1: nothing
        QTest::newRow("120 s") << QByteArrayList{"120"} << 120000;
        QTest::newRow("121 s, cut to 120") << QByteArrayList{"121"} << 120000;
        QTest::newRow("0 s") << QByteArrayList{"0"} << -1;
        QTest::newRow("a longer wait, then a shorter") << QByteArrayList{"20", "1"} << 20000;
    }

    void announcedWaits()
    {
        QFETCH(QByteArrayList, retryAfter);
        QFETCH(int, waitMs);
        RdapServer rdap;
        qsizetype answered = 0;
        rdap.setHandler([&](const QString &) {
            if (answered < retryAfter.size())
                return Http::http(429, {}, {"Retry-After: " + retryAfter[answered++]});
            return Http::http(404, {});
        });
        Harness h;
        h.engine.setPacingOverride(false);
        h.serve(u"com"_s, {rdap.base()});
        h.ctx.options.retry = true;
        h.ctx.options.retryTimes = u"1"_s;
        h.ctx.options.connections = QString::number(retryAfter.size());
        const QStringList names = nameSeries(int(retryAfter.size()));
        h.add(names);
        QVERIFY(h.start());
        const QString server = rdapServerKey(QUrl(rdap.base()));
        if (waitMs < 0) {
            QVERIFY(h.waitDone());
            QCOMPARE(h.cells(ColAvailability, names), u"FREE"_s);
            return;
        }
        QVERIFY(QTest::qWaitFor([&] {
            for (int i = 0; i < names.size(); ++i) {
                if (!h.engine.connectionSlot(i).deferred)
                    return false;
            }
            return true;
        }));
        QCOMPARE(ticksSince(h.engine.session().rdapNotBefore.value(server), h.clock.tickCount()), waitMs);
        h.engine.allstopper();
    }

    void rotationOverBothKinds()
    {
        // WHOIS (a throttling notice) -> RDAP (503) -> WHOIS (an error response, then asked the
        // exact-match way, an answer).
        LoopbackWhoisServer w1, w2;
        w1.setDefault(Whois::text("Too many queries from your address, try again later\r\n"));
        w2.setDefault(Whois::text("Limit exceeded\r\n"));
        w2.onQuery(u"=rot.com"_s, Whois::text("No match for rot.com\r\n"));
        RdapServer rdap;
        rdap.setDefault(Http::http(503, {}));
        Harness h;
        h.engine.setPacingOverride(false);
        h.serve(u"com"_s, {w1.address(), rdap.base(), w2.address()});
        h.ctx.options.retry = true;
        h.ctx.options.retryTimes = u"3"_s;
        h.ctx.options.connections = u"1"_s;
        h.add({"rot.com", "never.com"});
        QVERIFY(h.run());
        QCOMPARE(w1.queries(), (QStringList{"rot.com", "never.com", "=never.com"}));
        QCOMPARE(rdap.paths(), (QStringList{"/domain/rot.com", "/domain/never.com", "/domain/never.com"}));
        QCOMPARE(w2.queries(), (QStringList{"=rot.com", "=never.com"}));
        // Five attempts (the first and four retries), the last on RDAP: its text is written.
        QCOMPARE(h.work(), "rot.com\001FREE\001N/A\001N/A\r\n"
                           "never.com\001N/A\001N/A\001Erroneous RDAP response (HTTP 503)\r\n");
    }

    void bootstrapModes()
    {
        // .yy has a WHOIS server that refuses; .zz has no row. The bootstrap serves both.
        struct Case {
            const char *mode;
            QString yy, zz;
            QStringList paths;
            int whoisTries;
        };
        const Case cases[] = {
            {"off", u"Error: "_s, checkText::kNoTldInfo, {}, 1},
            {"fallback", u"Taken"_s, u"FREE"_s, {"/domain/name.yy", "/domain/name.zz"}, 1},
            {" First ", u"Taken"_s, u"FREE"_s, {"/domain/name.yy", "/domain/name.zz"}, 0}, // as typed by hand
            {"sometimes", u"Taken"_s, u"FREE"_s, {"/domain/name.yy", "/domain/name.zz"}, 1},
        };
        for (const Case &c : cases) {
            RdapServer rdap;
            rdap.on(u"/domain/name.yy"_s, Http::http(200, domainJson("name.yy", "2030-01-01", "\"ok\"")));
            LoopbackWhoisServer whois;
            whois.setDefault(Whois::reset());
            Harness h;
            h.serve(u"yy"_s, {whois.address()});
            h.folder.write(u"rdap-dns.json"_s,
                           R"({"services":[[["yy","zz"],[")" + rdap.base().toLatin1() + R"("]]]})");
            h.ctx.extra.setValue(kRdapModeKey, QString::fromLatin1(c.mode));
            h.ctx.options.connections = u"1"_s;
            h.add({"name.yy", "name.zz"});
            QVERIFY(h.run());
            const QString yy = h.cells(c.yy == "Taken"_L1 ? ColAvailability : ColInformation, {"name.yy"});
            QVERIFY2(yy.startsWith(c.yy), qPrintable(yy));
            QCOMPARE(h.cells(c.zz == "FREE"_L1 ? ColAvailability : ColInformation, {"name.zz"}), c.zz);
            QCOMPARE(rdap.paths(), c.paths);
            QCOMPARE(whois.acceptedCount(), c.whoisTries);
            // An unusable mode is named once, and the default used.
            const bool unusable = qstrcmp(c.mode, "sometimes") == 0;
            QCOMPARE(h.prompter.log().size(), unusable ? 2 : 1);
            QCOMPARE(h.prompter.texts().first().contains(
                         u"\"sometimes\", is not off, fallback or first; using fallback"_s),
                     unusable);
        }
    }
};

QV_TEST_GUILESS_MAIN(TestRdapEngine)
#include "tst_rdapengine.moc"
