// Whole check runs through quorvane-cli at C connections against loopback
// registries that limit how fast one client may ask them, the way real ones
// do: each server has an allowance (a token bucket holding one second's worth
// of queries, refilled at the allowance), and beyond it
//
//   notice  - answers a throttling notice (no free or taken text);
//   ban     - announces a ban of 8 s, during which every query gets the notice;
//   silent  - reads the query and never answers, keeping the connection open;
//   rdap    - an RDAP server (HTTP/1.1 keep-alive) answering 429 with Retry-After: 1.
//
// Within the allowance a server answers the plain free or taken reply of the
// name (every third name free, by its first digit), so every name's right
// answer is known. For each scenario the bench prints how many names came back
// right, the rate the servers answered at (names / (first query .. last
// answer)) as a fraction of the allowance, and the notices a name cost.
//
//   pacing_bench CLI_PATH [CONNECTIONS] [SCENARIO...]
//
// Scenarios: notice40 ban20 silent40 rdap20 mixed notice40_off (the first
// with --pacing off, the behaviour before pacing); default: all of them.
// Prints NAME VALUE UNIT lines.

#include "common/clirun.h"
#include "common/epollbench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <signal.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

enum class Beyond { Notice, Ban, Silent, Rdap429, Nothing };

constexpr int kBanSeconds = 8;

// What the servers of one run saw, on their threads; read once the run is over.
struct Traffic {
    std::atomic<long> queries{0};
    std::atomic<long> answers{0}; // plain free or taken replies
    std::atomic<long> notices{0}; // throttling notices, 429s, queries left unanswered
    // Microseconds since the bench started; -1 while none.
    std::atomic<long long> firstQuery{-1};
    std::atomic<long long> lastAnswer{-1};
    // Answers and notices in each second of the run, for PACING_BENCH_TRACE.
    std::atomic<int> answersIn[600] = {};
    std::atomic<int> noticesIn[600] = {};
};

const Clock::time_point kStart = Clock::now();

long long microsNow()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - kStart).count();
}

// One registry's allowance and what it does beyond it.
class Registry
{
public:
    Registry(Beyond beyond, double perSecond, Traffic &traffic)
        : m_beyond(beyond)
        , m_perSecond(perSecond)
        , m_tokens(perSecond)
        , m_traffic(traffic)
    {
    }

    // Whether the query arriving now is answered; counts it.
    bool admit()
    {
        const long long now = microsNow();
        long long first = -1;
        m_traffic.firstQuery.compare_exchange_strong(first, now);
        ++m_traffic.queries;
        if (m_beyond == Beyond::Nothing)
            return true;
        const Clock::time_point t = Clock::now();
        if (m_banned && t < m_banEnd)
            return false;
        m_banned = false;
        const double elapsed = std::chrono::duration<double>(t - m_refilled).count();
        m_refilled = t;
        m_tokens = std::min(m_perSecond, m_tokens + elapsed * m_perSecond);
        if (m_tokens >= 1) {
            m_tokens -= 1;
            return true;
        }
        if (m_beyond == Beyond::Ban) {
            m_banned = true;
            m_banEnd = t + std::chrono::seconds(kBanSeconds);
        }
        return false;
    }

    void answered()
    {
        ++m_traffic.answers;
        m_traffic.lastAnswer = microsNow();
        ++m_traffic.answersIn[second()];
    }

    void refused()
    {
        ++m_traffic.notices;
        ++m_traffic.noticesIn[second()];
    }

    // Seconds left of the ban, rounded up.
    int banLeft() const
    {
        const double left = std::chrono::duration<double>(m_banEnd - Clock::now()).count();
        return std::max(1, static_cast<int>(std::ceil(left)));
    }

    Beyond beyond() const { return m_beyond; }

private:
    size_t second() const
    {
        const long long first = m_traffic.firstQuery.load();
        return static_cast<size_t>(std::clamp((microsNow() - first) / 1000000, 0LL, 599LL));
    }

