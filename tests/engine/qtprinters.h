#pragma once

#include <QString>

#include <ostream>

// Readable GoogleTest failure output for Qt strings (and, through them, string lists).
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
