#pragma once

// The QtTest tests of one folder are linked into one executable (see
// cmake/HalvoraTesting.cmake), which saves a link step and a code generation step for
// each of them. Included ahead of each test's source, this makes QTEST_MAIN and its
// kin register the test class under its name instead of defining main(); the
// executable's main (TestBundleMain.cpp) runs the test that its first argument names.

#include <QtTest/qtest.h>

namespace halvora::testbundle {

using Main = int (*)(int argc, char *argv[]);
bool add(const char *name, Main main);

} // namespace halvora::testbundle

#undef QTEST_MAIN_WRAPPER
#define QTEST_MAIN_WRAPPER(TestObject, ...)                                                                           \
    static int halvoraBundledMain(int argc, char *argv[])                                                            \
    {                                                                                                                \
        TESTLIB_SELFCOVERAGE_START(#TestObject)                                                                      \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                                            \
        __VA_ARGS__                                                                                                  \
        TestObject tc;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                   \
        return QTest::qExec(&tc, argc, argv);                                                                        \
    }                                                                                                                \
    static const bool halvoraBundledRegistration = halvora::testbundle::add(#TestObject, &halvoraBundledMain);
