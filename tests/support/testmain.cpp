#include "support/testmain.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <QCoreApplication>
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#endif

#include <gtest/gtest.h>

namespace {

std::vector<qvtest::TestClass> &classes()
{
    static std::vector<qvtest::TestClass> all; // filled before main() by each class's registration
    return all;
}

std::unique_ptr<QCoreApplication> makeApplication(bool widgets, int &argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
#ifdef QT_WIDGETS_LIB
    if (widgets)
        return std::make_unique<QApplication>(argc, argv);
#endif
    return std::make_unique<QCoreApplication>(argc, argv);
}

int runClass(const qvtest::TestClass &c, int argc, char **argv)
{
    c.initMain();
    const auto app = makeApplication(c.widgets, argc, argv);
    return c.exec(argc, argv);
}

// GoogleTest runs without widgets: its cases are core logic, and CTest lists
// them at build time, where there is no display.
int runGoogleTest(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace

bool qvtest::registerClass(const TestClass &testClass)
{
    classes().push_back(testClass);
    return true;
}

int main(int argc, char **argv)
{
    // `--class NAME [QtTest options]` runs one class; anything else runs the GoogleTest cases.
    if (argc >= 3 && std::strcmp(argv[1], "--class") == 0) {
        for (const qvtest::TestClass &c : classes()) {
            if (std::strcmp(c.name, argv[2]) != 0)
                continue;
            // QtTest sees the program name and its own options only.
            std::vector<char *> args{argv[0]};
            args.insert(args.end(), argv + 3, argv + argc);
            args.push_back(nullptr);
            int n = argc - 2;
            return runClass(c, n, args.data());
        }
        // CTest names the class the build was configured with: a renamed one needs a new configure.
        std::fprintf(stderr, "%s: no test class %s; there are:", argv[0], argv[2]);
        for (const qvtest::TestClass &c : classes())
            std::fprintf(stderr, " %s", c.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    const bool googleTestOptionsOnly = argc >= 2;
    int failed = runGoogleTest(argc, argv) != 0;
    // Given options are GoogleTest's (CTest's discovery and runs pass them), so
    // only a bare run goes on to the QtTest classes, each with an application of its own.
    if (!googleTestOptionsOnly) {
        for (const qvtest::TestClass &c : classes()) {
            char *args[] = {argv[0], nullptr};
            failed += runClass(c, argc, args) != 0;
        }
    }
    return failed == 0 ? 0 : 1;
}
