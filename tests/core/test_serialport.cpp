// The serial-port object against real pseudo-terminals.
#include "core/codec.h"
#include "core/error.h"
#include "core/mscomm.h"
#include "core/paritymarks.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "support/fakes.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QSignalSpy>
#include <ctime>
#include <poll.h>
#include <termios.h>

using namespace kestrum;
using namespace kestrum::test;

namespace {
QByteArray allBytes()
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(char(i));
    return b;
}
} // namespace

class SerialPortTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        resetProgramState();
        installFakes();
    }

    void everyByteValueCrossesTheLineBothWays()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setPortOpen(true);
        QSignalSpy events(&port, &MSComm::OnComm);
        QVERIFY(pty.write(allBytes()));
        QTRY_COMPARE(port.InBufferCount(), 256);
        QVERIFY(events.count() >= 1);
        const QString text = fromAnsi(port.inputBytes());
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x98), QChar(0x98));
        QCOMPARE(text.at(0xC0), QChar(0x0410));  // Cyrillic capital A
        QCOMPARE(port.InBufferCount(), 0);

        port.setOutput(text);
        QCOMPARE(pty.read(2000, 256), allBytes());
    }

    void unencodableCharacterSendsNothing()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setPortOpen(true);
        try {
            port.setOutput(QStringLiteral("ok ✓"));
            QFAIL("no error");
        } catch (const Error &e) {
            QVERIFY2(e.description().contains(QStringLiteral("✓")), qPrintable(e.description()));
        }
        port.setOutput(QStringLiteral("€"));
        QCOMPARE(pty.read(500, 1), QByteArray("\x88"));
    }

    void nullDiscardDropsReceivedNuls()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setNullDiscard(true);
        port.setPortOpen(true);
        QVERIFY(pty.write(QByteArray("a\0b\0\0c", 6)));
        QTRY_COMPARE(port.InBufferCount(), 3);
        QCOMPARE(port.inputBytes(), QByteArray("abc"));
    }

    void markedSequencesAreDecoded_data()
    {
        QTest::addColumn<bool>("marking");
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QByteArray>("decoded");
        QTest::addColumn<QList<qsizetype>>("errors");  // where in decoded
        using Reads = QList<QByteArray>;
        using At = QList<qsizetype>;
        const QByteArray mark("\xFF\x00", 2);
        QTest::newRow("plain") << true << Reads{"abc"} << QByteArray("abc") << At{};
        QTest::newRow("parity error") << true << Reads{"a" + mark + "Zb"} << QByteArray("a?b") << At{1};
        QTest::newRow("error, then a real ?") << true << Reads{"?" + mark + "Z?"} << QByteArray("???") << At{1};
        QTest::newRow("error on a NUL") << true << Reads{mark + QByteArray(1, '\0')} << QByteArray("?") << At{0};
        QTest::newRow("real 0xFF") << true << Reads{"\xFF\xFF" "c\xFF\xFF"} << QByteArray("\xFF" "c\xFF") << At{};
        QTest::newRow("cut after 0xFF") << true << Reads{"a\xFF", QByteArray(1, '\0') + "Zb"} << QByteArray("a?b") << At{1};
        QTest::newRow("cut after 0xFF 0x00") << true << Reads{"a" + mark, "Z", "b" + mark + "Y"} << QByteArray("a?b?")
                                             << At{1, 3};
        QTest::newRow("cut real 0xFF") << true << Reads{"\xFF", "\xFF", "c"} << QByteArray("\xFF" "c") << At{};
        QTest::newRow("unmarked 0xFF") << true << Reads{"\xFF" "a"} << QByteArray("\xFF" "a") << At{};
        QTest::newRow("marking off") << false << Reads{"a" + mark + "Z\xFF"} << QByteArray("a" + mark + "Z\xFF") << At{};
    }

    void markedSequencesAreDecoded()
    {
        QFETCH(bool, marking);
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QByteArray, decoded);
        QFETCH(QList<qsizetype>, errors);
        ParityMarks marks;
        marks.marking = marking;
        QByteArray out;
        QList<qsizetype> found;
        for (const QByteArray &r : reads) {
            std::vector<qsizetype> at;
            const QByteArray piece = marks.decode(r, &at);
            for (const qsizetype a : at)
                found << out.size() + a;
            out += piece;
        }
        QCOMPARE(out, decoded);
        QCOMPARE(found, errors);
    }

    void parityCheckingFollowsTheParity()
    {
        // A pseudo-terminal cannot make a parity error, but it marks as a
        // serial line does: with marking on, it doubles every 0xFF.
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setSettings(QStringLiteral("9600,e,8,1"));
        port.setPortOpen(true);
        for (const QString &settings : {"9600,e,8,1", "9600,n,8,1", "9600,o,8,1"}) {
            port.setSettings(settings);
            const bool checked = settings.contains(QLatin1String(",n,")) == false;
            termios tio;
            QVERIFY(pty.attributes(&tio));
            QCOMPARE(bool(tio.c_iflag & PARMRK), checked);
            QCOMPARE(bool(tio.c_iflag & INPCK), checked);
            QCOMPARE(bool(tio.c_iflag & IGNPAR), !checked);
            // A 0xFF that ends a read could still be the start of a mark, so
            // it waits for the next byte; an ordinary byte ends the burst.
            QVERIFY(pty.write(allBytes() + "Z"));
            QTRY_COMPARE(port.InBufferCount(), 257);
            QCOMPARE(port.inputBytes(), allBytes() + "Z");
        }
    }

    // A read that ends inside a parity mark: its rest is waiting when the
    // message is taken, or never comes because the device went away. Either
    // way the mark stays with the bytes before it. (The driver here hands
    // the 0xFF over undoubled, as the first half of a cut mark.)
    void aCutParityMarkStaysWithItsMessage_data()
    {
        QTest::addColumn<bool>("lost");
        QTest::newRow("rest waiting at the message's end") << false;
        QTest::newRow("device lost, then back") << true;
    }

    void aCutParityMarkStaysWithItsMessage()
    {
        QFETCH(bool, lost);
        Pty pty, back;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setSettings(QStringLiteral("9600,e,8,1"));
        port.setPortOpen(true);
        termios tio;
        QVERIFY(pty.attributes(&tio));
        tio.c_iflag &= ~PARMRK;
        QVERIFY(::tcsetattr(pty.slaveFd(), TCSANOW, &tio) == 0);
        QVERIFY(pty.write("abc\xFF"));
        QTRY_COMPARE(port.InBufferCount(), 3);
        if (lost) {
            pty.closeMaster();
            QTRY_VERIFY(!port.PortOpen());
            port.openDevice(back.slavePath());
        } else {
            QVERIFY(pty.write("\xFF"));
            struct pollfd p{pty.slaveFd(), POLLIN, 0};
            QVERIFY(::poll(&p, 1, 2000) == 1);
        }
        QCOMPARE(port.inputBytes(), QByteArray("abc\xFF"));
        QVERIFY((lost ? back : pty).write("Z"));
        QTRY_COMPARE(port.InBufferCount(), 1);
        QCOMPARE(port.inputBytes(), QByteArray("Z"));
    }

    void aStreamFasterThanTheLineArrivesWhole_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("piece");  // bytes the device sends at once
        // A pseudo-terminal has no speed: everything here comes faster than
        // the line's speed, most of it faster than the pace that speed sets.
        QTest::newRow("9600 baud, 1 MB at once") << "9600,n,8,1" << (1 << 20) << (1 << 20);
        QTest::newRow("9600 baud, 300 KB in 60-byte lines") << "9600,n,8,1" << 300'000 << 60;
        QTest::newRow("115200 baud, 256 KB in 4 KB") << "115200,n,8,1" << (256 << 10) << 4096;
        QTest::newRow("3000000 baud, 512 KB at once") << "3000000,n,8,1" << (512 << 10) << (512 << 10);
        QTest::newRow("parity marks, 9600 baud") << "9600,e,8,1" << (256 << 10) << 1000;
    }

    void aStreamFasterThanTheLineArrivesWhole()
    {
        QFETCH(QString, settings);
        QFETCH(int, size);
        QFETCH(int, piece);
        QByteArray stream;
        while (stream.size() < size)
            stream += allBytes();
        stream.truncate(size);
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setSettings(settings);
        port.setPortOpen(true);
        QSignalSpy events(&port, &MSComm::OnComm);
        QVERIFY(pty.write(stream.left(1)));
        QTRY_VERIFY(events.count() >= 1);
        for (int at = 1; at < size; at += piece)
            QVERIFY(pty.write(stream.mid(at, piece)));
        // A 0xFF that ends a read waits for the byte after it.
        QVERIFY(pty.write("Z"));
        QTRY_COMPARE(port.InBufferCount(), size + 1);
        QCOMPARE(port.inputBytes(), stream + "Z");
    }

    void settingsTextIsParsedAndRefusedWhole()
    {
        MSComm port;
        QCOMPARE(port.Settings(), QStringLiteral("9600,n,8,1"));
        port.setSettings(QStringLiteral("115200,E,7,1.5"));
        QCOMPARE(port.Settings(), QStringLiteral("115200,e,7,1.5"));
        const QStringList bad{"", "9600", "9600,n,8", ",n,8,2", "9600,,8,2", "9600,n,,2", "9600,n,8,",
                              "abc,n,8,2", "-9600,n,8,2", "9600,x,8,2", "9600,n,9,2", "9600,n,8,3",
                              "9600,n,8,2,1", "1e400,n,8,2",
                              // A NUL ends a C string, not a number.
                              QStringLiteral("115200\0\0,e,7,2"), QStringLiteral("9600,n,8\0x,2"),
                              QStringLiteral("9600\0" "5,n,8,2"), QString(5000, QLatin1Char('9')) + ",n,8,2"};
        for (const QString &text : bad) {
            try {
                port.setSettings(text);
                QFAIL(qPrintable("accepted: " + text));
            } catch (const Error &e) {
                QVERIFY(e.description().contains(QStringLiteral("Invalid port settings")));
                QVERIFY(e.description().size() < 200);
            }
            QCOMPARE(port.Settings(), QStringLiteral("115200,e,7,1.5"));
        }
    }

    void settingsTakeEffectOnAnOpenPort()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setSettings(QStringLiteral("9600,n,8,2"));
        port.setPortOpen(true);
        QCOMPARE(pty.baudRate(), 9600);
        QCOMPARE(pty.stopBits(), 2);
        port.setSettings(QStringLiteral("57600,o,8,1"));
        QCOMPARE(pty.baudRate(), 57600);
        QCOMPARE(pty.stopBits(), 1);
        QCOMPARE(port.parity(), QLatin1Char('o'));
        QVERIFY(port.PortOpen());
    }

    void portNumberAndBuffersOnlyWhileClosed()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setPortOpen(true);
        QVERIFY_THROWS_EXCEPTION(Error, port.setCommPort(2));
        QVERIFY_THROWS_EXCEPTION(Error, port.setInBufferSize(2048));
        QVERIFY_THROWS_EXCEPTION(Error, port.setPortOpen(true));
        QCOMPARE(port.CommPort(), 1);
        port.setPortOpen(false);
        port.setCommPort(2);
        port.setInBufferSize(2048);
        QCOMPARE(port.InBufferSize(), 2048);
        QVERIFY_THROWS_EXCEPTION(Error, port.InBufferCount());
        QVERIFY_THROWS_EXCEPTION(Error, port.setOutput(QStringLiteral("x")));
    }

    void aPortHeldByAnotherProgramSaysSo()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm first, second;
        first.setPortOpen(true);
        try {
            second.setPortOpen(true);
            QFAIL("opened twice");
        } catch (const Error &e) {
            QVERIFY2(e.description().contains(QStringLiteral("in use by another program")), qPrintable(e.description()));
            QVERIFY(e.description().contains(pty.slavePath()));
        }
        QVERIFY(!second.PortOpen());
    }

    void aMissingDeviceNamesThePortAndWhatIsPresent_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("shown");
        QTest::newRow("entry") << QStringLiteral("/dev/ttyKESTRUMnone") << QStringLiteral("/dev/ttyKESTRUMnone");
        const QString huge = QStringLiteral("/dev/ttyKESTRUM/") + QStringLiteral("adapter-name/").repeated(60);
        QTest::newRow("huge entry, cut") << huge << huge.left(20) + QChar(0x2026) + huge.right(44);
    }

    void aMissingDeviceNamesThePortAndWhatIsPresent()
    {
        QFETCH(QString, device);
        QFETCH(QString, shown);
        mapPort(1, device);
        MSComm port;
        try {
            port.setPortOpen(true);
            QFAIL("opened");
        } catch (const Error &e) {
            QVERIFY(e.description().startsWith(QStringLiteral("COM1 (%1)").arg(shown)));
            QVERIFY(e.description().size() < 1000);
            QVERIFY2(e.description().contains(QStringLiteral("does not exist")), qPrintable(e.description()));
            QVERIFY(e.description().contains(QStringLiteral("serial device"), Qt::CaseInsensitive));
        }
    }

    void unmappedPortsFollowThePresentDevices()
    {
        const QStringList present = presentSerialDevices();
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(deviceForPort(n), n <= present.size() ? present.at(n - 1) : QString());
        mapPort(2, QStringLiteral("/dev/custom"));
        QCOMPARE(deviceForPort(2), QStringLiteral("/dev/custom"));
        QVERIFY(naturalLess("/dev/ttyUSB2", "/dev/ttyUSB10"));
        QVERIFY(!naturalLess("/dev/ttyUSB10", "/dev/ttyUSB2"));
        QVERIFY(naturalLess("/dev/ttyACM0", "/dev/ttyACM1"));
    }

    void aVanishedDeviceClosesThePortOnceAndQuietly()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        port.setPortOpen(true);
        QSignalSpy lost(&port, &MSComm::deviceLost);
        QVERIFY(pty.write("last words"));
        QTRY_COMPARE(port.InBufferCount(), 10);
        pty.closeMaster();
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!port.PortOpen());
        QVERIFY(lost.first().first().toString().contains(QStringLiteral("COM1")));
        // What came before the loss is still there for the reader.
        QCOMPARE(port.inputBytes(), QByteArray("last words"));
        // No storm afterwards: no more reports, no core spinning.
        const double before = cpuSeconds();
        QTest::qWait(500);
        QCOMPARE(lost.count(), 1);
        QVERIFY2(cpuSeconds() - before < 0.1, "the event loop kept spinning after the loss");
        // Reading now reports the loss.
        try {
            port.InBufferCount();
            QFAIL("no error");
        } catch (const Error &e) {
            QVERIFY(e.description().contains(QStringLiteral("stopped working")));
        }
    }
};

KESTRUM_TEST_MAIN(SerialPortTest)
#include "test_serialport.moc"
