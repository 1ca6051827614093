// Receiving: framing by the receive timeout, the received box, Clear.
#include "ui/form1.h"
#include "core/session.h"
#include "ui/windows.h"
#include "ui/receivedbox.h"
#include "ui/form2.h"
#include "core/codec.h"
#include "core/mscomm.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/process.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <limits>

using namespace kestrum;
using namespace kestrum::test;

namespace {

Form2 *options() { return windows().form2(); }

void decorate(bool date, bool time, bool size)
{
    options()->Check5->setChecked(date);
    options()->Check6->setChecked(time);
    options()->Check7->setChecked(size);
}

QString autosaveTo(const QString &name)
{
    const QString path = scratchDir() + QLatin1Char('/') + name;
    QFile::remove(path);
    options()->setAutosaveFile(path);
    options()->Check8->setChecked(true);
    return path;
}

bool idle(const Form1 *f)
{
    return f->session->receiving() == 0 && !f->Timer2->isActive() && !f->session->isWaitingForData();
}

// Lines of the box, oldest first.
QStringList linesOldestFirst(const QString &boxText)
{
    QStringList lines = boxText.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    std::reverse(lines.begin(), lines.end());
    return lines;
}

} // namespace

class ReceiveTest : public QObject {
    Q_OBJECT
    Fakes fakes{};
    std::unique_ptr<Pty> pty;

    Form1 *start(int timeout = 50)
    {
        pty = std::make_unique<Pty>();
        if (!pty->isValid())
            return nullptr;
        mapPort(1, pty->slavePath());
        Form1 *f = startProgram();
        f->Timer2->setInterval(timeout);
        decorate(false, false, false);
        options()->Check8->setChecked(false);
        fakes.messageBox->messages.clear();
        return f;
    }

private slots:
    void init()
    {
        resetProgramState();
        fakes = installFakes();
    }
    void cleanup()
    {
        windows().destroyAll();
        pty.reset();
    }

    // --- Framing ---

    void oneBurstIsOneLine()
    {
        Form1 *f = start();
        QVERIFY(f);
        decorate(false, false, true);
        QVERIFY(pty->write("OK\r\n"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("OK\r\n  Size, byte: 4\r\n"));
        QCOMPARE(f->session->messageCount(), 1);
        QCOMPARE(f->Text3->text(), QStringLiteral("1"));
        QVERIFY(f->mnuSave->isEnabled());
        QCOMPARE(f->session->dataReceived, qint16(1));
        QVERIFY(idle(f));

        // Every decoration off: the received text and CR LF, nothing else.
        decorate(false, false, false);
        QVERIFY(pty->write("plain"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("plain\r\nOK\r\n  Size, byte: 4\r\n"));

        // Date and time: one reading of the clock, three and four blanks.
        decorate(true, true, true);
        fakes.clock->current = QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6));
        const QString when = dateText(fakes.clock->current) + QStringLiteral("   ") + timeText(fakes.clock->current)
                             + QStringLiteral("    ");
        QVERIFY(pty->write("ab"));
        QTRY_COMPARE(f->session->messageCount(), 3);
        QTRY_VERIFY(idle(f));
        QVERIFY(f->Text2->text().startsWith(when + QStringLiteral("ab  Size, byte: 2\r\nplain\r\n")));
        QCOMPARE(f->Text3->text(), QStringLiteral("3"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void timePatternLosesOnlyItsZone_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("zone last") << "HH:mm:ss t" << "HH:mm:ss";
        QTest::newRow("zone first") << "t HH:mm:ss" << "HH:mm:ss";
        QTest::newRow("long zone in brackets") << "H:mm:ss (tttt)" << "H:mm:ss";
        QTest::newRow("t in quoted text") << "HH'h'mm 'at' ss t" << "HH'h'mm 'at' ss";
        QTest::newRow("quote inside quoted text") << "HH:mm:ss 'o''t' t" << "HH:mm:ss 'o''t'";
    }

    void timePatternLosesOnlyItsZone()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, cleaned);
        QCOMPARE(withoutTimeZone(pattern), cleaned);
    }

