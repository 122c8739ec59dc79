#pragma once

#include "config/allowances.h"
#include "config/dnssettings.h"
#include "config/rdapbootstrap.h"
#include "connector.h"
#include "net/csocketplus.h"
#include "net/dnsresolver.h"
#include "net/httpfetcher.h"
#include "runsession.h"
#include "ticks.h"
#include "workfile.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class AppContext;
class RunHost;
struct RunJournal;
struct RunProgress;

// The check run: up to 500 parallel WHOIS connections over the names of the
// main list. Results never touch the list while the run goes on; each finished
// name appends one line to temp.txt, and the list is rebuilt from that file
// once, when the run completes or is stopped. Everything happens on the event
// loop of the thread that owns the engine: socket events and timers only arm a
// slot's Dispatch1 or Retry1 timer, and the next step runs from that timer.
//
// A result line that temp.txt cannot take (a full disk, a file-size limit)
// stops the run the way Stop does; the names whose lines did not reach the
// file come back into the list as unchecked, from memory, and the user is told.
//
// A slot asks a WHOIS server over its socket in Winsock1, or an RDAP server
// over its request in Rdap1 (index = slot number): both kinds take their turn
// in a name's rotation, and retries, time-outs and Stop treat them alike.
class CheckEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSlotCount = RunSession::kSlotCount;
    static constexpr int kDispatchDelayMs = 10;
    static constexpr int kSweepIntervalMs = 1000;
    static constexpr int kUpdateIntervalMs = 200;
    static constexpr int kFlushIntervalMs = 1000;
    static constexpr int kSyncEveryFlushes = 3;
    static constexpr qint64 kReplyCap = 512 * 1024;
    static constexpr qint64 kLargeReply = 64 * 1024;
    static constexpr qint32 kTrickleTimeouts = ::kTrickleTimeouts;
    // A Retry-After longer than this is cut to it: a server may slow a run
    // down, not hold it for hours.
    static constexpr qint64 kMaxRetryAfterSeconds = 120;
    // Replies longer than this are never read as throttling notices.
    static constexpr qsizetype kNoticeBytes = 4096;
    // Failures in a row, with no answer between them, that make a throttle of
    // a server that had been answering (a ban without a notice). One time-out
    // or reset happens on any busy network, and two can still be one bad
    // moment; a server that drops what goes beyond its allowance fails every
    // query of a burst, hundreds at a time, so three cost little to wait for.
    static constexpr int kSilentBurst = 3;
    // Times one name may wait after its server went silent; beyond, its
    // failures use its retries again, so a name the server never answers
    // (while it answers others) cannot keep it throttled.
    static constexpr int kMaxSilentWaits = 5;

    CheckEngine(AppContext &ctx, RunHost &host, QObject *parent = nullptr);
    ~CheckEngine() override;

    // Starts a run over the list (or its selected rows), or explains why not.
    void allstarter();
    // Goes on with the interrupted run of the data folder's journal: the names
    // without a result in temp.txt, with the options the run had. False when
    // it cannot start (the user was told why).
    bool resume(const RunJournal &journal, const RunProgress &progress);
    // Rebuilds the list of an interrupted run instead: its results, and its
    // other names as unchecked rows. The journal is gone afterwards.
    void restoreInterrupted(const RunJournal &journal, const RunProgress &progress);
    // Ends the active run: names not finished come back as "N/A". Harmless when idle.
    void allstopper();
    // A run is in progress.
    bool running() const { return m_active; }
    // The RDAP mode of the runs from now on, instead of quorvane.ini's (the
    // command line's --rdap); nullopt goes back to quorvane.ini.
    void setRdapModeOverride(std::optional<RdapMode> mode) { m_rdapOverride = mode; }
    // Adaptive pacing on or off for the runs from now on, instead of
    // quorvane.ini's (the command line's --pacing); nullopt goes back to it.
    void setPacingOverride(std::optional<bool> adaptive) { m_pacingOverride = adaptive; }
    // Whether the runs from now on ask names by the public suffix list, instead
    // of quorvane.ini's check/public-suffixes; nullopt goes back to quorvane.ini.
    void setPublicSuffixesOverride(std::optional<bool> on) { m_publicSuffixesOverride = on; }
    // The DNS pre-check's mode and servers for the runs from now on, instead of
    // quorvane.ini's (the command line's --dns and --dns-server); nullopt and
    // an empty list go back to quorvane.ini.
    void setDnsOverride(std::optional<DnsMode> mode, const QStringList &servers)
    {
        m_dnsOverride = mode;
        m_dnsServersOverride = servers;
    }
    // Allowances for the runs from now on over quorvane.ini's and the built-in
    // ones (the command line's --server-limit), by allowanceServerName().
    void setServerLimitsOverride(AllowanceTable limits) { m_serverLimitsOverride = std::move(limits); }

    // The once-a-second sweep over silent connections.
    void Timeout1_Timer();
    // Refreshes the percentage and the status bar counters.
    void updater();
    // The window's progress frame changed size: the bar of a running run is
    // measured in hundredths of it from now on.
    void refreshProgressUnit();

    // The active run (idle values between runs).
    const RunSession &session() const { return m_session; }
    const ConnectionSlot &connectionSlot(int slot) const { return m_session.slot(slot); }
    bool dispatchArmed(int slot) const;
    bool retryArmed(int slot) const;
    // The slot's RDAP request has a connection and has gone out.
    bool rdapRequestSent(int slot) const { return Rdap1.sent(slot); }
    // Slot steps (dispatches and retries) taken by every run so far: what idling costs.
    qint64 slotSteps() const { return m_slotSteps; }
    // Why the last run could not write its results, empty when it could.
    const QString &workFileError() const { return m_workFileError; }

