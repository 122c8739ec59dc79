// "Load from file.." as the window runs it, stand-by window and event
// processing included, against the same import with the quick start wizard
// open (no stand-by window, no events): the difference is what the count line
// and the events cost.
//   sourcewindow_bench LINES [wizard]
#include "common/benchutil.h"
#include "common/yesprompter.h"
#include "engine/appcontext.h"
#include "sources/domainsourceswindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

namespace {

class FilePrompter : public YesPrompter
{
public:
    explicit FilePrompter(const QString &path)
        : m_path(path)
    {
    }
    QString chooseOpenFile(const QString &, const QString &) override { return m_path; }

private:
    QString m_path;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const bool wizard = argc > 2 && QByteArray(argv[2]) == "wizard";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block;
        for (int i = 0; i < lines; ++i) {
            block += "name" + QByteArray::number(i) + "-shop.com\r\n";
            if (block.size() > (1 << 20)) {
                f.write(block);
                block.clear();
            }
        }
        f.write(block);
    }
    FilePrompter prompter(path);
    AppContext context(dir.path(), prompter);
    context.wizardMode = wizard;
    context.run.suffixes.mylist({});
    QWidget owner;
    owner.show();
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = bench::cpuSeconds();
    importDomainsFromFile(context, ImportRule::Load, &owner);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    if (context.list.size() != lines) {
        std::fprintf(stderr, "%d rows of %d lines\n", context.list.size(), lines);
        return 1;
    }
    const char *tag = wizard ? "import_1m_window_nostandby" : "import_1m_window";
    std::printf("%s_s %.3f s\n", tag, seconds);
    std::printf("%s_cpu_s %.3f s\n", tag, cpu);
    return 0;
}
