// The serial-port object: opening and closing the port, sending, and
// receiving (what arrives, when it is read, how it is handed over).
#include "core/mscomm.h"
#include "core/codec.h"
#include "core/error.h"
#include "core/paritymarks.h"
#include "core/settings.h"
#include <cerrno>
#include <cmath>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

namespace kestrum {

MSComm::MSComm(QObject *parent) : QObject(parent), m_port(new QSerialPort(this)), m_drainTimer(new QTimer(this))
{
    connect(m_drainTimer, &QTimer::timeout, this, [this] {
        if (drainQuietly() > 0)
            emit OnComm();
    });
    // Whatever has arrived is kept, however little the program asked for.
    m_port->setReadBufferSize(0);
    connect(m_port, &QSerialPort::readyRead, this, [this] {
        m_transientErrors = 0;
        if (m_gathering) {
            drainQuietly();
        } else if (m_port->isOpen()) {
            // The port hands over one read of the device: at most what a
            // tty's line discipline holds (4 KB). After a read of half that
            // or more, whatever else is waiting is taken now, one wake-up for
            // all of it; a fault is left to the port's next read.
            const QByteArray got = m_port->readAll();
            const bool more = got.size() >= 2048;
            takeReceived(got);
            bool fault = false;
            if (more)
                readDescriptor(&fault);
        }
        if (!m_received.isEmpty())
            emit OnComm();
    });
    connect(m_port, &QSerialPort::bytesWritten, this, [this] { m_transientErrors = 0; });
    connect(m_port, &QSerialPort::errorOccurred, this, &MSComm::onError);
}

MSComm::~MSComm()
{
    if (m_port->isOpen())
        m_port->close();
}

bool MSComm::PortOpen() const { return m_port->isOpen(); }

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        setGathering(false);
        if (m_port->isOpen()) {
            m_port->close();
            m_received.clear();
            m_heldBack = 0;
            m_parityMarks.reset();
            emit closed();
        }
        return;
    }
    if (m_port->isOpen())
        throw Error(QStringLiteral("%1 is already open.").arg(portLabel()));
    m_rate = 0;
    m_windowBytes = 0;
    m_windowClock.start();
    const QString device = deviceName();
    if (device.isEmpty())
        throw Error(QStringLiteral("COM%1 cannot be opened: there is no serial device number %1 on this computer. %2 "
                                   "To choose a device, add the line COM%1=/dev/... to the section [Ports] of %3.")
                        .arg(m_commPort)
                        .arg(devicesPresentText(), settingsFilePath()));
    openDevice(device);
}

void MSComm::openDevice(const QString &device)
{
    if (m_port->isOpen())
        throw Error(QStringLiteral("%1 is already open.").arg(portLabel()));
    m_port->setPortName(device);
    presetLine();
    m_parityMarks.reset();
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString reason = m_port->errorString();
        m_port->clearError();
        // Qt refuses data bits or parity on a pseudo-terminal while opening;
        // try once more with what the kernel allows there.
#ifdef Q_OS_UNIX
        if (error != QSerialPort::DeviceNotFoundError && error != QSerialPort::PermissionError
            && isPseudoTerminal(device)) {
            m_port->setDataBits(QSerialPort::Data8);
            m_port->setParity(QSerialPort::NoParity);
            if (m_port->open(QIODevice::ReadWrite))
                goto opened;
        }
#endif
        throw Error(openFailure(device, error, reason));
    }
#ifdef Q_OS_UNIX
opened:
#endif
    m_openDevice = device;
    m_lostReason.clear();
    m_transientErrors = 0;
    try {
        applyLine();
    } catch (...) {
        m_port->close();
        emit closed();
        throw;
    }
    applyModemLines();
    m_port->clearError();
    // Bytes received before a loss and not yet taken stay a message of
    // their own.
    m_heldBack = m_received.size();
    emit opened();
    if (m_heldBack > 0)
        emit OnComm();
}

