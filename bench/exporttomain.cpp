// Hands a million names to the main list the way a source window does, and
// prints the time taken and the peak memory of the process.
//   exporttomain NAMES [sorted]   (sorted: automatic sorting on, by domain)
#include "common/benchutil.h"
#include "common/yesprompter.h"
#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <ctime>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const bool sorted = argc > 2 && QByteArray(argv[2]) == "sorted";

    // Names as a generator window holds them: mixed case, a few repeats.
    static const char *const tlds[] = {"com", "net", "org", "co.uk", "de", "info", "com.au", "nl"};
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("Keyword%1-Name.%2")
                     .arg(qint64(i) * 7919 % count)
                     .arg(QLatin1String(tlds[i % 8]));

    DomainListModel list;
    TldSuffixList suffixes;
    suffixes.mylist({QStringLiteral("com.au")});
    if (sorted) {
        list.setSortKey(ColDomain, Qt::AscendingOrder);
        list.setAutoSort(true);
    }
    YesPrompter prompter;
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = bench::cpuSeconds();
    const int handed = exporttomain(list, suffixes, names, prompter);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    if (handed != count || prompter.questions != (count >= 100000 ? 1 : 0)) {
        std::fprintf(stderr, "handed %d of %d, %d questions\n", handed, count, prompter.questions);
        return 1;
    }
    const char *tag = sorted ? "exporttomain_1m_sorted" : "exporttomain_1m";
    std::printf("%s_time %.3f s\n", tag, seconds);
    std::printf("%s_cpu %.3f s\n", tag, cpu);
    std::printf("%s_rows %d rows\n", tag, list.size());
    std::printf("%s_peak_rss %.0f MiB\n", tag, bench::peakRssMiB());
    return 0;
}
