#include "httpfetcher.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

struct HttpFetcher::Entry {
    QNetworkReply *reply = nullptr;
    quint64 serial = 0;
    bool busy = false;
    bool sent = false;
    QUrl url;
    QList<QUrl> visited;
    Result result;
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

} // namespace

HttpFetcher::HttpFetcher(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    // Nothing is stored between requests but open connections.
    m_manager->setCookieJar(nullptr);
}

HttpFetcher::~HttpFetcher()
{
    abortAll();
}

void HttpFetcher::setSslConfiguration(const QSslConfiguration &config)
{
    m_ssl = config;
    m_manager->clearConnectionCache();
}

HttpFetcher::Entry &HttpFetcher::entry(int index)
{
    if (index >= static_cast<int>(m_entries.size()))
        m_entries.resize(static_cast<size_t>(index) + 1);
    std::unique_ptr<Entry> &e = m_entries[static_cast<size_t>(index)];
    if (!e)
        e = std::make_unique<Entry>();
    return *e;
}

void HttpFetcher::dropReply(Entry &e)
{
    QNetworkReply *reply = std::exchange(e.reply, nullptr);
    if (!reply)
        return;
    // Nothing the reply says from here on may reach us. We may be inside one
    // of its own signals (a body over the cap ends it from readyRead), where
    // Qt does not take an abort well: both the abort and the deletion wait for
    // the event loop.
    QObject::disconnect(reply, nullptr, this, nullptr);
    if (!reply->isFinished())
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    reply->deleteLater();
}

void HttpFetcher::get(int index, const QUrl &url)
{
    if (index < 0)
        return;
    Entry &e = entry(index);
    dropReply(e);
    e.serial = ++m_serial;
    e.busy = true;
    e.sent = false;
    e.visited.clear();
    e.result = Result();
    e.url = url;
    if (!isHttpUrl(url)) {
        // Reported from the event loop: a caller never sees its own handler
        // run inside get().
        const quint64 serial = e.serial;
        QMetaObject::invokeMethod(
            this,
            [this, index, serial] {
                Entry &later = entry(index);
                if (later.serial == serial && later.busy)
                    finish(index, Result::Kind::TransportError,
                           QStringLiteral("not an http or https address"));
            },
            Qt::QueuedConnection);
        return;
    }
    startRequest(index, url);
}

void HttpFetcher::startRequest(int index, const QUrl &url)
{
    Entry &e = entry(index);
    e.url = url;
    e.sent = false;
    e.visited.append(loopKey(url));

    QNetworkRequest request(url);
    if (!m_accept.isEmpty())
        request.setRawHeader("Accept", m_accept);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Quorvane"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (url.scheme() == QLatin1String("https"))
        request.setSslConfiguration(m_ssl);

    QNetworkReply *reply = m_manager->get(request);
    e.reply = reply;
    const quint64 serial = e.serial;
    connect(reply, &QNetworkReply::requestSent, this, [this, index, serial] { markSent(index, serial); });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, index, serial] { markSent(index, serial); });
    connect(reply, &QNetworkReply::readyRead, this, [this, index, serial] { onReadyRead(index, serial); });
    connect(reply, &QNetworkReply::finished, this, [this, index, serial] { onFinished(index, serial); });
}

void HttpFetcher::markSent(int index, quint64 serial)
{
    Entry &e = entry(index);
    if (e.serial != serial || !e.busy || e.sent)
        return;
    e.sent = true;
    emit requestSent(index);
}

void HttpFetcher::onReadyRead(int index, quint64 serial)
{
    Entry &e = entry(index);
    if (e.serial != serial || !e.busy || !e.reply)
        return;
    markSent(index, serial);
    if (e.serial != serial || !e.reply)
        return;
    e.result.body += e.reply->readAll();
    if (m_bodyCap > 0 && e.result.body.size() > m_bodyCap) {
        e.result.body.truncate(m_bodyCap);
        finish(index, Result::Kind::TooLarge,
               QStringLiteral("the reply is larger than %1 bytes").arg(m_bodyCap));
        return;
    }
    emit progressed(index);
}