signals:
    // The run ended: `completed` is false when it was stopped (by the user, or
    // because its results could not be written).
    void runEnded(bool completed);

private:
    struct StartPlan;
    struct SlotTimers {
        QTimer Dispatch1; // single shot: take the next name
        QTimer Retry1;    // single shot: connect the same name again, to the next server
    };

    // allstarter's three steps. validateStart refuses, or asks, without writing
    // anything; prepareRun writes remember.txt, corrects the options and opens
    // temp.txt; launchRun empties the list and sets the slots going.
    bool validateStart(StartPlan &plan);
    bool prepareRun(StartPlan &plan);
    // Writes the journal of a new run; false (the user told why) when it cannot.
    bool writeJournal(StartPlan &plan);
    void launchRun(StartPlan &plan);
    // Completion, Stop and a failed write all end here; the session is reset here.
    void endRun(bool completed);

    void Winsock1_connect(qint16 slot);
    void Winsock1_DataArrival(qint16 slot, qint32 bytesTotal);
    void Winsock1_CloseSck(qint16 slot);
    void Winsock1_error(qint16 slot, qint16 number, const QString &description);
    void Rdap1_Sent(qint16 slot);
    void Rdap1_Progress(qint16 slot);
    void Rdap1_Done(qint16 slot);
    void Dispatch1_Timer(qint16 slot);
    void Retry1_Timer(qint16 slot);
    // Does what the dispatcher left for the run to do with the slot.
    void takeStep(qint16 slot, const SlotStep &step);

    // Writes the slot's result line, counts it, and moves the slot on.
    void finishName(qint16 slot, const QString &result, const QString &expiration,
                    const QString &information);
    // A step of the slot failed: retry while retries are left, otherwise write `text`.
    void handleFailure(qint16 slot, const QString &text);
    // An error response: retry on the next server the exact-match way while
    // retries are left, otherwise give up with `text`.
    void handleErroneous(qint16 slot, const QString &text);
    // Pacing: the reply is a throttling or refusal notice.
    static bool isThrottleNotice(QByteArrayView reply, QByteArrayView query);
    // Pacing: the slot's server answered; or throttled, and the name waits for
    // it (or is given up once the server has been given up).
    void paceAnswered(const ConnectionSlot &s);
    void paceThrottled(qint16 slot, const ThrottleHint &hint, bool silence = false);
    // Pacing: the slot's query failed (a time-out, a refusal, a reset). True
    // when that is its server's throttle, and the name waits for it.
    bool silentThrottle(qint16 slot);
    bool silenceCounts(const ConnectionSlot &s) const;
    // Pacing: the slot's name waits in its server's queue (`turnAt`: the pace
    // time of the turn it was given), and the slot goes on with another name.
    void parkName(qint16 slot, std::optional<qint32> turnAt);
    // Gives every queue its turn, wakes an idle slot for each turn that has
    // come, gives up the queues of servers given up, and arms the turn timer
    // for the next turn; the idle slots run out once nothing is left.
    void pumpTurns();
    bool wakeIdleSlot();
    // Writes every name waiting for `server` with `reason`.
    void giveUpWaiting(const QString &server, const QString &reason);
    // No retry is left for the name: it is asked at the bootstrap's RDAP
    // service if the run falls back to it (true), and written with `text` otherwise.
    bool giveUp(qint16 slot, const QString &text);
    // The slot found no names left; the last slot of the run to do so completes it.
    void slotRanOut(qint16 slot);

    // The DNS pre-check: keeps the run's lookups out, up to its limit.
    void dnsPump();
    void dnsAnswered(qint32 index, const DnsResolver::Answer &answer);
    // The name goes on to WHOIS: the first slot waiting for one takes it.
    void passToWhois(qint32 index);
    void releaseNameWaiters();

    qint32 now() const;
    bool retryAllowed(const ConnectionSlot &s) const;
    void armDispatch(qint16 slot);
    void armRetry(qint16 slot, int delayMs = kDispatchDelayMs);
    // The slot's query, if one was out, has ended.
    void queryEnded(qint16 slot);
    // Appends one result line to temp.txt; false once the file stopped taking lines.
    bool writeResult(const QString &name, QStringView result, QStringView expiration,
                     QStringView information);
    // The periodic flush and sync of temp.txt.
    void flushResults();
    // The first line temp.txt did not take: the run stops.
    void workFileFailed();
    void stopSlotTimers();
    void closeAllSockets();
    // Writes the daily allowances' use to the ledger when it changed (or `always`).
    void saveLedger(bool always);
    bool openWorkFile(WorkFileWriter &writer, const QString &fileName, bool truncate);

    AppContext &m_ctx;
    RunHost &m_host;
    CSocketPlus Winsock1;
    HttpFetcher Rdap1;
    DnsResolver m_dns;
    bool m_dnsPumping = false;
    QTimer Timeout1;
    // Pacing: single shot, at the next turn of a server with names waiting.
    QTimer m_turnTimer;
    QTimer updates;
    QTimer m_flushTimer;
    int m_flushes = 0;
    std::unique_ptr<SlotTimers[]> m_timers;
    RunSession m_session;
    connector m_connector;
    WorkFileWriter m_results; // temp.txt while a run is active
    QString m_workFileError;
    bool m_active = false;  // started and neither completed nor stopped
    bool m_pumping = false; // pumpTurns() is under way
    qint64 m_slotSteps = 0;
    std::optional<RdapMode> m_rdapOverride;
    std::optional<bool> m_pacingOverride;
    std::optional<bool> m_publicSuffixesOverride;
    std::optional<DnsMode> m_dnsOverride;
    QStringList m_dnsServersOverride;
    AllowanceTable m_serverLimitsOverride;
    quint64 m_ledgerSaved = 0;    // the pacer's ledgerChanges() when last written
    bool m_ledgerRewrite = false; // the ledger read had lines to drop
    bool m_ledgerWarned = false;  // a write of it failed this run
};
