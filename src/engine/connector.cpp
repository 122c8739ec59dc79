#include "connector.h"

#include "base/clock.h"
#include "checktexts.h"
#include "converter.h"
#include "domainrow.h"
#include "domainsyntax.h"
#include "net/csocketplus.h"
#include "progress.h"
#include "runhost.h"
#include "runsession.h"
#include "runstate.h"
#include "ticks.h"

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

connector::connector(RunSession &session, RunState &run, Clock &clock, RunHost &host, CSocketPlus &socket)
    : m_session(session)
    , m_run(run)
    , m_clock(clock)
    , m_host(host)
    , m_socket(socket)
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

bool connector::connectSlot(qint16 slot)
{
    ConnectionSlot &s = m_session.slot(slot);
    const std::vector<TldServerRecord> &records = m_session.tldServerRecords;
    if (s.tldIndex < 0 || static_cast<size_t>(s.tldIndex) >= records.size())
        return false;
    const TldServerRecord &record = records[static_cast<size_t>(s.tldIndex)];
    const ServerAddress address = parseServerAddress(record.servers.value(s.serverIndex));
    if (socketCall([&] { m_socket.CloseSck(slot); }))
        return false;
    s.connectStart = m_clock.tickCount();
    // An empty entry (a trailing comma) would otherwise reuse the host of the
    // slot's previous connection.
    if (address.host.isEmpty())
        return false;
    return !socketCall([&] { m_socket.Connect(slot, address.host, address.valid ? address.port : 0); });
}

SlotStep connector::nextdomain(qint16 &slot)
{
    using Kind = SlotStep::Kind;
    if (m_run.stopped || !validSlot(slot))
        return {};
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = m_clock.tickCount();
    if (m_session.nextIndex >= m_session.runCount)
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
        if (m_session.nextIndex >= m_session.runCount)
            return {Kind::RanOut, {}};
    }

    if (++m_session.panelLines >= kPanelLineLimit) {
        m_host.clearPanelNames();
        m_session.panelLines = 0;
    }
    m_host.printPanelName(s.name);

    s.name = m_session.runNames[m_session.nextIndex];
    ++m_session.nextIndex;
    s.retries = 0;
    // An exact-match flag left by the previous name's last retry belongs to that name.
    s.exactMatchRetry = false;
    s.reply.clear();

    std::array<QString, 3> parts{s.name, QString(), QString()};
    parsedom(parts);
    if (parts[0] != QLatin1String("1"))
        return {Kind::Write, checkText::kInvalidDomainFormat};

    s.tld = getext(s.name);
    s.query = registrablePart(s.name, s.tld);
    s.serverIndex = 0;
    s.tldIndex = findTldRecord(m_session.tldServerRecords, s.tld);
    if (s.tldIndex < 0)
        return {Kind::Write, checkText::kNoTldInfo};
    if (!connectSlot(slot))
        return {Kind::Failed, checkText::kMainConnectionError};
    return {Kind::Connecting, {}};
}

SlotStep connector::retryconnection(qint16 &slot)
{
    using Kind = SlotStep::Kind;
    if (m_run.stopped || !validSlot(slot))
        return {};
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = m_clock.tickCount();
    ++s.retries;
    const std::vector<TldServerRecord> &records = m_session.tldServerRecords;
    if (s.tldIndex < 0 || static_cast<size_t>(s.tldIndex) >= records.size())
        return {Kind::Failed, checkText::kConnectionRetryError};
    const TldServerRecord &record = records[static_cast<size_t>(s.tldIndex)];
    const qint32 serverCount =
        std::max<qint32>(1, std::min<qint32>(record.serverCount, record.servers.size()));
    if (++s.serverIndex >= serverCount)
        s.serverIndex = 0;
    if (!connectSlot(slot))
        return {Kind::Failed, checkText::kConnectionRetryError};
    return {Kind::Connecting, {}};
}
