#pragma once

#include "config/allowances.h"
#include "pacingledger.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <array>
#include <deque>
#include <optional>
#include <vector>

// What a throttling notice says about when, or how often, its server may be
// asked again.
struct ThrottleHint {
    std::optional<qint64> waitMs;        // "wait 30 seconds", "try again after: 1h0m0s"
    std::optional<double> ratePerSecond; // "only 1 request per second", "per hour reached (100)"
};

// Reads the wait or the allowance a notice announces, from the reply bytes in lower case.
ThrottleHint readThrottleHint(QByteArrayView reply);

// The pace of every server of a run (a WHOIS host:port, an RDAP server's
// host): when its next query may go out. A server is asked as fast as slots
// come until it throttles; from then on its queries are spaced by a rate that
// is cut on every throttle to just below what the server was really answering
// at (halved when it answered nothing), and raised by one query a second after
// a run of answers: quickly back to near that rate, slowly beyond it, never
// beyond an allowance the server announced. A throttle without an announced
// wait backs the server off from 1 s, doubling up to 120 s, with jitter. Times
// are tick counts in milliseconds.
class ServerPacer
{
public:
    static constexpr qint64 kFirstBackOffMs = 1000;
    static constexpr qint64 kMaxBackOffMs = 120 * 1000;
    static constexpr int kAnswersPerRaise = 20;
    // A throttle cuts the rate to this share of the answers of the last second.
    static constexpr double kCutShare = 0.95;
    // Beyond that share of the rate it throttled at, a raise waits this many seconds of answers.
    static constexpr double kSecondsPerProbe = 10;
    static constexpr double kMinRate = 1.0 / 60;

    explicit ServerPacer(qint64 patienceMs = 10 * 60 * 1000)
        : m_patienceMs(patienceMs)
    {
    }

    // Milliseconds until the query may go to the server; 0 when it may go
    // now. Either way the query has its turn: the next one is spaced after it.
    // `hadTurn`: the query waited for the turn an earlier call gave it.
    qint32 take(const QString &server, qint32 now, bool hadTurn = false);
    // The server answered (anything but a throttle).
    void answered(const QString &server, qint32 now);
    // The server throttled; `jitter` in [0, 1) spreads the back-off. Returns
    // the wait before the server is asked again. Throttles during a back-off
    // answer queries sent before it and count as the same signal. `sentAt`:
    // when the throttled query went out, for a signal that comes long after
    // (a silence noticed at its time-out): the server is measured by what it
    // answered then.
    qint32 throttled(const QString &server, qint32 now, const ThrottleHint &hint, double jitter,
                     std::optional<qint32> sentAt = std::nullopt);
    // The server has answered nothing but throttles for the whole patience:
    // from its first throttle since an answer to its latest one.
    bool outOfPatience(const QString &server) const;
    // The rate the server is held to, 0 while it has not throttled.
    double rate(const QString &server) const;

    // Known allowances, by allowanceServerName(): such a server's queries are
    // held to them from its first one on, and to its throttling's pace on top
    // (whichever is slower).
    void setAllowances(AllowanceTable table) { m_allowances = std::move(table); }
    // The fewest queries one of the server's known allowances lets go at
    // once (0: none known).
    int burstAllowance(const QString &server) const;
    // The wall-clock time of tick 0, for the windows of daily allowances.
    void setClockStart(const QDateTime &utc) { m_clockStart = utc; }
    // What earlier runs used of daily allowances; call before the first take().
    void restoreLedger(const QList<LedgerEntry> &entries);
    // The daily allowances' use, for the ledger: every server's window still
    // in force, those of the restored ledger this run did not ask included.
    QList<LedgerEntry> ledger() const;
    // Changes whenever a daily count does.
    quint64 ledgerChanges() const { return m_dayQueries; }
    // Why the names still waiting for the server are to be written unchecked
    // now: its daily allowance is used up ("Daily allowance of SERVER used up
    // until HH:MM"), or it is out of patience ("Throttled by SERVER").
    std::optional<QString> giveUpReason(const QString &server) const;

private:
    // Long enough to look back over a time-out (the longest one a run may set
    // is a minute) to what the server answered when a silent query went out.
    static constexpr int kAnswerSeconds = 64;
    struct Pace {
        double rate = 0; // queries a second; 0 = unpaced
        qint32 nextAt = 0;
        bool waiting = false; // nextAt is in force
        int backOffs = 0;
        qint32 backOffUntil = 0;
        bool backingOff = false; // backOffUntil is in force
        int answersSinceThrottle = 0;
        bool throttling = false;
        qint32 throttledSince = 0;
        qint32 lastThrottleAt = 0;
        // Answers of each of the last kAnswerSeconds seconds, by second modulo
        // kAnswerSeconds; a slot holds the second it counts.
        std::array<qint32, kAnswerSeconds> answerSecond{};
        std::array<int, kAnswerSeconds> answers{};
        double ceiling = 0;   // the answers of the second before the latest throttle
        double announced = 0; // an allowance a notice announced, queries a second
        bool waitAnnounced = false;
    };

    static void countAnswer(Pace &p, qint32 now);
    static double answering(const Pace &p, qint32 now);

    qint64 m_patienceMs;
    QHash<QString, Pace> m_paces;

    // One allowance of a server. Short windows keep the send times of their
    // last `count` queries (a sliding window); a day's, or one of more than
    // kMaxKeptTimes queries, counts from the window's start instead.
    struct Window {
        static constexpr int kMaxKeptTimes = 4096;
        Allowance allowance;
        std::deque<qint32> sent; // oldest first
        bool counting = false;
        bool started = false;
        qint32 start = 0;
        int used = 0;
    };
    // Made on a server's first look-up, from the allowances and the ledger.
    std::vector<Window> &windowsOf(const QString &server) const;
    // The earliest time from `at` on at which every window has room.
    static qint32 roomAt(const std::vector<Window> &windows, qint32 at);
    void reserve(std::vector<Window> &windows, qint32 at);
    QDateTime wallTime(qint32 tick) const;

    AllowanceTable m_allowances;
    mutable QHash<QString, std::vector<Window>> m_windows;
    QHash<QString, LedgerEntry> m_ledgerSeeds;
    QDateTime m_clockStart;
    qint32 m_lastNow = 0;
    quint64 m_dayQueries = 0;
};
