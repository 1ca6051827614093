#pragma once
#include <QString>
#include <QStringList>

namespace kestrum {

// The serial devices present now: USB adapters (ttyUSB*, ttyACM*) first, in
// natural order, then the others. On Windows the system's port names.
QStringList presentSerialDevices();

// The device behind port number n (1 = "COM1"). A "Ports" entry "COMn" in
// the settings store overrides everything; otherwise the n-th present device
// ("COMn" itself on Windows). Empty when there is no such device.
QString deviceForPort(int n);

// The devices behind ports 1 to count, looking for the present devices at
// most once.
QStringList devicesForPorts(int count);

// "a2" before "a10".
bool naturalLess(const QString &a, const QString &b);

} // namespace kestrum
