#pragma once
#include <QtGlobal>

namespace kestrum {

// The speed the open device runs at, in bits per second, as its driver
// reports it after a change; 0 when the system does not say. A driver that
// cannot run at the speed asked for does not refuse it: it puts the nearest
// speed it has on the line and reports that one.
qint64 deviceLineSpeed(qintptr handle);

// Whether a device that reports `actual` runs at `asked` closely enough for
// a UART at the other end (both ends may be off by about 2 %).
bool speedMatches(qint64 asked, qint64 actual);

} // namespace kestrum