void MSComm::throwNotOpen() const
{
    if (!m_lostReason.isEmpty())
        throw Error(m_lostReason);
    throw Error(QStringLiteral("Operation valid only when the port is open (%1).").arg(portLabel()));
}

void MSComm::setOutput(const QString &text)
{
    if (!PortOpen())
        throwNotOpen();
    const QByteArray bytes = toAnsi(text);
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
        throw Error(QStringLiteral("%1: the data could not be sent: %2").arg(label, reason));
    }
}

namespace {
// The smallest buffer between the line and the program: a tty's line
// discipline holds 4 KB.
constexpr double kTtyBuffer = 4096;
// A timer more often than this wakes the program about as often as data
// that fast does by itself (a pseudo-terminal or a USB adapter hands it
// over in chunks): the data is then read at every arrival.
constexpr int kShortestDrainMs = 10;
} // namespace

void MSComm::takeReceived(QByteArray bytes)
{
    noteArrival(bytes.size());
    bytes = m_parityMarks.decode(bytes);
    if (m_nullDiscard)
        bytes.replace(QByteArray(1, '\0'), QByteArray());
    m_received += bytes;
}

void MSComm::noteArrival(qsizetype bytes)
{
    if (!m_windowClock.isValid())
        m_windowClock.start();
    m_windowBytes += bytes;
    // Windows of at least 10 ms: a single read says little about a rate.
    const qint64 ns = m_windowClock.nsecsElapsed();
    if (ns < 10'000'000)
        return;
    const double seen = double(m_windowBytes) * 1e9 / double(ns);
    m_rate = qMax(seen, m_rate * std::exp2(-double(ns) / 1e9));
    m_windowBytes = 0;
    m_windowClock.restart();
}

void MSComm::pullReceived()
{
    if (!m_port->isOpen())
        return;
    if (m_gathering) {
        drainQuietly();
        return;
    }
    takeReceived(m_port->readAll());
}

int MSComm::drainInterval() const
{
    // Half the time 4 KB takes at the line's speed, at 7 bits a character
    // (the shortest frame): 124 ms at 115200 baud, 4 ms at 3000000. A real
    // adapter delivers no faster than that, whatever came before.
    double ms = kTtyBuffer * 7 * 1000 / qMax(1, m_baud) / 2;
    // Data seen coming faster (a pseudo-terminal, a USB device that ignores
    // the baud rate): a third of the time 4 KB takes at that rate.
    if (m_rate > 0)
        ms = qMin(ms, kTtyBuffer * 1000 / m_rate / 3);
    ms = qMin(ms, 1000.0);
    return ms < kShortestDrainMs ? 0 : int(ms);
}

void MSComm::setGathering(bool on)
{
    if (on == m_gathering)
        return;
#ifdef Q_OS_UNIX
    if (on) {
        if (!m_port->isOpen() || m_port->handle() < 0 || drainInterval() == 0)
            return;
        // The port's own notifier (the only lever the port offers); without
        // one the port is simply read at every arrival as before.
        QSocketNotifier *notifier = nullptr;
        for (QSocketNotifier *n : m_port->findChildren<QSocketNotifier *>())
            if (n->type() == QSocketNotifier::Read && n->isEnabled())
                notifier = n;
        if (!notifier)
            return;
        // What the port holds comes first; reading it re-arms the notifier.
        takeReceived(m_port->readAll());
        notifier->setEnabled(false);
        m_quietNotifier = notifier;
        m_gathering = true;
        m_drainTimer->start(drainInterval());
        return;
    }
    m_drainTimer->stop();
    m_gathering = false;
    // Whatever is still waiting wakes the port's notifier at once.
    if (m_quietNotifier && m_port->isOpen())
        m_quietNotifier->setEnabled(true);
    m_quietNotifier = nullptr;
#endif
}

