// A whole check run through quorvane-cli over RDAP: N names at C connections,
// every TLD of the default table served by an RDAP server of its own on
// loopback (one port each), next to the same names over WHOIS in the same run
// of this program, so the two rates are measured side by side.
//
// Why one port per TLD: Qt's network stack keeps at most six HTTP/1.1
// connections to one host (scheme, host and port); further requests to it
// wait for one of them. Real registries each run their own RDAP host, and a
// list of names spreads over many TLDs, so a run's requests spread over many
// hosts; one loopback port per TLD models that. The names here cycle through
// all 111 TLDs, so 500 slots keep about 4.5 requests per host in flight, below
// the six, and no request waits for a connection. The servers keep
// connections open (HTTP/1.1 keep-alive), as real RDAP servers do.
//
//   rdap_bench CLI_PATH [NAMES] [CONNECTIONS]
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

bool isFree(std::string_view name)
{
    return !name.empty() && (name[0] - '0') % 3 == 0;
}

// A registry's answer of the usual size: every third name free (404 with an
// RDAP error object), the others taken with expiry, status and notices.
std::string rdapResponse(std::string_view name)
{
    std::string body;
    int status = 200;
    if (isFree(name)) {
        status = 404;
        body = R"({"errorCode":404,"title":"Not Found","description":["The domain )" + std::string(name) +
               R"( is not registered."]})";
    } else {
        body =
            R"({"objectClassName":"domain","handle":"1_DOMAIN","ldhName":")" + std::string(name) +
            R"(","status":["client transfer prohibited"],"events":[)"
            R"({"eventAction":"registration","eventDate":"2001-02-03T04:05:06Z"},)"
            R"({"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"},)"
            R"({"eventAction":"last update of RDAP database","eventDate":"2026-01-15T00:00:00Z"}],)"
            R"("entities":[{"objectClassName":"entity","handle":"376","roles":["registrar"],)"
            R"("vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar, Inc."]]]}],)"
            R"("rdapConformance":["rdap_level_0"],"notices":[{"title":"Terms of Use","description":[)"
            R"("Service subject to Terms of Use."]}]})";
    }
    return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
           "\r\nContent-Type: application/rdap+json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// The same names over WHOIS, as the WHOIS benchmark answers them.
std::string whoisReply(std::string_view query)
{
    std::string r;
    if (isFree(query)) {
        r = "No match for \"" + std::string(query) + "\".\r\n";
    } else {
        r = "Domain Name: " + std::string(query) +
            "\r\nRegistrar: Example Registrar, Inc.\r\n"
            "Creation Date: 2001-02-03T04:05:06Z\r\nRegistry Expiry Date: 2031-02-03T04:05:06Z\r\n"
            "Domain Status: clientTransferProhibited https://icann.org/epp#clientTransferProhibited\r\n";
    }
    r += ">>> Last update of whois database: 2026-01-15T00:00:00Z <<<\r\n";
    while (r.size() < 600)
        r += "NOTICE: The expiration date displayed in this record is the date the registrar's sponsorship "
             "ends.\r\n";
    return r;
}

// HTTP/1.1 servers on many loopback ports, one thread, keep-alive: each
// request line "GET /domain/NAME ..." is answered, the connection stays open.
class RdapServers
{
public:
    explicit RdapServers(int ports)
    {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        add(m_wake);
        for (int i = 0; i < ports; ++i) {
            int port = 0;
            const int fd = bench::listenOnLoopback(port);
            if (fd < 0)
                break;
            m_listen.push_back(fd);
            m_ports.push_back(static_cast<uint16_t>(port));
            add(fd);
        }
        m_thread = std::thread([this] { loop(); });
    }
    ~RdapServers()
    {
        const uint64_t one = 1;
        (void)!::write(m_wake, &one, sizeof one);
        if (m_thread.joinable())
            m_thread.join();
        for (size_t fd = 0; fd < m_conns.size(); ++fd) {
            if (m_conns[fd].open)
                ::close(static_cast<int>(fd));
        }
        for (int fd : m_listen)
            ::close(fd);
        ::close(m_epoll);
        ::close(m_wake);
    }
    const std::vector<uint16_t> &ports() const { return m_ports; }
    long served() const { return m_served.load(); }
    long connections() const { return m_accepted.load(); }

private:
    struct Conn {
        bool open = false;
        std::string in;
        std::string out;
        size_t sent = 0;
    };

