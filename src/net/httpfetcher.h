#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

// GET requests over Qt's network stack, addressed by a caller's index the way
// the socket object addresses its sockets: one request per index at a time,
// reported as signals on the thread that owns the object.
//
// Redirects are followed here, not by Qt, so that a loop is told apart from a
// long chain and neither can go on for ever. A body is read as it comes and
// capped: a server that never stops sending ends the request as TooLarge.
//
// Qt's manager keeps at most six HTTP/1.1 connections to one host (HTTP/2,
// which Qt offers over TLS, carries many requests on one): further requests to
// that host wait inside it. `sent` tells a waiting request from one that is
// out, so a caller that times requests out measures silence, not the queue.
class HttpFetcher : public QObject
{
    Q_OBJECT
public:
    struct Result {
        enum class Kind {
            Reply,            // an HTTP response: `status` and `body`
            TransportError,   // no response: refused, unreachable, TLS, reset...
            TooLarge,         // the body passed the cap
            RedirectLoop,     // a redirect led back to an address already asked
            TooManyRedirects, // more redirects than allowed
            BadRedirect,      // a redirect without a usable target, or from https to plain http
        };
        Kind kind = Kind::TransportError;
        int status = 0;
        QByteArray reason; // the status line's reason phrase
        QByteArray contentType;
        QByteArray body;
        QString error; // what went wrong, for every kind but Reply
        QUrl url;      // the address that gave the answer (after redirects)
        int redirects = 0;
        // Seconds the server asked to be left alone (Retry-After, seconds or an HTTP date).
        std::optional<qint64> retryAfterSeconds;
    };

    static constexpr qint64 kDefaultBodyCap = 512 * 1024;
    static constexpr int kMaxRedirects = 5;

    explicit HttpFetcher(QObject *parent = nullptr);
    ~HttpFetcher() override;

    // The Accept header of every request.
    void setAccept(const QByteArray &accept) { m_accept = accept; }
    void setBodyCap(qint64 bytes) { m_bodyCap = bytes; }
    // TLS settings of every request from now on (tests trust their own
    // certificate here). Open connections, made with the old ones, are dropped.
    void setSslConfiguration(const QSslConfiguration &config);

    // Starts a GET of `url` on `index`, ending the index's earlier request
    // silently. A URL that is not http or https ends at once, reported by
    // `finished` from the event loop, never from inside this call.
    void get(int index, const QUrl &url);
    // Ends the index's request without a signal.
    void abort(int index);
    void abortAll();

    bool busy(int index) const;
    // The request of `index` has gone out (it is not waiting for a connection).
    bool sent(int index) const;
    // What the index's last finished request gave.
    const Result &result(int index) const;
    // Takes the result (the body may be large).
    Result takeResult(int index);

    // Retry-After as seconds from `now`: a number of seconds or an HTTP date;
    // nullopt when the header says neither.
    static std::optional<qint64> parseRetryAfter(const QByteArray &value, const QDateTime &now);

signals:
    // The request has gone out to the server.
    void requestSent(int index);
    // Bytes of the response arrived, or a redirect was taken.
    void progressed(int index);
    void finished(int index);

private:
    struct Entry;
    Entry &entry(int index);
    void startRequest(int index, const QUrl &url);
    void onReadyRead(int index, quint64 serial);
    void onFinished(int index, quint64 serial);
    void markSent(int index, quint64 serial);
    void finish(int index, Result::Kind kind, const QString &error);
    void dropReply(Entry &e);

    QNetworkAccessManager *m_manager;
    std::vector<std::unique_ptr<Entry>> m_entries;
    QByteArray m_accept;
    qint64 m_bodyCap = kDefaultBodyCap;
    QSslConfiguration m_ssl = QSslConfiguration::defaultConfiguration();
    quint64 m_serial = 0;
};
