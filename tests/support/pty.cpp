#include "support/pty.h"
#include "core/settings/settings.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace kestrum::test {

// A test program running beside this one may still hold a serial port's
// lock file for a pseudo-terminal number that has since been freed and given
// to us; the program under test (as another user above all, who cannot
// remove root's lock) would then find the device "in use". Such a number is
// passed over while it is held open, so the next one comes.
static bool lockedBySomeone(const char *name)
{
    QByteArray device(name);
    if (!device.startsWith("/dev/"))
        return false;
    const QByteArray lock = "LCK.." + device.mid(5).replace('/', '_');
    for (const char *folder : {"/var/lock/", "/run/lock/", "/tmp/"}) {
        if (::access((folder + lock).constData(), F_OK) == 0)
            return true;
    }
    return false;
}

Pty::Pty()
{
    std::vector<int> passedOver;
    char name[256] = {};
    struct termios raw;
    ::cfmakeraw(&raw);
    for (int attempt = 0;; ++attempt) {
        if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
            m_master = m_slave = -1;
            break;
        }
        if (attempt >= 16 || !lockedBySomeone(name))
            break;
        passedOver.push_back(m_master);
        passedOver.push_back(m_slave);
    }
    for (int fd : passedOver)
        ::close(fd);
    if (m_master < 0)
        return;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // A program the test starts must not hold the line too: closing the
    // master would then not hang it up.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool Pty::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    QElapsedTimer t;
    t.start();
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (t.elapsed() > 10000)
            return false;
        // The program drains the line from its event loop.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done == bytes.size();
}

QByteArray Pty::read(int timeoutMs, int expected)
{
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (m_master >= 0) {
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, n);
            if (expected >= 0 && out.size() >= expected)
                break;
            continue;
        }
        if (t.elapsed() >= timeoutMs)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        struct pollfd p{m_master, POLLIN, 0};
        ::poll(&p, 1, 5);
    }
    return out;
}

void Pty::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    // Without the test's own slave descriptor the program's is the last one,
    // so the program sees the line hang up.
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
}

bool Pty::attributes(struct termios *out) const
{
    const int fd = m_slave >= 0 ? m_slave : m_master;
    return fd >= 0 && ::tcgetattr(fd, out) == 0;
}

int Pty::baudRate() const
{
    struct termios t;
    if (!attributes(&t))
        return -1;
    switch (::cfgetospeed(&t)) {
    case B110: return 110;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    case B460800: return 460800;
    case B921600: return 921600;
    case B1000000: return 1000000;
    case B1500000: return 1500000;
    case B2000000: return 2000000;
    case B3000000: return 3000000;
    default: return 0;  // a rate set through the custom-divisor path
    }
}

int Pty::stopBits() const
{
    struct termios t;
    if (!attributes(&t))
        return -1;
    return (t.c_cflag & CSTOPB) ? 2 : 1;
}

void mapPort(int n, const QString &device)
{
    writeSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), device);
}

} // namespace kestrum::test
