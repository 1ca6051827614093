#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace kestrum {

// A serial device present, with what the system knows of it.
struct SerialDevice {
    QString path;  // "/dev/ttyUSB0" (on Windows the system's name, "COM4")
    QString description;
    QString manufacturer;
    QString serialNumber;
    bool hasIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    // Its stable link in the by-id folder ("" when none): the same name
    // whichever USB socket the adapter is plugged into.
    QString byId;
};

// The devices present now, in the order COM1, COM2... take them.
QList<SerialDevice> serialDevicesPresent();

// USB adapters (ttyUSB*, ttyACM*) first, in natural order, then the others.
QList<SerialDevice> inPortOrder(QList<SerialDevice> devices);

// The folder of stable device links, "/dev/serial/by-id"; tests point it
// elsewhere.
QString byIdFolder();
void setByIdFolder(const QString &folder);

// What the system says of a device, in this order, each only when known.
enum class DeviceDetail { Description, Manufacturer, SerialNumber, VidPid, ById };
QList<std::pair<DeviceDetail, QString>> deviceDetails(const SerialDevice &device);

// Whether a path names the device: its own path, its by-id link, or any
// other link that leads to it.
bool namesDevice(const QString &path, const SerialDevice &device);

// What port number n stands for.
struct PortAssignment {
    enum Kind {
        NthPresent,  // the n-th device present (no entry of its own)
        Pinned,      // a "Ports" entry of the settings store
        Given,       // the command line, for this run
    } kind = NthPresent;
    QString device;            // the path the port opens; "" when none
    int presentIndex = -1;     // that device among those present; -1 when absent
};
// From the port's entries (either may be empty) and the devices present in
// port order.
PortAssignment assignPort(int n, const QString &given, const QString &pinned, const QList<SerialDevice> &present);

} // namespace kestrum
