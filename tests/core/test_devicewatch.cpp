// Waiting for a lost device to come back, on real files and folders.
#include "core/devicewatch.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QFile>

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

    // A node that is refused at first (no group yet) is opened on a later
    // try without any further change.
    void aRefusedOpenIsTriedAgain()
    {
        refusals = 2;
        DeviceWatch watch(open);
        watch.watch(path);
        QVERIFY(writeBytes(path, ""));
        QTRY_VERIFY(!watch.isWatching());
        QCOMPARE(tries, 3);
    }

    // What is at the path when the watch starts is the device that was
    // lost: changes beside it do not open it, its return does.
    void theLostNodeWaitsForItsReturn()
    {
        QVERIFY(writeBytes(path, ""));
        DeviceWatch watch(open);
        watch.watch(path);
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
        watch.watch(path);
        QVERIFY(QFile::remove(inner) && QFile::link(other.slavePath(), inner));
        QTest::qWait(200);
        QCOMPARE(tries, 0);
        QVERIFY(QFile::remove(path) && QFile::link(inner, path));
        QTRY_COMPARE(tries, 1);
    }
};

KESTRUM_TEST_MAIN(DeviceWatchTest)
#include "test_devicewatch.moc"
