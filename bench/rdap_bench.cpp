// Whole check runs through quorvane-cli over RDAP, N names at C connections:
//
// - every TLD of the default table served by an RDAP server of its own on
//   loopback (one port each: real registries each run their own host, and a
//   list of names spreads over many TLDs), next to the same names over WHOIS
//   in the same run of this program, so the two rates are measured side by
//   side; and the connections the servers accepted, against the C allowed;
// - every TLD served by one RDAP server, as a run over one registry's names;
// - a server answering with an 8 MiB header line beside a healthy one, and how
//   many names of the healthy one came back right.
//
// The servers keep connections open (HTTP/1.1 keep-alive), as real RDAP
// servers do.
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

// Answers the first request of a connection with a header line of 8 MiB.
void answerHostile(benchnet::LoopbackServer::Conn &c)
{
    if (c.in.find("\r\n\r\n") == std::string::npos || !c.out.empty())
        return;
    c.in.clear();
    c.out = "HTTP/1.1 200 OK\r\nX-Filler: " + std::string(8 << 20, 'h') + "\r\n\r\n";
    c.closeWhenSent = true;
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
    std::printf("rdap_connections_allowed %d connections\n", connections);
    std::printf("rdap_check_seconds %.2f s\n", r.seconds);
    std::printf("rdap_check_rate %.0f names/s\n", rate);
    std::printf("rdap_peak_rss_mib %.1f MiB\n", r.peakRssKiB / 1024.0);
    std::printf("rdap_of_whois %.1f %%\n", whoisRate > 0 ? 100.0 * rate / whoisRate : 0);

    // One server for every TLD.
    {
        QTemporaryDir dir;
        benchnet::LoopbackServer one(answerRdap);
        const QString base = QStringLiteral("http://127.0.0.1:%1/rdap/").arg(one.port());
        benchcli::writeSettings(dir.path(), [&](int) { return base; });
        const QString out = QDir(dir.path()).filePath(QStringLiteral("report.txt"));
        const benchcli::CliResult single = runCheck(cli, dir.path(), namesFile, out, connections);
        const benchcli::ReportCounts c = benchcli::countReport(out);
        std::printf("rdap_one_server_unchecked %ld rows\n", c.unchecked);
        std::printf("rdap_one_server_connections %ld connections\n", one.connections());
        std::printf("rdap_one_server_rate %.0f names/s\n", single.seconds > 0 ? names / single.seconds : 0);
    }

    // A hostile server (the first TLD's) beside a healthy one (the second's): a name each in turn.
    {
        QTemporaryDir dir;
        benchnet::LoopbackServer hostile(answerHostile);
        benchnet::LoopbackServer healthy(answerRdap);
        benchcli::writeSettings(dir.path(), [&](int i) {
            return QStringLiteral("http://127.0.0.1:%1/").arg(i == 0 ? hostile.port() : healthy.port());
        });
        const long count = 2000;
        const QString list = QDir(dir.path()).filePath(QStringLiteral("names.txt"));
        writeNames(list, count, tlds.mid(0, 2));
        const QString out = QDir(dir.path()).filePath(QStringLiteral("report.txt"));
        runCheck(cli, dir.path(), list, out, connections);
        long right = 0;
        QFile f(out);
        if (f.open(QIODevice::ReadOnly)) {
            f.readLine();
            while (!f.atEnd()) {
                const QList<QByteArray> cells = f.readLine().split('|');
                const QByteArray name = cells.value(0);
                if (!name.endsWith('.' + tlds[1].toLatin1()))
                    continue;
                const bool free = benchnet::isFreeName(std::string_view(name.constData(), name.size()));
                right += cells.value(3) == (free ? "FREE" : "Taken") ? 1 : 0;
            }
        }
        std::printf("rdap_beside_hostile_right %ld names\n", right);
        std::printf("rdap_beside_hostile_names %ld names\n", count / 2);
    }
    return 0;
}
