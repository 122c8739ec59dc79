#pragma once

#include <QtGlobal>

// Tick counts are compared by their 32-bit signed difference, so the count may wrap.
inline qint32 ticksSince(qint32 now, qint32 then)
{
    return static_cast<qint32>(static_cast<quint32>(now) - static_cast<quint32>(then));
}

// Arriving data keeps a connection alive for at most this many time-outs from
// its connect: a server that sends a byte now and then would otherwise never
// be silent long enough for the time-out, and the wait would never end.
inline constexpr qint32 kTrickleTimeouts = 10;
