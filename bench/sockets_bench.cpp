// Connection cycles per second through CSocketPlus (connect, send the query,
// read until the server closes, close) with 500 in flight, next to a bare epoll
// client doing the same against the same server in the same run.
//
//   sockets_bench [CYCLES] [CONCURRENCY]

#include "common/epollbench.h"

#include "net/csocketplus.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// About the size of a registry's "no match" answer.
const std::string kReply = [] {
    std::string r =
        "No match for \"EXAMPLE.COM\".\r\n>>> Last update of whois database: 2026-01-15T00:00:00Z <<<\r\n";
    while (r.size() < 600)
        r += "NOTICE: The expiration date displayed in this record is the date the registrar's sponsorship "
             "ends.\r\n";
    return r;
}();

benchnet::ClientResult runCSocketPlus(const QString &host, uint16_t port, int concurrency, long cycles)
{
    benchnet::ClientResult result;
    CSocketPlus socket;
    long started = 0;
    const QByteArray query("example.com\r\n");
    QObject::connect(&socket, &CSocketPlus::connectEvent,
                     [&](const QVariant &i) { socket.SendData(i, query); });
    QObject::connect(&socket, &CSocketPlus::dataArrivalEvent, [&](const QVariant &i, qint32) {
        QByteArray part;
        socket.GetData(i, part);
        result.bytes += part.size();
    });
    const auto next = [&](const QVariant &i, bool ok) {
        socket.CloseSck(i);
        ok ? ++result.cycles : ++result.failures;
        if (started < cycles) {
            ++started;
            socket.Connect(i, host, port);
        } else if (result.cycles + result.failures == started) {
            QCoreApplication::quit();
        }
    };
    QObject::connect(&socket, &CSocketPlus::closeSckEvent, [&](const QVariant &i) { next(i, true); });
    QObject::connect(&socket, &CSocketPlus::errorEvent, [&](const QVariant &i) { next(i, false); });

    QTimer stall; // a safety net, never hit in a healthy run
    stall.setSingleShot(true);
    QObject::connect(&stall, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stall.start(120000);

    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < concurrency && started < cycles; ++i) {
        socket.ArrayAdd(i);
        ++started;
        socket.Connect(i, host, port);
    }
    QCoreApplication::exec();
    result.seconds = benchnet::secondsSince(t0);
    return result;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long cycles = argc > 1 ? std::atol(argv[1]) : 100000;
    const int concurrency = argc > 2 ? std::atoi(argv[2]) : 500;

    benchnet::EpollServer server([](std::string_view) { return kReply; });
    if (server.port() == 0) {
        std::fprintf(stderr, "sockets_bench: cannot listen on 127.0.0.1\n");
        return 1;
    }

    // Warm-up, then the two clients in turn against the same server, twice
    // over; the best run of each counts (the machine may be shared).
    benchnet::runEpollClient(server.port(), concurrency, 5000, "example.com\r\n");
    double ceilingRate = 0;
    double ourRate = 0;
    long failures = 0;
    benchnet::ClientResult ours;
    for (int round = 0; round < 2; ++round) {
        const benchnet::ClientResult ceiling =
            benchnet::runEpollClient(server.port(), concurrency, cycles, "example.com\r\n");
        ours = runCSocketPlus(QStringLiteral("127.0.0.1"), server.port(), concurrency, cycles);
        ceilingRate = std::max(ceilingRate, ceiling.cycles / ceiling.seconds);
        ourRate = std::max(ourRate, ours.cycles / ours.seconds);
        failures += ceiling.failures + ours.failures;
    }
    const benchnet::ClientResult byName =
        runCSocketPlus(QStringLiteral("localhost"), server.port(), concurrency, cycles / 5);
    failures += byName.failures;

    print("sockets_epoll_client_cycles", ceilingRate, "cycles/s");
    print("sockets_csocketplus_cycles", ourRate, "cycles/s");
    print("sockets_csocketplus_vs_epoll", ourRate / ceilingRate, "ratio");
    print("sockets_csocketplus_by_name_cycles", byName.cycles / byName.seconds, "cycles/s");
    print("sockets_failed_cycles", static_cast<double>(failures), "cycles");
    const long expectedBytes = static_cast<long>(kReply.size()) * (ours.cycles);
    if (ours.bytes != expectedBytes)
        std::fprintf(stderr, "sockets_bench: %ld reply bytes read, %ld expected\n", ours.bytes,
                     expectedBytes);
    return failures == 0 && ours.cycles == cycles ? 0 : 1;
}
