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