void HttpFetcher::onFinished(int index, quint64 serial)
{
    Entry &e = entry(index);
    if (e.serial != serial || !e.busy || !e.reply)
        return;
    QNetworkReply *reply = e.reply;
    e.result.body += reply->readAll();
    if (m_bodyCap > 0 && e.result.body.size() > m_bodyCap) {
        e.result.body.truncate(m_bodyCap);
        finish(index, Result::Kind::TooLarge,
               QStringLiteral("the reply is larger than %1 bytes").arg(m_bodyCap));
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status <= 0) {
        QString error = reply->errorString();
        if (error.isEmpty())
            error = QStringLiteral("no reply");
        finish(index, Result::Kind::TransportError, error);
        return;
    }
    Result &r = e.result;
    r.status = status;
    r.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    r.contentType = reply->rawHeader("Content-Type");
    if (reply->hasRawHeader("Retry-After"))
        r.retryAfterSeconds =
            parseRetryAfter(reply->rawHeader("Retry-After"), QDateTime::currentDateTimeUtc());

    if (isRedirect(status)) {
        const QByteArray location = reply->rawHeader("Location").trimmed();
        const QUrl target =
            location.isEmpty() ? QUrl() : e.url.resolved(QUrl::fromEncoded(location, QUrl::TolerantMode));
        if (!isHttpUrl(target)) {
            finish(index, Result::Kind::BadRedirect, QStringLiteral("a redirect without a usable target"));
            return;
        }
        if (e.url.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http")) {
            finish(index, Result::Kind::BadRedirect, QStringLiteral("a redirect from https to plain http"));
            return;
        }
        if (e.visited.contains(loopKey(target))) {
            finish(index, Result::Kind::RedirectLoop,
                   QStringLiteral("a redirect loop at %1").arg(target.toDisplayString()));
            return;
        }
        if (r.redirects >= kMaxRedirects) {
            finish(index, Result::Kind::TooManyRedirects,
                   QStringLiteral("more than %1 redirects").arg(kMaxRedirects));
            return;
        }
        ++r.redirects;
        r.body.clear();
        r.status = 0;
        r.reason.clear();
        r.contentType.clear();
        r.retryAfterSeconds.reset();
        dropReply(e);
        startRequest(index, target);
        emit progressed(index);
        return;
    }
    finish(index, Result::Kind::Reply, QString());
}

void HttpFetcher::finish(int index, Result::Kind kind, const QString &error)
{
    Entry &e = entry(index);
    e.result.kind = kind;
    e.result.error = error;
    e.result.url = e.url;
    dropReply(e);
    e.busy = false;
    e.sent = false;
    emit finished(index);
}

void HttpFetcher::abort(int index)
{
    if (index < 0 || index >= static_cast<int>(m_entries.size()) || !m_entries[static_cast<size_t>(index)])
        return;
    Entry &e = *m_entries[static_cast<size_t>(index)];
    dropReply(e);
    ++e.serial;
    e.busy = false;
    e.sent = false;
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
    return index >= 0 && index < static_cast<int>(m_entries.size()) &&
           m_entries[static_cast<size_t>(index)] && m_entries[static_cast<size_t>(index)]->busy;
}

bool HttpFetcher::sent(int index) const
{
    return busy(index) && m_entries[static_cast<size_t>(index)]->sent;
}

const HttpFetcher::Result &HttpFetcher::result(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_entries.size()) || !m_entries[static_cast<size_t>(index)])
        return emptyResult();
    return m_entries[static_cast<size_t>(index)]->result;
}

HttpFetcher::Result HttpFetcher::takeResult(int index)
{
    if (index < 0 || index >= static_cast<int>(m_entries.size()) || !m_entries[static_cast<size_t>(index)])
        return {};
    return std::exchange(m_entries[static_cast<size_t>(index)]->result, Result());
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