    Beyond m_beyond;
    double m_perSecond;
    double m_tokens;
    Clock::time_point m_refilled = Clock::now();
    bool m_banned = false;
    Clock::time_point m_banEnd;
    Traffic &m_traffic;
};

// A WHOIS registry on a loopback port of its own.
class WhoisRegistry
{
public:
    WhoisRegistry(Beyond beyond, double perSecond, Traffic &traffic)
        : m_registry(beyond, perSecond, traffic)
        , m_server([this](benchnet::LoopbackServer::Conn &c) { answer(c); })
    {
    }
    uint16_t port() const { return m_server.port(); }

private:
    void answer(benchnet::LoopbackServer::Conn &c)
    {
        const auto query = benchnet::whoisQuery(c.in);
        if (!query)
            return;
        if (m_registry.admit()) {
            c.out = benchnet::registryReply(*query);
            c.closeWhenSent = true;
            m_registry.answered();
        } else {
            m_registry.refused();
            switch (m_registry.beyond()) {
            case Beyond::Silent:
                break; // the connection stays open, unanswered, until the client gives up
            case Beyond::Ban:
                c.out = "% Query rate limit exceeded. Your address is blocked, please wait " +
                        std::to_string(m_registry.banLeft()) + " seconds.\r\n";
                c.closeWhenSent = true;
                break;
            default:
                c.out = "% Query rate limit exceeded\r\n";
                c.closeWhenSent = true;
                break;
            }
        }
        c.in.clear();
    }

    Registry m_registry;
    benchnet::LoopbackServer m_server;
};

std::string rdapResponse(std::string_view name)
{
    std::string body;
    std::string status;
    if (benchnet::isFreeName(name)) {
        status = "404 Not Found";
        body = R"({"errorCode":404,"title":"Not Found"})";
    } else {
        status = "200 OK";
        body = R"({"objectClassName":"domain","ldhName":")" + std::string(name) +
               R"(","status":["active"],"events":[)"
               R"({"eventAction":"registration","eventDate":"2001-02-03T04:05:06Z"},)"
               R"({"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"}]})";
    }
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: application/rdap+json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// An RDAP registry on a loopback port of its own, keeping connections open.
class RdapRegistry
{
public:
    RdapRegistry(double perSecond, Traffic &traffic)
        : m_registry(Beyond::Rdap429, perSecond, traffic)
        , m_server([this](benchnet::LoopbackServer::Conn &c) { answer(c); })
    {
    }
    uint16_t port() const { return m_server.port(); }

private:
    void answer(benchnet::LoopbackServer::Conn &c)
    {
        for (size_t end; (end = c.in.find("\r\n\r\n")) != std::string::npos; c.in.erase(0, end + 4)) {
            const std::string_view line(c.in.data(), c.in.find("\r\n"));
            const size_t slash = line.find("/domain/");
            const size_t space = line.find(' ', slash == std::string_view::npos ? 0 : slash);
            std::string_view name;
            if (slash != std::string_view::npos && space != std::string_view::npos)
                name = line.substr(slash + 8, space - slash - 8);
            if (m_registry.admit()) {
                c.out += rdapResponse(name);
                m_registry.answered();
            } else {
                m_registry.refused();
                static const std::string body = R"({"errorCode":429,"title":"Too Many Requests"})";
                c.out += "HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\nContent-Type: "
                         "application/rdap+json\r\nContent-Length: " +
                         std::to_string(body.size()) + "\r\n\r\n" + body;
            }
        }
    }

    Registry m_registry;
    benchnet::LoopbackServer m_server;
};

int tldIndex(const QString &tld)
{
    TldServerTable defaults;
    deftlds(defaults);
    return static_cast<int>(defaults.tlds().indexOf(tld));
}

// `count` names; the i-th of the TLD `tldOf(i)`.
void writeNames(const QString &path, long count, const std::function<const char *(long)> &tldOf)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    QByteArray out;
    for (long i = 0; i < count; ++i)
        out += QByteArray::number(i % 10) + "bench" + QByteArray::number(i) + '.' + tldOf(i) + '\n';
    f.write(out);
}

