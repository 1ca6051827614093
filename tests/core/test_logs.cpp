// The log for long runs: autosave files by day or size, the port's events
// and the finer stamps, alone and in the session (the port a pseudo-terminal).
#include "core/log/autosavefiles.h"
#include "core/base/clock.h"
#include "core/base/codec.h"
#include "core/log/messageline.h"
#include "core/port/mscomm.h"
#include "core/log/portevents.h"
#include "core/settings/settingkeys.h"
#include "support/files.h"
#include "support/sessiontest.h"
#include "support/testenv.h"
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

using namespace kestrum;
using namespace kestrum::test;

namespace {

QDateTime at(const QString &text) { return QDateTime::fromString(text, Qt::ISODateWithMs); }
// "08 10:00:00" is 8 December 2026 at 10:00:00.
QDateTime december(const QString &text) { return at("2026-12-" + text.left(2) + "T" + text.mid(3)); }

} // namespace

class LogsTest : public SessionTest {
    Q_OBJECT

private slots:
    // Each record "day time=length" is written with the clock then; it goes
    // whole to the file named ("08 (2)" is "S 2026-12-08 (2).txt", "-" the
    // chosen file), after the files "name=size" an earlier run left.
    void filesByDayOrSize_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("files");
        const QStringList midnight{"07 23:59:59.999=10", "08 00:00:00.000=10"};
        QTest::newRow("one file across midnight") << 0 << "S.txt" << QStringList() << midnight << QStringList{"-", "-"};
        QTest::newRow("each day: midnight") << 1 << "S.txt" << QStringList() << midnight << QStringList{"07", "08"};
        QTest::newRow("a day with no messages")
            << 1 << "S.txt" << QStringList() << QStringList{"07 12:00:00=5", "09 00:00:01=5"} << QStringList{"07", "09"};
        QTest::newRow("the size reached in a message")
            << 2 << "S.txt" << QStringList() << QStringList{"08 10:00:00=58", "08 10:00:01=58", "08 10:00:02=8"}
            << QStringList{"08", "08", "08 (2)"};
        QTest::newRow("a message over the size; numbers start again each day")
            << 2 << "S.txt" << QStringList() << QStringList{"08 10:00:00=300", "08 23:00:00=1", "09 01:00:00=1"}
            << QStringList{"08", "08 (2)", "09"};
        QTest::newRow("restart: the day's highest file goes on, not other days' or names'")
            << 2 << "S.txt"
            << QStringList{"S 2026-12-08.txt=50", "S 2026-12-08 (3).txt=40", "S 2026-12-09 (5).txt=1",
                           "S 2026-12-08 (4).txt.bak=1", "T 2026-12-08 (4).txt=1"}
            << QStringList{"08 10:00:00=10"} << QStringList{"08 (3)"};
        QTest::newRow("restart: after a full file a new one") << 2 << "S.txt" << QStringList{"S 2026-12-08 (3).txt=100"}
                                                              << QStringList{"08 10:00:00=10"} << QStringList{"08 (4)"};
        QTest::newRow("each day goes on in a numbered file of today")
            << 1 << "S.txt" << QStringList{"S 2026-12-08 (2).txt=1000"} << QStringList{"08 10:00:00=1"} << QStringList{"08 (2)"};
        QTest::newRow("the clock set back stays in the day")
            << 1 << "S.txt" << QStringList() << QStringList{"08 00:10:00=1", "07 23:50:00=1"} << QStringList{"08", "08"};
        QTest::newRow("no extension") << 1 << "S" << QStringList() << midnight << QStringList{"07", "08"};
    }
    void filesByDayOrSize()
    {
        QFETCH(int, policy);
        QFETCH(QString, chosen);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, records);
        QFETCH(QStringList, files);
        QDir dir(scratchDir() + "/rotation-" + QString::number(qHash(QString(QTest::currentDataTag()))));
        QVERIFY(dir.removeRecursively() && dir.mkpath("."));
        QMap<QString, QByteArray> content;
        for (const QString &e : existing) {
            content[e.section('=', 0, 0)] = QByteArray(e.section('=', 1).toInt(), 'x');
            QVERIFY(writeBytes(dir.filePath(e.section('=', 0, 0)), content[e.section('=', 0, 0)]));
        }
        FakeClock clock;
        AutosaveFiles autosave(&clock);
        autosave.setPolicy(FilePolicy(policy), 100);
        for (qsizetype i = 0; i < records.size(); ++i) {
            clock.current = december(records[i].section('=', 0, 0));
            const QByteArray line(records[i].section('=', 1).toInt(), char('a' + i));
            const QString name = files[i] == "-" ? chosen : chosen.section('.', 0, 0) + " 2026-12-" + files[i]
                                                                   + (chosen.contains('.') ? ".txt" : "");
            QCOMPARE(QFileInfo(autosave.append(dir.filePath(chosen), line)).fileName(), name);
            content[name] += line + "\r\n";
            QCOMPARE(autosave.currentFile(dir.filePath(chosen)), dir.filePath(name));
        }
        // Every file holds whole records, in order, and nothing else.
        QCOMPARE(dir.entryList(QDir::Files), QStringList(content.keys()));
        for (auto it = content.cbegin(); it != content.cend(); ++it)
            QCOMPARE(readBytes(dir.filePath(it.key())), it.value());
    }

    // Events "second:o|c|l" from 10:00:00 give these lines ("lost 10:00:00"
    // stands for "<<Port COM1 (/dev/ttyUSB0) lost 2026-12-08 10:00:00>>";
    // "!" for the warning that the board seems to be resetting).
    void eventLines_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("milliseconds");
        QTest::addColumn<QString>("lines");
        QTest::newRow("closed and opened is no return")
            << "0:o 61:c 62:o" << false << "opened 10:00:00|closed 10:01:01|opened 10:01:02";
        QTest::newRow("lost and back, milliseconds")
            << "0:o 10.25:l 10.5:o" << true << "opened 10:00:00.000|lost 10:00:10.250|opened again 10:00:10.500";
        QTest::newRow("three returns within 15 s, and a fourth")
            << "0:l 1:o 5:l 6:o 14:l 15:o 17:l 18:o" << false
            << "lost 10:00:00|opened again 10:00:01|lost 10:00:05|opened again 10:00:06|lost 10:00:14|"
               "opened again 10:00:15!|lost 10:00:17|opened again 10:00:18!";
        QTest::newRow("three returns over more than 15 s")
            << "0:l 1:o 8:l 9:o 15.5:l 16:o" << false
            << "lost 10:00:00|opened again 10:00:01|lost 10:00:08|opened again 10:00:09|lost 10:00:15|opened again 10:00:16";
    }
    void eventLines()
    {
        QFETCH(QString, events);
        QFETCH(bool, milliseconds);
        QFETCH(QString, lines);
        FakeClock clock;
        PortEventLog log(&clock);
        QStringList got, expected;
        PortEvent last;
        for (const QString &e : events.split(' ')) {
            clock.current = at("2026-12-08T10:00:00.000").addMSecs(qint64(e.section(':', 0, 0).toDouble() * 1000));
            const QChar k = e.section(':', 1).at(0);
            last = log.note(k == 'o' ? PortEvent::Opened : k == 'c' ? PortEvent::Closed : PortEvent::Lost, "COM1",
                            "/dev/ttyUSB0");
            got << QString::fromLatin1(portEventLine(last, milliseconds));
        }
        for (QString l : lines.split('|')) {
            const bool warned = l.endsWith('!');
            l.chop(warned ? 1 : 0);
            l.insert(l.lastIndexOf(' ') + 1, "2026-12-08 ");
            expected << "<<Port COM1 (/dev/ttyUSB0) " + l
                            + (warned ? ": the board seems to be resetting again and again>>" : ">>");
        }
        QCOMPARE(got, expected);
        const QString told = portEventMessage(last);
        QVERIFY2(told.contains(" COM1 (/dev/ttyUSB0) ") && told.endsWith("again and again") == last.resetting,
                 qPrintable(told));
    }

    // The stamp is the first byte's arrival, 14:05:09.123, while the clock
    // already says 14:05:10; a sent line has the same time and no gap.
    void stamps_data()
    {
        QTest::addColumn<bool>("date");
        QTest::addColumn<bool>("time");
        QTest::addColumn<bool>("milliseconds");
        QTest::addColumn<int>("gap");  // -99999: none
        QTest::addColumn<QString>("expected");
        QTest::newRow("both off: as before") << true << true << false << -99999 << "{D}   14:05:09    ab";
        QTest::newRow("milliseconds") << true << true << true << -99999 << "{D}   14:05:09.123    ab";
        QTest::newRow("gap after the time") << false << true << false << 250 << "14:05:09 +250 ms    ab";
        QTest::newRow("gap alone") << false << false << false << 0 << "+0 ms    ab";
        QTest::newRow("gap after the date") << true << false << true << 7 << "{D}   +7 ms    ab";
        QTest::newRow("clock set back") << false << true << true << -5 << "14:05:09.123 -5 ms    ab";
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
        o.receivedTime = o.sentTime = time;
        Stamp stamp{arrived, milliseconds, {}};
        if (gap != -99999)
            stamp.sinceLastMs = gap;
        const QByteArray line = receivedLine("ab", o, nullptr, stamp);
        QCOMPARE(fromAnsi(line), expected.replace("{D}", dateText(arrived)));
        QCOMPARE(sentLine("x", o, -1, {arrived, milliseconds, {}}),
                 QString(time ? (milliseconds ? "14:05:09.123   " : "14:05:09   ") : "") + "<<SenD>>   x");
        if (!milliseconds && gap == -99999) {
            // Byte for byte the line composed without a stamp at that time.
            fakes.clock->current = arrived;
            QCOMPARE(line, receivedLine("ab", o));
        }
    }

    void millisecondsFollowTheSeconds()
    {
        const QDateTime when = at("2026-12-07T14:05:09.123");
        QCOMPARE(timeText(when, QLocale("ru_RU"), true), QStringLiteral("14:05:09.123"));
        QCOMPARE(timeText(when, QLocale("en_US"), true), QStringLiteral("2:05:09.123 PM"));
    }

    // In the session: events as stored, each event's line after every
    // message that arrived before it (one under way when the port was closed
    // and opened again, the device's last words), and the autosave file the
    // same as the box.
    void portEventsFollowTheirMessages()
    {
        writeSetting(Setting::LogPortEvents, "1");
        fakes.clock->current = at("2026-12-08T10:00:00.000");
        QVERIFY(startSession());
        const QString label = "<<Port COM1 (" + pty->slavePath() + ") ";
        Options o;
        o.receivedTime = o.autosave = true;
        o.autosaveFile = scratchDir() + "/session-events.txt";
        QFile::remove(o.autosaveFile);
        session->options().set(o);
        // Under way while the port is closed and opened again (as Apply
        // does): it ends after, and comes before both lines.
        QVERIFY(pty->write("mid"));
        QTRY_COMPARE(session->port()->gathered(), 3);
        fakes.clock->current = at("2026-12-08T10:00:01.000");
        session->closePort();
        session->openPort();
        session->tick();
        session->tick();
        QTRY_COMPARE(session->framing(), Session::Framing::Idle);
        // The last words, then the device goes while they are gathered.
        QVERIFY(pty->write("bye"));
        QTRY_COMPARE(session->port()->gathered(), 3);
        fakes.clock->current = at("2026-12-08T10:00:02.000");
        pty->closeMaster();
        QTRY_VERIFY(!session->isPortOpen());
        Pty back;
        fakes.clock->current = at("2026-12-08T10:00:03.000");
        session->openDevice(back.slavePath());
        session->closePort();
        session->finishRecords();
        const QString again = "<<Port COM1 (" + back.slavePath() + ") ";
        const QStringList lines{"10:00:01    mid", label + "closed 2026-12-08 10:00:01>>",
                                label + "opened 2026-12-08 10:00:01>>", "10:00:02    bye",
                                label + "lost 2026-12-08 10:00:02>>", again + "opened again 2026-12-08 10:00:03>>",
                                again + "closed 2026-12-08 10:00:03>>"};
        QCOMPARE(QString::fromLatin1(readBytes(o.autosaveFile)).split("\r\n", Qt::SkipEmptyParts), lines);
        QStringList shown = document().split("\r\n", Qt::SkipEmptyParts);
        std::reverse(shown.begin(), shown.end());
        // The opening came before autosave was on: in the box only.
        QCOMPARE(shown, QStringList{label + "opened 2026-12-08 10:00:00>>"} + lines);
        QCOMPARE(failures, QStringList());
    }

    // With milliseconds and the gap, a stamp is its first byte's arrival
    // (between the write and the reader's having it), not the time the
    // message is shown, later; the gap is the one between the arrivals.
    void stampsFromArrival()
    {
        writeSetting(Setting::LogMilliseconds, "1");
        writeSetting(Setting::LogSinceLast, "1");
        QVERIFY(startSession());
        Options o;
        o.receivedTime = true;
        session->options().set(o);
        qint64 from[2], to[2];
        for (int i = 0; i < 2; ++i) {
            from[i] = QDateTime::currentMSecsSinceEpoch();
            QVERIFY(pty->write(i ? "two" : "one"));
            QTRY_COMPARE(session->port()->gathered(), 3);
            to[i] = QDateTime::currentMSecsSinceEpoch();
            QTRY_VERIFY(QDateTime::currentMSecsSinceEpoch() > to[i] + 20);
            session->tick();
            session->tick();
            QTRY_COMPARE(session->framing(), Session::Framing::Idle);
        }
        const QStringList shown = document().split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(shown.size(), 2);
        const auto stampedWithin = [](const QString &line, qint64 a, qint64 b) {
            for (qint64 t = a; t <= b; ++t)
                if (line.startsWith(timeText(QDateTime::fromMSecsSinceEpoch(t), QLocale::system(), true) + ' '))
                    return true;
            return false;
        };
        QVERIFY2(stampedWithin(shown[1], from[0], to[0]) && stampedWithin(shown[0], from[1], to[1]),
                 qPrintable(shown.join('|')));
        QVERIFY2(!shown[1].contains(" ms "), qPrintable(shown[1]));
        const QRegularExpressionMatch gap = QRegularExpression(" \\+(\\d+) ms    two$").match(shown[0]);
        QVERIFY2(gap.hasMatch(), qPrintable(shown[0]));
        QVERIFY(gap.captured(1).toLongLong() >= from[1] - to[0] && gap.captured(1).toLongLong() <= to[1] - from[0]);
    }
};

KESTRUM_TEST_MAIN(LogsTest)
#include "test_logs.moc"
