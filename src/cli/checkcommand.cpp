#include "commands.h"

#include "cliprompter.h"
#include "options.h"

#include "base/hostport.h"
#include "base/textfile.h"
#include "config/allowances.h"
#include "config/pacingsetting.h"
#include "config/rdapbootstrap.h"
#include "engine/appcontext.h"
#include "engine/checkengine.h"
#include "engine/progress.h"
#include "engine/runhost.h"
#include "engine/runjournal.h"
#include "engine/runoptions.h"
#include "export/reportexport.h"
#include "sources/fileimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// The window's part in a run, for a program without one.
class CliRunHost : public RunHost
{
public:
    void runModeOn() override {}
    void runModeOff() override {}
    void clearPanelNames() override {}
    void printPanelName(const QString &) override {}
    int progressFrameWidth() const override { return 0; }
    void showProgress(const QString &, int) override {}
    void showCounters(const QString &domains, const QString &free, const QString &taken,
                      const QString &unchecked) override
    {
        counters = {domains, free, taken, unchecked};
    }
    // The progress line reads the waiting names itself.
    void showWaiting(const QString &) override {}
    void optionsChanged() override {}
    void processEvents() override { QCoreApplication::processEvents(); }

    QStringList counters;
};

// Progress on standard error: one line rewritten in place on a terminal, a
// new line every few seconds when standard error is a file or a pipe.
class ProgressLine
{
public:
    ProgressLine(const RunState &run, const RunSession &session, bool enabled)
        : m_run(run)
        , m_session(session)
        , m_enabled(enabled)
        , m_terminal(::isatty(STDERR_FILENO) == 1)
    {
        m_timer.setInterval(m_terminal ? 250 : 5000);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { show(); });
    }

    void start()
    {
        m_clock.start();
        if (m_enabled)
            m_timer.start();
    }
    void stop()
    {
        m_timer.stop();
        clear();
    }
    // Makes room for a message.
    void clear()
    {
        if (m_shown && m_terminal) {
            std::fputs("\r\x1b[K", stderr);
            std::fflush(stderr);
        }
        m_shown = false;
    }

private:
    void show()
    {
        // Between the end of the run and the report the session is idle.
        if (m_run.stopped)
            return;
        const qint64 total = m_session.totalCount();
        const qint64 done = std::clamp<qint64>(m_session.processed, 0, total);
        const double seconds = m_clock.elapsed() / 1000.0;
        // The names an interrupted run finished earlier took none of this time.
        const double rate = seconds > 0 ? std::max<qint64>(done - m_session.finishedBefore, 0) / seconds : 0;
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        QString left = QStringLiteral("--");
        if (rate > 0) {
            const qint64 secs = static_cast<qint64>((total - done) / rate + 0.5);
            left =
                secs >= 3600
                    ? QStringLiteral("%1h%2m").arg(secs / 3600).arg(secs % 3600 / 60, 2, 10, QLatin1Char('0'))
                : secs >= 60 ? QStringLiteral("%1m%2s").arg(secs / 60).arg(secs % 60, 2, 10, QLatin1Char('0'))
                             : QStringLiteral("%1s").arg(secs);
        }
        QString text = QStringLiteral("%1% (%2/%3), %4 names/s, %5 left")
                           .arg(percent)
                           .arg(done)
                           .arg(total)
                           .arg(static_cast<qint64>(rate + 0.5))
                           .arg(left);
        if (const QString waiting = waitingText(m_session); !waiting.isEmpty())
            text += QStringLiteral(", ") + waiting;
        const QByteArray bytes = text.toLocal8Bit();
        if (m_terminal)
            std::fprintf(stderr, "\r%s\x1b[K", bytes.constData());
        else
            std::fprintf(stderr, "%s\n", bytes.constData());
        std::fflush(stderr);
        m_shown = true;
    }

    const RunState &m_run;
    const RunSession &m_session;
    bool m_enabled;
    bool m_terminal;
    bool m_shown = false;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

// SIGINT and SIGTERM arrive on a pipe, so the stop runs on the event loop like
// a press of Stop and never inside a signal handler. The handlers stay until
// the program exits: a signal at any moment, also while the names are read or
// the report is written, ends with the report and the signal's exit status.
int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int sig)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    (void)written;
    errno = savedErrno;
}

