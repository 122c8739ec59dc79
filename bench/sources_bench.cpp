// The sources of names at scale, one figure set per run so peak memory is its own:
//   sources_bench import|extract LINES   a file read into the main list
//   sources_bench typos NAMES            misspellings of NAMES loaded names
//   sources_bench keywords               about a million keyword candidates, both spellings
#include "base/textfile.h"
#include "common/benchutil.h"
#include "common/yesprompter.h"
#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"
#include "sources/fileimport.h"
#include "sources/keywordgenerator.h"
#include "sources/misspellings.h"
#include "sources/namelistmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const char *const kTlds[] = {"com", "net", "org", "co.uk", "de", "info", "com.au", "nl"};

// A word of letters made from a number, so every name is new.
QByteArray word(qint64 n, int minLength)
{
    QByteArray w;
    do {
        w += char('a' + n % 26);
        n /= 26;
    } while (n > 0 || w.size() < minLength);
    return w;
}

bool writeFile(const QString &path, bool extract, int lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray block;
    for (int i = 0; i < lines; ++i) {
        const QByteArray name = word(i * 7919LL % lines, 5) + "-Shop." + kTlds[i % 8];
        if (!extract)
            block += "  " + name + "\r\n";
        else if (i % 2 == 0)
            block += name + " 2024-05-0" + QByteArray::number(i % 9 + 1) + " 12:00\r\n";
        else
            block += QByteArray::number(i) + "," + name + ",1,USD\r\n";
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block);
    return f.error() == QFile::NoError;
}

int importFile(const char *tag, bool extract, int lines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    if (!writeFile(path, extract, lines)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    DomainListModel list;
    TldSuffixList suffixes;
    suffixes.mylist({QStringLiteral("com.au")});
    YesPrompter prompter;
    LineReader reader(path);
    if (!reader.open())
        return 1;
    int refreshes = 0;
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = bench::cpuSeconds();
    ExportToMain exporter(list, suffixes, prompter);
    // The window refreshes its stand-by line here and lets events through.
    importNames(
        reader, extract ? ImportRule::Extract : ImportRule::Load, exporter,
        [&] {
            ++refreshes;
            QCoreApplication::processEvents();
        },
        QFile(path).size());
    exporter.finish();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    if (list.size() != lines) {
        std::fprintf(stderr, "%d rows of %d lines\n", list.size(), lines);
        return 1;
    }
    std::printf("%s_1m_s %.3f s\n", tag, seconds);
    std::printf("%s_1m_cpu_s %.3f s\n", tag, cpu);
    std::printf("%s_1m_peak_rss_mib %.0f MiB\n", tag, bench::peakRssMiB());
    std::fprintf(stderr, "%s: %d refreshes\n", tag, refreshes);
    return 0;
}

int typos(int count)
{
    QStringList loaded;
    for (int i = 0; i < count; ++i)
        loaded << QString::fromLatin1(word(i * 104729LL % (count * 7), 8) + "." + kTlds[i % 8]);
    TldSuffixList suffixes;
    suffixes.mylist({QStringLiteral("com.au")});
    NameListModel generated(QStringLiteral("Domain"));
    qint64 variants = 0;
    for (const QString &name : loaded)
        makemisspellings(name, suffixes, [&variants](QStringView) { ++variants; });
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = bench::cpuSeconds();
    generateMisspellings(loaded, suffixes, generated, [] { return true; });
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    std::printf("typos_per_s %.0f names/s\n", variants / seconds);
    std::printf("typos_cpu_per_s %.0f names/s\n", variants / cpu);
    std::printf("typos_rows %d rows\n", generated.size());
    return 0;
}

int keywords()
{
    KeywordInput input;
    for (int i = 0; i < 100; ++i)
        input.beginning << QString::fromLatin1(word(i, 4));
    for (int i = 0; i < 50; ++i)
        input.end << QString::fromLatin1(word(i * 31 + 7, 3) + "shop");
    for (const QString &tld : TldSuffixList::builtinSuffixes().mid(0, 100))
        input.tlds << tld;
    input.separator = KeywordSeparator::Both;
    const qint64 candidates = 100LL * 50 * 100 * 2;

    QElapsedTimer timer;
    timer.start();
    const double cpu0 = bench::cpuSeconds();
    PendingNames pending;
    generateKeywordDomains(input, pending, [] { return true; });
    const double generated = timer.nsecsElapsed() / 1e9;
    const qsizetype pendingCount = pending.size();
    const double pendingMiB = pending.byteSize() / 1048576.0;
    NameListModel list(QStringLiteral("Domain"));
    movePendingNames(pending, list);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    std::printf("keywords_per_s %.0f names/s\n", candidates / seconds);
    std::printf("keywords_cpu_per_s %.0f names/s\n", candidates / cpu);
    std::printf("keywords_generate_only_per_s %.0f names/s\n", candidates / generated);
    std::printf("keywords_pending_bytes_per_name %.1f bytes\n", pendingMiB * 1048576.0 / pendingCount);
    std::fprintf(stderr, "keywords: %lld pending, %d rows\n", static_cast<long long>(pendingCount),
                 list.size());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("import");
    const int count = argc > 2 ? QByteArray(argv[2]).toInt() : 1000000;
    if (mode == "import" || mode == "extract")
        return importFile(mode.constData(), mode == "extract", count);
    if (mode == "typos")
        return typos(count);
    if (mode == "keywords")
        return keywords();
    std::fprintf(stderr, "unknown mode %s\n", mode.constData());
    return 2;
}
