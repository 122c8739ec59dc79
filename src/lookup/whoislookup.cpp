#include "whoislookup.h"

#include "base/idn.h"
#include "config/rdapbootstrap.h"
#include "config/tldservertable.h"
#include "engine/domainsyntax.h"
#include "engine/rdapclassify.h"
#include "engine/ticks.h"
#include "net/csocketplus.h"
#include "net/httpfetcher.h"

#include <algorithm>

namespace {

const QVariant kIndex = 0;

} // namespace

QString normaliseLookupDomain(const QString &typed)
{
    QStringView domain = typed;
    if (domain.startsWith(u'='))
        domain = domain.sliced(1);
    // A name typed in another script is asked for in its ASCII form.
    return asciiName(domain);
}

std::optional<QString> formLookupQuery(const QString &typed, bool overrideCheck,
                                       const TldSuffixList &suffixes)
{
    const QString domain = normaliseLookupDomain(typed);
    if (overrideCheck)
        return domain;
    if (!isValidDomain(domain))
        return std::nullopt;
    return suffixes.registrablePart(domain);
}

QStringList lookupServersFor(const QString &typed, const WhoisConfig &config, const RdapBootstrap *bootstrap,
                             RdapMode mode)
{
    const QString domain = normaliseLookupDomain(typed);
    if (!isValidDomain(domain))
        return {};
    TldSuffixList suffixes;
    suffixes.mylist(config.table.tlds());
    const std::vector<TldServerRecord> records = populatewservers(config.table);
    const QString tld = suffixes.getext(domain);
    const int found = findTldRecord(records, tld);
    QStringList servers;
    if (found >= 0)
        servers = records[static_cast<size_t>(found)].servers;
    if (!bootstrap || mode == RdapMode::Off)
        return servers;
    const QString service = bootstrap->serviceFor(registrablePart(domain, tld));
    if (service.isEmpty() || servers.contains(service))
        return servers;
    const bool ownRdap = std::any_of(servers.begin(), servers.end(),
                                     [](const QString &server) { return isRdapServer(server); });
    if (mode == RdapMode::First && !ownRdap)
        servers.prepend(service);
    else
        servers.append(service);
    return servers;
}

QString lookupDisplayText(const QByteArray &reply)
{
    QString text;
    text.reserve(reply.size() + reply.size() / 16);
    char previous = 0;
    for (const char c : reply) {
        if (c == '\n' && previous != '\r')
            text += u'\r';
        text += QLatin1Char(c);
        previous = c;
    }
    return text;
}

WhoisLookup::WhoisLookup(QObject *parent)
    : QObject(parent)
    , m_socket(new CSocketPlus(this))
    , m_http(new HttpFetcher(this))
{
    m_http->setAccept(QByteArrayLiteral("application/rdap+json"));
    connect(m_http, &HttpFetcher::requestSent, this, [this] {
        if (m_running)
            restartTimeout();
    });
    connect(m_http, &HttpFetcher::progressed, this, [this] {
        if (m_running)
            restartTimeout();
    });
    connect(m_http, &HttpFetcher::finished, this, &WhoisLookup::onRdapDone);
    m_socket->ArrayAdd(kIndex);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &WhoisLookup::onTimeout);
    connect(m_socket, &CSocketPlus::connectEvent, this, &WhoisLookup::onConnect);
    connect(m_socket, &CSocketPlus::dataArrivalEvent, this, &WhoisLookup::onData);
    connect(m_socket, &CSocketPlus::closeSckEvent, this, &WhoisLookup::onClose);
    connect(m_socket, &CSocketPlus::errorEvent, this,
            [this](const QVariant &, qint16 number, const QString &description) {
                if (!m_running)
                    return;
                emit socketError(number, description);
                // A refused or unreachable server will not answer: waiting out
                // the time-out would only hide why. (A listener above may have
                // ended the exchange already.)
                if (m_running) {
                    m_errorText = description;
                    finish(Outcome::Error);
                }
            });
}

WhoisLookup::~WhoisLookup() = default;

void WhoisLookup::start(const QString &server, const QString &query)
{
    m_reply.clear();
    m_statusLine.clear();
    m_errorText.clear();
    m_httpStatus = 0;
    m_query = query.toLatin1() + "\r\n";
    m_running = true;
    m_started.start();
    m_timer.start(m_timeoutMs);
    m_socket->CloseSck(kIndex);
    m_http->abort(0);
    if (isRdapServer(server)) {
        const QUrl url = rdapDomainUrl(server, query);
        if (!url.isValid()) {
            m_errorText = QStringLiteral("'%1' is not a usable RDAP address").arg(server);
            finish(Outcome::Error);
            return;
        }
        m_http->get(0, url);
        return;
    }
    const ServerAddress address = parseServerAddress(server);
    if (!address.valid) {
        m_errorText = QStringLiteral("'%1' is not a usable server address").arg(server);
        finish(Outcome::Error);
        return;
    }
    if (const auto error = socketCall([&] { m_socket->Connect(kIndex, address.host, address.port); })) {
        m_errorText = error->description;
        finish(Outcome::Error);
    }
}

void WhoisLookup::cancel()
{
    m_timer.stop();
    m_running = false;
    m_socket->CloseSck(kIndex);
    m_http->abort(0);
}

void WhoisLookup::onRdapDone()
{
    if (!m_running)
        return;
    const HttpFetcher::Result result = m_http->takeResult(0);
    if (result.kind != HttpFetcher::Result::Kind::Reply) {
        m_errorText = result.error;
        finish(Outcome::Error);
        return;
    }
    m_httpStatus = result.status;
    m_statusLine = QStringLiteral("HTTP %1").arg(result.status);
    if (!result.reason.isEmpty())
        m_statusLine += u' ' + QString::fromLatin1(result.reason);
    m_reply = rdapDisplayBody(result.body);
    finish(Outcome::Done);
}

void WhoisLookup::restartTimeout()
{
    if (m_started.elapsed() < static_cast<qint64>(m_timeoutMs) * kTrickleTimeouts)
        m_timer.start(m_timeoutMs);
}

void WhoisLookup::onConnect(const QVariant &index)
{
    if (!m_running)
        return;
    restartTimeout();
    if (socketCall([&] { m_socket->SendData(index, m_query); }))
        finish(Outcome::Error);
}

void WhoisLookup::onData(const QVariant &index)
{
    if (!m_running)
        return;
    restartTimeout();
    QByteArray part;
    if (socketCall([&] { m_socket->GetData(index, part); })) {
        finish(Outcome::Error);
        return;
    }
    m_reply += part;
}

void WhoisLookup::onClose(const QVariant &)
{
    // An empty reply proves nothing: the time-out ends that exchange.
    if (!m_running || m_reply.isEmpty())
        return;
    finish(Outcome::Done);
}

void WhoisLookup::onTimeout()
{
    if (m_running)
        finish(Outcome::Timeout);
}

void WhoisLookup::finish(Outcome outcome)
{
    m_timer.stop();
    m_running = false;
    m_socket->CloseSck(kIndex);
    m_http->abort(0);
    emit finished(outcome);
}
