#include "websearch.h"

#include "base/hostport.h"
#include "base/idn.h"
#include "base/textfile.h"
#include "config/extrasettings.h"
#include "net/csocketplus.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace {

const QVariant kIndex = 0;

bool isHostChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-' ||
           u == u'.' || u == u'_';
}

// Drops `prefix` from the front of `text` when it is there, in any letter case.
QByteArrayView dropPrefix(QByteArrayView text, QByteArrayView prefix)
{
    if (text.size() >= prefix.size() && text.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0)
        return text.sliced(prefix.size());
    return text;
}

} // namespace

const QList<int> &topResultChoices()
{
    static const QList<int> choices{10,  20,  30,  40,  50,  60,  70,  80,  90,  100,
                                    200, 300, 400, 500, 600, 700, 800, 900, 1000};
    return choices;
}

const QList<int> &queryDelayChoices()
{
    static const QList<int> choices{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                    15, 16, 17, 18, 19, 20, 25, 30, 35, 40, 45, 50, 55, 60};
    return choices;
}

QString encodeKeyword(const QString &keyword)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = keyword.toUtf8();
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const bool escape =
            b <= 0x20 || b >= 0x7F || b == '+' || b == ':' || b == '%' || b == '&' || b == '#';
        if (escape) {
            out += u'%';
            out += QLatin1Char(hex[b >> 4]);
            out += QLatin1Char(hex[b & 0xF]);
        } else {
            out += QLatin1Char(ch);
        }
    }
    return out;
}

int searchPageSize(bool topOnly, int topLimit)
{
    return topOnly && topLimit < 100 ? 10 : 100;
}

QByteArray searchRequest(const QString &host, const QString &encodedKeyword, int start, int pageSize)
{
    const QByteArray h = encode8bit(host);
    QByteArray request;
    request += "GET http://" + h + "/search?q=" + encode8bit(encodedKeyword) +
               "&start=" + QByteArray::number(start) + (pageSize == 10 ? "&num=10" : "&num=100") +
               " HTTP/1.0\r\n";
    request += "User-Agent: Mozilla/4.0 (compatible; Windows XP 5.1)\r\n";
    request += "Host: " + h + "\r\n";
    request += "Connection: Close\r\n";
    request += "Cache-Control: no-cache\r\n";
    request += "\r\n";
    return request;
}

QStringList scanPageLinks(QByteArrayView page, const QString &engineDomain,
                          const TldSuffixList *cutSubdomains)
{
    static constexpr QByteArrayView kHref("href=\"");
    const QByteArray ownDomain = encode8bit(engineDomain.toLower());
    QStringList names;
    qsizetype pos = 0;
    while (true) {
        const qsizetype found = page.indexOf(kHref, pos);
        if (found < 0)
            break;
        pos = found + kHref.size();
        const qsizetype close = page.indexOf('"', pos);
        if (close < 0)
            break; // no closing quote: not a link, and nothing after it can be one
        QByteArrayView link = page.sliced(pos, close - pos);
        link = dropPrefix(link, "http://");
        link = dropPrefix(link, "www.");
        const qsizetype slash = link.indexOf('/');
        if (slash >= 0)
            link = link.first(slash);
        if (link.size() < 5)
            continue;
        const QByteArray lowered = link.toByteArray().toLower();
        if (!ownDomain.isEmpty() && lowered.contains(ownDomain))
            continue;
        QString name = decode8bit(lowered);
        // A host in another script ("bücher.de", as a UTF-8 or a Latin-1 page
        // writes it) is collected in its ASCII form.
        if (hasNonAscii(name))
            name = asciiName(isValidUtf8(link) ? QString::fromUtf8(link) : name);
        if (cutSubdomains)
            name = withoutSubdomains(name, *cutSubdomains);
        if (isValidDomain(name))
            names.append(name);
    }
    return names;
}

QString withoutSubdomains(const QString &name, const TldSuffixList &suffixes)
{
    return suffixes.registrablePart(name);
}

bool pageHasNextLink(QByteArrayView page)
{
    return page.indexOf("nav_next.gif") >= 0 || page.toByteArray().toLower().contains("nav_next.gif");
}

QString receivedText(qint64 bytes)
{
    return harvesttexts::kReceived.arg(static_cast<qint64>(std::llrint(static_cast<double>(bytes) / 1000.0)));
}

QString SearchEngine::requestHost() const
{
    return hostPortText(host, port, 80);
}