bool installStopSignals()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    // One handler at a time: the bytes reach the pipe in the order the signals came.
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

// Takes the signals that came so far; the first one decides the exit status.
void takeStopSignals(int &stopSignal)
{
    unsigned char byte = 0;
    while (::read(g_signalPipe[0], &byte, 1) == 1) {
        if (stopSignal == 0)
            stopSignal = byte;
    }
}

// The report file, opened without emptying it (and without seeking, which a
// device such as /dev/full refuses): a run that cannot start leaves an earlier
// report alone.
bool openReport(QFile &out, const QString &path, QString &error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!out.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        error = out.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

// Reads one FILE ("-": standard input) into the list.
bool readNameFile(const QString &file, AppContext &ctx, ImportRule rule, QString &error)
{
    CliInputFile in;
    if (!in.open(file, error))
        return false;
    loadNamesFromFile(in.reader(), ctx.list, ctx.run.suffixes, rule);
    if (in.reader().failed()) {
        error = in.reader().errorString();
        return false;
    }
    return true;
}

// Writes the whole report the way the window's "Save result" writes it; the
// reason when the device does not take it. An --output file is emptied first;
// standard output is left as the shell opened it (">>" appends to a file).
std::optional<IoError> writeReport(QFile &out, bool emptyFirst, const DomainListModel &list,
                                   report::Format format, const report::Columns &columns,
                                   report::TitleLine title)
{
    if (emptyFirst && !out.isSequential() && !out.resize(0))
        return ioError(out);
    if (auto error = report::writeReport(out, format, list, columns,
                                         report::dateText(QDateTime::currentDateTime()), title))
        return error;
    if (!out.flush())
        return ioError(out);
    return std::nullopt;
}

// What a check is asked to do, as read from the command line.
struct CheckRequest {
    QStringList files;
    bool resume = false; // the interrupted run of the data folder goes on
    QString dataDir;
    // The option boxes the command line sets; unset ones keep settings.ini's values.
    std::optional<QString> connections;
    std::optional<QString> timeoutSecs;
    std::optional<QString> retryTimes;
    bool noRetry = false;
    std::optional<QString> expireDays;
    // Empty for standard output.
    QString output;
    report::Format format = report::Format::Text;
    report::Columns columns = report::kAllColumns;
    report::TitleLine title = report::TitleLine::Written;
    std::optional<RdapMode> rdapMode;
    std::optional<bool> pacing; // adaptive
    bool quiet = false;
    ImportRule rule = ImportRule::Load;
    bool configuredStringsOnly = false;
    bool noPublicSuffixes = false;
    std::optional<DnsMode> dnsMode;
    QStringList dnsServers; // as c-ares takes them: address[:port], an IPv6 address in brackets
    AllowanceTable serverLimits;
};

class CheckCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("check"); }
    QString summary() const override
    {
        return QStringLiteral("check lists of domains and print the result report");
    }

protected:
    QString synopsis() const override
    {
        return QStringLiteral("[OPTIONS] FILE...\n       --resume [OPTIONS]");
    }
    QString description() const override
    {
        return QStringLiteral(
            "Checks every domain named in the FILEs (one a line; '-' reads standard input)\n"
            "against the WHOIS servers of its TLD and prints the result report. A name in\n"
            "another script (a line of UTF-8) is checked and reported in its ASCII form.\n"
            "\n"
            "A run keeps a journal in the data folder until it ends, so a run the program\n"
            "could not finish (a crash, a power cut, SIGKILL) is not lost: --resume goes on\n"
            "with it, asks only the names without a result, and prints the whole report.\n"
            "A check given FILEs in such a folder starts afresh and says on standard error\n"
            "that the interrupted run was discarded.");
    }
    QList<QCommandLineOption> options() const override
    {
        return {m_dataDir,          m_resume,  m_connections, m_timeout,
                m_retries,          m_noRetry, m_expireDays,  m_output,
                m_format,           m_columns, m_noTitle,     m_rdap,
                m_pacing,           m_quiet,   m_extract,     m_configuredStringsOnly,
                m_noPublicSuffixes, m_dns,     m_dnsServer,   m_serverLimit};
    }
    QString epilogue() const override
    {
        return QStringLiteral(
            "Options not given keep the values saved in settings.ini; out-of-range values\n"
            "are corrected as the program's option boxes correct them.\n"
            "\n"
            "The report is the one the program's \"Save result\" window writes for the same\n"
            "format and columns. The default has a title line and one line per domain:\n"
            "Domain|Domain name length|TLD|Availability|Expiration date|Expires in (days)|\n"
            "Information, with CR LF ends.\n"
            "Progress and the final counts go to standard error.\n"
            "\n"
            "Exit status: 0 the run completed; 1 the run could not start (or the report\n"
            "could not be written); 2 usage error or unreadable FILE; 3 the work file\n"
            "temp.txt in the data folder could not take every result (a full disk, a\n"
            "file-size limit): the run stopped there, and the report lists the domains\n"
            "whose results were lost as unchecked; 130 or 143 stopped by SIGINT or SIGTERM\n"
            "at any moment, also after a work-file failure (the report still lists every\n"
            "domain).");
    }
    QString readRequest(const QCommandLineParser &parser) override;
    int execute() override;

