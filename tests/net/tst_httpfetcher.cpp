#include "net/httpfetcher.h"
#include "support/loopbackhttpserver.h"
#include "support/testmain.h"

#include <QFile>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

using namespace Qt::StringLiterals;
using Http = LoopbackHttpServer::Reply;
using Kind = HttpFetcher::Result::Kind;

namespace {

QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(QV_TEST_DATA_DIR "/tls/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An HTTPS server of the test's own: a self-signed certificate for 127.0.0.1,
// one fixed answer per request.
class TlsServer : public QObject
{
public:
    TlsServer()
    {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(fixture("loopback.crt")));
        config.setPrivateKey(QSslKey(fixture("loopback.key"), QSsl::Rsa));
        m_server.setSslConfiguration(config);
        connect(&m_server, &QSslServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}");
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    QUrl url() const { return QUrl(u"https://127.0.0.1:%1/domain/example.com"_s.arg(m_server.serverPort())); }

private:
    QSslServer m_server;
};

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
        QCOMPARE(r.body, QByteArray("GET /fast HTTP/1.1"));
        QVERIFY(fetcher.sent(7) || QTest::qWaitFor([&] { return fetcher.sent(7); }));
        fetcher.abort(7);
        QVERIFY(!fetcher.busy(7));

        // An address that is not http(s) is reported from the event loop, never inside get().
        fetcher.get(0, QUrl(u"ftp://127.0.0.1/"_s));
        QCOMPARE(done.size(), 1);
        QVERIFY(done.wait());
        QCOMPARE(fetcher.result(0).kind, Kind::TransportError);
        QCOMPARE(fetcher.result(0).error, "not an http or https address"_L1);
        QCOMPARE(done.size(), 2);
    }

    void redirectsAndCaps()
    {
        // /hop/N leads to /hop/N-1 ... /hop/0, which answers; /loop/a and /loop/b lead to each other.
        LoopbackHttpServer server;
        server.setHandler([](const QString &line) {
            const QString path = line.section(u' ', 1, 1);
            const auto to = [](const QByteArray &where) {
                return Http::http(302, {}, {"Location: " + where});
            };
            if (path.startsWith(u"/hop/"_s)) {
                const int left = path.mid(5).toInt();
                return left == 0 ? Http::http(200, "end") : to("/hop/" + QByteArray::number(left - 1));
            }
            if (path == "/loop/a"_L1)
                return to("b#fragment");
            if (path == "/loop/b"_L1)
                return to("/loop/a");
            if (path == "/nowhere"_L1)
                return Http::http(301, {});
            if (path == "/ftp"_L1)
                return to("ftp://127.0.0.1/");
            if (path == "/big"_L1)
                return Http::trickle({"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n",
                                      QByteArray(3000, 'x'), QByteArray(3000, 'x')},
                                     0);
            return Http::http(404, {});
        });
        const struct {
            const char *path;
            Kind kind;
            int redirects;
        } cases[] = {
            {"/hop/5", Kind::Reply, 5},         {"/hop/6", Kind::TooManyRedirects, 5},
            {"/loop/a", Kind::RedirectLoop, 1}, {"/nowhere", Kind::BadRedirect, 0},
            {"/ftp", Kind::BadRedirect, 0},     {"/big", Kind::TooLarge, 0},
        };
        HttpFetcher fetcher;
        fetcher.setBodyCap(4096);
        QSignalSpy done(&fetcher, &HttpFetcher::finished);
        for (const auto &c : cases) {
            fetcher.get(0, QUrl(u"http://"_s + server.address() + QLatin1String(c.path)));
            QVERIFY2(done.wait(), c.path);
            const HttpFetcher::Result r = fetcher.takeResult(0);
            QVERIFY2(r.kind == c.kind, qPrintable(QLatin1String(c.path) + u": "_s + r.error));
            QCOMPARE(r.redirects, c.redirects);
        }
        QCOMPARE(done.size(), 6);
    }

    void tls()
    {
        TlsServer server;
        HttpFetcher fetcher;
        QSignalSpy done(&fetcher, &HttpFetcher::finished);
        // A certificate nobody vouches for is a failure to get an answer.
        fetcher.get(0, server.url());
        QVERIFY(done.wait());
        QCOMPARE(fetcher.result(0).kind, Kind::TransportError);
        QVERIFY(!fetcher.result(0).error.isEmpty());
        // Trusted, the same server answers over TLS.
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.addCaCertificate(QSslCertificate(fixture("loopback.crt")));
        fetcher.setSslConfiguration(trusting);
        fetcher.get(0, server.url());
        QVERIFY(done.wait());
        QVERIFY2(fetcher.result(0).kind == Kind::Reply, qPrintable(fetcher.result(0).error));
        QCOMPARE(fetcher.result(0).body, QByteArray("{}"));
    }
};

QV_TEST_GUILESS_MAIN(TestHttpFetcher)
#include "tst_httpfetcher.moc"
