#include "core/port/paritymarks.h"
#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace kestrum {

QByteArray ParityMarks::decode(const QByteArray &bytes, std::vector<qsizetype> *errors)
{
    if (!marking || (m_pending.isEmpty() && !bytes.contains('\xFF'))) {
        if (m_pending.isEmpty())
            return bytes;
        QByteArray out = m_pending + bytes;
        m_pending.clear();
        return out;
    }
    const QByteArray in = m_pending + bytes;
    m_pending.clear();
    QByteArray out;
    out.reserve(in.size());
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = in.at(i);
        if (c != '\xFF') {
            out += c;
            continue;
        }
        if (i + 1 == n || (in.at(i + 1) == '\0' && i + 2 == n)) {
            m_pending = in.mid(i);
            break;
        }
        if (in.at(i + 1) == '\xFF') {
            out += c;
            ++i;
        } else if (in.at(i + 1) == '\0') {
            if (errors)
                errors->push_back(out.size());
            out += '?';
            i += 2;
        } else {
            // Received before marking was turned on: an ordinary byte.
            out += c;
        }
    }
    return out;
}

QByteArray ParityMarks::takeCut(bool *error)
{
    const QByteArray cut = std::exchange(m_pending, QByteArray());
    if (error)
        *error = cut.size() > 1;
    return cut.size() > 1 ? QByteArray("?") : cut;
}

void ErrorMarks::add(const std::vector<qsizetype> &at, qsizetype offset, qsizetype size)
{
    if (at.empty())
        return;
    const size_t old = m_distances.size();
    for (auto p = at.rbegin(); p != at.rend(); ++p)
        m_distances.push_back(size - offset - *p);
    std::inplace_merge(m_distances.begin(), m_distances.begin() + qsizetype(old), m_distances.end());
    if (m_distances.size() > kMost)
        m_distances.erase(m_distances.begin(), m_distances.end() - qsizetype(kMost / 4 * 3));
}

void ErrorMarks::replaced(qsizetype pos, qsizetype count, qsizetype added, qsizetype size)
{
    // Marks below the edit keep their distance, those above move with it.
    const auto lo = std::upper_bound(m_distances.begin(), m_distances.end(), size - pos - count);
    const auto hi = std::upper_bound(lo, m_distances.end(), size - pos);
    for (auto i = hi; i != m_distances.end(); ++i)
        *i += added - count;
    m_distances.erase(lo, hi);
}

std::vector<qsizetype> ErrorMarks::within(qsizetype from, qsizetype count, qsizetype origin, qsizetype size) const
{
    std::vector<qsizetype> out;
    const auto lo = std::upper_bound(m_distances.begin(), m_distances.end(), size - from - count);
    const auto hi = std::upper_bound(lo, m_distances.end(), size - from);
    for (auto i = hi; i != lo;)
        out.push_back(size - *--i - origin);
    return out;
}

bool applyParityMarking(qintptr handle, bool on)
{
#ifdef Q_OS_UNIX
    termios tio;
    if (handle < 0 || ::tcgetattr(int(handle), &tio) != 0)
        return false;
    if (on) {
        tio.c_iflag |= INPCK | PARMRK;
        tio.c_iflag &= ~(IGNPAR | ISTRIP);
    } else {
        tio.c_iflag &= ~(INPCK | PARMRK);
        tio.c_iflag |= IGNPAR;
    }
    return ::tcsetattr(int(handle), TCSANOW, &tio) == 0 && on;
#else
    Q_UNUSED(handle);
    Q_UNUSED(on);
    return false;
#endif
}

} // namespace kestrum
