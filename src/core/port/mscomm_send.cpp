// The serial-port object: what sending bytes needs beyond the text of Send.
#include "core/base/error.h"
#include "core/port/mscomm.h"
#include <QCoreApplication>
#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif
#include <QTimer>

namespace kestrum {

qint64 MSComm::bytesToWrite() const { return PortOpen() ? m_port->bytesToWrite() : 0; }

MSComm::Discarded MSComm::discardOutput()
{
    Discarded d;
    if (!PortOpen())
        return d;
    d.bytes = m_port->bytesToWrite();
#ifdef Q_OS_LINUX
    const int fd = int(m_port->handle());
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) == 0)
        d.bytes += queued;
    struct stat st {};
    // Pseudo-terminal slaves have the majors 136 to 143.
    d.known = !(::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143);
#endif
    m_port->clear(QSerialPort::Output);
    return d;
}

void MSComm::sendBreak(int ms)
{
    if (!PortOpen())
        throwNotOpen();
    if (!m_port->setBreakEnabled(true)) {
        const QString reason = m_port->errorString();
        m_port->clearError();
        throw Error(QCoreApplication::translate("Port", "%1: the break could not be sent: %2").arg(portLabel(), reason));
    }
    // The port it was sent on, not whatever is open when the time is up.
    QTimer::singleShot(ms, m_port, [port = m_port] {
        if (port->isOpen())
            port->setBreakEnabled(false);
    });
}

bool MSComm::isBreakOn() const { return PortOpen() && m_port->isBreakEnabled(); }

double MSComm::lineBytesPerSecond() const
{
    const double stop = m_stopBits == QLatin1String("1.5") ? 1.5 : m_stopBits.toDouble();
    const double bits = 1 + m_dataBits + (m_parity == QLatin1Char('n') ? 0 : 1) + (stop > 0 ? stop : 1);
    return m_baud / bits;
}

} // namespace kestrum
