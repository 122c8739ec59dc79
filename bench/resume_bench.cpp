// Going on with an interrupted run of N names, half of them finished: the time
// from the start of `quorvane-cli check --resume` to its first query, and the
// program's peak memory. The run is stopped with SIGTERM a second after its
// first query, so the figure includes the rebuild of the whole list and the
// report, as at the end of a run.
//
//   resume_bench CLI_PATH [NAMES] [fresh]
//
// With "fresh", the same names are given to a check of their own instead, for
// the figures of a run that starts afresh. With "kill", that check is killed
// (SIGKILL) three seconds after its first query: how many of the results the
// server had given were not in temp.txt, next to the results of one second.
//
// Prints NAME VALUE UNIT lines.

#include "common/clirun.h"
#include "common/epollbench.h"

#include "engine/runjournal.h"
#include "engine/workfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: resume_bench CLI_PATH [NAMES] [fresh]\n");
        return 2;
    }
    const QByteArray cli = argv[1];
    const long names = argc > 2 ? std::atol(argv[2]) : 1000000;
    const bool killRun = argc > 3 && std::strcmp(argv[3], "kill") == 0;
    const bool fresh = killRun || (argc > 3 && std::strcmp(argv[3], "fresh") == 0);
    const char *tag = killRun ? "kill" : fresh ? "resume_fresh" : "resume";

    using Clock = std::chrono::steady_clock;
    std::atomic<Clock::rep> firstQuery{0};
    std::atomic<long> answered{0};
    benchnet::EpollServer server([&](std::string_view q) {
        ++answered;
        Clock::rep none = 0;
        firstQuery.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        return benchnet::registryReply(q);
    });
    QTemporaryDir dir;
    benchcli::writeSettings(dir.path(), server.port());

    static const char *const tlds[] = {"com", "net", "org", "info", "de", "co.uk", "nl", "eu"};
    RunJournal journal;
    journal.connections = QStringLiteral("500");
    journal.timeoutSecs = QStringLiteral("10");
    journal.retryTimes = QStringLiteral("2");
    journal.expireDays = QStringLiteral("30");
    journal.recognition = true;
    journal.names.reserve(names);
    WorkFileWriter temp;
    temp.open(QDir(dir.path()).filePath(QStringLiteral("temp.txt")), true);
    for (long i = 0; i < names; ++i) {
        journal.names << QStringLiteral("%1bench%2.%3").arg(i % 10).arg(i).arg(QLatin1String(tlds[i % 8]));
        if (i % 2 == 0)
            temp.writeLine({journal.names.last(), u"FREE", u"N/A", u"N/A"});
    }
    temp.close();
    const QByteArray namesFile = QDir(dir.path()).filePath(QStringLiteral("names.txt")).toLocal8Bit();
    if (fresh) {
        QFile list(QString::fromLocal8Bit(namesFile));
        if (list.open(QIODevice::WriteOnly))
            list.write(encode8bit(journal.names.join(u'\n')));
    } else if (const auto error = journal.write(dir.path())) {
        std::fprintf(stderr, "cannot write the journal: %s\n", qPrintable(*error));
        return 1;
    }
    journal.names.clear();
    journal.names.squeeze();

    const QByteArray folder = dir.path().toLocal8Bit();
    const QByteArray report = QDir(dir.path()).filePath(QStringLiteral("report.txt")).toLocal8Bit();
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDERR_FILENO);
        ::execl(cli.constData(), cli.constData(), "check", fresh ? namesFile.constData() : "--resume",
                "--quiet", "--data-dir", folder.constData(), "--output", report.constData(),
                static_cast<char *>(nullptr));
        ::_exit(127);
    }
    while (firstQuery.load() == 0 && Clock::now() - start < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const Clock::rep first = firstQuery.load();
    if (killRun) {
        const Clock::time_point firstAt{Clock::duration(first)};
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const long given = answered.load();
        const double seconds = std::chrono::duration<double>(Clock::now() - firstAt).count();
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        QFile temp(QDir(dir.path()).filePath(QStringLiteral("temp.txt")));
        temp.open(QIODevice::ReadOnly);
        const long saved = temp.readAll().count("\r\n");
        std::printf("kill_results_per_second %.0f results\n", given / seconds);
        std::printf("kill_lost_results %ld results\n", std::max(0L, given - saved));
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ::kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);

    qint64 rows = 0;
    QFile out(QString::fromLocal8Bit(report));
    if (out.open(QIODevice::ReadOnly)) {
        while (!out.atEnd())
            rows += out.readLine().endsWith('\n') ? 1 : 0;
    }
    const double toFirst =
        first == 0 ? -1
                   : std::chrono::duration<double>(Clock::duration(first) - start.time_since_epoch()).count();
    std::printf("%s_first_query %.2f s\n", tag, toFirst);
    std::printf("%s_peak_rss %.1f MiB\n", tag, usage.ru_maxrss / 1024.0);
    std::printf("%s_exit %d code\n", tag, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::printf("%s_report_rows %lld rows\n", tag, static_cast<long long>(rows > 0 ? rows - 1 : 0));
    return 0;
}