std::optional<SearchEngine> parseSearchHost(const QString &text)
{
    const HostPort parsed = parseHostPort(text, 80);
    if (!parsed.valid())
        return std::nullopt;
    SearchEngine engine;
    engine.host = parsed.host;
    engine.port = parsed.port;
    return engine;
}

SearchEngine searchEngineFromSettings(const ExtraSettings &settings, QStringList *problems)
{
    SearchEngine engine;
    if (settings.contains(kHarvestHostKey)) {
        const QString text = settings.text(kHarvestHostKey);
        if (const std::optional<SearchEngine> parsed = parseSearchHost(text)) {
            engine.host = parsed->host;
            engine.port = parsed->port;
        } else if (problems) {
            *problems << QStringLiteral("%1: %2 in %3 is not a host or host:port; using %4")
                             .arg(text, kHarvestHostKey, settings.path(), engine.requestHost());
        }
    }
    if (settings.contains(kHarvestDomainKey)) {
        const QString domain = settings.text(kHarvestDomainKey).trimmed();
        const bool usable = std::all_of(domain.begin(), domain.end(), isHostChar);
        if (usable) {
            engine.ownDomain = domain;
        } else if (problems) {
            *problems << QStringLiteral("%1: %2 in %3 is not a domain name; using %4")
                             .arg(domain, kHarvestDomainKey, settings.path(), engine.ownDomain);
        }
    }
    return engine;
}

// ---- The search cycle -------------------------------------------------------------

WebSearchHarvester::WebSearchHarvester(QObject *parent)
    : QObject(parent)
    , m_socket(new CSocketPlus(this))
    , m_random([] { return QRandomGenerator::global()->generateDouble(); })
{
    m_socket->ArrayAdd(kIndex);
    m_socket->setReceiveCap(kPageCap);
    delayTimer.setSingleShot(true);
    timeoutTimer.setSingleShot(true);
    m_pageDeadline.setSingleShot(true);
    connect(&delayTimer, &QTimer::timeout, this, &WebSearchHarvester::onDelay);
    connect(&timeoutTimer, &QTimer::timeout, this, [this] {
        if (!m_stopped)
            skipPage(QStringLiteral("no reply within %1 s").arg(m_timeoutMs / 1000.0));
    });
    connect(&m_pageDeadline, &QTimer::timeout, this, [this] {
        if (!m_stopped)
            skipPage(
                QStringLiteral("the page took longer than %1 s").arg(kPageTimeouts * m_timeoutMs / 1000.0));
    });
    connect(m_socket, &CSocketPlus::connectEvent, this, &WebSearchHarvester::onConnect);
    connect(m_socket, &CSocketPlus::dataArrivalEvent, this, &WebSearchHarvester::onData);
    connect(m_socket, &CSocketPlus::closeSckEvent, this, &WebSearchHarvester::onClose);
    connect(m_socket, &CSocketPlus::errorEvent, this, &WebSearchHarvester::onError);
}

WebSearchHarvester::~WebSearchHarvester() = default;

void WebSearchHarvester::setPageCap(qint64 bytes)
{
    m_socket->setReceiveCap(bytes);
}

bool WebSearchHarvester::start(const HarvestRequest &request)
{
    halt();
    m_keywordQueue.clear();
    for (const QString &keyword : request.keywords)
        m_keywordQueue.append(encodeKeyword(keyword));
    m_keywordTotal = static_cast<int>(m_keywordQueue.size());
    m_suffixes.mylist(request.tableTlds);
    m_suffixes.setPublicSuffixes(request.publicSuffixes);
    if (m_keywordQueue.isEmpty())
        return false;
    m_topOnly = request.topOnly;
    m_topLimit = request.topLimit;
    m_removeSubdomains = request.removeSubdomains;
    m_delayMs = request.delayMs;
    m_stopped = false;
    m_running = true;
    m_start = 0;
    m_failedPages = 0;
    m_bytesReceived = 0;
    emit bytesReceivedChanged(0);
    timeoutTimer.start(m_timeoutMs);
    connectToEngine();
    return true;
}

void WebSearchHarvester::stop()
{
    halt();
}

void WebSearchHarvester::halt()
{
    m_stopped = true;
    m_running = false;
    delayTimer.stop();
    timeoutTimer.stop();
    m_pageDeadline.stop();
    m_page.clear();
    m_socket->CloseSck(kIndex);
}

