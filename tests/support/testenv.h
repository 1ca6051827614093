#pragma once
#include <QApplication>
#include <QTest>

namespace kestrum::test {

// Gives the test process its own home, configuration and documents folders
// (so the settings store and default files are temporary), headless.
void prepareTestEnvironment();

// Removes every stored setting and every window; starts the next test from
// an empty store.
void resetProgramState();

// Path of a scratch folder that lives as long as the test process.
QString scratchDir();

} // namespace kestrum::test

#define KESTRUM_TEST_MAIN(TestObject)                                                                              \
    int main(int argc, char **argv)                                                                                \
    {                                                                                                              \
        kestrum::test::prepareTestEnvironment();                                                                   \
        QApplication app(argc, argv);                                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                   \
        TestObject tc;                                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                                      \
    }
