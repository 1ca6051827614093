// The command line: what it accepts, what it refuses, and that the program
// answers it before touching the window system or the settings file; the
// recorder it starts.
#include "app/commandline.h"
#include "core/devices/portmap.h"
#include "core/settings/settings.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QDir>
#include <QProcess>
#include <csignal>

using namespace kestrum;
using namespace kestrum::test;

using PortMap = QMap<int, QString>;

namespace {

// As a service or an SSH session would start the program.
QProcessEnvironment withoutDisplay(const QString &config)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("XDG_CONFIG_HOME", config);
    return env;
}

} // namespace

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
        QTest::newRow("record without file") << QStringList{"--record="} << "--record: no file given";
        QTest::newRow("record two ports") << QStringList{"--record", "f", "--port", "COM1=/a", "--port", "COM2=/b"}
                                          << "--record records one port";
        QTest::newRow("echo without record") << QStringList{"--echo"} << "--echo is for --record";
        QTest::newRow("line without record") << QStringList{"--line", "9600,n,8,1"} << "--line is for --record";
        QTest::newRow("new file of no size") << QStringList{"--record", "f", "--new-file", "0"} << "--new-file wants";
        QTest::newRow("new file each week") << QStringList{"--record", "f", "--new-file", "week"} << "--new-file wants";
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
            QVERIFY2(cmd.text.startsWith("Usage: kestrum [options]") && cmd.text.contains("--port <COMn=DEVICE>")
                         && cmd.text.contains("--record <FILE>") && cmd.text.contains("--new-file <day|SIZE_MB>"),
                     qPrintable(cmd.text));
        if (action == CommandLine::Version)
            QCOMPARE(cmd.text, QStringLiteral("kestrum " KESTRUM_VERSION "\n"));
    }

    void recordingIsAsked_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("port");
        QTest::addColumn<double>("newFile");  // -1: the stored choice
        QTest::addColumn<bool>("echo");
        QTest::newRow("file alone") << QStringList{"--record", "log.txt"} << 1 << -1.0 << false;
        QTest::newRow("port, a file each day, echo")
            << QStringList{"--record=log.txt", "--port", "COM2=/dev/ttyACM0", "--new-file", "Day", "--echo"} << 2 << 0.0
            << true;
        QTest::newRow("a file at half a MB") << QStringList{"--new-file", "0.5", "--record", "log.txt"} << 1 << 0.5 << false;
    }
    void recordingIsAsked()
    {
        QFETCH(QStringList, args);
        QFETCH(int, port);
        QFETCH(double, newFile);
        QFETCH(bool, echo);
        const CommandLine cmd = parseCommandLine(QStringList{"kestrum", "--line", "115200,n,8,1"} + args);
        QCOMPARE(cmd.action, CommandLine::Record);
        QCOMPARE(cmd.recordFile, QStringLiteral("log.txt"));
        QCOMPARE(cmd.recordPort, port);
        QCOMPARE(cmd.lineParameters, QStringLiteral("115200,n,8,1"));
        QCOMPARE(cmd.newFileMB.value_or(-1), newFile);
        QCOMPARE(cmd.echo, echo);
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
        // The recorder's failures: nothing recorded, nothing stored.
        const QStringList record{"--record", scratchDir() + "/rec.txt", "--port", "COM1=/dev/kestrum-none"};
        QTest::newRow("record: line refused") << record + QStringList{"--line", "9600,x,8,1"} << 2 << ""
                                              << "kestrum: --line: Invalid port settings";
        QTest::newRow("record: no folder") << QStringList{"--record", scratchDir() + "/none/rec.txt"} << 4 << ""
                                           << "kestrum: " + scratchDir() + "/none/rec.txt cannot be written";
        QTest::newRow("record: no device") << record << 3 << "" << "kestrum: COM1 (/dev/kestrum-none) cannot be opened";
    }
    void theProgramAnswersWithoutADisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QString config = scratchDir() + "/no-display-config";
        QDir().mkpath(config);
        QProcess p;
        p.setProcessEnvironment(withoutDisplay(config));
        p.start(KESTRUM_BINARY, args);
        QVERIFY(p.waitForFinished(30000));
        const QString stdOut = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == status, qPrintable(stdErr));
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
        QVERIFY(QDir(config).isEmpty() && !QFile::exists(scratchDir() + "/rec.txt"));
    }

    // kestrum --record with no display: every byte in the file when a signal
    // ends it, also with a device lost and back; the port's events on
    // standard error; standard output only with --echo.
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
        p.setProcessEnvironment(withoutDisplay(dir + "/config"));
        p.start(KESTRUM_BINARY, QStringList{"--record", dir + "/rec.txt", "--port", "COM1=" + link} + options);
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
};

KESTRUM_TEST_MAIN(CommandLineTest)
#include "test_commandline.moc"
