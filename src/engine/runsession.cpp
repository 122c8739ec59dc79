#include "runsession.h"

RunSession::RunSession()
    : connectionSlots(std::make_unique<ConnectionSlot[]>(kSlotCount))
{
}

void RunSession::reset()
{
    std::unique_ptr<ConnectionSlot[]> kept = std::move(connectionSlots);
    *this = RunSession(WithoutSlots{});
    connectionSlots = std::move(kept);
    for (int i = 0; i < kSlotCount; ++i)
        connectionSlots[static_cast<size_t>(i)] = ConnectionSlot();
}
