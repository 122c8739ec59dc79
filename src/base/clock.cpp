#include "clock.h"

#include <QElapsedTimer>

qint32 SystemClock::tickCount() const
{
    static QElapsedTimer since = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    // Truncation to 32 bits is intended: callers compare ticks by signed difference.
    return static_cast<qint32>(static_cast<quint32>(since.elapsed()));
}

QDate SystemClock::today() const
{
    return QDate::currentDate();
}

SystemClock &SystemClock::instance()
{
    static SystemClock clock;
    return clock;
}
