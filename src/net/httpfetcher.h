#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

// GET requests over libcurl, addressed by a caller's index the way the socket
// object addresses its sockets: one request per index at a time, reported as
// signals on the thread that owns the object. libcurl runs on that thread's
// event loop (its sockets watched by socket notifiers, its one deadline by a
// timer); nothing here has a thread of its own, and no caller ever sees a curl
// handle.
//
// Connections are kept alive and reused per server. How many may be open to
// one server and in all is the owner's choice (setConnectionLimits): a caller
// that never has more requests out than it allows finds every request on the
// wire the moment it asks, never waiting in a queue of libcurl's.
//
// What a server may cost is bounded here: the header of each answer, the body
// (counted after it is decoded), and the redirects. Redirects are followed
// here, not by libcurl, so that a loop is told apart from a long chain and a
// step from https down to plain http is refused.
class HttpFetcher : public QObject
{
    Q_OBJECT
public:
    struct Result {
        enum class Kind {
            Reply,            // an HTTP response: `status` and `body`
            TransportError,   // no response: refused, unreachable, TLS, reset...
            TooLarge,         // the header or the body passed its cap
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
    // Status line and header lines of one answer together, line ends included.
    static constexpr qint64 kHeaderCap = 64 * 1024;
    static constexpr int kMaxRedirects = 5;

    explicit HttpFetcher(QObject *parent = nullptr);
    ~HttpFetcher() override;

    // The Accept header of every request from now on.
    void setAccept(const QByteArray &accept);
    void setBodyCap(qint64 bytes) { m_bodyCap = bytes; }
    // A file of PEM certificates whose authorities are trusted besides the
    // system's (tests trust their own certificate here); empty: the system's alone.
    void setCaFile(const QString &path) { m_caFile = path.toLocal8Bit(); }
    // Connections open at a time to one server (scheme, host and port) and in
    // all, kept alive between requests; 0 leaves that count unbounded.
    void setConnectionLimits(int perServer, int total);

    // Starts a GET of `url` on `index`, ending the index's earlier request
    // silently. A URL that is not http or https ends at once, reported by
    // `finished` from the event loop, never from inside this call.
    void get(int index, const QUrl &url);
    // Ends the index's request without a signal.
    void abort(int index);
    void abortAll();

    bool busy(int index) const;
    // The request of `index` has a connection and is on its way to the server.
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
    friend class HttpFetcherAccess; // libcurl's callbacks
    struct Entry;
    struct Watch;
    struct Done;

    Entry &entry(int index);
    Entry *existing(int index) const;
    void startTransfer(Entry &e, const QUrl &url);
    void removeTransfer(Entry &e);
    void finish(Entry &e, Result::Kind kind, const QString &error);
    // A transfer libcurl has ended: the answer, a redirect to follow, or an error.
    void transferDone(Entry &e, int code);
    // libcurl's socket and timer callbacks only note what it asked for; the
    // notifiers and the timer call back into it from the event loop.
    static int socketCallback(void *easy, int fd, int what, void *self, void *socketData);
    static int timerCallback(void *multi, long timeoutMs, void *self);
    void watch(int fd, int what);
    // Lets libcurl act on a socket (or its deadline), then reports what it did.
    void drive(int fd, int events);
    // Signals for what the callbacks noted, then the ended transfers. Runs
    // outside every libcurl call: a receiver may start or end requests.
    void report();
    void queueEvent(Entry &e);

    void *m_multi = nullptr;
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::vector<std::unique_ptr<Watch>> m_watches; // by socket descriptor
    std::vector<int> m_events;                     // indices with sent or progress to report
    std::vector<void *> m_headerLists;             // every Accept list handed to libcurl
    void *m_headers = nullptr;                     // the current one
    QTimer m_timer;
    QByteArray m_caFile;
    qint64 m_bodyCap = kDefaultBodyCap;
    quint64 m_serial = 0;
};