// Names of the report whose availability is the one their registry gave.
long rightNames(const QString &report)
{
    long right = 0;
    QFile f(report);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    f.readLine();
    while (!f.atEnd()) {
        const QList<QByteArray> cells = f.readLine().split('|');
        const QByteArray name = cells.value(0);
        const bool free = benchnet::isFreeName(std::string_view(name.constData(), name.size()));
        right += cells.value(3) == (free ? "FREE" : "Taken") ? 1 : 0;
    }
    return right;
}

struct Scenario {
    const char *tag;
    long names;
    double perSecond;
    double idealSeconds; // what a client that keeps the allowance exactly needs
    Beyond beyond;
    QStringList options; // beyond the common ones
};

struct Outcome {
    benchcli::CliResult run;
    long right = 0;
    double seconds = 0; // first query .. last answer the servers saw
};

Outcome runScenario(const QString &cli, const QTemporaryDir &dir, int connections, const Scenario &s,
                    const Traffic &traffic)
{
    const QString names = QDir(dir.path()).filePath(QStringLiteral("names.txt"));
    const QString report = QDir(dir.path()).filePath(QStringLiteral("report.txt"));
    QStringList args{QStringLiteral("check"),
                     QStringLiteral("--data-dir"),
                     dir.path(),
                     QStringLiteral("--connections"),
                     QString::number(connections),
                     QStringLiteral("--quiet"),
                     QStringLiteral("--output"),
                     report};
    args << s.options << names;
    // A run that has not ended in twice its ideal time (and some) is stopped
    // as a user would stop it: its report still lists every name.
    Outcome o;
    o.run = benchcli::runCli(cli, args, 2 * s.idealSeconds + 20);
    o.right = rightNames(report);
    const long long first = traffic.firstQuery.load();
    const long long last = traffic.lastAnswer.load();
    o.seconds = first >= 0 && last > first ? (last - first) / 1e6 : 0;
    return o;
}

// With PACING_BENCH_TRACE set, what the server answered second by second, on standard error.
void trace(const std::string &tag, const Traffic &t)
{
    if (qEnvironmentVariableIsEmpty("PACING_BENCH_TRACE"))
        return;
    int last = 599;
    while (last > 0 && t.answersIn[last] == 0 && t.noticesIn[last] == 0)
        --last;
    std::fprintf(stderr, "%s: answers/notices per second:", tag.c_str());
    for (int i = 0; i <= last; ++i)
        std::fprintf(stderr, " %d/%d", t.answersIn[i].load(), t.noticesIn[i].load());
    std::fprintf(stderr, "\n");
}

void print(const std::string &tag, const char *figure, double value, const char *unit, int precision = 2)
{
    std::printf("pacing_%s_%s %.*f %s\n", tag.c_str(), figure, precision, value, unit);
}

// One registry for every TLD, `names` names of .com.
void singleRegistry(const QString &cli, int connections, const Scenario &s)
{
    QTemporaryDir dir;
    Traffic traffic;
    std::unique_ptr<WhoisRegistry> whois;
    std::unique_ptr<RdapRegistry> rdap;
    QString server;
    if (s.beyond == Beyond::Rdap429) {
        rdap = std::make_unique<RdapRegistry>(s.perSecond, traffic);
        server = QStringLiteral("http://127.0.0.1:%1/").arg(rdap->port());
    } else {
        whois = std::make_unique<WhoisRegistry>(s.beyond, s.perSecond, traffic);
        server = QStringLiteral("127.0.0.1:%1").arg(whois->port());
    }
    benchcli::writeSettings(dir.path(), [&](int) { return server; });
    writeNames(QDir(dir.path()).filePath(QStringLiteral("names.txt")), s.names, [](long) { return "com"; });
    const Outcome o = runScenario(cli, dir, connections, s, traffic);
    const std::string tag = s.tag;
    trace(tag, traffic);
    // Names that came back right (all of them, in a run that keeps them) a second.
    const double rate = o.seconds > 0 ? o.right / o.seconds : 0;
    print(tag, "rate", rate / s.perSecond, "x");
    print(tag, "right", o.right, "names", 0);
    print(tag, "names", s.names, "names", 0);
    print(tag, "notices_per_name", double(traffic.notices) / s.names, "notices");
    print(tag, "queries", traffic.queries, "queries", 0);
    print(tag, "seconds", o.seconds, "s");
    print(tag, "exit", o.run.exitCode, "code", 0);
}

