#include "runsession.h"

#include "ticks.h"

RunSession::RunSession()
    : connectionSlots(std::make_unique<ConnectionSlot[]>(kSlotCount))
{
}

void RunSession::reset()
{
    std::unique_ptr<ConnectionSlot[]> kept = std::move(connectionSlots);
    const quint32 next = serial + 1;
    *this = RunSession(WithoutSlots{});
    serial = next;
    connectionSlots = std::move(kept);
    for (int i = 0; i < kSlotCount; ++i)
        connectionSlots[static_cast<size_t>(i)] = ConnectionSlot();
}

qint16 RunSession::releaseRdapRequest(qint16 slotIndex)
{
    ConnectionSlot &s = slot(slotIndex);
    if (s.rdapServer.isEmpty())
        return -1;
    const QString server = std::exchange(s.rdapServer, QString());
    const auto count = rdapInFlight.find(server);
    if (count != rdapInFlight.end() && --*count <= 0)
        rdapInFlight.erase(count);
    const auto waiting = rdapWaiting.find(server);
    if (waiting == rdapWaiting.end())
        return -1;
    const qint16 next = waiting->takeFirst();
    if (waiting->isEmpty())
        rdapWaiting.erase(waiting);
    slot(next).waitingForServer = false;
    return next;
}

void RunSession::park(const ConnectionSlot &s, std::optional<qint32> turnAt)
{
    ServerQueue &q = waiting[s.pacedServer];
    WaitingName n{s.name,        s.query,   s.tld,         s.rdapService, s.tldIndex,
                  s.serverIndex, s.retries, s.silentWaits, s.rdapFirst,   s.rdapFallback};
    if (turnAt && !q.hasTurn) {
        // The name keeps the turn it was given, ahead of the names behind it.
        q.names.push_front(std::move(n));
        q.hasTurn = true;
        q.dueAt = *turnAt;
        q.woken = false;
    } else {
        q.names.push_back(std::move(n));
    }
    ++waitingCount;
    queuesChanged = true;
}

QString RunSession::dueServer(qint32 now) const
{
    for (auto it = waiting.constBegin(); it != waiting.constEnd(); ++it) {
        if (it->hasTurn && ticksSince(now, it->dueAt) >= 0)
            return it.key();
    }
    return {};
}

void RunSession::takeWaiting(ConnectionSlot &s, const QString &server)
{
    const auto it = waiting.find(server);
    if (it == waiting.end() || it->names.empty())
        return;
    WaitingName n = std::move(it->names.front());
    it->names.pop_front();
    s.name = std::move(n.name);
    s.query = std::move(n.query);
    s.tld = std::move(n.tld);
    s.rdapService = std::move(n.rdapService);
    s.tldIndex = n.tldIndex;
    s.serverIndex = n.serverIndex;
    s.retries = n.retries;
    s.silentWaits = n.silentWaits;
    s.rdapFirst = n.rdapFirst;
    s.rdapFallback = n.rdapFallback;
    s.exactMatchRetry = false;
    s.reply.clear();
    s.deferred = false;
    s.paceTurn = it->hasTurn;
    it->hasTurn = false;
    it->woken = false;
    if (it->names.empty())
        waiting.erase(it);
    --waitingCount;
    queuesChanged = true;
}

void RunSession::countAnswer(const ConnectionSlot &s)
{
    const auto it = silence.find(s.pacedServer);
    if (it == silence.end())
        silence.insert(s.pacedServer, Silence());
    else if (ticksSince(s.pacedAt, it->lastFailedAt) > 0)
        it->failures = 0;
}

void RunSession::countFailure(const ConnectionSlot &s, int by)
{
    const auto it = silence.find(s.pacedServer);
    if (it == silence.end())
        return;
    it->failures += by;
    if (by > 0 && ticksSince(s.pacedAt, it->lastFailedAt) > 0)
        it->lastFailedAt = s.pacedAt;
}

bool RunSession::windowFull(const QString &server)
{
    auto it = windows.find(server);
    if (it == windows.end()) {
        Window w;
        // A known allowance says how many the server takes at once.
        const int allowed = pacer.burstAllowance(server);
        w.size = allowed > 0 ? allowed : kFirstWindow;
        if (w.size > topSlot)
            w.size = 0;
        it = windows.insert(server, w);
    }
    return it->size > 0 && it->out >= it->size;
}

void RunSession::windowSent(ConnectionSlot &s, const QString &server)
{
    const auto it = windows.find(server);
    if (it == windows.end() || it->size == 0)
        return;
    ++it->out;
    s.windowServer = server;
}

bool RunSession::windowReleased(ConnectionSlot &s)
{
    if (s.windowServer.isEmpty())
        return false;
    const QString server = std::exchange(s.windowServer, QString());
    const auto it = windows.find(server);
    if (it == windows.end())
        return false;
    it->out = std::max(0, it->out - 1);
    if (!waiting.contains(server))
        return false;
    queuesChanged = true;
    return true;
}

void RunSession::windowAnswered(const QString &server)
{
    const auto it = windows.find(server);
    if (it == windows.end() || it->size == 0)
        return;
    if (it->doubling) {
        it->size += kWideningPerAnswer;
    } else if (++it->answers >= it->size) {
        ++it->size;
        it->answers = 0;
    }
    // Wide enough for every slot of the run: no limit from now on.
    if (it->size > topSlot)
        it->size = 0;
    if (waiting.contains(server))
        queuesChanged = true;
}

void RunSession::windowThrottled(const QString &server)
{
    const auto it = windows.find(server);
    if (it == windows.end())
        return;
    it->doubling = false;
    it->answers = 0;
}
