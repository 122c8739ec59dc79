#pragma once

#include "config/rdapbootstrap.h"
#include "config/tldservertable.h"
#include "connectionslot.h"
#include "serverpacer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

// Everything one check run sets up at its start and leaves behind at its end:
// the names, the counters, the settings read from the option boxes, the run's
// copies of the configuration and the connection slots. The engine owns one
// and resets it in one place, when a run ends, so nothing of a run (its
// selected-only flag, a slot's last name, a half-gathered reply) carries over
// into the next.
struct RunSession {
    static constexpr int kSlotCount = 501;
    // RDAP requests out at a time to one server: about what registries take
    // before they answer 429. Further slots for the server wait for one to end.
    static constexpr int kRdapRequestsPerServer = 6;

    RunSession();
    // Back to the idle state; the slots' storage stays, and the serial moves on.
    void reset();
    // The slot's RDAP request, if one is counted, has ended: the first slot
    // waiting for its server may go (returned, or -1 when none waits).
    qint16 releaseRdapRequest(qint16 slot);

    ConnectionSlot &slot(int i) { return connectionSlots[static_cast<size_t>(i)]; }
    const ConnectionSlot &slot(int i) const { return connectionSlots[static_cast<size_t>(i)]; }

    // Tells runs apart: whoever yields to the event loop in the middle of a step
    // can see that the run it worked for ended meanwhile (and another began).
    quint32 serial = 0;

    QStringList runNames; // lower-cased names of the run, in list order
    qint32 runCount = 0;
    qint32 nextIndex = 0;
    qint32 processed = 0; // names finished with a written result line
    // Names an interrupted run finished before it went on here: counted in
    // `processed` and in the whole run's count.
    qint32 finishedBefore = 0;
    qint32 totalCount() const { return runCount + finishedBefore; }
    bool done = false; // completion has been handled
    bool selectedOnly = false;
    bool retryOn = false;
    quint8 retryLimit = 0;
    qint32 timeoutMs = 0;
    qint16 topSlot = -1;
    qint32 progressUnit = 0;
    qint32 lastRefresh = 0;
    quint8 panelLines = 0;

    // Lower-cased copies of the response lists taken at run start, as reply bytes.
    QList<QByteArray> freeResponses;
    QList<QByteArray> errorResponses;
    // The program's own recognition reads what those leave as taken.
    bool recognition = false;
    std::vector<TldServerRecord> tldServerRecords;

    // When the bootstrap's RDAP services are asked, and the bootstrap (none when off).
    RdapMode rdapMode = RdapMode::Off;
    std::shared_ptr<const RdapBootstrap> rdapBootstrap;
    // RDAP servers that asked to be left alone (429 or 503 with Retry-After):
    // the tick count before which none of the run's slots asks them again (the
    // latest end of every wait a server announced).
    QHash<QString, qint32> rdapNotBefore;
    // RDAP requests out per server, and the slots waiting for one of them to end, first come first.
    QHash<QString, int> rdapInFlight;
    QHash<QString, QList<qint16>> rdapWaiting;
    // Adaptive pacing: every server's pace, kept from its throttling.
    bool pacing = false;
    ServerPacer pacer;
    // Paces are kept in real milliseconds since the run's start, whatever the run's clock says.
    QElapsedTimer paceClock;
    qint32 paceNow() const { return paceClock.isValid() ? static_cast<qint32>(paceClock.elapsed()) : 0; }

