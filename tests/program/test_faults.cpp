// The program when the bench misbehaves: devices that vanish, ports it may
// not open, files and settings it cannot write, garbage in the store, fast
// streams, and leaving at awkward moments. Nothing received may be lost,
// nothing may freeze or spin, every failure is said once and plainly.
#include "ui/main/form1.h"
#include "ui/actions/transmitactions.h"
#include "ui/main/portpanel.h"
#include "core/session/session.h"
#include "ui/main/windows.h"
#include "core/devices/devicewatch.h"
#include "ui/dialogs/savechangesprompt.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/aboutdialog.h"
#include "ui/dialogs/warningdialog.h"
#include "ui/dialogs/optionswindow.h"
#include "core/base/error.h"
#include "core/port/mscomm.h"
#include "core/settings/settings.h"
#include "support/controls.h"
#include "support/driver.h"
#include "support/closeframe.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/process.h"
#include "support/programtest.h"
#include "support/pty.h"
#include "support/stream.h"
#include "support/testenv.h"
#include "support/unprivileged.h"
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {

// Processor time the program uses over a second of its event loop.
double cpuOverASecond()
{
    const double before = cpuSeconds();
    QTest::qWait(1000);
    return cpuSeconds() - before;
}

QByteArray boxBytes(const Form1 *f) { return receivedBox(f)->text().toLatin1(); }

// Runs the event loop until the program has left (or a watchdog fires).
bool programLeaves(int timeoutMs)
{
    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(timeoutMs);
    const int rc = QCoreApplication::exec();
    return !timedOut && rc == 0;
}

qsizetype openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

bool anythingShown()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return true;
    return false;
}

// Stream length for the fast-data cases: a full minute normally, less in the
// sanitizer build, which runs several times slower.
int streamSeconds()
{
#if defined(__SANITIZE_ADDRESS__)
    return 15;
#else
    return 60;
#endif
}

} // namespace

class FaultsTest : public ProgramTest {
    Q_OBJECT
    QString link;      // the stable device path COM1 points at
    QString autosave;  // the autosave file of the test
    Form1 *f = nullptr;

    QStringList &messages() { return fakes.messageBox->messages; }

    // The store readable (not writable) by every user.
    void shareStore()
    {
        const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                              | QFile::ExeOther;
        QFile::setPermissions(QDir::homePath(), everyone);
        QFile::setPermissions(QFileInfo(QFileInfo(settingsFilePath()).path()).path(), everyone);
        QFile::setPermissions(QFileInfo(settingsFilePath()).path(), everyone);
        QFile::setPermissions(settingsFilePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    }

    // Runs the probe as the unprivileged user "nobody" in this test's
    // environment; what it said, or nothing when the test cannot do that.
    QStringList runAsUnprivilegedUser(const QString &mode)
    {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (::geteuid() != 0 || setpriv.isEmpty())
            return {};
        // A copy where every user may run it, wherever the build lives.
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kestrum-probe-XXXXXX"));
        const QString probe = dir.filePath(QStringLiteral("kestrum_probe"));
        if (!QFile::copy(QStringLiteral(KESTRUM_PROBE), probe))
            return {};
        const auto runnable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                              | QFile::ExeOther;
        QFile::setPermissions(dir.path(), runnable);
        QFile::setPermissions(probe, runnable);
        const QString nobody = QString::number(unprivilegedUserId());
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(setpriv, {QStringLiteral("--reuid=") + nobody, QStringLiteral("--regid=") + nobody,
                          QStringLiteral("--clear-groups"), probe, mode});
        if (!p.waitForFinished(60000)) {
            p.kill();
            return {QStringLiteral("probe did not finish")};
        }
        QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }

    // A link to the device that every user may follow and use, under a name no
    // earlier run has locked: a terminal's number comes back, and a lock an
    // ended root process left for it would stop the unprivileged program.
    static QString freshLink(const Pty &device, const QTemporaryDir &dir)
    {
        QFile::setPermissions(device.slavePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther
                                                      | QFile::WriteOther);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                              | QFile::ReadOther | QFile::ExeOther);
        const QString path = dir.filePath(QStringLiteral("ttyUSB"));
        return QFile::link(device.slavePath(), path) ? path : QString();
    }

