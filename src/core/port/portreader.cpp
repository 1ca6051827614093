#include "core/port/portreader.h"
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <chrono>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrum {

namespace {

// What one wake-up reads at most before the thread looks at the time, its
// owner and its events again.
constexpr qsizetype kMostPerWake = 256 * 1024;
// A read this long finds the driver's buffer (a few KB) full or nearly: more
// is on its way.
constexpr qsizetype kFullRead = 1024;
// A read this long emptied a terminal's whole input buffer: the reader was
// kept from reading (a loaded machine), and what the next read finds had
// been held back by the kernel behind it, not sent after it.
constexpr qsizetype kBufferEmptied = 4095;
// The owner hears of new events at most this often: under a flood of short
// messages the window takes them a frame's worth at a time.
constexpr qint64 kFrameNs = 16'000'000;
// A descriptor that keeps saying it is ready and gives nothing this many
// times in a row is a line that is gone, not a reason to spin a core.
constexpr int kMostEmptyWakes = 64;
// How near a count or an end must be for a wake-up to be timed closely.
constexpr qint64 kEdgeNs = 20'000'000;

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 wallMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// How long this thread has waited for a processor while ready to run, in
// nanoseconds (the kernel's scheduling statistics), or -1.
qint64 runDelay(int fd)
{
    char text[96];
    const ssize_t n = fd < 0 ? -1 : ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return -1;
    text[n] = '\0';
    char *end = nullptr;
    std::strtoull(text, &end, 10);
    return qint64(std::strtoull(end, nullptr, 10));
}

void signalFd(int fd)
{
    const quint64 one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void drainFd(int fd)
{
    quint64 count;
    while (::read(fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace

PortReader::PortReader()
    : m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), m_ready(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

PortReader::~PortReader()
{
    if (m_thread.joinable()) {
        {
            const std::lock_guard lock(m_lock);
            m_stop = true;
        }
        wake();
        m_thread.join();
    }
    ::close(m_wake);
    ::close(m_ready);
}

void PortReader::ensureRunning()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread(&PortReader::run, this);
    pthread_setname_np(m_thread.native_handle(), "kestrum-reader");
}

void PortReader::wake() { signalFd(m_wake); }

void PortReader::attach(int fd, quint64 opening)
{
    ensureRunning();
    {
        const std::lock_guard lock(m_lock);
        m_fd = fd;
        m_opening = opening;
        m_detach = false;
        m_emptyWakes = 0;
    }
    wake();
}

void PortReader::detach()
{
    std::unique_lock lock(m_lock);
    if (m_fd < 0)
        return;
    m_detach = true;
    wake();
    m_letGo.wait(lock, [this] { return m_fd < 0; });
}

void PortReader::setTimeout(int ms)
{
    const std::lock_guard lock(m_lock);
    m_framer.setTimeout(qint64(ms) * 1'000'000);
}

void PortReader::setNullDiscard(bool on)
{
    const std::lock_guard lock(m_lock);
    m_nullDiscard = on;
}

void PortReader::setMarking(bool on)
{
    const std::lock_guard lock(m_lock);
    m_marks.marking = on;
}

qsizetype PortReader::gathered() const
{
    const std::lock_guard lock(m_lock);
    return m_framer.gathered();
}

bool PortReader::holdsAny() const
{
    const std::lock_guard lock(m_lock);
    return !m_found.empty() || m_framer.state() != Framer::State::Idle;
}

qint64 PortReader::bytesRead() const
{
    const std::lock_guard lock(m_lock);
    return m_bytesRead;
}

Framer::State PortReader::state() const
{
    const std::lock_guard lock(m_lock);
    return m_framer.state();
}

ReceiveEvents PortReader::takeLocked()
{
    ReceiveEvents out = std::move(m_found);
    m_found = ReceiveEvents();
    if (std::exchange(m_announced, false))
        drainFd(m_ready);
    // Room again for what the kernel holds.
    if (std::exchange(m_holding, false))
        wake();
    return out;
}

ReceiveEvents PortReader::take()
{
    const std::lock_guard lock(m_lock);
    return takeLocked();
}

ReceiveEvents PortReader::begin()
{
    ensureRunning();
    ReceiveEvents out;
    {
        const std::lock_guard lock(m_lock);
        out = takeLocked();
        m_framer.begin(steadyNs(), wallMs());
    }
    // Its count falls due: the thread wakes for it.
    wake();
    return out;
}

ReceiveEvents PortReader::tick()
{
    ensureRunning();
    ReceiveEvents out;
    {
        const std::lock_guard lock(m_lock);
        out = takeLocked();
        m_framer.tick(steadyNs(), wallMs(), out);
    }
    wake();
    return out;
}

ReceiveEvents PortReader::abandonWait()
{
    const std::lock_guard lock(m_lock);
    ReceiveEvents out = takeLocked();
    m_framer.abandonWait();
    return out;
}

ReceiveEvents PortReader::endNow()
{
    const std::lock_guard lock(m_lock);
    ReceiveEvents out = takeLocked();
    bool error = false;
    const QByteArray cut = m_marks.takeCut(&error);
    m_framer.arrived(cut, error ? std::vector<qsizetype>{0} : std::vector<qsizetype>{}, steadyNs(), wallMs(), out);
    m_framer.endNow(out);
    return out;
}

qsizetype PortReader::waitingBytes() const
{
    qsizetype n = 0;
    for (const ReceiveEvent &e : m_found)
        n += e.message.bytes.size();
    return n;
}

void PortReader::letGo()
{
    m_fd = -1;
    m_detach = false;
    m_letGo.notify_all();
}

void PortReader::lose(int error)
{
    // What arrived before the loss, a parity mark it cut included, ends
    // its message now; the device's loss is told after it.
    bool cutError = false;
    const QByteArray cut = m_marks.takeCut(&cutError);
    m_framer.arrived(cut, cutError ? std::vector<qsizetype>{0} : std::vector<qsizetype>{}, steadyNs(), wallMs(),
                     m_found);
    m_framer.endNow(m_found);
    ReceiveEvent lost{ReceiveEvent::Kind::Lost, {}};
    lost.error = error;
    lost.opening = m_opening;
    m_found.push_back(std::move(lost));
    letGo();
}

void PortReader::decoded(const char *data, qsizetype n, qint64 now, qint64 wallMs)
{
    std::vector<qsizetype> errors;
    QByteArray bytes = m_marks.decode(QByteArray(data, n), &errors);
    if (m_nullDiscard) {
        // The errors' positions move back over the NULs dropped before them.
        qsizetype nuls = 0, at = 0;
        for (qsizetype &e : errors) {
            for (; at < e; ++at)
                nuls += bytes.at(at) == '\0';
            e -= nuls;
        }
        bytes.replace(QByteArray(1, '\0'), QByteArray());
    }
    m_framer.arrived(bytes, errors, now, wallMs, m_found);
}

void PortReader::took(const char *data, qsizetype n, qint64 now)
{
    m_framer.advance(now, m_found);
    if (!m_marks.marking && !m_nullDiscard) {
        std::memcpy(m_framer.room(n), data, size_t(n));
        m_framer.arrived(n, now, wallMs(), m_found);
    } else {
        decoded(data, n, now, wallMs());
    }
}

// Reads without the lock: a read may wait for the driver to hand its bytes
// over, and the owner must not wait for that. The descriptor stays open
// meanwhile: the owner closes it only once the thread has let go of it,
// which it does between reads.
void PortReader::readArrivals(int fd, short revents, qint64 now)
{
    if (revents & POLLNVAL) {
        const std::lock_guard lock(m_lock);
        lose(EBADF);
        return;
    }
    qsizetype got = 0;
    bool heldBack = false;
    for (;;) {
        // Read on while bytes come, each read timed as it ends: under a
        // flood the next read finds the driver's next few KB at once, where
        // a poll would wait for them to be handed over first. Bytes held
        // back behind a full buffer keep the time of the bytes before them,
        // or a message would be cut where the buffer was.
        if (got > 0 && !heldBack)
            now = steadyNs();
        const ssize_t n = ::read(fd, m_chunk, sizeof m_chunk);
        heldBack = n >= kBufferEmptied;
        const int error = errno;
        const std::lock_guard lock(m_lock);
        if (n > 0) {
            m_bytesRead += n;
            took(m_chunk, n, now);
            got += n;
            m_emptyWakes = 0;
            // A parity mark cut by this read is completed by the next one
            // before the message can end without it. A few bytes are a
            // trickle's: the next ones are not there yet.
            if (!m_detach && ((n >= kFullRead && got < kMostPerWake) || m_marks.isCut()))
                continue;
            return;
        }
        if (n < 0 && error == EINTR)
            continue;
        if (n < 0 && error != EAGAIN && error != EWOULDBLOCK) {
            lose(error);
            return;
        }
        // Nothing waiting (the line reads without a minimum count): a line
        // that hung up says so, in the poll, with nothing to read.
        if (revents & (POLLHUP | POLLERR)) {
            lose(EIO);
            return;
        }
        if (got == 0 && ++m_emptyWakes >= kMostEmptyWakes)
            lose(EIO);
        return;
    }
}

void PortReader::run()
{
    short revents = 0;
    int polled = -1;
    quint64 polledOpening = 0;
    // On a busy machine the thread may get a processor well after the bytes
    // came: by then they would seem to have arrived later than they did, and
    // a message that ends too late takes in the next one. The time it waited
    // to run is known, and taken off, where a message's edge may be near.
    const int schedStat = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    qint64 waited = 0;
    for (;;) {
        const qint64 now = steadyNs() - waited;
        std::unique_lock lock(m_lock);
        if (m_stop) {
            if (schedStat >= 0)
                ::close(schedStat);
            return;
        }
        if (m_detach) {
            // A mark cut by the port's closing will never be completed.
            m_marks.reset();
            letGo();
        }
        m_framer.advance(now, m_found);
        // What the poll said is of the descriptor as it was then: closed and
        // opened again meanwhile, it may have the same number.
        if (revents != 0 && polled >= 0 && polled == m_fd && polledOpening == m_opening) {
            lock.unlock();
            readArrivals(polled, revents, now);
            lock.lock();
            if (m_stop)
                continue;
        }
        revents = 0;

        qint64 wakeAt = m_framer.due();
        if (!m_found.empty() && !m_announced) {
            const qint64 next = m_lastAnnounced + kFrameNs;
            if (now >= next) {
                m_announced = true;
                m_lastAnnounced = now;
                signalFd(m_ready);
            } else {
                wakeAt = wakeAt < 0 ? next : std::min(wakeAt, next);
            }
        }
        m_holding = m_fd >= 0 && waitingBytes() >= kMostWaiting;
        polled = m_holding ? -1 : m_fd;
        polledOpening = m_opening;
        const bool nearEdge = m_framer.state() == Framer::State::Idle || wakeAt >= 0;
        lock.unlock();

        pollfd p[2] = {{m_wake, POLLIN, 0}, {polled, POLLIN, 0}};
        timespec wait{};
        const qint64 before = steadyNs();
        if (wakeAt >= 0) {
            const qint64 ns = std::max<qint64>(0, wakeAt - before);
            wait.tv_sec = time_t(ns / 1'000'000'000);
            wait.tv_nsec = long(ns % 1'000'000'000);
        }
        // Near an edge: a quiet line (the next byte begins a message) or a
        // count or an end due soon. In the middle of a long message (a
        // flood) the statistics cost more than they tell.
        const bool edge = nearEdge && (wakeAt < 0 || wakeAt - before < kEdgeNs);
        const qint64 delay0 = edge ? runDelay(schedStat) : -1;
        if (::ppoll(p, 2, wakeAt >= 0 ? &wait : nullptr, nullptr) > 0) {
            if (p[0].revents != 0)
                drainFd(m_wake);
            revents = p[1].revents;
        }
        const qint64 delay1 = delay0 >= 0 ? runDelay(schedStat) : -1;
        waited = delay1 >= delay0 && delay0 >= 0 ? std::min(delay1 - delay0, steadyNs() - before) : 0;
    }
}

} // namespace kestrum
