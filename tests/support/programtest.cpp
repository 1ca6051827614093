#include "support/programtest.h"
#include "support/testenv.h"
#include "core/devices/portmap.h"

namespace kestrum::test {

void ProgramTest::beginTest()
{
    resetProgramState();
    fakes = installFakes();
}

void ProgramTest::endTest()
{
    closeProgram();
    pty.reset();
}

Form1 *ProgramTest::startOnPty()
{
    if (!pty)
        pty = std::make_unique<Pty>();
    if (!pty->isValid())
        return nullptr;
    mapPort(1, pty->slavePath());
    return startTestProgram();
}

} // namespace kestrum::test
