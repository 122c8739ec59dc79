// A whole check run through quorvane-cli: N names at C connections against a
// loopback WHOIS server every TLD of settings.ini points at, next to a bare
// epoll client doing the same exchanges against the same server (the ceiling).
// With a reply delay, the run is measured against its bound, C / delay.
//
//   check_bench CLI_PATH [NAMES] [CONNECTIONS] [DELAY_MS] [CHECK_OPTION...]
//
// Options after DELAY_MS are handed to `quorvane-cli check` (for instance
// --configured-strings-only, to compare a run without the recognition of
// registry replies).
//
// Prints NAME VALUE UNIT lines.

#include "common/clirun.h"
#include "common/epollbench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/timerfd.h>

#include <cstdio>
#include <deque>

namespace {

// The same server with every reply held back `delayMs`: a slow registry.
class DelayedServer
{
public:
    explicit DelayedServer(int delayMs)
        : m_delay(std::chrono::milliseconds(delayMs))
    {
        int port = 0;
        m_listen = bench::listenOnLoopback(port);
        if (m_listen < 0)
            return;
        m_port = static_cast<uint16_t>(port);
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        add(m_listen);
        add(m_wake);
        m_thread = std::thread([this] { loop(); });
    }
    ~DelayedServer()
    {
        const uint64_t one = 1;
        (void)!::write(m_wake, &one, sizeof one);
        if (m_thread.joinable())
            m_thread.join();
        for (int fd : {m_listen, m_epoll, m_wake})
            ::close(fd);
    }
    uint16_t port() const { return m_port; }

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        Clock::time_point due;
        int fd;
        std::string reply;
    };

    void add(int fd)
    {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &ev);
    }

    void loop()
    {
        std::vector<epoll_event> ready(512);
        std::vector<std::string> input;
        char buf[4096];
        for (;;) {
            int wait = -1;
            if (!m_pending.empty()) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    m_pending.front().due - Clock::now());
                wait = static_cast<int>(std::max<long>(0, left.count()));
            }
            const int n = ::epoll_wait(m_epoll, ready.data(), static_cast<int>(ready.size()), wait);
            for (int i = 0; i < n; ++i) {
                const int fd = ready[i].data.fd;
                if (fd == m_wake)
                    return;
                if (fd == m_listen) {
                    for (int c;
                         (c = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;) {
                        if (static_cast<size_t>(c) >= input.size())
                            input.resize(static_cast<size_t>(c) + 1024);
                        input[static_cast<size_t>(c)].clear();
                        add(c);
                    }
                    continue;
                }
                const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
                if (got <= 0) {
                    if (got == 0 || errno != EAGAIN) {
                        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
                        ::close(fd);
                    }
                    continue;
                }
                std::string &in = input[static_cast<size_t>(fd)];
                in.append(buf, static_cast<size_t>(got));
                const size_t lf = in.find('\n');
                if (lf == std::string::npos)
                    continue;
                std::string_view query(in.data(), lf);
                if (!query.empty() && query.back() == '\r')
                    query.remove_suffix(1);
                ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
                m_pending.push_back({Clock::now() + m_delay, fd, benchnet::registryReply(query)});
            }
            // Equal delays: the queue is in deadline order.
            const auto now = Clock::now();
            while (!m_pending.empty() && m_pending.front().due <= now) {
                const Pending &p = m_pending.front();
                // Replies fit the socket buffer; a short send only costs the tail.
                (void)!::send(p.fd, p.reply.data(), p.reply.size(), MSG_NOSIGNAL);
                ::close(p.fd);
                m_pending.pop_front();
            }
        }
    }

    std::chrono::milliseconds m_delay;
    int m_listen = -1;
    int m_epoll = -1;
    int m_wake = -1;
    uint16_t m_port = 0;
    std::deque<Pending> m_pending;
    std::thread m_thread;
};

void writeNames(const QString &path, long count)
{
    static const char *const tlds[] = {"com", "net", "org", "info", "de", "co.uk", "nl", "eu"};
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    QByteArray out;
    for (long i = 0; i < count; ++i) {
        out += QByteArray::number(i % 10) + "bench" + QByteArray::number(i) + '.' + tlds[i % 8] + '\n';
    }
    f.write(out);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: check_bench CLI_PATH [NAMES] [CONNECTIONS] [DELAY_MS] [CHECK_OPTION...]\n");
        return 2;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const long names = argc > 2 ? std::atol(argv[2]) : 100000;
    const int connections = argc > 3 ? std::atoi(argv[3]) : 500;
    const int delayMs = argc > 4 ? std::atoi(argv[4]) : 0;
    const std::string tag = delayMs > 0 ? "check_delay" + std::to_string(delayMs) + "ms" : "check";

    QTemporaryDir dir;
    const QString namesFile = QDir(dir.path()).filePath(QStringLiteral("names.txt"));
    const QString report = QDir(dir.path()).filePath(QStringLiteral("report.txt"));
    writeNames(namesFile, names);

    std::unique_ptr<benchnet::EpollServer> fast;
    std::unique_ptr<DelayedServer> slow;
    uint16_t port = 0;
    if (delayMs > 0) {
        slow = std::make_unique<DelayedServer>(delayMs);
        port = slow->port();
    } else {
        fast = std::make_unique<benchnet::EpollServer>(
            [](std::string_view q) { return benchnet::registryReply(q); });
        port = fast->port();
    }
    benchcli::writeSettings(dir.path(), port);

    QStringList args{QStringLiteral("check"),
                     QStringLiteral("--data-dir"),
                     dir.path(),
                     QStringLiteral("--connections"),
                     QString::number(connections),
                     QStringLiteral("--timeout"),
                     QStringLiteral("10"),
                     QStringLiteral("--quiet"),
                     QStringLiteral("--output"),
                     report};
    for (int i = 5; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    args << namesFile;
    const benchcli::CliResult r = benchcli::runCli(cli, args);
    const benchcli::ReportCounts counted = benchcli::countReport(report);
    const double cliRate = r.seconds > 0 ? names / r.seconds : 0;
    std::printf("%s_cli_exit %d code\n", tag.c_str(), r.exitCode);
    std::printf("%s_cli_rows %ld rows\n", tag.c_str(), counted.rows);
    std::printf("%s_cli_unchecked %ld rows\n", tag.c_str(), counted.unchecked);
    std::printf("%s_cli_seconds %.2f s\n", tag.c_str(), r.seconds);
    std::printf("%s_cli_rate %.0f names/s\n", tag.c_str(), cliRate);
    std::printf("%s_cli_peak_rss %.1f MiB\n", tag.c_str(), r.peakRssKiB / 1024.0);

    if (delayMs > 0) {
        const double bound = connections * 1000.0 / delayMs;
        std::printf("%s_bound %.0f names/s\n", tag.c_str(), bound);
        std::printf("%s_cli_of_bound %.1f %%\n", tag.c_str(), 100.0 * cliRate / bound);
    } else {
        const benchnet::ClientResult c =
            benchnet::runEpollClient(port, connections, names, "0bench1.com\r\n");
        const double ceiling = c.seconds > 0 ? c.cycles / c.seconds : 0;
        std::printf("%s_epoll_rate %.0f names/s\n", tag.c_str(), ceiling);
        std::printf("%s_epoll_failures %ld cycles\n", tag.c_str(), c.failures);
        std::printf("%s_cli_of_epoll %.1f %%\n", tag.c_str(), ceiling > 0 ? 100.0 * cliRate / ceiling : 0);
    }
    return 0;
}