private:
    const CliOption m_dataDir =
        cliopt::dataDir(QStringLiteral("folder holding settings.ini and the work files temp.txt,\n"
                                       "remember.txt and journal.txt (default: the program's data\n"
                                       "folder)"));
    const CliOption m_resume{QStringLiteral("resume"),
                             QStringLiteral("go on with the interrupted run of the data folder, with the\n"
                                            "names and options it had (no FILE, no option that changes\n"
                                            "what is asked)")};
    const CliOption m_connections{QStringLiteral("connections"),
                                  QStringLiteral("parallel connections, 1-500"), QStringLiteral("N")};
    const CliOption m_timeout{QStringLiteral("timeout"), QStringLiteral("connection time-out, 1-60"),
                              QStringLiteral("SECONDS")};
    const CliOption m_retries{QStringLiteral("retries"),
                              QStringLiteral("retry failed lookups up to N times (1-200)"),
                              QStringLiteral("N")};
    const CliOption m_noRetry{QStringLiteral("no-retry"), QStringLiteral("do not retry failed lookups")};
    const CliOption m_expireDays{QStringLiteral("expire-days"),
                                 QStringLiteral("the blue-marking limit the list uses (1-100000)"),
                                 QStringLiteral("N")};
    const CliOption m_output{QStringLiteral("output"),
                             QStringLiteral("write the report to FILE instead of standard output"),
                             QStringLiteral("FILE")};
    const CliOption m_format{QStringLiteral("format"),
                             QStringLiteral("report format: txt (\"|\" separated, the default), csv,\n"
                                            "html or xml"),
                             QStringLiteral("FORMAT")};
    const CliOption m_columns{QStringLiteral("columns"),
                              QStringLiteral("the report's columns, separated by commas: numbers 1-7\n"
                                             "or titles (Domain, Domain name length, TLD, Availability,\n"
                                             "Expiration date, Expires in (days), Information); Domain\n"
                                             "is always included (default: all seven)"),
                              QStringLiteral("LIST")};
    const CliOption m_noTitle{QStringLiteral("no-title"),
                              QStringLiteral("leave out the title line of a txt or csv report, for reports\n"
                                             "joined from several runs (see the README on many machines)")};
    const CliOption m_rdap{QStringLiteral("rdap"),
                           QStringLiteral("when the RDAP services of the bootstrap registry are asked:\n"
                                          "off (never), fallback (after a TLD's WHOIS servers failed,\n"
                                          "and for TLDs without a row) or first (before WHOIS);\n"
                                          "default: rdap/mode in quorvane.ini, else fallback. RDAP\n"
                                          "servers written into the TLD table are asked in any mode"),
                           QStringLiteral("MODE")};
    const CliOption m_pacing{QStringLiteral("pacing"),
                             QStringLiteral("adaptive (each server's pace is found from its throttling\n"
                                            "notices and kept) or off (each query as soon as a connection\n"
                                            "is free); default: pacing/mode in quorvane.ini, else adaptive"),
                             QStringLiteral("MODE")};
    const CliOption m_quiet{QStringLiteral("quiet"),
                            QStringLiteral("no progress and no information messages")};
    const CliOption m_extract{QStringLiteral("extract"),
                              QStringLiteral("read the FILEs as the list files of back-order services:\n"
                                             "a line is cut at its first space and split at every ',';\n"
                                             "each field may be a domain (a line with neither holds none)")};
    const CliOption m_configuredStringsOnly{
        QStringLiteral("configured-strings-only"),
        QStringLiteral("classify replies by the configured response strings alone,\n"
                       "without the program's own recognition of current registry\n"
                       "replies (check/recognition in quorvane.ini)")};
    const CliOption m_noPublicSuffixes{
        QStringLiteral("no-public-suffixes"),
        QStringLiteral("ask each name as its last label before its TLD with the TLD\n"
                       "(example.com.af as com.af) instead of by the Public Suffix\n"
                       "List (check/public-suffixes in quorvane.ini)")};
    const CliOption m_dns{QStringLiteral("dns"),
                          QStringLiteral("first: ask DNS for each name's NS records before WHOIS;\n"
                                         "a delegated name is written as taken (no expiry date)\n"
                                         "without a WHOIS query, every other answer goes on to\n"
                                         "WHOIS; off: no DNS (default: dns/mode in quorvane.ini,\n"
                                         "else off)"),
                          QStringLiteral("MODE")};
    const CliOption m_dnsServer{QStringLiteral("dns-server"),
                                QStringLiteral("a DNS server to ask, by its address (port 53 unless\n"
                                               "given); repeat for more (default: dns/servers in\n"
                                               "quorvane.ini, else the system's resolvers)"),
                                QStringLiteral("ADDRESS[:PORT]")};

    const CliOption m_serverLimit{
        QStringLiteral("server-limit"),
        QStringLiteral("hold SERVER (a WHOIS host[:port], an RDAP server's host)\n"
                       "to RATES for this run, over quorvane.ini's [pacing]: e.g.\n"
                       "whois.example.net=5/s,1000/d or host=1800/15m (units s, m,\n"
                       "h, d); repeat for more servers. Needs --pacing adaptive"),
        QStringLiteral("SERVER=RATES")};

    CheckRequest m_request;
};

} // namespace

