#include "net/csocketplus.h"
#include "sources/websearch.h"
#include "sourcetesting.h"

#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/testmain.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using Reply = LoopbackHttpServer::Reply;

namespace {

// "keyword:start/num" for each request the server saw.
QStringList queries(const LoopbackHttpServer &server)
{
    static const QRegularExpression query(u"q=([^&]*)&start=(\\d+)&num=(\\d+) "_s);
    QStringList out;
    for (const QString &line : server.requestLines()) {
        const QRegularExpressionMatch m = query.match(line);
        out << (m.hasMatch() ? m.captured(1) + u':' + m.captured(2) + u'/' + m.captured(3) : line);
    }
    return out;
}

HarvestRequest request(const QStringList &keywords, bool topOnly = false, int topLimit = 100)
{
    HarvestRequest r;
    r.keywords = keywords;
    r.topOnly = topOnly;
    r.topLimit = topLimit;
    r.delayMs = 0;
    return r;
}

// A harvester pointed at a loopback engine, without delays or jitter.
struct Search {
    LoopbackHttpServer server;
    WebSearchHarvester harvester;
    QSignalSpy finished{&harvester, &WebSearchHarvester::finished};
    QStringList skipped;

    explicit Search(int port = 0)
    {
        SearchEngine engine;
        engine.host = u"127.0.0.1"_s;
        engine.port = port ? port : server.serverPort();
        harvester.setEngine(engine);
        harvester.setNextDelayMs(0);
        harvester.setRandomSource([] { return 0.0; });
        QObject::connect(&harvester, &WebSearchHarvester::pageSkipped,
                         [this](const QString &reason) { skipped << reason; });
    }
    bool run(const HarvestRequest &r)
    {
        return harvester.start(r) && QTest::qWaitFor([this] { return finished.count() > 0; }, 10000);
    }
    QString found() { return harvester.found().items().join(u','); }
};

} // namespace

class TestWebHarvester : public QObject
{
    Q_OBJECT
private slots:
    void requestCarriesTheEncodedKeyword()
    {
        Search s;
        const QByteArray page = resultPage({}, false);
        s.server.setHandler([&](const QString &) { return Reply::page(page); });
        QVERIFY(s.run(request({u"a b+c:d"_s})));
        QCOMPARE(s.server.requests().size(), 1);
        QByteArray expected = "GET http://HOST/search?q=a%20b%2Bc%3Ad&start=0&num=100 HTTP/1.0\r\n"
                              "User-Agent: Mozilla/4.0 (compatible; Windows XP 5.1)\r\nHost: HOST\r\n"
                              "Connection: Close\r\nCache-Control: no-cache\r\n\r\n";
        QCOMPARE(s.server.requests().first(),
                 expected.replace("HOST", "127.0.0.1:" + QByteArray::number(s.server.serverPort())));
        QCOMPARE(s.harvester.bytesReceived(), qint64(page.size()));
    }

    void pagesPerKeyword()
    {
        const struct {
            bool topOnly;
            int topLimit, lastPage; // the first start whose page has no next link (-1: none)
            const char *expected;
        } rows[] = {
            {true, 50, -1,
             "k1:0/10 k1:10/10 k1:20/10 k1:30/10 k1:40/10 k2:0/10 k2:10/10 k2:20/10 k2:30/10 k2:40/10"},
            {true, 200, -1, "k1:0/100 k1:100/100 k2:0/100 k2:100/100"},
            {true, 50, 20,
             "k1:0/10 k1:10/10 k1:20/10 k2:0/10 k2:10/10 k2:20/10"}, // no next link ends a keyword
            {false, 10, 200, "k1:0/100 k1:100/100 k1:200/100 k2:0/100 k2:100/100 k2:200/100"}, // no limit
        };
        for (const auto &r : rows) {
            Search s;
            s.server.setHandler([&r](const QString &line) {
                const bool last = r.lastPage >= 0 && line.contains(u"start=%1&"_s.arg(r.lastPage));
                return Reply::page(resultPage({}, !last));
            });
            QVERIFY(s.run(request({u"k1"_s, u"k2"_s}, r.topOnly, r.topLimit)));
            QCOMPARE(queries(s.server).join(u' '), QLatin1String(r.expected));
            QCOMPARE(s.finished.count(), 1);
            QVERIFY(s.skipped.isEmpty());
        }
    }

