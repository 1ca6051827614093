// The serial-port object: opening and closing the port, sending, and
// receiving (what arrives, when it is read, how it is handed over).
#include "core/mscomm.h"
#include "core/codec.h"
#include "core/error.h"
#include "core/paritymarks.h"
#include "core/portlines.h"
#include "core/settings.h"
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <limits>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace kestrum {

namespace {
// An arrival this soon after the last read is a trickle (a line every few
// milliseconds at 115200 baud, a USB adapter handing over a packet a
// millisecond): it is read together with what follows it, kReadPace after
// the last read. Each read is a wake-up of the whole program, and reading
// every piece of a trickle cost more than everything else it does. Only
// what such a trickle brought since the last read can be thrown away by a
// tty that hangs up.
constexpr int kTrickleGap = 10;
constexpr int kReadPace = 40;
// A read bringing this much, or coming at this many bytes a second, is no
// trickle: the next one is not put off, or a fast source would wait on a
// full system buffer (a pseudo-terminal holds a few KB).
constexpr qsizetype kSmallRead = 4096;
constexpr double kTrickleRate = 64 * 1024;
} // namespace

MSComm::MSComm(QObject *parent) : QObject(parent), m_port(new QSerialPort(this)), m_readPace(new QTimer(this))
{
    // The port keeps a single byte and stops watching the device until it
    // is read: the program, not the port, decides when to read (a byte kept
    // there is taken before the system's, so the order holds).
    m_port->setReadBufferSize(1);
    m_readPace->setSingleShot(true);
    m_readPace->setTimerType(Qt::PreciseTimer);
    connect(m_readPace, &QTimer::timeout, this, &MSComm::readArrivals);
    // Read at every arrival, also while a message is gathered, a trickle no
    // later than kReadPace after the last read: a tty that hangs up (a board
    // that prints its last words and resets, an adapter pulled) throws away
    // whatever input nobody has read yet.
    connect(m_port, &QSerialPort::readyRead, this, [this] {
        m_transientErrors = 0;
        if (!m_port->isOpen() || m_readPace->isActive())
            return;
        const qint64 since = m_lastRead.isValid() ? m_lastRead.elapsed() : kReadPace;
        if (m_lastReadSmall && since < kTrickleGap) {
            m_readPace->start(int(kReadPace - since));
            // The message's time runs from its first byte, read or not.
            emit OnComm();
            return;
        }
        readArrivals();
    });
    connect(m_port, &QSerialPort::bytesWritten, this, [this] { m_transientErrors = 0; });
    connect(m_port, &QSerialPort::errorOccurred, this, &MSComm::onError);
    setUpLines();
}

void MSComm::readArrivals()
{
    if (m_port->isOpen()) {
        // Reading the port's byte has it watch the device again; whatever
        // else is waiting is taken from the system now, one wake-up for all.
        const QByteArray got = m_port->readAll();
        takeReceived(got);
        const qsizetype more = readDescriptor();
        const qsizetype bytes = got.size() + more;
        const qint64 ns = m_lastRead.isValid() ? qMax<qint64>(m_lastRead.nsecsElapsed(), 1) : 1;
        m_lastRead.start();
        m_lastReadSmall = bytes < kSmallRead && double(bytes) * 1e9 / double(ns) < kTrickleRate;
        if (!m_received.isEmpty())
            emit OnComm();
    }
}

MSComm::~MSComm()
{
    // Nobody is told of the lines going with the object.
    m_lines->blockSignals(true);
    if (m_port->isOpen())
        m_port->close();
}

bool MSComm::PortOpen() const { return m_port->isOpen(); }

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen()) {
            m_readPace->stop();
            m_port->close();
            m_received.clear();
            m_errorsAt.clear();
            m_heldBack = 0;
            m_parityMarks.reset();
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
    // A sequence cut by the loss of the device belongs to what came before.
    takeCut();
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString reason = m_port->errorString();
        m_port->clearError();
        if (!openAsPseudoTerminal(device, error))
            throw Error(openFailure(device, error, reason));
    }
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
    throw Error(QCoreApplication::translate("Port",
            "Operation valid only when the port is open (%1).").arg(portLabel()));
}

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

