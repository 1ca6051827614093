// The serial-port object: opening and closing the port, sending, and
// handing over what its reader thread received.
#include "core/port/mscomm.h"
#include "core/base/codec.h"
#include "core/base/error.h"
#include "core/port/paritymarks.h"
#include "core/board/portlines.h"
#include "core/settings/settings.h"
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <sys/ioctl.h>
#include <thread>

namespace kestrum {

MSComm::MSComm(QObject *parent) : QObject(parent), m_port(new QSerialPort(this))
{
    // The reader thread reads the descriptor; the port object must not read
    // it too (its own notifier is silenced at each opening). Should it ever
    // read anyway, it keeps one byte, not a stream.
    m_port->setReadBufferSize(1);
    m_reader.setTimeout(m_receiveTimeout);
    m_readerReady = new QSocketNotifier(m_reader.readyFd(), QSocketNotifier::Read, this);
    connect(m_readerReady, &QSocketNotifier::activated, this, [this] { deliver(m_reader.take()); });
    connect(m_port, &QSerialPort::bytesWritten, this, [this] { m_transientErrors = 0; });
    connect(m_port, &QSerialPort::errorOccurred, this, &MSComm::onError);
    setUpLines();
}

MSComm::~MSComm()
{
    // Nobody is told of the lines going with the object.
    m_lines->blockSignals(true);
    m_reader.detach();
    if (m_port->isOpen())
        m_port->close();
}

bool MSComm::PortOpen() const { return m_port->isOpen(); }

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen()) {
            m_reader.detach();
            m_port->close();
            emit closed();
        }
        return;
    }
    if (m_port->isOpen())
        throw Error(QCoreApplication::translate("Port", "%1 is already open.").arg(portLabel()));
    const QString device = deviceName();
    if (device.isEmpty())
        throw Error(QCoreApplication::translate("Port",
                "COM%1 cannot be opened: there is no serial device number %1 on this computer. %2 "
                "To choose a device, add the line COM%1=/dev/... to the section [Ports] of %3.")
                        .arg(m_commPort)
                        .arg(devicesPresentText(), settingsFilePath()));
    openDevice(device);
}

void MSComm::setNullDiscard(bool on)
{
    m_nullDiscard = on;
    m_reader.setNullDiscard(on);
}

void MSComm::setReceiveTimeout(int ms)
{
    m_receiveTimeout = ms;
    m_reader.setTimeout(ms);
}

void MSComm::beginMessage() { deliver(m_reader.begin()); }

void MSComm::tick() { deliver(m_reader.tick()); }

void MSComm::abandonWait() { deliver(m_reader.abandonWait()); }

bool MSComm::receiving() const { return !m_pending.empty() || m_reader.holdsAny(); }

void MSComm::endReading()
{
    if (m_port->isOpen()) {
        // A terminal's driver hands bytes on to what the descriptor reads
        // in steps of its own (a pseudo-terminal's at most 4 KB at a time,
        // from a worker thread of the kernel): what the system holds is all
        // read once nothing has waited and nothing was read for a while.
        constexpr int kQuietMs = 100;
        const int fd = int(m_port->handle());
        QDeadlineTimer deadline(3000);
        QElapsedTimer quiet;
        quiet.start();
        qint64 read = m_reader.bytesRead();
        while (quiet.elapsed() < kQuietMs && !deadline.hasExpired()) {
            // Taken as it comes, so that the reader never stops for want of
            // room.
            deliver(m_reader.take());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            int queued = 0;
            const qint64 now = m_reader.bytesRead();
            if (now != read || (::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0))
                quiet.restart();
            read = now;
        }
        m_reader.detach();
    }
    deliver(m_reader.endNow());
}

void MSComm::deliver(ReceiveEvents events)
{
    for (ReceiveEvent &e : events)
        m_pending.push_back(std::move(e));
    // Each event leaves the queue before it is handled: one handled in an
    // event loop of a handler's own is not handled twice.
    while (!m_pending.empty()) {
        ReceiveEvent e = std::move(m_pending.front());
        m_pending.pop_front();
        handle(e);
    }
}

void MSComm::handle(ReceiveEvent &e)
{
    switch (e.kind) {
    case ReceiveEvent::Kind::Counted:
        emit messageCounted();
        break;
    case ReceiveEvent::Kind::Waiting:
        emit waitingForData();
        break;
    case ReceiveEvent::Kind::Ended:
        m_transientErrors = 0;
        emit messageReceived(&e.message);
        break;
    case ReceiveEvent::Kind::Dropped:
        emit messageDropped();
        break;
    case ReceiveEvent::Kind::Lost:
        // A loss of an earlier opening was dealt with when it was found.
        if (m_port->isOpen() && e.opening == m_opening)
            lose(qt_error_string(e.error));
        break;
    }
}

