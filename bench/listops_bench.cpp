// Sorting and a status deletion over a million rows, as the list's header and
// context menu run them; prints the wall time of each.
//   listops_bench ROWS
#include "common/benchutil.h"
#include "common/resultlist.h"
#include "common/yesprompter.h"
#include "engine/appcontext.h"
#include "listops/headersort.h"
#include "listops/listcommands.h"
#include "support/fakeclock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

// Wall time and the process's CPU time, which other work on the machine
// disturbs less.
std::pair<double, double> seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = bench::cpuSeconds();
    work();
    return {timer.nsecsElapsed() / 1e9, bench::cpuSeconds() - cpu};
}

void print(const QByteArray &name, std::pair<double, double> time)
{
    std::printf("%s %.3f s\n", name.constData(), time.first);
    std::printf("%s_cpu %.3f s\n", name.constData(), time.second);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    QTemporaryDir dir;
    YesPrompter prompter;
    FakeClock clock;
    AppContext ctx(dir.path(), prompter, clock);
    bench::fillResultList(ctx.list, ctx.run, dir.path(), rows, prompter);
    if (ctx.list.size() != rows) {
        std::fprintf(stderr, "expected %d rows, got %d\n", rows, ctx.list.size());
        return 1;
    }
    // A user's selection and current row, which the sort carries along.
    std::vector<int> selected;
    for (int i = 0; i < rows; i += rows / 1000)
        selected.push_back(i);
    ctx.list.selectRows(selected);
    ctx.list.selectionModel()->setCurrentIndex(ctx.list.index(rows / 2, 0), QItemSelectionModel::NoUpdate);

    const QByteArray tag = rows % 1000000 == 0 ? QByteArray::number(rows / 1000000) + "m"
                                               : QByteArray::number(rows / 1000) + "k";
    print("sort_" + tag + "_text_s", seconds([&] { sortByHeaderClick(ctx.list, ColDomain); }));
    print("sort_" + tag + "_numeric_s", seconds([&] { sortByHeaderClick(ctx.list, ColExpiresIn); }));
    const auto deletion = seconds([&] { DeleteByStatus(ctx, QStringLiteral("Taken"), false); });
    if (ctx.list.size() != rows / 2) {
        std::fprintf(stderr, "expected %d rows left, got %d\n", rows / 2, ctx.list.size());
        return 1;
    }
    print("delete_status_" + tag + "_s", deletion);
    return 0;
}
