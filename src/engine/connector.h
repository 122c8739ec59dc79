#pragma once

#include <QString>

#include <array>

class Clock;
class CSocketPlus;
class RunHost;
struct RunSession;
struct RunState;

// What a dispatch or a retry leaves for the run to do with the slot.
struct SlotStep {
    enum class Kind {
        None,       // nothing: the run is stopped, or it ended while the window had its turn
        Connecting, // the slot's socket is connecting; its events take the name on
        RanOut,     // no names are left for the slot
        Write,      // the name is done without a connection: `text` is its information
        Failed,     // the step failed: retry while retries are left, otherwise write `text`
    };
    Kind kind = Kind::None;
    QString text;
};

// The dispatcher of the run's connection slots: hands a slot its next name, or
// reconnects it for a retry, and says what is left for the run to do (write a
// result, retry, finish the slot). It keeps nothing of its own; everything it
// works on is the run's (the session, the slots' socket indices in the run's
// socket object), so one serves every slot.
class connector
{
public:
    connector(RunSession &session, RunState &run, Clock &clock, RunHost &host, CSocketPlus &socket);

    // Gives `slot` the next name of the run and connects it to the first server
    // of the name's TLD. A name that fails the syntax check or has no server
    // comes back to be written at once; with no names left the slot has run out.
    // While the run is busy it refreshes the progress and lets the window
    // handle its events, every two seconds at most.
    SlotStep nextdomain(qint16 &slot);
    // Connects the slot's current name again, to the next server of its TLD.
    SlotStep retryconnection(qint16 &slot);

    QString getext(const QString &name) const;
    void parsedom(std::array<QString, 3> &parts) const;
    QString converter(const QString &text) const;

private:
    // Closes the slot's socket and connects it to the server in use; false when
    // that cannot be done (no such server, the socket refused the request).
    bool connectSlot(qint16 slot);

    RunSession &m_session;
    RunState &m_run;
    Clock &m_clock;
    RunHost &m_host;
    CSocketPlus &m_socket;
};
