#include "checkengine.h"

#include "base/datafolder.h"
#include "checktexts.h"
#include "classify.h"
#include "config/dnssettings.h"
#include "config/pacingsetting.h"
#include "config/publicsuffixes.h"
#include "config/recognitionsetting.h"
#include "engine/appcontext.h"
#include "pacingledger.h"
#include "progress.h"
#include "rdapclassify.h"
#include "recognition.h"
#include "repopulate.h"
#include "runhost.h"
#include "runjournal.h"
#include "runoptions.h"
#include "ticks.h"

#include <QRandomGenerator>
#include <QScopedValueRollback>

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif

// What a start has decided before the run is launched.
struct CheckEngine::StartPlan {
    bool ask = true;
    bool selectedOnly = false;
    std::vector<char> selected; // per row, for a selected-only run
    int selectedCount = 0;

    QStringList names;
    qint16 topSlot = -1;
    qint32 timeoutMs = 0;
    bool retryOn = false;
    quint8 retryLimit = 0;
    qint32 progressUnit = 0;
    std::vector<TldServerRecord> records;
    RdapMode rdapMode = RdapMode::Off;
    std::shared_ptr<const RdapBootstrap> bootstrap;
    QList<QByteArray> freeResponses;
    QList<QByteArray> errorResponses;
    bool recognition = false;
    bool pacing = false;
    qint64 patienceMs = kDefaultPatienceMs;
    AllowanceTable allowances;
    QList<LedgerEntry> ledger;
    bool ledgerRewrite = false;
    std::shared_ptr<const PublicSuffixes> publicSuffixes;
    bool dnsFirst = false;
    int dnsLimit = 0;

    // Set when an interrupted run goes on: its journal, and what it finished.
    const RunJournal *resumed = nullptr;
    qint32 finishedBefore = 0;
};