    void stampsFitTheCodePageInEveryLocale()
    {
        const QDateTime when(QDate(2026, 12, 7), QTime(14, 5, 9));
        const auto all = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        for (const QLocale &l : all) {
            const QString date = dateText(when, l), time = timeText(when, l);
            QVERIFY2(fitsAnsi(date) && fitsAnsi(time) && time.contains(QLatin1Char('9')),
                     qPrintable(l.name() + QStringLiteral(": ") + date + QLatin1Char(' ') + time));
        }
        // The locale's own form where it fits, the numeric one where not.
        QCOMPARE(timeText(when, QLocale(QStringLiteral("ru_RU"))), QStringLiteral("14:05:09"));
        QCOMPARE(timeText(when, QLocale(QStringLiteral("ja_JP"))), QStringLiteral("14:05:09"));
        QCOMPARE(dateText(when, QLocale(QStringLiteral("ar_EG"))), QStringLiteral("07.12.2026"));
    }

    void burstsWithinTwoTimeoutsAreOneMessage()
    {
        Form1 *f = start(100);
        QVERIFY(f);
        QVERIFY(pty->write("AB"));
        QTest::qWait(50);
        QVERIFY(pty->write("CD"));
        QTRY_VERIFY(!f->Text2->isEmptyText());
        QTRY_VERIFY(idle(f));
        QCOMPARE(f->Text2->text(), QStringLiteral("ABCD\r\n"));
        QCOMPARE(f->session->messageCount(), 1);
        // Nothing more comes: no second, empty message.
        QTest::qWait(300);
        QCOMPARE(f->session->messageCount(), 1);
        QCOMPARE(f->Text2->text(), QStringLiteral("ABCD\r\n"));
    }

