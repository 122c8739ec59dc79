#pragma once

// Running quorvane-cli from a benchmark: a data folder whose settings.ini sends
// every default TLD to one loopback server, and one run of the program with
// its wall time and peak memory.

#include "common/yesprompter.h"

#include "config/deftlds.h"
#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace benchcli {

struct CliResult {
    int exitCode = -1;
    double seconds = 0;
    long peakRssKiB = 0;
};

// Runs the program with `args`; its standard error (progress, counts) is not a figure.
// A run still going after `limitSeconds` (when above 0) is stopped with SIGINT,
// as a user stops it.
inline CliResult runCli(const QString &cli, const QStringList &args, double limitSeconds = 0)
{
    CliResult r;
    std::vector<QByteArray> storage;
    storage.push_back(cli.toLocal8Bit());
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (limitSeconds <= 0) {
        ::wait4(pid, &status, 0, &usage);
    } else {
        bool stopped = false;
        while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
            if (!stopped &&
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() > limitSeconds) {
                ::kill(pid, SIGINT);
                stopped = true;
            }
            ::usleep(20 * 1000);
        }
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.peakRssKiB = usage.ru_maxrss;
    return r;
}

// settings.ini in `folder`: the default TLDs and responses, the i-th TLD of
// the table served by `serverOf(i)` (a WHOIS "host:port" or an RDAP base URL).
inline void writeSettings(const QString &folder, const std::function<QString(int)> &serverOf)
{
    WhoisConfig config;
    TldServerTable defaults;
    deftlds(defaults);
    int i = 0;
    for (const TldEntry &e : defaults.rows())
        config.table.AddTldEntry(e.key, serverOf(i++), e.freeResponse);
    config.freeResponses = defaultFreeResponses();
    config.errorResponses = defaultErrorResponses();
    ProgramOptions options;
    YesPrompter prompter;
    SaveSettings(folder, config, options, prompter);
    // An RDAP bootstrap that knows no real TLD: a name whose lookups fail must
    // not fall back to RDAP servers on the Internet.
    QFile bootstrap(folder + QStringLiteral("/rdap-dns.json"));
    if (bootstrap.open(QIODevice::WriteOnly))
        bootstrap.write(R"({"services":[[["invalid"],["http://127.0.0.1:9/"]]]})");
}

// Every TLD served by 127.0.0.1:`port`.
inline void writeSettings(const QString &folder, uint16_t port)
{
    const QString server = QStringLiteral("127.0.0.1:%1").arg(port);
    writeSettings(folder, [&server](int) { return server; });
}

struct ReportCounts {
    long rows = 0;
    long unchecked = 0; // Availability "N/A"
    long taken = 0;     // Availability "Taken"
};

// The rows of a report in the default format (a title line, then one line per
// domain, cells split at "|").
inline ReportCounts countReport(const QString &path)
{
    ReportCounts counts;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return counts;
    f.readLine();
    while (!f.atEnd()) {
        const QByteArray availability = f.readLine().split('|').value(3);
        ++counts.rows;
        if (availability == "N/A")
            ++counts.unchecked;
        else if (availability == "Taken")
            ++counts.taken;
    }
    return counts;
}

} // namespace benchcli
