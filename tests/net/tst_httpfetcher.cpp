#include "net/httpfetcher.h"
#include "support/loopbackhttpserver.h"
#include "support/loopbackwhoisserver.h"
#include "support/testmain.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Http = LoopbackHttpServer::Reply;
using Kind = HttpFetcher::Result::Kind;

namespace {

const QString kTlsDir = QStringLiteral(QV_TEST_DATA_DIR "/tls/");

// A 200 whose status line, header lines and closing blank line take exactly `total` bytes.
QByteArray headerOfSize(qsizetype total)
{
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n";
    const QByteArray name = "X-Fill: ";
    const qsizetype fill = total - head.size() - name.size() - 4;
    return head + name + QByteArray(fill, 'f') + "\r\n\r\n";
}

// Runs `index`'s request to `path` on `server` and waits for its end.
HttpFetcher::Result fetch(HttpFetcher &fetcher, const LoopbackHttpServer &server, const QString &path,
                          int index = 0)
{
    QSignalSpy done(&fetcher, &HttpFetcher::finished);
    fetcher.get(index, QUrl(u"http://"_s + server.address() + path));
    if (!done.wait(10000))
        return {};
    return fetcher.takeResult(index);
}

} // namespace

class TestHttpFetcher : public QObject
{
    Q_OBJECT
private slots:
    void indicesRequestsAndResults()
    {
        LoopbackHttpServer server;
        server.setHandler([](const QString &line) {
            return line.contains(u"/slow"_s) ? Http::silence() : Http::http(200, line.toLatin1());
        });
        HttpFetcher fetcher;
        fetcher.setAccept("application/rdap+json");
        QSignalSpy done(&fetcher, &HttpFetcher::finished);
        const QString base = u"http://"_s + server.address();
        // A new request on a busy index ends the old one without a word.
        fetcher.get(3, QUrl(base + u"/slow"_s));
        QVERIFY(server.waitForRequests(1));
        QVERIFY(fetcher.busy(3));
        fetcher.get(3, QUrl(base + u"/fast"_s));
        fetcher.get(7, QUrl(base + u"/slow"_s));
        QVERIFY(done.wait());
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toInt(), 3);
        const HttpFetcher::Result r = fetcher.takeResult(3);
        QCOMPARE(r.kind, Kind::Reply);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.reason, QByteArray("Status"));
        QCOMPARE(r.body, QByteArray("GET /fast HTTP/1.1"));
        QVERIFY(server.requests().last().contains("\r\nAccept: application/rdap+json\r\n"));
        QVERIFY(QTest::qWaitFor([&] { return fetcher.sent(7); }));
        fetcher.abort(7);
        QVERIFY(!fetcher.busy(7));

        // An address that is not http(s) is reported from the event loop, never inside get().
        fetcher.get(0, QUrl(u"ftp://127.0.0.1/"_s));
        QCOMPARE(done.size(), 1);
        QVERIFY(done.wait());
        QCOMPARE(fetcher.result(0).kind, Kind::TransportError);
        QCOMPARE(fetcher.result(0).error, "not an http or https address"_L1);
        QCOMPARE(done.size(), 2);
        // Nothing listens: the system's word for it.
        fetcher.get(0, QUrl(u"http://127.0.0.1:%1/"_s.arg(LoopbackWhoisServer::refusedPort())));
        QVERIFY(done.wait());
        QCOMPARE(fetcher.result(0).kind, Kind::TransportError);
        QCOMPARE(fetcher.result(0).error, "Connection refused"_L1);
    }

    void bounds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("redirects");
        const auto row = [](const char *name, const char *path, Kind kind, int redirects = 0) {
            QTest::newRow(name) << QString::fromLatin1(path) << static_cast<int>(kind) << redirects;
        };
        row("five redirects", "/hop/5", Kind::Reply, 5);
        row("six redirects", "/hop/6", Kind::TooManyRedirects, 5);
        row("a loop", "/loop/a", Kind::RedirectLoop, 1);
        row("a redirect to nowhere", "/nowhere", Kind::BadRedirect);
        row("a redirect to ftp", "/ftp", Kind::BadRedirect);
        row("a body of the cap", "/body/4096", Kind::Reply);
        row("a body past the cap", "/body/4097", Kind::TooLarge);
        row("a body of the cap, compressed", "/deflate/4096", Kind::Reply);
        row("a body past the cap, compressed", "/deflate/4097", Kind::TooLarge);
        row("a body that never ends", "/endless", Kind::TooLarge);
        row("a header of the cap", "/header/65536", Kind::Reply);
        row("a header past the cap", "/header/65537", Kind::TooLarge);
        row("a header line of 8 MiB", "/header-line", Kind::TooLarge);
    }

    void bounds()
    {
        QFETCH(QString, path);
        QFETCH(int, kind);
        QFETCH(int, redirects);
        // /hop/N leads to /hop/N-1 ... /hop/0, which answers; /loop/a and /loop/b lead to each other.
        LoopbackHttpServer server;
        server.setHandler([](const QString &line) {
            const QString path = line.section(u' ', 1, 1);
            const auto to = [](const QByteArray &where, int status = 302) {
                return Http::http(status, {}, {"Location: " + where});
            };
            const int number = path.section(u'/', 2, 2).toInt();
            const int redirects[] = {301, 302, 307, 308}; // every kind, on the way down the hops
            if (path.startsWith(u"/hop/"_s))
                return number == 0 ? Http::http(200, "end")
                                   : to("/hop/" + QByteArray::number(number - 1), redirects[number % 4]);
            if (path == "/loop/a"_L1)
                return to("b#fragment");
            if (path == "/loop/b"_L1)
                return to("/loop/a");
            if (path == "/nowhere"_L1)
                return Http::http(301, {});
            if (path == "/ftp"_L1)
                return to("ftp://127.0.0.1/");
            if (path.startsWith(u"/body/"_s))
                return Http::http(200, QByteArray(number, 'x'));
            if (path.startsWith(u"/deflate/"_s))
                return Http::http(200, qCompress(QByteArray(number, 'x')).mid(4),
                                  {"Content-Encoding: deflate"});
            if (path == "/endless"_L1)
                return Http::trickle({"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n",
                                      QByteArray(3000, 'x'), QByteArray(3000, 'x')},
                                     0);
            if (path.startsWith(u"/header/"_s))
                return Http::page(headerOfSize(number));
            if (path == "/header-line"_L1)
                return Http::page("HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(8 << 20, 'h') + "\r\n\r\n");
            return Http::http(404, {});
        });
        HttpFetcher fetcher;
        fetcher.setBodyCap(4096);
        const HttpFetcher::Result r = fetch(fetcher, server, path);
        QVERIFY2(r.kind == static_cast<Kind>(kind), qPrintable(r.error));
        QCOMPARE(r.redirects, redirects);
        if (r.kind == Kind::Reply && path.contains(u"/4096"_s))
            QCOMPARE(r.body, QByteArray(4096, 'x'));
    }

    void keepAlive()
    {
        LoopbackHttpServer server;
        server.setHandler(
            [](const QString &line) { return Http::kept(200, line.section(u' ', 1, 1).toLatin1()); });
        HttpFetcher fetcher;
        // One after the other, every request goes over the first connection.
        for (int i = 0; i < 20; ++i)
            QCOMPARE(fetch(fetcher, server, u"/n%1"_s.arg(i)).body, u"/n%1"_s.arg(i).toLatin1());
        QCOMPARE(server.acceptedCount(), 1);
    }

    void connectionsThatEnd()
    {
        // /stray answers, then sends a second answer nobody asked for; /close answers and closes
        // without a word; /vanish closes on its request, which a kept connection may meet.
        LoopbackHttpServer server;
        int vanished = 0;
        server.setHandler([&](const QString &line) {
            const QString path = line.section(u' ', 1, 1);
            if (path == "/stray"_L1)
                return Http::keptBytes(Http::response(200, "asked") + Http::response(404, "stray"));
            if (path == "/close"_L1)
                return Http::page(Http::response(200, "closing"));
            if (path == "/vanish"_L1 && vanished++ == 0)
                return Http::closeNow();
            return Http::kept(200, path.toLatin1());
        });
        HttpFetcher fetcher;
        const struct {
            const char *path;
            QByteArray body;
        } steps[] = {
            {"/stray", "asked"},    {"/after-stray", "/after-stray"},
            {"/close", "closing"},  {"/after-close", "/after-close"},
            {"/vanish", "/vanish"},
        };
        for (const auto &step : steps) {
            const HttpFetcher::Result r = fetch(fetcher, server, QString::fromLatin1(step.path));
            QVERIFY2(r.kind == Kind::Reply, qPrintable(QLatin1String(step.path) + u": "_s + r.error));
            QCOMPARE(r.status, 200);
            QCOMPARE(r.body, step.body);
        }
    }

    void http2OverTls()
    {
        // The HTTP/2 server of the nghttp2 tools, serving files; it speaks nothing else over TLS.
        const QString program = u"/usr/sbin/nghttpd"_s;
        if (!QFile::exists(program))
            QSKIP("nghttpd (nghttp2-server) is not installed");
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir(u"domain"_s));
        for (int i = 0; i < 8; ++i) {
            QFile f(root.filePath(u"domain/n%1.com"_s.arg(i)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("{\"ldhName\":\"n" + QByteArray::number(i) + ".com\"}");
        }
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(program, {u"-v"_s, u"-a"_s, u"127.0.0.1"_s, u"-d"_s, root.path(), QString::number(port),
                               kTlsDir + u"loopback.key"_s, kTlsDir + u"loopback.crt"_s});
        QByteArray log;
        QVERIFY(QTest::qWaitFor([&] {
            log += server.readAll();
            return log.contains("listen 127.0.0.1:") || server.state() == QProcess::NotRunning;
        }));
        QCOMPARE(server.state(), QProcess::Running);

        HttpFetcher fetcher;
        QSignalSpy done(&fetcher, &HttpFetcher::finished);
        // A certificate nobody vouches for is a failure to get an answer; trusted, the server answers.
        fetcher.get(0, QUrl(u"https://127.0.0.1:%1/domain/n0.com"_s.arg(port)));
        QVERIFY(done.wait());
        QCOMPARE(fetcher.result(0).kind, Kind::TransportError);
        QVERIFY(!fetcher.result(0).error.isEmpty());
        done.clear();
        fetcher.setCaFile(kTlsDir + u"loopback.crt"_s);
        for (int i = 0; i < 8; ++i)
            fetcher.get(i, QUrl(u"https://127.0.0.1:%1/domain/n%2.com"_s.arg(port).arg(i)));
        QVERIFY(QTest::qWaitFor([&] { return done.size() == 8; }, 10000));
        for (int i = 0; i < 8; ++i) {
            const HttpFetcher::Result &r = fetcher.result(i);
            QVERIFY2(r.kind == Kind::Reply, qPrintable(r.error));
            QCOMPARE(r.status, 200);
            QCOMPARE(r.body, "{\"ldhName\":\"n" + QByteArray::number(i) + ".com\"}");
        }
        // The eight requests at once shared one connection; the refused handshake had its own.
        server.terminate();
        QVERIFY(server.waitForFinished());
        log += server.readAll();
        QSet<QString> sessions;
        for (const QRegularExpressionMatch &m :
             QRegularExpression(u"\\[id=(\\d+)\\]"_s).globalMatch(QString::fromLatin1(log)))
            sessions.insert(m.captured(1));
        QCOMPARE(sessions.size(), 2);
    }
};

QV_TEST_GUILESS_MAIN(TestHttpFetcher)
#include "tst_httpfetcher.moc"
