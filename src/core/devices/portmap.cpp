#include "core/devices/portmap.h"
#include "core/devices/serialdevices.h"
#include "core/settings/settings.h"
#include <QCollator>
#include <QDir>
#include <QSerialPortInfo>
#include <algorithm>
#include <optional>

namespace kestrum {

bool naturalLess(const QString &a, const QString &b)
{
    // A fixed locale, so that the order does not follow the user's language;
    // the C locale would compare code points and ignore the numeric mode.
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::English)};
        c.setNumericMode(true);
        return c;
    }();
    return collator.compare(a, b) < 0;
}

QStringList presentSerialDevices()
{
    QStringList paths;
    for (const SerialDevice &d : serialDevicesPresent())
        paths << d.path;
    return paths;
}

namespace {

QMap<int, QString> &portOverrides()
{
    static QMap<int, QString> overrides;
    return overrides;
}

// The present devices are looked for only when a port has no entry of its
// own, and then once for all the ports asked about together.
QString deviceForPort(int n, std::optional<QStringList> &present)
{
    const QString given = portOverrides().value(n);
    if (!given.isEmpty())
        return given;
    const QString name = QStringLiteral("COM%1").arg(n);
    const QString mapped = pinnedDevice(n);
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return name;
#else
    if (!present)
        present = presentSerialDevices();
    if (n >= 1 && n <= present->size())
        return present->at(n - 1);
    return QString();
#endif
}

} // namespace

void setPortOverrides(const QMap<int, QString> &devices) { portOverrides() = devices; }

QString pinnedDevice(int n)
{
    return readSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), QString()).trimmed();
}

void pinPort(int n, const QString &device)
{
    const QString key = QStringLiteral("COM%1").arg(n);
    if (device.trimmed().isEmpty())
        removeSetting(QStringLiteral("Ports"), key);
    else
        writeSetting(QStringLiteral("Ports"), key, device.trimmed());
}

PortAssignment portAssignment(int n, const QList<SerialDevice> &present)
{
    PortAssignment a = assignPort(n, portOverrides().value(n), pinnedDevice(n), present);
#ifdef Q_OS_WIN
    if (a.kind == PortAssignment::NthPresent) {
        a.device = QStringLiteral("COM%1").arg(n);
        a.presentIndex = -1;
        for (qsizetype i = 0; i < present.size(); ++i)
            if (present.at(i).path == a.device)
                a.presentIndex = int(i);
    }
#endif
    return a;
}

QString deviceForPort(int n)
{
    std::optional<QStringList> present;
    return deviceForPort(n, present);
}

QStringList devicesForPorts(int count)
{
    std::optional<QStringList> present;
    QStringList devices;
    for (int n = 1; n <= count; ++n)
        devices << deviceForPort(n, present);
    return devices;
}

} // namespace kestrum
