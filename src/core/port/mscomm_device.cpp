// The serial-port object: which device a port is, and what to tell the user
// when it cannot be opened or stops working.
#include "core/port/mscomm.h"
#include "core/base/error.h"
#include "core/devices/portmap.h"
#include <QFileInfo>
#include <QStringList>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace kestrum {

#ifdef Q_OS_UNIX
namespace {

bool accessible(const QString &device)
{
    // Checked as the process opens files, not as the user who started it.
    return ::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) == 0;
}

// The lock file Qt takes for a port, found in the folders and the order Qt
// looks in: the first readable one that holds the file or may take it.
QString lockFilePath(QString portName)
{
    portName.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp",
                               "/var/tmp", "/var/lock/lockdev", "/run/lock"}) {
        const QString path = QLatin1String(folder) + QLatin1String("/LCK..") + portName;
        const QFileInfo dir{QString::fromLatin1(folder)};
        if (dir.isReadable() && (QFile::exists(path) || dir.isWritable()))
            return path;
    }
    return {};
}

// Who holds a port's lock: the process and program the lock file names,
// and whether that process still runs. A lock a root session left behind in
// a sticky folder is one no other user may remove, and Qt says only that it
// could not lock.
struct LockHolder {
    QString path;
    qint64 pid = 0;
    QString program;
    bool running = false;
};

LockHolder lockHolder(const QString &portName)
{
    LockHolder holder;
    holder.path = lockFilePath(portName);
    QFile file(holder.path);
    if (holder.path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return holder;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    bool ok = false;
    holder.pid = lines.value(0).trimmed().toLongLong(&ok);
    if (!ok || holder.pid <= 0) {
        holder.pid = 0;
        return holder;
    }
    holder.program = QString::fromUtf8(lines.value(1).trimmed());
    holder.running = ::kill(pid_t(holder.pid), 0) == 0 || errno == EPERM;
    // A process that took the number of one that ended runs another program,
    // as far as its program can be seen (not, without privilege, for another
    // user's process).
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(holder.pid));
    if (holder.running && !exe.isEmpty() && !holder.program.isEmpty())
        holder.running = QFileInfo(exe).fileName() == QFileInfo(holder.program).fileName();
    return holder;
}

} // namespace
#endif

// A pseudo-terminal takes no data-bit or parity setting: the kernel keeps it
// at 8 bits without parity and refuses other values.
bool MSComm::isPseudoTerminal(const QString &device)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(device).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned maj = major(st.st_rdev);
    return (maj >= 136 && maj <= 143) || QFileInfo(device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
#else
    Q_UNUSED(device);
    return false;
#endif
}

QString MSComm::devicesPresentText()
{
    const QStringList devices = presentSerialDevices();
    if (devices.isEmpty())
        return QCoreApplication::translate("Port", "No serial device is present: connect the adapter and try again.");
    return QCoreApplication::translate("Port", "Serial devices present: %1.").arg(devices.join(QStringLiteral(", ")));
}

QString MSComm::openFailure(const QString &device, QSerialPort::SerialPortError error, QString reason) const
{
    const QString label = QStringLiteral("COM%1 (%2)").arg(m_commPort).arg(shownPath(device));
#ifdef Q_OS_UNIX
    // Qt takes a lock file named after the device before opening it; a name
    // too long for a lock file fails there as "locked", though the device
    // is simply not there.
    if (error == QSerialPort::PermissionError && !QFileInfo::exists(device))
        return openFailure(device, QSerialPort::DeviceNotFoundError, qt_error_string(ENOENT));
#endif
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QCoreApplication::translate("Port", "%1 cannot be opened: the device does not exist (%2). %3")
            .arg(label, reason, devicesPresentText());
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        if (!accessible(device)) {
            // The group of the device node behind any link; one without a
            // name is shown by its number.
            const QFileInfo node(device);
            const QString group = node.group().isEmpty() && node.exists() ? QString::number(node.groupId()) : node.group();
            return QCoreApplication::translate("Port",
                    "%1 cannot be opened: permission denied. The device belongs to the group "
                    "\"%2\": your user must be a member of it (for example: sudo usermod -aG %2 "
                    "$USER), then log out and in again.")
                .arg(label, group);
        }
        if (const LockHolder holder = lockHolder(m_port->portName()); holder.pid > 0) {
            if (!holder.running)
                return QCoreApplication::translate("Port",
                        "%1 cannot be opened: its lock file %2 was left by a program that has ended "
                        "(process %3), and your user may not remove it. Remove the file (for example: "
                        "sudo rm %2) and open the port again.")
                    .arg(label, holder.path, QString::number(holder.pid));
            reason = QCoreApplication::translate("Port", "%1, process %2")
                         .arg(holder.program.isEmpty() ? QStringLiteral("?") : holder.program)
                         .arg(holder.pid);
        }
#endif
        return QCoreApplication::translate("Port",
                "%1 cannot be opened: the port is in use by another program. "
                "Close the other program or choose another port. (%2)")
            .arg(label, reason);
    default:
        return QCoreApplication::translate("Port", "%1 cannot be opened: %2").arg(label, reason);
    }
}

QString MSComm::deviceName() const
{
    if (m_port->isOpen())
        return m_openDevice;
    return deviceForPort(m_commPort);
}

QString MSComm::portLabel() const
{
    const QString device = deviceName();
    if (device.isEmpty())
        return QStringLiteral("COM%1").arg(m_commPort);
    return QStringLiteral("COM%1 (%2)").arg(m_commPort).arg(shownPath(device));
}

bool MSComm::looksTransient(QSerialPort::SerialPortError error) const
{
    // A read that finds nothing reports whatever the last system error was:
    // so does the port's read after the message's end has taken everything
    // waiting. Only the line itself tells whether it hung up.
    const QString reason = m_port->errorString();
    if (error != QSerialPort::ReadError && reason != qt_error_string(EAGAIN)
        && reason != qt_error_string(EWOULDBLOCK) && reason != qt_error_string(EINTR))
        return false;
#ifdef Q_OS_UNIX
    struct pollfd p{int(m_port->handle()), POLLIN, 0};
    if (p.fd < 0 || ::poll(&p, 1, 0) < 0)
        return false;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
#else
    return true;
#endif
}

} // namespace kestrum
