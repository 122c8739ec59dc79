#include "httpfetcher.h"

#include <QSocketNotifier>

#include <curl/curl.h>

#include <algorithm>

struct HttpFetcher::Entry {
    HttpFetcher *owner = nullptr;
    int index = 0;
    CURL *easy = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
    quint64 serial = 0;
    bool busy = false;
    bool inMulti = false; // handed to libcurl and not yet taken back
    bool sent = false;
    // Noted by libcurl's callbacks, reported once it has returned.
    bool sentPending = false;
    bool progressPending = false;
    bool queued = false;
    // The transfer libcurl ended, with its code, waiting for report().
    bool donePending = false;
    int doneCode = 0;
    // The answer of the current hop.
    qint64 headerBytes = 0;
    bool headerTooLarge = false;
    bool bodyTooLarge = false;
    QByteArray retryAfter;
    QByteArray location;
    QUrl url;
    QList<QUrl> visited;
    Result result;
};

// The two notifiers of one socket descriptor, made the first time libcurl
// asks for it and kept: libcurl opens and closes connections all the time, and
// descriptors come back under the same numbers.
struct HttpFetcher::Watch {
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
};

struct HttpFetcher::Done {
    Entry *entry;
    quint64 serial;
    int code;
};

namespace {

bool isHttpUrl(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Addresses compared for a loop: the fragment never reaches the server.
QUrl loopKey(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
}

const HttpFetcher::Result &emptyResult()
{
    static const HttpFetcher::Result result;
    return result;
}

void initialiseCurl()
{
    // Once for the process, before the first handle; the program never ends it,
    // as libcurl's global state may be shared with other users in the process.
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(done);
}

bool startsWithNoCase(QByteArrayView line, QByteArrayView name)
{
    return line.size() >= name.size() && qstrnicmp(line.data(), name.data(), name.size()) == 0;
}

} // namespace

// libcurl's callbacks reach the entry through these; they note, never act.
class HttpFetcherAccess
{
public:
    static size_t body(HttpFetcher::Entry &e, const char *data, size_t length)
    {
        Q_ASSERT(e.owner);
        const qint64 cap = e.owner->m_bodyCap;
        QByteArray &body = e.result.body;
        if (cap > 0 && body.size() + static_cast<qint64>(length) > cap) {
            body.append(data, static_cast<qsizetype>(cap - body.size()));
            e.bodyTooLarge = true;
            return 0; // ends the transfer
        }
        body.append(data, static_cast<qsizetype>(length));
        noteProgress(e);
        return length;
    }

    static size_t header(HttpFetcher::Entry &e, const char *data, size_t length)
    {
        // Counted over every answer of the hop, interim ones included: a server
        // sending "100 Continue" for ever is bounded too.
        e.headerBytes += static_cast<qint64>(length);
        if (e.headerBytes > HttpFetcher::kHeaderCap) {
            e.headerTooLarge = true;
            return 0;
        }
        const QByteArrayView line = QByteArrayView(data, static_cast<qsizetype>(length)).trimmed();
        if (line.startsWith("HTTP/")) {
            // A new answer begins: what an earlier (interim) one said is void.
            const qsizetype code = line.indexOf(' ');
            const qsizetype reason = code < 0 ? -1 : line.indexOf(' ', code + 1);
            e.result.reason = reason < 0 ? QByteArray() : line.sliced(reason + 1).trimmed().toByteArray();
            e.result.contentType.clear();
            e.retryAfter.clear();
            e.location.clear();
        } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
            const QByteArrayView name = line.first(colon).trimmed();
            const QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
            if (name.size() == 12 && startsWithNoCase(name, "content-type"))
                e.result.contentType = value;
            else if (name.size() == 11 && startsWithNoCase(name, "retry-after"))
                e.retryAfter = value;
            else if (name.size() == 8 && startsWithNoCase(name, "location"))
                e.location = value;
        }
        noteProgress(e);
        return length;
    }

    static void requestReady(HttpFetcher::Entry &e)
    {
        if (e.sent)
            return;
        e.sent = true;
        e.sentPending = true;
        e.owner->queueEvent(e);
    }

    static int socket(HttpFetcher &f, int fd, int what)
    {
        f.watch(fd, what);
        return 0;
    }

