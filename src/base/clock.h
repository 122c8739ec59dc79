#pragma once

#include <QDate>
#include <QtGlobal>

// Time as the engine sees it: a 32-bit millisecond tick count (wrapping, compared
// by signed difference) and today's date. Tests substitute a FakeClock.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint32 tickCount() const = 0;
    virtual QDate today() const = 0;
};

class SystemClock : public Clock
{
public:
    qint32 tickCount() const override;
    QDate today() const override;
    static SystemClock &instance();
};
