// Kept apart: the kernel's termios2, which carries any speed as a number,
// cannot share a file with the C library's termios.
#include "core/port/linespeed.h"

#ifdef Q_OS_LINUX
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace kestrum {

qint64 deviceLineSpeed(qintptr handle)
{
#if defined(Q_OS_LINUX) && defined(TCGETS2)
    struct termios2 t {};
    if (handle < 0 || ::ioctl(int(handle), TCGETS2, &t) != 0)
        return 0;
    return qint64(t.c_ospeed);
#else
    Q_UNUSED(handle);
    return 0;
#endif
}

bool speedMatches(qint64 asked, qint64 actual)
{
    if (actual <= 0)
        return true;
    const qint64 off = actual > asked ? actual - asked : asked - actual;
    return off * 100 <= asked * 3;
}

} // namespace kestrum
