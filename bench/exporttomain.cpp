// Hands a million names to the main list the way a source window does, and
// prints the time taken and the peak memory of the process.
//   exporttomain NAMES [sorted]   (sorted: automatic sorting on, by domain)
#include "app/prompter.h"
#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <ctime>

namespace {

class YesPrompter : public Prompter
{
public:
    bool askYesNo(const QString &, const QString &, PromptIcon, bool) override
    {
        ++questions;
        return true;
    }
    void inform(const QString &, const QString &) override {}
    void warn(const QString &, const QString &) override {}
    void fail(const QString &, const QString &) override {}
    QString chooseOpenFile(const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &) override { return {}; }
    int questions = 0;
};

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double peakRssMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

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
        names << QStringLiteral("Keyword%1-Name.%2").arg(qint64(i) * 7919 % count).arg(QLatin1String(tlds[i % 8]));

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
    const double cpu0 = cpuSeconds();
    const int handed = exporttomain(list, suffixes, names, prompter);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    if (handed != count || prompter.questions != (count >= 100000 ? 1 : 0)) {
        std::fprintf(stderr, "handed %d of %d, %d questions\n", handed, count, prompter.questions);
        return 1;
    }
    const char *tag = sorted ? "exporttomain_1m_sorted" : "exporttomain_1m";
    std::printf("%s_time %.3f s\n", tag, seconds);
    std::printf("%s_cpu %.3f s\n", tag, cpu);
    std::printf("%s_rows %d rows\n", tag, list.size());
    std::printf("%s_peak_rss %.0f MiB\n", tag, peakRssMiB());
    return 0;
}
