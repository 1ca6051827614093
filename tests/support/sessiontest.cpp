#include "support/sessiontest.h"
#include "core/port/mscomm.h"
#include "support/testenv.h"


namespace kestrum::test {

void SessionTest::init()
{
    resetProgramState();
    fakes = installFakes();
    failures.clear();
}

void SessionTest::cleanup()
{
    session.reset();
    pty.reset();
}

bool SessionTest::startSession(const QString &line)
{
    pty = std::make_unique<Pty>();
    if (!pty->isValid())
        return false;
    mapPort(1, pty->slavePath());
    session = std::make_unique<Session>();
    connect(session.get(), &Session::failure, this, [this](const QString &d) { failures << d; });
    session->setReceiveTimeout(3600 * 1000);
    if (!line.isEmpty())
        session->port()->setSettings(line);
    session->port()->setPortOpen(true);
    return session->port()->PortOpen();
}

} // namespace kestrum::test