    static int timer(HttpFetcher &f, long timeoutMs)
    {
        // Never a call back into libcurl from here: a zero deadline runs from
        // the event loop like any other.
        if (timeoutMs < 0)
            f.m_timer.stop();
        else
            f.m_timer.start(static_cast<int>(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
        return 0;
    }

    // The signatures libcurl calls.
    static size_t onBody(char *data, size_t size, size_t count, void *entry)
    {
        return body(*static_cast<HttpFetcher::Entry *>(entry), data, size * count);
    }
    static size_t onHeader(char *data, size_t size, size_t count, void *entry)
    {
        return header(*static_cast<HttpFetcher::Entry *>(entry), data, size * count);
    }
    static int onRequestReady(void *entry, char *, char *, int, int)
    {
        requestReady(*static_cast<HttpFetcher::Entry *>(entry));
        return CURL_PREREQFUNC_OK;
    }
    static int onSocket(CURL *, curl_socket_t fd, int what, void *fetcher, void *)
    {
        return socket(*static_cast<HttpFetcher *>(fetcher), static_cast<int>(fd), what);
    }
    static int onTimer(CURLM *, long timeoutMs, void *fetcher)
    {
        return timer(*static_cast<HttpFetcher *>(fetcher), timeoutMs);
    }

private:
    static void noteProgress(HttpFetcher::Entry &e)
    {
        e.progressPending = true;
        e.owner->queueEvent(e);
    }
};

namespace {

// Why a transfer got no answer, in words a result line can carry.
QString transportError(CURL *easy, CURLcode code, const char *errorText, const QUrl &url)
{
    long osError = 0;
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        // What the system said ("Connection refused"), as the socket layer reports it.
        if (osError != 0)
            return qt_error_string(static_cast<int>(osError));
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("Host %1 not found").arg(url.host());
    default:
        break;
    }
    if (errorText[0] != '\0')
        return QString::fromUtf8(errorText).trimmed();
    return QString::fromUtf8(curl_easy_strerror(code));
}

} // namespace

HttpFetcher::HttpFetcher(QObject *parent)
    : QObject(parent)
{
    initialiseCurl();
    m_multi = curl_multi_init();
    CURLM *multi = static_cast<CURLM *>(m_multi);
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &HttpFetcherAccess::onSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &HttpFetcherAccess::onTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
    // Many requests on one connection where the server speaks HTTP/2.
    curl_multi_setopt(multi, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { drive(CURL_SOCKET_TIMEOUT, 0); });
}

HttpFetcher::~HttpFetcher()
{
    CURLM *multi = static_cast<CURLM *>(m_multi);
    for (const std::unique_ptr<Entry> &e : m_entries) {
        if (e && e->inMulti)
            curl_multi_remove_handle(multi, e->easy);
    }
    // Closes the connections kept alive; the socket callback still finds us.
    curl_multi_cleanup(multi);
    for (const std::unique_ptr<Entry> &e : m_entries) {
        if (e)
            curl_easy_cleanup(e->easy);
    }
    for (void *list : m_headerLists)
        curl_slist_free_all(static_cast<curl_slist *>(list));
}

void HttpFetcher::setAccept(const QByteArray &accept)
{
    // Requests under way keep the list they were given; every list lives as
    // long as the fetcher.
    curl_slist *list = nullptr;
    if (!accept.isEmpty())
        list = curl_slist_append(nullptr, QByteArray("Accept: " + accept).constData());
    m_headers = list;
    if (list)
        m_headerLists.push_back(list);
}

void HttpFetcher::setConnectionLimits(int perServer, int total)
{
    CURLM *multi = static_cast<CURLM *>(m_multi);
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(std::max(perServer, 0)));
    curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(std::max(total, 0)));
    // Connections idle between two requests stay open up to the same count:
    // the next request to their server finds one ready.
    if (total > 0)
        curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, static_cast<long>(total));
}

HttpFetcher::Entry *HttpFetcher::existing(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return nullptr;
    return m_entries[static_cast<size_t>(index)].get();
}

HttpFetcher::Entry &HttpFetcher::entry(int index)
{
    if (index >= static_cast<int>(m_entries.size()))
        m_entries.resize(static_cast<size_t>(index) + 1);
    std::unique_ptr<Entry> &e = m_entries[static_cast<size_t>(index)];
    if (e)
        return *e;
    e = std::make_unique<Entry>();
    e->owner = this;
    e->index = index;
    // One handle per index for the fetcher's life: what libcurl learns about a
    // server (its connection, its address, its TLS session) serves the next request.
    CURL *easy = curl_easy_init();
    e->easy = easy;
    curl_easy_setopt(easy, CURLOPT_PRIVATE, e.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, e->errorText);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Compressed answers are welcome; the body cap counts what they decode to.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Quorvane");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpFetcherAccess::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, e.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpFetcherAccess::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, e.get());
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &HttpFetcherAccess::onRequestReady);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, e.get());
    return *e;
}

void HttpFetcher::queueEvent(Entry &e)
{
    if (e.queued)
        return;
    e.queued = true;
    m_events.push_back(e.index);
}

