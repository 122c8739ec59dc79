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

// A registry's answer of the usual size: every third name free (404 with an
// RDAP error object), the others taken with expiry, status and notices.
std::string rdapResponse(std::string_view name)
{
    std::string body;
    int status = 200;
    if (benchnet::isFreeName(name)) {
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

// Answers every whole request a keep-alive connection has sent so far: each
// request line "GET /domain/NAME ..." gets its RDAP response.
void answerRdap(benchnet::LoopbackServer::Conn &c)
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
        c.in.erase(0, end + 4);
    }
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
        benchnet::EpollServer whois(benchnet::registryReply);
        const QString server = QStringLiteral("127.0.0.1:%1").arg(whois.port());
        benchcli::writeSettings(whoisDir.path(), [&](int) { return server; });
        const QString report = QDir(whoisDir.path()).filePath(QStringLiteral("report.txt"));
        const benchcli::CliResult r = runCheck(cli, whoisDir.path(), namesFile, report, connections);
        whoisRate = r.seconds > 0 ? names / r.seconds : 0;
        std::printf("rdap_whois_side_rate %.0f names/s\n", whoisRate);
    }

    benchnet::LoopbackServer rdap(answerRdap, static_cast<int>(tlds.size()));
    const std::vector<uint16_t> &ports = rdap.ports();
    benchcli::writeSettings(rdapDir.path(), [&](int i) {
        return QStringLiteral("http://127.0.0.1:%1/rdap/").arg(ports[static_cast<size_t>(i) % ports.size()]);
    });
    const QString report = QDir(rdapDir.path()).filePath(QStringLiteral("report.txt"));
    const benchcli::CliResult r = runCheck(cli, rdapDir.path(), namesFile, report, connections);
    const benchcli::ReportCounts counted = benchcli::countReport(report);
    const double rate = r.seconds > 0 ? names / r.seconds : 0;
    std::printf("rdap_check_exit %d code\n", r.exitCode);
    std::printf("rdap_check_rows %ld rows\n", counted.rows);
    std::printf("rdap_check_unchecked %ld rows\n", counted.unchecked);
    std::printf("rdap_check_hosts %zu ports\n", ports.size());
    std::printf("rdap_check_connections %ld connections\n", rdap.connections());
    std::printf("rdap_check_seconds %.2f s\n", r.seconds);
    std::printf("rdap_check_rate %.0f names/s\n", rate);
    std::printf("rdap_peak_rss_mib %.1f MiB\n", r.peakRssKiB / 1024.0);
    std::printf("rdap_of_whois %.1f %%\n", whoisRate > 0 ? 100.0 * rate / whoisRate : 0);
    return 0;
}