QString CheckCommand::readRequest(const QCommandLineParser &parser)
{
    CheckRequest request;
    request.files = parser.positionalArguments();
    request.resume = m_resume.isSet(parser);
    if (request.resume && !request.files.isEmpty())
        return QStringLiteral("--resume takes no FILE: the names are those of the interrupted run");
    if (!request.resume && request.files.isEmpty())
        return QStringLiteral("no FILE given");
    for (const CliOption *fixed : {&m_connections, &m_timeout, &m_retries, &m_noRetry, &m_expireDays, &m_rdap,
                                   &m_extract, &m_configuredStringsOnly}) {
        if (request.resume && fixed->isSet(parser))
            return QStringLiteral("--resume goes on with the options of the interrupted run, not %1")
                .arg(fixed->flag());
    }
    if (m_retries.isSet(parser) && m_noRetry.isSet(parser))
        return QStringLiteral("--retries and --no-retry exclude each other");
    const QString notNumber = requireNumbers(parser, {&m_connections, &m_timeout, &m_retries, &m_expireDays});
    if (!notNumber.isEmpty())
        return notNumber;
    if (m_output.isSet(parser)) {
        request.output = m_output.value(parser);
        if (request.output.isEmpty())
            return QStringLiteral("--output needs a file name");
    }
    if (m_format.isSet(parser)) {
        const auto chosen = report::formatFromName(m_format.value(parser));
        if (!chosen)
            return QStringLiteral("unknown format: %1 (txt, csv, html or xml)").arg(m_format.value(parser));
        request.format = *chosen;
    }
    if (m_noTitle.isSet(parser)) {
        if (request.format != report::Format::Text && request.format != report::Format::Csv)
            return QStringLiteral("--no-title applies to the txt and csv formats only");
        request.title = report::TitleLine::Omitted;
    }
    if (m_rdap.isSet(parser)) {
        request.rdapMode = parseRdapMode(m_rdap.value(parser));
        if (!request.rdapMode)
            return QStringLiteral("--rdap needs off, fallback or first, not '%1'").arg(m_rdap.value(parser));
    }
    if (m_pacing.isSet(parser)) {
        request.pacing = parsePacingMode(m_pacing.value(parser));
        if (!request.pacing)
            return QStringLiteral("--pacing needs adaptive or off, not '%1'").arg(m_pacing.value(parser));
    }
    if (m_columns.isSet(parser)) {
        QString unknown;
        const auto chosen = report::parseColumns(m_columns.value(parser), &unknown);
        if (!chosen)
            return QStringLiteral("unknown column: '%1' (1-7 or a column title)").arg(unknown);
        request.columns = *chosen;
    }
    QString folderError;
    request.dataDir = dataFolderOption(parser, m_dataDir, folderError);
    if (request.dataDir.isEmpty())
        return folderError;

    const auto optionValue = [&parser](const CliOption &option) -> std::optional<QString> {
        if (!option.isSet(parser))
            return std::nullopt;
        return option.value(parser).trimmed();
    };
    request.connections = optionValue(m_connections);
    request.timeoutSecs = optionValue(m_timeout);
    request.retryTimes = optionValue(m_retries);
    request.noRetry = m_noRetry.isSet(parser);
    request.expireDays = optionValue(m_expireDays);
    request.quiet = m_quiet.isSet(parser);
    request.rule = m_extract.isSet(parser) ? ImportRule::Extract : ImportRule::Load;
    request.configuredStringsOnly = m_configuredStringsOnly.isSet(parser);
    request.noPublicSuffixes = m_noPublicSuffixes.isSet(parser);
    if (m_dns.isSet(parser)) {
        request.dnsMode = parseDnsMode(m_dns.value(parser));
        if (!request.dnsMode)
            return QStringLiteral("--dns needs first or off, not '%1'").arg(m_dns.value(parser));
    }
    for (const QString &text : parser.values(m_dnsServer)) {
        const HostPort server = parseHostPort(text, kDnsPort);
        if (!server.valid())
            return QStringLiteral("--dns-server needs ADDRESS[:PORT], not '%1'").arg(text);
        request.dnsServers << hostPortText(server.host, server.port, 0);
    }
    if (m_serverLimit.isSet(parser) && request.pacing == false)
        return QStringLiteral("--server-limit needs --pacing adaptive");
    for (const QString &text : parser.values(m_serverLimit)) {
        QString error;
        const auto limit = parseServerLimit(text, &error);
        if (!limit)
            return QStringLiteral("--server-limit needs SERVER=RATES, not '%1': %2").arg(text, error);
        request.serverLimits.insert(limit->first, limit->second);
    }
    m_request = request;
    return {};
}