void HttpFetcher::removeTransfer(Entry &e)
{
    if (!e.inMulti)
        return;
    e.inMulti = false;
    // A transfer ended halfway closes its connection: what the server still
    // sends for it must not answer the next request.
    curl_multi_remove_handle(static_cast<CURLM *>(m_multi), e.easy);
}

void HttpFetcher::get(int index, const QUrl &url)
{
    if (index < 0)
        return;
    Entry &e = entry(index);
    removeTransfer(e);
    e.serial = ++m_serial;
    e.busy = true;
    e.sent = false;
    e.sentPending = false;
    e.progressPending = false;
    e.donePending = false;
    e.visited.clear();
    e.result = Result();
    e.url = url;
    if (!isHttpUrl(url)) {
        // Reported from the event loop: a caller never sees its own handler
        // run inside get().
        QMetaObject::invokeMethod(
            this,
            [this, index, serial = e.serial] {
                Entry *later = existing(index);
                if (later && later->serial == serial && later->busy)
                    finish(*later, Result::Kind::TransportError,
                           QStringLiteral("not an http or https address"));
            },
            Qt::QueuedConnection);
        return;
    }
    startTransfer(e, url);
}

void HttpFetcher::startTransfer(Entry &e, const QUrl &url)
{
    e.url = url;
    e.sent = false;
    e.visited.append(loopKey(url));
    e.headerBytes = 0;
    e.headerTooLarge = false;
    e.bodyTooLarge = false;
    e.retryAfter.clear();
    e.location.clear();
    e.errorText[0] = '\0';
    CURL *easy = e.easy;
    curl_easy_setopt(easy, CURLOPT_URL, url.toEncoded(QUrl::RemoveFragment).constData());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, static_cast<curl_slist *>(m_headers));
    // Over TLS a server may offer HTTP/2: a request waits for the connection
    // being made to learn that, rather than pay a handshake of its own.
    curl_easy_setopt(easy, CURLOPT_PIPEWAIT, url.scheme() == QLatin1String("https") ? 1L : 0L);
    if (!m_caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, m_caFile.constData());
    const CURLMcode added = curl_multi_add_handle(static_cast<CURLM *>(m_multi), easy);
    if (added != CURLM_OK) {
        const quint64 serial = e.serial;
        const int index = e.index;
        const QString why = QString::fromUtf8(curl_multi_strerror(added));
        QMetaObject::invokeMethod(
            this,
            [this, index, serial, why] {
                Entry *later = existing(index);
                if (later && later->serial == serial && later->busy)
                    finish(*later, Result::Kind::TransportError, why);
            },
            Qt::QueuedConnection);
        return;
    }
    e.inMulti = true;
}

void HttpFetcher::watch(int fd, int what)
{
    if (fd < 0)
        return;
    if (fd >= static_cast<int>(m_watches.size())) {
        if (what == CURL_POLL_REMOVE)
            return;
        m_watches.resize(static_cast<size_t>(fd) + 1);
    }
    std::unique_ptr<Watch> &w = m_watches[static_cast<size_t>(fd)];
    if (!w) {
        if (what == CURL_POLL_REMOVE)
            return;
        w = std::make_unique<Watch>();
        w->read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        w->write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        w->read->setEnabled(false);
        w->write->setEnabled(false);
        connect(w->read.get(), &QSocketNotifier::activated, this, [this, fd] { drive(fd, CURL_CSELECT_IN); });
        connect(w->write.get(), &QSocketNotifier::activated, this,
                [this, fd] { drive(fd, CURL_CSELECT_OUT); });
    }
    w->read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    w->write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
}

void HttpFetcher::drive(int fd, int events)
{
    int running = 0;
    curl_multi_socket_action(static_cast<CURLM *>(m_multi), static_cast<curl_socket_t>(fd), events, &running);
    report();
}

void HttpFetcher::report()
{
    // Ended transfers are taken back from libcurl at once, before any receiver
    // can start a request on the same index.
    std::vector<Done> done;
    CURLM *multi = static_cast<CURLM *>(m_multi);
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        Entry *e = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &e);
        const int code = message->data.result;
        if (!e || !e->inMulti)
            continue;
        removeTransfer(*e);
        e->donePending = true;
        e->doneCode = code;
        done.push_back({e, e->serial, code});
    }

    std::vector<int> events;
    events.swap(m_events);
    for (const int index : events) {
        Entry *e = existing(index);
        if (!e)
            continue;
        e->queued = false;
        if (std::exchange(e->sentPending, false) && e->busy)
            emit requestSent(index);
        // The receiver may have ended or replaced the request.
        if (std::exchange(e->progressPending, false) && e->busy)
            emit progressed(index);
    }

    for (const Done &d : done) {
        if (d.entry->serial != d.serial || !d.entry->donePending || !d.entry->busy)
            continue;
        d.entry->donePending = false;
        transferDone(*d.entry, d.code);
    }
}

