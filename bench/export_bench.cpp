// The HTML, comma-separated and XML reports of a million rows, written as the
// export window writes them; prints the wall time of each and the peak memory
// while exporting (the list itself included).
//   export_bench ROWS
#include "common/benchutil.h"
#include "common/resultlist.h"
#include "common/yesprompter.h"
#include "export/reportexport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double residentMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// Starts the peak-memory figure afresh from what the process holds now.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    QTemporaryDir dir;
    YesPrompter prompter;
    DomainListModel list;
    RunState run;
    bench::fillResultList(list, run, dir.path(), rows, prompter);
    QFile::remove(dir.filePath(QStringLiteral("temp.txt")));
    const QByteArray tag = rows % 1000000 == 0 ? QByteArray::number(rows / 1000000) + "m"
                                               : QByteArray::number(rows / 1000) + "k";
    const double listMiB = residentMiB();
    resetPeak();

    const std::pair<report::Format, const char *> formats[] = {
        {report::Format::Html, "html"}, {report::Format::Csv, "csv"}, {report::Format::Xml, "xml"}};
    const QString date = report::dateText(QDateTime::currentDateTime());
    for (const auto &[format, name] : formats) {
        const QString path = dir.filePath(QStringLiteral("report.") + QLatin1String(name));
        QElapsedTimer timer;
        timer.start();
        const double cpu = bench::cpuSeconds();
        const auto error = report::saveReport(path, format, list, report::kAllColumns, date);
        const double seconds = timer.nsecsElapsed() / 1e9;
        const double cpuSeconds = bench::cpuSeconds() - cpu;
        if (error) {
            std::fprintf(stderr, "%s\n", qPrintable(report::saveErrorMessage(*error)));
            return 1;
        }
        std::printf("export_%s_%s_s %.3f s\n", tag.constData(), name, seconds);
        std::printf("export_%s_%s_s_cpu %.3f s\n", tag.constData(), name, cpuSeconds);
        QFile::remove(path);
    }
    std::printf("export_%s_peak_rss_mib %.0f MiB\n", tag.constData(), bench::peakRssMiB());
    std::printf("export_%s_list_rss_mib %.0f MiB\n", tag.constData(), listMiB);
    return 0;
}