int CheckCommand::execute()
{
    const CheckRequest &request = m_request;
    // First of all: a signal from here on ends with a report, never with a kill.
    if (!installStopSignals()) {
        printError(QStringLiteral("cannot watch for SIGINT and SIGTERM"));
        return cliexit::kFailed;
    }
    int stopSignal = 0;
    // Once the names are read, a stop signal decides the exit status.
    const auto exitStatus = [&stopSignal](int status) {
        takeStopSignals(stopSignal);
        return stopSignal != 0 ? cliexit::signalStatus(stopSignal) : status;
    };

    CliPrompter prompter(request.quiet);
    CliRunHost host;
    AppContext ctx(request.dataDir, prompter);
    loadConfiguration(ctx);
    // The command line takes the place of the option boxes.
    if (request.connections)
        ctx.options.connections = *request.connections;
    if (request.timeoutSecs)
        ctx.options.timeoutSecs = *request.timeoutSecs;
    if (request.retryTimes) {
        ctx.options.retry = true;
        ctx.options.retryTimes = *request.retryTimes;
    }
    if (request.noRetry)
        ctx.options.retry = false;
    if (request.expireDays)
        ctx.options.expireDays = *request.expireDays;
    // Every name given is checked; there is no selection here.
    ctx.options.checkSelected = false;
    ctx.run.configuredStringsOnly = request.configuredStringsOnly;

    ctx.run.suffixes.mylist(ctx.config.table.tlds());

    QString journalError;
    std::optional<RunJournal> journal = RunJournal::read(request.dataDir, &journalError);
    RunProgress interrupted;
    if (journal) {
        if (const auto error = readRunProgress(request.dataDir, *journal, interrupted)) {
            printError(QStringLiteral("cannot read the results of the interrupted run: ") + *error);
            return cliexit::kFailed;
        }
    }
    if (request.resume && !journal) {
        printError(journalError.isEmpty() ? QStringLiteral("no interrupted run in %1").arg(request.dataDir)
                                          : QStringLiteral("cannot resume: %1: %2")
                                                .arg(RunJournal::path(request.dataDir), journalError));
        return cliexit::kFailed;
    }

    // A signal while the names are read lets the reading finish: the report
    // then lists every name given, unchecked.
    for (const QString &file : request.files) {
        QString error;
        if (!readNameFile(file, ctx, request.rule, error)) {
            printError(QStringLiteral("cannot read %1: %2").arg(file, error));
            return cliexit::kUsage;
        }
    }

    // The report file is opened now, so a run never starts without a place for
    // its report, but emptied only when the report is written: a run that
    // cannot start leaves an earlier report alone.
    QFile out;
    const QString &outputPath = request.output;
    const bool toFile = !outputPath.isEmpty();
    bool outputExisted = false;
    if (toFile) {
        outputExisted = QFileInfo::exists(outputPath);
        QString error;
        if (!openReport(out, outputPath, error)) {
            printError(QStringLiteral("cannot write %1: %2").arg(outputPath, error));
            return cliexit::kUsage;
        }
    } else if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
                         QFileDevice::DontCloseHandle)) {
        printError(QStringLiteral("cannot write the report: ") + out.errorString());
        return exitStatus(cliexit::kFailed);
    }
    // A reader that goes away (| head) makes the write fail instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);

    CheckEngine engine(ctx, host);
    engine.setRdapModeOverride(request.rdapMode);
    engine.setPacingOverride(request.pacing);
    if (request.noPublicSuffixes)
        engine.setPublicSuffixesOverride(false);
    engine.setDnsOverride(request.dnsMode, request.dnsServers);
    engine.setServerLimitsOverride(request.serverLimits);
    ProgressLine progress(ctx.run, engine.session(), !request.quiet);
    prompter.setBeforePrint([&progress] { progress.clear(); });

    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        takeStopSignals(stopSignal);
        if (engine.running())
            engine.allstopper();
    });

    ctx.run.skipConfirmation = true;
    if (request.resume) {
        engine.resume(*journal, interrupted);
        // The run has its names; the journal's copy and the finished names are of no more use.
        journal.reset();
        interrupted = RunProgress();
    } else {
        engine.allstarter();
        if (engine.running() && journal)
            printError(QStringLiteral("the interrupted run (%1 of %2 domains) was discarded")
                           .arg(interrupted.total - interrupted.unfinished.size())
                           .arg(interrupted.total));
        else if (engine.running() && !journalError.isEmpty())
            printError(QStringLiteral("the unreadable journal of an interrupted run was replaced (%1)")
                           .arg(journalError));
    }
    if (!engine.running()) {
        if (toFile && !outputExisted) {
            out.close();
            QFile::remove(outputPath);
        }
        return exitStatus(cliexit::kFailed);
    }

    bool completed = false;
    takeStopSignals(stopSignal);
    if (stopSignal != 0) {
        // Stopped before the first name went out: every name comes back unchecked.
        engine.allstopper();
    } else {
        QEventLoop loop;
        QObject::connect(&engine, &CheckEngine::runEnded, &loop, [&](bool c) {
            completed = c;
            loop.quit();
        });
        progress.start();
        if (engine.running())
            loop.exec();
        progress.stop();
    }
    signalNotifier.setEnabled(false);

    const std::optional<IoError> reportError =
        writeReport(out, toFile, ctx.list, request.format, request.columns, request.title);
    out.close();
    engine.updater();
    for (const QString &line : host.counters)
        CliPrompter::printError(line);
    if (reportError) {
        printError(QStringLiteral("cannot write the report: ") + reportError->description);
        return cliexit::kFailed;
    }
    if (!engine.workFileError().isEmpty())
        return exitStatus(cliexit::kWorkFileFailed);
    return exitStatus(completed ? cliexit::kOk : cliexit::kFailed);
}

std::unique_ptr<CliCommand> makeCheckCommand()
{
    return std::make_unique<CheckCommand>();
}