void WebSearchHarvester::connectToEngine()
{
    ++m_attempt;
    m_page.clear();
    m_socket->CloseSck(kIndex);
    m_pageDeadline.start(kPageTimeouts * m_timeoutMs);
    if (const std::optional<SocketError> e =
            socketCall([&] { m_socket->Connect(kIndex, m_engine.host, m_engine.port); })) {
        // Only an address the system refuses outright comes back here; it
        // fails like any other attempt, once Connect has returned.
        const QString reason = e->description;
        const quint32 attempt = m_attempt;
        QTimer::singleShot(0, this, [this, reason, attempt] {
            if (!m_stopped && attempt == m_attempt)
                skipPage(reason);
        });
    }
}

void WebSearchHarvester::onConnect(const QVariant &index)
{
    if (m_stopped)
        return;
    timeoutTimer.start(m_timeoutMs);
    if (m_keywordQueue.isEmpty()) {
        finish();
        return;
    }
    const int remaining = static_cast<int>(m_keywordQueue.size());
    emit keywordStarted(m_keywordTotal - remaining + 1, m_keywordTotal, m_keywordQueue.first(), m_start);
    const int size = searchPageSize(m_topOnly, m_topLimit);
    const QByteArray request = searchRequest(m_engine.requestHost(), m_keywordQueue.first(), m_start, size);
    m_start += size;
    if (const std::optional<SocketError> e = socketCall([&] { m_socket->SendData(index, request); }))
        skipPage(e->description);
}

void WebSearchHarvester::onData(const QVariant &index)
{
    if (m_stopped)
        return;
    timeoutTimer.start(m_timeoutMs);
    QByteArray data;
    // A read that fails loses part of the page: the page is given up rather
    // than scanned as if it were whole.
    if (const std::optional<SocketError> e = socketCall([&] { m_socket->GetData(index, data); })) {
        skipPage(e->description);
        return;
    }
    m_page += data;
    m_bytesReceived += data.size();
    emit bytesReceivedChanged(m_bytesReceived);
}

void WebSearchHarvester::onClose(const QVariant &)
{
    if (m_stopped)
        return;
    timeoutTimer.stop();
    m_pageDeadline.stop();
    m_socket->CloseSck(kIndex);
    // A server that hangs up without a word has not answered this query; the
    // search must go on rather than wait for a close that already came.
    if (m_page.isEmpty()) {
        skipPage(QStringLiteral("the server closed the connection without a reply"));
        return;
    }
    const QByteArray page = std::exchange(m_page, {});
    for (const QString &name :
         scanPageLinks(page, m_engine.ownDomain, m_removeSubdomains ? &m_suffixes : nullptr))
        m_found.add(name);
    m_failedPages = 0;
    emit pageScanned(m_found.size());
    if (!pageHasNextLink(page)) {
        if (nextKeyword())
            scheduleNextQuery();
        return;
    }
    scheduleNextQuery();
}

void WebSearchHarvester::onError(const QVariant &, qint16 number, const QString &description)
{
    if (m_stopped)
        return;
    skipPage(QStringLiteral("%1 (%2)").arg(description).arg(number));
}

void WebSearchHarvester::skipPage(const QString &reason)
{
    timeoutTimer.stop();
    m_pageDeadline.stop();
    // Whatever this connection still brings belongs to a page given up.
    m_socket->CloseSck(kIndex);
    m_page.clear();
    emit pageSkipped(reason);
    if (m_stopped)
        return;
    ++m_failedPages;
    if (m_failedPages >= kMaxFailedPages) {
        if (nextKeyword())
            scheduleNextQuery();
        return;
    }
    scheduleNextQuery();
}

bool WebSearchHarvester::nextKeyword()
{
    if (!m_keywordQueue.isEmpty())
        m_keywordQueue.removeFirst();
    m_start = 0;
    m_failedPages = 0;
    if (m_keywordQueue.isEmpty()) {
        finish();
        return false;
    }
    return true;
}

void WebSearchHarvester::scheduleNextQuery()
{
    delayTimer.start(m_nextDelayMs);
}

void WebSearchHarvester::onDelay()
{
    if (m_stopped)
        return;
    delayTimer.stop();
    const int r1 = static_cast<int>(std::floor(m_random() * 300));
    const int r2 = static_cast<int>(std::floor(m_random() * 200));
    m_nextDelayMs = r1 + m_delayMs + r2;
    if (m_topOnly && m_start >= m_topLimit) {
        if (!nextKeyword())
            return;
    }
    timeoutTimer.start(m_timeoutMs);
    connectToEngine();
}

void WebSearchHarvester::finish()
{
    halt();
    emit finished();
}
