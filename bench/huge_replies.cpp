// Memory under hostile servers: N names at N connections through quorvane-cli
// against a loopback WHOIS server that answers every query with a reply of
// SIZE_MB megabytes, all of them at the same time. The program caps what it
// takes of each reply; the figure is the peak memory of the whole process.
//
//   huge_replies CLI_PATH [NAMES] [SIZE_MB]
//
// Prints NAME VALUE UNIT lines.

#include "common/clirun.h"
#include "common/epollbench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Streams `replyBytes` bytes to every connection once its query line came:
// a short record, then upper- and lower-case filler, then a close. A client
// that closes early ends its stream.
class StreamingServer
{
public:
    explicit StreamingServer(long long replyBytes)
        : m_replyBytes(replyBytes)
    {
        std::string line = "NOTICE: This Reply Goes On And On, Far Beyond What Any Registry Sends.\r\n";
        while (m_filler.size() + line.size() <= 64 * 1024)
            m_filler += line;
        int port = 0;
        m_listen = bench::listenOnLoopback(port);
        if (m_listen < 0)
            return;
        m_port = static_cast<uint16_t>(port);
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        watch(m_listen, EPOLLIN, EPOLL_CTL_ADD);
        watch(m_wake, EPOLLIN, EPOLL_CTL_ADD);
        m_thread = std::thread([this] { loop(); });
    }
    ~StreamingServer()
    {
        const uint64_t one = 1;
        (void)!::write(m_wake, &one, sizeof one);
        if (m_thread.joinable())
            m_thread.join();
        for (size_t fd = 0; fd < m_conns.size(); ++fd) {
            if (m_conns[fd].open)
                ::close(static_cast<int>(fd));
        }
        for (int fd : {m_listen, m_epoll, m_wake})
            ::close(fd);
    }
    uint16_t port() const { return m_port; }

private:
    struct Conn {
        bool open = false;
        bool replying = false;
        std::string in;
        std::string head; // the record before the filler
        long long sent = 0;
    };

    void watch(int fd, uint32_t events, int op)
    {
        epoll_event ev{};
        ev.events = events;
        ev.data.fd = fd;
        ::epoll_ctl(m_epoll, op, fd, &ev);
    }

    void drop(int fd)
    {
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        m_conns[static_cast<size_t>(fd)] = Conn();
    }

    void stream(int fd, Conn &c)
    {
        while (c.sent < m_replyBytes) {
            const char *data = nullptr;
            size_t size = 0;
            if (c.sent < static_cast<long long>(c.head.size())) {
                data = c.head.data() + c.sent;
                size = c.head.size() - static_cast<size_t>(c.sent);
            } else {
                const auto offset = static_cast<size_t>((c.sent - static_cast<long long>(c.head.size())) %
                                                        static_cast<long long>(m_filler.size()));
                data = m_filler.data() + offset;
                size = m_filler.size() - offset;
            }
            size =
                static_cast<size_t>(std::min<long long>(static_cast<long long>(size), m_replyBytes - c.sent));
            const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
            if (n > 0) {
                c.sent += n;
                continue;
            }
            if (n < 0 && errno == EAGAIN) {
                watch(fd, EPOLLOUT, EPOLL_CTL_MOD);
                return;
            }
            drop(fd);
            return;
        }
        drop(fd);
    }

    void loop()
    {
        std::vector<epoll_event> ready(512);
        char buf[4096];
        for (;;) {
            const int n = ::epoll_wait(m_epoll, ready.data(), static_cast<int>(ready.size()), -1);
            for (int i = 0; i < n; ++i) {
                const int fd = ready[i].data.fd;
                if (fd == m_wake)
                    return;
                if (fd == m_listen) {
                    for (int c;
                         (c = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;) {
                        if (static_cast<size_t>(c) >= m_conns.size())
                            m_conns.resize(static_cast<size_t>(c) + 1024);
                        m_conns[static_cast<size_t>(c)].open = true;
                        watch(c, EPOLLIN, EPOLL_CTL_ADD);
                    }
                    continue;
                }
                Conn &c = m_conns[static_cast<size_t>(fd)];
                if (!c.open)
                    continue;
                if (c.replying) {
                    stream(fd, c);
                    continue;
                }
                const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
                if (got <= 0) {
                    if (got == 0 || errno != EAGAIN)
                        drop(fd);
                    continue;
                }
                c.in.append(buf, static_cast<size_t>(got));
                const size_t lf = c.in.find('\n');
                if (lf == std::string::npos)
                    continue;
                std::string query = c.in.substr(0, lf);
                if (!query.empty() && query.back() == '\r')
                    query.pop_back();
                c.head = "Domain Name: " + query +
                         "\r\nRegistry Expiry Date: 2031-02-03T04:05:06Z\r\nDomain Status: ok\r\n";
                c.replying = true;
                stream(fd, c);
            }
        }
    }

    long long m_replyBytes;
    std::string m_filler;
    int m_listen = -1;
    int m_epoll = -1;
    int m_wake = -1;
    uint16_t m_port = 0;
    std::vector<Conn> m_conns;
    std::thread m_thread;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: huge_replies CLI_PATH [NAMES] [SIZE_MB]\n");
        return 2;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const int names = argc > 2 ? std::atoi(argv[2]) : 500;
    const long long megabytes = argc > 3 ? std::atoll(argv[3]) : 50;
    const std::string tag = "huge_replies_" + std::to_string(names);

    QTemporaryDir dir;
    const QString namesFile = QDir(dir.path()).filePath(QStringLiteral("names.txt"));
    const QString report = QDir(dir.path()).filePath(QStringLiteral("report.txt"));
    {
        QFile f(namesFile);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 0; i < names; ++i)
            f.write("huge" + QByteArray::number(i) + ".com\n");
    }
    StreamingServer server(megabytes * 1000 * 1000);
    benchcli::writeSettings(dir.path(), server.port());

    const benchcli::CliResult r =
        benchcli::runCli(cli, {QStringLiteral("check"), QStringLiteral("--data-dir"), dir.path(),
                               QStringLiteral("--connections"), QString::number(names),
                               QStringLiteral("--timeout"), QStringLiteral("60"), QStringLiteral("--quiet"),
                               QStringLiteral("--output"), report, namesFile});
    long taken = 0;
    QFile f(report);
    if (f.open(QIODevice::ReadOnly)) {
        while (!f.atEnd()) {
            if (f.readLine().split('|').value(3) == "Taken")
                ++taken;
        }
    }
    std::printf("%s_cli_exit %d code\n", tag.c_str(), r.exitCode);
    std::printf("%s_taken %ld rows\n", tag.c_str(), taken);
    std::printf("%s_seconds %.2f s\n", tag.c_str(), r.seconds);
    std::printf("%s_peak_rss_mib %.1f MiB\n", tag.c_str(), r.peakRssKiB / 1024.0);
    return 0;
}
