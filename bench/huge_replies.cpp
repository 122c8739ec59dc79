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
        , m_filler(filler())
        , m_server([](benchnet::LoopbackServer::Conn &c) { answer(c); }, 1,
                   [this](benchnet::LoopbackServer::Conn &c) { return refill(c); })
    {
    }
    uint16_t port() const { return m_server.port(); }

private:
    static std::string filler()
    {
        const std::string line = "NOTICE: This Reply Goes On And On, Far Beyond What Any Registry Sends.\r\n";
        std::string text;
        while (text.size() + line.size() <= 64 * 1024)
            text += line;
        return text;
    }
    static void answer(benchnet::LoopbackServer::Conn &c)
    {
        const auto query = benchnet::whoisQuery(c.in);
        if (!query)
            return;
        c.out = "Domain Name: " + std::string(*query) +
                "\r\nRegistry Expiry Date: 2031-02-03T04:05:06Z\r\nDomain Status: ok\r\n";
        c.produced = static_cast<long long>(c.out.size());
        c.closeWhenSent = true;
    }
    bool refill(benchnet::LoopbackServer::Conn &c) const
    {
        const long long left = m_replyBytes - c.produced;
        if (left <= 0)
            return false;
        c.out.assign(m_filler, 0, static_cast<size_t>(std::min<long long>(left, std::ssize(m_filler))));
        c.produced += static_cast<long long>(c.out.size());
        return true;
    }

    long long m_replyBytes;
    std::string m_filler;
    // Last: its thread starts after the filler is made and stops before it goes.
    benchnet::LoopbackServer m_server;
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
    const long taken = benchcli::countReport(report).taken;
    std::printf("%s_cli_exit %d code\n", tag.c_str(), r.exitCode);
    std::printf("%s_taken %ld rows\n", tag.c_str(), taken);
    std::printf("%s_seconds %.2f s\n", tag.c_str(), r.seconds);
    std::printf("%s_peak_rss_mib %.1f MiB\n", tag.c_str(), r.peakRssKiB / 1024.0);
    return 0;
}
