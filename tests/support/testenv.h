#pragma once
#include <QApplication>
#include <QTest>

namespace kestrum {
class Form1;
class Windows;
}

namespace kestrum::test {

// Gives the test process its own home, configuration and documents folders
// (so the settings store and default files are temporary), headless.
void prepareTestEnvironment();

// Removes every stored setting and every window; starts the next test from
// an empty store.
void resetProgramState();

// Starts the program as main does, after ending the one a test started
// before (its port closed, its windows gone).
Form1 *startTestProgram();
// Ends the program a test started: every window goes at once.
void closeProgram();
// The dialogs of the program a test started (its main window's).
Windows &windows();

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
