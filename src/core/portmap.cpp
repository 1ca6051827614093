#include "core/portmap.h"
#include "core/settings.h"
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
    QStringList usb, others;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        others << info.portName();
#else
        const QString path = info.systemLocation();
        const QString name = info.portName();
        if (name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")))
            usb << path;
        else
            others << path;
#endif
    }
#ifndef Q_OS_WIN
    // Adapters that the port enumeration does not know (no udev) still count.
    const QStringList nodes = QDir(QStringLiteral("/dev"))
                                  .entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &n : nodes) {
        const QString path = QStringLiteral("/dev/") + n;
        if (!usb.contains(path))
            usb << path;
    }
#endif
    std::sort(usb.begin(), usb.end(), naturalLess);
    std::sort(others.begin(), others.end(), naturalLess);
    usb.removeDuplicates();
    others.removeDuplicates();
    return usb + others;
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
    const QString mapped = readSetting(QStringLiteral("Ports"), name, QString()).trimmed();
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
