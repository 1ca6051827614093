// The serial-port object against real pseudo-terminals.
#include "core/base/codec.h"
#include "core/base/error.h"
#include "core/port/mscomm.h"
#include "core/port/paritymarks.h"
#include "core/devices/portmap.h"
#include "core/settings/settings.h"
#include "support/fakes.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/received.h"
#include "support/stream.h"
#include "support/testenv.h"
#include <QSignalSpy>
#include <ctime>
#include <limits>
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
        Received got(port);
        port.setPortOpen(true);
        QVERIFY(pty.write(allBytes()));
        QTRY_COMPARE(got.joined(), allBytes());
        const QString text = fromAnsi(got.joined());
        QCOMPARE(text.at(0x98), QChar(0x98));
        QCOMPARE(text.at(0xC0), QChar(0x0410));  // Cyrillic capital A

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
        Received got(port);
        port.setNullDiscard(true);
        port.setPortOpen(true);
        QVERIFY(pty.write(QByteArray("a\0b\0\0c", 6)));
        QTRY_COMPARE(got.joined(), QByteArray("abc"));
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
        Received got(port);
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
            got.messages.clear();
            QVERIFY(pty.write(allBytes() + "Z"));
            QTRY_COMPARE(got.joined(), allBytes() + "Z");
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
        Received got(port);
        // The message ends when the test ticks.
        port.setReceiveTimeout(3600 * 1000);
        port.setSettings(QStringLiteral("9600,e,8,1"));
        port.setPortOpen(true);
        termios tio;
        QVERIFY(pty.attributes(&tio));
        tio.c_iflag &= ~PARMRK;
        QVERIFY(::tcsetattr(pty.slaveFd(), TCSANOW, &tio) == 0);
        QVERIFY(pty.write("abc\xFF"));
        QTRY_COMPARE(port.gathered(), 3);
        if (lost) {
            pty.closeMaster();
            QTRY_VERIFY(!port.PortOpen());
            port.openDevice(back.slavePath());
        } else {
            QVERIFY(pty.write("\xFF"));
            QTRY_COMPARE(port.gathered(), 4);
            port.tick();
            port.tick();
        }
        QCOMPARE(got.messages, QList<QByteArray>{"abc\xFF"});
        QVERIFY((lost ? back : pty).write("Z"));
        QTRY_COMPARE(port.gathered(), 1);
        port.tick();
        port.tick();
        QCOMPARE(got.messages, (QList<QByteArray>{"abc\xFF", "Z"}));
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
        Received got(port);
        port.setSettings(settings);
        port.setPortOpen(true);
        for (int at = 0; at < size; at += piece)
            QVERIFY(pty.write(stream.mid(at, piece)));
        // A 0xFF that ends a read waits for the byte after it.
        QVERIFY(pty.write("Z"));
        QTRY_COMPARE(got.joined().size(), size + 1);
        QCOMPARE(got.joined(), stream + "Z");
    }

    // The framing by arrival times, at its edges. The script is steps
    // "what@µs": bytes, "!" a port event without data, "^" a tick by hand,
    // "=ms" a new timeout, "x" the device gone. The events come out as "#"
    // counted, "~" waiting, "[bytes]" a message, "x" one dropped.
    void framingByArrivalTime_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("events");
        // The timeout is 100 ms.
        QTest::newRow("counted at one timeout") << "a@0" << "#[a]";
        QTest::newRow("a byte at two timeouts belongs") << "a@0 b@200000" << "#[ab]";
        QTest::newRow("a byte just after begins the next") << "a@0 b@200001" << "#[a]#[b]";
        QTest::newRow("a steady stream does not put the end off") << "a@0 b@100000 c@199999 d@200001 e@300000"
                                                                  << "#[abc]#[de]";
        QTest::newRow("event without data, bytes in time") << "!@0 a@150000" << "#[a]";
        QTest::newRow("event without data, bytes after") << "!@0 a@900000 b@900001" << "#~[a]#[b]";
        QTest::newRow("ticks by hand") << "a@0 ^@10 b@20 ^@30 c@40" << "#[ab]#[c]";
        QTest::newRow("ticks on a quiet line") << "^@0 ^@1 a@5" << "#~[a]";
        QTest::newRow("a new timeout counts from the next message")
            << "a@0 =50@10 b@150000 c@300000 d@399999 e@400001" << "#[ab]#[cd]#[e]";
        QTest::newRow("device gone") << "a@0 x@150000 b@160000" << "#[a]#[b]";
        QTest::newRow("device gone before the count") << "a@0 x@50" << "#[a]";
        QTest::newRow("device gone while waiting") << "!@0 x@300000" << "#~x";
    }

    void framingByArrivalTime()
    {
        QFETCH(QString, script);
        QFETCH(QString, events);
        Framer framer;
        framer.setTimeout(100'000'000);
        ReceiveEvents out;
        for (const QString &step : script.split(QLatin1Char(' '))) {
            const QString what = step.section(QLatin1Char('@'), 0, 0);
            const qint64 at = step.section(QLatin1Char('@'), 1).toLongLong() * 1000;
            framer.advance(at, out);
            if (what == QLatin1String("!"))
                framer.begin(at, 0);
            else if (what == QLatin1String("^"))
                framer.tick(at, 0, out);
            else if (what == QLatin1String("x"))
                framer.endNow(out);
            else if (what.startsWith(QLatin1Char('=')))
                framer.setTimeout(what.mid(1).toLongLong() * 1'000'000);
            else
                framer.arrived(what.toLatin1(), {}, at, 0, out);
        }
        framer.advance(std::numeric_limits<qint64>::max() / 2, out);
        QString told;
        for (const ReceiveEvent &e : out)
            told += e.kind == ReceiveEvent::Kind::Counted   ? QStringLiteral("#")
                    : e.kind == ReceiveEvent::Kind::Waiting ? QStringLiteral("~")
                    : e.kind == ReceiveEvent::Kind::Ended   ? QLatin1Char('[') + QString::fromLatin1(e.message.bytes) + QLatin1Char(']')
                                                            : QStringLiteral("x");
        QCOMPARE(told, events);
    }

    // Speed and line changes, modem lines, closing and opening again, all
    // while the reader thread reads a stream as fast as the line takes it:
    // nothing read is lost, doubled or mixed up, and each step returns.
    void controlWhileTheReaderReads()
    {
        Pty pty;
        mapPort(1, pty.slavePath());
        MSComm port;
        Received got(port);
        port.setReceiveTimeout(2);
        port.setPortOpen(true);
        PacedWriter writer;
        writer.start(pty.masterFd(), 4'000'000, 2);
        for (int i = 0; !writer.done(); ++i) {
            switch (i % 4) {
            case 0: port.setSettings(i % 8 ? QStringLiteral("115200,e,8,1") : QStringLiteral("9600,n,8,1")); break;
            case 1: port.setDTREnable(i % 8 == 1); break;
            case 2: port.setNullDiscard(i % 8 == 2); break;
            default:
                port.setPortOpen(false);
                port.setPortOpen(true);
            }
            QTest::qWait(3);
        }
        writer.wait();
        QTRY_COMPARE_WITH_TIMEOUT(got.joined().size(), writer.sent(), 10000);
        QVERIFY(got.joined() == streamBytes(writer.sent()));
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
        Received got(port);
        port.setPortOpen(true);
        QSignalSpy lost(&port, &MSComm::deviceLost);
        QVERIFY(pty.write("last words"));
        QTRY_COMPARE(port.gathered(), 10);
        pty.closeMaster();
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!port.PortOpen());
        QVERIFY(lost.first().first().toString().contains(QStringLiteral("COM1")));
        // What came before the loss ended its message before the loss was told.
        QCOMPARE(got.messages, QList<QByteArray>{"last words"});
        // No storm afterwards: no more reports, no core spinning.
        const double before = cpuSeconds();
        QTest::qWait(500);
        QCOMPARE(lost.count(), 1);
        QVERIFY2(cpuSeconds() - before < 0.1, "the event loop kept spinning after the loss");
        // Sending now reports the loss.
        try {
            port.setOutput(QStringLiteral("x"));
            QFAIL("no error");
        } catch (const Error &e) {
            QVERIFY(e.description().contains(QStringLiteral("stopped working")));
        }
    }
};

KESTRUM_TEST_MAIN(SerialPortTest)
#include "test_serialport.moc"