    void add(int fd, uint32_t events = EPOLLIN)
    {
        epoll_event ev{};
        ev.events = events;
        ev.data.fd = fd;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &ev);
    }
    void drop(int fd)
    {
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        m_conns[static_cast<size_t>(fd)] = Conn();
    }
    bool isListen(int fd) const { return std::find(m_listen.begin(), m_listen.end(), fd) != m_listen.end(); }
    // Sends what is pending; false when the connection is gone.
    bool flush(int fd, Conn &c)
    {
        while (c.sent < c.out.size()) {
            const ssize_t n = ::send(fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
            if (n > 0) {
                c.sent += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EAGAIN) {
                epoll_event ev{};
                ev.events = EPOLLIN | EPOLLOUT;
                ev.data.fd = fd;
                ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &ev);
                return true;
            }
            drop(fd);
            return false;
        }
        c.out.clear();
        c.sent = 0;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &ev);
        return true;
    }
    void answer(Conn &c)
    {
        for (;;) {
            const size_t end = c.in.find("\r\n\r\n");
            if (end == std::string::npos)
                return;
            const std::string_view line(c.in.data(), c.in.find("\r\n"));
            const size_t slash = line.find("/domain/");
            const size_t space = line.find(' ', slash == std::string_view::npos ? 0 : slash);
            std::string_view name;
            if (slash != std::string_view::npos && space != std::string_view::npos)
                name = line.substr(slash + 8, space - slash - 8);
            c.out += rdapResponse(name);
            ++m_served;
            c.in.erase(0, end + 4);
        }
    }
    void loop()
    {
        std::vector<epoll_event> ready(512);
        char buf[8192];
        for (;;) {
            const int n = ::epoll_wait(m_epoll, ready.data(), static_cast<int>(ready.size()), -1);
            for (int i = 0; i < n; ++i) {
                const int fd = ready[i].data.fd;
                if (fd == m_wake)
                    return;
                if (isListen(fd)) {
                    for (int c; (c = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;) {
                        if (static_cast<size_t>(c) >= m_conns.size())
                            m_conns.resize(static_cast<size_t>(c) + 1024);
                        m_conns[static_cast<size_t>(c)].open = true;
                        ++m_accepted;
                        add(c);
                    }
                    continue;
                }
                Conn &c = m_conns[static_cast<size_t>(fd)];
                if (!c.open)
                    continue;
                if (ready[i].events & EPOLLOUT) {
                    if (!flush(fd, c))
                        continue;
                }
                if (!(ready[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)))
                    continue;
                const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
                if (got <= 0) {
                    if (got == 0 || errno != EAGAIN)
                        drop(fd);
                    continue;
                }
                c.in.append(buf, static_cast<size_t>(got));
                answer(c);
                if (!c.out.empty())
                    flush(fd, c);
            }
        }
    }

    int m_epoll = -1;
    int m_wake = -1;
    std::vector<int> m_listen;
    std::vector<uint16_t> m_ports;
    std::vector<Conn> m_conns;
    std::atomic<long> m_served{0};
    std::atomic<long> m_accepted{0};
    std::thread m_thread;
};

// settings.ini in `folder`: the default TLDs and responses, TLD i served by `servers(i)`.
template <typename ServerOf> int writeSettings(const QString &folder, ServerOf servers)
{
    WhoisConfig config;
    TldServerTable defaults;
    deftlds(defaults);
    int i = 0;
    for (const TldEntry &e : defaults.rows())
        config.table.AddTldEntry(e.key, servers(i++), e.freeResponse);
    config.freeResponses = defaultFreeResponses();
    config.errorResponses = defaultErrorResponses();
    ProgramOptions options;
    YesPrompter prompter;
    SaveSettings(folder, config, options, prompter);
    return i;
}

