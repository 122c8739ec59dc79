// Rebuilds the main list from a generated temp.txt and prints the time taken
// and the peak memory of the process.
//   repopulate LINES [FOLDER]   (FOLDER: keep temp.txt there and reuse it)
#include "engine/repopulate.h"
#include "common/benchutil.h"
#include "common/yesprompter.h"
#include "engine/domainlistmodel.h"
#include "engine/runstate.h"
#include "engine/workfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

// A result file as a big run leaves it: mostly taken names with dates and
// status lines, some free ones, some errors.
void writeResults(const QString &path, int lines)
{
    static const char *const tlds[] = {"com", "net", "org", "co.uk", "de", "info", "com.au", "nl"};
    static const char *const statuses[] = {
        "Status: clientTransferProhibited",
        "Status: ok",
        "Status: active",
        "Status: clientDeleteProhibited clientTransferProhibited clientUpdateProhibited",
        "Status: REGISTERED",
        "Status: connect"};
    static const char *const errors[] = {"Timeout", "Erroneous whois response", "Error: Connection refused",
                                         "Unable to check, no TLD info found", ""};
    WorkFileWriter out;
    out.open(path, true);
    for (int i = 0; i < lines; ++i) {
        const QString name = QStringLiteral("domain%1-example.%2").arg(i).arg(QLatin1String(tlds[i % 8]));
        const int kind = i % 10;
        if (kind < 2) {
            out.writeLine({name, u"FREE", u"N/A", u"N/A"});
        } else if (kind < 8) {
            const QString date = QStringLiteral("%1-%2-%3")
                                     .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                     .arg(1 + (i / 28) % 12, 2, 10, QLatin1Char('0'))
                                     .arg(2024 + i % 5);
            out.writeLine({name, u"Taken", date, QString::fromLatin1(statuses[i % 6])});
        } else {
            out.writeLine({name, u"N/A", u"N/A", QString::fromLatin1(errors[i % 5])});
        }
    }
    out.close();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    QTemporaryDir tempDir;
    const QDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : tempDir.path());
    if (!QFile::exists(dir.filePath(QStringLiteral("temp.txt"))))
        writeResults(dir.filePath(QStringLiteral("temp.txt")), lines);

    DomainListModel list;
    RunState run;
    run.suffixes.mylist({QStringLiteral("com.au")});
    YesPrompter prompter;
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = bench::cpuSeconds();
    repopulate(list, run, dir.path(), QDate(2026, 1, 15), prompter);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    if (list.size() != lines) {
        std::fprintf(stderr, "expected %d rows, got %d\n", lines, list.size());
        return 1;
    }
    const QByteArray tag = lines % 1000000 == 0 ? QByteArray::number(lines / 1000000) + "m"
                                                : QByteArray::number(lines / 1000) + "k";
    std::printf("repopulate_%s_time %.3f s\n", tag.constData(), seconds);
    std::printf("repopulate_%s_cpu %.3f s\n", tag.constData(), cpu);
    std::printf("repopulate_%s_peak_rss %.0f MiB\n", tag.constData(), bench::peakRssMiB());
    return 0;
}