// A .com throttled at 20/s with a notice beside an unthrottled .net: one
// .com name in every 101, as a list mixing TLDs has them.
void mixedRegistries(const QString &cli, int connections)
{
    const long names = 30300;
    const Scenario s{"mixed", names, 20, 300 / 20.0, Beyond::Notice, {}};
    QTemporaryDir dir;
    Traffic traffic;
    Traffic netTraffic;
    WhoisRegistry com(Beyond::Notice, s.perSecond, traffic);
    WhoisRegistry net(Beyond::Nothing, 0, netTraffic);
    const int comAt = tldIndex(QStringLiteral("com"));
    const QString comServer = QStringLiteral("127.0.0.1:%1").arg(com.port());
    const QString netServer = QStringLiteral("127.0.0.1:%1").arg(net.port());
    benchcli::writeSettings(dir.path(), [&](int i) { return i == comAt ? comServer : netServer; });
    writeNames(QDir(dir.path()).filePath(QStringLiteral("names.txt")), names,
               [](long i) { return i % 101 == 0 ? "com" : "net"; });
    const Outcome o = runScenario(cli, dir, connections, s, traffic);
    // The run's time: from the first query either server saw to the last answer.
    const long long first = std::min(traffic.firstQuery.load(), netTraffic.firstQuery.load());
    const long long last = std::max(traffic.lastAnswer.load(), netTraffic.lastAnswer.load());
    const double seconds = first >= 0 && last > first ? (last - first) / 1e6 : 0;
    const double netSeconds = netTraffic.lastAnswer > netTraffic.firstQuery
                                  ? (netTraffic.lastAnswer - netTraffic.firstQuery) / 1e6
                                  : 0;
    trace("mixed_com", traffic);
    trace("mixed_net", netTraffic);
    print("mixed_com", "time", seconds / s.idealSeconds, "x");
    print("mixed", "right", o.right, "names", 0);
    print("mixed", "names", names, "names", 0);
    print("mixed", "seconds", seconds, "s");
    print("mixed_net", "seconds", netSeconds, "s");
    print("mixed_com", "notices_per_name", double(traffic.notices) / 300, "notices");
    print("mixed", "exit", o.run.exitCode, "code", 0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: pacing_bench CLI_PATH [CONNECTIONS] [SCENARIO...]\n");
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const int connections = argc > 2 ? std::atoi(argv[2]) : 500;
    QStringList wanted;
    for (int i = 3; i < argc; ++i)
        wanted << QString::fromLocal8Bit(argv[i]);
    const auto want = [&](const char *tag) {
        return wanted.isEmpty() || wanted.contains(QLatin1String(tag));
    };

    const Scenario scenarios[] = {
        {"notice40", 1600, 40, 1600 / 40.0, Beyond::Notice, {}},
        {"notice40_off",
         1600,
         40,
         1600 / 40.0,
         Beyond::Notice,
         {QStringLiteral("--pacing"), QStringLiteral("off")}},
        {"ban20", 400, 20, 400 / 20.0, Beyond::Ban, {}},
        {"silent40", 800, 40, 800 / 40.0, Beyond::Silent, {QStringLiteral("--timeout"), QStringLiteral("5")}},
        {"rdap20", 400, 20, 400 / 20.0, Beyond::Rdap429, {}},
    };
    for (const Scenario &s : scenarios) {
        if (want(s.tag)) {
            singleRegistry(cli, connections, s);
            std::fflush(stdout);
        }
    }
    if (want("mixed"))
        mixedRegistries(cli, connections);
    return 0;
}
