#include "connector.h"

#include "base/clock.h"
#include "checktexts.h"
#include "converter.h"
#include "domainrow.h"
#include "domainsyntax.h"
#include "net/csocketplus.h"
#include "net/httpfetcher.h"
#include "progress.h"
#include "runhost.h"
#include "runsession.h"
#include "runstate.h"
#include "ticks.h"

#include <algorithm>
#include <utility>

namespace {

// With hundreds of busy slots the timers alone could keep the window from
// repainting; the dispatcher refreshes the counters and yields to it this often.
constexpr qint32 kRefreshIntervalMs = 2000;
// The working panel's name box is cleared on every this many dispatches.
constexpr int kPanelLineLimit = 12;

bool validSlot(int slot)
{
    return slot >= 0 && slot < RunSession::kSlotCount;
}

} // namespace

connector::connector(RunSession &session, RunState &run, Clock &clock, RunHost &host, CSocketPlus &socket,
                     HttpFetcher &rdap, std::function<void(qint16)> wake)
    : m_session(session)
    , m_run(run)
    , m_clock(clock)
    , m_host(host)
    , m_socket(socket)
    , m_rdap(rdap)
    , m_wake(std::move(wake))
{
}

QString connector::getext(const QString &name) const
{
    return m_run.suffixes.getext(name);
}

void connector::parsedom(std::array<QString, 3> &parts) const
{
    ::parsedom(parts);
}

QString connector::converter(const QString &text) const
{
    return ::converter(text);
}

const TldServerRecord *connector::recordOf(const ConnectionSlot &s) const
{
    const std::vector<TldServerRecord> &records = m_session.tldServerRecords;
    if (s.tldIndex < 0 || static_cast<size_t>(s.tldIndex) >= records.size())
        return nullptr;
    return &records[static_cast<size_t>(s.tldIndex)];
}

qint32 connector::serverCount(const ConnectionSlot &s) const
{
    const TldServerRecord *record = recordOf(s);
    qint32 count =
        record ? std::max<qint32>(1, std::min<qint32>(record->serverCount, record->servers.size())) : 0;
    // The bootstrap's service leads the rotation, or is all a TLD without a row has.
    if (s.rdapFirst || (!record && !s.rdapService.isEmpty()))
        ++count;
    return count;
}

QString connector::currentServer(const ConnectionSlot &s) const
{
    if (s.rdapFallback)
        return s.rdapService;
    const TldServerRecord *record = recordOf(s);
    qint32 i = s.serverIndex;
    if (s.rdapFirst) {
        if (i == 0)
            return s.rdapService;
        --i;
    }
    if (!record)
        return s.rdapService;
    return record->servers.value(i);
}

bool connector::canFallBack(ConnectionSlot &s) const
{
    if (m_session.rdapMode != RdapMode::Fallback || !m_session.rdapBootstrap || s.rdapFallback || s.rdapFirst)
        return false;
    const TldServerRecord *record = recordOf(s);
    // A name without a row has asked the service already.
    if (!record)
        return false;
    if (s.rdapService.isEmpty())
        s.rdapService = m_session.rdapBootstrap->serviceFor(s.query);
    return !s.rdapService.isEmpty() && !record->servers.contains(s.rdapService);
}

void connector::endRdapRequest(qint16 slot)
{
    m_rdap.abort(slot);
    const qint16 next = m_session.releaseRdapRequest(slot);
    if (next >= 0 && m_wake)
        m_wake(next);
}

