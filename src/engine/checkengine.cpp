#include "checkengine.h"

#include "base/datafolder.h"
#include "checktexts.h"
#include "classify.h"
#include "engine/appcontext.h"
#include "repopulate.h"
#include "runhost.h"
#include "runoptions.h"

#include <cmath>

namespace {

// Ticks are compared by their 32-bit signed difference, so the count may wrap.
qint32 ticksSince(qint32 now, qint32 then)
{
    return static_cast<qint32>(static_cast<quint32>(now) - static_cast<quint32>(then));
}

} // namespace

CheckEngine::CheckEngine(AppContext &ctx, RunHost &host, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_host(host)
    , m_slots(std::make_unique<ConnectionSlot[]>(kSlotCount))
{
    Winsock1.setReceiveCap(kReplyCap);
    m_connectors.reserve(kSlotCount);
    for (int i = 0; i < kSlotCount; ++i) {
        m_connectors.push_back(std::make_unique<connector>(*this));
        Winsock1.ArrayAdd(i);
        Winsock1.SetRemotePort(i, 43);
        ConnectionSlot &s = m_slots[static_cast<size_t>(i)];
        s.Dispatch1.setSingleShot(true);
        s.Dispatch1.setInterval(kDispatchDelayMs);
        s.Retry1.setSingleShot(true);
        s.Retry1.setInterval(kDispatchDelayMs);
        const auto slot = static_cast<qint16>(i);
        connect(&s.Dispatch1, &QTimer::timeout, this, [this, slot] { Dispatch1_Timer(slot); });
        connect(&s.Retry1, &QTimer::timeout, this, [this, slot] { Retry1_Timer(slot); });
    }

    connect(&Winsock1, &CSocketPlus::connectEvent, this,
            [this](const QVariant &index) { Winsock1_connect(static_cast<qint16>(index.toInt())); });
    connect(&Winsock1, &CSocketPlus::dataArrivalEvent, this,
            [this](const QVariant &index, qint32 bytesTotal) {
                Winsock1_DataArrival(static_cast<qint16>(index.toInt()), bytesTotal);
            });
    connect(&Winsock1, &CSocketPlus::closeSckEvent, this,
            [this](const QVariant &index) { Winsock1_CloseSck(static_cast<qint16>(index.toInt())); });
    connect(&Winsock1, &CSocketPlus::errorEvent, this,
            [this](const QVariant &index, qint16 number, const QString &description, qint32, const QString &,
                   const QString &, qint32,
                   bool *) { Winsock1_error(static_cast<qint16>(index.toInt()), number, description); });

    Timeout1.setInterval(kSweepIntervalMs);
    connect(&Timeout1, &QTimer::timeout, this, &CheckEngine::Timeout1_Timer);
    updates.setInterval(kUpdateIntervalMs);
    connect(&updates, &QTimer::timeout, this, &CheckEngine::updater);
    updates.start();
}

CheckEngine::~CheckEngine()
{
    // The socket object outlives the slots it reports on; nothing it says while
    // it closes down may reach them.
    QObject::disconnect(&Winsock1, nullptr, this, nullptr);
    m_ctx.run.stopped = true;
    m_active = false;
    Timeout1.stop();
    updates.stop();
    stopSlotTimers();
    m_results.close();
}

qint32 CheckEngine::now() const
{
    return m_ctx.clock.tickCount();
}

bool CheckEngine::openWorkFile(WorkFileWriter &writer, const QString &fileName, bool truncate)
{
    const QString path = dataFile(m_ctx.dataFolder, fileName);
    if (writer.open(path, truncate))
        return true;
    m_ctx.prompter.fail(kProgramTitle,
                        checkText::kWorkFileError + path + QStringLiteral(": ") + writer.errorString());
    return false;
}

void CheckEngine::allstarter()
{
    RunState &run = m_ctx.run;
    DomainListModel &list = m_ctx.list;
    ProgramOptions &options = m_ctx.options;
    Prompter &prompter = m_ctx.prompter;

    // A second start while one run is going would lose the names of the first.
    if (m_active)
        return;
    // The flag is meant for this one start; a refused start must not carry it
    // over to the user's next one.
    const bool ask = !run.skipConfirmation;
    run.skipConfirmation = false;

    if (list.size() == 0) {
        prompter.warn(kProgramTitle, checkText::kEmptyList);
        return;
    }
    if (m_ctx.config.errorResponses.isEmpty())
        m_ctx.config.restorefailedresponses();
    if (m_ctx.config.freeResponses.isEmpty())
        m_ctx.config.restorefreeresponses();
    if (m_ctx.config.table.count() == 0) {
        prompter.warn(kProgramTitle, checkText::kNoTldInformation);
        return;
    }

    run.selectedOnly = options.checkSelected;
    std::vector<char> selected;
    int selectedCount = 0;
    if (run.selectedOnly) {
        selected = list.selectedMask();
        selectedCount = static_cast<int>(std::count(selected.begin(), selected.end(), 1));
        if (selectedCount == 0) {
            prompter.warn(kProgramTitle, checkText::kNothingSelected);
            run.selectedOnly = false;
            return;
        }
    }

    if (ask) {
        const int count = run.selectedOnly ? selectedCount : list.size();
        if (!prompter.askYesNo(kProgramTitle, checkText::confirmStart(count), PromptIcon::Information)) {
            run.selectedOnly = false;
            return;
        }
    }

    if (run.selectedOnly) {
        WorkFileWriter remember;
        if (!openWorkFile(remember, QString::fromLatin1(kRememberFileName), true)) {
            run.selectedOnly = false;
            return;
        }
        for (int row = 0; row < list.size(); ++row) {
            if (selected[static_cast<size_t>(row)])
                continue;
            const DomainRow &r = list.rowAt(row);
            remember.writeLine(
                {r.cells[0], r.cells[1], r.cells[2], r.cells[3], r.cells[4], r.cells[5], r.cells[6]});
        }
        remember.close();
    }

    const ProgramOptions before = options;
    double connections = clampConnections(options);
    if (options.connections != before.connections)
        m_host.optionsChanged();
    if (ask && connections > kAdvisedConnections) {
        if (prompter.askYesNo(kProgramTitle, checkText::kTooManyConnections, PromptIcon::Exclamation)) {
            options.connections = QString::number(kAdvisedConnections);
            connections = kAdvisedConnections;
            m_host.optionsChanged();
        }
    }
    run.topSlot = static_cast<qint16>(roundHalfEven(connections - 1));
    run.timeoutMs = clampTimeoutMs(options);
    run.tldServerRecords = populatewservers(m_ctx.config.table);
    run.retryOn = options.retry;
    run.retryLimit = clampRetryLimit(options);
    run.blueLimit = clampBlueLimit(options);
    if (options.timeoutSecs != before.timeoutSecs || options.retryTimes != before.retryTimes ||
        options.expireDays != before.expireDays)
        m_host.optionsChanged();

    list.setAutoSort(false);
    run.progressUnit = m_host.progressFrameWidth() / 100;

    QStringList names;
    names.reserve(run.selectedOnly ? selectedCount : list.size());
    for (int row = 0; row < list.size(); ++row) {
        if (!run.selectedOnly || selected[static_cast<size_t>(row)])
            names.append(list.rowAt(row).cells[ColDomain].toLower());
    }

    run.freeResponses.clear();
    for (const QString &s : m_ctx.config.freeResponses)
        run.freeResponses.append(s.toLower());
    run.errorResponses.clear();
    for (const QString &s : m_ctx.config.errorResponses)
        run.errorResponses.append(s.toLower());

    // temp.txt is opened before the list is emptied: without it the results
    // would have nowhere to go and the names would be lost.
    m_results.close();
    if (!openWorkFile(m_results, QString::fromLatin1(kTempFileName), true)) {
        run.selectedOnly = false;
        return;
    }
    run.runNames = std::move(names);
    run.runCount = static_cast<qint32>(run.runNames.size());
    list.clear();

    run.nextIndex = 0;
    run.freeCount = 0;
    run.takenCount = 0;
    run.uncheckedCount = 0;
    run.panelLines = 0;
    run.processed = 0;
    m_host.clearPanelNames();
    Timeout1.start();
    run.lastRefresh = now();

    run.suffixes.mylist(m_ctx.config.table.tlds());
    m_host.runModeOn();
    m_active = true;
    ++m_generation;
    run.done = false;
    run.stopped = false;

    for (int i = 0; i <= run.topSlot; ++i) {
        ConnectionSlot &s = m_slots[static_cast<size_t>(i)];
        s.exactMatchRetry = false;
        s.finished = false;
        // A name left from an earlier run must not come back as part of this one.
        s.name.clear();
        s.reply.clear();
        s.lastActivity = run.lastRefresh;
        s.Retry1.stop();
        s.Dispatch1.start();
    }
}

void CheckEngine::allstopper()
{
    RunState &run = m_ctx.run;
    run.stopped = true;
    Timeout1.stop();
    stopSlotTimers();
    for (int pass = 0; pass < 3; ++pass)
        closeAllSockets();

    if (m_active) {
        m_active = false;
        if (m_results.isOpen()) {
            for (qint32 i = std::max<qint32>(run.nextIndex, 0); i < run.runNames.size(); ++i) {
                const QString &name = run.runNames[i];
                if (!name.isEmpty())
                    m_results.writeLine(
                        {name, cellText::notAvailable(), cellText::notAvailable(), QString()});
            }
            for (int i = 0; i <= run.topSlot && i < kSlotCount; ++i) {
                const QString &name = m_slots[static_cast<size_t>(i)].name;
                if (!name.isEmpty())
                    m_results.writeLine(
                        {name, cellText::notAvailable(), cellText::notAvailable(), QString()});
            }
        }
        m_results.close();
        run.runNames = QStringList{QString()};
        repopulate(m_ctx.list, run, m_ctx.dataFolder, m_ctx.clock.today(), m_ctx.prompter);
        m_host.runModeOff();
        run.selectedOnly = false;
        updater();
        emit runEnded(false);
        return;
    }
    m_results.close();
    m_host.runModeOff();
    run.selectedOnly = false;
}

void CheckEngine::completeRun()
{
    RunState &run = m_ctx.run;
    run.done = true;
    // Stopped first: the rebuild or the message may run the event loop, and
    // nothing of this run may act in the meantime.
    run.stopped = true;
    m_active = false;
    Timeout1.stop();
    stopSlotTimers();
    closeAllSockets();
    m_results.close();
    repopulate(m_ctx.list, run, m_ctx.dataFolder, m_ctx.clock.today(), m_ctx.prompter);
    m_host.runModeOff();
    run.selectedOnly = false;
    run.runNames = QStringList{QString()};
    updater();
    m_ctx.prompter.inform(kProgramTitle, checkText::kProgramDone);
    emit runEnded(true);
}

void CheckEngine::stopSlotTimers()
{
    for (int i = 0; i < kSlotCount; ++i) {
        m_slots[static_cast<size_t>(i)].Dispatch1.stop();
        m_slots[static_cast<size_t>(i)].Retry1.stop();
    }
}

void CheckEngine::closeAllSockets()
{
    for (int i = 0; i < kSlotCount; ++i) {
        try {
            Winsock1.CloseSck(i);
        } catch (...) {
        }
    }
}

bool CheckEngine::retryAllowed(const ConnectionSlot &s) const
{
    return m_ctx.run.retryOn && s.retries <= m_ctx.run.retryLimit;
}

// A slot has one next step at a time: arming one timer cancels the other.
void CheckEngine::armDispatch(qint16 slot)
{
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    s.Retry1.stop();
    s.Dispatch1.start();
}

void CheckEngine::armRetry(qint16 slot)
{
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    s.Dispatch1.stop();
    s.Retry1.start();
}

void CheckEngine::finishName(qint16 slot, const QString &result, const QString &expiration,
                             const QString &information)
{
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    ++m_ctx.run.processed;
    m_results.writeLine({s.name, result, expiration, information});
    // The reply may be large; it is of no use once the name is written.
    s.reply = QString();
    armDispatch(slot);
}

void CheckEngine::handleFailure(qint16 slot, const QString &text)
{
    try {
        ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
        s.lastActivity = now();
        if (retryAllowed(s))
            armRetry(slot);
        else
            finishName(slot, cellText::notAvailable(), cellText::notAvailable(), text);
    } catch (...) {
        // Nothing may leave an event handler; the time-out sweep rescues the slot.
    }
}

void CheckEngine::connectSlot(qint16 slot)
{
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    const TldServerRecord &record = m_ctx.run.tldServerRecords.at(static_cast<size_t>(s.tldIndex));
    const ServerAddress address = parseServerAddress(record.servers.value(s.serverIndex));
    Winsock1.CloseSck(slot);
    s.connectStart = now();
    if (address.host.isEmpty()) {
        // An empty entry (a trailing comma) would otherwise reuse the host of the
        // slot's previous connection.
        throw SocketError{11001, GetErrorDescription(11001), QStringLiteral("CheckEngine.connectSlot")};
    }
    Winsock1.Connect(slot, address.host, address.valid ? address.port : 0);
}

void CheckEngine::slotRanOut(qint16 slot)
{
    RunState &run = m_ctx.run;
    m_slots[static_cast<size_t>(slot)].finished = true;
    if (run.done)
        return;
    for (int i = 0; i <= run.topSlot; ++i) {
        if (!m_slots[static_cast<size_t>(i)].finished)
            return;
    }
    completeRun();
}

void CheckEngine::Dispatch1_Timer(qint16 slot)
{
    m_connectors[static_cast<size_t>(slot)]->nextdomain(slot);
}

void CheckEngine::Retry1_Timer(qint16 slot)
{
    m_connectors[static_cast<size_t>(slot)]->retryconnection(slot);
}

void CheckEngine::Winsock1_connect(qint16 slot)
{
    if (m_ctx.run.stopped || !validSlot(slot))
        return;
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    s.lastActivity = now();
    try {
        s.reply.clear();
        QString line;
        if (!s.exactMatchRetry) {
            line = s.query;
        } else {
            s.exactMatchRetry = false;
            line = u'=' + s.query;
        }
        line += QLatin1String(kLineEnd);
        Winsock1.SendData(slot, encode8bit(line));
    } catch (...) {
        handleFailure(slot, checkText::kConnectionError);
    }
}

void CheckEngine::Winsock1_DataArrival(qint16 slot, qint32)
{
    if (m_ctx.run.stopped || !validSlot(slot))
        return;
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    const qint32 t = now();
    if (ticksSince(t, s.connectStart) < static_cast<qint64>(m_ctx.run.timeoutMs) * kTrickleTimeouts)
        s.lastActivity = t;
    try {
        QByteArray data;
        Winsock1.GetData(slot, data);
        lowerLatin1(data);
        s.reply += decode8bit(data);
    } catch (...) {
        handleFailure(slot, checkText::kDataRetrievingError);
    }
}

void CheckEngine::Winsock1_CloseSck(qint16 slot)
{
    RunState &run = m_ctx.run;
    if (run.stopped || !validSlot(slot))
        return;
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    s.lastActivity = now();
    try {
        const bool hasRecord =
            s.tldIndex >= 0 && static_cast<size_t>(s.tldIndex) < run.tldServerRecords.size();
        const QString tldFree =
            hasRecord ? run.tldServerRecords[static_cast<size_t>(s.tldIndex)].freeResponse : QString();
        const ReplyVerdict verdict =
            classifyReply(s.reply, s.name, tldFree, run.freeResponses, run.errorResponses);
        switch (verdict.kind) {
        case ReplyClass::Erroneous:
            if (retryAllowed(s)) {
                s.exactMatchRetry = true;
                armRetry(slot);
            } else {
                finishName(slot, cellText::notAvailable(), cellText::notAvailable(),
                           checkText::kErroneousResponse);
            }
            break;
        case ReplyClass::Free:
            finishName(slot, cellText::free(), cellText::notAvailable(), cellText::notAvailable());
            break;
        case ReplyClass::Taken:
            finishName(slot, cellText::taken(), verdict.expiration, verdict.information);
            break;
        }
    } catch (...) {
        handleFailure(slot, checkText::kErrorClosingSocket);
    }
}

void CheckEngine::Winsock1_error(qint16 slot, qint16, const QString &description)
{
    if (m_ctx.run.stopped || !validSlot(slot))
        return;
    ConnectionSlot &s = m_slots[static_cast<size_t>(slot)];
    s.lastActivity = now();
    const QString text = checkText::kErrorPrefix + description;
    try {
        if (retryAllowed(s))
            armRetry(slot);
        else
            finishName(slot, cellText::notAvailable(), cellText::notAvailable(), text);
    } catch (...) {
        handleFailure(slot, text);
    }
}

void CheckEngine::Timeout1_Timer()
{
    RunState &run = m_ctx.run;
    if (run.stopped)
        return;
    const qint32 t = now();
    for (int i = 0; i <= run.topSlot && i < kSlotCount; ++i) {
        ConnectionSlot &s = m_slots[static_cast<size_t>(i)];
        if (s.finished || ticksSince(t, s.lastActivity) < run.timeoutMs)
            continue;
        s.lastActivity = t;
        const auto slot = static_cast<qint16>(i);
        if (retryAllowed(s)) {
            // One retry per sweep spreads the reconnects of many silent slots.
            armRetry(slot);
            return;
        }
        finishName(slot, cellText::notAvailable(), cellText::notAvailable(), checkText::kTimeout);
    }
}

void CheckEngine::updater()
{
    const RunState &run = m_ctx.run;
    QString domains;
    if (run.stopped) {
        domains = QString::number(m_ctx.list.size()) + QStringLiteral(" domains");
    } else {
        double ratio = run.runCount > 0 ? static_cast<double>(run.processed) / run.runCount * 100.0 : 0.0;
        const qint64 percent = std::clamp<qint64>(roundHalfEven(ratio), 0, 100);
        domains = QString::number(run.runCount) + QStringLiteral(" domains");
        m_host.showProgress(QString::number(percent) + u'%', static_cast<int>(run.progressUnit * percent));
    }
    m_host.showCounters(domains, QString::number(run.freeCount) + QStringLiteral(" free"),
                        QString::number(run.takenCount) + QStringLiteral(" taken"),
                        QString::number(run.uncheckedCount) + QStringLiteral(" unchecked/errors"));
}
