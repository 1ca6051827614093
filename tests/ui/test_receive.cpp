// Receiving: framing by the receive timeout, the received box, Clear.
#include "ui/main/form1.h"
#include "ui/actions/transmitactions.h"
#include "ui/main/portpanel.h"
#include "core/session/session.h"
#include "ui/main/windows.h"
#include "ui/received/receivedbox.h"
#include "ui/dialogs/optionswindow.h"
#include "core/base/codec.h"
#include "core/port/mscomm.h"
#include "support/controls.h"
#include "support/driver.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/programtest.h"
#include "support/testenv.h"
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

using namespace kestrum;
using namespace kestrum::test;

namespace {

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

class ReceiveTest : public ProgramTest {
    Q_OBJECT
    Form1 *start(int timeout = 50)
    {
        Form1 *f = startOnPty();
        if (!f)
            return nullptr;
        f->session().setReceiveTimeout(timeout);
        setReceivedStamps(false, false, false);
        autosaveOff();
        fakes.messageBox->messages.clear();
        return f;
    }

private slots:
    void init() { beginTest(); }
    void cleanup() { endTest(); }

    // --- Framing ---

    void oneBurstIsOneLine()
    {
        Form1 *f = start();
        QVERIFY(f);
        setReceivedStamps(false, false, true);
        QVERIFY(pty->write("OK\r\n"));
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("OK\r\n  Size, byte: 4\r\n"));
        QCOMPARE(f->session().messageCount(), 1);
        QCOMPARE(messageCounter(f)->text(), QStringLiteral("1"));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(f->session().state().dataReceived, qint16(1));
        QVERIFY(idle(f));

        // The date and time boxes reach the line too.
        setReceivedStamps(true, true, false);
        QVERIFY(pty->write("ab"));
        QTRY_COMPARE(f->session().messageCount(), 2);
        QTRY_VERIFY(idle(f));
        QVERIFY(receivedBox(f)->text().startsWith(dateText(fakes.clock->current) + QStringLiteral("   ")
                                            + timeText(fakes.clock->current) + QStringLiteral("    ab\r\nOK")));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    void burstsWithinTwoTimeoutsAreOneMessage()
    {
        Form1 *f = start(100);
        QVERIFY(f);
        QVERIFY(pty->write("AB"));
        QTest::qWait(50);
        QVERIFY(pty->write("CD"));
        QTRY_VERIFY(!receivedBox(f)->isEmptyText());
        QTRY_VERIFY(idle(f));
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("ABCD\r\n"));
        QCOMPARE(f->session().messageCount(), 1);
        // Nothing more comes: no second, empty message.
        QTest::qWait(300);
        QCOMPARE(f->session().messageCount(), 1);
        QCOMPARE(receivedBox(f)->text(), QStringLiteral("ABCD\r\n"));
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
        QTRY_COMPARE(linesOldestFirst(receivedBox(f)->text()).join(QString()).size(), stream.size());
        QTRY_VERIFY(idle(f));
        const QStringList lines = linesOldestFirst(receivedBox(f)->text());
        QVERIFY2(lines.size() >= 3, qPrintable(QString::number(lines.size())));
        QCOMPARE(lines.join(QString()), QString::fromLatin1(stream));
        QCOMPARE(f->session().messageCount(), int(lines.size()));
        for (const QString &l : lines)
            QVERIFY(!l.isEmpty());
        // One record per message, oldest first.
        QCOMPARE(readBytes(path), lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    }

    void everyByteValueReachesTheAutosaveFile()
    {
        Form1 *f = start();
        QVERIFY(f);
        setReceivedStamps(false, false, true);
        const QString path = autosaveTo(QStringLiteral("bytes.txt"));
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        QVERIFY(pty->write(all));
        QTRY_VERIFY(!receivedBox(f)->isEmptyText());
        QTRY_VERIFY(idle(f));
        QCOMPARE(readBytes(path), all + "  Size, byte: 256\r\n");
        QCOMPARE(receivedBox(f)->text(), fromAnsi(all) + QStringLiteral("  Size, byte: 256\r\n"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    // --- Counter, Clear and the unsaved-changes indicator ---

    void counterAndClear()
    {
        Form1 *f = start();
        QVERIFY(f);
        QVERIFY(pty->write("1"));
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("1\r\n"));
        QVERIFY(pty->write("2"));
        QTRY_COMPARE(messageCounter(f)->text(), QStringLiteral("2"));

        // Send resets the count but leaves the box showing the old number.
        f->transmit().Command1_Click();
        QCOMPARE(f->session().messageCount(), 0);
        QCOMPARE(messageCounter(f)->text(), QStringLiteral("2"));
        QTRY_VERIFY(idle(f));
        QVERIFY(pty->write("3"));
        QTRY_COMPARE(messageCounter(f)->text(), QStringLiteral("1"));
        QTRY_VERIFY(idle(f));

        // Clear while a message is being collected (a longer timeout gives
        // the test time to act between the two ticks).
        f->session().setReceiveTimeout(200);
        QVERIFY(pty->write("4"));
        QTRY_COMPARE(f->session().receiving(), qint16(1));
        f->Command8_Click();
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        QCOMPARE(receivedBox(f)->text(), QString());
        QCOMPARE(messageCounter(f)->text(), QStringLiteral("0"));
        QCOMPARE(f->session().receiving(), qint16(1));
        QVERIFY(f->session().framing() != Session::Framing::Idle);
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("4\r\n"));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(messageCounter(f)->text(), QStringLiteral("0"));
        QCOMPARE(f->session().messageCount(), 0);
        QTRY_VERIFY(idle(f));

        // Clear when idle, then a message: the indicator comes back.
        f->Command8_Click();
        QVERIFY(!action(f, "mnuSave")->isEnabled());
        QCOMPARE(f->session().state().dataReceived, qint16(1));
        QVERIFY(pty->write("5"));
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("5\r\n"));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        QCOMPARE(messageCounter(f)->text(), QStringLiteral("1"));
        QCOMPARE(fakes.messageBox->messages, QStringList());
    }

