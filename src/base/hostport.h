#pragma once

#include <QString>
#include <QStringView>

// A server as users write one, in settings, the TLD table or on the command
// line: "host", "host:port", "[IPv6 address]" or "[IPv6 address]:port"; an
// IPv6 address without brackets is an address without a port. Spaces around
// the text are ignored.
struct HostPort {
    enum class Problem {
        None,
        NoHost,  // nothing, or nothing before the colon
        BadHost, // a character no host name has, or brackets around no IPv6 address
        NoPort,  // a colon with nothing after it
        BadPort, // a port that is not a number from 1 to 65535
    };

    QString host; // without brackets
    int port = 0; // the default asked for when none is written
    Problem problem = Problem::None;
    QString portText; // as written after the colon

    bool valid() const { return problem == Problem::None; }
};

HostPort parseHostPort(QStringView text, int defaultPort);

// The server as a request names it: an IPv6 address in brackets, and ":port"
// unless the port is `defaultPort`.
QString hostPortText(const QString &host, int port, int defaultPort);