QString MSComm::notOpenReason() const
{
    if (!m_lostReason.isEmpty())
        return m_lostReason;
    return QCoreApplication::translate("Port", "Operation valid only when the port is open (%1).").arg(portLabel());
}

// QSerialPort reads through a read notifier of its own, made enabled at each
// opening; only the reader thread reads here.
void MSComm::silenceOwnReading()
{
    for (QSocketNotifier *n : m_port->findChildren<QSocketNotifier *>())
        if (n->type() == QSocketNotifier::Read)
            n->setEnabled(false);
}

bool MSComm::openAsPseudoTerminal(const QString &device, QSerialPort::SerialPortError error)
{
    // Qt refuses data bits or parity on a pseudo-terminal while opening;
    // try once more with what the kernel allows there.
#ifdef Q_OS_UNIX
    if (error == QSerialPort::DeviceNotFoundError || error == QSerialPort::PermissionError
        || !isPseudoTerminal(device))
        return false;
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    return m_port->open(QIODevice::ReadWrite);
#else
    Q_UNUSED(device);
    Q_UNUSED(error);
    return false;
#endif
}

void MSComm::openDevice(const QString &device)
{
    if (m_port->isOpen())
        throw Error(QCoreApplication::translate("Port", "%1 is already open.").arg(portLabel()));
    m_port->setPortName(device);
    presetLine();
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString reason = m_port->errorString();
        m_port->clearError();
        if (!openAsPseudoTerminal(device, error))
            throw Error(openFailure(device, error, reason));
    }
    silenceOwnReading();
    m_openDevice = device;
    // Taken now: the device may be back at its path before its loss is
    // noticed, and must not be taken for the one that was lost.
    m_openedIdentity = deviceIdentity(device);
    m_lostReason.clear();
    m_transientErrors = 0;
    try {
        applyLine();
    } catch (...) {
        m_port->close();
        emit closed();
        throw;
    }
    m_lines->attach(int(m_port->handle()), portLabel(), m_flowControl == FlowControl::RtsCts);
    applyModemLines();
    m_port->clearError();
    m_reader.attach(int(m_port->handle()), ++m_opening);
    emit opened();
}

void MSComm::throwNotOpen() const { throw Error(notOpenReason()); }

void MSComm::setOutput(const QString &text)
{
    if (!PortOpen())
        throwNotOpen();
    writeBytes(toAnsi(text));
}

void MSComm::writeBytes(const QByteArray &bytes)
{
    if (!PortOpen())
        throwNotOpen();
    if (bytes.isEmpty())
        return;
    struct Sending {
        bool &flag;
        explicit Sending(bool &f) : flag(f) { flag = true; }
        ~Sending() { flag = false; }
    } sending(m_sending);
    const QString label = portLabel();
    bool written = m_port->write(bytes) == bytes.size();
    // Hand what the line takes now to the device at once: a device that is
    // gone then fails this send instead of a later, silent write.
    if (written && m_port->isOpen())
        m_port->flush();
    if (!m_port->isOpen() && !m_lostReason.isEmpty())
        throw Error(m_lostReason);
    written = written && m_port->error() == QSerialPort::NoError;
    if (!written) {
        const QString reason = m_port->errorString();
        m_port->clearError();
        throw Error(QCoreApplication::translate("Port", "%1: the data could not be sent: %2").arg(label, reason));
    }
}

void MSComm::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError)
        return;
    if (!m_port->isOpen())
        return;
    // A line that is merely full (or a call interrupted) is reported the way
    // a vanished device is; the data stays buffered and goes out when the
    // line takes it. The reason alone does not tell: a read that meets the
    // end of a hung-up line reports whatever the last system error was, so
    // the line itself is asked, and a run of such reports with nothing
    // moving in between counts as a loss rather than a spinning core.
    if (looksTransient(error) && ++m_transientErrors < 64) {
        m_port->clearError();
        return;
    }
    // An unplugged adapter keeps reporting the same error many thousand times
    // a second; close on the first and report once.
    lose(m_port->errorString());
}

void MSComm::lose(const QString &reason)
{
    m_lostReason = QCoreApplication::translate("Port",
            "COM%1 (%2) stopped working and has been closed: %3. "
            "Check the cable or adapter: the port will be opened again when the device "
            "comes back.")
                       .arg(m_commPort)
                       .arg(shownPath(m_openDevice), reason);
    // What arrived before the loss, a parity mark it cut included, is a
    // message that ends now, shown before the loss is told.
    m_reader.detach();
    deliver(m_reader.endNow());
    if (!m_port->isOpen())
        return;
    m_port->close();
    m_port->clearError();
    emit closed();
    emit deviceGone(m_openDevice, m_openedIdentity);
    if (!m_sending)
        emit deviceLost(m_lostReason);
}

} // namespace kestrum