    // A device appears behind the stable path (an adapter plugged in).
    bool plugIn()
    {
        pty = std::make_unique<Pty>();
        if (!pty->isValid())
            return false;
        QFile::remove(link);
        return QFile::link(pty->slavePath(), link);
    }

    bool start(int timeout = 50)
    {
        if (!plugIn())
            return false;
        mapPort(1, link);
        f = startTestProgram();
        f->session().setReceiveTimeout(timeout);
        setReceivedStamps(false, false, false);
        setLengthCheck(false);
        optionsWindow()->Check1->setChecked(false);
        autosave = autosaveTo(QStringLiteral("faults-auto.txt"));
        messages().clear();
        return f->session().port()->PortOpen();
    }

    // The device sends one burst and the program shows it as a message.
    bool receive(const QByteArray &burst)
    {
        const QString before = receivedBox(f)->text();
        if (!pty->write(burst))
            return false;
        return QTest::qWaitFor([&] { return receivedBox(f)->text() == QString::fromLatin1(burst) + "\r\n" + before && idle(f); });
    }

private slots:
    void init()
    {
        beginTest();
        link = scratchDir() + QStringLiteral("/ttyKESTRUM");
    }

    void cleanup()
    {
        endTest();
        f = nullptr;
        QFile::remove(link);
    }

    // --- The device goes away ---

