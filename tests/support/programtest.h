#pragma once
#include "support/fakes.h"
#include "support/pty.h"
#include <QObject>
#include <memory>

namespace kestrum {
class Form1;
}

namespace kestrum::test {

// What the window tests share. Each test function begins with an empty
// store and fresh fakes (beginTest, from the test's init()) and ends with
// the program it started gone and its pseudo-terminal closed (endTest, from
// cleanup()).
class ProgramTest : public QObject {
protected:
    void beginTest();
    void endTest();
    // Starts the program (ending one running) with COM1 on the test's
    // pseudo-terminal, made on first use, so that the port opens without a
    // message; null when none could be opened.
    Form1 *startOnPty();

    Fakes fakes{};
    std::unique_ptr<Pty> pty;
};

} // namespace kestrum::test