std::optional<SlotStep> connector::paced(ConnectionSlot &s, const QString &server)
{
    if (!m_session.pacing)
        return std::nullopt;
    s.pacedServer = server;
    if (std::optional<QString> reason = m_session.pacer.giveUpReason(server))
        return SlotStep{SlotStep::Kind::Write, std::move(*reason)};
    const bool hadTurn = std::exchange(s.paceTurn, false);
    // A name of a server with names waiting goes behind them.
    if (!hadTurn && m_session.hasWaiting(server))
        return SlotStep{SlotStep::Kind::Parked, {}, -1};
    // So does one beyond the server's window; a turn is only given with room in it.
    if (m_session.windowFull(server) && !hadTurn)
        return SlotStep{SlotStep::Kind::Parked, {}, -1};
    const qint32 wait = m_session.pacer.take(server, m_session.paceNow(), hadTurn);
    if (wait > 0)
        return SlotStep{SlotStep::Kind::Parked, {}, wait};
    s.pacedAt = m_session.paceNow();
    m_session.windowSent(s, server);
    return std::nullopt;
}

SlotStep connector::connectSlot(qint16 slot, const QString &failText)
{
    using Kind = SlotStep::Kind;
    ConnectionSlot &s = m_session.slot(slot);
    const QString server = currentServer(s);
    // Whatever the slot had under way ends here, of either kind: nothing of
    // an earlier attempt may answer for this one.
    endRdapRequest(slot);
    m_session.windowReleased(s);
    if (socketCall([&] { m_socket.CloseSck(slot); }))
        return {Kind::Failed, failText};
    const qint32 now = m_clock.tickCount();
    s.connectStart = now;
    s.deferred = false;

    if (isRdapServer(server)) {
        const QUrl url = rdapDomainUrl(server, s.query);
        if (!url.isValid())
            return {Kind::Failed, failText};
        const QString key = rdapServerKey(url);
        const auto wait = m_session.rdapNotBefore.constFind(key);
        if (wait != m_session.rdapNotBefore.constEnd()) {
            const qint32 left = ticksSince(*wait, now);
            if (left > 0) {
                // The silence is the server's wish, not a time-out: the sweep
                // looks at the slot again a time-out after the wait.
                s.deferred = true;
                s.lastActivity = *wait;
                return {Kind::Deferred, {}, left};
            }
            m_session.rdapNotBefore.erase(wait);
        }
        if (m_session.rdapInFlight.value(key) >= RunSession::kRdapRequestsPerServer) {
            // The program's own wait, not the server's silence: the sweep
            // leaves the slot alone until a request to the server ends.
            s.deferred = true;
            s.waitingForServer = true;
            m_session.rdapWaiting[key].append(slot);
            return {Kind::Waiting, {}};
        }
        if (std::optional<SlotStep> step = paced(s, key))
            return std::move(*step);
        ++m_session.rdapInFlight[key];
        s.rdapServer = key;
        // The exact-match form belongs to WHOIS; the RDAP request is the query that uses the flag up.
        s.exactMatchRetry = false;
        s.reply.clear();
        m_rdap.get(slot, url);
        return {Kind::Connecting, {}};
    }

    const ServerAddress address = parseServerAddress(server);
    // An empty entry (a trailing comma) would otherwise reuse the host of the
    // slot's previous connection.
    if (address.host.isEmpty())
        return {Kind::Failed, failText};
    if (std::optional<SlotStep> step = paced(s, server))
        return std::move(*step);
    if (socketCall([&] { m_socket.Connect(slot, address.host, address.valid ? address.port : 0); }))
        return {Kind::Failed, failText};
    return {Kind::Connecting, {}};
}

