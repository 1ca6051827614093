#include "core/devices/serialdevices.h"
#include "core/devices/portmap.h"
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <algorithm>

namespace kestrum {

namespace {

QString &byIdFolderSlot()
{
    static QString folder = QStringLiteral("/dev/serial/by-id");
    return folder;
}

bool isUsbAdapter(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

// Where each by-id link leads: device path to link. A device with more than
// one link (one per interface name) keeps the first in natural order.
QHash<QString, QString> byIdLinks()
{
    QHash<QString, QString> links;
    const QDir dir(byIdFolder());
    QStringList names = dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), naturalLess);
    for (const QString &name : names) {
        const QString link = dir.filePath(name);
        const QString target = QFileInfo(link).canonicalFilePath();
        if (!target.isEmpty() && !links.contains(target))
            links.insert(target, link);
    }
    return links;
}

} // namespace

QString byIdFolder() { return byIdFolderSlot(); }
void setByIdFolder(const QString &folder) { byIdFolderSlot() = folder; }

QList<SerialDevice> inPortOrder(QList<SerialDevice> devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDevice &a, const SerialDevice &b) {
        const bool ua = isUsbAdapter(a.path), ub = isUsbAdapter(b.path);
        if (ua != ub)
            return ua;
        return naturalLess(a.path, b.path);
    });
    // One entry per device.
    QList<SerialDevice> unique;
    for (const SerialDevice &d : devices)
        if (unique.isEmpty() || unique.constLast().path != d.path)
            unique << d;
    return unique;
}

QList<SerialDevice> serialDevicesPresent()
{
    QList<SerialDevice> devices;
    QStringList paths;
#ifndef Q_OS_WIN
    const QHash<QString, QString> links = byIdLinks();
#endif
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice d;
#ifdef Q_OS_WIN
        d.path = info.portName();
#else
        d.path = info.systemLocation();
        d.byId = links.value(QFileInfo(d.path).canonicalFilePath());
#endif
        d.description = info.description().trimmed();
        d.manufacturer = info.manufacturer().trimmed();
        d.serialNumber = info.serialNumber().trimmed();
        d.hasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        d.vendorId = info.vendorIdentifier();
        d.productId = info.productIdentifier();
        if (!paths.contains(d.path)) {
            paths << d.path;
            devices << d;
        }
    }
#ifndef Q_OS_WIN
    // Adapters that the port enumeration does not know (no udev) still count.
    const QStringList nodes = QDir(QStringLiteral("/dev"))
                                  .entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &n : nodes) {
        SerialDevice d;
        d.path = QStringLiteral("/dev/") + n;
        d.byId = links.value(d.path);
        if (!paths.contains(d.path)) {
            paths << d.path;
            devices << d;
        }
    }
    // A stable link always leads to a serial device, listed or not.
    for (auto it = links.cbegin(); it != links.cend(); ++it) {
        bool listed = false;
        for (const SerialDevice &d : devices)
            listed = listed || QFileInfo(d.path).canonicalFilePath() == it.key();
        if (!listed) {
            SerialDevice d;
            d.path = it.key();
            d.byId = it.value();
            devices << d;
        }
    }
#endif
    return inPortOrder(devices);
}

QList<std::pair<DeviceDetail, QString>> deviceDetails(const SerialDevice &device)
{
    QList<std::pair<DeviceDetail, QString>> details;
    auto add = [&](DeviceDetail what, const QString &value) {
        if (!value.trimmed().isEmpty())
            details.append({what, value.trimmed()});
    };
    add(DeviceDetail::Description, device.description);
    add(DeviceDetail::Manufacturer, device.manufacturer);
    add(DeviceDetail::SerialNumber, device.serialNumber);
    if (device.hasIds)
        add(DeviceDetail::VidPid, QStringLiteral("%1:%2")
                                      .arg(device.vendorId, 4, 16, QLatin1Char('0'))
                                      .arg(device.productId, 4, 16, QLatin1Char('0')));
    add(DeviceDetail::ById, device.byId);
    return details;
}

bool namesDevice(const QString &path, const SerialDevice &device)
{
    if (path.isEmpty())
        return false;
    if (path == device.path || path == device.byId)
        return true;
    // Another link to the same node (by-path, a link of the user's own).
    const QString target = QFileInfo(path).canonicalFilePath();
    return !target.isEmpty() && target == QFileInfo(device.path).canonicalFilePath();
}

PortAssignment assignPort(int n, const QString &given, const QString &pinned, const QList<SerialDevice> &present)
{
    PortAssignment a;
    if (!given.isEmpty()) {
        a.kind = PortAssignment::Given;
        a.device = given;
    } else if (!pinned.isEmpty()) {
        a.kind = PortAssignment::Pinned;
        a.device = pinned;
    } else {
        a.kind = PortAssignment::NthPresent;
        if (n >= 1 && n <= present.size()) {
            a.device = present.at(n - 1).path;
            a.presentIndex = n - 1;
        }
        return a;
    }
    for (qsizetype i = 0; i < present.size(); ++i)
        if (namesDevice(a.device, present.at(i))) {
            a.presentIndex = int(i);
            break;
        }
    return a;
}

} // namespace kestrum