qsizetype MSComm::readDescriptor(bool *fault)
{
    qsizetype got = 0;
    *fault = false;
#ifdef Q_OS_UNIX
    const int fd = int(m_port->handle());
    if (fd < 0)
        return 0;
    // Read straight into the received bytes when nothing is to be decoded.
    const bool plain = !m_parityMarks.marking && !m_nullDiscard;
    char chunk[16384];
    // A source that never pauses still leaves the event loop its turn.
    while (got < 256 * 1024) {
        const qsizetype at = m_received.size();
        if (plain)
            m_received.resize(at + qsizetype(sizeof chunk));
        const ssize_t n = ::read(fd, plain ? m_received.data() + at : chunk, sizeof chunk);
        if (plain)
            m_received.resize(at + qMax<qsizetype>(n, 0));
        if (n > 0) {
            if (plain)
                noteArrival(n);
            else
                takeReceived(QByteArray(chunk, qsizetype(n)));
            got += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The port reads without a minimum count: nothing waiting reads as 0
        // bytes, as a hung-up line does. An error other than "nothing more"
        // is left to the port's own reading, which reports it.
        *fault = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
        break;
    }
    if (got > 0)
        m_transientErrors = 0;
#endif
    return got;
}

qsizetype MSComm::drainQuietly()
{
    if (!m_gathering)
        return 0;
    if (!m_port->isOpen()) {
        setGathering(false);
        return 0;
    }
    bool fault = false;
    const qsizetype got = readDescriptor(&fault);
#ifdef Q_OS_UNIX
    // Nothing read: a line that hung up is left to the port's notifier.
    struct pollfd p{int(m_port->handle()), POLLIN, 0};
    if (got == 0 && !fault && p.fd >= 0 && ::poll(&p, 1, 0) > 0)
        fault = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#endif
    // The pace follows what was seen; data too fast for any timer is read at
    // every arrival again, until a later message finds it slower.
    const int interval = drainInterval();
    if (fault || interval == 0)
        setGathering(false);
    else if (interval != m_drainTimer->interval())
        m_drainTimer->start(interval);
    return got;
}

QByteArray MSComm::inputBytes()
{
    if (!PortOpen() && m_received.isEmpty())
        throwNotOpen();
    pullReceived();
    QByteArray bytes;
    if (m_heldBack > 0 && m_heldBack < m_received.size()) {
        bytes = m_received.left(m_heldBack);
        m_received.remove(0, m_heldBack);
        // The rest came after the port was opened again: once this message
        // is done it starts the next one.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_received.isEmpty())
                    emit OnComm();
            },
            Qt::QueuedConnection);
    } else {
        bytes = std::move(m_received);
        m_received = QByteArray();
    }
    m_heldBack = 0;
    return bytes;
}

QString MSComm::Input() { return fromAnsi(inputBytes()); }

int MSComm::InBufferCount()
{
    if (!PortOpen() && m_received.isEmpty())
        throwNotOpen();
    pullReceived();
    const qsizetype waiting = m_heldBack > 0 ? m_heldBack : m_received.size();
    return int(qMin<qsizetype>(waiting, std::numeric_limits<int>::max()));
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
    if (looksTransient() && ++m_transientErrors < 64) {
        m_port->clearError();
        return;
    }
    // An unplugged adapter keeps reporting the same error many thousand times
    // a second; close on the first and report once.
    const QString reason = m_port->errorString();
    m_lostReason = QStringLiteral("COM%1 (%2) stopped working and has been closed: %3. "
                                  "Check the cable or adapter: the port will be opened again when the device "
                                  "comes back.")
                       .arg(m_commPort)
                       .arg(shownPath(m_openDevice), reason);
    // What arrived before the loss stays waiting for the receive path.
    pullReceived();
    setGathering(false);
    m_port->close();
    m_port->clearError();
    emit closed();
    emit deviceGone(m_openDevice);
    if (!m_sending)
        emit deviceLost(m_lostReason);
}

} // namespace kestrum