    // --- Waiting for data ---

    // --- Failures ---

    void portClosedBeforeTheSecondTick()
    {
        Form1 *f = start(200);
        QVERIFY(f);
        QVERIFY(pty->write("lost"));
        QTRY_VERIFY(f->session().framing() != Session::Framing::Idle);
        f->ports().Command2_Click();
        QVERIFY(!f->session().port()->PortOpen());
        QTRY_COMPARE(fakes.messageBox->messages.size(), 1);
        QTRY_VERIFY(idle(f));
        QTest::qWait(250);
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QCOMPARE(receivedBox(f)->text(), QString());

        f->ports().Command3_Click();
        QVERIFY(f->session().port()->PortOpen());
        QVERIFY(pty->write("next"));
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("next\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    void deviceLostWithDataWaiting()
    {
        Form1 *f = start(200);
        QVERIFY(f);
        const QString path = autosaveTo(QStringLiteral("lost.txt"));
        QVERIFY(pty->write("DATA"));
        QTRY_VERIFY(f->session().framing() != Session::Framing::Idle);
        pty->closeMaster();
        QTRY_VERIFY(!f->session().port()->PortOpen());
        // What arrived is shown and saved, then the loss is reported once.
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("DATA\r\n"));
        QTRY_VERIFY(idle(f));
        QCOMPARE(readBytes(path), QByteArray("DATA\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("stopped working")));

        // A new device on COM1: Open Port, and the next burst is a message.
        pty = std::make_unique<Pty>();
        mapPort(1, pty->slavePath());
        f->ports().Command3_Click();
        QVERIFY(f->session().port()->PortOpen());
        QVERIFY(pty->write("again"));
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("again\r\nDATA\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    void deviceLostWhileWaiting()
    {
        Form1 *f = start();
        QVERIFY(f);
        bool wasWaiting = false;
        QTimer::singleShot(300, f, [&] {
            wasWaiting = f->session().isWaitingForData();
            pty->closeMaster();
        });
        f->MSComm1_OnComm();
        QTRY_VERIFY(wasWaiting);
        QTRY_VERIFY(idle(f));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(fakes.messageBox->messages.first().contains(QStringLiteral("stopped working")));
        QCOMPARE(receivedBox(f)->text(), QString());
    }

    void deviceLostWhenIdleIsReportedAtOnce()
    {
        Form1 *f = start();
        QVERIFY(f);
        pty->closeMaster();
        QTRY_COMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(!f->session().port()->PortOpen());
        QVERIFY(idle(f));
        QTest::qWait(200);
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }

    void autosaveFailureLosesOnlyItsRecord()
    {
        Form1 *f = start();
        QVERIFY(f);
        autosaveInto(scratchDir() + QStringLiteral("/no-such-folder/auto.txt"));
        QVERIFY(pty->write("kept"));
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("kept\r\n"));
        QTRY_COMPARE(fakes.messageBox->messages.size(), 1);
        QVERIFY(idle(f));
        QVERIFY(action(f, "mnuSave")->isEnabled());
        // The next message is received as usual.
        const QString path = autosaveTo(QStringLiteral("after-failure.txt"));
        QVERIFY(pty->write("next"));
        QTRY_COMPARE(receivedBox(f)->text(), QStringLiteral("next\r\nkept\r\n"));
        QTRY_COMPARE(readBytes(path), QByteArray("next\r\n"));
        QCOMPARE(fakes.messageBox->messages.size(), 1);
    }
};

KESTRUM_TEST_MAIN(ReceiveTest)
#include "test_receive.moc"
