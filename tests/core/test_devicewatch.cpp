// Waiting for a lost device to come back, on real files and folders.
#include "core/devices/devicewatch.h"
#include "core/base/error.h"
#include "core/port/mscomm.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/received.h"
#include "support/testenv.h"
#include "support/unprivileged.h"
#include <QFile>
#include <QTemporaryDir>

using namespace kestrum;
using namespace kestrum::test;

class DeviceWatchTest : public QObject {
    Q_OBJECT
    QString path;
    int tries = 0;
    int refusals = 0;
    DeviceWatch::Opener open = [this](const QString &device) {
        return device == path && ++tries > refusals;
    };

private slots:
    void init()
    {
        path = scratchDir() + QStringLiteral("/ttyWATCHED");
        QFile::remove(path);
        tries = refusals = 0;
    }

    // Each open raises DTR, which resets many boards: a node is opened once,
    // when its user may open it (udev gives it its group after it appears),
    // and a node that refused the open waits until it changes.
    void aDeviceIsOpenedOnceItsUserMayOpenIt_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::newRow("opened") << 0;
        QTest::newRow("refused although allowed") << 1;
    }

    void aDeviceIsOpenedOnceItsUserMayOpenIt()
    {
        QFETCH(int, refusals);
        this->refusals = refusals;
        QTemporaryDir dir;
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
            | QFile::ReadOther | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(dir.path(), all | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
        path = dir.path() + QStringLiteral("/ttyUSB0");
        DeviceWatch watch(open);
        watch.watch(path, deviceIdentity(path));
        QVERIFY(writeBytes(path, "") && QFile::setPermissions(path, {}));
        const auto waitAsUser = [](int ms) {
            AsUnprivilegedUser user;
            QTest::qWait(ms);
        };
        waitAsUser(300);
        QCOMPARE(tries, 0);
        QVERIFY(QFile::setPermissions(path, all));
        {
            AsUnprivilegedUser user;
            QTRY_COMPARE(tries, 1);
        }
        waitAsUser(300);
        QCOMPARE(tries, 1);
        QCOMPARE(watch.isWatching(), refusals > 0);
        if (refusals > 0) {
            QVERIFY(QFile::setPermissions(path, all & ~QFile::WriteOther));
            QVERIFY(QFile::setPermissions(path, all));
            AsUnprivilegedUser user;
            QTRY_VERIFY(!watch.isWatching());
            QCOMPARE(tries, 2);
        }
    }

    // What is at the path when the watch starts is the device that was
    // lost: changes beside it do not open it, its return does.
    void theLostNodeWaitsForItsReturn()
    {
        QVERIFY(writeBytes(path, ""));
        DeviceWatch watch(open);
        watch.watch(path, deviceIdentity(path));
        QVERIFY(writeBytes(path + QStringLiteral(".beside"), ""));
        QTest::qWait(200);
        QCOMPARE(tries, 0);
        QVERIFY(QFile::remove(path));
        QVERIFY(writeBytes(path, ""));
        QTRY_COMPARE(tries, 1);
        QVERIFY(!watch.isWatching());
    }

    // A pseudo-terminal's number goes to the next program that asks for one:
    // a new one behind an unchanged link is not the device, a link pointed
    // anew is.
    void aPseudoTerminalNeedsItsLinkPointedAnew()
    {
        const QString inner = path + QStringLiteral(".inner");
        QFile::remove(inner);
        Pty lost, other;
        QVERIFY(QFile::link(lost.slavePath(), inner) && QFile::link(inner, path));
        DeviceWatch watch(open);
        watch.watch(path, deviceIdentity(path));
        QVERIFY(QFile::remove(inner) && QFile::link(other.slavePath(), inner));
        QTest::qWait(200);
        QCOMPARE(tries, 0);
        QVERIFY(QFile::remove(path) && QFile::link(inner, path));
        QTRY_COMPARE(tries, 1);
    }

    // The adapter is back at its path (a link pointed at the new device)
    // before the port notices that the old one went: it is opened.
    void aDeviceBackBeforeItsLossIsNoticedIsOpened()
    {
        Pty lost, back;
        QVERIFY(QFile::link(lost.slavePath(), path));
        MSComm port;
        DeviceWatch watch([&port](const QString &device) {
            try {
                port.openDevice(device);
                return true;
            } catch (const Error &) {
                return false;
            }
        });
        connect(&port, &MSComm::deviceGone, &watch, &DeviceWatch::watch);
        int gone = 0;
        connect(&port, &MSComm::deviceGone, this, [&gone] { ++gone; });
        port.openDevice(path);
        QVERIFY(QFile::remove(path) && QFile::link(back.slavePath(), path));
        lost.closeMaster();
        QTRY_COMPARE(gone, 1);
        QTRY_VERIFY(port.PortOpen());
        Received got(port);
        QVERIFY(back.write("AFTER"));
        QTRY_COMPARE(got.joined(), QByteArray("AFTER"));
    }
};

KESTRUM_TEST_MAIN(DeviceWatchTest)
#include "test_devicewatch.moc"
