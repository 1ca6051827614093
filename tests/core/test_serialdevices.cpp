// Which device each port stands for, and how a device is described, from
// made-up device lists.
#include "core/devices/serialdevices.h"
#include "support/testenv.h"

using namespace kestrum;
using namespace kestrum::test;

namespace {

SerialDevice device(const QString &path, const QString &byId = QString())
{
    SerialDevice d;
    d.path = path;
    d.byId = byId;
    return d;
}

QStringList paths(const QList<SerialDevice> &devices)
{
    QStringList p;
    for (const SerialDevice &d : devices)
        p << d.path;
    return p;
}

} // namespace

class SerialDevicesTest : public QObject {
    Q_OBJECT

private slots:
    void portOrder_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("USB adapters first, natural order")
            << QStringList{"/dev/ttyS0", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyAMA0"}
            << QStringList{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyAMA0", "/dev/ttyS0"};
        QTest::newRow("listed twice, counted once")
            << QStringList{"/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyUSB1"} << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"};
        QTest::newRow("none") << QStringList{} << QStringList{};
    }
    void portOrder()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, expected);
        QList<SerialDevice> devices;
        for (const QString &p : listed)
            devices << device(p);
        QCOMPARE(paths(inPortOrder(devices)), expected);
    }

    void details_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("manufacturer");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("vid");  // -1: no identifiers
        QTest::addColumn<int>("pid");
        QTest::addColumn<QString>("byId");
        QTest::addColumn<QString>("expected");  // kind=value lines
        QTest::newRow("FTDI, everything known")
            << "FT232R USB UART" << "FTDI" << "A50285BI" << 0x0403 << 0x6001
            << "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
            << "0=FT232R USB UART|1=FTDI|2=A50285BI|3=0403:6001|4=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
        QTest::newRow("CH340 without serial number or link")
            << "USB Serial" << "1a86" << "" << 0x1a86 << 0x7523 << "" << "0=USB Serial|1=1a86|3=1a86:7523";
        QTest::newRow("identifiers of zero are still identifiers") << "" << "" << "" << 0 << 0 << "" << "3=0000:0000";
        QTest::newRow("on-board UART: nothing known") << "" << "  " << "" << -1 << 0 << "" << "";
    }
    void details()
    {
        QFETCH(QString, description);
        QFETCH(QString, manufacturer);
        QFETCH(QString, serial);
        QFETCH(int, vid);
        QFETCH(int, pid);
        QFETCH(QString, byId);
        QFETCH(QString, expected);
        SerialDevice d = device("/dev/ttyUSB0", byId);
        d.description = description;
        d.manufacturer = manufacturer;
        d.serialNumber = serial;
        d.hasIds = vid >= 0;
        d.vendorId = quint16(qMax(vid, 0));
        d.productId = quint16(pid);
        QStringList got;
        for (const auto &detail : deviceDetails(d))
            got << QString::number(int(detail.first)) + '=' + detail.second;
        QCOMPARE(got.join('|'), expected);
    }

    void assignment_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("pinned");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("index");
        const QString byIdB = "/dev/serial/by-id/usb-B";
        QTest::newRow("second present") << 2 << "" << "" << int(PortAssignment::NthPresent) << "/dev/ttyUSB1" << 1;
        QTest::newRow("fourth: none") << 4 << "" << "" << int(PortAssignment::NthPresent) << "" << -1;
        QTest::newRow("pinned by its link") << 1 << "" << byIdB << int(PortAssignment::Pinned) << byIdB << 1;
        QTest::newRow("pinned by its path") << 3 << "" << "/dev/ttyUSB1" << int(PortAssignment::Pinned)
                                            << "/dev/ttyUSB1" << 1;
        QTest::newRow("pinned, unplugged") << 1 << "" << "/dev/serial/by-id/usb-C" << int(PortAssignment::Pinned)
                                           << "/dev/serial/by-id/usb-C" << -1;
        QTest::newRow("the command line wins") << 1 << "/dev/ttyS0" << byIdB << int(PortAssignment::Given)
                                               << "/dev/ttyS0" << 2;
    }
    void assignment()
    {
        QFETCH(int, n);
        QFETCH(QString, given);
        QFETCH(QString, pinned);
        QFETCH(int, kind);
        QFETCH(QString, device);
        QFETCH(int, index);
        const QList<SerialDevice> present{::device("/dev/ttyUSB0", "/dev/serial/by-id/usb-A"),
                                          ::device("/dev/ttyUSB1", "/dev/serial/by-id/usb-B"), ::device("/dev/ttyS0")};
        const PortAssignment a = assignPort(n, given, pinned, present);
        QCOMPARE(int(a.kind), kind);
        QCOMPARE(a.device, device);
        QCOMPARE(a.presentIndex, index);
    }
};

KESTRUM_TEST_MAIN(SerialDevicesTest)
#include "test_serialdevices.moc"