    void failedPagesSkipToTheNextQuery()
    {
        // 0 silence, 1 close without a reply, 2 refused connection (the first two only for a skipped page).
        for (const int failure : {0, 1, 2}) {
            const auto failed = [failure] { return failure == 0 ? Reply::silence() : Reply::closeNow(); };
            // With a top limit: the failed first page is skipped and the second one still read.
            if (failure != 2) {
                Search s;
                s.harvester.setTimeoutMs(100);
                s.server.setHandler([&](const QString &line) {
                    return line.contains(QLatin1String("start=0&"))
                               ? failed()
                               : Reply::page(resultPage({"http://found.com/"}, true));
                });
                QVERIFY(s.run(request({u"k"_s}, true, 20)));
                QCOMPARE(queries(s.server).join(u' ') + u' ' + s.found(), u"k:0/10 k:10/10 found.com"_s);
                QCOMPARE(s.skipped.size(), 1);
            }
            // Without a limit: a keyword whose pages keep failing is given up after three tries.
            Search s(failure == 2 ? LoopbackWhoisServer::refusedPort() : 0);
            s.harvester.setTimeoutMs(100);
            s.server.setHandler([&](const QString &) { return failed(); });
            QVERIFY(s.run(request({u"k1"_s, u"k2"_s}, false, 1000)));
            QCOMPARE(s.skipped.size(), 6);
            if (failure != 2)
                QCOMPARE(queries(s.server).join(u' '),
                         u"k1:0/100 k1:100/100 k1:200/100 k2:0/100 k2:100/100 k2:200/100"_s);
            QVERIFY(!s.harvester.isRunning());
        }
    }

    // A read the socket refuses loses part of the page: the page is skipped with the reason,
    // never scanned as if it were whole, and the search goes on with the next page.
    void refusedReadSkipsThePage()
    {
        Search s;
        const QByteArray lost = resultPage({"http://lost.com/"}, true);
        s.server.setHandler([&](const QString &line) {
            if (line.contains(QLatin1String("start=0&")))
                return Reply::trickle({lost.left(40), lost.mid(40)}, 300);
            return Reply::page(resultPage({"http://kept.com/"}, false));
        });
        QVERIFY(s.harvester.start(request({u"k"_s}, true, 20)));
        QVERIFY(QTest::qWaitFor([&] { return s.harvester.bytesReceived() > 0; }, 5000));
        // An index the socket does not know makes its read fail.
        emit s.harvester.findChild<CSocketPlus *>()->dataArrivalEvent(QVariant(QStringList()), 1);
        QVERIFY(QTest::qWaitFor([&] { return s.finished.count() > 0; }, 10000));
        QCOMPARE(s.skipped, QStringList{u"Unsupported index type."_s});
        QCOMPARE(s.found(), u"kept.com"_s);
    }

    void stopIgnoresLateEvents()
    {
        Search s;
        // A page on its way when Stop comes, and a next page the delay would fetch.
        s.server.setHandler([](const QString &line) {
            if (line.contains(QLatin1String("q=slow")))
                return Reply::page(resultPage({"http://late.com/"}, true), 200);
            if (line.contains(QLatin1String("q=paged&start=0&")))
                return Reply::page(resultPage({"http://paged.com/"}, true));
            return Reply::page(resultPage({"http://after.com/"}, false));
        });
        s.harvester.setNextDelayMs(50);
        QVERIFY(s.harvester.start(request({u"slow"_s})));
        QVERIFY(s.server.waitForRequests(1));
        s.harvester.stop();
        QVERIFY(!s.harvester.isRunning());

        // Stopped between pages: the delay that was running fetches nothing.
        QObject::connect(
            &s.harvester, &WebSearchHarvester::pageScanned, &s.harvester, [&s] { s.harvester.stop(); },
            Qt::SingleShotConnection);
        QVERIFY(s.harvester.start(request({u"paged"_s})));
        QVERIFY(QTest::qWaitFor([&s] { return !s.harvester.isRunning(); }));

        // A later search sees none of it.
        QVERIFY(s.run(request({u"next"_s})));
        QCOMPARE(queries(s.server).join(u' '), u"slow:0/100 paged:0/100 next:0/100"_s);
        QCOMPARE(s.found(), u"paged.com,after.com"_s);
        QCOMPARE(s.finished.count(), 1);
    }

    void pageCappedInSizeAndTime()
    {
        {
            Search s;
            s.harvester.setPageCap(4000);
            // What came before the cap is scanned; the next link beyond it is never seen.
            const QByteArray page =
                resultPage({"http://early.com/"}, false) + QByteArray(20000, ' ') + "nav_next.gif";
            s.server.setHandler([&](const QString &) { return Reply::page(page); });
            QVERIFY(s.run(request({u"big"_s})));
            QCOMPARE(s.found(), u"early.com"_s);
            QCOMPARE(s.server.requestCount(), 1);
            QVERIFY(s.harvester.bytesReceived() <= 4000);
        }
        {
            Search s;
            s.harvester.setTimeoutMs(100);
            // A byte now and then keeps the time-out away, but not the page's time limit.
            QList<QByteArray> trickle{resultPage({"http://slow.com/"}, false)};
            for (int i = 0; i < 100; ++i)
                trickle << " ";
            s.server.setHandler([&](const QString &) { return Reply::trickle(trickle, 50); });
            QVERIFY(s.run(request({u"drip"_s}, true, 10)));
            QCOMPARE(s.skipped.size(), 1);
            QCOMPARE(s.found(), QString());
        }
    }
};

QV_TEST_GUILESS_MAIN(TestWebHarvester)
#include "tst_webharvester.moc"
