// The session: what drives a board (line ending, flow control, the lines).
#include "core/port/mscomm.h"
#include "core/board/portlines.h"
#include "core/session/session.h"

namespace kestrum {

void Session::setUpBoard()
{
    m_lineEnding = storedLineEnding();
    m_port->setFlowControl(storedFlowControl());
    connect(m_port->lines(), &PortLines::failure, this, &Session::failure);
}

void Session::setLineEnding(LineEnding ending)
{
    m_lineEnding = ending;
    storeLineEnding(ending);
}

FlowControl Session::flowControl() const { return m_port->flowControl(); }

void Session::setFlowControl(FlowControl f)
{
    m_port->setFlowControl(f);
    storeFlowControl(f);
}

PortLines *Session::lines() const { return m_port->lines(); }

} // namespace kestrum