QStringList tableTlds()
{
    TldServerTable defaults;
    deftlds(defaults);
    return defaults.tlds();
}

void writeNames(const QString &path, long count, const QStringList &tlds)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    QByteArray out;
    for (long i = 0; i < count; ++i)
        out += QByteArray::number(i % 10) + "bench" + QByteArray::number(i) + '.' +
               tlds[static_cast<int>(i % tlds.size())].toLatin1() + '\n';
    f.write(out);
}

// Rows of the report, and those whose Availability is "N/A" (not checked).
std::pair<long, long> countReport(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {0, 0};
    long lines = 0;
    long unchecked = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        ++lines;
        if (line.split('|').value(3) == "N/A")
            ++unchecked;
    }
    return {lines - 1, unchecked};
}

benchcli::CliResult runCheck(const QString &cli, const QString &folder, const QString &names,
                             const QString &report, int connections)
{
    return benchcli::runCli(cli, {QStringLiteral("check"), QStringLiteral("--data-dir"), folder,
                                  QStringLiteral("--connections"), QString::number(connections),
                                  QStringLiteral("--timeout"), QStringLiteral("10"), QStringLiteral("--rdap"),
                                  QStringLiteral("off"), QStringLiteral("--quiet"),
                                  QStringLiteral("--output"), report, names});
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: rdap_bench CLI_PATH [NAMES] [CONNECTIONS]\n");
        return 2;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const long names = argc > 2 ? std::atol(argv[2]) : 100000;
    const int connections = argc > 3 ? std::atoi(argv[3]) : 500;

    const QStringList tlds = tableTlds();
    QTemporaryDir rdapDir;
    QTemporaryDir whoisDir;
    const QString namesFile = QDir(rdapDir.path()).filePath(QStringLiteral("names.txt"));
    writeNames(namesFile, names, tlds);

    // WHOIS first, one server for every TLD, as the WHOIS benchmark runs it.
    double whoisRate = 0;
    {
        benchnet::EpollServer whois([](std::string_view q) { return whoisReply(q); });
        const QString server = QStringLiteral("127.0.0.1:%1").arg(whois.port());
        writeSettings(whoisDir.path(), [&](int) { return server; });
        const QString report = QDir(whoisDir.path()).filePath(QStringLiteral("report.txt"));
        const benchcli::CliResult r = runCheck(cli, whoisDir.path(), namesFile, report, connections);
        whoisRate = r.seconds > 0 ? names / r.seconds : 0;
        std::printf("rdap_whois_side_rate %.0f names/s\n", whoisRate);
    }

    RdapServers rdap(static_cast<int>(tlds.size()));
    const std::vector<uint16_t> &ports = rdap.ports();
    writeSettings(rdapDir.path(), [&](int i) {
        return QStringLiteral("http://127.0.0.1:%1/rdap/").arg(ports[static_cast<size_t>(i) % ports.size()]);
    });
    const QString report = QDir(rdapDir.path()).filePath(QStringLiteral("report.txt"));
    const benchcli::CliResult r = runCheck(cli, rdapDir.path(), namesFile, report, connections);
    const auto [rows, unchecked] = countReport(report);
    const double rate = r.seconds > 0 ? names / r.seconds : 0;
    std::printf("rdap_check_exit %d code\n", r.exitCode);
    std::printf("rdap_check_rows %ld rows\n", rows);
    std::printf("rdap_check_unchecked %ld rows\n", unchecked);
    std::printf("rdap_check_hosts %zu ports\n", ports.size());
    std::printf("rdap_check_connections %ld connections\n", rdap.connections());
    std::printf("rdap_check_seconds %.2f s\n", r.seconds);
    std::printf("rdap_check_rate %.0f names/s\n", rate);
    std::printf("rdap_peak_rss_mib %.1f MiB\n", r.peakRssKiB / 1024.0);
    std::printf("rdap_of_whois %.1f %%\n", whoisRate > 0 ? 100.0 * rate / whoisRate : 0);
    return 0;
}
