#pragma once

#include <QTest>

// The tests of one folder share one executable and its main() (testmain.cpp). A
// QtTest class enters it with QV_TEST_MAIN (under a QApplication) or
// QV_TEST_GUILESS_MAIN in place of QTEST_MAIN / QTEST_GUILESS_MAIN; CTest runs
// each class as `<folder>_tests --class <Class>`.

namespace qvtest {

struct TestClass {
    const char *name;
    const char *sourceFile; // for QFINDTESTDATA, as QTEST_MAIN would set it
    bool widgets;
    void (*initMain)();
    int (*exec)(int argc, char **argv);
};

bool registerClass(const TestClass &testClass);

template <typename T> int execClass(int argc, char **argv, const char *sourceFile)
{
    T test;
    QTest::setMainSourcePath(sourceFile);
    return QTest::qExec(&test, argc, argv);
}

} // namespace qvtest

#define QV_TEST_REGISTER_(TestObject, widgets)                                                               \
    namespace {                                                                                              \
    const bool qvTestRegistered##TestObject = qvtest::registerClass(                                         \
        {#TestObject, __FILE__, widgets, [] { QTest::Internal::callInitMain<TestObject>(); },                \
         [](int argc, char **argv) { return qvtest::execClass<TestObject>(argc, argv, __FILE__); }});        \
    }

#ifdef QT_WIDGETS_LIB
#define QV_TEST_MAIN(TestObject) QV_TEST_REGISTER_(TestObject, true)
#else
// Only folders whose tests link the windows have an application with widgets.
#define QV_TEST_MAIN(TestObject)                                                                             \
    static_assert(sizeof(TestObject) == 0, "QV_TEST_MAIN needs the gui label; use QV_TEST_GUILESS_MAIN");
#endif
#define QV_TEST_GUILESS_MAIN(TestObject) QV_TEST_REGISTER_(TestObject, false)