void MSComm::takeReceived(const QByteArray &bytes)
{
    const size_t known = m_errorsAt.size();
    QByteArray decoded = m_parityMarks.decode(bytes, &m_errorsAt);
    if (m_nullDiscard) {
        // The errors' positions move back over the NULs dropped before them.
        qsizetype nuls = 0, at = 0;
        for (size_t i = known; i < m_errorsAt.size(); ++i) {
            for (; at < m_errorsAt[i]; ++at)
                nuls += decoded.at(at) == '\0';
            m_errorsAt[i] -= nuls;
        }
        decoded.replace(QByteArray(1, '\0'), QByteArray());
    }
    for (size_t i = known; i < m_errorsAt.size(); ++i)
        m_errorsAt[i] += m_received.size();
    m_received += decoded;
}

void MSComm::takeCut()
{
    bool error = false;
    const QByteArray cut = m_parityMarks.takeCut(&error);
    if (error)
        m_errorsAt.push_back(m_received.size());
    m_received += cut;
}

void MSComm::pullReceived()
{
    if (!m_port->isOpen())
        return;
    takeReceived(m_port->readAll());
    // Everything waiting means also what the system holds and the port has
    // not been told of yet (a parity mark cut by the port's last read among
    // it); a fault is left to the port's next read.
    if (readDescriptor() > 0)
        emit OnComm();
}

qsizetype MSComm::readDescriptor()
{
    qsizetype got = 0;
#ifdef Q_OS_UNIX
    const int fd = int(m_port->handle());
    if (fd < 0)
        return 0;
    // Read straight into the received bytes when nothing is to be decoded.
    const bool plain = !m_parityMarks.marking && !m_nullDiscard;
    char chunk[16384];
    // A source that never pauses still leaves the event loop its turn; a
    // parity mark cut by the last read is completed first, or it would end
    // up in the next message.
    while (got < 256 * 1024 || m_parityMarks.isCut()) {
        const qsizetype at = m_received.size();
        if (plain)
            m_received.resize(at + qsizetype(sizeof chunk));
        const ssize_t n = ::read(fd, plain ? m_received.data() + at : chunk, sizeof chunk);
        if (plain)
            m_received.resize(at + qMax<qsizetype>(n, 0));
        if (n > 0) {
            if (!plain)
                takeReceived(QByteArray(chunk, qsizetype(n)));
            got += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The port reads without a minimum count: nothing waiting reads as 0
        // bytes, as a hung-up line does. An error other than "nothing more"
        // is left to the port's own reading, which reports it.
        break;
    }
    if (got > 0)
        m_transientErrors = 0;
#endif
    return got;
}

QByteArray MSComm::inputBytes(std::vector<qsizetype> *errors)
{
    if (!PortOpen() && m_received.isEmpty())
        throwNotOpen();
    pullReceived();
    QByteArray bytes;
    const qsizetype taken = m_heldBack > 0 && m_heldBack < m_received.size() ? m_heldBack : m_received.size();
    const auto kept = std::lower_bound(m_errorsAt.begin(), m_errorsAt.end(), taken);
    if (errors)
        errors->assign(m_errorsAt.begin(), kept);
    m_errorsAt.erase(m_errorsAt.begin(), kept);
    for (qsizetype &at : m_errorsAt)
        at -= taken;
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
        // The next message of a fast stream is about as long as this one:
        // room for it now spares copying what came so far each time the
        // buffer fills (a message of megabytes is read 16 KB at a time).
        if (bytes.size() > 64 * 1024)
            m_received.reserve(qMin<qsizetype>(bytes.size() + bytes.size() / 4, 32 << 20));
    }
    m_heldBack = 0;
    return bytes;
}

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
    if (looksTransient(error) && ++m_transientErrors < 64) {
        m_port->clearError();
        return;
    }
    // An unplugged adapter keeps reporting the same error many thousand times
    // a second; close on the first and report once.
    const QString reason = m_port->errorString();
    m_lostReason = QCoreApplication::translate("Port",
            "COM%1 (%2) stopped working and has been closed: %3. "
            "Check the cable or adapter: the port will be opened again when the device "
            "comes back.")
                       .arg(m_commPort)
                       .arg(shownPath(m_openDevice), reason);
    // What arrived before the loss stays waiting for the receive path, a
    // parity mark cut by the loss included.
    pullReceived();
    takeCut();
    m_readPace->stop();
    m_port->close();
    m_port->clearError();
    emit closed();
    emit deviceGone(m_openDevice, m_openedIdentity);
    if (!m_sending)
        emit deviceLost(m_lostReason);
}

} // namespace kestrum
