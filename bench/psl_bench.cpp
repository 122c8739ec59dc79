// The Public Suffix List: how long reading it takes (Debian's list and the
// snapshot built into the program) and what a name's registrable part costs.
#include "config/publicsuffixes.h"
#include "engine/domainsyntax.h"

#include <QCoreApplication>
#include <QString>

#include <chrono>
#include <cstdio>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (const char *path : kSystemPublicSuffixFiles) {
        const auto t0 = std::chrono::steady_clock::now();
        const auto list = PublicSuffixes::fromFile(QString::fromLatin1(path));
        const double ms = millisecondsSince(t0);
        if (list)
            std::printf("psl_load_%s %.1f ms\n",
                        QString::fromLatin1(path).endsWith(".dat") ? "system_dat" : "system_dafsa", ms);
    }
    auto t0 = std::chrono::steady_clock::now();
    const auto snapshot = PublicSuffixes::builtin();
    std::printf("psl_load_snapshot %.1f ms\n", millisecondsSince(t0));

    TldSuffixList plain;
    plain.mylist({});
    TldSuffixList byList;
    byList.mylist({});
    byList.setPublicSuffixes(PublicSuffixes::shared());
    // Names of two labels cost nothing extra; those of three ask the list once or twice.
    QStringList names;
    for (int i = 0; i < 100000; ++i)
        names << QStringLiteral("www.bench%1.%2")
                     .arg(i)
                     .arg(i % 2 ? QStringLiteral("com.af") : QStringLiteral("org"));
    for (const auto &[tag, list] : {std::pair{"tld", &plain}, std::pair{"psl", &byList}}) {
        t0 = std::chrono::steady_clock::now();
        qsizetype total = 0;
        for (const QString &name : names)
            total += list->registrablePart(name).size();
        std::printf("registrable_part_%s %.0f ns/name\n", tag, millisecondsSince(t0) * 1e6 / names.size());
        if (total == 0)
            return 1;
    }
    return 0;
}
