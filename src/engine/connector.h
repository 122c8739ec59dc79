#pragma once

#include <QString>

#include <array>

class Clock;
class CSocketPlus;
class RunHost;
struct RunSession;
struct RunState;

// What the dispatcher hands back to the run it works for.
class RunControl
{
public:
    virtual ~RunControl() = default;

    // The slot is done with its name: its result line is written, counted, and
    // the slot's Dispatch1 armed.
    virtual void finishName(qint16 slot, const QString &result, const QString &expiration,
                            const QString &information) = 0;
    // A step of the slot failed: retry while retries are left, otherwise finish
    // the name with `text`.
    virtual void handleFailure(qint16 slot, const QString &text) = 0;
    // The slot found no names left; the last slot of the run to do so completes it.
    virtual void slotRanOut(qint16 slot) = 0;
    // Refreshes the percentage and the counters.
    virtual void refreshProgress() = 0;
    // Lets the window handle pending events. False when the run ended (or another
    // began) meanwhile: the caller must not touch the run any more.
    virtual bool yieldToWindow() = 0;
};

// The dispatcher of the run's connection slots: hands a slot its next name, or
// reconnects it for a retry. It keeps nothing of its own; everything it works
// on is the run's (the session, the slots' socket indices in the run's socket
// object), so one serves every slot.
class connector
{
public:
    connector(RunSession &session, RunState &run, Clock &clock, RunHost &host, CSocketPlus &socket,
              RunControl &control);

    // Gives `slot` the next name of the run and connects it to the first server of
    // the name's TLD; names that fail the syntax check or have no server are
    // written at once. With no names left the slot is finished, and the last
    // slot to finish completes the run.
    void nextdomain(qint16 &slot);
    // Connects the slot's current name again, to the next server of its TLD.
    void retryconnection(qint16 &slot);

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
    RunControl &m_control;
};
