// The command line: what it accepts, what it refuses, and that the program
// answers it before touching the window system or the settings file.
#include "app/commandline.h"
#include "core/devices/portmap.h"
#include "core/settings/settings.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QDir>
#include <QProcess>

using namespace kestrum;
using namespace kestrum::test;

using PortMap = QMap<int, QString>;

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void init() { resetProgramState(); }
    void cleanup() { setPortOverrides({}); }

    void mistakesAreRefusedWithAMessage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "Unknown option 'bogus'";
        QTest::newRow("unknown short option") << QStringList{"-x"} << "Unknown option 'x'";
        QTest::newRow("stray word") << QStringList{"COM1"} << "unexpected argument 'COM1'";
        QTest::newRow("port without value") << QStringList{"--port"} << "Missing value after '--port'";
        QTest::newRow("no equals sign") << QStringList{"--port", "COM1"} << "wants COMn=DEVICE";
        QTest::newRow("not a COM name") << QStringList{"--port", "ttyUSB0=/dev/ttyUSB0"} << "wants COMn=DEVICE";
        QTest::newRow("no number") << QStringList{"--port", "COM=/dev/x"} << "wants COMn=DEVICE";
        QTest::newRow("port 0") << QStringList{"--port", "COM0=/dev/x"} << "there is no port COM0";
        QTest::newRow("port 4") << QStringList{"--port=COM4=/dev/x"} << "there is no port COM4";
        QTest::newRow("huge number") << QStringList{"--port", "COM99999999999=/dev/x"} << "no port COM99999999999";
        QTest::newRow("empty device") << QStringList{"--port", "COM2="} << "no device given";
        QTest::newRow("blank device") << QStringList{"--port", "COM2=  "} << "no device given";
        QTest::newRow("port given twice")
            << QStringList{"--port", "COM1=/dev/a", "--port", "com1=/dev/b"} << "COM1 is given twice";
        QTest::newRow("by-id without folder") << QStringList{"--by-id="} << "--by-id: no folder given";
        QTest::newRow("mistake beside --help") << QStringList{"--help", "--bogus"} << "Unknown option";
    }
    void mistakesAreRefusedWithAMessage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const CommandLine cmd = parseCommandLine(QStringList{"kestrum"} + args);
        QCOMPARE(cmd.action, CommandLine::Error);
        QVERIFY2(cmd.text.startsWith("kestrum: ") && cmd.text.contains(says), qPrintable(cmd.text));
        QVERIFY(cmd.text.contains("kestrum --help"));
        QVERIFY(cmd.ports.isEmpty());
    }

    void goodLinesSayWhatToDo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<PortMap>("ports");
        QTest::newRow("nothing") << QStringList{} << int(CommandLine::Run) << PortMap{};
        QTest::newRow("one port") << QStringList{"--port", "COM1=/dev/ttyACM0"} << int(CommandLine::Run)
                                  << PortMap{{1, "/dev/ttyACM0"}};
        QTest::newRow("any case, equals form, two ports")
            << QStringList{"--port=com3=/dev/serial/by-id/x=y", "--port", "Com2=/dev/ttyS0"} << int(CommandLine::Run)
            << PortMap{{3, "/dev/serial/by-id/x=y"}, {2, "/dev/ttyS0"}};
        QTest::newRow("same mapping twice") << QStringList{"--port", "COM1=/d", "--port", "COM1=/d"}
                                            << int(CommandLine::Run) << PortMap{{1, "/d"}};
        QTest::newRow("by-id folder") << QStringList{"--by-id", "/tmp/links", "--port", "COM1=/d"}
                                      << int(CommandLine::Run) << PortMap{{1, "/d"}};
        QTest::newRow("help") << QStringList{"-h"} << int(CommandLine::Help) << PortMap{};
        QTest::newRow("version") << QStringList{"--version"} << int(CommandLine::Version) << PortMap{};
    }
    void goodLinesSayWhatToDo()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(PortMap, ports);
        const CommandLine cmd = parseCommandLine(QStringList{"kestrum"} + args);
        QCOMPARE(int(cmd.action), action);
        QCOMPARE(cmd.ports, ports);
        QCOMPARE(cmd.byIdFolder, args.contains("--by-id") ? QStringLiteral("/tmp/links") : QString());
        if (action == CommandLine::Help)
            QVERIFY2(cmd.text.startsWith("Usage: kestrum [options]") && cmd.text.contains("--port <COMn=DEVICE>"),
                     qPrintable(cmd.text));
        if (action == CommandLine::Version)
            QCOMPARE(cmd.text, QStringLiteral("kestrum " KESTRUM_VERSION "\n"));
    }

    void aPortGivenForTheRunComesBeforeTheSettingsFile()
    {
        writeSetting("Ports", "COM1", "/dev/from-settings");
        writeSetting("Ports", "COM2", "/dev/settings-two");
        const QByteArray stored = readBytes(settingsFilePath());
        setPortOverrides({{1, "/dev/from-command-line"}});
        QCOMPARE(devicesForPorts(2), (QStringList{"/dev/from-command-line", "/dev/settings-two"}));
        QCOMPARE(readBytes(settingsFilePath()), stored);
        setPortOverrides({});
        QCOMPARE(deviceForPort(1), QStringLiteral("/dev/from-settings"));
    }

    // The real program opens the device given for COM1 rather than the one
    // the settings file names, and leaves the file's entry as it was.
    void theProgramOpensThePortGivenOnTheCommandLine()
    {
        Pty pty;
        QVERIFY(pty.isValid());
        QVERIFY(pty.baudRate() != 9600);
        const QString config = scratchDir() + "/port-run-config";
        const QByteArray entry = "[Ports]\nCOM1=/dev/kestrum-not-this-one\n";
        QVERIFY(QDir().mkpath(config + "/Kestrum") && writeBytes(config + "/Kestrum/Kestrum.ini", entry));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KESTRUM_BINARY, {"--port", "COM1=" + pty.slavePath()});
        QTRY_COMPARE_WITH_TIMEOUT(pty.baudRate(), 9600, 30000);  // the program's default line speed
        p.kill();
        p.waitForFinished();
        const QByteArray stored = readBytes(config + "/Kestrum/Kestrum.ini");
        QVERIFY2(stored.contains(entry) && !stored.contains(pty.slavePath().toUtf8()), stored.constData());
    }

    // The real program, with no display at all: a mistake and the two
    // questions are answered before Qt looks for a window system, and leave
    // no configuration behind.
    void theProgramAnswersWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("mistake") << QStringList{"--port", "COM9=/dev/x"} << 2 << ""
                                 << "kestrum: --port COM9=/dev/x: there is no port COM9";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--port <COMn=DEVICE>" << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "kestrum " KESTRUM_VERSION << "";
    }
    void theProgramAnswersWithoutADisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QString config = scratchDir() + "/no-display-config";
        QDir().mkpath(config);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("XDG_CONFIG_HOME", config);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KESTRUM_BINARY, args);
        QVERIFY(p.waitForFinished(30000));
        const QString stdOut = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == status, qPrintable(stdErr));
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
        QVERIFY(QDir(config).isEmpty());
    }
};

KESTRUM_TEST_MAIN(CommandLineTest)
#include "test_commandline.moc"