    void deviceLoss_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("idle") << "idle";
        QTest::newRow("collecting a message") << "collecting";
        QTest::newRow("second tick waiting") << "waiting";
        QTest::newRow("sending") << "sending";
        QTest::newRow("send before the loss is noticed") << "send after";
    }

    void deviceLoss()
    {
        QFETCH(QString, when);
        QVERIFY(start(when == QLatin1String("collecting") ? 400 : 50));
        QVERIFY(receive("before"));

        if (when == QLatin1String("idle")) {
            pty->closeMaster();
        } else if (when == QLatin1String("collecting")) {
            QVERIFY(pty->write("during"));
            QTRY_VERIFY(f->session().framing() != Session::Framing::Idle);
            pty->closeMaster();
        } else if (when == QLatin1String("waiting")) {
            // A port event without data: the second tick waits for the device.
            bool wasWaiting = false;
            QTimer::singleShot(200, f, [&] {
                wasWaiting = f->session().isWaitingForData();
                pty->closeMaster();
            });
            f->MSComm1_OnComm();
            QTRY_VERIFY(wasWaiting);
        } else if (when == QLatin1String("sending")) {
            // More than the line takes at once: the device goes while the
            // rest still waits to be written.
            sendBox(f)->setPlainText(QString(300000, QLatin1Char('s')));
            f->transmit().Command1_Click();
            QVERIFY(f->session().port()->PortOpen());
            QTest::qWait(50);
            pty->closeMaster();
        } else {
            pty->closeMaster();
            sendBox(f)->setPlainText(QStringLiteral("hello"));
            optionsWindow()->Check1->setChecked(true);
            f->transmit().Command1_Click();
        }

        QTRY_COMPARE(messages().size(), 1);
        QVERIFY2(messages().first().contains(QStringLiteral("COM1")), qPrintable(messages().first()));
        QVERIFY(messages().first().contains(QStringLiteral("opened again when the device comes back")));
        QVERIFY(!f->session().port()->PortOpen());
        QVERIFY(deviceWatch(f)->isWatching());
        QTRY_VERIFY(idle(f));
        const double cpu = cpuOverASecond();
        QVERIFY2(cpu < 0.05, qPrintable(QStringLiteral("%1 s of processor time after the loss").arg(cpu)));
        QCOMPARE(messages().size(), 1);

        // Everything received before the loss is kept, and nothing claims a
        // send that never reached the device.
        const QByteArray kept = when == QLatin1String("collecting") ? "during\r\nbefore\r\n" : "before\r\n";
        QCOMPARE(boxBytes(f), kept);
        QCOMPARE(joinRecords(readBytes(autosave), false), joinRecords(kept, true));

        // The adapter is back behind the same path: the port opens by
        // itself, quietly, and the next burst is a message of its own.
        QVERIFY(plugIn());
        QTRY_VERIFY(f->session().port()->PortOpen());
        QVERIFY(!deviceWatch(f)->isWatching());
        QVERIFY(receive("after"));
        QCOMPARE(messages().size(), 1);
        QVERIFY(readBytes(autosave).endsWith("after\r\n"));
    }

    // Back within the timeouts of the message under way at the loss: that
    // message keeps what came before the loss (it ends with it), the next
    // burst is one of its own.
    void backDuringAMessage()
    {
        QVERIFY(start(1000));
        QVERIFY(pty->write("during"));
        QTRY_VERIFY(f->session().framing() != Session::Framing::Idle);
        pty->closeMaster();
        QTRY_VERIFY(!f->session().port()->PortOpen());
        QVERIFY(plugIn());
        QTRY_VERIFY(f->session().port()->PortOpen());
        QVERIFY(pty->write("after"));
        QTRY_COMPARE(boxBytes(f), QByteArray("after\r\nduring\r\n"));
        QTRY_VERIFY(idle(f));
        QCOMPARE(joinRecords(readBytes(autosave), false), joinRecords("after\r\nduring\r\n", true));
        QCOMPARE(messages().size(), 1);
    }

    void theWatchEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Close Port") << "close";
        QTest::newRow("another port") << "COM2";
        QTest::newRow("leaving") << "leave";
    }

    void theWatchEnds()
    {
        QFETCH(QString, how);
        QVERIFY(start());
        mapPort(2, scratchDir() + QStringLiteral("/no-such-device"));
        pty->closeMaster();
        QTRY_VERIFY(deviceWatch(f)->isWatching());
        QVERIFY(list(f, "Combo1")->toolTip().contains(link));
        if (how == QLatin1String("close"))
            f->ports().Command2_Click();
        else if (how == QLatin1String("COM2"))
            f->ports().selectListItem(list(f, "Combo1"), how);
        else
            f->close();
        QVERIFY(!deviceWatch(f)->isWatching());
        QVERIFY(!list(f, "Combo1")->toolTip().contains(QStringLiteral("waits for")));
        QVERIFY(plugIn());
        QTest::qWait(300);
        QVERIFY(!f->session().port()->PortOpen());
    }

    // A device that keeps coming and going: the port back every time, at
    // most one message for each loss, no descriptor left behind.
    void flappingDevice()
    {
        QVERIFY(start());
        qsizetype descriptors = 0;
        for (int i = 1; i <= 10; ++i) {
            pty->closeMaster();
            QTRY_VERIFY(deviceWatch(f)->isWatching());
            QVERIFY(plugIn());
            QTRY_VERIFY(f->session().port()->PortOpen());
            QVERIFY(receive("flap" + QByteArray::number(i)));
            QCOMPARE(messages().size(), i);
            const qsizetype open = openDescriptors();
            if (i == 1)
                descriptors = open;
            QCOMPARE(open, descriptors);
        }
    }

    // --- Ports the program may not open ---

    void portInUseSaysSo()
    {
        QVERIFY(start());
        MSComm other;
        try {
            other.setPortOpen(true);
            QFAIL("the port opened twice");
        } catch (const Error &e) {
            QVERIFY2(e.description().contains(QStringLiteral("in use by another program")), qPrintable(e.description()));
        }
        // The program's own port is untouched.
        QVERIFY(receive("still here"));
    }

    void permissionDeniedNamesTheGroup()
    {
        Pty device;
        QVERIFY(device.isValid());
        const struct group *dialout = ::getgrnam("dialout");
        const gid_t gid = dialout ? dialout->gr_gid : 20;
        if (::geteuid() == 0) {
            const QByteArray path = QFile::encodeName(device.slavePath());
            QCOMPARE(::chown(path.constData(), 0, gid), 0);
            QCOMPARE(::chmod(path.constData(), 0660), 0);
        }
        mapPort(1, device.slavePath());
        shareStore();
        const QStringList said = runAsUnprivilegedUser(QStringLiteral("open"));
        if (said.isEmpty())
            QSKIP("needs root and setpriv to open the device as an unprivileged user");
        QCOMPARE(said.size(), 1);
        const QString d = said.first();
        QVERIFY2(d.startsWith(QStringLiteral("refused: COM1 (%1)").arg(device.slavePath())), qPrintable(d));
        QVERIFY2(d.contains(QStringLiteral("permission denied")), qPrintable(d));
        QVERIFY2(d.contains(QStringLiteral("\"%1\"").arg(QString::fromLocal8Bit(::getgrgid(gid)->gr_name))),
                 qPrintable(d));
    }

    void lockHolderIsNamed_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::newRow("holder running") << "running";
        QTest::newRow("holder ended") << "ended";
        // Its number now another program's, one the user may look at.
        QTest::newRow("number reused") << "reused";
    }

    // A lock file owned by root in the sticky lock folder: Qt says only that
    // it could not lock; the user is told who holds it, or what to remove.
    void lockHolderIsNamed()
    {
        QFETCH(QString, holder);
        const bool ended = holder != QLatin1String("running");
        Pty device;
        QVERIFY(device.isValid());
        const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kestrum-link-XXXXXX"));
        const QString path = freshLink(device, dir);
        QVERIFY(!path.isEmpty());
        const QString lock = QStringLiteral("/var/lock/LCK..") + QString(path).replace(QLatin1Char('/'), QLatin1Char('_'));
        if (::geteuid() != 0 || !QFileInfo(QStringLiteral("/var/lock")).isWritable())
            QSKIP("needs root and a writable /var/lock to leave a lock another user may not remove");
        qint64 pid = ::getpid();
        QProcess other;
        const auto stopOther = qScopeGuard([&] { other.kill(); other.waitForFinished(); });
        if (holder == QLatin1String("ended")) {
            other.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
            QVERIFY(other.waitForFinished());
            pid = other.readAllStandardOutput().trimmed().toLongLong();
            QVERIFY(pid > 0);
        } else if (holder == QLatin1String("reused")) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("needs setpriv to run a program as the unprivileged user");
            const QString nobody = QString::number(unprivilegedUserId());
            other.start(setpriv, {QStringLiteral("--reuid=") + nobody, QStringLiteral("--regid=") + nobody,
                                  QStringLiteral("--clear-groups"), QStringLiteral("sleep"), QStringLiteral("60")});
            QVERIFY(other.waitForStarted());
            pid = other.processId();
        }
        QVERIFY(writeBytes(lock, QByteArray::number(pid) + "\nminicom\nbench\n"));
        const auto removeLock = qScopeGuard([&] { QFile::remove(lock); });
        mapPort(1, path);
        shareStore();
        const QStringList said = runAsUnprivilegedUser(QStringLiteral("open"));
        if (said.isEmpty())
            QSKIP("needs setpriv to open the device as an unprivileged user");
        QCOMPARE(said.size(), 1);
        const QString d = said.first();
        if (ended) {
            QVERIFY2(d.contains(QStringLiteral("lock file %1 was left by a program that has ended (process %2)")
                                    .arg(lock).arg(pid)),
                     qPrintable(d));
            QVERIFY2(d.contains(QStringLiteral("sudo rm ") + lock), qPrintable(d));
        } else {
            QVERIFY2(d.contains(QStringLiteral("in use by another program")), qPrintable(d));
            QVERIFY2(d.contains(QStringLiteral("(minicom, process %1)").arg(pid)), qPrintable(d));
        }
    }

    // --- The autosave file fails ---

    void autosaveFailure_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("missing folder") << "folder";
        QTest::newRow("read-only file") << "read-only";
        QTest::newRow("full disk") << "full";
    }

    void autosaveFailure()
    {
        QFETCH(QString, how);
        QVERIFY(start());
        std::unique_ptr<AsUnprivilegedUser> user;
        QString failing;
        if (how == QLatin1String("folder")) {
            failing = scratchDir() + QStringLiteral("/gone/auto.txt");
            QDir(scratchDir()).rmpath(QStringLiteral("gone"));
        } else if (how == QLatin1String("read-only")) {
            failing = scratchDir() + QStringLiteral("/read-only.txt");
            QVERIFY(writeBytes(failing, "old\r\n"));
            QVERIFY(QFile::setPermissions(failing, QFile::ReadOwner | QFile::ReadOther));
            if (::geteuid() == 0) {
                // Root writes through permissions; the user meeting this file does not.
                QVERIFY(QFile::setPermissions(QDir::homePath(), QFile::ReadOwner | QFile::WriteOwner
                                                                   | QFile::ExeOwner | QFile::ExeOther));
                QVERIFY(QFile::setPermissions(scratchDir(), QFile::ReadOwner | QFile::WriteOwner
                                                                | QFile::ExeOwner | QFile::ExeOther));
                user = std::make_unique<AsUnprivilegedUser>();
                QVERIFY(user->isValid());
            }
        } else {
            failing = QStringLiteral("/dev/full");
            if (!QFileInfo::exists(failing))
                QSKIP("no /dev/full here");
        }
        optionsWindow()->setAutosaveFile(failing);

        // One message for each record that could not be written, naming
        // the file; the box keeps every message.
        QVERIFY(receive("one"));
        QCOMPARE(messages().size(), 1);
        QVERIFY(receive("two"));
        QCOMPARE(messages().size(), 2);
        for (const QString &m : messages())
            QVERIFY2(m.contains(shownPath(failing)), qPrintable(m));
        QCOMPARE(boxBytes(f), QByteArray("two\r\none\r\n"));

        // The file can be written again: the next message is.
        user.reset();
        if (how == QLatin1String("folder")) {
            QVERIFY(QDir(scratchDir()).mkpath(QStringLiteral("gone")));
        } else if (how == QLatin1String("read-only")) {
            QVERIFY(QFile::setPermissions(failing, QFile::ReadOwner | QFile::WriteOwner));
        } else {
            optionsWindow()->setAutosaveFile(failing = autosave);
        }
        QVERIFY(receive("three"));
        QCOMPARE(messages().size(), 2);
        const QByteArray expected = how == QLatin1String("read-only") ? "old\r\nthree\r\n" : "three\r\n";
        QCOMPARE(readBytes(failing), expected);
        QCOMPARE(boxBytes(f), QByteArray("three\r\ntwo\r\none\r\n"));
    }

    // --- The settings store ---

    void unwritableStoreIsSaidOnceAndTheProgramRuns()
    {
        Pty device;
        QVERIFY(device.isValid());
        const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kestrum-link-XXXXXX"));
        const QString path = freshLink(device, dir);
        QVERIFY(!path.isEmpty());
        mapPort(1, path);
        writeSetting(QStringLiteral("Setings"), QStringLiteral("BaudRate"), QStringLiteral("19200"));
        shareStore();
        const QString folder = QFileInfo(settingsFilePath()).path();
        const QByteArray stored = readBytes(settingsFilePath());
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        // Readable to everyone, writable by nobody but root.
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                  | QFile::ReadOther | QFile::ExeOther));

        const QStringList said = runAsUnprivilegedUser(QStringLiteral("start"));
        if (said.isEmpty())
            QSKIP("needs root and setpriv to run the program as an unprivileged user");
        QVERIFY2(said.contains(QStringLiteral("baud: 19200")), qPrintable(said.join(QLatin1Char('\n'))));
        QVERIFY(said.contains(QStringLiteral("visible: yes")));
        const QStringList shown = said.filter(QRegularExpression(QStringLiteral("^message: ")));
        QVERIFY2(shown.size() == 1, qPrintable(shown.join(QLatin1Char('\n'))));
        QVERIFY2(shown.first().contains(QStringLiteral("cannot be saved")), qPrintable(shown.first()));
        QCOMPARE(readBytes(settingsFilePath()), stored);
    }

    void garbageInTheStore_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("binary") << QByteArray("\x01\xff\xfe\x00\x80zz\x1b[2J", 11);
        QTest::newRow("10,000 characters") << QByteArray(10000, '9');
        QTest::newRow("1e400") << QByteArray("1e400");
        QTest::newRow("-0") << QByteArray("-0");
        QTest::newRow("NaN") << QByteArray("NaN");
        QTest::newRow("-1e-400") << QByteArray("-1e-400");
    }

    // Every value the program reads at start-up and in Options holds the
    // same garbage; the program starts, and each reader either falls back
    // or says what is wrong.
    void garbageInTheStore()
    {
        QFETCH(QByteArray, value);
        QVERIFY(plugIn());
        const char *const keys[][2] = {
            {"Setings", "BaudRate"}, {"Setings", "Parity"}, {"Setings", "DataBits"}, {"Setings", "StopBits"},
            {"Parametr", "Timeout"}, {"Parametr", "InBufferSize"}, {"Parametr", "outBufferSize"},
            {"Parametr", "FileName"}, {"Parametr", "FileNameOpen"}, {"Parametr", "FileNameSaveAs"},
            {"Parametr", "LabelSave"}, {"Parametr", "SizeDlin"}, {"Parametr", "SSTab1"},
            {"Parametr", "FlagDlin"}, {"Parametr", "otobrOtprStr"}, {"Parametr", "RTSEnable"},
            {"Parametr", "DTREnable"}, {"Parametr", "NullDiscard"}, {"Parametr", "otobrDateIn"},
            {"OtherSet", "CommPort"}, {"Lng", "Lng"},
        };
        QByteArray ini = "[Ports]\nCOM1=" + QFile::encodeName(link) + "\n";
        // Each section twice, the second time with the garbage.
        for (const char *section : {"Setings", "Parametr", "OtherSet", "Lng"}) {
            for (int copy = 0; copy < 2; ++copy) {
                ini += QByteArray("[") + section + "]\n";
                for (const auto &k : keys)
                    if (qstrcmp(k[0], section) == 0)
                        ini += QByteArray(k[1]) + "=" + (copy ? value : QByteArray("1")) + "\n";
            }
        }
        ini += "[Parametr]\n" + value + "\n=" + value + "\n";
        QVERIFY(writeStoreFile(ini));

        f = startTestProgram();
        QVERIFY(f->isVisible());
        // At most one message for each reader, none empty.
        QVERIFY2(messages().size() <= int(std::size(keys)), qPrintable(messages().join(QLatin1Char('\n'))));
        // Each short enough for a message box on a screen, none empty.
        for (const QString &m : messages())
            QVERIFY2(!m.trimmed().isEmpty() && m.size() < 400, qPrintable(m.left(400)));
        QVERIFY(f->session().receiveTimeout() >= 1);

        // The windows that read the store open, and the program still
        // receives and leaves.
        button(f, "Command4")->click();
        QVERIFY(optionsWindow()->isVisible());
        optionsWindow()->Command2->click();  // Cancel
        windows().aboutBox()->show();
        windows().unloadAboutBox();
        autosaveOff();
        if (!f->session().port()->PortOpen()) {
            messages().clear();
            f->ports().Command3_Click();
        }
        if (f->session().port()->PortOpen()) {
            QVERIFY(pty->write("alive"));
            QTRY_VERIFY(receivedBox(f)->text().startsWith(QStringLiteral("alive")));
        }
        f->Command8_Click();
        action(f, "mnuExit")->trigger();
        QVERIFY(!f->isVisible());
    }

    // --- Fast data ---

    void fastStreamKeepsEveryByteInOrder_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("seconds");
        QTest::newRow("921600 baud") << 921600 << streamSeconds();
        QTest::newRow("3000000 baud") << 3000000 << streamSeconds() / 4;
    }

    // A stream far longer than two receive timeouts: cut into messages, but
    // every byte lands in exactly one of them, in order, in the box and in
    // the autosave file alike.
    void fastStreamKeepsEveryByteInOrder()
    {
        QFETCH(int, baud);
        QFETCH(int, seconds);
        QVERIFY(start(100));
        // Beyond the rates of the list: the line itself is set.
        f->session().port()->setSettings(QStringLiteral("%1,n,8,1").arg(baud));
        PacedWriter writer;
        writer.start(pty->masterFd(), baud / 10, seconds);
        QVERIFY(runUntil([&] { return writer.done(); }, (seconds + 30) * 1000));
        writer.wait();
        QVERIFY(runUntil([&] { return idle(f) && receivedBox(f)->textLength() >= writer.sent(); }, 10000));

        const QByteArray expected = streamBytes(writer.sent());
        // Most of the nominal rate, even on a busy machine.
        QVERIFY2(writer.sent() > qint64(baud / 10) * seconds / 2, qPrintable(QString::number(writer.sent())));
        const QByteArray box = boxBytes(f);
        QCOMPARE(joinRecords(box, true).size(), expected.size());
        QVERIFY(joinRecords(box, true) == expected);
        QVERIFY(joinRecords(readBytes(autosave), false) == expected);
        // Cut into many messages, none of them empty, counted.
        const int lines = int(box.count("\r\n"));
        QVERIFY(lines > seconds);
        QVERIFY(!box.contains("\r\n\r\n") && !box.startsWith("\r\n"));
        QCOMPARE(messageCounter(f)->text(), QString::number(lines));
        QCOMPARE(messages(), QStringList());
    }

    // --- Leaving at awkward moments ---

    void leavingDuringABurst_data()
    {
        QTest::addColumn<QString>("up");
        QTest::newRow("nothing else up") << "";
        QTest::newRow("Options up") << "options";
        QTest::newRow("About up") << "about";
        QTest::newRow("length warning up") << "warning";
        QTest::newRow("second tick waiting") << "waiting";
    }

    // The close box while data pours in (and another window is up): the
    // prompt asks, No leaves, the event loop ends, and the autosave file
    // holds every message shown.
    void leavingDuringABurst()
    {
        QFETCH(QString, up);
        QVERIFY(start(50));
        QVERIFY(receive("m1"));
        QVERIFY(receive("m2"));
        PacedWriter writer;
        const auto stopWriter = qScopeGuard([&] { writer.stop(); });
        const bool waiting = up == QLatin1String("waiting");
        if (!waiting) {
            writer.start(pty->masterFd(), 92160, 30);
            QTRY_VERIFY(receivedBox(f)->text().count(QStringLiteral("\r\n")) >= 4);
        }

        bool closed = false;
        bool wasWaiting = false;
        // Waiting: a port event without data sends the second tick into its
        // wait, and the close comes meanwhile.
        if (waiting)
            QTimer::singleShot(0, f, [&] { f->MSComm1_OnComm(); });
        QTimer::singleShot(waiting ? 300 : 0, f, [&] {
            wasWaiting = f->session().isWaitingForData();
            if (up == QLatin1String("options"))
                button(f, "Command4")->click();
            else if (up == QLatin1String("about"))
                windows().aboutBox()->show();
            else if (up == QLatin1String("warning"))
                windows().showWarning();
            QWidgetWindow::closeFromFrame(f);
            if (windows().hasSavePrompt())
                windows().savePrompt()->CancelButton->click();  // No: leave without saving
            closed = true;
        });
        QVERIFY(programLeaves(10000));
        QVERIFY(closed);
        QCOMPARE(wasWaiting, waiting);
        writer.stop();
        QVERIFY(!anythingShown());
        QVERIFY(!f->session().isWaitingForData());

        // Every message shown is in the autosave file, whole and in order.
        QCoreApplication::processEvents();
        const QByteArray box = boxBytes(f);
        QVERIFY(!box.isEmpty());
        QCOMPARE(joinRecords(readBytes(autosave), false), joinRecords(box, true));
        QVERIFY(readBytes(autosave).endsWith("\r\n"));
        QCOMPARE(messages(), QStringList());
    }
};

KESTRUM_TEST_MAIN(FaultsTest)
#include "test_faults.moc"
