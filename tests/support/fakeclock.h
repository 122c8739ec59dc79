#pragma once

#include "base/clock.h"

// A clock that moves only when told to.
class FakeClock : public Clock
{
public:
    explicit FakeClock(QDate today = QDate(2026, 1, 15), qint32 ticks = 1000)
        : m_today(today)
        , m_ticks(ticks)
    {
    }
    qint32 tickCount() const override { return m_ticks; }
    QDate today() const override { return m_today; }

    void advance(qint32 ms)
    {
        m_ticks = static_cast<qint32>(static_cast<quint32>(m_ticks) + static_cast<quint32>(ms));
    }
    void setTicks(qint32 ticks) { m_ticks = ticks; }

private:
    QDate m_today;
    qint32 m_ticks;
};
