#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include "core/devices/serialdevices.h"

namespace kestrum {

// The serial devices present now: USB adapters (ttyUSB*, ttyACM*) first, in
// natural order, then the others. On Windows the system's port names.
QStringList presentSerialDevices();

// The device behind port number n (1 = "COM1"). A device given for this run
// (setPortOverrides) comes first, then a "Ports" entry "COMn" in the settings
// store; otherwise the n-th present device ("COMn" itself on Windows). Empty
// when there is no such device.
QString deviceForPort(int n);

// Devices for this run only (port number to device, from the command line);
// the settings store is left as it is. Replaces any earlier overrides.
void setPortOverrides(const QMap<int, QString> &devices);

// The "Ports" entry of port n ("" when none), and writing it: an empty
// device removes the entry, so that the port is the n-th device present.
QString pinnedDevice(int n);
void pinPort(int n, const QString &device);

// What port n stands for now, among the devices present (in port order).
PortAssignment portAssignment(int n, const QList<SerialDevice> &present);

// The devices behind ports 1 to count, looking for the present devices at
// most once.
QStringList devicesForPorts(int count);

// "a2" before "a10".
bool naturalLess(const QString &a, const QString &b);

} // namespace kestrum
