#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>

class Clock;
class CSocketPlus;
class HttpFetcher;
class RunHost;
struct ConnectionSlot;
struct RunSession;
struct RunState;
struct TldServerRecord;

// What a dispatch or a retry leaves for the run to do with the slot.
struct SlotStep {
    enum class Kind {
        None,       // nothing: the run is stopped, or it ended while the window had its turn
        Connecting, // the slot's socket is connecting; its events take the name on
        RanOut,     // no names are left for the slot
        Write,      // the name is done without a connection: `text` is its information
        Failed,     // the step failed: retry while retries are left, otherwise write `text`
        Deferred,   // the server asked to be left alone: resume the connect in `delayMs`
        Waiting,    // the server has the run's full share of requests: the end of one resumes the slot
        Parked,     // pacing: the name waits in its server's queue (`delayMs`: the wait of the turn
                    // it was given, -1 when none); the slot goes on with another name
    };
    Kind kind = Kind::None;
    QString text;
    qint32 delayMs = 0;
};

// The dispatcher of the run's connection slots: hands a slot its next name, or
// reconnects it for a retry, and says what is left for the run to do (write a
// result, retry, finish the slot). It keeps nothing of its own; everything it
// works on is the run's (the session, the slots' socket indices in the run's
// socket object and their requests in its RDAP fetcher), so one serves every slot.
//
// A name's servers are those of its TLD's row, WHOIS hosts and RDAP base URLs
// alike; the run's RDAP mode may put the bootstrap's service for the name in
// front of them ("first") or ask it for a TLD without a row. Retries rotate
// over all of them the same way.
class connector
{
public:
    // `wake` resumes a slot that waited for its RDAP server (arms its Retry1).
    connector(RunSession &session, RunState &run, Clock &clock, RunHost &host, CSocketPlus &socket,
              HttpFetcher &rdap, std::function<void(qint16 slot)> wake);

    // Gives `slot` the next name of the run and connects it to the first server
    // of the name's TLD. A name that fails the syntax check or has no server
    // comes back to be written at once; with no names left the slot has run out.
    // While the run is busy it refreshes the progress and lets the window
    // handle its events, every two seconds at most.
    SlotStep nextdomain(qint16 &slot);
    // Connects the slot's current name again, to the next server of its TLD.
    SlotStep retryconnection(qint16 &slot);
    // Connects the slot again to the server it waited for (a Retry-After).
    SlotStep resumeconnection(qint16 &slot);
    // Whether the slot's name can still be asked at the bootstrap's RDAP
    // service after its own servers failed; looks the service up if needed.
    bool canFallBack(ConnectionSlot &s) const;
    // Ends the slot's RDAP request, if it has one: its server's next waiting slot is woken.
    void endRdapRequest(qint16 slot);

    QString getext(const QString &name) const;
    void parsedom(std::array<QString, 3> &parts) const;
    QString converter(const QString &text) const;

private:
    // Ends what the slot had under way and connects it to the server in use;
    // Failed with `failText` when that cannot be done (no such server, the
    // socket refused the request).
    SlotStep connectSlot(qint16 slot, const QString &failText);
    // With pacing on: what becomes of a query that may not go to `server`
    // now: its name waits in the server's queue, behind the names already
    // there, or is given up (the server was given up); nullopt when it may go.
    std::optional<SlotStep> paced(ConnectionSlot &s, const QString &server);
    const TldServerRecord *recordOf(const ConnectionSlot &s) const;
    // The server the slot asks now: a WHOIS host[:port] or an RDAP base URL.
    QString currentServer(const ConnectionSlot &s) const;
    qint32 serverCount(const ConnectionSlot &s) const;

    RunSession &m_session;
    RunState &m_run;
    Clock &m_clock;
    RunHost &m_host;
    CSocketPlus &m_socket;
    HttpFetcher &m_rdap;
    std::function<void(qint16)> m_wake;
};
