// The log for long runs: autosave files by day or size, the port's events
// and the finer stamps, alone and in the session (the port a pseudo-terminal).
#include "core/autosavefiles.h"
#include "core/clock.h"
#include "core/codec.h"
#include "core/messageline.h"
#include "core/mscomm.h"
#include "core/portevents.h"
#include "core/settingkeys.h"
#include "support/files.h"
#include "support/sessiontest.h"
#include "support/testenv.h"
#include <QDir>
#include <QFileInfo>
#include <QMap>

using namespace kestrum;
using namespace kestrum::test;

namespace {

QDateTime at(const QString &text) { return QDateTime::fromString(text, Qt::ISODateWithMs); }

} // namespace

class LogsTest : public SessionTest {
    Q_OBJECT

private slots:
    // Each record "time=length" is written with the clock at that time; it
    // must go whole to the file named, after the files given as
    // "name=size" were left by an earlier run.
    void filesByDayOrSize_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("files");
        const QStringList midnight{"2026-12-07T23:59:59.999=10", "2026-12-08T00:00:00.000=10"};
        QTest::newRow("one file, across midnight") << 0 << 100 << "S.txt" << QStringList() << midnight
                                                   << QStringList{"S.txt", "S.txt"};
        QTest::newRow("each day: midnight") << 1 << 100 << "S.txt" << QStringList() << midnight
                                            << QStringList{"S 2026-12-07.txt", "S 2026-12-08.txt"};
        QTest::newRow("a day with no messages")
            << 1 << 100 << "S.txt" << QStringList() << QStringList{"2026-12-07T12:00:00=5", "2026-12-09T00:00:01=5"}
            << QStringList{"S 2026-12-07.txt", "S 2026-12-09.txt"};
        QTest::newRow("the size reached in a message")
            << 2 << 100 << "S.txt" << QStringList()
            << QStringList{"2026-12-08T10:00:00=58", "2026-12-08T10:00:01=58", "2026-12-08T10:00:02=8"}
            << QStringList{"S 2026-12-08.txt", "S 2026-12-08.txt", "S 2026-12-08 (2).txt"};
        QTest::newRow("a message larger than the size")
            << 2 << 100 << "S.txt" << QStringList() << QStringList{"2026-12-08T10:00:00=300", "2026-12-08T10:00:01=1"}
            << QStringList{"S 2026-12-08.txt", "S 2026-12-08 (2).txt"};
        QTest::newRow("numbers start again each day")
            << 2 << 100 << "S.txt" << QStringList()
            << QStringList{"2026-12-08T10:00:00=98", "2026-12-08T23:00:00=1", "2026-12-09T01:00:00=1"}
            << QStringList{"S 2026-12-08.txt", "S 2026-12-08 (2).txt", "S 2026-12-09.txt"};
        QTest::newRow("restart: the day's highest file goes on")
            << 2 << 100 << "S.txt" << QStringList{"S 2026-12-08.txt=50", "S 2026-12-08 (3).txt=40"}
            << QStringList{"2026-12-08T10:00:00=10"} << QStringList{"S 2026-12-08 (3).txt"};
        QTest::newRow("restart: after a full file a new one")
            << 2 << 100 << "S.txt" << QStringList{"S 2026-12-08 (3).txt=100"} << QStringList{"2026-12-08T10:00:00=10"}
            << QStringList{"S 2026-12-08 (4).txt"};
        QTest::newRow("restart: other days and names do not count")
            << 2 << 100 << "S.txt"
            << QStringList{"S 2026-12-07 (5).txt=1", "S 2026-12-08 (2).txt.bak=1", "T 2026-12-08 (4).txt=1"}
            << QStringList{"2026-12-08T10:00:00=10"} << QStringList{"S 2026-12-08.txt"};
        QTest::newRow("each day goes on in a numbered file of today")
            << 1 << 100 << "S.txt" << QStringList{"S 2026-12-08 (2).txt=1000"} << QStringList{"2026-12-08T10:00:00=1"}
            << QStringList{"S 2026-12-08 (2).txt"};
        QTest::newRow("the clock set back stays in the day")
            << 1 << 100 << "S.txt" << QStringList() << QStringList{"2026-12-08T00:10:00=1", "2026-12-07T23:50:00=1"}
            << QStringList{"S 2026-12-08.txt", "S 2026-12-08.txt"};
        QTest::newRow("a name without extension") << 1 << 100 << "log" << QStringList()
                                                  << QStringList{"2026-12-08T10:00:00=1"} << QStringList{"log 2026-12-08"};
        QTest::newRow("dots in the name") << 1 << 100 << "my.log.txt" << QStringList()
                                          << QStringList{"2026-12-08T10:00:00=1"} << QStringList{"my.log 2026-12-08.txt"};
    }
    void filesByDayOrSize()
    {
        QFETCH(int, policy);
        QFETCH(int, limit);
        QFETCH(QString, chosen);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, records);
        QFETCH(QStringList, files);
        QDir dir(scratchDir() + "/rotation-" + QString::fromLatin1(QTest::currentDataTag()));
        dir.removeRecursively();
        QVERIFY(dir.mkpath("."));
        QMap<QString, QByteArray> content;
        for (const QString &e : existing) {
            const QString name = e.section('=', 0, 0);
            content[name] = QByteArray(e.section('=', 1).toInt(), 'x');
            QVERIFY(writeBytes(dir.filePath(name), content[name]));
        }
        FakeClock clock;
        AutosaveFiles autosave(&clock);
        autosave.setPolicy(FilePolicy(policy), limit);
        for (qsizetype i = 0; i < records.size(); ++i) {
            clock.current = at(records[i].section('=', 0, 0));
            const QByteArray line(records[i].section('=', 1).toInt(), char('a' + i));
            const QString written = autosave.append(dir.filePath(chosen), line);
            QCOMPARE(QFileInfo(written).fileName(), files[i]);
            content[files[i]] += line + "\r\n";
        }
        QCOMPARE(QFileInfo(autosave.currentFile(dir.filePath(chosen))).fileName(), files.last());
        // Every file holds whole records, in order, and nothing else.
        QCOMPARE(dir.entryList(QDir::Files), QStringList(content.keys()));
        for (auto it = content.cbegin(); it != content.cend(); ++it)
            QCOMPARE(readBytes(dir.filePath(it.key())), it.value());
    }

    // Events "second:o|c|l" from 10:00:00 give these lines.
    void eventLines_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("milliseconds");
        QTest::addColumn<QStringList>("lines");
        const QString p = "<<Port COM1 (/dev/ttyUSB0) ";
        const QString r = ": the board seems to be resetting again and again>>";
        QTest::newRow("opened and closed") << QStringList{"0:o", "61:c"} << false
                                           << QStringList{p + "opened 2026-12-08 10:00:00>>",
                                                          p + "closed 2026-12-08 10:01:01>>"};
        QTest::newRow("lost and back, milliseconds")
            << QStringList{"0:o", "10.25:l", "10.5:o"} << true
            << QStringList{p + "opened 2026-12-08 10:00:00.000>>", p + "lost 2026-12-08 10:00:10.250>>",
                           p + "opened again 2026-12-08 10:00:10.500>>"};
        QTest::newRow("closed and opened is no return") << QStringList{"0:o", "1:c", "2:o"} << false
                                                        << QStringList{p + "opened 2026-12-08 10:00:00>>",
                                                                       p + "closed 2026-12-08 10:00:01>>",
                                                                       p + "opened 2026-12-08 10:00:02>>"};
        QTest::newRow("three returns within 15 s, and a fourth")
            << QStringList{"0:l", "1:o", "5:l", "6:o", "14:l", "15:o", "17:l", "18:o"} << false
            << QStringList{p + "lost 2026-12-08 10:00:00>>", p + "opened again 2026-12-08 10:00:01>>",
                           p + "lost 2026-12-08 10:00:05>>", p + "opened again 2026-12-08 10:00:06>>",
                           p + "lost 2026-12-08 10:00:14>>", p + "opened again 2026-12-08 10:00:15" + r,
                           p + "lost 2026-12-08 10:00:17>>", p + "opened again 2026-12-08 10:00:18" + r};
        QTest::newRow("three returns over more than 15 s")
            << QStringList{"0:l", "1:o", "8:l", "9:o", "15.5:l", "16:o"} << false
            << QStringList{p + "lost 2026-12-08 10:00:00>>", p + "opened again 2026-12-08 10:00:01>>",
                           p + "lost 2026-12-08 10:00:08>>", p + "opened again 2026-12-08 10:00:09>>",
                           p + "lost 2026-12-08 10:00:15>>", p + "opened again 2026-12-08 10:00:16>>"};
    }
    void eventLines()
    {
        QFETCH(QStringList, events);
        QFETCH(bool, milliseconds);
        QFETCH(QStringList, lines);
        FakeClock clock;
        PortEventLog log(&clock);
        QStringList got;
        PortEvent last;
        for (const QString &e : events) {
            clock.current = at("2026-12-08T10:00:00.000").addMSecs(qint64(e.section(':', 0, 0).toDouble() * 1000));
            const QChar k = e.section(':', 1).at(0);
            last = log.note(k == 'o' ? PortEvent::Opened : k == 'c' ? PortEvent::Closed : PortEvent::Lost, "COM1",
                            "/dev/ttyUSB0");
            got << QString::fromLatin1(portEventLine(last, milliseconds));
        }
        QCOMPARE(got, lines);
        const QString told = portEventMessage(last);
        QVERIFY2(told.contains(" COM1 (/dev/ttyUSB0) ") && told.endsWith("again and again") == last.resetting,
                 qPrintable(told));
    }

    // The stamp is the first byte's arrival, given as 14:05:09.123 while the
    // clock already says 14:05:10.
    void stamps_data()
    {
        QTest::addColumn<bool>("date");
        QTest::addColumn<bool>("time");
        QTest::addColumn<bool>("milliseconds");
        QTest::addColumn<int>("gap");  // -99999: none
        QTest::addColumn<QString>("expected");
        const int none = -99999;
        QTest::newRow("both off: as before") << true << true << false << none << "{D}   14:05:09    ab  Size, byte: 2";
        QTest::newRow("milliseconds") << true << true << true << none << "{D}   14:05:09.123    ab  Size, byte: 2";
        QTest::newRow("gap after the time") << false << true << false << 250 << "14:05:09 +250 ms    ab  Size, byte: 2";
        QTest::newRow("gap alone") << false << false << false << 0 << "+0 ms    ab  Size, byte: 2";
        QTest::newRow("gap after the date") << true << false << true << 7 << "{D}   +7 ms    ab  Size, byte: 2";
        QTest::newRow("clock set back") << false << true << true << -5 << "14:05:09.123 -5 ms    ab  Size, byte: 2";
    }
    void stamps()
    {
        QFETCH(bool, date);
        QFETCH(bool, time);
        QFETCH(bool, milliseconds);
        QFETCH(int, gap);
        QFETCH(QString, expected);
        const QDateTime arrived = at("2026-12-07T14:05:09.123");
        fakes.clock->current = arrived.addMSecs(877);
        Options o;
        o.receivedDate = date;
        o.receivedTime = time;
        o.receivedSize = true;
        Stamp stamp{arrived, milliseconds, {}};
        if (gap != -99999)
            stamp.sinceLastMs = gap;
        expected.replace("{D}", dateText(arrived));
        const QByteArray line = receivedLine("ab", o, nullptr, stamp);
        QCOMPARE(fromAnsi(line), expected);
        if (!milliseconds && gap == -99999) {
            // Byte for byte the line composed without a stamp at that time.
            fakes.clock->current = arrived;
            QCOMPARE(line, receivedLine("ab", o));
        }
        // A sent line has the same time and no gap.
        o.sentTime = time;
        o.sentDate = false;
        QCOMPARE(sentLine("x", o, -1, {arrived, milliseconds, {}}),
                 QString(time ? (milliseconds ? "14:05:09.123   " : "14:05:09   ") : "") + "<<SenD>>   x");
    }

    void millisecondsFollowTheSeconds_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("time");
        QTest::newRow("ru_RU") << "ru_RU" << "14:05:09.123";
        QTest::newRow("en_US") << "en_US" << "2:05:09.123 PM";
        QTest::newRow("de_DE") << "de_DE" << "14:05:09.123";
    }
    void millisecondsFollowTheSeconds()
    {
        QFETCH(QString, locale);
        QFETCH(QString, time);
        QCOMPARE(timeText(at("2026-12-07T14:05:09.123"), QLocale(locale), true), time);
    }

    // In the session: events stored as chosen, the lost device's line after
    // the message of its last bytes, the gap between messages, and the
    // autosave file the same as the box.
    void portEventsAndGapsInTheSession()
    {
        writeSetting(Setting::LogPortEvents, "1");
        writeSetting(Setting::LogSinceLast, "1");
        fakes.clock->current = at("2026-12-08T10:00:00.000");
        QVERIFY(startSession());
        const QString device = pty->slavePath();
        Options o;
        o.receivedTime = true;
        o.autosave = true;
        o.autosaveFile = scratchDir() + "/session-events.txt";
        QFile::remove(o.autosaveFile);
        session->options().set(o);
        QList<PortEvent> events;
        connect(session.get(), &Session::portEventHappened, this, [&](const PortEvent &e) { events << e; });
        auto message = [&](const QByteArray &bytes, const QString &time) {
            QVERIFY(pty->write(bytes));
            QTRY_COMPARE(session->framing(), Session::Framing::Counting);
            fakes.clock->current = at("2026-12-08T" + time);
            session->tick();
            session->tick();
        };
        message("one", "10:00:01.000");
        QTRY_VERIFY(document().startsWith(timeText(fakes.clock->current) + "    one"));
        message("two", "10:00:01.250");
        QTRY_VERIFY(document().startsWith(timeText(fakes.clock->current) + " +250 ms    two"));
        // The last words, then the device goes while they are gathered.
        QVERIFY(pty->write("bye"));
        QTRY_COMPARE(session->framing(), Session::Framing::Counting);
        // Read before the hang-up, which throws away what is not.
        QTRY_COMPARE(session->port()->InBufferCount(), 3);
        fakes.clock->current = at("2026-12-08T10:00:02.000");
        pty->closeMaster();
        QTRY_VERIFY(!session->isPortOpen());
        session->tick();
        session->tick();
        QTRY_COMPARE(session->framing(), Session::Framing::Idle);
        Pty back;
        fakes.clock->current = at("2026-12-08T10:00:03.000");
        session->openDevice(back.slavePath());
        session->closePort();
        const QString label = "<<Port COM1 (" + device + ") ";
        const QStringList lines{"10:00:01    one", "10:00:01 +250 ms    two", "10:00:02 +750 ms    bye",
                                label + "lost 2026-12-08 10:00:02>>",
                                "<<Port COM1 (" + back.slavePath() + ") opened again 2026-12-08 10:00:03>>",
                                "<<Port COM1 (" + back.slavePath() + ") closed 2026-12-08 10:00:03>>"};
        QCOMPARE(QString::fromLatin1(readBytes(o.autosaveFile)).split("\r\n", Qt::SkipEmptyParts), lines);
        QStringList shown = document().split("\r\n", Qt::SkipEmptyParts);
        std::reverse(shown.begin(), shown.end());
        // The first "opened" came before the store was read by the session's
        // first event; it is in the box, ahead of the autosave being on.
        QCOMPARE(shown, QStringList{label + "opened 2026-12-08 10:00:00>>"} + lines);
        QCOMPARE(events.size(), 3);
        QCOMPARE(events[1].kind, PortEvent::OpenedAgain);
        QCOMPARE(failures, QStringList());
    }
};

KESTRUM_TEST_MAIN(LogsTest)
#include "test_logs.moc"
