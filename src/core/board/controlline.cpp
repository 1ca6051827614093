// The control lines through the terminal driver: TIOCMGET and TIOCMSET to
// read and write them, TIOCMBIS and TIOCMBIC for DTR alone, TIOCMIWAIT to
// sleep in the kernel until the other end moves one.
#include "core/board/controlline.h"
#include "core/base/error.h"
#include <QCoreApplication>
#include <cerrno>
#include <mutex>

#ifdef Q_OS_LINUX
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kestrum {

namespace {

ControlLineMaker &maker()
{
    static ControlLineMaker m;
    return m;
}

#ifdef Q_OS_LINUX

// TIOCMIWAIT has no time limit of its own: a wait ends early when this
// signal reaches its thread, sent by a timer for the bound or by
// interruptWait. Its handler does nothing and is installed without
// SA_RESTART, so the wait returns EINTR. A real-time signal nobody else in
// the program uses; glibc keeps the first few for itself below SIGRTMIN.
int wakeSignal() { return SIGRTMIN + 6; }

void ignoreWake(int) {}

bool wakeInstalled()
{
    static const bool installed = [] {
        struct sigaction sa {};
        sa.sa_handler = ignoreWake;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;
        return ::sigaction(wakeSignal(), &sa, nullptr) == 0;
    }();
    return installed;
}

QString reason(int error) { return qt_error_string(error); }

class SystemControlLine : public ControlLine {
public:
    SystemControlLine(int fd, const QString &label) : m_fd(fd), m_label(label)
    {
        int bits = 0;
        if (::ioctl(m_fd, TIOCMGET, &bits) == 0)
            return;
        const int error = errno;
        // ENOTTY: a driver without modem lines (a pseudo-terminal); EINVAL:
        // some that have the call but not the lines.
        if (error == ENOTTY || error == EINVAL)
            m_missing = QCoreApplication::translate("Port",
                    "%1 has no modem lines (DTR, RTS, CTS, DSR, DCD, RI): its driver does not provide "
                    "them, as a pseudo-terminal does not (%2).")
                            .arg(m_label, reason(error));
        else
            m_missing = QCoreApplication::translate("Port", "%1: the modem lines cannot be read: %2")
                            .arg(m_label, reason(error));
    }

    QString missing() const override { return m_missing; }

    void setDtr(bool on) override
    {
        const int bit = TIOCM_DTR;
        if (::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &bit) != 0)
            fail(QT_TRANSLATE_NOOP("Port", "DTR cannot be set"));
    }

    void setDtrRts(bool dtr, bool rts) override
    {
        // The other bits TIOCMSET takes (OUT1, OUT2, LOOP) stay as they are.
        int bits = 0;
        if (::ioctl(m_fd, TIOCMGET, &bits) != 0)
            fail(QT_TRANSLATE_NOOP("Port", "DTR and RTS cannot be set"));
        bits = dtr ? bits | TIOCM_DTR : bits & ~TIOCM_DTR;
        bits = rts ? bits | TIOCM_RTS : bits & ~TIOCM_RTS;
        if (::ioctl(m_fd, TIOCMSET, &bits) != 0)
            fail(QT_TRANSLATE_NOOP("Port", "DTR and RTS cannot be set"));
    }

    ModemLines read() override
    {
        int bits = 0;
        if (::ioctl(m_fd, TIOCMGET, &bits) != 0)
            fail(QT_TRANSLATE_NOOP("Port", "the modem lines cannot be read"));
        ModemLines l;
        l.dtr = bits & TIOCM_DTR;
        l.rts = bits & TIOCM_RTS;
        l.cts = bits & TIOCM_CTS;
        l.dsr = bits & TIOCM_DSR;
        l.dcd = bits & TIOCM_CD;
        l.ri = bits & TIOCM_RI;
        return l;
    }

    Wait waitForChange(int ms) override
    {
        if (!m_kernelWaits || !wakeInstalled())
            return Wait::Unsupported;
        // The bound: a timer that signals this thread alone.
        struct sigevent ev {};
        ev.sigev_notify = SIGEV_THREAD_ID;
        ev.sigev_signo = wakeSignal();
        ev._sigev_un._tid = pid_t(::syscall(SYS_gettid));
        timer_t timer;
        if (::timer_create(CLOCK_MONOTONIC, &ev, &timer) != 0)
            return Wait::Unsupported;
        struct itimerspec when {};
        when.it_value.tv_sec = ms / 1000;
        when.it_value.tv_nsec = long(ms % 1000) * 1000000;
        {
            std::lock_guard<std::mutex> lock(m_waiterLock);
            m_waiter = ::pthread_self();
            m_waiting = true;
        }
        ::timer_settime(timer, 0, &when, nullptr);
        const int r = ::ioctl(m_fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG);
        const int error = errno;
        {
            std::lock_guard<std::mutex> lock(m_waiterLock);
            m_waiting = false;
        }
        ::timer_delete(timer);
        if (r == 0)
            return Wait::Changed;
        if (error == EINTR)
            return Wait::TimedOut;
        if (error == ENOTTY || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
            m_kernelWaits = false;
            return Wait::Unsupported;
        }
        errno = error;
        fail(QT_TRANSLATE_NOOP("Port", "the modem lines cannot be watched"));
    }

    void interruptWait() override
    {
        std::lock_guard<std::mutex> lock(m_waiterLock);
        if (m_waiting)
            ::pthread_kill(m_waiter, wakeSignal());
    }

private:
    // Throws the failure of the call that just failed, as errno tells it.
    [[noreturn]] void fail(const char *what) const
    {
        const int error = errno;
        throw Error(QCoreApplication::translate("Port", "%1: %2: %3")
                        .arg(m_label, QCoreApplication::translate("Port", what), reason(error)));
    }

    int m_fd;
    QString m_label;
    QString m_missing;
    bool m_kernelWaits = true;
    std::mutex m_waiterLock;
    pthread_t m_waiter{};
    bool m_waiting = false;
};

#else

class SystemControlLine : public ControlLine {
public:
    SystemControlLine(int, const QString &label)
        : m_missing(QCoreApplication::translate("Port", "%1 has no modem lines here.").arg(label)) {}
    QString missing() const override { return m_missing; }
    void setDtr(bool) override { throw Error(m_missing); }
    void setDtrRts(bool, bool) override { throw Error(m_missing); }
    ModemLines read() override { throw Error(m_missing); }
    Wait waitForChange(int) override { return Wait::Unsupported; }
    void interruptWait() override {}

private:
    QString m_missing;
};

#endif

} // namespace

std::unique_ptr<ControlLine> makeControlLine(int fd, const QString &label)
{
    if (maker())
        return maker()(fd, label);
    return std::make_unique<SystemControlLine>(fd, label);
}

void setControlLineMaker(ControlLineMaker m) { maker() = std::move(m); }

} // namespace kestrum
