#pragma once

#include "connectionslot.h"
#include "connector.h"
#include "net/csocketplus.h"
#include "workfile.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class AppContext;
class RunHost;

// The check run: up to 500 parallel WHOIS connections over the names of the
// main list. Results never touch the list while the run goes on; each finished
// name appends one line to temp.txt, and the list is rebuilt from that file
// once, when the run completes or is stopped. Everything happens on the event
// loop of the thread that owns the engine: socket events and timers only arm a
// slot's Dispatch1 or Retry1 timer, and the next step runs from that timer.
class CheckEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSlotCount = 501;
    static constexpr int kDispatchDelayMs = 10;
    static constexpr int kSweepIntervalMs = 1000;
    static constexpr int kUpdateIntervalMs = 200;
    static constexpr qint32 kRefreshIntervalMs = 2000;
    static constexpr int kPanelLineLimit = 12;
    static constexpr qint64 kReplyCap = 1024 * 1024;
    // Arriving data keeps a connection alive for at most this many time-outs:
    // a server that sends a byte now and then would otherwise never be silent
    // long enough for the sweep, and the run would never end.
    static constexpr qint32 kTrickleTimeouts = 10;

    CheckEngine(AppContext &ctx, RunHost &host, QObject *parent = nullptr);
    ~CheckEngine() override;

    // Starts a run over the list (or its selected rows), or explains why not.
    void allstarter();
    // Ends the active run: names not finished come back as "N/A". Harmless when idle.
    void allstopper();
    // A run is in progress.
    bool running() const { return m_active; }

    // The once-a-second sweep over silent connections.
    void Timeout1_Timer();
    // Refreshes the percentage and the status bar counters.
    void updater();

    const ConnectionSlot &connectionSlot(int slot) const { return m_slots[static_cast<size_t>(slot)]; }

    CSocketPlus Winsock1;
    QTimer Timeout1;
    QTimer updates;

signals:
    // The run ended: `completed` is false when it was stopped.
    void runEnded(bool completed);

private:
    friend class connector;

    void Winsock1_connect(qint16 slot);
    void Winsock1_DataArrival(qint16 slot, qint32 bytesTotal);
    void Winsock1_CloseSck(qint16 slot);
    void Winsock1_error(qint16 slot, qint16 number, const QString &description);
    void Dispatch1_Timer(qint16 slot);
    void Retry1_Timer(qint16 slot);

    bool validSlot(int slot) const { return slot >= 0 && slot < kSlotCount; }
    qint32 now() const;
    bool retryAllowed(const ConnectionSlot &s) const;
    void armDispatch(qint16 slot);
    void armRetry(qint16 slot);
    // Writes the slot's result line, counts it, and moves the slot on.
    void finishName(qint16 slot, const QString &result, const QString &expiration,
                    const QString &information);
    // A handler failed: retry while retries are left, otherwise write `text`.
    void handleFailure(qint16 slot, const QString &text);
    // Closes the slot's socket and connects it to the server in use.
    void connectSlot(qint16 slot);
    // The slot found no names left; the last one to do so completes the run.
    void slotRanOut(qint16 slot);
    void completeRun();
    void stopSlotTimers();
    void closeAllSockets();
    bool openWorkFile(WorkFileWriter &writer, const QString &fileName, bool truncate);

    AppContext &m_ctx;
    RunHost &m_host;
    std::unique_ptr<ConnectionSlot[]> m_slots;
    std::vector<std::unique_ptr<connector>> m_connectors;
    WorkFileWriter m_results; // temp.txt while a run is active
    bool m_active = false;    // started and neither completed nor stopped
    quint32 m_generation = 0; // counts runs, so a dispatch can tell its run ended under it
};
