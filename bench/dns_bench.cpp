// The DNS pre-check through quorvane-cli: 100,000 names against a loopback DNS
// responder that delegates all of them (names settled a second), then 100,000
// names of which 70 % are delegated (WHOIS queries sent, names made free by DNS).
#include "common/clirun.h"
#include "common/epollbench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace {

// A UDP responder on its own thread: NS records for a delegated name, NXDOMAIN otherwise.
class DnsResponder
{
public:
    explicit DnsResponder(int delegatedOfTen)
        : m_delegatedOfTen(delegatedOfTen)
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        int size = 8 << 20;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~DnsResponder()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    uint16_t port() const { return m_port; }
    // A name is delegated by its first digit, as the benchmark names begin.
    static bool delegated(std::string_view name, int ofTen) { return !name.empty() && name[0] - '0' < ofTen; }

private:
    void serve()
    {
        unsigned char in[512];
        std::string out;
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = ::recvfrom(m_fd, in, sizeof in, 0, reinterpret_cast<sockaddr *>(&from), &len);
            if (n < 12)
                continue;
            // The question: labels up to the empty one, then type and class.
            size_t i = 12;
            std::string name;
            while (i < static_cast<size_t>(n) && in[i] != 0) {
                if (!name.empty())
                    name += '.';
                name.append(reinterpret_cast<const char *>(in + i + 1), in[i]);
                i += 1 + in[i];
            }
            const size_t end = i + 5;
            if (end > static_cast<size_t>(n))
                continue;
            const bool yes = delegated(name, m_delegatedOfTen);
            out.assign(reinterpret_cast<const char *>(in), end);
            out[2] = static_cast<char>(0x80 | (in[2] & 0x01)); // QR, RD copied
            out[3] = static_cast<char>(yes ? 0x80 : 0x83);     // RA; NXDOMAIN
            out[4] = 0, out[5] = 1;
            out[6] = 0, out[7] = yes ? 1 : 0;
            out[8] = out[9] = out[10] = out[11] = 0;
            // NS ns1.test: the question's name, type, class, TTL, 10 bytes of name.
            if (yes)
                out.append("\xc0\x0c\x00\x02\x00\x01\x00\x00\x0e\x10\x00\x0a\x03ns1\x04test", 21)
                    .push_back('\0');
            ::sendto(m_fd, out.data(), out.size(), 0, reinterpret_cast<sockaddr *>(&from), len);
        }
    }

    int m_delegatedOfTen;
    int m_fd = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

struct RunFigures {
    double seconds = 0;
    long rows = 0;
    long whoisQueries = 0;
    long freeByDns = 0; // delegated names the report calls free
};

RunFigures runOnce(const QString &cli, long names, int delegatedOfTen)
{
    std::atomic<long> asked{0};
    benchnet::EpollServer whois([&asked](std::string_view q) {
        ++asked;
        return benchnet::registryReply(q);
    });
    DnsResponder dns(delegatedOfTen);
    QTemporaryDir dir;
    const QString namesFile = QDir(dir.path()).filePath(QStringLiteral("names.txt"));
    const QString report = QDir(dir.path()).filePath(QStringLiteral("report.txt"));
    QFile f(namesFile);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    QByteArray out;
    for (long i = 0; i < names; ++i)
        out += QByteArray::number(i % 10) + "dns" + QByteArray::number(i) + ".com\n";
    f.write(out);
    f.close();
    benchcli::writeSettings(dir.path(), whois.port());
    const benchcli::CliResult r = benchcli::runCli(
        cli, {QStringLiteral("check"), QStringLiteral("--data-dir"), dir.path(),
              QStringLiteral("--connections"), QStringLiteral("500"), QStringLiteral("--quiet"),
              QStringLiteral("--dns"), QStringLiteral("first"), QStringLiteral("--dns-server"),
              QStringLiteral("127.0.0.1:%1").arg(dns.port()), QStringLiteral("--output"), report, namesFile});
    RunFigures figures;
    figures.seconds = r.seconds;
    figures.whoisQueries = asked;
    QFile in(report);
    if (in.open(QIODevice::ReadOnly)) {
        in.readLine();
        while (!in.atEnd()) {
            const QList<QByteArray> cells = in.readLine().split('|');
            ++figures.rows;
            if (DnsResponder::delegated(cells.value(0).toStdString(), delegatedOfTen) &&
                cells.value(3) == "FREE")
                ++figures.freeByDns;
        }
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dns_bench CLI_PATH [NAMES]\n");
        return 2;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const long names = argc > 2 ? std::atol(argv[2]) : 100000;
    const RunFigures all = runOnce(cli, names, 10);
    std::printf("dns_all_delegated_rows %ld rows\n", all.rows);
    std::printf("dns_all_delegated_seconds %.2f s\n", all.seconds);
    std::printf("dns_settled_rate %.0f names/s\n", all.seconds > 0 ? names / all.seconds : 0);
    std::printf("dns_all_delegated_whois_queries %ld queries\n", all.whoisQueries);
    const RunFigures most = runOnce(cli, names, 7);
    std::printf("dns_70pc_rows %ld rows\n", most.rows);
    std::printf("dns_70pc_seconds %.2f s\n", most.seconds);
    std::printf("dns_70pc_whois_queries %ld queries\n", most.whoisQueries);
    std::printf("dns_70pc_free_by_dns %ld names\n", most.freeByDns);
    return 0;
}