CheckEngine::CheckEngine(AppContext &ctx, RunHost &host, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_host(host)
    , m_timers(std::make_unique<SlotTimers[]>(kSlotCount))
    , m_connector(m_session, ctx.run, ctx.clock, host, Winsock1, Rdap1, [this](qint16 slot) {
        // Its wait ends now; it is silent from here on only if its server is.
        // It had its pause between names while it waited: the request goes
        // out at once, so the server always has its share of requests.
        if (m_ctx.run.stopped)
            return;
        m_session.slot(slot).lastActivity = now();
        armRetry(slot, 0);
    })
{
    Winsock1.setReceiveCap(kReplyCap);
    // An RDAP reply is JSON of a few kilobytes; the WHOIS cap bounds it too.
    Rdap1.setBodyCap(kReplyCap);
    Rdap1.setAccept(QByteArrayLiteral("application/rdap+json"));
    // A slot has at most one request out, so as many connections as slots
    // means none ever waits for one: a request is on the wire when its slot asks.
    Rdap1.setConnectionLimits(kSlotCount, kSlotCount);
    for (int i = 0; i < kSlotCount; ++i) {
        Winsock1.ArrayAdd(i);
        Winsock1.SetRemotePort(i, 43);
        SlotTimers &t = m_timers[static_cast<size_t>(i)];
        t.Dispatch1.setSingleShot(true);
        t.Dispatch1.setInterval(kDispatchDelayMs);
        t.Retry1.setSingleShot(true);
        t.Retry1.setInterval(kDispatchDelayMs);
        const auto slot = static_cast<qint16>(i);
        connect(&t.Dispatch1, &QTimer::timeout, this, [this, slot] { Dispatch1_Timer(slot); });
        connect(&t.Retry1, &QTimer::timeout, this, [this, slot] { Retry1_Timer(slot); });
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

    connect(&Rdap1, &HttpFetcher::requestSent, this,
            [this](int index) { Rdap1_Sent(static_cast<qint16>(index)); });
    connect(&Rdap1, &HttpFetcher::progressed, this,
            [this](int index) { Rdap1_Progress(static_cast<qint16>(index)); });
    connect(&Rdap1, &HttpFetcher::finished, this,
            [this](int index) { Rdap1_Done(static_cast<qint16>(index)); });

    Timeout1.setInterval(kSweepIntervalMs);
    connect(&Timeout1, &QTimer::timeout, this, &CheckEngine::Timeout1_Timer);
    m_turnTimer.setSingleShot(true);
    // Turns are spaced to a server's allowance: a coarse timer would fire them
    // in bunches on whole seconds and spend a second's allowance at once.
    m_turnTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_turnTimer, &QTimer::timeout, this, &CheckEngine::pumpTurns);
    updates.setInterval(kUpdateIntervalMs);
    connect(&updates, &QTimer::timeout, this, &CheckEngine::updater);
    updates.start();
    // Results reach the file every second and the disk every few: a crash
    // loses at most the last second's results.
    m_flushTimer.setInterval(kFlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CheckEngine::flushResults);
}

CheckEngine::~CheckEngine()
{
    // The socket object outlives the slots it reports on; nothing it says while
    // it closes down may reach them.
    QObject::disconnect(&Winsock1, nullptr, this, nullptr);
    QObject::disconnect(&Rdap1, nullptr, this, nullptr);
    m_ctx.run.stopped = true;
    m_active = false;
    Timeout1.stop();
    updates.stop();
    m_flushTimer.stop();
    stopSlotTimers();
    m_results.close();
}

qint32 CheckEngine::now() const
{
    return m_ctx.clock.tickCount();
}

bool CheckEngine::dispatchArmed(int slot) const
{
    return slot >= 0 && slot < kSlotCount && m_timers[static_cast<size_t>(slot)].Dispatch1.isActive();
}

bool CheckEngine::retryArmed(int slot) const
{
    return slot >= 0 && slot < kSlotCount && m_timers[static_cast<size_t>(slot)].Retry1.isActive();
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

// ---- Start ---------------------------------------------------------------------

void CheckEngine::allstarter()
{
    // A second start while one run is going would lose the names of the first.
    if (m_active)
        return;
    StartPlan plan;
    if (!validateStart(plan) || !prepareRun(plan))
        return;
    launchRun(plan);
}

bool CheckEngine::validateStart(StartPlan &plan)
{
    RunState &run = m_ctx.run;
    const DomainListModel &list = m_ctx.list;
    Prompter &prompter = m_ctx.prompter;

    // The flag is meant for this one start; a refused start must not carry it
    // over to the user's next one.
    plan.ask = !run.skipConfirmation;
    run.skipConfirmation = false;

    if (list.size() == 0) {
        prompter.warn(kProgramTitle, checkText::kEmptyList);
        return false;
    }
    if (m_ctx.config.errorResponses.isEmpty())
        m_ctx.config.restorefailedresponses();
    if (m_ctx.config.freeResponses.isEmpty())
        m_ctx.config.restorefreeresponses();
    if (m_ctx.config.table.count() == 0) {
        prompter.warn(kProgramTitle, checkText::kNoTldInformation);
        return false;
    }

    plan.selectedOnly = m_ctx.options.checkSelected;
    if (plan.selectedOnly) {
        plan.selected = list.selectedMask();
        plan.selectedCount = static_cast<int>(std::count(plan.selected.begin(), plan.selected.end(), 1));
        if (plan.selectedCount == 0) {
            prompter.warn(kProgramTitle, checkText::kNothingSelected);
            return false;
        }
    }

    if (plan.ask) {
        const int count = plan.selectedOnly ? plan.selectedCount : list.size();
        if (!prompter.askYesNo(kProgramTitle, checkText::confirmStart(count), PromptIcon::Information))
            return false;
    }
    return true;
}

bool CheckEngine::prepareRun(StartPlan &plan)
{
    RunState &run = m_ctx.run;
    DomainListModel &list = m_ctx.list;
    ProgramOptions &options = m_ctx.options;

    if (plan.selectedOnly && !plan.resumed) {
        WorkFileWriter remember;
        if (!openWorkFile(remember, QString::fromLatin1(kRememberFileName), true))
            return false;
        for (int row = 0; row < list.size(); ++row) {
            if (plan.selected[static_cast<size_t>(row)])
                continue;
            const DomainRow &r = list.rowAt(row);
            if (!remember.writeLine(
                    {r.cells[0], r.cells[1], r.cells[2], r.cells[3], r.cells[4], r.cells[5], r.cells[6]}))
                break;
        }
        // The rows left alone exist only in this file while the run goes on.
        if (!remember.sync() || !remember.close()) {
            m_ctx.prompter.fail(kProgramTitle,
                                checkText::kWorkFileWriteError +
                                    dataFile(m_ctx.dataFolder, QString::fromLatin1(kRememberFileName)) +
                                    QStringLiteral(": ") + remember.errorString());
            return false;
        }
    }

    const ProgramOptions before = options;
    double connections = clampConnections(options);
    if (options.connections != before.connections)
        m_host.optionsChanged();
    if (plan.ask && connections > kAdvisedConnections) {
        if (m_ctx.prompter.askYesNo(kProgramTitle, checkText::kTooManyConnections, PromptIcon::Exclamation)) {
            options.connections = QString::number(kAdvisedConnections);
            connections = kAdvisedConnections;
            m_host.optionsChanged();
        }
    }
    plan.topSlot = static_cast<qint16>(roundHalfEven(connections - 1));
    plan.timeoutMs = clampTimeoutMs(options);
    plan.records = populatewservers(m_ctx.config.table);
    if (plan.resumed) {
        // The bootstrap is loaded for the mode the run had.
        plan.rdapMode = plan.resumed->rdapMode;
    } else if (m_rdapOverride) {
        plan.rdapMode = *m_rdapOverride;
    } else {
        const RdapModeSetting setting = rdapModeSetting(m_ctx.extra);
        if (!setting.problem.isEmpty())
            m_ctx.prompter.warn(kProgramTitle, setting.problem);
        plan.rdapMode = setting.mode;
    }
    if (plan.rdapMode != RdapMode::Off) {
        QString problem;
        plan.bootstrap = RdapBootstrap::load(m_ctx.dataFolder, &problem);
        if (!problem.isEmpty())
            m_ctx.prompter.warn(kProgramTitle, problem);
    }
    plan.retryOn = options.retry;
    plan.retryLimit = clampRetryLimit(options);
    run.blueLimit = clampBlueLimit(options);
    if (options.timeoutSecs != before.timeoutSecs || options.retryTimes != before.retryTimes ||
        options.expireDays != before.expireDays)
        m_host.optionsChanged();

    list.setAutoSort(false);
    plan.progressUnit = m_host.progressFrameWidth() / 100;

    if (!plan.resumed) {
        plan.names.reserve(plan.selectedOnly ? plan.selectedCount : list.size());
        for (int row = 0; row < list.size(); ++row) {
            if (!plan.selectedOnly || plan.selected[static_cast<size_t>(row)])
                plan.names.append(list.rowAt(row).cells[ColDomain].toLower());
        }
    }
    plan.freeResponses = responseBytes(m_ctx.config.freeResponses);
    plan.errorResponses = responseBytes(m_ctx.config.errorResponses);
    if (!run.configuredStringsOnly) {
        QString problem;
        plan.recognition = recognitionSetting(m_ctx.extra, &problem);
        if (!problem.isEmpty())
            m_ctx.prompter.warn(kProgramTitle, problem);
    }

    {
        const PacingSetting pacing = pacingSetting(m_ctx.extra);
        if (!pacing.problem.isEmpty() && !m_pacingOverride)
            m_ctx.prompter.warn(kProgramTitle, pacing.problem);
        plan.pacing = m_pacingOverride.value_or(pacing.adaptive);
        plan.patienceMs = pacing.patienceMs;
    }
    if (plan.pacing) {
        QStringList problems;
        plan.allowances = configuredAllowances(m_ctx.extra, &problems);
        for (auto it = m_serverLimitsOverride.cbegin(); it != m_serverLimitsOverride.cend(); ++it)
            plan.allowances.insert(it.key(), it.value());
        QString problem;
        plan.ledger = readPacingLedger(m_ctx.dataFolder, &problem);
        plan.ledgerRewrite = !problem.isEmpty();
        if (plan.ledgerRewrite)
            problems << problem;
        for (const QString &text : problems)
            m_ctx.prompter.warn(kProgramTitle, text);
    }

    if (m_publicSuffixesOverride) {
        plan.publicSuffixes = *m_publicSuffixesOverride ? PublicSuffixes::shared() : nullptr;
    } else {
        QString problem;
        plan.publicSuffixes = publicSuffixesFor(m_ctx.extra, &problem);
        if (!problem.isEmpty())
            m_ctx.prompter.warn(kProgramTitle, problem);
    }

    const DnsSettings dns = dnsSettings(m_ctx.extra);
    for (const QString &problem : dns.problems)
        m_ctx.prompter.warn(kProgramTitle, problem);
    if (m_dnsOverride.value_or(dns.mode) == DnsMode::First) {
        QString problem;
        plan.dnsFirst = m_dns.configure(m_dnsServersOverride.isEmpty() ? dns.servers : m_dnsServersOverride,
                                        dns.timeoutSecs * 1000, DnsSettings::kTries, &problem);
        plan.dnsLimit = dns.lookups;
        if (!plan.dnsFirst)
            m_ctx.prompter.warn(kProgramTitle, problem + QStringLiteral("; every name goes to WHOIS."));
    }

    if (plan.resumed) {
        plan.recognition = plan.resumed->recognition;
    } else if (!writeJournal(plan)) {
        return false;
    }

    // temp.txt is opened before the list is emptied: without it the results
    // would have nowhere to go and the names would be lost. A run that goes on
    // adds to the results it has.
    m_results.close();
    if (openWorkFile(m_results, QString::fromLatin1(kTempFileName), !plan.resumed))
        return true;
    if (!plan.resumed)
        RunJournal::remove(m_ctx.dataFolder);
    return false;
}

bool CheckEngine::writeJournal(StartPlan &plan)
{
    const ProgramOptions &options = m_ctx.options;
    RunJournal journal;
    journal.connections = QString::number(plan.topSlot + 1);
    journal.timeoutSecs = options.timeoutSecs;
    journal.retry = plan.retryOn;
    journal.retryTimes = options.retryTimes;
    journal.expireDays = options.expireDays;
    journal.selectedOnly = plan.selectedOnly;
    journal.rdapMode = plan.rdapMode;
    journal.recognition = plan.recognition;
    journal.names = std::move(plan.names);
    const std::optional<QString> error = journal.write(m_ctx.dataFolder);
    plan.names = std::move(journal.names);
    if (!error)
        return true;
    m_ctx.prompter.fail(kProgramTitle, checkText::kWorkFileWriteError + RunJournal::path(m_ctx.dataFolder) +
                                           QStringLiteral(": ") + *error);
    return false;
}

bool CheckEngine::resume(const RunJournal &journal, const RunProgress &progress)
{
    if (m_active)
        return false;
    if (m_ctx.config.errorResponses.isEmpty())
        m_ctx.config.restorefailedresponses();
    if (m_ctx.config.freeResponses.isEmpty())
        m_ctx.config.restorefreeresponses();
    if (m_ctx.config.table.count() == 0) {
        m_ctx.prompter.warn(kProgramTitle, checkText::kNoTldInformation);
        return false;
    }
    // The run goes on with the options it had; the boxes show them.
    ProgramOptions &options = m_ctx.options;
    options.connections = journal.connections;
    options.timeoutSecs = journal.timeoutSecs;
    options.retry = journal.retry;
    options.retryTimes = journal.retryTimes;
    options.expireDays = journal.expireDays;
    options.checkSelected = journal.selectedOnly;
    m_host.optionsChanged();

    StartPlan plan;
    plan.ask = false;
    m_ctx.run.skipConfirmation = false;
    plan.selectedOnly = journal.selectedOnly;
    plan.resumed = &journal;
    plan.names = progress.unfinished;
    plan.finishedBefore = static_cast<qint32>(progress.total - progress.unfinished.size());
    if (!prepareRun(plan))
        return false;
    launchRun(plan);
    return true;
}

void CheckEngine::restoreInterrupted(const RunJournal &journal, const RunProgress &progress)
{
    if (m_active)
        return;
    RebuildSources sources;
    sources.keptRows = journal.selectedOnly;
    sources.uncheckedNames = progress.unfinished;
    m_ctx.run.blueLimit = clampBlueLimit(m_ctx.options);
    m_ctx.list.clear();
    repopulate(m_ctx.list, m_ctx.run, m_ctx.dataFolder, m_ctx.clock.today(), m_ctx.prompter, sources);
    RunJournal::remove(m_ctx.dataFolder);
    updater();
}

void CheckEngine::flushResults()
{
    if (!m_active || m_ctx.run.stopped || !m_results.isOpen())
        return;
    const bool synced = ++m_flushes % kSyncEveryFlushes == 0;
    if (synced)
        saveLedger(false);
    const bool ok = synced ? m_results.sync() : m_results.flush();
    if (ok) {
        m_session.savedLines = m_results.linesWritten();
        m_session.unsavedNames.clear();
    } else {
        workFileFailed();
    }
}

void CheckEngine::launchRun(StartPlan &plan)
{
    RunState &run = m_ctx.run;
    RunSession &s = m_session;
    s.runNames = std::move(plan.names);
    s.runCount = static_cast<qint32>(s.runNames.size());
    s.finishedBefore = plan.finishedBefore;
    s.processed = plan.finishedBefore;
    s.selectedOnly = plan.selectedOnly;
    s.topSlot = plan.topSlot;
    s.timeoutMs = plan.timeoutMs;
    s.retryOn = plan.retryOn;
    s.retryLimit = plan.retryLimit;
    s.progressUnit = plan.progressUnit;
    s.tldServerRecords = std::move(plan.records);
    s.rdapMode = plan.rdapMode;
    s.rdapBootstrap = std::move(plan.bootstrap);
    s.freeResponses = std::move(plan.freeResponses);
    s.rdapNotBefore.clear();
    s.rdapInFlight.clear();
    s.rdapWaiting.clear();
    s.errorResponses = std::move(plan.errorResponses);
    s.recognition = plan.recognition;
    s.pacing = plan.pacing;
    s.pacer = ServerPacer(plan.patienceMs);
    if (s.pacing) {
        s.pacer.setAllowances(std::move(plan.allowances));
        s.pacer.setClockStart(QDateTime::currentDateTimeUtc());
        s.pacer.restoreLedger(plan.ledger);
    }
    s.paceClock.start();
    m_ledgerSaved = s.pacer.ledgerChanges();
    m_ledgerRewrite = plan.ledgerRewrite;
    m_ledgerWarned = false;
    s.dnsFirst = plan.dnsFirst;
    s.dnsLimit = plan.dnsLimit;
    m_ctx.list.clear();

    run.freeCount = 0;
    run.takenCount = 0;
    run.uncheckedCount = 0;
    m_host.clearPanelNames();
    Timeout1.start();
    s.lastRefresh = now();

    run.suffixes.mylist(m_ctx.config.table.tlds());
    run.suffixes.setPublicSuffixes(std::move(plan.publicSuffixes));
    m_host.runModeOn();
    m_active = true;
    m_workFileError.clear();
    run.stopped = false;

    m_flushes = 0;
    m_flushTimer.start();
    for (int i = 0; i <= s.topSlot; ++i) {
        s.slot(i).lastActivity = s.lastRefresh;
        m_timers[static_cast<size_t>(i)].Retry1.stop();
        m_timers[static_cast<size_t>(i)].Dispatch1.start();
    }
    dnsPump();
}

// ---- DNS pre-check -------------------------------------------------------------------

void CheckEngine::dnsPump()
{
    RunSession &s = m_session;
    // An answer that comes at once, inside a lookup's start, must not start
    // lookups of its own: this loop does.
    if (m_dnsPumping || !s.dnsFirst)
        return;
    m_dnsPumping = true;
    const quint32 serial = s.serial;
    while (!m_ctx.run.stopped && serial == s.serial && s.dnsInFlight < s.dnsLimit && s.dnsNext < s.runCount) {
        const qint32 index = s.dnsNext++;
        const QString &name = s.runNames[index];
        // What DNS cannot ask, WHOIS turns down with its own text.
        if (!isValidDomain(name)) {
            passToWhois(index);
            continue;
        }
        ++s.dnsInFlight;
        m_dns.lookupNs(m_ctx.run.suffixes.registrablePart(name),
                       [this, index, serial](const DnsResolver::Answer &answer) {
                           if (serial == m_session.serial)
                               dnsAnswered(index, answer);
                       });
    }
    m_dnsPumping = false;
    if (serial == s.serial)
        releaseNameWaiters();
}

void CheckEngine::releaseNameWaiters()
{
    RunSession &s = m_session;
    // Slots that wait find nothing more to take: they run out.
    if (m_ctx.run.stopped || !s.namesExhausted())
        return;
    while (!s.nameWaiters.empty()) {
        const qint16 slot = s.nameWaiters.front();
        s.nameWaiters.pop_front();
        s.slot(slot).waitingForName = false;
        armDispatch(slot);
    }
}

void CheckEngine::dnsAnswered(qint32 index, const DnsResolver::Answer &answer)
{
    RunSession &s = m_session;
    if (m_ctx.run.stopped)
        return;
    --s.dnsInFlight;
    if (answer.delegated) {
        const QString name = std::exchange(s.runNames[index], QString());
        ++s.processed;
        ++s.dnsSettled;
        const QString information =
            kDelegatedPrefix + answer.nameServers.mid(0, kDelegationServersShown).join(QStringLiteral(", "));
        if (!writeResult(name, cellText::taken(), cellText::notAvailable(), information)) {
            workFileFailed();
            return;
        }
    } else {
        passToWhois(index);
    }
    dnsPump();
}

void CheckEngine::passToWhois(qint32 index)
{
    RunSession &s = m_session;
    s.whoisReady.push_back(index);
    if (s.nameWaiters.empty())
        return;
    const qint16 slot = s.nameWaiters.front();
    s.nameWaiters.pop_front();
    s.slot(slot).waitingForName = false;
    armDispatch(slot);
}

// ---- Stop and completion ---------------------------------------------------------

void CheckEngine::allstopper()
{
    if (m_active) {
        endRun(false);
        return;
    }
    m_ctx.run.stopped = true;
    Timeout1.stop();
    stopSlotTimers();
    for (int pass = 0; pass < 3; ++pass)
        closeAllSockets();
    m_results.close();
    m_host.runModeOff();
}

void CheckEngine::slotRanOut(qint16 slot)
{
    RunSession &s = m_session;
    s.slot(slot).finished = true;
    if (s.done)
        return;
    for (int i = 0; i <= s.topSlot; ++i) {
        if (!s.slot(i).finished)
            return;
    }
    s.done = true;
    endRun(true);
}

void CheckEngine::endRun(bool completed)
{
    RunState &run = m_ctx.run;
    RunSession &s = m_session;
    // Stopped first: the rebuild or a message may run the event loop, and
    // nothing of this run may act in the meantime.
    run.stopped = true;
    m_active = false;
    Timeout1.stop();
    m_flushTimer.stop();
    stopSlotTimers();
    for (int pass = 0; pass < (completed ? 1 : 3); ++pass)
        closeAllSockets();

    if (!completed) {
        // Names never dispatched, and those still in a slot, come back as "N/A";
        // a slot's real result, written earlier, wins over its line here.
        for (qint32 i = std::max<qint32>(s.nextIndex, 0); i < s.runNames.size(); ++i) {
            const QString &name = s.runNames[i];
            if (!name.isEmpty())
                writeResult(name, cellText::notAvailable(), cellText::notAvailable(), QStringView());
        }
        for (int i = 0; i <= s.topSlot && i < kSlotCount; ++i) {
            const QString &name = s.slot(i).name;
            if (!name.isEmpty())
                writeResult(name, cellText::notAvailable(), cellText::notAvailable(), QStringView());
        }
        for (const RunSession::ServerQueue &queue : std::as_const(s.waiting)) {
            for (const RunSession::WaitingName &waiting : queue.names)
                writeResult(waiting.name, cellText::notAvailable(), cellText::notAvailable(), QStringView());
        }
    }
    saveLedger(std::exchange(m_ledgerRewrite, false));
    RebuildSources sources;
    sources.keptRows = s.selectedOnly;
    if (!m_results.close()) {
        m_workFileError = m_results.errorString();
        sources.uncheckedNames = std::move(s.unsavedNames);
    }
    s.reset();
#ifdef __GLIBC__
    // The run's names and replies are freed in many small pieces the heap
    // keeps; the rebuilt list of a long run needs that memory back first.
    malloc_trim(0);
#endif

    repopulate(m_ctx.list, run, m_ctx.dataFolder, m_ctx.clock.today(), m_ctx.prompter, sources);
    // The list holds the whole run now: nothing is left to go on with.
    RunJournal::remove(m_ctx.dataFolder);
    m_host.showWaiting(QString());
    m_host.runModeOff();
    updater();
    if (!m_workFileError.isEmpty())
        m_ctx.prompter.fail(kProgramTitle, checkText::resultsNotSaved(
                                               dataFile(m_ctx.dataFolder, QString::fromLatin1(kTempFileName)),
                                               m_workFileError));
    else if (completed)
        m_ctx.prompter.inform(kProgramTitle, checkText::kProgramDone);
    emit runEnded(completed && m_workFileError.isEmpty());
}

void CheckEngine::saveLedger(bool always)
{
    RunSession &s = m_session;
    if (!s.pacing || (!always && s.pacer.ledgerChanges() == m_ledgerSaved))
        return;
    m_ledgerSaved = s.pacer.ledgerChanges();
    // Counts are taken when a query is given its turn, before it is sent: a
    // crash loses at most the few seconds since the last write.
    const auto error = writePacingLedger(m_ctx.dataFolder, s.pacer.ledger());
    // Said once a run; the run goes on, and its counts still hold while it does.
    if (error && !std::exchange(m_ledgerWarned, true))
        m_ctx.prompter.warn(kProgramTitle,
                            *error + QStringLiteral("; the daily allowances' use is not kept."));
}

void CheckEngine::stopSlotTimers()
{
    m_turnTimer.stop();
    for (int i = 0; i < kSlotCount; ++i) {
        m_timers[static_cast<size_t>(i)].Dispatch1.stop();
        m_timers[static_cast<size_t>(i)].Retry1.stop();
    }
}

void CheckEngine::closeAllSockets()
{
    // Every index exists, so nothing is refused; a refusal would change nothing here.
    for (int i = 0; i < kSlotCount; ++i)
        socketCall([&] { Winsock1.CloseSck(i); });
    Rdap1.abortAll();
    m_dns.cancelAll();
}

// ---- Results -------------------------------------------------------------------------

bool CheckEngine::writeResult(const QString &name, QStringView result, QStringView expiration,
                              QStringView information)
{
    RunSession &s = m_session;
    s.unsavedNames.append(name);
    if (!m_results.writeLine({name, result, expiration, information}))
        return false;
    // The file takes whole blocks of lines: once it has taken more, every line
    // handed to it so far is in.
    if (m_results.linesWritten() != s.savedLines) {
        s.savedLines = m_results.linesWritten();
        s.unsavedNames.clear();
    }
    return true;
}

void CheckEngine::workFileFailed()
{
    if (m_ctx.run.stopped)
        return;
    // Nothing more of this run may act; the rest of the stop runs from the event
    // loop, outside the socket event or timer that found the failure.
    m_ctx.run.stopped = true;
    Timeout1.stop();
    m_flushTimer.stop();
    stopSlotTimers();
    QMetaObject::invokeMethod(
        this,
        [this, serial = m_session.serial] {
            if (m_active && serial == m_session.serial)
                endRun(false);
        },
        Qt::QueuedConnection);
}

bool CheckEngine::retryAllowed(const ConnectionSlot &s) const
{
    return m_session.retryOn && s.retries <= m_session.retryLimit;
}

// A slot has one next step at a time: arming one timer cancels the other.
void CheckEngine::armDispatch(qint16 slot)
{
    SlotTimers &t = m_timers[static_cast<size_t>(slot)];
    t.Retry1.stop();
    t.Dispatch1.start();
    queryEnded(slot);
}

void CheckEngine::armRetry(qint16 slot, int delayMs)
{
    SlotTimers &t = m_timers[static_cast<size_t>(slot)];
    t.Dispatch1.stop();
    t.Retry1.start(delayMs);
    queryEnded(slot);
}

void CheckEngine::queryEnded(qint16 slot)
{
    // The slot's next step begins: its query is no longer out, and a name
    // waiting for room in the server's window may go.
    if (m_session.windowReleased(m_session.slot(slot)) && !m_pumping)
        pumpTurns();
}

void CheckEngine::finishName(qint16 slot, const QString &result, const QString &expiration,
                             const QString &information)
{
    ConnectionSlot &s = m_session.slot(slot);
    ++m_session.processed;
    const bool written = writeResult(s.name, result, expiration, information);
    // The reply may be large; it is of no use once the name is written.
    s.reply = QByteArray();
    if (!written) {
        workFileFailed();
        return;
    }
    armDispatch(slot);
}

void CheckEngine::handleFailure(qint16 slot, const QString &text)
{
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = now();
    if (retryAllowed(s))
        armRetry(slot);
    else
        giveUp(slot, text);
}

void CheckEngine::handleErroneous(qint16 slot, const QString &text)
{
    ConnectionSlot &s = m_session.slot(slot);
    if (retryAllowed(s)) {
        s.exactMatchRetry = true;
        armRetry(slot);
    } else {
        giveUp(slot, text);
    }
}

bool CheckEngine::giveUp(qint16 slot, const QString &text)
{
    ConnectionSlot &s = m_session.slot(slot);
    if (m_connector.canFallBack(s)) {
        s.rdapFallback = true;
        s.lastActivity = now();
        armRetry(slot);
        return true;
    }
    finishName(slot, cellText::notAvailable(), cellText::notAvailable(), text);
    return false;
}

bool CheckEngine::isThrottleNotice(QByteArrayView reply, QByteArrayView query)
{
    // Notices are short; a long reply is an answer that may mention limits.
    return !reply.isEmpty() && reply.size() <= kNoticeBytes &&
           recognizeReply(reply, query).kind == ReplyRecognition::Kind::Refused;
}

void CheckEngine::paceAnswered(const ConnectionSlot &s)
{
    if (!m_session.pacing || s.pacedServer.isEmpty())
        return;
    m_session.pacer.answered(s.pacedServer, m_session.paceNow());
    m_session.windowAnswered(s.pacedServer);
    m_session.countAnswer(s);
}

void CheckEngine::paceThrottled(qint16 slot, const ThrottleHint &hint, bool silence)
{
    ConnectionSlot &s = m_session.slot(slot);
    const QString server = s.pacedServer;
    // A silence is noticed a time-out after the query: the server is measured
    // by what it answered when the query went out.
    m_session.pacer.throttled(server, m_session.paceNow(), hint, QRandomGenerator::global()->generateDouble(),
                              silence ? std::optional<qint32>(s.pacedAt) : std::nullopt);
    m_session.windowThrottled(server);
    if (const std::optional<QString> reason = m_session.pacer.giveUpReason(server)) {
        finishName(slot, cellText::notAvailable(), cellText::notAvailable(), *reason);
        giveUpWaiting(server, *reason);
        return;
    }
    // A throttle says nothing about the name: it waits for the server's next
    // turn, to be asked the same way, and no retry is used up.
    parkName(slot, std::nullopt);
}

bool CheckEngine::silenceCounts(const ConnectionSlot &s) const
{
    if (!m_session.pacing || s.pacedServer.isEmpty() || s.silentWaits >= kMaxSilentWaits)
        return false;
    // A server that never answered keeps the retries and the rotation: it may be down.
    return m_session.failuresOf(s.pacedServer) >= kSilentBurst;
}

bool CheckEngine::silentThrottle(qint16 slot)
{
    ConnectionSlot &s = m_session.slot(slot);
    if (!m_session.pacing || s.pacedServer.isEmpty())
        return false;
    m_session.countFailure(s);
    if (!silenceCounts(s))
        return false;
    ++s.silentWaits;
    paceThrottled(slot, {}, true);
    return true;
}

void CheckEngine::parkName(qint16 slot, std::optional<qint32> turnAt)
{
    ConnectionSlot &s = m_session.slot(slot);
    // Nothing of a query out for the name may answer for it any more.
    m_connector.endRdapRequest(slot);
    socketCall([&] { Winsock1.CloseSck(slot); });
    m_session.park(s, turnAt);
    s.reply = QByteArray();
    s.deferred = false;
    s.lastActivity = now();
    armDispatch(slot);
    pumpTurns();
}

bool CheckEngine::wakeIdleSlot()
{
    RunSession &s = m_session;
    // A slot idle for a turn first; else one waiting for the DNS pre-check.
    std::deque<qint16> &idle = !s.turnWaiters.empty() ? s.turnWaiters : s.nameWaiters;
    if (idle.empty())
        return false;
    const qint16 slot = idle.front();
    idle.pop_front();
    ConnectionSlot &c = s.slot(slot);
    c.waitingForTurn = false;
    c.waitingForName = false;
    c.lastActivity = now();
    armDispatch(slot);
    return true;
}

void CheckEngine::pumpTurns()
{
    RunSession &s = m_session;
    s.queuesChanged = false;
    if (!m_active || m_ctx.run.stopped)
        return;
    const QScopedValueRollback pumping(m_pumping, true);
    const qint32 t = s.paceNow();
    qint32 next = -1;
    QStringList givenUp;
    for (auto it = s.waiting.begin(); it != s.waiting.end(); ++it) {
        if (s.pacer.giveUpReason(it.key())) {
            givenUp << it.key();
            continue;
        }
        RunSession::ServerQueue &queue = it.value();
        if (!queue.hasTurn) {
            // A full window: the end of one of the server's queries pumps again.
            if (s.windowFull(it.key()))
                continue;
            queue.dueAt = t + s.pacer.take(it.key(), t);
            queue.hasTurn = true;
            queue.woken = false;
        }
        const qint32 left = ticksSince(queue.dueAt, t);
        if (left > 0)
            next = next < 0 ? left : std::min(next, left);
        else if (!queue.woken)
            // With no slot idle, the next slot to finish a name takes it.
            queue.woken = wakeIdleSlot();
    }
    for (const QString &server : std::as_const(givenUp)) {
        if (const std::optional<QString> reason = s.pacer.giveUpReason(server))
            giveUpWaiting(server, *reason);
    }
    if (m_ctx.run.stopped)
        return;
    if (next >= 0)
        m_turnTimer.start(next);
    else
        m_turnTimer.stop();
    if (s.nothingLeft()) {
        while (!s.turnWaiters.empty()) {
            const qint16 slot = s.turnWaiters.front();
            s.turnWaiters.pop_front();
            s.slot(slot).waitingForTurn = false;
            armDispatch(slot);
        }
    }
}

void CheckEngine::giveUpWaiting(const QString &server, const QString &reason)
{
    RunSession &s = m_session;
    const auto it = s.waiting.find(server);
    if (it == s.waiting.end())
        return;
    const std::deque<RunSession::WaitingName> names = std::move(it->names);
    s.waiting.erase(it);
    s.waitingCount -= static_cast<qint32>(names.size());
    s.queuesChanged = true;
    for (const RunSession::WaitingName &name : names) {
        ++s.processed;
        if (!writeResult(name.name, cellText::notAvailable(), cellText::notAvailable(), reason)) {
            workFileFailed();
            return;
        }
    }
}

// ---- Timers and socket events ----------------------------------------------------------

void CheckEngine::Dispatch1_Timer(qint16 slot)
{
    takeStep(slot, m_connector.nextdomain(slot));
    // The name just taken may have been the last DNS passed on.
    if (m_session.dnsFirst)
        releaseNameWaiters();
}

void CheckEngine::Retry1_Timer(qint16 slot)
{
    if (slot >= 0 && slot < kSlotCount && m_session.slot(slot).deferred) {
        takeStep(slot, m_connector.resumeconnection(slot));
        return;
    }
    takeStep(slot, m_connector.retryconnection(slot));
}

void CheckEngine::takeStep(qint16 slot, const SlotStep &step)
{
    ++m_slotSteps;
    switch (step.kind) {
    case SlotStep::Kind::None:
    case SlotStep::Kind::Connecting:
    case SlotStep::Kind::Waiting:
        break;
    case SlotStep::Kind::RanOut:
        slotRanOut(slot);
        break;
    case SlotStep::Kind::Write:
        finishName(slot, cellText::notAvailable(), cellText::notAvailable(), step.text);
        break;
    case SlotStep::Kind::Failed:
        handleFailure(slot, step.text);
        break;
    case SlotStep::Kind::Deferred:
        armRetry(slot, step.delayMs);
        break;
    case SlotStep::Kind::Parked:
        parkName(slot, step.delayMs >= 0 ? std::optional<qint32>(m_session.paceNow() + step.delayMs)
                                         : std::nullopt);
        break;
    }
    // A waiting name just taken leaves its queue's next name without a turn.
    if (m_session.queuesChanged)
        pumpTurns();
}

void CheckEngine::Winsock1_connect(qint16 slot)
{
    if (m_ctx.run.stopped || slot < 0 || slot >= kSlotCount)
        return;
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = now();
    s.reply.clear();
    QByteArray line;
    if (!s.exactMatchRetry) {
        line = encode8bit(s.query);
    } else {
        s.exactMatchRetry = false;
        line = '=' + encode8bit(s.query);
    }
    line += kLineEnd;
    if (socketCall([&] { Winsock1.SendData(slot, line); }))
        handleFailure(slot, checkText::kConnectionError);
}

void CheckEngine::Winsock1_DataArrival(qint16 slot, qint32)
{
    if (m_ctx.run.stopped || slot < 0 || slot >= kSlotCount)
        return;
    ConnectionSlot &s = m_session.slot(slot);
    const qint32 t = now();
    if (ticksSince(t, s.connectStart) < static_cast<qint64>(m_session.timeoutMs) * kTrickleTimeouts)
        s.lastActivity = t;
    QByteArray data;
    if (socketCall([&] { Winsock1.GetData(slot, data); })) {
        handleFailure(slot, checkText::kDataRetrievingError);
        return;
    }
    lowerLatin1(data);
    if (s.reply.isEmpty()) {
        s.reply = std::move(data);
        return;
    }
    // A reply far beyond the usual size is on its way to the cap: one block for
    // all of it, instead of a trail of ever larger ones that the allocator keeps
    // (hundreds of slots can be receiving one at the same time).
    const qsizetype size = s.reply.size() + data.size();
    if (size > s.reply.capacity() && size > kLargeReply)
        s.reply.reserve(std::max<qsizetype>(size, kReplyCap));
    s.reply += data;
}

void CheckEngine::Winsock1_CloseSck(qint16 slot)
{
    if (m_ctx.run.stopped || slot < 0 || slot >= kSlotCount)
        return;
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = now();
    const std::vector<TldServerRecord> &records = m_session.tldServerRecords;
    const bool hasRecord = s.tldIndex >= 0 && static_cast<size_t>(s.tldIndex) < records.size();
    const QByteArray tldFree =
        hasRecord ? responseBytes(records[static_cast<size_t>(s.tldIndex)].freeResponse) : QByteArray();
    const ReplyVerdict verdict =
        classifyReply(s.reply, encode8bit(s.name), tldFree, m_session.freeResponses, m_session.errorResponses,
                      m_session.recognition, m_session.recognition ? encode8bit(s.query) : QByteArray(),
                      s.reply.size() >= kReplyCap);
    if (m_session.pacing && verdict.kind != ReplyClass::Free) {
        // The classifier's reading of the reply, when it made one, is the same
        // the pacer would make: the reply is read once.
        const bool notice = verdict.recognized
                                ? verdict.refused && !s.reply.isEmpty() && s.reply.size() <= kNoticeBytes
                                : isThrottleNotice(s.reply, encode8bit(s.query));
        if (notice) {
            paceThrottled(slot, readThrottleHint(s.reply));
            return;
        }
    }
    paceAnswered(s);
    switch (verdict.kind) {
    case ReplyClass::Erroneous:
        handleErroneous(slot, checkText::kErroneousResponse);
        break;
    case ReplyClass::Free:
        finishName(slot, cellText::free(), cellText::notAvailable(), cellText::notAvailable());
        break;
    case ReplyClass::Taken:
        finishName(slot, cellText::taken(), verdict.expiration, verdict.information);
        break;
    }
}

void CheckEngine::Winsock1_error(qint16 slot, qint16 number, const QString &description)
{
    if (m_ctx.run.stopped || slot < 0 || slot >= kSlotCount)
        return;
    // Aborted, reset, timed out, refused: what a server that drops a client looks like.
    const bool silence = number == 10053 || number == 10054 || number == 10060 || number == 10061;
    if (silence && silentThrottle(slot))
        return;
    handleFailure(slot, checkText::kErrorPrefix + description);
}

void CheckEngine::Rdap1_Sent(qint16 slot)
{
    if (m_ctx.run.stopped || slot < 0 || slot >= kSlotCount)
        return;
    // The request has its connection: like a WHOIS query once connected, it is
    // silent from now on until the server answers.
    ConnectionSlot &s = m_session.slot(slot);
    s.lastActivity = now();
    s.connectStart = s.lastActivity;
}

void CheckEngine::Rdap1_Progress(qint16 slot)
{
    if (m_ctx.run.stopped || slot < 0 || slot >= kSlotCount)
        return;
    ConnectionSlot &s = m_session.slot(slot);
    const qint32 t = now();
    if (ticksSince(t, s.connectStart) < static_cast<qint64>(m_session.timeoutMs) * kTrickleTimeouts)
        s.lastActivity = t;
}

void CheckEngine::Rdap1_Done(qint16 slot)
{
    if (m_ctx.run.stopped || slot < 0 || slot >= kSlotCount)
        return;
    ConnectionSlot &s = m_session.slot(slot);
    const qint32 t = now();
    s.lastActivity = t;
    const HttpFetcher::Result result = Rdap1.takeResult(slot);
    m_connector.endRdapRequest(slot);
    if (result.kind == HttpFetcher::Result::Kind::TransportError && silentThrottle(slot))
        return;
    if (m_session.pacing && result.kind == HttpFetcher::Result::Kind::Reply) {
        const int status = result.status;
        QByteArray body;
        if (status == 403 || status == 422 || status == 503) {
            body = result.body.left(kNoticeBytes);
            lowerLatin1(body);
        }
        if (status == 429 || (!body.isEmpty() && isThrottleNotice(body, encode8bit(s.query)))) {
            ThrottleHint hint = readThrottleHint(body);
            if (result.retryAfterSeconds)
                hint.waitMs = std::max<qint64>(0, *result.retryAfterSeconds) * 1000;
            paceThrottled(slot, hint);
            return;
        }
        paceAnswered(s);
    }
    if (result.retryAfterSeconds && (result.status == 429 || result.status == 503)) {
        const qint64 seconds = std::min(*result.retryAfterSeconds, kMaxRetryAfterSeconds);
        if (seconds > 0) {
            // A shorter wait announced later does not end a longer one: the
            // server is left alone until the latest end it asked for.
            const qint32 until = t + static_cast<qint32>(seconds * 1000);
            const QString key = rdapServerKey(result.url);
            const auto known = m_session.rdapNotBefore.constFind(key);
            if (known == m_session.rdapNotBefore.constEnd() || ticksSince(until, *known) > 0)
                m_session.rdapNotBefore.insert(key, until);
        }
    }
    const RdapVerdict verdict = classifyRdap(result, s.query);
    switch (verdict.kind) {
    case RdapClass::Free:
        finishName(slot, cellText::free(), cellText::notAvailable(), cellText::notAvailable());
        break;
    case RdapClass::Taken:
        finishName(slot, cellText::taken(), verdict.expiration, verdict.information);
        break;
    case RdapClass::Erroneous:
        // Like a WHOIS error response: the next server, asked the exact-match way if it is WHOIS.
        handleErroneous(slot, verdict.text);
        break;
    case RdapClass::Failed:
        handleFailure(slot, verdict.text);
        break;
    }
}

void CheckEngine::Timeout1_Timer()
{
    if (m_ctx.run.stopped)
        return;
    const qint32 t = now();
    const auto timedOut = [&](const ConnectionSlot &s) {
        return !s.finished && !s.waitingForServer && !s.waitingForName && !s.waitingForTurn &&
               ticksSince(t, s.lastActivity) >= m_session.timeoutMs;
    };
    // Pacing: the time-outs of one sweep are one burst, counted first: a
    // server that drops what goes beyond its allowance lets a whole burst of
    // queries time out together, whatever it answered meanwhile. A slot the
    // sweep leaves for the next one is counted there again, not here.
    const bool countSilence = m_session.pacing && !m_session.silence.isEmpty();
    const auto countFailure = [&](int from, int by) {
        for (int i = from; countSilence && i <= m_session.topSlot && i < kSlotCount; ++i) {
            const ConnectionSlot &s = m_session.slot(i);
            if (timedOut(s))
                m_session.countFailure(s, by);
        }
    };
    countFailure(0, 1);
    for (int i = 0; i <= m_session.topSlot && i < kSlotCount; ++i) {
        ConnectionSlot &s = m_session.slot(i);
        if (!timedOut(s))
            continue;
        s.lastActivity = t;
        const auto slot = static_cast<qint16>(i);
        if (silenceCounts(s)) {
            // Waiting is no reconnect: every name of the burst waits at once.
            ++s.silentWaits;
            paceThrottled(slot, {}, true);
            if (m_ctx.run.stopped)
                return;
            continue;
        }
        if (retryAllowed(s)) {
            // One retry per sweep spreads the reconnects of many silent slots.
            armRetry(slot);
            countFailure(i + 1, -1);
            return;
        }
        // A late answer must not write a second line for the name.
        m_connector.endRdapRequest(slot);
        // A fallback is a retry: one per sweep. A failed write ended the sweep's run.
        if (giveUp(slot, checkText::kTimeout) || m_ctx.run.stopped) {
            if (!m_ctx.run.stopped)
                countFailure(i + 1, -1);
            return;
        }
    }
}

// ---- Progress ------------------------------------------------------------------------------

void CheckEngine::updater()
{
    if (m_ctx.run.stopped)
        showIdleCounters(m_host, m_ctx.run, m_ctx.list.size());
    else
        showRunProgress(m_host, m_ctx.run, m_session);
}

void CheckEngine::refreshProgressUnit()
{
    if (!m_ctx.run.stopped)
        m_session.progressUnit = static_cast<qint32>(roundHalfEven(m_host.progressFrameWidth() / 100.0));
}
