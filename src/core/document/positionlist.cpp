#include "core/document/positionlist.h"
#include <algorithm>

namespace kestrum {

namespace {

// Seven bits a byte, the high bit saying more follow: a difference below
// 128 in one byte.
void put(std::vector<uchar> &out, quint64 z)
{
    while (z >= 0x80) {
        out.push_back(uchar(z | 0x80));
        z >>= 7;
    }
    out.push_back(uchar(z));
}

qint64 take(const uchar *&p)
{
    quint64 z = 0;
    for (int shift = 0;; shift += 7) {
        const uchar b = *p++;
        z |= quint64(b & 0x7F) << shift;
        if (b < 0x80)
            break;
    }
    return qint64(z);
}

} // namespace

void PositionList::append(qint64 value)
{
    if (m_size % kGroup == 0)
        m_anchors.push_back({value, quint64(m_bytes.size())});
    else
        put(m_bytes, quint64(value - m_last));
    m_last = value;
    ++m_size;
}

qint64 PositionList::at(qsizetype i) const
{
    const Anchor &a = m_anchors[size_t(i / kGroup)];
    qint64 v = a.value;
    const uchar *p = m_bytes.data() + a.offset;
    for (qsizetype k = i % kGroup; k > 0; --k)
        v += take(p);
    return v;
}

void PositionList::clear()
{
    m_anchors = {};
    m_bytes = {};
    m_size = 0;
    m_last = 0;
}

qsizetype PositionList::countBelow(qint64 value) const
{
    const auto it = std::partition_point(m_anchors.begin(), m_anchors.end(),
                                         [value](const Anchor &a) { return a.value < value; });
    if (it == m_anchors.begin())
        return 0;
    // Every one of the group before is below only up to where one is not.
    const qsizetype g = (it - m_anchors.begin()) - 1;
    const qsizetype end = std::min(m_size, (g + 1) * kGroup);
    qint64 v = m_anchors[size_t(g)].value;
    const uchar *p = m_bytes.data() + m_anchors[size_t(g)].offset;
    qsizetype i = g * kGroup + 1;
    for (; i < end; ++i) {
        v += take(p);
        if (v >= value)
            break;
    }
    return i;
}

void PositionList::replace(qsizetype first, qsizetype last, qint64 shift)
{
    first = std::clamp<qsizetype>(first, 0, m_size);
    last = std::clamp<qsizetype>(last, first, m_size);
    if (first == last && (shift == 0 || last == m_size))
        return;
    // From the group holding `first` on, taken out and put back changed.
    const qsizetype g = first / kGroup;
    std::vector<qint64> tail;
    tail.reserve(size_t(m_size - g * kGroup));
    for (qsizetype k = g; k < qsizetype(m_anchors.size()); ++k) {
        qint64 v = m_anchors[size_t(k)].value;
        tail.push_back(v);
        const uchar *p = m_bytes.data() + m_anchors[size_t(k)].offset;
        for (qsizetype i = k * kGroup + 1; i < std::min(m_size, (k + 1) * kGroup); ++i) {
            v += take(p);
            tail.push_back(v);
        }
    }
    const qsizetype base = g * kGroup;
    tail.erase(tail.begin() + (first - base), tail.begin() + (last - base));
    for (size_t i = size_t(first - base); i < tail.size(); ++i)
        tail[i] += shift;
    m_bytes.resize(size_t(m_anchors[size_t(g)].offset));
    m_anchors.resize(size_t(g));
    m_size = base;
    m_last = base > 0 ? at(base - 1) : 0;
    for (qint64 v : tail)
        append(v);
}

qsizetype PositionList::memoryUsed() const
{
    return qsizetype(m_bytes.capacity() + m_anchors.capacity() * sizeof(Anchor));
}

} // namespace kestrum
