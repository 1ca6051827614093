#include "core/framer.h"
#include <algorithm>

namespace kestrum {

namespace {
// The most room made at once for a message as long as the last one.
constexpr qsizetype kMostAhead = 32 << 20;
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
