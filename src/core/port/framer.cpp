#include "core/port/framer.h"
#include <algorithm>
#include <sys/mman.h>

namespace kestrum {

namespace {
// The most room made at once for a message as long as the last one.
constexpr qsizetype kMostAhead = 32 << 20;

// A flood's message fills megabytes a few KB at a time, each page first
// touched by a read: in pages of 2 MB, where the system allows, that is one
// page fault for every 512. Page faults are dear in a virtual machine: the
// flood benchmark went from 41-50 to 72-78 MB/s, with less processor time.
// Only for rooms of megabytes, which go when the message is shown.
void backWithLargePages(const QByteArray &bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr quintptr huge = 2 << 20;
    if (bytes.capacity() < 2 * qsizetype(huge))
        return;
    const quintptr from = (quintptr(bytes.constData()) + huge - 1) & ~(huge - 1);
    const quintptr to = (quintptr(bytes.constData()) + quintptr(bytes.capacity())) & ~(huge - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    Q_UNUSED(bytes);
#endif
}
} // namespace

qint64 Framer::due() const
{
    switch (m_state) {
    case State::Gathering: return m_countAt;
    // A byte read at the very moment the message ends still belongs to it.
    case State::Counted: return m_endAt + 1;
    default: return -1;
    }
}

void Framer::advance(qint64 now, ReceiveEvents &out)
{
    if (m_state == State::Gathering && now >= m_countAt) {
        m_state = State::Counted;
        out.push_back({ReceiveEvent::Kind::Counted, {}});
    }
    if (m_state == State::Counted && now > m_endAt)
        end(out);
}

char *Framer::room(qsizetype n)
{
    QByteArray &bytes = m_message.bytes;
    const qsizetype size = bytes.size();
    if (bytes.capacity() - size < n) {
        qsizetype want = std::max(size + n, 2 * size);
        if (size == 0)
            want = std::max(want, std::min(m_lastSize + m_lastSize / 4, kMostAhead));
        bytes.reserve(want);
        backWithLargePages(bytes);
    }
    bytes.resize(size + n);
    m_roomAt = size;
    return bytes.data() + size;
}

void Framer::arrived(qsizetype n, qint64 now, qint64 wallMs, ReceiveEvents &out)
{
    m_message.bytes.resize(m_roomAt + n);
    if (n <= 0)
        return;
    if (m_state == State::Idle)
        start(now, wallMs);
    else if (m_state == State::Waiting)
        end(out);
}

void Framer::arrived(const QByteArray &bytes, const std::vector<qsizetype> &errors, qint64 now, qint64 wallMs,
                     ReceiveEvents &out)
{
    if (bytes.isEmpty())
        return;
    const qsizetype at = m_message.bytes.size();
    std::copy_n(bytes.constData(), bytes.size(), room(bytes.size()));
    for (const qsizetype e : errors)
        m_message.errors.push_back(at + e);
    arrived(bytes.size(), now, wallMs, out);
}

void Framer::start(qint64 now, qint64 wallMs)
{
    m_state = State::Gathering;
    m_countAt = now + m_timeout;
    m_endAt = now + 2 * m_timeout;
    m_message.firstByteNs = now;
    m_message.firstByteMs = wallMs;
}

void Framer::end(ReceiveEvents &out)
{
    if (m_message.bytes.isEmpty()) {
        m_state = State::Waiting;
        out.push_back({ReceiveEvent::Kind::Waiting, {}});
        return;
    }
    m_lastSize = m_message.bytes.size();
    out.push_back({ReceiveEvent::Kind::Ended, std::move(m_message)});
    m_message = ReceivedMessage();
    m_state = State::Idle;
}

void Framer::begin(qint64 now, qint64 wallMs)
{
    if (m_state == State::Idle)
        start(now, wallMs);
}

void Framer::tick(qint64 now, qint64 wallMs, ReceiveEvents &out)
{
    switch (m_state) {
    case State::Idle:
        start(now, wallMs);
        [[fallthrough]];
    case State::Gathering:
        m_state = State::Counted;
        out.push_back({ReceiveEvent::Kind::Counted, {}});
        break;
    case State::Counted:
        end(out);
        break;
    case State::Waiting:
        break;
    }
}

void Framer::endNow(ReceiveEvents &out)
{
    if (m_state == State::Idle)
        return;
    if (m_message.bytes.isEmpty()) {
        m_message = ReceivedMessage();
        m_state = State::Idle;
        out.push_back({ReceiveEvent::Kind::Dropped, {}});
        return;
    }
    if (m_state == State::Gathering)
        out.push_back({ReceiveEvent::Kind::Counted, {}});
    m_state = State::Counted;
    end(out);
}

void Framer::abandonWait()
{
    if (m_state == State::Waiting)
        m_state = State::Idle;
}

} // namespace kestrum
