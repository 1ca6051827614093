#include "core/paritymarks.h"
#include <utility>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace kestrum {

QByteArray ParityMarks::decode(const QByteArray &bytes)
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
            out += '?';
            i += 2;
        } else {
            // Received before marking was turned on: an ordinary byte.
            out += c;
        }
    }
    return out;
}

QByteArray ParityMarks::takeCut()
{
    const QByteArray cut = std::exchange(m_pending, QByteArray());
    return cut.size() > 1 ? QByteArray("?") : cut;
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
