#include "runsession.h"

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