    // A name that waits for its server's next turn instead of holding a slot:
    // what the slot knew of it, so it is asked again where it was, as it was.
    struct WaitingName {
        QString name;
        QString query;
        QString tld;
        QString rdapService;
        qint32 tldIndex = -1;
        qint32 serverIndex = 0;
        quint8 retries = 0;
        quint8 silentWaits = 0;
        bool rdapFirst = false;
        bool rdapFallback = false;
    };
    // A server's waiting names, first come first. The queue holds at most one
    // turn of the server's pace, for its first name: the next turn is taken
    // when that name goes, so the pace a server reaches meanwhile counts.
    struct ServerQueue {
        std::deque<WaitingName> names;
        bool hasTurn = false;
        qint32 dueAt = 0;   // pace time of the turn
        bool woken = false; // an idle slot was woken for the turn
    };
    QHash<QString, ServerQueue> waiting;
    qint32 waitingCount = 0;
    // Set whenever a queue changed; the engine then looks at the turns again.
    bool queuesChanged = false;
    // Slots with nothing to take but waiting names whose turn has not come:
    // the run's one turn timer wakes them, one a turn.
    std::deque<qint16> turnWaiters;
    // Failures (time-outs, refusals, resets) of each server since an answer to
    // a query sent after them (answers to queries of the same burst say
    // nothing about the server now), and when the latest failed query went
    // out; a server is here once it has answered.
    struct Silence {
        int failures = 0;
        qint32 lastFailedAt = 0;
    };
    QHash<QString, Silence> silence;
    // The slot's query was answered, or failed (`by` failures more, or fewer).
    void countAnswer(const ConnectionSlot &s);
    void countFailure(const ConnectionSlot &s, int by = 1);
    int failuresOf(const QString &server) const { return silence.value(server).failures; }

    // Slow start: a server not yet known to take the run's full width has at
    // most `size` queries out at once; the others wait in its queue. 32 is
    // about the burst the registries that publish no allowance take (20 to 50
    // a second): a server that throttles sees at most that many at once
    // before its first notice, instead of one from every connection. Each
    // answer widens the window by three, so it grows fourfold every round
    // trip and 500 connections are open after three: at 200 ms a round trip,
    // doubling would cost a fast server about four round trips of half-idle
    // connections at every run's start. After a throttle the rate pacing
    // governs the server, and the window grows by one a window's worth of
    // answers: it still bounds what a further throttle or a silent drop catches.
    static constexpr int kFirstWindow = 32;
    static constexpr int kWideningPerAnswer = 3;
    struct Window {
        int size = 0; // queries out at once; 0 = no limit
        int out = 0;
        int answers = 0; // since the window last grew, once it has stopped doubling
        bool doubling = true;
    };
    QHash<QString, Window> windows;
    // A query to `server` must wait for one of its queries out to end.
    bool windowFull(const QString &server);
    // The slot's query to `server` goes out, counted in its window.
    void windowSent(ConnectionSlot &s, const QString &server);
    // The slot's query counted in a window has ended; true when the server
    // has names waiting that the room may let go.
    bool windowReleased(ConnectionSlot &s);
    void windowAnswered(const QString &server);
    void windowThrottled(const QString &server);

    bool hasWaiting(const QString &server) const { return waiting.contains(server); }
    // The slot's name waits for the server the slot last paced it at;
    // `turnAt`: the pace time of the turn it was given, if any.
    void park(const ConnectionSlot &s, std::optional<qint32> turnAt);
    // A server whose queue's turn has come at `now`, empty when none.
    QString dueServer(qint32 now) const;
    // The first waiting name of `server` into the slot, with the queue's turn.
    void takeWaiting(ConnectionSlot &s, const QString &server);
    // Every list name handed out and none waiting.
    bool nothingLeft() const { return waitingCount == 0 && namesExhausted(); }

    // The DNS pre-check: names are looked up in list order (dnsNext is the
    // next), at most dnsLimit at once. Those DNS settles are written at once;
    // the others wait in whoisReady (indices into runNames) for a slot, and a
    // slot with nothing to take waits in nameWaiters. A name leaves runNames
    // when DNS settles it or a slot takes it, so what a Stop finds there is
    // every name without a result.
    bool dnsFirst = false;
    qint32 dnsNext = 0;
    qint32 dnsLimit = 0;
    qint32 dnsInFlight = 0;
    qint32 dnsSettled = 0;
    std::deque<qint32> whoisReady;
    std::deque<qint16> nameWaiters;
    // Every name has been handed to a slot (or settled by DNS).
    bool namesExhausted() const
    {
        return dnsFirst ? whoisReady.empty() && dnsNext >= runCount && dnsInFlight == 0
                        : nextIndex >= runCount;
    }

    // Names of the result lines handed to temp.txt since the last block the
    // file took completely: if a write fails, these are the names it lost.
    QStringList unsavedNames;
    qint64 savedLines = 0; // lines the file has taken completely

    std::unique_ptr<ConnectionSlot[]> connectionSlots;

private:
    struct WithoutSlots {
    };
    explicit RunSession(WithoutSlots) {}
};
