#include "commands.h"

#include "cliprompter.h"

#include "app/appcontext.h"
#include "engine/checkengine.h"
#include "engine/datafolder.h"
#include "engine/runhost.h"
#include "engine/runoptions.h"
#include "engine/workfile.h"
#include "sources/fileimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char *kCheckUsage =
    "Usage: quorvane-cli check [OPTIONS] FILE...\n"
    "\n"
    "Checks every domain named in the FILEs (one a line; '-' reads standard input)\n"
    "against the WHOIS servers of its TLD and prints the result report.\n"
    "\n"
    "  --data-dir DIR        folder holding settings.ini and the work files temp.txt\n"
    "                        and remember.txt (default: the program's data folder)\n"
    "  --connections N       parallel connections, 1-500\n"
    "  --timeout SECONDS     connection time-out, 1-60\n"
    "  --retries N           retry failed lookups up to N times (1-200)\n"
    "  --no-retry            do not retry failed lookups\n"
    "  --expire-days N       the blue-marking limit the list uses (1-100000)\n"
    "  --output FILE         write the report to FILE instead of standard output\n"
    "  --quiet               no progress and no information messages\n"
    "  -h, --help            show this help\n"
    "\n"
    "Options not given keep the values saved in settings.ini; out-of-range values\n"
    "are corrected as the program's option boxes correct them.\n"
    "\n"
    "The report has one line per domain: Domain|Domain name length|TLD|\n"
    "Availability|Expiration date|Expires in (days)|Information, with CR LF ends.\n"
    "Progress and the final counts go to standard error.\n"
    "\n"
    "Exit status: 0 the run completed; 1 the run could not start (or the report\n"
    "could not be written); 2 usage error or unreadable FILE; 130 or 143 stopped by\n"
    "SIGINT or SIGTERM (the report still lists every domain).\n";

const char *kReportHeader = "Domain|Domain name length|TLD|Availability|Expiration date|Expires in (days)|Information";

int usageError(const QString &text)
{
    CliPrompter::printError(QStringLiteral("quorvane-cli check: ") + text + QStringLiteral(" (try --help)"));
    return 2;
}

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
    void optionsChanged() override {}
    void processEvents() override { QCoreApplication::processEvents(); }

    QStringList counters;
};

// Progress on standard error: one line rewritten in place on a terminal, a
// new line every few seconds when standard error is a file or a pipe.
class ProgressLine
{
public:
    ProgressLine(const RunState &run, bool enabled)
        : m_run(run)
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
        const qint64 total = m_run.runCount;
        const qint64 done = std::clamp<qint64>(m_run.processed, 0, total);
        const double seconds = m_clock.elapsed() / 1000.0;
        const double rate = seconds > 0 ? done / seconds : 0;
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        QString left = QStringLiteral("--");
        if (rate > 0) {
            const qint64 secs = static_cast<qint64>((total - done) / rate + 0.5);
            left = secs >= 3600 ? QStringLiteral("%1h%2m").arg(secs / 3600).arg(secs % 3600 / 60, 2, 10, QLatin1Char('0'))
                 : secs >= 60   ? QStringLiteral("%1m%2s").arg(secs / 60).arg(secs % 60, 2, 10, QLatin1Char('0'))
                                : QStringLiteral("%1s").arg(secs);
        }
        const QString text = QStringLiteral("%1% (%2/%3), %4 names/s, %5 left")
                                 .arg(percent)
                                 .arg(done)
                                 .arg(total)
                                 .arg(static_cast<qint64>(rate + 0.5))
                                 .arg(left);
        const QByteArray bytes = text.toLocal8Bit();
        if (m_terminal)
            std::fprintf(stderr, "\r%s\x1b[K", bytes.constData());
        else
            std::fprintf(stderr, "%s\n", bytes.constData());
        std::fflush(stderr);
        m_shown = true;
    }

    const RunState &m_run;
    bool m_enabled;
    bool m_terminal;
    bool m_shown = false;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

// SIGINT and SIGTERM arrive on a pipe, so the stop runs on the event loop like
// a press of Stop and never inside a signal handler.
int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int sig)
{
    const unsigned char byte = static_cast<unsigned char>(sig);
    const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    (void)written;
}

bool installStopSignals()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void restoreStopSignals()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

// Reads one FILE ("-": standard input) into the list.
bool readNameFile(const QString &file, AppContext &ctx, QString &error)
{
    QFile in;
    std::unique_ptr<LineReader> reader;
    if (file == QLatin1String("-")) {
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            error = in.errorString();
            return false;
        }
        reader = std::make_unique<LineReader>(&in);
    } else {
        if (QFileInfo(file).isDir()) {
            error = QStringLiteral("is a folder");
            return false;
        }
        reader = std::make_unique<LineReader>(file);
    }
    if (!reader->open()) {
        error = reader->errorString();
        return false;
    }
    loadNamesFromFile(*reader, ctx.list, ctx.run.suffixes);
    if (reader->failed()) {
        error = reader->errorString();
        return false;
    }
    return true;
}

bool writeReport(QFile &out, const DomainListModel &list)
{
    if (!out.isSequential() && !out.resize(0))
        return false;
    QByteArray buffer;
    buffer.reserve(1 << 20);
    buffer += kReportHeader;
    buffer += kLineEnd;
    for (int r = 0; r < list.size(); ++r) {
        const DomainRow &row = list.rowAt(r);
        for (int c = 0; c < DomainColumnCount; ++c) {
            if (c > 0)
                buffer += '|';
            buffer += encode8bit(row.cells[static_cast<size_t>(c)]);
        }
        buffer += kLineEnd;
        if (buffer.size() >= (1 << 20)) {
            if (out.write(buffer) != buffer.size())
                return false;
            buffer.clear();
        }
    }
    if (out.write(buffer) != buffer.size())
        return false;
    return out.flush();
}

} // namespace

int runCheckCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption dataDirOption(QStringLiteral("data-dir"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption connectionsOption(QStringLiteral("connections"), QString(), QStringLiteral("N"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption retriesOption(QStringLiteral("retries"), QString(), QStringLiteral("N"));
    const QCommandLineOption noRetryOption(QStringLiteral("no-retry"));
    const QCommandLineOption expireDaysOption(QStringLiteral("expire-days"), QString(), QStringLiteral("N"));
    const QCommandLineOption outputOption(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({dataDirOption, connectionsOption, timeoutOption, retriesOption, noRetryOption,
                       expireDaysOption, outputOption, quietOption, helpOption});
    if (!parser.parse(QStringList{QStringLiteral("quorvane-cli check")} + args))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(kCheckUsage, stdout);
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return usageError(QStringLiteral("no FILE given"));
    if (parser.isSet(retriesOption) && parser.isSet(noRetryOption))
        return usageError(QStringLiteral("--retries and --no-retry exclude each other"));
    for (const QCommandLineOption *o : {&connectionsOption, &timeoutOption, &retriesOption, &expireDaysOption}) {
        if (parser.isSet(*o) && !startsWithNumber(parser.value(*o)))
            return usageError(QStringLiteral("--%1 needs a number, not '%2'").arg(o->names().first(), parser.value(*o)));
    }
    if (parser.isSet(outputOption) && parser.value(outputOption).isEmpty())
        return usageError(QStringLiteral("--output needs a file name"));

    QString dataDir;
    if (parser.isSet(dataDirOption)) {
        dataDir = parser.value(dataDirOption);
        if (!QFileInfo(dataDir).isDir())
            return usageError(QStringLiteral("no such folder: %1").arg(dataDir));
        dataDir = QDir(dataDir).absolutePath();
    } else {
        dataDir = defaultDataFolder();
    }
    const bool quiet = parser.isSet(quietOption);

    CliPrompter prompter(quiet);
    CliRunHost host;
    AppContext ctx(dataDir, prompter);
    ctx.loadConfiguration();
    // The command line takes the place of the option boxes.
    if (parser.isSet(connectionsOption))
        ctx.options.connections = parser.value(connectionsOption).trimmed();
    if (parser.isSet(timeoutOption))
        ctx.options.timeoutSecs = parser.value(timeoutOption).trimmed();
    if (parser.isSet(retriesOption)) {
        ctx.options.retry = true;
        ctx.options.retryTimes = parser.value(retriesOption).trimmed();
    }
    if (parser.isSet(noRetryOption))
        ctx.options.retry = false;
    if (parser.isSet(expireDaysOption))
        ctx.options.expireDays = parser.value(expireDaysOption).trimmed();
    // Every name given is checked; there is no selection here.
    ctx.options.checkSelected = false;

    ctx.run.suffixes.mylist(ctx.config.table.tlds());
    for (const QString &file : files) {
        QString error;
        if (!readNameFile(file, ctx, error)) {
            CliPrompter::printError(QStringLiteral("quorvane-cli check: cannot read %1: %2").arg(file, error));
            return 2;
        }
    }

    // The report file is opened now, so a run never starts without a place for
    // its report, but emptied only when the report is written: a run that
    // cannot start leaves an earlier report alone.
    QFile out;
    bool outputExisted = false;
    if (parser.isSet(outputOption)) {
        out.setFileName(parser.value(outputOption));
        outputExisted = out.exists();
        if (!out.open(QIODevice::WriteOnly | QIODevice::Append)) {
            CliPrompter::printError(QStringLiteral("quorvane-cli check: cannot write %1: %2")
                                        .arg(out.fileName(), out.errorString()));
            return 2;
        }
    } else if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        CliPrompter::printError(QStringLiteral("quorvane-cli check: cannot write the report: ") + out.errorString());
        return 1;
    }
    // A reader that goes away (| head) makes the write fail instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);

    CheckEngine engine(ctx, host);
    ProgressLine progress(ctx.run, !quiet);
    prompter.setBeforePrint([&progress] { progress.clear(); });

    int stopSignal = 0;
    if (!installStopSignals()) {
        CliPrompter::printError(QStringLiteral("quorvane-cli check: cannot watch for SIGINT and SIGTERM"));
        return 1;
    }
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        unsigned char byte = 0;
        while (::read(g_signalPipe[0], &byte, 1) == 1) {
            if (stopSignal == 0)
                stopSignal = byte;
        }
        if (engine.running())
            engine.allstopper();
    });

    ctx.run.skipConfirmation = true;
    engine.allstarter();
    if (!engine.running()) {
        restoreStopSignals();
        if (out.fileName().size() > 0 && !outputExisted) {
            out.close();
            out.remove();
        }
        return 1;
    }

    QEventLoop loop;
    bool completed = false;
    QObject::connect(&engine, &CheckEngine::runEnded, &loop, [&](bool c) {
        completed = c;
        loop.quit();
    });
    progress.start();
    loop.exec();
    progress.stop();
    signalNotifier.setEnabled(false);
    restoreStopSignals();

    const bool written = writeReport(out, ctx.list);
    out.close();
    engine.updater();
    for (const QString &line : host.counters)
        CliPrompter::printError(line);
    if (!written) {
        CliPrompter::printError(QStringLiteral("quorvane-cli check: cannot write the report: ") + out.errorString());
        return 1;
    }
    if (stopSignal != 0)
        return 128 + stopSignal;
    return completed ? 0 : 1;
}
