// The serial-port object: flow control, and the control lines under it.
#include "core/base/error.h"
#include "core/port/mscomm.h"
#include "core/board/portlines.h"

namespace kestrum {

void MSComm::setUpLines()
{
    m_lines = new PortLines(this);
    // Before the descriptor closes, whichever way it does: a watcher still
    // waiting on it in the kernel would hold the device open, and a pulse
    // due later would be written to whatever the descriptor's number
    // stands for next.
    connect(m_port, &QSerialPort::aboutToClose, m_lines, &PortLines::detach);
}

void MSComm::applyFlowControl()
{
    const bool open = m_port->isOpen();
    if (!m_port->setFlowControl(toQtFlowControl(m_flowControl))
        || (open && m_flowControl == FlowControl::XonXoff && !onlyXonResumes(m_port->handle()))) {
        const QString reason = m_port->errorString();
        m_port->clearError();
        throw Error(QCoreApplication::translate("Port", "%1: the %2 cannot be set: %3")
                        .arg(portLabel(), QCoreApplication::translate("Port", "flow control"), reason));
    }
}

void MSComm::setFlowControl(FlowControl f)
{
    const FlowControl old = m_flowControl;
    m_flowControl = f;
    if (!m_port->isOpen())
        return;
    try {
        applyFlowControl();
    } catch (const Error &) {
        m_flowControl = old;
        try {
            applyFlowControl();
        } catch (const Error &) {
            // The line keeps whatever it took; the first failure is told.
        }
        throw;
    }
    m_lines->setRtsOwned(f == FlowControl::RtsCts);
}

} // namespace kestrum