    void longStreamIsSplitWithoutLoss()
    {
        Form1 *f = start(40);
        QVERIFY(f);
        const QString path = autosaveTo(QStringLiteral("stream.txt"));
        QByteArray stream;
        for (int i = 0; i < 60; ++i) {
            const QByteArray piece = QByteArray::number(1000 + i) + "-";
            stream += piece;
            QVERIFY(pty->write(piece));
            QTest::qWait(8);
        }
        QTRY_COMPARE(linesOldestFirst(f->Text2->text()).join(QString()).size(), stream.size());
        QTRY_VERIFY(idle(f));
        const QStringList lines = linesOldestFirst(f->Text2->text());
        QVERIFY2(lines.size() >= 3, qPrintable(QString::number(lines.size())));
        QCOMPARE(lines.join(QString()), QString::fromLatin1(stream));
        QCOMPARE(f->session->messageCount(), int(lines.size()));
        for (const QString &l : lines)
            QVERIFY(!l.isEmpty());
        // One record per message, oldest first.
        QCOMPARE(readBytes(path), lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    }

    void everyByteValueReachesTheAutosaveFile()
    {
        Form1 *f = start();
        QVERIFY(f);
        decorate(false, false, true);
        const QString path = autosaveTo(QStringLiteral("bytes.txt"));
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        QVERIFY(pty->write(all));
        QTRY_VERIFY(!f->Text2->isEmptyText());
        QTRY_VERIFY(idle(f));
        QCOMPARE(readBytes(path), all + "  Size, byte: 256\r\n");
        QCOMPARE(f->Text2->text(), fromAnsi(all) + QStringLiteral("  Size, byte: 256\r\n"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    // --- Counter, Clear and the unsaved-changes indicator ---

    void counterAndClear()
    {
        Form1 *f = start();
        QVERIFY(f);
        QVERIFY(pty->write("1"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("1\r\n"));
        QVERIFY(pty->write("2"));
        QTRY_COMPARE(f->Text3->text(), QStringLiteral("2"));

        // Send resets the count but leaves the box showing the old number.
        f->Command1_Click();
        QCOMPARE(f->session->messageCount(), 0);
        QCOMPARE(f->Text3->text(), QStringLiteral("2"));
        QTRY_VERIFY(idle(f));
        QVERIFY(pty->write("3"));
        QTRY_COMPARE(f->Text3->text(), QStringLiteral("1"));
        QTRY_VERIFY(idle(f));

        // Clear while a message is being collected (a longer timeout gives
        // the test time to act between the two ticks).
        f->Timer2->setInterval(200);
        QVERIFY(pty->write("4"));
        QTRY_COMPARE(f->session->receiving(), qint16(1));
        f->Command8_Click();
        QVERIFY(!f->mnuSave->isEnabled());
        QCOMPARE(f->Text2->text(), QString());
        QCOMPARE(f->Text3->text(), QStringLiteral("0"));
        QCOMPARE(f->session->receiving(), qint16(1));
        QVERIFY(f->Timer2->isActive());
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("4\r\n"));
        QVERIFY(f->mnuSave->isEnabled());
        QCOMPARE(f->Text3->text(), QStringLiteral("0"));
        QCOMPARE(f->session->messageCount(), 0);
        QTRY_VERIFY(idle(f));

        // Clear when idle, then a message: the indicator comes back.
        f->Command8_Click();
        QVERIFY(!f->mnuSave->isEnabled());
        QCOMPARE(f->session->dataReceived, qint16(1));
        QVERIFY(pty->write("5"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("5\r\n"));
        QVERIFY(f->mnuSave->isEnabled());
        QCOMPARE(f->Text3->text(), QStringLiteral("1"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void counterPastItsLargestValueStartsAgain()
    {
        Form1 *f = start();
        QVERIFY(f);
        f->session->setMessageCount(std::numeric_limits<qint32>::max() - 1);
        QVERIFY(pty->write("a"));
        QTRY_COMPARE(f->Text3->text(), QStringLiteral("2147483647"));
        QTRY_VERIFY(idle(f));
        QVERIFY(pty->write("b"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("b\r\na\r\n"));
        QCOMPARE(f->session->messageCount(), 1);
        QCOMPARE(f->Text3->text(), QStringLiteral("1"));
    }

    // --- Waiting for data ---

    void waitForDataLeavesTheProcessorIdle()
    {
        Form1 *f = start(50);
        QVERIFY(f);
        // A port event without data: the second tick has to wait.
        bool wasWaiting = false;
        bool tickReturned = false;
        QTimer::singleShot(1200, f, [&] {
            wasWaiting = f->session->isWaitingForData();
            // A tick meanwhile neither waits a second time nor counts.
            f->Timer2_Timer();
            tickReturned = f->session->isWaitingForData() && f->session->messageCount() == 1;
            pty->write("late");
        });
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = cpuSeconds();
        f->MSComm1_OnComm();
        QTRY_COMPARE_WITH_TIMEOUT(f->Text2->text(), QStringLiteral("late\r\n"), 5000);
        const double cpu = cpuSeconds() - cpu0;
        const qint64 ms = wall.elapsed();
        QVERIFY(wasWaiting);
        QVERIFY(tickReturned);
        QVERIFY(ms >= 1100);
        QVERIFY2(cpu < 0.2, qPrintable(QStringLiteral("%1 s of processor time in %2 ms").arg(cpu).arg(ms)));
        QCOMPARE(f->session->messageCount(), 1);
        QVERIFY(idle(f));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void leavingEndsTheWait()
    {
        Form1 *f = start();
        QVERIFY(f);
        bool wasWaiting = false;
        QTimer::singleShot(300, f, [&] {
            wasWaiting = f->session->isWaitingForData();
            f->session->abandonWait();
        });
        f->MSComm1_OnComm();
        QTRY_VERIFY(wasWaiting);
        QTRY_VERIFY(idle(f));
        QCOMPARE(f->Text2->text(), QString());
        QVERIFY(!f->mnuSave->isEnabled());
        QCOMPARE(fakes.messageBox->messages, QStringList());
        // Data afterwards is a message of its own.
        QVERIFY(pty->write("after"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("after\r\n"));
    }

    void timerStoppedFromOutsideDoesNotBlockReception()
    {
        Form1 *f = start(200);
        QVERIFY(f);
        QVERIFY(pty->write("AB"));
        QTRY_COMPARE(f->session->receiving(), qint16(1));
        f->session->stopReceiveTimer();
        QVERIFY(idle(f));
        QVERIFY(pty->write("CD"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("ABCD\r\n"));
        QTRY_VERIFY(idle(f));
    }

    // --- Failures ---

    void portClosedBeforeTheSecondTick()
    {
        Form1 *f = start(200);
        QVERIFY(f);
        QVERIFY(pty->write("lost"));
        QTRY_VERIFY(f->Timer2->isActive());
        f->Command2_Click();
        QVERIFY(!f->MSComm1->PortOpen());
        QTRY_COMPARE(fakes.messageBox->messages.size(), 1);
        QTRY_VERIFY(idle(f));
        QTest::qWait(250);
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QCOMPARE(f->Text2->text(), QString());

        f->Command3_Click();
        QVERIFY(f->MSComm1->PortOpen());
        QVERIFY(pty->write("next"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("next\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    void deviceLostWithDataWaiting()
    {
        Form1 *f = start(200);
        QVERIFY(f);
        const QString path = autosaveTo(QStringLiteral("lost.txt"));
        QVERIFY(pty->write("DATA"));
        QTRY_VERIFY(f->Timer2->isActive());
        pty->closeMaster();
        QTRY_VERIFY(!f->MSComm1->PortOpen());
        // What arrived is shown and saved, then the loss is reported once.
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("DATA\r\n"));
        QTRY_VERIFY(idle(f));
        QCOMPARE(readBytes(path), QByteArray("DATA\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("stopped working")));

        // A new device on COM1: Open Port, and the next burst is a message.
        pty = std::make_unique<Pty>();
        mapPort(1, pty->slavePath());
        f->Command3_Click();
        QVERIFY(f->MSComm1->PortOpen());
        QVERIFY(pty->write("again"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("again\r\nDATA\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    void deviceLostWhileWaiting()
    {
        Form1 *f = start();
        QVERIFY(f);
        bool wasWaiting = false;
        QTimer::singleShot(300, f, [&] {
            wasWaiting = f->session->isWaitingForData();
            pty->closeMaster();
        });
        f->MSComm1_OnComm();
        QTRY_VERIFY(wasWaiting);
        QTRY_VERIFY(idle(f));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("stopped working")));
        QCOMPARE(f->Text2->text(), QString());
    }

    void deviceLostWhenIdleIsReportedAtOnce()
    {
        Form1 *f = start();
        QVERIFY(f);
        pty->closeMaster();
        QTRY_COMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(!f->MSComm1->PortOpen());
        QVERIFY(idle(f));
        QTest::qWait(200);
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    void autosaveFailureLosesOnlyItsRecord()
    {
        Form1 *f = start();
        QVERIFY(f);
        options()->Check8->setChecked(true);
        options()->setAutosaveFile(scratchDir() + QStringLiteral("/no-such-folder/auto.txt"));
        QVERIFY(pty->write("kept"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("kept\r\n"));
        QTRY_COMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(idle(f));
        QVERIFY(f->mnuSave->isEnabled());
        // The next message is received as usual.
        const QString path = autosaveTo(QStringLiteral("after-failure.txt"));
        QVERIFY(pty->write("next"));
        QTRY_COMPARE(f->Text2->text(), QStringLiteral("next\r\nkept\r\n"));
        QTRY_COMPARE(readBytes(path), QByteArray("next\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }
};

KESTRUM_TEST_MAIN(ReceiveTest)
#include "test_receive.moc"
