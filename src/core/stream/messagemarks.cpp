#include "core/stream/messagemarks.h"
#include <algorithm>

namespace kestrum {

void MessageMarks::put(qsizetype length, qsizetype size)
{
    if (length <= 0)
        return;
    // Its end is the start of the one before it, or of the text below.
    const qsizetype end = size - length;
    if (end > 0 && (m_distances.isEmpty() || m_distances.last() < end))
        m_distances.append(end);
    m_distances.append(size);
}

void MessageMarks::replaced(qsizetype pos, qsizetype count, qsizetype added, qsizetype size)
{
    // By distance: below the replaced text they stay, inside it they go,
    // at its top and above it they move with the text above.
    const qsizetype hi = m_distances.countBelow(size - pos);
    const qsizetype lo = std::min(hi, m_distances.countBelow(size - pos - count + 1));
    m_distances.replace(lo, hi, added - count);
}

qsizetype MessageMarks::startAtOrAbove(qsizetype pos, qsizetype size) const
{
    const qsizetype i = m_distances.countBelow(size - pos);
    return i < m_distances.size() ? size - m_distances.at(i) : -1;
}

} // namespace kestrum