void HttpFetcher::transferDone(Entry &e, int code)
{
    const auto curlCode = static_cast<CURLcode>(code);
    if (e.bodyTooLarge) {
        finish(e, Result::Kind::TooLarge, QStringLiteral("the reply is larger than %1 bytes").arg(m_bodyCap));
        return;
    }
    // libcurl refuses a single header line far beyond our cap on its own.
    if (e.headerTooLarge || curlCode == CURLE_OUT_OF_MEMORY) {
        finish(e, Result::Kind::TooLarge,
               QStringLiteral("the reply's header is larger than %1 bytes").arg(kHeaderCap));
        return;
    }
    if (curlCode != CURLE_OK) {
        finish(e, Result::Kind::TransportError, transportError(e.easy, curlCode, e.errorText, e.url));
        return;
    }
    long status = 0;
    curl_easy_getinfo(e.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status <= 0) {
        finish(e, Result::Kind::TransportError, QStringLiteral("no reply"));
        return;
    }
    Result &r = e.result;
    r.status = static_cast<int>(status);
    if (!e.retryAfter.isEmpty())
        r.retryAfterSeconds = parseRetryAfter(e.retryAfter, QDateTime::currentDateTimeUtc());

    if (!isRedirect(r.status)) {
        finish(e, Result::Kind::Reply, QString());
        return;
    }
    const QUrl target =
        e.location.isEmpty() ? QUrl() : e.url.resolved(QUrl::fromEncoded(e.location, QUrl::TolerantMode));
    if (!isHttpUrl(target)) {
        finish(e, Result::Kind::BadRedirect, QStringLiteral("a redirect without a usable target"));
        return;
    }
    if (e.url.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http")) {
        finish(e, Result::Kind::BadRedirect, QStringLiteral("a redirect from https to plain http"));
        return;
    }
    if (e.visited.contains(loopKey(target))) {
        finish(e, Result::Kind::RedirectLoop,
               QStringLiteral("a redirect loop at %1").arg(target.toDisplayString()));
        return;
    }
    if (r.redirects >= kMaxRedirects) {
        finish(e, Result::Kind::TooManyRedirects,
               QStringLiteral("more than %1 redirects").arg(kMaxRedirects));
        return;
    }
    ++r.redirects;
    r.body.clear();
    r.status = 0;
    r.reason.clear();
    r.contentType.clear();
    r.retryAfterSeconds.reset();
    startTransfer(e, target);
    emit progressed(e.index);
}

void HttpFetcher::finish(Entry &e, Result::Kind kind, const QString &error)
{
    removeTransfer(e);
    e.result.kind = kind;
    e.result.error = error;
    e.result.url = e.url;
    e.busy = false;
    e.sent = false;
    e.sentPending = false;
    e.progressPending = false;
    emit finished(e.index);
}

void HttpFetcher::abort(int index)
{
    Entry *e = existing(index);
    if (!e)
        return;
    removeTransfer(*e);
    ++e->serial;
    e->busy = false;
    e->sent = false;
    e->sentPending = false;
    e->progressPending = false;
    e->donePending = false;
}

void HttpFetcher::abortAll()
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i])
            abort(static_cast<int>(i));
    }
}

bool HttpFetcher::busy(int index) const
{
    const Entry *e = existing(index);
    return e && e->busy;
}

bool HttpFetcher::sent(int index) const
{
    const Entry *e = existing(index);
    return e && e->busy && e->sent;
}

const HttpFetcher::Result &HttpFetcher::result(int index) const
{
    const Entry *e = existing(index);
    return e ? e->result : emptyResult();
}

HttpFetcher::Result HttpFetcher::takeResult(int index)
{
    Entry *e = existing(index);
    return e ? std::exchange(e->result, Result()) : Result();
}

std::optional<qint64> HttpFetcher::parseRetryAfter(const QByteArray &value, const QDateTime &now)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool digits = text.size() <= 18;
    for (const char c : text)
        digits = digits && c >= '0' && c <= '9';
    if (digits)
        return text.toLongLong();
    // An HTTP date: "Sun, 06 Nov 1994 08:49:37 GMT"; the date parser knows the zone as +0000.
    QString date = QString::fromLatin1(text);
    if (date.endsWith(QLatin1String(" GMT")))
        date = date.chopped(3) + QStringLiteral("+0000");
    const QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
    if (!when.isValid())
        return std::nullopt;
    return std::max<qint64>(0, now.secsTo(when));
}