SlotStep connector::nextdomain(qint16 &slot)
{
    using Kind = SlotStep::Kind;
    if (m_run.stopped || !validSlot(slot))
        return {};
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = m_clock.tickCount();
    if (m_session.nothingLeft())
        return {Kind::RanOut, {}};

    if (ticksSince(s.lastActivity, m_session.lastRefresh) > kRefreshIntervalMs) {
        showRunProgress(m_host, m_run, m_session);
        m_session.lastRefresh = s.lastActivity;
        const quint32 serial = m_session.serial;
        m_host.processEvents();
        // Events handled just now may have ended this run (or started another),
        // or taken the last names.
        if (m_run.stopped || serial != m_session.serial)
            return {};
        if (m_session.nothingLeft())
            return {Kind::RanOut, {}};
    }
    // A waiting name whose turn has come goes first, then the list's next.
    const QString due = m_session.waitingCount > 0 ? m_session.dueServer(m_session.paceNow()) : QString();
    if (due.isEmpty() && m_session.waitingCount > 0 && m_session.namesExhausted()) {
        // Every name left waits for its server: the run's turn timer wakes the slot.
        s.waitingForTurn = true;
        m_session.turnWaiters.push_back(slot);
        return {Kind::Waiting, {}};
    }
    if (due.isEmpty() && m_session.dnsFirst && m_session.whoisReady.empty()) {
        // DNS has names out still: the first it passes on is this slot's.
        s.waitingForName = true;
        m_session.nameWaiters.push_back(slot);
        return {Kind::Waiting, {}};
    }

    if (++m_session.panelLines >= kPanelLineLimit) {
        m_host.clearPanelNames();
        m_session.panelLines = 0;
    }
    m_host.printPanelName(s.name);

    if (!due.isEmpty()) {
        m_session.takeWaiting(s, due);
        return connectSlot(slot, s.retries > 0 || s.rdapFallback ? checkText::kConnectionRetryError
                                                                 : checkText::kMainConnectionError);
    }
    if (m_session.dnsFirst) {
        s.name = std::exchange(m_session.runNames[m_session.whoisReady.front()], QString());
        m_session.whoisReady.pop_front();
    } else {
        s.name = m_session.runNames[m_session.nextIndex];
        ++m_session.nextIndex;
    }
    s.retries = 0;
    s.silentWaits = 0;
    // An exact-match flag left by the previous name's last retry belongs to that name.
    s.exactMatchRetry = false;
    s.reply.clear();
    s.rdapService.clear();
    s.rdapFirst = false;
    s.rdapFallback = false;
    s.deferred = false;

    std::array<QString, 3> parts{s.name, QString(), QString()};
    parsedom(parts);
    if (parts[0] != QLatin1String("1"))
        return {Kind::Write, checkText::kInvalidDomainFormat};

    s.tld = getext(s.name);
    s.query = m_run.suffixes.registrablePart(s.name);
    s.serverIndex = 0;
    s.tldIndex = findTldRecord(m_session.tldServerRecords, s.tld);
    if (m_session.rdapBootstrap) {
        const TldServerRecord *record = recordOf(s);
        if (!record || m_session.rdapMode == RdapMode::First) {
            s.rdapService = m_session.rdapBootstrap->serviceFor(s.query);
            // A row that names RDAP servers of its own keeps its order.
            s.rdapFirst = record && !s.rdapService.isEmpty() &&
                          std::none_of(record->servers.begin(), record->servers.end(),
                                       [](const QString &server) { return isRdapServer(server); });
        }
    }
    if (s.tldIndex < 0 && s.rdapService.isEmpty())
        return {Kind::Write, checkText::kNoTldInfo};
    return connectSlot(slot, checkText::kMainConnectionError);
}

SlotStep connector::retryconnection(qint16 &slot)
{
    using Kind = SlotStep::Kind;
    if (m_run.stopped || !validSlot(slot))
        return {};
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = m_clock.tickCount();
    ++s.retries;
    // A turn of the pace is its server's; the retry goes to the next one.
    s.paceTurn = false;
    const qint32 count = serverCount(s);
    if (count <= 0 && !s.rdapFallback)
        return {Kind::Failed, checkText::kConnectionRetryError};
    // The fallback service is one more server after the rotation, not part of it.
    if (!s.rdapFallback && ++s.serverIndex >= count)
        s.serverIndex = 0;
    return connectSlot(slot, checkText::kConnectionRetryError);
}

SlotStep connector::resumeconnection(qint16 &slot)
{
    if (m_run.stopped || !validSlot(slot))
        return {};
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = m_clock.tickCount();
    return connectSlot(slot, s.retries > 0 || s.rdapFallback ? checkText::kConnectionRetryError
                                                             : checkText::kMainConnectionError);
}
