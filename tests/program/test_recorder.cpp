// kestrum --record, the real program with no display: every byte in the
// file when a signal ends it, the port's events on standard error, a device
// lost and back, and the exit statuses.
#include "core/settings.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <csignal>

using namespace kestrum::test;

namespace {

// The recorder as a service would start it: no display, no platform plugin.
void startRecorder(QProcess &p, const QString &config, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("XDG_CONFIG_HOME", config);
    p.setProcessEnvironment(env);
    p.start(KESTRUM_BINARY, args);
}

} // namespace

class RecorderTest : public QObject {
    Q_OBJECT

private slots:
    void init() { resetProgramState(); }

    // A device lost and back with "again" on, SIGINT otherwise.
    void everyByteIsInTheFileWhenASignalEndsIt_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("again");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false << QStringList();
        QTest::newRow("SIGINT, echo, a file each day") << int(SIGINT) << false
                                                       << QStringList{"--echo", "--new-file", "day"};
        QTest::newRow("device lost and back") << int(SIGTERM) << true << QStringList{"--line", "115200,n,8,1"};
    }
    void everyByteIsInTheFileWhenASignalEndsIt()
    {
        QFETCH(int, signal);
        QFETCH(bool, again);
        QFETCH(QStringList, options);
        const QString dir = scratchDir() + "/record-" + QString::number(qHash(QString(QTest::currentDataTag())));
        QDir(dir).removeRecursively();
        QVERIFY(QDir().mkpath(dir + "/config"));
        auto pty = std::make_unique<Pty>();
        const QString link = dir + "/ttyREC";
        QVERIFY(pty->isValid() && QFile::link(pty->slavePath(), link));
        QProcess p;
        QString err;
        const auto told = [&](const QString &what) {
            err += QString::fromLocal8Bit(p.readAllStandardError());
            return err.count(what);
        };
        startRecorder(p, dir + "/config", QStringList{"--record", dir + "/rec.txt", "--port", "COM1=" + link} + options);
        QTRY_COMPARE_WITH_TIMEOUT(told(" opened"), 1, 30000);

        QByteArray sent;
        for (int i = 0; i < 40; ++i) {
            const QByteArray piece = QByteArray::number(i).repeated(1 + i * 97 % 2000) + '|';
            QVERIFY(pty->write(piece));
            sent += piece;
            if (i % 10 == 9 && i < 39)
                QTest::qWait(150);   // a message ends; the last is under way at the signal
            if (again && i == 19) {
                // Once all is written the device goes, and another comes at the path.
                QTRY_COMPARE_WITH_TIMEOUT(readBytes(dir + "/rec.txt").replace("\r\n", ""), sent, 10000);
                pty->closeMaster();
                QTRY_COMPARE_WITH_TIMEOUT(told(" lost"), 1, 10000);
                pty = std::make_unique<Pty>();
                QVERIFY(QFile::remove(link) && QFile::link(pty->slavePath(), link));
                QTRY_COMPARE_WITH_TIMEOUT(told(" opened again"), 1, 10000);
            }
        }
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        told("");
        QCOMPARE(err.count('\n'), again ? 4 : 2);
        QVERIFY2(err.endsWith(" closed\n"), qPrintable(err));

        const QStringList files = QDir(dir).entryList({"rec*"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.constFirst() != "rec.txt", options.contains("day"));
        const QByteArray file = readBytes(dir + "/" + files.constFirst());
        QVERIFY(file.endsWith("\r\n"));
        QCOMPARE(QByteArray(file).replace("\r\n", ""), sent);
        const QByteArray out = p.readAllStandardOutput();
        QCOMPARE(out, options.contains("--echo") ? QByteArray(file).replace("\r\n", "\n") : QByteArray());
    }

    // Nothing is written, and the settings are left alone.
    void failuresHaveTheirExitStatus_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("line parameters") << "failed.txt" << "115200,x,8,1" << 2 << "--line: Invalid port settings";
        QTest::newRow("no such device") << "failed.txt" << "" << 3 << "COM1 (/dev/kestrum-none) cannot be opened";
        QTest::newRow("no such folder") << "none/failed.txt" << "" << 4 << "/none does not exist";
    }
    void failuresHaveTheirExitStatus()
    {
        QFETCH(QString, file);
        QFETCH(QString, line);
        QFETCH(int, status);
        QFETCH(QString, says);
        const QString config = scratchDir() + "/record-failure-config";
        QDir(config).removeRecursively();
        QProcess p;
        QStringList args{"--record", scratchDir() + "/" + file, "--port", "COM1=/dev/kestrum-none"};
        if (!line.isEmpty())
            args << "--line" << line;
        startRecorder(p, config, args);
        QVERIFY(p.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(p.exitCode() == status && err.startsWith("kestrum: ") && err.contains(says), qPrintable(err));
        QVERIFY(!QFile::exists(scratchDir() + "/" + file));
        QVERIFY(!QDir(config).exists());
    }
};

KESTRUM_TEST_MAIN(RecorderTest)
#include "test_recorder.moc"
